// Opening a grade sheet of 30, 300 and 3000 students with twelve checkpoints and ten
// formulas (nine extra computed columns and the total): the time of an opening with its
// calculated fields, of the calculation alone per row (formulas compiled once per opening,
// and compiled again for every row and formula as a parser fed one text at a time must),
// against the same rows read by one plain query.
#include "bench/common/bench_sheet_db.h"
#include "bench/common/fixture_cache.h"
#include "data/dm_cde_3.h"
#include "data/mark_record.h"
#include "platform/db/value_convert.h"
#include "platform/os/system_info.h"
#include "rules/mark_sheet_calc.h"
#include "rules/sheet_window.h"
#include "server/server.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

using namespace qel;

namespace {

// The formulas of the configuration: nine extra columns, then the total.
const char* const kFormulas[] = {
    "M1+M2+M3+M4",          "M5+M6+M7+M8",           "M9+M10+M11+M12",
    "(M1+M2+M3)/3",         "MAX(M1,MAX(M2,M3))",    "MIN(M4,M5)+DOP2",
    "M1*M2/(M3+1)",         "SQRT(M6*M7)",           "(M1+M2+M3+M4+M5+M6)/6",
    "M1+M2+M3+M4+M5+M6+M7+M8+M9+M10+M11+M12+DOP",
};

// What the rules read of the main window: a fixed selection and a grid showing the sheet.
class BenchWindow : public rules::SheetWindow {
public:
    explicit BenchWindow(db::DataSet& sheet) : sheet_(sheet)
    {
        session_.ExamIds.Exam = 1;
        TGradeIds& g = session_.GradeIds;
        g.Excellent = 1, g.Good = 2, g.Satisfactory = 3, g.Unsatisfactory = 11, g.NP = 25, g.Dash = 20, g.Absent = 8;
        g.NotCredited = 9, g.Credited = 4, g.NotAttested = 10, g.Attested = 5;
        TGradeScale& s = session_.GradeScale;
        s = TGradeScale{{10000, 10000}, {0, 61},  {10000, 10000}, {61, 76},      {76, 91},
                        {91, 101},      {10000, 10000}, {10000, 10000}, {10000, 10000}};
    }
    QVariant groupKey() const override { return 1; }
    QVariant semesterKey() const override { return 1; }
    QVariant disciplineKey() const override { return 15; }
    QVariant examinationKey() const override { return 1; }
    QVariant scaleVariantKey() const override { return 1; }
    QVariant statementFormKey() const override { return 1; }
    db::DataSet* sheetGridDataSet() const override { return &sheet_; }
    SessionState& session() override { return session_; }
    void setSpecialGradeColumnsVisible(bool) override {}
    int sheetGridCol() const override { return 0; }
    QString sheetColumnTitle(int) const override { return {}; }
    void setSelectorsEnabled(bool) override {}
    bool sheetEditable() const override { return true; }

private:
    db::DataSet& sheet_;
    SessionState session_;
};

// A database with one sheet of the given number of students, built once per size.
struct Sheet {
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<data::TDM_CDE_3> dm;
    std::unique_ptr<BenchWindow> window;

    explicit Sheet(int rows)
    {
        qputenv("QEL_DATA_DIR", dir.path().toUtf8());
        path = dir.path() + QStringLiteral("/QEL.sqlite");
        bench::buildSheetDatabase(path, rows, [](server::Session& s, int id) {
            const int i = id - 1;
            QVariantList v{id};
            for (int m = 0; m < 12; ++m)
                v << double((i * 7 + m * 3) % 9) + (m % 4 == 0 ? 0.5 : 0.0);
            v << double(i % 5);
            s.execute(QStringLiteral("INSERT INTO mark_mag (id_group, id_student, id_examination, id_estimation, "
                                     "id_discipline, id_semester, id_teacher, p35, p36, id_f_est, m1, m2, m3, m4, m5, "
                                     "m6, m7, m8, m9, m10, m11, m12, dop, primech, dopusk_izm, id_ebe_var, kredits, "
                                     "isStaticDiscipline) VALUES (1, ?, 1, 8, 1, 1, 2, '101', '20.01.2026', 1, ?, ?, ?, "
                                     "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'д', 0, 1, 5, 0)"),
                      v);
        });
        auto s = server::Session::administrator(path);
        const QString cfg = QStringLiteral("INSERT INTO est_config (id_ebe_var, id_f_est, pole_mark_mag, name_pole, order_pole, "
                                           "min, max, info_or_value, formula) VALUES (1, NULL, ?, ?, ?, 0, ?, ?, ?)");
        int order = 0;
        for (int m = 1; m <= 12; ++m)
            s->execute(cfg, {QStringLiteral("m%1").arg(m), QStringLiteral("КТ %1").arg(m), ++order, 8, 1, QVariant()});
        for (int f = 0; f < 9; ++f)
            s->execute(cfg, {QString(), QStringLiteral("Расчёт %1").arg(f + 1), ++order, 100, 0, QString::fromUtf8(kFormulas[f])});
        s->execute(cfg, {QStringLiteral("ball1"), QStringLiteral("Итого"), ++order, 100, 0, QString::fromUtf8(kFormulas[9])});
        s.reset();

        dm = std::make_unique<data::TDM_CDE_3>();
        bench::loginAsTeacher(*dm);
        openSources();
        window = std::make_unique<BenchWindow>(dm->ADO_SP_Sort);
    }

    // The lookup sources, the group and the configuration as the main window leaves them.
    void openSources()
    {
        data::TDM_CDE_3& d = *dm;
        d.ADOQ_estimation.open();
        d.ADOTSemestr.open();
        d.ADOT_f_est.open();
        d.ADOQ_Examination.open();
        d.ADOQ_s_fio.setSql(QStringLiteral("Select id_student, s_fio, idid from s_g where id_group=1 GROUP BY "
                                           "dbo.s_g.id_student, dbo.s_g.s_fio, idid"));
        d.ADOQ_s_fio.open();
        d.ADOQ_s_fio.setSort(QStringLiteral("s_fio"));
        d.ADOQ_g_s.setSql(QStringLiteral("Select * from g_s where id_group=1"));
        d.ADOQ_g_s.open();
        d.ADOQ_est_config.setSql(QStringLiteral("SELECT * FROM TF_GetEstConfig(1,1)"));
        d.ADOQ_est_config.open();
        d.ADOQ_est_config.setSort(QStringLiteral("order_pole"));
    }

    void openSheet() { bench::openSheet(*dm); }

    // Reads every calculated field of every row, as the grid and its footer sums do.
    double readCalculated()
    {
        db::StoredProc& sp = dm->ADO_SP_Sort;
        std::vector<const db::Field*> fields;
        for (const db::Field* f : sp.fields())
            if (f->isCalculated())
                fields.push_back(f);
        double sum = 0;
        for (int row = 0, n = sp.recordCount(); row < n; ++row)
            for (const db::Field* f : fields) {
                const QVariant v = sp.rowValue(row, *f);
                sum += v.typeId() == QMetaType::QString ? v.toString().size() : v.toDouble();
            }
        return sum;
    }
};

Sheet& sheet(int rows) { return bench::fixtureOfSize<Sheet>(rows); }

// The rules compute while a window shows the sheet; without one nothing is computed.
struct Shown {
    explicit Shown(Sheet& s, bool on) { rules::registerSheetWindow(on ? s.window.get() : nullptr); }
    ~Shown() { rules::registerSheetWindow(nullptr); }
};

void openAndRead(benchmark::State& state, bool calculate)
{
    Sheet& s = sheet(int(state.range(0)));
    Shown shown(s, calculate);
    for (auto _ : state) {
        s.openSheet();
        benchmark::DoNotOptimize(s.readCalculated());
        if (s.dm->ADO_SP_Sort.recordCount() != state.range(0))
            state.SkipWithError("wrong row count");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// An opening with every row's calculated fields computed and read.
void BM_OpenSheet(benchmark::State& state) { openAndRead(state, true); }
// The same opening with nothing calculated: the dataset layer's own cost.
void BM_OpenSheetWithoutCalculation(benchmark::State& state) { openAndRead(state, false); }

// The calculation alone: every row's fields computed again from the open rows.
void BM_CalculateEveryRow(benchmark::State& state)
{
    Sheet& s = sheet(int(state.range(0)));
    Shown shown(s, true);
    s.openSheet();
    for (auto _ : state) {
        s.dm->ADO_SP_Sort.invalidateCalculations();
        benchmark::DoNotOptimize(s.readCalculated());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The same values with every formula handed to the parser anew for every row.
void BM_CalculateEveryRowCompilingEachTime(benchmark::State& state)
{
    Sheet& s = sheet(int(state.range(0)));
    Shown shown(s, true);
    data::TDM_CDE_3& dm = *s.dm;
    db::StoredProc& sp = dm.ADO_SP_Sort;
    s.openSheet();
    const auto saved = sp.onCalcFields;
    sp.onCalcFields = [&dm](db::DataSet& ds) {
        for (const char* v : {"m1", "m2", "m3", "m4", "m5", "m6", "m7", "m8", "m9", "m10", "m11", "m12", "dop", "dop2"})
            dm.Parser1.SetVariable(QString::fromLatin1(v), ds.fieldByName(QString::fromLatin1(v)).asInteger());
        for (int f = 0; f < 9; ++f) {
            dm.Parser1.setExpression(QString::fromUtf8(kFormulas[f]));
            ds.fieldByName(QStringLiteral("Calc%1").arg(f + 1)).setAsFloat(rules::roundToHundredths(dm.Parser1.Value()));
        }
        dm.Parser1.setExpression(QString::fromUtf8(kFormulas[9]));
        ds.fieldByName(QStringLiteral("ball1")).setAsFloat(rules::roundToHundredths(dm.Parser1.Value()));
    };
    for (auto _ : state) {
        sp.invalidateCalculations();
        benchmark::DoNotOptimize(s.readCalculated());
    }
    sp.onCalcFields = saved;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The same rows read by one plain query, every column into a Qt value.
void BM_PlainQuery(benchmark::State& state)
{
    Sheet& s = sheet(int(state.range(0)));
    const char* sql =
        "SELECT m.*, s.s_fio, s.idid FROM mark_mag m LEFT JOIN s_fio s ON s.id_student = m.id_student "
        "WHERE m.id_group = 1 AND m.id_semester = 1 AND m.id_discipline = 1 AND m.id_examination = 1 AND m.id_f_est = 1 "
        "ORDER BY s.s_fio COLLATE NOCASE, m.id_mark_mag";
    for (auto _ : state) {
        const auto rows = bench::readPlainRows(s.path, sql);
        if (int(rows.size()) != state.range(0))
            state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(rows);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

#define SIZES ->Arg(30)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_OpenSheet) SIZES;
BENCHMARK(BM_OpenSheetWithoutCalculation) SIZES;
BENCHMARK(BM_CalculateEveryRow) SIZES;
BENCHMARK(BM_CalculateEveryRowCompilingEachTime) SIZES;
BENCHMARK(BM_PlainQuery) SIZES;

} // namespace

int main(int argc, char** argv)
{
    // As the client does: the time zone is read once, not at every date converted.
    os::readTimeZoneOnce();
    // The opening shows the loading window: widgets need an application, offscreen here.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    // The values the compiled formulas give must be those of a parser fed each text anew.
    {
        Sheet& s = sheet(30);
        Shown shown(s, true);
        s.openSheet();
        db::StoredProc& sp = s.dm->ADO_SP_Sort;
        TParser check;
        for (int row = 0; row < sp.recordCount(); ++row) {
            for (const char* v : {"m1", "m2", "m3", "m4", "m5", "m6", "m7", "m8", "m9", "m10", "m11", "m12", "dop", "dop2"})
                check.SetVariable(QString::fromLatin1(v), db::convert::toInteger(sp.rowValue(row, sp.fieldByName(QString::fromLatin1(v)))));
            for (int f = 0; f < 10; ++f) {
                check.setExpression(QString::fromUtf8(kFormulas[f]));
                const QString field = f < 9 ? QStringLiteral("calc%1").arg(f + 1) : QStringLiteral("ball1");
                if (sp.rowValue(row, sp.fieldByName(field)).toDouble() != rules::roundToHundredths(check.Value())) {
                    fprintf(stderr, "row %d: %s differs\n", row, qPrintable(field));
                    return 1;
                }
            }
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
