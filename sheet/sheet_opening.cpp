// Steps 6 and 7 of the selection cascade: the sheet grid's columns from the grading-scale
// configuration, the access mode of the statement form, and the opening of the sheet.
#include "sheet/main_window.h"

#include "data/dm_cde_3.h"
#include "data/loading_window.h"
#include "data/sheet_statements.h"
#include "platform/ui/colors_fonts.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/db_lookup_list_box.h"
#include "platform/ui/drop_down_list.h"
#include "platform/ui/grid_column.h"
#include "platform/ui/panel.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "rules/grade_scale.h"
#include "rules/mark_sheet_calc.h"

#include <QMenu>

namespace qel {

using rules::idText;

namespace {

// Positions in the sheet grid: the fixed columns end with "№"; the teacher may be changed.
constexpr int kTeacherColumn = 4;
constexpr int kNumberColumn = 7;
constexpr int kFirstConfigColumn = 8;

} // namespace

void TForm2::DBLookupComboBox1Click()
{
    if (!DBLookupComboBox1->hasSelection() || !PostPendingEdit(dm_.ADO_SP_Sort))
        return;
    ui::TQXDBGridEh& grid = *QXDBGridEh1;
    grid.setAutoFitColWidths(false);
    grid.setSelectedIndex(0);
    for (int i = grid.columnCount() - 1; i > kNumberColumn; --i)
        grid.removeColumn(i);

    const int studyForm = dm_.ADOQ_g_s.fieldByName(QStringLiteral("o_z_d")).asInteger();
    const bool visible = studyForm == 0 || studyForm == 2;

    db::Query& config = dm_.ADOQ_est_config;
    config.reopen(data::sheetConfigurationSql(idText(scaleVariantKey()), idText(statementFormKey())));
    config.setSort(QStringLiteral("order_pole"));
    QList<ui::GridColumn*> configColumns;
    for (config.first(); !config.eof(); config.next()) {
        ui::GridColumn& c = grid.addColumn(config.fieldByName(QStringLiteral("pole_mark_mag")).asString(),
                                           config.fieldByName(QStringLiteral("name_pole")).asString());
        c.setColor(ui::colors::window());
        c.setWidth(42);
        c.onUpdateData = [this](ui::GridColumn& col, QString& text, QVariant& value, bool& useText, bool& handled) {
            QXDBGridEh1Columns7UpdateData(col, text, value, useText, handled);
        };
        c.setVisible(visible);
        configColumns << &c;
    }
    for (ui::GridColumn* c : configColumns)
        c->setFooterValueType(ui::FooterValueType::Sum);

    ui::GridColumn& date = grid.addColumn(QStringLiteral("p36"), QStringLiteral("Дата сдачи"));
    date.setColor(ui::colors::window());
    date.setWidth(63);
    ui::GridColumn& grade = grid.addColumn(QStringLiteral("Ball_name"), QStringLiteral("Оценка"));
    grade.setColor(ui::colors::window());
    grade.setWidth(63);
    grade.setReadOnly(true);
    grade.addEditButton(ui::EditButtonStyle::DropDown, PopupMenu1);
    ui::GridColumn& special = grid.addColumn(QStringLiteral("EstimationOther"), QStringLiteral("Особая оценка"));
    special.setColor(ui::colors::window());
    special.setWidth(63);
    special.setVisible(false);

    grid.setEnabled(true);
    grid.setAutoFitColWidths(true);
    applyAccessMode();
    ComboBox1->setEnabled(true);
    ComboBox1Change();
}

void TForm2::applyAccessMode()
{
    const QString form = idText(statementFormKey());
    db::Query& exec = dm_.ADOQ_Exec;
    exec.reopen(QStringLiteral(" SELECT * FROM f_est WHERE id_f_e=") + form);
    const bool flagged = exec.fieldByName(QStringLiteral("QEL13")).asInteger() != 0;
    exec.reopen(QStringLiteral(" SELECT TOP 1 *  FROM [QEL].[dbo].[User_f_est]  WHERE id_login=") + QString::number(SessionLoginId)
                + QStringLiteral(" AND id_f_est=") + form);
    const bool granted = !exec.isEmpty();
    exec.close();
    SheetEditable = granted && !(FlaggedFormsOnly && !flagged);

    ui::TQXDBGridEh& grid = *QXDBGridEh1;
    ui::GridColumn* grade = grid.findColumn(QStringLiteral("Ball_name"));
    if (SheetEditable) {
        Panel11->hide();
        for (int i = kNumberColumn; i < grid.columnCount(); ++i)
            grid.column(i).setReadOnly(false);
        // A read-only sheet before this one must not leave the teacher locked.
        grid.column(kTeacherColumn).setReadOnly(false);
        if (grade && !grade->editButtons().isEmpty())
            grade->setEditButtonMenu(0, PopupMenu1);
    } else {
        Panel11->show();
        for (int i = 0; i < grid.columnCount(); ++i)
            if (i != 1)
                grid.column(i).setReadOnly(true);
        if (grade && !grade->editButtons().isEmpty())
            grade->setEditButtonMenu(0, nullptr);
    }
}

void TForm2::ComboBox1Change()
{
    // The filter may be changed while the cascade waits for a pick below it; nothing to open.
    for (const QVariant& key : {groupKey(), semesterKey(), disciplineKey(), examinationKey(), scaleVariantKey(),
                                statementFormKey()})
        if (key.isNull())
            return;

    // A row being edited is stored first; if it cannot be, the sheet stays as it is.
    db::StoredProc& sheet = dm_.ADO_SP_Sort;
    if (!PostPendingEdit(sheet))
        return;
    bool suspended = false;
    try {
        rules::LoadGradeScale(dm_, *this);
        QXDBGridEh1->setEnabled(!dm_.ScaleMissing);
        sheet.disableControls();
        suspended = true;
        openSheet();
        suspended = false;
        sheet.enableControls();
    } catch (...) {
        // The window stays usable: the grid shows again, the loading window goes.
        if (suspended)
            sheet.enableControls();
        destroyLoadingWindow();
        throw;
    }
    rules::reportSheetProblems(dm_);
}

void TForm2::openSheet()
{
    db::StoredProc& sheet = dm_.ADO_SP_Sort;
    const QString group = idText(groupKey()), semester = idText(semesterKey()), form = idText(examinationKey()),
                  variant = idText(scaleVariantKey());
    dm_.ADOQ_Exec.setSql(QStringLiteral("EXEC InsertInto_SORT_MARK_MAG ") + group + QStringLiteral(",") + semester + QStringLiteral(",")
                         + disciplineField("id_discipline") + QStringLiteral(",") + form + QStringLiteral(",") + QString::number(SheetTeacherId)
                         + QStringLiteral(",1,0,0,0,1,") + variant + QStringLiteral(",") + disciplineField("Kredits"));
    dm_.ADOQ_Exec.execSql();

    QXDBGridEh1->setDataSource(nullptr);
    sheet.setActive(false);
    sheet.close();

    static const char* const conditions[] = {"(id_estimation <> 25)", "(id_estimation in(8, 9, 10, 11, 16))"};
    const int filter = ComboBox1->itemIndex();
    data::MarkSheetSelection selection;
    selection.group = groupKey();
    selection.semester = semesterKey();
    selection.discipline = dm_.ADOQ_Discipline.fieldByName(QStringLiteral("id_discipline")).value();
    selection.examination = examinationKey();
    selection.teacher = SheetTeacherId;
    if (filter == 0 || filter == 1)
        selection.condition = QString::fromLatin1(conditions[filter]);
    selection.variant = scaleVariantKey();
    selection.statementForm = statementFormKey();
    selection.kredits = dm_.ADOQ_Discipline.fieldByName(QStringLiteral("Kredits")).value();
    data::setMarkSheetParameters(sheet, selection);
    sheet.open();

    // The extra computed columns show calc1, calc2 … in configuration order.
    int counter = 1;
    for (int i = kFirstConfigColumn; i < QXDBGridEh1->columnCount(); ++i) {
        ui::GridColumn& c = QXDBGridEh1->column(i);
        if (c.fieldName().isEmpty())
            c.setFieldName(QStringLiteral("calc") + QString::number(counter++));
    }

    QXDBGridEh1->setDataSource(&dm_.DS_SP_Sort);
    sheet.refresh();
    if (!sheet.active())
        sheet.open();
}

// ---- rules::SheetWindow ---------------------------------------------------------------------

QVariant TForm2::groupKey() const { return DBLookupComboBox9->keyValue(); }
QVariant TForm2::semesterKey() const { return DBLookupComboBox10->keyValue(); }
QVariant TForm2::disciplineKey() const { return DBLookupComboBox11->keyValue(); }
QVariant TForm2::examinationKey() const { return DBLookupListBox2->keyValue(); }
QVariant TForm2::scaleVariantKey() const { return DBLookupListBox1->keyValue(); }
QVariant TForm2::statementFormKey() const { return DBLookupComboBox1->keyValue(); }

db::DataSet* TForm2::sheetGridDataSet() const { return QXDBGridEh1->dataSet(); }

void TForm2::setSpecialGradeColumnsVisible(bool visible)
{
    for (int i = kFirstConfigColumn; i < QXDBGridEh1->columnCount(); ++i) {
        ui::GridColumn& c = QXDBGridEh1->column(i);
        if (c.fieldName() == QLatin1String("EstimationOther"))
            c.setVisible(visible);
    }
}

int TForm2::sheetGridCol() const { return QXDBGridEh1->col(); }

QString TForm2::sheetColumnTitle(int listPosition) const
{
    return listPosition >= 0 && listPosition < QXDBGridEh1->columnCount() ? QXDBGridEh1->column(listPosition).title()
                                                                         : QString();
}

// The scale variant and the statement form are locked with the other four: switching
// either would reopen the sheet under the edited row.
void TForm2::setSelectorsEnabled(bool enabled)
{
    DBLookupComboBox9->setEnabled(enabled);
    DBLookupComboBox11->setEnabled(enabled);
    DBLookupComboBox10->setEnabled(enabled);
    DBLookupListBox2->setEnabled(enabled);
    DBLookupListBox1->setEnabled(enabled);
    DBLookupComboBox1->setEnabled(enabled);
}

} // namespace qel
