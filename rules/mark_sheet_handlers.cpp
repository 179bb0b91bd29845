// The mark sheet dataset's handlers of the data module (ADO_SP_Sort), defined beside the
// rules they run: opening with its loading window and compiled formulas, the calculated
// fields, and the checks before an edit, a post and a delete with what each writes.
#include "data/dm_cde_3.h"
#include "data/loading_window.h"
#include "platform/ui/dialogs.h"
#include "rules/delete_audit.h"
#include "rules/grade_scale.h"
#include "rules/mark_sheet_calc.h"
#include "rules/sheet_window.h"

namespace qel::data {

using rules::idText;

namespace {

constexpr QChar kQuote = QLatin1Char('"');
constexpr QChar kCR = QChar(13);

} // namespace

// Each opening compiles the formulas of the configuration it opens with; the loading window
// stays up until the rows are read.
void TDM_CDE_3::ADO_SP_SortBeforeOpen(db::DataSet&)
{
    showLoadingWindow();
    if (!SheetCalc)
        SheetCalc = std::make_shared<rules::MarkSheetCalc>(*this);
    SheetCalc->prepare();
}

void TDM_CDE_3::ADO_SP_SortAfterOpen(db::DataSet&) { destroyLoadingWindow(); }

void TDM_CDE_3::ADO_SP_SortCalcFields(db::DataSet& DataSet)
{
    rules::markSheetCalc(*this).calculate(DataSet, rules::sheetWindow());
}

// A row reset to "н/п" keeps its first columns (the student, the admission, the marks):
// only the columns from the date on may still be changed.
void TDM_CDE_3::ADO_SP_SortBeforeEdit(db::DataSet& DataSet)
{
    rules::SheetWindow* window = rules::sheetWindow();
    if (DataSet.fieldByName(QStringLiteral("id_estimation")).asInteger() == rules::kGradeNotPresented && window
        && window->sheetGridCol() < 26)
        abortSilently();
}

// The sheet cannot be switched while one of its rows is being edited.
void TDM_CDE_3::ADO_SP_SortAfterEdit(db::DataSet&)
{
    if (rules::SheetWindow* window = rules::sheetWindow())
        window->setSelectorsEnabled(false);
}

void TDM_CDE_3::ADO_SP_SortAfterCancel(db::DataSet& DataSet)
{
    if (rules::SheetWindow* window = rules::sheetWindow()) {
        window->setSelectorsEnabled(true);
        window->sheetRowCancelled(DataSet);
    }
}

void TDM_CDE_3::ADO_SP_SortBeforePost(db::DataSet& DataSet)
{
    if (DataSet.state() == db::DataSetState::Browse)
        DataSet.edit();

    // The stored total is the computed one. A total that cannot be computed is never stored
    // as an empty or stale value: the row stays in edit for the user to correct or cancel.
    QVariant total = DataSet.fieldByName(QStringLiteral("ball1")).value();
    if (total.isNull()) {
        QString problem;
        const std::optional<double> computed = rules::markSheetCalc(*this).recordTotal(DataSet, problem);
        if (!computed) {
            ui::messageBox(problem, QStringLiteral("Warning!"), ui::MsgIcon::Warning);
            abortSilently();
        }
        total = *computed;
    }
    DataSet.fieldByName(QStringLiteral("ball")).setValue(total);

    rules::SheetWindow* window = rules::sheetWindow();
    if (window && !window->groupKey().isNull() && !window->semesterKey().isNull()
        && !window->disciplineKey().isNull()) {
        DataSet.fieldByName(QStringLiteral("id_group")).setValue(window->groupKey());
        DataSet.fieldByName(QStringLiteral("id_semester")).setValue(window->semesterKey());
        DataSet.fieldByName(QStringLiteral("id_discipline"))
            .setValue(ADOQ_Discipline.fieldByName(QStringLiteral("id_discipline")).value());
        if (!window->scaleVariantKey().isNull())
            DataSet.fieldByName(QStringLiteral("id_ebe_var")).setValue(window->scaleVariantKey());
        // On ordinary statements of full-time groups the grade follows the total; elsewhere
        // it is chosen by hand. A row reset to "н/п" stays "н/п".
        db::Field& grade = DataSet.fieldByName(QStringLiteral("id_estimation"));
        if (rules::compositeAllowed(DataSet.fieldByName(QStringLiteral("sessiya")).asInteger(),
                                    rules::groupStudyForm(*this))
            && grade.asInteger() != rules::kGradeNotPresented)
            grade.setAsInteger(rules::CheckpointBelowMinimum(*this, DataSet) ? rules::kGradeBelowMinimum
                                                                              : rules::GradeForTotal(*this, *window, DataSet));
    }
    if (window)
        window->setSelectorsEnabled(true);
}

void TDM_CDE_3::ADO_SP_SortAfterPost(db::DataSet& DataSet)
{
    if (rules::SheetWindow* window = rules::sheetWindow())
        window->sheetRowPosted(DataSet);
}

// Only a user who may change the row's statement form deletes it, and only on a sheet open
// for editing. The audit row is made now, while the row is still there, and written once
// the server has confirmed the DELETE.
void TDM_CDE_3::ADO_SP_SortBeforeDelete(db::DataSet& DataSet)
{
    PendingDeleteAudit.clear();
    rules::SheetWindow* window = rules::sheetWindow();
    ADOQ_Exec.reopen(QStringLiteral("SELECT TOP 1 * FROM [QEL].[dbo].[User_f_est] WHERE id_login=")
                     + QString::number(window ? window->session().SessionLoginId : 0) + QStringLiteral(" AND id_f_est=")
                     + idText(DataSet.fieldByName(QStringLiteral("id_f_est")).value()));
    const bool granted = !ADOQ_Exec.isEmpty();
    ADOQ_Exec.close();
    if (!granted || (window && !window->sheetEditable())) {
        ui::showMessage(QStringLiteral("У Вас нет доступа на изменение данных по этой Форме Ведомости."));
        abortSilently();
    }
    PendingDeleteAudit = rules::deleteAuditStatement(DataSet, QStringLiteral("id_mark_mag"),
                                                     window ? window->session().SessionLogin : QString());
}

void TDM_CDE_3::ADO_SP_SortAfterDelete(db::DataSet&)
{
    if (PendingDeleteAudit.isEmpty())
        return;
    const QString statement = std::exchange(PendingDeleteAudit, QString());
    ADOQ_Exec.close();
    ADOQ_Exec.setSql(statement);
    ADOQ_Exec.execSql();
}

// The platform could not put the row into edit: say why, then drop the edit silently.
void TDM_CDE_3::ADO_SP_SortEditError(db::DataSet&, const qel::Error& E, db::DataAction& Action)
{
    Action = db::DataAction::Abort;
    const QString text = QStringLiteral("Вы пытаетесь изменить строку, но у вас нет на это прав.") + kCR
                       + QStringLiteral("Нажмите кнопку ") + kQuote + QStringLiteral("отмена новой записи") + kQuote
                       + QStringLiteral(" или клавишу [Esc]!") + kCR + QStringLiteral("Обратитесь к вашему администратору")
                       + kQuote + QStringLiteral("!") + kCR + E.message();
    ui::messageBox(text, QStringLiteral("Warning!"), ui::MsgIcon::Warning);
}

// The server refused the row: name the column, return the row to its stored values and let
// the error go on to the code that posted.
void TDM_CDE_3::ADO_SP_SortPostError(db::DataSet& DataSet, const qel::Error& E, db::DataAction&)
{
    rules::SheetWindow* window = rules::sheetWindow();
    const QString column = window ? window->sheetColumnTitle(window->sheetGridCol() - 1) : QString();
    const QString text = QStringLiteral("Вы пытаетесь изменить запись в поле ") + kQuote + column + kQuote
                       + QStringLiteral(", но у вас нет на это прав.") + kCR + E.message();
    ui::messageBox(text, QStringLiteral("Warning!"), ui::MsgIcon::Warning);
    DataSet.cancel();
}

} // namespace qel::data
