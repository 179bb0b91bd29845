// A data folder with the settings file of the embedded server and a demo database, a data
// module on it, and an administrator session to shape the data of a test.
#pragma once

#include "data/dm_cde_3.h"
#include "server/server.h"

#include <QString>
#include <memory>

namespace qel::test {

class LoginFixture {
public:
    explicit LoginFixture(const QString& name);
    ~LoginFixture();

    QString dataDir;
    QString databasePath;
    std::unique_ptr<data::TDM_CDE_3> dm;

    // Points the data module's connection at the working account the server hands out for
    // a user (the user check as the login window runs it); returns the user's id_login.
    qint32 connectAs(const QString& login, const QString& password);

    // Runs T-SQL as the server's administrator on the test's database.
    wire::BatchResult admin(const QString& sql, const QList<QVariant>& params = {});
    QVariant adminScalar(const QString& sql, const QList<QVariant>& params = {});

private:
    std::unique_ptr<server::Session> adminSession_;
    QByteArray savedDataDir_;
};

} // namespace qel::test
