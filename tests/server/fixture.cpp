#include "tests/server/fixture.h"

#include "tests/support/modal.h"

#include <QCryptographicHash>
#include <gtest/gtest.h>

namespace qel::test {

QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const wire::ServerError& e) {
        return e.message();
    }
    return QString();
}


QString digestOf(const QString& asciiPassword)
{
    return QString::fromLatin1(QCryptographicHash::hash(asciiPassword.toLatin1(), QCryptographicHash::Md5).toHex()).toUpper();
}

QString unshift(const QString& text)
{
    QString out;
    for (QChar c : text)
        out += QChar(static_cast<char16_t>(c.unicode() + 1));
    return out;
}

ServerFixture::ServerFixture(const QString& name)
{
    path = freshTempDir(name) + QStringLiteral("/QEL.sqlite");
    server::createDatabase(path, false);
    auto s = admin();
    s->execute(QStringLiteral("SET DATEFORMAT dmy"));
    const QString sql = QStringLiteral(R"(
        INSERT INTO examination (id_examination, p30) VALUES (1, 'Экзамен'), (2, 'Зачет'), (4, 'Курc/пр');
        INSERT INTO estimation (id_estimation, p31) VALUES (1, 'отл'), (2, 'хор'), (3, 'удов'), (4, 'зачет'),
            (8, 'н/я'), (9, 'н/з'), (11, 'н/у'), (25, ' н/п');
        INSERT INTO ee (id_exmination, id_estimation) VALUES (1, 1), (1, 2), (1, 3), (1, 11), (1, 8), (2, 4), (2, 9);
        INSERT INTO f_est (id_f_e, p109, QEL13, sessiya) VALUES (1, 'Ведомость', 1, 0), (2, 'Экзам. лист', 0, 1),
            (4, 'Перезачет', 1, 1), (7, 'Направление', 1, 1);
        INSERT INTO a_year (id_a_year, p32) VALUES (1, '2025/2026');
        INSERT INTO semester (id_semester, p43, id_rate) VALUES (1, '1 семестр', 1), (2, '2 семестр', 1);
        INSERT INTO speciality (id_speciality, code, spec) VALUES (1, '01.01', 'Математика');
        INSERT INTO [group] (id_group, p20, id_speciality, id_faculty, id_f_educ, o_z_d) VALUES (1, 'М-1', 1, 1, 1, 0),
            (2, 'Мз-1', 1, 1, 2, 1);
        INSERT INTO g_r_y (id_group, id_rate, id_a_year, p32) VALUES (1, 1, 1, '2025/2026'), (2, 1, 1, '2025/2026');
        INSERT INTO discipline (id_discipline, p34, id_kafedra) VALUES (1, 'Алгебра', 1), (2, 'История', 2);
        INSERT INTO educ_sh (id_speciality, id_a_year, id_semester, id_discipline, id_examination, Krdt)
            VALUES (1, 1, 1, 1, 1, 5), (1, 1, 1, 2, 2, NULL), (1, 1, 2, 1, 1, 4), (1, 1, 1, 1, 4, 2);
        INSERT INTO t_fio (id_teacher, t_fio, s_t_fio) VALUES (2, 'Учитель Ирина Павловна', 'Учитель И.П.');
        INSERT INTO RRNK (id_teacher, id_educ_sh, id_ebe_var) VALUES (2, 1, 1), (2, 3, 1);
        INSERT INTO RRNKkrdt (id_teacher, id_discipline, id_examination, Kredits, id_ebe_var) VALUES (2, 2, 2, 0, 2);
        INSERT INTO com_sfe (id_speciality, id_ebe_var) VALUES (1, 1);
        INSERT INTO ebe (id_ebe_var, id_estimation, beg_bal, end_bal) VALUES (1, 11, 0, 61), (1, 3, 61, 76),
            (1, 2, 76, 91), (1, 1, 91, 101), (2, 9, 0, 61), (2, 4, 61, 101);
        INSERT INTO EstimationOther (id_estimation_other, id_ebe_var, Estimation_Other) VALUES (1, 1, 'академ.');
        INSERT INTO est_config (id_ebe_var, id_f_est, pole_mark_mag, name_pole, order_pole, min, max, info_or_value, formula)
            VALUES (1, NULL, 'm1', 'Контрольная', 1, 0, 40, 1, NULL), (1, NULL, 'm2', 'Экзамен', 2, 0, 60, 1, NULL),
                   (1, NULL, '', 'Среднее', 3, 0, 50, 0, '(M1+M2)/2'), (1, NULL, 'ball1', 'Итого', 4, 0, 100, 0, 'M1+M2'),
                   (2, NULL, 'm1', 'Баллы', 1, 0, 100, 1, NULL), (2, NULL, 'ball1', 'Итого', 2, 0, 100, 0, 'M1');
        INSERT INTO MarkMagModulCopyAccess (id_f_est, id_ebe_var, m1, m2, dop) VALUES (7, 1, 1, 0, 1);
        INSERT INTO T_ComEbeFEst (id_ebe_var, id_f_est, Definition) VALUES (1, 7, 'id_estimation in (8, 11)');
        INSERT INTO QEL_User (QEL_login, password, fio, canChangeDopusk, mustChangePassword, passwordChanged)
            VALUES ('teacher', '%1', 'Учитель И.П.', 1, 0, getdate());
        INSERT INTO User_f_est (id_login, id_f_est) VALUES (1, 1), (1, 7);
        INSERT INTO User_f_educ (id_login, id_f_educ) VALUES (1, 1);
        INSERT INTO VuzDefaults (id_vuz_defaults, id_field) VALUES (28, 1), (29, 1), (30, 1), (46, 0);
        INSERT INTO poseshal (id_poseshal, poseshal, s_poseshal) VALUES (1, 'посещал', 'д'), (2, 'не посещал', 'н/д');
        INSERT INTO s_fio (id_student, s_fio, idid) VALUES (1, 'Акимов Антон', 'A-1'), (2, 'Борисова Вера', 'A-2'),
            (3, 'Васин Глеб', 'A-3'), (4, 'Гаврилова Дина', 'Z-1');
        INSERT INTO student_group (id_student, id_group, id_bk, id_semester, id_start_semester)
            VALUES (1, 1, 1, 2, 1), (2, 1, 2, 2, 1), (3, 1, 1, 2, 1), (4, 2, 1, 1, 1);
        INSERT INTO Student (id_student, login, password, needChangePsw) VALUES (1, 'akimov.a', '%2', 0), (2, NULL, NULL, 0),
            (3, NULL, NULL, 0);
        INSERT INTO StudentPhoto (id_student, photo) VALUES (1, NULL);
        INSERT INTO movement_t (id_student, id_group, id_semester, reason) VALUES (1, 1, 1, 'Зачислен'),
            (2, 1, 1, 'Зачислен'), (3, 1, 1, 'Зачислен');
        INSERT INTO DisciplineForStudent (id_student, id_discipline, id_semester, id_group, id_examination, kredits)
            VALUES (3, 2, 1, 1, 2, 0);
        INSERT INTO mark_mag (id_group, id_student, id_examination, id_estimation, id_discipline, id_semester, id_teacher,
            p35, p36, id_f_est, m1, m2, ball, primech, dopusk_izm, id_ebe_var, kredits, isStaticDiscipline, id_a_year)
            VALUES (1, 1, 1, 3, 1, 1, 2, '101', '20.01.2026', 1, 30, 40, 70, 'д', 0, 1, 5, 0, 1),
                   (1, 2, 1, 11, 1, 1, 2, '101', '20.01.2026', 1, 10, 20, 30, 'д', 0, 1, 5, 0, 1),
                   (1, 3, 1, 8, 1, 1, 2, '101', NULL, 1, NULL, NULL, NULL, 'н/д', 0, 1, 5, 0, 1),
                   (1, 1, 2, 4, 2, 1, 2, '102', '15.01.2026', 1, 80, NULL, 80, 'д', 0, 2, 0, 0, 1),
                   (1, 2, 1, 3, 1, 1, 2, '7-1-1-1-1', '05.02.2026', 7, 10, 55, 65, 'д', 0, 1, 5, 0, 1);
    )");
    s->execute(sql.arg(digestOf(QStringLiteral("secret1")), digestOf(QStringLiteral("student1"))));
}

std::unique_ptr<server::Session> ServerFixture::admin() const { return server::Session::administrator(path); }

std::unique_ptr<server::Session> ServerFixture::teacher() const
{
    return login(QStringLiteral("teacher"), QStringLiteral("secret1"));
}

std::unique_ptr<server::Session> ServerFixture::login(const QString& user, const QString& password) const
{
    return loginAs(path, user, password);
}

QString snapshot(const QString& path)
{
    auto admin = server::Session::administrator(path);
    QString out;
    for (const char* table : {"mark_mag", "QEL_LOG", "QEL_User", "Student", "s_fio", "User_f_est", "User_f_educ",
                              "f_est", "VuzDefaults", "t_fio", "StudentPhoto", "DisciplineForStudent", "sys_logins"}) {
        const wire::ResultSet rs =
            admin->execute(QStringLiteral("SELECT * FROM [%1] ORDER BY 1").arg(QLatin1String(table))).resultSets.first();
        out += QLatin1String(table) + QLatin1Char('\n');
        for (const wire::Row& r : rs.rows) {
            QStringList cells;
            for (const QVariant& v : r)
                cells << (v.isNull() ? QStringLiteral("NULL") : v.toString());
            out += cells.join(QLatin1Char('|')) + QLatin1Char('\n');
        }
    }
    return out;
}

std::unique_ptr<server::Session> loginAs(const QString& path, const QString& user, const QString& password)
{
    server::Session start(path, QStringLiteral("qel_start"), QStringLiteral("qel13start"));
    const wire::BatchResult r = start.execute(
        QStringLiteral("EXEC GET_USER '%1','%2',NULL, 'QEL 13', '127.0.0.1', 'test-host', '%1','0','4'")
            .arg(user, digestOf(password)));
    EXPECT_EQ(r.resultSets.size(), 1);
    const wire::Row row = r.resultSets.first().rows.first();
    auto s = std::make_unique<server::Session>(path, unshift(row[0].toString()), unshift(row[1].toString()));
    s->execute(QStringLiteral("SET DATEFORMAT dmy"));
    return s;
}

} // namespace qel::test
