#include "tests/login/login_fixture.h"

#include "data/password_digest.h"
#include "data/settings_file.h"
#include "platform/db/sql_literal.h"
#include "tests/support/modal.h"

#include <QFile>

namespace qel::test {
namespace {

// The demo database is made once per test run and copied for each test.
QString templateDatabase()
{
    static const QString path = [] {
        const QString dir = freshTempDir(QStringLiteral("login-template"));
        const QString p = dir + QStringLiteral("/QEL.sqlite");
        server::createDatabase(p, true);
        return p;
    }();
    return path;
}

} // namespace

LoginFixture::LoginFixture(const QString& name)
{
    dataDir = freshTempDir(QStringLiteral("login-") + name);
    databasePath = dataDir + QStringLiteral("/QEL.sqlite");
    QFile::copy(templateDatabase(), databasePath);
    writeSettingsFile(dataDir + QStringLiteral("/QEL"),
                      {QStringLiteral("qel_start"), QStringLiteral("qel13start"), QStringLiteral("QEL"),
                       QStringLiteral("embedded")});
    savedDataDir_ = qgetenv("QEL_DATA_DIR");
    qputenv("QEL_DATA_DIR", dataDir.toLocal8Bit());
    dm = std::make_unique<data::TDM_CDE_3>();
}

LoginFixture::~LoginFixture()
{
    dm.reset();
    adminSession_.reset();
    if (savedDataDir_.isEmpty())
        qunsetenv("QEL_DATA_DIR");
    else
        qputenv("QEL_DATA_DIR", savedDataDir_);
}

qint32 LoginFixture::connectAs(const QString& login, const QString& password)
{
    TFirstConnectInfo info = readSettingsFile(dataDir + QStringLiteral("/QEL"));
    dm->ADO_CDE.close();
    dm->ADO_CDE.setConnectionString(connectionString(info));
    const wire::BatchResult r = dm->ADO_CDE.execute(
        QStringLiteral("EXEC GET_USER %1, '%2', NULL, 'QEL 13', '127.0.0.1', 'test', %1, '0', '4'")
            .arg(db::sqlLiteral(login), passwordDigest(password)));
    const wire::Row row = r.resultSets.first().rows.first();
    info.account = decodeShiftedText(row[0].toString());
    info.password = decodeShiftedText(row[1].toString());
    dm->ADO_CDE.close();
    dm->ADO_CDE.setConnectionString(connectionString(info));
    return row[2].toInt();
}

wire::BatchResult LoginFixture::admin(const QString& sql, const QList<QVariant>& params)
{
    if (!adminSession_)
        adminSession_ = server::Session::administrator(databasePath);
    return adminSession_->execute(sql, params);
}

QVariant LoginFixture::adminScalar(const QString& sql, const QList<QVariant>& params)
{
    const wire::BatchResult r = admin(sql, params);
    if (r.resultSets.isEmpty() || r.resultSets.first().rows.isEmpty())
        return {};
    return r.resultSets.first().rows.first().value(0);
}

} // namespace qel::test
