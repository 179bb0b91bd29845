#include "rules/grade_names.h"

#include <span>

namespace qel::rules {

namespace {

// Equal decimal texts: the key's text against the identifier's.
bool sameId(const QVariant& key, qint32 id)
{
    switch (key.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
        return key.toLongLong() == id;
    default:
        return key.toString() == QString::number(id);
    }
}

} // namespace

ControlKind controlKindOf(const TExamIds& e, const QVariant& formKey)
{
    if (formKey.isNull())
        return ControlKind::None;
    if (sameId(formKey, e.Attestation))
        return ControlKind::Attestation;
    for (qint32 id : {e.Exam, e.ControlWork, e.FinalGrade, e.CourseProject, e.DiffCredit, e.CourseWork})
        if (sameId(formKey, id))
            return ControlKind::Graded;
    if (sameId(formKey, e.Credit))
        return ControlKind::Credit;
    return ControlKind::None;
}

QString GradeNameOf(const TGradeIds& g, qint32 id)
{
    const struct {
        qint32 id;
        const char* name;
    } names[] = {{g.Satisfactory, "удов"}, {g.Good, "хор"},          {g.Excellent, "отл"}, {g.Unsatisfactory, "н/у"},
                 {g.NotCredited, "н/з"},   {g.Credited, "зачет"},    {g.Dash, "-"},        {g.Absent, "н/я"},
                 {g.NotAttested, "н/ат"},  {g.Attested, "ат"}};
    for (const auto& n : names)
        if (n.id == id)
            return QString::fromUtf8(n.name);
    return {};
}

namespace {

// One step of a form of control's ladder: a grade whose interval of the scale holds the
// total, or the " н/п" rule (a zero total of a row already marked "н/п").
struct Step {
    const TGradeInterval TGradeScale::*interval;   // nullptr: the " н/п" rule
    qint32 TGradeIds::*grade;
};

// The steps each form of control tries in order; the first that holds decides, and a
// total that no step takes gets "-". Not by size: with overlapping intervals the first in
// this order wins.
std::span<const Step> ladderOf(ControlKind kind)
{
    static constexpr Step attestation[] = {{&TGradeScale::NotAttested, &TGradeIds::NotAttested},
                                           {&TGradeScale::Attested, &TGradeIds::Attested},
                                           {nullptr, &TGradeIds::NP},
                                           {&TGradeScale::Absent, &TGradeIds::Absent}};
    static constexpr Step graded[] = {{&TGradeScale::Good, &TGradeIds::Good},
                                      {&TGradeScale::Satisfactory, &TGradeIds::Satisfactory},
                                      {&TGradeScale::Excellent, &TGradeIds::Excellent},
                                      {&TGradeScale::Unsatisfactory, &TGradeIds::Unsatisfactory},
                                      {nullptr, &TGradeIds::NP},
                                      {&TGradeScale::Absent, &TGradeIds::Absent}};
    static constexpr Step credit[] = {{nullptr, &TGradeIds::NP},
                                      {&TGradeScale::Credited, &TGradeIds::Credited},
                                      {&TGradeScale::NotCredited, &TGradeIds::NotCredited},
                                      {&TGradeScale::Absent, &TGradeIds::Absent}};
    switch (kind) {
    case ControlKind::Attestation:
        return attestation;
    case ControlKind::Graded:
        return graded;
    case ControlKind::Credit:
        return credit;
    case ControlKind::None:
        break;
    }
    return {};
}

struct LadderGrade {
    qint32 grade;
    bool notPresented;   // decided by the " н/п" rule
};

// Where total t of a row whose stored grade is s lands on the ladder of its form of control.
LadderGrade climb(const TGradeIds& g, const TGradeScale& sc, ControlKind kind, double t, qint32 s)
{
    for (const Step& step : ladderOf(kind)) {
        if (!step.interval) {
            if (t == 0 && s == g.NP)
                return {g.NP, true};
        } else if ((sc.*step.interval).contains(t)) {
            return {g.*step.grade, false};
        }
    }
    return {g.Dash, false};
}

} // namespace

std::optional<QString> scaleGradeName(const GradeNameInputs& in, double t)
{
    const TGradeIds& g = in.grades;
    const qint32 s = in.stored;
    if (in.belowMinimum)
        return s == g.Unsatisfactory ? QStringLiteral("н/у") : QStringLiteral("н/у(") + GradeNameOf(g, s) + QLatin1Char(')');
    if (in.kind == ControlKind::None)
        return std::nullopt;
    const LadderGrade r = climb(g, in.scale, in.kind, t, s);
    if (r.notPresented)
        return QStringLiteral(" н/п");
    // A computed grade that differs from the stored one shows both where the row allows it.
    const QString name = GradeNameOf(g, r.grade);
    if (s == r.grade)
        return name;
    if (in.composite)
        return name + QLatin1Char('(') + GradeNameOf(g, s) + QLatin1Char(')');
    return std::nullopt;
}

qint32 scaleGrade(const TGradeIds& g, const TGradeScale& sc, ControlKind kind, double b, qint32 s)
{
    return climb(g, sc, kind, b, s).grade;
}

} // namespace qel::rules
