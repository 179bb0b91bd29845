// The student codes window reached from the main window's "Шифр Студентов" as the demo
// user: the list, a new login and password, a changed login, refused logins, a login taken
// at the same moment by someone else, a corrected code and the sheet reloaded after it.
#include "accounts/student_codes_window.h"
#include "accounts/student_login_dialog.h"
#include "data/dm_cde_3.h"
#include "history/update_history.h"
#include "platform/db/dataset.h"
#include "platform/os/cp1251.h"
#include "platform/ui/db_navigator.h"
#include "platform/ui/grid_column.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "tests/sheet/sheet_window_fixture.h"
#include "tests/support/keys.h"
#include "tests/support/modal.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace qel;

namespace {

const QString kIvt = QStringLiteral("ИВТ-24");
const QString kThird = QStringLiteral("3 семестр");
const QString kDiscrete = QStringLiteral("Дискретная математика");

QString md5Upper(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(os::toCp1251(text), QCryptographicHash::Md5).toHex().toUpper());
}

struct AuditRow {
    QString table;
    int rowId;
    QString descr;
    QString user;
    bool operator==(const AuditRow&) const = default;
};

void PrintTo(const AuditRow& r, std::ostream* os)
{
    *os << r.table.toStdString() << "/" << r.rowId << "/" << r.descr.toStdString() << "/" << r.user.toStdString();
}

class StudentCodes : public test::SheetWindowTest {
protected:
    // The demo user with the sheet of ИВТ-24 open.
    void openSheet()
    {
        logIn();
        pickSheet(kIvt, kThird, kDiscrete);
        ASSERT_GT(rows(), 0);
    }

    // Presses "Шифр Студентов" and runs the body while the codes window is shown, then closes
    // the window as its close box does.
    void inCodesWindow(const std::function<void(TForm7&)>& body)
    {
        bool shown = false;
        test::whenModalShown(
            [&](QWidget* w) {
                shown = true;
                auto& form = static_cast<TForm7&>(*w);
                body(form);
                form.close();
                if (form.isVisible()) { // a refused close: drop the edit and close again
                    form.DBNavigator1->clickButton(ui::NavigateButton::Cancel);
                    form.close();
                }
            },
            "qel::TForm7");
        ASSERT_TRUE(window->SpeedButton2->isEnabled());
        QTest::mouseClick(window->SpeedButton2, Qt::LeftButton);
        EXPECT_TRUE(shown);
    }

    static int rowOf(TForm7& form, const QString& name)
    {
        for (int r = 0; r < form.QXDBGridEh2->dataRowCount(); ++r)
            if (form.QXDBGridEh2->cellText(r, 2) == name)
                return r;
        ADD_FAILURE() << "no row " << name.toStdString();
        return -1;
    }

    static QPoint cellCentre(TForm7& form, int row, int column)
    {
        return form.QXDBGridEh2->visualRect(form.QXDBGridEh2->model()->index(row, column)).center();
    }

    static void clickCell(TForm7& form, int row, int column)
    {
        QTest::mouseClick(form.QXDBGridEh2->viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(form, row, column));
    }

    // Double-clicks the student's name and runs the body while the login dialog is shown;
    // returns whether it was shown. The body leaves the dialog by its buttons.
    static bool inLoginDialog(TForm7& form, const QString& student, const std::function<void(TForm11&)>& body,
                              bool byEnter = false)
    {
        const int row = rowOf(form, student);
        if (row < 0)
            return false;
        bool shown = false;
        test::whenModalShown(
            [&](QWidget* w) {
                shown = true;
                auto& dialog = static_cast<TForm11&>(*w);
                body(dialog);
                if (dialog.isVisible())
                    QTest::mouseClick(dialog.SpeedButton1, Qt::LeftButton);
            },
            "qel::TForm11");
        // A double click's first press lands as a click does.
        clickCell(form, row, 2);
        if (byEnter)
            QTest::keyClick(form.QXDBGridEh2, Qt::Key_Return);
        else
            QTest::mouseDClick(form.QXDBGridEh2->viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(form, row, 2));
        return shown;
    }

    // Types over the code in the current row's code cell, opening its editor where it is
    // not open yet (Enter or a post is left to the test).
    static void typeCode(TForm7& form, const QString& code)
    {
        ui::TQXDBGridEh& grid = *form.QXDBGridEh2;
        if (!grid.editorMode())
            QTest::keyClick(&grid, Qt::Key_F2);
        ASSERT_TRUE(grid.editorMode());
        auto* editor = qobject_cast<QLineEdit*>(grid.cellEditor());
        ASSERT_TRUE(editor);
        editor->selectAll();
        test::typeText(editor, code);
    }

    static void retype(QLineEdit* box, const QString& text)
    {
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        test::typeText(box, text);
    }

    QVariant stored(int idStudent, const char* column)
    {
        return fx->adminScalar(QStringLiteral("SELECT %1 FROM Student WHERE id_student = ?").arg(QLatin1String(column)),
                               {idStudent});
    }

    QList<AuditRow> auditRows()
    {
        QList<AuditRow> out;
        const wire::BatchResult r = fx->admin(QStringLiteral(
            "SELECT [table], row_id, descr, QEL_User FROM QEL_LOG WHERE [table] IN ('student', 's_fio') ORDER BY id_qel_log"));
        for (const wire::Row& row : r.resultSets.first().rows)
            out.append({row[0].toString(), row[1].toInt(), row[2].toString(), row[3].toString()});
        return out;
    }

    // Counts the reopenings of the student name list of the main window.
    int namesReopened = 0;
    void countNameReloads()
    {
        fx->dm->ADOQ_s_fio.afterOpen = [this](db::DataSet&) { ++namesReopened; };
    }
};

QString accountDescription(const QString& oldLogin, const QString& newLogin, const QString& newDigest)
{
    return QStringLiteral("Логин-\"%1\" и Пароль-\"\" изменили значения на Логин-\"%2\" и Пароль-\"%3\"")
        .arg(oldLogin, newLogin, newDigest);
}

} // namespace

TEST_F(StudentCodes, ListsTheGroupsStudentsThatHaveAnAccountRowAndClosingUnchangedReloadsNothing)
{
    fx->admin(QStringLiteral("DELETE FROM Student WHERE id_student = 10"));
    openSheet();
    countNameReloads();
    inCodesWindow([&](TForm7& form) {
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Шифры студентов"));
        ui::TQXDBGridEh& grid = *form.QXDBGridEh2;
        QStringList titles;
        for (int c = 0; c < grid.columnCount(); ++c)
            titles << grid.column(c).title();
        EXPECT_EQ(titles, QStringList({"П/П", "Шифр студента", "ФИО студента", " Логин"}));
        ASSERT_EQ(grid.dataRowCount(), 9);   // Миронова has no account row
        EXPECT_EQ(grid.cellText(0, 0), QStringLiteral("1"));
        EXPECT_EQ(grid.cellText(0, 1), QStringLiteral("24ИВТ001"));
        EXPECT_EQ(grid.cellText(0, 2), QStringLiteral("Алексеев Иван Петрович"));
        EXPECT_EQ(grid.cellText(0, 3), QStringLiteral("alekseev.i"));
        EXPECT_EQ(grid.cellText(8, 2), QStringLiteral("Лаптев Егор Алексеевич"));
        EXPECT_EQ(form.DBNavigator1->hint(ui::NavigateButton::Post), QStringLiteral("Сохранить"));
        EXPECT_EQ(form.DBNavigator1->hint(ui::NavigateButton::Cancel), QStringLiteral("Отмена"));
    });
    EXPECT_FALSE(fx->dm->ADOQ_Students.active());
    EXPECT_FALSE(fx->dm->StudentsChanged);
    EXPECT_EQ(namesReopened, 0);
    EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(StudentCodes, ANewLoginIsProposedFromTheNameAndStoredWithTheDigestAndAnAuditRow)
{
    fx->admin(QStringLiteral("UPDATE s_fio SET s_fio = 'Иванов Пётр Сергеевич' WHERE id_student = 2"));
    openSheet();
    countNameReloads();
    inCodesWindow([&](TForm7& form) {
        const bool shown = inLoginDialog(form, QStringLiteral("Иванов Пётр Сергеевич"), [&](TForm11& d) {
            EXPECT_EQ(d.LabeledEdit1->text(), QStringLiteral("ivanov.p"));
            EXPECT_TRUE(d.SpeedButton2->isEnabled());
            EXPECT_TRUE(test::waitFor([&] { return QApplication::focusWidget() == d.LabeledEdit1; }));
            test::typeText(d.LabeledEdit2, QStringLiteral("Secret1"));
            dialogs->answer(ui::MsgResult::No);   // a new login demands the change all the same
            QTest::mouseClick(d.SpeedButton2, Qt::LeftButton);
        });
        EXPECT_TRUE(shown);
        EXPECT_EQ(form.QXDBGridEh2->cellText(rowOf(form, QStringLiteral("Иванов Пётр Сергеевич")), 3),
                  QStringLiteral("ivanov.p"));
    });
    EXPECT_EQ(dialogs->texts(), QStringList({QStringLiteral(
                                    "Изменить пароль при первом входе. Если [Да], то изменить . Если [НЕТ], то неменять.")}));
    const QString digest = md5Upper(QStringLiteral("secret1"));
    // The student can be found by the login and the digest of the password.
    EXPECT_EQ(fx->adminScalar(QStringLiteral("SELECT id_student FROM Student WHERE login = 'ivanov.p' AND password = ?"),
                              {digest}),
              QVariant(2));
    EXPECT_EQ(stored(2, "needChangePsw"), QVariant(true));
    EXPECT_EQ(stored(2, "startDateForChangePsw").toDate(), QDate::currentDate());
    EXPECT_EQ(auditRows(), QList<AuditRow>({{"student", 2, accountDescription("", "ivanov.p", digest), "demo"}}));
    EXPECT_TRUE(fx->dm->StudentsChanged);
    EXPECT_EQ(namesReopened, 1);
}

TEST_F(StudentCodes, ALoginTakenBySomeoneElseStoresNothingAndKeepsTheDialogOpen)
{
    openSheet();
    const QVariant digest = stored(1, "password");
    for (const QString& taken : {QStringLiteral("vasilev.a"), QStringLiteral("Demo")}) {
        inCodesWindow([&](TForm7& form) {
            inLoginDialog(form, QStringLiteral("Алексеев Иван Петрович"), [&](TForm11& d) {
                retype(d.LabeledEdit1, taken);
                test::typeText(d.LabeledEdit2, QStringLiteral("pw"));
                QTest::mouseClick(d.SpeedButton2, Qt::LeftButton);
                EXPECT_TRUE(d.isVisible()) << taken.toStdString();
                EXPECT_EQ(d.LabeledEdit1->text(), taken.toLower());
                ASSERT_EQ(dialogs->count(), 1);
                EXPECT_EQ(dialogs->last().text, QStringLiteral("Пользователь с таким логином уже существует."));
                EXPECT_EQ(dialogs->last().title, QStringLiteral("Ошибка"));
                dialogs->clear();
            });
        });
    }
    EXPECT_EQ(stored(1, "login"), QVariant(QStringLiteral("alekseev.i")));
    EXPECT_EQ(stored(1, "password"), digest);
    EXPECT_TRUE(auditRows().isEmpty());
    EXPECT_FALSE(fx->dm->StudentsChanged);
}

TEST_F(StudentCodes, TheStudentsOwnLoginPassesAndANewPasswordIsStored)
{
    openSheet();
    inCodesWindow([&](TForm7& form) {
        inLoginDialog(form, QStringLiteral("Алексеев Иван Петрович"), [&](TForm11& d) {
            EXPECT_EQ(d.LabeledEdit1->text(), QStringLiteral("alekseev.i"));
            EXPECT_FALSE(d.SpeedButton2->isEnabled());
            EXPECT_TRUE(test::waitFor([&] { return QApplication::focusWidget() == d.LabeledEdit2; }));
            test::typeText(d.LabeledEdit2, QStringLiteral("новый1"));
            EXPECT_TRUE(d.SpeedButton2->isEnabled());
            QTest::mouseClick(d.SpeedButton2, Qt::LeftButton);
        });
    });
    const QString digest = md5Upper(QStringLiteral("новый1"));
    EXPECT_EQ(stored(1, "login"), QVariant(QStringLiteral("alekseev.i")));
    EXPECT_EQ(stored(1, "password"), QVariant(digest));
    EXPECT_EQ(auditRows(), QList<AuditRow>({{"student", 1, accountDescription("alekseev.i", "alekseev.i", digest), "demo"}}));
}

TEST_F(StudentCodes, ChangingOnlyTheLoginKeepsThePasswordDigest)
{
    openSheet();
    const QVariant digest = stored(3, "password");
    ASSERT_FALSE(digest.toString().isEmpty());
    inCodesWindow([&](TForm7& form) {
        // Opened from the keyboard this time.
        inLoginDialog(form, QStringLiteral("Васильев Артём Сергеевич"), [&](TForm11& d) {
            retype(d.LabeledEdit1, QStringLiteral("vasilev.art"));
            dialogs->answer(ui::MsgResult::No);
            QTest::mouseClick(d.SpeedButton2, Qt::LeftButton);
        }, /*byEnter=*/true);
    });
    EXPECT_EQ(stored(3, "login"), QVariant(QStringLiteral("vasilev.art")));
    EXPECT_EQ(stored(3, "password"), digest);
    EXPECT_EQ(stored(3, "needChangePsw"), QVariant(false));
    EXPECT_EQ(auditRows(), QList<AuditRow>({{"student", 3, accountDescription("vasilev.a", "vasilev.art", ""), "demo"}}));
}

TEST_F(StudentCodes, ALoginGivenElsewhereWhileTheDialogWasOpenIsRefusedWhenStored)
{
    openSheet();
    countNameReloads();
    // Another staff member gives the same login to another student between this dialog's
    // check and the store.
    dialogs->onMessage([&](const ui::MessageRequest& r) {
        if (r.title == QStringLiteral("Уведомление!!!"))
            fx->admin(QStringLiteral("UPDATE Student SET login = 'zakharova.p' WHERE id_student = 8"));
    });
    inCodesWindow([&](TForm7& form) {
        inLoginDialog(form, QStringLiteral("Захарова Полина Ивановна"), [&](TForm11& d) {
            EXPECT_EQ(d.LabeledEdit1->text(), QStringLiteral("zakharova.p"));
            test::typeText(d.LabeledEdit2, QStringLiteral("pw"));
            QTest::mouseClick(d.SpeedButton2, Qt::LeftButton);
        });
        EXPECT_TRUE(form.QXDBGridEh2->cellText(rowOf(form, QStringLiteral("Захарова Полина Ивановна")), 3).isEmpty());
    });
    ASSERT_EQ(dialogs->count(), 2);
    EXPECT_EQ(dialogs->last().text, QStringLiteral("Пользователь с таким логином уже существует."));
    EXPECT_EQ(dialogs->last().icon, ui::MsgIcon::Error);
    EXPECT_TRUE(stored(6, "login").isNull());
    EXPECT_TRUE(stored(6, "password").isNull());
    EXPECT_TRUE(auditRows().isEmpty());
    EXPECT_EQ(namesReopened, 0);
}

TEST_F(StudentCodes, ALoginChangedElsewhereSinceTheListWasReadIsNotOverwritten)
{
    openSheet();
    inCodesWindow([&](TForm7& form) {
        inLoginDialog(form, QStringLiteral("Васильев Артём Сергеевич"), [&](TForm11& d) {
            fx->admin(QStringLiteral("UPDATE Student SET login = 'vasilev.other' WHERE id_student = 3"));
            retype(d.LabeledEdit1, QStringLiteral("vasilev.mine"));
            QTest::mouseClick(d.SpeedButton2, Qt::LeftButton);
        });
    });
    ASSERT_EQ(dialogs->count(), 2);
    EXPECT_EQ(dialogs->last().text, QString::fromLatin1(db::kRowNotLocated));
    EXPECT_EQ(stored(3, "login"), QVariant(QStringLiteral("vasilev.other")));
    EXPECT_TRUE(auditRows().isEmpty());
}

TEST_F(StudentCodes, ACorrectedCodeIsStoredAuditedAndShownInTheSheet)
{
    openSheet();
    int sheetRow = -1;
    for (int r = 0; r < rows(); ++r)
        if (cell(r, QStringLiteral("student")) == QStringLiteral("Алексеев Иван Петрович"))
            sheetRow = r;
    ASSERT_GE(sheetRow, 0);
    ASSERT_EQ(cell(sheetRow, QStringLiteral("idid")), QStringLiteral("24ИВТ001"));
    inCodesWindow([&](TForm7& form) {
        ui::TQXDBGridEh& grid = *form.QXDBGridEh2;
        const int row = rowOf(form, QStringLiteral("Алексеев Иван Петрович"));
        // The name column does not take typing.
        clickCell(form, row, 2);
        EXPECT_FALSE(grid.hasOption(ui::dgEditing));
        test::typeText(&grid, QStringLiteral("Х"));
        EXPECT_FALSE(grid.editorMode());
        EXPECT_EQ(fx->dm->ADOQ_Students.state(), db::DataSetState::Browse);

        clickCell(form, row, 1);
        EXPECT_TRUE(grid.hasOption(ui::dgEditing));
        // A character the stored text cannot hold is refused where it was typed.
        typeCode(form, QStringLiteral("24ИВТ№✓"));
        QTest::keyClick(grid.cellEditor(), Qt::Key_Return);
        ASSERT_EQ(dialogs->count(), 1);
        EXPECT_TRUE(dialogs->last().text.startsWith(QStringLiteral("Шифр студента содержит недопустимые символы: ✓\n")))
            << dialogs->last().text.toStdString();
        EXPECT_EQ(fx->dm->ADOQ_Students.fieldByName(QStringLiteral("idid")).asString(), QStringLiteral("24ИВТ001"));

        typeCode(form, QStringLiteral("24ИВТ101"));
        QTest::mouseClick(form.DBNavigator1->button(ui::NavigateButton::Post), Qt::LeftButton);
        EXPECT_EQ(fx->dm->ADOQ_Students.state(), db::DataSetState::Browse);

        clickCell(form, row, 3);
        EXPECT_FALSE(grid.hasOption(ui::dgEditing));
    });
    EXPECT_EQ(fx->adminScalar(QStringLiteral("SELECT idid FROM s_fio WHERE id_student = 1")),
              QVariant(QStringLiteral("24ИВТ101")));
    EXPECT_EQ(auditRows(),
              QList<AuditRow>({{"s_fio", 1, "Поле \"idid\" изменило значение \"24ИВТ001\" на \"24ИВТ101\".", "demo"}}));
    EXPECT_EQ(cell(sheetRow, QStringLiteral("idid")), QStringLiteral("24ИВТ101"));
    // The recorder is back on the sheet: a mark change is audited as before.
    EXPECT_EQ(UpdateHistory->DataSet, &fx->dm->ADO_SP_Sort);
}

TEST_F(StudentCodes, QuotesInNamesLoginsAndCodesStayInsideTheirLiterals)
{
    fx->admin(QStringLiteral("UPDATE s_fio SET s_fio = 'О''Нил Шон' WHERE id_student = 4"));
    openSheet();
    inCodesWindow([&](TForm7& form) {
        const QString name = QStringLiteral("О'Нил Шон");
        inLoginDialog(form, name, [&](TForm11& d) {
            EXPECT_EQ(d.LabeledEdit1->text(), QStringLiteral("onil.s"));
            retype(d.LabeledEdit1, QStringLiteral("o'neil"));
            test::typeText(d.LabeledEdit2, QStringLiteral("it's"));
            QTest::mouseClick(d.SpeedButton2, Qt::LeftButton);
        });
        clickCell(form, rowOf(form, name), 1);
        typeCode(form, QStringLiteral("24'ИВТ004"));
        QTest::keyClick(form.QXDBGridEh2->cellEditor(), Qt::Key_Return);
    });
    EXPECT_EQ(stored(4, "login"), QVariant(QStringLiteral("o'neil")));
    EXPECT_EQ(stored(4, "password"), QVariant(md5Upper(QStringLiteral("it's"))));
    EXPECT_EQ(fx->adminScalar(QStringLiteral("SELECT idid FROM s_fio WHERE id_student = 4")),
              QVariant(QStringLiteral("24'ИВТ004")));
    EXPECT_EQ(auditRows(),
              QList<AuditRow>({{"student", 4, accountDescription("", "o'neil", md5Upper(QStringLiteral("it's"))), "demo"},
                               {"s_fio", 4, "Поле \"idid\" изменило значение \"24ИВТ004\" на \"24'ИВТ004\".", "demo"}}));
}

TEST_F(StudentCodes, AFailedPostOnClosingIsReportedAndKeepsTheWindowOpen)
{
    openSheet();
    inCodesWindow([&](TForm7& form) {
        clickCell(form, 0, 1);
        typeCode(form, QStringLiteral("24ИВТ555"));
        // Someone else corrects the same code meanwhile.
        fx->admin(QStringLiteral("UPDATE s_fio SET idid = '24ИВТ777' WHERE id_student = 1"));
        form.close();
        EXPECT_TRUE(form.isVisible());
        ASSERT_EQ(dialogs->count(), 1);
        EXPECT_EQ(dialogs->last().text, QString::fromLatin1(db::kRowNotLocated));
        EXPECT_EQ(dialogs->last().icon, ui::MsgIcon::Error);
        EXPECT_EQ(fx->dm->ADOQ_Students.state(), db::DataSetState::Edit);
    });
    EXPECT_EQ(fx->adminScalar(QStringLiteral("SELECT idid FROM s_fio WHERE id_student = 1")),
              QVariant(QStringLiteral("24ИВТ777")));
    EXPECT_TRUE(auditRows().isEmpty());
}

TEST_F(StudentCodes, WithTheListClosedADoubleClickDoesNothing)
{
    fx->connectAs(QStringLiteral("demo"), QStringLiteral("demo2026"));
    TForm7 form(nullptr, *fx->dm, {999999, QStringLiteral("demo"), {}});
    EXPECT_FALSE(fx->dm->ADOQ_Students.active());
    form.show();
    bool dialogShown = false;
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QWidget* m = QApplication::activeModalWidget(); m && m->inherits("qel::TForm11")) {
            dialogShown = true;
            test::closeModal(m, QDialog::Rejected);
        }
    });
    watch.start();
    QTest::mouseDClick(form.QXDBGridEh2->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 10));
    form.QXDBGridEh2DblClick();
    EXPECT_FALSE(dialogShown);
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(dialogs->count(), 0);
}
