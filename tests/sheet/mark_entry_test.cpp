// Typing marks into the open sheet as a teacher does: the bounds of a checkpoint column,
// the 100-point sum with institution setting 29, what is stored when the row is left (the
// mark, the total, the grade and the audit rows), the payment admission that follows the
// student, the "н/п" reset and the grade menu.
#include "data/dm_cde_3.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/db_lookup_list_box.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "tests/sheet/sheet_window_fixture.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QPainter>

using namespace qel;

namespace {

// The first student of ИВТ-24 (row 0 of the demo sheet) and his row on it.
constexpr int kStudent = 1;

class MarkEntry : public test::SheetWindowTest {
protected:
    // Shapes the first student's marks on the demo sheet before the window opens it.
    void setMarks(const QString& assignments)
    {
        fx->admin(QStringLiteral("UPDATE mark_mag SET %1 WHERE id_student = %2 AND id_semester = 3 AND "
                                 "id_discipline = 9 AND id_f_est = 1")
                      .arg(assignments)
                      .arg(kStudent));
    }
    void open()
    {
        logIn();
        openDemoSheet();
        row = rowOfStudent(kStudent);
        ASSERT_GE(row, 0);
        id = value(row, QStringLiteral("id_mark_mag"));
    }
    // Types into a cell of the student's row and presses Enter (the row stays in edit).
    void enter(const char* field, const QString& text)
    {
        clickCell(row, QStringLiteral("student"));
        clickCell(row, QString::fromLatin1(field));
        type(text);
        key(Qt::Key_Return);
    }
    // Leaves the row, as a user moving to the next student: the row is posted.
    void leaveRow()
    {
        clickCell(row + 1, QStringLiteral("student"));
        ASSERT_EQ(fx->dm->ADO_SP_Sort.state(), db::DataSetState::Browse);
    }
    QVariant field(const char* name) const { return value(row, QString::fromLatin1(name)); }

    int row = -1;
    QVariant id;
};

const QString kSumMessage = QStringLiteral("Cумма баллов не должна превышать 100 !!!");

} // namespace

TEST_F(MarkEntry, TypingAMarkAndLeavingTheRowStoresMarkTotalGradeAndAudit)
{
    setMarks(QStringLiteral("m1 = 15, m2 = 14, m3 = 10, m4 = 20, dop = 0, ball = 59, id_estimation = 11"));
    open();
    enter("m4", QStringLiteral("30"));
    EXPECT_EQ(fx->dm->ADO_SP_Sort.state(), db::DataSetState::Edit);
    EXPECT_DOUBLE_EQ(field("ball1").toDouble(), 69);
    leaveRow();
    EXPECT_EQ(stored(id, QStringLiteral("m4")).toDouble(), 30);
    EXPECT_EQ(stored(id, QStringLiteral("ball")).toDouble(), 69);
    EXPECT_EQ(stored(id, QStringLiteral("id_estimation")).toInt(), 3);   // удов: 61 ≤ 69 < 76
    EXPECT_EQ(cell(row, QStringLiteral("Ball_name")), QStringLiteral("удов"));
    EXPECT_EQ(auditRows(),
              (QStringList{QStringLiteral("mark_mag|%1|Поле \"id_estimation\" изменило значение \"11\" на \"3\".|demo")
                               .arg(id.toInt()),
                           QStringLiteral("mark_mag|%1|Поле \"m4\" изменило значение \"20\" на \"30\".|demo").arg(id.toInt()),
                           QStringLiteral("mark_mag|%1|Поле \"ball\" изменило значение \"59\" на \"69\".|demo").arg(id.toInt())}));
    EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(MarkEntry, TypedValuesAreCheckedAgainstTheBoundsOfTheirColumn)
{
    // Counted fields are low, so the sum rule never refuses here.
    setMarks(QStringLiteral("m1 = 5, m2 = 5, m3 = 5, m4 = 5, dop = 0, p35 = '1034'"));
    open();
    const struct {
        const char* field;
        QString typed;
        QVariant after;     // the field's value afterwards
        QString message;    // empty: no box
    } cases[] = {
        {"m1", QStringLiteral("20"), 20.0, {}},
        {"m1", QStringLiteral("0"), 0.0, {}},
        {"m1", QStringLiteral("21"), 0.0, QStringLiteral("Оценка в \"Модуль 1\" должна быть в пределах от 0 до 20")},
        {"m4", QStringLiteral("-1"), 5.0, QStringLiteral("Оценка в \"Экзамен\" должна быть в пределах от 0 до 30")},
        {"m4", QStringLiteral("30"), 30.0, {}},
        {"m2", QString(), 0.0, {}},   // an emptied cell stores 0
        {"m3", QStringLiteral("7,5"), 5.0, QStringLiteral("\"7.5\" не является целым числом")},   // the comma is a point
        // The statement number must be a whole number but takes no part in the sum.
        {"p35", QStringLiteral("12a"), QStringLiteral("1034"), QStringLiteral("\"12a\" не является целым числом")},
        {"p35", QStringLiteral("77"), QStringLiteral("77"), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.typed.toStdString());
        dialogs->clear();
        if (c.typed.isEmpty()) {
            clickCell(row, QStringLiteral("student"));
            clickCell(row, QString::fromLatin1(c.field));
            key(Qt::Key_F2);
            key(Qt::Key_Backspace);
            key(Qt::Key_Return);
        } else {
            enter(c.field, c.typed);
        }
        if (c.message.isEmpty()) {
            EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join(QLatin1Char('\n')).toStdString();
        } else {
            ASSERT_EQ(dialogs->count(), 1);
            EXPECT_TRUE(dialogs->last().text.contains(c.message)) << dialogs->last().text.toStdString();
        }
        EXPECT_EQ(field(c.field), c.after);
    }
    leaveRow();
    EXPECT_EQ(stored(id, QStringLiteral("m1")).toDouble(), 0);
    EXPECT_EQ(stored(id, QStringLiteral("m2")).toDouble(), 0);
    EXPECT_EQ(stored(id, QStringLiteral("m4")).toDouble(), 30);
    EXPECT_EQ(stored(id, QStringLiteral("p35")).toString(), QStringLiteral("77"));
}

TEST_F(MarkEntry, TheSumOfCountedColumnsStaysWithin100)
{
    // Counted: m1, m2, m3, m4, dop. 20 + 20 + 20 + 10 + 25 = 95 with m4 at 10.
    const QString marks = QStringLiteral("m1 = 20, m2 = 20, m3 = 20, m4 = 10, dop = 25");
    const struct {
        const char* what;
        QString setup;      // run before the window opens
        QString typed;      // into m4
        bool refused;
    } cases[] = {
        {"95 + 15 - 10 = 100", {}, QStringLiteral("15"), false},
        {"95 + 16 - 10 = 101", {}, QStringLiteral("16"), true},
        {"setting 29 off", QStringLiteral("UPDATE VuzDefaults SET id_field = 0 WHERE id_vuz_defaults = 29"),
         QStringLiteral("16"), false},
        {"setting 29 missing", QStringLiteral("DELETE FROM VuzDefaults WHERE id_vuz_defaults = 29"), QStringLiteral("16"),
         false},
        // A column that is not counted is still limited: its new value is added to the others.
        {"m4 not counted, 26 + 85 - 10 = 101",
         QStringLiteral("UPDATE est_config SET info_or_value = 0 WHERE id_ebe_var = 1 AND pole_mark_mag = 'm4'"),
         QStringLiteral("26"), true},
        {"m4 not counted, 25 + 85 - 10 = 100",
         QStringLiteral("UPDATE est_config SET info_or_value = 0 WHERE id_ebe_var = 1 AND pole_mark_mag = 'm4'"),
         QStringLiteral("25"), false},
        // The extra computed column has no field: counting it looks nothing up.
        {"a counted row without a field",
         QStringLiteral("UPDATE est_config SET info_or_value = 1 WHERE id_ebe_var = 1 AND pole_mark_mag IS NULL"),
         QStringLiteral("15"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        window.reset();
        fx.reset();
        fx = std::make_unique<test::DemoFixture>(QStringLiteral("MarkEntry-Sum-%1").arg(&c - cases));
        setMarks(marks);
        if (!c.setup.isEmpty())
            fx->admin(c.setup);
        open();
        dialogs->clear();
        enter("m4", c.typed);
        if (c.refused) {
            ASSERT_EQ(dialogs->count(), 1);
            EXPECT_EQ(dialogs->last().text, kSumMessage);
            EXPECT_EQ(dialogs->last().title, QStringLiteral("Уведомление"));
            EXPECT_EQ(dialogs->last().icon, ui::MsgIcon::Warning);
            EXPECT_EQ(field("m4").toDouble(), 10);
        } else {
            EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join(QLatin1Char('\n')).toStdString();
            EXPECT_EQ(field("m4").toDouble(), c.typed.toDouble());
        }
    }
}

TEST_F(MarkEntry, BoundsAndSumBothSpeakForOneValueAndAnUnsetBoundDoesNotLimit)
{
    setMarks(QStringLiteral("m1 = 20, m2 = 20, m3 = 20, m4 = 10, dop = 25"));
    fx->admin(QStringLiteral("UPDATE est_config SET min = NULL WHERE id_ebe_var = 1 AND pole_mark_mag = 'm1'"));
    open();
    enter("m4", QStringLiteral("31"));
    EXPECT_EQ(dialogs->texts(), (QStringList{QStringLiteral("Оценка в \"Экзамен\" должна быть в пределах от 0 до 30"),
                                             kSumMessage}));
    key(Qt::Key_Escape);
    dialogs->clear();
    enter("m1", QStringLiteral("-3"));   // no lower bound; the sum only falls
    EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(field("m1").toDouble(), -3);
}

TEST_F(MarkEntry, NpResetAsksThenZeroesTheRowAndTheGradeSticks)
{
    setMarks(QStringLiteral("m1 = 15, m2 = 14, m3 = 10, m4 = 20, dop = 2, ball = 61, id_estimation = 3"));
    open();
    clickCell(row, QStringLiteral("Ball_name"));
    dialogs->answer(ui::MsgResult::No);
    window->N2->trigger();
    EXPECT_EQ(dialogs->last().text, QStringLiteral("Вы действительно хотите обнулить баллы?"));
    EXPECT_EQ(dialogs->last().icon, ui::MsgIcon::Question);
    EXPECT_EQ(dialogs->last().buttons, ui::MsgButtons::YesNo);
    EXPECT_EQ(stored(id, QStringLiteral("id_estimation")).toInt(), 3);
    EXPECT_EQ(fx->dm->ADO_SP_Sort.state(), db::DataSetState::Browse);

    dialogs->answer(ui::MsgResult::Yes);
    window->N2->trigger();
    EXPECT_EQ(fx->dm->ADO_SP_Sort.state(), db::DataSetState::Browse);
    EXPECT_EQ(stored(id, QStringLiteral("id_estimation")).toInt(), 25);
    for (const char* f : {"m1", "m2", "m3", "m4", "dop", "ball"})
        EXPECT_EQ(stored(id, QString::fromLatin1(f)).toDouble(), 0) << f;

    // Such a row keeps its marks: its columns before position 26 cannot be edited.
    dialogs->clear();
    enter("m1", QStringLiteral("5"));
    EXPECT_EQ(fx->dm->ADO_SP_Sort.state(), db::DataSetState::Browse);
    EXPECT_EQ(stored(id, QStringLiteral("m1")).toDouble(), 0);
    EXPECT_EQ(dialogs->count(), 0);
}

TEST_F(MarkEntry, AdmissionFollowsTheStudentToHisOtherRowsOnceTheRowIsStored)
{
    open();
    const QString others = QStringLiteral("SELECT COUNT(*) FROM mark_mag WHERE id_student = 1 AND id_group = 1 AND "
                                          "id_semester = 3 AND id_mark_mag <> %1 AND primech = 'н/д'")
                               .arg(id.toInt());
    const int otherRows = fx->adminScalar(QStringLiteral("SELECT COUNT(*) FROM mark_mag WHERE id_student = 1 AND "
                                                         "id_group = 1 AND id_semester = 3 AND id_mark_mag <> ?"),
                                          {id})
                              .toInt();
    ASSERT_GT(otherRows, 2);

    // Cancelled: the other rows stay as they were.
    window->QXDBGridEh1->setFocus();
    clickCell(row, QStringLiteral("primech"));
    ASSERT_TRUE(window->QXDBGridEh1->setCellText(1, QStringLiteral("н/д")));
    EXPECT_TRUE(field("dopusk_izm").toBool());
    key(Qt::Key_Escape);
    EXPECT_EQ(fx->adminScalar(others).toInt(), 0);

    ASSERT_TRUE(window->QXDBGridEh1->setCellText(1, QStringLiteral("н/д")));
    EXPECT_EQ(fx->adminScalar(others).toInt(), 0);   // not before the row is stored
    leaveRow();
    EXPECT_EQ(stored(id, QStringLiteral("primech")).toString(), QStringLiteral("н/д"));
    EXPECT_EQ(fx->adminScalar(others).toInt(), otherRows);
    EXPECT_EQ(fx->adminScalar(QStringLiteral("SELECT COUNT(*) FROM mark_mag WHERE id_student = 1 AND id_semester = 3 "
                                             "AND dopusk_izm = 1"))
                  .toInt(),
              otherRows + 1);
    // The row's own changes, then one row per changed field of every other row.
    const QStringList audit = auditRows();
    EXPECT_EQ(audit.filter(QStringLiteral("Поле \"primech\" изменило значение \"д\" на \"н/д\".")).size(), otherRows + 1);
    EXPECT_EQ(audit.filter(QStringLiteral("Поле \"dopusk_izm\"")).size(), otherRows + 1);
}

TEST_F(MarkEntry, CellColoursShowRefusedAdmissionAndNpRows)
{
    // The ninth student has "н/д" on this semester's sheets; the second is made "н/п".
    fx->admin(QStringLiteral("UPDATE mark_mag SET id_estimation = 25 WHERE id_student = 2 AND id_semester = 3 AND "
                             "id_discipline = 9"));
    open();
    ui::TQXDBGridEh& grid = *window->QXDBGridEh1;
    const auto background = [&](int r, const char* fieldName) {
        QImage image(40, 20, QImage::Format_RGB32);
        QPainter painter(&image);
        grid.paintCell(&painter, QRect(0, 0, 40, 20), r, columnOf(QString::fromLatin1(fieldName)));
        return image.pixelColor(2, 2);
    };
    const QColor lightRed(255, 221, 221), lightBlue(206, 239, 255);
    const int refused = rowOfStudent(9), np = rowOfStudent(2), plain = rowOfStudent(3);
    EXPECT_EQ(background(refused, "primech"), lightRed);
    EXPECT_NE(background(refused, "m1"), lightRed);
    EXPECT_NE(background(plain, "primech"), lightRed);
    EXPECT_EQ(background(np, "m1"), lightBlue);
    EXPECT_EQ(background(np, "primech"), lightBlue);
    // A cell drawn as selected only keeps the selection's colour.
    grid.selectedRows().add(fx->dm->ADO_SP_Sort.bookmarkAt(np), np);
    EXPECT_NE(background(np, "m1"), lightBlue);
}

TEST_F(MarkEntry, TheGradeMenuOffersOnlyGradesTheDatabaseKnows)
{
    fx->admin(QStringLiteral("DELETE FROM estimation WHERE id_estimation = 2"));   // "хор"
    open();
    QStringList items;
    for (QAction* a : window->PopupMenu1->actions())
        items << a->text();
    EXPECT_EQ(items, (QStringList{QStringLiteral("н/п"), QStringLiteral("н/я"), QStringLiteral("н/у"),
                                  QStringLiteral("удов"), QStringLiteral("отл")}));
}
