// The record book's grid: its columns, the colours of the row classes, and the checks of a
// grade and of a statement form chosen in a row.
#include "recordbook/record_book_window.h"

#include "data/dm_cde_3.h"
#include "platform/ui/colors_fonts.h"
#include "platform/ui/grid_column.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "recordbook/record_book_sql.h"
#include "rules/sheet_window.h"

#include <QComboBox>

namespace qel {

using rules::idText;

namespace {

const QColor kCurriculum(211, 241, 201);
const QColor kToClarify(255, 128, 255);
const QColor kOddSemester(199, 221, 222);
const QColor kFocusedCurriculum(0, 0, 255);

bool isOddSemester(const QVariant& semester)
{
    if (semester.isNull())
        return false;
    const int s = semester.toInt();
    return s >= 1 && s <= 11 && s % 2 == 1;
}

} // namespace

void TForm14::buildGrid()
{
    ui::TQXDBGridEh& g = *DBGridEh1;
    g.setOptions(ui::dgEditing | ui::dgTitles | ui::dgIndicator | ui::dgColumnResize | ui::dgColLines | ui::dgRowLines
                 | ui::dgTabs | ui::dgAlwaysShowSelection | ui::dgCancelOnExit | ui::dgMultiSelect | ui::dgFindDialog);
    // Rows are edited in place; records are created and deleted by the buttons only.
    g.setAllowedOperations(ui::GridOperation::Update);
    g.setDataFont(ui::pixelFont(13));
    g.setRowHeight(22);
    g.setTitleHeight(28);
    g.setTitleFont(ui::pixelFont(12, true), ui::colors::navy());
    g.setFixedColor(QColor(217, 236, 255));

    auto& semester = g.addColumn(QStringLiteral("Semester"), QStringLiteral("Семестр"));
    semester.setWidth(90);
    semester.setMinWidth(90);
    auto& attended = g.addColumn(QStringLiteral("poseshal"), QStringLiteral("Посещал"));
    attended.setWidth(76);
    attended.setMinWidth(76);
    // The chosen text is stored as the id of the attendance row that shows it.
    attended.setPickList({QStringLiteral("д"), QStringLiteral("н/д")});
    attended.setFont(ui::pixelFont(13, true), ui::colors::maroon());
    auto& discipline = g.addColumn(QStringLiteral("Discipline"), QStringLiteral("Дисциплина"));
    discipline.setWidth(280);
    discipline.setReadOnly(true);
    auto& exam = g.addColumn(QStringLiteral("Examination"), QStringLiteral("Форма контроля"));
    exam.setWidth(110);
    exam.setReadOnly(true);
    auto& credits = g.addColumn(QStringLiteral("kredits"), QStringLiteral("Кредиты"));
    credits.setWidth(72);
    credits.setMinWidth(72);
    credits.setAlignment(Qt::AlignLeft);
    auto& points = g.addColumn(QStringLiteral("ball"), QStringLiteral("Балл"));
    points.setWidth(56);
    points.setAlignment(Qt::AlignLeft);
    auto& grade = g.addColumn(QStringLiteral("Estimation"), QStringLiteral("Оценка"));
    grade.setWidth(76);
    grade.onEditButtonDown = [this](ui::GridColumn& c, int button, bool& handled) {
        DBGridEh1Columns5EditButtonDown(c, button, handled);
    };
    grade.onUpdateData = [this](ui::GridColumn& c, QString& text, QVariant& value, bool& useText, bool& handled) {
        DBGridEh1Columns5UpdateData(c, text, value, useText, handled);
    };
    auto& form = g.addColumn(QStringLiteral("F_Est"), QStringLiteral("Форма ведомости"));
    form.setWidth(120);
    form.onUpdateData = [this](ui::GridColumn& c, QString& text, QVariant& value, bool& useText, bool& handled) {
        DBGridEh1Columns6UpdateData(c, text, value, useText, handled);
    };
    auto& date = g.addColumn(QStringLiteral("p36"), QStringLiteral("Дата сдачи"));
    date.setWidth(90);
    date.setMinWidth(88);
    date.setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    g.setAutoFitColWidths(true);

    g.onDrawColumnCell = [this](ui::TQXDBGridEh&, const QRect& rect, int dataCol, ui::GridColumn& column,
                                ui::GridDrawState state) { DBGridEh1DrawColumnCell(rect, dataCol, column, state); };
    g.setDataSource(&dm_.DS_markmagByStudent);
}

// The four rules are applied in order, each on what the previous ones left: an additional
// subject is bold and underlined, a curriculum row green outside the semester column, a row
// to be clarified pink outside it, and odd semesters grey-blue in it.
void TForm14::DBGridEh1DrawColumnCell(const QRect& rect, int dataCol, ui::GridColumn&, ui::GridDrawState state)
{
    ui::TQXDBGridEh& g = *DBGridEh1;
    ui::GridCanvas& canvas = g.canvas();
    const auto drawText = [&] {
        canvas.fillRect(rect);
        const QString text = g.cellText(g.drawingRow(), dataCol);
        canvas.textOut(rect.left() + 2, rect.top() + rect.height() / 2 - canvas.textHeight(text) / 2, text);
    };
    const bool focused = state.focused;

    if (g.drawingValue(QStringLiteral("isStaticDiscipline")).toBool()) {
        if (focused) {
            canvas.brush = ui::colors::black();
        } else {
            canvas.font.font.setBold(true);
            canvas.font.font.setUnderline(true);
            drawText();
        }
    }
    const QVariant byCurriculum = g.drawingValue(QStringLiteral("byEducSh"));
    if (!byCurriculum.isNull() && byCurriculum.toInt() == 1 && dataCol != 0) {
        if (focused) {
            canvas.brush = kFocusedCurriculum;
        } else {
            canvas.brush = kCurriculum;
            drawText();
        }
    }
    const QVariant n = g.drawingValue(QStringLiteral("N"));
    if (!n.isNull() && n.toInt() == 0) {
        if (dataCol != 0)
            canvas.brush = kToClarify;
        drawText();
    }
    if (isOddSemester(g.drawingValue(QStringLiteral("id_semester")))) {
        if (dataCol == 0)
            canvas.brush = kOddSemester;
        drawText();
    }
}

// The drop-down offers the grades the row's form of control allows. The list is taken while
// the filter is on and the filter goes off at once: the grade names of the other rows are
// looked up in the same dataset and must all stay visible.
void TForm14::DBGridEh1Columns5EditButtonDown(ui::GridColumn&, int, bool& handled)
{
    db::DataSet& book = dm_.ADOQ_markmagByStudent;
    if (!book.active() || book.isEmpty())
        return;
    const QVariant exam = book.fieldByName(QStringLiteral("id_examination")).value();
    if (exam.isNull())
        return;
    handled = true;
    db::Query& grades = dm_.ADOQ_estimation2;
    grades.setFilter(QStringLiteral("id_exmination=") + idText(exam));
    grades.setFiltered(true);
    try {
        // An editor opened before holds the whole list: it is made again.
        if (DBGridEh1->editorMode())
            DBGridEh1->hideEditor(false);
        const bool opened = DBGridEh1->showEditor();
        grades.setFiltered(false);
        if (opened)
            if (auto* combo = qobject_cast<QComboBox*>(DBGridEh1->cellEditor()))
                combo->showPopup();
    } catch (...) {
        grades.setFiltered(false);
        throw;
    }
}

// A grade the row's form of control does not allow is not stored; the cell keeps its grade.
void TForm14::DBGridEh1Columns5UpdateData(ui::GridColumn&, QString& text, QVariant& value, bool& useText,
                                          bool& handled)
{
    const QVariant exam = dm_.ADOQ_markmagByStudent.fieldByName(QStringLiteral("id_examination")).value();
    const QVariant grade =
        useText ? dm_.ADOQ_estimation2.lookup(QStringLiteral("p31"), text, QStringLiteral("id_estimation")) : value;
    if (exam.isNull() || grade.isNull()) {
        handled = true;
        return;
    }
    handled = !recordbook::anyRow(dm_.ADOQ_Exec, QStringLiteral(" SELECT *  FROM [QEL].[dbo].[ee] WHERE id_exmination=")
                                                     + idText(exam) + QStringLiteral(" AND id_estimation=") + idText(grade));
    if (!handled) {
        value = grade;
        useText = false;
    }
}

// Only a statement form assigned to the user is stored.
void TForm14::DBGridEh1Columns6UpdateData(ui::GridColumn&, QString& text, QVariant& value, bool& useText,
                                          bool& handled)
{
    const QVariant form = useText ? dm_.ADOQ_f_est3.lookup(QStringLiteral("p109"), text, QStringLiteral("id_f_e")) : value;
    if (form.isNull()) {
        handled = true;
        return;
    }
    handled = !userHoldsForm(form);
    if (!handled) {
        value = form;
        useText = false;
    }
}

} // namespace qel
