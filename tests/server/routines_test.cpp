// The server routines: their contract, the user check, the sheet procedures and their
// refusals.
#include "server/contract.h"
#include "server/routines.h"
#include "server/server.h"
#include "tests/server/fixture.h"

#include <gtest/gtest.h>

using namespace qel;
using qel::test::digestOf;
using qel::test::errorOf;
using qel::test::unshift;

namespace {

// The parameters of the mark sheet as the client sets them by position.
QList<wire::Param> sheetParams(const QVariant& condition, int group = 1, int semester = 1, int discipline = 1, int exam = 1,
                               int form = 1, int kredits = 5)
{
    QList<wire::Param> p = server::contract::parametersOf(*server::contract::findRoutine(QStringLiteral("SORT_MARK_MAG")));
    const QList<QVariant> values = {group, semester, discipline, exam, 1, condition, QStringLiteral("0"), QStringLiteral("0"),
                                    QStringLiteral("0"), 1};
    for (int i = 0; i < values.size(); ++i)
        p[i + 1].value = values[i];
    p[12].value = form;
    p[13].value = kredits;
    return p;
}

QString getUserCall(const QString& login, const QString& password, const QString& newPassword = QString())
{
    const QString fresh = newPassword.isNull() ? QStringLiteral("NULL") : QLatin1Char('\'') + digestOf(newPassword) + QLatin1Char('\'');
    return QStringLiteral("EXEC GET_USER '%1','%2',%3, 'QEL 13', '10.1.2.3', 'computer', '%1','0','%4'")
        .arg(login, digestOf(password), fresh)
        .arg(fresh.size());
}

} // namespace

TEST(Contract, SortMarkMagDeclaresTheThirteenParametersAndTheRecordFields)
{
    const auto* r = server::contract::findRoutine(QStringLiteral("dbo.sort_mark_mag"));
    ASSERT_NE(r, nullptr);
    QStringList names;
    for (const auto& a : r->arguments)
        names << a.name;
    EXPECT_EQ(names, (QStringList{"@RETURN_VALUE", "@group", "@semester", "@discipline", "@examination", "@id_teacher",
                                  "@DoNotShowEst", "@subgroup", "@isGetFromSubGroup", "@id_a_year", "@id_ebe_var",
                                  "@id_kafedra", "@id_f_est", "@Kredits"}));
    EXPECT_TRUE(r->arguments[0].isReturnValue);
    EXPECT_EQ(r->arguments[6].type, wire::ColumnType::VarChar);
    EXPECT_EQ(r->arguments[6].size, 3);
    EXPECT_EQ(r->arguments[11].defaultValue, QVariant(-1));
    for (int i = 0; i < r->arguments.size(); ++i)
        EXPECT_EQ(r->arguments[i].order, i);
    const auto params = server::contract::parametersOf(*r);
    EXPECT_EQ(params.size(), 14);
    EXPECT_TRUE(params[0].isReturnValue);
    EXPECT_EQ(params[11].value, QVariant(-1));
    EXPECT_TRUE(params[1].value.isNull());
    EXPECT_EQ(r->columns.size(), 35);
    EXPECT_EQ(r->columns[9].name, QStringLiteral("p36"));
    EXPECT_EQ(r->columns.last().name, QStringLiteral("id_ebe_var"));
    EXPECT_EQ(server::contract::findRoutine(QStringLiteral("no_such")), nullptr);
}

TEST(Contract, EveryRoutineAnswersWithItsDeclaredColumns)
{
    test::ServerFixture fixture(QStringLiteral("contract"));
    auto s = fixture.teacher();
    struct Call {
        const char* routine;
        QString sql;
    };
    const QList<Call> calls = {
        {"GET_USER", getUserCall(QStringLiteral("teacher"), QStringLiteral("secret1"))},
        {"SORT_MARK_MAG", QStringLiteral("EXEC SORT_MARK_MAG 1,1,1,1,1,'1=1',0,0,0,1,DEFAULT,1,5")},
        {"SP_RRNK_ebe_var", QStringLiteral("EXEC SP_RRNK_ebe_var 1, 1, 1, 1")},
        {"SelMarkMag", QStringLiteral("EXEC SelMarkMag 1, 1, 1, 1, 1, '0=0'")},
        {"SP_MarkMag_proverka_Del", QStringLiteral("EXEC SP_MarkMag_proverka_Del 1")},
        {"TF_GetEstConfig", QStringLiteral("SELECT * FROM TF_GetEstConfig(1, 1)")},
        {"TF_GetMarkMagModulCopyAccess", QStringLiteral("SELECT * FROM TF_GetMarkMagModulCopyAccess(7, 1)")},
    };
    for (const Call& c : calls) {
        SCOPED_TRACE(c.routine);
        const auto* r = server::contract::findRoutine(QLatin1String(c.routine));
        const auto result = s->execute(c.sql);
        ASSERT_EQ(result.resultSets.size(), 1);
        const auto& columns = result.resultSets.first().columns;
        ASSERT_EQ(columns.size(), r->columns.size());
        for (int i = 0; i < columns.size(); ++i) {
            EXPECT_EQ(columns[i].name, r->columns[i].name);
            EXPECT_EQ(columns[i].type, r->columns[i].type) << columns[i].name.toStdString();
            EXPECT_EQ(columns[i].size, r->columns[i].size) << columns[i].name.toStdString();
        }
    }
    const auto login = s->execute(QStringLiteral("SELECT dbo.FN_CreateLogin('Петров', 'Пётр')"));
    EXPECT_EQ(login.resultSets.first().rows.first().first(), QVariant(QStringLiteral("petrov.p")));
}

TEST(Contract, CallsAreCheckedAgainstTheDeclarations)
{
    test::ServerFixture fixture(QStringLiteral("contract-checks"));
    auto s = fixture.teacher();
    EXPECT_EQ(errorOf([&] { s->callProcedure(QStringLiteral("NO_SUCH"), {}); }),
              QStringLiteral("Could not find stored procedure 'NO_SUCH'."));
    EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("EXEC SP_MarkMag_proverka_Del 1, 2")); }),
              QStringLiteral("Procedure or function SP_MarkMag_proverka_Del has too many arguments specified."));
    EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("EXEC SP_MarkMag_proverka_Del")); }),
              QStringLiteral("Procedure or function 'SP_MarkMag_proverka_Del' expects parameter '@id_mark_mag', which was not supplied."));
    EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("EXEC SP_MarkMag_proverka_Del @id = 1")); }),
              QStringLiteral("@id is not a parameter for procedure SP_MarkMag_proverka_Del."));
    EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("EXEC SP_MarkMag_proverka_Del 'abc'")); }),
              QStringLiteral("Error converting data type varchar to int (parameter @id_mark_mag of SP_MarkMag_proverka_Del)."));
    EXPECT_EQ(errorOf([&] { s->execute(QStringLiteral("EXEC TF_GetEstConfig 1, 1")); }),
              QStringLiteral("Could not find stored procedure 'TF_GetEstConfig'."));
    // text arguments keep their whole length although declared shorter
    const auto sheet = s->callProcedure(QStringLiteral("SORT_MARK_MAG"), sheetParams(QStringLiteral("(id_estimation in(8, 9, 10, 11, 16))")));
    EXPECT_EQ(sheet.resultSets.first().rows.size(), 2);
    EXPECT_EQ(sheet.returnValue, QVariant(0));
}

TEST(GetUser, ChecksThePasswordAndHandsOutTheAccount)
{
    test::ServerFixture fixture(QStringLiteral("get-user"));
    server::Session start(fixture.path, QStringLiteral("qel_start"), QStringLiteral("qel13start"));
    const auto r = start.execute(getUserCall(QStringLiteral("TEACHER"), QStringLiteral("secret1")));
    const wire::Row row = r.resultSets.first().rows.first();
    EXPECT_EQ(row[2], QVariant(1));
    EXPECT_GE(row[3].toInt(), 20);
    EXPECT_EQ(row[4], QVariant(QString()));
    EXPECT_EQ(row[5], QVariant(27));
    server::Session working(fixture.path, unshift(row[0].toString()), unshift(row[1].toString()));
    EXPECT_EQ(working.execute(QStringLiteral("SELECT COUNT(*) FROM f_est")).resultSets.first().rows.first().first(), QVariant(4));
    // the same account every time
    const auto again = start.execute(getUserCall(QStringLiteral("teacher"), QStringLiteral("secret1")));
    EXPECT_EQ(again.resultSets.first().rows.first()[0], row[0]);

    const QString wrong = QStringLiteral("Неверный логин или пароль пользователя \"%1\".");
    EXPECT_EQ(errorOf([&] { start.execute(getUserCall(QStringLiteral("teacher"), QStringLiteral("secret2"))); }),
              wrong.arg(QStringLiteral("teacher")));
    EXPECT_EQ(errorOf([&] { start.execute(getUserCall(QStringLiteral("nobody"), QStringLiteral("secret1"))); }),
              wrong.arg(QStringLiteral("nobody")));
    // digests compare exactly: lower-case hex is another password
    EXPECT_FALSE(errorOf([&] {
                     start.execute(QStringLiteral("EXEC GET_USER 'teacher','%1',NULL,'QEL 13','','','teacher','0','4'")
                                       .arg(digestOf(QStringLiteral("secret1")).toLower()));
                 }).isEmpty());
    // a login with a quote cannot end the literal
    EXPECT_EQ(errorOf([&] { start.execute(getUserCall(QStringLiteral("o''brien"), QStringLiteral("x"))); }),
              wrong.arg(QStringLiteral("o'brien")));

    auto admin = fixture.admin();
    const auto log = admin->execute(QStringLiteral("SELECT QEL_login, ip, computer, client, success FROM sys_login_log ORDER BY id_login_log"));
    ASSERT_EQ(log.resultSets.first().rows.size(), 6);
    EXPECT_EQ(log.resultSets.first().rows[0][1], QVariant(QStringLiteral("10.1.2.3")));
    EXPECT_EQ(log.resultSets.first().rows[0][2], QVariant(QStringLiteral("computer")));
    EXPECT_EQ(log.resultSets.first().rows[0][3], QVariant(QStringLiteral("QEL 13")));
    EXPECT_EQ(log.resultSets.first().rows[0][4], QVariant(true));
    EXPECT_EQ(log.resultSets.first().rows[2][4], QVariant(false));
}

TEST(GetUser, PasswordStateAndChange)
{
    test::ServerFixture fixture(QStringLiteral("get-user-state"));
    auto admin = fixture.admin();
    server::Session start(fixture.path, QStringLiteral("qel_start"), QStringLiteral("qel13start"));
    auto row = [&](const QString& sql) { return start.execute(sql).resultSets.first().rows.first(); };

    // must change now: no account until the password is changed
    admin->execute(QStringLiteral("UPDATE QEL_User SET mustChangePassword = 1"));
    wire::Row r = row(getUserCall(QStringLiteral("teacher"), QStringLiteral("secret1")));
    EXPECT_LT(r[3].toInt(), 0);
    EXPECT_EQ(r[0], QVariant(QString()));
    r = row(getUserCall(QStringLiteral("teacher"), QStringLiteral("secret1"), QStringLiteral("secret1")));
    EXPECT_EQ(r[4], QVariant(QStringLiteral("Новый пароль должен отличаться от прежнего.")));
    r = row(getUserCall(QStringLiteral("teacher"), QStringLiteral("secret1"), QStringLiteral("better2")));
    EXPECT_EQ(r[4], QVariant(QString()));
    EXPECT_GE(r[3].toInt(), 20);
    EXPECT_FALSE(r[0].toString().isEmpty());
    EXPECT_FALSE(errorOf([&] { row(getUserCall(QStringLiteral("teacher"), QStringLiteral("secret1"))); }).isEmpty());
    EXPECT_EQ(row(getUserCall(QStringLiteral("teacher"), QStringLiteral("better2")))[4], QVariant(QString()));

    // should change soon: the days left of the password's validity
    admin->execute(QStringLiteral("UPDATE QEL_User SET passwordChanged = dateadd(day, -170, getdate())"));
    EXPECT_EQ(row(getUserCall(QStringLiteral("teacher"), QStringLiteral("better2")))[3], QVariant(10));
    admin->execute(QStringLiteral("UPDATE QEL_User SET passwordChanged = dateadd(day, -200, getdate())"));
    EXPECT_EQ(row(getUserCall(QStringLiteral("teacher"), QStringLiteral("better2")))[3], QVariant(-1));
    admin->execute(QStringLiteral("UPDATE sys_settings SET value = '0' WHERE name = 'PasswordValidDays'"));
    EXPECT_EQ(row(getUserCall(QStringLiteral("teacher"), QStringLiteral("better2")))[3], QVariant(999));

    // the minimum client version and a blocked user
    admin->execute(QStringLiteral("UPDATE sys_settings SET value = '28' WHERE name = 'MinClientVersion'"));
    EXPECT_EQ(row(getUserCall(QStringLiteral("teacher"), QStringLiteral("better2")))[5], QVariant(28));
    admin->execute(QStringLiteral("UPDATE QEL_User SET isBlocked = 1"));
    r = row(getUserCall(QStringLiteral("teacher"), QStringLiteral("better2")));
    EXPECT_TRUE(r[4].toString().contains(QStringLiteral("заблокирована")));
    EXPECT_EQ(r[0], QVariant(QString()));
    const auto changes = admin->execute(QStringLiteral("SELECT COUNT(*) FROM sys_login_log WHERE password_changed = 1"));
    EXPECT_EQ(changes.resultSets.first().rows.first().first(), QVariant(1));
}

TEST(SortMarkMag, ShowsTheSheetFilteredByTheCondition)
{
    test::ServerFixture fixture(QStringLiteral("sort-mark-mag"));
    auto s = fixture.teacher();
    struct Case {
        QVariant condition;
        int rows;
    };
    const QList<Case> cases = {
        {QStringLiteral("1=1"), 3},
        {QStringLiteral("(id_estimation <> 25)"), 3},
        {QStringLiteral("(id_estimation in(8, 9, 10, 11, 16))"), 2},
        {QString(), 3},
        {QVariant(), 3},
        {QStringLiteral("mark_mag.primech = 'Н/Д'"), 1},
    };
    for (const Case& c : cases) {
        const auto r = s->callProcedure(QStringLiteral("SORT_MARK_MAG"), sheetParams(c.condition));
        EXPECT_EQ(r.resultSets.first().rows.size(), c.rows) << c.condition.toString().toStdString();
    }
    const auto sheet = s->callProcedure(QStringLiteral("SORT_MARK_MAG"), sheetParams(QStringLiteral("1=1")));
    const wire::ResultSet& rs = sheet.resultSets.first();
    for (const wire::Column& c : rs.columns)
        EXPECT_EQ(c.baseTable, QStringLiteral("mark_mag")) << c.name.toStdString();
    EXPECT_TRUE(rs.columns.first().identity);
    // sorted by the students' names
    EXPECT_EQ(rs.rows[0][2], QVariant(1));
    EXPECT_EQ(rs.rows[2][2], QVariant(3));
    // a posted row goes back to mark_mag by its key
    const int m1 = rs.columnIndex(QStringLiteral("m1"));
    EXPECT_EQ(s->execute(QStringLiteral("UPDATE mark_mag SET m1 = ? WHERE id_mark_mag = ? AND m1 = ?"), {35.0, rs.rows[0][0], rs.rows[0][m1]})
                  .rowsAffected,
              1);
    // other statement form, other credits
    EXPECT_EQ(s->callProcedure(QStringLiteral("SORT_MARK_MAG"), sheetParams(QStringLiteral("1=1"), 1, 1, 1, 1, 7)).resultSets.first().rows.size(), 1);
    EXPECT_EQ(s->callProcedure(QStringLiteral("SORT_MARK_MAG"), sheetParams(QStringLiteral("1=1"), 1, 1, 1, 1, 1, 4)).resultSets.first().rows.size(), 0);
}

TEST(SortMarkMag, RefusesAConditionThatIsNotOneBooleanExpression)
{
    test::ServerFixture fixture(QStringLiteral("conditions"));
    auto s = fixture.teacher();
    const QStringList refused = {
        QStringLiteral("1=1; DELETE FROM mark_mag"),
        QStringLiteral("1=1 DELETE FROM mark_mag"),
        QStringLiteral("1=1 --"),
        QStringLiteral("/* x */ 1=1"),
        QStringLiteral("1=1) OR (1=1"),
        QStringLiteral("1=1) UNION SELECT * FROM mark_mag WHERE (1=1"),
        QStringLiteral("id_estimation = 1 UNION SELECT 1"),
        QStringLiteral("1=1 ORDER BY 1"),
        QStringLiteral("id_estimation IN (SELECT id_estimation FROM sys_logins)"),
        QStringLiteral("no_such_column = 1"),
        QStringLiteral("id_estimation ="),
        QStringLiteral("@x = 1"),
        QStringLiteral("1=1' OR '1'='1"),
    };
    for (const QString& c : refused) {
        const QString e = errorOf([&] { s->callProcedure(QStringLiteral("SORT_MARK_MAG"), sheetParams(c)); });
        EXPECT_TRUE(e.startsWith(QStringLiteral("Условие отбора"))) << c.toStdString() << " -> " << e.toStdString();
    }
    // a subquery is still one expression
    EXPECT_EQ(s->callProcedure(QStringLiteral("SORT_MARK_MAG"),
                               sheetParams(QStringLiteral("id_student IN (SELECT id_student FROM s_fio WHERE s_fio LIKE 'а%')")))
                  .resultSets.first().rows.size(),
              1);
    EXPECT_EQ(fixture.admin()->execute(QStringLiteral("SELECT COUNT(*) FROM mark_mag")).resultSets.first().rows.first().first(), QVariant(5));
}

TEST(SheetRoutines, InsertIntoCreatesTheMissingRowsOfTheGroup)
{
    test::ServerFixture fixture(QStringLiteral("insert-into"));
    auto s = fixture.teacher();
    auto admin = fixture.admin();
    admin->execute(QStringLiteral("INSERT INTO s_fio (id_student, s_fio) VALUES (5, 'Дмитриев Дмитрий'); "
                                  "INSERT INTO student_group (id_student, id_group, id_start_semester) VALUES (5, 1, 2)"));
    // semester 2 of algebra: nobody has a row yet; the student who came in the second semester too
    EXPECT_EQ(s->execute(QStringLiteral("EXEC InsertInto_SORT_MARK_MAG 1,2,1,1,1,1,0,0,0,1,1,4")).rowsAffected, 4);
    EXPECT_EQ(s->execute(QStringLiteral("EXEC InsertInto_SORT_MARK_MAG 1,2,1,1,1,1,0,0,0,1,1,4")).rowsAffected, 0);
    // ... but not in the first semester
    EXPECT_EQ(s->execute(QStringLiteral("EXEC InsertInto_SORT_MARK_MAG 1,1,2,2,1,1,0,0,0,1,2,0")).rowsAffected, 2);
    // not in the curriculum, or asked not to create: nothing
    EXPECT_EQ(s->execute(QStringLiteral("EXEC InsertInto_SORT_MARK_MAG 1,2,2,2,1,1,0,0,0,1,2,0")).rowsAffected, 0);
    EXPECT_EQ(s->execute(QStringLiteral("EXEC InsertInto_SORT_MARK_MAG 1,1,1,4,1,1,0,0,0,0,1,2")).rowsAffected, 0);
    const auto row = admin->execute(QStringLiteral(
        "SELECT id_estimation, id_f_est, kredits, id_ebe_var, k_count, QEL_User, id_a_year, id_teacher, primech "
        "FROM mark_mag WHERE id_semester = 2 AND id_student = 5"));
    ASSERT_EQ(row.resultSets.first().rows.size(), 1);
    EXPECT_EQ(row.resultSets.first().rows.first(),
              (wire::Row{8, 1, 4, 1, 2, QStringLiteral("teacher"), 1, 1, QStringLiteral("д")}));
    EXPECT_EQ(s->callProcedure(QStringLiteral("SORT_MARK_MAG"), sheetParams(QStringLiteral("1=1"), 1, 2, 1, 1, 1, 4))
                  .resultSets.first().rows.size(),
              4);
}

TEST(SheetRoutines, VariantsCandidatesAndDeletionCheck)
{
    test::ServerFixture fixture(QStringLiteral("sheet-routines"));
    auto s = fixture.teacher();
    auto first = [&](const QString& sql) { return s->execute(sql).resultSets.first(); };
    EXPECT_EQ(first(QStringLiteral("EXEC SP_RRNK_ebe_var @id_discipline = 1, @id_examination = 1, @id_group = 1, @id_semester = 1")).rows,
              (QList<wire::Row>{{1}}));
    EXPECT_EQ(first(QStringLiteral("EXEC SP_RRNK_ebe_var 2, 2, 1, 1")).rows, (QList<wire::Row>{{2}}));
    // without any teaching load: the speciality's variants
    EXPECT_EQ(first(QStringLiteral("EXEC SP_RRNK_ebe_var 1, 4, 1, 1")).rows, (QList<wire::Row>{{1}}));

    EXPECT_EQ(first(QStringLiteral("Exec QEL.[dbo].[SelMarkMag] 1, 1, 1, 1, 1, '0=0'")).rows.size(), 3);
    EXPECT_EQ(first(QStringLiteral("Exec SelMarkMag 1, 1, 1, 1, 1, ''")).rows.size(), 3);
    EXPECT_EQ(first(QStringLiteral("Exec SelMarkMag 1, 1, 1, 1, 2, '0=0'")).rows.size(), 0);
    EXPECT_TRUE(errorOf([&] { s->execute(QStringLiteral("Exec SelMarkMag 1, 1, 1, 1, 1, '0=0; DROP TABLE mark_mag'")); })
                    .startsWith(QStringLiteral("Условие отбора")));

    s->execute(QStringLiteral("INSERT INTO mark_mag (id_group, id_student, id_examination, id_discipline, id_semester, id_f_est, kredits, isStaticDiscipline) "
                              "VALUES (1, 1, 2, 1, 1, 1, 3, 1)"));
    EXPECT_EQ(first(QStringLiteral("EXEC SP_MarkMag_proverka_Del  @id_mark_mag =1")).rows, (QList<wire::Row>{{1}}));
    EXPECT_EQ(first(QStringLiteral("EXEC SP_MarkMag_proverka_Del  @id_mark_mag =6")).rows, (QList<wire::Row>{{-1}}));
    EXPECT_EQ(first(QStringLiteral("EXEC SP_MarkMag_proverka_Del  @id_mark_mag =99")).rows, (QList<wire::Row>{{0}}));
}

TEST(SheetRoutines, ProposedLogins)
{
    struct Case {
        QString surname, name, login;
    };
    const QList<Case> cases = {
        {QStringLiteral("Иванов"), QStringLiteral("Пётр"), QStringLiteral("ivanov.p")},
        {QStringLiteral(" Ёлкина "), QStringLiteral(" Щукина"), QStringLiteral("elkina.s")},
        {QStringLiteral("Хрущёв"), QStringLiteral("Юрий"), QStringLiteral("khrushchev.i")},
        {QStringLiteral("Smith"), QString(), QStringLiteral("smith")},
        {QString(), QStringLiteral("Анна"), QStringLiteral("student.a")},
        {QStringLiteral("Д'Артаньян"), QStringLiteral("Шарль"), QStringLiteral("dartanian.s")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(server::proposedLogin(c.surname, c.name), c.login);
}
