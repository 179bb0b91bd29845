// The grade sheet's use of the grid events component: how F4_QX_DM_CDE_3 is set up on the
// sheet grid, and the confirmation of a deletion with the TForm1 window. The main window
// calls these from its creation and from its confirmation handler.
#pragma once

#include "grid/qx_dbgrid_events.h"

#include <memory>

namespace qel::ui {
class TQXDBGridEh;
}

namespace qel::grid {

class TForm1;

// Sets the component up on the sheet grid: the grid served, the unique field (by name in
// the grid's dataset), copy and delete switched on, the sheet's colours and fonts, the
// confirmation handler, a key-down handler that does nothing and the cell painter. The
// component stays inactive (activating it would reopen the dataset).
void configureSheetGridEvents(TQXDBGridEvents& events, ui::TQXDBGridEh& sheetGrid, const QString& uniqueFieldName,
                              TQXDBEOnConfirmDelete confirmDelete, ui::DrawColumnCellHandler drawColumnCell);

// The confirmation window for the selected rows of the sheet grid, filled: one column per
// grid column (a hidden one stays an empty column without title), one row per selected row
// still in the dataset, in selection order, the count and the question. The dataset is left
// on the last listed row. nullptr when no row is selected. A failure moving the dataset is
// passed on and the window is freed.
std::unique_ptr<TForm1> buildDeleteConfirmation(ui::TQXDBGridEh& sheetGrid);

// Asks whether the selected rows of the sheet grid may be deleted. Returns false at once
// when no row is selected: nothing was asked and canDelete keeps its value. Otherwise shows
// the window modally and sets canDelete to whether it was closed with Да; the window is freed
// before returning, also when filling it raised (the error is passed on, so the caller's
// operation stops and deletes nothing).
bool confirmRowsDeletion(ui::TQXDBGridEh& sheetGrid, bool& canDelete);

} // namespace qel::grid
