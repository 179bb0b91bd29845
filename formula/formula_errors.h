// Errors of the formula engine: the compile-error family (texts are the engine's own and
// exact) and the arithmetic faults that end a reading of a formula's value.
#pragma once

#include "platform/os/errors.h"

namespace qel {

// Base of every compile error; OnParserError receives these.
class EMathParserError : public Error {
public:
    using Error::Error;
    // The class name as the admin tool prints it ("ESyntaxError").
    virtual const char* className() const noexcept { return "EMathParserError"; }
};

#define QEL_FORMULA_ERROR(Name, Base, Text)                                          \
    class Name : public Base {                                                       \
    public:                                                                          \
        Name() : Base(QStringLiteral(Text)) {}                                       \
        const char* className() const noexcept override { return #Name; }            \
    };

QEL_FORMULA_ERROR(EExpressionHasBlanks, EMathParserError, "Expression has blanks")
QEL_FORMULA_ERROR(EMissMatchingBracket, EMathParserError, "Missing brackets in expression")
QEL_FORMULA_ERROR(ETooManyNestings, EMathParserError, "Expression contains too many nestings")
QEL_FORMULA_ERROR(EExpressionTooComplex, EMathParserError, "Expression is too complex")
QEL_FORMULA_ERROR(EParserInternalError, EMathParserError, "TParser internal error")

// "Error parsing expression:" CR and the parts of the failing term.
class ESyntaxError : public EMathParserError {
public:
    using EMathParserError::EMathParserError;
    const char* className() const noexcept override { return "ESyntaxError"; }
};

// A variable name that cannot be defined; the message is the upper-cased name.
class EBadName : public EMathParserError {
public:
    using EMathParserError::EMathParserError;
    const char* className() const noexcept override { return "EBadName"; }
};

// Base of the faults met while a compiled formula is evaluated.
class EArithmeticFault : public Error {
public:
    using Error::Error;
    virtual const char* className() const noexcept { return "EArithmeticFault"; }
};

QEL_FORMULA_ERROR(EDivisionByZero, EArithmeticFault, "Division by zero")
QEL_FORMULA_ERROR(EArithmeticOverflow, EArithmeticFault, "Arithmetic overflow")
QEL_FORMULA_ERROR(EInvalidOperation, EArithmeticFault, "Invalid arithmetic operation")

#undef QEL_FORMULA_ERROR

} // namespace qel
