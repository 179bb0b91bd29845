// Reads the statement of the open grade sheet: the rows of ADO_SP_Sort as the sheet grid
// shows them, their totals, extra columns and grade names computed by the sheet's own
// calculate handler (the rules of rules/, nothing computed here), the header looked up for
// the window's selection and the count of each stored grade.
#pragma once

#include "report/statement.h"

namespace qel::data {
class TDM_CDE_3;
}
namespace qel::rules {
class SheetWindow;
}

namespace qel::report {

// The statement of the sheet open in dm.ADO_SP_Sort for the window's selection; the window
// must be the registered one (rules::sheetWindow()), since the rows are computed for it.
// Refuses (qel::Error naming what is wrong) a sheet that is not open, a row still being
// edited, a scale variant without points, and a column whose formula could not be
// computed for some row: a statement never shows a value the database does not hold, nor
// an empty cell in place of one that failed.
Statement readStatement(data::TDM_CDE_3& dm, rules::SheetWindow& window);

} // namespace qel::report
