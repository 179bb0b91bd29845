// The client's ODBC driver against qel13-server: types, texts, dates, binaries, several
// result sets, procedure calls with their return value, row counts and errors.
#include "tests/fixtures/demo_fixture.h"
#include "tests/tds/server_process.h"
#include "tests/tds/tds_client.h"

#include <QDateTime>
#include <gtest/gtest.h>

using namespace qel;

namespace {

class DriverOverTds : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx = std::make_unique<test::DemoFixture>(QStringLiteral("driver-") + QString::fromLatin1(
                                                    ::testing::UnitTest::GetInstance()->current_test_info()->name()));
        server = std::make_unique<test::ServerProcess>(fx->databasePath);
        ASSERT_TRUE(server->start()) << server->error().toStdString();
        account = test::workingAccount(server->dataSource(), QStringLiteral("demo"), QStringLiteral("demo2026"));
        driver = test::connectClient(server->dataSource(), account.user, account.password);
    }
    void TearDown() override
    {
        driver.reset();
        if (server)
            EXPECT_EQ(server->stop(), 0) << server->log().toStdString();
    }

    std::unique_ptr<test::DemoFixture> fx;
    std::unique_ptr<test::ServerProcess> server;
    test::WorkingAccount account;
    std::unique_ptr<db::Driver> driver;
};

TEST_F(DriverOverTds, ReadsTheSameRowsAsTheServerItself)
{
    const QString sql = QStringLiteral("SELECT TOP 20 id_mark_mag, p35, p36, m1, dopusk_izm, primech, QEL_Update, id_estimation_other "
                                       "FROM mark_mag ORDER BY id_mark_mag");
    const wire::BatchResult remote = driver->execute(sql);
    const wire::BatchResult local = fx->admin(sql);
    ASSERT_EQ(remote.resultSets.size(), 1);
    const wire::ResultSet& r = remote.resultSets.first();
    const wire::ResultSet& l = local.resultSets.first();
    ASSERT_EQ(r.rows.size(), l.rows.size());
    for (int i = 0; i < r.columns.size(); ++i) {
        EXPECT_EQ(r.columns[i].name, l.columns[i].name);
        EXPECT_EQ(int(r.columns[i].type), int(l.columns[i].type)) << r.columns[i].name.toStdString();
    }
    for (int row = 0; row < r.rows.size(); ++row)
        for (int c = 0; c < r.columns.size(); ++c)
            EXPECT_EQ(r.rows[row][c], l.rows[row][c]) << row << " " << r.columns[c].name.toStdString();
}

} // namespace
