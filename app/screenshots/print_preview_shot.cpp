// The print preview of the demo user's open sheet (Ctrl+P): the statement as it will be
// printed, with the printer's buttons above it.
#include "app/screenshots/shot_helpers.h"
#include "app/screenshots/shots.h"

#include "data/dm_cde_3.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "sheet/main_window.h"
#include "sheet/sheet_report_actions.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QPrintPreviewWidget>

namespace {

using namespace qel;

const shots::Shot printPreviewShot("print_preview", [](shots::ShotContext& ctx) {
    shots::writeDemoSettings(ctx.dataDir);
    data::TDM_CDE_3 dm;
    shots::answerLogin(QStringLiteral("demo"), QStringLiteral("demo2026"));
    TForm2 window(dm);
    window.resize(1280, 760);
    window.show();
    shots::pick(window.DBLookupComboBox9, QStringLiteral("ИВТ-24"));
    shots::pick(window.DBLookupComboBox10, QStringLiteral("2 семестр"));
    shots::pick(window.DBLookupComboBox11, QStringLiteral("Программирование"));

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

} // namespace
