// The login window driven as a user would: typing, clicking, the server's answers.
#include "data/login_window.h"
#include "data/password_digest.h"
#include "data/reference_ids.h"
#include "data/settings_file.h"
#include "platform/os/build_stamp.h"
#include "platform/ui/dialogs.h"
#include "tests/fixtures/demo_fixture.h"
#include "tests/support/keys.h"
#include "tests/support/recording_dialogs.h"

#include <QDate>
#include <QFile>
#include <QLabel>
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace qel;

namespace {

const QString kMustChange = QStringLiteral(
    "Вы должны поменять пароль\rЭто делается для безопастности и сохранения данных от злоумышлеников");
const QString kWrong = QStringLiteral("Неверно ввели логин или пароль.");

// One login window on a fresh demo database.
struct Login {
    explicit Login(const QString& name) : fx(name)
    {
        form = std::make_unique<TForm8>(nullptr, *fx.dm, session, &mainWindow);
    }

    void type(const QString& login, const QString& password)
    {
        form->Login_Edit->setText(login);
        form->Password_Edit->setText(password);
    }
    void click() { QTest::mouseClick(form->SpeedButton2, Qt::LeftButton); }
    bool accepted() const { return form->result() == QDialog::Accepted; }
    int attemptsLogged() { return fx.adminScalar(QStringLiteral("SELECT COUNT(*) FROM sys_login_log")).toInt(); }
    void setPasswordAge(const QString& login, int days)
    {
        const QDateTime when = QDateTime(QDate::currentDate().addDays(-days), QTime(12, 0));
        fx.admin(QStringLiteral("UPDATE QEL_User SET passwordChanged = ?, mustChangePassword = 0 WHERE QEL_login = ?"),
                 {when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), login});
    }

    test::DemoFixture fx;
    test::RecordingDialogs dialogs;
    SessionState session;
    QWidget mainWindow;
    std::unique_ptr<TForm8> form;
};

} // namespace

TEST(LoginWindow, StartsShortWithTheVersionLine)
{
    Login l(QStringLiteral("start"));
    EXPECT_EQ(l.form->windowTitle(), QStringLiteral("Аутентификация"));
    EXPECT_TRUE(l.form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(l.form->height(), TForm8::kNormalHeight);
    EXPECT_EQ(l.form->Label1->text(), QStringLiteral("V.27   [ ") + os::buildStampText() + QStringLiteral(" ]"));
    EXPECT_EQ(l.form->LoginAttempts, 0);
    EXPECT_FALSE(l.form->PasswordChangeOpen);
    EXPECT_FALSE(l.form->ProgressBar->isVisible());
    EXPECT_EQ(l.form->ProgressBar->maximum(), 14);

    QTest::mouseClick(l.form->SpeedButton3, Qt::LeftButton);
    EXPECT_EQ(l.form->height(), TForm8::kPaneHeight);
    EXPECT_TRUE(l.form->PasswordChangeOpen);
    QTest::mouseClick(l.form->SpeedButton3, Qt::LeftButton);
    EXPECT_EQ(l.form->height(), TForm8::kNormalHeight);
}

TEST(LoginWindow, SuccessfulLoginReconnectsUnderTheUsersAccountAndLoadsReferences)
{
    Login l(QStringLiteral("success"));
    l.type(QStringLiteral("demo"), QStringLiteral("demo2026"));
    l.click();
    ASSERT_TRUE(l.accepted()) << l.form->statusText().toStdString() << " / " << l.dialogs.texts().join('|').toStdString();
    EXPECT_EQ(l.dialogs.count(), 0);
    EXPECT_EQ(l.session.SessionLogin, QStringLiteral("demo"));
    EXPECT_GT(l.session.SessionLoginId, 0);
    EXPECT_TRUE(l.session.MainWindowMayShow);
    EXPECT_TRUE(l.fx.dm->ADO_CDE.connected());
    EXPECT_FALSE(l.fx.dm->ADO_CDE.connectionString().contains(QStringLiteral("User ID=qel_start;")));
    EXPECT_EQ(l.mainWindow.windowTitle(), QStringLiteral("QEL 13  V27 [ ") + os::buildStampText()
                                              + QStringLiteral(" ] - Учет успеваемости"));
    EXPECT_EQ(ui::applicationTitle(), l.mainWindow.windowTitle());
    EXPECT_EQ(l.form->ProgressBar->value(), 9);
    EXPECT_TRUE(l.fx.dm->ADOQ_estimation.active());
    EXPECT_TRUE(l.fx.dm->ADOQ_group.active());
    EXPECT_FALSE(l.fx.dm->ADOQ_VuzDefaults.active());
    EXPECT_NE(l.session.ExamIds.Exam, 0);
    EXPECT_NE(l.session.GradeIds.NP, 0);
    EXPECT_TRUE(l.session.MissingGradeNames.isEmpty());
    EXPECT_FALSE(l.fx.dm->ADOQ_Exam->active());
    EXPECT_FALSE(l.fx.dm->ADOQ_Estim->active());
    // The session speaks day-month-year from now on.
    EXPECT_NO_THROW(l.fx.dm->ADO_CDE.execute(QStringLiteral("SELECT CONVERT(datetime, '31.12.2025')")));
}

TEST(LoginWindow, WrongPasswordIsReportedAndTheWindowStays)
{
    Login l(QStringLiteral("wrong"));
    l.type(QStringLiteral("demo"), QStringLiteral("nope"));
    l.click();
    EXPECT_FALSE(l.accepted());
    ASSERT_EQ(l.dialogs.count(), 1);
    EXPECT_TRUE(l.dialogs.last().text.contains(QStringLiteral("demo"))) << l.dialogs.last().text.toStdString();
    EXPECT_EQ(l.form->statusText(), kWrong);
    EXPECT_FALSE(l.fx.dm->ADO_CDE.connected());
    EXPECT_FALSE(l.session.MainWindowMayShow);
}

TEST(LoginWindow, QuoteInTheLoginCannotBreakTheStatement)
{
    Login l(QStringLiteral("quote"));
    l.type(QStringLiteral("de'mo"), QStringLiteral("demo2026"));
    l.click();
    EXPECT_FALSE(l.accepted());
    ASSERT_EQ(l.dialogs.count(), 1);
    EXPECT_TRUE(l.dialogs.last().text.contains(QStringLiteral("de'mo"))) << l.dialogs.last().text.toStdString();
    EXPECT_EQ(l.form->statusText(), kWrong);
}

TEST(LoginWindow, StateBelowTwentyAsksOnceAndTheSecondClickLogsIn)
{
    Login l(QStringLiteral("state15"));
    l.setPasswordAge(QStringLiteral("demo"), 165); // 15 days of validity left
    l.type(QStringLiteral("demo"), QStringLiteral("demo2026"));
    l.click();
    EXPECT_FALSE(l.accepted());
    EXPECT_TRUE(l.form->PasswordChangeOpen);
    EXPECT_EQ(l.form->height(), TForm8::kPaneHeight);
    EXPECT_TRUE(l.form->SpeedButton3->isEnabled());
    EXPECT_EQ(l.form->statusText(), kMustChange);
    EXPECT_FALSE(l.fx.dm->ADO_CDE.connected());

    // Pane still open, nothing typed: refused locally.
    const int logged = l.attemptsLogged();
    l.click();
    EXPECT_FALSE(l.accepted());
    EXPECT_EQ(l.form->statusText(),
              QStringLiteral("Пароль должен состоять не менее чем из 6 символов!!!\rВведите новый пароль заново."));
    EXPECT_EQ(l.attemptsLogged(), logged);

    QTest::mouseClick(l.form->SpeedButton3, Qt::LeftButton); // close the pane
    l.click();
    EXPECT_TRUE(l.accepted()) << l.form->statusText().toStdString();
    EXPECT_EQ(l.form->LoginAttempts, 3);
    EXPECT_EQ(l.dialogs.count(), 0);
}

TEST(LoginWindow, ForcedChangeDisablesThePaneButtonAndChecksTheNewPasswordLocally)
{
    Login l(QStringLiteral("novice"));
    l.type(QStringLiteral("novice"), QStringLiteral("novice2026"));
    l.click();
    EXPECT_FALSE(l.accepted());
    EXPECT_TRUE(l.form->PasswordChangeOpen);
    EXPECT_FALSE(l.form->SpeedButton3->isEnabled());
    EXPECT_EQ(l.form->statusText(), kMustChange);

    const int logged = l.attemptsLogged();
    struct Case { QString first, second, status; };
    const Case refused[] = {
        {QStringLiteral("abcde"), QStringLiteral("abcde"),
         QStringLiteral("Пароль должен состоять не менее чем из 6 символов!!!\rВведите новый пароль заново.")},
        {QStringLiteral("abcdef"), QStringLiteral("abcdeg"),
         QStringLiteral("Новый пароль подтвержден не верно!!!\rПодтвердите пароль заново.")},
        // put in by other means than typing: its digest would be that of "????ok"
        {QStringLiteral("中文中文ok"), QStringLiteral("中文中文ok"),
         QStringLiteral("Пароль содержит недопустимые символы: 中文\nМожно использовать латинские и русские буквы, "
                        "цифры, пробел и знаки препинания (символы кодировки Windows-1251).")},
    };
    for (const Case& c : refused) {
        l.form->Edit1->setText(c.first);
        l.form->Edit2->setText(c.second);
        l.click();
        EXPECT_EQ(l.form->statusText(), c.status);
        EXPECT_TRUE(l.form->Edit1->text().isEmpty());
        EXPECT_TRUE(l.form->Edit2->text().isEmpty());
    }
    EXPECT_EQ(l.attemptsLogged(), logged); // the server was not asked

    // Typed as a user would: Cyrillic and punctuation are dropped by the boxes.
    test::typeText(l.form->Edit1, QStringLiteral("New_pw1ж!"));
    test::typeText(l.form->Edit2, QStringLiteral("New_pw1"));
    EXPECT_EQ(l.form->Edit1->text(), QStringLiteral("New_pw1"));
    l.click();
    ASSERT_TRUE(l.accepted()) << l.form->statusText().toStdString();
    EXPECT_EQ(l.fx.adminScalar(QStringLiteral("SELECT password FROM QEL_User WHERE QEL_login = 'novice'")).toString(),
              passwordDigest(QStringLiteral("New_pw1")));

    // The new password works next time, without a change.
    auto again = std::make_unique<TForm8>(nullptr, *l.fx.dm, l.session, &l.mainWindow);
    l.fx.dm->ADO_CDE.close();
    again->Login_Edit->setText(QStringLiteral("novice"));
    again->Password_Edit->setText(QStringLiteral("New_pw1"));
    QTest::mouseClick(again->SpeedButton2, Qt::LeftButton);
    EXPECT_EQ(again->result(), QDialog::Accepted) << again->statusText().toStdString();
}

TEST(LoginWindow, EnterInAnyBoxLogsIn)
{
    Login l(QStringLiteral("enter"));
    l.type(QStringLiteral("demo"), QStringLiteral("demo2026"));
    QTest::keyClick(l.form->Password_Edit, Qt::Key_Return);
    EXPECT_TRUE(l.accepted());
    EXPECT_EQ(l.form->Password_Edit->text(), QStringLiteral("demo2026"));
}

TEST(LoginWindow, VersionGate)
{
    for (int required : {27, 28}) {
        Login l(QStringLiteral("version%1").arg(required));
        l.fx.admin(QStringLiteral("UPDATE sys_settings SET value = ? WHERE name = 'MinClientVersion'"), {required});
        int waited = -1;
        bool ended = false;
        TForm8::waitBeforeExit = [&](int ms) { waited = ms; };
        TForm8::endProcess = [&] { ended = true; };
        l.type(QStringLiteral("demo"), QStringLiteral("demo2026"));
        l.click();
        if (required == 27) {
            EXPECT_TRUE(l.accepted());
            EXPECT_FALSE(ended);
        } else {
            EXPECT_FALSE(l.accepted());
            EXPECT_TRUE(ended);
            EXPECT_EQ(waited, 5000);
            EXPECT_EQ(l.form->Label1->text(), QStringLiteral("Скачайте новую версию с портала QEL !"));
        }
    }
}

TEST(LoginWindow, FailedAttemptsLeaveOneCaptionSuffix)
{
    Login l(QStringLiteral("caption"));
    l.type(QStringLiteral("demo"), QStringLiteral("bad"));
    l.click();
    l.click();
    l.type(QStringLiteral("demo"), QStringLiteral("demo2026"));
    l.click();
    ASSERT_TRUE(l.accepted());
    EXPECT_EQ(l.mainWindow.windowTitle().count(QStringLiteral(" V27 [ ")), 1);
    EXPECT_TRUE(l.mainWindow.windowTitle().startsWith(QStringLiteral("QEL 13  V27 [ ")));
}

TEST(LoginWindow, MissingSettingsFileIsReportedAndTheWindowStaysOpen)
{
    Login l(QStringLiteral("nosettings"));
    QFile::remove(l.fx.dataDir + QStringLiteral("/QEL"));
    l.type(QStringLiteral("demo"), QStringLiteral("demo2026"));
    l.click();
    EXPECT_FALSE(l.accepted());
    ASSERT_EQ(l.dialogs.count(), 1);
    EXPECT_TRUE(l.dialogs.last().text.contains(l.fx.dataDir + QStringLiteral("/QEL")));
    EXPECT_EQ(l.dialogs.last().icon, ui::MsgIcon::Error);
}

TEST(LoginWindow, FirstConnectionFailureShowsTheTextWithoutTheAccount)
{
    Login l(QStringLiteral("badaccount"));
    writeSettingsFile(l.fx.dataDir + QStringLiteral("/QEL"),
                      {QStringLiteral("nobody"), QStringLiteral("x"), QStringLiteral("QEL"), QStringLiteral("embedded")});
    l.type(QStringLiteral("demo"), QStringLiteral("demo2026"));
    l.click();
    EXPECT_FALSE(l.accepted());
    ASSERT_EQ(l.dialogs.count(), 2); // the connection, then the user check that retried it
    EXPECT_EQ(l.dialogs.messages()[0].text, QStringLiteral("Login failed for user 'nobody'."));
    EXPECT_EQ(l.form->statusText(), kWrong);
}

TEST(LoginWindow, ExitButtonCancels)
{
    Login l(QStringLiteral("exit"));
    QTest::mouseClick(l.form->SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(l.form->result(), QDialog::Rejected);
    EXPECT_FALSE(l.session.MainWindowMayShow);
}

TEST(LoginWindow, DraggedByItsPicturesAndStatusLineWithTheLeftButton)
{
    Login l(QStringLiteral("drag"));
    l.form->show();
    const QPoint start = l.form->pos();
    auto drag = [&](QWidget* handle, Qt::MouseButton button, QPoint by) {
        const QPoint from = handle->rect().center();
        QMouseEvent press(QEvent::MouseButtonPress, from, handle->mapToGlobal(from), button, button, Qt::NoModifier);
        QApplication::sendEvent(handle, &press);
        const QPoint to = from + by;
        QMouseEvent move(QEvent::MouseMove, to, handle->mapToGlobal(from) + by, Qt::NoButton, button, Qt::NoModifier);
        QApplication::sendEvent(handle, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, to, handle->mapToGlobal(from) + by, button, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(handle, &release);
    };
    drag(l.form->Image1, Qt::LeftButton, QPoint(30, 20));
    EXPECT_EQ(l.form->pos(), start + QPoint(30, 20));
    drag(l.form->RzLabel1, Qt::LeftButton, QPoint(-10, 5));
    EXPECT_EQ(l.form->pos(), start + QPoint(20, 25));
    drag(l.form->Image1, Qt::RightButton, QPoint(50, 50));
    EXPECT_EQ(l.form->pos(), start + QPoint(20, 25));
}
