// The calculated fields of the mark sheet on the demo database: formula values and their
// rounding, marks entering as integers, " н/п" rows, grade names on ordinary and session
// statements and extramural groups, the minimum-checkpoint rule, faulty formulas, row
// numbers, and the scale loading.
#include "data/dm_cde_3.h"
#include "formula/parser.h"
#include "platform/db/value_convert.h"
#include "rules/grade_scale.h"
#include "rules/mark_sheet_calc.h"
#include "tests/rules/rules_fixture.h"
#include "tests/support/modal.h"

#include <QApplication>

using namespace qel;

namespace {

using test::RulesTest;

const char* const kSheet = "id_group = 1 AND id_semester = 3 AND id_discipline = 9 AND id_f_est = 1";

// Sets columns of one student's row of the sheet.
void setRow(test::DemoFixture& fx, int student, const QString& assignments, const char* sheet = kSheet)
{
    fx.admin(QStringLiteral("UPDATE mark_mag SET %1 WHERE %2 AND id_student = %3")
                 .arg(assignments, QString::fromLatin1(sheet))
                 .arg(student));
}

void setModulesFormula(test::DemoFixture& fx, const QString& formula)
{
    fx.admin(QStringLiteral("UPDATE est_config SET formula = ? WHERE id_ebe_var = 1 AND name_pole = 'Сумма модулей'"),
             {formula});
}

} // namespace

TEST_F(RulesTest, FormulaValuesAreRoundedToHundredthsAndCompiledAtEachOpening)
{
    // Student 1 has m1 = 18, m2 = 10 and nothing else.
    const struct {
        const char* formula;
        double calc1;
    } cases[] = {{"M1*0+72.3449", 72.34}, {"M1*0+72.3451", 72.35}, {"M2/3", 3.33}, {"M1+M2+M3", 28}, {"", 0}};
    for (const auto& c : cases) {
        setModulesFormula(*fx, QString::fromLatin1(c.formula));
        openSheet();
        const int row = rowOfStudent(1);
        ASSERT_GE(row, 0);
        EXPECT_DOUBLE_EQ(value(row, "calc1").toDouble(), c.calc1) << c.formula;
        EXPECT_DOUBLE_EQ(value(row, "ball1").toDouble(), 28) << c.formula;
    }
    EXPECT_EQ(dialogs->count(), 0) << dialogs->texts().join('|').toStdString();
}

TEST_F(RulesTest, CompiledOnceTheFormulasGiveWhatAParserFedEachRowGives)
{
    setRow(*fx, 2, QStringLiteral("m3 = 7.5, m4 = 13, dop = 2.5, dop2 = 4"));
    const char* const formulas[] = {"M1+M2*M3",      "MAX(M1,MAX(M2,M3))", "SQRT(M1*M2)",   "M1^2/7",
                                    "(M1+M2)DIV3",   "M1MOD7",             "PH(M1)",        "SIN(M2)+COS(M1)",
                                    "M1/0.7+M2/3",   "EXP(M2/10)",         "-M1+DOP2*DOP",  "M4^-1+HEAV(M3-1)"};
    const char* const variables[] = {"m1", "m2", "m3", "m4", "m5", "m6", "m7", "m8", "m9", "m10", "m11", "m12", "dop", "dop2"};
    for (const char* formula : formulas) {
        setModulesFormula(*fx, QString::fromLatin1(formula));
        openSheet();
        for (int row = 0; row < fx->dm->ADO_SP_Sort.recordCount(); ++row) {
            TParser fresh;
            for (const char* v : variables)
                fresh.SetVariable(QString::fromLatin1(v), db::convert::toInteger(value(row, v)));
            fresh.setExpression(QString::fromLatin1(formula));
            std::optional<double> expected;
            try {
                expected = rules::roundToHundredths(fresh.Value());
            } catch (const EArithmeticFault&) {
            }
            const QVariant calc1 = value(row, "calc1");
            EXPECT_EQ(calc1.isNull(), !expected.has_value()) << formula << " row " << row;
            if (expected) {
                EXPECT_EQ(calc1.toDouble(), *expected) << formula << " row " << row;
            }
        }
    }
}

TEST_F(RulesTest, MarksEnterTheFormulasAsIntegersRoundedHalfToEven)
{
    setRow(*fx, 1, QStringLiteral("m1 = 7.5, m2 = NULL"));
    setRow(*fx, 2, QStringLiteral("m1 = 6.5, m2 = 2.5, m3 = NULL"));
    setRow(*fx, 3, QStringLiteral("m1 = 8.4999, m2 = 3.5, m4 = 0.5, dop = 1.5"));
    const struct {
        int student;
        double calc1;   // M1+M2+M3
        double ball1;   // M1+M2+M3+M4+DOP
    } cases[] = {{1, 8, 8}, {2, 8, 8}, {3, 12, 14}};
    openSheet();
    for (const auto& c : cases) {
        const int row = rowOfStudent(c.student);
        EXPECT_DOUBLE_EQ(value(row, "calc1").toDouble(), c.calc1) << c.student;
        EXPECT_DOUBLE_EQ(value(row, "ball1").toDouble(), c.ball1) << c.student;
    }
}

TEST_F(RulesTest, ANotPresentedRowTotalsZeroWithoutItsFormulas)
{
    setRow(*fx, 1, QStringLiteral("id_estimation = 25, m3 = 20, m4 = 30"));
    openSheet();
    const int row = rowOfStudent(1);
    EXPECT_DOUBLE_EQ(value(row, "ball1").toDouble(), 0);
    EXPECT_FALSE(value(row, "ball1").isNull());
    EXPECT_TRUE(value(row, "calc1").isNull());
    // 0 lies in the "н/у" interval of the examination scale, and " н/п" has no name.
    EXPECT_EQ(value(row, "ball_name").toString(), QStringLiteral("н/у()"));
}

TEST_F(RulesTest, GradeNameFollowsTheTotalOrTheStoredGrade)
{
    // ИВТ-24 studies full-time: the name follows the total, with the stored grade added.
    setRow(*fx, 2, QStringLiteral("id_estimation = 11"));
    setRow(*fx, 3, QStringLiteral("m1 = 20, m2 = 20, m3 = 20, m4 = 20, id_estimation = 3"));
    openSheet();
    EXPECT_EQ(value(rowOfStudent(1), "ball_name").toString(), QStringLiteral("н/у(н/я)"));   // 28 points, stored н/я
    EXPECT_EQ(value(rowOfStudent(2), "ball_name").toString(), QStringLiteral("н/у"));        // stored н/у
    EXPECT_EQ(value(rowOfStudent(3), "ball_name").toString(), QStringLiteral("хор(удов)"));  // 80 points, stored удов

    // ИВТз-24 is extramural: the stored grade is shown whatever the points; a grade without
    // an interval leaves the name to the total, which names no stored grade here.
    window.group = 3;
    const char* extramural = "id_group = 3 AND id_semester = 3 AND id_discipline = 9 AND id_f_est = 1";
    setRow(*fx, 19, QStringLiteral("id_estimation = 2, m1 = 1"), extramural);
    setRow(*fx, 20, QStringLiteral("id_estimation = 11, m1 = 95"), extramural);
    setRow(*fx, 21, QStringLiteral("id_estimation = 9"), extramural);
    openSheet();
    ASSERT_EQ(fx->dm->ADO_SP_Sort.recordCount(), 6);
    EXPECT_EQ(value(rowOfStudent(19), "ball_name").toString(), QStringLiteral("хор"));
    EXPECT_EQ(value(rowOfStudent(20), "ball_name").toString(), QStringLiteral("н/у"));
    EXPECT_TRUE(value(rowOfStudent(21), "ball_name").isNull());
}

TEST_F(RulesTest, MinimumCheckpointRuleLetsExactlySixtyOnePercentPass)
{
    // Maxima: m1..m3 20 (61 % = 12.2), m4 30 (18.3); dop, the total and the extra column
    // (no field) are not tested.
    setRow(*fx, 1, QStringLiteral("m1 = 20, m2 = 20, m3 = 20, m4 = 18.3, dop = 0"));
    setRow(*fx, 2, QStringLiteral("m1 = 20, m2 = 20, m3 = 20, m4 = 18.29, dop = 0"));
    setRow(*fx, 3, QStringLiteral("m1 = 20, m2 = 20, m3 = NULL, m4 = 30, dop = 0"));
    setRow(*fx, 4, QStringLiteral("m1 = 12.2, m2 = 12.2, m3 = 12.2, m4 = 18.3, dop = 10"));
    setRow(*fx, 5, QStringLiteral("m1 = 20, m2 = 20, m3 = 20, m4 = 30, dop = 0, id_estimation = 11"));
    const struct {
        int student;
        const char* ruleOn;
        const char* ruleOff;
    } cases[] = {{1, "хор(н/я)", "хор(н/я)"},
                 {2, "н/у(н/я)", "хор(н/я)"},
                 {3, "н/у(н/я)", "удов(н/я)"},
                 {4, "удов(н/я)", "удов(н/я)"},
                 {5, "хор(н/у)", "хор(н/у)"}};
    for (bool on : {true, false}) {
        fx->dm->MinimumCheckpointRule = on;
        openSheet();
        for (const auto& c : cases)
            EXPECT_EQ(value(rowOfStudent(c.student), "ball_name").toString(),
                      QString::fromUtf8(on ? c.ruleOn : c.ruleOff))
                << c.student << (on ? " on" : " off");
    }

    fx->dm->MinimumCheckpointRule = true;
    openSheet();
    db::StoredProc& sp = fx->dm->ADO_SP_Sort;
    for (const auto& c : cases) {
        sp.setRecNo(rowOfStudent(c.student) + 1);
        EXPECT_EQ(rules::CheckpointBelowMinimum(*fx->dm, sp), c.student == 2 || c.student == 3) << c.student;
    }
}

TEST_F(RulesTest, AFaultyFormulaIsReportedOnceAndLeavesItsCellsEmpty)
{
    const struct {
        const char* formula;
        const char* message;
        QList<int> emptyFor;   // students whose cell stays empty (m2 = 10 or all of them)
    } cases[] = {{"M1+/M2", "Error parsing expression", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
                 {"100/(M2-10)", "Division by zero", {1, 5}}};
    for (const auto& c : cases) {
        setModulesFormula(*fx, QString::fromLatin1(c.formula));
        for (int opening = 0; opening < 2; ++opening) {
            dialogs->clear();
            openSheet();
            db::StoredProc& sp = fx->dm->ADO_SP_Sort;
            // Rows are read over and over as the grid paints and scrolls.
            for (int pass = 0; pass < 3; ++pass) {
                for (int row = 0; row < sp.recordCount(); ++row) {
                    const int student = value(row, "id_student").toInt();
                    EXPECT_EQ(value(row, "calc1").isNull(), c.emptyFor.contains(student)) << c.formula << " " << student;
                    EXPECT_FALSE(value(row, "ball1").isNull()) << c.formula;
                    EXPECT_FALSE(value(row, "ball_name").isNull()) << c.formula;
                }
                sp.invalidateCalculations();
                sp.last();
                sp.first();
            }
            QApplication::processEvents();
            ASSERT_EQ(dialogs->count(), 1) << c.formula << " opening " << opening;
            const test::RecordedMessage& m = dialogs->last();
            EXPECT_EQ(m.title, QStringLiteral("Warning!"));
            EXPECT_EQ(m.icon, ui::MsgIcon::Warning);
            EXPECT_TRUE(m.text.contains(QStringLiteral("\"Сумма модулей\""))) << m.text.toStdString();
            EXPECT_TRUE(m.text.contains(QString::fromLatin1(c.formula))) << m.text.toStdString();
            EXPECT_TRUE(m.text.contains(QString::fromLatin1(c.message))) << m.text.toStdString();
            QApplication::processEvents();
            EXPECT_EQ(dialogs->count(), 1);
        }
    }
}

TEST_F(RulesTest, BeyondTenExtraColumnsTheRestStayEmptyAndTheUserIsTold)
{
    // Eleven more extra columns after the configuration's own "Сумма модулей".
    for (int k = 1; k <= 11; ++k)
        fx->admin(QStringLiteral("INSERT INTO est_config (id_ebe_var, id_f_est, pole_mark_mag, name_pole, order_pole, min, "
                                 "max, info_or_value, formula) VALUES (1, NULL, '', ?, ?, 0, 100, 0, ?)"),
                  {QStringLiteral("Доп. %1").arg(k), 10 + k, QStringLiteral("M1+%1").arg(k)});
    openSheet();
    const int row = rowOfStudent(1);   // m1 = 18, m2 = 10
    EXPECT_DOUBLE_EQ(value(row, "calc1").toDouble(), 28);
    for (int n = 2; n <= 10; ++n)
        EXPECT_DOUBLE_EQ(value(row, QStringLiteral("calc%1").arg(n).toLatin1().constData()).toDouble(), 18 + n - 1) << n;
    EXPECT_DOUBLE_EQ(value(row, "ball1").toDouble(), 28);
    rules::reportSheetProblems(*fx->dm);
    ASSERT_EQ(dialogs->count(), 1);
    EXPECT_TRUE(dialogs->last().text.contains(QStringLiteral("\"Доп. 10\", \"Доп. 11\""))) << dialogs->last().text.toStdString();
    EXPECT_FALSE(dialogs->last().text.contains(QStringLiteral("\"Доп. 9\"")));
}

TEST_F(RulesTest, RowNumbersAndNothingWithoutAGridShowingTheSheet)
{
    openSheet();
    db::StoredProc& sp = fx->dm->ADO_SP_Sort;
    // Read without moving: each row its own number, also after sorting.
    for (int row = 0; row < sp.recordCount(); ++row)
        EXPECT_EQ(value(row, "No").toInt(), row + 1);
    sp.setSort(QStringLiteral("id_student DESC"));
    for (int row = 0; row < sp.recordCount(); ++row)
        EXPECT_EQ(value(row, "No").toInt(), row + 1);
    EXPECT_EQ(sp.currentRow(), sp.recordCount() - 1);   // the first row stayed current

    // No form of control: no grade name and no number; no grid: nothing at all.
    window.examination = QVariant();
    sp.invalidateCalculations();
    EXPECT_TRUE(value(0, "No").isNull());
    EXPECT_TRUE(value(0, "ball_name").isNull());
    EXPECT_FALSE(value(0, "ball1").isNull());
    window.grid = nullptr;
    sp.invalidateCalculations();
    EXPECT_TRUE(value(0, "ball1").isNull());
    EXPECT_TRUE(value(0, "calc1").isNull());
}

TEST_F(RulesTest, EditingAMarkRecomputesTheRowBeforeItIsPosted)
{
    openSheet();
    db::StoredProc& sp = fx->dm->ADO_SP_Sort;
    sp.setRecNo(rowOfStudent(1) + 1);
    sp.edit();
    sp.fieldByName(QStringLiteral("m3")).setAsFloat(20);
    sp.fieldByName(QStringLiteral("m4")).setAsFloat(30);
    EXPECT_DOUBLE_EQ(sp.fieldByName(QStringLiteral("calc1")).asFloat(), 48);
    EXPECT_DOUBLE_EQ(sp.fieldByName(QStringLiteral("ball1")).asFloat(), 78);
    EXPECT_EQ(sp.fieldByName(QStringLiteral("ball_name")).asString(), QStringLiteral("хор(н/я)"));
    EXPECT_EQ(sp.fieldByName(QStringLiteral("No")).asInteger(), rowOfStudent(1) + 1);
    sp.cancel();
    EXPECT_DOUBLE_EQ(sp.fieldByName(QStringLiteral("ball1")).asFloat(), 28);
    // The grade stored for the stored total.
    EXPECT_EQ(rules::GradeForTotal(*fx->dm, window, sp), window.state.GradeIds.Unsatisfactory);
}

TEST_F(RulesTest, LoadGradeScaleReadsTheVariantsBoundsAndSpecialGrades)
{
    TGradeScale& s = window.state.GradeScale;
    data::TDM_CDE_3& dm = *fx->dm;
    const struct {
        int variant;
        bool missing;
        bool special;
        TGradeInterval good, credited, absent;
    } cases[] = {{1, false, false, {76, 91}, {10000, 10000}, {10000, 10000}},
                 {4, false, true, {76, 91}, {10000, 10000}, {10000, 10000}},
                 {2, false, false, {10000, 10000}, {61, 101}, {10000, 10000}},
                 {99, true, false, {10000, 10000}, {10000, 10000}, {10000, 10000}}};
    for (const auto& c : cases) {
        dialogs->clear();
        window.specialGradeCalls.clear();
        window.variant = c.variant;
        rules::LoadGradeScale(dm, window);
        EXPECT_EQ(dm.ScaleMissing, c.missing) << c.variant;
        EXPECT_EQ(s.Good.beg_bal, c.good.beg_bal) << c.variant;
        EXPECT_EQ(s.Good.end_bal, c.good.end_bal) << c.variant;
        EXPECT_EQ(s.Credited.beg_bal, c.credited.beg_bal) << c.variant;
        EXPECT_EQ(s.Absent.end_bal, c.absent.end_bal) << c.variant;
        if (c.missing) {
            ASSERT_EQ(dialogs->count(), 1);
            EXPECT_EQ(dialogs->last().text, QStringLiteral("Нет информации о баллах."));
            EXPECT_EQ(dialogs->last().title, QStringLiteral("Error"));
            EXPECT_EQ(dialogs->last().icon, ui::MsgIcon::Error);
            EXPECT_TRUE(window.specialGradeCalls.isEmpty());
        } else {
            EXPECT_EQ(dialogs->count(), 0);
            EXPECT_EQ(window.specialGradeCalls, QList<bool>{c.special}) << c.variant;
        }
    }
}
