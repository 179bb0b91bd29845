// The client over the network against the client in-process: opening a sheet of 300 rows
// and posting marks through ODBC and TDS on the loopback (qel13-server running as its own
// process, as it does for a department), against the same through the embedded driver; and
// simple posts by 32 sessions at once, the server's throughput.
#include "bench/common/bench_sheet_db.h"
#include "data/dm_cde_3.h"
#include "platform/db/connection_string.h"
#include "platform/db/driver_factory.h"
#include "platform/db/write_back.h"
#include "platform/os/system_info.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

using namespace qel;

namespace {

constexpr int kRows = 300;
constexpr int kSessions = 32;

// One database of a 300-row sheet, opened in-process and served by qel13-server on a
// loopback port.
struct Bench {
    QTemporaryDir dir;
    QString path;
    QProcess server;
    int port = 0;

    Bench()
    {
        qputenv("QEL_DATA_DIR", dir.path().toUtf8());
        path = dir.path() + QStringLiteral("/QEL.sqlite");
        bench::buildSheetDatabase(path, kRows, [](server::Session& s, int id) {
            s.execute(QStringLiteral("INSERT INTO mark_mag (id_group, id_student, id_examination, id_estimation, "
                                     "id_discipline, id_semester, id_teacher, p35, p36, id_f_est, m1, m2, m3, primech, "
                                     "dopusk_izm, id_ebe_var, kredits, isStaticDiscipline) VALUES (1, ?, 1, 8, 1, 1, 2, "
                                     "'101', '20.01.2026', 1, ?, ?, ?, 'д', 0, 1, 5, 0)"),
                      {id, double(id % 9), double(id % 7), double(id % 5)});
        });
        const QString log = dir.path() + QStringLiteral("/server.log");
        server.setStandardErrorFile(log);
        server.start(QStringLiteral(QEL_SERVER_PATH),
                     {QStringLiteral("--db"), path, QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")});
        static const QRegularExpression listening(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)"));
        QElapsedTimer timer;
        timer.start();
        while (port == 0 && timer.elapsed() < 20000 && server.state() != QProcess::NotRunning) {
            QFile f(log);
            if (f.open(QIODevice::ReadOnly)) {
                const auto m = listening.match(QString::fromUtf8(f.readAll()));
                if (m.hasMatch())
                    port = m.captured(1).toInt();
            }
            QThread::msleep(20);
        }
        if (port == 0)
            qFatal("qel13-server did not start");
    }

    ~Bench()
    {
        server.terminate();
        server.waitForFinished(30000);
    }

    QString dataSource(bool tds) const
    {
        return tds ? QStringLiteral("127.0.0.1,%1").arg(port) : QStringLiteral("embedded");
    }
};

Bench& theBench()
{
    static Bench b;
    return b;
}

const char* label(bool tds) { return tds ? "ODBC over TDS on the loopback" : "embedded, in-process"; }

// The data module logged in; a lookup source stays open so that the connection does too,
// as in the client while a sheet is worked on.
std::unique_ptr<data::TDM_CDE_3> loggedIn(bool tds)
{
    auto dm = std::make_unique<data::TDM_CDE_3>();
    bench::loginAsTeacher(*dm, theBench().dataSource(tds));
    dm->ADOQ_estimation.open();
    return dm;
}

void BM_OpenSheet300(benchmark::State& state)
{
    const bool tds = state.range(0) != 0;
    auto dm = loggedIn(tds);
    for (auto _ : state) {
        bench::openSheet(*dm);
        benchmark::DoNotOptimize(dm->ADO_SP_Sort.recordCount());
    }
    if (dm->ADO_SP_Sort.recordCount() != kRows)
        state.SkipWithError("the sheet does not have 300 rows");
    state.SetLabel(label(tds));
}
BENCHMARK(BM_OpenSheet300)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One mark typed and posted: the write-back of the changed column with its old value.
void BM_PostMark(benchmark::State& state)
{
    const bool tds = state.range(0) != 0;
    auto dm = loggedIn(tds);
    bench::openSheet(*dm);
    db::StoredProc& sp = dm->ADO_SP_Sort;
    // The dataset's write-back alone: the sheet's rules need the main window.
    sp.beforeEdit = nullptr;
    sp.afterEdit = nullptr;
    sp.beforePost = nullptr;
    static int round = 0;
    ++round;
    double value = 0;
    int id = 0;
    int k = 0;
    for (auto _ : state) {
        sp.setRecNo(1 + k % kRows);
        sp.edit();
        value = 100.0 * round + k;
        sp.fieldByName(QStringLiteral("m1")).setAsFloat(value);
        sp.post();
        id = sp.fieldByName(QStringLiteral("id_mark_mag")).asInteger();
        ++k;
    }
    // The last post is in the file.
    auto own = server::Session::administrator(theBench().path);
    if (own->execute(QStringLiteral("SELECT m1 FROM mark_mag WHERE id_mark_mag = ?"), {id}).resultSets.value(0).rows.value(0).value(0)
        != QVariant(value))
        state.SkipWithError("the posts did not reach the database");
    state.SetLabel(label(tds));
}
BENCHMARK(BM_PostMark)->Arg(0)->Arg(1)->Iterations(100)->Repetitions(3)->Unit(benchmark::kMicrosecond);

// The plain post the load test makes, by 32 sessions at once: posts per second.
void BM_SimplePosts32Sessions(benchmark::State& state)
{
    const bool tds = state.range(0) != 0;
    const Bench& b = theBench();
    // Each session logs in as the client does (the work starts once all have) and connects
    // with the connection string the login composed.
    QString connection;
    {
        auto dm = std::make_unique<data::TDM_CDE_3>();
        bench::loginAsTeacher(*dm, b.dataSource(tds));
        connection = dm->ADO_CDE.connectionString();
    }
    try {
        auto driver = db::makeDriver(db::ConnectionString::parse(connection));
        driver->open();
        // The session's own rows, with the values they hold, so every post is the client's:
        // the changed column, the key and the old value.
        const int share = kRows / kSessions;
        const int first = 1 + state.thread_index() * share;
        std::vector<double> held;
        const wire::BatchResult current = driver->execute(
            QStringLiteral("SELECT m2 FROM mark_mag WHERE id_mark_mag BETWEEN ? AND ? ORDER BY id_mark_mag"),
            {first, first + share - 1});
        for (const wire::Row& row : current.resultSets.value(0).rows)
            held.push_back(row.value(0).toDouble());
        if (int(held.size()) != share)
            state.SkipWithError("the session's rows are not there");
        int k = 0;
        for (auto _ : state) {
            const int slot = k % share;
            QList<QVariant> params;
            const QString sql = db::updateStatement(QStringLiteral("mark_mag"),
                                                    {{QStringLiteral("m2"), held[size_t(slot)] + 1, held[size_t(slot)]}},
                                                    QStringLiteral("id_mark_mag"), first + slot, &params);
            if (driver->execute(sql, params).rowsAffected != 1)
                state.SkipWithError("a post changed no row");
            held[size_t(slot)] += 1;
            ++k;
        }
    } catch (const db::DbError& e) {
        state.SkipWithError(e.message().toUtf8().constData());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(label(tds));
}
BENCHMARK(BM_SimplePosts32Sessions)->Arg(0)->Arg(1)->Threads(kSessions)->UseRealTime()->MinTime(3.0);

} // namespace

int main(int argc, char** argv)
{
    // As the client does: the time zone is read once, not at every date converted.
    os::readTimeZoneOnce();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    theBench();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
