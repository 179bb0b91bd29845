// The embedded database server: an in-process stand-in for the SQL Server database "QEL"
// on one SQLite file. It accepts the T-SQL the client sends and answers as SQL Server would.
#pragma once

#include "server/wire.h"

#include <QString>
#include <memory>

namespace qel::server {

// Creates a new database file with the schema and the server logins, and with the demo
// data when asked. Throws wire::ServerError when the file exists or cannot be written.
void createDatabase(const QString& path, bool withDemoData);

// What the dialect layer makes of a T-SQL text, against the schema of a new database
// (qel13-admin db translate). Throws wire::ServerError naming what it cannot translate.
QString translateForSchema(const QString& tsql);

// One client connection to a database file. A session is used by one thread at a time;
// sessions in different threads (or processes) may share a file.
class Session {
public:
    struct AdministratorAccess {};

    // Opens the file (a missing file is first created with the schema and the demo data)
    // and checks the server login; a wrong pair fails with "Login failed for user 'NAME'.".
    Session(const QString& path, const QString& user, const QString& password);
    // The server's administrator on an existing file (qel13-admin db exec, test fixtures):
    // no login check; may also read and write the server's own sys_* tables.
    Session(const QString& path, AdministratorAccess);
    static std::unique_ptr<Session> administrator(const QString& path);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Runs a batch of T-SQL; "?" marks positional parameters bound from params.
    wire::BatchResult execute(const QString& tsql, const QList<QVariant>& params = {});

    // Calls a stored procedure with positional parameters (the contract of server/contract.h).
    wire::BatchResult callProcedure(const QString& name, const QList<wire::Param>& params);

    // The translation of T-SQL text into what runs on the storage (for qel13-admin db translate).
    QString translate(const QString& tsql) const;

    // The server login of the session.
    QString loginName() const;

    // The time one call (execute or callProcedure) may take, in milliseconds; 0 (the
    // default) sets no limit. A call that runs longer stops with "Query timeout expired".
    // The client's drivers pass the command time-out of the dataset here.
    void setStatementTimeout(int milliseconds);
    // The memory one statement may take (the storage's working memory and the rows read),
    // 256 MB unless set; 0 sets no limit.
    void setMemoryCeiling(qint64 bytes);
    // For a network front-end, whose sessions outlive single calls:
    // Makes the statement running in another thread fail at once ("Operation cancelled");
    // does nothing when none runs. Safe to call from any thread while the session exists.
    void interrupt();
    // True while a transaction begun by the client (BEGIN TRANSACTION) is open; it is
    // rolled back when the session is destroyed.
    bool inTransaction() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace qel::server
