// The parser component: variables, compilation with routines attached, evaluation.
#include "formula/parser.h"

#include "formula/arithmetic.h"
#include "formula/builtin_functions.h"
#include "formula/operation_kernels.h"

#include <cmath>

namespace qel {

namespace {

QString asciiUpper(const QString& s)
{
    QString u = s;
    for (QChar& c : u)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    return u;
}

bool isIdentifier(const QString& name)
{
    auto letter = [](QChar c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_'; };
    if (name.isEmpty() || !letter(name[0]))
        return false;
    for (QChar c : name)
        if (!letter(c) && !(c >= u'0' && c <= u'9'))
            return false;
    return true;
}

} // namespace

TCustomParser::TCustomParser() = default;

TCustomParser::~TCustomParser()
{
    // The list refers to variable cells: it goes first.
    operations_ = OperationList();
    variables_.clearOwned();
}

double* TCustomParser::builtinCell(QChar letter)
{
    switch (letter.unicode()) {
    case u'A': return &A;
    case u'B': return &B;
    case u'C': return &C;
    case u'D': return &D;
    case u'E': return &E;
    case u'X': return &X;
    case u'Y': return &Y;
    case u'T': return &T;
    default: return nullptr;
    }
}

long double TCustomParser::Value() const { return ValueOf(operations_); }

long double TCustomParser::ValueOf(const OperationList& list)
{
    if (list.empty())
        return 0.0L;
    list.run();
    const double result = list.result();
    // A lone variable or constant is passed through without a routine of its own.
    if (!std::isfinite(result)) [[unlikely]]
        formula::raiseResultFault(result);
    return result;
}

OperationList TCustomParser::CompileFormula(const QString& text) const
{
    if (text.isEmpty())
        return OperationList();
    bool error = false;
    OperationList list = CompileExpression(text, variables_, functions1_, functions2_, pascalNumberformat_, error);
    for (Operation& op : list)
        if (op.Kind != okFunction1 && op.Kind != okFunction2)
            op.Kernel = formula::kernelOf(op.Kind);
    return list;
}

bool TCustomParser::ParseExpression(const QString& text)
{
    operations_ = OperationList();
    expression_ = text;
    if (text.isEmpty())
        return false;
    try {
        operations_ = CompileFormula(text);
        parserError_ = false;
        return true;
    } catch (const EMathParserError& e) {
        parserError_ = true;
        if (!OnParserError)
            throw;
        OnParserError(this, e);
        return false;
    }
}

double* TCustomParser::SetVariable(const QString& name, long double value)
{
    const QString upper = asciiUpper(name);
    double* cell = variables_.find(upper);
    const bool known = cell != nullptr;
    if (!known && upper.size() == 1)
        cell = builtinCell(upper[0]);
    if (!cell && (!isIdentifier(upper) || upper.contains(QLatin1String("DIV")) || upper.contains(QLatin1String("MOD"))))
        throw EBadName(upper);
    const double v = double(value);
    if (std::isfinite(value) && !std::isfinite(v))
        throw EArithmeticOverflow();
    if (!known)
        cell = cell ? (variables_.addExternal(upper, cell), cell) : variables_.addOwned(upper);
    *cell = v;
    return cell;
}

TParser::TParser()
{
    for (char letter : {'A', 'B', 'C', 'D', 'E', 'X', 'Y', 'T'})
        SetVariable(QString(QLatin1Char(letter)), 0.0L);
    for (const auto& f : formula::builtinFunctions1())
        AddFunctionOneParameter(QLatin1String(f.name), f.kernel);
    for (const auto& f : formula::builtinFunctions2())
        AddFunctionTwoParameters(QLatin1String(f.name), f.kernel);
}

} // namespace qel
