// Copying the curriculum's disciplines into a student's book: the lines listed, the records
// created from the ticked ones (every value written), nothing ticked, a record without
// credits, a failed insert pressed again, and the current semester of a student who
// belongs to two groups.
#include "data/dm_cde_3.h"
#include "platform/ui/check_list_box.h"
#include "platform/ui/panel.h"
#include "recordbook/curriculum_copy_dialog.h"
#include "tests/recordbook/record_book_fixture.h"
#include "tests/support/modal.h"

#include <QPushButton>
#include <QTest>

using namespace qel;
using test::Zach;
using test::kLaptev;

namespace {

class CurriculumCopy : public test::RecordBookTest {
protected:
    // Presses "Копировать дисциплины из учебного плана" and runs the body while the dialog is
    // shown; the body closes it (or the test closes it as "Отмена" does).
    static void inCopyDialog(TForm14& book, const std::function<void(TForm15&)>& body)
    {
        inDialog<TForm15>(book.Button1, "qel::TForm15", body);
    }

    static QStringList items(TForm15& dialog) { return dialog.CheckListBox1->items(); }

    // The records of the student created after the given id, as stored, one text each.
    QStringList createdSince(const QVariant& lastId, int student) const
    {
        return storedRows(
            QStringLiteral("SELECT id_group, id_student, id_examination, ball, id_estimation, id_discipline, id_semester, "
                           "id_f_est, isStaticDiscipline, QEL_User, kredits, id_ebe_var, id_a_year, id_faculty, id_bk "
                           "FROM mark_mag WHERE id_mark_mag > ? AND id_student = ? ORDER BY id_mark_mag"),
            {lastId, student});
    }

    QVariant lastId() const { return fx->adminScalar(QStringLiteral("SELECT MAX(id_mark_mag) FROM mark_mag")); }
};

// Лаптев came into ИВТ-24 in semester 3 (his current one); of semesters 1 and 2 his book
// holds only the physical training credited from his former university.
const QStringList kLaptevCandidates = {
    QStringLiteral("Cеместр1 - Математический анализ Кредитов-5"),
    QStringLiteral("Cеместр1 - Линейная алгебра и аналитическая геометрия Кредитов-4"),
    QStringLiteral("Cеместр1 - Программирование Кредитов-5"),
    QStringLiteral("Cеместр1 - История России Кредитов-2"),
    QStringLiteral("Cеместр1 - Иностранный язык Кредитов-2"),
    QStringLiteral("Cеместр2 - Математический анализ Кредитов-5"),
    QStringLiteral("Cеместр2 - Математический анализ Кредитов-3"),
    QStringLiteral("Cеместр2 - Программирование Кредитов-5"),
    QStringLiteral("Cеместр2 - Физика Кредитов-4"),
    QStringLiteral("Cеместр2 - Иностранный язык Кредитов-2"),
    QStringLiteral("Cеместр2 - Учебная практика Кредитов-3"),
};

} // namespace

TEST_F(CurriculumCopy, TickedLinesBecomeRecordsOfTheBook)
{
    const QVariant last = lastId();
    inBook([&](TForm14& book) {
        pickStudent(book, kLaptev);
        const int before = bookRows(book);
        inCopyDialog(book, [&](TForm15& dialog) {
            EXPECT_EQ(dialog.CurrentSemester, 3);
            QStringList shown = items(dialog);
            QStringList expected = kLaptevCandidates;
            shown.sort();
            expected.sort();
            EXPECT_EQ(shown, expected);   // the server's order is no promise
            EXPECT_EQ(items(dialog).value(0).at(0), QLatin1Char('C'));   // a Latin C, as always

            // "Выбрать все" ticks everything and offers to undo it.
            dialog.Button3->click();
            EXPECT_EQ(dialog.CheckListBox1->checkedCount(), dialog.CheckListBox1->count());
            EXPECT_EQ(dialog.Button3->text(), QStringLiteral("Убрать выделение"));
            dialog.Button3->click();
            EXPECT_EQ(dialog.CheckListBox1->checkedCount(), 0);
            EXPECT_EQ(dialog.Button3->text(), QStringLiteral("Выбрать все"));

            dialog.CheckListBox1->setChecked(int(items(dialog).indexOf(kLaptevCandidates[0])), true);
            dialog.CheckListBox1->setChecked(int(items(dialog).indexOf(kLaptevCandidates[8])), true);
            QTest::mouseClick(dialog.Button1, Qt::LeftButton);
            EXPECT_FALSE(dialog.isVisible());
        });
        EXPECT_EQ(bookRows(book), before + 2);
    });
    // Laptev studies on a contract (id_bk 2); the faculty is the group's.
    QStringList created = createdSince(last, 9);
    created.sort();
    EXPECT_EQ(created, (QStringList{QStringLiteral("1,9,1,0,8,1,1,4,1,demo,5,1,1,1,2"),
                                    QStringLiteral("1,9,1,0,8,4,2,4,1,demo,4,1,1,1,2")}));
    EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(CurriculumCopy, NothingTickedCreatesNothingAndReloadsTheBook)
{
    const QVariant last = lastId();
    inBook([&](TForm14& book) {
        pickStudent(book, kLaptev);
        const int before = bookRows(book);
        inCopyDialog(book, [&](TForm15& dialog) {
            // Someone else adds a record meanwhile: the reload shows it.
            addRecord(9, 3, 5, Zach, 1, 2);
            dialog.Button1->click();
        });
        EXPECT_EQ(bookRows(book), before + 1);
    });
    EXPECT_EQ(createdSince(last, 9).size(), 1);
}

TEST_F(CurriculumCopy, AClickOnTheBottomPanelClosesAsCancel)
{
    const QVariant last = lastId();
    inBook([&](TForm14& book) {
        pickStudent(book, kLaptev);
        inCopyDialog(book, [&](TForm15& dialog) {
            dialog.CheckListBox1->setChecked(0, true);
            QTest::mouseClick(dialog.Panel3, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
            EXPECT_FALSE(dialog.isVisible());
        });
    });
    EXPECT_TRUE(createdSince(last, 9).isEmpty());
}

TEST_F(CurriculumCopy, ARecordWithoutCreditsHidesNoLine)
{
    addRecord(9, 3, 4, Zach, 1, QVariant());
    inBook([&](TForm14& book) {
        pickStudent(book, kLaptev);
        inCopyDialog(book, [&](TForm15& dialog) { EXPECT_EQ(items(dialog).size(), kLaptevCandidates.size()); });
    });
}

TEST_F(CurriculumCopy, PressingAgainAfterAFailureCreatesEachRecordOnce)
{
    const QVariant last = lastId();
    onFile(QStringLiteral("CREATE TRIGGER refuse_algebra BEFORE INSERT ON mark_mag WHEN NEW.id_discipline = 2 "
                          "BEGIN SELECT RAISE(ABORT, 'refused for the test'); END"));
    inBook([&](TForm14& book) {
        pickStudent(book, kLaptev);
        inCopyDialog(book, [&](TForm15& dialog) {
            const int analysis = int(items(dialog).indexOf(kLaptevCandidates[0]));
            const int algebra = int(items(dialog).indexOf(kLaptevCandidates[1]));
            dialog.CheckListBox1->setChecked(analysis, true);
            dialog.CheckListBox1->setChecked(algebra, true);
            dialogs->clear();
            dialog.Button1->click();
            EXPECT_TRUE(dialog.isVisible());   // the error keeps the dialog open
            EXPECT_EQ(dialogs->count(), 1);
            const bool analysisFirst = analysis < algebra;
            EXPECT_EQ(dialog.CheckListBox1->checked(analysis), !analysisFirst);
            EXPECT_TRUE(dialog.CheckListBox1->checked(algebra));

            onFile(QStringLiteral("DROP TRIGGER refuse_algebra"));
            dialog.Button1->click();
            EXPECT_FALSE(dialog.isVisible());
        });
    });
    QStringList created = createdSince(last, 9);
    created.sort();
    EXPECT_EQ(created, (QStringList{QStringLiteral("1,9,1,0,8,1,1,4,1,demo,5,1,1,1,2"),
                                    QStringLiteral("1,9,1,0,8,2,1,4,1,demo,4,1,1,1,2")}));
}

TEST_F(CurriculumCopy, TheCurrentSemesterIsTheOneInTheBooksGroup)
{
    // Андреева of ПИ-25 (semester 1 there) also belongs to ИВТ-24, where she is in semester 3,
    // neither on the budget nor on a contract yet.
    fx->admin(QStringLiteral("INSERT INTO student_group (id_student, id_group, id_bk, id_semester, id_start_semester) "
                             "VALUES (11, 1, NULL, 3, 1)"));
    const QVariant last = lastId();
    inBook([&](TForm14& book) {
        pickStudent(book, QStringLiteral("Андреева Алина Сергеевна"));
        inCopyDialog(book, [&](TForm15& dialog) {
            EXPECT_EQ(dialog.CurrentSemester, 3);
            EXPECT_EQ(items(dialog).size(), 12);   // every line of semesters 1 and 2
            dialog.CheckListBox1->setChecked(int(items(dialog).indexOf(kLaptevCandidates[2])), true);
            dialog.Button1->click();
        });
    });
    EXPECT_EQ(createdSince(last, 11), QStringList{QStringLiteral("1,11,1,0,8,3,1,4,1,demo,5,1,1,1,NULL")});
}
