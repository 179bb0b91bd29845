// The main window's buttons that act on the sheet as a whole or open the other windows.
#include "sheet/main_window.h"

#include "accounts/student_codes_window.h"
#include "data/dm_cde_3.h"
#include "data/loading_window.h"
#include "grid/qx_dbgrid_events.h"
#include "grid/sheet_grid_events.h"
#include "platform/os/errors.h"
#include "platform/os/system_info.h"
#include "platform/ui/date_picker.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/error_report.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "recordbook/record_book_window.h"
#include "sheet/add_students_window.h"

#include <QTimer>

namespace qel {

// One hand-in date for every student the sheet shows. Each row is posted on its own, so
// each goes through the posting rules and leaves its audit rows; a row the rules keep from
// editing (a "н/п" row) is passed over.
void TForm2::SpeedButton1Click()
{
    db::StoredProc& sheet = dm_.ADO_SP_Sort;
    if (!sheet.active() || !SheetEditable || !QXDBGridEh1->isEnabled())
        return;
    const QDate date = DateTimePicker1->value().date();
    const QChar quote = QLatin1Char('"');
    const QString question = QStringLiteral("Вы действительно хотите применить дату ") + quote
                           + os::uiLocale().toString(date, QLocale::ShortFormat) + quote
                           + QStringLiteral(" ко всем студентам, у которых форма ведомости - ") + quote
                           + QStringLiteral("Ведомость") + quote + QStringLiteral("?");
    if (ui::messageBox(question, QStringLiteral("Уведомление"), ui::MsgIcon::Question, ui::MsgButtons::YesNo, this)
        != ui::MsgResult::Yes)
        return;
    if (!PostPendingEdit(sheet))
        return;

    showLoadingWindow(QStringLiteral("Идёт обновление, подождите..."));
    sheet.disableControls();
    const db::Bookmark current = sheet.bookmark();
    int changed = 0;
    const int total = sheet.recordCount();
    try {
        for (sheet.first(); !sheet.eof(); sheet.next()) {
            try {
                sheet.edit();
            } catch (const SilentAbort&) {
                continue;
            }
            sheet.fieldByName(QStringLiteral("p36")).setValue(QDateTime(date, QTime(0, 0)));
            sheet.post();
            ++changed;
        }
    } catch (const std::exception& e) {
        // The rows before this one keep their new date.
        if (sheet.editing())
            sheet.cancel();
        restoreAfterDateForAll(current);
        if (!dynamic_cast<const SilentAbort*>(&e))
            ui::reportError(e);
        ui::messageBox(QStringLiteral("Дата сдачи установлена у %1 из %2 студентов.").arg(changed).arg(total),
                       QStringLiteral("Уведомление"), ui::MsgIcon::Warning, ui::MsgButtons::Ok, this);
        return;
    }
    restoreAfterDateForAll(current);
}

void TForm2::restoreAfterDateForAll(const db::Bookmark& current)
{
    db::StoredProc& sheet = dm_.ADO_SP_Sort;
    if (sheet.bookmarkValid(current))
        sheet.gotoBookmark(current);
    sheet.enableControls();
    destroyLoadingWindow();
}

void TForm2::F4_QX_DM_CDE_3QXDBEOnConfirmDelete(QObject*, bool& CanDelete)
{
    if (grid::confirmRowsDeletion(*QXDBGridEh1, CanDelete))
        Timer1->start();
}

// Reopens the sheet once, with the parameters it has, after a deletion has run. A refusal
// box shown during the deletion runs an event loop: the timer waits for the deletion.
void TForm2::Timer1Timer()
{
    Timer1->stop();
    if (F4_QX_DM_CDE_3->busy()) {
        Timer1->start();
        return;
    }
    db::StoredProc& sheet = dm_.ADO_SP_Sort;
    if (!sheet.active() || !PostPendingEdit(sheet))
        return;
    sheet.close();
    sheet.open();
}

void TForm2::SpeedButton2Click()
{
    dm_.StudentsChanged = false;
    {
        const QVariant group = groupKey();
        TForm7 form(this, dm_,
                    {group.isNull() ? std::nullopt : std::optional<qint32>(group.toInt()), SessionLogin,
                     [this] { return auditComputerText(); }});
        form.exec();
    }
    if (!dm_.StudentsChanged)
        return;
    // The same query text again: the student and code columns read their names from it.
    dm_.ADOQ_s_fio.close();
    dm_.ADOQ_s_fio.open();
    dm_.ADOQ_s_fio.setSort(QStringLiteral("s_fio"));
    if (dm_.ADO_SP_Sort.active())
        dm_.ADO_SP_Sort.refresh();
}

void TForm2::Button2Click()
{
    TForm13 form(*this, this);
    form.exec();
}

void TForm2::Button1Click()
{
    // A pending edit of the sheet is saved first: once the book has changed the same records,
    // it could only be written over them.
    if (!PostPendingEdit(dm_.ADO_SP_Sort))
        return;
    {
        const QVariant group = groupKey();
        TForm14 form(this, dm_,
                     {group.isNull() ? std::nullopt : std::optional<qint32>(group.toInt()), SessionLoginId, SessionLogin,
                      FlaggedFormsOnly});
        form.exec();
    }
    if (dm_.ADO_SP_Sort.active())
        dm_.ADO_SP_Sort.refresh();
}

} // namespace qel
