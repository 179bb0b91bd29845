// The grade of a total and the name shown for it, by form of control, scale and stored
// grade: interval boundaries, the order of the tests, the composite names, " н/п".
#include "rules/grade_names.h"
#include "rules/mark_sheet_calc.h"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::rules;

namespace {

// The demo's identifiers.
TGradeIds demoGrades()
{
    TGradeIds g;
    g.Excellent = 1, g.Good = 2, g.Satisfactory = 3, g.Credited = 4, g.Attested = 5, g.Absent = 8, g.NotCredited = 9;
    g.NotAttested = 10, g.Unsatisfactory = 11, g.Dash = 20, g.NP = 25;
    return g;
}

TExamIds demoExams()
{
    TExamIds e;
    e.Exam = 1, e.Credit = 2, e.CourseWork = 3, e.CourseProject = 4, e.DiffCredit = 5, e.ControlWork = 6;
    e.FinalGrade = 7, e.Attestation = 8;
    return e;
}

constexpr TGradeInterval kNone{10000, 10000};

// Examination scale 0–61–76–91–101; credit 0–61–101; attestation 0–50–101.
TGradeScale demoScale()
{
    TGradeScale s{kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone};
    s.Unsatisfactory = {0, 61};
    s.Satisfactory = {61, 76};
    s.Good = {76, 91};
    s.Excellent = {91, 101};
    s.NotCredited = {0, 61};
    s.Credited = {61, 101};
    s.NotAttested = {0, 50};
    s.Attested = {50, 101};
    return s;
}

const TGradeIds G = demoGrades();

} // namespace

TEST(ControlKind, ComparesTheKeyWithEachFormsIdentifier)
{
    const TExamIds e = demoExams();
    const struct {
        QVariant key;
        ControlKind kind;
    } cases[] = {{1, ControlKind::Graded},       {3, ControlKind::Graded},     {4, ControlKind::Graded},
                 {5, ControlKind::Graded},       {6, ControlKind::Graded},     {7, ControlKind::Graded},
                 {2, ControlKind::Credit},       {8, ControlKind::Attestation}, {QStringLiteral("2"), ControlKind::Credit},
                 {99, ControlKind::None},        {QVariant(), ControlKind::None}};
    for (const auto& c : cases)
        EXPECT_EQ(controlKindOf(e, c.key), c.kind) << c.key.toString().toStdString();

    // A form the table lacks stays 0 and matches nothing that is selected.
    TExamIds partial = e;
    partial.CourseProject = 0;
    EXPECT_EQ(controlKindOf(partial, 4), ControlKind::None);
}

TEST(GradeNameOf, NamesEveryGradeAndNothingElse)
{
    const struct {
        qint32 id;
        const char* name;
    } cases[] = {{3, "удов"}, {2, "хор"}, {1, "отл"}, {11, "н/у"}, {9, "н/з"}, {4, "зачет"}, {20, "-"}, {8, "н/я"},
                 {10, "н/ат"}, {5, "ат"}, {25, ""}, {0, ""}, {16, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(GradeNameOf(G, c.id), QString::fromUtf8(c.name)) << c.id;
}

TEST(GradeForTotal, IntervalsIncludeTheirLowerBoundOnly)
{
    const TGradeScale s = demoScale();
    const struct {
        ControlKind kind;
        double total;
        qint32 stored;
        qint32 grade;
    } cases[] = {
        {ControlKind::Graded, 0, 8, G.Unsatisfactory},      {ControlKind::Graded, 60.99, 8, G.Unsatisfactory},
        {ControlKind::Graded, 61, 8, G.Satisfactory},       {ControlKind::Graded, 75.99, 8, G.Satisfactory},
        {ControlKind::Graded, 76, 8, G.Good},               {ControlKind::Graded, 91, 8, G.Excellent},
        {ControlKind::Graded, 100.5, 8, G.Excellent},       {ControlKind::Graded, 101, 8, G.Dash},
        {ControlKind::Graded, -1, 8, G.Dash},               {ControlKind::Credit, 60, 8, G.NotCredited},
        {ControlKind::Credit, 61, 8, G.Credited},           {ControlKind::Credit, 0, G.NP, G.NP},
        {ControlKind::Attestation, 49.5, 8, G.NotAttested}, {ControlKind::Attestation, 50, 8, G.Attested},
        {ControlKind::None, 80, 8, G.Dash},
    };
    for (const auto& c : cases)
        EXPECT_EQ(scaleGrade(G, s, c.kind, c.total, c.stored), c.grade) << int(c.kind) << " " << c.total;

    // " н/п" on graded and attestation sheets only when 0 lies in none of the intervals before.
    TGradeScale noFail = s;
    noFail.Unsatisfactory = kNone;
    noFail.NotAttested = kNone;
    EXPECT_EQ(scaleGrade(G, s, ControlKind::Graded, 0, G.NP), G.Unsatisfactory);
    EXPECT_EQ(scaleGrade(G, noFail, ControlKind::Graded, 0, G.NP), G.NP);
    EXPECT_EQ(scaleGrade(G, noFail, ControlKind::Attestation, 0, G.NP), G.NP);
    // Absent has an interval only where the scale gives one.
    TGradeScale absent = noFail;
    absent.Absent = {0, 1};
    EXPECT_EQ(scaleGrade(G, absent, ControlKind::Graded, 0.5, 8), G.Absent);
}

TEST(GradeNameForTotal, ComputedStoredAndCompositeNames)
{
    const TGradeScale s = demoScale();
    TGradeScale noFail = s;
    noFail.Unsatisfactory = kNone;
    TGradeScale noAttestation = s;
    noAttestation.NotAttested = kNone;
    noAttestation.Attested = kNone;
    TGradeScale overlapping = s;
    overlapping.Good = {50, 100};
    overlapping.Satisfactory = {50, 70};

    const std::optional<QString> unset;
    const auto name = [](const char* text) { return std::optional<QString>(QString::fromUtf8(text)); };
    const struct {
        const char* what;
        const TGradeScale& scale;
        ControlKind kind;
        double total;
        qint32 stored;
        bool composite;
        bool below;
        std::optional<QString> expected;
    } cases[] = {
        {"computed equals stored", s, ControlKind::Graded, 80, G.Good, false, false, name("хор")},
        {"composite", s, ControlKind::Graded, 80, G.Satisfactory, true, false, name("хор(удов)")},
        {"no composite on a session statement", s, ControlKind::Graded, 80, G.Satisfactory, false, false, unset},
        {"lower bound", s, ControlKind::Graded, 76, G.Good, true, false, name("хор")},
        {"upper bound belongs to the next", s, ControlKind::Graded, 91, G.Good, true, false, name("отл(хор)")},
        {"stored н/п, graded, 0 in н/у", s, ControlKind::Graded, 0, G.NP, true, false, name("н/у()")},
        {"stored н/п, graded, 0 in nothing", noFail, ControlKind::Graded, 0, G.NP, true, false, name(" н/п")},
        {"stored н/п, credit", s, ControlKind::Credit, 0, G.NP, false, false, name(" н/п")},
        {"credit with the empty name of н/п", s, ControlKind::Credit, 70, G.NP, true, false, name("зачет()")},
        {"credit failed", s, ControlKind::Credit, 40, G.Absent, true, false, name("н/з(н/я)")},
        {"attestation", s, ControlKind::Attestation, 55, G.Attested, true, false, name("ат")},
        {"attestation without its grades", noAttestation, ControlKind::Attestation, 55, G.Dash, true, false, name("-")},
        {"beyond every interval", s, ControlKind::Graded, 150, G.Good, true, false, name("-(хор)")},
        {"overlap: the first in test order", overlapping, ControlKind::Graded, 60, G.Good, true, false, name("хор")},
        {"below minimum, stored н/у", s, ControlKind::Graded, 95, G.Unsatisfactory, false, true, name("н/у")},
        {"below minimum, any statement", s, ControlKind::Graded, 95, G.Good, false, true, name("н/у(хор)")},
        {"no form of control", s, ControlKind::None, 80, G.Good, true, false, unset},
    };
    for (const auto& c : cases) {
        GradeNameInputs in{G, c.scale};
        in.kind = c.kind;
        in.stored = c.stored;
        in.composite = c.composite;
        in.belowMinimum = c.below;
        EXPECT_EQ(scaleGradeName(in, c.total), c.expected) << c.what;
    }
}

TEST(RoundToHundredths, HalfwayAndBeyond)
{
    EXPECT_DOUBLE_EQ(roundToHundredths(72.3449L), 72.34);
    EXPECT_DOUBLE_EQ(roundToHundredths(72.3451L), 72.35);
    EXPECT_DOUBLE_EQ(roundToHundredths(-3.14159L), -3.14);
    EXPECT_DOUBLE_EQ(roundToHundredths(100.0L), 100.0);
}
