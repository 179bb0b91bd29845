#include "server/storage_catalog.h"

#include <sqlite3.h>

namespace qel::server {

StorageCatalog::StorageCatalog(Storage& storage) : storage_(storage)
{
    const wire::ResultSet names = storage_.query(QStringLiteral(
        "SELECT name, type FROM sqlite_master WHERE type IN ('table', 'view') AND substr(name, 1, 7) <> 'sqlite_'"));
    for (const wire::Row& r : names.rows) {
        Table t;
        t.name = r[0].toString();
        const bool isTable = r[1].toString() == QLatin1String("table");
        const wire::ResultSet info = storage_.query(QStringLiteral("PRAGMA table_info(%1)").arg(tsql::quotedName(t.name)));
        for (const wire::Row& c : info.rows) {
            const QString col = c[1].toString();
            t.columns << col;
            t.types.insert(col.toUpper(), c[2].toString().toUpper());
            byColumn_[col.toUpper()].append(t.name);
            if (isTable) {
                int notNull = 0, pk = 0, autoinc = 0;
                const char *type = nullptr, *coll = nullptr;
                const QByteArray tn = t.name.toUtf8(), cn = col.toUtf8();
                if (sqlite3_table_column_metadata(storage_.handle(), "main", tn.constData(), cn.constData(), &type,
                                                  &coll, &notNull, &pk, &autoinc)
                        == SQLITE_OK
                    && autoinc)
                    t.identity.insert(col.toUpper());
            }
        }
        tables_.insert(t.name.toUpper(), t);
    }
}

const StorageCatalog::Table* StorageCatalog::find(const QString& name) const
{
    auto it = tables_.constFind(name.toUpper());
    return it == tables_.constEnd() ? nullptr : &it.value();
}

bool StorageCatalog::hasTable(const QString& name) const { return find(name) != nullptr; }

QStringList StorageCatalog::columns(const QString& table) const
{
    const Table* t = find(table);
    return t ? t->columns : QStringList();
}

QString StorageCatalog::declaredType(const QString& table, const QString& column) const
{
    const Table* t = find(table);
    return t ? t->types.value(column.toUpper()) : QString();
}

bool StorageCatalog::isIdentity(const QString& table, const QString& column) const
{
    const Table* t = find(table);
    return t && t->identity.contains(column.toUpper());
}

QStringList StorageCatalog::tablesWithColumn(const QString& column) const { return byColumn_.value(column.toUpper()); }

QStringList StorageCatalog::queryColumns(const QString& sql) const
{
    sqlite3_stmt* st = nullptr;
    const QByteArray text = sql.toUtf8();
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(storage_.handle(), text.constData(), text.size(), &st, &tail);
    if (rc != SQLITE_OK || !st) {
        const QString message = Storage::serverMessage(QString::fromUtf8(sqlite3_errmsg(storage_.handle())));
        sqlite3_finalize(st);
        throw tsql::TranslateError{message};
    }
    if (tail && !QString::fromUtf8(tail).trimmed().isEmpty()) {
        sqlite3_finalize(st);
        throw tsql::TranslateError{QStringLiteral("Incorrect syntax near '%1'.").arg(QString::fromUtf8(tail).trimmed().left(30))};
    }
    QStringList names;
    for (int i = 0; i < sqlite3_column_count(st); ++i)
        names << QString::fromUtf8(sqlite3_column_name(st, i));
    sqlite3_finalize(st);
    return names;
}

} // namespace qel::server
