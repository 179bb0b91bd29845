// The main window's buttons that act on the sheet as a whole or open the other windows.
#include "sheet/main_window.h"

#include "accounts/student_codes_window.h"
#include "data/dm_cde_3.h"

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

} // namespace qel
