// The expression compiler: turns one formula text into a flat, ordered list of
// operations over value cells (constants, the caller's variables, intermediate results).
#pragma once

#include "formula/formula_errors.h"
#include "formula/name_tables.h"
#include "formula/operation.h"

#include <QString>
#include <cstdint>

namespace qel {

// Work done by one compilation, for the benchmark and the tests.
struct CompileStats {
    std::int64_t steps = 0;        // verdicts asked for and candidate splits tried
    std::size_t remembered = 0;    // verdicts kept in memory
};

struct CompileOptions {
    // false: every verdict is worked out afresh, as the plain recogniser does (exponential
    // on some texts); the result is the same, only slower. For comparison in tests.
    bool memoise = true;
    CompileStats* stats = nullptr;
};

// Nesting limits: operands sit at most 20 levels below the whole formula, and at most 50
// operations have their operands on any one level.
constexpr int kMaxNestingLevel = 20;
constexpr int kMaxSlotsPerLevel = 50;

// Compiles text (the caller never passes an empty one) with the variable table, the one-
// and two-argument function tables and the number format (true: fixed format with "." as
// decimal point; false: the user's locale). error is cleared on entry and set just before
// an error of the EMathParserError family is raised. Kernels are set for calls only.
OperationList CompileExpression(const QString& text, const VariableTable& variables,
                                const FunctionTable& functions1, const FunctionTable& functions2,
                                bool pascalNumberFormat, bool& error, const CompileOptions& options = {});

} // namespace qel
