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

// One client connection to a database file.
class Session {
public:
    // Opens the file (a missing file is first created with the schema and the demo data)
    // and checks the server login; a wrong pair fails with "Login failed for user 'NAME'.".
    Session(const QString& path, const QString& user, const QString& password);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Runs a batch of T-SQL; "?" marks positional parameters bound from params.
    wire::BatchResult execute(const QString& tsql, const QList<QVariant>& params = {});

    // Calls a stored procedure with positional parameters (the contract of server/contract.h).
    wire::BatchResult callProcedure(const QString& name, const QList<wire::Param>& params);

    // The translation of T-SQL text into what runs on the storage (for qel13-admin db translate).
    QString translate(const QString& tsql) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace qel::server
