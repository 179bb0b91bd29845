// The compiler: normalising, the bracket count, the walk over the term tree that numbers
// levels and slots, and the linking of the operation list.
#include "formula/compiler.h"

#include "formula/recogniser.h"

#include <array>
#include <exception>
#include <pthread.h>
#include <string>
#include <vector>

namespace qel {

using formula::Match;
using formula::Recogniser;
using formula::RecogniserTables;
using formula::Span;
using formula::Trace;

namespace {

// Texts whose pieces cannot be numbered in the memory's keys (half a billion characters).
constexpr int kLongestText = (1 << 29) - 1;

// Recognising recurses about once per operator or bracket; texts with more of them than
// this are recognised on a thread with a stack sized for them.
constexpr int kStructuralInline = 1000;
constexpr std::size_t kStackPerStructural = 8 * 1024;
constexpr std::size_t kStackBase = 8u << 20;

struct CellRef {
    double* external = nullptr;   // a variable's cell
    int local = -1;               // a constant or result cell of the list
};

struct Draft {
    TOperationKind kind = okVariable;
    KernelRoutine kernel = nullptr;
    CellRef arg1, arg2, dest;
};

class Walk {
public:
    Walk(Recogniser& rec, bool& error) : rec_(rec), error_(error)
    {
        for (auto& level : slotOp_)
            level.fill(-1);
    }

    // Classifies the whole formula (its forms write LeftText/RightText for the message)
    // and walks its term tree.
    OperationList run(Span root);

private:
    template <class E>
    [[noreturn]] void fail(E e)
    {
        error_ = true;
        throw e;
    }
    [[noreturn]] void syntaxError(Span text, const Trace& trace);

    void visit(Span text, int level, int slot, int side, const Match& m);
    CellRef newCell(double value)
    {
        localValues_.push_back(value);
        return {nullptr, int(localValues_.size()) - 1};
    }
    void setArgument(int level, int slot, int side, CellRef cell)
    {
        Draft& owner = drafts_[std::size_t(slotOp_[std::size_t(level)][std::size_t(slot)])];
        (side == 1 ? owner.arg1 : owner.arg2) = cell;
    }

    Recogniser& rec_;
    bool& error_;
    std::vector<Draft> drafts_;
    std::vector<double> localValues_;
    std::array<int, kMaxNestingLevel + 1> taken_{};
    std::array<std::array<int, kMaxSlotsPerLevel + 1>, kMaxNestingLevel + 1> slotOp_{};
    int deepest_ = 0;
};

void Walk::syntaxError(Span text, const Trace& trace)
{
    const char16_t* t = rec_.text();
    auto piece = [&](const std::optional<Span>& s) {
        return s ? QString::fromUtf16(t + s->b, s->length()) : QStringLiteral(" ");
    };
    QString message = QStringLiteral("Error parsing expression:") + QChar(13);
    if (trace.left || trace.right)
        message += piece(trace.left) + QChar(13) + piece(trace.right);
    else
        message += QString::fromUtf16(t + text.b, text.length());
    fail(ESyntaxError(message));
}

// Depth first, the first operand's whole subtree before the second operand. The
// operation of a term goes to the slot of its operands' level; both operands of a
// two-operand operation share that slot.
void Walk::visit(Span text, int level, int slot, int side, const Match& m)
{
    if (!m.ok) {
        Trace trace;
        rec_.classify(text, &trace);
        syntaxError(text, trace);
    }
    if (m.kind == okVariable) {
        setArgument(level, slot, side, {rec_.variable(text), -1});
        return;
    }
    if (m.kind == okConstant) {
        setArgument(level, slot, side, newCell(rec_.number(text).value_or(0.0)));
        return;
    }
    const int operandLevel = level + 1;
    if (operandLevel > kMaxNestingLevel)
        fail(ETooManyNestings());
    const int operandSlot = taken_[std::size_t(operandLevel)] + 1;
    if (operandSlot > kMaxSlotsPerLevel)
        fail(EExpressionTooComplex());
    deepest_ = std::max(deepest_, operandLevel);

    Draft op;
    op.kind = m.kind;
    if (m.kind == okFunction1 || m.kind == okFunction2) {
        op.kernel = m.kind == okFunction1 ? rec_.function1(text) : rec_.function2(text);
        if (!op.kernel)
            fail(EParserInternalError());
    }
    op.dest = newCell(0.0);
    slotOp_[std::size_t(operandLevel)][std::size_t(operandSlot)] = int(drafts_.size());
    drafts_.push_back(op);
    setArgument(level, slot, side, op.dest);

    const bool oneOperand = isOneOperandKind(m.kind);
    if (oneOperand)
        ++taken_[std::size_t(operandLevel)];
    visit(m.left, operandLevel, operandSlot, 1, rec_.classify(m.left));
    if (oneOperand)
        return;
    ++taken_[std::size_t(operandLevel)];
    visit(m.right, operandLevel, operandSlot, 2, rec_.classify(m.right));
}

OperationList Walk::run(Span root)
{
    Trace trace;
    const Match rootMatch = rec_.classify(root, &trace);
    if (!rootMatch.ok)
        syntaxError(root, trace);
    // The pass-through operation at level 0, slot 1 receives the root's cell.
    drafts_.push_back(Draft{});
    slotOp_[0][1] = 0;
    visit(root, 0, 1, 1, rootMatch);

    std::vector<const Draft*> order;
    if (deepest_ == 0) {
        drafts_[0].dest = drafts_[0].arg1;
        order.push_back(&drafts_[0]);
    } else {
        for (int level = deepest_; level >= 1; --level)
            for (int slot = 1; slot <= taken_[std::size_t(level)]; ++slot)
                order.push_back(&drafts_[std::size_t(slotOp_[std::size_t(level)][std::size_t(slot)])]);
    }

    // Cells are laid out in the order the list uses them.
    const int cellCount = int(localValues_.size());
    auto cells = std::make_unique<double[]>(std::size_t(std::max(cellCount, 1)));
    std::vector<int> placeOf(localValues_.size(), -1);
    int placed = 0;
    auto resolve = [&](const CellRef& ref) -> double* {
        if (ref.local < 0)
            return ref.external;
        int& at = placeOf[std::size_t(ref.local)];
        if (at < 0) {
            at = placed++;
            cells[std::size_t(at)] = localValues_[std::size_t(ref.local)];
        }
        return &cells[std::size_t(at)];
    };
    std::vector<Operation> ops;
    ops.reserve(order.size());
    for (const Draft* d : order) {
        Operation op;
        op.Kind = d->kind;
        op.Kernel = d->kernel;
        op.Arg1 = resolve(d->arg1);
        op.Arg2 = (d->arg2.local >= 0 || d->arg2.external) ? resolve(d->arg2) : nullptr;
        op.Dest = resolve(d->dest);
        ops.push_back(op);
    }
    return OperationList(std::move(ops), std::move(cells), cellCount);
}

// Runs f on a thread whose stack holds the given number of bytes; f's exception is
// raised here.
template <class F>
bool runOnStack(std::size_t bytes, F& f, std::exception_ptr& failure)
{
    struct Job {
        F* f;
        std::exception_ptr* failure;
    } job{&f, &failure};
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, bytes);
    pthread_t thread;
    const int rc = pthread_create(
        &thread, &attr,
        [](void* p) -> void* {
            Job* j = static_cast<Job*>(p);
            try {
                (*j->f)();
            } catch (...) {
                *j->failure = std::current_exception();
            }
            return nullptr;
        },
        &job);
    pthread_attr_destroy(&attr);
    if (rc != 0)
        return false;
    pthread_join(thread, nullptr);
    return true;
}

} // namespace

OperationList CompileExpression(const QString& source, const VariableTable& variables,
                                const FunctionTable& functions1, const FunctionTable& functions2,
                                bool pascalNumberFormat, bool& error, const CompileOptions& options)
{
    error = false;
    auto fail = [&](auto e) {
        error = true;
        throw e;
    };

    // Upper case (ASCII letters only), blanks (character 32) trimmed at both ends.
    std::u16string text;
    text.reserve(std::size_t(source.size()));
    for (QChar qc : source) {
        const char16_t c = qc.unicode();
        text += (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
    }
    const std::size_t first = text.find_first_not_of(u' ');
    text = first == std::u16string::npos ? std::u16string() : text.substr(first, text.find_last_not_of(u' ') - first + 1);
    if (text.find(u' ') != std::u16string::npos)
        fail(EExpressionHasBlanks());

    long long depth = 0;
    int structural = 0; // operators, brackets, commas and the last letters of DIV and MOD
    for (char16_t c : text) {
        depth += c == u'(' ? 1 : c == u')' ? -1 : 0;
        switch (c) {
        case u'+': case u'-': case u'*': case u'/': case u'^': case u'(': case u')': case u',': case u'V': case u'D':
            ++structural;
            break;
        default: break;
        }
    }
    if (depth != 0)
        fail(EMissMatchingBracket());
    if (text.size() > std::size_t(kLongestText))
        fail(EExpressionTooComplex());

    const RecogniserTables tables{variables, functions1, functions2, pascalNumberFormat};
    OperationList result;
    auto compile = [&] {
        Recogniser rec(text.data(), int(text.size()), tables, options.memoise);
        struct Report {
            const Recogniser& rec;
            CompileStats* stats;
            ~Report()
            {
                if (stats)
                    *stats = {rec.steps(), rec.remembered()};
            }
        } report{rec, options.stats};
        Walk walk(rec, error);
        result = walk.run(rec.stripEnclosingBrackets({0, int(text.size())}));
    };

    if (structural <= kStructuralInline) {
        compile();
        return result;
    }
    std::exception_ptr failure;
    if (!runOnStack(kStackBase + std::size_t(structural) * kStackPerStructural, compile, failure))
        fail(EExpressionTooComplex());
    if (failure)
        std::rethrow_exception(failure);
    return result;
}

} // namespace qel
