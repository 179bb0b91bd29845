// The student login dialog: typing, the uniqueness check, the first-login question.
#include "accounts/student_login_dialog.h"
#include "tests/fixtures/demo_fixture.h"
#include "tests/support/keys.h"
#include "tests/support/recording_dialogs.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace qel;

namespace {

struct Dialog {
    explicit Dialog(const QString& name) : fx(name)
    {
        fx.connectAs(QStringLiteral("demo"), QStringLiteral("demo2026"));
        // The student list as the codes window opens it, positioned on one student.
        fx.dm->ADOQ_Students.setSql(QStringLiteral(
            "SELECT s_fio.id_student, s_fio.s_fio, student.[login] FROM s_fio Inner Join qel.dbo.Student on "
            "qel.dbo.s_fio.id_student=qel.dbo.Student.id_student ORDER BY s_fio.s_fio"));
        fx.dm->ADOQ_Students.open();
        form = std::make_unique<TForm11>(nullptr, *fx.dm);
    }
    QString otherStudentsLogin()
    {
        const int self = fx.dm->ADOQ_Students.fieldByName(QStringLiteral("id_student")).asInteger();
        return fx.adminScalar(QStringLiteral("SELECT TOP 1 login FROM Student WHERE id_student <> ? AND login <> ''"),
                              {self})
            .toString();
    }

    test::DemoFixture fx;
    test::RecordingDialogs dialogs;
    std::unique_ptr<TForm11> form;
};

} // namespace

TEST(StudentLoginDialog, TypingIsLowerCaseLimitedAndEnablesSaving)
{
    Dialog d(QStringLiteral("typing"));
    EXPECT_EQ(d.form->windowTitle(), QStringLiteral("А у т е н т и ф и к а ц и я"));
    EXPECT_FALSE(d.form->SpeedButton2->isEnabled());
    test::typeText(d.form->LabeledEdit1, QStringLiteral("Ivanov.I"));
    EXPECT_EQ(d.form->LabeledEdit1->text(), QStringLiteral("ivanov.i"));
    EXPECT_TRUE(d.form->SpeedButton2->isEnabled());
    // The 41st character cannot be typed into either box.
    for (QLineEdit* box : {d.form->LabeledEdit1, d.form->LabeledEdit2}) {
        box->clear();
        test::typeText(box, QString(41, QLatin1Char('X')));
        EXPECT_EQ(box->text(), QString(40, QLatin1Char('x'))) << box->objectName().toStdString();
    }
}

TEST(StudentLoginDialog, AnEmptyLoginOrACharacterTheCodePageCannotHoldIsRefused)
{
    struct Case {
        QString login;
        QString password;
        QString message;
    };
    const QString allowed = QStringLiteral(" содержит недопустимые символы: %1\nМожно использовать латинские и русские "
                                           "буквы, цифры, пробел и знаки препинания (символы кодировки Windows-1251).");
    const Case cases[] = {
        {QString(), QStringLiteral("secret"), QStringLiteral("Введите логин студента.")},
        {QStringLiteral("   "), QStringLiteral("secret"), QStringLiteral("Введите логин студента.")},
        {QStringLiteral("ivanov.p"), QStringLiteral("пароль中文"), QStringLiteral("Пароль") + allowed.arg(QStringLiteral("中文"))},
        {QStringLiteral("ivanov✓"), QStringLiteral("secret"), QStringLiteral("Логин") + allowed.arg(QStringLiteral("✓"))},
    };
    for (const Case& c : cases) {
        Dialog d(QStringLiteral("refused"));
        d.form->LabeledEdit1->setText(c.login);
        d.form->LabeledEdit2->setText(c.password);
        QTest::mouseClick(d.form->SpeedButton2, Qt::LeftButton);
        ASSERT_EQ(d.dialogs.count(), 1) << c.message.toStdString();   // no first-login question
        EXPECT_EQ(d.dialogs.last().text, c.message);
        EXPECT_EQ(d.dialogs.last().title, QStringLiteral("Ошибка"));
        EXPECT_EQ(d.dialogs.last().icon, ui::MsgIcon::Error);
        EXPECT_EQ(d.form->result(), 0);
    }
}

TEST(StudentLoginDialog, ALoginTakenByAnotherStudentOrAStaffUserIsRefused)
{
    Dialog d(QStringLiteral("taken"));
    for (const QString& taken : {d.otherStudentsLogin(), QStringLiteral("demo")}) {
        ASSERT_FALSE(taken.isEmpty());
        d.form->LabeledEdit1->setText(taken);
        QTest::mouseClick(d.form->SpeedButton2, Qt::LeftButton);
        ASSERT_GE(d.dialogs.count(), 1);
        EXPECT_EQ(d.dialogs.last().text, QStringLiteral("Пользователь с таким логином уже существует."));
        EXPECT_EQ(d.dialogs.last().title, QStringLiteral("Ошибка"));
        EXPECT_EQ(d.dialogs.last().icon, ui::MsgIcon::Error);
        EXPECT_EQ(d.form->result(), 0);
    }
}

TEST(StudentLoginDialog, AFreeLoginAsksTheFirstLoginQuestion)
{
    for (ui::MsgResult answer : {ui::MsgResult::Yes, ui::MsgResult::No}) {
        Dialog d(QStringLiteral("free"));
        RequirePasswordChange = answer == ui::MsgResult::No;
        d.dialogs.answer(answer);
        d.form->LabeledEdit1->setText(QStringLiteral("o'brien.new")); // the quote stays inside its literal
        QTest::mouseClick(d.form->SpeedButton2, Qt::LeftButton);
        ASSERT_EQ(d.dialogs.count(), 1);
        EXPECT_EQ(d.dialogs.last().title, QStringLiteral("Уведомление!!!"));
        EXPECT_EQ(d.dialogs.last().buttons, ui::MsgButtons::YesNo);
        EXPECT_EQ(d.dialogs.last().icon, ui::MsgIcon::None);
        EXPECT_EQ(d.form->result(), QDialog::Accepted);
        EXPECT_EQ(RequirePasswordChange, answer == ui::MsgResult::Yes);
    }
}

TEST(StudentLoginDialog, EscapeCancelsAndLeavesTheAnswerAlone)
{
    Dialog d(QStringLiteral("escape"));
    RequirePasswordChange = true;
    QTest::keyClick(d.form.get(), Qt::Key_Escape);
    EXPECT_EQ(d.form->result(), QDialog::Rejected);
    EXPECT_TRUE(RequirePasswordChange);
}
