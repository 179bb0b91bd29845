// The points scale of the selected grading-scale variant and the grade operations on the
// current mark record: loading the scale, the minimum-checkpoint test, the grade name
// shown for a total and the grade stored for the total.
#pragma once

#include "rules/grade_names.h"

#include <QString>

namespace qel::data {
class TDM_CDE_3;
}
namespace qel::db {
class DataSet;
}

namespace qel::rules {

class SheetWindow;

// Loads the scale of the window's selected variant into its session's GradeScale, sets
// the data module's ScaleMissing, opens the variant's special grades and shows or hides
// the special-grade column by whether there are any. A variant without scale rows is
// reported ("Нет информации о баллах.") and leaves every bound at 10000.
void LoadGradeScale(data::TDM_CDE_3& dm, SheetWindow& window);

// With the minimum-checkpoint rule on: whether a configured field of the record (other
// than "ball1" and "dop") is below 61 % of its column's maximum. Configuration rows that
// name no field of the record (the extra computed columns) are not tested.
bool CheckpointBelowMinimum(data::TDM_CDE_3& dm, db::DataSet& record);

// Sets ball_name of the record for total t, or leaves it unset.
void SetGradeName(data::TDM_CDE_3& dm, SheetWindow& window, db::DataSet& record, double t);

// The grade for the record's stored total ball.
qint32 GradeForTotal(data::TDM_CDE_3& dm, SheetWindow& window, db::DataSet& record);

// The group's form of study (o_z_d of ADOQ_g_s's current row); -1 when it is not known.
int groupStudyForm(data::TDM_CDE_3& dm);

// Whether grade names may take the composite form for a row: the row is not on a session
// statement and the group studies full-time (0) or in form 2.
inline bool compositeAllowed(int sessiya, int studyForm) { return sessiya == 0 && (studyForm == 0 || studyForm == 2); }

} // namespace qel::rules
