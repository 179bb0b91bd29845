// Sessions: logins, what each login may do, two clients on one file, typed results.
#include "server/server.h"
#include "tests/server/fixture.h"
#include "tests/support/modal.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <future>
#include <thread>

using namespace qel;
using qel::test::errorOf;

TEST(Sessions, ServerLoginsAreCheckedAtConnect)
{
    test::ServerFixture fixture(QStringLiteral("logins"));
    EXPECT_EQ(errorOf([&] { server::Session(fixture.path, QStringLiteral("qel_start"), QStringLiteral("wrong")); }),
              QStringLiteral("Login failed for user 'qel_start'."));
    EXPECT_EQ(errorOf([&] { server::Session(fixture.path, QStringLiteral("nobody"), QStringLiteral("qel13start")); }),
              QStringLiteral("Login failed for user 'nobody'."));
    EXPECT_EQ(errorOf([&] { server::Session(fixture.path, QStringLiteral("QEL_START"), QStringLiteral("qel13start")); }), QString());
    EXPECT_EQ(errorOf([&] { server::Session(fixture.path, QStringLiteral("qel_start"), QStringLiteral("QEL13START")); }),
              QStringLiteral("Login failed for user 'qel_start'."));

    // A working account stops working when its user is blocked.
    auto teacher = fixture.teacher();
    const QString account = teacher->loginName();
    fixture.admin()->execute(QStringLiteral("UPDATE QEL_User SET isBlocked = 1 WHERE QEL_login = 'teacher'"));
    EXPECT_EQ(errorOf([&] { fixture.teacher(); }).isEmpty(), false);
    EXPECT_EQ(errorOf([&] { server::Session(fixture.path, account, QStringLiteral("guess")); }),
              QStringLiteral("Login failed for user '%1'.").arg(account));
}

TEST(Sessions, TheFirstConnectionMayOnlyCheckTheUser)
{
    test::ServerFixture fixture(QStringLiteral("start-login"));
    server::Session start(fixture.path, QStringLiteral("qel_start"), QStringLiteral("qel13start"));
    EXPECT_EQ(errorOf([&] { start.execute(QStringLiteral("SET DATEFORMAT dmy")); }), QString());
    const QString refused = errorOf([&] { start.execute(QStringLiteral("SELECT * FROM QEL_User")); });
    EXPECT_TRUE(refused.contains(QStringLiteral("may only run the user check"))) << refused.toStdString();
    EXPECT_FALSE(errorOf([&] { start.execute(QStringLiteral("EXEC SP_MarkMag_proverka_Del 1")); }).isEmpty());
    EXPECT_EQ(start.execute(QStringLiteral("EXEC GET_USER 'teacher', '%1', NULL, 'QEL 13', '', '', 'teacher', '0', '4'")
                                .arg(test::digestOf(QStringLiteral("secret1"))))
                  .resultSets.size(),
              1);
}

TEST(Sessions, ServerTablesAndStatementsOutsideTheDialectAreRefused)
{
    test::ServerFixture fixture(QStringLiteral("guard"));
    auto s = fixture.teacher();
    EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("SELECT * FROM sys_logins")); }), QStringLiteral("Invalid object name 'sys_logins'."));
    EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("SELECT * FROM [sys_login_log]")); }),
              QStringLiteral("Invalid object name 'sys_login_log'."));
    EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("SELECT * FROM sqlite_master")); }),
              QStringLiteral("Invalid object name 'sqlite_master'."));
    EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("DROP TABLE mark_mag")); }),
              QStringLiteral("The statement 'DROP' is not supported by the embedded server."));
    EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("SELECT * FROM no_such_table")); }),
              QStringLiteral("Invalid object name 'no_such_table'."));
    EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("SELECT no_such_column FROM f_est")); }),
              QStringLiteral("Invalid column name 'no_such_column'."));
    EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("SELECT nosuchfunction(1)")); }),
              QStringLiteral("'nosuchfunction' is not a recognized built-in function name."));
    EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("SELECT * FROM f_est WHERE id_f_e = ? AND p109 = ?"), {1}); }),
              QStringLiteral("The parameterized query expects the parameter number 2, which was not supplied."));
    EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("SELECT CONVERT(int, p109) FROM f_est")); }),
              QStringLiteral("Conversion failed when converting the varchar value 'Ведомость' to data type int."));
    // the administrator sees the server's own tables
    EXPECT_GE(fixture.admin()->execute(QStringLiteral("SELECT * FROM sys_logins")).resultSets.first().rows.size(), 2);
}

TEST(Sessions, AMissingFileIsCreatedWithTheDemoData)
{
    const QString path = test::freshTempDir(QStringLiteral("missing")) + QStringLiteral("/sub/QEL.sqlite");
    server::Session start(path, QStringLiteral("qel_start"), QStringLiteral("qel13start"));
    EXPECT_TRUE(QFileInfo::exists(path));
    auto admin = server::Session::administrator(path);
    EXPECT_GT(admin->execute(QStringLiteral("SELECT COUNT(*) FROM mark_mag")).resultSets.first().rows.first().first().toInt(), 100);
    EXPECT_EQ(errorOf([&] { server::createDatabase(path, false); }),
              QStringLiteral("The database file \"%1\" already exists.").arg(path));
    EXPECT_FALSE(errorOf([&] { server::Session::administrator(path + QStringLiteral(".none")); }).isEmpty());
}

TEST(Sessions, ResultsAreTypedFromTheDeclaredTypes)
{
    test::ServerFixture fixture(QStringLiteral("typed"));
    auto s = fixture.teacher();
    const auto r = s->execute(QStringLiteral(
        "SELECT m.id_mark_mag, m.p35, m.p36, m.m1, m.dopusk_izm, m.QEL_Update, m.dop2, 1 AS one, 2.5 AS half, "
        "'x' AS text, getdate() AS now, p.photo, st.startDateForChangePsw "
        "FROM mark_mag m LEFT JOIN StudentPhoto p ON p.id_student = m.id_student LEFT JOIN Student st ON st.id_student = m.id_student "
        "WHERE m.id_mark_mag = 1"));
    const wire::ResultSet& rs = r.resultSets.first();
    using T = wire::ColumnType;
    const QList<T> types = {T::Int, T::VarChar, T::DateTime, T::Float, T::Bit, T::Date, T::Float, T::Int, T::Float,
                            T::VarChar, T::DateTime, T::VarBinary, T::Date};
    for (int i = 0; i < types.size(); ++i)
        EXPECT_EQ(rs.columns[i].type, types[i]) << rs.columns[i].name.toStdString();
    EXPECT_TRUE(rs.columns[0].identity);
    EXPECT_FALSE(rs.columns[0].nullable);
    EXPECT_EQ(rs.columns[1].size, 50);
    EXPECT_EQ(rs.columns[1].baseTable, QStringLiteral("mark_mag"));
    EXPECT_EQ(rs.columns[1].baseColumn, QStringLiteral("p35"));
    EXPECT_TRUE(rs.columns[7].baseTable.isEmpty());
    const wire::Row& row = rs.rows.first();
    EXPECT_EQ(row[0], QVariant(1));
    EXPECT_EQ(row[1], QVariant(QStringLiteral("101")));
    EXPECT_EQ(row[2], QVariant(QDateTime(QDate(2026, 1, 20), QTime(0, 0))));
    EXPECT_EQ(row[2].toDateTime().timeSpec(), Qt::LocalTime);
    EXPECT_EQ(row[3], QVariant(30.0));
    EXPECT_EQ(row[4], QVariant(false));
    EXPECT_TRUE(row[6].isNull());
    EXPECT_EQ(row[7], QVariant(1));
    EXPECT_EQ(row[8], QVariant(2.5));
    EXPECT_LT(qAbs(row[10].toDateTime().secsTo(QDateTime::currentDateTime())), 5);
    EXPECT_TRUE(row[11].isNull());

    // a view column reads from its base table
    const auto v = s->execute(QStringLiteral("Select id_student, s_fio, idid from s_g where id_group=1"));
    EXPECT_EQ(v.resultSets.first().columns[1].baseTable, QStringLiteral("s_fio"));
    EXPECT_EQ(v.resultSets.first().columns[1].size, 100);
}

TEST(Sessions, RowsAffectedIsExact)
{
    test::ServerFixture fixture(QStringLiteral("affected"));
    auto s = fixture.teacher();
    EXPECT_EQ(s->execute(QStringLiteral("UPDATE mark_mag SET m1 = 1 WHERE id_mark_mag = 999")).rowsAffected, 0);
    EXPECT_EQ(s->execute(QStringLiteral("UPDATE mark_mag SET m1 = m1 WHERE id_group = 1 AND id_semester = 1")).rowsAffected, 5);
    EXPECT_EQ(s->execute(QStringLiteral("INSERT INTO QEL_LOG ([table], row_id, QEL_User) VALUES ('a', 1, 'teacher'), "
                                        "('b', 2, 'teacher'), ('c', 3, 'teacher')"))
                  .rowsAffected,
              3);
    EXPECT_EQ(s->execute(QStringLiteral("DELETE FROM mark_mag WHERE primech IN ('Д', 'x') AND id_f_est = 1")).rowsAffected, 3);
    EXPECT_EQ(s->execute(QStringLiteral("SELECT * FROM f_est")).rowsAffected, -1);
    // the last statement of a batch that changed rows decides
    EXPECT_EQ(s->execute(QStringLiteral("DELETE FROM mark_mag; SELECT 1")).rowsAffected, 2);
}

TEST(Sessions, TwoSessionsOnOneFileSeeEachOtherAndWaitForLocks)
{
    test::ServerFixture fixture(QStringLiteral("two-sessions"));
    auto a = fixture.teacher();
    auto b = fixture.teacher();
    a->execute(QStringLiteral("UPDATE s_fio SET idid = 'NEW' WHERE id_student = 1"));
    EXPECT_EQ(b->execute(QStringLiteral("SELECT idid FROM s_fio WHERE id_student = 1")).resultSets.first().rows.first().first(),
              QVariant(QStringLiteral("NEW")));

    // a holds the write lock; b's update waits until a commits
    a->execute(QStringLiteral("BEGIN TRAN UPDATE s_fio SET idid = 'A' WHERE id_student = 2"));
    QElapsedTimer clock;
    clock.start();
    auto pending = std::async(std::launch::async, [&] {
        return b->execute(QStringLiteral("UPDATE s_fio SET idid = 'B' WHERE id_student = 2")).rowsAffected;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    a->execute(QStringLiteral("COMMIT"));
    EXPECT_EQ(pending.get(), 1);
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_EQ(a->execute(QStringLiteral("SELECT idid FROM s_fio WHERE id_student = 2")).resultSets.first().rows.first().first(),
              QVariant(QStringLiteral("B")));

    // with a short lock timeout the wait ends with the server's message
    a->execute(QStringLiteral("BEGIN TRAN UPDATE s_fio SET idid = 'C' WHERE id_student = 2"));
    b->execute(QStringLiteral("SET LOCK_TIMEOUT 100"));
    EXPECT_EQ(errorOf([&] { b->execute(QStringLiteral("UPDATE s_fio SET idid = 'D' WHERE id_student = 2")); }),
              QStringLiteral("Lock request time out period exceeded."));
    a->execute(QStringLiteral("ROLLBACK"));
    EXPECT_EQ(b->execute(QStringLiteral("UPDATE s_fio SET idid = 'D' WHERE id_student = 2")).rowsAffected, 1);
}
