// Program start as a user meets it: the login shown by the main window's creation, the
// hidden window after a cancel, the session the main window carries after a login.
#include "data/login_window.h"
#include "history/update_history.h"
#include "platform/ui/date_picker.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/drop_down_list.h"
#include "platform/ui/panel.h"
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include "platform/ui/grid_column.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "sheet/main_window.h"
#include "tests/fixtures/demo_fixture.h"
#include "tests/support/modal.h"
#include "tests/support/recording_dialogs.h"

#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace qel;

namespace {

// Answers the modal login window when it shows: logs in, or presses the exit button.
void answerLogin(const QString& login, const QString& password)
{
    test::whenModalShown(
        [login, password](QWidget* w) {
            auto* form = static_cast<TForm8*>(w);
            if (login.isEmpty()) {
                QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);
                return;
            }
            form->Login_Edit->setText(login);
            form->Password_Edit->setText(password);
            QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
        },
        "qel::TForm8");
}

} // namespace

TEST(Startup, CancelledLoginLeavesTheMainWindowHidden)
{
    test::DemoFixture fx(QStringLiteral("startup-cancel"));
    test::RecordingDialogs dialogs;
    answerLogin({}, {});
    TForm2 window(*fx.dm);
    EXPECT_TRUE(window.TerminationRequested);
    EXPECT_FALSE(window.MainWindowMayShow);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("QEL 13 "));
    EXPECT_EQ(dialogs.count(), 0);
    EXPECT_EQ(UpdateHistory, nullptr);
}

TEST(Startup, LoginGivesTheSessionAndThePaymentAdmissionPermission)
{
    struct Case { const char* login; const char* password; bool admissionEditable; };
    const Case cases[] = {{"demo", "demo2026", true}, {"viewer", "viewer2026", false}};
    for (const Case& c : cases) {
        test::DemoFixture fx(QStringLiteral("startup-") + QLatin1String(c.login));
        test::RecordingDialogs dialogs;
        answerLogin(QLatin1String(c.login), QLatin1String(c.password));
        TForm2 window(*fx.dm);
        ASSERT_FALSE(window.TerminationRequested) << c.login;
        EXPECT_TRUE(window.MainWindowMayShow);
        EXPECT_EQ(window.SessionLogin, QLatin1String(c.login));
        EXPECT_TRUE(window.windowTitle().startsWith(QStringLiteral("QEL 13  V27 [ ")));
        EXPECT_TRUE(window.windowTitle().endsWith(QStringLiteral(" ] - Учет успеваемости")));
        EXPECT_EQ(window.QXDBGridEh1->column(1).fieldName(), QStringLiteral("primech"));
        EXPECT_EQ(window.QXDBGridEh1->column(1).readOnly(), !c.admissionEditable) << c.login;
        EXPECT_FALSE(window.computerNameText().isEmpty());
        EXPECT_LE(window.computerNameText().size(), 100);
        ASSERT_NE(UpdateHistory, nullptr);
        EXPECT_EQ(UpdateHistory->DataSet, &fx.dm->ADO_SP_Sort);
        EXPECT_EQ(UpdateHistory->Template, QStringLiteral("Поле \"<?>\" изменило значение \"<old>\" на \"<new>\"."));
        EXPECT_EQ(fx.dm->ADOQ_group.sort(), QStringLiteral("p20"));
        EXPECT_EQ(dialogs.count(), 0) << dialogs.texts().join('|').toStdString();
        EXPECT_TRUE(window.DateTimePicker1->value().isValid());
    }
}

TEST(Startup, MissingGradeNamesAreReportedOnceAfterLogin)
{
    test::DemoFixture fx(QStringLiteral("startup-missing"));
    fx.admin(QStringLiteral("UPDATE estimation SET p31 = 'неявка' WHERE p31 = 'н/я'"));
    test::RecordingDialogs dialogs;
    answerLogin(QStringLiteral("demo"), QStringLiteral("demo2026"));
    TForm2 window(*fx.dm);
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_TRUE(dialogs.last().text.contains(QStringLiteral("\"н/я\""))) << dialogs.last().text.toStdString();
    EXPECT_LT(window.GradeIds.Absent, 0);
}

TEST(Startup, TheWindowsLayout)
{
    test::DemoFixture fx(QStringLiteral("startup-layout"));
    test::RecordingDialogs dialogs;
    answerLogin(QStringLiteral("demo"), QStringLiteral("demo2026"));
    TForm2 window(*fx.dm);
    EXPECT_EQ(window.minimumSize(), QSize(803, 326));
    EXPECT_FALSE(window.Panel11->isVisibleTo(&window));
    EXPECT_TRUE(window.DBLookupComboBox9->isEnabled());
    EXPECT_FALSE(window.DBLookupComboBox10->isEnabled());
    EXPECT_FALSE(window.DBLookupComboBox11->isEnabled());
    EXPECT_FALSE(window.SpeedButton2->isEnabled());
    EXPECT_FALSE(window.Button1->isEnabled());
    EXPECT_FALSE(window.Button2->isEnabled());
    EXPECT_FALSE(window.ComboBox1->isEnabled());
    EXPECT_EQ(window.ComboBox1->itemIndex(), 2);
    EXPECT_TRUE(window.SpeedButton1->isEnabled());
    EXPECT_EQ(window.QXDBGridEh1->dataSource(), nullptr);
    EXPECT_EQ(window.QXDBGridEh1->columnCount(), 8);
    EXPECT_EQ(window.SheetTeacherId, 0);
    EXPECT_EQ(window.PopupMenu1->actions().size(), 1);
    EXPECT_FALSE(window.Timer1->isActive());
}
