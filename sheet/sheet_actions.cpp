// The main window's buttons that act on the sheet as a whole or open the other windows.
#include "sheet/main_window.h"

#include "accounts/student_codes_window.h"
#include "data/dm_cde_3.h"
#include "recordbook/record_book_window.h"

namespace qel {

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
