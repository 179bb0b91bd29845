// Shared pieces of the computing routines: results are computed in extended precision
// and stored as doubles; a result that is not a finite double ends the evaluation with
// the fault it stands for instead of being stored (faults are found by testing results,
// not by floating-point exception flags).
#pragma once

#include "formula/operation.h"

#include <cmath>

namespace qel::formula {

[[noreturn]] void raiseDivisionByZero();
[[noreturn]] void raiseOverflow();
[[noreturn]] void raiseInvalidOperation();
// NaN: an invalid operation; an infinity: an overflow.
[[noreturn]] void raiseResultFault(long double result);

inline void store(const Operation& op, long double result)
{
    const double d = double(result);
    if (!std::isfinite(d)) [[unlikely]]
        raiseResultFault(result);
    *op.Dest = d;
}

// base to the power e by repeated squaring (lowest bit first); a negative e gives the
// reciprocal. A zero base to a negative power is a division by zero.
long double integerPower(long double base, int e);

} // namespace qel::formula
