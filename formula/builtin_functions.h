// The functions every TParser knows: one-argument TAN .. RND and two-argument MAX, MIN.
#pragma once

#include "formula/operation.h"

#include <span>

namespace qel::formula {

struct BuiltinFunction {
    const char* name;
    KernelRoutine kernel;
};

// In the order the parser enters them.
std::span<const BuiltinFunction> builtinFunctions1();
std::span<const BuiltinFunction> builtinFunctions2();

// A pseudo-random number uniformly distributed in [0, 1) (the generator of RND, seeded
// once per thread from the system's entropy and never reseeded).
double randomFraction();

} // namespace qel::formula
