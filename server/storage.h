// One SQLite connection to a database file: pragmas, the server's SQL functions, a cache
// of prepared statements, the guard against what client statements may not touch (the
// storage's own syntax and functions, the server's tables, the rights of working logins),
// the limits of one statement (time, lock wait, memory), and the reading of rows into typed
// wire results.
#pragma once

#include "server/tsql_translator.h"
#include "server/wire.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QVariant>

#include <chrono>

struct sqlite3;
struct sqlite3_stmt;

namespace qel::server {

class Storage {
public:
    // Opens the file; create: make it when missing (the caller then adds the schema). An
    // existing file must be one of the server's databases (database_identity.h): anything
    // else is refused untouched. A connection belongs to one session and is used by one
    // thread at a time. Throws wire::ServerError.
    Storage(const QString& path, bool create);
    ~Storage();
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

    sqlite3* handle() const { return db_; }
    const QString& path() const { return path_; }

    // Client statements run guarded: no DDL, no ATTACH/PRAGMA, only the storage functions
    // the dialect's functions stand on, and the sys_* tables only for the administrator.
    // With working-login rights on, the rights table of server/rights.h applies as well.
    // The server's own statements (Internal) run unguarded.
    void setAdministrator(bool on) { administrator_ = on; }
    bool administrator() const { return administrator_; }
    void setWorkingLoginRights(bool on) { workingLogin_ = on; }
    // The database's name in messages ("QEL" for QEL.sqlite).
    const QString& databaseName() const { return database_; }
    // Runs the server's own DDL of this connection (temporary triggers of the row rules).
    void installTemporary(const QStringList& statements);

    class Internal {
    public:
        explicit Internal(Storage& s) : s_(s), was_(s.internal_) { s_.internal_ = true; }
        ~Internal() { s_.internal_ = was_; }

    private:
        Storage& s_;
        bool was_;
    };

    // How long a statement waits for another connection's lock: SET LOCK_TIMEOUT, in
    // milliseconds; negative waits without a limit (but never past the statement's time).
    void setLockTimeout(int milliseconds) { lockTimeout_ = milliseconds; }
    int lockTimeout() const { return lockTimeout_; }

    // The limits of one client call (a batch or a procedure call): its time from
    // beginCall() on (0: none) and the memory of each statement (the storage's own working
    // memory and the rows read). Exceeding one stops the statement with SQL Server's words.
    void setStatementTimeout(int milliseconds) { statementTimeout_ = milliseconds; }
    int statementTimeout() const { return statementTimeout_; }
    void setMemoryCeiling(qint64 bytes);
    qint64 memoryCeiling() const { return memoryCeiling_; }
    void beginCall(); // calls nest: the outermost one sets the time
    void endCall();
    // The server's own work inside a call that the limits do not hold (the user check's wait).
    class Unlimited {
    public:
        explicit Unlimited(Storage& s) : s_(s), was_(s.callRunning_) { s_.callRunning_ = false; }
        ~Unlimited() { s_.callRunning_ = was_; }

    private:
        Storage& s_;
        bool was_;
    };

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

    // True while a client statement runs (not the server's own statements).
    bool clientStatement() const { return !internal_; }

    static inline const QString kTimeoutMessage = QStringLiteral("Query timeout expired");
    QString memoryMessage() const;

private:
    enum class Stop : unsigned char { None, Timeout, Memory };

    static int authorize(void* self, int action, const char* a, const char* b, const char* db, const char* trigger);
    int authorizeClient(int action, const QString& a, const QString& b, const QString& trigger);
    int refuse(const QString& message, int code);
    static int progress(void* self);
    static int busy(void* self, int count);
    void beginStatement();
    void countRowBytes(const wire::Row& row, qint64* bytes);
    void loadTriggerNames();
    wire::Column describeColumn(sqlite3_stmt* st, int i, const QList<tsql::ValueKind>& hints);

    struct ColumnMeta {
        bool identity = false;
        bool notNull = false;
    };

    using Clock = std::chrono::steady_clock;

    sqlite3* db_ = nullptr;
    QString path_;
    QString database_;
    bool administrator_ = false;
    bool workingLogin_ = false;
    bool internal_ = false;
    QSet<QString> triggers_;           // the server's own triggers (lower case): they may write
    QString denial_;                   // why the authorizer refused the statement being prepared
    int denialCode_ = 0;
    int lockTimeout_ = 30000;
    int statementTimeout_ = 0;
    qint64 memoryCeiling_ = 0;
    Clock::time_point deadline_{};
    bool callRunning_ = false;
    int callDepth_ = 0;
    qint64 memoryAtStart_ = 0;
    Stop stop_ = Stop::None;
    QHash<QString, sqlite3_stmt*> cache_;
    QHash<QString, ColumnMeta> meta_;
    QHash<sqlite3_stmt*, QList<wire::Column>> described_; // columns of cached statements
    // A column the rights mask reads as NULL and loses its name and type with it; the
    // description of the unmasked statement (prepared, never run) gives them back.
    struct ColumnOrigin {
        QString name, declaredType, database, table, column;
    };
    QHash<sqlite3_stmt*, QList<ColumnOrigin>> unmasked_;
    static ColumnOrigin originOf(sqlite3_stmt* st, int column);
    bool maskedRead_ = false;
    bool describing_ = false;
    void describeUnmasked(sqlite3_stmt* st, const QByteArray& text);
};

// The declared type of a column as the client sees it.
wire::ColumnType columnTypeOf(const QString& declaredType, int* size);

} // namespace qel::server
