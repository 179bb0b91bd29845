// The data module's datasets against the embedded server: the login reconnection, the
// mark sheet with its lookups, editing and write-back, the student list's two tables,
// the record book's ranges, and two clients editing one row.
#include "data/mark_record.h"
#include "platform/db/query.h"
#include "server/server.h"
#include "tests/datamodule/dm_fixture.h"
#include "tests/support/recording_dialogs.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::data;
using qel::test::DmFixture;

namespace {

struct IntegrationTest : testing::Test {
    DmFixture fx{QString::fromLatin1(testing::UnitTest::GetInstance()->current_test_info()->name())};
    TDM_CDE_3 dm;

    db::Field& f(const char* name) { return dm.ADO_SP_Sort.fieldByName(QString::fromLatin1(name)); }

    QVariant scalar(const QString& sql)
    {
        dm.ADOQ_Exec.setSql(sql);
        dm.ADOQ_Exec.open();
        const QVariant v = dm.ADOQ_Exec.field(0).value();
        dm.ADOQ_Exec.close();
        return v;
    }

    void openSheet(int form = test::dmfx::kSheetForm)
    {
        fx.login(dm);
        DmFixture::openLookupSources(dm);
        DmFixture::openSheet(dm, form);
    }
};

TEST_F(IntegrationTest, ReconnectsWithTheLoginStringAfterTheLinkWasDropped)
{
    QStringList users;
    dm.ADO_CDE.afterConnect = [&](db::Connection& c) {
        users << db::ConnectionString::parse(c.connectionString()).userId();
    };
    fx.login(dm);
    EXPECT_EQ(users.size(), 2);
    EXPECT_EQ(users.first(), QStringLiteral("qel_start"));
    const QString account = users.last();
    EXPECT_NE(account, QStringLiteral("qel_start"));

    // Nothing open: keep-connection off dropped the link after the last statement.
    EXPECT_FALSE(dm.ADO_CDE.connected());
    dm.ADOQ_Exec.open();   // "Select p32 from g_r_y" needs a working account
    EXPECT_EQ(dm.ADOQ_Exec.fieldByName(QStringLiteral("p32")).asString(), QStringLiteral("2025/2026"));
    EXPECT_EQ(users.last(), account);
    dm.ADOQ_Exec.close();
    // The session's day-month-year order came back with the link.
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM mark_mag WHERE p36 = '21.01.2026'")).toInt(), 1);
    EXPECT_FALSE(dm.ADO_CDE.connected());

    // The first account may only check users: a wrong string would show here.
    dm.ADO_CDE.setConnectionString(test::connectionString(QStringLiteral("qel_start"), QStringLiteral("qel13start")));
    EXPECT_THROW(dm.ADOQ_Exec.open(), db::DbError);
    dm.ADO_CDE.setConnectionString(test::connectionString(QStringLiteral("qel_start"), QStringLiteral("wrong")));
    try {
        dm.ADOQ_Exec.open();
        FAIL();
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Login failed for user 'qel_start'."));
    }
}

TEST_F(IntegrationTest, TheSheetWithItsLookups)
{
    openSheet();
    db::StoredProc& sp = dm.ADO_SP_Sort;
    ASSERT_EQ(sp.recordCount(), 3);
    EXPECT_EQ(sp.fieldCount(), 58);
    // Ordered by the student's name; the values of the first row.
    EXPECT_EQ(f("student").asString(), QStringLiteral("Акимов Антон"));
    EXPECT_EQ(f("idid").asString(), QStringLiteral("A-1"));
    EXPECT_EQ(f("estimation").asString(), QStringLiteral("удов"));
    EXPECT_EQ(f("semestr").asString(), QStringLiteral("1 семестр"));
    EXPECT_EQ(f("teacher").asString(), QStringLiteral("Учитель Ирина Павловна"));
    EXPECT_EQ(f("f_est").asString(), QStringLiteral("Ведомость"));
    EXPECT_EQ(f("exam").asString(), QStringLiteral("Экзамен"));
    EXPECT_EQ(f("discipline").asString(), QStringLiteral("Алгебра"));
    EXPECT_EQ(f("sessiya").asInteger(), 0);
    EXPECT_TRUE(f("EstimationOther").isNull());
    EXPECT_EQ(f("p36").asDateTime().date(), QDate(2026, 1, 20));
    EXPECT_EQ(f("p36").displayText(), QStringLiteral("20.01.2026"));
    EXPECT_FALSE(f("dopusk_izm").asBoolean());
    EXPECT_EQ(f("primech").asString(), QStringLiteral("д"));

    // m1 of 7.5 reads 8 as an integer, 6.5 reads 6, empty reads 0.
    struct Case {
        int recNo;
        int m1;
        bool null;
    };
    for (const Case& c : {Case{1, 8, false}, Case{2, 6, false}, Case{3, 0, true}}) {
        sp.setRecNo(c.recNo);
        EXPECT_EQ(f("m1").asInteger(), c.m1) << c.recNo;
        EXPECT_EQ(f("m1").isNull(), c.null) << c.recNo;
    }
    sp.setRecNo(2);
    EXPECT_EQ(f("EstimationOther").asString(), QStringLiteral("академ."));
    EXPECT_EQ(f("estimation").asString(), QStringLiteral("н/у"));

    // The return value came back.
    EXPECT_EQ(sp.parameters()[MarkSheetReturnValue].value(), QVariant(0));
}

TEST_F(IntegrationTest, ClosedLookupSourceReadsEmptyAndAMissingFormReadsSessionZero)
{
    openSheet(test::dmfx::kLooseForm);
    ASSERT_EQ(dm.ADO_SP_Sort.recordCount(), 1);
    EXPECT_TRUE(f("sessiya").isNull());   // no row 5 in f_est
    EXPECT_EQ(f("sessiya").asInteger(), 0);
    EXPECT_TRUE(f("f_est").isNull());
    EXPECT_EQ(f("student").asString(), QStringLiteral("Акимов Антон"));
    dm.ADOQ_s_fio.close();
    EXPECT_TRUE(f("student").isNull());
    EXPECT_EQ(f("student").asString(), QString());
    EXPECT_TRUE(dm.ADO_SP_Sort.rowValue(0, f("idid")).isNull());
}

TEST_F(IntegrationTest, CalculatedFieldsAndTheGradeNameSize)
{
    dm.ADO_SP_Sort.onCalcFields = [](db::DataSet& ds) {
        ds.fieldByName(QStringLiteral("ball1"))
            .setAsFloat(ds.fieldByName(QStringLiteral("m1")).asInteger() + ds.fieldByName(QStringLiteral("m2")).asInteger());
        ds.fieldByName(QStringLiteral("Ball_Name")).setAsString(QStringLiteral("зачет(удов)"));
        ds.fieldByName(QStringLiteral("No")).setAsInteger(std::abs(ds.recNo()));
        ds.fieldByName(QStringLiteral("Calc1")).setAsFloat(1.5);
    };
    openSheet();
    EXPECT_DOUBLE_EQ(f("ball1").asFloat(), 48);   // 7.5 enters as 8
    EXPECT_EQ(f("ball_name").asString(), QStringLiteral("зачет(удов"));
    EXPECT_EQ(dm.ADO_SP_Sort.rowValue(2, f("No")).toInt(), 3);

    dm.ADO_SP_Sort.edit();
    f("m2").setAsFloat(50);
    EXPECT_DOUBLE_EQ(f("ball1").asFloat(), 58);   // recomputed while editing
    dm.ADO_SP_Sort.post();
    EXPECT_DOUBLE_EQ(scalar(QStringLiteral("SELECT m2 FROM mark_mag WHERE id_student=1 AND id_f_est=1")).toDouble(), 50);
    // Calculated fields are never written themselves; the rule before a post stores the
    // computed total in ball.
    EXPECT_DOUBLE_EQ(scalar(QStringLiteral("SELECT ball FROM mark_mag WHERE id_student=1 AND id_f_est=1")).toDouble(), 58);
}

TEST_F(IntegrationTest, EditPostCancelDeleteWriteToMarkMag)
{
    openSheet();
    db::StoredProc& sp = dm.ADO_SP_Sort;
    ASSERT_TRUE(sp.locate(QStringLiteral("student"), QStringLiteral("васин глеб"), {true, false}));
    const int id = f("id_mark_mag").asInteger();
    sp.edit();
    f("m1").setAsString(QStringLiteral("12,5"));
    f("p36").setAsString(QStringLiteral("25/01/2026"));
    f("primech").setAsString(QStringLiteral("д"));
    f("id_estimation").setAsInteger(3);
    EXPECT_EQ(f("estimation").asString(), QStringLiteral("удов"));   // lookup follows the key while editing
    sp.post();
    const QString where = QStringLiteral(" FROM mark_mag WHERE id_mark_mag=%1").arg(id);
    EXPECT_DOUBLE_EQ(scalar(QStringLiteral("SELECT m1") + where).toDouble(), 12.5);
    EXPECT_EQ(scalar(QStringLiteral("SELECT p36") + where).toDateTime().date(), QDate(2026, 1, 25));
    EXPECT_EQ(scalar(QStringLiteral("SELECT primech") + where).toString(), QStringLiteral("д"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT id_estimation") + where).toInt(), 3);

    sp.edit();
    f("m1").clear();
    sp.cancel();
    EXPECT_DOUBLE_EQ(f("m1").asFloat(), 12.5);

    // Deleting is refused by the sheet's rules in the client; the layer deletes by key.
    sp.beforeDelete = nullptr;
    sp.deleteRecord();
    EXPECT_EQ(sp.recordCount(), 2);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*)") + where).toInt(), 0);

    // Refresh keeps the current row by its key.
    sp.first();
    sp.next();
    const int current = f("id_mark_mag").asInteger();
    fx.admin(QStringLiteral("UPDATE mark_mag SET m2 = 33 WHERE id_mark_mag = %1").arg(current));
    sp.refresh();
    EXPECT_EQ(f("id_mark_mag").asInteger(), current);
    EXPECT_DOUBLE_EQ(f("m2").asFloat(), 33);
}

TEST_F(IntegrationTest, InsertingIntoTheSheetIsRefusedSilently)
{
    openSheet();
    EXPECT_THROW(dm.ADO_SP_Sort.append(), SilentAbort);
    EXPECT_EQ(dm.ADO_SP_Sort.state(), db::DataSetState::Browse);
    EXPECT_EQ(dm.ADO_SP_Sort.recordCount(), 3);
}

TEST_F(IntegrationTest, FilterSortAndBookmarksOnTheSheet)
{
    openSheet();
    db::StoredProc& sp = dm.ADO_SP_Sort;
    sp.setRecNo(2);
    const db::Bookmark b = sp.bookmark();
    sp.setSort(QStringLiteral("student DESC"));
    EXPECT_EQ(sp.recNo(), 2);
    sp.first();
    EXPECT_EQ(f("student").asString(), QStringLiteral("Васин Глеб"));
    sp.setFilter(QStringLiteral("primech='Д'"));
    sp.setFiltered(true);
    EXPECT_EQ(sp.recordCount(), 2);
    sp.gotoBookmark(b);
    EXPECT_EQ(f("student").asString(), QStringLiteral("Борисова Вера"));
    sp.disableControls();
    for (sp.first(); !sp.eof(); sp.next()) {
        sp.edit();
        f("p36").setAsDateTime(QDateTime(QDate(2026, 2, 1), QTime(0, 0)));
        sp.post();
    }
    sp.gotoBookmark(b);
    sp.enableControls();
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM mark_mag WHERE p36 = '01.02.2026'")).toInt(), 2);
}

TEST_F(IntegrationTest, StudentListWritesEachColumnToItsTable)
{
    fx.login(dm);
    int afterPosts = 0;
    dm.ADOQ_Students.afterPost = [&](db::DataSet& ds) {
        ++afterPosts;
        dm.ADOQ_StudentsAfterPost(ds);
    };
    dm.ADOQ_Students.setSql(QStringLiteral(
        "SELECT  ROW_NUMBER() OVER(ORDER BY s_fio.s_fio) as [no], s_fio.id_student, s_fio.idid, s_fio.s_fio, "
        "student.[login], student.[password], student.[needChangePsw], student.[startDateForChangePsw] FROM s_fio "
        "Inner Join qel.dbo.Student on qel.dbo.s_fio.id_student=qel.dbo.Student.id_student WHERE s_fio.id_student "
        "in( 1, 2, 3) ORDER BY s_fio.s_fio"));
    dm.ADOQ_Students.open();
    ASSERT_EQ(dm.ADOQ_Students.recordCount(), 3);
    ASSERT_TRUE(dm.ADOQ_Students.locate(QStringLiteral("id_student"), 2));
    EXPECT_EQ(dm.ADOQ_Students.fieldByName(QStringLiteral("no")).asInteger(), 2);
    dm.ADOQ_Students.edit();
    dm.ADOQ_Students.fieldByName(QStringLiteral("idid")).setAsString(QStringLiteral("A-22"));
    dm.ADOQ_Students.fieldByName(QStringLiteral("login")).setAsString(QStringLiteral("borisova.v"));
    dm.ADOQ_Students.fieldByName(QStringLiteral("needChangePsw")).setAsBoolean(true);
    dm.ADOQ_Students.fieldByName(QStringLiteral("startDateForChangePsw")).setAsDateTime(QDateTime(QDate(2026, 3, 1), QTime(0, 0)));
    dm.StudentsChanged = false;
    dm.ADOQ_Students.post();
    EXPECT_EQ(afterPosts, 1);
    EXPECT_TRUE(dm.StudentsChanged);
    EXPECT_EQ(scalar(QStringLiteral("SELECT idid FROM s_fio WHERE id_student=2")).toString(), QStringLiteral("A-22"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT login FROM Student WHERE id_student=2")).toString(), QStringLiteral("borisova.v"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT needChangePsw FROM Student WHERE id_student=2")).toInt(), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT startDateForChangePsw FROM Student WHERE id_student=2")).toDate(),
              QDate(2026, 3, 1));
    EXPECT_EQ(scalar(QStringLiteral("SELECT login FROM Student WHERE id_student=1")).toString(), QStringLiteral("akimov.a"));
    EXPECT_THROW(dm.ADOQ_Students.insert(), SilentAbort);

    // A new password for a student who has one: the list shows no digest (the server keeps
    // it from working logins), and the post still finds the row and stores the new one.
    ASSERT_TRUE(dm.ADOQ_Students.locate(QStringLiteral("id_student"), 1));
    EXPECT_TRUE(dm.ADOQ_Students.fieldByName(QStringLiteral("password")).isNull());
    dm.ADOQ_Students.edit();
    dm.ADOQ_Students.fieldByName(QStringLiteral("password")).setAsString(QStringLiteral("0123456789ABCDEF0123456789ABCDEF"));
    dm.ADOQ_Students.post();
    EXPECT_EQ(server::Session::administrator(fx.path)
                  ->execute(QStringLiteral("SELECT password FROM Student WHERE id_student = 1"))
                  .resultSets.first().rows.first().first(),
              QVariant(QStringLiteral("0123456789ABCDEF0123456789ABCDEF")));

    // Someone changed the login meanwhile: neither table is written.
    ASSERT_TRUE(dm.ADOQ_Students.locate(QStringLiteral("id_student"), 3));
    fx.admin(QStringLiteral("UPDATE Student SET login = 'vasin.g' WHERE id_student = 3"));
    dm.ADOQ_Students.edit();
    dm.ADOQ_Students.fieldByName(QStringLiteral("idid")).setAsString(QStringLiteral("A-33"));
    dm.ADOQ_Students.fieldByName(QStringLiteral("login")).setAsString(QStringLiteral("vasin"));
    EXPECT_THROW(dm.ADOQ_Students.post(), db::DbError);
    EXPECT_EQ(dm.ADOQ_Students.state(), db::DataSetState::Edit);
    EXPECT_EQ(scalar(QStringLiteral("SELECT idid FROM s_fio WHERE id_student=3")).toString(), QStringLiteral("A-3"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT login FROM Student WHERE id_student=3")).toString(), QStringLiteral("vasin.g"));
}

TEST_F(IntegrationTest, TheCommandTimeOutStopsALongStatement)
{
    fx.login(dm);
    db::Query q(&dm.ADO_CDE, QStringLiteral("ADOQ_Long"));
    q.setCommandTimeout(1);
    q.setSql(QStringLiteral("WITH x (n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM x WHERE n < 100) "
                            "SELECT COUNT(*) FROM x a, x b, x c, x d, x e"));
    try {
        q.open();
        FAIL() << "the statement ran to its end";
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Query timeout expired"));
    }
    EXPECT_FALSE(q.active());
}

TEST_F(IntegrationTest, RecordBookRangesAndWriteBack)
{
    fx.login(dm);
    dm.ADOTSemestr.open();
    dm.ADOQ_poseshal.open();
    dm.ADOQ_markmagByStudent.setSql(QStringLiteral(
        " Select *, 1 as byEducSh, 1 as N from  (SELECT m.id_mark_mag,m.id_poseshal, m.dopusk_izm, m.id_discipline, "
        "m.isStaticDiscipline, m.id_semester, m.id_group, m.id_student,  m.id_examination, m.ball, m.id_estimation, "
        "m.id_teacher, m.p36, m.id_f_est,  m.primech, m.k_count, m.kredits, m.id_ebe_var FROM mark_mag m WHERE "
        "id_student=1 AND id_group=1 ) AS T ORDER BY id_semester"));
    db::Query& rb = dm.ADOQ_markmagByStudent;
    rb.beforeEdit = nullptr;
    rb.beforePost = nullptr;
    rb.open();
    ASSERT_EQ(rb.recordCount(), 2);
    EXPECT_EQ(rb.fieldByName(QStringLiteral("Semester")).asString(), QStringLiteral("1 семестр"));
    rb.edit();
    try {
        rb.fieldByName(QStringLiteral("kredits")).setAsInteger(25);
        FAIL();
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Значение 25 поля \"kredits\" вне допустимого диапазона (0..20)"));
    }
    EXPECT_THROW(rb.fieldByName(QStringLiteral("ball")).setAsFloat(100.5), db::DbError);
    rb.fieldByName(QStringLiteral("ball")).setAsFloat(100);
    rb.fieldByName(QStringLiteral("poseshal")).setAsString(QStringLiteral("н/д"));   // sets id_poseshal
    EXPECT_EQ(rb.fieldByName(QStringLiteral("id_poseshal")).asInteger(), 2);
    rb.post();
    const int id = rb.fieldByName(QStringLiteral("id_mark_mag")).asInteger();
    EXPECT_DOUBLE_EQ(scalar(QStringLiteral("SELECT ball FROM mark_mag WHERE id_mark_mag=%1").arg(id)).toDouble(), 100);
    EXPECT_EQ(scalar(QStringLiteral("SELECT id_poseshal FROM mark_mag WHERE id_mark_mag=%1").arg(id)).toInt(), 2);
}

TEST_F(IntegrationTest, ExecuteStatementsAndTables)
{
    fx.login(dm);
    dm.ADOQ_Exec.setSql(QStringLiteral("UPDATE mark_mag SET primech='н/д' WHERE id_group=1 AND id_f_est=1"));
    EXPECT_EQ(dm.ADOQ_Exec.execSql(), 3);
    dm.ADOT_examination.open();
    EXPECT_EQ(dm.ADOT_examination.recordCount(), 2);
    EXPECT_TRUE(dm.ADOT_examination.locate(QStringLiteral("p30"), QStringLiteral("зачет"), {true, false}));
    EXPECT_EQ(dm.ADOT_examination.fieldByName(QStringLiteral("id_examination")).asInteger(), 2);
    dm.ADOQ_EstimationOther.parameters()[0].setValue(1);
    dm.ADOQ_EstimationOther.open();
    EXPECT_EQ(dm.ADOQ_EstimationOther.recordCount(), 1);
    dm.ADOQ_Exec.setSql(QStringLiteral("SELECT nope FROM nowhere"));
    EXPECT_THROW(dm.ADOQ_Exec.open(), db::DbError);
    EXPECT_FALSE(dm.ADOQ_Exec.active());
}

// Two clients edit the same mark: the second post fails and overwrites nothing.
TEST_F(IntegrationTest, TheSecondOfTwoEditsOfOneRowFails)
{
    openSheet();
    TDM_CDE_3 other;
    fx.login(other);
    DmFixture::openLookupSources(other);
    DmFixture::openSheet(other);
    db::StoredProc& a = dm.ADO_SP_Sort;
    db::StoredProc& b = other.ADO_SP_Sort;
    const int id = a.fieldByName(QStringLiteral("id_mark_mag")).asInteger();
    ASSERT_EQ(b.fieldByName(QStringLiteral("id_mark_mag")).asInteger(), id);

    a.edit();
    b.edit();
    a.fieldByName(QStringLiteral("m1")).setAsFloat(9);
    b.fieldByName(QStringLiteral("m1")).setAsFloat(10);
    a.post();
    test::RecordingDialogs dialogs;
    try {
        b.post();
        FAIL() << "the second post succeeded";
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Row cannot be located for updating. Some values may have been changed "
                                              "since it was last read."));
    }
    // The sheet's post-error rule told the user and dropped the row's changes.
    EXPECT_EQ(dialogs.count(), 1);
    EXPECT_EQ(b.state(), db::DataSetState::Browse);
    EXPECT_DOUBLE_EQ(scalar(QStringLiteral("SELECT m1 FROM mark_mag WHERE id_mark_mag=%1").arg(id)).toDouble(), 9);

    // A field the first client did not touch still goes through for the second.
    b.cancel();
    b.refresh();
    b.edit();
    b.fieldByName(QStringLiteral("p35")).setAsString(QStringLiteral("555"));
    b.post();
    a.edit();
    a.fieldByName(QStringLiteral("m2")).setAsFloat(41);
    a.post();
    EXPECT_EQ(scalar(QStringLiteral("SELECT p35 FROM mark_mag WHERE id_mark_mag=%1").arg(id)).toString(), QStringLiteral("555"));
    EXPECT_DOUBLE_EQ(scalar(QStringLiteral("SELECT m2 FROM mark_mag WHERE id_mark_mag=%1").arg(id)).toDouble(), 41);
}

TEST_F(IntegrationTest, DataModuleDestroyClosesTheConnection)
{
    openSheet();
    EXPECT_TRUE(dm.ADO_CDE.connected());
    dm.DataModuleDestroy();
    EXPECT_FALSE(dm.ADO_CDE.connected());
    EXPECT_FALSE(dm.ADO_SP_Sort.active());
}

} // namespace

// A row appended through a query is written with its data fields and gets the identity the
// server assigned.
TEST_F(IntegrationTest, AppendedRowReadsBackItsIdentity)
{
    fx.login(dm);
    const int before = scalar(QStringLiteral("SELECT MAX(id_mark_mag) FROM mark_mag")).toInt();
    db::Query q(&dm.ADO_CDE, QStringLiteral("q"));
    q.setSql(QStringLiteral("SELECT id_mark_mag, id_group, id_student, id_f_est, p35 FROM mark_mag WHERE id_group=1"));
    q.addUpdateTable(QStringLiteral("mark_mag"), QStringLiteral("id_mark_mag"));
    q.open();
    q.append();
    q.fieldByName(QStringLiteral("id_group")).setAsInteger(1);
    q.fieldByName(QStringLiteral("id_student")).setAsInteger(scalar(QStringLiteral("SELECT MIN(id_student) FROM mark_mag")).toInt());
    q.fieldByName(QStringLiteral("id_f_est")).setAsInteger(1);
    q.fieldByName(QStringLiteral("p35")).setAsString(QStringLiteral("new"));
    q.post();
    const int id = q.fieldByName(QStringLiteral("id_mark_mag")).asInteger();
    EXPECT_GT(id, before);
    EXPECT_EQ(scalar(QStringLiteral("SELECT p35 FROM mark_mag WHERE id_mark_mag=%1").arg(id)).toString(), QStringLiteral("new"));
}
