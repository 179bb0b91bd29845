#include "formula/compiler.h"
#include "formula/operation_listing.h"
#include "formula/parser.h"
#include "tests/formula/formula_outcome.h"

#include <QElapsedTimer>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace {

// A parser whose tables the compiler is called with directly.
class Compiling : public ::testing::Test {
protected:
    void SetUp() override { parser.SetVariable(QStringLiteral("M1"), 1.0L); }

    QString outcome(const QString& formula, bool memoise, qel::CompileStats* stats = nullptr)
    {
        bool error = false;
        try {
            const qel::OperationList ops = qel::CompileExpression(
                formula, parser.variables(), parser.functionsOneParameter(), parser.functionsTwoParameters(),
                true, error, {memoise, stats});
            return qel::operationListing(ops, parser.variables(), parser.functionsOneParameter(),
                                         parser.functionsTwoParameters())
                .join(QLatin1String("; "));
        } catch (const qel::EMathParserError& e) {
            return qel::test::describeError(e.className(), e.message());
        }
    }

    static QString repeated(const char* piece, int count) { return QString::fromUtf8(piece).repeated(count); }

    qel::TParser parser;
};

// Remembering verdicts changes nothing but the cost: random formulas compile to the same
// list, or fail with the same error and message, with and without the memory.
TEST_F(Compiling, RememberedVerdictsGiveTheSameResults)
{
    const char* tokens[] = {"A", "B", "M1", "2", "0.5", "E", "E5", ".", "PI", "+", "-", "-", "*", "/", "^",
                            "DIV", "MOD", "(", "(", ")", ")", ",", "SIN(", "MAX(", "1E+2", "-", "+", "2E-",
                            "D", "X", "*-", "^-", ")^2", "ABS", "I"};
    std::mt19937 rng(20250314);
    std::uniform_int_distribution<int> pick(0, int(std::size(tokens)) - 1);
    std::uniform_int_distribution<int> size(1, 16);
    int compiled = 0;
    for (int n = 0; n < 20000; ++n) {
        QString f;
        int depth = 0;
        const int count = size(rng);
        for (int i = 0; i < count; ++i) {
            const QString t = QString::fromUtf8(tokens[pick(rng)]);
            if (t == QLatin1String(")") && depth == 0)
                continue;
            depth += t.count(QLatin1Char('(')) - t.count(QLatin1Char(')'));
            f += t;
        }
        f += QString(depth, QLatin1Char(')'));
        const QString remembered = outcome(f, true);
        ASSERT_EQ(remembered, outcome(f, false)) << f.toStdString();
        compiled += remembered.startsWith(QLatin1String("ok"));
    }
    EXPECT_GT(compiled, 1000); // the corpus reaches past the syntax errors
}

// Formulas grown from the operand forms, then damaged a little: about half compile.
TEST_F(Compiling, RememberedVerdictsGiveTheSameResultsOnNearlyValidFormulas)
{
    std::mt19937 rng(77);
    auto r = [&](int n) { return int(rng() % unsigned(n)); };
    std::function<QString(int)> grow = [&](int depth) -> QString {
        static const char* atoms[] = {"A", "B", "M1", "E", "D", "X", "2", "0.5", "1E-2", "E5", "PI", "-3", ".", "5."};
        static const char* ops[] = {"+", "-", "*", "/", "^", "DIV", "MOD"};
        if (depth <= 0 || r(4) == 0)
            return QString::fromUtf8(atoms[r(int(std::size(atoms)))]);
        switch (r(9)) {
        case 0: return QLatin1Char('-') + grow(depth - 1);
        case 1: return QLatin1Char('(') + grow(depth - 1) + QLatin1Char(')');
        case 2: return QStringLiteral("SIN(") + grow(depth - 1) + QLatin1Char(')');
        case 3: return QStringLiteral("MAX(") + grow(depth - 1) + QLatin1Char(',') + grow(depth - 1) + QLatin1Char(')');
        default: return grow(depth - 1) + QString::fromUtf8(ops[r(int(std::size(ops)))]) + grow(depth - 1);
        }
    };
    static const char* inserts[] = {"+", "-", "*", "^", "(", ")", ",", "E", "1", "DIV"};
    int compiled = 0;
    for (int n = 0; n < 6000;) {
        QString f = grow(1 + r(4));
        if (f.size() > 40)
            continue;
        for (int m = r(3); m > 0 && !f.isEmpty(); --m) {
            const int at = r(int(f.size()));
            if (r(2))
                f.remove(at, 1);
            else
                f.insert(at, QString::fromUtf8(inserts[r(int(std::size(inserts)))]));
        }
        if (f.isEmpty())
            continue;
        ++n;
        const QString remembered = outcome(f, true);
        ASSERT_EQ(remembered, outcome(f, false)) << f.toStdString();
        compiled += remembered.startsWith(QLatin1String("ok"));
    }
    EXPECT_GT(compiled, 2000);
}

// Texts on which the plain recogniser's work doubles with every operator: left-grouping
// chains, valid or not. Remembered, the work grows polynomially.
TEST_F(Compiling, CostGrowsPolynomially)
{
    qel::CompileStats small, large;
    EXPECT_TRUE(outcome(repeated("A-", 100) + QStringLiteral("A-"), true, &small).startsWith(QLatin1String("ESyntaxError")));
    EXPECT_TRUE(outcome(repeated("A-", 200) + QStringLiteral("A-"), true, &large).startsWith(QLatin1String("ESyntaxError")));
    EXPECT_LT(large.steps, small.steps * 9) << small.steps << " " << large.steps;

    qel::CompileStats plain10, plain20;
    outcome(repeated("A-", 10) + QStringLiteral("A-"), false, &plain10);
    outcome(repeated("A-", 20) + QStringLiteral("A-"), false, &plain20);
    EXPECT_GT(plain20.steps, plain10.steps * 500) << plain10.steps << " " << plain20.steps;

    // A valid left-grouping chain of 21 terms, its operands at level 20.
    EXPECT_EQ(outcome(repeated("A/", 20) + QStringLiteral("A"), true).count(QLatin1String("okQuotient")), 20);

    QElapsedTimer t;
    t.start();
    const QString mixed = repeated("(A-B)*C/D^2+SIN(A)-MAX(B,C)DIV2+", 60) + QStringLiteral("*");
    EXPECT_TRUE(outcome(mixed, true).startsWith(QLatin1String("ESyntaxError")));
    EXPECT_LT(t.elapsed(), 5000);
}

// Deep nesting and long texts are recognised without exhausting the stack.
TEST_F(Compiling, DeepNestingAndLongTexts)
{
    EXPECT_EQ(outcome(repeated("(", 20000) + QStringLiteral("A") + repeated(")", 20000), true), QStringLiteral("okVariable A"));
    EXPECT_EQ(outcome(repeated("-(", 3000) + QStringLiteral("A") + repeated(")", 3000), true),
              QStringLiteral("ETooManyNestings: Expression contains too many nestings"));
    EXPECT_EQ(outcome(repeated("SIN(", 3000) + QStringLiteral("A") + repeated(")", 3000), true),
              QStringLiteral("ETooManyNestings: Expression contains too many nestings"));
    EXPECT_EQ(outcome(repeated("A+", 5000) + QStringLiteral("A"), true),
              QStringLiteral("ETooManyNestings: Expression contains too many nestings"));
    EXPECT_EQ(outcome(repeated("A*", 3000) + QStringLiteral("*A"), true),
              QStringLiteral("ESyntaxError: Error parsing expression:\\r") + repeated("A*", 3000) + QStringLiteral("\\rA"));
    EXPECT_EQ(outcome(QString(100000, QLatin1Char('7')), true), QStringLiteral("okVariable inf"));
}

} // namespace
