// The ODBC driver: SQL Server through unixODBC and FreeTDS, over the wide-character API.
// Batches may return several result sets; procedures are called with the ODBC call escape
// and positional parameters; every failure is a DbError with the server's own text.
#pragma once

#include "platform/db/connection_string.h"
#include "platform/db/driver.h"

#include <QStringList>
#include <memory>

namespace qel::db {

class OdbcDriver final : public Driver {
public:
    // Size of one SQLGetData piece when a long text or binary value is read.
    static constexpr int kFetchChunkBytes = 8192;

    // odbcConnectionString: an ODBC connection string ("DRIVER=...;..."); sessionSetup:
    // statements run right after each connect (a failing one fails the open).
    explicit OdbcDriver(QString odbcConnectionString, QStringList sessionSetup = {});
    ~OdbcDriver() override;
    OdbcDriver(const OdbcDriver&) = delete;
    OdbcDriver& operator=(const OdbcDriver&) = delete;

    const QString& connectionString() const { return connectionString_; }

    // Opening an open driver does nothing; a failed open leaves it closed.
    void open() override;
    void close() override;
    bool isOpen() const override { return dbc_ != nullptr; }

    // The time-out becomes the statement's query time-out (a driver that cannot time
    // statements out runs them without a limit).
    wire::BatchResult execute(const QString& sql, const QList<QVariant>& params = {},
                              int timeoutSeconds = kDefaultCommandTimeout) override;
    wire::BatchResult callProcedure(const QString& name, const QList<wire::Param>& params,
                                    int timeoutSeconds = kDefaultCommandTimeout) override;

private:
    struct Run;

    void requireOpen() const;
    wire::BatchResult run(const QString& text, Run& run);

    QString connectionString_;
    QStringList sessionSetup_;
    void* env_ = nullptr;   // SQLHENV
    void* dbc_ = nullptr;   // SQLHDBC, set only while connected
};

// The driver for a SQL Server named by an OLE DB connection string (odbcConnectionString).
std::unique_ptr<Driver> makeOdbcDriver(const ConnectionString& oledb);

} // namespace qel::db
