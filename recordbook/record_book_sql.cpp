#include "recordbook/record_book_sql.h"

#include "platform/db/query.h"
#include "platform/db/sql_literal.h"
#include "rules/sheet_window.h"

namespace qel::recordbook {

namespace {

// The separator of the text keys the book compares: XX as a literal.
const QString K = QStringLiteral("'XX'");

QString digits(qint32 value) { return QString::number(value); }

} // namespace

QVariant firstValue(db::Query& exec, const QString& sql, const QString& fieldName)
{
    exec.close();
    exec.setSql(sql);
    exec.open();
    const QVariant value = exec.isEmpty() ? QVariant() : exec.fieldByName(fieldName).value();
    exec.close();
    return value;
}

bool anyRow(db::Query& exec, const QString& sql)
{
    exec.close();
    exec.setSql(sql);
    exec.open();
    const bool found = !exec.isEmpty();
    exec.close();
    return found;
}

QString userFormSql(qint32 loginId, const QVariant& form)
{
    return QStringLiteral(" SELECT * FROM [QEL].[dbo].[User_f_est]  where id_login=") + QString::number(loginId)
         + QStringLiteral(" AND id_f_est=") + rules::idText(form);
}

QString sqlNumberOrNull(const QVariant& value)
{
    return value.isNull() ? QStringLiteral("NULL") : rules::idText(value);
}

QString recordBookSql(qint32 group, qint32 student)
{
    return QStringLiteral(" Select *, byEducSh +ByDFS+CONVERT(int,isStaticDiscipline) as N from  (SELECT m.id_mark_mag,"
                          "m.id_poseshal, m.dopusk_izm, m.id_discipline, m.isStaticDiscipline, m.id_semester, m.id_group, "
                          "m.id_student,  m.id_examination, m.ball, m.id_estimation, m.id_teacher, m.p36, m.id_f_est,  "
                          "m.primech, m.k_count, m.kredits, m.id_ebe_var,discipline.p34, examination.p30,   Case when  "
                          "Convert(varchar,m.id_semester) +")
         + K + QStringLiteral("+ Convert(varchar,m.id_discipline) +") + K
         + QStringLiteral("+ Convert(varchar,m.id_examination)+") + K + QStringLiteral("+Convert(varchar,m.kredits) ")
         + QStringLiteral(" IN (SELECT DISTINCT  CONVERT(varchar, semester.id_semester) + ") + K
         + QStringLiteral(" + CONVERT(varchar, educ_sh.id_discipline) + ") + K
         + QStringLiteral(" + CONVERT(varchar, dbo.educ_sh.id_examination) ") + QStringLiteral(" + ") + K
         + QStringLiteral(" + CONVERT(varchar, CASE WHEN dbo.educ_sh.Krdt IS NULL THEN 0 ELSE dbo.educ_sh.Krdt END) AS "
                          "Expr1 ")
         + QStringLiteral(" FROM g_r_y INNER JOIN semester ON g_r_y.id_rate = semester.id_rate INNER JOIN educ_sh ON "
                          "semester.id_semester = educ_sh.id_semester AND g_r_y.id_a_year = dbo.educ_sh.id_a_year INNER "
                          "JOIN ")
         + QStringLiteral(" g_s ON educ_sh.id_speciality = g_s.id_speciality AND g_r_y.id_group = dbo.g_s.id_group  ")
         + QStringLiteral(" WHERE     (g_r_y.id_group = ") + digits(group) + QStringLiteral(") ) then 1 else 0 end as byEducSh, ")
         + QStringLiteral(" CASE WHEN exists ( select id_disciplineforstudent from DisciplineForStudent ")
         + QStringLiteral(" WHERE id_student=m.id_student  and id_discipline=m.id_discipline  and "
                          "id_semester=m.id_semester ")
         + QStringLiteral(" and id_group=m.id_group and id_examination=m.id_examination  and kredits=m.kredits) then 1 "
                          "else 0 end as byDFS ")
         + QStringLiteral(" FROM mark_mag m INNER JOIN examination ON m.id_examination=examination.id_examination ")
         + QStringLiteral(" INNER JOIN discipline on m.id_discipline=discipline.id_discipline ")
         + QStringLiteral(" WHERE id_student=") + digits(student) + QStringLiteral(" AND id_group=") + digits(group)
         + QStringLiteral(" ) AS T ORDER BY id_semester, p34, p30 ");
}

QString minSemesterSql(qint32 group, qint32 student)
{
    return QStringLiteral(" Select min(id_semester) as MinSemesterInCurrentGroup From movement_t Where id_student=")
         + digits(student) + QStringLiteral(" and id_group=") + digits(group);
}

QString photoSql(qint32 student)
{
    return QStringLiteral("SELECT photo, id_student FROM dbo.StudentPhoto WHERE (id_student = ") + digits(student)
         + QStringLiteral(")");
}

QString currentSemesterSql(qint32 group, qint32 student)
{
    // A student who changed groups has a row per group: the one of the book's group counts.
    return QStringLiteral("Select id_semester from S_G where id_student=") + digits(student) + QStringLiteral(" and id_group=")
         + digits(group);
}

QString curriculumCandidatesSql(qint32 group, qint32 student, qint32 currentSemester)
{
    return QStringLiteral("Select * from( SELECT distinct dbo.g_r_y.id_group, dbo.g_r_y.id_a_year, dbo.g_r_y.id_rate, "
                          "dbo.semester.id_semester, dbo.educ_sh.id_discipline, dbo.educ_sh.id_examination,  CASE WHEN "
                          "dbo.educ_sh.Krdt IS NULL THEN 0 ELSE dbo.educ_sh.Krdt END AS krdt, dbo.com_sfe.id_ebe_var, "
                          "dbo.discipline.p34,  Convert(varchar,dbo.semester.id_semester)+")
         + K + QStringLiteral("+Convert(varchar,dbo.educ_sh.id_discipline)+") + K
         + QStringLiteral("+Convert(varchar,dbo.educ_sh.id_examination)+") + K
         + QStringLiteral("+Convert(varchar,CASE WHEN dbo.educ_sh.Krdt IS NULL THEN 0 ELSE dbo.educ_sh.Krdt END)  as "
                          "semXXdiscXXexamXXkrdt ")
         + QStringLiteral(" FROM         dbo.g_r_y INNER JOIN  dbo.semester ON dbo.g_r_y.id_rate = dbo.semester.id_rate "
                          "INNER JOIN dbo.educ_sh ")
         + QStringLiteral(" ON dbo.semester.id_semester = dbo.educ_sh.id_semester AND dbo.g_r_y.id_a_year = "
                          "dbo.educ_sh.id_a_year INNER JOIN dbo.g_s ")
         + QStringLiteral(" ON dbo.educ_sh.id_speciality = dbo.g_s.id_speciality AND dbo.g_r_y.id_group = dbo.g_s.id_group "
                          "INNER JOIN dbo.com_sfe ")
         + QStringLiteral(" ON dbo.educ_sh.id_speciality = dbo.com_sfe.id_speciality INNER JOIN dbo.discipline ON "
                          "dbo.educ_sh.id_discipline = dbo.discipline.id_discipline ")
         + QStringLiteral(" WHERE (dbo.g_r_y.id_group = ") + digits(group)
         + QStringLiteral(")  ) as t where semXXdiscXXexamXXkrdt  not in ( Select ")
         + QStringLiteral(" Convert(varchar,id_semester) + ") + K + QStringLiteral("+ Convert(varchar,id_discipline) +") + K
         + QStringLiteral("+ Convert(varchar,id_examination)+") + K + QStringLiteral("+Convert(varchar,kredits) ")
         + QStringLiteral(" as semXXdiscXXexamXXkrdt  from mark_mag WHERE id_group=") + digits(group)
         + QStringLiteral(" and id_student=") + digits(student)
         // A null key in the list would make NOT IN unknown for every line and hide them all.
         + QStringLiteral(" and id_semester IS NOT NULL and id_discipline IS NOT NULL and id_examination IS NOT NULL and "
                          "kredits IS NOT NULL")
         + QStringLiteral(" )") + QStringLiteral(" AND id_semester<") + digits(currentSemester);
}

QString insertCopiedLineSql(const StudentPlacement& who, const CopiedLine& line, const QString& login)
{
    return QStringLiteral("INSERT INTO [QEL].[dbo].[mark_mag]  ([id_group],[id_student],[id_examination],[ball],"
                          "[id_estimation],[id_discipline],[id_semester],[id_f_est],[isStaticDiscipline],[QEL_user],"
                          "[QEL_update],kredits,id_ebe_var,[id_a_year],[id_faculty],[id_bk]) VALUES    (")
         + digits(who.group) + QLatin1Char(',') + digits(who.student) + QLatin1Char(',') + sqlNumberOrNull(line.examination)
         + QStringLiteral(",0,8,") + sqlNumberOrNull(line.discipline) + QLatin1Char(',') + sqlNumberOrNull(line.semester)
         + QStringLiteral(",4,1,") + db::sqlLiteral(login) + QStringLiteral(",getdate(),") + sqlNumberOrNull(line.credits)
         + QLatin1Char(',') + sqlNumberOrNull(line.scaleVariant) + QLatin1Char(',') + sqlNumberOrNull(line.academicYear)
         + QLatin1Char(',') + sqlNumberOrNull(who.faculty) + QLatin1Char(',') + sqlNumberOrNull(who.budget)
         + QLatin1Char(')');
}

QString academicYearSql(qint32 group, qint32 semester)
{
    return QStringLiteral(" SELECT     dbo.g_r_y.id_group, dbo.g_r_y.id_a_year, dbo.semester.id_semester, "
                          "dbo.semester.id_rate FROM         dbo.semester INNER JOIN dbo.g_r_y ON dbo.semester.id_rate = "
                          "dbo.g_r_y.id_rate WHERE     (dbo.semester.id_semester = ")
         + digits(semester) + QStringLiteral(") AND (dbo.g_r_y.id_group =") + digits(group) + QStringLiteral(")");
}

QString scaleVariantSql(qint32 group)
{
    return QStringLiteral("SELECT com_sfe.id_ebe_var FROM com_sfe INNER JOIN g_s ON com_sfe.id_speciality = "
                          "g_s.id_speciality WHERE (g_s.id_group = ")
         + digits(group) + QStringLiteral(")");
}

QString insertAddedRecordSql(const StudentPlacement& who, const AddedRecord& r, const QString& login)
{
    return QStringLiteral("INSERT INTO [QEL].[dbo].[mark_mag]  ([id_group],[id_student],[id_examination],[ball],"
                          "[id_estimation],[id_discipline],[id_semester],[id_f_est],[isStaticDiscipline],[QEL_user],"
                          "[QEL_update],kredits,id_ebe_var,id_faculty,id_bk,id_a_year) VALUES (")
         + digits(who.group) + QLatin1Char(',') + digits(who.student) + QLatin1Char(',') + digits(r.examination) + QLatin1Char(',')
         + digits(r.points) + QLatin1Char(',') + digits(r.grade) + QLatin1Char(',') + digits(r.discipline) + QLatin1Char(',')
         + digits(r.semester) + QLatin1Char(',') + digits(r.statementForm) + QStringLiteral(",1,") + db::sqlLiteral(login)
         + QStringLiteral(",getdate(),") + digits(r.credits) + QLatin1Char(',') + sqlNumberOrNull(r.scaleVariant)
         + QLatin1Char(',') + sqlNumberOrNull(who.faculty) + QLatin1Char(',') + sqlNumberOrNull(who.budget)
         + QLatin1Char(',') + sqlNumberOrNull(r.academicYear) + QLatin1Char(')');
}

} // namespace qel::recordbook
