// Sorted name tables searched by bisection.
#include "formula/name_tables.h"

#include "formula/formula_errors.h"

#include <algorithm>

namespace qel {

namespace {

inline char16_t upperAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }

template <class Entry>
auto lowerBound(const std::vector<Entry>& entries, QStringView name)
{
    return std::lower_bound(entries.begin(), entries.end(), name, [](const Entry& e, QStringView n) {
        return compareNamesIgnoringCase(e.name, n) < 0;
    });
}

} // namespace

int compareNamesIgnoringCase(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t* pa = a.utf16();
    const char16_t* pb = b.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ca = upperAscii(pa[i]);
        const char16_t cb = upperAscii(pb[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

double* VariableTable::find(QStringView name) const
{
    if (name.isEmpty() || name.size() > longest_)
        return nullptr;
    auto it = lowerBound(entries_, name);
    return (it != entries_.end() && compareNamesIgnoringCase(it->name, name) == 0) ? it->cell : nullptr;
}

QString VariableTable::nameOf(const double* cell) const
{
    for (const Entry& e : entries_)
        if (e.cell == cell)
            return e.name;
    return {};
}

void VariableTable::insert(const QString& name, double* cell)
{
    auto it = lowerBound(entries_, name);
    if (it != entries_.end() && compareNamesIgnoringCase(it->name, name) == 0)
        return; // duplicates are ignored
    entries_.insert(it, Entry{name, cell});
    longest_ = std::max(longest_, int(name.size()));
}

void VariableTable::addExternal(const QString& name, double* cell) { insert(name, cell); }

double* VariableTable::addOwned(const QString& name)
{
    owned_.push_back(std::make_unique<double>(0.0));
    double* cell = owned_.back().get();
    insert(name, cell);
    return cell;
}

void VariableTable::clearOwned()
{
    std::erase_if(entries_, [this](const Entry& e) {
        return std::any_of(owned_.begin(), owned_.end(), [&](const auto& p) { return p.get() == e.cell; });
    });
    owned_.clear();
    longest_ = 0;
    for (const Entry& e : entries_)
        longest_ = std::max(longest_, int(e.name.size()));
}

KernelRoutine FunctionTable::find(QStringView name) const
{
    if (name.isEmpty() || name.size() > longest_)
        return nullptr;
    auto it = lowerBound(entries_, name);
    return (it != entries_.end() && compareNamesIgnoringCase(it->name, name) == 0) ? it->kernel : nullptr;
}

QString FunctionTable::nameOf(KernelRoutine kernel) const
{
    for (const Entry& e : entries_)
        if (e.kernel == kernel)
            return e.name;
    return {};
}

void FunctionTable::add(const QString& name, KernelRoutine kernel)
{
    auto it = lowerBound(entries_, name);
    if (it != entries_.end() && compareNamesIgnoringCase(it->name, name) == 0)
        throw EMathParserError(QStringLiteral("Function %1 is already defined").arg(name));
    entries_.insert(it, Entry{name, kernel});
    longest_ = std::max(longest_, int(name.size()));
}

} // namespace qel
