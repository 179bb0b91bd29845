// The student codes window of ИВТ-24 opened from the demo user's main window, and the login
// dialog over it with the login the server proposes for a student without one.
#include "app/screenshots/shot_helpers.h"
#include "app/screenshots/shots.h"

#include "accounts/student_codes_window.h"
#include "accounts/student_login_dialog.h"
#include "data/dm_cde_3.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "sheet/main_window.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

using namespace qel;

const shots::Shot studentAccountsShot("student_accounts", [](shots::ShotContext& ctx) {
    shots::DemoMainWindow demo(ctx);
    TForm2& window = demo.window();
    shots::pick(window.DBLookupComboBox9, QStringLiteral("ИВТ-24"));

    shots::whenModalShown("qel::TForm7", [&ctx](QWidget* w) {
        auto* form = static_cast<TForm7*>(w);
        ctx.save(form, QStringLiteral("student_codes_window"));
        // The first student without a login, as a user double-clicks it.
        ui::TQXDBGridEh& grid = *form->QXDBGridEh2;
        for (int row = 0; row < grid.dataRowCount(); ++row)
            if (grid.cellText(row, 3).isEmpty()) {
                grid.setCurrentIndex(grid.model()->index(row, 2));
                break;
            }
        shots::whenModalShown("qel::TForm11", [&ctx](QWidget* d) {
            auto* dialog = static_cast<TForm11*>(d);
            dialog->LabeledEdit2->setText(QStringLiteral("пароль"));
            ctx.save(dialog, QStringLiteral("student_login_dialog"));
            dialog->SpeedButton1->click();
        });
        form->QXDBGridEh2DblClick();
        form->close();
    });
    window.SpeedButton2->click();
});

} // namespace
