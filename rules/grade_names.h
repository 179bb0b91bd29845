// The grade a total falls into and the name shown for it, by the form of control of the
// sheet, the points scale of the selected variant and the row's stored grade. Pure rules:
// the record-level operations (grade_scale.h) gather their inputs and call these.
#pragma once

#include "data/session_state.h"

#include <QString>
#include <QVariant>
#include <optional>

namespace qel::rules {

// Grades the sheet's rules write by their fixed identifiers, not by their names.
constexpr qint32 kGradeBelowMinimum = 11;   // a checkpoint below its minimum
constexpr qint32 kGradeNotPresented = 25;   // "н/п": the student does not take the discipline

// How a form of control is graded.
enum class ControlKind {
    None,          // none selected, or a form the rules do not grade
    Attestation,   // "н/ат", "ат"
    Graded,        // examinations and the other forms graded "отл" … "н/у"
    Credit,        // "зачет", "н/з"
};

// The kind of the form of control whose key is given; the key is compared as decimal text
// with the identifiers (attestation first, then the six graded forms, then credit).
ControlKind controlKindOf(const TExamIds& exams, const QVariant& formKey);

// The name of a grade identifier; empty for " н/п", an empty grade and anything unknown.
QString GradeNameOf(const TGradeIds& grades, qint32 id);

// Everything the name of a total depends on besides the total itself.
struct GradeNameInputs {
    const TGradeIds& grades;
    const TGradeScale& scale;
    ControlKind kind = ControlKind::None;
    qint32 stored = 0;          // the row's id_estimation
    bool composite = false;     // the row's sessiya is 0 and the group's o_z_d is 0 or 2
    bool belowMinimum = false;  // the minimum-checkpoint test holds for the row
};

// The name ball_name gets for total t on the points scale; nullopt leaves it unset. A
// computed grade that differs from the stored one is shown with the stored grade in
// parentheses («хор(удов)») when the inputs allow the composite form.
std::optional<QString> scaleGradeName(const GradeNameInputs& in, double t);

// The grade the points scale gives total b of a row whose stored grade is s. The
// record-level rule that reads the row and the window is GradeForTotal (grade_scale.h).
qint32 scaleGrade(const TGradeIds& grades, const TGradeScale& scale, ControlKind kind, double b, qint32 s);

} // namespace qel::rules
