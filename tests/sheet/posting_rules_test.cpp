// The rules every post, edit and delete of the sheet goes through, seen from the window:
// the grade recomputed on every post, the minimum-checkpoint rule, a total that cannot be
// computed, the access check and the two audit rows of a deletion, the edit-error and
// post-error boxes, and a pending edit that is never lost silently.
#include "data/dm_cde_3.h"
#include "platform/ui/drop_down_list.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "tests/sheet/sheet_window_fixture.h"

using namespace qel;

namespace {

class PostingRules : public test::SheetWindowTest {
protected:
    void open(const char* login = "demo", const char* password = "demo2026")
    {
        logIn(login, password);
        openDemoSheet();
    }
    db::StoredProc& sheet() const { return fx->dm->ADO_SP_Sort; }
    // Moves the sheet to the first student's row and returns its key.
    QVariant goToFirstStudent()
    {
        sheet().setRecNo(rowOfStudent(1) + 1);
        return sheet().fieldByName(QStringLiteral("id_mark_mag")).value();
    }
    void setFirstStudent(const QString& assignments)
    {
        fx->admin(QStringLiteral("UPDATE mark_mag SET %1 WHERE id_student = 1 AND id_semester = 3 AND id_discipline = 9 "
                                 "AND id_f_est = 1")
                      .arg(assignments));
    }
};

} // namespace

TEST_F(PostingRules, EveryPostStoresTheTotalAndRecomputesTheGrade)
{
    // A stored grade and total that disagree with the marks (80 points: "хор").
    setFirstStudent(QStringLiteral("m1 = 20, m2 = 20, m3 = 20, m4 = 18, dop = 2, ball = 0, id_estimation = 8"));
    open();
    const QVariant id = goToFirstStudent();
    sheet().edit();
    sheet().fieldByName(QStringLiteral("p36")).setValue(QDateTime(QDate(2026, 1, 20), QTime(0, 0)));
    sheet().post();
    EXPECT_EQ(stored(id, QStringLiteral("ball")).toDouble(), 80);
    EXPECT_EQ(stored(id, QStringLiteral("id_estimation")).toInt(), 2);
    EXPECT_EQ(stored(id, QStringLiteral("id_ebe_var")).toInt(), 1);
    EXPECT_EQ(stored(id, QStringLiteral("id_group")).toInt(), 1);
}

TEST_F(PostingRules, ACheckpointBelowItsMinimumStoresGrade11WhateverTheTotal)
{
    fx->admin(QStringLiteral("UPDATE VuzDefaults SET id_field = 1 WHERE id_vuz_defaults = 28"));
    // m2 at 50 % of its maximum of 20; the total of 85 alone would be "хор".
    setFirstStudent(QStringLiteral("m1 = 20, m2 = 10, m3 = 20, m4 = 30, dop = 5, id_estimation = 2"));
    open();
    const QVariant id = goToFirstStudent();
    sheet().edit();
    sheet().fieldByName(QStringLiteral("p35")).setAsString(QStringLiteral("5"));
    sheet().post();
    EXPECT_EQ(stored(id, QStringLiteral("id_estimation")).toInt(), 11);
    EXPECT_EQ(stored(id, QStringLiteral("ball")).toDouble(), 85);
}

TEST_F(PostingRules, ATotalThatCannotBeComputedIsNeverStored)
{
    fx->admin(QStringLiteral("UPDATE est_config SET formula = 'M1/M3' WHERE id_ebe_var = 1 AND pole_mark_mag = 'ball1'"));
    setFirstStudent(QStringLiteral("m1 = 20, m3 = 0, ball = 42"));
    open();
    dialogs->clear();
    const QVariant id = goToFirstStudent();
    sheet().edit();
    sheet().fieldByName(QStringLiteral("m2")).setAsFloat(7);
    EXPECT_THROW(sheet().post(), SilentAbort);
    ASSERT_EQ(dialogs->count(), 1);
    EXPECT_TRUE(dialogs->last().text.contains(QStringLiteral("\"Итого\""))) << dialogs->last().text.toStdString();
    EXPECT_TRUE(dialogs->last().text.contains(QStringLiteral("M1/M3"))) << dialogs->last().text.toStdString();
    EXPECT_EQ(sheet().state(), db::DataSetState::Edit);   // the user may still correct or cancel
    EXPECT_EQ(stored(id, QStringLiteral("ball")).toDouble(), 42);
    EXPECT_EQ(stored(id, QStringLiteral("m2")).toDouble() == 7, false);
    EXPECT_TRUE(auditRows().isEmpty());
}

TEST_F(PostingRules, DeletingNeedsTheRightsOfTheStatementFormAndLeavesTwoAuditRows)
{
    setFirstStudent(QStringLiteral("m5 = NULL, p35 = 'O''Neil'"));
    // viewer may not change statement form 1; demo may.
    for (const char* login : {"viewer", "demo"}) {
        SCOPED_TRACE(login);
        window.reset();
        const bool allowed = QByteArray(login) == "demo";
        open(login, allowed ? "demo2026" : "viewer2026");
        dialogs->clear();
        const QVariant id = goToFirstStudent();
        if (!allowed) {
            EXPECT_THROW(sheet().deleteRecord(), SilentAbort);
            EXPECT_EQ(dialogs->texts(),
                      QStringList{QStringLiteral("У Вас нет доступа на изменение данных по этой Форме Ведомости.")});
            EXPECT_EQ(fx->adminScalar(QStringLiteral("SELECT COUNT(*) FROM mark_mag WHERE id_mark_mag = ?"), {id}).toInt(), 1);
            EXPECT_TRUE(auditRows().isEmpty());
            continue;
        }
        sheet().deleteRecord();
        EXPECT_EQ(fx->adminScalar(QStringLiteral("SELECT COUNT(*) FROM mark_mag WHERE id_mark_mag = ?"), {id}).toInt(), 0);
        const QStringList audit = auditRows();
        ASSERT_EQ(audit.size(), 2);
        const QString recorder = QStringLiteral("mark_mag|%1|Запись с уникальным номером - '%1' была удалена - (id_mark_mag[%1], ")
                                     .arg(id.toInt());
        EXPECT_TRUE(audit[0].startsWith(recorder)) << audit[0].toStdString();
        EXPECT_TRUE(audit[0].contains(QStringLiteral("p35['O'Neil']"))) << audit[0].toStdString();
        const QString rule = QStringLiteral("mark_mag|%1|Запись с уникальным номером - '%1' была удалена - (").arg(id.toInt());
        EXPECT_TRUE(audit[1].startsWith(rule)) << audit[1].toStdString();
        EXPECT_FALSE(audit[1].contains(QStringLiteral("id_mark_mag["))) << audit[1].toStdString();
        EXPECT_TRUE(audit[1].contains(QStringLiteral("m5[NULL]"))) << audit[1].toStdString();
        EXPECT_TRUE(audit[1].contains(QStringLiteral("p35[O'Neil]"))) << audit[1].toStdString();
        EXPECT_TRUE(audit[1].endsWith(QStringLiteral(").|demo"))) << audit[1].toStdString();
    }
}

TEST_F(PostingRules, AReadOnlySheetRefusesDeletionAndADeleteTheServerRefusesWritesNoAudit)
{
    // Form 1 is not flagged and the institution edits flagged forms only: read-only for demo.
    fx->admin(QStringLiteral("UPDATE f_est SET QEL13 = 0 WHERE id_f_e = 1"));
    open();
    ASSERT_FALSE(window->SheetEditable);
    dialogs->clear();
    const QVariant id = goToFirstStudent();
    EXPECT_THROW(sheet().deleteRecord(), SilentAbort);
    EXPECT_EQ(dialogs->count(), 1);
    EXPECT_EQ(fx->adminScalar(QStringLiteral("SELECT COUNT(*) FROM mark_mag WHERE id_mark_mag = ?"), {id}).toInt(), 1);

    // Someone else deleted the row first: the DELETE fails and nothing says it was deleted.
    fx->admin(QStringLiteral("UPDATE f_est SET QEL13 = 1 WHERE id_f_e = 1"));
    window.reset();
    open();
    goToFirstStudent();
    fx->admin(QStringLiteral("DELETE FROM mark_mag WHERE id_mark_mag = ?"), {id});
    EXPECT_THROW(sheet().deleteRecord(), qel::Error);
    EXPECT_TRUE(auditRows().isEmpty()) << auditRows().join(QLatin1Char('\n')).toStdString();
}

TEST_F(PostingRules, PostAndEditErrorsSayWhyAndAuditingGoesOn)
{
    setFirstStudent(QStringLiteral("m1 = 5, m2 = 5"));
    open();
    const QVariant id = goToFirstStudent();
    window->QXDBGridEh1->setCol(columnOf(QStringLiteral("m1")) + 1);
    sheet().edit();
    sheet().fieldByName(QStringLiteral("m1")).setAsFloat(9);
    fx->admin(QStringLiteral("UPDATE mark_mag SET m1 = 6 WHERE id_mark_mag = ?"), {id});   // someone else was quicker
    dialogs->clear();
    EXPECT_THROW(sheet().post(), qel::Error);
    ASSERT_EQ(dialogs->count(), 1);
    EXPECT_EQ(dialogs->last().title, QStringLiteral("Warning!"));
    EXPECT_EQ(dialogs->last().icon, ui::MsgIcon::Warning);
    EXPECT_TRUE(dialogs->last().text.startsWith(
        QStringLiteral("Вы пытаетесь изменить запись в поле \"Модуль 1\", но у вас нет на это прав.\r")))
        << dialogs->last().text.toStdString();
    EXPECT_TRUE(dialogs->last().text.contains(QStringLiteral("Row cannot be located for updating")));
    EXPECT_EQ(sheet().state(), db::DataSetState::Browse);   // the row's changes were dropped
    EXPECT_TRUE(auditRows().isEmpty());

    // The next post is recorded as usual.
    sheet().refresh();
    goToFirstStudent();
    sheet().edit();
    sheet().fieldByName(QStringLiteral("m2")).setAsFloat(7);
    sheet().post();
    EXPECT_TRUE(auditRows().contains(
        QStringLiteral("mark_mag|%1|Поле \"m2\" изменило значение \"5\" на \"7\".|demo").arg(id.toInt())))
        << auditRows().join(QLatin1Char('\n')).toStdString();

    // An edit the platform cannot start.
    dialogs->clear();
    sheet().setReadOnly(true);
    EXPECT_THROW(sheet().edit(), SilentAbort);
    sheet().setReadOnly(false);
    ASSERT_EQ(dialogs->count(), 1);
    EXPECT_EQ(dialogs->last().title, QStringLiteral("Warning!"));
    EXPECT_TRUE(dialogs->last().text.startsWith(
        QStringLiteral("Вы пытаетесь изменить строку, но у вас нет на это прав.\rНажмите кнопку \"отмена новой "
                       "записи\" или клавишу [Esc]!\rОбратитесь к вашему администратору\"!\r")))
        << dialogs->last().text.toStdString();
}

TEST_F(PostingRules, APendingEditIsStoredBeforeTheFilterReopensTheSheet)
{
    open();
    const QVariant id = goToFirstStudent();
    sheet().edit();
    sheet().fieldByName(QStringLiteral("p35")).setAsString(QStringLiteral("4242"));
    window->ComboBox1->setItemIndex(0);
    emit window->ComboBox1->activated(0);
    EXPECT_EQ(stored(id, QStringLiteral("p35")).toString(), QStringLiteral("4242"));
    EXPECT_EQ(sheet().state(), db::DataSetState::Browse);

    // A row that cannot be stored keeps the sheet as it is, with the edit open.
    fx->admin(QStringLiteral("UPDATE est_config SET formula = 'M1/0' WHERE id_ebe_var = 1 AND pole_mark_mag = 'ball1'"));
    window.reset();
    open();
    dialogs->clear();
    goToFirstStudent();
    sheet().edit();
    sheet().fieldByName(QStringLiteral("p35")).setAsString(QStringLiteral("4343"));
    window->ComboBox1->setItemIndex(1);
    emit window->ComboBox1->activated(1);
    EXPECT_EQ(sheet().state(), db::DataSetState::Edit);
    EXPECT_EQ(stored(id, QStringLiteral("p35")).toString(), QStringLiteral("4242"));
    EXPECT_EQ(dialogs->count(), 1);
}
