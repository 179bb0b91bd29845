// Dataset event handlers of the data module that belong to no window's rules.
//
// Handlers whose behaviour lives with the rules of the mark sheet (rules/) or of the record
// book (recordbook/) are bound here and, until those folders define them, have empty
// bodies below: move each definition to its folder and delete it from this file.
#include "data/dm_cde_3.h"

namespace qel::data {

// Neither the sheet nor the student codes list ever gets a new row from the client.
void TDM_CDE_3::ADO_SP_SortBeforeInsert(db::DataSet&) { abortSilently(); }
void TDM_CDE_3::ADOQ_StudentsBeforeInsert(db::DataSet&) { abortSilently(); }

// Tells the main window to reload student names and codes after the codes window.
void TDM_CDE_3::ADOQ_StudentsAfterPost(db::DataSet&) { StudentsChanged = true; }

// ---- to be defined in rules/ (mark sheet) ---------------------------------------------------
void TDM_CDE_3::ADO_SP_SortBeforeOpen(db::DataSet&) {}
void TDM_CDE_3::ADO_SP_SortAfterOpen(db::DataSet&) {}
void TDM_CDE_3::ADO_SP_SortBeforeEdit(db::DataSet&) {}
void TDM_CDE_3::ADO_SP_SortAfterEdit(db::DataSet&) {}
void TDM_CDE_3::ADO_SP_SortBeforePost(db::DataSet&) {}
void TDM_CDE_3::ADO_SP_SortAfterCancel(db::DataSet&) {}
void TDM_CDE_3::ADO_SP_SortBeforeDelete(db::DataSet&) {}
void TDM_CDE_3::ADO_SP_SortCalcFields(db::DataSet&) {}
void TDM_CDE_3::ADO_SP_SortEditError(db::DataSet&, const qel::Error&, db::DataAction&) {}
void TDM_CDE_3::ADO_SP_SortPostError(db::DataSet&, const qel::Error&, db::DataAction&) {}

// ---- to be defined in recordbook/ (record book) ---------------------------------------------
void TDM_CDE_3::ADOQ_markmagByStudentAfterInsert(db::DataSet&) {}
void TDM_CDE_3::ADOQ_markmagByStudentBeforeEdit(db::DataSet&) {}
void TDM_CDE_3::ADOQ_markmagByStudentBeforePost(db::DataSet&) {}

} // namespace qel::data
