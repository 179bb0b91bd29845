#include "formula/compiler.h"
#include "formula/parser.h"
#include "tests/formula/formula_outcome.h"

#include <gtest/gtest.h>

using qel::test::compileOutcome;

namespace {

struct Case {
    const char* formula;
    const char* outcome;
};

QString joined(QString part, const char* op, int count)
{
    QStringList parts;
    for (int i = 0; i < count; ++i)
        parts << part;
    return parts.join(QLatin1String(op));
}

} // namespace

// The operand restrictions decide grouping; the operation list shows it.
TEST(FormulaCompiler, GroupingAndKinds)
{
    const Case cases[] = {
        {"A+B+C", "okSum B C; okSum A $1"},
        {"A-B-C", "okDifference A B; okDifference $1 C"},
        {"A-B+C", "okDifference A B; okSum $1 C"},
        {"A+B-C", "okDifference B C; okSum A $1"},
        {"A*B/C", "okQuotient B C; okProduct A $1"},
        {"A*BDIVC", "okIntQuotient B C; okProduct A $1"},
        {"A/B*C", "okQuotient A B; okProduct $1 C"},
        {"A/B/C", "okQuotient A B; okQuotient $1 C"},
        {"ADIVBMODC", "okIntQuotient A B; okRemainder $1 C"},
        {"-A^2", "okSquare A; okNegate $1"},
        {"-A*B", "okNegate A; okProduct $1 B"},
        {"-(A+B)", "okSum A B; okNegate $1"},
        {"2^3*4", "okCube 2; okProduct $1 4"},
        {"A*-2", "okProduct A -2"},
        {"A+-2", "okSum A -2"},
        {"A--2", "okDifference A -2"},
        {"A^-1", "okIntPower A -1"},
        {"A^2", "okSquare A"},
        {"A^2.0", "okSquare A"},
        {"A^+4", "okFourthPower A"},
        {"A^2.5", "okRealPower A 2.5"},
        {"A^5", "okIntPower A 5"},
        {"A^0", "okIntPower A 0"},
        {"A^3000000000", "okRealPower A 3000000000"},
        {"2^A", "okRealPower 2 A"},
        {"A^(2)", "okRealPower A 2"},
        {"(A)^B", "okRealPower A B"},
        {"SIN(A)^2", "okFunction1 SIN A; okSquare $1"},
        {"MAX(A,B)", "okFunction2 MAX A B"},
        {"MAX((A),B)", "okFunction2 MAX A B"},
        {"max(a,(((b))))", "okFunction2 MAX A B"},
        {"SIN((A))", "okFunction1 SIN A"},
        {"SIN((A)+(B))", "okSum A B; okFunction1 SIN $1"},
        {"(((A+B)))", "okSum A B"},
        {"(A)*(B)", "okProduct A B"},
        {"  a+b  ", "okSum A B"},
        {"(A+B)*(C+D)", "okSum A B; okSum C D; okProduct $1 $2"},
        {"MAX(A,B)*0.4+(C+D)/2", "okFunction2 MAX A B; okSum C D; okProduct $1 0.4; okQuotient $2 2; okSum $3 $4"},
        {"A+A", "okSum A A"},
        {"7MOD2", "okRemainder 7 2"},
        {"-7MOD2", "okRemainder -7 2"},
        // A lone variable or constant is the pass-through operation.
        {"X", "okVariable X"},
        {"5", "okVariable 5"},
        {"((T))", "okVariable T"},
        {"PI", "okVariable 3.14159265358979"},
        {"-PI", "okVariable -3.14159265358979"},
        // Number literals of the fixed format.
        {"E5", "okVariable 0"},
        {".", "okVariable 0"},
        {"5.", "okVariable 5"},
        {".5", "okVariable 0.5"},
        {"-1.5E-2", "okVariable -0.015"},
        {"+2E+3", "okVariable 2000"},
        // Numbers are tried before sums and differences.
        {"E+5", "okVariable 0"},
        {"E-5", "okVariable 0"},
        {"(E+5)*2", "okProduct 0 2"},
        {"2*E+5", "okProduct 2 E; okSum $1 5"},
        {"-E", "okNegate E"},
        // A sign alone is a literal with a missing mantissa.
        {"A+-", "okSum A -0"},
    };
    qel::TParser parser;
    for (const Case& c : cases)
        EXPECT_EQ(compileOutcome(parser, QString::fromUtf8(c.formula)), QString::fromUtf8(c.outcome)) << c.formula;
}

TEST(FormulaCompiler, ErrorsAndTheirMessages)
{
    const Case cases[] = {
        {"A + B", "EExpressionHasBlanks: Expression has blanks"},
        {"((A)", "EMissMatchingBracket: Missing brackets in expression"},
        {"SIN(", "EMissMatchingBracket: Missing brackets in expression"},
        {"A)", "EMissMatchingBracket: Missing brackets in expression"},
        // Without a tried candidate the message shows the whole term.
        {")A(", "ESyntaxError: Error parsing expression:\\r)A("},
        {"A-", "ESyntaxError: Error parsing expression:\\rA-"},
        {"+A", "ESyntaxError: Error parsing expression:\\r+A"},
        {"2PI", "ESyntaxError: Error parsing expression:\\r2PI"},
        {"1.5.2", "ESyntaxError: Error parsing expression:\\r1.5.2"},
        {"5E", "ESyntaxError: Error parsing expression:\\r5E"},
        {"SQRTA", "ESyntaxError: Error parsing expression:\\rSQRTA"},
        {"   ", "ESyntaxError: Error parsing expression:\\r"},
        {"()", "ESyntaxError: Error parsing expression:\\r()"},
        {"COT(A)", "ESyntaxError: Error parsing expression:\\rCOT(A)"},
        // Otherwise the parts of the last candidate tried.
        {"X+*Y", "ESyntaxError: Error parsing expression:\\rX+\\rY"},
        {"A^B^C", "ESyntaxError: Error parsing expression:\\rA^B\\rC"},
        {"-A-B", "ESyntaxError: Error parsing expression:\\rA-B\\r "},
        {"--A", "ESyntaxError: Error parsing expression:\\r-A\\r "},
        {"A*-B", "ESyntaxError: Error parsing expression:\\rA\\r-B"},
        {"A+-B", "ESyntaxError: Error parsing expression:\\rA+\\rB"},
        {"MAX(A,B,C)", "ESyntaxError: Error parsing expression:\\rA,B\\rC"},
        {"SIN()", "ESyntaxError: Error parsing expression:\\r\\r "},
        {"SIN(A,B)", "ESyntaxError: Error parsing expression:\\rA,B\\r "},
        {"ADIV", "ESyntaxError: Error parsing expression:\\rA\\r"},
        {"((A)+)*B", "ESyntaxError: Error parsing expression:\\r((A)+)\\rB"},
        {"A\t+B", "ESyntaxError: Error parsing expression:\\rA\t\\rB"},
    };
    qel::TParser parser;
    for (const Case& c : cases)
        EXPECT_EQ(compileOutcome(parser, QString::fromUtf8(c.formula)), QString::fromUtf8(c.outcome)) << c.formula;
}

// "+" groups to the right and every "+" adds a level: the operands of 21 variables sit
// at level 20 at most.
TEST(FormulaCompiler, NestingLimit)
{
    qel::TParser parser;
    EXPECT_EQ(compileOutcome(parser, joined(QStringLiteral("A"), "+", 21)).count(QLatin1String("okSum")), 20);
    EXPECT_EQ(compileOutcome(parser, joined(QStringLiteral("A"), "+", 22)),
              QStringLiteral("ETooManyNestings: Expression contains too many nestings"));
    EXPECT_EQ(compileOutcome(parser, joined(QStringLiteral("A"), "*", 22)),
              QStringLiteral("ETooManyNestings: Expression contains too many nestings"));
    // Brackets that only enclose add no level.
    EXPECT_EQ(compileOutcome(parser, QString(500, QLatin1Char('(')) + QStringLiteral("A+B") + QString(500, QLatin1Char(')'))),
              QStringLiteral("okSum A B"));
}

// A full tree of products six levels deep whose first n leaves are products themselves:
// their operations take slots 1..n on level 7.
static QString productTree(int depth, int& productLeaves)
{
    if (depth == 6) {
        if (productLeaves-- > 0)
            return QStringLiteral("B*C");
        return QStringLiteral("A");
    }
    const QString left = productTree(depth + 1, productLeaves);
    const QString right = productTree(depth + 1, productLeaves);
    return QLatin1Char('(') + left + QStringLiteral(")*(") + right + QLatin1Char(')');
}

TEST(FormulaCompiler, SlotLimitAndSlotOrder)
{
    qel::TParser parser;
    int fifty = 50;
    const QString ok = compileOutcome(parser, productTree(0, fifty));
    const QStringList lines = ok.split(QLatin1String("; "));
    ASSERT_EQ(lines.size(), 63 + 50) << ok.left(200).toStdString();
    // Level 7 first (the 50 leaf products in slot order), then levels 6 .. 1.
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(lines[i], QStringLiteral("okProduct B C"));
    EXPECT_EQ(lines[50], QStringLiteral("okProduct $1 $2"));
    EXPECT_EQ(lines.last(), QStringLiteral("okProduct $111 $112"));

    int fiftyOne = 51;
    EXPECT_EQ(compileOutcome(parser, productTree(0, fiftyOne)), QStringLiteral("EExpressionTooComplex: Expression is too complex"));
}

// Errors come in the order of the depth-first walk: here a level above 20 in the first
// operand is met before the 51st slot of the second.
TEST(FormulaCompiler, FirstErrorOfTheWalkWins)
{
    qel::TParser parser;
    int fiftyOne = 51;
    const QString deep = joined(QStringLiteral("A"), "*", 22);
    EXPECT_EQ(compileOutcome(parser, QLatin1Char('(') + deep + QStringLiteral(")+(") + productTree(0, fiftyOne) + QLatin1Char(')')),
              QStringLiteral("ETooManyNestings: Expression contains too many nestings"));
    fiftyOne = 51;
    EXPECT_EQ(compileOutcome(parser, QStringLiteral("(") + productTree(0, fiftyOne) + QStringLiteral(")+(") + deep + QLatin1Char(')')),
              QStringLiteral("EExpressionTooComplex: Expression is too complex"));
}

TEST(FormulaCompiler, CellsOfConstantsAndVariables)
{
    qel::TParser parser;
    parser.setExpression(QStringLiteral("2*A+2*A"));
    const qel::OperationList& ops = parser.operations();
    ASSERT_EQ(ops.size(), 3);
    // Each constant has a cell of its own; a variable's cell is shared and not the list's.
    EXPECT_NE(ops[0].Arg1, ops[1].Arg1);
    EXPECT_EQ(ops[0].Arg2, ops[1].Arg2);
    EXPECT_FALSE(ops.ownsCell(ops[0].Arg2));
    EXPECT_TRUE(ops.ownsCell(ops[0].Arg1));
    EXPECT_EQ(ops[2].Arg1, ops[0].Dest);
    EXPECT_EQ(ops[2].Arg2, ops[1].Dest);

    parser.setExpression(QStringLiteral("X"));
    ASSERT_EQ(parser.operations().size(), 1);
    EXPECT_EQ(parser.operations()[0].Dest, parser.operations()[0].Arg1);
    EXPECT_EQ(parser.operations()[0].Dest, parser.variables().find(u"X"));
}

TEST(FormulaCompiler, ErrorFlagOfTheCompileCall)
{
    qel::VariableTable vars;
    qel::FunctionTable none;
    bool error = true;
    EXPECT_EQ(qel::CompileExpression(QStringLiteral("1+2"), vars, none, none, true, error).size(), 1);
    EXPECT_FALSE(error);
    EXPECT_THROW(qel::CompileExpression(QStringLiteral("1+"), vars, none, none, true, error), qel::ESyntaxError);
    EXPECT_TRUE(error);
    EXPECT_THROW(qel::CompileExpression(QStringLiteral("1 +2"), vars, none, none, true, error), qel::EExpressionHasBlanks);
    EXPECT_TRUE(error);
}

// A variable hides the number it is spelled like; an exponent is tried as a number first
// for the kind of the power.
TEST(FormulaCompiler, VariablesSpelledLikeNumbers)
{
    qel::TParser parser;
    parser.SetVariable(QStringLiteral("PI"), 3.0L);
    parser.SetVariable(QStringLiteral("E5"), 7.0L);
    EXPECT_EQ(compileOutcome(parser, QStringLiteral("PI")), QStringLiteral("okVariable PI"));
    EXPECT_EQ(compileOutcome(parser, QStringLiteral("E5*2")), QStringLiteral("okProduct E5 2"));
    // The kind comes from the number 0, the operand from the variable.
    EXPECT_EQ(compileOutcome(parser, QStringLiteral("A^E5")), QStringLiteral("okIntPower A E5"));
    parser.A = 2;
    EXPECT_EQ(parser.Value(), 128.0L);
}

TEST(FormulaCompiler, LocaleNumberFormat)
{
    qel::TParser parser;
    parser.setPascalNumberformat(false);
    EXPECT_EQ(compileOutcome(parser, QStringLiteral("A*2+1E2")), QStringLiteral("okProduct A 2; okSum $1 100"));
    EXPECT_EQ(compileOutcome(parser, QStringLiteral("PI")), QStringLiteral("okVariable 3.14159265358979"));
    // The fixed format's literals without digits are not numbers of any locale.
    EXPECT_EQ(compileOutcome(parser, QStringLiteral("E5")), QStringLiteral("ESyntaxError: Error parsing expression:\\rE5"));
    EXPECT_EQ(compileOutcome(parser, QStringLiteral(".")), QStringLiteral("ESyntaxError: Error parsing expression:\\r."));
}
