// The mark sheet dataset's handlers of the data module (ADO_SP_Sort), defined beside the
// rules they run.
#include "data/dm_cde_3.h"
#include "data/loading_window.h"
#include "rules/mark_sheet_calc.h"
#include "rules/sheet_window.h"

namespace qel::data {

// Each opening compiles the formulas of the configuration it opens with; the loading window
// stays up until the rows are read.
void TDM_CDE_3::ADO_SP_SortBeforeOpen(db::DataSet&)
{
    showLoadingWindow();
    if (!SheetCalc)
        SheetCalc = std::make_shared<rules::MarkSheetCalc>(*this);
    SheetCalc->prepare();
}

void TDM_CDE_3::ADO_SP_SortAfterOpen(db::DataSet&) { destroyLoadingWindow(); }

void TDM_CDE_3::ADO_SP_SortCalcFields(db::DataSet& DataSet)
{
    rules::markSheetCalc(*this).calculate(DataSet, rules::sheetWindow());
}

// ---- come with the posting, editing and deleting rules ----------------------------------------
void TDM_CDE_3::ADO_SP_SortBeforeEdit(db::DataSet&) {}
void TDM_CDE_3::ADO_SP_SortAfterEdit(db::DataSet&) {}
void TDM_CDE_3::ADO_SP_SortBeforePost(db::DataSet&) {}
void TDM_CDE_3::ADO_SP_SortAfterCancel(db::DataSet&) {}
void TDM_CDE_3::ADO_SP_SortBeforeDelete(db::DataSet&) {}
void TDM_CDE_3::ADO_SP_SortEditError(db::DataSet&, const qel::Error&, db::DataAction&) {}
void TDM_CDE_3::ADO_SP_SortPostError(db::DataSet&, const qel::Error&, db::DataAction&) {}

} // namespace qel::data
