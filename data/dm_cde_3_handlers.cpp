// Dataset event handlers of the data module that belong to no window's rules.
//
// The other handlers of the mark sheet are defined with its rules (rules/), those of the
// record book with its window (recordbook/).
#include "data/dm_cde_3.h"

namespace qel::data {

// Neither the sheet nor the student codes list ever gets a new row from the client.
void TDM_CDE_3::ADO_SP_SortBeforeInsert(db::DataSet&) { abortSilently(); }
void TDM_CDE_3::ADOQ_StudentsBeforeInsert(db::DataSet&) { abortSilently(); }

// Tells the main window to reload student names and codes after the codes window.
void TDM_CDE_3::ADOQ_StudentsAfterPost(db::DataSet&) { StudentsChanged = true; }

} // namespace qel::data
