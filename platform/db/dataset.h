// The dataset: rows read from the server through the connection, held client-side
// (static cursor), with fields, navigation, locate/filter/sort, bookmarks, editing with
// write-back to the base tables, lookup and calculated fields, and the before/after
// events of each operation. Query, StoredProc and Table (query.h, stored_proc.h,
// table.h) supply the command; everything else lives here.
#pragma once

#include "platform/db/dataset_observer.h"
#include "platform/db/driver.h"
#include "platform/db/field.h"
#include "platform/os/errors.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace qel::db {

class Connection;
class FilterExpression;

enum class DataSetState { Inactive, Browse, Edit, Insert, CalcFields };

const char* dataSetStateName(DataSetState state);

// What an edit, post or delete error handler decides: raise the error to the caller
// (Fail, the default), drop it silently (Abort: the caller gets qel::SilentAbort), or
// try the operation again (Retry).
enum class DataAction { Fail, Abort, Retry };

struct LocateOptions {
    bool caseInsensitive = false;
    bool partialKey = false;     // texts: the field starts with the value
};

// A record's identity within one opening of the dataset; survives sorting, filtering and
// edits of other rows.
struct Bookmark {
    quint64 generation = 0;
    int record = -1;
    bool isNull() const { return record < 0; }
    bool operator==(const Bookmark&) const = default;
};

// The text of the error raised when an update or delete matches no row.
extern const char* const kRowNotLocated;

class DataSet {
public:
    using Event = std::function<void(DataSet&)>;
    using ErrorEvent = std::function<void(DataSet&, const qel::Error&, DataAction&)>;

    DataSet(Connection* connection, QString name);
    virtual ~DataSet();
    DataSet(const DataSet&) = delete;
    DataSet& operator=(const DataSet&) = delete;

    const QString& name() const { return name_; }
    Connection* connection() const { return connection_; }
    void setConnection(Connection* connection);   // while closed

    // ---- opening -------------------------------------------------------------------
    // Opening sends the command over the connection (opening it first when needed) and
    // positions on the first record. Opening an open dataset does nothing; closing
    // releases the rows and drops a pending edit.
    void open();
    void close();
    void setActive(bool on) { on ? open() : close(); }
    bool active() const { return state_ != DataSetState::Inactive; }
    DataSetState state() const { return state_; }
    // A row is being edited or inserted: its values live in the edit buffer until posted.
    bool editing() const { return state_ == DataSetState::Edit || state_ == DataSetState::Insert; }
    // Reads the rows again with the same command; posts a pending change first and keeps
    // the current row (by its key when the dataset has one, otherwise by position).
    void refresh();

    // ---- fields --------------------------------------------------------------------
    // Persistent fields are declared while closed; a dataset with persistent fields has
    // exactly those (data fields must be in the result), otherwise it gets one dynamic
    // field per result column at each opening.
    Field& addField(const FieldSpec& spec);
    void clearFields();
    bool hasPersistentFields() const { return persistentCount_ > 0; }
    int fieldCount() const { return int(fields_.size()); }
    Field& field(int index) const;
    const std::vector<Field*>& fields() const { return fieldList_; }
    // Case-insensitive; fieldByName throws DbError for an unknown name.
    Field& fieldByName(const QString& name) const;
    Field* findField(const QString& name) const;

    // ---- navigation ----------------------------------------------------------------
    // Moving posts a pending change first (or cancels an unmodified one).
    void first();
    void last();
    void next();
    void prior();
    int moveBy(int distance);               // returns the distance moved
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    bool isEmpty() const;
    int recordCount() const;                // rows passing the filter; 0 when closed
    int recNo() const;                      // 1-based; 0 when empty or closed
    void setRecNo(int recNo);
    Bookmark bookmark() const;
    bool bookmarkValid(const Bookmark& bookmark) const;
    void gotoBookmark(const Bookmark& bookmark);   // DbError when not valid
    // Without moving: the bookmark of a row (0-based, current order and filter; null when
    // out of range) and the row a bookmark stands on now (-1 when not in view).
    Bookmark bookmarkAt(int row) const;
    int rowOf(const Bookmark& bookmark) const;

    // Suspends the reports to bound controls; nested calls count; the last enableControls
    // reports the whole layout and the current row once.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return disableCount_ > 0; }

    // ---- searching, filtering, sorting -------------------------------------------------
    // Finds the first row (in the current order and filter) whose field equals the value;
    // moves there and returns true, or returns false without moving.
    bool locate(const QString& fieldName, const QVariant& value, LocateOptions options = {});
    // The result field of the first row whose key field equals the value, without moving.
    QVariant lookup(const QString& keyField, const QVariant& keyValue, const QString& resultField);

    // Filter text of simple comparisons: "id_exmination=5", "p109='Ведомость'",
    // "a=1 and b<>'x'", "or", parentheses, "is null". Kept across close and open;
    // applies while filtered() is on. Names are fields or, without a field of that name,
    // columns of the result. A malformed text or unknown name raises DbError.
    void setFilter(const QString& text);
    const QString& filter() const { return filterText_; }
    void setFiltered(bool on);
    bool filtered() const { return filtered_; }

    // Client-side stable sort of the open rows: "p20", "s_fio DESC, p20". Empty restores
    // the server's order. Names as for filters. DbError while closed or for an unknown
    // name. Cleared at close.
    void setSort(const QString& text);
    const QString& sort() const { return sortText_; }

    // ---- editing -------------------------------------------------------------------
    void edit();           // on an empty dataset: insert()
    void insert();         // a new row before the current one
    void append();         // a new row at the end
    void post();           // writes the changed data fields (nothing to write: no statement)
    void cancel();
    void deleteRecord();   // in insert state: cancel()
    // Post when modified, cancel otherwise; nothing outside editing.
    void checkBrowseMode();
    // Asks bound controls to write values typed but not yet written (post and
    // checkBrowseMode do this first).
    void updateRecord();
    bool modified() const { return modified_; }
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool on) { readOnly_ = on; }
    bool canModify() const { return !readOnly_; }

    // Where posted rows go when the server gives no base table for a column, and the key
    // of each table written. The first declared table is the fallback; a table without a
    // declared key uses its identity column.
    void addUpdateTable(const QString& table, const QString& keyColumn, const QString& keyField = {});
    void clearUpdateTables() { updateTables_.clear(); }

    // Batch updates: posts and deletes are kept client-side until updateBatch() sends
    // them (cancelBatch() drops them).
    void setBatchUpdates(bool on) { batch_ = on; }
    bool batchUpdates() const { return batch_; }
    void updateBatch();
    void cancelBatch();
    int pendingUpdates() const { return int(pending_.size()); }

    // ---- options -------------------------------------------------------------------
    // How long the dataset's commands (opening, posting, executing) may run, in seconds;
    // the driver stops a command that runs longer (0: no limit).
    void setCommandTimeout(int seconds) { commandTimeout_ = seconds; }
    int commandTimeout() const { return commandTimeout_; }
    void setPrepared(bool on) { prepared_ = on; }
    bool prepared() const { return prepared_; }

    // ---- rows for views (no move, no events) ------------------------------------------
    int currentRow() const { return cur_; }                  // 0-based, -1 when none
    // Values of any row in the current order; lookup and calculated values are computed
    // on first use and kept until something they depend on changes. A calculate handler
    // that fails here leaves the row's remaining calculated fields empty (the error is
    // raised when the row becomes current).
    QVariant rowValue(int row, const Field& field);
    QString rowText(int row, const Field& field);
    // Forget computed lookup and calculated values (after their inputs changed outside
    // the dataset) and report all rows changed.
    void invalidateCalculations();

    void addObserver(DataSetObserver* observer);
    void removeObserver(DataSetObserver* observer);

    // ---- events (copyable std::function members) ---------------------------------------
    Event beforeOpen, afterOpen, beforeClose, afterClose;
    Event beforeInsert, afterInsert, beforeEdit, afterEdit;
    Event beforePost, afterPost, beforeCancel, afterCancel;
    Event beforeDelete, afterDelete, beforeScroll, afterScroll;
    Event beforeRefresh, afterRefresh;
    Event onNewRecord;       // a new row was created; values set here do not mark it modified
    Event onCalcFields;      // set the calculated fields of the active record
    ErrorEvent onEditError, onPostError, onDeleteError;

protected:
    // The rows of the dataset's command (kinds override).
    virtual wire::ResultSet fetchRows() = 0;
    // Statement text for error messages and the like.
    virtual QString commandDescription() const = 0;
    // The table a Table dataset writes to by default.
    virtual QString defaultUpdateTable() const { return {}; }
    void checkInactive(const char* what) const;
    void checkActive() const;

private:
    friend class Field;
    friend class Connection;
    friend class Query;
    friend class StoredProc;

    struct Record {
        wire::Row data;            // one value per result column
        QList<QVariant> extra;     // lookup and calculated values, by slot
        quint64 epoch = 0;         // extra is valid while equal to the dataset's epoch
        bool deleted = false;
    };
    struct UpdateTable {
        QString table;
        QString keyColumn;
        QString keyField;
    };
    enum class PendingKind { Update, Insert, Delete };
    struct Pending {
        PendingKind kind;
        wire::Row original;
        std::vector<bool> assigned;
    };
    struct KeyInfo {
        QString column;
        const Field* field = nullptr;
    };

    // opening
    void bindFields(const wire::ResultSet& rs);
    void unbindFields();
    void loadRows(wire::ResultSet&& rs);
    void releaseRows();
    void rebuildNameIndex();
    // order and filter
    void rebuildOrder();
    void rebuildView();
    void refilter();
    int viewPosOf(int record) const;
    int resolveColumn(const QString& name) const;   // field index, or -1 - column index
    QVariant columnValue(int record, int ref);
    // active record
    const Record* activeRecord() const;
    QVariant storedValue(int record, const Field& f);
    QVariant valueIn(const Record& r, const Field& f) const;
    // lookups and calculated fields
    void computeExtras(Record& r, int record, bool raise);
    void ensureExtras(int record);
    void computeCurrent();
    void bumpEpoch() { ++epoch_; }
    QVariant lookupValue(const Field& f, const Record& r);
    int lookupRecord(const Field& keyField, const QVariant& key);
    bool resolveLookup(const Field& f);
    void linkLookupSource(DataSet* source);
    void lookupSourceChanged();
    void dataChanged();
    // field access
    QVariant fieldValue(const Field& f) const;
    QVariant fieldOldValue(const Field& f) const;
    void setFieldValue(Field& f, const QVariant& v);
    void checkRange(const Field& f, const QVariant& v) const;
    // moving
    void moveTo(int pos);
    void insertRow(bool append);
    // editing
    void internalEdit();
    void writeRecord();
    void writeDelete(int record, const wire::Row& row);
    void writeChanges(const wire::Row& oldRow, wire::Row& newRow, const std::vector<bool>& assigned, bool inserting);
    void removeRecord(int record);
    QString fallbackTable() const;
    KeyInfo keyFor(const QString& table) const;
    const Field* refreshKeyField() const;
    void withErrorHandler(ErrorEvent DataSet::*handler, const std::function<void()>& op);
    void fire(Event DataSet::*event);
    // reports
    void notify(const std::function<void(DataSetObserver*)>& f);
    void notifyRowChanged(int row);

    QString name_;
    Connection* connection_;
    DataSetState state_ = DataSetState::Inactive;
    std::vector<std::unique_ptr<Field>> fields_;
    std::vector<Field*> fieldList_;
    QHash<QString, Field*> byName_;     // lower-case name → field
    int persistentCount_ = 0;
    int extraCount_ = 0;
    QList<wire::Column> columns_;

    std::vector<Record> records_;
    std::vector<int> order_;            // record indices in sort order
    std::vector<int> view_;             // order_ filtered
    mutable std::vector<int> viewPos_;  // record index → view position (-1 outside the view)
    mutable bool viewPosDirty_ = true;
    int cur_ = -1;
    bool eof_ = true;
    bool bof_ = true;
    quint64 generation_ = 0;
    quint64 epoch_ = 1;
    quint64 dataVersion_ = 1;

    Record editBuf_;
    std::vector<bool> assigned_;
    int editRecord_ = -1;               // record being edited or inserted
    bool modified_ = false;
    Record* calcTarget_ = nullptr;
    int calcRecord_ = -1;

    QString filterText_;
    bool filtered_ = false;
    std::shared_ptr<const FilterExpression> filterExpr_;
    QString sortText_;

    bool readOnly_ = false;
    bool batch_ = false;
    std::vector<UpdateTable> updateTables_;
    std::map<int, Pending> pending_;
    int commandTimeout_ = kDefaultCommandTimeout;
    bool prepared_ = false;

    int disableCount_ = 0;
    bool reportedActive_ = false;
    DataSetState reportedState_ = DataSetState::Inactive;
    std::vector<DataSetObserver*> observers_;

    // First record of each key value of one field, rebuilt when the rows change.
    struct LookupIndex {
        quint64 version = 0;
        QHash<qint64, int> numbers;   // integral keys (also texts holding an integer)
        QHash<QString, int> others;   // other keys, in a tagged text form
    };
    std::vector<LookupIndex> lookupIndexes_;   // by field index
    quint64 fieldsVersion_ = 1;                // changes whenever the field list does
    std::vector<DataSet*> lookupSources_;     // datasets this one looks values up in
    std::vector<DataSet*> lookupDependents_;  // datasets that look values up in this one
};

} // namespace qel::db
