// Program entry of the client: the data module, the main window (whose creation runs the
// login), the hidden student login dialog, then the event loop.
#include "accounts/student_login_dialog.h"
#include "data/dm_cde_3.h"
#include "platform/os/system_info.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/error_report.h"
#include "sheet/main_window.h"

#include <memory>

int main(int argc, char** argv)
{
    qel::os::readTimeZoneOnce();
    qel::ui::Application app(argc, argv);
    qel::ui::setApplicationTitle(QStringLiteral("QEL 13 Учет успеваемости"));

    // The main window is not shown when the event loop starts unless a login succeeds.
    auto dm = std::make_unique<qel::data::TDM_CDE_3>();
    auto mainWindow = std::make_unique<qel::TForm2>(*dm);
    qel::Form11 = new qel::TForm11(mainWindow.get(), *dm);
    qel::Form11->hide();

    int rc = 0;
    if (!mainWindow->TerminationRequested && mainWindow->MainWindowMayShow) {
        mainWindow->showMaximized();
        rc = app.exec();
    }
    mainWindow.reset();
    dm.reset();
    return rc;
}
