// The parser component through which the rest of the client uses the formula engine:
// it owns the variable and function tables, compiles the text assigned to Expression and
// evaluates the compiled list each time Value is read.
#pragma once

#include "formula/compiler.h"
#include "formula/formula_errors.h"
#include "formula/name_tables.h"
#include "formula/operation.h"

#include <QString>
#include <functional>

namespace qel {

class TCustomParser;

// Receives compile errors instead of the writer of Expression when assigned.
using TParserExceptionEvent = std::function<void(TCustomParser* Sender, const EMathParserError& E)>;

class TCustomParser {
public:
    TCustomParser();
    virtual ~TCustomParser();
    TCustomParser(const TCustomParser&) = delete;
    TCustomParser& operator=(const TCustomParser&) = delete;

    // Runs the compiled list and returns its last result, widened; 0 when there is no
    // list. An arithmetic fault raises EDivisionByZero, EArithmeticOverflow or
    // EInvalidOperation; cells written before the fault keep their values.
    long double Value() const;

    const QString& Expression() const { return expression_; }
    // Compiles text; a compile error goes to OnParserError when assigned, else is raised.
    void setExpression(const QString& text) { ParseExpression(text); }
    // The same, returning true on success (false also for an empty text).
    bool ParseExpression(const QString& text);

    // Compiles text against this parser's variables and functions into a list of its own,
    // with the routines attached, as ParseExpression does; Expression, ParserError and the
    // parser's own list stay as they are and compile errors are raised (OnParserError is
    // not called). An empty text gives an empty list. The list refers to this parser's
    // variable cells, so it must not outlive the parser; setting a variable is seen by the
    // next ValueOf without compiling again.
    OperationList CompileFormula(const QString& text) const;
    // The value of a compiled list exactly as Value reads the parser's own list (0 for an
    // empty list; arithmetic faults raised the same way).
    static long double ValueOf(const OperationList& list);

    bool PascalNumberformat() const { return pascalNumberformat_; }
    void setPascalNumberformat(bool fixedFormat) { pascalNumberformat_ = fixedFormat; }
    // True when the last compilation failed.
    bool ParserError() const { return parserError_; }

    TParserExceptionEvent OnParserError;

    // Defines or updates a variable (the name is taken in upper case) and returns its
    // cell, which keeps its address while the parser lives: a caller that sets a
    // variable often may write the cell directly. Raises EBadName for a name that is no
    // identifier or contains "DIV" or "MOD", EArithmeticOverflow for a value beyond the
    // double range; the table is then unchanged.
    double* SetVariable(const QString& name, long double value);

    // Adds a function; a name that is already there raises EMathParserError.
    void AddFunctionOneParameter(const QString& name, KernelRoutine kernel) { functions1_.add(name, kernel); }
    void AddFunctionTwoParameters(const QString& name, KernelRoutine kernel) { functions2_.add(name, kernel); }

    const OperationList& operations() const { return operations_; }
    const VariableTable& variables() const { return variables_; }
    const FunctionTable& functionsOneParameter() const { return functions1_; }
    const FunctionTable& functionsTwoParameters() const { return functions2_; }

protected:
    // The built-in variable cells; TParser enters them into the table and publishes them.
    double A = 0.0, B = 0.0, C = 0.0, D = 0.0, E = 0.0, X = 0.0, Y = 0.0, T = 0.0;

    double* builtinCell(QChar letter);

private:
    QString expression_;
    bool pascalNumberformat_ = true;
    bool parserError_ = false;
    VariableTable variables_;     // before the list: the list refers to its cells
    FunctionTable functions1_;
    FunctionTable functions2_;
    OperationList operations_;
};

// The parser with the built-in variables A, B, C, D, E, X, Y, T and the functions TAN,
// SIN, COS, SINH, COSH, ARCTAN, EXP, LN, SQRT, ABS, HEAV, SIGN, ZERO, PH, RND, MAX, MIN.
class TParser : public TCustomParser {
public:
    TParser();

    using TCustomParser::A;
    using TCustomParser::B;
    using TCustomParser::C;
    using TCustomParser::D;
    using TCustomParser::E;
    using TCustomParser::T;
    using TCustomParser::X;
    using TCustomParser::Y;
};

} // namespace qel
