// Opening the record book of a student with 60 records (the student selection of the
// window: the classified records, the first semester, the photo, every cell as the grid
// shows it) and listing the curriculum lines the book lacks (the copy dialog's list),
// against the same rows read by plain SQLite queries.
#include "bench/common/bench_sheet_db.h"
#include "bench/common/fixture_cache.h"
#include "data/dm_cde_3.h"
#include "platform/ui/check_list_box.h"
#include "platform/ui/db_lookup_combo_box.h"
#include "platform/ui/qx_db_grid_eh.h"
#include "recordbook/curriculum_copy_dialog.h"
#include "recordbook/record_book_window.h"
#include "server/demo_photos.h"
#include "server/server.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

using namespace qel;

namespace {

constexpr int kSemesters = 8;
constexpr int kLinesPerSemester = 10;
constexpr int kRecordSemesters = 6;   // the student's records: every line of semesters 1 to 6

// One group in its eighth semester: a curriculum of ten lines a semester (two grading-scale
// variants for the speciality) and one student whose book holds the sixty lines of the first
// six semesters, five of them with other credits than the curriculum's.
struct Book {
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<data::TDM_CDE_3> dm;
    std::unique_ptr<TForm14> window;

    Book()
    {
        qputenv("QEL_DATA_DIR", dir.path().toUtf8());
        path = dir.path() + QStringLiteral("/QEL.sqlite");
        bench::buildSheetDatabase(path, 1, [](server::Session&, int) {});
        auto s = server::Session::administrator(path);
        s->execute(QStringLiteral("BEGIN TRANSACTION"));
        s->execute(QStringLiteral("INSERT INTO examination (id_examination, p30) VALUES (2, 'Зачет')"));
        s->execute(QStringLiteral("INSERT INTO ee (id_exmination, id_estimation) VALUES (1, 1), (1, 2), (1, 3), (1, 11), (2, 8)"));
        s->execute(QStringLiteral("INSERT INTO poseshal (id_poseshal, poseshal, s_poseshal) VALUES (1, 'посещал', 'д'), "
                                  "(2, 'не посещал', 'н/д')"));
        s->execute(QStringLiteral("INSERT INTO com_sfe (id_speciality, id_ebe_var) VALUES (1, 1), (1, 2)"));
        s->execute(QStringLiteral("UPDATE student_group SET id_semester = 8"));
        s->execute(QStringLiteral("INSERT INTO movement_t (id_student, id_group, id_semester) VALUES (1, 1, 1)"));
        s->execute(QStringLiteral("INSERT INTO StudentPhoto (id_student, photo) VALUES (1, ?)"), {server::demoPhotos().value(0)});
        s->execute(QStringLiteral("DELETE FROM educ_sh"));
        for (int rate = 2; rate <= kSemesters / 2; ++rate)
            s->execute(QStringLiteral("INSERT INTO g_r_y (id_group, id_rate, id_a_year, p32) VALUES (1, ?, ?, '')"),
                       {rate, rate});
        int discipline = 1;
        for (int semester = 1; semester <= kSemesters; ++semester) {
            if (semester > 1)
                s->execute(QStringLiteral("INSERT INTO semester (id_semester, p43, id_rate) VALUES (?, ?, ?)"),
                           {semester, QStringLiteral("%1 семестр").arg(semester), (semester + 1) / 2});
            for (int line = 0; line < kLinesPerSemester; ++line, ++discipline) {
                if (discipline > 1)
                    s->execute(QStringLiteral("INSERT INTO discipline (id_discipline, p34, id_kafedra) VALUES (?, ?, 1)"),
                               {discipline, QStringLiteral("Дисциплина %1").arg(discipline, 3, 10, QLatin1Char('0'))});
                const int exam = line % 3 == 0 ? 2 : 1;
                const int credits = 2 + line % 4;
                s->execute(QStringLiteral("INSERT INTO educ_sh (id_speciality, id_a_year, id_semester, id_discipline, "
                                          "id_examination, Krdt) VALUES (1, ?, ?, ?, ?, ?)"),
                           {(semester + 1) / 2, semester, discipline, exam, credits});
                if (semester > kRecordSemesters)
                    continue;
                const bool otherCredits = line == 0 && semester <= 5;
                s->execute(QStringLiteral("INSERT INTO mark_mag (id_group, id_student, id_examination, id_estimation, "
                                          "id_discipline, id_semester, id_f_est, ball, primech, kredits, "
                                          "isStaticDiscipline, id_ebe_var, id_poseshal, p36) VALUES (1, 1, ?, ?, ?, ?, 1, "
                                          "?, 'д', ?, 0, 1, 1, '2025-01-20 00:00:00')"),
                           {exam, exam == 2 ? 8 : 2, discipline, semester, 60 + line, otherCredits ? credits + 1 : credits});
            }
        }
        s->execute(QStringLiteral("INSERT INTO DisciplineForStudent (id_student, id_discipline, id_semester, id_group, "
                                  "id_examination, kredits) VALUES (1, 1, 1, 1, 2, 3)"));
        s->execute(QStringLiteral("COMMIT TRANSACTION"));
        s.reset();

        dm = std::make_unique<data::TDM_CDE_3>();
        bench::loginAsTeacher(*dm);
        dm->ADOTSemestr.open();
        window = std::make_unique<TForm14>(nullptr, *dm, RecordBookSession{1, 1, QStringLiteral("teacher"), false});
    }

    // The student selection as a pick in the selector runs it, and every cell read as the
    // grid shows it.
    size_t openBook()
    {
        window->DBLookupComboBox1->setKeyValue(1);
        window->DBLookupComboBox1Click();
        ui::TQXDBGridEh& grid = *window->DBGridEh1;
        size_t chars = 0;
        for (int row = 0, rows = grid.dataRowCount(); row < rows; ++row)
            for (int column = 0; column < grid.columnCount(); ++column)
                chars += size_t(grid.cellText(row, column).size());
        return chars;
    }
};

Book& book() { return bench::sharedFixture<Book>(); }

void BM_OpenBook(benchmark::State& state)
{
    Book& b = book();
    for (auto _ : state) {
        benchmark::DoNotOptimize(b.openBook());
        if (b.window->DBGridEh1->dataRowCount() != kLinesPerSemester * kRecordSemesters)
            state.SkipWithError("wrong row count");
    }
    state.SetItemsProcessed(state.iterations() * kLinesPerSemester * kRecordSemesters);
}

// The copy dialog made and its list filled (the current semester, then the candidates).
void BM_CandidateList(benchmark::State& state)
{
    Book& b = book();
    b.openBook();
    for (auto _ : state) {
        TForm15 dialog(*b.window);
        if (dialog.CheckListBox1->count() != state.range(0))
            state.SkipWithError("wrong candidate count");
        dialog.CheckListBox1->clear();
    }
}

const char* const kPlainBook =
    "SELECT m.*, d.p34, x.p30, s.p43, e.p31, f.p109, p.s_poseshal, "
    " CASE WHEN m.id_semester || 'XX' || m.id_discipline || 'XX' || m.id_examination || 'XX' || m.kredits IN "
    "  (SELECT DISTINCT c.id_semester || 'XX' || c.id_discipline || 'XX' || c.id_examination || 'XX' || IFNULL(c.Krdt, 0) "
    "   FROM g_r_y y JOIN semester cs ON y.id_rate = cs.id_rate JOIN educ_sh c ON cs.id_semester = c.id_semester "
    "   AND y.id_a_year = c.id_a_year JOIN \"group\" g ON c.id_speciality = g.id_speciality AND y.id_group = g.id_group "
    "   WHERE y.id_group = 1) THEN 1 ELSE 0 END AS byEducSh, "
    " CASE WHEN EXISTS (SELECT 1 FROM DisciplineForStudent t WHERE t.id_student = m.id_student AND t.id_discipline = "
    "  m.id_discipline AND t.id_semester = m.id_semester AND t.id_group = m.id_group AND t.id_examination = "
    "  m.id_examination AND t.kredits = m.kredits) THEN 1 ELSE 0 END AS byDFS "
    "FROM mark_mag m JOIN examination x ON m.id_examination = x.id_examination "
    " JOIN discipline d ON m.id_discipline = d.id_discipline "
    " LEFT JOIN semester s ON s.id_semester = m.id_semester "
    " LEFT JOIN estimation e ON e.id_estimation = m.id_estimation "
    " LEFT JOIN f_est f ON f.id_f_e = m.id_f_est LEFT JOIN poseshal p ON p.id_poseshal = m.id_poseshal "
    "WHERE m.id_student = 1 AND m.id_group = 1 ORDER BY m.id_semester, d.p34 COLLATE NOCASE, x.p30 COLLATE NOCASE";

const char* const kPlainCandidates =
    "SELECT * FROM (SELECT DISTINCT y.id_group, y.id_a_year, y.id_rate, s.id_semester, c.id_discipline, "
    " c.id_examination, IFNULL(c.Krdt, 0) AS krdt, v.id_ebe_var, d.p34 COLLATE BINARY AS p34, "
    " s.id_semester || 'XX' || c.id_discipline || 'XX' || c.id_examination || 'XX' || IFNULL(c.Krdt, 0) AS k "
    " FROM g_r_y y JOIN semester s ON y.id_rate = s.id_rate JOIN educ_sh c ON s.id_semester = c.id_semester "
    " AND y.id_a_year = c.id_a_year JOIN \"group\" g ON c.id_speciality = g.id_speciality AND y.id_group = g.id_group "
    " JOIN com_sfe v ON c.id_speciality = v.id_speciality JOIN discipline d ON c.id_discipline = d.id_discipline "
    " WHERE y.id_group = 1) t "
    "WHERE k NOT IN (SELECT id_semester || 'XX' || id_discipline || 'XX' || id_examination || 'XX' || kredits "
    " FROM mark_mag WHERE id_group = 1 AND id_student = 1 AND kredits IS NOT NULL) AND id_semester < 8";

// The book's rows with their classification and looked-up names, the first semester and the
// photo, each read by a plain query.
void BM_PlainBookQueries(benchmark::State& state)
{
    Book& b = book();
    for (auto _ : state) {
        const auto rows = bench::readPlainRows(b.path, kPlainBook);
        benchmark::DoNotOptimize(bench::readPlainRows(b.path, "SELECT MIN(id_semester) FROM movement_t WHERE id_student = 1 "
                                                               "AND id_group = 1"));
        benchmark::DoNotOptimize(bench::readPlainRows(b.path, "SELECT length(photo), id_student FROM StudentPhoto "
                                                               "WHERE id_student = 1"));
        if (rows.size() != size_t(kLinesPerSemester * kRecordSemesters))
            state.SkipWithError("wrong row count");
    }
}

void BM_PlainCandidateQueries(benchmark::State& state)
{
    Book& b = book();
    for (auto _ : state) {
        benchmark::DoNotOptimize(bench::readPlainRows(b.path, "SELECT id_semester FROM student_group WHERE id_student = 1 "
                                                               "AND id_group = 1"));
        const auto rows = bench::readPlainRows(b.path, kPlainCandidates);
        if (int(rows.size()) != state.range(0))
            state.SkipWithError("wrong candidate count");
    }
}

// Semester 7 (ten lines) and the five lines of semesters 1 to 5 with other credits, once
// per grading-scale variant.
constexpr int kCandidates = (kLinesPerSemester + 5) * 2;

BENCHMARK(BM_OpenBook)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainBookQueries)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CandidateList)->Arg(kCandidates)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainCandidateQueries)->Arg(kCandidates)->Unit(benchmark::kMillisecond);

} // namespace

