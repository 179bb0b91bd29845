#include "bench/common/bench_sheet_db.h"

#include "data/dm_cde_3.h"
#include "data/sheet_statements.h"
#include "data/mark_record.h"
#include "data/password_digest.h"
#include "data/settings_file.h"
#include "server/sql_functions.h"
#include "platform/db/query.h"

#include <sqlite3.h>

#include <cstdio>

namespace qel::bench {
namespace {

const QString kPassword = QStringLiteral("secret1");

QString connectionString(const QString& user, const QString& password, const QString& dataSource)
{
    return QStringLiteral("Provider=SQLOLEDB.1;Password=%1;User ID=%2;Initial Catalog=QEL;Data Source=%3")
        .arg(password, user, dataSource);
}

} // namespace

void buildSheetDatabase(const QString& path, int students,
                        const std::function<void(server::Session&, int id)>& markRow)
{
    server::createDatabase(path, false);
    auto s = server::Session::administrator(path);
    s->execute(QStringLiteral("SET DATEFORMAT dmy"));
    s->execute(QStringLiteral(R"(
        INSERT INTO examination (id_examination, p30) VALUES (1, 'Экзамен');
        INSERT INTO estimation (id_estimation, p31) VALUES (1, 'отл'), (2, 'хор'), (3, 'удов'), (11, 'н/у'), (8, 'н/я');
        INSERT INTO f_est (id_f_e, p109, QEL13, sessiya) VALUES (1, 'Ведомость', 1, 0);
        INSERT INTO semester (id_semester, p43, id_rate) VALUES (1, '1 семестр', 1);
        INSERT INTO [group] (id_group, p20, id_speciality, id_faculty, id_f_educ, o_z_d) VALUES (1, 'М-1', 1, 1, 1, 0);
        INSERT INTO g_r_y (id_group, id_rate, id_a_year, p32) VALUES (1, 1, 1, '2025/2026');
        INSERT INTO speciality (id_speciality, code, spec) VALUES (1, '01.01', 'Математика');
        INSERT INTO discipline (id_discipline, p34, id_kafedra) VALUES (1, 'Алгебра', 1);
        INSERT INTO educ_sh (id_speciality, id_a_year, id_semester, id_discipline, id_examination, Krdt)
            VALUES (1, 1, 1, 1, 1, 5);
        INSERT INTO t_fio (id_teacher, t_fio, s_t_fio) VALUES (2, 'Учитель Ирина Павловна', 'Учитель И.П.');
        INSERT INTO EstimationOther (id_estimation_other, id_ebe_var, Estimation_Other) VALUES (1, 1, 'академ.');
        INSERT INTO QEL_User (QEL_login, password, fio, canChangeDopusk, mustChangePassword, passwordChanged)
            VALUES ('teacher', '%1', 'Учитель И.П.', 1, 0, getdate());
        INSERT INTO User_f_est (id_login, id_f_est) VALUES (1, 1);
    )").arg(passwordDigest(kPassword)));
    s->execute(QStringLiteral("BEGIN TRANSACTION"));
    for (int id = 1; id <= students; ++id) {
        s->execute(QStringLiteral("INSERT INTO s_fio (id_student, s_fio, idid) VALUES (?, ?, ?)"),
                   {id, QStringLiteral("Студентов Студент %1").arg(id - 1, 5, 10, QLatin1Char('0')),
                    QStringLiteral("B-%1").arg(id - 1)});
        s->execute(QStringLiteral("INSERT INTO student_group (id_student, id_group, id_bk, id_semester, id_start_semester) "
                                  "VALUES (?, 1, 1, 1, 1)"),
                   {id});
        markRow(*s, id);
    }
    s->execute(QStringLiteral("COMMIT TRANSACTION"));
}

void loginAsTeacher(data::TDM_CDE_3& dm, const QString& dataSource)
{
    db::Connection& c = dm.ADO_CDE;
    c.close();
    c.setConnectionString(connectionString(QStringLiteral("qel_start"), QStringLiteral("qel13start"), dataSource));
    db::Query check(&c, QStringLiteral("check"));
    check.setSql(QStringLiteral("EXEC GET_USER 'teacher','%1',NULL, 'QEL 13', '127.0.0.1', 'bench', 'teacher','0','4'")
                     .arg(passwordDigest(kPassword)));
    check.open();
    const QString account = decodeShiftedText(check.field(0).asString());
    const QString password = decodeShiftedText(check.field(1).asString());
    check.close();
    c.close();
    c.setConnectionString(connectionString(account, password, dataSource));
}

void openSheet(data::TDM_CDE_3& dm)
{
    db::StoredProc& sp = dm.ADO_SP_Sort;
    sp.close();
    data::MarkSheetSelection selection;
    selection.group = 1;
    selection.semester = 1;
    selection.discipline = 1;
    selection.examination = 1;
    selection.variant = 1;
    selection.statementForm = 1;
    selection.kredits = 5;
    data::setMarkSheetParameters(sp, selection);
    sp.open();
}

void execRaw(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_busy_timeout(db, 5000);
    // The schema's columns name the server's text collation.
    server::registerSqlFunctions(db);
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        fprintf(stderr, "%s: %s\n", sql, error);
        sqlite3_free(error);
    }
    sqlite3_close(db);
}

std::vector<std::vector<QVariant>> readPlainRows(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    std::vector<std::vector<QVariant>> rows;
    const int cols = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        std::vector<QVariant> row(static_cast<size_t>(cols));
        for (int c = 0; c < cols; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER: row[static_cast<size_t>(c)] = int(sqlite3_column_int(st, c)); break;
            case SQLITE_FLOAT: row[static_cast<size_t>(c)] = sqlite3_column_double(st, c); break;
            case SQLITE_TEXT:
                row[static_cast<size_t>(c)] = QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(st, c)), sqlite3_column_bytes(st, c));
                break;
            default: break;
            }
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

} // namespace qel::bench
