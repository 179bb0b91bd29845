// Editing a dataset: edit, insert, post, cancel, delete with their events and error
// handlers, and the write-back of posted rows to their base tables.
#include "platform/db/dataset.h"

#include "platform/db/connection.h"
#include "platform/db/value_convert.h"
#include "platform/db/write_back.h"

#include <algorithm>

namespace qel::db {

void DataSet::updateRecord()
{
    if (!editing())
        return;
    for (DataSetObserver* o : std::vector<DataSetObserver*>(observers_))
        if (std::find(observers_.begin(), observers_.end(), o) != observers_.end())
            o->dataSetUpdateRecord();
}

void DataSet::checkBrowseMode()
{
    if (!editing())
        return;
    updateRecord();
    if (!editing())
        return;
    if (modified_)
        post();
    else
        cancel();
}

// ---- edit -------------------------------------------------------------------------------

void DataSet::edit()
{
    checkActive();
    if (editing())
        return;
    if (view_.empty()) {
        insert();
        return;
    }
    fire(&DataSet::beforeEdit);
    if (state_ != DataSetState::Browse || cur_ < 0)
        return;
    withErrorHandler(&DataSet::onEditError, [this] { internalEdit(); });
    notify([&](DataSetObserver* o) { o->dataSetStateChanged(state_); });
    fire(&DataSet::afterEdit);
}

void DataSet::internalEdit()
{
    if (!canModify())
        throw DbError(QStringLiteral("%1: набор данных только для чтения").arg(name_));
    const int rec = view_[size_t(cur_)];
    ensureExtras(rec);
    editBuf_ = records_[size_t(rec)];
    assigned_.assign(fields_.size(), false);
    editRecord_ = rec;
    modified_ = false;
    state_ = DataSetState::Edit;
}

// ---- insert -----------------------------------------------------------------------------

void DataSet::insert() { insertRow(false); }
void DataSet::append() { insertRow(true); }

void DataSet::insertRow(bool append)
{
    checkActive();
    checkBrowseMode();
    if (!canModify())
        throw DbError(QStringLiteral("%1: набор данных только для чтения").arg(name_));
    fire(&DataSet::beforeInsert);
    fire(&DataSet::beforeScroll);

    const int previous = cur_;
    Record fresh;
    fresh.data.resize(columns_.size());
    records_.push_back(fresh);
    const int rec = int(records_.size()) - 1;
    int pos = append || view_.empty() || cur_ < 0 ? int(view_.size()) : cur_;
    if (pos < int(view_.size())) {
        const int before = view_[size_t(pos)];
        order_.insert(std::find(order_.begin(), order_.end(), before), rec);
    } else {
        order_.push_back(rec);
    }
    view_.insert(view_.begin() + pos, rec);
    viewPosDirty_ = true;
    cur_ = pos;
    bof_ = eof_ = false;
    editBuf_ = records_.back();
    assigned_.assign(fields_.size(), false);
    editRecord_ = rec;
    modified_ = false;
    state_ = DataSetState::Insert;
    bumpEpoch();
    try {
        fire(&DataSet::onNewRecord);
        computeExtras(editBuf_, rec, true);
    } catch (...) {
        state_ = DataSetState::Browse;
        editRecord_ = -1;
        removeRecord(rec);
        cur_ = view_.empty() ? -1 : std::clamp(previous, 0, int(view_.size()) - 1);
        throw;
    }
    modified_ = false;
    notify([&](DataSetObserver* o) { o->dataSetRowsInserted(pos, 1); });
    notify([&](DataSetObserver* o) { o->dataSetStateChanged(state_); });
    notify([&](DataSetObserver* o) { o->dataSetCurrentChanged(cur_, previous); });
    fire(&DataSet::afterInsert);
    fire(&DataSet::afterScroll);
}

void DataSet::removeRecord(int rec)
{
    records_[size_t(rec)].deleted = true;
    order_.erase(std::remove(order_.begin(), order_.end(), rec), order_.end());
    view_.erase(std::remove(view_.begin(), view_.end(), rec), view_.end());
    viewPosDirty_ = true;
    bumpEpoch();
}

// ---- post -------------------------------------------------------------------------------

void DataSet::post()
{
    checkActive();
    if (!editing())
        return;
    updateRecord();
    if (!editing())
        return;
    fire(&DataSet::beforePost);
    if (!editing())
        return;
    withErrorHandler(&DataSet::onPostError, [this] {
        if (!editing())
            return;   // a handler cancelled before retrying
        writeRecord();
    });
    if (!editing())
        return;
    Record& r = records_[size_t(editRecord_)];
    r.data = editBuf_.data;
    r.extra = editBuf_.extra;
    r.epoch = editBuf_.epoch;
    editBuf_ = Record();
    editRecord_ = -1;
    modified_ = false;
    state_ = DataSetState::Browse;
    dataChanged();
    notify([&](DataSetObserver* o) { o->dataSetStateChanged(state_); });
    notifyRowChanged(cur_);
    fire(&DataSet::afterPost);
}

void DataSet::writeRecord()
{
    const bool inserting = state_ == DataSetState::Insert;
    if (batch_) {
        auto it = pending_.find(editRecord_);
        if (it == pending_.end()) {
            Pending p{inserting ? PendingKind::Insert : PendingKind::Update, records_[size_t(editRecord_)].data,
                      assigned_};
            pending_.emplace(editRecord_, std::move(p));
        } else {
            for (size_t i = 0; i < assigned_.size() && i < it->second.assigned.size(); ++i)
                it->second.assigned[i] = it->second.assigned[i] || assigned_[i];
        }
        return;
    }
    writeChanges(records_[size_t(editRecord_)].data, editBuf_.data, assigned_, inserting);
}

QString DataSet::fallbackTable() const
{
    if (!updateTables_.empty())
        return updateTables_.front().table;
    return defaultUpdateTable();
}

DataSet::KeyInfo DataSet::keyFor(const QString& table) const
{
    for (const UpdateTable& t : updateTables_)
        if (t.table.compare(table, Qt::CaseInsensitive) == 0) {
            const Field* f = findField(t.keyField.isEmpty() ? t.keyColumn : t.keyField);
            if (f && f->isData() && f->column_ >= 0)
                return {t.keyColumn, f};
        }
    for (const Field* f : fieldList_)
        if (f->isData() && f->column_ >= 0 && (f->isIdentity() || f->dataType() == FieldType::AutoInc)) {
            const QString base = f->baseTable().isEmpty() ? fallbackTable() : f->baseTable();
            if (base.compare(table, Qt::CaseInsensitive) == 0)
                return {f->baseColumn().isEmpty() ? f->name() : f->baseColumn(), f};
        }
    throw DbError(QStringLiteral("%1: не известен ключ для записи в таблицу %2").arg(name_, table));
}

const Field* DataSet::refreshKeyField() const
{
    for (const UpdateTable& t : updateTables_) {
        const Field* f = findField(t.keyField.isEmpty() ? t.keyColumn : t.keyField);
        if (f && f->isData())
            return f;
    }
    for (const Field* f : fieldList_)
        if (f->isData() && (f->isIdentity() || f->dataType() == FieldType::AutoInc))
            return f;
    return nullptr;
}

void DataSet::addUpdateTable(const QString& table, const QString& keyColumn, const QString& keyField)
{
    updateTables_.push_back({table, keyColumn, keyField});
}

void DataSet::writeChanges(const wire::Row& oldRow, wire::Row& newRow, const std::vector<bool>& assigned,
                           bool inserting)
{
    struct Target {
        QString table;
        QList<ColumnChange> changes;
    };
    std::vector<Target> targets;
    const Field* identity = nullptr;
    for (const Field* f : fieldList_) {
        if (!f->isData() || f->column_ < 0)
            continue;
        if (f->isIdentity() || f->dataType() == FieldType::AutoInc) {
            identity = f;
            continue;   // assigned by the server
        }
        const QVariant newValue = convert::normalized(f->dataType(), newRow.value(f->column_));
        const QVariant oldValue = convert::normalized(f->dataType(), oldRow.value(f->column_));
        if (inserting ? !assigned[size_t(f->index())] : convert::sameValue(oldValue, newValue))
            continue;
        const QString table = f->baseTable().isEmpty() ? fallbackTable() : f->baseTable();
        if (table.isEmpty())
            throw DbError(QStringLiteral("%1: не известна таблица, в которую записывать поле \"%2\"")
                              .arg(name_, f->name()));
        const QString column = f->baseColumn().isEmpty() ? f->name() : f->baseColumn();
        auto it = std::find_if(targets.begin(), targets.end(), [&](const Target& t) {
            return t.table.compare(table, Qt::CaseInsensitive) == 0;
        });
        if (it == targets.end()) {
            targets.push_back({table, {}});
            it = targets.end() - 1;
        }
        it->changes.append({column, newValue, oldValue});
    }

    if (inserting) {
        if (targets.size() > 1)
            throw DbError(QStringLiteral("%1: новая строка относится к нескольким таблицам").arg(name_));
        const QString table = targets.empty() ? fallbackTable() : targets.front().table;
        if (table.isEmpty())
            throw DbError(QStringLiteral("%1: не известна таблица для новой строки").arg(name_));
        QList<QVariant> params;
        const QString sql =
            insertStatement(table, targets.empty() ? QList<ColumnChange>() : targets.front().changes, identity != nullptr,
                            &params);
        const wire::BatchResult br = connection_->execute(sql, params, commandTimeout_);
        if (identity) {
            for (const wire::ResultSet& rs : br.resultSets)
                if (!rs.rows.isEmpty() && !rs.rows.front().isEmpty()) {
                    newRow[identity->column_] = convert::normalized(identity->dataType(), rs.rows.front().front());
                    break;
                }
        }
        return;
    }

    // A row of several tables is written all or nothing.
    const bool several = targets.size() > 1;
    if (several)
        connection_->execute(QStringLiteral("BEGIN TRANSACTION"), {}, commandTimeout_);
    try {
        for (const Target& t : targets) {
            const KeyInfo key = keyFor(t.table);
            const QVariant keyValue = convert::normalized(key.field->dataType(), oldRow.value(key.field->column_));
            if (keyValue.isNull())
                throw DbError(QStringLiteral("%1: у строки нет значения ключа %2").arg(name_, key.column));
            QList<QVariant> params;
            const QString sql = updateStatement(t.table, t.changes, key.column, keyValue, &params);
            const wire::BatchResult br = connection_->execute(sql, params, commandTimeout_);
            if (br.rowsAffected == 0)
                throw DbError(QString::fromLatin1(kRowNotLocated));
        }
    } catch (...) {
        if (several) {
            try {
                connection_->execute(QStringLiteral("ROLLBACK TRANSACTION"), {}, commandTimeout_);
            } catch (const DbError&) {
                // The first error is the one to report.
            }
        }
        throw;
    }
    if (several)
        connection_->execute(QStringLiteral("COMMIT TRANSACTION"), {}, commandTimeout_);
}

// ---- cancel -----------------------------------------------------------------------------

void DataSet::cancel()
{
    if (!editing())
        return;
    fire(&DataSet::beforeCancel);
    if (!editing())
        return;
    const int previous = cur_;
    const bool wasInsert = state_ == DataSetState::Insert;
    const int rec = editRecord_;
    state_ = DataSetState::Browse;
    editRecord_ = -1;
    modified_ = false;
    editBuf_ = Record();
    if (wasInsert) {
        const int pos = viewPosOf(rec);
        removeRecord(rec);
        cur_ = view_.empty() ? -1 : std::clamp(previous, 0, int(view_.size()) - 1);
        if (pos >= 0)
            notify([&](DataSetObserver* o) { o->dataSetRowsRemoved(pos, 1); });
        notify([&](DataSetObserver* o) { o->dataSetStateChanged(state_); });
        notify([&](DataSetObserver* o) { o->dataSetCurrentChanged(cur_, previous); });
    } else {
        notify([&](DataSetObserver* o) { o->dataSetStateChanged(state_); });
        notifyRowChanged(cur_);
    }
    // Values shown while editing are dropped; the stored row is calculated again.
    if (cur_ >= 0)
        computeExtras(records_[size_t(view_[size_t(cur_)])], view_[size_t(cur_)], false);
    fire(&DataSet::afterCancel);
}

// ---- delete -----------------------------------------------------------------------------

void DataSet::deleteRecord()
{
    checkActive();
    if (state_ == DataSetState::Insert) {
        cancel();
        return;
    }
    if (view_.empty())
        throw DbError(QStringLiteral("%1: нет записей для удаления").arg(name_));
    if (!canModify())
        throw DbError(QStringLiteral("%1: набор данных только для чтения").arg(name_));
    fire(&DataSet::beforeDelete);
    fire(&DataSet::beforeScroll);
    if (!active() || view_.empty())
        return;
    const int rec = state_ == DataSetState::Edit ? editRecord_ : view_[size_t(cur_)];
    withErrorHandler(&DataSet::onDeleteError, [&] { writeDelete(rec, records_[size_t(rec)].data); });
    if (records_[size_t(rec)].deleted)
        return;   // an error handler already removed it
    const int previous = cur_;
    const int pos = viewPosOf(rec);
    const bool wasEditing = state_ == DataSetState::Edit;
    if (wasEditing) {
        state_ = DataSetState::Browse;
        editRecord_ = -1;
        modified_ = false;
        editBuf_ = Record();
    }
    removeRecord(rec);
    if (view_.empty())
        cur_ = -1;
    else
        cur_ = std::min(pos >= 0 ? pos : previous, int(view_.size()) - 1);
    eof_ = view_.empty();
    bof_ = view_.empty();
    dataChanged();
    if (pos >= 0)
        notify([&](DataSetObserver* o) { o->dataSetRowsRemoved(pos, 1); });
    if (wasEditing)
        notify([&](DataSetObserver* o) { o->dataSetStateChanged(state_); });
    notify([&](DataSetObserver* o) { o->dataSetCurrentChanged(cur_, previous); });
    computeCurrent();
    fire(&DataSet::afterDelete);
    fire(&DataSet::afterScroll);
}

void DataSet::writeDelete(int rec, const wire::Row& row)
{
    if (batch_) {
        auto it = pending_.find(rec);
        if (it != pending_.end() && it->second.kind == PendingKind::Insert) {
            pending_.erase(it);
            return;
        }
        if (it != pending_.end()) {
            it->second.kind = PendingKind::Delete;
            return;
        }
        pending_.emplace(rec, Pending{PendingKind::Delete, row, {}});
        return;
    }
    QString table = fallbackTable();
    if (table.isEmpty())
        if (const Field* k = refreshKeyField())
            table = k->baseTable();
    if (table.isEmpty())
        throw DbError(QStringLiteral("%1: не известна таблица, из которой удалять строку").arg(name_));
    const KeyInfo key = keyFor(table);
    const QVariant keyValue = convert::normalized(key.field->dataType(), row.value(key.field->column_));
    if (keyValue.isNull())
        throw DbError(QStringLiteral("%1: у строки нет значения ключа %2").arg(name_, key.column));
    QList<QVariant> params;
    const QString sql = deleteStatement(table, key.column, keyValue, &params);
    const wire::BatchResult br = connection_->execute(sql, params, commandTimeout_);
    if (br.rowsAffected == 0)
        throw DbError(QString::fromLatin1(kRowNotLocated));
}

// ---- batch updates ----------------------------------------------------------------------

void DataSet::updateBatch()
{
    checkActive();
    checkBrowseMode();
    while (!pending_.empty()) {
        auto it = pending_.begin();
        const int rec = it->first;
        Pending& p = it->second;
        switch (p.kind) {
        case PendingKind::Update:
            writeChanges(p.original, records_[size_t(rec)].data, std::vector<bool>(fields_.size(), true), false);
            break;
        case PendingKind::Insert:
            writeChanges(p.original, records_[size_t(rec)].data, p.assigned, true);
            break;
        case PendingKind::Delete: {
            const bool saved = batch_;
            batch_ = false;
            try {
                writeDelete(rec, p.original);
            } catch (...) {
                batch_ = saved;
                throw;
            }
            batch_ = saved;
            break;
        }
        }
        pending_.erase(it);
    }
}

void DataSet::cancelBatch()
{
    checkActive();
    if (editing())
        cancel();
    if (pending_.empty())
        return;
    for (auto& [rec, p] : pending_) {
        Record& r = records_[size_t(rec)];
        switch (p.kind) {
        case PendingKind::Update:
            r.data = p.original;
            break;
        case PendingKind::Insert:
            r.deleted = true;
            break;
        case PendingKind::Delete:
            r.data = p.original;
            r.deleted = false;
            break;
        }
    }
    pending_.clear();
    const int currentRecord = cur_ >= 0 ? view_[size_t(cur_)] : -1;
    rebuildOrder();
    rebuildView();
    bumpEpoch();
    const int pos = viewPosOf(currentRecord);
    cur_ = pos >= 0 ? pos : (view_.empty() ? -1 : 0);
    dataChanged();
    notify([](DataSetObserver* o) { o->dataSetLayoutReset(); });
    notify([&](DataSetObserver* o) { o->dataSetCurrentChanged(cur_, -1); });
}

} // namespace qel::db
