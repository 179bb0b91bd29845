#include "platform/db/table.h"

#include "platform/db/connection.h"
#include "platform/db/write_back.h"

namespace qel::db {

Table::Table(Connection* connection, QString name) : DataSet(connection, std::move(name)) {}

void Table::setTableName(const QString& table)
{
    checkInactive("setTableName");
    table_ = table;
}

wire::ResultSet Table::fetchRows()
{
    if (table_.trimmed().isEmpty())
        throw DbError(QStringLiteral("%1: не задано имя таблицы").arg(name()));
    wire::BatchResult br =
        connection()->execute(QStringLiteral("SELECT * FROM ") + quoteIdentifier(table_), {}, commandTimeout());
    for (wire::ResultSet& rs : br.resultSets)
        if (!rs.columns.isEmpty())
            return std::move(rs);
    throw DbError(QStringLiteral("%1: таблица %2 не прочитана").arg(name(), table_));
}

} // namespace qel::db
