// The compiled form of a formula: a flat list of operations over 64-bit value cells.
// Evaluation walks the list and makes one indirect call per operation.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace qel {

enum TOperationKind : std::uint8_t {
    okVariable,     // pass-through of a single variable or constant
    okConstant,
    okNegate,
    okSum,
    okDifference,
    okProduct,
    okQuotient,
    okRemainder,
    okIntQuotient,
    okIntPower,
    okRealPower,
    okSquare,
    okCube,
    okFourthPower,
    okFunction1,
    okFunction2,
};

constexpr int kOperationKindCount = okFunction2 + 1;

// "okSum", "okFunction2" ...
const char* kindName(TOperationKind kind);

// One operand for kinds okNegate, okSquare, okCube, okFourthPower, okFunction1.
bool isOneOperandKind(TOperationKind kind);

struct Operation;

// Computes Dest from Arg1 (and Arg2); raises an EArithmeticFault instead of storing a fault.
using KernelRoutine = void (*)(const Operation& op);

struct Operation {
    double* Arg1 = nullptr;
    double* Arg2 = nullptr;     // empty for one-operand kinds
    double* Dest = nullptr;     // the result cell
    KernelRoutine Kernel = nullptr;    // set by the compiler for calls, attached by the parser otherwise
    TOperationKind Kind = okVariable;
};

// Owns the operations of one compiled formula together with their constant and result
// cells; variable cells belong to the variable table and are only referred to.
class OperationList {
public:
    OperationList() = default;
    OperationList(std::vector<Operation> ops, std::unique_ptr<double[]> cells, int cellCount)
        : ops_(std::move(ops)), cells_(std::move(cells)), cellCount_(cellCount) {}

    bool empty() const { return ops_.empty(); }
    int size() const { return int(ops_.size()); }
    const Operation& operator[](int i) const { return ops_[std::size_t(i)]; }
    const Operation* begin() const { return ops_.data(); }
    const Operation* end() const { return ops_.data() + ops_.size(); }
    Operation* begin() { return ops_.data(); }
    Operation* end() { return ops_.data() + ops_.size(); }

    // True for a constant or result cell of this list (not a variable's cell).
    bool ownsCell(const double* cell) const
    {
        std::less<const double*> before;
        return !before(cell, cells_.get()) && before(cell, cells_.get() + cellCount_);
    }

    // Calls every operation's routine in list order; the last result cell holds the value.
    void run() const
    {
        for (const Operation& op : ops_)
            op.Kernel(op);
    }
    double result() const { return *ops_.back().Dest; }

private:
    std::vector<Operation> ops_;
    std::unique_ptr<double[]> cells_;
    int cellCount_ = 0;
};

} // namespace qel
