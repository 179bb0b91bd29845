// Opening a sheet: the columns built from the configuration, the access mode of the
// statement form, the thirteen parameters and the filter, the rows the server creates, a
// faulty formula, and an opening that fails.
#include "data/dm_cde_3.h"
#include "data/loading_window.h"
#include "data/mark_record.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/db_lookup_list_box.h"
#include "platform/ui/drop_down_list.h"
#include "platform/ui/grid_column.h"
#include "platform/ui/panel.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "server/sql_functions.h"
#include "tests/sheet/sheet_window_fixture.h"

#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <sqlite3.h>

using namespace qel;

namespace {

const QString kIvt = QStringLiteral("ИВТ-24");
const QString kThird = QStringLiteral("3 семестр");
const QString kDiscrete = QStringLiteral("Дискретная математика");

class Opening : public test::SheetWindowTest {
protected:
    // Runs a statement on the database file directly (for what the server's own language
    // refuses, such as changing a table).
    void sqliteExec(const char* sql)
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(fx->databasePath.toUtf8().constData(), &db), SQLITE_OK);
        // The schema's columns name the server's text collation.
        server::registerSqlFunctions(db);
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }

    // Chooses a filter item as the user does.
    void chooseFilter(int item)
    {
        window->ComboBox1->setItemIndex(item);
        emit window->ComboBox1->activated(item);
    }
};

} // namespace

TEST_F(Opening, WithoutConfigurationRowsTheDateComesRightAfterTheNumber)
{
    fx->admin(QStringLiteral("DELETE FROM est_config WHERE id_ebe_var = 1"));
    logIn();
    pickSheet(kIvt, kThird, kDiscrete);
    ASSERT_EQ(rows(), 10);
    EXPECT_EQ(titles().mid(7), QStringList({"№", "Дата сдачи", "Оценка", "Особая оценка"}));
    const QStringList fields = {"p36", "Ball_name", "EstimationOther"};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(window->QXDBGridEh1->column(8 + i).fieldName(), fields[i]);
    for (int r = 0; r < rows(); ++r) {
        EXPECT_DOUBLE_EQ(value(r, "ball1").toDouble(), 0);
        EXPECT_EQ(cell(r, QStringLiteral("Ball_name")), QStringLiteral("н/у(н/я)"));
    }
}

TEST_F(Opening, AnExtramuralGroupKeepsItsCheckpointColumnsHidden)
{
    logIn();
    pickSheet(QStringLiteral("ИВТз-24"), kThird, kDiscrete);
    ASSERT_EQ(rows(), 6);
    ui::TQXDBGridEh& grid = *window->QXDBGridEh1;
    ASSERT_EQ(grid.columnCount(), 18);
    for (int i = 8; i <= 14; ++i) {
        EXPECT_FALSE(grid.column(i).visible()) << i;
        EXPECT_EQ(grid.column(i).footerValueType(), ui::FooterValueType::Sum) << i;
        EXPECT_EQ(grid.column(i).width(), 42);
    }
    EXPECT_TRUE(grid.column(15).visible());    // Дата сдачи
    EXPECT_TRUE(grid.column(16).visible());    // Оценка
    EXPECT_FALSE(grid.column(17).visible());   // no special grades in variant 1
}

TEST_F(Opening, EditModeAndReadOnlyMode)
{
    // Statement form 2 is not flagged QEL13 and the institution edits flagged forms only.
    fx->admin(QStringLiteral("INSERT INTO User_f_est (id_login, id_f_est) VALUES (1, 2)"));
    fx->admin(QStringLiteral("UPDATE mark_mag SET id_f_est = 2 WHERE id_group = 1 AND id_semester = 3 AND "
                             "id_discipline = 9 AND id_student = 10"));
    const struct {
        const char* login;
        const char* password;
        const char* form;
        bool editable;
    } cases[] = {{"demo", "demo2026", "Ведомость", true},
                 {"viewer", "viewer2026", "Ведомость", false},
                 {"demo", "demo2026", "Экзам. лист", false}};
    for (const auto& c : cases) {
        window.reset();
        logIn(c.login, c.password);
        TForm2& w = *window;
        pickSheet(kIvt, kThird, kDiscrete);
        if (QString::fromUtf8(c.form) != w.DBLookupComboBox1->text())
            pick(w.DBLookupComboBox1, QString::fromUtf8(c.form));
        const bool admissionReadOnly = w.QXDBGridEh1->column(1).readOnly();
        ASSERT_TRUE(fx->dm->ADO_SP_Sort.active()) << c.login << " " << c.form;
        EXPECT_EQ(w.SheetEditable, c.editable) << c.login << " " << c.form;
        EXPECT_EQ(w.Panel11->isVisible(), !c.editable) << c.login << " " << c.form;
        ui::TQXDBGridEh& grid = *w.QXDBGridEh1;
        for (int i = 0; i < grid.columnCount(); ++i) {
            if (i == 1)
                continue;   // the payment admission keeps the user's permission
            // The running number and the teacher are editable from the window's creation on.
            const bool editableColumn = i == 0 || i == 4 || i >= 7;
            EXPECT_EQ(grid.column(i).readOnly(), !(c.editable && editableColumn)) << c.login << " " << c.form << " " << i;
        }
        EXPECT_EQ(admissionReadOnly, QLatin1String(c.login) == QLatin1String("viewer"));
        ui::GridColumn* grade = grid.findColumn(QStringLiteral("Ball_name"));
        ASSERT_NE(grade, nullptr);
        ASSERT_EQ(grade->editButtons().size(), 1);
        EXPECT_EQ(grade->editButtons().first().dropDownMenu, c.editable ? w.PopupMenu1 : nullptr);
    }
    // Back to an editable form after a read-only one: the teacher may be changed again.
    pick(window->DBLookupComboBox1, QStringLiteral("Ведомость"));
    EXPECT_TRUE(window->SheetEditable);
    EXPECT_FALSE(window->QXDBGridEh1->column(4).readOnly());
    EXPECT_FALSE(window->Panel11->isVisible());
}

TEST_F(Opening, TheThirteenParametersAndTheFilter)
{
    fx->admin(QStringLiteral("UPDATE mark_mag SET id_estimation = 25 WHERE id_group = 1 AND id_semester = 3 AND "
                             "id_discipline = 9 AND id_student = 2"));
    fx->admin(QStringLiteral("UPDATE mark_mag SET id_estimation = 2 WHERE id_group = 1 AND id_semester = 3 AND "
                             "id_discipline = 9 AND id_student = 3"));
    logIn();
    pickSheet(kIvt, kThird, kDiscrete);
    const db::Parameters& p = fx->dm->ADO_SP_Sort.parameters();
    using namespace data;
    const struct {
        int position;
        QVariant value;
    } expected[] = {{MarkSheetGroup, 1},           {MarkSheetSemester, 3},          {MarkSheetDiscipline, 9},
                    {MarkSheetExamination, 1},     {MarkSheetTeacher, 1},           {MarkSheetDoNotShowEst, "1=1"},
                    {MarkSheetSubgroup, "0"},      {MarkSheetIsGetFromSubGroup, "0"}, {MarkSheetAcademicYear, "0"},
                    {MarkSheetEbeVar, 1},          {MarkSheetKafedra, -1},          {MarkSheetFormOfStatement, 1},
                    {MarkSheetKredits, 4}};
    for (const auto& e : expected)
        EXPECT_EQ(p[e.position].value().toString(), e.value.toString()) << p[e.position].name().toStdString();
    EXPECT_EQ(rows(), 10);

    const struct {
        int item;
        const char* condition;
        int rows;
    } filters[] = {{0, "(id_estimation <> 25)", 9}, {1, "(id_estimation in(8, 9, 10, 11, 16))", 8}, {2, "1=1", 10}};
    for (const auto& f : filters) {
        chooseFilter(f.item);
        EXPECT_EQ(p[MarkSheetDoNotShowEst].value().toString(), QString::fromLatin1(f.condition));
        EXPECT_EQ(rows(), f.rows) << f.condition;
        EXPECT_EQ(window->QXDBGridEh1->dataSource(), &fx->dm->DS_SP_Sort);
    }
    EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join('|').toStdString();
}

TEST_F(Opening, ASheetWithoutRowsGetsOneRowPerStudentFromTheServer)
{
    logIn();
    const QString sheet = QStringLiteral("id_group = 2 AND id_semester = 2 AND id_discipline = 9");
    ASSERT_EQ(fx->adminScalar(QStringLiteral("SELECT COUNT(*) FROM mark_mag WHERE ") + sheet).toInt(), 0);
    pickSheet(QStringLiteral("ПИ-25"), QStringLiteral("2 семестр"), kDiscrete);
    EXPECT_EQ(rows(), 8);
    EXPECT_EQ(fx->adminScalar(QStringLiteral("SELECT COUNT(*) FROM mark_mag WHERE id_estimation = 8 AND id_f_est = 1 "
                                             "AND kredits = 4 AND id_ebe_var = 1 AND ")
                              + sheet)
                  .toInt(),
              8);
    // Reopening creates nothing more.
    emit window->ComboBox1->activated(2);
    EXPECT_EQ(fx->adminScalar(QStringLiteral("SELECT COUNT(*) FROM mark_mag WHERE ") + sheet).toInt(), 8);
}

TEST_F(Opening, AFaultyFormulaIsReportedOncePerOpening)
{
    fx->admin(QStringLiteral("UPDATE est_config SET formula = 'M1+*M2' WHERE id_ebe_var = 1 AND name_pole = 'Сумма модулей'"));
    logIn();
    pickSheet(kIvt, kThird, kDiscrete);
    ASSERT_EQ(dialogs->count(), 1);
    EXPECT_TRUE(dialogs->last().text.contains(QStringLiteral("\"Сумма модулей\""))) << dialogs->last().text.toStdString();
    EXPECT_TRUE(dialogs->last().text.contains(QStringLiteral("M1+*M2")));
    // Painting and moving through the rows report nothing more; the other columns are there.
    window->QXDBGridEh1->repaint();
    fx->dm->ADO_SP_Sort.last();
    QApplication::processEvents();
    EXPECT_EQ(dialogs->count(), 1);
    EXPECT_EQ(cell(0, QStringLiteral("calc1")), QString());
    EXPECT_EQ(cell(0, QStringLiteral("ball1")), QStringLiteral("28"));
    // The next opening reports it again, once.
    emit window->ComboBox1->activated(2);
    QApplication::processEvents();
    EXPECT_EQ(dialogs->count(), 2);
}

TEST_F(Opening, AFailedOpeningLeavesTheWindowUsable)
{
    logIn();
    TForm2& w = *window;
    pick(w.DBLookupComboBox9, kIvt);
    pick(w.DBLookupComboBox10, kThird);
    sqliteExec("ALTER TABLE mark_mag RENAME COLUMN m12 TO m12_gone");
    pick(w.DBLookupComboBox11, kDiscrete);
    ASSERT_EQ(dialogs->count(), 1);
    EXPECT_TRUE(dialogs->last().text.contains(QStringLiteral("m12"))) << dialogs->last().text.toStdString();
    EXPECT_TRUE(Form4.isNull());
    EXPECT_FALSE(fx->dm->ADO_SP_Sort.controlsDisabled());
    EXPECT_FALSE(fx->dm->ADO_SP_Sort.active());
    EXPECT_EQ(w.QXDBGridEh1->dataSource(), nullptr);
    for (QWidget* selector : std::initializer_list<QWidget*>{w.DBLookupComboBox9, w.DBLookupComboBox10,
                                                             w.DBLookupComboBox11, w.DBLookupComboBox1, w.ComboBox1})
        EXPECT_TRUE(selector->isEnabled()) << selector->objectName().toStdString();

    // Once the server is right again the same pick opens the sheet.
    sqliteExec("ALTER TABLE mark_mag RENAME COLUMN m12_gone TO m12");
    pick(w.DBLookupComboBox11, kDiscrete);
    EXPECT_EQ(dialogs->count(), 1) << dialogs->texts().join('|').toStdString();
    EXPECT_EQ(rows(), 10);
    EXPECT_TRUE(w.QXDBGridEh1->isEnabled());
}
