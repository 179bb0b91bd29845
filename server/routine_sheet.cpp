// The grade sheet's routines: SORT_MARK_MAG, InsertInto_SORT_MARK_MAG, SP_RRNK_ebe_var,
// SelMarkMag and SP_MarkMag_proverka_Del.
#include "server/routines.h"
#include "server/storage_dates.h"

#include <sqlite3.h>

namespace qel::server {
namespace {

// The fields of the mark record that mark_mag holds, in the record's order.
const QStringList& markRecordFields()
{
    static const QStringList fields = [] {
        QStringList f;
        const contract::Routine* r = contract::findRoutine(QString::fromLatin1(contract::kSortMarkMag));
        for (const contract::ResultColumn& c : r->columns)
            f << c.name;
        return f;
    }();
    return fields;
}

QString condition(RoutineContext& c, const QVariant& text, const QString& fallback)
{
    const QString t = text.isNull() ? QString() : text.toString().trimmed();
    if (t.isEmpty())
        return fallback;
    return c.translator.translateCondition(t, QStringLiteral("mark_mag"), c.options);
}

// The routines' reads run with the caller's rights: a condition passed as text is the
// client's own SQL and may read only what the client may read.
wire::BatchResult rows(RoutineContext& c, const QString& sql, const QVariantList& args)
{
    sqlite3_stmt* st = c.storage.prepare(sql);
    for (int i = 0; i < args.size(); ++i)
        c.storage.bind(st, i + 1, args[i]);
    wire::BatchResult r;
    r.resultSets.append(c.storage.readAll(st));
    return r;
}

bool anyNull(const QVariantList& a, std::initializer_list<int> indexes)
{
    for (int i : indexes)
        if (a[i].isNull())
            return true;
    return false;
}

} // namespace

// @group, @semester, @discipline, @examination, @id_teacher, @DoNotShowEst, @subgroup,
// @isGetFromSubGroup, @id_a_year, @id_ebe_var, @id_kafedra, @id_f_est, @Kredits
wire::BatchResult sortMarkMag(RoutineContext& c, const QVariantList& a)
{
    const QString cond = condition(c, a[5], QStringLiteral("1=1"));
    QStringList cols;
    for (const QString& f : markRecordFields())
        cols << QStringLiteral("mark_mag.") + f;
    // The condition sees mark_mag alone, whatever it names.
    const QString sql = QStringLiteral(
        "SELECT %1 FROM (SELECT * FROM mark_mag WHERE id_group = ?1 AND id_semester = ?2 AND id_discipline = ?3 "
        "AND id_examination = ?4 AND id_f_est = ?12 "
        "AND (?13 IS NULL OR IFNULL(kredits, 0) = ?13) "
        "AND (?5 IS NULL OR ?5 = 1 OR id_teacher = ?5) "
        "AND (?9 IS NULL OR ?9 = 0 OR id_a_year = ?9) "
        "AND (?11 IS NULL OR ?11 = -1 OR id_discipline IN (SELECT id_discipline FROM discipline WHERE id_kafedra = ?11)) "
        "AND (%2)) AS mark_mag "
        "LEFT JOIN s_fio AS sheet_student ON sheet_student.id_student = mark_mag.id_student "
        "ORDER BY sheet_student.s_fio, mark_mag.id_mark_mag")
                            .arg(cols.join(QStringLiteral(", ")), cond);
    QVariantList args = a;
    args[5] = QVariant(); // the condition is in the text
    return rows(c, sql, args);
}

// @group, @semester, @discipline, @examination, @id_teacher, @id_f_est, @subgroup,
// @isGetFromSubGroup, @id_a_year, @createRows, @id_ebe_var, @Kredits
wire::BatchResult insertIntoSortMarkMag(RoutineContext& c, const QVariantList& a)
{
    wire::BatchResult result;
    result.rowsAffected = 0;
    if (anyNull(a, {0, 1, 2, 3}) || a[9].toInt() == 0)
        return result;
    Storage& s = c.storage;
    Storage::Internal internal(s);
    const QVariant fEst = a[5].isNull() ? QVariant(1) : a[5];
    // Only a sheet of the group's curriculum gets rows.
    const QVariant planned = s.scalar(
        QStringLiteral("SELECT COUNT(*) FROM gr_sem_disc_exam WHERE id_group = ? AND id_semester = ? AND id_discipline = ? "
                       "AND id_examination = ? AND (? IS NULL OR Kredits = ?)"),
        {a[0], a[1], a[2], a[3], a[11], a[11]});
    if (planned.toInt() == 0)
        return result;
    const QVariant checkpoints = a[10].isNull()
        ? QVariant()
        : s.scalar(QStringLiteral("SELECT COUNT(*) FROM est_config WHERE id_ebe_var = ? AND (id_f_est = ? OR id_f_est IS NULL) "
                                  "AND lower(pole_mark_mag) IN ('m1','m2','m3','m4','m5','m6','m7','m8','m9','m10','m11','m12')"),
                   {a[10], fEst});
    const QVariant teacher = a[4].isNull() ? QVariant(1) : a[4];
    const bool own = !s.inTransaction();
    if (own)
        s.run(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        result.rowsAffected = s.run(
            QStringLiteral(
                "INSERT INTO mark_mag (id_group, id_student, id_examination, id_estimation, id_discipline, id_semester, "
                "id_teacher, id_f_est, kredits, id_ebe_var, k_count, primech, dopusk_izm, isStaticDiscipline, QEL_User, "
                "QEL_Update, id_a_year, id_faculty, id_bk) "
                "SELECT sg.id_group, sg.id_student, ?3, 8, ?2, ?1, ?4, ?5, IFNULL(?6, 0), ?7, ?8, 'д', 0, 0, ?9, ?10, "
                "(SELECT y.id_a_year FROM g_r_y y JOIN semester sm ON sm.id_rate = y.id_rate "
                " WHERE y.id_group = sg.id_group AND sm.id_semester = ?1 LIMIT 1), g.id_faculty, sg.id_bk "
                "FROM student_group sg JOIN \"group\" g ON g.id_group = sg.id_group "
                "WHERE sg.id_group = ?11 AND (sg.id_start_semester IS NULL OR sg.id_start_semester <= ?1) "
                "AND NOT EXISTS (SELECT 1 FROM mark_mag m WHERE m.id_group = sg.id_group AND m.id_student = sg.id_student "
                " AND m.id_semester = ?1 AND m.id_discipline = ?2 AND m.id_examination = ?3 AND m.id_f_est = ?5 "
                " AND IFNULL(m.kredits, 0) = IFNULL(?6, 0))"),
            {a[1], a[2], a[3], teacher, fEst, a[11], a[10], checkpoints, c.login.qelLogin.isEmpty() ? QVariant() : QVariant(c.login.qelLogin),
             storedDate(QDate::currentDate()), a[0]});
        if (own)
            s.run(QStringLiteral("COMMIT"));
    } catch (...) {
        if (own)
            s.run(QStringLiteral("ROLLBACK"));
        throw;
    }
    return result;
}

// @id_discipline, @id_examination, @id_group, @id_semester
wire::BatchResult rrnkEbeVar(RoutineContext& c, const QVariantList& a)
{
    // The variants of the teaching load of this group's discipline; without any, those of
    // the group's speciality.
    const QString sql = QStringLiteral(
        "SELECT id_ebe_var FROM ("
        " SELECT r.id_ebe_var FROM RRNK r JOIN educ_sh e ON e.id_educ_sh = r.id_educ_sh "
        "  WHERE e.id_discipline = ?1 AND e.id_examination = ?2 AND e.id_semester = ?4 "
        "  AND e.id_speciality = (SELECT id_speciality FROM \"group\" WHERE id_group = ?3) "
        "  AND (r.id_group IS NULL OR r.id_group = ?3) AND r.id_ebe_var IS NOT NULL "
        " UNION SELECT k.id_ebe_var FROM RRNKkrdt k WHERE k.id_discipline = ?1 "
        "  AND (k.id_examination IS NULL OR k.id_examination = ?2) AND (k.id_group IS NULL OR k.id_group = ?3) "
        "  AND (k.id_semester IS NULL OR k.id_semester = ?4) AND k.id_ebe_var IS NOT NULL) "
        "UNION SELECT cs.id_ebe_var FROM com_sfe cs JOIN \"group\" g ON g.id_speciality = cs.id_speciality "
        " WHERE g.id_group = ?3 AND NOT EXISTS ("
        "  SELECT 1 FROM RRNK r JOIN educ_sh e ON e.id_educ_sh = r.id_educ_sh WHERE e.id_discipline = ?1 "
        "  AND e.id_examination = ?2 AND e.id_semester = ?4 AND (r.id_group IS NULL OR r.id_group = ?3) "
        "  AND r.id_ebe_var IS NOT NULL "
        "  UNION ALL SELECT 1 FROM RRNKkrdt k WHERE k.id_discipline = ?1 AND (k.id_examination IS NULL OR "
        "  k.id_examination = ?2) AND (k.id_group IS NULL OR k.id_group = ?3) AND (k.id_semester IS NULL OR "
        "  k.id_semester = ?4) AND k.id_ebe_var IS NOT NULL) "
        "ORDER BY 1");
    return rows(c, sql, a);
}

// @group, @semester, @discipline, @examination, @id_ebe_var, @condition
wire::BatchResult selMarkMag(RoutineContext& c, const QVariantList& a)
{
    const QString cond = condition(c, a[5], QStringLiteral("0=0"));
    // Students of the group with a row on statement form 1 of the sheet that meets the condition.
    const QString sql = QStringLiteral(
        "SELECT f.s_fio, m.id_student, m.id_mark_mag, m.id_estimation "
        "FROM (SELECT * FROM mark_mag WHERE id_group = ?1 AND id_semester = ?2 AND id_discipline = ?3 "
        "AND id_examination = ?4 AND id_f_est = 1 AND (?5 IS NULL OR id_ebe_var = ?5) AND (%1)) AS m "
        "JOIN s_fio f ON f.id_student = m.id_student "
        "ORDER BY f.s_fio, m.id_student")
                            .arg(cond);
    QVariantList args = a;
    args[5] = QVariant();
    return rows(c, sql, args);
}

// @id_mark_mag: prov -1 when the row may be deleted, 1 when it belongs to the curriculum,
// 0 when there is no such row.
wire::BatchResult markMagProverkaDel(RoutineContext& c, const QVariantList& a)
{
    const QString sql = QStringLiteral(
        "SELECT CASE WHEN NOT EXISTS (SELECT 1 FROM mark_mag WHERE id_mark_mag = ?1) THEN 0 "
        "WHEN EXISTS (SELECT 1 FROM mark_mag m "
        " JOIN g_r_y y ON y.id_group = m.id_group "
        " JOIN semester sm ON sm.id_rate = y.id_rate AND sm.id_semester = m.id_semester "
        " JOIN \"group\" g ON g.id_group = m.id_group "
        " JOIN educ_sh e ON e.id_semester = m.id_semester AND e.id_a_year = y.id_a_year "
        "  AND e.id_speciality = g.id_speciality AND e.id_discipline = m.id_discipline "
        "  AND e.id_examination = m.id_examination AND IFNULL(e.Krdt, 0) = m.kredits "
        " WHERE m.id_mark_mag = ?1) THEN 1 ELSE -1 END AS prov");
    return rows(c, sql, a);
}

} // namespace qel::server
