// The recogniser: forms, operand restrictions and the memory of verdicts.
#include "formula/recogniser.h"

#include "formula/number_literal.h"

#include <algorithm>
#include <climits>
#include <numbers>

namespace qel::formula {

namespace {

// A verdict that took fewer steps than this is cheaper to recompute than to remember.
constexpr std::int64_t kRememberFrom = 6;

constexpr std::uint64_t kOccupied = std::uint64_t(1) << 63;

inline std::uint64_t hashKey(std::uint64_t k)
{
    k ^= k >> 29;
    k *= 0x9E3779B97F4A7C15ull;
    return k ^ (k >> 32);
}

int countIn(const std::vector<int>& v, Span s)
{
    return int(std::lower_bound(v.begin(), v.end(), s.e) - std::lower_bound(v.begin(), v.end(), s.b));
}

} // namespace

// ---- memory of verdicts -------------------------------------------------------------

const Match* Recogniser::Memo::find(std::uint64_t key) const
{
    if (slots_.empty())
        return nullptr;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hashKey(key) & mask;; i = (i + 1) & mask) {
        if (slots_[i].key == key)
            return &slots_[i].value;
        if (slots_[i].key == 0)
            return nullptr;
    }
}

void Recogniser::Memo::insert(std::uint64_t key, const Match& m)
{
    if ((used_ + 1) * 2 > slots_.size())
        grow();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hashKey(key) & mask;; i = (i + 1) & mask) {
        if (slots_[i].key == key) {
            slots_[i].value = m;
            return;
        }
        if (slots_[i].key == 0) {
            slots_[i] = {key, m};
            ++used_;
            return;
        }
    }
}

void Recogniser::Memo::grow()
{
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 256 : old.size() * 2, Slot{});
    used_ = 0;
    for (const Slot& s : old)
        if (s.key != 0)
            insert(s.key, s.value);
}

// ---- set-up and simple tests --------------------------------------------------------

namespace {

inline bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
inline bool isWordChar(char16_t c) { return isDigit(c) || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_'; }

bool isIdentifier(QStringView name)
{
    if (name.isEmpty() || isDigit(name[0].unicode()))
        return false;
    for (QChar c : name)
        if (!isWordChar(c.unicode()))
            return false;
    return true;
}

bool containsWordOperator(QStringView name)
{
    return name.contains(QLatin1String("DIV"), Qt::CaseInsensitive) || name.contains(QLatin1String("MOD"), Qt::CaseInsensitive);
}

} // namespace

// Pruning. Which operators a term may hold outside brackets follows from the operand
// restrictions: a term of the multiplicative kinds (negation, product, integer quotient,
// remainder, quotient, power, call, variable, number) holds no "+" or "-" that follows
// the end of a name, a number or a bracket (such a sign cannot belong to a number
// literal: a literal's signs start it or follow its "E" before a digit); a difference
// holds no such "+"; the left operand of a product and every term of the quotient kinds
// hold no "*"; the right operand of a quotient, "DIV" or "MOD" holds no "/"; a power holds
// one "^". A piece that breaks such a rule is refused without a search, and candidates
// whose parts would break it are not tried. The verdicts stay those of the full search
// (the tests compare both on random formulas); the rules assume identifier names and
// the fixed number format, and are off otherwise.
Recogniser::Recogniser(const char16_t* text, int length, const RecogniserTables& tables, bool memoise)
    : text_(text), length_(length), tables_(tables),
      locale_(tables.fixedNumberFormat ? QLocale::c() : QLocale::system()), memoise_(memoise)
{
    locale_.setNumberOptions(QLocale::RejectGroupSeparator);

    prune_ = memoise && tables.fixedNumberFormat;
    for (const auto& v : tables.variables.entries())
        prune_ = prune_ && isIdentifier(v.name) && !containsWordOperator(v.name);
    for (const auto* table : {&tables.functions1, &tables.functions2})
        for (const auto& f : table->entries())
            prune_ = prune_ && !f.name.isEmpty() && std::all_of(f.name.begin(), f.name.end(), [](QChar c) {
                return isWordChar(c.unicode());
            });
    if (prune_) {
        depth_.resize(std::size_t(length) + 1);
        int d = 0;
        for (int i = 0; i < length; ++i) {
            depth_[std::size_t(i)] = d;
            d += text[i] == u'(' ? 1 : text[i] == u')' ? -1 : 0;
            const char16_t c = text[i];
            if (c == u')')
                closeAt_.at.emplace_back(depth_[std::size_t(i)], i);
            else if (c == u'*')
                starAt_.at.emplace_back(depth_[std::size_t(i)], i);
            else if (c == u'/')
                slashAt_.at.emplace_back(depth_[std::size_t(i)], i);
            else if (c == u'^')
                caretAt_.at.emplace_back(depth_[std::size_t(i)], i);
            if ((c != u'+' && c != u'-') || i == 0)
                continue;
            const char16_t p = text[i - 1];
            const bool afterOperand = isWordChar(p) || p == u'.' || p == u')';
            const bool exponentSign = p == u'E' && i + 1 < length && isDigit(text[i + 1]);
            const bool afterWord = i >= 3 && ((text[i - 3] == u'D' && text[i - 2] == u'I' && p == u'V')
                                              || (text[i - 3] == u'M' && text[i - 2] == u'O' && p == u'D'));
            if (!afterOperand || exponentSign || afterWord)
                continue;
            additive_.at.emplace_back(depth_[std::size_t(i)], i);
            if (c == u'+')
                plusOperator_.at.emplace_back(depth_[std::size_t(i)], i);
        }
        depth_[std::size_t(length)] = d;
        for (TopLevel* t : {&additive_, &plusOperator_, &starAt_, &slashAt_, &caretAt_, &closeAt_})
            std::sort(t->at.begin(), t->at.end());
    }
    for (int i = 0; i < length; ++i) {
        switch (text[i]) {
        case u'+': plus_.push_back(i); break;
        case u'-': minus_.push_back(i); break;
        case u'*': star_.push_back(i); break;
        case u'/': slash_.push_back(i); break;
        case u'^': caret_.push_back(i); break;
        case u'(': open_.push_back(i); break;
        case u')': close_.push_back(i); break;
        case u',': comma_.push_back(i); break;
        case u'D':
            if (i + 3 <= length && text[i + 1] == u'I' && text[i + 2] == u'V')
                div_.push_back(i);
            break;
        case u'M':
            if (i + 3 <= length && text[i + 1] == u'O' && text[i + 2] == u'D')
                mod_.push_back(i);
            break;
        default: break;
        }
    }
}

const std::vector<int>& Recogniser::positions(char16_t c) const
{
    switch (c) {
    case u'+': return plus_;
    case u'-': return minus_;
    case u'*': return star_;
    case u'/': return slash_;
    case u'^': return caret_;
    case u'(': return open_;
    case u',': return comma_;
    default: return close_;
    }
}

int Recogniser::firstAtOrAfter(const std::vector<int>& v, int from)
{
    auto it = std::lower_bound(v.begin(), v.end(), from);
    return it == v.end() ? INT_MAX : *it;
}

int Recogniser::TopLevel::first(Span s, int depth) const
{
    auto it = std::lower_bound(at.begin(), at.end(), std::pair(depth, s.b + 1));
    return (it != at.end() && it->first == depth && it->second < s.e) ? it->second : INT_MAX;
}

int Recogniser::TopLevel::last(Span s, int depth) const
{
    auto it = std::lower_bound(at.begin(), at.end(), std::pair(depth, s.e));
    if (it == at.begin())
        return -1;
    --it;
    return (it->first == depth && it->second > s.b) ? it->second : -1;
}

bool Recogniser::wellNested(Span s) const
{
    const int d = depthAt(s.b);
    return depthAt(s.e) == d && (s.length() == 0 || (text_[s.b] != u')' && closeAt_.first(s, d) == INT_MAX));
}

bool Recogniser::refusedOutright(Form f, Span s) const
{
    if (!prune_ || s.length() == 0)
        return false;
    // Names and literals hold no brackets, so every term is well nested; no term begins
    // or ends with an operator that needs an operand on that side.
    if (!wellNested(s))
        return true;
    const char16_t head = text_[s.b];
    const char16_t tail = text_[s.e - 1];
    if (head == u'*' || head == u'/' || head == u'^' || head == u',' || tail == u'*' || tail == u'/'
        || tail == u'^' || tail == u'(' || tail == u',')
        return true;
    const int d = depthAt(s.b);
    switch (f) {
    case fNegation:
    case fPower:
        if (slashAt_.first(s, d) != INT_MAX)
            return true;
        if (const int c = caretAt_.first(s, d); c != INT_MAX && caretAt_.first({c, s.e}, d) != INT_MAX)
            return true;
        [[fallthrough]];
    case fQuotient:
    case fIntQuotient:
    case fRemainder:
        return additive_.first(s, d) != INT_MAX || starAt_.first(s, d) != INT_MAX;
    case fProduct: return additive_.first(s, d) != INT_MAX;
    case fDifference: return plusOperator_.first(s, d) != INT_MAX;
    default: return false;
    }
}

bool Recogniser::balanced(Span s) const
{
    if (!depth_.empty())
        return depthAt(s.b) == depthAt(s.e);
    return countIn(open_, s) == countIn(close_, s);
}

double* Recogniser::variable(Span s) const
{
    return tables_.variables.find(QStringView(text_ + s.b, s.length()));
}

static bool isPi(const char16_t* p, int len)
{
    return (len == 2 && p[0] == u'P' && p[1] == u'I') || (len == 3 && p[0] == u'-' && p[1] == u'P' && p[2] == u'I');
}

std::optional<double> Recogniser::number(Span s) const
{
    const char16_t* p = text_ + s.b;
    const int len = s.length();
    if (isPi(p, len))
        return len == 2 ? std::numbers::pi : -std::numbers::pi;
    if (tables_.fixedNumberFormat) {
        if (!isFixedLiteral(p, len))
            return std::nullopt;
        return fixedLiteralValue(p, len);
    }
    return localeNumber(locale_, QStringView(p, len));
}

bool Recogniser::isNumber(Span s) const
{
    if (tables_.fixedNumberFormat)
        return isPi(text_ + s.b, s.length()) || isFixedLiteral(text_ + s.b, s.length());
    return number(s).has_value();
}

KernelRoutine Recogniser::function1(Span call) const
{
    const int p = firstAtOrAfter(open_, call.b);
    return p < call.e ? tables_.functions1.find(QStringView(text_ + call.b, p - call.b)) : nullptr;
}

KernelRoutine Recogniser::function2(Span call) const
{
    const int p = firstAtOrAfter(open_, call.b);
    return p < call.e ? tables_.functions2.find(QStringView(text_ + call.b, p - call.b)) : nullptr;
}

// ---- verdicts -----------------------------------------------------------------------

Match Recogniser::form(Form f, Span s)
{
    ++steps_;
    if (refusedOutright(f, s))
        return {};
    if (!memoise_)
        return compute(f, s, nullptr);
    const std::uint64_t key = kOccupied | (std::uint64_t(s.b) << 34) | (std::uint64_t(s.e) << 4) | f;
    if (const Match* m = memo_.find(key))
        return *m;
    const std::int64_t before = steps_;
    const Match m = compute(f, s, nullptr);
    if (steps_ - before >= kRememberFrom)
        memo_.insert(key, m);
    return m;
}

Match Recogniser::classify(Span s, Trace* trace)
{
    if (!trace)
        return form(fClassify, s);
    return compute(fClassify, s, trace);
}

Match Recogniser::compute(Form f, Span s, Trace* trace)
{
    // Operand restrictions of the two-operand forms: what each side may be besides a
    // variable, a number or a bracket form. They define precedence and grouping.
    constexpr FormMask calls = bit(fCall1) | bit(fCall2);
    constexpr FormMask multiplicative = bit(fIntQuotient) | bit(fRemainder) | bit(fQuotient) | bit(fPower) | calls;
    constexpr FormMask plusLeft = bit(fNegation) | bit(fDifference) | bit(fProduct) | multiplicative;
    constexpr FormMask plusRight = bit(fSum) | bit(fDifference) | bit(fProduct) | multiplicative;
    constexpr FormMask minusLeft = plusLeft;
    constexpr FormMask minusRight = bit(fProduct) | multiplicative;
    constexpr FormMask timesLeft = bit(fNegation) | multiplicative;
    constexpr FormMask timesRight = bit(fProduct) | multiplicative;
    constexpr FormMask divideLeft = bit(fNegation) | multiplicative;
    constexpr FormMask divideRight = bit(fPower) | calls;

    // Candidates that pruning knows to fail (none with a trace: every candidate writes).
    const bool skip = prune_ && !trace;
    const int d = skip ? depthAt(s.b) : 0;
    auto after = [&](const TopLevel& t) { return skip ? std::max(s.b, t.last(s, d)) : s.b; };
    auto upTo = [&](const TopLevel& t) { return skip ? t.first(s, d) : INT_MAX; };

    switch (f) {
    case fNegation: return negation(s, trace);
    case fSum: return binary(s, u'+', okSum, plusLeft, plusRight, trace, s.b, upTo(plusOperator_));
    case fDifference: return binary(s, u'-', okDifference, minusLeft, minusRight, trace, after(additive_), INT_MAX);
    case fProduct: return binary(s, u'*', okProduct, timesLeft, timesRight, trace, s.b, upTo(starAt_));
    case fIntQuotient: return word(s, 0, okIntQuotient, divideLeft, divideRight, trace, after(slashAt_));
    case fRemainder: return word(s, 1, okRemainder, divideLeft, divideRight, trace, after(slashAt_));
    case fQuotient: return binary(s, u'/', okQuotient, divideLeft, divideRight, trace, after(slashAt_), INT_MAX);
    case fPower: return power(s, trace);
    case fCall1: return call1(s, trace);
    case fCall2: return call2(s, trace);
    case fClassify: {
        if (variable(s))
            return {s, {}, okVariable, true};
        if (isNumber(s))
            return {s, {}, okConstant, true};
        static constexpr Form order[] = {fNegation, fSum, fDifference, fProduct, fIntQuotient,
                                         fRemainder, fQuotient, fPower, fCall1, fCall2};
        for (Form g : order) {
            const Match m = trace ? compute(g, s, trace) : form(g, s);
            if (m.ok)
                return m;
        }
        return {};
    }
    case fBracket: {
        const BracketChain chain = solveBracketChain(s);
        return {chain.content.value_or(Span{}), {}, okVariable, chain.content.has_value()};
    }
    case fValid:
        return {{}, {}, okVariable, classify(s).ok || bracketContent(s).has_value()};
    }
    return {};
}

// A bracket form is "(" valid term ")"; when its content is itself only a bracket form,
// the content of that is taken, and so on. Nested pairs are settled from the innermost
// outwards so that deep nesting costs no deep recursion. Settles the pieces inside s
// and s's content; whether s itself is valid is left to the caller.
Recogniser::BracketChain Recogniser::solveBracketChain(Span s)
{
    int k = 0;
    while (s.length() - 2 * k >= 2 && text_[s.b + k] == u'(' && text_[s.e - 1 - k] == u')')
        ++k;
    auto remember = [&](Span x, bool valid, std::optional<Span> content) {
        if (!memoise_)
            return;
        const std::uint64_t at = kOccupied | (std::uint64_t(x.b) << 34) | (std::uint64_t(x.e) << 4);
        memo_.insert(at | fValid, {{}, {}, okVariable, valid});
        memo_.insert(at | fBracket, {content.value_or(Span{}), {}, okVariable, content.has_value()});
    };
    // Level i is the piece inside i pairs; the innermost (level k) has no enclosing pair.
    bool classified = false;
    bool valid = false;
    std::optional<Span> content;
    for (int i = k; i >= 1; --i) {
        const Span piece{s.b + i, s.e - i};
        std::optional<Span> c;
        if (valid)
            c = classified ? Span{s.b + i + 1, s.e - i - 1} : content;
        classified = classify(piece).ok;
        valid = classified || c.has_value();
        content = c;
        remember(piece, valid, content);
    }
    BracketChain chain;
    if (valid)
        chain.content = classified ? Span{s.b + 1, s.e - 1} : content;
    return chain;
}

std::optional<Span> Recogniser::bracketContent(Span s)
{
    if (s.length() < 2 || text_[s.b] != u'(' || text_[s.e - 1] != u')')
        return std::nullopt;
    const Match m = form(fBracket, s);
    return m.ok ? std::optional<Span>(m.left) : std::nullopt;
}

Span Recogniser::stripEnclosingBrackets(Span s)
{
    while (s.length() >= 2 && text_[s.b] == u'(' && text_[s.e - 1] == u')' && valid({s.b + 1, s.e - 1}))
        s = {s.b + 1, s.e - 1};
    return s;
}

Span Recogniser::argumentOf(Span validTerm)
{
    if (classify(validTerm).ok)
        return validTerm;
    return bracketContent(validTerm).value_or(validTerm);
}

std::optional<Span> Recogniser::acceptable(Span x, FormMask allowed)
{
    if (variable(x) || isNumber(x))
        return x;
    if (auto c = bracketContent(x))
        return c;
    // The order does not change the verdict; the cheap refusals come first.
    static constexpr Form order[] = {fCall1, fCall2, fPower, fNegation, fQuotient,
                                     fIntQuotient, fRemainder, fProduct, fDifference, fSum};
    for (Form f : order)
        if ((allowed & bit(f)) && form(f, x).ok)
            return x;
    return std::nullopt;
}

// ---- the forms ----------------------------------------------------------------------

Match Recogniser::negation(Span s, Trace* trace)
{
    if (s.length() < 1 || text_[s.b] != u'-')
        return {};
    const Span rest{s.b + 1, s.e};
    if (trace)
        trace->left = rest;
    if (auto c = bracketContent(rest)) {
        if (trace)
            trace->left = *c;
        return {*c, {}, okNegate, true};
    }
    if (variable(rest) || form(fPower, rest).ok || form(fCall1, rest).ok || form(fCall2, rest).ok)
        return {rest, {}, okNegate, true};
    return {};
}

bool Recogniser::candidate(Span l, Span r, TOperationKind kind, FormMask left, FormMask right, Match& m,
                           Trace* trace)
{
    ++steps_;
    if (trace) {
        trace->left = l;
        trace->right = r;
    }
    if (!balanced(l) || !balanced(r))
        return false;
    const auto a = acceptable(l, left);
    if (!a)
        return false;
    if (trace)
        trace->left = *a;
    const auto c = acceptable(r, right);
    if (!c)
        return false;
    if (trace)
        trace->right = *c;
    m = {*a, *c, kind, true};
    return true;
}

// The occurrences of the operator from the left; one that is the first or the last
// character of the text ends the search.
Match Recogniser::binary(Span s, char16_t op, TOperationKind kind, FormMask left, FormMask right, Trace* trace,
                         int from, int upTo)
{
    const std::vector<int>& pos = positions(op);
    auto it = std::lower_bound(pos.begin(), pos.end(), s.b);
    if (it != pos.end() && *it == s.b)
        return {};
    if (from > s.b)
        it = std::lower_bound(it, pos.end(), from);
    for (;; ++it) {
        const int p = it == pos.end() ? INT_MAX : *it;
        if (p >= s.e || p == s.b || p == s.e - 1 || p > upTo)
            return {};
        Match m;
        if (candidate({s.b, p}, {p + 1, s.e}, kind, left, right, m, trace))
            return m;
    }
}

// "DIV" and "MOD" are found by substring search: an occurrence at the first position is
// skipped, one that ends the text leaves an empty right operand and fails.
Match Recogniser::word(Span s, int wordIndex, TOperationKind kind, FormMask left, FormMask right, Trace* trace,
                       int from)
{
    const std::vector<int>& pos = wordIndex == 0 ? div_ : mod_;
    for (auto it = std::lower_bound(pos.begin(), pos.end(), from); it != pos.end() && *it + 3 <= s.e; ++it) {
        if (*it == s.b)
            continue;
        Match m;
        if (candidate({s.b, *it}, {*it + 3, s.e}, kind, left, right, m, trace))
            return m;
    }
    return {};
}

static TOperationKind powerKind(double exponent)
{
    if (!(exponent >= double(INT_MIN) && exponent <= double(INT_MAX)))
        return okRealPower;
    const int e = int(exponent);
    if (double(e) != exponent)
        return okRealPower;
    switch (e) {
    case 2: return okSquare;
    case 3: return okCube;
    case 4: return okFourthPower;
    default: return okIntPower;
    }
}

// The base may be a variable, a number, a bracket form or a call; the exponent is tried
// first as a number, whose value decides the kind.
Match Recogniser::power(Span s, Trace* trace)
{
    for (auto it = std::lower_bound(caret_.begin(), caret_.end(), s.b);; ++it) {
        const int p = it == caret_.end() ? INT_MAX : *it;
        if (p >= s.e || p == s.b || p == s.e - 1)
            return {};
        ++steps_;
        const Span l{s.b, p};
        const Span r{p + 1, s.e};
        if (trace) {
            trace->left = l;
            trace->right = r;
        }
        if (!balanced(l) || !balanced(r))
            continue;
        std::optional<Span> base;
        if (variable(l) || isNumber(l))
            base = l;
        else if (auto c = bracketContent(l))
            base = c;
        else if (form(fCall1, l).ok || form(fCall2, l).ok)
            base = l;
        if (!base)
            continue;
        if (trace)
            trace->left = *base;
        if (const auto v = number(r))
            return {*base, r, powerKind(*v), true};
        if (variable(r))
            return {*base, r, okRealPower, true};
        if (auto c = bracketContent(r)) {
            if (trace)
                trace->right = *c;
            return {*base, *c, okRealPower, true};
        }
        if (form(fCall1, r).ok || form(fCall2, r).ok)
            return {*base, r, okRealPower, true};
    }
}

Match Recogniser::call1(Span s, Trace* trace)
{
    const int p = firstAtOrAfter(open_, s.b);
    if (p >= s.e || p == s.b)
        return {};
    if (!tables_.functions1.find(QStringView(text_ + s.b, p - s.b)) || text_[s.e - 1] != u')')
        return {};
    ++steps_;
    if (trace)
        trace->left = Span{p + 1, s.e - 1};
    if (auto c = bracketContent({p, s.e})) {
        if (trace)
            trace->left = *c;
        return {*c, {}, okFunction1, true};
    }
    return {};
}

// The argument text is split at its commas from the left; a comma that is its first or
// last character, or no further comma, ends the search.
Match Recogniser::call2(Span s, Trace* trace)
{
    const int p = firstAtOrAfter(open_, s.b);
    if (p >= s.e || p == s.b || text_[s.e - 1] != u')')
        return {};
    if (!tables_.functions2.find(QStringView(text_ + s.b, p - s.b)))
        return {};
    const Span args{p + 1, s.e - 1};
    for (auto it = std::lower_bound(comma_.begin(), comma_.end(), args.b);; ++it) {
        const int c = it == comma_.end() ? INT_MAX : *it;
        if (c >= args.e || c == args.b || c == args.e - 1)
            return {};
        ++steps_;
        const Span a1{args.b, c};
        const Span a2{c + 1, args.e};
        if (trace) {
            trace->left = a1;
            trace->right = a2;
        }
        if (!valid(a1))
            continue;
        const Span x1 = argumentOf(a1);
        if (trace)
            trace->left = x1;
        if (!valid(a2))
            continue;
        const Span x2 = argumentOf(a2);
        if (trace)
            trace->right = x2;
        return {x1, x2, okFunction2, true};
    }
}

} // namespace qel::formula
