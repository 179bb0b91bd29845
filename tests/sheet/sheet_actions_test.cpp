// Actions on the open sheet as a whole: one hand-in date for every student shown (its
// question, the filter, a "н/п" row passed over, a read-only sheet, a row that cannot be
// stored).
#include "data/dm_cde_3.h"
#include "data/loading_window.h"
#include "platform/ui/date_picker.h"
#include "platform/ui/drop_down_list.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "tests/sheet/sheet_window_fixture.h"
#include "tests/support/modal.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace qel;

namespace {

const QDateTime kPicked(QDate(2026, 1, 23), QTime(14, 35, 10));
const QDateTime kStored(QDate(2026, 1, 23), QTime(0, 0));

class SheetActions : public test::SheetWindowTest {
protected:
    db::StoredProc& sheet() const { return fx->dm->ADO_SP_Sort; }
    void chooseFilter(int item)
    {
        window->ComboBox1->setItemIndex(item);
        emit window->ComboBox1->activated(item);
    }
    void setDateForAll(ui::MsgResult answer = ui::MsgResult::Yes)
    {
        window->DateTimePicker1->setValue(kPicked);
        dialogs->answer(answer);
        QTest::mouseClick(window->SpeedButton1, Qt::LeftButton);
    }
    // The stored hand-in dates of the sheet's rows, by student.
    QMap<int, QDateTime> storedDates() const
    {
        QMap<int, QDateTime> out;
        const wire::BatchResult r = fx->admin(QStringLiteral(
            "SELECT id_student, p36 FROM mark_mag WHERE id_group = 1 AND id_semester = 3 AND id_discipline = 9 AND "
            "id_f_est = 1"));
        for (const wire::Row& row : r.resultSets.value(0).rows)
            out.insert(row[0].toInt(), row[1].toDateTime());
        return out;
    }
};

} // namespace

TEST_F(SheetActions, TheDateGoesToEveryShownStudentAfterTheQuestion)
{
    // Debts only: grades 8, 9, 10, 11, 16. Two students are made "удов" and "хор".
    fx->admin(QStringLiteral("UPDATE mark_mag SET id_estimation = 3 WHERE id_student IN (2, 5) AND id_semester = 3 "
                             "AND id_discipline = 9"));
    logIn();
    openDemoSheet();
    chooseFilter(1);
    ASSERT_EQ(rows(), 8);
    sheet().setRecNo(4);
    const int currentStudent = sheet().fieldByName(QStringLiteral("id_student")).asInteger();

    dialogs->clear();
    setDateForAll(ui::MsgResult::No);
    ASSERT_EQ(dialogs->count(), 1);
    EXPECT_EQ(dialogs->last().text, QStringLiteral("Вы действительно хотите применить дату \"23.01.2026\" ко всем "
                                                   "студентам, у которых форма ведомости - \"Ведомость\"?"));
    EXPECT_EQ(dialogs->last().title, QStringLiteral("Уведомление"));
    EXPECT_EQ(dialogs->last().icon, ui::MsgIcon::Question);
    EXPECT_EQ(dialogs->last().buttons, ui::MsgButtons::YesNo);
    for (const QDateTime& d : storedDates())
        EXPECT_TRUE(d.isNull());
    EXPECT_TRUE(auditRows().isEmpty());

    setDateForAll();
    const QMap<int, QDateTime> dates = storedDates();
    for (auto it = dates.begin(); it != dates.end(); ++it)
        EXPECT_EQ(it.value(), it.key() == 2 || it.key() == 5 ? QDateTime() : kStored) << it.key();
    // One audit row per student for the date (grades recomputed on the way may add more).
    EXPECT_EQ(auditRows().filter(QStringLiteral("Поле \"p36\" изменило значение \"NULL\" на \"23.01.2026\".")).size(), 8);
    EXPECT_EQ(sheet().fieldByName(QStringLiteral("id_student")).asInteger(), currentStudent);
    EXPECT_FALSE(sheet().controlsDisabled());
    EXPECT_TRUE(Form4.isNull());
}

TEST_F(SheetActions, ANpRowIsPassedOverAndAReadOnlySheetChangesNothing)
{
    fx->admin(QStringLiteral("UPDATE mark_mag SET id_estimation = 25 WHERE id_student = 4 AND id_semester = 3 AND "
                             "id_discipline = 9"));
    logIn();
    openDemoSheet();
    window->QXDBGridEh1->setCol(2);   // a column before position 26: "н/п" rows cannot be edited there
    setDateForAll();
    const QMap<int, QDateTime> dates = storedDates();
    for (auto it = dates.begin(); it != dates.end(); ++it)
        EXPECT_EQ(it.value(), it.key() == 4 ? QDateTime() : kStored) << it.key();

    // viewer's sheet is read-only: no question, nothing stored.
    fx->admin(QStringLiteral("UPDATE mark_mag SET p36 = NULL"));
    window.reset();
    logIn("viewer", "viewer2026");
    openDemoSheet();
    dialogs->clear();
    setDateForAll();
    EXPECT_EQ(dialogs->count(), 0);
    for (const QDateTime& d : storedDates())
        EXPECT_TRUE(d.isNull());
}

TEST_F(SheetActions, ARowThatCannotBeStoredEndsTheLoopAndSaysHowManyChanged)
{
    logIn();
    openDemoSheet();
    // Someone else changed the fourth row meanwhile: its post fails.
    const QVariant fourth = value(3, QStringLiteral("id_mark_mag"));
    fx->admin(QStringLiteral("UPDATE mark_mag SET p36 = '2026-01-05 00:00:00' WHERE id_mark_mag = ?"), {fourth});
    dialogs->clear();
    setDateForAll();
    EXPECT_TRUE(dialogs->texts().contains(QStringLiteral("Дата сдачи установлена у 3 из 10 студентов.")))
        << dialogs->texts().join(QLatin1Char('\n')).toStdString();
    int dated = 0;
    for (const QDateTime& d : storedDates())
        dated += d.isValid() ? 1 : 0;
    EXPECT_EQ(dated, 4);   // three new dates and the other user's
    EXPECT_FALSE(sheet().controlsDisabled());
    EXPECT_TRUE(Form4.isNull());
    EXPECT_FALSE(sheet().editing());
}

TEST_F(SheetActions, NothingHappensWithoutAnOpenSheet)
{
    logIn();
    dialogs->clear();
    setDateForAll();
    EXPECT_EQ(dialogs->count(), 0);
}
