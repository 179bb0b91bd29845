// Opening the grade sheet ADO_SP_Sort with 300 and 3000 rows and reading every field of
// every row (the ten lookups included), against the same rows read by one plain SQLite
// query: with the lookup joins (the same data) and without them (mark_mag alone).
#include "bench/common/bench_sheet_db.h"
#include "bench/common/fixture_cache.h"
#include "data/dm_cde_3.h"
#include "data/mark_record.h"
#include "server/server.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

using namespace qel;

namespace {

// A database with one sheet of the given number of rows, built once per size.
struct Sheet {
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<data::TDM_CDE_3> dm;

    explicit Sheet(int rows)
    {
        qputenv("QEL_DATA_DIR", dir.path().toUtf8());
        path = dir.path() + QStringLiteral("/QEL.sqlite");
        bench::buildSheetDatabase(path, rows, [](server::Session& s, int id) {
            const int i = id - 1;
            s.execute(QStringLiteral("INSERT INTO mark_mag (id_group, id_student, id_examination, id_estimation, "
                                     "id_discipline, id_semester, id_teacher, p35, p36, id_f_est, m1, m2, m3, ball, "
                                     "primech, dopusk_izm, id_ebe_var, kredits, isStaticDiscipline, id_estimation_other) "
                                     "VALUES (1, ?, 1, ?, 1, 1, 2, '101', '20.01.2026', 1, ?, ?, ?, ?, 'д', 0, 1, 5, 0, ?)"),
                      {id, QVariant(1 + i % 3), double(i % 40) + 0.5, double(i % 60), QVariant(), double(i % 100),
                       i % 7 == 0 ? QVariant(1) : QVariant()});
        });

        dm = std::make_unique<data::TDM_CDE_3>();
        // The layer alone: the sheet's loading window and calculated fields are measured by
        // sheet_bench.
        dm->ADO_SP_Sort.beforeOpen = nullptr;
        dm->ADO_SP_Sort.afterOpen = nullptr;
        dm->ADO_SP_Sort.onCalcFields = nullptr;
        bench::loginAsTeacher(*dm);
        openLookupSources();
    }

    void openLookupSources()
    {
        data::TDM_CDE_3& d = *dm;
        d.ADOQ_estimation.open();
        d.ADOTSemestr.open();
        d.ADOT_f_est.open();
        d.ADOQ_f_est1.setSql(QStringLiteral("SELECT dbo.f_est.id_f_e, dbo.f_est.p109 FROM dbo.User_f_est INNER JOIN dbo.f_est "
                                            "ON dbo.User_f_est.id_f_est = dbo.f_est.id_f_e WHERE (dbo.User_f_est.id_login = 1)"));
        d.ADOQ_f_est1.open();
        d.ADOQ_Examination.open();
        d.ADOQ_Discipline.setSql(QStringLiteral(" SELECT id_group, id_semester, p34, id_discipline, Kredits, "
                                                "(id_discipline*10+Kredits) as id FROM gr_sem_disc_exam WHERE id_semester=1 "
                                                "and id_group=1 GROUP BY id_group, id_semester, p34, id_discipline, Kredits "));
        d.ADOQ_Discipline.open();
        d.ADOQ_s_fio.setSql(QStringLiteral("Select id_student, s_fio, idid from s_g where id_group=1 GROUP BY "
                                           "dbo.s_g.id_student, dbo.s_g.s_fio, idid"));
        d.ADOQ_s_fio.open();
        d.ADOQ_s_fio.setSort(QStringLiteral("s_fio"));
        d.ADOQ_t_fio.open();
        d.ADOQ_EstimationOther.parameters()[0].setValue(1);
        d.ADOQ_EstimationOther.open();
    }

    void openSheet() { bench::openSheet(*dm); }
};

Sheet& sheet(int rows) { return bench::fixtureOfSize<Sheet>(rows); }

void BM_OpenSheetWithLookups(benchmark::State& state)
{
    Sheet& s = sheet(int(state.range(0)));
    db::StoredProc& sp = s.dm->ADO_SP_Sort;
    // Calculated fields are the rules' business; the layer's own cost is measured.
    sp.onCalcFields = nullptr;
    std::vector<const db::Field*> fields(sp.fields().begin(), sp.fields().end());
    for (auto _ : state) {
        s.openSheet();
        qint64 sum = 0;
        const int n = sp.recordCount();
        for (int row = 0; row < n; ++row)
            for (const db::Field* f : fields)
                sum += sp.rowValue(row, *f).isNull() ? 0 : 1;
        benchmark::DoNotOptimize(sum);
        if (n != state.range(0))
            state.SkipWithError("wrong row count");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// One statement, read the way any client must: every column into a Qt value.
void readPlain(benchmark::State& state, const char* sql)
{
    Sheet& s = sheet(int(state.range(0)));
    for (auto _ : state) {
        const auto rows = bench::readPlainRows(s.path, sql);
        if (int(rows.size()) != state.range(0))
            state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(rows);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

const char* const kPlainColumns =
    "m.id_mark_mag, m.id_group, m.id_student, m.id_examination, m.id_estimation, m.id_discipline, m.id_semester, "
    "m.id_teacher, m.p35, m.p36, m.id_f_est, m.oper, m.u_date, m.m1, m.m2, m.m3, m.m4, m.dop, m.dop2, m.ball, "
    "m.QEL_User, m.QEL_Update, m.primech, m.m5, m.m6, m.m7, m.m8, m.m9, m.m10, m.m11, m.m12, m.k_count, "
    "m.id_estimation_other, m.dopusk_izm, m.id_ebe_var";

void BM_PlainSqliteWithLookupJoins(benchmark::State& state)
{
    static const std::string sql = std::string("SELECT ") + kPlainColumns +
        ", e.p31, sm.p43, t.t_fio, f.p109, x.p30, d.p34, s.s_fio, f.sessiya, eo.Estimation_Other, s.idid "
        "FROM mark_mag m LEFT JOIN estimation e ON e.id_estimation = m.id_estimation "
        "LEFT JOIN semester sm ON sm.id_semester = m.id_semester LEFT JOIN t_fio t ON t.id_teacher = m.id_teacher "
        "LEFT JOIN f_est f ON f.id_f_e = m.id_f_est LEFT JOIN examination x ON x.id_examination = m.id_examination "
        "LEFT JOIN discipline d ON d.id_discipline = m.id_discipline LEFT JOIN s_fio s ON s.id_student = m.id_student "
        "LEFT JOIN EstimationOther eo ON eo.id_estimation_other = m.id_estimation_other "
        "WHERE m.id_group = 1 AND m.id_semester = 1 AND m.id_discipline = 1 AND m.id_examination = 1 AND m.id_f_est = 1 "
        "ORDER BY s.s_fio COLLATE NOCASE, m.id_mark_mag";
    readPlain(state, sql.c_str());
}

void BM_PlainSqliteMarkMagOnly(benchmark::State& state)
{
    static const std::string sql = std::string("SELECT ") + kPlainColumns +
        " FROM mark_mag m WHERE m.id_group = 1 AND m.id_semester = 1 AND m.id_discipline = 1 AND m.id_examination = 1 "
        "AND m.id_f_est = 1";
    readPlain(state, sql.c_str());
}

BENCHMARK(BM_OpenSheetWithLookups)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainSqliteWithLookupJoins)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainSqliteMarkMagOnly)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);

} // namespace

