// Statements of sheets of 30, 300 and 3000 students: reading the statement of the open
// sheet (rows, totals and grades computed by the rules), and writing it as PDF, XLSX and
// CSV files. The sheet has six checkpoints, two extra computed columns and a total.
#include "bench/common/bench_sheet_db.h"
#include "bench/common/fixture_cache.h"
#include "data/dm_cde_3.h"
#include "report/csv_export.h"
#include "report/standalone_sheet.h"
#include "report/statement_export.h"
#include "report/statement_layout.h"
#include "report/statement_reader.h"
#include "server/server.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

using namespace qel;

namespace {

struct Sheet {
    QTemporaryDir dir;
    std::unique_ptr<data::TDM_CDE_3> dm;
    std::unique_ptr<report::StandaloneSheet> window;
    report::Statement statement;

    explicit Sheet(int rows)
    {
        qputenv("QEL_DATA_DIR", dir.path().toUtf8());
        const QString path = dir.path() + QStringLiteral("/QEL.sqlite");
        bench::buildSheetDatabase(path, rows, [](server::Session& s, int id) {
            const int i = id - 1;
            QVariantList v{id, i % 2 ? 2 : 3};
            for (int m = 0; m < 6; ++m)
                v << double(5 + (i * 7 + m * 3) % 11);
            v << double(i % 4);
            s.execute(QStringLiteral("INSERT INTO mark_mag (id_group, id_student, id_examination, id_estimation, "
                                     "id_discipline, id_semester, id_teacher, p35, p36, id_f_est, m1, m2, m3, m4, m5, "
                                     "m6, dop, primech, dopusk_izm, id_ebe_var, kredits, isStaticDiscipline) VALUES "
                                     "(1, ?, 1, ?, 1, 1, 2, '101', '2026-01-20', 1, ?, ?, ?, ?, ?, ?, ?, 'д', 0, 1, 5, 0)"),
                      v);
        });
        auto s = server::Session::administrator(path);
        s->execute(QStringLiteral("INSERT INTO com_sfe (id_speciality, id_ebe_var) VALUES (1, 1)"));
        s->execute(QStringLiteral("INSERT INTO ebe (id_ebe_var, id_estimation, beg_bal, end_bal) VALUES "
                                  "(1, 11, 0, 61), (1, 3, 61, 76), (1, 2, 76, 91), (1, 1, 91, 101)"));
        const QString cfg = QStringLiteral("INSERT INTO est_config (id_ebe_var, id_f_est, pole_mark_mag, name_pole, order_pole, "
                                           "min, max, info_or_value, formula) VALUES (1, NULL, ?, ?, ?, 0, ?, ?, ?)");
        int order = 0;
        for (int m = 1; m <= 6; ++m)
            s->execute(cfg, {QStringLiteral("m%1").arg(m), QStringLiteral("Модуль %1").arg(m), ++order, 15, 1, QVariant()});
        s->execute(cfg, {QString(), QStringLiteral("Сумма модулей"), ++order, 90, 0, QStringLiteral("M1+M2+M3+M4+M5+M6")});
        s->execute(cfg, {QStringLiteral("dop"), QStringLiteral("Доп. баллы"), ++order, 10, 1, QVariant()});
        s->execute(cfg, {QString(), QStringLiteral("Лучший модуль"), ++order, 15, 0, QStringLiteral("MAX(M1,MAX(M2,M3))")});
        s->execute(cfg, {QStringLiteral("ball1"), QStringLiteral("Итого"), ++order, 100, 0,
                         QStringLiteral("M1+M2+M3+M4+M5+M6+DOP")});
        s.reset();

        dm = std::make_unique<data::TDM_CDE_3>();
        bench::loginAsTeacher(*dm);
        window = std::make_unique<report::StandaloneSheet>(*dm);
        window->open(report::SheetSelection{1, 1, 1, 5, 1, 1, 1});
        statement = report::readStatement(*dm, *window);
        if (statement.rows.size() != rows)
            qFatal("the sheet has %d rows instead of %d", int(statement.rows.size()), rows);
    }
};

Sheet& sheet(int rows) { return bench::fixtureOfSize<Sheet>(rows); }

// The statement read from the open sheet, every row computed anew.
void BM_ReadStatement(benchmark::State& state)
{
    Sheet& s = sheet(int(state.range(0)));
    for (auto _ : state) {
        s.dm->ADO_SP_Sort.invalidateCalculations();
        benchmark::DoNotOptimize(report::readStatement(*s.dm, *s.window));
    }
    state.SetComplexityN(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The statement written to a file in one format (replacing the previous one).
void writeFile(benchmark::State& state, report::ExportFormat format)
{
    Sheet& s = sheet(int(state.range(0)));
    const QString path = s.dir.path() + QStringLiteral("/statement.") + report::formatExtension(format);
    for (auto _ : state)
        report::exportStatement(s.statement, format, path, true);
    state.SetComplexityN(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_WritePdf(benchmark::State& state) { writeFile(state, report::ExportFormat::Pdf); }
void BM_WriteXlsx(benchmark::State& state) { writeFile(state, report::ExportFormat::Xlsx); }
void BM_WriteCsv(benchmark::State& state) { writeFile(state, report::ExportFormat::Csv); }

#define SIZES ->Arg(30)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN)
BENCHMARK(BM_ReadStatement) SIZES;
BENCHMARK(BM_WritePdf) SIZES;
BENCHMARK(BM_WriteXlsx) SIZES;
BENCHMARK(BM_WriteCsv) SIZES;

} // namespace

