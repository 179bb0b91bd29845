#include "tests/tools/admin_cli.h"

#include <gtest/gtest.h>

using qel::test::runAdmin;

TEST(AdminFormula, CheckAndEval)
{
    struct Case {
        QStringList args;
        int exitCode;
        const char* out;
    };
    const QString sheet = QStringLiteral("MAX(M1,M2)*0.4+(M3+M4)/2");
    const QStringList marks{QStringLiteral("M1=10"), QStringLiteral("M2=20"), QStringLiteral("M3=5"), QStringLiteral("M4=7")};
    const Case cases[] = {
        {QStringList{QStringLiteral("check"), sheet} + marks, 0,
         "OK\nokFunction2 MAX M1 M2\nokSum M3 M4\nokProduct $1 0.4\nokQuotient $2 2\nokSum $3 $4\n"},
        {QStringList{QStringLiteral("eval"), sheet} + marks, 0, "14\n"},
        {{QStringLiteral("check"), QStringLiteral("A^2+b^3-C^2.5")}, 0,
         "OK\nokCube B\nokRealPower C 2.5\nokSquare A\nokDifference $1 $2\nokSum $3 $4\n"},
        {{QStringLiteral("check"), QStringLiteral("X")}, 0, "OK\nokVariable X\n"},
        {{QStringLiteral("check"), QStringLiteral("5")}, 0, "OK\nokVariable 5\n"},
        {{QStringLiteral("check"), QStringLiteral("-PI")}, 0, "OK\nokVariable -3.14159265358979\n"},
        {{QStringLiteral("eval"), QStringLiteral("PI")}, 0, "3.14159265358979\n"},
        {{QStringLiteral("eval"), QStringLiteral("DOP+DOP2"), QStringLiteral("dop=1.5"), QStringLiteral("DOP2=2"),
          QStringLiteral("Dop=3")},
         0, "5\n"},
        {{QStringLiteral("eval"), QStringLiteral("1/3")}, 0, "0.333333333333333\n"},
        {{QStringLiteral("eval"), QString()}, 0, "0\n"},
        // Errors: CLASS: message, carriage returns written as \r.
        {{QStringLiteral("check"), QStringLiteral("X+*Y")}, 1, "ESyntaxError: Error parsing expression:\\rX+\\rY\n"},
        {{QStringLiteral("check"), QStringLiteral("A-")}, 1, "ESyntaxError: Error parsing expression:\\rA-\n"},
        {{QStringLiteral("check"), QStringLiteral("A + B")}, 1, "EExpressionHasBlanks: Expression has blanks\n"},
        {{QStringLiteral("check"), QStringLiteral("SIN(")}, 1, "EMissMatchingBracket: Missing brackets in expression\n"},
        {{QStringLiteral("check"), QStringLiteral("M1+1"), QStringLiteral("XDIVY=1")}, 1, "EBadName: XDIVY\n"},
        {{QStringLiteral("check"), QStringLiteral("M1+1")}, 1, "ESyntaxError: Error parsing expression:\\rM1\\r1\n"},
        {{QStringLiteral("eval"), QStringLiteral("A^B^C")}, 1, "ESyntaxError: Error parsing expression:\\rA^B\\rC\n"},
        {{QStringLiteral("eval"), QStringLiteral("1/X")}, 1, "EDivisionByZero: Division by zero\n"},
        {{QStringLiteral("eval"), QStringLiteral("SQRT(X)"), QStringLiteral("X=-4")}, 1,
         "EInvalidOperation: Invalid arithmetic operation\n"},
        {{QStringLiteral("eval"), QStringLiteral("EXP(X)"), QStringLiteral("X=1000")}, 1, "EArithmeticOverflow: Arithmetic overflow\n"},
    };
    for (const Case& c : cases) {
        auto r = runAdmin(QStringList{QStringLiteral("formula")} + c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(QLatin1Char(' ')).toStdString() << r.err.toStdString();
        EXPECT_EQ(r.out, QString::fromUtf8(c.out)) << c.args.join(QLatin1Char(' ')).toStdString();
    }
}

TEST(AdminFormula, WrongInvocations)
{
    const QStringList cases[] = {
        {QStringLiteral("formula")},
        {QStringLiteral("formula"), QStringLiteral("check")},
        {QStringLiteral("formula"), QStringLiteral("check"), QString()},
        {QStringLiteral("formula"), QStringLiteral("eval"), QStringLiteral("A"), QStringLiteral("A")},
        {QStringLiteral("formula"), QStringLiteral("eval"), QStringLiteral("A"), QStringLiteral("A=x")},
        {QStringLiteral("formula"), QStringLiteral("parse"), QStringLiteral("A")},
    };
    for (const QStringList& args : cases) {
        auto r = runAdmin(args);
        EXPECT_EQ(r.exitCode, 1) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String("Try 'qel13-admin formula --help'"))) << r.err.toStdString();
    }
    auto help = runAdmin({QStringLiteral("formula"), QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage:")));
}
