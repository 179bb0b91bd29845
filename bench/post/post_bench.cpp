// One typed mark on the demo examination sheet grown to 30 and 3000 students, from the
// column's update handler to the committed row and its audit rows, and one "н/п" reset:
// the cost of a post must not grow with the sheet (nothing re-reads the whole sheet).
#include "bench/common/bench_main_window.h"
#include "bench/common/fixture_cache.h"
#include "data/dm_cde_3.h"
#include "platform/ui/qx_db_grid_eh.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace qel;

namespace {

bench::MainWindowSheet& sheet(int students) { return bench::fixtureOfSize<bench::MainWindowSheet>(students); }

// A mark typed into m1 of the first row (alternating, so every post changes it), checked
// by the column's update handler, then the row posted with its total, grade and audit rows.
void BM_TypedMarkPost(benchmark::State& state)
{
    bench::MainWindowSheet& s = sheet(int(state.range(0)));
    bench::YesDialogs dialogs;
    db::StoredProc& sp = s.dm->ADO_SP_Sort;
    sp.first();
    const int m1 = s.column(QStringLiteral("m1"));
    int n = 0;
    for (auto _ : state) {
        if (!s.window->QXDBGridEh1->setCellText(m1, QString::number(5 + (n++ % 2))))
            state.SkipWithError("the mark was refused");
        sp.post();
    }
    if (dialogs.messages)
        state.SkipWithError(qPrintable(dialogs.last));
    state.SetItemsProcessed(state.iterations());
}

// "н/п" on one row after another: the question answered Yes, the row zeroed and posted.
void BM_NpReset(benchmark::State& state)
{
    bench::MainWindowSheet& s = sheet(int(state.range(0)));
    bench::YesDialogs dialogs;
    db::StoredProc& sp = s.dm->ADO_SP_Sort;
    int row = 1;
    for (auto _ : state) {
        state.PauseTiming();
        sp.setRecNo(row++ % sp.recordCount() + 1);
        state.ResumeTiming();
        s.window->N2Click();
    }
    if (dialogs.messages)
        state.SkipWithError(qPrintable(dialogs.last));
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_TypedMarkPost)->Arg(30)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NpReset)->Arg(30)->Arg(3000)->Iterations(25)->Unit(benchmark::kMillisecond);

} // namespace

