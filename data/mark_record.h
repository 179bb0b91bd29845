// The mark record: one row of the grade sheet dataset ADO_SP_Sort, filled by the server
// procedure SORT_MARK_MAG and written back to mark_mag by id_mark_mag. Its 58 fields in
// order (the delete audit lists data fields in this order) and the procedure's parameters.
#pragma once

#include "data/dataset_catalogue.h"
#include "platform/db/parameters.h"

namespace qel::data {

// Positions of ADO_SP_Sort's parameters; the window sets them by position.
enum MarkSheetParam {
    MarkSheetReturnValue = 0,
    MarkSheetGroup = 1,
    MarkSheetSemester = 2,
    MarkSheetDiscipline = 3,
    MarkSheetExamination = 4,
    MarkSheetTeacher = 5,
    MarkSheetDoNotShowEst = 6,
    MarkSheetSubgroup = 7,
    MarkSheetIsGetFromSubGroup = 8,
    MarkSheetAcademicYear = 9,
    MarkSheetEbeVar = 10,
    MarkSheetKafedra = 11,
    MarkSheetFormOfStatement = 12,
    MarkSheetKredits = 13,
};

// The procedure filling the sheet, its table and key for write-back.
inline const char* const kMarkSheetProcedure = "SORT_MARK_MAG";
inline const char* const kMarkTable = "mark_mag";
inline const char* const kMarkKey = "id_mark_mag";

// The return value and the thirteen arguments, with their declared types, sizes and
// initial values.
QList<db::Parameter> markSheetParameters();

// The record's fields in order; lookups name their source datasets.
const QList<FieldDecl>& markRecordFields();

} // namespace qel::data
