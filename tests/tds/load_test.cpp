// Many clients at once on one server: 32 sessions post marks to rows of their own sheets
// while 8 sessions read whole sheets. Every post must land exactly once, no reader may see
// a half-written row, and the figures (posts per second, slowest post) are printed.
#include "platform/db/write_back.h"
#include "tests/fixtures/demo_fixture.h"
#include "tests/tds/server_process.h"
#include "tests/tds/tds_client.h"

#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

using namespace qel;

namespace {

constexpr int kPosters = 32;
constexpr int kPostsEach = 200;
constexpr int kRowsEach = 5;
constexpr int kReaders = 8;

TEST(LoadOverTds, ThirtyTwoPostingSessionsAndEightReaders)
{
    test::DemoFixture fx(QStringLiteral("load"));
    test::ServerProcess server(fx.databasePath);
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    const test::WorkingAccount account = test::workingAccount(server.dataSource(), QStringLiteral("demo"), QStringLiteral("demo2026"));

    // Each posting session owns kRowsEach rows of the statement forms its user may change;
    // m1, m2 and m3 start at 0 and every post sets all three to the row's post count.
    const wire::ResultSet ids = fx.admin(QStringLiteral(
        "SELECT TOP %1 id_mark_mag FROM mark_mag WHERE id_f_est IN (SELECT id_f_est FROM User_f_est WHERE id_login = ?) "
        "ORDER BY id_mark_mag").arg(kPosters * kRowsEach), {account.idLogin}).resultSets.first();
    ASSERT_EQ(ids.rows.size(), kPosters * kRowsEach);
    QList<int> rows;
    for (const wire::Row& r : ids.rows)
        rows << r.first().toInt();
    fx.admin(QStringLiteral("UPDATE mark_mag SET m1 = 0, m2 = 0, m3 = 0"));

    std::atomic<int> postersLeft{kPosters};
    std::atomic<int> failures{0};
    std::atomic<int> halfWritten{0};
    std::atomic<int> sheetsRead{0};
    std::mutex mutex;
    QStringList errors;
    std::vector<qint64> latenciesUs;
    latenciesUs.reserve(kPosters * kPostsEach);
    const auto fail = [&](const QString& what) {
        ++failures;
        std::lock_guard lock(mutex);
        if (errors.size() < 10)
            errors << what;
    };

    QElapsedTimer wall;
    wall.start();
    std::vector<std::thread> threads;
    for (int p = 0; p < kPosters; ++p) {
        threads.emplace_back([&, p] {
            std::vector<qint64> mine;
            try {
                auto driver = test::connectClient(server.dataSource(), account.user, account.password);
                int counts[kRowsEach] = {};
                for (int k = 0; k < kPostsEach; ++k) {
                    const int slot = k % kRowsEach;
                    const int id = rows[p * kRowsEach + slot];
                    const int next = counts[slot] + 1;
                    // The client's own write-back: changed columns, the key and the old values.
                    QList<QVariant> params;
                    const QString sql = db::updateStatement(
                        QStringLiteral("mark_mag"),
                        {{QStringLiteral("m1"), double(next), double(counts[slot])},
                         {QStringLiteral("m2"), double(next), double(counts[slot])},
                         {QStringLiteral("m3"), double(next), double(counts[slot])}},
                        QStringLiteral("id_mark_mag"), id, &params);
                    QElapsedTimer t;
                    t.start();
                    const wire::BatchResult r = driver->execute(sql, params);
                    mine.push_back(t.nsecsElapsed() / 1000);
                    if (r.rowsAffected != 1)
                        fail(QStringLiteral("post %1 of row %2 changed %3 rows").arg(next).arg(id).arg(r.rowsAffected));
                    counts[slot] = next;
                }
            } catch (const db::DbError& e) {
                fail(e.message());
            }
            std::lock_guard lock(mutex);
            latenciesUs.insert(latenciesUs.end(), mine.begin(), mine.end());
            --postersLeft;
        });
    }
    QString readSql = QStringLiteral("SELECT id_mark_mag, m1, m2, m3 FROM mark_mag WHERE id_mark_mag IN (");
    for (int i = 0; i < rows.size(); ++i)
        readSql += (i ? QStringLiteral(",") : QString()) + QString::number(rows[i]);
    readSql += QLatin1Char(')');
    for (int r = 0; r < kReaders; ++r) {
        threads.emplace_back([&] {
            try {
                auto driver = test::connectClient(server.dataSource(), account.user, account.password);
                while (postersLeft > 0) {
                    const wire::BatchResult b = driver->execute(readSql);
                    for (const wire::Row& row : b.resultSets.value(0).rows)
                        if (row[1] != row[2] || row[2] != row[3])
                            ++halfWritten;
                    ++sheetsRead;
                }
            } catch (const db::DbError& e) {
                fail(e.message());
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    const double seconds = wall.nsecsElapsed() / 1e9;

    EXPECT_EQ(failures.load(), 0) << errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(halfWritten.load(), 0);
    EXPECT_GT(sheetsRead.load(), 0);
    // Every post landed exactly once: each row counted its own posts.
    const wire::ResultSet final = fx.admin(readSql).resultSets.first();
    int total = 0;
    for (const wire::Row& row : final.rows) {
        EXPECT_DOUBLE_EQ(row[3].toDouble(), kPostsEach / kRowsEach) << row[0].toInt();
        total += row[3].toInt();
    }
    EXPECT_EQ(total, kPosters * kPostsEach);

    std::sort(latenciesUs.begin(), latenciesUs.end());
    if (!latenciesUs.empty()) {
        const auto at = [&](double q) { return latenciesUs[size_t(q * double(latenciesUs.size() - 1))] / 1000.0; };
        std::printf("[ load     ] %d posts by %d sessions with %d readers in %.2f s: %.0f posts/s; "
                    "post median %.2f ms, 99%% %.2f ms, slowest %.2f ms; %d whole reads\n",
                    int(latenciesUs.size()), kPosters, kReaders, seconds, double(latenciesUs.size()) / seconds, at(0.5),
                    at(0.99), at(1.0), sheetsRead.load());
    }
    EXPECT_EQ(server.stop(), 0);
}

} // namespace
