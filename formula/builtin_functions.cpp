// Routines of the built-in functions; the argument is read as a double and the result
// computed in extended precision.
#include "formula/builtin_functions.h"

#include "formula/arithmetic.h"

#include <numbers>
#include <random>

namespace qel::formula {

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;
// sin and cos give 0 from this magnitude on, where the argument has no fractional part
// left to speak of.
constexpr long double kTrigLimit = 0x1p63L;

long double x1(const Operation& op) { return *op.Arg1; }

void fnTan(const Operation& op) { store(op, std::tan(x1(op))); }
void fnSin(const Operation& op) { store(op, std::fabs(x1(op)) >= kTrigLimit ? 0.0L : std::sin(x1(op))); }
void fnCos(const Operation& op) { store(op, std::fabs(x1(op)) >= kTrigLimit ? 0.0L : std::cos(x1(op))); }
void fnSinh(const Operation& op) { store(op, (std::exp(x1(op)) - std::exp(-x1(op))) * 0.5L); }
void fnCosh(const Operation& op) { store(op, (std::exp(x1(op)) + std::exp(-x1(op))) * 0.5L); }
void fnArctan(const Operation& op) { store(op, std::atan(x1(op))); }
void fnExp(const Operation& op) { store(op, std::exp(x1(op))); }

void fnLn(const Operation& op)
{
    const long double x = x1(op);
    if (x == 0.0L)
        raiseDivisionByZero();
    if (!(x > 0.0L))
        raiseInvalidOperation();
    store(op, std::log(x));
}

void fnSqrt(const Operation& op)
{
    const long double x = x1(op);
    if (x < 0.0L)
        raiseInvalidOperation();
    store(op, std::sqrt(x));
}

void fnAbs(const Operation& op) { store(op, std::fabs(x1(op))); }
void fnHeav(const Operation& op) { store(op, x1(op) >= 0.0L ? 1.0L : 0.0L); }
void fnSign(const Operation& op)
{
    const long double x = x1(op);
    store(op, x < 0.0L ? -1.0L : (x > 0.0L ? 1.0L : 0.0L));
}
void fnZero(const Operation& op) { store(op, x1(op) == 0.0L ? 0.0L : 1.0L); }

// The phase of x in whole turns of a quarter period: a = x / (2/pi) kept as a double,
// (a - n) * 2 * pi with n the nearest integer to a (ties to even).
void fnPh(const Operation& op)
{
    const double a = double(x1(op) / (2.0L / kPi));
    if (!std::isfinite(a))
        raiseResultFault(a);
    const long double n = std::nearbyint(static_cast<long double>(a));
    store(op, ((a - n) * 2.0L) * kPi);
}

void fnRnd(const Operation& op) { store(op, std::trunc(x1(op)) * static_cast<long double>(randomFraction())); }

void fnMax(const Operation& op)
{
    const long double a = *op.Arg1, b = *op.Arg2;
    store(op, a >= b ? a : b);
}

void fnMin(const Operation& op)
{
    const long double a = *op.Arg1, b = *op.Arg2;
    store(op, a >= b ? b : a);
}

constexpr BuiltinFunction kOneArgument[] = {
    {"TAN", fnTan},   {"SIN", fnSin},   {"COS", fnCos},   {"SINH", fnSinh}, {"COSH", fnCosh},
    {"ARCTAN", fnArctan}, {"EXP", fnExp}, {"LN", fnLn},   {"SQRT", fnSqrt}, {"ABS", fnAbs},
    {"HEAV", fnHeav}, {"SIGN", fnSign}, {"ZERO", fnZero}, {"PH", fnPh},     {"RND", fnRnd},
};

constexpr BuiltinFunction kTwoArguments[] = {{"MAX", fnMax}, {"MIN", fnMin}};

} // namespace

std::span<const BuiltinFunction> builtinFunctions1() { return kOneArgument; }
std::span<const BuiltinFunction> builtinFunctions2() { return kTwoArguments; }

double randomFraction()
{
    thread_local std::mt19937_64 generator{std::random_device{}()};
    return double(generator() >> 11) * 0x1p-53;
}

} // namespace qel::formula
