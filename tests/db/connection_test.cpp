// The connection: opened on demand with the string in force, dropped when idle with
// keep-connection off, closing its datasets when closed.
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "tests/db/fake_driver.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::db;
using qel::test::FakeServer;
using qel::test::makeResult;

namespace {

struct ConnectionTest : testing::Test {
    FakeServer server;
    Connection conn{QStringLiteral("ADO_CDE")};
    Query q{&conn, QStringLiteral("ADOQ_Exec")};

    void SetUp() override
    {
        conn.setDriverFactory(server.factory());
        conn.setKeepConnection(false);
        server.results.insert(QStringLiteral("Select p32 from g_r_y"),
                              makeResult({QStringLiteral("p32:varchar:20")}, {{QStringLiteral("2024/2025")}}));
        q.setSql(QStringLiteral("Select p32 from g_r_y"));
    }
};

TEST_F(ConnectionTest, StartsClosedAndOpensOnDemandWithTheStringInForce)
{
    EXPECT_FALSE(conn.connected());
    conn.setConnectionString(QStringLiteral("Data Source=embedded;User ID=qel_start;Password=qel13start"));
    q.open();
    EXPECT_TRUE(conn.connected());
    ASSERT_EQ(server.connects.size(), 1);
    EXPECT_TRUE(server.connects[0].contains(QStringLiteral("User ID=qel_start")));
    EXPECT_EQ(q.fieldByName(QStringLiteral("P32")).asString(), QStringLiteral("2024/2025"));
}

TEST_F(ConnectionTest, StringCannotChangeWhileOpen)
{
    conn.open();
    EXPECT_THROW(conn.setConnectionString(QStringLiteral("Data Source=x")), DbError);
    conn.close();
    EXPECT_NO_THROW(conn.setConnectionString(QStringLiteral("Data Source=x")));
}

// After login the link is dropped when nothing is open and comes back with the user's
// string, never the first one.
TEST_F(ConnectionTest, DroppedWhenIdleAndReopenedWithTheLoginString)
{
    conn.setConnectionString(QStringLiteral("Data Source=srv;User ID=qel_start;Password=qel13start"));
    conn.open();
    conn.close();
    conn.setConnectionString(QStringLiteral("Data Source=srv;User ID=teacher;Password=secret"));
    q.open();
    q.close();
    EXPECT_FALSE(conn.connected());   // keep-connection off: no dataset open, link dropped
    q.open();
    EXPECT_TRUE(conn.connected());
    ASSERT_EQ(server.connects.size(), 3);
    EXPECT_TRUE(server.connects[1].contains(QStringLiteral("User ID=teacher")));
    EXPECT_TRUE(server.connects[2].contains(QStringLiteral("User ID=teacher")));
    EXPECT_FALSE(server.connects[2].contains(QStringLiteral("qel_start")));
}

TEST_F(ConnectionTest, StaysWhileAnyDatasetIsOpenAndAfterStatements)
{
    Query other(&conn, QStringLiteral("other"));
    other.setSql(QStringLiteral("Select p32 from g_r_y"));
    q.open();
    other.open();
    q.close();
    EXPECT_TRUE(conn.connected());
    EXPECT_EQ(conn.execute(QStringLiteral("UPDATE t SET a = 1")).rowsAffected, 1);
    EXPECT_TRUE(conn.connected());
    other.close();
    EXPECT_FALSE(conn.connected());
    // A statement alone opens and drops the link.
    conn.execute(QStringLiteral("UPDATE t SET a = 1"));
    EXPECT_FALSE(conn.connected());
    EXPECT_EQ(server.connects.size(), 2);
}

// The session's date order must not be lost when the link is dropped and made again.
TEST_F(ConnectionTest, SessionSettingsAreRepeatedAfterReconnecting)
{
    server.handler = [](const QString& sql, const QList<QVariant>&, wire::BatchResult&) {
        return sql.startsWith(QLatin1String("SET"));
    };
    conn.setConnectionString(QStringLiteral("Data Source=srv;User ID=teacher"));
    conn.execute(QStringLiteral("SET DATEFORMAT mdy"));
    conn.execute(QStringLiteral("SET DATEFORMAT dmy"));
    conn.execute(QStringLiteral("UPDATE t SET a = 1"));
    EXPECT_EQ(conn.sessionSettings(), QStringList{QStringLiteral("SET DATEFORMAT dmy")});
    server.calls.clear();
    q.open();   // reconnects
    EXPECT_EQ(server.statements(), (QStringList{QStringLiteral("SET DATEFORMAT dmy"), QStringLiteral("Select p32 from g_r_y")}));
    q.close();
    conn.setConnectionString(QStringLiteral("Data Source=srv;User ID=other"));
    EXPECT_TRUE(conn.sessionSettings().isEmpty());
}

TEST_F(ConnectionTest, KeepConnectionHoldsTheLink)
{
    conn.setKeepConnection(true);
    q.open();
    q.close();
    EXPECT_TRUE(conn.connected());
}

TEST_F(ConnectionTest, ClosingClosesEveryDataset)
{
    conn.setKeepConnection(true);
    int closes = 0;
    q.afterClose = [&](DataSet&) { ++closes; };
    q.open();
    conn.close();
    EXPECT_FALSE(q.active());
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(server.disconnects, 1);
}

TEST_F(ConnectionTest, FailedOpenCarriesTheProviderText)
{
    server.failOpenWith = QStringLiteral("Login failed for user 'x'.");
    try {
        q.open();
        FAIL() << "no error";
    } catch (const DbError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Login failed for user 'x'."));
    }
    EXPECT_FALSE(q.active());
    EXPECT_FALSE(conn.connected());
}

TEST_F(ConnectionTest, ServerErrorsBecomeDbErrors)
{
    conn.setKeepConnection(true);
    try {
        conn.execute(QStringLiteral("SELECT nothing"));
        FAIL() << "no error";
    } catch (const DbError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("no canned result for: SELECT nothing"));
    }
}

} // namespace
