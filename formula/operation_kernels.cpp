// Computing routines of the operators; all operands are read as doubles and computed in
// extended precision.
#include "formula/operation_kernels.h"

#include "formula/arithmetic.h"
#include "formula/formula_errors.h"

#include <cstdint>

namespace qel::formula {

void raiseDivisionByZero() { throw EDivisionByZero(); }
void raiseOverflow() { throw EArithmeticOverflow(); }
void raiseInvalidOperation() { throw EInvalidOperation(); }
void raiseResultFault(long double result)
{
    if (std::isnan(result))
        raiseInvalidOperation();
    raiseOverflow();
}

long double integerPower(long double base, int e)
{
    if (e == 0)
        return 1.0L;
    std::uint64_t n = e < 0 ? std::uint64_t(-std::int64_t(e)) : std::uint64_t(e);
    long double result = 1.0L;
    long double square = base;
    for (;;) {
        if (n & 1)
            result *= square;
        n >>= 1;
        if (n == 0)
            break;
        square *= square;
    }
    if (e > 0)
        return result;
    if (result == 0.0L) {
        if (base == 0.0L)
            raiseDivisionByZero();
        raiseOverflow(); // the true value is beyond any floating-point range
    }
    return 1.0L / result;
}

namespace {

// Truncation toward zero to a 64-bit integer; a value outside that range is invalid.
std::int64_t truncated(double x)
{
    if (!(x >= -0x1p63 && x < 0x1p63))
        raiseInvalidOperation();
    return std::int64_t(x);
}

void passThrough(const Operation&) {}

void negate(const Operation& op) { store(op, -static_cast<long double>(*op.Arg1)); }

void sum(const Operation& op) { store(op, static_cast<long double>(*op.Arg1) + static_cast<long double>(*op.Arg2)); }

void difference(const Operation& op)
{
    store(op, static_cast<long double>(*op.Arg1) - static_cast<long double>(*op.Arg2));
}

void product(const Operation& op)
{
    store(op, static_cast<long double>(*op.Arg1) * static_cast<long double>(*op.Arg2));
}

void quotient(const Operation& op)
{
    const long double a = *op.Arg1;
    const long double b = *op.Arg2;
    if (b == 0.0L) [[unlikely]] {
        if (a == 0.0L || std::isnan(a))
            raiseInvalidOperation(); // 0/0 has no value
        raiseDivisionByZero();
    }
    store(op, a / b);
}

void remainder(const Operation& op)
{
    const std::int64_t a = truncated(*op.Arg1);
    const std::int64_t b = truncated(*op.Arg2);
    if (b == 0)
        raiseDivisionByZero();
    store(op, b == -1 ? 0.0L : static_cast<long double>(a % b));
}

void intQuotient(const Operation& op)
{
    const std::int64_t a = truncated(*op.Arg1);
    const std::int64_t b = truncated(*op.Arg2);
    if (b == 0)
        raiseDivisionByZero();
    // The smallest integer divided by -1 does not fit 64 bits, but its value fits a double.
    store(op, b == -1 ? -static_cast<long double>(a) : static_cast<long double>(a / b));
}

void intPower(const Operation& op)
{
    const double e = *op.Arg2;
    if (!(e > -2147483649.0 && e < 2147483648.0))
        raiseInvalidOperation();
    store(op, integerPower(*op.Arg1, int(e)));
}

void realPower(const Operation& op)
{
    const long double base = *op.Arg1;
    const long double e = *op.Arg2;
    if (e == 0.0L) {
        store(op, 1.0L);
        return;
    }
    if (base == 0.0L && e > 0.0L) {
        store(op, 0.0L);
        return;
    }
    if (e == std::trunc(e) && std::fabs(e) <= 2147483647.0L) {
        store(op, integerPower(base, int(e)));
        return;
    }
    if (std::isnan(base) || std::isnan(e) || base < 0.0L)
        raiseInvalidOperation(); // the logarithm of a negative number
    if (base == 0.0L)
        raiseDivisionByZero(); // the logarithm of zero
    store(op, std::exp(e * std::log(base)));
}

void square(const Operation& op)
{
    const long double a = *op.Arg1;
    store(op, a * a);
}

void cube(const Operation& op)
{
    const long double a = *op.Arg1;
    store(op, (a * a) * a);
}

void fourthPower(const Operation& op)
{
    const long double a = *op.Arg1;
    const long double s = a * a;
    store(op, s * s);
}

} // namespace

KernelRoutine kernelOf(TOperationKind kind)
{
    switch (kind) {
    case okVariable:
    case okConstant: return passThrough;
    case okNegate: return negate;
    case okSum: return sum;
    case okDifference: return difference;
    case okProduct: return product;
    case okQuotient: return quotient;
    case okRemainder: return remainder;
    case okIntQuotient: return intQuotient;
    case okIntPower: return intPower;
    case okRealPower: return realPower;
    case okSquare: return square;
    case okCube: return cube;
    case okFourthPower: return fourthPower;
    case okFunction1:
    case okFunction2: break;
    }
    return nullptr;
}

} // namespace qel::formula
