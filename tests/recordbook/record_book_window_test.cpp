// The record book as the demo user opens it from "По студентам": a student's records
// classified and coloured with the photo, a student without records, switching students
// with an edit pending, the change history recorder lent to the book and given back (also
// when opening fails), and the open sheet read again after the book closed.
#include "data/dm_cde_3.h"
#include "history/update_history.h"
#include "platform/ui/db_image.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/db_navigator.h"
#include "platform/ui/panel.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "tests/recordbook/record_book_fixture.h"
#include "tests/support/modal.h"

#include <QPushButton>

using namespace qel;
using test::Ekz;
using test::Zach;
using test::kAlekseev;
using test::kBelova;

namespace {

class RecordBookWindow : public test::RecordBookTest {
protected:
    // The colour of a cell's background, taken at its top right corner (the texts start at
    // the left and are centred vertically).
    static QColor background(TForm14& book, int row, int column)
    {
        ui::TQXDBGridEh* grid = book.DBGridEh1;
        grid->scrollTo(grid->model()->index(row, column));
        const QRect r = grid->visualRect(grid->model()->index(row, column));
        const QImage image = grid->viewport()->grab().toImage();
        return image.pixelColor(r.right() - 2, r.top() + 2);
    }
};

} // namespace

TEST_F(RecordBookWindow, ShowsTheStudentsRecordsClassifiedAndColouredWithThePhoto)
{
    // Beside the curriculum records: one that matches nothing (to be clarified) and one the
    // book created outside the curriculum (an additional subject), both in semester 2.
    const QVariant unmatched = addRecord(1, 2, 8, Zach, 1, 2);
    const QVariant additional = addRecord(1, 2, 9, Ekz, 1, 4, true);
    const int curriculumRecords =
        fx->adminScalar(QStringLiteral("SELECT COUNT(*) FROM mark_mag WHERE id_student = 1 AND id_group = 1")).toInt() - 2;
    inBook([&](TForm14& book) {
        EXPECT_TRUE(book.Panel3->isVisible());   // covers the photo until a student is chosen
        EXPECT_EQ(bookRows(book), 0);
        pickStudent(book, kAlekseev);
        EXPECT_FALSE(book.Panel3->isVisible());
        EXPECT_TRUE(book.DBImage1->hasPicture());
        ASSERT_EQ(bookRows(book), curriculumRecords + 2);
        EXPECT_EQ(book.MinSemesterInCurrentGroup, 1);

        const int credits = bookColumn(book, QStringLiteral("kredits"));
        int checkedCurriculum = 0;
        for (int row = 1; row < bookRows(book); ++row) {
            const QVariant id = bookValue(row, QStringLiteral("id_mark_mag"));
            const int semester = bookValue(row, QStringLiteral("id_semester")).toInt();
            SCOPED_TRACE(id.toString().toStdString());
            const QColor semesterColour = background(book, row, 0);
            EXPECT_EQ(semesterColour, semester % 2 ? QColor(199, 221, 222) : QColor(Qt::white));
            if (id == unmatched) {
                EXPECT_EQ(bookValue(row, QStringLiteral("N")).toInt(), 0);
                EXPECT_EQ(background(book, row, credits), QColor(255, 128, 255));
            } else if (id == additional) {
                EXPECT_EQ(bookValue(row, QStringLiteral("byEducSh")).toInt(), 0);
                EXPECT_EQ(bookValue(row, QStringLiteral("N")).toInt(), 1);
                EXPECT_EQ(background(book, row, credits), QColor(Qt::white));
            } else {
                EXPECT_EQ(bookValue(row, QStringLiteral("byEducSh")).toInt(), 1);
                EXPECT_EQ(background(book, row, credits), QColor(211, 241, 201));
                ++checkedCurriculum;
            }
        }
        EXPECT_GT(checkedCurriculum, 5);
        // Ordered by semester, then discipline.
        EXPECT_EQ(bookCell(book, 0, QStringLiteral("Semester")), QStringLiteral("1 семестр"));
        EXPECT_EQ(bookCell(book, bookRows(book) - 1, QStringLiteral("Semester")), QStringLiteral("3 семестр"));
    });
    EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(RecordBookWindow, AStudentWithoutRecordsShowsAnEmptyBookAndNoPhoto)
{
    fx->admin(QStringLiteral("INSERT INTO s_fio (id_student, s_fio, idid) VALUES (100, 'Абрамов Пётр Ильич', '24ИВТ100')"));
    fx->admin(QStringLiteral("INSERT INTO student_group (id_student, id_group, id_bk, id_semester, id_start_semester) "
                             "VALUES (100, 1, NULL, 3, 3)"));
    inBook([&](TForm14& book) {
        pickStudent(book, kAlekseev);
        ASSERT_TRUE(book.DBImage1->hasPicture());
        pickStudent(book, QStringLiteral("Абрамов Пётр Ильич"));
        EXPECT_EQ(bookRows(book), 0);
        EXPECT_FALSE(book.DBImage1->hasPicture());
        EXPECT_EQ(book.MinSemesterInCurrentGroup, 0);   // no movement records either
        // The window goes on working.
        pickStudent(book, kBelova);
        EXPECT_GT(bookRows(book), 0);
        EXPECT_TRUE(book.DBImage1->hasPicture());
    });
    EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(RecordBookWindow, SwitchingStudentsSavesThePendingEditForItsOwnStudent)
{
    QVariant id;
    inBook([&](TForm14& book) {
        pickStudent(book, kAlekseev);
        const int row = 0;
        id = bookValue(row, QStringLiteral("id_mark_mag"));
        typeIntoBook(book, row, bookColumn(book, QStringLiteral("kredits")), QStringLiteral("7"));
        ASSERT_EQ(fx->dm->ADOQ_markmagByStudent.state(), db::DataSetState::Edit);
        pickStudent(book, kBelova);
        ASSERT_GT(bookRows(book), 0);
        for (int r = 0; r < bookRows(book); ++r)
            EXPECT_EQ(bookValue(r, QStringLiteral("id_student")).toInt(), 2);
    });
    EXPECT_EQ(stored(id, QStringLiteral("kredits")).toInt(), 7);
    EXPECT_EQ(stored(id, QStringLiteral("id_student")).toInt(), 1);
    EXPECT_EQ(stored(id, QStringLiteral("id_group")).toInt(), 1);
}

TEST_F(RecordBookWindow, AnEditThatCannotBeSavedKeepsItsStudentShown)
{
    onFile(QStringLiteral("CREATE TRIGGER refuse_updates BEFORE UPDATE ON mark_mag "
                          "BEGIN SELECT RAISE(ABORT, 'refused for the test'); END"));
    inBook([&](TForm14& book) {
        pickStudent(book, kAlekseev);
        typeIntoBook(book, 0, bookColumn(book, QStringLiteral("kredits")), QStringLiteral("7"));
        dialogs->clear();
        pickStudent(book, kBelova);
        EXPECT_EQ(dialogs->count(), 1);
        EXPECT_EQ(book.DBLookupComboBox1->keyValue().toInt(), 1);
        EXPECT_EQ(book.DBLookupComboBox1->currentText(), kAlekseev);
        EXPECT_EQ(fx->dm->ADOQ_markmagByStudent.state(), db::DataSetState::Edit);
        EXPECT_EQ(bookValue(0, QStringLiteral("id_student")).toInt(), 1);
        fx->dm->ADOQ_markmagByStudent.cancel();
    });
}

TEST_F(RecordBookWindow, TheRecorderFollowsTheBookAndReturnsToTheSheet)
{
    inBook([&](TForm14&) {
        ASSERT_TRUE(UpdateHistory);
        EXPECT_EQ(UpdateHistory->DataSet, &fx->dm->ADOQ_markmagByStudent);
    });
    ASSERT_TRUE(UpdateHistory);
    EXPECT_EQ(UpdateHistory->DataSet, &fx->dm->ADO_SP_Sort);
    EXPECT_FALSE(fx->dm->ADOQ_markmagByStudent.active());
    EXPECT_FALSE(fx->dm->ADOQ_f_est3.active());
}

TEST_F(RecordBookWindow, TheRecorderReturnsToTheSheetWhenOpeningTheBookFails)
{
    logIn();
    pick(window->DBLookupComboBox9, test::kIvt);
    onFile(QStringLiteral("DROP VIEW g_f"));   // the list of the group's students cannot be read
    dialogs->clear();
    openBook([&](TForm14& book) {
        EXPECT_EQ(dialogs->count(), 1);
        EXPECT_EQ(book.DBLookupComboBox1->count(), 0);
    });
    ASSERT_TRUE(UpdateHistory);
    EXPECT_EQ(UpdateHistory->DataSet, &fx->dm->ADO_SP_Sort);
}

TEST_F(RecordBookWindow, AnOpenSheetShowsWhatTheBookChanged)
{
    logIn();
    openDemoSheet();
    const int sheetRow = rowOfStudent(1);
    const QVariant id = value(sheetRow, QStringLiteral("id_mark_mag"));
    openBook([&](TForm14& book) {
        pickStudent(book, kAlekseev);
        const int row = rowOfRecord(id);
        ASSERT_GE(row, 0);
        typeIntoBook(book, row, bookColumn(book, QStringLiteral("ball")), QStringLiteral("77"));
        book.RzDBNavigator1->clickButton(ui::NavigateButton::Post);
    });
    EXPECT_EQ(stored(id, QStringLiteral("ball")).toDouble(), 77);
    EXPECT_EQ(value(rowOfStudent(1), QStringLiteral("ball")).toDouble(), 77);
}
