// The recogniser of formula terms: classifies a piece of the formula text by trying a
// fixed sequence of forms; a two-operand form splits at the leftmost occurrence of its
// operator whose two sides are acceptable operands of that operator. Each verdict is
// remembered per (piece, form), so a text is recognised in polynomial time although
// the same pieces are asked about again and again.
#pragma once

#include "formula/name_tables.h"
#include "formula/operation.h"

#include <QLocale>
#include <cstdint>
#include <optional>
#include <vector>

namespace qel::formula {

// A piece [b, e) of the normalised formula text.
struct Span {
    int b = 0;
    int e = 0;
    int length() const { return e - b; }
    bool operator==(const Span&) const = default;
};

// The verdict of a form on a piece: the kind and the operand pieces (brackets removed).
struct Match {
    Span left;
    Span right;
    TOperationKind kind = okVariable;
    bool ok = false;
};

// LeftText and RightText of the term being classified, as its forms write them; empty
// optionals stand for the initial single blank.
struct Trace {
    std::optional<Span> left;
    std::optional<Span> right;
};

struct RecogniserTables {
    const VariableTable& variables;
    const FunctionTable& functions1;
    const FunctionTable& functions2;
    bool fixedNumberFormat;
};

class Recogniser {
public:
    // text: upper-cased, trimmed, free of blanks; must outlive the recogniser.
    Recogniser(const char16_t* text, int length, const RecogniserTables& tables, bool memoise);

    // Classification in the fixed order variable, number, negation, sum, difference,
    // product, integer quotient, remainder, quotient, power, one- and two-argument call.
    // With a trace, every form tried writes its candidate parts into it.
    Match classify(Span s, Trace* trace = nullptr);
    // The outer-bracket removal of the whole formula.
    Span stripEnclosingBrackets(Span s);

    double* variable(Span s) const;
    bool isNumber(Span s) const;
    std::optional<double> number(Span s) const;
    KernelRoutine function1(Span call) const;   // the routine of a one-argument call's name
    KernelRoutine function2(Span call) const;

    const char16_t* text() const { return text_; }
    // Work counters, for the benchmark and the tests.
    std::int64_t steps() const { return steps_; }
    std::size_t remembered() const { return memo_.size(); }

private:
    enum Form : std::uint8_t {
        fNegation, fSum, fDifference, fProduct, fIntQuotient, fRemainder, fQuotient, fPower,
        fCall1, fCall2, fClassify, fValid, fBracket,
    };
    using FormMask = unsigned;
    static constexpr FormMask bit(Form f) { return 1u << f; }

    class Memo {
    public:
        const Match* find(std::uint64_t key) const;
        void insert(std::uint64_t key, const Match& m);
        std::size_t size() const { return used_; }

    private:
        struct Slot {
            std::uint64_t key = 0;   // 0: empty
            Match value;
        };
        void grow();
        std::vector<Slot> slots_;
        std::size_t used_ = 0;
    };

    Match form(Form f, Span s);
    Match compute(Form f, Span s, Trace* trace);

    struct BracketChain {
        std::optional<Span> content;   // set when the piece is a bracket form
    };

    bool valid(Span s) { return form(fValid, s).ok; }
    std::optional<Span> bracketContent(Span s);
    BracketChain solveBracketChain(Span s);
    Span argumentOf(Span validTerm);
    std::optional<Span> acceptable(Span x, FormMask allowed);

    Match negation(Span s, Trace* trace);
    // Candidates before from or after upTo are known to fail and are not tried.
    Match binary(Span s, char16_t op, TOperationKind kind, FormMask left, FormMask right, Trace* trace,
                 int from, int upTo);
    Match word(Span s, int wordIndex, TOperationKind kind, FormMask left, FormMask right, Trace* trace, int from);
    bool candidate(Span l, Span r, TOperationKind kind, FormMask left, FormMask right, Match& m, Trace* trace);
    Match power(Span s, Trace* trace);
    Match call1(Span s, Trace* trace);
    Match call2(Span s, Trace* trace);

    // Refusals that need no search (see the comment on pruning in the source); only
    // when every name is an identifier and numbers are in the fixed format.
    bool refusedOutright(Form f, Span s) const;
    struct TopLevel {
        std::vector<std::pair<int, int>> at;   // (bracket depth, position), sorted
        int first(Span s, int depth) const;    // first position in (b, e) at depth, or INT_MAX
        int last(Span s, int depth) const;     // last position in (b, e) at depth, or -1
    };
    int depthAt(int position) const { return depth_[std::size_t(position)]; }
    // Balanced, and no prefix closes more brackets than it opens.
    bool wellNested(Span s) const;

    bool balanced(Span s) const;
    // Positions of a character (or of a word's start) inside s, from the left.
    const std::vector<int>& positions(char16_t c) const;
    static int firstAtOrAfter(const std::vector<int>& v, int from);

    const char16_t* text_;
    int length_;
    RecogniserTables tables_;
    QLocale locale_;
    bool memoise_;
    std::int64_t steps_ = 0;
    Memo memo_;

    std::vector<int> plus_, minus_, star_, slash_, caret_, open_, close_, comma_, div_, mod_;
    bool prune_ = false;
    std::vector<int> depth_;   // bracket depth before each position
    TopLevel additive_;        // "+" and "-" that can only be operators of a sum or difference
    TopLevel plusOperator_;    // the "+" among them
    TopLevel starAt_, slashAt_, caretAt_, closeAt_;
};

} // namespace qel::formula
