#include "history/update_history.h"

#include "platform/db/field.h"
#include "platform/db/sql_literal.h"
#include "platform/db/value_convert.h"
#include "platform/os/system_info.h"

namespace qel {

TADOUpdateHistoryExec* UpdateHistory = nullptr;

namespace {

bool isDateType(db::FieldType t)
{
    return t == db::FieldType::DateTime || t == db::FieldType::Date || t == db::FieldType::Time;
}

bool isStringType(db::FieldType t) { return t == db::FieldType::String || t == db::FieldType::WideString; }

} // namespace

namespace {

QString changeText(const QVariant& v, db::FieldType type, const std::function<QString()>& text)
{
    if (v.isNull())
        return QStringLiteral("NULL");
    if (isDateType(type))
        return os::uiLocale().toString(v.toDateTime().date(), QLocale::ShortFormat);
    if (isStringType(type))
        return db::sqlEscape(text());
    return text();
}

} // namespace

QString ChangeValueText(const db::Field& field, bool oldValue)
{
    const QVariant v = oldValue ? field.oldValue() : field.value();
    return changeText(v, field.dataType(), [&] { return oldValue ? db::convert::toText(v) : field.asString(); });
}

QString ChangeValueText(const QVariant& value, db::FieldType type)
{
    return changeText(value, type, [&] { return db::convert::toText(value); });
}

QString RowValueText(const db::Field& field)
{
    const QString text = field.asString();
    if (text.isEmpty())
        return QStringLiteral("NULL");
    switch (field.dataType()) {
    case db::FieldType::Float:
    case db::FieldType::DateTime:
    case db::FieldType::Date:
    case db::FieldType::Time:
        return QStringLiteral("''") + text + QStringLiteral("''");
    case db::FieldType::String:
    case db::FieldType::WideString:
        return QStringLiteral("''") + db::sqlEscape(text) + QStringLiteral("''");
    default:
        return text;
    }
}

TADOUpdateHistoryExec::~TADOUpdateHistoryExec() { Detach(); }

void TADOUpdateHistoryExec::Attach(db::DataSet* dataSet, const QString& tableName, const QString& keyFieldName,
                                   bool logEdits, bool logDeletes)
{
    DataSet = dataSet;
    TableName = tableName;
    KeyFieldName = keyFieldName;
    LogEdits = logEdits;
    LogDeletes = logDeletes;
    if (!dataSet)
        return;
    saved_ = {dataSet->beforePost,   dataSet->afterPost,   dataSet->beforeDelete,
              dataSet->afterDelete, dataSet->onEditError, dataSet->onPostError};
    if (LogEdits)
        dataSet->beforePost = [this](db::DataSet& ds) { beforePost(ds); };
    dataSet->afterPost = [this](db::DataSet& ds) { afterPost(ds); };
    if (LogDeletes)
        dataSet->beforeDelete = [this](db::DataSet& ds) { beforeDelete(ds); };
    dataSet->afterDelete = [this](db::DataSet& ds) { afterDelete(ds); };
    // An edit or post error goes on to the dataset's own handler and takes its ordinary
    // course (what was described for a failed post is dropped at the next recording).
    // Recording goes on: an ordinary update conflict must not switch the audit trail off
    // for the rest of the run.
    dataSet->onEditError = [this](db::DataSet& ds, const qel::Error& e, db::DataAction& action) {
        if (saved_.onEditError)
            saved_.onEditError(ds, e, action);
    };
    dataSet->onPostError = [this](db::DataSet& ds, const qel::Error& e, db::DataAction& action) {
        if (saved_.onPostError)
            saved_.onPostError(ds, e, action);
    };
}

void TADOUpdateHistoryExec::Detach()
{
    if (!DataSet)
        return;
    DataSet->beforePost = saved_.beforePost;
    DataSet->afterPost = saved_.afterPost;
    DataSet->beforeDelete = saved_.beforeDelete;
    DataSet->afterDelete = saved_.afterDelete;
    DataSet->onEditError = saved_.onEditError;
    DataSet->onPostError = saved_.onPostError;
    saved_ = {};
    DataSet = nullptr;
}

QString TADOUpdateHistoryExec::describeChange(const db::Field& field) const
{
    return describeChange(field.name(), ChangeValueText(field, true), ChangeValueText(field, false));
}

QString TADOUpdateHistoryExec::describeChange(const QString& fieldName, const QString& oldText,
                                              const QString& newText) const
{
    if (Template.isEmpty())
        return QStringLiteral("The field \"") + fieldName + QStringLiteral("\" has been changed from \"") + oldText
             + QStringLiteral("\" on \"") + newText + QStringLiteral("\".");
    QString text = Template;
    text.replace(QStringLiteral("<?>"), fieldName);
    text.replace(QStringLiteral("<old>"), oldText);
    text.replace(QStringLiteral("<new>"), newText);
    return text;
}

QString TADOUpdateHistoryExec::describeRecord(const db::DataSet& dataSet)
{
    const auto& fields = dataSet.fields();
    QString text;
    for (size_t i = 0; i < fields.size(); ++i) {
        const db::Field& f = *fields[i];
        const bool last = i + 1 == fields.size();
        if (f.isData())
            text += f.name() + QLatin1Char('[') + RowValueText(f) + (last ? QStringLiteral("]") : QStringLiteral("], "));
        else if (last)
            text.chop(2);
    }
    return QLatin1Char('(') + text + QLatin1Char(')');
}

void TADOUpdateHistoryExec::beforePost(db::DataSet& ds)
{
    if (saved_.beforePost)
        saved_.beforePost(ds); // a refusal raises: nothing is recorded
    if (!OnFieldChanged || ds.state() != db::DataSetState::Edit || ds.fieldCount() == 0)
        return;
    Changes.clear();
    for (db::Field* f : ds.fields()) {
        if (!f->isData() || db::convert::sameValue(f->value(), f->oldValue()))
            continue;
        OnFieldChanged(describeChange(*f), ds, TableName, KeyFieldName, Changes);
    }
}

void TADOUpdateHistoryExec::execute()
{
    if (!Changes.isEmpty() && OnExecute)
        OnExecute(Changes);
}

void TADOUpdateHistoryExec::afterPost(db::DataSet& ds)
{
    execute();
    if (saved_.afterPost)
        saved_.afterPost(ds);
    Changes.clear();
}

void TADOUpdateHistoryExec::beforeDelete(db::DataSet& ds)
{
    if (ds.fieldCount() > 0) {
        Changes.clear();
        const QString description = describeRecord(ds);
        if (OnRecordDeleted)
            OnRecordDeleted(description, ds, TableName, KeyFieldName, Changes);
    }
    if (saved_.beforeDelete)
        saved_.beforeDelete(ds);
}

void TADOUpdateHistoryExec::afterDelete(db::DataSet& ds)
{
    execute();
    if (saved_.afterDelete)
        saved_.afterDelete(ds);
    Changes.clear();
}

} // namespace qel
