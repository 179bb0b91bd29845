// A benchmark fixture is costly to build (a database grown to thousands of rows, a window
// opened on it): one is built per size the first time a benchmark asks for it and kept for
// the rest of the run.
#pragma once

#include <map>
#include <memory>

namespace qel::bench {

template <class Fixture>
Fixture& fixtureOfSize(int size)
{
    static std::map<int, std::unique_ptr<Fixture>> fixtures;
    auto& f = fixtures[size];
    if (!f)
        f = std::make_unique<Fixture>(size);
    return *f;
}

} // namespace qel::bench
