// Faults on the network: the server killed in the middle of posting, a client killed in
// the middle of a transaction, a cancel while a statement runs, and garbage or cut packets
// sent to the port. Nothing half-written, nothing left locked, the server keeps serving.
#include "platform/db/connection.h"
#include "server/tds/protocol.h"
#include "tests/tds/raw_client.h"
#include "tests/tds/served_demo.h"
#include "tests/tds/tds_client.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace qel;
using namespace qel::server::tds;
using test::tdsPacket;

namespace {

class Faults : public test::ServedDemoTest {
protected:
    void SetUp() override
    {
        ServedDemoTest::SetUp();
        if (HasFatalFailure())
            return;
        account = test::workingAccount(server->dataSource(), QStringLiteral("demo"), QStringLiteral("demo2026"));
    }

    test::WorkingAccount account;
};

TEST_F(Faults, TheServerKilledWhilePostingLeavesWholeRowsAndTheClientLogsInAgain)
{
    // The client's connection, as the data module holds it: reopened on demand.
    db::Connection connection;
    connection.setConnectionString(test::clientConnectionString(server->dataSource(), account.user, account.password));
    fx->admin(QStringLiteral("UPDATE mark_mag SET m1 = 0, m2 = 0 WHERE id_mark_mag <= 20"));

    std::atomic<int> posted{0};
    QString error;
    std::thread poster([&] {
        try {
            for (int k = 1; k < 1000000; ++k) {
                // Two columns in one post: a row that is half written would show them differ.
                connection.execute(QStringLiteral("UPDATE mark_mag SET m1 = ?, m2 = ? WHERE id_mark_mag = ?"),
                                   {double(k), double(k), 1 + k % 20});
                ++posted;
            }
        } catch (const db::DbError& e) {
            error = e.message();
        }
    });
    QElapsedTimer timer;
    timer.start();
    while (posted < 200 && timer.elapsed() < 20000)
        QThread::msleep(5);
    server->kill();
    poster.join();
    ASSERT_GT(posted.load(), 0);
    // The user is told the connection is gone, in words that say so.
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(error.contains(QStringLiteral("связь с сервером"), Qt::CaseInsensitive)) << error.toStdString();

    // Every row is whole: both columns of each post or neither.
    const wire::ResultSet rows =
        fx->admin(QStringLiteral("SELECT id_mark_mag, m1, m2 FROM mark_mag WHERE id_mark_mag <= 20")).resultSets.first();
    ASSERT_EQ(rows.rows.size(), 20);
    for (const wire::Row& r : rows.rows)
        EXPECT_EQ(r[1], r[2]) << r[0].toInt();

    // Once the server is back on its port, the same connection logs in again on demand.
    ASSERT_TRUE(server->start(server->port())) << server->error().toStdString();
    const wire::BatchResult after =
        connection.execute(QStringLiteral("UPDATE mark_mag SET m1 = ?, m2 = ? WHERE id_mark_mag = ?"), {-1.0, -1.0, 1});
    EXPECT_EQ(after.rowsAffected, 1);
    EXPECT_EQ(fx->adminScalar(QStringLiteral("SELECT m2 FROM mark_mag WHERE id_mark_mag = 1")).toDouble(), -1.0);
}

TEST_F(Faults, AClientKilledInsideATransactionIsRolledBack)
{
    const double before = fx->adminScalar(QStringLiteral("SELECT m1 FROM mark_mag WHERE id_mark_mag = 3")).toDouble();
    QProcess tsql;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TDSVER"), QStringLiteral("7.4"));
    tsql.setProcessEnvironment(env);
    // Line-buffered, so that its answer shows before it is killed.
    tsql.start(QStandardPaths::findExecutable(QStringLiteral("stdbuf")),
               {QStringLiteral("-oL"), QStandardPaths::findExecutable(QStringLiteral("tsql")), QStringLiteral("-H"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(server->port()),
                QStringLiteral("-U"), account.user, QStringLiteral("-P"), account.password});
    ASSERT_TRUE(tsql.waitForStarted(10000));
    // The session sees its own change before it commits.
    tsql.write("BEGIN TRANSACTION\nUPDATE mark_mag SET m1 = 77 WHERE id_mark_mag = 3\ngo\n"
               "SELECT m1 AS changed FROM mark_mag WHERE id_mark_mag = 3\ngo\n");
    QByteArray out;
    QElapsedTimer timer;
    timer.start();
    while (!out.contains("changed\n77") && timer.elapsed() < 20000) {
        tsql.waitForReadyRead(100);
        out += tsql.readAllStandardOutput();
    }
    ASSERT_TRUE(out.contains("changed\n77")) << out.toStdString();
    // Readers are not held up by the open transaction and see the committed value.
    EXPECT_EQ(fx->adminScalar(QStringLiteral("SELECT m1 FROM mark_mag WHERE id_mark_mag = 3")).toDouble(), before);

    tsql.kill();
    tsql.waitForFinished(10000);
    EXPECT_TRUE(server->waitForLog(QStringLiteral("its open transaction was rolled back"))) << server->log().toStdString();
    EXPECT_EQ(fx->adminScalar(QStringLiteral("SELECT m1 FROM mark_mag WHERE id_mark_mag = 3")).toDouble(), before);
    // And the row is free: another client writes it at once.
    auto other = test::connectClient(server->dataSource(), account.user, account.password);
    EXPECT_EQ(other->execute(QStringLiteral("UPDATE mark_mag SET m1 = 5 WHERE id_mark_mag = 3")).rowsAffected, 1);
}

TEST_F(Faults, ACancelStopsARunningStatementAndTheConnectionGoesOn)
{
    test::RawClient raw;
    ASSERT_TRUE(raw.connectTo(server->port()));
    ASSERT_TRUE(raw.logIn(account.user, account.password)) << server->log().toStdString();
    // A statement that runs for many seconds, cancelled after a moment.
    raw.sendMessage(PacketSqlBatch,
                    test::sqlBatchPayload(QStringLiteral("SELECT COUNT(*) FROM mark_mag a, mark_mag b, mark_mag c, mark_mag d")));
    QThread::msleep(200);
    QElapsedTimer timer;
    timer.start();
    raw.sendMessage(PacketAttention, {});
    // The response to the statement (its error), then the acknowledgement of the cancel.
    int status = -1;
    while (timer.elapsed() < 10000 && !(status >= 0 && (status & DoneAttention))) {
        const QByteArray r = raw.readMessage(10000);
        if (r.isEmpty())
            break;
        status = test::finalDoneStatus(r);
    }
    EXPECT_GE(status, 0);
    EXPECT_TRUE(status & DoneAttention) << status;
    EXPECT_LT(timer.elapsed(), 5000);
    raw.sendMessage(PacketSqlBatch, test::sqlBatchPayload(QStringLiteral("SELECT 1")));
    EXPECT_EQ(test::finalDoneStatus(raw.readMessage()), DoneCount);
}

TEST_F(Faults, GarbageAndCutPacketsDropTheConnectionAndOthersGoOn)
{
    auto bystander = test::connectClient(server->dataSource(), account.user, account.password);
    const QByteArray prelogin = test::preLoginPayload(EncryptNotSupported);
    QByteArray badOffsets = prelogin;
    badOffsets[1] = char(0x7F);   // the VERSION option points far outside the message
    QByteArray login = test::login7Payload(account.user, account.password, QStringLiteral("QEL"));
    QByteArray badLogin = login;
    badLogin[36 + 4] = char(0xF0);   // the user name's offset beyond the record
    const struct {
        const char* what;
        QByteArray bytes;
        bool afterPrelogin;
        bool afterLogin;
    } cases[] = {
        {"random bytes", QByteArray::fromHex("deadbeef0badf00d112233445566778899aabbccddeeff"), false, false},
        {"a packet shorter than its header", tdsPacket(PacketPreLogin, StatusEom, {}, 4), false, false},
        {"an unknown packet type", tdsPacket(0x55, StatusEom, "abcd"), false, false},
        {"a cut PRELOGIN", tdsPacket(PacketPreLogin, StatusEom, prelogin, 200), false, false},
        {"PRELOGIN options outside the message", tdsPacket(PacketPreLogin, StatusEom, badOffsets), false, false},
        {"a LOGIN7 whose fields point outside it", tdsPacket(PacketLogin7, StatusEom, badLogin), true, false},
        {"a cut LOGIN7", tdsPacket(PacketLogin7, StatusEom, login.left(50), 8 + int(login.size())), true, false},
        {"a batch of an odd number of bytes", tdsPacket(PacketSqlBatch, StatusEom, test::sqlBatchPayload(QStringLiteral("SELECT 1")).left(27)), false, true},
        {"a batch with broken headers", tdsPacket(PacketSqlBatch, StatusEom, QByteArray::fromHex("ffff0000aaaaaaaaaaaaaaaa")), false, true},
        {"an RPC with a cut parameter", tdsPacket(PacketRpc, StatusEom, QByteArray::fromHex("160000001200000002000000000000000000010000000a0000000026040102"), 8 + 36), false, true},
    };
    for (const auto& c : cases) {
        test::RawClient raw;
        ASSERT_TRUE(raw.connectTo(server->port()));
        if (c.afterLogin) {
            ASSERT_TRUE(raw.logIn(account.user, account.password)) << c.what;
        } else if (c.afterPrelogin) {
            raw.sendMessage(PacketPreLogin, prelogin);
            ASSERT_FALSE(raw.readMessage().isEmpty()) << c.what;
        }
        raw.sendRaw(c.bytes);
        raw.shutdownWrite();   // a cut packet: nothing more comes
        EXPECT_TRUE(raw.waitClosed(10000)) << c.what;
        // The others are served all along.
        EXPECT_EQ(test::textRows(bystander->execute(QStringLiteral("SELECT COUNT(*) FROM [group]"))).value(0).value(0),
                  QStringLiteral("3"))
            << c.what;
    }
    EXPECT_TRUE(server->waitForLog(QStringLiteral("dropped: malformed data"), 5000, 5)) << server->log().toStdString();
    // And a new client still logs in.
    auto late = test::connectClient(server->dataSource(), account.user, account.password);
    EXPECT_EQ(test::textRows(late->execute(QStringLiteral("SELECT 7"))).value(0).value(0), QStringLiteral("7"));
}

} // namespace
