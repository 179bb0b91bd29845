// A benchmark fixture is costly to build (a database grown to thousands of rows, a window
// opened on it): one is built per size the first time a benchmark asks for it and kept for
// the rest of the run. Fixtures hold windows, so they are destroyed with the application
// object, before it is gone, not among the program's static objects after it.
#pragma once

#include <QCoreApplication>

#include <map>
#include <memory>

namespace qel::bench {

namespace detail {
template <class Fixture>
std::map<int, std::unique_ptr<Fixture>>& fixtures()
{
    static std::map<int, std::unique_ptr<Fixture>> all;
    static const bool destroyedWithApplication = (qAddPostRoutine([] { fixtures<Fixture>().clear(); }), true);
    (void)destroyedWithApplication;
    return all;
}
} // namespace detail

template <class Fixture>
Fixture& fixtureOfSize(int size)
{
    auto& f = detail::fixtures<Fixture>()[size];
    if (!f)
        f = std::make_unique<Fixture>(size);
    return *f;
}

// The one fixture of a kind that has no size.
template <class Fixture>
Fixture& sharedFixture()
{
    auto& f = detail::fixtures<Fixture>()[0];
    if (!f)
        f = std::make_unique<Fixture>();
    return *f;
}

} // namespace qel::bench
