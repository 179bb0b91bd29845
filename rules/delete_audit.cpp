#include "rules/delete_audit.h"

#include "platform/db/dataset.h"
#include "platform/db/sql_literal.h"
#include "rules/sheet_window.h"

namespace qel::rules {

namespace {

QString keyText(const db::DataSet& dataSet, const QString& keyField)
{
    return idText(dataSet.fieldByName(keyField).value());
}

} // namespace

QString deletedRecordDescription(const db::DataSet& dataSet, const QString& keyField)
{
    QStringList items;
    for (const db::Field* f : dataSet.fields()) {
        if (!f->isData() || f->name() == keyField)
            continue;
        const QString text = f->asString();
        items << f->name() + QLatin1Char('[') + (text.isEmpty() ? QStringLiteral("NULL") : db::sqlEscape(text))
                     + QLatin1Char(']');
    }
    return QStringLiteral("Запись с уникальным номером - ''") + keyText(dataSet, keyField) + QStringLiteral("''")
         + QStringLiteral(" была удалена - (") + items.join(QStringLiteral(", ")) + QStringLiteral(").");
}

QString deleteAuditStatement(const db::DataSet& dataSet, const QString& keyField, const QString& login)
{
    return QStringLiteral("INSERT INTO QEL_LOG([table], [row_id], [descr], [QEL_User]) VALUES('mark_mag',")
         + keyText(dataSet, keyField) + QStringLiteral(",'") + deletedRecordDescription(dataSet, keyField)
         + QStringLiteral("',") + db::sqlLiteral(login) + QStringLiteral(")");
}

} // namespace qel::rules
