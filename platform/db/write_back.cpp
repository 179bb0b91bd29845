#include "platform/db/write_back.h"

#include <QStringList>

namespace qel::db {

QString quoteIdentifier(const QString& name)
{
    QStringList parts;
    int i = 0;
    const int n = name.size();
    QString part;
    while (i < n) {
        const QChar c = name.at(i);
        if (c == QLatin1Char('[')) {
            const int close = name.indexOf(QLatin1Char(']'), i + 1);
            const int end = close < 0 ? n : close;
            part += name.mid(i + 1, end - i - 1);
            i = end + 1;
        } else if (c == QLatin1Char('.')) {
            parts << part;
            part.clear();
            ++i;
        } else {
            part += c;
            ++i;
        }
    }
    parts << part;
    QString out;
    for (int k = 0; k < parts.size(); ++k) {
        if (k)
            out += QLatin1Char('.');
        QString p = parts[k].trimmed();
        p.replace(QLatin1String("]"), QLatin1String("]]"));
        out += QLatin1Char('[') + p + QLatin1Char(']');
    }
    return out;
}

QString updateStatement(const QString& table, const QList<ColumnChange>& changes, const QString& keyColumn,
                        const QVariant& keyValue, QList<QVariant>* params)
{
    QString sql = QStringLiteral("UPDATE ") + quoteIdentifier(table) + QStringLiteral(" SET ");
    for (int i = 0; i < changes.size(); ++i) {
        if (i)
            sql += QStringLiteral(", ");
        sql += quoteIdentifier(changes[i].column) + QStringLiteral(" = ?");
        params->append(changes[i].newValue);
    }
    sql += QStringLiteral(" WHERE ") + quoteIdentifier(keyColumn) + QStringLiteral(" = ?");
    params->append(keyValue);
    for (const ColumnChange& c : changes) {
        if (c.column.compare(keyColumn, Qt::CaseInsensitive) == 0)
            continue;
        if (c.oldValue.isNull()) {
            sql += QStringLiteral(" AND ") + quoteIdentifier(c.column) + QStringLiteral(" IS NULL");
        } else {
            sql += QStringLiteral(" AND ") + quoteIdentifier(c.column) + QStringLiteral(" = ?");
            params->append(c.oldValue);
        }
    }
    return sql;
}

QString insertStatement(const QString& table, const QList<ColumnChange>& values, bool readIdentity,
                        QList<QVariant>* params)
{
    QString sql = QStringLiteral("INSERT INTO ") + quoteIdentifier(table);
    if (values.isEmpty()) {
        sql += QStringLiteral(" DEFAULT VALUES");
    } else {
        QString cols, marks;
        for (int i = 0; i < values.size(); ++i) {
            if (i) {
                cols += QStringLiteral(", ");
                marks += QStringLiteral(", ");
            }
            cols += quoteIdentifier(values[i].column);
            marks += QLatin1Char('?');
            params->append(values[i].newValue);
        }
        sql += QStringLiteral(" (") + cols + QStringLiteral(") VALUES (") + marks + QLatin1Char(')');
    }
    if (readIdentity)
        sql += QStringLiteral("; SELECT SCOPE_IDENTITY() AS [identity]");
    return sql;
}

QString deleteStatement(const QString& table, const QString& keyColumn, const QVariant& keyValue,
                        QList<QVariant>* params)
{
    params->append(keyValue);
    return QStringLiteral("DELETE FROM ") + quoteIdentifier(table) + QStringLiteral(" WHERE ")
        + quoteIdentifier(keyColumn) + QStringLiteral(" = ?");
}

} // namespace qel::db
