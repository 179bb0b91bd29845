// Lookup and calculated fields: computed for the current record whenever it becomes current
// or a data field changes while editing, and on first use for any other row (cached until
// the dataset's order, its lookup sources or the caller's inputs change).
#include "platform/db/dataset.h"

#include "platform/db/value_convert.h"

#include <algorithm>

namespace qel::db {

namespace {

// A hashable form of a key value: numbers (and texts that are integers) by value.
QString lookupKey(const QVariant& v)
{
    if (v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::QString: {
        QString t = v.toString();
        bool ok = false;
        const qint64 n = t.trimmed().toLongLong(&ok);
        if (ok)
            return QLatin1Char('n') + QString::number(n);
        while (!t.isEmpty() && t.back() == QLatin1Char(' '))
            t.chop(1);
        return QLatin1Char('s') + t;
    }
    case QMetaType::Double: case QMetaType::Float: {
        const double d = v.toDouble();
        if (d == double(qint64(d)))
            return QLatin1Char('n') + QString::number(qint64(d));
        return QLatin1Char('d') + QString::number(d, 'g', 17);
    }
    case QMetaType::Bool:
        return QLatin1Char('n') + QString::number(v.toBool() ? 1 : 0);
    case QMetaType::QDateTime: case QMetaType::QDate: case QMetaType::QTime:
        return QLatin1Char('t') + convert::toDateTime(v).toString(Qt::ISODateWithMs);
    default:
        return QLatin1Char('n') + QString::number(v.toLongLong());
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

QVariant DataSet::lookupValue(const Field& f, const Record& r)
{
    DataSet* src = f.lookupDataSet();
    if (!src || !src->active())
        return {};
    const Field& key = fieldByName(f.keyFields());
    const QVariant keyValue = valueIn(r, key);
    if (keyValue.isNull())
        return {};
    const int rec = src->lookupRecord(f.lookupKeyFields(), keyValue);
    if (rec < 0)
        return {};
    const QVariant v = src->storedValue(rec, src->fieldByName(f.lookupResultField()));
    QVariant out = convert::normalized(f.dataType(), v);
    if (convert::isTextType(f.dataType()) && f.size() > 0 && out.toString().size() > f.size())
        out = out.toString().left(f.size());
    return out;
}

int DataSet::lookupRecord(const QString& keyField, const QVariant& key)
{
    LookupIndex& index = lookupIndexes_[keyField.toLower()];
    if (index.version != dataVersion_) {
        const Field& kf = fieldByName(keyField);
        index.records.clear();
        index.records.reserve(int(records_.size()));
        for (size_t i = 0; i < records_.size(); ++i) {
            if (records_[i].deleted)
                continue;
            const QString k = lookupKey(storedValue(int(i), kf));
            if (!k.isEmpty() && !index.records.contains(k))
                index.records.insert(k, int(i));
        }
        index.version = dataVersion_;
    }
    return index.records.value(lookupKey(key), -1);
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
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert)
        computeExtras(editBuf_, editRecord_, false);
    if (!view_.empty())
        notify([&](DataSetObserver* o) { o->dataSetRowsChanged(0, int(view_.size()) - 1); });
}

QVariant DataSet::rowValue(int row, const Field& f)
{
    if (!active() || row < 0 || row >= int(view_.size()) || &f.dataSet() != this)
        return {};
    if ((state_ == DataSetState::Edit || state_ == DataSetState::Insert) && row == cur_)
        return valueIn(editBuf_, f);
    return storedValue(view_[size_t(row)], f);
}

QString DataSet::rowText(int row, const Field& f)
{
    return f.displayTextFor(rowValue(row, f));
}

} // namespace qel::db
