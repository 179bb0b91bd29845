#include "platform/db/query.h"

#include "platform/db/connection.h"
#include "platform/db/sql_parameters.h"

namespace qel::db {

Query::Query(Connection* connection, QString name) : DataSet(connection, std::move(name)) {}

void Query::setSql(const QString& text)
{
    if (active())
        close();
    sql_ = text;
    params_.reshape(sqlParameterNames(text));
}

void Query::reopen(const QString& text)
{
    setSql(text);
    open();
}

void Query::setSqlLines(const QStringList& lines)
{
    setSql(lines.join(QLatin1Char('\n')));
}

QString Query::boundText(QList<QVariant>* values) const
{
    const ParsedSql parsed = parseSqlParameters(sql_);
    auto& params = const_cast<Parameters&>(params_);
    for (const QString& name : parsed.names)
        values->append(params.byName(name).boundValue());
    return parsed.names.isEmpty() ? sql_ : parsed.text;
}

wire::ResultSet Query::fetchRows()
{
    if (sql_.trimmed().isEmpty())
        throw DbError(QStringLiteral("%1: не задан текст команды").arg(name()));
    QList<QVariant> values;
    const QString text = boundText(&values);
    wire::BatchResult br = connection()->execute(text, values, commandTimeout());
    for (wire::ResultSet& rs : br.resultSets)
        if (!rs.columns.isEmpty())
            return std::move(rs);
    throw DbError(QStringLiteral("%1: команда не возвращает набор строк").arg(name()));
}

qint64 Query::execSql()
{
    if (!connection())
        throw DbError(QStringLiteral("%1: не задано соединение").arg(name()));
    if (sql_.trimmed().isEmpty())
        throw DbError(QStringLiteral("%1: не задан текст команды").arg(name()));
    QList<QVariant> values;
    const QString text = boundText(&values);
    return connection()->execute(text, values, commandTimeout()).rowsAffected;
}

} // namespace qel::db
