// The rights of the working logins, like a SQL Server role: per table and column, what the
// client's own statements read and write and nothing else; and the row rules the client
// only asks for politely — marks change only on statement forms the user holds, audit rows
// are written only in the session's own name. docs/server.md shows the same table.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace qel::server {

enum class Permission : unsigned char { Select, Insert, Update, Delete };

// The rights of a working login on one table (or view).
struct TableRights {
    QString table;
    bool select = true;
    QStringList unreadable;    // columns whose reading is refused with the permission error
    QStringList masked;        // columns that read as NULL (the client's list still opens)
    bool insert = false;
    QStringList updatable;     // columns an UPDATE may set
    bool del = false;
    QString rowRule;           // the row rule on top of the table's rights, for the documentation
};

// The tables with rights of their own; every other table and view of the client is
// read-only, the server's own sys_* tables are invisible.
const QList<TableRights>& rightsTable();
// The rights on a table: its entry, or the read-only rights of every other table.
TableRights rightsOn(const QString& table);

enum class ReadVerdict : unsigned char { Allow, Mask, Deny };
ReadVerdict readVerdict(const QString& table, const QString& column);
bool mayInsert(const QString& table);
bool mayUpdate(const QString& table, const QString& column);
bool mayDelete(const QString& table);

// SQL Server's words: "The UPDATE permission was denied on the column 'isBlocked' of the
// object 'QEL_User', database 'QEL', schema 'dbo'." (column empty: the object).
QString permissionDenied(Permission p, const QString& table, const QString& column, const QString& database);
inline constexpr int kPermissionDeniedCode = 229;
inline constexpr int kColumnPermissionDeniedCode = 230;

// The row rules for a session of the QEL user (id, login) on a database, as statements that
// make temporary triggers of that one connection. They act only while a client statement
// runs (the SQL function qel_client_statement() is 1); the server's routines write freely.
// markMagColumns: the columns of mark_mag, to list the ones the form rule watches. The
// triggers are named qel_row_rule_<rule>_<nameSuffix>: a random suffix, so that no client
// text can take their name (the storage lets them read what they check).
QStringList rowRuleStatements(int idQelUser, const QString& qelLogin, const QString& database,
                              const QStringList& markMagColumns, const QString& nameSuffix);

} // namespace qel::server
