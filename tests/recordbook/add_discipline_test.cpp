// Adding a discipline to a student's book by hand: the chain of choices, points above 100
// cut to 100, the record written with everything it needs, and the refusals before any
// statement is built (credits that are not a whole number from 0 to 20, a semester the
// group has no academic year for, a speciality without a grading scale).
#include "data/dm_cde_3.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/numeric_edit.h"
#include "platform/ui/up_down_edit.h"
#include "recordbook/add_discipline_dialog.h"
#include "tests/recordbook/record_book_fixture.h"
#include "tests/support/keys.h"
#include "tests/support/modal.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace qel;
using test::kAlekseev;

namespace {

class AddDiscipline : public test::RecordBookTest {
protected:
    // Presses "Добавить " and runs the body while the dialog is shown; a dialog the body
    // leaves open is closed as "Отмена" does.
    static void inAddDialog(TForm14& book, const std::function<void(TForm16&)>& body)
    {
        inDialog<TForm16>(book.Button2, "qel::TForm16", body);
    }

    // Chooses down the chain as a user does.
    void chooseAll(TForm16& d, const QString& semester)
    {
        pick(d.DBLookupComboBox1, QStringLiteral("Базы данных"));
        pick(d.DBLookupComboBox3, semester);
        pick(d.DBLookupComboBox4, QStringLiteral("Зачет"));
        pick(d.DBLookupComboBox2, QStringLiteral("зачет"));
        pick(d.DBLookupComboBox5, QStringLiteral("Перезачет"));
    }

    static void typePoints(TForm16& d, const QString& text)
    {
        d.RzNumericEdit1->setFocus();
        d.RzNumericEdit1->selectAll();
        QTest::keyClick(d.RzNumericEdit1, Qt::Key_Delete);
        test::typeText(d.RzNumericEdit1, text);
    }

    int records() const { return fx->adminScalar(QStringLiteral("SELECT COUNT(*) FROM mark_mag")).toInt(); }
};

} // namespace

TEST_F(AddDiscipline, AddsTheRecordWithPointsCutTo100)
{
    QVariant id;
    inBook([&](TForm14& book) {
        pickStudent(book, kAlekseev);
        const int before = bookRows(book);
        inAddDialog(book, [&](TForm16& d) {
            EXPECT_TRUE(d.DBLookupComboBox1->isEnabled());
            EXPECT_TRUE(d.Edit1->isEnabled());
            EXPECT_EQ(d.Edit1->text(), QStringLiteral("0"));
            for (QWidget* w : std::initializer_list<QWidget*>{d.DBLookupComboBox3, d.DBLookupComboBox4, d.DBLookupComboBox2,
                                                              d.DBLookupComboBox5, d.RzNumericEdit1, d.Button1})
                EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();

            chooseAll(d, QStringLiteral("2 семестр"));
            EXPECT_FALSE(d.DBLookupComboBox2->isEnabled());   // the statement form locks the grade
            EXPECT_TRUE(d.RzNumericEdit1->isEnabled());
            EXPECT_FALSE(d.Button1->isEnabled());
            typePoints(d, QStringLiteral("150"));
            EXPECT_EQ(d.RzNumericEdit1->text(), QStringLiteral("100"));
            EXPECT_TRUE(d.Button1->isEnabled());
            // A choice higher up disables everything below it again.
            pick(d.DBLookupComboBox4, QStringLiteral("Зачет"));
            EXPECT_TRUE(d.DBLookupComboBox2->isEnabled());
            EXPECT_FALSE(d.DBLookupComboBox5->isEnabled());
            EXPECT_FALSE(d.Button1->isEnabled());
            pick(d.DBLookupComboBox2, QStringLiteral("зачет"));
            pick(d.DBLookupComboBox5, QStringLiteral("Перезачет"));
            typePoints(d, QStringLiteral("100"));
            EXPECT_EQ(d.RzNumericEdit1->text(), QStringLiteral("100"));

            d.UpDown1->stepUp();
            d.UpDown1->stepUp();
            EXPECT_EQ(d.Edit1->text(), QStringLiteral("2"));
            QTest::mouseClick(d.Button1, Qt::LeftButton);
            EXPECT_FALSE(d.isVisible());
        });
        id = fx->adminScalar(QStringLiteral("SELECT MAX(id_mark_mag) FROM mark_mag"));
        EXPECT_EQ(bookRows(book), before + 1);
        const int row = rowOfRecord(id);
        ASSERT_GE(row, 0);
        EXPECT_EQ(bookCell(book, row, QStringLiteral("Discipline")), QStringLiteral("Базы данных"));
        EXPECT_TRUE(bookValue(row, QStringLiteral("isStaticDiscipline")).toBool());
    });
    EXPECT_EQ(storedRows(QStringLiteral("SELECT id_group, id_student, id_examination, ball, id_estimation, id_discipline, "
                                        "id_semester, id_f_est, isStaticDiscipline, QEL_User, kredits, id_ebe_var, "
                                        "id_faculty, id_bk, id_a_year FROM mark_mag WHERE id_mark_mag = ?"),
                         {id}),
              QStringList{QStringLiteral("1,1,2,100,4,8,2,4,1,demo,2,1,1,1,1")});
    EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join(QLatin1Char('\n')).toStdString();
}

namespace {

struct Refusal {
    const char* name;
    const char* credits;
    const char* semester;
    bool withoutScale;
    const char* message;
};

void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }

class AddDisciplineRefusal : public AddDiscipline, public ::testing::WithParamInterface<Refusal> {};

} // namespace

TEST_P(AddDisciplineRefusal, RefusesBeforeWritingAnything)
{
    const Refusal& c = GetParam();
    if (c.withoutScale)
        fx->admin(QStringLiteral("DELETE FROM com_sfe"));
    const int before = records();
    inBook([&](TForm14& book) {
        pickStudent(book, kAlekseev);
        inAddDialog(book, [&](TForm16& d) {
            chooseAll(d, QString::fromUtf8(c.semester));
            typePoints(d, QStringLiteral("80"));
            d.Edit1->setText(QString::fromUtf8(c.credits));
            dialogs->clear();
            QTest::mouseClick(d.Button1, Qt::LeftButton);
            EXPECT_TRUE(d.isVisible());
            ASSERT_EQ(dialogs->count(), 1);
            EXPECT_EQ(dialogs->last().text, QString::fromUtf8(c.message));
        });
    });
    EXPECT_EQ(records(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AddDisciplineRefusal,
    ::testing::Values(
        Refusal{"CreditsNotANumber", "abc", "2 семестр", false, "Кредиты: введите целое число от 0 до 20."},
        Refusal{"CreditsAbove20", "21", "2 семестр", false, "Кредиты: введите целое число от 0 до 20."},
        Refusal{"CreditsWithAQuote", "1'", "2 семестр", false, "Кредиты: введите целое число от 0 до 20."},
        Refusal{"SemesterWithoutAnAcademicYear", "3", "5 семестр", false,
                "Группа не учится в выбранном семестре: не найден учебный год."},
        Refusal{"SpecialityWithoutAScale", "3", "2 семестр", true, "Для специальности группы не задана шкала оценок."}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST_F(AddDiscipline, CancelAddsNothingAndReloadsTheBook)
{
    const int before = records();
    inBook([&](TForm14& book) {
        pickStudent(book, kAlekseev);
        const int rowsBefore = bookRows(book);
        inAddDialog(book, [&](TForm16& d) {
            addRecord(1, 3, 5, 2, 1, 2);   // someone else meanwhile: the reload shows it
            d.Button2->click();
        });
        EXPECT_EQ(bookRows(book), rowsBefore + 1);
    });
    EXPECT_EQ(records(), before + 1);
}
