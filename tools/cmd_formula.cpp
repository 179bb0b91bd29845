// qel13-admin formula check|eval: compiles a grade-sheet formula with the client's formula
// engine and shows its operation list or its value.
#include "formula/operation_listing.h"
#include "formula/parser.h"
#include "tools/admin.h"

namespace qel::admin {
namespace {

struct Definition {
    QString name;
    long double value;
};

std::vector<Definition> definitions(const QStringList& words)
{
    std::vector<Definition> defs;
    for (const QString& w : words) {
        const qsizetype eq = w.indexOf(QLatin1Char('='));
        if (eq < 0)
            throw UsageError{QStringLiteral("expected NAME=VALUE, got '%1'").arg(w)};
        bool ok = false;
        const double value = w.mid(eq + 1).toDouble(&ok);
        if (!ok)
            throw UsageError{QStringLiteral("'%1' is not a number").arg(w.mid(eq + 1))};
        defs.push_back({w.left(eq), value});
    }
    return defs;
}

// "CLASS: message", a carriage return shown as the two characters \r.
void printError(Io& io, const char* className, QString message)
{
    message.replace(QChar(13), QLatin1String("\\r"));
    io.out << className << ": " << message << "\n";
}

int runFormula(const QStringList& args, Io& io, bool evaluate)
{
    if (args.isEmpty())
        throw UsageError{QStringLiteral("expected EXPR")};
    const QString expression = args.first();
    if (expression.isEmpty() && !evaluate)
        throw UsageError{QStringLiteral("EXPR is empty: an empty formula has no operation list (its value is 0)")};
    const std::vector<Definition> defs = definitions(args.mid(1));

    TParser parser;
    try {
        for (const Definition& d : defs)
            parser.SetVariable(d.name, d.value);
        parser.setExpression(expression);
        if (evaluate) {
            io.out << formatNumber(double(parser.Value())) << "\n";
            return 0;
        }
        io.out << "OK\n";
        for (const QString& line : operationListing(parser))
            io.out << line << "\n";
        return 0;
    } catch (const EMathParserError& e) {
        printError(io, e.className(), e.message());
    } catch (const EArithmeticFault& e) {
        printError(io, e.className(), e.message());
    }
    return 1;
}

const AdminCommand formulaCommand(
    "formula", "compile a grade-sheet formula and show its operations or its value",
    "Usage:\n"
    "  qel13-admin formula check EXPR [NAME=VALUE ...]\n"
    "      Defines the variables in the given order, compiles EXPR and prints OK and the\n"
    "      operation list, one line per operation in evaluation order: the kind (okSum,\n"
    "      okSquare, okFunction2 ...; calls followed by the function name) and the operands,\n"
    "      each a variable name, a constant or $k for the result of the k-th line.\n"
    "  qel13-admin formula eval EXPR [NAME=VALUE ...]\n"
    "      Defines the variables, compiles EXPR and prints its value (%.15g).\n"
    "A compile or evaluation error prints CLASS: message (a carriage return shown as \\r)\n"
    "and exits with code 1. A, B, C, D, E, X, Y, T are built in (0 unless defined);\n"
    "functions: TAN SIN COS SINH COSH ARCTAN EXP LN SQRT ABS HEAV SIGN ZERO PH RND MAX MIN.\n"
    "Example: qel13-admin formula eval \"MAX(M1,M2)*0.4+(M3+M4)/2\" M1=10 M2=20 M3=5 M4=7\n",
    [](const QStringList& args, Io& io) {
        return runSubcommand(args, io,
                             {{"check", [](const QStringList& a, Io& o) { return runFormula(a, o, false); }},
                              {"eval", [](const QStringList& a, Io& o) { return runFormula(a, o, true); }}});
    });

} // namespace
} // namespace qel::admin
