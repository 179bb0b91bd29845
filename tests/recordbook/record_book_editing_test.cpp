// Editing in the record book: who may start editing a record (the statement-form rights,
// the flagged-forms rule and the student's first semester in the group), what a post writes
// and audits, and the checks of a grade and a statement form chosen in a row.
#include "data/dm_cde_3.h"
#include "platform/ui/db_navigator.h"
#include "platform/ui/grid_column.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "tests/recordbook/record_book_fixture.h"
#include "tests/support/modal.h"

#include <QComboBox>
#include <QTest>

using namespace qel;
using test::Zach;
using test::kAlekseev;
using test::kLaptev;

namespace {

// Лаптев came into ИВТ-24 in semester 3: his first semester in the group is 3. The demo user
// holds the statement forms 1, 4 and 7; form 2 ("Экзам. лист") is not flagged QEL13.
struct EditCase {
    const char* name;
    int semester;
    QVariant form;
    bool userHoldsForm2;
    bool flaggedFormsOnly;
    bool editStarts;
};

void PrintTo(const EditCase& c, std::ostream* os) { *os << c.name; }

class BookEditRule : public test::RecordBookTest, public ::testing::WithParamInterface<EditCase> {};

} // namespace

TEST_P(BookEditRule, DecidesWhetherEditingStarts)
{
    const EditCase& c = GetParam();
    if (c.userHoldsForm2)
        fx->admin(QStringLiteral("INSERT INTO User_f_est (id_login, id_f_est) VALUES (1, 2)"));
    fx->admin(QStringLiteral("UPDATE VuzDefaults SET id_field = ? WHERE id_vuz_defaults = 30"), {c.flaggedFormsOnly ? 1 : 0});
    const QVariant id = addRecord(9, c.semester, 4, Zach, c.form, 3);
    inBook([&](TForm14& book) {
        pickStudent(book, kLaptev);
        ASSERT_EQ(book.MinSemesterInCurrentGroup, 3);
        const int row = rowOfRecord(id);
        ASSERT_GE(row, 0);
        dialogs->clear();
        typeIntoBook(book, row, bookColumn(book, QStringLiteral("kredits")), QStringLiteral("5"));
        test::waitFor([&] { return !book.DBGridEh1->editorMode(); }, 500);
        db::DataSet& ds = fx->dm->ADOQ_markmagByStudent;
        EXPECT_EQ(ds.state() == db::DataSetState::Edit, c.editStarts);
        EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join(QLatin1Char('\n')).toStdString();
        if (ds.state() == db::DataSetState::Edit) {
            EXPECT_EQ(ds.fieldByName(QStringLiteral("kredits")).asInteger(), 5);
            QTest::keyClick(book.DBGridEh1, Qt::Key_Escape);   // drops the edit
        }
        EXPECT_EQ(ds.state(), db::DataSetState::Browse);
    });
    EXPECT_EQ(stored(id, QStringLiteral("kredits")).toInt(), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BookEditRule,
    ::testing::Values(EditCase{"OwnFormInTheGroupsSemesters", 3, 1, false, true, true},
                      EditCase{"ForeignFormInTheGroupsSemesters", 3, 2, false, true, false},
                      EditCase{"ForeignFormBeforeTheFirstSemester", 1, 2, false, true, true},
                      EditCase{"NoFormInTheGroupsSemesters", 3, QVariant(), false, true, false},
                      EditCase{"NoFormBeforeTheFirstSemester", 1, QVariant(), false, true, true},
                      EditCase{"HeldUnflaggedFormUnderTheFlaggedRule", 3, 2, true, true, false},
                      EditCase{"HeldUnflaggedFormBeforeTheFirstSemester", 1, 2, true, true, true},
                      EditCase{"HeldUnflaggedFormWithoutTheFlaggedRule", 3, 2, true, false, true}),
    [](const ::testing::TestParamInfo<EditCase>& info) { return std::string(info.param.name); });

namespace {

class BookEditing : public test::RecordBookTest {
protected:
    // Alekseev's examination of "Дискретная математика" in semester 3 (statement form 1).
    QVariant discreteMathExam() const
    {
        return fx->adminScalar(QStringLiteral("SELECT id_mark_mag FROM mark_mag WHERE id_student = 1 AND id_semester = 3 "
                                              "AND id_discipline = 9 AND id_examination = 1 AND id_f_est = 1"));
    }

    // Opens the cell's drop-down by its button (the grade column narrows the list first) and
    // returns the list.
    static QComboBox* dropDown(TForm14& book, int row, int column)
    {
        clickBookCell(book, row, column);
        const QRect button = book.DBGridEh1->editButtonRect(column, 0);
        if (!button.isValid())
            return nullptr;
        QTest::mouseClick(book.DBGridEh1->viewport(), Qt::LeftButton, Qt::NoModifier, button.center());
        return qobject_cast<QComboBox*>(book.DBGridEh1->cellEditor());
    }

    // Opens the cell's editor with F2 (the whole list) and chooses an item of it.
    static void chooseInEditor(TForm14& book, int row, int column, const QString& text)
    {
        clickBookCell(book, row, column);
        QTest::keyClick(book.DBGridEh1, Qt::Key_F2);
        auto* list = qobject_cast<QComboBox*>(book.DBGridEh1->cellEditor());
        ASSERT_TRUE(list);
        choose(book, list, text);
    }

    // Chooses an item of an open list as a user does.
    static void choose(TForm14& book, QComboBox* list, const QString& text)
    {
        const int i = list->findText(text);
        ASSERT_GE(i, 0) << text.toStdString();
        list->setCurrentIndex(i);
        emit list->activated(i);
        test::waitFor([&] { return !book.DBGridEh1->editorMode(); }, 1000);
    }

    static QStringList items(QComboBox* list)
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->itemText(i);
        return out;
    }
};

} // namespace

TEST_F(BookEditing, APostWritesTheBooksStudentAndGroupAndIsAudited)
{
    const QVariant id = discreteMathExam();
    inBook([&](TForm14& book) {
        pickStudent(book, kAlekseev);
        const int row = rowOfRecord(id);
        ASSERT_GE(row, 0);
        typeIntoBook(book, row, bookColumn(book, QStringLiteral("kredits")), QStringLiteral("6"));
        book.RzDBNavigator1->clickButton(ui::NavigateButton::Post);
        ASSERT_EQ(fx->dm->ADOQ_markmagByStudent.state(), db::DataSetState::Browse);
    });
    EXPECT_EQ(stored(id, QStringLiteral("kredits")).toInt(), 6);
    EXPECT_EQ(stored(id, QStringLiteral("id_student")).toInt(), 1);
    EXPECT_EQ(stored(id, QStringLiteral("id_group")).toInt(), 1);
    EXPECT_EQ(stored(id, QStringLiteral("dopusk_izm")).toInt(), 0);   // the admission did not change
    EXPECT_EQ(markAudit(), QStringList{id.toString() + QStringLiteral("|Поле \"kredits\" изменило значение \"4\" на \"6\".|demo")});
}

TEST_F(BookEditing, AChangedAdmissionIsFlagged)
{
    const QVariant id = discreteMathExam();
    inBook([&](TForm14& book) {
        pickStudent(book, kAlekseev);
        db::DataSet& ds = fx->dm->ADOQ_markmagByStudent;
        ds.setRecNo(rowOfRecord(id) + 1);
        ds.edit();
        ds.fieldByName(QStringLiteral("primech")).setAsString(QStringLiteral("н/д"));
        ds.post();
    });
    EXPECT_EQ(stored(id, QStringLiteral("primech")).toString(), QStringLiteral("н/д"));
    EXPECT_EQ(stored(id, QStringLiteral("dopusk_izm")).toInt(), 1);
}

TEST_F(BookEditing, TheGradeListOffersTheFormOfControlsGradesAndOnlyThoseAreStored)
{
    const QVariant exam = discreteMathExam();
    const QVariant credit = fx->adminScalar(QStringLiteral(
        "SELECT id_mark_mag FROM mark_mag WHERE id_student = 1 AND id_semester = 3 AND id_discipline = 4 AND id_examination = 2"));
    inBook([&](TForm14& book) {
        pickStudent(book, kAlekseev);
        const int grade = bookColumn(book, QStringLiteral("Estimation"));
        const int row = rowOfRecord(exam);
        const int creditRow = rowOfRecord(credit);
        ASSERT_GE(row, 0);
        ASSERT_GE(creditRow, 0);
        const QString creditGrade = bookCell(book, creditRow, QStringLiteral("Estimation"));
        ASSERT_FALSE(creditGrade.isEmpty());

        QComboBox* list = dropDown(book, row, grade);
        ASSERT_TRUE(list);
        EXPECT_EQ(items(list), (QStringList{QStringLiteral("отл"), QStringLiteral("хор"), QStringLiteral("удов"),
                                            QStringLiteral("н/у"), QStringLiteral("н/я"), QStringLiteral("н/доп"),
                                            QStringLiteral("-"), QStringLiteral(" н/п")}));
        // The other rows keep showing their grades while the list is open.
        EXPECT_FALSE(fx->dm->ADOQ_estimation2.filtered());
        EXPECT_EQ(bookCell(book, creditRow, QStringLiteral("Estimation")), creditGrade);
        choose(book, list, QStringLiteral("хор"));
        EXPECT_EQ(bookCell(book, row, QStringLiteral("Estimation")), QStringLiteral("хор"));

        // A credit grade chosen from the whole list is not one of an examination.
        chooseInEditor(book, row, grade, QStringLiteral("зачет"));
        EXPECT_EQ(bookCell(book, row, QStringLiteral("Estimation")), QStringLiteral("хор"));
        book.RzDBNavigator1->clickButton(ui::NavigateButton::Post);
    });
    EXPECT_EQ(stored(exam, QStringLiteral("id_estimation")).toInt(), 2);
    EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(BookEditing, OnlyAStatementFormOfTheUserIsStored)
{
    const QVariant id = discreteMathExam();
    inBook([&](TForm14& book) {
        pickStudent(book, kAlekseev);
        const int row = rowOfRecord(id);
        const int form = bookColumn(book, QStringLiteral("F_Est"));
        // A form the user does not hold leaves the cell as it was; one the user holds is taken.
        const struct {
            const char* chosen;
            const char* shown;
        } steps[] = {{"Экзам. лист", "Ведомость"}, {"Перезачет", "Перезачет"}};
        for (const auto& step : steps) {
            chooseInEditor(book, row, form, QString::fromUtf8(step.chosen));
            EXPECT_EQ(bookCell(book, row, QStringLiteral("F_Est")), QString::fromUtf8(step.shown)) << step.chosen;
        }
        book.RzDBNavigator1->clickButton(ui::NavigateButton::Post);
    });
    EXPECT_EQ(stored(id, QStringLiteral("id_f_est")).toInt(), 4);
    EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join(QLatin1Char('\n')).toStdString();
}
