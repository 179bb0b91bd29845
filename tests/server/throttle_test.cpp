// The throttle on failed user checks, with a clock that does not really wait: after five
// failures of one login within 15 minutes every attempt waits, doubling up to 30 s, and
// says so in the login log; a successful login starts anew.
#include "server/login_throttle.h"
#include "server/server.h"
#include "tests/server/fixture.h"

#include <gtest/gtest.h>

using namespace qel;
using qel::test::digestOf;
using qel::test::errorOf;

namespace {

// Replaces the throttle's clock while it lives: time moves only by what the throttle
// "sleeps" and by what the test moves it.
struct FakeLoginClock {
    QDateTime now = QDateTime(QDate(2026, 3, 2), QTime(9, 0));
    QList<int> waits;
    server::LoginClock saved = server::loginClock();

    FakeLoginClock()
    {
        server::loginClock() = {[this] { return now; },
                                [this](int ms) {
                                    waits << ms;
                                    now = now.addMSecs(ms);
                                }};
    }
    ~FakeLoginClock() { server::loginClock() = saved; }

    // The wait of the next attempt (0 when none).
    int attempt(server::Session& start, const QString& login, const QString& password)
    {
        const int before = waits.size();
        (void)errorOf([&] {
            start.execute(QStringLiteral("EXEC GET_USER '%1','%2',NULL, 'QEL 13', '10.0.0.9', 'pc', '%1','0','4'")
                              .arg(login, digestOf(password)));
        });
        now = now.addSecs(1);
        return waits.size() > before ? waits.last() : 0;
    }
};

} // namespace

TEST(LoginThrottle, RepeatedFailuresMakeEveryAttemptWait)
{
    test::ServerFixture fixture(QStringLiteral("throttle"));
    FakeLoginClock clock;
    server::Session start(fixture.path, QStringLiteral("qel_start"), QStringLiteral("qel13start"));
    const QString wrong = QStringLiteral("guess");

    QList<int> waits;
    for (int i = 0; i < 12; ++i)
        waits << clock.attempt(start, QStringLiteral("teacher"), wrong);
    EXPECT_EQ(waits, (QList<int>{0, 0, 0, 0, 0, 1000, 2000, 4000, 8000, 16000, 30000, 30000}));
    // another login is not held up; the same login in other letters is the same login
    EXPECT_EQ(clock.attempt(start, QStringLiteral("nobody"), wrong), 0);
    EXPECT_EQ(clock.attempt(start, QStringLiteral("TEACHER"), wrong), 30000);
    // the right password waits as well (its quick answer would give it away), then succeeds
    EXPECT_EQ(clock.attempt(start, QStringLiteral("teacher"), QStringLiteral("secret1")), 30000);
    EXPECT_EQ(clock.attempt(start, QStringLiteral("teacher"), wrong), 0);

    // each wait is in the log
    auto admin = fixture.admin();
    const auto log = admin->execute(QStringLiteral("SELECT message, success FROM sys_login_log WHERE QEL_login = 'teacher' "
                                                   "ORDER BY id_login_log"));
    const QList<wire::Row>& rows = log.resultSets.first().rows;
    ASSERT_EQ(rows.size(), 15);
    EXPECT_EQ(rows[4][0], QVariant(QStringLiteral("wrong login or password")));
    EXPECT_EQ(rows[7][0], QVariant(QStringLiteral("wrong login or password; delayed 4 s")));
    EXPECT_EQ(rows[13][0], QVariant(QStringLiteral("delayed 30 s")));
    EXPECT_EQ(rows[13][1], QVariant(true));
}

TEST(LoginThrottle, FailuresOlderThanFifteenMinutesDoNotCount)
{
    test::ServerFixture fixture(QStringLiteral("throttle-window"));
    FakeLoginClock clock;
    server::Session start(fixture.path, QStringLiteral("qel_start"), QStringLiteral("qel13start"));
    for (int i = 0; i < 5; ++i)
        clock.attempt(start, QStringLiteral("teacher"), QStringLiteral("guess"));
    clock.now = clock.now.addSecs(10 * 60);
    for (int i = 0; i < 3; ++i)
        clock.attempt(start, QStringLiteral("teacher"), QStringLiteral("guess"));
    EXPECT_EQ(clock.attempt(start, QStringLiteral("teacher"), QStringLiteral("guess")), 8000);
    // the first five are out of the window now: four remain
    clock.now = clock.now.addSecs(6 * 60);
    EXPECT_EQ(clock.attempt(start, QStringLiteral("teacher"), QStringLiteral("guess")), 0);
    EXPECT_EQ(clock.attempt(start, QStringLiteral("teacher"), QStringLiteral("guess")), 1000);
}
