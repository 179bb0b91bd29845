#include "rules/grade_names.h"

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

std::optional<QString> gradeNameForTotal(const GradeNameInputs& in, double t)
{
    const TGradeIds& g = in.grades;
    const TGradeScale& sc = in.scale;
    const qint32 s = in.stored;
    const auto composite = [&](qint32 grade, const char* name) -> std::optional<QString> {
        const QString n = QString::fromUtf8(name);
        if (s == grade)
            return n;
        if (in.composite)
            return n + QLatin1Char('(') + GradeNameOf(g, s) + QLatin1Char(')');
        return std::nullopt;
    };
    const bool notPresented = t == 0 && s == g.NP;
    const QString np = QStringLiteral(" н/п");

    if (in.belowMinimum)
        return s == g.Unsatisfactory ? QStringLiteral("н/у")
                                     : QStringLiteral("н/у(") + GradeNameOf(g, s) + QLatin1Char(')');
    switch (in.kind) {
    case ControlKind::Attestation:
        if (sc.NotAttested.contains(t))
            return composite(g.NotAttested, "н/ат");
        if (sc.Attested.contains(t))
            return composite(g.Attested, "ат");
        if (notPresented)
            return np;
        if (sc.Absent.contains(t))
            return composite(g.Absent, "н/я");
        return composite(g.Dash, "-");
    case ControlKind::Graded:
        // Not by size: with overlapping intervals the first in this order wins.
        if (sc.Good.contains(t))
            return composite(g.Good, "хор");
        if (sc.Satisfactory.contains(t))
            return composite(g.Satisfactory, "удов");
        if (sc.Excellent.contains(t))
            return composite(g.Excellent, "отл");
        if (sc.Unsatisfactory.contains(t))
            return composite(g.Unsatisfactory, "н/у");
        if (notPresented)
            return np;
        if (sc.Absent.contains(t))
            return composite(g.Absent, "н/я");
        return composite(g.Dash, "-");
    case ControlKind::Credit:
        if (notPresented)
            return np;
        if (sc.Credited.contains(t))
            return composite(g.Credited, "зачет");
        if (sc.NotCredited.contains(t))
            return composite(g.NotCredited, "н/з");
        if (sc.Absent.contains(t))
            return composite(g.Absent, "н/я");
        return composite(g.Dash, "-");
    case ControlKind::None:
        break;
    }
    return std::nullopt;
}

qint32 gradeForTotal(const TGradeIds& g, const TGradeScale& sc, ControlKind kind, double b, qint32 s)
{
    const bool notPresented = b == 0 && s == g.NP;
    switch (kind) {
    case ControlKind::Attestation:
        if (sc.NotAttested.contains(b))
            return g.NotAttested;
        if (sc.Attested.contains(b))
            return g.Attested;
        if (notPresented)
            return g.NP;
        if (sc.Absent.contains(b))
            return g.Absent;
        return g.Dash;
    case ControlKind::Graded:
        if (sc.Good.contains(b))
            return g.Good;
        if (sc.Satisfactory.contains(b))
            return g.Satisfactory;
        if (sc.Excellent.contains(b))
            return g.Excellent;
        if (sc.Unsatisfactory.contains(b))
            return g.Unsatisfactory;
        if (notPresented)
            return g.NP;
        if (sc.Absent.contains(b))
            return g.Absent;
        return g.Dash;
    case ControlKind::Credit:
        if (notPresented)
            return g.NP;
        if (sc.Credited.contains(b))
            return g.Credited;
        if (sc.NotCredited.contains(b))
            return g.NotCredited;
        if (sc.Absent.contains(b))
            return g.Absent;
        return g.Dash;
    case ControlKind::None:
        break;
    }
    return g.Dash;
}

} // namespace qel::rules
