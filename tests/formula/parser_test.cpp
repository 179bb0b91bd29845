#include "formula/parser.h"
#include "tests/formula/formula_outcome.h"

#include <cmath>
#include <gtest/gtest.h>
#include <typeinfo>

namespace {

// The value of a formula, or "CLASS: message" of the error that ended compiling or reading.
QString valueOutcome(qel::TParser& parser, const char* formula)
{
    try {
        parser.setExpression(QString::fromUtf8(formula));
        return qel::formatNumber(double(parser.Value()));
    } catch (const qel::EMathParserError& e) {
        return qel::test::describeError(e.className(), e.message());
    } catch (const qel::EArithmeticFault& e) {
        return qel::test::describeError(e.className(), e.message());
    }
}

} // namespace

TEST(FormulaParser, NewParserHasNoFormula)
{
    qel::TParser parser;
    EXPECT_EQ(parser.Value(), 0.0L);
    EXPECT_TRUE(parser.Expression().isEmpty());
    EXPECT_FALSE(parser.ParserError());
    EXPECT_TRUE(parser.PascalNumberformat());
    EXPECT_FALSE(parser.ParseExpression(QString()));
}

TEST(FormulaParser, Values)
{
    struct Case {
        const char* formula;
        const char* value;
    };
    const Case cases[] = {
        {"7MOD2", "1"},        {"-7MOD2", "-1"},       {"7MOD-2", "1"},       {"7.9MOD2.9", "1"},
        {"7DIV2", "3"},        {"-7DIV2", "-3"},       {"7.9DIV2.9", "3"},    {"-9.2E18DIV-1", "9.2e+18"},
        {"HEAV(0)", "1"},      {"HEAV(-0.1)", "0"},    {"SIGN(-3)", "-1"},    {"SIGN(0)", "0"},
        {"SIGN(2)", "1"},      {"ZERO(0)", "0"},       {"ZERO(5)", "1"},      {"MAX(2,3)", "3"},
        {"MIN(2,3)", "2"},     {"MAX(3,3)", "3"},      {"2^-1", "0.5"},       {"2^10", "1024"},
        {"2^0", "1"},          {"(-2)^3", "-8"},       {"(-2)^4", "16"},      {"2^0.5", "1.4142135623731"},
        {"(-2)^(2)", "4"},     {"0^(2)", "0"},         {"5^(0)", "1"},        {"PI", "3.14159265358979"},
        {"-PI", "-3.14159265358979"},                  {"1/4", "0.25"},       {"ABS(-2.5)", "2.5"},
        {"SQRT(16)", "4"},     {"LN(1)", "0"},         {"EXP(0)", "1"},       {"SIN(0)", "0"},
        {"COS(0)", "1"},       {"TAN(0)", "0"},        {"ARCTAN(1)*4", "3.14159265358979"},
        {"SINH(0)", "0"},      {"COSH(0)", "1"},       {"SIN(1E19)", "0"},    {"COS(-1E19)", "0"},
        {"PH(0)", "0"},        {"RND(0.9)", "0"},      {"E+5", "0"},          {"(E+5)*2", "0"},
        {"10-2-3", "5"},       {"2*3+4*5", "26"},      {"100/10/2", "5"},     {"-2^2", "-4"},
        {"MAX(1,2)*0.4+(3+5)/2", "4.8"},
    };
    qel::TParser parser;
    for (const Case& c : cases)
        EXPECT_EQ(valueOutcome(parser, c.formula), QString::fromUtf8(c.value)) << c.formula;
}

// A fault ends the reading with an error of its own class instead of a value.
TEST(FormulaParser, ArithmeticFaults)
{
    struct Case {
        const char* formula;
        const char* outcome;
    };
    const Case cases[] = {
        {"1/0", "EDivisionByZero: Division by zero"},
        {"LN(0)", "EDivisionByZero: Division by zero"},
        {"5DIV0", "EDivisionByZero: Division by zero"},
        {"5MOD0.5", "EDivisionByZero: Division by zero"},
        {"0^-1", "EDivisionByZero: Division by zero"},
        {"0^(-0.5)", "EDivisionByZero: Division by zero"},
        {"0/0", "EInvalidOperation: Invalid arithmetic operation"},
        {"SQRT(-1)", "EInvalidOperation: Invalid arithmetic operation"},
        {"LN(-1)", "EInvalidOperation: Invalid arithmetic operation"},
        {"(-8)^(1/3)", "EInvalidOperation: Invalid arithmetic operation"},
        {"1E19DIV2", "EInvalidOperation: Invalid arithmetic operation"},
        {"EXP(1000)", "EArithmeticOverflow: Arithmetic overflow"},
        {"1E308*10", "EArithmeticOverflow: Arithmetic overflow"},
        {"10^400", "EArithmeticOverflow: Arithmetic overflow"},
        {"SINH(800)", "EArithmeticOverflow: Arithmetic overflow"},
        {"1E999", "EArithmeticOverflow: Arithmetic overflow"},
        {"1E-300^-20", "EArithmeticOverflow: Arithmetic overflow"},
    };
    qel::TParser parser;
    for (const Case& c : cases)
        EXPECT_EQ(valueOutcome(parser, c.formula), QString::fromUtf8(c.outcome)) << c.formula;
}

TEST(FormulaParser, VariablesAreReadAtEveryEvaluation)
{
    qel::TParser parser;
    parser.A = 1;
    parser.B = 2;
    parser.setExpression(QStringLiteral("A+B"));
    EXPECT_EQ(parser.Value(), 3.0L);
    parser.B = 5;
    EXPECT_EQ(parser.Value(), 6.0L);

    parser.setExpression(QStringLiteral("X"));
    parser.X = 4.5;
    EXPECT_EQ(parser.Value(), 4.5L);
    parser.SetVariable(QStringLiteral("x"), 7.25L);
    EXPECT_EQ(parser.X, 7.25);
    EXPECT_EQ(parser.Value(), 7.25L);
}

TEST(FormulaParser, SetVariable)
{
    qel::TParser parser;
    double* m1 = parser.SetVariable(QStringLiteral("m1"), 7.0L);
    EXPECT_EQ(parser.variables().nameOf(m1), QStringLiteral("M1"));
    parser.setExpression(QStringLiteral("m1*2"));
    EXPECT_EQ(parser.Value(), 14.0L);
    EXPECT_EQ(parser.SetVariable(QStringLiteral("M1"), 8.0L), m1);
    EXPECT_EQ(parser.Value(), 16.0L);
    *m1 = 10; // callers may keep the cell
    EXPECT_EQ(parser.Value(), 20.0L);

    EXPECT_EQ(parser.SetVariable(QStringLiteral("t"), 3.0L), &parser.T);
    EXPECT_EQ(parser.T, 3.0);
    double* x9 = parser.SetVariable(QStringLiteral("_x9"), 1.0L);
    EXPECT_EQ(x9, parser.variables().find(u"_X9"));

    const int before = int(parser.variables().entries().size());
    for (const char* bad : {"1X", "A B", "XDIVY", "modulo", "", "М1", "X-1"}) {
        try {
            parser.SetVariable(QString::fromUtf8(bad), 1.0L);
            ADD_FAILURE() << bad << " was accepted";
        } catch (const qel::EBadName& e) {
            QString upper = QString::fromUtf8(bad);
            for (QChar& c : upper)
                if (c >= u'a' && c <= u'z')
                    c = QChar(c.unicode() - 32);
            EXPECT_EQ(e.message(), upper);
        }
    }
    EXPECT_EQ(int(parser.variables().entries().size()), before);
    EXPECT_THROW(parser.SetVariable(QStringLiteral("BIG"), 1e400L), qel::EArithmeticOverflow);
    EXPECT_EQ(parser.variables().find(u"BIG"), nullptr);
}

TEST(FormulaParser, UndefinedVariableDoesNotCompile)
{
    qel::TParser parser;
    EXPECT_THROW(parser.setExpression(QStringLiteral("DOP+1")), qel::ESyntaxError);
    parser.SetVariable(QStringLiteral("DOP"), 2.0L);
    parser.setExpression(QStringLiteral("DOP+1"));
    EXPECT_EQ(parser.Value(), 3.0L);
}

TEST(FormulaParser, CompileErrorWithoutAndWithHandler)
{
    qel::TParser parser;
    parser.setExpression(QStringLiteral("A+1"));
    EXPECT_THROW(parser.setExpression(QStringLiteral("SIN(")), qel::EMissMatchingBracket);
    EXPECT_TRUE(parser.ParserError());
    EXPECT_EQ(parser.Expression(), QStringLiteral("SIN("));
    EXPECT_EQ(parser.Value(), 0.0L);

    QStringList seen;
    qel::TCustomParser* sender = nullptr;
    parser.OnParserError = [&](qel::TCustomParser* s, const qel::EMathParserError& e) {
        sender = s;
        seen << QLatin1String(e.className()) + QLatin1Char(':') + e.message();
    };
    EXPECT_NO_THROW(parser.setExpression(QStringLiteral("SIN(")));
    EXPECT_FALSE(parser.ParseExpression(QStringLiteral("A^B^C")));
    EXPECT_EQ(sender, &parser);
    EXPECT_EQ(seen, QStringList({QStringLiteral("EMissMatchingBracket:Missing brackets in expression"),
                                 QStringLiteral("ESyntaxError:Error parsing expression:\rA^B\rC")}));
    EXPECT_EQ(parser.Value(), 0.0L);

    EXPECT_TRUE(parser.ParseExpression(QStringLiteral("A+1")));
    EXPECT_FALSE(parser.ParserError());
    EXPECT_EQ(parser.Value(), 1.0L);
    // An empty text leaves no formula and no error.
    EXPECT_FALSE(parser.ParseExpression(QString()));
    EXPECT_FALSE(parser.ParserError());
    EXPECT_EQ(parser.Value(), 0.0L);
}

TEST(FormulaParser, EvaluationFaultPropagatesAndTheNextReadingStartsAfresh)
{
    qel::TParser parser;
    parser.OnParserError = [](qel::TCustomParser*, const qel::EMathParserError&) { ADD_FAILURE(); };
    parser.A = 6;
    parser.setExpression(QStringLiteral("A/B+1"));
    EXPECT_THROW(parser.Value(), qel::EDivisionByZero);
    parser.B = 3;
    EXPECT_EQ(parser.Value(), 3.0L);
    parser.B = NAN;
    EXPECT_THROW(parser.Value(), qel::EInvalidOperation);
    parser.setExpression(QStringLiteral("B"));
    EXPECT_THROW(parser.Value(), qel::EInvalidOperation);
}

// Results are computed in extended precision and then stored as doubles: 1 + (2^-53 +
// 2^-64) rounds to 1 + 2^-53 first and then, a tie, to 1.
TEST(FormulaParser, ExtendedPrecisionThenDouble)
{
    qel::TParser parser;
    parser.A = 1.0;
    parser.B = std::ldexp(1.0, -53) + std::ldexp(1.0, -64);
    parser.setExpression(QStringLiteral("A+B"));
    EXPECT_EQ(double(parser.Value()), 1.0);
    EXPECT_EQ(typeid(parser.Value()), typeid(long double));
}

TEST(FormulaParser, RandomFunction)
{
    qel::TParser parser;
    parser.setExpression(QStringLiteral("RND(10)"));
    bool varies = false;
    const long double first = parser.Value();
    for (int i = 0; i < 200; ++i) {
        const long double v = parser.Value();
        EXPECT_GE(v, 0.0L);
        EXPECT_LT(v, 10.0L);
        varies = varies || v != first;
    }
    EXPECT_TRUE(varies);
}

TEST(FormulaParser, FunctionTables)
{
    qel::TParser parser;
    EXPECT_THROW(parser.AddFunctionOneParameter(QStringLiteral("sin"), nullptr), qel::EMathParserError);
    parser.AddFunctionOneParameter(QStringLiteral("twice"), [](const qel::Operation& op) { *op.Dest = 2 * *op.Arg1; });
    parser.A = 4;
    parser.setExpression(QStringLiteral("Twice(A)+1"));
    EXPECT_EQ(parser.Value(), 9.0L);
    EXPECT_EQ(parser.functionsOneParameter().entries().size(), 16u);
    EXPECT_EQ(parser.functionsTwoParameters().entries().size(), 2u);
}
