// qel13-server as a service: the loopback address only without a certificate, encryption
// required from the first message with one, a bounded number of sessions with a clear
// refusal, a log line with a timestamp for every connection and failed login, and a clean
// stop on SIGTERM that lets running statements finish and rolls back open transactions.
#include "platform/db/odbc_driver.h"
#include "server/tds/protocol.h"
#include "tests/fixtures/demo_fixture.h"
#include "tests/tds/raw_client.h"
#include "tests/tds/recording_proxy.h"
#include "tests/tds/server_process.h"
#include "tests/tds/tds_client.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

using namespace qel;
using namespace qel::server::tds;

namespace {

// A statement that takes about a second or two here.
const QString kSlowStatement = QStringLiteral(
    "SELECT COUNT(*) FROM mark_mag a, mark_mag b, (SELECT TOP 60 p35 FROM mark_mag) c WHERE a.p35 + b.p35 <> c.p35");

class Service : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx = std::make_unique<test::DemoFixture>(QStringLiteral("service-") + QString::fromLatin1(
                                                    ::testing::UnitTest::GetInstance()->current_test_info()->name()));
    }

    std::unique_ptr<test::ServerProcess> startServer(const QStringList& args = {})
    {
        auto s = std::make_unique<test::ServerProcess>(fx->databasePath, args);
        EXPECT_TRUE(s->start()) << s->error().toStdString();
        return s;
    }

    // qel13-admin tls make-cert into the test's folder.
    QStringList makeCertificate()
    {
        QProcess admin;
        admin.start(test::builtProgram(QStringLiteral("qel13-admin")),
                    {QStringLiteral("tls"), QStringLiteral("make-cert"), fx->dataDir + QStringLiteral("/tls")});
        EXPECT_TRUE(admin.waitForFinished(60000));
        EXPECT_EQ(admin.exitCode(), 0) << admin.readAllStandardError().toStdString();
        // The private key is for its owner's eyes only.
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                                          | QFile::WriteOther | QFile::ExeOther;
        EXPECT_EQ(QFile(fx->dataDir + QStringLiteral("/tls/server.key")).permissions() & others, QFile::Permissions());
        return {QStringLiteral("--tls-cert"), fx->dataDir + QStringLiteral("/tls/server.crt"), QStringLiteral("--tls-key"),
                fx->dataDir + QStringLiteral("/tls/server.key")};
    }

    std::unique_ptr<test::DemoFixture> fx;
};

TEST_F(Service, WithoutACertificateItListensOnTheLoopbackOnlyAndSaysSo)
{
    auto server = startServer();
    EXPECT_TRUE(server->log().contains(QStringLiteral("listening on the loopback address only")));
    EXPECT_EQ(server->stop(), 0);

    QProcess wide;
    wide.start(test::builtProgram(QStringLiteral("qel13-server")),
               {QStringLiteral("--db"), fx->databasePath, QStringLiteral("--listen"), QStringLiteral("0.0.0.0:0")});
    ASSERT_TRUE(wide.waitForFinished(20000));
    EXPECT_EQ(wide.exitCode(), 2);
    EXPECT_TRUE(QString::fromUtf8(wide.readAllStandardError()).contains(QStringLiteral("without TLS")));

    // A client that insists on encryption is not served in clear.
    server = startServer();
    db::OdbcDriver insisting(QStringLiteral("DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=%1;UID=qel_start;PWD=qel13start;"
                                           "TDS_Version=7.4;Encryption=require;")
                                 .arg(server->port()));
    EXPECT_THROW(insisting.open(), db::DbError);
    EXPECT_TRUE(server->waitForLog(QStringLiteral("the client requires encryption"))) << server->log().toStdString();
}

TEST_F(Service, WithACertificateEveryByteAfterThePreloginIsEncrypted)
{
    const QStringList tls = makeCertificate();
    const QString secret = QStringLiteral("Тайная отметка 4217");
    const QByteArray secretOnWire(reinterpret_cast<const char*>(secret.utf16()), secret.size() * 2);
    const test::WorkingAccount account = [&] {
        auto plain = startServer();
        return test::workingAccount(plain->dataSource(), QStringLiteral("demo"), QStringLiteral("demo2026"));
    }();
    const QByteArray scrambled = test::scrambledPassword(account.password);

    for (const bool encrypted : {false, true}) {
        auto server = std::make_unique<test::ServerProcess>(fx->databasePath, encrypted ? tls : QStringList());
        if (encrypted)
            server->setListenHost(QStringLiteral("0.0.0.0"));   // allowed with TLS
        ASSERT_TRUE(server->start()) << server->error().toStdString();
        test::RecordingProxy proxy(server->port());
        {
            auto client = test::connectClient(QStringLiteral("127.0.0.1,%1").arg(proxy.port()), account.user, account.password);
            EXPECT_EQ(test::textRows(client->execute(QStringLiteral("SELECT N'%1'").arg(secret))).value(0).value(0), secret);
        }
        // Without TLS the recording shows both (so the check below can see them at all).
        EXPECT_EQ(proxy.clientBytes().contains(secretOnWire), !encrypted);
        EXPECT_EQ(proxy.clientBytes().contains(scrambled), !encrypted);
        if (encrypted) {
            EXPECT_TRUE(server->log().contains(QStringLiteral("TLS: every connection must be encrypted")));
        }
        EXPECT_EQ(server->stop(), 0);
    }

    auto server = std::make_unique<test::ServerProcess>(fx->databasePath, tls);
    ASSERT_TRUE(server->start()) << server->error().toStdString();
    // A client that cannot encrypt is told encryption is required and is let go.
    {
        test::RawClient raw;
        ASSERT_TRUE(raw.connectTo(server->port()));
        raw.sendMessage(PacketPreLogin, test::preLoginPayload(EncryptNotSupported));
        const QByteArray answer = raw.readMessage();
        ASSERT_GE(answer.size(), 11);
        EXPECT_EQ(uint8_t(answer[(uint8_t(answer[6]) << 8) | uint8_t(answer[7])]), EncryptRequired);
        EXPECT_TRUE(raw.waitClosed());
    }
    // A login sent in clear where the TLS handshake belongs is not read.
    {
        test::RawClient raw;
        ASSERT_TRUE(raw.connectTo(server->port()));
        raw.sendMessage(PacketPreLogin, test::preLoginPayload(EncryptOff));
        ASSERT_FALSE(raw.readMessage().isEmpty());
        raw.sendMessage(PacketLogin7, test::login7Payload(account.user, account.password, QStringLiteral("QEL")));
        EXPECT_TRUE(raw.waitClosed());
        EXPECT_FALSE(test::hasLoginAck(raw.readMessage(500)));
    }
    EXPECT_TRUE(server->log().contains(QStringLiteral("refused: the client cannot encrypt")));
    EXPECT_FALSE(server->log().contains(QStringLiteral("login '%1'").arg(account.user)));
}

TEST_F(Service, ClientsThatHoldTheCertificateCheckTheyReachThisServer)
{
    auto server = std::make_unique<test::ServerProcess>(fx->databasePath, makeCertificate());
    ASSERT_TRUE(server->start()) << server->error().toStdString();
    // Another certificate, as an impostor would have.
    QProcess other;
    other.start(test::builtProgram(QStringLiteral("qel13-admin")),
                {QStringLiteral("tls"), QStringLiteral("make-cert"), fx->dataDir + QStringLiteral("/other")});
    ASSERT_TRUE(other.waitForFinished(60000));
    for (const bool ours : {true, false}) {
        const QString conf = fx->dataDir + QStringLiteral("/freetds-%1.conf").arg(ours);
        QFile f(conf);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("[global]\n\ttds version = 7.4\n\tencryption = require\n\tca file = %1/%2/server.crt\n")
                    .arg(fx->dataDir, ours ? QStringLiteral("tls") : QStringLiteral("other"))
                    .toUtf8());
        f.close();
        QProcess tsql;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("FREETDSCONF"), conf);
        tsql.setProcessEnvironment(env);
        tsql.start(QStandardPaths::findExecutable(QStringLiteral("tsql")),
                   {QStringLiteral("-H"), QStringLiteral("localhost"), QStringLiteral("-p"), QString::number(server->port()),
                    QStringLiteral("-U"), QStringLiteral("qel_start"), QStringLiteral("-P"), QStringLiteral("qel13start")});
        ASSERT_TRUE(tsql.waitForStarted(10000));
        tsql.write("SET DATEFORMAT dmy\ngo\nexit\n");
        tsql.closeWriteChannel();
        ASSERT_TRUE(tsql.waitForFinished(30000));
        EXPECT_EQ(tsql.exitCode() == 0, ours) << tsql.readAllStandardError().toStdString();
    }
    EXPECT_EQ(server->log().count(QStringLiteral("login 'qel_start'")), 1);
}

TEST_F(Service, ABoundedNumberOfSessionsWithAClearRefusal)
{
    auto server = startServer({QStringLiteral("--max-sessions"), QStringLiteral("2")});
    auto first = test::connectClient(server->dataSource(), QStringLiteral("qel_start"), QStringLiteral("qel13start"));
    auto second = test::connectClient(server->dataSource(), QStringLiteral("qel_start"), QStringLiteral("qel13start"));
    try {
        test::connectClient(server->dataSource(), QStringLiteral("qel_start"), QStringLiteral("qel13start"));
        ADD_FAILURE() << "a third session was let in";
    } catch (const db::DbError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("maximum of 2 sessions"))) << e.message().toStdString();
    }
    EXPECT_TRUE(server->waitForLog(QStringLiteral("all 2 sessions are taken")));
    first.reset();
    ASSERT_TRUE(server->waitForLog(QStringLiteral("closed by the client")));
    EXPECT_NO_THROW(test::connectClient(server->dataSource(), QStringLiteral("qel_start"), QStringLiteral("qel13start")));
}

TEST_F(Service, TheLogHasATimestampedLineForEachConnectionAndFailedLogin)
{
    auto server = startServer();
    EXPECT_THROW(test::connectClient(server->dataSource(), QStringLiteral("qel_start"), QStringLiteral("wrong")), db::DbError);
    EXPECT_THROW(test::connectClient(server->dataSource(), QStringLiteral("nobody"), QStringLiteral("x")), db::DbError);
    test::connectClient(server->dataSource(), QStringLiteral("qel_start"), QStringLiteral("qel13start"));
    ASSERT_TRUE(server->waitForLog(QStringLiteral("closed"), 10000, 3));
    const QString stamp = QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} #\\d+ 127\\.0\\.0\\.1:\\d+ ");
    const QString log = server->log();
    for (const QString& event : {QStringLiteral("connected$"), QStringLiteral("failed login of 'qel_start' .*wrong login or password$"),
                                 QStringLiteral("failed login of 'nobody' .*wrong login or password$"),
                                 QStringLiteral("login 'qel_start' \\(computer '[^']*', program '[^']*'\\)$")}) {
        const QRegularExpression re(stamp + event, QRegularExpression::MultilineOption);
        EXPECT_TRUE(re.match(log).hasMatch()) << event.toStdString() << "\n" << log.toStdString();
    }
}

// A login record that carries a new password is refused, not acknowledged with the old one
// as if the password had changed.
TEST_F(Service, ALoginThatAsksForANewPasswordIsRefused)
{
    auto server = startServer();
    QByteArray login = test::login7Payload(QStringLiteral("qel_start"), QStringLiteral("qel13start"), QStringLiteral("QEL"));
    const QByteArray newPassword = test::scrambledPassword(QStringLiteral("other1"));
    // The change-password field of the fixed part: offset and length in characters; then
    // the record's length.
    const auto putU16 = [&login](int at, int value) {
        login[at] = char(value & 0xFF);
        login[at + 1] = char(value >> 8);
    };
    putU16(86, int(login.size()));
    putU16(88, int(newPassword.size() / 2));
    login += newPassword;
    const auto length = uint32_t(login.size());
    for (int i = 0; i < 4; ++i)
        login[i] = char((length >> (8 * i)) & 0xFF);

    test::RawClient raw;
    ASSERT_TRUE(raw.connectTo(server->port()));
    raw.sendMessage(PacketPreLogin, test::preLoginPayload(EncryptNotSupported));
    ASSERT_FALSE(raw.readMessage().isEmpty());
    raw.sendMessage(PacketLogin7, login);
    const QByteArray answer = raw.readMessage();
    EXPECT_FALSE(test::hasLoginAck(answer));
    // The error token carries its text in UTF-16.
    const QString said = QStringLiteral("Changing the password while logging in is not supported");
    EXPECT_TRUE(answer.contains(QByteArray(reinterpret_cast<const char*>(said.utf16()), said.size() * 2)));
    EXPECT_TRUE(server->waitForLog(QStringLiteral("a password change in the login record")));
    // The same login without the new password is let in.
    test::RawClient plain;
    ASSERT_TRUE(plain.connectTo(server->port()));
    EXPECT_TRUE(plain.logIn(QStringLiteral("qel_start"), QStringLiteral("qel13start")));
}

TEST_F(Service, SigtermLetsTheRunningStatementFinishAndRollsBackWhatIsOpen)
{
    auto server = startServer();
    const test::WorkingAccount account = test::workingAccount(server->dataSource(), QStringLiteral("demo"), QStringLiteral("demo2026"));
    const double before = fx->adminScalar(QStringLiteral("SELECT m1 FROM mark_mag WHERE id_mark_mag = 4")).toDouble();
    auto idle = test::connectClient(server->dataSource(), account.user, account.password);
    idle->execute(QStringLiteral("BEGIN TRANSACTION; UPDATE mark_mag SET m1 = 66 WHERE id_mark_mag = 4"));

    QString result, error;
    std::thread running([&] {
        try {
            auto busy = test::connectClient(server->dataSource(), account.user, account.password);
            result = test::textRows(busy->execute(kSlowStatement)).value(0).value(0);
        } catch (const db::DbError& e) {
            error = e.message();
        }
    });
    // Stopped while the statement runs (both working sessions logged in).
    EXPECT_TRUE(server->waitForLog(QStringLiteral("login '%1'").arg(account.user), 10000, 2));
    QThread::msleep(300);
    EXPECT_EQ(server->stop(), 0);
    running.join();
    EXPECT_TRUE(server->log().contains(QStringLiteral("running statements may finish")));
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_FALSE(result.isEmpty());
    const QString log = server->log();
    EXPECT_TRUE(log.contains(QStringLiteral("SIGTERM received: stopping")));
    EXPECT_TRUE(log.contains(QStringLiteral("its open transaction was rolled back"))) << log.toStdString();
    EXPECT_TRUE(log.trimmed().endsWith(QStringLiteral("stopped")));
    EXPECT_EQ(fx->adminScalar(QStringLiteral("SELECT m1 FROM mark_mag WHERE id_mark_mag = 4")).toDouble(), before);
}

TEST_F(Service, AfterTheGracePeriodRunningStatementsAreCancelled)
{
    auto server = startServer({QStringLiteral("--stop-grace"), QStringLiteral("1")});
    const test::WorkingAccount account = test::workingAccount(server->dataSource(), QStringLiteral("demo"), QStringLiteral("demo2026"));
    QString error;
    std::thread running([&] {
        try {
            auto busy = test::connectClient(server->dataSource(), account.user, account.password);
            busy->execute(QStringLiteral("SELECT COUNT(*) FROM mark_mag a, mark_mag b, mark_mag c, mark_mag d WHERE a.p35 <> d.p35"));
        } catch (const db::DbError& e) {
            error = e.message();
        }
    });
    EXPECT_TRUE(server->waitForLog(QStringLiteral("login '%1'").arg(account.user), 10000, 1));
    QThread::msleep(300);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(server->stop(), 0);
    EXPECT_LT(timer.elapsed(), 15000);
    running.join();
    EXPECT_TRUE(error.contains(QStringLiteral("shutting down"))) << error.toStdString();
}

} // namespace
