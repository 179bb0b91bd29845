// The same operations in the main window on the demo sheet grown to 3000 students, with
// everything the window adds: deleting 10 and 100 selected rows through Ctrl+Delete's path
// (the confirmation window built and answered, the access rule and both audit rows per row,
// the one reopening of the sheet by Timer1), and the hand-in date for every row of sheets
// of 300 and 3000 students (each row posted through the posting rules with its audit rows).
#include "bench/common/bench_main_window.h"
#include "bench/common/fixture_cache.h"
#include "data/dm_cde_3.h"
#include "grid/qx_dbgrid_events.h"
#include "platform/ui/date_picker.h"
#include "platform/ui/qx_db_grid_eh.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <benchmark/benchmark.h>


using namespace qel;

namespace {

bench::MainWindowSheet& windowSheet() { return bench::fixtureOfSize<bench::MainWindowSheet>(3000); }

void BM_SheetDeleteSelectedRows(benchmark::State& state)
{
    bench::MainWindowSheet& s = windowSheet();
    bench::YesDialogs dialogs;
    const int n = int(state.range(0));
    db::StoredProc& sheet = s.dm->ADO_SP_Sort;
    int openings = 0;
    const auto opened = sheet.afterOpen;
    sheet.afterOpen = [&](db::DataSet& ds) {
        ++openings;
        opened(ds);
    };
    QString failure;
    for (auto _ : state) {
        state.PauseTiming();
        s.restoreRows();
        for (int k = 0; k < n; ++k)
            s.window->QXDBGridEh1->rowClicked(k * (s.students / n), Qt::ControlModifier);
        openings = 0;
        state.ResumeTiming();
        QTimer::singleShot(0, [] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                d->accept();
        });
        s.window->F4_QX_DM_CDE_3->deleteRecords(true);
        QElapsedTimer waited;
        waited.start();
        while (openings == 0 && waited.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (failure.isEmpty() && (sheet.recordCount() != s.students - n || openings != 1 || dialogs.messages))
            failure = QStringLiteral("left %1 rows, %2 openings; %3").arg(sheet.recordCount()).arg(openings).arg(dialogs.last);
    }
    sheet.afterOpen = opened;
    if (!failure.isEmpty())
        state.SkipWithError(qPrintable(failure));
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_DateForAllRows(benchmark::State& state)
{
    bench::MainWindowSheet& s = bench::fixtureOfSize<bench::MainWindowSheet>(int(state.range(0)));
    bench::YesDialogs dialogs;
    s.restoreRows();
    int day = 0;
    for (auto _ : state) {
        s.window->DateTimePicker1->setValue(QDateTime(QDate(2026, 1, 10 + day++ % 10), QTime(9, 0)));
        s.window->SpeedButton1Click();
    }
    if (dialogs.messages)
        state.SkipWithError(qPrintable(dialogs.last));
    state.SetItemsProcessed(state.iterations() * s.students);
}

BENCHMARK(BM_SheetDeleteSelectedRows)->Arg(10)->Arg(100)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DateForAllRows)->Arg(300)->Arg(3000)->Iterations(2)->Unit(benchmark::kMillisecond);

} // namespace
