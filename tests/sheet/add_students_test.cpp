// The add-students window reached from the main window's "Добавить студента по ведомости"
// as the demo user: a failed student put onto the referral form with the permitted points
// copied, a second press that adds nothing, the sheet reopened after closing, the credit
// scale's copy rule, namesakes, a student whose main row vanished, a sheet without a scale
// variant, the flagged-forms setting and a login longer than the author column.
#include "data/dm_cde_3.h"
#include "platform/ui/check_list_box.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/label.h"
#include "sheet/add_students_window.h"
#include "tests/sheet/sheet_window_fixture.h"
#include "tests/support/modal.h"

#include <QPushButton>
#include <QTest>

using namespace qel;

namespace {

const QString kIvt = QStringLiteral("ИВТ-24");
const QString kThird = QStringLiteral("3 семестр");
const QString kDiscrete = QStringLiteral("Дискретная математика");
const QString kReferral = QStringLiteral("Направление");
const QString kGrigorieva = QStringLiteral("Григорьева Дарья Олеговна");
const QString kAlekseev = QStringLiteral("Алексеев Иван Петрович");

// The demo's examination sheet: ИВТ-24 (1), 3 семестр (3), Дискретная математика (9),
// examination (1), 4 credits, scale variant 1.
const QString kExamSheet = QStringLiteral("id_group = 1 AND id_semester = 3 AND id_discipline = 9 AND id_examination = 1");

class AddStudents : public test::SheetWindowTest {
protected:
    // Presses "Добавить студента по ведомости", runs the body while the window shows and
    // closes it by its close box.
    void inAddWindow(const std::function<void(TForm13&)>& body)
    {
        bool shown = false;
        test::whenModalShown(
            [&](QWidget* w) {
                shown = true;
                auto& form = static_cast<TForm13&>(*w);
                body(form);
                form.close();
            },
            "qel::TForm13");
        ASSERT_TRUE(window->Button2->isEnabled());
        QTest::mouseClick(window->Button2, Qt::LeftButton);
        EXPECT_TRUE(shown);
        EXPECT_FALSE(QApplication::activeModalWidget());
    }

    // Ticks a listed student as a user does: the item chosen, then Space.
    static void tick(TForm13& form, const QString& item)
    {
        ui::CheckListBox& list = *form.CheckListBox1;
        const int row = int(list.items().indexOf(item));
        ASSERT_GE(row, 0) << item.toStdString() << " not in " << list.items().join(QLatin1Char('|')).toStdString();
        list.setFocus();
        list.setCurrentRow(row);
        QTest::keyClick(&list, Qt::Key_Space);
        ASSERT_TRUE(list.checked(row));
    }

    static void pressAdd(TForm13& form)
    {
        ASSERT_TRUE(form.Button1->isEnabled());
        QTest::mouseClick(form.Button1, Qt::LeftButton);
    }

    // The students with a row of the sheet on a statement form.
    QList<int> studentsOn(int form, const QString& sheet = kExamSheet) const
    {
        QList<int> out;
        const wire::BatchResult r = fx->admin(
            QStringLiteral("SELECT id_student FROM mark_mag WHERE %1 AND id_f_est = ? ORDER BY id_student").arg(sheet),
            {form});
        for (const wire::Row& row : r.resultSets.value(0).rows)
            out << row.value(0).toInt();
        return out;
    }

    QVariant rowOn(int form, int student, const QString& sheet = kExamSheet) const
    {
        return fx->adminScalar(
            QStringLiteral("SELECT id_mark_mag FROM mark_mag WHERE %1 AND id_f_est = ? AND id_student = ?").arg(sheet),
            {form, student});
    }
};

QString count(int n) { return QStringLiteral("Добавлено студентов: ") + QString::number(n); }

} // namespace

TEST_F(AddStudents, AFailedStudentGetsOneReferralRowWithThePermittedPointsCopied)
{
    // Everyone passed but Григорьева, who failed with a fractional first module and no
    // third one; the referral copies m1, m2, m3 and dop, not the examination m4.
    fx->admin(QStringLiteral("UPDATE mark_mag SET id_estimation = 2 WHERE %1 AND id_f_est = 1").arg(kExamSheet));
    fx->admin(QStringLiteral("UPDATE mark_mag SET id_estimation = 11, m1 = 12.5, m2 = 7, m3 = NULL, m4 = 9, dop = 3 "
                             "WHERE %1 AND id_f_est = 1 AND id_student = 4")
                  .arg(kExamSheet));
    logIn();
    openDemoSheet();
    ASSERT_FALSE(test::SheetWindowTest::listed(window->DBLookupComboBox1).contains(kReferral));

    inAddWindow([&](TForm13& form) {
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Добавить студента по ведомости"));
        EXPECT_EQ(form.DBLookupComboBox1->text(), kReferral);
        EXPECT_EQ(form.CheckListBox1->items(), QStringList{kGrigorieva});
        EXPECT_EQ(form.StudentIdList, QStringList{QStringLiteral("4")});
        EXPECT_EQ(form.Label2->text(), QStringLiteral("---"));
        tick(form, kGrigorieva);
        pressAdd(form);
        ASSERT_EQ(dialogs->count(), 1);
        EXPECT_EQ(dialogs->last().text, count(1));
        EXPECT_EQ(dialogs->last().icon, ui::MsgIcon::None);
        EXPECT_EQ(form.Label2->text(), count(1));

        // The second press finds her row there and says so.
        pressAdd(form);
        ASSERT_EQ(dialogs->count(), 2);
        EXPECT_TRUE(dialogs->last().text.startsWith(count(0) + QLatin1Char('\n'))) << dialogs->last().text.toStdString();
        EXPECT_TRUE(dialogs->last().text.contains(kGrigorieva));
        EXPECT_EQ(form.Label2->text(), count(0));
    });
    ASSERT_EQ(studentsOn(7), QList<int>{4});

    const QVariant id = rowOn(7, 4);
    const struct {
        const char* column;
        QVariant expected;
    } columns[] = {
        {"id_group", 1},         {"id_student", 4},      {"id_examination", 1}, {"id_discipline", 9},
        {"id_semester", 3},      {"id_teacher", 1},      {"p35", "7-1-3-9-1"},  {"id_f_est", 7},
        {"kredits", 4},          {"id_ebe_var", 1},      {"m1", 12.5},          {"m2", 7.0},
        {"m3", QVariant()},      {"m4", QVariant()},     {"dop", 3.0},          {"dop2", QVariant()},
        {"id_estimation", 11},   {"QEL_User", "demo"},
    };
    for (const auto& c : columns) {
        const QVariant v = stored(id, QString::fromLatin1(c.column));
        if (c.expected.isNull())
            EXPECT_TRUE(v.isNull()) << c.column << " = " << v.toString().toStdString();
        else
            EXPECT_EQ(v.toString(), c.expected.toString()) << c.column;
    }
    EXPECT_EQ(stored(id, QStringLiteral("p36")).toDateTime(), QDateTime(QDate(2001, 1, 1), QTime(0, 0)));

    // The main window lists the referral now; it opens with her copied points.
    pick(window->DBLookupComboBox1, kReferral);
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(cell(0, QStringLiteral("student")), kGrigorieva);
    EXPECT_EQ(cell(0, QStringLiteral("m1")), QStringLiteral("12,5"));
    EXPECT_EQ(cell(0, QStringLiteral("m3")), QString());
    EXPECT_EQ(cell(0, QStringLiteral("dop")), QStringLiteral("3"));
}

// Closing reloads the statement forms and reopens the sheet once "Добавить" was pressed,
// even with nothing ticked; closing without pressing it leaves the main window as it was.
class AddStudentsClosing : public AddStudents, public ::testing::WithParamInterface<bool> {};

TEST_P(AddStudentsClosing, ReopensTheSheetOnlyAfterAPress)
{
    const bool press = GetParam();
    logIn();
    openDemoSheet();
    const int alekseev = rowOfStudent(1);
    ASSERT_GE(alekseev, 0);
    const QString before = cell(alekseev, QStringLiteral("m1"));

    inAddWindow([&](TForm13& form) {
        // Meanwhile someone else changes a mark and puts a student onto another form.
        fx->admin(QStringLiteral("UPDATE mark_mag SET m1 = 19.5 WHERE %1 AND id_f_est = 1 AND id_student = 1").arg(kExamSheet));
        fx->admin(QStringLiteral("INSERT INTO mark_mag (id_group, id_student, id_examination, id_discipline, id_semester, "
                                 "id_f_est, id_ebe_var, kredits) VALUES (1, 2, 1, 9, 3, 4, 1, 4)"));
        if (press) {
            pressAdd(form);
            ASSERT_EQ(dialogs->count(), 1);
            EXPECT_EQ(dialogs->last().text, count(0));
            EXPECT_EQ(form.Label2->text(), count(0));
        }
    });
    EXPECT_EQ(studentsOn(7), QList<int>{});
    const int row = rowOfStudent(1);
    ASSERT_GE(row, 0);
    EXPECT_EQ(cell(row, QStringLiteral("m1")), press ? QStringLiteral("19,5") : before);
    EXPECT_EQ(test::SheetWindowTest::listed(window->DBLookupComboBox1).contains(QStringLiteral("Перезачет")), press);
    EXPECT_EQ(window->DBLookupComboBox1->text(), QStringLiteral("Ведомость"));
}

INSTANTIATE_TEST_SUITE_P(PressedOrNot, AddStudentsClosing, ::testing::Bool());

TEST_F(AddStudents, TheCreditScaleCopiesOnlyItsFirstCheckpoint)
{
    // Физика, a credit test of the third semester (scale variant 2, 3 credits): the
    // referral copies m1 only.
    const QString physics = QStringLiteral("id_group = 1 AND id_semester = 3 AND id_discipline = 4 AND id_examination = 2");
    fx->admin(QStringLiteral("UPDATE mark_mag SET m1 = 40, m2 = 30 WHERE %1 AND id_f_est = 1 AND id_student = 1").arg(physics));
    logIn();
    pickSheet(kIvt, kThird, QStringLiteral("Физика"));
    ASSERT_TRUE(fx->dm->ADO_SP_Sort.active());

    inAddWindow([&](TForm13& form) {
        tick(form, kAlekseev);
        pressAdd(form);
        EXPECT_EQ(dialogs->last().text, count(1));
    });
    ASSERT_EQ(studentsOn(7, physics), QList<int>{1});
    const QVariant id = rowOn(7, 1, physics);
    EXPECT_EQ(stored(id, QStringLiteral("m1")).toDouble(), 40);
    EXPECT_TRUE(stored(id, QStringLiteral("m2")).isNull());
    EXPECT_EQ(stored(id, QStringLiteral("id_ebe_var")).toInt(), 2);
    EXPECT_EQ(stored(id, QStringLiteral("kredits")).toInt(), 3);
    EXPECT_EQ(stored(id, QStringLiteral("p35")).toString(), QStringLiteral("7-1-3-4-2"));
}

TEST_F(AddStudents, NamesakesAreTwoEntriesAndAStudentWithTwoRowsIsOne)
{
    // Белова is renamed to Алексеев's full name; Васильев has a second main row with
    // other credits, which the server offers as well.
    fx->admin(QStringLiteral("UPDATE s_fio SET s_fio = ? WHERE id_student = 2"), {kAlekseev});
    fx->admin(QStringLiteral("INSERT INTO mark_mag (id_group, id_student, id_examination, id_estimation, id_discipline, "
                             "id_semester, id_f_est, id_ebe_var, kredits) VALUES (1, 3, 1, 8, 9, 3, 1, 1, 5)"));
    logIn();
    openDemoSheet();

    inAddWindow([&](TForm13& form) {
        const QStringList items = form.CheckListBox1->items();
        ASSERT_EQ(items.size(), 10) << items.join(QLatin1Char('|')).toStdString();
        ASSERT_EQ(form.StudentIdList.size(), 10);
        EXPECT_EQ(form.StudentIdList.count(QStringLiteral("3")), 1);
        EXPECT_EQ(items.mid(0, 2), QStringList({kAlekseev + QStringLiteral(" (24ИВТ001)"),
                                                kAlekseev + QStringLiteral(" (24ИВТ002)")}));
        EXPECT_EQ(form.StudentIdList.mid(0, 2), QStringList({QStringLiteral("1"), QStringLiteral("2")}));

        QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
        EXPECT_EQ(form.CheckListBox1->checkedCount(), 10);
        EXPECT_EQ(form.SpeedButton1->text(), QStringLiteral("Убрать выделение"));
        pressAdd(form);
        EXPECT_EQ(dialogs->last().text, count(10));
    });
    EXPECT_EQ(studentsOn(7), QList<int>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST_F(AddStudents, SelectAllTogglesAndDoesNothingOnAnEmptyList)
{
    // No student of the sheet meets the referral's condition.
    fx->admin(QStringLiteral("UPDATE mark_mag SET id_estimation = 2 WHERE %1 AND id_f_est = 1").arg(kExamSheet));
    logIn();
    openDemoSheet();
    inAddWindow([&](TForm13& form) {
        EXPECT_EQ(form.CheckListBox1->count(), 0);
        QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
        EXPECT_EQ(form.SpeedButton1->text(), QStringLiteral("Выбрать всех"));
    });
}

TEST_F(AddStudents, AStudentWhoseMainRowVanishedIsNamedAndSkipped)
{
    logIn();
    openDemoSheet();
    inAddWindow([&](TForm13& form) {
        tick(form, kGrigorieva);
        tick(form, kAlekseev);
        // Another user removes Алексеев's row from the main statement meanwhile.
        fx->admin(QStringLiteral("DELETE FROM mark_mag WHERE %1 AND id_f_est = 1 AND id_student = 1").arg(kExamSheet));
        pressAdd(form);
        ASSERT_EQ(dialogs->count(), 1);
        const QString text = dialogs->last().text;
        EXPECT_TRUE(text.startsWith(count(1) + QLatin1Char('\n'))) << text.toStdString();
        EXPECT_TRUE(text.contains(kAlekseev));
        EXPECT_FALSE(text.contains(kGrigorieva));
        EXPECT_EQ(form.Label2->text(), count(1));
    });
    EXPECT_EQ(studentsOn(7), QList<int>{4});
}

TEST_F(AddStudents, WithoutAScaleVariantNothingIsListedOrAdded)
{
    // Математический анализ of the first semester has two scale variants: after one was
    // picked, picking the form of control again leaves the variant open while the button
    // to this window stays enabled.
    logIn();
    pickSheet(kIvt, QStringLiteral("1 семестр"), QStringLiteral("Математический анализ"));
    pick(window->DBLookupListBox1, QStringLiteral("1"));
    pick(window->DBLookupListBox2, QStringLiteral("Экзамен"));
    ASSERT_TRUE(window->scaleVariantKey().isNull());

    inAddWindow([&](TForm13& form) {
        EXPECT_EQ(form.CheckListBox1->count(), 0);
        EXPECT_FALSE(form.Button1->isEnabled());
        EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join(QLatin1Char('|')).toStdString();
    });
    EXPECT_EQ(dialogs->count(), 0);
}

// Who may add to the referral form: the user must hold it, and with setting 30 on (only
// flagged forms may be changed) the form must be flagged, even though it is the form the
// window starts with rather than one picked from its list.
struct FormRightCase {
    const char* name;
    const char* shape;   // run before the login
    bool mayAdd;
};

void PrintTo(const FormRightCase& c, std::ostream* os) { *os << c.name; }

class AddStudentsFormRights : public AddStudents, public ::testing::WithParamInterface<FormRightCase> {};

TEST_P(AddStudentsFormRights, DecideWhetherStudentsAreListedAndAdded)
{
    const FormRightCase& c = GetParam();
    if (*c.shape)
        fx->admin(QString::fromUtf8(c.shape));
    logIn();
    openDemoSheet();
    inAddWindow([&](TForm13& form) {
        EXPECT_EQ(form.Button1->isEnabled(), c.mayAdd);
        EXPECT_EQ(form.CheckListBox1->count(), c.mayAdd ? 10 : 0);
        EXPECT_EQ(test::SheetWindowTest::listed(form.DBLookupComboBox1).contains(kReferral), c.mayAdd);
    });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AddStudentsFormRights,
    ::testing::Values(FormRightCase{"held_and_flagged", "", true},
                      FormRightCase{"unflagged_with_setting_30", "UPDATE f_est SET QEL13 = 0 WHERE id_f_e = 7", false},
                      FormRightCase{"unflagged_without_setting_30",
                                    "UPDATE f_est SET QEL13 = 0 WHERE id_f_e = 7; "
                                    "UPDATE VuzDefaults SET id_field = 0 WHERE id_vuz_defaults = 30",
                                    true},
                      FormRightCase{"not_held", "DELETE FROM User_f_est WHERE id_login = 1 AND id_f_est = 7", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AddStudents, ALoginLongerThanTheAuthorColumnAddsNothingAndSaysSo)
{
    const QString login = QStringLiteral("demidova_maria_andreevna");   // 24 characters; the column keeps 20
    fx->admin(QStringLiteral("UPDATE QEL_User SET QEL_login = ? WHERE id_qel_user = 1"), {login});
    logIn(login.toLatin1().constData());
    openDemoSheet();
    inAddWindow([&](TForm13& form) {
        tick(form, kGrigorieva);
        pressAdd(form);
        ASSERT_EQ(dialogs->count(), 1);
        EXPECT_EQ(dialogs->last().icon, ui::MsgIcon::Warning);
        EXPECT_TRUE(dialogs->last().text.contains(login));
        EXPECT_TRUE(dialogs->last().text.contains(QStringLiteral("20")));
        EXPECT_EQ(form.Label2->text(), QStringLiteral("---"));
    });
    EXPECT_EQ(studentsOn(7), QList<int>{});
}
