// The client itself against qel13-server, as a user works: the settings file names the
// server by "host,port", the login window runs the two-stage login, the main window opens a
// sheet with its thirteen parameters and a mark is posted; a second client changing the
// same row meanwhile is refused and overwrites nothing.
#include "data/login_window.h"
#include "data/mark_record.h"
#include "data/password_digest.h"
#include "data/settings_file.h"
#include "platform/db/connection_string.h"
#include "tests/sheet/sheet_window_fixture.h"
#include "tests/tds/server_process.h"

#include <QLineEdit>
#include <QTest>
#include <QToolButton>

using namespace qel;

namespace {

const QString kIvt = QStringLiteral("ИВТ-24");
const QString kThird = QStringLiteral("3 семестр");
const QString kDiscrete = QStringLiteral("Дискретная математика");
const QString kRowNotLocated =
    QStringLiteral("Row cannot be located for updating. Some values may have been changed since it was last read.");

class ClientOverTds : public test::SheetWindowTest {
protected:
    void SetUp() override
    {
        test::SheetWindowTest::SetUp();
        server = std::make_unique<test::ServerProcess>(fx->databasePath);
        ASSERT_TRUE(server->start()) << server->error().toStdString();
        // The client's settings file now names the server on the network.
        writeSettingsFile(fx->dataDir + QStringLiteral("/QEL"),
                          {QStringLiteral("qel_start"), QStringLiteral("qel13start"), QStringLiteral("QEL"),
                           server->dataSource()});
    }
    void TearDown() override
    {
        test::SheetWindowTest::TearDown();
        if (server) {
            EXPECT_EQ(server->stop(), 0) << server->log().toStdString();
        }
    }

    std::unique_ptr<test::ServerProcess> server;
};

TEST_F(ClientOverTds, TheLoginSequenceRunsThroughTheServer)
{
    logIn();
    // The first account, the user check, then the working account the check handed out.
    EXPECT_TRUE(server->waitForLog(QStringLiteral("login 'qel_start'")));
    EXPECT_TRUE(server->waitForLog(QStringLiteral("login 'qel_user_")));
    const db::ConnectionString cs = db::ConnectionString::parse(fx->dm->ADO_CDE.connectionString());
    EXPECT_EQ(cs.dataSource(), server->dataSource());
    EXPECT_TRUE(cs.userId().startsWith(QLatin1String("qel_user_"))) << cs.userId().toStdString();
    EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join('|').toStdString();
    EXPECT_EQ(fx->adminScalar(QStringLiteral("SELECT COUNT(*) FROM sys_login_log WHERE QEL_login = 'demo' AND success = 1")).toInt(), 1);
}

TEST_F(ClientOverTds, AWrongPasswordFailsAsOnTheEmbeddedServer)
{
    SessionState session;
    QWidget mainWindow;
    TForm8 form(nullptr, *fx->dm, session, &mainWindow);
    form.Login_Edit->setText(QStringLiteral("demo"));
    form.Password_Edit->setText(QStringLiteral("nope"));
    QTest::mouseClick(form.SpeedButton2, Qt::LeftButton);
    EXPECT_NE(form.result(), QDialog::Accepted);
    ASSERT_EQ(dialogs->count(), 1);
    EXPECT_EQ(dialogs->last().text, QStringLiteral("Неверный логин или пароль пользователя \"demo\"."));
    EXPECT_EQ(form.statusText(), QStringLiteral("Неверно ввели логин или пароль."));
    EXPECT_FALSE(fx->dm->ADO_CDE.connected());
}

TEST_F(ClientOverTds, OpeningASheetAndPostingAMark)
{
    logIn();
    pickSheet(kIvt, kThird, kDiscrete);
    ASSERT_EQ(rows(), 10);
    db::StoredProc& sheet = fx->dm->ADO_SP_Sort;
    // The thirteen parameters reached the procedure: the rows are those it gives the server's
    // own session for the same values, in the same order.
    QList<wire::Param> params;
    for (int i = 0; i < sheet.parameters().count(); ++i)
        params.append(sheet.parameters()[i].toWire());
    auto own = server::Session::administrator(fx->databasePath);
    const wire::ResultSet expected = own->callProcedure(QStringLiteral("SORT_MARK_MAG"), params).resultSets.value(0);
    ASSERT_EQ(expected.rows.size(), 10);
    for (int r = 0; r < 10; ++r) {
        EXPECT_EQ(value(r, QStringLiteral("id_mark_mag")), expected.rows[r][0]) << r;
        EXPECT_EQ(value(r, QStringLiteral("student")).toString().isEmpty(), false) << r;
    }
    EXPECT_EQ(sheet.parameters()[data::MarkSheetReturnValue].value(), QVariant(0));

    // A mark typed into the first row is posted to the server, with its history.
    sheet.first();
    const int id = sheet.fieldByName(QStringLiteral("id_mark_mag")).asInteger();
    const int logRows = fx->adminScalar(QStringLiteral("SELECT COUNT(*) FROM QEL_LOG")).toInt();
    sheet.edit();
    sheet.fieldByName(QStringLiteral("m1")).setAsFloat(17);
    sheet.post();
    EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join('|').toStdString();
    EXPECT_DOUBLE_EQ(stored(id, QStringLiteral("m1")).toDouble(), 17);
    // The total the client computed is stored with the mark.
    EXPECT_DOUBLE_EQ(stored(id, QStringLiteral("ball")).toDouble(), value(0, QStringLiteral("ball1")).toDouble());
    EXPECT_GT(fx->adminScalar(QStringLiteral("SELECT COUNT(*) FROM QEL_LOG")).toInt(), logRows);
}

TEST_F(ClientOverTds, TheSecondOfTwoClientsChangingOneRowIsRefused)
{
    logIn();
    pickSheet(kIvt, kThird, kDiscrete);
    db::StoredProc& mine = fx->dm->ADO_SP_Sort;

    // Another client, with its own data module and window, logs in through its own login
    // window and opens the same sheet on its own connection.
    data::TDM_CDE_3 otherDm;
    test::answerLogin(QStringLiteral("demo"), QStringLiteral("demo2026"));
    TForm2 other(otherDm);
    ASSERT_FALSE(other.TerminationRequested);
    pick(other.DBLookupComboBox9, kIvt);
    pick(other.DBLookupComboBox10, kThird);
    pick(other.DBLookupComboBox11, kDiscrete);
    db::StoredProc& theirs = otherDm.ADO_SP_Sort;
    ASSERT_EQ(theirs.recordCount(), 10);
    EXPECT_EQ(server->log().count(QStringLiteral("login 'qel_user_")), 2);

    mine.first();
    theirs.first();
    const int id = mine.fieldByName(QStringLiteral("id_mark_mag")).asInteger();
    ASSERT_EQ(theirs.fieldByName(QStringLiteral("id_mark_mag")).asInteger(), id);
    const QString before = stored(id, QStringLiteral("p35")).toString();
    theirs.edit();
    theirs.fieldByName(QStringLiteral("p35")).setAsString(QStringLiteral("их"));
    mine.edit();
    mine.fieldByName(QStringLiteral("p35")).setAsString(QStringLiteral("мой"));
    mine.post();
    ASSERT_EQ(stored(id, QStringLiteral("p35")).toString(), QStringLiteral("мой")) << before.toStdString();
    dialogs->clear();
    EXPECT_THROW(theirs.post(), qel::Error);
    // The second client is told why, with the database's own words, and nothing is overwritten.
    ASSERT_EQ(dialogs->count(), 1);
    EXPECT_TRUE(dialogs->last().text.contains(kRowNotLocated)) << dialogs->last().text.toStdString();
    EXPECT_EQ(stored(id, QStringLiteral("p35")).toString(), QStringLiteral("мой"));
}

// A result of two tables: each changed column goes to its own table, which the client
// learns from the base table and column the server reports for each result column.
TEST_F(ClientOverTds, TheStudentListWritesEachColumnToItsTable)
{
    logIn();
    db::Query& students = fx->dm->ADOQ_Students;
    students.close();
    students.setSql(QStringLiteral(
        "SELECT  ROW_NUMBER() OVER(ORDER BY s_fio.s_fio) as [no], s_fio.id_student, s_fio.idid, s_fio.s_fio, "
        "student.[login], student.[needChangePsw] FROM s_fio Inner Join qel.dbo.Student on "
        "qel.dbo.s_fio.id_student=qel.dbo.Student.id_student WHERE s_fio.id_student in (1, 2, 3) ORDER BY s_fio.s_fio"));
    students.open();
    ASSERT_EQ(students.recordCount(), 3);
    ASSERT_TRUE(students.locate(QStringLiteral("id_student"), 2));
    students.edit();
    students.fieldByName(QStringLiteral("idid")).setAsString(QStringLiteral("Ш-22"));
    students.fieldByName(QStringLiteral("login")).setAsString(QStringLiteral("belova.k2"));
    students.post();
    EXPECT_EQ(fx->adminScalar(QStringLiteral("SELECT idid FROM s_fio WHERE id_student = 2")).toString(), QStringLiteral("Ш-22"));
    EXPECT_EQ(fx->adminScalar(QStringLiteral("SELECT login FROM Student WHERE id_student = 2")).toString(),
              QStringLiteral("belova.k2"));
    students.close();
}

} // namespace
