// Every statement text the client composes, with values filled in, run in order through a
// working login on the fixture database; each case checks the rows or the effect.
#include "tests/server/fixture.h"

#include <QDateTime>
#include <functional>
#include <gtest/gtest.h>

using namespace qel;
using qel::test::digestOf;

namespace {

struct Case {
    const char* where;          // which screen sends it
    QString sql;
    QList<QVariant> params;
    int rows = -1;              // rows of the first result set; -1: no result set expected
    qint64 affected = -2;       // rowsAffected; -2: not checked
    std::function<void(const wire::BatchResult&)> check = {};
    bool administrator = false; // a check of what the client's statements wrote, not one of them
};

// Cases that only give a text: no parameters, no result set, no effect checked.
Case plain(const char* where, const QString& sql) { return Case{where, sql, {}, -1, -2, {}}; }

QString cell(const wire::BatchResult& r, int row, const char* column)
{
    const wire::ResultSet& rs = r.resultSets.first();
    return rs.rows[row][rs.columnIndex(QLatin1String(column))].toString();
}

QVariant value(const wire::BatchResult& r, int row, const char* column)
{
    const wire::ResultSet& rs = r.resultSets.first();
    return rs.rows[row][rs.columnIndex(QLatin1String(column))];
}

// The record-book query of the record book window, pieces joined as the window joins them.
QString recordBookQuery(int group, int student)
{
    const QString k = QStringLiteral("'XX'");
    return QStringLiteral(" Select *, byEducSh +ByDFS+CONVERT(int,isStaticDiscipline) as N from  (SELECT m.id_mark_mag,m.id_poseshal, m.dopusk_izm, m.id_discipline, m.isStaticDiscipline, m.id_semester, m.id_group, m.id_student,  m.id_examination, m.ball, m.id_estimation, m.id_teacher, m.p36, m.id_f_est,  m.primech, m.k_count, m.kredits, m.id_ebe_var,discipline.p34, examination.p30,   Case when  Convert(varchar,m.id_semester) +")
        + k + QStringLiteral("+ Convert(varchar,m.id_discipline) +") + k
        + QStringLiteral("+ Convert(varchar,m.id_examination)+") + k + QStringLiteral("+Convert(varchar,m.kredits) ")
        + QStringLiteral(" IN (SELECT DISTINCT  CONVERT(varchar, semester.id_semester) + ") + k
        + QStringLiteral(" + CONVERT(varchar, educ_sh.id_discipline) + ") + k
        + QStringLiteral(" + CONVERT(varchar, dbo.educ_sh.id_examination) ") + QStringLiteral(" + ") + k
        + QStringLiteral(" + CONVERT(varchar, CASE WHEN dbo.educ_sh.Krdt IS NULL THEN 0 ELSE dbo.educ_sh.Krdt END) AS Expr1 ")
        + QStringLiteral(" FROM g_r_y INNER JOIN semester ON g_r_y.id_rate = semester.id_rate INNER JOIN educ_sh ON semester.id_semester = educ_sh.id_semester AND g_r_y.id_a_year = dbo.educ_sh.id_a_year INNER JOIN ")
        + QStringLiteral(" g_s ON educ_sh.id_speciality = g_s.id_speciality AND g_r_y.id_group = dbo.g_s.id_group  ")
        + QStringLiteral(" WHERE     (g_r_y.id_group = ") + QString::number(group)
        + QStringLiteral(") ) then 1 else 0 end as byEducSh, ")
        + QStringLiteral(" CASE WHEN exists ( select id_disciplineforstudent from DisciplineForStudent ")
        + QStringLiteral(" WHERE id_student=m.id_student  and id_discipline=m.id_discipline  and id_semester=m.id_semester ")
        + QStringLiteral(" and id_group=m.id_group and id_examination=m.id_examination  and kredits=m.kredits) then 1 else 0 end as byDFS ")
        + QStringLiteral(" FROM mark_mag m INNER JOIN examination ON m.id_examination=examination.id_examination ")
        + QStringLiteral(" INNER JOIN discipline on m.id_discipline=discipline.id_discipline ")
        + QStringLiteral(" WHERE id_student=") + QString::number(student) + QStringLiteral(" AND id_group=")
        + QString::number(group) + QStringLiteral(" ) AS T ORDER BY id_semester, p34, p30 ");
}

// The curriculum-copy candidates of the copy dialog.
QString curriculumCopyQuery(int group, int student, int currentSemester)
{
    const QString k = QStringLiteral("'XX'");
    return QStringLiteral("Select * from( SELECT distinct dbo.g_r_y.id_group, dbo.g_r_y.id_a_year, dbo.g_r_y.id_rate, dbo.semester.id_semester, dbo.educ_sh.id_discipline, dbo.educ_sh.id_examination,  CASE WHEN dbo.educ_sh.Krdt IS NULL THEN 0 ELSE dbo.educ_sh.Krdt END AS krdt, dbo.com_sfe.id_ebe_var, dbo.discipline.p34,  Convert(varchar,dbo.semester.id_semester)+")
        + k + QStringLiteral("+Convert(varchar,dbo.educ_sh.id_discipline)+") + k
        + QStringLiteral("+Convert(varchar,dbo.educ_sh.id_examination)+") + k
        + QStringLiteral("+Convert(varchar,CASE WHEN dbo.educ_sh.Krdt IS NULL THEN 0 ELSE dbo.educ_sh.Krdt END)  as semXXdiscXXexamXXkrdt ")
        + QStringLiteral(" FROM         dbo.g_r_y INNER JOIN  dbo.semester ON dbo.g_r_y.id_rate = dbo.semester.id_rate INNER JOIN dbo.educ_sh ")
        + QStringLiteral(" ON dbo.semester.id_semester = dbo.educ_sh.id_semester AND dbo.g_r_y.id_a_year = dbo.educ_sh.id_a_year INNER JOIN dbo.g_s ")
        + QStringLiteral(" ON dbo.educ_sh.id_speciality = dbo.g_s.id_speciality AND dbo.g_r_y.id_group = dbo.g_s.id_group INNER JOIN dbo.com_sfe ")
        + QStringLiteral(" ON dbo.educ_sh.id_speciality = dbo.com_sfe.id_speciality INNER JOIN dbo.discipline ON dbo.educ_sh.id_discipline = dbo.discipline.id_discipline ")
        + QStringLiteral(" WHERE (dbo.g_r_y.id_group = ") + QString::number(group)
        + QStringLiteral(")  ) as t where semXXdiscXXexamXXkrdt  not in ( Select ")
        + QStringLiteral(" Convert(varchar,id_semester) + ") + k + QStringLiteral("+ Convert(varchar,id_discipline) +") + k
        + QStringLiteral("+ Convert(varchar,id_examination)+") + k + QStringLiteral("+Convert(varchar,kredits) ")
        + QStringLiteral(" as semXXdiscXXexamXXkrdt  from mark_mag WHERE id_group=") + QString::number(group)
        + QStringLiteral(" and id_student=") + QString::number(student) + QStringLiteral(" )")
        + QStringLiteral(" AND id_semester<") + QString::number(currentSemester);
}

QString teacherList(int discipline)
{
    const QString d = QString::number(discipline);
    return QStringLiteral(" SELECT 1 as id_teacher,'  Зав. кафедрой  ' as t_fio,'  Зав. кафедрой ..' as s_t_fio UNION ")
        + QStringLiteral(" SELECT DISTINCT  dbo.t_fio.*  FROM         dbo.t_fio INNER JOIN dbo.RRNKkrdt ON dbo.t_fio.id_teacher = dbo.RRNKkrdt.id_teacher ")
        + QStringLiteral(" WHERE     (dbo.RRNKkrdt.id_discipline =") + d + QStringLiteral(") UNION ")
        + QStringLiteral(" SELECT DISTINCT dbo.t_fio.*  FROM         dbo.t_fio INNER JOIN   dbo.RRNK ON dbo.t_fio.id_teacher = dbo.RRNK.id_teacher INNER JOIN ")
        + QStringLiteral(" dbo.educ_sh ON dbo.RRNK.id_educ_sh = dbo.educ_sh.id_educ_sh ")
        + QStringLiteral(" WHERE     (dbo.educ_sh.id_discipline = ") + d + QStringLiteral(") order by t_fio ");
}

QString statementForms(int group, int semester, int discipline, int exam)
{
    return QStringLiteral("SELECT DISTINCT dbo.mark_mag.id_f_est, dbo.f_est.p109 FROM dbo.mark_mag INNER JOIN dbo.f_est ON dbo.mark_mag.id_f_est = dbo.f_est.id_f_e WHERE (dbo.mark_mag.id_group = %1) "
                          "AND (dbo.mark_mag.id_semester = %2) AND (dbo.mark_mag.id_discipline = %3) AND (dbo.mark_mag.id_examination = %4) "
                          "Union Select id_f_e as id_f_est,dbo.f_est.p109 FROM dbo.f_est where id_f_e=1")
        .arg(group)
        .arg(semester)
        .arg(discipline)
        .arg(exam);
}

} // namespace

TEST(ClientStatements, EveryStatementRunsWithTheExpectedEffect)
{
    test::ServerFixture fixture(QStringLiteral("statements"));
    auto s = fixture.teacher();
    auto admin = fixture.admin();

    const QList<Case> cases = {
        // start-up: permission, reference data, settings
        {"FormCreate", QStringLiteral("SELECT [canChangeDopusk]  FROM [QEL].[dbo].[QEL_User]  where QEL_login='teacher'"), {}, 1, -2,
         [](const auto& r) { EXPECT_EQ(value(r, 0, "canChangeDopusk"), QVariant(true)); }},
        {"FormCreate", QStringLiteral("SELECT [canChangeDopusk]  FROM [QEL].[dbo].[QEL_User]  where QEL_login='o''brien'"), {}, 0},
        {"catalogue", QStringLiteral("Select p32 from g_r_y"), {}, 2},
        {"catalogue", QStringLiteral("SELECT  * FROM [group]"), {}, 2},
        {"catalogue", QStringLiteral("select * from g_sem "), {}, 4},
        {"catalogue", QStringLiteral("SELECT     *\nFROM         dbo.gr_sem_disc_exam"), {}, 8},
        plain("catalogue", QStringLiteral("--select * from gr_sem_disc_exam")),
        {"catalogue", QStringLiteral("SELECT distinct \n     [id_ebe_var]\n      \n  FROM [QEL].[dbo].[ebe]"), {}, 2},
        {"catalogue", QStringLiteral("Select * from  g_s"), {}, 2},
        {"catalogue", QStringLiteral("select * from t_fio"), {}, 1},
        {"catalogue", QStringLiteral("select * from s_fio"), {}, 4},
        {"catalogue", QStringLiteral("select * from estimation"), {}, 8},
        {"catalogue", QStringLiteral("select * from examination"), {}, 3},
        {"catalogue", QStringLiteral("select * from semester"), {}, 2},
        {"catalogue", QStringLiteral("select * from f_est"), {}, 4},
        {"catalogue", QStringLiteral("select * from discipline"), {}, 2},
        {"catalogue", QStringLiteral("SELECT top 0 [id_f_e],[p109] FROM [QEL].[dbo].[f_est]"), {}, 0, -2,
         [](const auto& r) { EXPECT_EQ(r.resultSets[0].columns.size(), 2); }},
        {"catalogue", QStringLiteral("select top 0 * from educ_sh"), {}, 0, -2,
         [](const auto& r) { EXPECT_GE(r.resultSets[0].columnIndex(QStringLiteral("Krdt")), 0); }},
        {"catalogue", QStringLiteral("SELECT [id_field]\nFROM [QEL].[dbo].[VuzDefaults]\nwhere id_vuz_defaults=28"), {}, 1, -2,
         [](const auto& r) { EXPECT_EQ(value(r, 0, "id_field"), QVariant(1)); }},
        {"catalogue", QStringLiteral("SELECT EstimationOther.* \nFROM qel.dbo.EstimationOther\nWHERE EstimationOther.id_ebe_var = :id_ebe_var"),
         {QStringLiteral("1")}, 1},
        {"catalogue", QStringLiteral("SELECT EstimationOther.* \nFROM qel.dbo.EstimationOther\nWHERE EstimationOther.id_ebe_var = ?"), {2}, 0},
        {"catalogue", QStringLiteral("Select 0"), {}, 1, -2, [](const auto& r) { EXPECT_EQ(r.resultSets[0].rows[0][0], QVariant(0)); }},
        {"catalogue", QStringLiteral("SELECT dbo.estimation.p31, dbo.ee.id_exmination, dbo.estimation.id_estimation\nFROM         dbo.ee INNER JOIN\n                      dbo.estimation ON dbo.ee.id_estimation = dbo.estimation.id_estimation"), {}, 7},
        {"catalogue", QStringLiteral("SELECT    *\nFROM     poseshal"), {}, 2},
        {"catalogue", QStringLiteral("Select top 0 * \nFrom mark_mag"), {}, 0},
        {"catalogue", QStringLiteral("SELECT TOP (0) dbo.S_G.id_student, dbo.S_G.s_fio, dbo.g_f.id_faculty, dbo.S_G.id_bk FROM dbo.S_G INNER JOIN dbo.g_f ON dbo.S_G.id_group = dbo.g_f.id_group"), {}, 0},
        {"catalogue", QStringLiteral("SELECT TOP (0) PERCENT dbo.educ_sh.*, dbo.discipline.p34 FROM dbo.educ_sh INNER JOIN dbo.discipline ON dbo.educ_sh.id_discipline = dbo.discipline.id_discipline"), {}, 0},
        // login and reference identifiers
        {"login", QStringLiteral("EXEC GET_USER 'teacher','%1',NULL, 'QEL 13', '127.0.0.1', 'host', 'teacher','0','4'").arg(digestOf(QStringLiteral("secret1"))), {}, 1, -2,
         [](const auto& r) { EXPECT_EQ(r.resultSets[0].columns.size(), 6); EXPECT_EQ(value(r, 0, "id_login"), QVariant(1)); }},
        plain("login", QStringLiteral("SET DATEFORMAT dmy")),
        {"references", QStringLiteral("SELECT     dbo.f_est.id_f_e, dbo.f_est.p109 FROM         dbo.User_f_est INNER JOIN dbo.f_est ON dbo.User_f_est.id_f_est = dbo.f_est.id_f_e WHERE     (dbo.User_f_est.id_login = 1)"), {}, 2},
        {"references", QStringLiteral("SELECT id_group, p20, qel.dbo.group_form.id_f_educ, dbo.group_form.o_z FROM qel.dbo.group_form Inner Join qel.dbo.User_f_educ on qel.dbo.group_form.id_login=qel.dbo.User_f_educ.id_login and qel.dbo.User_f_educ.id_f_educ=qel.dbo.group_form.id_f_educ where qel.dbo.group_form.id_login =1 GROUP BY id_group, p20,  qel.dbo.group_form.id_f_educ, dbo.group_form.o_z"), {}, 1, -2,
         [](const auto& r) { EXPECT_EQ(cell(r, 0, "p20"), QStringLiteral("М-1")); }},
        {"references", QStringLiteral(" SELECT [id_vuz_defaults],[id_field] FROM [QEL].[dbo].[VuzDefaults] WHERE id_vuz_defaults IN (28,29,30)"), {}, 3},
        // the selection cascade
        {"group", QStringLiteral("Select * from g_s where id_group=1"), {}, 1, -2,
         [](const auto& r) { EXPECT_EQ(value(r, 0, "o_z_d"), QVariant(0)); EXPECT_EQ(cell(r, 0, "spec"), QStringLiteral("Математика")); }},
        {"group", QStringLiteral("Select id_semester, p43, id_rate from g_sem where  id_group=1GROUP BY id_semester, p43, id_rate"), {}, 2},
        {"group", QStringLiteral("Select id_student, s_fio, idid from s_g where id_group=1 GROUP BY dbo.s_g.id_student, dbo.s_g.s_fio, idid"), {}, 3},
        {"group", QStringLiteral("Select top (1) g_r_y.* from g_r_y  where id_group=1 and id_rate=1"), {}, 1, -2,
         [](const auto& r) { EXPECT_EQ(cell(r, 0, "p32"), QStringLiteral("2025/2026")); }},
        {"semester", QStringLiteral(" SELECT id_group,  id_semester, p34, id_discipline, Kredits, (id_discipline*10+Kredits) as id  FROM gr_sem_disc_exam WHERE  id_semester=1 and id_group=1 GROUP BY id_group, id_semester, p34, id_discipline, Kredits "), {}, 3,
         -2, [](const auto& r) {
             QList<int> ids;
             for (int i = 0; i < 3; ++i)
                 ids << value(r, i, "id").toInt();
             std::sort(ids.begin(), ids.end());
             EXPECT_EQ(ids, (QList<int>{12, 15, 20})); // one discipline listed once per credit count
         }},
        {"discipline", teacherList(1), {}, 2, -2,
         [](const auto& r) { EXPECT_EQ(cell(r, 0, "t_fio"), QStringLiteral("  Зав. кафедрой  ")); EXPECT_EQ(value(r, 0, "id_teacher"), QVariant(1)); }},
        {"discipline", QStringLiteral("select id_examination, p30 from gr_sem_disc_exam  where id_discipline=1 and id_semester=1 and id_group=1 and Kredits=5 GROUP BY id_examination, p30"), {}, 1},
        {"form of control", QStringLiteral("EXEC SP_RRNK_ebe_var  @id_discipline = 1,@id_examination = 1,@id_group =       1,@id_semester =    1"), {}, 1,
         -2, [](const auto& r) { EXPECT_EQ(value(r, 0, "id_ebe_var"), QVariant(1)); }},
        {"variant", QStringLiteral("Select * from est2 where id_examination=1"), {}, 5},
        {"variant", statementForms(1, 1, 1, 1), {}, 2},
        {"statement form", QStringLiteral("SELECT * FROM TF_GetEstConfig(1,1)"), {}, 4, -2,
         [](const auto& r) { EXPECT_EQ(cell(r, 2, "formula"), QStringLiteral("(M1+M2)/2")); EXPECT_EQ(cell(r, 2, "pole_mark_mag"), QString()); }},
        {"statement form", QStringLiteral(" SELECT * FROM f_est WHERE id_f_e=1"), {}, 1},
        {"statement form", QStringLiteral(" SELECT TOP 1 *  FROM [QEL].[dbo].[User_f_est]  WHERE id_login=1 AND id_f_est=1"), {}, 1},
        {"opening", QStringLiteral("EXEC InsertInto_SORT_MARK_MAG 1,1,1,1,1,1,0,0,0,1,1,5"), {}, -1, 0},
        {"opening", QStringLiteral("EXEC InsertInto_SORT_MARK_MAG 1,1,2,2,1,1,0,0,0,1,2,0"), {}, -1, 2},
        {"scale", QStringLiteral("SELECT beg_bal ,end_bal,id_estimation FROM ebe  WHERE id_ebe_var = 1"), {}, 4},
        // editing the sheet
        {"admission", QStringLiteral(" Update [QEL].[dbo].[mark_mag]  Set primech='н/д' ,dopusk_izm = 1  Where id_student=1 And  id_group=1 And  id_semester=1 And id_mark_mag<>1"), {}, -1, 1},
        {"posting", QStringLiteral("UPDATE mark_mag SET m1 = ?, p36 = ? WHERE id_mark_mag = ? AND m1 = ? AND p36 IS NULL"),
         {25.5, QDate(2026, 1, 21), 3, QVariant()}, -1, 0},
        {"posting", QStringLiteral("UPDATE mark_mag SET m1 = ?, p36 = ? WHERE id_mark_mag = ? AND m1 IS NULL AND p36 IS NULL"),
         {25.5, QDate(2026, 1, 21), 3}, -1, 1},
        {"posting", QStringLiteral("SELECT m1, p36 FROM mark_mag WHERE id_mark_mag = 3 AND p36 = '21.01.2026'"), {}, 1, -2,
         [](const auto& r) { EXPECT_EQ(value(r, 0, "p36"), QVariant(QDateTime(QDate(2026, 1, 21), QTime(0, 0)))); }},
        // a post of the sheet's teacher, statement number and special grade, as the dataset writes it back
        {"posting", QStringLiteral("UPDATE [mark_mag] SET [id_teacher] = ?, [p35] = ?, [id_estimation_other] = ? WHERE [id_mark_mag] = ? AND [id_teacher] = ? AND [p35] = ? AND [id_estimation_other] IS NULL"),
         {1, QStringLiteral("101а"), 1, 1, 2, QStringLiteral("101")}, -1, 1},
        // the reset to " н/п": points to zero, grade 25, the variant written on post
        {"н/п", QStringLiteral("UPDATE [mark_mag] SET [m1] = ?, [m2] = ?, [ball] = ?, [id_estimation] = ?, [id_ebe_var] = ? WHERE [id_mark_mag] = ? AND [m1] = ? AND [m2] = ? AND [ball] = ? AND [id_estimation] = ? AND [id_ebe_var] = ?"),
         {0.0, 0.0, 0.0, 25, 1, 1, 30.0, 40.0, 70.0, 3, 1}, -1, 1},
        // the sheet under each filter of the window
        {"filter", QStringLiteral("EXEC SORT_MARK_MAG 1,1,1,1,1,'(id_estimation <> 25)',0,0,0,1,-1,1,5"), {}, 2},
        {"filter", QStringLiteral("EXEC SORT_MARK_MAG 1,1,1,1,1,'(id_estimation in(8, 9, 10, 11, 16))',0,0,0,1,-1,1,5"), {}, 2, -2,
         [](const auto& r) { EXPECT_EQ(value(r, 0, "id_mark_mag"), QVariant(2)); EXPECT_EQ(value(r, 1, "id_mark_mag"), QVariant(3)); }},
        {"filter", QStringLiteral("EXEC SORT_MARK_MAG 1,1,1,1,1,'1=1',0,0,0,1,-1,1,5"), {}, 3},
        {"deleting", QStringLiteral("SELECT TOP 1 * FROM [QEL].[dbo].[User_f_est] WHERE id_login=1 AND id_f_est=1"), {}, 1},
        {"deleting", QStringLiteral("INSERT INTO QEL_LOG([table], [row_id], [descr], [QEL_User]) VALUES('mark_mag',2,'Запись с уникальным номером - ''2'' была удалена - (id_group[1], m5[NULL]).','teacher')"), {}, -1, 1},
        {"history", QStringLiteral("INSERT INTO QEL_LOG([table], [row_id], [descr], [QEL_User], [comp]) VALUES('mark_mag', 1, 'Поле \"p35\" изменило значение \"O''Brien\" на \"7\".', 'teacher', 'host\\127.0.0.1')"), {}, -1, 1},
        {"history", QStringLiteral("SELECT descr, comp, log_date FROM QEL_LOG ORDER BY id_qel_log"), {}, 2, -2,
         [](const auto& r) {
             EXPECT_EQ(cell(r, 0, "descr"), QStringLiteral("Запись с уникальным номером - '2' была удалена - (id_group[1], m5[NULL])."));
             EXPECT_EQ(cell(r, 1, "descr"), QStringLiteral("Поле \"p35\" изменило значение \"O'Brien\" на \"7\"."));
             EXPECT_EQ(cell(r, 1, "comp"), QStringLiteral("host\\127.0.0.1"));
             EXPECT_EQ(value(r, 0, "log_date").typeId(), QMetaType::QDateTime);
         },
         true},
        // adding students to a statement form
        {"add students", QStringLiteral("Select * FROM f_est INNER JOIN [QEL].[dbo].[User_f_est] ON f_est.id_f_e=User_f_est.id_f_est WHERE QEL13=1 AND id_login=1"), {}, 2},
        {"add students", QStringLiteral("Select * FROM f_est INNER JOIN [QEL].[dbo].[User_f_est] ON f_est.id_f_e=User_f_est.id_f_est WHERE id_login=1"), {}, 2},
        {"add students", QStringLiteral("SELECT TOP 1 * FROM [QEL].[dbo].[User_f_est] WHERE id_login=1 AND id_f_est=7"), {}, 1},
        {"add students", QStringLiteral("SELECT * FROM [QEL].[dbo].[T_ComEbeFEst] WHERE id_ebe_var=1 AND id_f_est=7"), {}, 1, -2,
         [](const auto& r) { EXPECT_EQ(cell(r, 0, "Definition"), QStringLiteral("id_estimation in (8, 11)")); }},
        {"add students", QStringLiteral("Exec QEL.[dbo].[SelMarkMag] 1, 1, 1, 1, 1, 'id_estimation in (8, 11)'"), {}, 2, -2,
         [](const auto& r) { EXPECT_EQ(cell(r, 0, "s_fio"), QStringLiteral("Борисова Вера")); EXPECT_EQ(value(r, 1, "id_student"), QVariant(3)); }},
        {"add students", QStringLiteral(" SELECT * FROM ( SELECT fields,Copy FROM(select * from TF_GetMarkMagModulCopyAccess(7,1)) AS t  UNPIVOT (Copy FOR fields in (m1,m2,m3,m4,m5,m6,m7,m8,m9,m10,m11,m12,dop,dop2)) AS unpvt) AS table1 WHERE Copy=1"), {}, 2, -2,
         [](const auto& r) { EXPECT_EQ(cell(r, 0, "fields"), QStringLiteral("m1")); EXPECT_EQ(cell(r, 1, "fields"), QStringLiteral("dop")); }},
        {"add students", QStringLiteral(" SELECT id_estimation,m1,dop FROM mark_mag WHERE id_group=1 and id_student=3 and id_examination=1 and id_discipline=1 and id_semester=1 and id_ebe_var=1 and kredits=5 and id_f_est=1"), {}, 1},
        {"add students", QStringLiteral("INSERT INTO mark_mag([id_group],[id_student],[id_examination], [id_discipline],[id_semester],[id_teacher],[p35],[p36],[id_f_est],[kredits],[id_ebe_var],m1,dop,[id_estimation],[QEL_user]) VALUES (1,3,1,1,1,1,'7-1-1-1-1','01.01.01',7,5,1,7.5,0,8,'teacher')"), {}, -1, 1},
        {"add students", QStringLiteral("SELECT p36, m1 FROM mark_mag WHERE id_f_est = 7 AND id_student = 3"), {}, 1, -2,
         [](const auto& r) {
             EXPECT_EQ(value(r, 0, "p36"), QVariant(QDateTime(QDate(2001, 1, 1), QTime(0, 0))));
             EXPECT_EQ(value(r, 0, "m1"), QVariant(7.5));
         }},
        // record book
        {"record book", QStringLiteral("Select *  FROM [QEL].[dbo].[f_est]"), {}, 4},
        {"record book", QStringLiteral("SELECT      dbo.S_G.id_s_g, dbo.S_G.id_student, dbo.S_G.s_fio, dbo.S_G.id_group, dbo.S_G.p20, dbo.S_G.idid, dbo.S_G.e_mail, dbo.S_G.id_bk, dbo.S_G.id_semester,            dbo.S_G.id_protocols, dbo.S_G.id_speciality, dbo.S_G.id_start_semester, dbo.g_f.id_faculty FROM         dbo.S_G INNER JOIN dbo.g_f ON dbo.S_G.id_group = dbo.g_f.id_group WHERE dbo.S_G.id_group=1 ORDER BY dbo.S_G.s_fio"), {}, 3,
         -2, [](const auto& r) { EXPECT_EQ(cell(r, 0, "s_fio"), QStringLiteral("Акимов Антон")); }},
        {"record book", QStringLiteral(" SELECT [id_f_e],[p109] FROM [QEL].[dbo].[f_est] INNER JOIN User_f_est ON [f_est].id_f_e=User_f_est.id_f_est WHERE id_login=1 AND [f_est].QEL13 = 1"), {}, 2},
        {"record book", recordBookQuery(1, 1), {}, 2, -2,
         [](const auto& r) {
             // Algebra by the curriculum; History too (a missing curriculum credit counts as 0)
             EXPECT_EQ(cell(r, 0, "p34"), QStringLiteral("Алгебра"));
             EXPECT_EQ(value(r, 0, "byEducSh"), QVariant(1));
             EXPECT_EQ(value(r, 1, "byEducSh"), QVariant(1));
             EXPECT_EQ(value(r, 0, "N"), QVariant(1));
         }},
        {"record book", recordBookQuery(1, 3), {}, 3, -2,
         [](const auto& r) {
             // History (individual discipline) and the form-7 row with its credits
             EXPECT_EQ(cell(r, 2, "p34"), QStringLiteral("История"));
             EXPECT_EQ(value(r, 2, "byDFS"), QVariant(1));
         }},
        {"record book", QStringLiteral(" Select min(id_semester) as MinSemesterInCurrentGroup From movement_t Where id_student=1 and id_group=1"), {}, 1, -2,
         [](const auto& r) { EXPECT_EQ(value(r, 0, "MinSemesterInCurrentGroup"), QVariant(1)); }},
        {"record book", QStringLiteral(" Select min(id_semester) as MinSemesterInCurrentGroup From movement_t Where id_student=4 and id_group=1"), {}, 1, -2,
         [](const auto& r) { EXPECT_TRUE(value(r, 0, "MinSemesterInCurrentGroup").isNull()); }},
        {"record book", QStringLiteral("SELECT photo, id_student FROM dbo.StudentPhoto WHERE (id_student = 1)"), {}, 1},
        {"record book", QStringLiteral(" SELECT *  FROM [QEL].[dbo].[ee] WHERE id_exmination=1 AND id_estimation=3"), {}, 1},
        {"record book", QStringLiteral(" SELECT *  FROM [QEL].[dbo].[ee] WHERE id_exmination=1 AND id_estimation=4"), {}, 0},
        {"record book", QStringLiteral(" SELECT * FROM [QEL].[dbo].[User_f_est]  where id_login=1 AND id_f_est=4"), {}, 0},
        {"record book", QStringLiteral("SELECT  TOP (1) id_vuz_defaults, id_field  FROM VuzDefaults  WHERE (id_vuz_defaults = 46)"), {}, 1},
        {"record book", QStringLiteral("SELECT id_f_e, p109  FROM f_est WHERE (id_f_e =7)"), {}, 1},
        {"record book", QStringLiteral("EXEC SP_MarkMag_proverka_Del  @id_mark_mag =1"), {}, 1, -2,
         [](const auto& r) { EXPECT_EQ(value(r, 0, "prov"), QVariant(1)); }},
        {"record book", QStringLiteral("SELECT * FROM   dbo.V_MarkMag_user WHERE  (id_login =1) AND  (id_f_est =7)"), {}, 1, -2,
         [](const auto& r) { EXPECT_EQ(value(r, 0, "qel13"), QVariant(1)); EXPECT_GT(value(r, 0, "id_user_f_est").toInt(), 0); }},
        {"record book", QStringLiteral(" SELECT * FROM f_est WHERE id_f_e=7"), {}, 1},
        // a record book row posted: grade, points, attendance, statement form, credits, date, group and student
        {"record book", QStringLiteral("UPDATE [mark_mag] SET [id_estimation] = ?, [ball] = ?, [id_poseshal] = ?, [id_f_est] = ?, [kredits] = ?, [p36] = ?, [isStaticDiscipline] = ?, [id_group] = ?, [id_student] = ?, [primech] = ?, [dopusk_izm] = ? WHERE [id_mark_mag] = ? AND [id_estimation] = ? AND [ball] = ? AND [id_poseshal] IS NULL AND [id_f_est] = ? AND [kredits] = ?"),
         {9, 50.0, 1, 7, 0, QDate(2026, 1, 16), true, 1, 1, QStringLiteral("н/д"), true, 4, 4, 80.0, 1, 0}, -1, 1},
        // copy from the curriculum, add a discipline
        {"copy", QStringLiteral("Select id_semester from S_G where id_student=1"), {}, 1, -2,
         [](const auto& r) { EXPECT_EQ(value(r, 0, "id_semester"), QVariant(2)); }},
        {"copy", curriculumCopyQuery(1, 1, 2), {}, 1, -2,
         [](const auto& r) { EXPECT_EQ(cell(r, 0, "semXXdiscXXexamXXkrdt"), QStringLiteral("1XX1XX4XX2")); EXPECT_EQ(value(r, 0, "krdt"), QVariant(2)); }},
        // the copy writes its rows on statement form 4: a user who copies holds that form
        {"copy", QStringLiteral("INSERT INTO User_f_est (id_login, id_f_est) VALUES (1, 4)"), {}, -1, 1, {}, true},
        {"copy", QStringLiteral("INSERT INTO [QEL].[dbo].[mark_mag]  ([id_group],[id_student],[id_examination],[ball],[id_estimation],[id_discipline],[id_semester],[id_f_est],[isStaticDiscipline],[QEL_user],[QEL_update],kredits,id_ebe_var,[id_a_year],[id_faculty],[id_bk]) VALUES    (1,1,4,0,8,1,1,4,1,'teacher',getdate(),2,1,1,1,1)"), {}, -1, 1},
        {"copy", curriculumCopyQuery(1, 1, 2), {}, 0},
        {"add discipline", QStringLiteral(" SELECT dbo.estimation.*,dbo.ee.id_exmination  FROM dbo.ee INNER JOIN  dbo.estimation ON dbo.ee.id_estimation = dbo.estimation.id_estimation WHERE dbo.ee.id_exmination=1"), {}, 5},
        {"add discipline", QStringLiteral(" SELECT     dbo.g_r_y.id_group, dbo.g_r_y.id_a_year, dbo.semester.id_semester, dbo.semester.id_rate FROM         dbo.semester INNER JOIN dbo.g_r_y ON dbo.semester.id_rate = dbo.g_r_y.id_rate WHERE     (dbo.semester.id_semester = 2) AND (dbo.g_r_y.id_group =1)"), {}, 1},
        {"add discipline", QStringLiteral("SELECT com_sfe.id_ebe_var FROM com_sfe INNER JOIN g_s ON com_sfe.id_speciality = g_s.id_speciality WHERE (g_s.id_group = 1)"), {}, 1},
        {"add discipline", QStringLiteral("INSERT INTO [QEL].[dbo].[mark_mag]  ([id_group],[id_student],[id_examination],[ball],[id_estimation],[id_discipline],[id_semester],[id_f_est],[isStaticDiscipline],[QEL_user],[QEL_update],kredits,id_ebe_var,id_faculty,id_bk,id_a_year) VALUES (1,2,2,75,4,2,2,1,1,'teacher',getdate(),3,1,1,2,1)"), {}, -1, 1},
        {"record book", QStringLiteral("Delete from mark_mag WHERE (id_mark_mag =%1) ").arg(8), {}, -1, 1},
        {"record book", QStringLiteral("Delete from mark_mag Where id_mark_mag=%1").arg(9), {}, -1, 1},
        {"record book", QStringLiteral("Delete from mark_mag Where id_mark_mag=%1").arg(9), {}, -1, 0},
        // student codes and logins
        {"codes", QStringLiteral("SELECT [id_student] FROM [QEL].[dbo].[s_g] WHERE id_group=1"), {}, 3},
        {"codes", QStringLiteral("SELECT  ROW_NUMBER() OVER(ORDER BY s_fio.s_fio) as [no], s_fio.id_student, s_fio.idid, s_fio.s_fio, student.[login], student.[password], student.[needChangePsw], student.[startDateForChangePsw] FROM s_fio Inner Join qel.dbo.Student on qel.dbo.s_fio.id_student=qel.dbo.Student.id_student WHERE s_fio.id_student in( 1, 2, 3) ORDER BY s_fio.s_fio"), {}, 3,
         -2, [](const auto& r) {
             EXPECT_EQ(value(r, 2, "no"), QVariant(3));
             EXPECT_EQ(r.resultSets[0].columns[r.resultSets[0].columnIndex(QStringLiteral("idid"))].baseTable, QStringLiteral("s_fio"));
             EXPECT_EQ(r.resultSets[0].columns[r.resultSets[0].columnIndex(QStringLiteral("login"))].baseTable, QStringLiteral("Student"));
             EXPECT_EQ(value(r, 0, "needChangePsw").typeId(), QMetaType::Bool);
             // the portal digest is never shown to a working login
             EXPECT_TRUE(value(r, 0, "password").isNull());
         }},
        {"codes", QStringLiteral("SELECT dbo.FN_CreateLogin('Борисова','Вера')"), {}, 1, -2,
         [](const auto& r) { EXPECT_EQ(r.resultSets[0].rows[0][0], QVariant(QStringLiteral("borisova.v"))); }},
        {"codes", QStringLiteral("SELECT dbo.FN_CreateLogin('Акимов','Антон')"), {}, 1, -2,
         [](const auto& r) { EXPECT_EQ(r.resultSets[0].rows[0][0], QVariant(QStringLiteral("akimov.a2"))); }},
        {"codes", QStringLiteral("SELECT dbo.FN_CreateLogin('Гаврилова','')"), {}, 1, -2,
         [](const auto& r) { EXPECT_EQ(r.resultSets[0].rows[0][0], QVariant(QStringLiteral("gavrilova"))); }},
        {"codes", QStringLiteral("UPDATE Student SET login = ?, password = ?, needChangePsw = ?, startDateForChangePsw = ? WHERE id_student = ? AND login IS NULL"),
         {QStringLiteral("borisova.v"), digestOf(QStringLiteral("pw")), true, QDate(2026, 3, 1), 2}, -1, 1},
        {"codes", QStringLiteral("UPDATE s_fio SET idid = ? WHERE id_student = ? AND idid = ?"), {QStringLiteral("A-22"), 2, QStringLiteral("a-2  ")}, -1, 1},
        {"codes", QStringLiteral("INSERT INTO QEL_LOG([table], [row_id], [descr], [QEL_User], [comp]) VALUES('student', 2, 'Логин-\"\" и Пароль-\"\" изменили значения на Логин-\"borisova.v\" и Пароль-\"%1\"','teacher', 'host\\127.0.0.1')").arg(digestOf(QStringLiteral("pw"))), {}, -1, 1},
        {"login dialog", QStringLiteral(" SELECT TOP 1 [QEL].[dbo].[Student].[id_student]   FROM [QEL].[dbo].[Student]  WHERE [QEL].[dbo].[Student].[login] = 'borisova.v' AND  [QEL].[dbo].[Student].[id_student] <> 2 UNION  SELECT TOP 1 [QEL].[dbo].[QEL_User].[id_qel_user]  FROM [QEL].[dbo].[QEL_User]  WHERE [QEL].[dbo].[QEL_User].[QEL_login] = 'borisova.v'"), {}, 0},
        {"login dialog", QStringLiteral(" SELECT TOP 1 [QEL].[dbo].[Student].[id_student]   FROM [QEL].[dbo].[Student]  WHERE [QEL].[dbo].[Student].[login] = 'BORISOVA.V' AND  [QEL].[dbo].[Student].[id_student] <> 1 UNION  SELECT TOP 1 [QEL].[dbo].[QEL_User].[id_qel_user]  FROM [QEL].[dbo].[QEL_User]  WHERE [QEL].[dbo].[QEL_User].[QEL_login] = 'BORISOVA.V'"), {}, 1},
        {"login dialog", QStringLiteral(" SELECT TOP 1 [QEL].[dbo].[Student].[id_student]   FROM [QEL].[dbo].[Student]  WHERE [QEL].[dbo].[Student].[login] = 'teacher' AND  [QEL].[dbo].[Student].[id_student] <> 1 UNION  SELECT TOP 1 [QEL].[dbo].[QEL_User].[id_qel_user]  FROM [QEL].[dbo].[QEL_User]  WHERE [QEL].[dbo].[QEL_User].[QEL_login] = 'teacher'"), {}, 1},
        // a new password for a student who has a login: the list showed no digest, so the
        // dataset compares the password with NULL, as it read it
        {"codes", QStringLiteral("UPDATE [Student] SET [password] = ?, [needChangePsw] = ?, [startDateForChangePsw] = ? WHERE [id_student] = ? AND [password] IS NULL AND [needChangePsw] = ? AND [startDateForChangePsw] IS NULL"),
         {digestOf(QStringLiteral("new-pw")), true, QDate(2026, 3, 2), 1, false}, -1, 1},
        {"codes", QStringLiteral("SELECT password, needChangePsw FROM Student WHERE id_student = 1"), {}, 1, -2,
         [](const auto& r) { EXPECT_EQ(cell(r, 0, "password"), digestOf(QStringLiteral("new-pw"))); },
         true},
        {"codes", QStringLiteral("UPDATE [s_fio] SET [idid] = ? WHERE [id_student] = ? AND [idid] = ?"), {QStringLiteral("A-11"), 1, QStringLiteral("A-1")}, -1, 1},
        // a row deleted from the sheet's grid
        {"deleting", QStringLiteral("DELETE FROM [mark_mag] WHERE [id_mark_mag] = ?"), {6}, -1, 1},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.where) + ": " + c.sql.toStdString());
        wire::BatchResult r;
        try {
            r = (c.administrator ? *admin : *s).execute(c.sql, c.params);
        } catch (const wire::ServerError& e) {
            ADD_FAILURE() << "server error: " << e.what();
            continue;
        }
        if (c.rows < 0) {
            EXPECT_TRUE(r.resultSets.isEmpty());
        } else {
            ASSERT_EQ(r.resultSets.size(), 1);
            EXPECT_EQ(r.resultSets.first().rows.size(), c.rows);
        }
        if (c.affected != -2) {
            EXPECT_EQ(r.rowsAffected, c.affected);
        }
        if (c.check && !r.resultSets.isEmpty() && r.resultSets.first().rows.size() == c.rows)
            c.check(r);
    }
}
