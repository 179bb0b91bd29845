// The reference loading that ends a successful login: the lookup sources of the mark
// record, the user's statement forms and groups, two institution settings, and the
// identifiers of the named forms of control and grades.
#pragma once

#include <QStringList>

class QProgressBar;

namespace qel {

namespace data {
class TDM_CDE_3;
}
struct SessionState;

// Runs the steps in order, advancing the bar nine times (its maximum is 14) and letting
// the interface repaint at each step. Any database error propagates; the fields set so far
// keep their values.
void loadReferenceIdentifiers(data::TDM_CDE_3& dm, SessionState& session, QProgressBar* bar);

// The value given to a grade identifier whose name the estimation table lacks: negative,
// so it matches no stored grade (an empty grade reads as 0), and distinct per grade.
qint32 missingGradeId(int gradeIndex);

} // namespace qel
