#include "data/sheet_statements.h"

#include "data/mark_record.h"
#include "platform/db/sql_literal.h"
#include "platform/db/stored_proc.h"

namespace qel::data {

QString groupAttributesSql(const QString& group) { return QStringLiteral("Select * from g_s where id_group=") + group; }

QString groupStudentsSql(const QString& group)
{
    return QStringLiteral("Select id_student, s_fio, idid from s_g where id_group=") + group
         + QStringLiteral(" GROUP BY dbo.s_g.id_student, dbo.s_g.s_fio, idid");
}

QString groupDisciplinesSql(const QString& group, const QString& semester)
{
    return QStringLiteral(" SELECT id_group,  id_semester, p34, id_discipline, Kredits, (id_discipline*10+Kredits) as id  "
                          "FROM gr_sem_disc_exam WHERE  id_semester=")
         + semester + QStringLiteral(" and id_group=") + group
         + QStringLiteral(" GROUP BY id_group, id_semester, p34, id_discipline, Kredits ");
}

QString disciplineTeachersSql(const QString& discipline)
{
    return QStringLiteral(" SELECT 1 as id_teacher,") + db::sqlLiteral(QStringLiteral("  Зав. кафедрой  "))
         + QStringLiteral(" as t_fio,") + db::sqlLiteral(QStringLiteral("  Зав. кафедрой .."))
         + QStringLiteral(" as s_t_fio") + QStringLiteral(" UNION ") + QStringLiteral(" SELECT DISTINCT  dbo.t_fio.* ")
         + QStringLiteral(" FROM         dbo.t_fio INNER JOIN dbo.RRNKkrdt ON dbo.t_fio.id_teacher = dbo.RRNKkrdt.id_teacher ")
         + QStringLiteral(" WHERE     (dbo.RRNKkrdt.id_discipline =") + discipline + QStringLiteral(")")
         + QStringLiteral(" UNION ") + QStringLiteral(" SELECT DISTINCT dbo.t_fio.* ")
         + QStringLiteral(" FROM         dbo.t_fio INNER JOIN   dbo.RRNK ON dbo.t_fio.id_teacher = dbo.RRNK.id_teacher "
                          "INNER JOIN ")
         + QStringLiteral(" dbo.educ_sh ON dbo.RRNK.id_educ_sh = dbo.educ_sh.id_educ_sh ")
         + QStringLiteral(" WHERE     (dbo.educ_sh.id_discipline = ") + discipline + QStringLiteral(") order by t_fio ");
}

QString formsOfControlSql(const QString& discipline, const QString& semester, const QString& group,
                          const QString& kredits)
{
    return QStringLiteral("select id_examination, p30 from gr_sem_disc_exam  where id_discipline=") + discipline
         + QStringLiteral(" and id_semester=") + semester + QStringLiteral(" and id_group=") + group
         + QStringLiteral(" and Kredits=") + kredits + QStringLiteral(" GROUP BY id_examination, p30");
}

QString scaleVariantsSql(const QString& discipline, const QString& form, const QString& group, const QString& semester)
{
    return QStringLiteral("EXEC SP_RRNK_ebe_var  @id_discipline = ") + discipline + QStringLiteral(",@id_examination = ")
         + form + QStringLiteral(",@id_group =       ") + group + QStringLiteral(",@id_semester =    ") + semester;
}

QString gradesOfFormSql(const QString& form) { return QStringLiteral("Select * from est2 where id_examination=") + form; }

QString sheetConfigurationSql(const QString& variant, const QString& statementForm)
{
    return QStringLiteral("SELECT * FROM TF_GetEstConfig(") + variant + QStringLiteral(",") + statementForm
         + QStringLiteral(")");
}

QString statementFormsSql(const QString& group, const QString& semester, const QString& discipline, const QString& form)
{
    return QStringLiteral("SELECT DISTINCT dbo.mark_mag.id_f_est, dbo.f_est.p109 FROM dbo.mark_mag INNER JOIN dbo.f_est ON "
                          "dbo.mark_mag.id_f_est = dbo.f_est.id_f_e WHERE (dbo.mark_mag.id_group = ")
         + group + QStringLiteral(") ") + QStringLiteral("AND (dbo.mark_mag.id_semester = ") + semester
         + QStringLiteral(") ") + QStringLiteral("AND (dbo.mark_mag.id_discipline = ") + discipline + QStringLiteral(") ")
         + QStringLiteral("AND (dbo.mark_mag.id_examination = ") + form + QStringLiteral(") ") + QStringLiteral("Union ")
         + QStringLiteral("Select id_f_e as id_f_est,dbo.f_est.p109 ") + QStringLiteral("FROM dbo.f_est where id_f_e=1");
}

void setMarkSheetParameters(db::StoredProc& sheet, const MarkSheetSelection& s)
{
    db::Parameters& p = sheet.parameters();
    p[MarkSheetGroup].setValue(s.group);
    p[MarkSheetSemester].setValue(s.semester);
    p[MarkSheetDiscipline].setValue(s.discipline);
    p[MarkSheetExamination].setValue(s.examination);
    p[MarkSheetTeacher].setValue(s.teacher);
    p[MarkSheetDoNotShowEst].setValue(s.condition);
    p[MarkSheetSubgroup].setValue(QStringLiteral("0"));
    p[MarkSheetIsGetFromSubGroup].setValue(QStringLiteral("0"));
    p[MarkSheetAcademicYear].setValue(QStringLiteral("0"));
    p[MarkSheetEbeVar].setValue(s.variant);
    p[MarkSheetFormOfStatement].setValue(s.statementForm);
    p[MarkSheetKredits].setValue(s.kredits);
}

} // namespace qel::data
