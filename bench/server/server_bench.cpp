// The mark sheet routine against one plain SQLite query reading the same rows, for sheets
// of 30, 300 and 3000 rows; and the time the dialect layer takes per statement.
#include "server/contract.h"
#include "server/server.h"
#include "server/sql_functions.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <map>
#include <memory>

using namespace qel;

namespace {

struct SheetFile {
    QTemporaryDir dir;
    QString path;
};

// A database whose only sheet (group 1, semester 1, discipline 1, exam 1, form 1) has n rows.
SheetFile& sheetFile(int n)
{
    static std::map<int, std::unique_ptr<SheetFile>> files;
    auto& f = files[n];
    if (f)
        return *f;
    f = std::make_unique<SheetFile>();
    f->path = f->dir.path() + QStringLiteral("/QEL.sqlite");
    server::createDatabase(f->path, false);
    auto s = server::Session::administrator(f->path);
    s->execute(QStringLiteral("BEGIN TRAN"));
    QRandomGenerator random(n);
    const QStringList surnames = {QStringLiteral("Иванов"), QStringLiteral("Петрова"), QStringLiteral("Сидоров"),
                                  QStringLiteral("Ёлкина"), QStringLiteral("Кузнецов"), QStringLiteral("Смирнова")};
    for (int i = 1; i <= n; ++i) {
        s->execute(QStringLiteral("INSERT INTO s_fio (id_student, s_fio, idid) VALUES (?, ?, ?)"),
                   {i, QStringLiteral("%1 %2").arg(surnames[random.bounded(surnames.size())]).arg(random.bounded(100000)),
                    QString::number(i)});
        s->execute(QStringLiteral(
                       "INSERT INTO mark_mag (id_group, id_student, id_examination, id_estimation, id_discipline, id_semester, "
                       "id_teacher, p35, p36, id_f_est, m1, m2, m3, m4, dop, ball, QEL_User, QEL_Update, primech, k_count, "
                       "dopusk_izm, id_ebe_var, kredits) VALUES (1, ?, 1, 3, 1, 1, 2, '1001', ?, 1, ?, ?, ?, ?, 0, ?, 'demo', ?, "
                       "'д', 4, 0, 1, 5)"),
                   {i, QDate(2026, 1, 10 + i % 15), random.bounded(20), random.bounded(20), random.bounded(20),
                    random.bounded(30), random.bounded(100), QDate(2026, 1, 9)});
    }
    s->execute(QStringLiteral("COMMIT"));
    return *f;
}

QList<wire::Param> sheetParams()
{
    QList<wire::Param> p = server::contract::parametersOf(*server::contract::findRoutine(QStringLiteral("SORT_MARK_MAG")));
    const QList<QVariant> values = {1, 1, 1, 1, 1, QStringLiteral("1=1"), 0, 0, 0, 1, -1, 1, 5};
    for (int i = 0; i < values.size(); ++i)
        p[i + 1].value = values[i];
    return p;
}

void SortMarkMag(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    auto s = server::Session::administrator(sheetFile(n).path);
    const QList<wire::Param> params = sheetParams();
    for (auto _ : state) {
        const wire::BatchResult r = s->callProcedure(QStringLiteral("SORT_MARK_MAG"), params);
        if (r.resultSets.first().rows.size() != n)
            state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations() * n);
}

// The same rows by one query straight on SQLite, values read by their storage class.
void PlainQuery(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    sqlite3* db = nullptr;
    sqlite3_open_v2(sheetFile(n).path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    server::registerSqlFunctions(db);
    const char* sql =
        "SELECT m.id_mark_mag, m.id_group, m.id_student, m.id_examination, m.id_estimation, m.id_discipline, "
        "m.id_semester, m.id_teacher, m.p35, m.p36, m.id_f_est, m.oper, m.u_date, m.m1, m.m2, m.m3, m.m4, m.dop, "
        "m.dop2, m.ball, m.QEL_User, m.QEL_Update, m.primech, m.m5, m.m6, m.m7, m.m8, m.m9, m.m10, m.m11, m.m12, "
        "m.k_count, m.id_estimation_other, m.dopusk_izm, m.id_ebe_var "
        "FROM mark_mag m LEFT JOIN s_fio f ON f.id_student = m.id_student "
        "WHERE m.id_group = 1 AND m.id_semester = 1 AND m.id_discipline = 1 AND m.id_examination = 1 "
        "AND m.id_f_est = 1 AND m.kredits = 5 ORDER BY f.s_fio, m.id_mark_mag";
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    for (auto _ : state) {
        QList<QList<QVariant>> rows;
        while (sqlite3_step(st) == SQLITE_ROW) {
            QList<QVariant> row;
            const int columns = sqlite3_column_count(st);
            row.reserve(columns);
            for (int i = 0; i < columns; ++i) {
                switch (sqlite3_column_type(st, i)) {
                case SQLITE_INTEGER: row.append(static_cast<qint64>(sqlite3_column_int64(st, i))); break;
                case SQLITE_FLOAT: row.append(sqlite3_column_double(st, i)); break;
                case SQLITE_TEXT:
                    row.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)),
                                                 sqlite3_column_bytes(st, i)));
                    break;
                default: row.append(QVariant()); break;
                }
            }
            rows.append(std::move(row));
        }
        sqlite3_reset(st);
        if (rows.size() != n)
            state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(rows);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * n);
}

const char* const kStatements[] = {
    "SELECT [canChangeDopusk]  FROM [QEL].[dbo].[QEL_User]  where QEL_login='demo'",
    "Select id_semester, p43, id_rate from g_sem where  id_group=1GROUP BY id_semester, p43, id_rate",
    " SELECT TOP 1 [QEL].[dbo].[Student].[id_student]   FROM [QEL].[dbo].[Student]  WHERE [QEL].[dbo].[Student].[login] = 'x' "
    "AND  [QEL].[dbo].[Student].[id_student] <> 5 UNION  SELECT TOP 1 [QEL].[dbo].[QEL_User].[id_qel_user]  FROM "
    "[QEL].[dbo].[QEL_User]  WHERE [QEL].[dbo].[QEL_User].[QEL_login] = 'x'",
    " Select *, byEducSh +ByDFS+CONVERT(int,isStaticDiscipline) as N from  (SELECT m.id_mark_mag, m.id_semester, "
    "m.kredits, discipline.p34, Case when  Convert(varchar,m.id_semester) +'XX'+ Convert(varchar,m.id_discipline) "
    "+'XX'+ Convert(varchar,m.id_examination)+'XX'+Convert(varchar,m.kredits)  IN (SELECT DISTINCT  CONVERT(varchar, "
    "semester.id_semester) + 'XX' + CONVERT(varchar, educ_sh.id_discipline) + 'XX' + CONVERT(varchar, "
    "dbo.educ_sh.id_examination)  + 'XX' + CONVERT(varchar, CASE WHEN dbo.educ_sh.Krdt IS NULL THEN 0 ELSE "
    "dbo.educ_sh.Krdt END) AS Expr1  FROM g_r_y INNER JOIN semester ON g_r_y.id_rate = semester.id_rate INNER JOIN "
    "educ_sh ON semester.id_semester = educ_sh.id_semester WHERE (g_r_y.id_group = 1) ) then 1 else 0 end as "
    "byEducSh, 0 as byDFS, 0 as isStaticDiscipline FROM mark_mag m INNER JOIN discipline on "
    "m.id_discipline=discipline.id_discipline WHERE id_student=5 AND id_group=1 ) AS T ORDER BY id_semester, p34",
    " SELECT * FROM ( SELECT fields,Copy FROM(select * from TF_GetMarkMagModulCopyAccess(7,1)) AS t  UNPIVOT (Copy FOR "
    "fields in (m1,m2,m3,m4,m5,m6,m7,m8,m9,m10,m11,m12,dop,dop2)) AS unpvt) AS table1 WHERE Copy=1",
};

void Translate(benchmark::State& state)
{
    auto s = server::Session::administrator(sheetFile(30).path);
    const QString sql = QString::fromUtf8(kStatements[state.range(0)]);
    for (auto _ : state)
        benchmark::DoNotOptimize(s->translate(sql));
    state.SetLabel(sql.simplified().left(40).toStdString());
}

} // namespace

BENCHMARK(SortMarkMag)->Arg(30)->Arg(300)->Arg(3000)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainQuery)->Arg(30)->Arg(300)->Arg(3000)->Unit(benchmark::kMicrosecond);
BENCHMARK(Translate)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
