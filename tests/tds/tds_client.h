// The client's own path to a server on the network, for the tests: the connection string
// the login composes, the driver it picks for "Data Source=host,port" (ODBC through
// FreeTDS), and the user check that hands out a working account.
#pragma once

#include "platform/db/driver.h"

#include <QString>
#include <memory>

namespace qel::test {

// The OLE DB connection string of the client for an account on a server.
QString clientConnectionString(const QString& dataSource, const QString& user, const QString& password);

// The driver the client makes for that string, connected. Throws db::DbError.
std::unique_ptr<db::Driver> connectClient(const QString& dataSource, const QString& user, const QString& password);

struct WorkingAccount {
    QString user;
    QString password;
    int idLogin = 0;
};

// GET_USER under the first-connection account, as the login window runs it.
WorkingAccount workingAccount(const QString& dataSource, const QString& login, const QString& password);

// The single result set of a batch, its rows as text cells ("NULL" for NULL).
QList<QStringList> textRows(const wire::BatchResult& r);

} // namespace qel::test
