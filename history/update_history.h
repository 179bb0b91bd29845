// TADOUpdateHistoryExec: the change history recorder. It hooks one dataset at a time:
// before a post it describes every data field whose value changed, before a delete it
// describes the whole record, and after the post or delete has succeeded it hands the
// collected statements to its owner. It knows nothing of SQL or of the log table.
#pragma once

#include "platform/db/dataset.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace qel {

// The value texts put into descriptions. Both are safe inside a single-quoted literal.
QString RowValueText(const db::Field& field);                   // a deleted record's values
QString ChangeValueText(const db::Field& field, bool oldValue); // "<old>" and "<new>"
// The same for a value of a field of that type that is not in a dataset (a row changed by
// a statement of its own).
QString ChangeValueText(const QVariant& value, db::FieldType type);

class TADOUpdateHistoryExec {
public:
    using FieldEvent = std::function<void(const QString& description, db::DataSet& dataSet, const QString& tableName,
                                          const QString& keyFieldName, QStringList& changes)>;
    using ExecuteEvent = std::function<void(QStringList& changes)>;

    TADOUpdateHistoryExec() = default;
    ~TADOUpdateHistoryExec();
    TADOUpdateHistoryExec(const TADOUpdateHistoryExec&) = delete;
    TADOUpdateHistoryExec& operator=(const TADOUpdateHistoryExec&) = delete;

    // Hooks the dataset. A caller that re-attaches detaches first: attaching to a hooked
    // dataset would save the recorder's own handlers as the dataset's.
    void Attach(db::DataSet* dataSet, const QString& tableName, const QString& keyFieldName, bool logEdits,
                bool logDeletes);
    // Gives the dataset its own six handlers back.
    void Detach();

    db::DataSet* DataSet = nullptr;
    QString TableName;
    QString KeyFieldName;
    QStringList Changes;
    QString Template;        // "<?>" field name, "<old>", "<new>"; empty: a fixed English text
    bool LogEdits = true;
    bool LogDeletes = false;

    FieldEvent OnFieldChanged;
    ExecuteEvent OnExecute;
    FieldEvent OnRecordDeleted;

    // The description of one changed field (the template filled in).
    QString describeChange(const db::Field& field) const;
    // The same from the field's name and its two value texts.
    QString describeChange(const QString& fieldName, const QString& oldText, const QString& newText) const;
    // The description of the active record: "(name[value], ...)" over its data fields.
    static QString describeRecord(const db::DataSet& dataSet);

private:
    void beforePost(db::DataSet& ds);
    void afterPost(db::DataSet& ds);
    void beforeDelete(db::DataSet& ds);
    void afterDelete(db::DataSet& ds);
    void execute();

    struct Saved {
        db::DataSet::Event beforePost, afterPost, beforeDelete, afterDelete;
        db::DataSet::ErrorEvent onEditError, onPostError;
    } saved_;
};

// The recorder of the whole run, created by the main window.
extern TADOUpdateHistoryExec* UpdateHistory;

} // namespace qel
