// Working in an open sheet: a checkpoint mark being typed and the grade column's menu with
// "н/п" (a "н/п" row and a refused admission: sheet_np_admission of main_window_shot.cpp).
#include "app/screenshots/shot_helpers.h"
#include "app/screenshots/shots.h"

#include "data/dm_cde_3.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/grid_column.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "sheet/main_window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>

namespace {

using namespace qel;

// The demo's current examination sheet: ИВТ-24, 3 семестр, "Дискретная математика".
void openCurrentSheet(shots::DemoMainWindow& demo)
{
    demo.openSheet(QStringLiteral("ИВТ-24"), QStringLiteral("3 семестр"), QStringLiteral("Дискретная математика"));
}

int columnOf(const TForm2& window, const QString& field)
{
    for (int i = 0; i < window.QXDBGridEh1->columnCount(); ++i)
        if (window.QXDBGridEh1->column(i).fieldName().compare(field, Qt::CaseInsensitive) == 0)
            return i;
    return 0;
}

const shots::Shot markEntryShot("sheet_mark_entry", [](shots::ShotContext& ctx) {
    shots::DemoMainWindow demo(ctx);
    data::TDM_CDE_3& dm = demo.dm();
    TForm2& window = demo.window();
    openCurrentSheet(demo);
    ui::TQXDBGridEh& grid = *window.QXDBGridEh1;
    const QModelIndex cell = grid.model()->index(2, columnOf(window, QStringLiteral("m2")));
    grid.setFocus();
    grid.setCurrentIndex(cell);
    grid.edit(cell);
    QApplication::processEvents();
    for (QLineEdit* editor : grid.viewport()->findChildren<QLineEdit*>())
        if (editor->isVisible())
            editor->setText(QStringLiteral("15"));
    ctx.save(&window, QStringLiteral("sheet_mark_entry"));
    dm.ADO_SP_Sort.cancel();
});

const shots::Shot gradeMenuShot("sheet_grade_menu", [](shots::ShotContext& ctx) {
    shots::DemoMainWindow demo(ctx);
    TForm2& window = demo.window();
    openCurrentSheet(demo);
    ui::TQXDBGridEh& grid = *window.QXDBGridEh1;
    const QModelIndex cell = grid.model()->index(3, columnOf(window, QStringLiteral("Ball_name")));
    grid.setCurrentIndex(cell);
    const QRect r = grid.visualRect(cell);
    const QPoint at = grid.viewport()->mapTo(&window, r.bottomLeft());
    shots::saveWithPopup(ctx, &window, window.PopupMenu1, at, QStringLiteral("sheet_grade_menu"));
});

} // namespace
