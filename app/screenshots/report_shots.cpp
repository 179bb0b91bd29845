// The statement of the demo user's open sheet: the grid's context menu with printing and
// export, the print preview (Ctrl+P) and the export's file dialog (Ctrl+E).
#include "app/screenshots/shot_helpers.h"
#include "app/screenshots/shots.h"

#include "data/dm_cde_3.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "sheet/main_window.h"
#include "sheet/sheet_report_actions.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPrintPreviewWidget>

namespace {

using namespace qel;

// The demo user's examination sheet of ИВТ-24 in the second semester, every mark stored.
void openSheet(shots::DemoMainWindow& demo)
{
    demo.openSheet(QStringLiteral("ИВТ-24"), QStringLiteral("2 семестр"), QStringLiteral("Программирование"));
}

const shots::Shot reportMenuShot("sheet_report_menu", [](shots::ShotContext& ctx) {
    shots::DemoMainWindow demo(ctx);
    TForm2& window = demo.window();
    openSheet(demo);
    // The menu the right button opens over the grid, drawn where it appears.
    QMenu menu(&window);
    menu.addAction(window.ReportActions->PrintAction);
    menu.addAction(window.ReportActions->ExportAction);
    const QPoint at = window.QXDBGridEh1->viewport()->mapTo(&window, QPoint(260, 90));
    shots::saveWithPopup(ctx, &window, &menu, at, QStringLiteral("sheet_report_menu"));
});

const shots::Shot printPreviewShot("print_preview", [](shots::ShotContext& ctx) {
    shots::DemoMainWindow demo(ctx);
    TForm2& window = demo.window();
    openSheet(demo);
    shots::whenModalShown("QPrintPreviewDialog", [&ctx](QWidget* w) {
        auto* dialog = static_cast<QDialog*>(w);
        dialog->resize(1100, 760);
        if (auto* preview = dialog->findChild<QPrintPreviewWidget*>()) {
            preview->updatePreview();
            preview->fitToWidth();
        }
        QApplication::processEvents();
        ctx.save(dialog, QStringLiteral("print_preview"));
        dialog->reject();
    });
    window.ReportActions->PrintAction->trigger();
});

const shots::Shot exportDialogShot("export_dialog", [](shots::ShotContext& ctx) {
    shots::DemoMainWindow demo(ctx);
    TForm2& window = demo.window();
    openSheet(demo);
    shots::whenModalShown("QFileDialog", [&ctx](QWidget* w) {
        auto* dialog = static_cast<QDialog*>(w);
        dialog->resize(860, 520);
        QApplication::processEvents();
        ctx.save(dialog, QStringLiteral("export_dialog"));
        dialog->reject();
    });
    window.ReportActions->ExportAction->trigger();
});

} // namespace
