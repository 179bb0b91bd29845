// What a statement may not do whoever sends it: be cut short by a NUL, put a value of the
// wrong type or length into a column, call the storage's own functions, recurse, run or
// grow without limit. Each refusal leaves the data as it was.
#include "server/server.h"
#include "tests/server/fixture.h"

#include <QDateTime>
#include <gtest/gtest.h>

#include <future>
#include <thread>

using namespace qel;
using qel::test::errorOf;

namespace {

const QString kNul = QStringLiteral("The statement text holds a NUL character (code 0); nothing of it was run.");
const QString kRecursion =
    QStringLiteral("The statement terminated. The maximum recursion 100 has been exhausted before statement completion.");

struct Refusal {
    const char* what;
    QString sql;
    QList<QVariant> params;
    QString error;
};

void expectRefusedUnchanged(const test::ServerFixture& fixture, server::Session& s, const QList<Refusal>& cases)
{
    for (const Refusal& c : cases) {
        SCOPED_TRACE(std::string(c.what) + ": " + c.sql.toStdString());
        const QString before = test::snapshot(fixture.path);
        EXPECT_EQ(errorOf([&] { s.execute(c.sql, c.params); }), c.error);
        EXPECT_EQ(test::snapshot(fixture.path), before);
    }
}

QVariant scalar(server::Session& s, const QString& sql)
{
    return s.execute(sql).resultSets.first().rows.first().first();
}

// A recursive count to n: levels 0 .. n - 1.
QString counting(int n)
{
    return QStringLiteral("WITH x (n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM x WHERE n < %1) ").arg(n);
}

} // namespace

TEST(Limits, ANulCharacterStopsTheStatementBeforeAnythingRuns)
{
    test::ServerFixture fixture(QStringLiteral("limits-nul"));
    auto teacher = fixture.teacher();
    const QChar nul(0);
    expectRefusedUnchanged(fixture, *teacher, {
        // the storage would run "UPDATE mark_mag SET primech='x'" on every row
        {"after the text the client meant", QStringLiteral("UPDATE mark_mag SET primech='x'") + nul + QStringLiteral(" WHERE id_mark_mag = 1"), {}, kNul},
        {"inside a literal", QStringLiteral("UPDATE mark_mag SET primech='x") + nul + QStringLiteral("' WHERE id_mark_mag = 1"), {}, kNul},
        {"in a condition passed as text", QStringLiteral("EXEC SelMarkMag 1, 1, 1, 1, 1, ?"), {QStringLiteral("1=1") + nul + QStringLiteral(" OR 1=1")},
         QStringLiteral("Условие отбора \"1=1") + nul + QStringLiteral(" OR 1=1\" не принято: ") + kNul},
    });
    // the administrator's tool (qel13-admin db exec) is refused alike
    auto admin = fixture.admin();
    const QString before = test::snapshot(fixture.path);
    EXPECT_EQ(errorOf([&] { admin->execute(QStringLiteral("DELETE FROM mark_mag") + nul + QStringLiteral(" WHERE id_mark_mag = 1")); }),
              kNul);
    EXPECT_EQ(errorOf([&] { admin->translate(QStringLiteral("SELECT 1") + nul); }), kNul);
    EXPECT_EQ(test::snapshot(fixture.path), before);
    // a NUL in a parameter is data, not a statement
    EXPECT_EQ(teacher->execute(QStringLiteral("UPDATE mark_mag SET primech = ? WHERE id_mark_mag = 1"),
                               {QStringLiteral("a") + nul + QStringLiteral("b")})
                  .rowsAffected,
              1);
}

TEST(Limits, ValuesTakeTheDeclaredTypeAndLengthOfTheirColumn)
{
    test::ServerFixture fixture(QStringLiteral("limits-types"));
    auto s = fixture.teacher();
    const QString truncated = QStringLiteral("String or binary data would be truncated.");
    const QString intOverflow = QStringLiteral("Arithmetic overflow error converting expression to data type int.");
    expectRefusedUnchanged(fixture, *s, {
        {"a text into INT", QStringLiteral("UPDATE mark_mag SET id_teacher = 'abc' WHERE id_mark_mag = 1"), {},
         QStringLiteral("Conversion failed when converting the varchar value 'abc' to data type int.")},
        {"a text parameter into INT", QStringLiteral("UPDATE mark_mag SET id_teacher = ? WHERE id_mark_mag = 1"), {QStringLiteral("12a")},
         QStringLiteral("Conversion failed when converting the varchar value '12a' to data type int.")},
        {"1e300 into INT", QStringLiteral("UPDATE mark_mag SET id_teacher = 1e300 WHERE id_mark_mag = 1"), {}, intOverflow},
        {"below the INT range", QStringLiteral("UPDATE mark_mag SET id_teacher = -2147483649 WHERE id_mark_mag = 1"), {}, intOverflow},
        {"a computed value out of range", QStringLiteral("UPDATE mark_mag SET kredits = kredits * 2147483647 WHERE id_mark_mag = 1"), {}, intOverflow},
        {"a text out of the INT range", QStringLiteral("UPDATE mark_mag SET id_teacher = '2147483648' WHERE id_mark_mag = 1"), {},
         QStringLiteral("The conversion of the varchar value '2147483648' overflowed an int column.")},
        {"a text into BIT", QStringLiteral("UPDATE mark_mag SET dopusk_izm = 'yes' WHERE id_mark_mag = 1"), {},
         QStringLiteral("Conversion failed when converting the varchar value 'yes' to data type bit.")},
        {"a text into FLOAT", QStringLiteral("UPDATE mark_mag SET m1 = ? WHERE id_mark_mag = 1"), {QStringLiteral("много")},
         QStringLiteral("Error converting data type varchar to float.")},
        {"a text into DATETIME", QStringLiteral("UPDATE mark_mag SET p36 = p35 WHERE id_mark_mag = 1"), {},
         QStringLiteral("Conversion failed when converting date and/or time from character string.")},
        {"8000 characters into VARCHAR(50)", QStringLiteral("UPDATE mark_mag SET primech = '%1' WHERE id_mark_mag = 1").arg(QString(8000, QLatin1Char('x'))), {},
         truncated},
        {"a long parameter", QStringLiteral("UPDATE mark_mag SET p35 = ? WHERE id_mark_mag = 1"), {QString(51, QLatin1Char('7'))}, truncated},
        {"a long expression", QStringLiteral("UPDATE s_fio SET idid = REPLICATE('A', 21) WHERE id_student = 1"), {}, truncated},
        {"one row of two too long", QStringLiteral("INSERT INTO QEL_LOG ([table], QEL_User) VALUES ('mark_mag', 'teacher'), ('%1', 'teacher')").arg(QString(51, QLatin1Char('t'))), {},
         truncated},
        {"from a query", QStringLiteral("INSERT INTO QEL_LOG ([table], row_id, QEL_User) SELECT 'x', p109, 'teacher' FROM f_est"), {},
         QStringLiteral("Conversion failed when converting the varchar value 'Ведомость' to data type int.")},
    });

    // what converts is stored converted, as SQL Server stores it
    s->execute(QStringLiteral("UPDATE mark_mag SET id_teacher = ' 7 ', kredits = 2.9, dopusk_izm = 5, m1 = '12.5', p35 = 1234, "
                              "primech = 'н/д%1' WHERE id_mark_mag = 1").arg(QString(60, QLatin1Char(' '))));
    const wire::Row row = s->execute(QStringLiteral("SELECT id_teacher, kredits, dopusk_izm, m1, p35, primech FROM mark_mag "
                                                    "WHERE id_mark_mag = 1"))
                              .resultSets.first().rows.first();
    EXPECT_EQ(row, (wire::Row{7, 2, true, 12.5, QStringLiteral("1234"), QStringLiteral("н/д").leftJustified(50)}));
    // a date written as text in the session's order
    s->execute(QStringLiteral("UPDATE mark_mag SET p36 = ? WHERE id_mark_mag = 1"), {QStringLiteral("31.01.2026")});
    EXPECT_EQ(scalar(*s, QStringLiteral("SELECT p36 FROM mark_mag WHERE id_mark_mag = 1")),
              QVariant(QDateTime(QDate(2026, 1, 31), QTime(0, 0))));
}

TEST(Limits, OnlyTheDialectsFunctionsAreCalled)
{
    test::ServerFixture fixture(QStringLiteral("limits-functions"));
    auto s = fixture.teacher();
    auto admin = fixture.admin();
    for (const char* f : {"randomblob(1000000000)", "printf('%d', 1)", "zeroblob(10)", "hex(p109)",
                          "load_extension('x')", "instr(p109, 'a')", "typeof(p109)", "tsql_store(1, 'INT', 'mdy')",
                          "qel_client_statement()", "strftime('%s', 'now')", "ifnull(1, 2)"}) {
        const QString name = QString::fromLatin1(f).section(QLatin1Char('('), 0, 0);
        const QString expected = QStringLiteral("'%1' is not a recognized built-in function name.").arg(name);
        EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("SELECT %1 FROM f_est").arg(QLatin1String(f))); }), expected) << f;
        EXPECT_EQ(errorOf([&] { admin->execute(QStringLiteral("SELECT %1 FROM f_est").arg(QLatin1String(f))); }), expected) << f;
    }
    // in a condition passed as text, too
    EXPECT_TRUE(errorOf([&] { s->execute(QStringLiteral("EXEC SelMarkMag 1, 1, 1, 1, 1, 'randomblob(5) IS NOT NULL'")); })
                    .contains(QStringLiteral("'randomblob' is not a recognized built-in function name.")));
    // the dialect's own functions run
    EXPECT_EQ(scalar(*s, QStringLiteral("SELECT UPPER(LEFT(p109, 3)) + CONVERT(varchar, LEN('ab  ')) + CHAR(33) FROM f_est WHERE id_f_e = 1")),
              QVariant(QStringLiteral("ВЕД2!")));
    EXPECT_EQ(scalar(*s, QStringLiteral("SELECT COALESCE(NULL, ABS(-2)) + ROUND(2.4, 0) + FLOOR(1.5) + CEILING(0.5)")), QVariant(6.0));
}

TEST(Limits, RecursionStopsAtOneHundredLevels)
{
    test::ServerFixture fixture(QStringLiteral("limits-recursion"));
    auto s = fixture.teacher();
    EXPECT_EQ(scalar(*s, counting(101) + QStringLiteral("SELECT COUNT(*) FROM x")), QVariant(101)); // levels 0 .. 100
    EXPECT_EQ(errorOf([&] { s->execute(counting(102) + QStringLiteral("SELECT COUNT(*) FROM x")); }), kRecursion);
    EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("WITH x (n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM x) SELECT n FROM x")); }),
              kRecursion);
    // without a column list, with an alias, under another definition, with two anchors
    EXPECT_EQ(scalar(*s, QStringLiteral("WITH a AS (SELECT 5 AS k), x AS (SELECT k AS n FROM a UNION ALL SELECT 1 UNION ALL "
                                        "SELECT r.n + 1 FROM x AS r WHERE r.n < 40) SELECT MAX(n) + COUNT(*) FROM x")),
              QVariant(40 + 36 + 40));
    EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("WITH x AS (SELECT 1 AS n UNION SELECT n + 1 FROM x WHERE n < 5) SELECT * FROM x")); }),
              QStringLiteral("Recursive common table expression 'x' does not contain a top-level UNION ALL operator."));
    EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("WITH RECURSIVE x AS (SELECT 1 AS n) SELECT * FROM x")); }),
              QStringLiteral("Incorrect syntax near 'RECURSIVE'."));
    // the rows of a definition that does not recurse are not counted
    EXPECT_EQ(scalar(*s, QStringLiteral("WITH t AS (SELECT id_mark_mag FROM mark_mag) SELECT COUNT(*) FROM t")), QVariant(5));
}

TEST(Limits, AStatementStopsAtItsTimeLimit)
{
    test::ServerFixture fixture(QStringLiteral("limits-time"));
    auto s = fixture.teacher();
    const QString endless = counting(100) + QStringLiteral("SELECT COUNT(*) FROM x a, x b, x c, x d, x e");
    s->setStatementTimeout(200);
    EXPECT_EQ(errorOf([&] { s->execute(endless); }), QStringLiteral("Query timeout expired"));
    // the session goes on; a statement within its time runs
    EXPECT_EQ(scalar(*s, QStringLiteral("SELECT COUNT(*) FROM mark_mag")), QVariant(5));
    // a routine is held to it as well
    EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("EXEC SelMarkMag 1, 1, 1, 1, 1, '(SELECT COUNT(*) FROM mark_mag a, mark_mag b, "
                                                      "mark_mag c, mark_mag d, mark_mag e, mark_mag f, mark_mag g, mark_mag h, "
                                                      "mark_mag i, mark_mag j, mark_mag k) > 0'")); }),
              QStringLiteral("Query timeout expired"));

    // waiting for a lock without a limit (SET LOCK_TIMEOUT -1) still ends with the statement's time
    auto other = fixture.teacher();
    other->execute(QStringLiteral("BEGIN TRAN UPDATE s_fio SET idid = 'X' WHERE id_student = 1"));
    s->execute(QStringLiteral("SET LOCK_TIMEOUT -1"));
    s->setStatementTimeout(300);
    EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("UPDATE s_fio SET idid = 'Y' WHERE id_student = 1")); }),
              QStringLiteral("Query timeout expired"));
    // without a time limit it waits until the lock is given up
    s->setStatementTimeout(0);
    auto pending = std::async(std::launch::async, [&] {
        return s->execute(QStringLiteral("UPDATE s_fio SET idid = 'Y' WHERE id_student = 1")).rowsAffected;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    other->execute(QStringLiteral("COMMIT"));
    EXPECT_EQ(pending.get(), 1);
    EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("SET LOCK_TIMEOUT -2")); }),
              QStringLiteral("The value -2 of SET LOCK_TIMEOUT is out of range: use -1 (no limit), 0 or a number of milliseconds."));
}

TEST(Limits, AStatementStopsAtItsMemoryCeiling)
{
    test::ServerFixture fixture(QStringLiteral("limits-memory"));
    auto s = fixture.teacher();
    s->setMemoryCeiling(1024 * 1024);
    const QString memory = QStringLiteral("There is insufficient system memory in resource pool 'default' to run this query. "
                                          "(The embedded server gives one statement at most 1 MB.)");
    // rows read
    EXPECT_EQ(errorOf([&] { s->execute(counting(100) + QStringLiteral("SELECT a.n, b.n, c.n FROM x a, x b, x c")); }), memory);
    // one value growing without end
    EXPECT_EQ(errorOf([&] {
                  s->execute(QStringLiteral("WITH x (t, n) AS (SELECT CONVERT(varchar(max), 'abcdefgh'), 1 UNION ALL "
                                            "SELECT t + '' + t, n + 1 FROM x WHERE n < 60) SELECT MAX(LEN(t)) FROM x"));
              }),
              memory);
    // the storage's working memory (a sort of many rows)
    EXPECT_EQ(errorOf([&] {
                  s->execute(counting(100) + QStringLiteral("SELECT COUNT(*) FROM (SELECT DISTINCT REPLICATE('x', 100) + "
                                                            "CONVERT(varchar, a.n * 10000 + b.n * 100 + c.n) AS k FROM x a, x b, x c) t"));
              }),
              memory);
    EXPECT_EQ(scalar(*s, QStringLiteral("SELECT COUNT(*) FROM mark_mag")), QVariant(5));
}
