// Mark entry in the sheet grid: the checks of a typed checkpoint value (bounds of its
// column, the 100-point sum), the payment admission that follows the student to his other
// rows, the "н/п" reset, the key filter and the colours of special cells.
#include "sheet/main_window.h"

#include "data/dm_cde_3.h"
#include "history/update_history.h"
#include "platform/db/sql_literal.h"
#include "platform/db/value_convert.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/grid_column.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "rules/grade_names.h"
#include "rules/grade_scale.h"

namespace qel {

using rules::idText;

namespace {

constexpr QChar kQuote = QLatin1Char('"');
constexpr double kPointSumLimit = 100;

const QString& noticeTitle()
{
    static const QString title = QStringLiteral("Уведомление");
    return title;
}

} // namespace

// ---- checkpoint values ------------------------------------------------------------------------

void TForm2::QXDBGridEh1Columns7UpdateData(ui::GridColumn& column, QString& text, QVariant&, bool&, bool& handled)
{
    db::StoredProc& sheet = dm_.ADO_SP_Sort;
    // Until the row is posted with its final grade, a mark on an ordinary statement makes
    // the student "present but not graded"; a cancel drops it with the edit.
    if (rules::compositeAllowed(sheet.fieldByName(QStringLiteral("sessiya")).asInteger(), rules::groupStudyForm(dm_)))
        sheet.fieldByName(QStringLiteral("id_estimation")).setAsInteger(GradeIds.Absent);

    if (text.isEmpty())
        text = QStringLiteral("0");
    const qint64 v = db::convert::forAssignment(db::FieldType::Integer, 0, false, text, column.title()).toLongLong();

    const QString fieldName = column.fieldName();
    db::Query& config = dm_.ADOQ_est_config;
    if (config.active() && config.locate(QStringLiteral("pole_mark_mag"), fieldName)
        && config.fieldByName(QStringLiteral("pole_mark_mag")).asString() == fieldName) {
        // A bound that is not set does not limit its side.
        const QVariant min = config.fieldByName(QStringLiteral("min")).value();
        const QVariant max = config.fieldByName(QStringLiteral("max")).value();
        if ((!min.isNull() && v < db::convert::toInteger(min)) || (!max.isNull() && v > db::convert::toInteger(max))) {
            ui::messageBox(QStringLiteral("Оценка в ") + kQuote + column.title() + kQuote
                               + QStringLiteral(" должна быть в пределах от ") + db::convert::toText(min)
                               + QStringLiteral(" до ") + db::convert::toText(max),
                           noticeTitle(), ui::MsgIcon::Warning);
            handled = true;
        }
    }

    // The statement number is not a mark: it only has to be a whole number.
    if (fieldName.compare(QLatin1String("p35"), Qt::CaseInsensitive) == 0 || !pointSumLimitOn())
        return;
    double sum = 0;
    for (int row = 0, rows = config.active() ? config.recordCount() : 0; row < rows; ++row) {
        const QString counted = config.rowValue(row, config.fieldByName(QStringLiteral("pole_mark_mag"))).toString();
        if (counted.isEmpty()
            || db::convert::toInteger(config.rowValue(row, config.fieldByName(QStringLiteral("info_or_value")))) != 1)
            continue;
        sum += sheet.fieldByName(counted).asFloat();
    }
    const double old = sheet.fieldByName(fieldName).asFloat();
    if (double(v) + sum - old > kPointSumLimit) {
        ui::messageBox(QStringLiteral("Cумма баллов не должна превышать 100 !!!"), noticeTitle(), ui::MsgIcon::Warning);
        handled = true;
    }
}

// Institution setting 29, read anew for every edit; a database without the row has the
// limit off.
bool TForm2::pointSumLimitOn()
{
    db::Query& settings = dm_.ADOQ_VuzDefaults;
    settings.close();
    settings.open();
    const bool on = settings.locate(QStringLiteral("id_vuz_defaults"), 29)
                 && settings.fieldByName(QStringLiteral("id_field")).asInteger() == 1;
    settings.close();
    return on;
}

// ---- payment admission ------------------------------------------------------------------------

void TForm2::QXDBGridEh1Columns1UpdateData(ui::GridColumn&, QString& text, QVariant&, bool&, bool&)
{
    db::StoredProc& sheet = dm_.ADO_SP_Sort;
    sheet.edit();
    sheet.fieldByName(QStringLiteral("dopusk_izm")).setAsBoolean(true);
    // The student's other rows follow only once this row is stored: a cancelled edit
    // leaves them as they were.
    pendingAdmission_ = PendingAdmission{text, idText(sheet.fieldByName(QStringLiteral("id_student")).value()),
                                         idText(sheet.fieldByName(QStringLiteral("id_group")).value()),
                                         idText(sheet.fieldByName(QStringLiteral("id_semester")).value()),
                                         idText(sheet.fieldByName(QStringLiteral("id_mark_mag")).value())};
}

void TForm2::sheetRowPosted(db::DataSet&)
{
    if (std::optional<PendingAdmission> admission = std::exchange(pendingAdmission_, std::nullopt))
        applyAdmissionToOtherRows(*admission);
}

void TForm2::sheetRowCancelled(db::DataSet&) { pendingAdmission_.reset(); }

// Every other row of the student in the same group and semester (all disciplines and forms
// of control) takes the admission, and each row that changed leaves its audit rows.
void TForm2::applyAdmissionToOtherRows(const PendingAdmission& a)
{
    const QString where = QStringLiteral(" Where id_student=") + a.student + QStringLiteral(" And  id_group=") + a.group
                        + QStringLiteral(" And  id_semester=") + a.semester + QStringLiteral(" And id_mark_mag<>")
                        + a.markMag;
    db::Query& exec = dm_.ADOQ_Exec;
    struct Before {
        QString key;
        QVariant admission, changed;
    };
    QList<Before> before;
    exec.reopen(QStringLiteral("SELECT id_mark_mag, primech, dopusk_izm FROM [QEL].[dbo].[mark_mag]") + where);
    for (exec.first(); !exec.eof(); exec.next())
        before.append({exec.fieldByName(QStringLiteral("id_mark_mag")).asString(),
                       exec.fieldByName(QStringLiteral("primech")).value(),
                       exec.fieldByName(QStringLiteral("dopusk_izm")).value()});
    exec.close();

    exec.setSql(QStringLiteral(" Update [QEL].[dbo].[mark_mag]  Set primech=") + db::sqlLiteral(a.text)
                + QStringLiteral(" ,dopusk_izm = 1 ") + where);
    exec.execSql();

    if (!UpdateHistory)
        return;
    QStringList statements;
    const auto log = [&](const Before& row, const char* field, const QVariant& old, const QVariant& now,
                         db::FieldType type) {
        if (db::convert::sameValue(old, now))
            return;
        statements << auditStatement(QStringLiteral("mark_mag"), row.key,
                                     UpdateHistory->describeChange(QString::fromLatin1(field),
                                                                   ChangeValueText(old, type), ChangeValueText(now, type)));
    };
    for (const Before& row : before) {
        log(row, "primech", row.admission, a.text, db::FieldType::String);
        log(row, "dopusk_izm", row.changed.isNull() ? QVariant() : QVariant(db::convert::toBoolean(row.changed)),
            QVariant(true), db::FieldType::Boolean);
    }
    ExecuteLogStatements(statements);
}

// ---- grade menu ---------------------------------------------------------------------------------

void TForm2::N2Click()
{
    if (ui::messageBox(QStringLiteral("Вы действительно хотите обнулить баллы?"), noticeTitle(), ui::MsgIcon::Question,
                       ui::MsgButtons::YesNo, this)
        != ui::MsgResult::Yes)
        return;
    db::StoredProc& sheet = dm_.ADO_SP_Sort;
    sheet.edit();
    sheet.fieldByName(QStringLiteral("id_estimation")).setAsInteger(rules::kGradeNotPresented);
    for (int i = 1; i <= 12; ++i)
        sheet.fieldByName(QStringLiteral("m%1").arg(i)).setAsFloat(0);
    sheet.fieldByName(QStringLiteral("dop")).setAsFloat(0);
    sheet.fieldByName(QStringLiteral("dop2")).setAsFloat(0);
    sheet.post();
}

// ---- keys and colours ----------------------------------------------------------------------------

void TForm2::QXDBGridEh1KeyPress(QChar& key)
{
    if (key == QLatin1Char(','))
        key = QLatin1Char('.');
}

void TForm2::QXDBGridEh1GetCellParams(ui::GridColumn&, ui::GridFont&, QColor& background, ui::GridDrawState)
{
    background = QColor(255, 255, 255);
}

void TForm2::F4_QX_DM_CDE_3DrawColumnCell(const QRect& rect, int dataCol, ui::GridColumn& column,
                                          ui::GridDrawState state)
{
    ui::TQXDBGridEh& grid = *QXDBGridEh1;
    const QString admission = grid.drawingText(QStringLiteral("primech"));
    if (!admission.isEmpty() && admission != QStringLiteral("д") && dataCol == 1)
        grid.canvas().brush = QColor(255, 221, 221);
    if (db::convert::toInteger(grid.drawingValue(QStringLiteral("id_estimation"))) == rules::kGradeNotPresented
        && !state.selectedOnly())
        grid.canvas().brush = QColor(206, 239, 255);
    grid.defaultDrawColumnCell(rect, dataCol, column, state);
}

} // namespace qel
