// The grid events component on a sheet-like grid of 300 and 3000 students (twenty visible
// columns, two of them lookups): copying every row to the clipboard, and deleting 10, 100
// and 1000 selected rows of the 3000 through the component with the confirmation window
// built and answered. The rows deleted are put back between iterations, outside the timing.
#include "bench/common/bench_main_window.h"
#include "bench/common/bench_sheet_db.h"
#include "bench/common/fixture_cache.h"
#include "data/dm_cde_3.h"
#include "grid/clipboard_records.h"
#include "grid/sheet_grid_events.h"
#include "platform/db/data_source.h"
#include "platform/db/query.h"
#include "platform/os/clipboard.h"
#include "platform/ui/qx_db_grid_eh.h"

#include <QApplication>
#include <QDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <memory>

using namespace qel;

namespace {

const char* const kSheetSql =
    "SELECT m.id_mark_mag, s.s_fio AS student, s.idid, m.primech, m.id_teacher, m.p35, m.m1, m.m2, m.m3, m.m4, m.m5, "
    "m.m6, m.m7, m.m8, m.m9, m.m10, m.m11, m.m12, m.dop, m.p36, m.id_estimation FROM mark_mag m "
    "INNER JOIN s_fio s ON s.id_student = m.id_student ORDER BY s.s_fio";

struct Sheet {
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<data::TDM_CDE_3> dm;
    std::unique_ptr<db::Query> teachers, grades, marks;
    std::unique_ptr<db::DataSource> source;
    std::unique_ptr<QWidget> window;
    ui::TQXDBGridEh* grid = nullptr;
    std::unique_ptr<grid::TQXDBGridEvents> events;

    explicit Sheet(int rows)
    {
        qputenv("QEL_DATA_DIR", dir.path().toUtf8());
        path = dir.path() + QStringLiteral("/QEL.sqlite");
        bench::buildSheetDatabase(path, rows, [](server::Session& s, int id) {
            QVariantList v{id};
            for (int m = 0; m < 12; ++m)
                v << double((id * 7 + m * 3) % 9);
            s.execute(QStringLiteral("INSERT INTO mark_mag (id_group, id_student, id_examination, id_estimation, "
                                     "id_discipline, id_semester, id_teacher, p35, p36, id_f_est, m1, m2, m3, m4, m5, "
                                     "m6, m7, m8, m9, m10, m11, m12, dop, primech, dopusk_izm, id_ebe_var, kredits, "
                                     "isStaticDiscipline) VALUES (1, ?, 1, 3, 1, 1, 2, '101', '20.01.2026', 1, ?, ?, ?, "
                                     "?, ?, ?, ?, ?, ?, ?, ?, ?, 2, 'д', 0, 1, 5, 0)"),
                      v);
        });
        bench::execRaw(path, "CREATE TABLE mark_mag_kept AS SELECT * FROM mark_mag");
        dm = std::make_unique<data::TDM_CDE_3>();
        bench::loginAsTeacher(*dm);
        db::Connection* c = &dm->ADO_CDE;
        teachers = std::make_unique<db::Query>(c, QStringLiteral("teachers"));
        teachers->setSql(QStringLiteral("SELECT id_teacher, t_fio FROM t_fio"));
        teachers->open();
        grades = std::make_unique<db::Query>(c, QStringLiteral("grades"));
        grades->setSql(QStringLiteral("SELECT id_estimation, p31 FROM estimation"));
        grades->open();
        marks = std::make_unique<db::Query>(c, QStringLiteral("ADO_SP_Sort"));
        marks->setSql(QString::fromLatin1(kSheetSql));
        marks->addField(db::FieldSpec::autoInc("id_mark_mag"));
        marks->addField(db::FieldSpec::string("student", 100));
        marks->addField(db::FieldSpec::string("idid", 20));
        marks->addField(db::FieldSpec::string("primech", 50));
        marks->addField(db::FieldSpec::integer("id_teacher"));
        marks->addField(db::FieldSpec::string("p35", 50));
        for (int m = 1; m <= 12; ++m)
            marks->addField(db::FieldSpec::floating(QStringLiteral("m%1").arg(m)));
        marks->addField(db::FieldSpec::floating("dop"));
        marks->addField(db::FieldSpec::dateTime("p36"));
        marks->addField(db::FieldSpec::integer("id_estimation"));
        marks->addField(db::FieldSpec::lookup("teacher", db::FieldType::String, 60, QStringLiteral("id_teacher"),
                                              teachers.get(), QStringLiteral("id_teacher"), QStringLiteral("t_fio")));
        marks->addField(db::FieldSpec::lookup("grade", db::FieldType::String, 20, QStringLiteral("id_estimation"),
                                              grades.get(), QStringLiteral("id_estimation"), QStringLiteral("p31")));
        marks->addUpdateTable(QStringLiteral("mark_mag"), QStringLiteral("id_mark_mag"));
        marks->open();
        source = std::make_unique<db::DataSource>(QStringLiteral("DS_SP_Sort"));
        source->setDataSet(marks.get());

        window = std::make_unique<QWidget>();
        window->resize(1000, 600);
        grid = new ui::TQXDBGridEh(window.get());
        grid->resize(1000, 600);
        grid->setOptions(grid->options() | ui::dgMultiSelect);
        for (const char* f : {"student", "idid", "primech", "teacher", "p35"})
            grid->addColumn(QString::fromLatin1(f));
        for (int m = 1; m <= 12; ++m)
            grid->addColumn(QStringLiteral("m%1").arg(m)).setWidth(42);
        for (const char* f : {"dop", "p36", "grade"})
            grid->addColumn(QString::fromLatin1(f));
        grid->setDataSource(source.get());
        events = std::make_unique<grid::TQXDBGridEvents>();
        grid::configureSheetGridEvents(
            *events, *grid, QStringLiteral("id_mark_mag"),
            [this](QObject*, bool& canDelete) {
                // The window is built and shown; the answer Да comes from the event loop.
                QTimer::singleShot(0, [] {
                    if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                        d->accept();
                });
                grid::confirmRowsDeletion(*grid, canDelete);
            },
            nullptr);
        window->show();
    }

    // Every row back in the file and in the dataset, nothing selected.
    void restore()
    {
        bench::execRaw(path, "INSERT INTO mark_mag SELECT * FROM mark_mag_kept WHERE id_mark_mag NOT IN (SELECT id_mark_mag "
                             "FROM mark_mag)");
        marks->close();
        marks->open();
        grid->selectedRows().clear();
    }
};

Sheet& sheet(int rows) { return bench::fixtureOfSize<Sheet>(rows); }

// Every row selected and copied to the clipboard in the record format.
void BM_CopyAllRows(benchmark::State& state)
{
    Sheet& s = sheet(int(state.range(0)));
    s.restore();
    s.grid->selectedRows().selectAll();
    for (auto _ : state)
        s.events->copyRecords();
    const auto bytes = os::readClipboard(grid::clipboardFormat());
    if (!bytes || grid::readClipboardRecords(*bytes, 20).records.size() != state.range(0))
        state.SkipWithError("the clipboard does not hold every row");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// N rows spread over the 3000 selected by Ctrl-clicks, then Ctrl+Delete's path: the
// confirmation window listing them, the answer Да, the deletion of each row on the server.
void BM_DeleteSelectedRows(benchmark::State& state)
{
    Sheet& s = sheet(3000);
    const int n = int(state.range(0));
    bench::YesDialogs dialogs;
    QString failure;
    for (auto _ : state) {
        state.PauseTiming();
        s.restore();
        for (int k = 0; k < n; ++k)
            s.grid->rowClicked(k * (3000 / n), Qt::ControlModifier);
        const int selected = s.grid->selectedRows().count();
        state.ResumeTiming();
        s.events->deleteRecords(true);
        if (failure.isEmpty() && (selected != n || s.marks->recordCount() != 3000 - n || dialogs.messages > 0))
            failure = QStringLiteral("selected %1, left %2 rows; %3").arg(selected).arg(s.marks->recordCount()).arg(dialogs.last);
    }
    if (!failure.isEmpty())
        state.SkipWithError(qPrintable(failure));
    state.SetItemsProcessed(state.iterations() * n);
}

BENCHMARK(BM_CopyAllRows)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteSelectedRows)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

