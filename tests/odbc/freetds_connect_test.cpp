// The real FreeTDS driver takes the connection string the client builds. No server runs
// here, so a closed local port stands in for an unreachable one: the attempt must fail fast
// with FreeTDS's own text, not with a complaint about the string.
#include "platform/db/odbc_connection_string.h"
#include "platform/db/odbc_driver.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

TEST(FreeTdsConnect, AnUnreachableServerFailsWithTheDriversTextAndStaysClosed)
{
    const QString passwords[] = {"plain", "p{a}ss;x", "}", " pad ", "пароль"};
    for (const auto& password : passwords) {
        qel::db::ConnectionString cs;
        cs.set(QStringLiteral("Data Source"), QStringLiteral("127.0.0.1,1"));
        cs.set(QStringLiteral("Initial Catalog"), QStringLiteral("QEL"));
        cs.set(QStringLiteral("User ID"), QStringLiteral("qel"));
        cs.set(QStringLiteral("Password"), password);
        const auto driver = qel::db::makeOdbcDriver(cs);

        QElapsedTimer timer;
        timer.start();
        try {
            driver->open();
            ADD_FAILURE() << "connected to a closed port";
        } catch (const qel::db::DbError& e) {
            EXPECT_TRUE(e.message().contains(QLatin1String("Unable to connect"))) << e.message().toStdString();
            for (const auto& line : e.message().split(QLatin1Char('\n')))
                EXPECT_FALSE(line.isEmpty() || line.startsWith(QLatin1Char('['))) << e.message().toStdString();
        }
        EXPECT_LT(timer.elapsed(), 10000);
        EXPECT_FALSE(driver->isOpen());
    }
}
