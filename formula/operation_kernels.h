// The computing routines of the operation kinds okVariable .. okFourthPower.
#pragma once

#include "formula/operation.h"

namespace qel::formula {

KernelRoutine kernelOf(TOperationKind kind);

} // namespace qel::formula
