// The rights of working logins: what a hand-made statement of a logged-in user may not read
// or write, the row rules on marks and audit rows, and that refusals change nothing.
#include "server/server.h"
#include "tests/server/fixture.h"
#include "tests/support/modal.h"

#include <gtest/gtest.h>

using namespace qel;
using qel::test::digestOf;
using qel::test::errorOf;

namespace {

QString denied(const char* permission, const char* object, const char* column = nullptr)
{
    if (column)
        return QStringLiteral("The %1 permission was denied on the column '%2' of the object '%3', database 'QEL', schema 'dbo'.")
            .arg(QLatin1String(permission), QLatin1String(column), QLatin1String(object));
    return QStringLiteral("The %1 permission was denied on the object '%2', database 'QEL', schema 'dbo'.")
        .arg(QLatin1String(permission), QLatin1String(object));
}

QVariant scalar(server::Session& s, const QString& sql)
{
    return s.execute(sql).resultSets.first().rows.first().first();
}

// A user without statement forms and without the admission right, as the server's "viewer".
void addReader(const test::ServerFixture& fixture)
{
    fixture.admin()->execute(QStringLiteral("INSERT INTO QEL_User (QEL_login, password, fio, canChangeDopusk, mustChangePassword, "
                                            "passwordChanged) VALUES ('reader', '%1', 'Читатель', 0, 0, getdate()); "
                                            "INSERT INTO User_f_educ (id_login, id_f_educ) VALUES (2, 1)")
                                 .arg(digestOf(QStringLiteral("reader1"))));
}

struct Refusal {
    const char* what;
    QString sql;
    QString error;
};

void expectRefusedUnchanged(const test::ServerFixture& fixture, server::Session& s, const QList<Refusal>& cases)
{
    for (const Refusal& c : cases) {
        SCOPED_TRACE(std::string(c.what) + ": " + c.sql.toStdString());
        const QString before = test::snapshot(fixture.path);
        EXPECT_EQ(errorOf([&] { s.execute(c.sql); }), c.error);
        EXPECT_EQ(test::snapshot(fixture.path), before);
    }
}

} // namespace

TEST(Rights, AWorkingLoginReadsAndWritesOnlyWhatTheClientDoes)
{
    test::ServerFixture fixture(QStringLiteral("rights-table"));
    auto s = fixture.teacher();
    const QString staffDigests = denied("SELECT", "QEL_User", "password");
    expectRefusedUnchanged(fixture, *s, {
        // the staff digests, which GET_USER takes as good as the password
        {"digests", QStringLiteral("SELECT QEL_login, password FROM QEL_User"), staffDigests},
        {"digests by *", QStringLiteral("SELECT * FROM [QEL].[dbo].[QEL_User]"), staffDigests},
        {"digest as an oracle", QStringLiteral("SELECT COUNT(*) FROM QEL_User WHERE password LIKE 'A%'"), staffDigests},
        {"digest in a subquery", QStringLiteral("SELECT id_f_e FROM f_est WHERE EXISTS (SELECT 1 FROM QEL_User WHERE password > '')"), staffDigests},
        {"digest through a common table expression", QStringLiteral("WITH g_s AS (SELECT password FROM QEL_User) SELECT * FROM g_s"), staffDigests},
        // rights and users are the administrator's
        {"a statement form for oneself", QStringLiteral("INSERT INTO User_f_est VALUES (3,1)"), denied("INSERT", "User_f_est")},
        {"another user blocked", QStringLiteral("UPDATE QEL_User SET isBlocked=1 WHERE QEL_login <> 'teacher'"), denied("UPDATE", "QEL_User")},
        {"a digest replaced", QStringLiteral("UPDATE QEL_User SET password = 'x' WHERE id_qel_user = 1"), denied("UPDATE", "QEL_User")},
        {"the admission right", QStringLiteral("UPDATE QEL_User SET canChangeDopusk = 1"), denied("UPDATE", "QEL_User")},
        {"a user removed", QStringLiteral("DELETE FROM QEL_User WHERE id_qel_user = 1"), denied("DELETE", "QEL_User")},
        {"rights removed", QStringLiteral("DELETE FROM User_f_est"), denied("DELETE", "User_f_est")},
        // the audit trail: insert only
        {"audit read", QStringLiteral("SELECT * FROM QEL_LOG"), denied("SELECT", "QEL_LOG")},
        {"audit counted", QStringLiteral("SELECT COUNT(*) FROM QEL_LOG"), denied("SELECT", "QEL_LOG")},
        {"audit erased", QStringLiteral("DELETE FROM QEL_LOG"), denied("DELETE", "QEL_LOG")},
        {"audit rewritten", QStringLiteral("UPDATE QEL_LOG SET descr = 'x'"), denied("UPDATE", "QEL_LOG")},
        // columns the client never writes
        {"a student's e-mail", QStringLiteral("UPDATE Student SET e_mail = 'x' WHERE id_student = 1"), denied("UPDATE", "Student", "e_mail")},
        {"a student's name", QStringLiteral("UPDATE s_fio SET s_fio = 'x' WHERE id_student = 1"), denied("UPDATE", "s_fio", "s_fio")},
        {"a mark's author", QStringLiteral("UPDATE mark_mag SET QEL_User = 'x' WHERE id_mark_mag = 1"), denied("UPDATE", "mark_mag", "QEL_User")},
        {"the server's stamp", QStringLiteral("UPDATE mark_mag SET oper = 'I', u_date = getdate() WHERE id_mark_mag = 1"), denied("UPDATE", "mark_mag", "oper")},
        {"a new student account", QStringLiteral("INSERT INTO Student (id_student, login) VALUES (99, 'x')"), denied("INSERT", "Student")},
        {"reference data", QStringLiteral("UPDATE f_est SET QEL13 = 1"), denied("UPDATE", "f_est")},
        {"reference data removed", QStringLiteral("DELETE FROM estimation"), denied("DELETE", "estimation")},
        {"settings", QStringLiteral("UPDATE VuzDefaults SET id_field = 0"), denied("UPDATE", "VuzDefaults")},
        {"an individual discipline", QStringLiteral("INSERT INTO DisciplineForStudent (id_student, id_discipline, id_semester, id_group, id_examination) VALUES (1, 1, 1, 1, 1)"),
         denied("INSERT", "DisciplineForStudent")},
        // the server's own tables stay out of sight
        {"server logins", QStringLiteral("SELECT * FROM sys_logins"), QStringLiteral("Invalid object name 'sys_logins'.")},
    });

    // what the client reads still reads: every column but the digest
    EXPECT_EQ(s->execute(QStringLiteral("SELECT QEL_login, fio, canChangeDopusk FROM QEL_User")).resultSets.first().rows.size(), 1);
    // the portal digests read as NULL, in the list and in a condition alike
    const auto students = s->execute(QStringLiteral("SELECT id_student, login, password FROM Student ORDER BY id_student"));
    EXPECT_EQ(students.resultSets.first().rows.first()[1], QVariant(QStringLiteral("akimov.a")));
    EXPECT_TRUE(students.resultSets.first().rows.first()[2].isNull());
    EXPECT_EQ(students.resultSets.first().columns[2].type, wire::ColumnType::VarChar);
    EXPECT_EQ(students.resultSets.first().columns[2].baseTable, QStringLiteral("Student"));
    EXPECT_EQ(scalar(*s, QStringLiteral("SELECT COUNT(*) FROM Student WHERE password = '%1'").arg(digestOf(QStringLiteral("student1")))),
              QVariant(0));
    // the administrator reads and writes everything
    EXPECT_EQ(scalar(*fixture.admin(), QStringLiteral("SELECT password FROM QEL_User WHERE id_qel_user = 1")),
              QVariant(digestOf(QStringLiteral("secret1"))));
}

TEST(Rights, AuditRowsAreWrittenInTheSessionsOwnName)
{
    test::ServerFixture fixture(QStringLiteral("rights-audit"));
    auto s = fixture.teacher();
    const QString error = denied("INSERT", "QEL_LOG").chopped(1)
        + QStringLiteral(": the column QEL_User of an audit row must be the login of the session ('teacher').");
    expectRefusedUnchanged(fixture, *s, {
        {"in another user's name", QStringLiteral("INSERT INTO QEL_LOG([table], [row_id], [descr], [QEL_User]) VALUES('mark_mag', 1, 'x', 'demo')"), error},
        {"without a name", QStringLiteral("INSERT INTO QEL_LOG([table], [row_id], [descr]) VALUES('mark_mag', 1, 'x')"), error},
        {"a name as NULL", QStringLiteral("INSERT INTO QEL_LOG([table], [row_id], [descr], [QEL_User]) VALUES('mark_mag', 1, 'x', NULL)"), error},
        {"one row of two in another name", QStringLiteral("INSERT INTO QEL_LOG([table], [QEL_User]) VALUES('a', 'teacher'), ('b', 'other')"), error},
        {"from a query", QStringLiteral("INSERT INTO QEL_LOG([table], [QEL_User]) SELECT 'a', QEL_login + 'x' FROM QEL_User"), error},
    });
    // the login as the user typed it at the login window: other letter case, trailing blanks
    for (const char* name : {"teacher", "TEACHER", "Teacher  "})
        EXPECT_EQ(s->execute(QStringLiteral("INSERT INTO QEL_LOG([table], [row_id], [descr], [QEL_User], [comp]) "
                                            "VALUES('mark_mag', 1, 'x', ?, 'host')"),
                             {QString::fromLatin1(name)})
                      .rowsAffected,
                  1);
    // the server's own writes are not the client's: the user check logs freely
    EXPECT_EQ(scalar(*fixture.admin(), QStringLiteral("SELECT COUNT(*) FROM QEL_LOG")), QVariant(3));
}

TEST(Rights, MarksChangeOnlyOnStatementFormsTheUserHolds)
{
    test::ServerFixture fixture(QStringLiteral("rights-rows"));
    addReader(fixture);
    auto admin = fixture.admin();
    // a row on statement form 4, which the teacher does not hold
    admin->execute(QStringLiteral("INSERT INTO mark_mag (id_group, id_student, id_examination, id_estimation, id_discipline, "
                                  "id_semester, id_f_est, m1, primech) VALUES (1, 1, 1, 3, 1, 1, 4, 10, 'д')"));
    const int form4 = scalar(*admin, QStringLiteral("SELECT MAX(id_mark_mag) FROM mark_mag")).toInt();
    auto reader = fixture.login(QStringLiteral("reader"), QStringLiteral("reader1"));
    auto teacher = fixture.teacher();

    // a read-only user changes no mark by hand-made SQL, whatever the statement
    expectRefusedUnchanged(fixture, *reader, {
        {"a mark", QStringLiteral("UPDATE mark_mag SET m1 = 40 WHERE id_mark_mag = 1"), denied("UPDATE", "mark_mag")},
        {"every mark", QStringLiteral("UPDATE mark_mag SET ball = 100"), denied("UPDATE", "mark_mag")},
        {"the admission", QStringLiteral("UPDATE mark_mag SET primech = 'н/д', dopusk_izm = 1 WHERE id_mark_mag = 1"), denied("UPDATE", "mark_mag")},
        {"a row removed", QStringLiteral("DELETE FROM mark_mag WHERE id_mark_mag = 1"), denied("DELETE", "mark_mag")},
        {"a row added", QStringLiteral("INSERT INTO mark_mag (id_group, id_student, id_f_est, m1) VALUES (1, 4, 1, 50)"), denied("INSERT", "mark_mag")},
        {"the written-back post", QStringLiteral("UPDATE [mark_mag] SET [m1] = 39 WHERE [id_mark_mag] = 1 AND [m1] = 30"), denied("UPDATE", "mark_mag")},
    });
    // a user who edits some forms changes nothing on the others
    expectRefusedUnchanged(fixture, *teacher, {
        {"a row of another form", QStringLiteral("UPDATE mark_mag SET m1 = 1 WHERE id_mark_mag = %1").arg(form4), denied("UPDATE", "mark_mag")},
        {"a row moved to another form", QStringLiteral("UPDATE mark_mag SET id_f_est = 4 WHERE id_mark_mag = 1"), denied("UPDATE", "mark_mag")},
        {"a row of another form among others", QStringLiteral("UPDATE mark_mag SET m1 = 1 WHERE id_student = 1"), denied("UPDATE", "mark_mag")},
        {"a row added on another form", QStringLiteral("INSERT INTO mark_mag (id_group, id_student, id_f_est) VALUES (1, 4, 4)"), denied("INSERT", "mark_mag")},
        {"a row without a form", QStringLiteral("INSERT INTO mark_mag (id_group, id_student) VALUES (1, 4)"), denied("INSERT", "mark_mag")},
        {"a row of another form removed", QStringLiteral("DELETE FROM mark_mag WHERE id_mark_mag = %1").arg(form4), denied("DELETE", "mark_mag")},
    });
    EXPECT_EQ(teacher->execute(QStringLiteral("UPDATE mark_mag SET m1 = 35 WHERE id_mark_mag = 1")).rowsAffected, 1);
    EXPECT_EQ(teacher->execute(QStringLiteral("UPDATE mark_mag SET id_f_est = 7 WHERE id_mark_mag = 1")).rowsAffected, 1);
    // the admission reaches a student's rows on every form for a user with the admission right
    EXPECT_EQ(teacher->execute(QStringLiteral(" Update [QEL].[dbo].[mark_mag]  Set primech='н/д' ,dopusk_izm = 1  Where id_student=1 "
                                              "And  id_group=1 And  id_semester=1 And id_mark_mag<>1"))
                  .rowsAffected,
              2);
    EXPECT_EQ(scalar(*admin, QStringLiteral("SELECT primech FROM mark_mag WHERE id_mark_mag = %1").arg(form4)),
              QVariant(QStringLiteral("н/д")));

    // rights given by the administrator hold at once, in the open session
    admin->execute(QStringLiteral("INSERT INTO User_f_est (id_login, id_f_est) VALUES (2, 1)"));
    EXPECT_EQ(reader->execute(QStringLiteral("UPDATE mark_mag SET m1 = 36 WHERE id_mark_mag = 2")).rowsAffected, 1);
    EXPECT_EQ(errorOf([&] { reader->execute(QStringLiteral("UPDATE mark_mag SET m1 = 1 WHERE id_mark_mag = 1")); }),
              denied("UPDATE", "mark_mag")); // now on form 7
    // the server's routine makes a read-only user's sheet rows as for anyone
    EXPECT_EQ(reader->execute(QStringLiteral("EXEC InsertInto_SORT_MARK_MAG 1,1,2,2,1,1,0,0,0,1,2,0")).rowsAffected, 2);
}

TEST(Rights, TheDemoViewerOnlyReadsAndTheDemoUserWorks)
{
    const QString path = test::freshTempDir(QStringLiteral("rights-demo")) + QStringLiteral("/QEL.sqlite");
    server::createDatabase(path, true);
    auto viewer = test::loginAs(path, QStringLiteral("viewer"), QStringLiteral("viewer2026"));
    const QString before = test::snapshot(path);
    for (const QString& sql : {QStringLiteral("UPDATE mark_mag SET m1 = 20 WHERE id_mark_mag = 1"),
                               QStringLiteral("INSERT INTO User_f_est VALUES (3,1)"),
                               QStringLiteral("UPDATE mark_mag SET primech='x' WHERE id_mark_mag = 1")})
        EXPECT_FALSE(errorOf([&] { viewer->execute(sql); }).isEmpty()) << sql.toStdString();
    EXPECT_EQ(test::snapshot(path), before);
    // the viewer opens a sheet; demo changes a mark of it
    const wire::Row key = viewer->execute(QStringLiteral("SELECT TOP 1 id_group, id_semester, id_discipline, id_examination, "
                                                         "id_ebe_var, kredits FROM mark_mag WHERE id_f_est = 1"))
                              .resultSets.first().rows.first();
    const auto rows = viewer->execute(QStringLiteral("EXEC SORT_MARK_MAG %1,%2,%3,%4,1,'1=1',0,0,0,%5,-1,1,%6")
                                          .arg(key[0].toInt()).arg(key[1].toInt()).arg(key[2].toInt()).arg(key[3].toInt())
                                          .arg(key[4].toInt()).arg(key[5].toInt()))
                          .resultSets.first().rows;
    ASSERT_FALSE(rows.isEmpty());
    auto demo = test::loginAs(path, QStringLiteral("demo"), QStringLiteral("demo2026"));
    EXPECT_EQ(demo->execute(QStringLiteral("UPDATE mark_mag SET m1 = 20 WHERE id_mark_mag = ?"), {rows.first().first()}).rowsAffected, 1);
}
