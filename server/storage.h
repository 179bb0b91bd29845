// One SQLite connection to a database file: pragmas, the server's SQL functions, a cache
// of prepared statements, the guard against what client statements may not touch, and the
// reading of rows into typed wire results.
#pragma once

#include "server/tsql_translator.h"
#include "server/wire.h"

#include <QHash>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace qel::server {

class Storage {
public:
    // Opens the file; create: make it when missing (the caller then adds the schema).
    // A connection belongs to one session and is used by one thread at a time.
    // Throws wire::ServerError.
    Storage(const QString& path, bool create);
    ~Storage();
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

    sqlite3* handle() const { return db_; }
    const QString& path() const { return path_; }

    // Client statements run guarded: no DDL, no ATTACH/PRAGMA, and the sys_* tables only for
    // the administrator. The server's own statements run unguarded.
    void setAdministrator(bool on) { administrator_ = on; }
    bool administrator() const { return administrator_; }

    class Internal {
    public:
        explicit Internal(Storage& s) : s_(s), was_(s.internal_) { s_.internal_ = true; }
        ~Internal() { s_.internal_ = was_; }

    private:
        Storage& s_;
        bool was_;
    };

    void setBusyTimeout(int milliseconds);

    // A prepared statement from the cache (reset, bindings cleared). Throws ServerError.
    sqlite3_stmt* prepare(const QString& sql);

    // Runs SQL without results (several statements allowed), unguarded.
    void script(const QString& sql);

    // Binds a value at a 1-based index. kind tells a date target: a text is read as a date
    // literal in that order, a QDate/QDateTime is written in the stored form of the kind.
    void bind(sqlite3_stmt* st, int index, const QVariant& value, tsql::ValueKind kind = tsql::ValueKind::Unknown,
              tsql::DateOrder order = tsql::DateOrder::MDY);

    // Steps a statement to its end, reading rows when it has columns.
    wire::ResultSet readAll(sqlite3_stmt* st, const QList<tsql::ValueKind>& hints = {});
    // Steps a statement that returns no rows; returns the rows it changed.
    qint64 runToEnd(sqlite3_stmt* st);

    // Conveniences for the server's own statements (unguarded, positional "?").
    wire::ResultSet query(const QString& sql, const QVariantList& args = {});
    QVariant scalar(const QString& sql, const QVariantList& args = {});
    qint64 run(const QString& sql, const QVariantList& args = {});

    // The SQL Server-like text of the connection's last error (or of a SQLite message).
    [[noreturn]] void raise(const QString& sqliteMessage) const;
    static QString serverMessage(const QString& sqliteMessage);

    bool inTransaction() const;

private:
    static int authorize(void* self, int action, const char* a, const char* b, const char* db, const char* trigger);
    wire::Column describeColumn(sqlite3_stmt* st, int i, const QList<tsql::ValueKind>& hints);

    struct ColumnMeta {
        bool identity = false;
        bool notNull = false;
    };

    sqlite3* db_ = nullptr;
    QString path_;
    bool administrator_ = false;
    bool internal_ = false;
    QHash<QString, sqlite3_stmt*> cache_;
    QHash<QString, ColumnMeta> meta_;
    QHash<sqlite3_stmt*, QList<wire::Column>> described_; // columns of cached statements
};

// The declared type of a column as the client sees it.
wire::ColumnType columnTypeOf(const QString& declaredType, int* size);

} // namespace qel::server
