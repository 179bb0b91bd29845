// Opening, closing, fields, value access and reports of a dataset.
#include "platform/db/dataset.h"

#include "platform/db/connection.h"
#include "platform/db/filter_expression.h"
#include "platform/db/value_convert.h"

#include <algorithm>

namespace qel::db {

const char* const kRowNotLocated =
    "Row cannot be located for updating. Some values may have been changed since it was last read.";

const char* dataSetStateName(DataSetState state)
{
    switch (state) {
    case DataSetState::Inactive: return "inactive";
    case DataSetState::Browse: return "browse";
    case DataSetState::Edit: return "edit";
    case DataSetState::Insert: return "insert";
    case DataSetState::CalcFields: return "calcFields";
    }
    return "?";
}

DataSet::DataSet(Connection* connection, QString name) : name_(std::move(name)), connection_(nullptr)
{
    setConnection(connection);
}

DataSet::~DataSet()
{
    if (active()) {
        // No events at destruction: the handlers' owner may already be gone.
        state_ = DataSetState::Inactive;
        releaseRows();
        unbindFields();
        if (connection_)
            connection_->release();
    }
    for (DataSetObserver* o : std::vector<DataSetObserver*>(observers_))
        o->dataSetDestroyed();
    for (DataSet* src : lookupSources_) {
        auto& deps = src->lookupDependents_;
        deps.erase(std::remove(deps.begin(), deps.end(), this), deps.end());
    }
    for (DataSet* dep : lookupDependents_) {
        auto& srcs = dep->lookupSources_;
        srcs.erase(std::remove(srcs.begin(), srcs.end(), this), srcs.end());
        for (auto& f : dep->fields_)
            if (f->spec_.lookupDataSet == this)
                f->spec_.lookupDataSet = nullptr;
    }
    if (connection_)
        connection_->detach(this);
}

void DataSet::setConnection(Connection* connection)
{
    checkInactive("setConnection");
    if (connection_)
        connection_->detach(this);
    connection_ = connection;
    if (connection_)
        connection_->attach(this);
}

void DataSet::checkInactive(const char* what) const
{
    if (active())
        throw DbError(QStringLiteral("%1: операция недопустима для открытого набора данных (%2)")
                          .arg(name_, QString::fromLatin1(what)));
}

void DataSet::checkActive() const
{
    if (!active())
        throw DbError(QStringLiteral("%1: операция недопустима для закрытого набора данных").arg(name_));
}

void DataSet::fire(Event DataSet::*event)
{
    // A copy: a handler may replace the event it runs in (the change history recorder does).
    const Event handler = this->*event;
    if (handler)
        handler(*this);
}

void DataSet::withErrorHandler(ErrorEvent DataSet::*handler, const std::function<void()>& op)
{
    for (;;) {
        try {
            op();
            return;
        } catch (const qel::Error& e) {
            DataAction action = DataAction::Fail;
            const ErrorEvent h = this->*handler;
            if (h)
                h(*this, e, action);
            if (action == DataAction::Retry)
                continue;
            if (action == DataAction::Abort)
                throw qel::SilentAbort();
            throw;
        }
    }
}

// ---- opening ----------------------------------------------------------------------------

void DataSet::open()
{
    if (active())
        return;
    if (!connection_)
        throw DbError(QStringLiteral("%1: не задано соединение").arg(name_));
    if (filtered_ && filterExpr_ == nullptr && !filterText_.trimmed().isEmpty())
        filterExpr_ = FilterExpression::parse(filterText_);
    fire(&DataSet::beforeOpen);
    connection_->acquire();
    try {
        wire::ResultSet rs = fetchRows();
        bindFields(rs);
        loadRows(std::move(rs));
        ++generation_;
        state_ = DataSetState::Browse;
        bumpEpoch();
        rebuildOrder();
        rebuildView();
        cur_ = view_.empty() ? -1 : 0;
        bof_ = true;
        eof_ = view_.empty();
        dataChanged();
        computeCurrent();
    } catch (...) {
        state_ = DataSetState::Inactive;
        releaseRows();
        unbindFields();
        connection_->release();
        dataChanged();
        throw;
    }
    notify([&](DataSetObserver* o) { o->dataSetActiveChanged(true); });
    notify([&](DataSetObserver* o) { o->dataSetStateChanged(state_); });
    notify([](DataSetObserver* o) { o->dataSetLayoutReset(); });
    notify([&](DataSetObserver* o) { o->dataSetCurrentChanged(cur_, -1); });
    fire(&DataSet::afterOpen);
    fire(&DataSet::afterScroll);
}

void DataSet::close()
{
    if (!active())
        return;
    fire(&DataSet::beforeClose);
    if (!active())
        return;
    state_ = DataSetState::Inactive;
    notify([](DataSetObserver* o) { o->dataSetActiveChanged(false); });
    notify([&](DataSetObserver* o) { o->dataSetStateChanged(state_); });
    notify([](DataSetObserver* o) { o->dataSetLayoutReset(); });
    releaseRows();
    unbindFields();
    sortText_.clear();
    dataChanged();
    if (connection_)
        connection_->release();
    fire(&DataSet::afterClose);
}

void DataSet::releaseRows()
{
    records_.clear();
    order_.clear();
    view_.clear();
    viewPos_.clear();
    viewPosDirty_ = true;
    pending_.clear();
    editBuf_ = Record();
    assigned_.clear();
    editRecord_ = -1;
    modified_ = false;
    cur_ = -1;
    eof_ = bof_ = true;
    lookupIndexes_.clear();
}

void DataSet::refresh()
{
    checkActive();
    checkBrowseMode();
    fire(&DataSet::beforeRefresh);
    const Field* keyField = refreshKeyField();
    QVariant keyValue;
    if (keyField && cur_ >= 0)
        keyValue = storedValue(view_[size_t(cur_)], *keyField);
    const QString keyName = keyField ? keyField->name() : QString();
    const int oldPos = cur_;

    wire::ResultSet rs = fetchRows();
    const QList<wire::Column> oldColumns = columns_;
    bool sameShape = rs.columns.size() == oldColumns.size();
    for (int i = 0; sameShape && i < rs.columns.size(); ++i)
        sameShape = rs.columns[i].name.compare(oldColumns[i].name, Qt::CaseInsensitive) == 0
            && rs.columns[i].type == oldColumns[i].type;
    if (!sameShape) {
        unbindFields();
        bindFields(rs);
    } else {
        columns_ = rs.columns;
    }
    releaseRows();
    loadRows(std::move(rs));
    ++generation_;
    bumpEpoch();
    rebuildOrder();
    rebuildView();
    cur_ = view_.empty() ? -1 : 0;
    if (!view_.empty()) {
        int found = -1;
        if (!keyName.isEmpty() && !keyValue.isNull()) {
            const Field& kf = fieldByName(keyName);
            for (size_t i = 0; i < view_.size() && found < 0; ++i)
                if (convert::sameValue(storedValue(view_[i], kf), keyValue))
                    found = int(i);
        }
        if (found < 0 && oldPos >= 0)
            found = std::min(oldPos, int(view_.size()) - 1);
        cur_ = std::max(found, 0);
    }
    bof_ = cur_ <= 0;
    eof_ = view_.empty();
    dataChanged();
    notify([](DataSetObserver* o) { o->dataSetLayoutReset(); });
    notify([&](DataSetObserver* o) { o->dataSetCurrentChanged(cur_, -1); });
    computeCurrent();
    fire(&DataSet::afterRefresh);
}

// ---- fields -----------------------------------------------------------------------------

Field& DataSet::addField(const FieldSpec& spec)
{
    checkInactive("addField");
    if (spec.name.isEmpty())
        throw DbError(QStringLiteral("%1: поле без имени").arg(name_));
    if (findField(spec.name))
        throw DbError(QStringLiteral("%1: поле \"%2\" уже есть").arg(name_, spec.name));
    if (spec.kind == FieldKind::Lookup && (spec.keyFields.isEmpty() || spec.lookupKeyFields.isEmpty()
                                           || spec.lookupResultField.isEmpty()))
        throw DbError(QStringLiteral("%1: у поля подстановки \"%2\" не задан ключ или результат").arg(name_, spec.name));
    // Persistent fields come before the dynamic ones (there are none while closed).
    auto f = std::make_unique<Field>(*this, spec, true);
    if (spec.kind != FieldKind::Data)
        f->slot_ = extraCount_++;
    if (spec.kind == FieldKind::Lookup && spec.lookupDataSet)
        linkLookupSource(spec.lookupDataSet);
    Field* raw = f.get();
    fields_.push_back(std::move(f));
    ++persistentCount_;
    rebuildNameIndex();
    return *raw;
}

void DataSet::clearFields()
{
    checkInactive("clearFields");
    fields_.clear();
    persistentCount_ = 0;
    extraCount_ = 0;
    rebuildNameIndex();
}

void DataSet::rebuildNameIndex()
{
    ++fieldsVersion_;
    lookupIndexes_.clear();
    byName_.clear();
    fieldList_.clear();
    for (size_t i = 0; i < fields_.size(); ++i) {
        Field* f = fields_[i].get();
        f->index_ = int(i);
        fieldList_.push_back(f);
        byName_.insert(f->name().toLower(), f);
    }
}

Field& DataSet::field(int index) const
{
    if (index < 0 || index >= fieldCount())
        throw DbError(QStringLiteral("%1: нет поля с номером %2").arg(name_).arg(index));
    return *fieldList_[size_t(index)];
}

Field* DataSet::findField(const QString& name) const
{
    return byName_.value(name.toLower(), nullptr);
}

Field& DataSet::fieldByName(const QString& name) const
{
    if (Field* f = findField(name))
        return *f;
    throw DbError(QStringLiteral("%1: поле \"%2\" не найдено").arg(name_, name));
}

void DataSet::bindFields(const wire::ResultSet& rs)
{
    columns_ = rs.columns;
    if (persistentCount_ > 0) {
        for (auto& f : fields_) {
            if (!f->isData())
                continue;
            const int col = rs.columnIndex(f->name());
            if (col < 0)
                throw DbError(QStringLiteral("%1: поле \"%2\" не найдено в результате команды").arg(name_, f->name()));
            f->column_ = col;
            const wire::Column& c = rs.columns[col];
            f->baseTable_ = c.baseTable;
            f->baseColumn_ = c.baseColumn;
            f->identity_ = c.identity;
        }
        return;
    }
    for (int col = 0; col < rs.columns.size(); ++col) {
        const wire::Column& c = rs.columns[col];
        QString fname = c.name;
        for (int k = 1; fname.isEmpty() || findField(fname); ++k) {
            fname = (c.name.isEmpty() ? QStringLiteral("Column") : c.name) + QLatin1Char('_') + QString::number(k);
            if (!findField(fname))
                break;
        }
        FieldSpec spec = FieldSpec::data(fname, convert::fieldTypeOf(c), c.size);
        spec.readOnly = c.identity;
        auto f = std::make_unique<Field>(*this, spec, false);
        f->column_ = col;
        f->baseTable_ = c.baseTable;
        f->baseColumn_ = c.baseColumn;
        f->identity_ = c.identity;
        fields_.push_back(std::move(f));
        rebuildNameIndex();
    }
}

void DataSet::unbindFields()
{
    if (persistentCount_ < int(fields_.size()))
        fields_.resize(size_t(persistentCount_));
    for (auto& f : fields_) {
        f->column_ = -1;
        f->baseTable_.clear();
        f->baseColumn_.clear();
        f->identity_ = false;
    }
    rebuildNameIndex();
    columns_.clear();
}

void DataSet::loadRows(wire::ResultSet&& rs)
{
    records_.clear();
    records_.reserve(size_t(rs.rows.size()));
    for (wire::Row& row : rs.rows) {
        Record r;
        r.data = std::move(row);
        if (r.data.size() < rs.columns.size())
            r.data.resize(rs.columns.size());
        records_.push_back(std::move(r));
    }
    viewPosDirty_ = true;
}

// ---- value access -----------------------------------------------------------------------

const DataSet::Record* DataSet::activeRecord() const
{
    switch (state_) {
    case DataSetState::CalcFields:
        return calcTarget_;
    case DataSetState::Edit:
    case DataSetState::Insert:
        return &editBuf_;
    case DataSetState::Browse:
        return cur_ >= 0 ? &records_[size_t(view_[size_t(cur_)])] : nullptr;
    case DataSetState::Inactive:
        break;
    }
    return nullptr;
}

QVariant DataSet::valueIn(const Record& r, const Field& f) const
{
    if (f.isData())
        return f.column_ >= 0 && f.column_ < r.data.size() ? convert::normalized(f.dataType(), r.data[f.column_])
                                                           : QVariant();
    return f.slot_ >= 0 && f.slot_ < r.extra.size() ? r.extra[f.slot_] : QVariant();
}

QVariant DataSet::storedValue(int record, const Field& f)
{
    if (!f.isData())
        ensureExtras(record);
    return valueIn(records_[size_t(record)], f);
}

QVariant DataSet::fieldValue(const Field& f) const
{
    if (state_ == DataSetState::Browse && !f.isData() && cur_ >= 0)
        const_cast<DataSet*>(this)->ensureExtras(view_[size_t(cur_)]);
    const Record* r = activeRecord();
    return r ? valueIn(*r, f) : QVariant();
}

QVariant DataSet::fieldOldValue(const Field& f) const
{
    if (editing() && f.isData()) {
        if (state_ == DataSetState::Insert)
            return QVariant();
        return valueIn(records_[size_t(editRecord_)], f);
    }
    return fieldValue(f);
}

void DataSet::checkRange(const Field& f, const QVariant& v) const
{
    if (v.isNull() || !convert::isNumericType(f.dataType()) || (!f.minValue() && !f.maxValue()))
        return;
    const double lo = f.minValue().value_or(0), hi = f.maxValue().value_or(0);
    const double x = convert::toFloat(v);
    if (x < lo || x > hi)
        throw DbError(QStringLiteral("Значение %1 поля \"%2\" вне допустимого диапазона (%3..%4)")
                          .arg(convert::formatFloat(x), f.displayLabel(), convert::formatFloat(lo),
                               convert::formatFloat(hi)));
}

void DataSet::setFieldValue(Field& f, const QVariant& v)
{
    if (state_ == DataSetState::CalcFields) {
        if (f.isData())
            throw DbError(QStringLiteral("%1: поле данных \"%2\" нельзя менять при расчёте полей").arg(name_, f.name()));
        QVariant value = convert::forAssignment(f.dataType(), f.size(), f.spec().fixedChar, v, f.name());
        if (calcTarget_->extra.size() < extraCount_)
            calcTarget_->extra.resize(extraCount_);
        calcTarget_->extra[f.slot_] = value;
        return;
    }
    if (!editing())
        throw DbError(QStringLiteral("%1: набор данных не в режиме редактирования или вставки").arg(name_));
    if (f.readOnly())
        throw DbError(QStringLiteral("Поле \"%1\" нельзя изменить").arg(f.displayLabel()));
    // A NUL cuts a statement short on some servers, and no control character belongs in a
    // text the user types or pastes into any field: refused with a message, the field keeps
    // its value.
    if (v.typeId() == QMetaType::QString) {
        const QString text = v.toString();
        for (QChar c : text)
            if (c.category() == QChar::Other_Control)
                throw DbError(QStringLiteral("Поле \"%1\": текст содержит управляющий символ (код %2). "
                                             "Допустимы только печатаемые символы.")
                                  .arg(f.displayLabel())
                                  .arg(c.unicode()));
    }

    if (f.isLookup()) {
        // A lookup field is set through its key: the key of the lookup row showing this value.
        Field& key = fieldByName(f.keyFields());
        QVariant keyValue;
        if (!v.isNull() && f.lookupDataSet() && f.lookupDataSet()->active()) {
            DataSet& src = *f.lookupDataSet();
            const Field& result = src.fieldByName(f.lookupResultField());
            const Field& srcKey = src.fieldByName(f.lookupKeyFields());
            bool found = false;
            for (size_t i = 0; i < src.records_.size() && !found; ++i) {
                if (src.records_[i].deleted)
                    continue;
                if (convert::sameValue(src.storedValue(int(i), result), v)) {
                    keyValue = src.storedValue(int(i), srcKey);
                    found = true;
                }
            }
            if (!found)
                throw DbError(QStringLiteral("Значение \"%1\" не найдено в списке поля \"%2\"")
                                  .arg(convert::toText(v), f.displayLabel()));
        }
        setFieldValue(key, keyValue);
        return;
    }

    const QVariant value = convert::forAssignment(f.dataType(), f.size(), f.spec().fixedChar, v, f.name());
    checkRange(f, value);
    if (f.isData()) {
        if (editBuf_.data.size() < columns_.size())
            editBuf_.data.resize(columns_.size());
        editBuf_.data[f.column_] = value;
        assigned_[size_t(f.index())] = true;
        modified_ = true;
        computeExtras(editBuf_, editRecord_, true);
    } else {
        if (editBuf_.extra.size() < extraCount_)
            editBuf_.extra.resize(extraCount_);
        editBuf_.extra[f.slot_] = value;
    }
    const auto onChange = f.onChange;
    if (onChange)
        onChange(f);
    notify([&](DataSetObserver* o) { o->dataSetFieldChanged(f); });
    notifyRowChanged(cur_);
}

// ---- reports ----------------------------------------------------------------------------

void DataSet::addObserver(DataSetObserver* observer)
{
    if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void DataSet::removeObserver(DataSetObserver* observer)
{
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void DataSet::notify(const std::function<void(DataSetObserver*)>& f)
{
    if (disableCount_ > 0)
        return;
    reportedActive_ = active();
    reportedState_ = state_;
    for (DataSetObserver* o : std::vector<DataSetObserver*>(observers_))
        if (std::find(observers_.begin(), observers_.end(), o) != observers_.end())
            f(o);
}

void DataSet::notifyRowChanged(int row)
{
    if (row >= 0)
        notify([&](DataSetObserver* o) { o->dataSetRowsChanged(row, row); });
}

void DataSet::disableControls()
{
    if (disableCount_++ == 0)
        for (DataSetObserver* o : std::vector<DataSetObserver*>(observers_))
            o->dataSetDisplaySuspended();
}

void DataSet::enableControls()
{
    if (disableCount_ == 0 || --disableCount_ > 0)
        return;
    for (DataSetObserver* o : std::vector<DataSetObserver*>(observers_))
        o->dataSetDisplayResumed();
    const bool activeChanged = reportedActive_ != active();
    const bool stateChanged = reportedState_ != state_;
    if (activeChanged)
        notify([&](DataSetObserver* o) { o->dataSetActiveChanged(active()); });
    if (stateChanged)
        notify([&](DataSetObserver* o) { o->dataSetStateChanged(state_); });
    notify([](DataSetObserver* o) { o->dataSetLayoutReset(); });
    notify([&](DataSetObserver* o) { o->dataSetCurrentChanged(cur_, -1); });
}

} // namespace qel::db
