// Lookup and calculated fields: computed for the current record whenever it becomes current
// or a data field changes while editing, and on first use for any other row (cached until
// the dataset's order, its lookup sources or the caller's inputs change).
#include "platform/db/dataset.h"

#include "platform/db/value_convert.h"

#include <algorithm>

namespace qel::db {

namespace {

// A key value as an integer when it is one (numbers, and texts holding an integer, match
// by value), otherwise as a tagged text.
bool integralKey(const QVariant& v, qint64* out)
{
    switch (v.typeId()) {
    case QMetaType::Int: *out = v.toInt(); return true;
    case QMetaType::LongLong: *out = v.toLongLong(); return true;
    case QMetaType::Bool: *out = v.toBool() ? 1 : 0; return true;
    case QMetaType::Double: case QMetaType::Float: {
        const double d = v.toDouble();
        if (d != double(qint64(d)))
            return false;
        *out = qint64(d);
        return true;
    }
    case QMetaType::QString: {
        bool ok = false;
        *out = v.toString().trimmed().toLongLong(&ok);
        return ok;
    }
    default:
        if (v.canConvert<qint64>() && v.typeId() != QMetaType::QDateTime && v.typeId() != QMetaType::QDate
            && v.typeId() != QMetaType::QTime && v.typeId() != QMetaType::QByteArray) {
            *out = v.toLongLong();
            return true;
        }
        return false;
    }
}

QString otherKey(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::QString: {
        QString t = v.toString();
        while (!t.isEmpty() && t.back() == QLatin1Char(' '))
            t.chop(1);
        return QLatin1Char('s') + t;
    }
    case QMetaType::Double: case QMetaType::Float:
        return QLatin1Char('d') + QString::number(v.toDouble(), 'g', 17);
    case QMetaType::QDateTime: case QMetaType::QDate: case QMetaType::QTime:
        return QLatin1Char('t') + convert::toDateTime(v).toString(Qt::ISODateWithMs);
    default:
        return QLatin1Char('x') + convert::toText(v);
    }
}

} // namespace

void DataSet::computeExtras(Record& r, int record, bool raise)
{
    r.extra.fill(QVariant(), extraCount_);
    r.epoch = epoch_;
    if (extraCount_ == 0 && !onCalcFields)
        return;

    // Re-entrant: a handler may read another row of this dataset.
    Record* const savedTarget = calcTarget_;
    const int savedRecord = calcRecord_;
    const DataSetState savedState = state_;
    calcTarget_ = &r;
    calcRecord_ = record;
    state_ = DataSetState::CalcFields;
    struct Restore {
        DataSet* ds;
        Record* target;
        int record;
        DataSetState state;
        ~Restore()
        {
            ds->calcTarget_ = target;
            ds->calcRecord_ = record;
            ds->state_ = state;
        }
    } restore{this, savedTarget, savedRecord, savedState};

    try {
        for (const auto& f : fields_)
            if (f->isLookup())
                r.extra[f->slot_] = lookupValue(*f, r);
        const Event handler = onCalcFields;
        if (handler)
            handler(*this);
    } catch (...) {
        if (raise)
            throw;
    }
}

void DataSet::ensureExtras(int record)
{
    Record& r = records_[size_t(record)];
    if (r.epoch != epoch_)
        computeExtras(r, record, false);
}

void DataSet::computeCurrent()
{
    if (state_ == DataSetState::Browse && cur_ >= 0) {
        const int rec = view_[size_t(cur_)];
        computeExtras(records_[size_t(rec)], rec, true);
    }
}

bool DataSet::resolveLookup(const Field& f)
{
    DataSet* src = f.lookupDataSet();
    const quint64 stamp = fieldsVersion_ * 1000003u + src->fieldsVersion_;
    if (f.lookupResolvedFor_ == stamp)
        return true;
    Field& ff = const_cast<Field&>(f);
    ff.lookupKey_ = &fieldByName(f.keyFields());
    ff.lookupSourceKey_ = &src->fieldByName(f.lookupKeyFields());
    ff.lookupSourceResult_ = &src->fieldByName(f.lookupResultField());
    ff.lookupResolvedFor_ = stamp;
    return true;
}

QVariant DataSet::lookupValue(const Field& f, const Record& r)
{
    DataSet* src = f.lookupDataSet();
    if (!src || !src->active())
        return {};
    resolveLookup(f);
    const QVariant keyValue = valueIn(r, *f.lookupKey_);
    if (keyValue.isNull())
        return {};
    const int rec = src->lookupRecord(*f.lookupSourceKey_, keyValue);
    if (rec < 0)
        return {};
    QVariant out = convert::normalized(f.dataType(), src->storedValue(rec, *f.lookupSourceResult_));
    if (convert::isTextType(f.dataType()) && f.size() > 0 && out.toString().size() > f.size())
        out = out.toString().left(f.size());
    return out;
}

int DataSet::lookupRecord(const Field& keyField, const QVariant& key)
{
    if (lookupIndexes_.size() < fields_.size())
        lookupIndexes_.resize(fields_.size());
    LookupIndex& index = lookupIndexes_[size_t(keyField.index())];
    if (index.version != dataVersion_) {
        index.numbers.clear();
        index.others.clear();
        index.numbers.reserve(int(records_.size()));
        // From the last record to the first, so that the first record of a key wins.
        for (size_t i = records_.size(); i-- > 0;) {
            if (records_[i].deleted)
                continue;
            const QVariant v = storedValue(int(i), keyField);
            if (v.isNull())
                continue;
            qint64 n = 0;
            if (integralKey(v, &n))
                index.numbers.insert(n, int(i));
            else
                index.others.insert(otherKey(v), int(i));
        }
        index.version = dataVersion_;
    }
    qint64 n = 0;
    if (integralKey(key, &n))
        return index.numbers.value(n, -1);
    return index.others.value(otherKey(key), -1);
}

void DataSet::linkLookupSource(DataSet* source)
{
    if (std::find(lookupSources_.begin(), lookupSources_.end(), source) == lookupSources_.end())
        lookupSources_.push_back(source);
    auto& deps = source->lookupDependents_;
    if (std::find(deps.begin(), deps.end(), this) == deps.end())
        deps.push_back(this);
}

void DataSet::lookupSourceChanged()
{
    bumpEpoch();
    if (active() && !view_.empty())
        notify([&](DataSetObserver* o) { o->dataSetRowsChanged(0, int(view_.size()) - 1); });
}

void DataSet::dataChanged()
{
    ++dataVersion_;
    for (DataSet* dep : std::vector<DataSet*>(lookupDependents_))
        dep->lookupSourceChanged();
}

void DataSet::invalidateCalculations()
{
    bumpEpoch();
    if (!active())
        return;
    if (editing())
        computeExtras(editBuf_, editRecord_, false);
    if (!view_.empty())
        notify([&](DataSetObserver* o) { o->dataSetRowsChanged(0, int(view_.size()) - 1); });
}

QVariant DataSet::rowValue(int row, const Field& f)
{
    if (!active() || row < 0 || row >= int(view_.size()) || &f.dataSet() != this)
        return {};
    if (editing() && row == cur_)
        return valueIn(editBuf_, f);
    return storedValue(view_[size_t(row)], f);
}

QString DataSet::rowText(int row, const Field& f)
{
    return f.displayTextFor(rowValue(row, f));
}

} // namespace qel::db
