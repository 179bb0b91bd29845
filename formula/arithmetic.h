// Shared pieces of the computing routines: results are computed in extended precision
// and stored as doubles; a result that is not a finite double ends the evaluation with
// the fault it stands for instead of being stored (faults are found by testing results,
// not by floating-point exception flags).
#pragma once

#include "formula/operation.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace qel::formula {

[[noreturn]] void raiseDivisionByZero();
[[noreturn]] void raiseOverflow();
[[noreturn]] void raiseInvalidOperation();
// NaN: an invalid operation; an infinity: an overflow.
[[noreturn]] void raiseResultFault(long double result);

// All exponent bits set: an infinity or a NaN.
constexpr std::uint64_t kExponentBits = 0x7FF0000000000000ull;

inline void store(const Operation& op, long double result)
{
    // Rounded straight into the cell and tested there, so that the next operation reads
    // the cell without waiting for the test (a faulting result cell is never read).
    *op.Dest = double(result);
    std::uint64_t bits;
    asm("" ::: "memory"); // read the stored bits back rather than keep the value in a register
    std::memcpy(&bits, op.Dest, sizeof bits);
    if ((bits & kExponentBits) == kExponentBits) [[unlikely]]
        raiseResultFault(result);
}

// base to the power e by repeated squaring (lowest bit first); a negative e gives the
// reciprocal. A zero base to a negative power is a division by zero.
long double integerPower(long double base, int e);

} // namespace qel::formula
