#include "tests/datamodule/dm_fixture.h"

#include "data/mark_record.h"
#include "server/server.h"
#include "tests/support/modal.h"

#include <QCryptographicHash>
#include <gtest/gtest.h>

namespace qel::test {

namespace {

QString digest(const QString& ascii)
{
    return QString::fromLatin1(QCryptographicHash::hash(ascii.toLatin1(), QCryptographicHash::Md5).toHex()).toUpper();
}

QString unshift(const QString& text)
{
    QString out;
    for (QChar c : text)
        out += QChar(char16_t(c.unicode() + 1));
    return out;
}

} // namespace

QString connectionString(const QString& user, const QString& password, const QString& catalog)
{
    return QStringLiteral("Provider=SQLOLEDB.1;Password=") + password + QStringLiteral(";Persist Security Info=True;User ID=")
        + user + QStringLiteral(";Initial Catalog=") + catalog + QStringLiteral(";Data Source=embedded")
        + QStringLiteral(";Use Procedure for Prepare=1;Auto Translate=True;Packet Size=4096;Use Encryption for Data=False;"
                         "Tag with column collation when possible=False");
}

DmFixture::DmFixture(const QString& name, int extraStudents)
{
    dir = freshTempDir(name);
    qputenv("QEL_DATA_DIR", dir.toUtf8());
    path = dir + QStringLiteral("/QEL.sqlite");
    server::createDatabase(path, false);
    admin(QStringLiteral(R"(
        INSERT INTO examination (id_examination, p30) VALUES (1, 'Экзамен'), (2, 'Зачет');
        INSERT INTO estimation (id_estimation, p31) VALUES (1, 'отл'), (2, 'хор'), (3, 'удов'), (4, 'зачет'),
            (8, 'н/я'), (11, 'н/у'), (25, ' н/п');
        INSERT INTO ee (id_exmination, id_estimation) VALUES (1, 1), (1, 2), (1, 3), (1, 11), (1, 8), (2, 4);
        INSERT INTO f_est (id_f_e, p109, QEL13, sessiya) VALUES (1, 'Ведомость', 1, 0), (2, 'Экзам. лист', 0, 1);
        INSERT INTO a_year (id_a_year, p32) VALUES (1, '2025/2026');
        INSERT INTO semester (id_semester, p43, id_rate) VALUES (1, '1 семестр', 1), (2, '2 семестр', 1);
        INSERT INTO speciality (id_speciality, code, spec) VALUES (1, '01.01', 'Математика');
        INSERT INTO [group] (id_group, p20, id_speciality, id_faculty, id_f_educ, o_z_d) VALUES (1, 'М-1', 1, 1, 1, 0);
        INSERT INTO g_r_y (id_group, id_rate, id_a_year, p32) VALUES (1, 1, 1, '2025/2026');
        INSERT INTO discipline (id_discipline, p34, id_kafedra) VALUES (1, 'Алгебра', 1), (2, 'История', 2);
        INSERT INTO educ_sh (id_speciality, id_a_year, id_semester, id_discipline, id_examination, Krdt)
            VALUES (1, 1, 1, 1, 1, 5);
        INSERT INTO t_fio (id_teacher, t_fio, s_t_fio) VALUES (2, 'Учитель Ирина Павловна', 'Учитель И.П.');
        INSERT INTO EstimationOther (id_estimation_other, id_ebe_var, Estimation_Other) VALUES (1, 1, 'академ.');
        INSERT INTO ebe (id_ebe_var, id_estimation, beg_bal, end_bal) VALUES (1, 11, 0, 61), (1, 3, 61, 76),
            (1, 2, 76, 91), (1, 1, 91, 101);
        INSERT INTO QEL_User (QEL_login, password, fio, canChangeDopusk, mustChangePassword, passwordChanged)
            VALUES ('teacher', '%1', 'Учитель И.П.', 1, 0, getdate());
        INSERT INTO User_f_est (id_login, id_f_est) VALUES (1, 1);
        INSERT INTO User_f_educ (id_login, id_f_educ) VALUES (1, 1);
        INSERT INTO poseshal (id_poseshal, poseshal, s_poseshal) VALUES (1, 'посещал', 'д'), (2, 'не посещал', 'н/д');
        INSERT INTO s_fio (id_student, s_fio, idid) VALUES (1, 'Акимов Антон', 'A-1'), (2, 'Борисова Вера', 'A-2'),
            (3, 'Васин Глеб', 'A-3');
        INSERT INTO student_group (id_student, id_group, id_bk, id_semester, id_start_semester)
            VALUES (1, 1, 1, 1, 1), (2, 1, 2, 1, 1), (3, 1, 1, 1, 1);
        INSERT INTO Student (id_student, login, password, needChangePsw) VALUES (1, 'akimov.a', NULL, 0),
            (2, NULL, NULL, 0), (3, NULL, NULL, 0);
        INSERT INTO mark_mag (id_group, id_student, id_examination, id_estimation, id_discipline, id_semester, id_teacher,
            p35, p36, id_f_est, m1, m2, ball, primech, dopusk_izm, id_ebe_var, kredits, isStaticDiscipline,
            id_estimation_other)
            VALUES (1, 1, 1, 3, 1, 1, 2, '101', '20.01.2026', 1, 7.5, 40, 70, 'д', 0, 1, 5, 0, NULL),
                   (1, 2, 1, 11, 1, 1, 2, '101', '20.01.2026', 1, 6.5, 20, 30, 'д', 0, 1, 5, 0, 1),
                   (1, 3, 1, 8, 1, 1, 2, '101', NULL, 1, NULL, NULL, NULL, 'н/д', 0, 1, 5, 0, NULL),
                   (1, 1, 1, 2, 1, 1, 2, '102', '21.01.2026', 5, 30, 50, 80, 'д', 0, 1, 5, 0, NULL);
    )")
              .arg(digest(QStringLiteral("secret1"))));
    if (extraStudents > 0) {
        // Extra students with a mark row each on the main sheet.
        auto s = server::Session::administrator(path);
        s->execute(QStringLiteral("BEGIN TRANSACTION"));
        for (int i = 0; i < extraStudents; ++i) {
            const int id = 100 + i;
            s->execute(QStringLiteral("INSERT INTO s_fio (id_student, s_fio, idid) VALUES (?, ?, ?)"),
                       {id, QStringLiteral("Студент %1 Тестовый").arg(i, 5, 10, QLatin1Char('0')),
                        QStringLiteral("B-%1").arg(i)});
            s->execute(QStringLiteral("INSERT INTO mark_mag (id_group, id_student, id_examination, id_estimation, "
                                      "id_discipline, id_semester, id_teacher, p35, id_f_est, m1, m2, ball, primech, "
                                      "dopusk_izm, id_ebe_var, kredits, isStaticDiscipline) "
                                      "VALUES (1, ?, 1, 2, 1, 1, 2, '101', 1, ?, ?, ?, 'д', 0, 1, 5, 0)"),
                       {id, double(i % 40), double(i % 60), double(i % 100)});
        }
        s->execute(QStringLiteral("COMMIT TRANSACTION"));
    }
}

DmFixture::~DmFixture()
{
    qunsetenv("QEL_DATA_DIR");
}

void DmFixture::admin(const QString& sql) const
{
    auto s = server::Session::administrator(path);
    s->execute(QStringLiteral("SET DATEFORMAT dmy"));
    s->execute(sql);
}

void DmFixture::login(data::TDM_CDE_3& dm) const
{
    dm.ADO_CDE.close();
    dm.ADO_CDE.setConnectionString(connectionString(QStringLiteral("qel_start"), QStringLiteral("qel13start")));
    dm.ADO_CDE.open();
    db::Query check(&dm.ADO_CDE, QStringLiteral("check"));
    check.setSql(QStringLiteral("EXEC GET_USER 'teacher','%1',NULL, 'QEL 13', '127.0.0.1', 'test-host', 'teacher','0','4'")
                     .arg(digest(QStringLiteral("secret1"))));
    check.open();
    const QString account = unshift(check.field(0).asString());
    const QString password = unshift(check.field(1).asString());
    check.close();
    dm.ADO_CDE.close();
    dm.ADO_CDE.setConnectionString(connectionString(account, password));
    dm.ADO_CDE.open();
    db::Query set(&dm.ADO_CDE, QStringLiteral("set"));
    set.setSql(QStringLiteral("SET DATEFORMAT dmy"));
    set.execSql();
}

void DmFixture::openLookupSources(data::TDM_CDE_3& dm)
{
    dm.ADOQ_estimation.open();
    dm.ADOTSemestr.open();
    dm.ADOT_f_est.open();
    dm.ADOQ_f_est1.setSql(QStringLiteral(
        "SELECT     dbo.f_est.id_f_e, dbo.f_est.p109 FROM         dbo.User_f_est INNER JOIN dbo.f_est ON "
        "dbo.User_f_est.id_f_est = dbo.f_est.id_f_e WHERE     (dbo.User_f_est.id_login = 1)"));
    dm.ADOQ_f_est1.open();
    dm.ADOQ_Examination.open();
    dm.ADOQ_Discipline.setSql(QStringLiteral(
        " SELECT id_group,  id_semester, p34, id_discipline, Kredits, (id_discipline*10+Kredits) as id  FROM "
        "gr_sem_disc_exam WHERE  id_semester=1 and id_group=1 GROUP BY id_group, id_semester, p34, id_discipline, Kredits "));
    dm.ADOQ_Discipline.open();
    dm.ADOQ_s_fio.setSql(QStringLiteral(
        "Select id_student, s_fio, idid from s_g where id_group=1 GROUP BY dbo.s_g.id_student, dbo.s_g.s_fio, idid"));
    dm.ADOQ_s_fio.open();
    dm.ADOQ_s_fio.setSort(QStringLiteral("s_fio"));
    dm.ADOQ_t_fio.open();
    dm.ADOQ_EstimationOther.parameters().byName(QStringLiteral("id_ebe_var")).setValue(QStringLiteral("1"));
    dm.ADOQ_EstimationOther.open();
}

void DmFixture::openSheet(data::TDM_CDE_3& dm, int statementForm, const QString& condition)
{
    using namespace data;
    db::StoredProc& sp = dm.ADO_SP_Sort;
    sp.close();
    db::Parameters& p = sp.parameters();
    p[MarkSheetGroup].setValue(dmfx::kGroup);
    p[MarkSheetSemester].setValue(dmfx::kSemester);
    p[MarkSheetDiscipline].setValue(dmfx::kAlgebra);
    p[MarkSheetExamination].setValue(dmfx::kExam);
    p[MarkSheetTeacher].setValue(1);
    p[MarkSheetDoNotShowEst].setValue(condition);
    p[MarkSheetSubgroup].setValue(QStringLiteral("0"));
    p[MarkSheetIsGetFromSubGroup].setValue(QStringLiteral("0"));
    p[MarkSheetAcademicYear].setValue(QStringLiteral("0"));
    p[MarkSheetEbeVar].setValue(dmfx::kScale);
    p[MarkSheetFormOfStatement].setValue(statementForm);
    p[MarkSheetKredits].setValue(5);
    sp.open();
}

} // namespace qel::test
