// Navigation, bookmarks, locate, filter and sort of a dataset: the view over its records.
#include "platform/db/dataset.h"

#include "platform/db/filter_expression.h"
#include "platform/db/value_convert.h"

#include <QCollatorSortKey>
#include <algorithm>
#include <optional>

namespace qel::db {

// ---- the view ---------------------------------------------------------------------------

namespace {

struct SortSpec {
    int ref;
    bool descending;
};

// A value prepared for sorting: class (null, number, date, text) and its key.
struct SortValue {
    int cls = 0;
    double number = 0;
    std::optional<QCollatorSortKey> text;
};

SortValue sortValueOf(const QVariant& v)
{
    SortValue s;
    if (v.isNull())
        return s;
    switch (v.typeId()) {
    case QMetaType::QString:
        s.cls = 3;
        s.text = convert::textCollator(true).sortKey(v.toString());
        return s;
    case QMetaType::QDateTime: case QMetaType::QDate: case QMetaType::QTime:
        s.cls = 2;
        s.number = double(convert::toDateTime(v).toMSecsSinceEpoch());
        return s;
    case QMetaType::QByteArray:
        s.cls = 3;
        s.text = convert::textCollator(true).sortKey(QString::fromLatin1(v.toByteArray()));
        return s;
    default:
        s.cls = 1;
        s.number = v.toDouble();
        return s;
    }
}

int compareSortValues(const SortValue& a, const SortValue& b)
{
    if (a.cls != b.cls)
        return a.cls < b.cls ? -1 : 1;
    if (a.cls == 3) {
        const int c = a.text->compare(*b.text);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
}

} // namespace

void DataSet::rebuildOrder()
{
    order_.clear();
    order_.reserve(records_.size());
    for (size_t i = 0; i < records_.size(); ++i)
        if (!records_[i].deleted)
            order_.push_back(int(i));
    if (sortText_.trimmed().isEmpty())
        return;

    std::vector<SortSpec> specs;
    for (const QString& part : sortText_.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QStringList words = part.simplified().split(QLatin1Char(' '));
        bool desc = false;
        if (words.size() > 1) {
            const QString dir = words.last().toUpper();
            if (dir == QLatin1String("DESC") || dir == QLatin1String("ASC")) {
                desc = dir == QLatin1String("DESC");
                words.removeLast();
            }
        }
        QString name = words.join(QLatin1Char(' '));
        if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
            name = name.mid(1, name.size() - 2);
        specs.push_back({resolveColumn(name), desc});
    }

    // Keys computed once per record, then a stable sort of the record indices.
    std::vector<std::vector<SortValue>> keys(records_.size());
    for (int rec : order_) {
        auto& k = keys[size_t(rec)];
        k.reserve(specs.size());
        for (const SortSpec& s : specs)
            k.push_back(sortValueOf(columnValue(rec, s.ref)));
    }
    std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
        const auto& ka = keys[size_t(a)];
        const auto& kb = keys[size_t(b)];
        for (size_t i = 0; i < specs.size(); ++i) {
            int c = compareSortValues(ka[i], kb[i]);
            if (specs[i].descending)
                c = -c;
            if (c != 0)
                return c < 0;
        }
        return false;
    });
}

void DataSet::rebuildView()
{
    viewPosDirty_ = true;
    if (!filtered_ || !filterExpr_ || filterText_.trimmed().isEmpty()) {
        view_ = order_;
        return;
    }
    QHash<QString, int> byText;
    for (const QString& name : filterExpr_->fieldNames())
        byText.insert(name, resolveColumn(name));
    view_.clear();
    view_.reserve(order_.size());
    for (int rec : order_) {
        const bool ok = filterExpr_->matches([&](const QString& name) {
            return columnValue(rec, byText.value(name));
        });
        if (ok)
            view_.push_back(rec);
    }
}

int DataSet::viewPosOf(int record) const
{
    if (viewPosDirty_) {
        viewPos_.assign(records_.size(), -1);
        for (size_t i = 0; i < view_.size(); ++i)
            viewPos_[size_t(view_[i])] = int(i);
        viewPosDirty_ = false;
    }
    return record >= 0 && size_t(record) < viewPos_.size() ? viewPos_[size_t(record)] : -1;
}

// Filters and sorts name fields or, like the server's cursor, any column of the result.
int DataSet::resolveColumn(const QString& name) const
{
    if (const Field* f = findField(name))
        return f->index();
    for (int i = 0; i < columns_.size(); ++i)
        if (columns_[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return -1 - i;
    throw DbError(QStringLiteral("%1: поле \"%2\" не найдено").arg(name_, name));
}

QVariant DataSet::columnValue(int record, int ref)
{
    if (ref >= 0)
        return storedValue(record, *fieldList_[size_t(ref)]);
    return records_[size_t(record)].data.value(-1 - ref);
}

// ---- navigation -------------------------------------------------------------------------

bool DataSet::isEmpty() const { return recordCount() == 0; }

int DataSet::recordCount() const { return active() ? int(view_.size()) : 0; }

int DataSet::recNo() const
{
    if (!active())
        return 0;
    if (state_ == DataSetState::CalcFields) {
        const int pos = viewPosOf(calcRecord_);
        return pos >= 0 ? pos + 1 : 0;
    }
    return cur_ + 1;
}

void DataSet::moveTo(int pos)
{
    const int previous = cur_;
    cur_ = pos;
    if (cur_ != previous) {
        notify([&](DataSetObserver* o) { o->dataSetCurrentChanged(cur_, previous); });
        computeCurrent();
    }
}

void DataSet::first()
{
    checkActive();
    checkBrowseMode();
    fire(&DataSet::beforeScroll);
    bof_ = true;
    eof_ = view_.empty();
    moveTo(view_.empty() ? -1 : 0);
    fire(&DataSet::afterScroll);
}

void DataSet::last()
{
    checkActive();
    checkBrowseMode();
    fire(&DataSet::beforeScroll);
    eof_ = true;
    bof_ = view_.empty();
    moveTo(int(view_.size()) - 1);
    fire(&DataSet::afterScroll);
}

void DataSet::next() { moveBy(1); }
void DataSet::prior() { moveBy(-1); }

int DataSet::moveBy(int distance)
{
    checkActive();
    checkBrowseMode();
    fire(&DataSet::beforeScroll);
    const int count = int(view_.size());
    int target = cur_ + distance;
    if (count == 0) {
        eof_ = bof_ = true;
        fire(&DataSet::afterScroll);
        return 0;
    }
    if (distance > 0) {
        bof_ = false;
        eof_ = target >= count;
    } else if (distance < 0) {
        eof_ = false;
        bof_ = target < 0;
    }
    target = std::clamp(target, 0, count - 1);
    const int moved = target - cur_;
    moveTo(target);
    fire(&DataSet::afterScroll);
    return moved;
}

void DataSet::setRecNo(int recNo)
{
    checkActive();
    checkBrowseMode();
    if (view_.empty())
        return;
    fire(&DataSet::beforeScroll);
    bof_ = eof_ = false;
    moveTo(std::clamp(recNo - 1, 0, int(view_.size()) - 1));
    fire(&DataSet::afterScroll);
}

Bookmark DataSet::bookmark() const
{
    if (!active() || cur_ < 0)
        return {};
    return {generation_, view_[size_t(cur_)]};
}

Bookmark DataSet::bookmarkAt(int row) const
{
    if (!active() || row < 0 || size_t(row) >= view_.size())
        return {};
    return {generation_, view_[size_t(row)]};
}

int DataSet::rowOf(const Bookmark& b) const { return bookmarkValid(b) ? viewPosOf(b.record) : -1; }

bool DataSet::bookmarkValid(const Bookmark& b) const
{
    return active() && !b.isNull() && b.generation == generation_ && size_t(b.record) < records_.size()
        && !records_[size_t(b.record)].deleted && viewPosOf(b.record) >= 0;
}

void DataSet::gotoBookmark(const Bookmark& b)
{
    checkActive();
    checkBrowseMode();
    if (!bookmarkValid(b))
        throw DbError(QStringLiteral("%1: запись не найдена").arg(name_));
    fire(&DataSet::beforeScroll);
    bof_ = eof_ = false;
    moveTo(viewPosOf(b.record));
    fire(&DataSet::afterScroll);
}

// ---- locate -----------------------------------------------------------------------------

namespace {

bool locateMatch(const Field& f, const QVariant& stored, const QVariant& wanted, const QVariant& wantedTyped,
                 LocateOptions options)
{
    if (wanted.isNull())
        return stored.isNull();
    if (stored.isNull())
        return false;
    if (convert::isTextType(f.dataType()) || stored.typeId() == QMetaType::QString) {
        const QString s = convert::toText(stored);
        const QString w = convert::toText(wanted);
        const Qt::CaseSensitivity cs = options.caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
        return options.partialKey ? s.startsWith(w, cs) : s.compare(w, cs) == 0;
    }
    return !wantedTyped.isNull() && convert::sameValue(stored, wantedTyped);
}

QVariant typedForLocate(const Field& f, const QVariant& v)
{
    if (v.isNull() || convert::isTextType(f.dataType()))
        return v;
    try {
        return convert::forAssignment(f.dataType(), 0, false, v, f.name());
    } catch (const qel::Error&) {
        return QVariant();   // a value of another type matches nothing
    }
}

} // namespace

bool DataSet::locate(const QString& fieldName, const QVariant& value, LocateOptions options)
{
    checkActive();
    checkBrowseMode();
    const Field& f = fieldByName(fieldName);
    const QVariant typed = typedForLocate(f, value);
    for (size_t i = 0; i < view_.size(); ++i) {
        if (!locateMatch(f, storedValue(view_[i], f), value, typed, options))
            continue;
        fire(&DataSet::beforeScroll);
        bof_ = eof_ = false;
        moveTo(int(i));
        fire(&DataSet::afterScroll);
        return true;
    }
    return false;
}

QVariant DataSet::lookup(const QString& keyField, const QVariant& keyValue, const QString& resultField)
{
    checkActive();
    const Field& k = fieldByName(keyField);
    const Field& r = fieldByName(resultField);
    const QVariant typed = typedForLocate(k, keyValue);
    for (int rec : view_)
        if (locateMatch(k, storedValue(rec, k), keyValue, typed, {}))
            return storedValue(rec, r);
    return {};
}

// ---- filter and sort --------------------------------------------------------------------

void DataSet::setFilter(const QString& text)
{
    auto expr = FilterExpression::parse(text);
    if (active() && filtered_)
        for (const QString& name : expr->fieldNames())
            resolveColumn(name);
    if (active() && filtered_)
        checkBrowseMode();
    filterExpr_ = std::move(expr);
    filterText_ = text;
    if (!active() || !filtered_)
        return;
    refilter();
}

// The view after the filter or its switch changed: rebuilt, reported, on its first row.
void DataSet::refilter()
{
    rebuildView();
    bumpEpoch();
    cur_ = -1;
    bof_ = true;
    eof_ = view_.empty();
    notify([](DataSetObserver* o) { o->dataSetLayoutReset(); });
    moveTo(view_.empty() ? -1 : 0);
}

void DataSet::setFiltered(bool on)
{
    if (on == filtered_)
        return;
    if (active()) {
        if (on && filterExpr_)
            for (const QString& name : filterExpr_->fieldNames())
                resolveColumn(name);
        checkBrowseMode();
    }
    filtered_ = on;
    if (!active())
        return;
    refilter();
}

void DataSet::setSort(const QString& text)
{
    checkActive();
    checkBrowseMode();
    const QString previous = sortText_;
    const int currentRecord = cur_ >= 0 ? view_[size_t(cur_)] : -1;
    sortText_ = text;
    try {
        rebuildOrder();
    } catch (...) {
        sortText_ = previous;
        rebuildOrder();
        throw;
    }
    rebuildView();
    bumpEpoch();
    const int pos = viewPosOf(currentRecord);
    cur_ = pos >= 0 ? pos : (view_.empty() ? -1 : 0);
    notify([](DataSetObserver* o) { o->dataSetLayoutReset(); });
    notify([&](DataSetObserver* o) { o->dataSetCurrentChanged(cur_, -1); });
}

} // namespace qel::db
