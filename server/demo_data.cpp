// The demo faculty: one faculty with two full-time groups and one extramural group, their
// curriculum over four semesters, teachers, grading scales with formulas, statement forms,
// users with documented passwords, students (some with portal logins and photos) and marks.
// Marks are drawn from a fixed seed, so every demo database is the same.
#include "server/database_file.h"
#include "server/demo_photos.h"
#include "server/server_logins.h"
#include "server/storage_dates.h"

#include <QCryptographicHash>
#include <QDate>
#include <QRandomGenerator>

namespace qel::server {
namespace {

// Password digests as the client computes them: MD5 of the Windows-1251 bytes, upper-case
// hex. The demo passwords are plain ASCII, whose bytes are the same in Windows-1251.
QString digest(const QString& asciiPassword)
{
    return QString::fromLatin1(QCryptographicHash::hash(asciiPassword.toLatin1(), QCryptographicHash::Md5).toHex()).toUpper();
}

struct Line {
    int id;        // id_educ_sh
    int speciality;
    int year;      // id_a_year
    int semester;
    int discipline;
    int exam;
    QVariant krdt;
    int teacher;
    int variant;
};

enum Exam { Ekz = 1, Zach = 2, KursRab = 3, KursPr = 4, DifZach = 5, KontrRab = 6, Itog = 7, Attest = 8 };

int variantOf(int exam)
{
    if (exam == Zach)
        return 2;
    if (exam == Attest)
        return 3;
    return 1;
}

int gradeFor(int variant, double ball)
{
    switch (variant) {
    case 2: return ball < 61 ? 9 : 4;
    case 3: return ball < 50 ? 10 : 5;
    default: return ball < 61 ? 11 : ball < 76 ? 3 : ball < 91 ? 2 : 1;
    }
}

class Demo {
public:
    explicit Demo(Storage& s) : s_(s), random_(2026) {}

    void build()
    {
        reference();
        faculty();
        curriculum();
        scales();
        users();
        students();
        marks();
    }

private:
    void rows(const QString& sql, const QList<QVariantList>& values)
    {
        for (const QVariantList& v : values)
            s_.run(sql, v);
    }

    void reference()
    {
        rows(QStringLiteral("INSERT INTO examination (id_examination, p30) VALUES (?, ?)"),
             {{Ekz, QStringLiteral("Экзамен")}, {Zach, QStringLiteral("Зачет")},
              {KursRab, QStringLiteral("Курс/раб")}, {KursPr, QStringLiteral("Курc/пр")}, // Latin c, as looked up
              {DifZach, QStringLiteral("Диф/зачет")}, {KontrRab, QStringLiteral("Контр/раб")},
              {Itog, QStringLiteral("Итог/оценка")}, {Attest, QStringLiteral("Аттестация")}});
        rows(QStringLiteral("INSERT INTO estimation (id_estimation, p31) VALUES (?, ?)"),
             {{1, QStringLiteral("отл")}, {2, QStringLiteral("хор")}, {3, QStringLiteral("удов")},
              {4, QStringLiteral("зачет")}, {5, QStringLiteral("ат")}, {8, QStringLiteral("н/я")},
              {9, QStringLiteral("н/з")}, {10, QStringLiteral("н/ат")}, {11, QStringLiteral("н/у")},
              {16, QStringLiteral("н/доп")}, {20, QStringLiteral("-")}, {25, QStringLiteral(" н/п")}});
        const QList<int> graded = {1, 2, 3, 11, 8, 16, 20, 25};
        const QList<int> credit = {4, 9, 8, 16, 20, 25};
        const QList<int> attest = {5, 10, 8, 20, 25};
        for (int exam : {Ekz, KursRab, KursPr, DifZach, KontrRab, Itog})
            for (int g : graded)
                s_.run(QStringLiteral("INSERT INTO ee (id_exmination, id_estimation) VALUES (?, ?)"), {exam, g});
        for (int g : credit)
            s_.run(QStringLiteral("INSERT INTO ee (id_exmination, id_estimation) VALUES (?, ?)"), {int(Zach), g});
        for (int g : attest)
            s_.run(QStringLiteral("INSERT INTO ee (id_exmination, id_estimation) VALUES (?, ?)"), {int(Attest), g});
        rows(QStringLiteral("INSERT INTO f_est (id_f_e, p109, QEL13, sessiya) VALUES (?, ?, ?, ?)"),
             {{1, QStringLiteral("Ведомость"), 1, 0}, {2, QStringLiteral("Экзам. лист"), 0, 1},
              {4, QStringLiteral("Перезачет"), 1, 1}, {7, QStringLiteral("Направление"), 1, 1}});
        rows(QStringLiteral("INSERT INTO VuzDefaults (id_vuz_defaults, id_field, descr) VALUES (?, ?, ?)"),
             {{28, 0, QStringLiteral("Оценка н/у при контрольной точке ниже 61% максимума")},
              {29, 1, QStringLiteral("Сумма баллов не более 100")},
              {30, 1, QStringLiteral("Изменять только ведомости с признаком QEL13")},
              {46, 1, QStringLiteral("Дисциплины учебного плана из зачетки не удаляются")}});
        rows(QStringLiteral("INSERT INTO poseshal (id_poseshal, poseshal, s_poseshal) VALUES (?, ?, ?)"),
             {{1, QStringLiteral("посещал"), QStringLiteral("д")}, {2, QStringLiteral("не посещал"), QStringLiteral("н/д")}});
        rows(QStringLiteral("INSERT INTO bk (id_bk, name) VALUES (?, ?)"),
             {{1, QStringLiteral("бюджет")}, {2, QStringLiteral("договор")}});
        rows(QStringLiteral("INSERT INTO f_educ (id_f_educ, name) VALUES (?, ?)"),
             {{1, QStringLiteral("Очная")}, {2, QStringLiteral("Заочная")}});
        rows(QStringLiteral("INSERT INTO a_year (id_a_year, p32) VALUES (?, ?)"),
             {{1, QStringLiteral("2024/2025")}, {2, QStringLiteral("2025/2026")}});
        for (int s = 1; s <= 8; ++s)
            s_.run(QStringLiteral("INSERT INTO semester (id_semester, p43, id_rate) VALUES (?, ?, ?)"),
                   {s, QStringLiteral("%1 семестр").arg(s), (s + 1) / 2});
    }

    void faculty()
    {
        s_.run(QStringLiteral("INSERT INTO faculty (id_faculty, name) VALUES (1, 'Факультет информационных технологий')"));
        rows(QStringLiteral("INSERT INTO kafedra (id_kafedra, id_faculty, name) VALUES (?, 1, ?)"),
             {{1, QStringLiteral("Кафедра информатики")}, {2, QStringLiteral("Кафедра высшей математики")},
              {3, QStringLiteral("Кафедра гуманитарных дисциплин")}, {4, QStringLiteral("Кафедра физического воспитания")}});
        rows(QStringLiteral("INSERT INTO speciality (id_speciality, code, spec) VALUES (?, ?, ?)"),
             {{1, QStringLiteral("09.03.01"), QStringLiteral("09.03.01 Информатика и вычислительная техника")},
              {2, QStringLiteral("09.03.04"), QStringLiteral("09.03.04 Программная инженерия")}});
        // o_z_d: 0 full-time, 1 extramural
        rows(QStringLiteral("INSERT INTO \"group\" (id_group, p20, id_speciality, id_faculty, id_f_educ, o_z_d) "
                            "VALUES (?, ?, ?, 1, ?, ?)"),
             {{1, QStringLiteral("ИВТ-24"), 1, 1, 0}, {2, QStringLiteral("ПИ-25"), 2, 1, 0},
              {3, QStringLiteral("ИВТз-24"), 1, 2, 1}});
        rows(QStringLiteral("INSERT INTO g_r_y (id_group, id_rate, id_a_year, p32) VALUES (?, ?, ?, ?)"),
             {{1, 1, 1, QStringLiteral("2024/2025")}, {1, 2, 2, QStringLiteral("2025/2026")},
              {2, 1, 2, QStringLiteral("2025/2026")},
              {3, 1, 1, QStringLiteral("2024/2025")}, {3, 2, 2, QStringLiteral("2025/2026")}});
        rows(QStringLiteral("INSERT INTO discipline (id_discipline, p34, id_kafedra) VALUES (?, ?, ?)"),
             {{1, QStringLiteral("Математический анализ"), 2},
              {2, QStringLiteral("Линейная алгебра и аналитическая геометрия"), 2},
              {3, QStringLiteral("Программирование"), 1}, {4, QStringLiteral("Физика"), 2},
              {5, QStringLiteral("История России"), 3}, {6, QStringLiteral("Иностранный язык"), 3},
              {7, QStringLiteral("Физическая культура и спорт"), 4}, {8, QStringLiteral("Базы данных"), 1},
              {9, QStringLiteral("Дискретная математика"), 2}, {10, QStringLiteral("Учебная практика"), 1}});
        rows(QStringLiteral("INSERT INTO t_fio (id_teacher, t_fio, s_t_fio) VALUES (?, ?, ?)"),
             {{2, QStringLiteral("Соколова Анна Викторовна"), QStringLiteral("Соколова А.В.")},
              {3, QStringLiteral("Кузнецов Дмитрий Олегович"), QStringLiteral("Кузнецов Д.О.")},
              {4, QStringLiteral("Морозова Елена Сергеевна"), QStringLiteral("Морозова Е.С.")},
              {5, QStringLiteral("Волков Игорь Николаевич"), QStringLiteral("Волков И.Н.")},
              {6, QStringLiteral("Лебедева Ольга Петровна"), QStringLiteral("Лебедева О.П.")},
              {7, QStringLiteral("Новиков Андрей Юрьевич"), QStringLiteral("Новиков А.Ю.")}});
    }

    void curriculum()
    {
        // teacher by discipline
        const int teacher[] = {0, 2, 2, 3, 4, 5, 6, 7, 3, 4, 3};
        struct Plan {
            int speciality, year, semester, discipline, exam;
            QVariant krdt;
        };
        const QList<Plan> plan = {
            // 09.03.01, 2024/2025
            {1, 1, 1, 1, Ekz, 5}, {1, 1, 1, 2, Ekz, 4}, {1, 1, 1, 3, Ekz, 5}, {1, 1, 1, 5, Zach, 2},
            {1, 1, 1, 6, Zach, 2}, {1, 1, 1, 7, Zach, QVariant()},
            {1, 1, 2, 1, Ekz, 5}, {1, 1, 2, 1, KursRab, 3}, {1, 1, 2, 3, Ekz, 5}, {1, 1, 2, 4, Ekz, 4},
            {1, 1, 2, 6, DifZach, 2}, {1, 1, 2, 10, Attest, 3},
            // 09.03.01, 2025/2026
            {1, 2, 3, 9, Ekz, 4}, {1, 2, 3, 8, Ekz, 5}, {1, 2, 3, 8, KursPr, 2}, {1, 2, 3, 4, Zach, 3},
            {1, 2, 3, 6, Zach, 2}, {1, 2, 3, 7, Zach, QVariant()},
            {1, 2, 4, 3, Ekz, 5}, {1, 2, 4, 9, Zach, 3}, {1, 2, 4, 10, Attest, 3},
            // 09.03.04, 2025/2026
            {2, 2, 1, 1, Ekz, 5}, {2, 2, 1, 3, Ekz, 5}, {2, 2, 1, 5, Zach, 2}, {2, 2, 1, 6, Zach, 2},
            {2, 2, 2, 9, Ekz, 4}, {2, 2, 2, 3, KursPr, 3}, {2, 2, 2, 10, Attest, 3},
        };
        int id = 0;
        for (const Plan& p : plan) {
            ++id;
            s_.run(QStringLiteral("INSERT INTO educ_sh (id_educ_sh, id_speciality, id_a_year, id_semester, id_discipline, "
                                  "id_examination, Krdt, hours) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                   {id, p.speciality, p.year, p.semester, p.discipline, p.exam, p.krdt, p.krdt.isNull() ? 68 : p.krdt.toInt() * 36});
            const Line line{id, p.speciality, p.year, p.semester, p.discipline, p.exam, p.krdt, teacher[p.discipline],
                            variantOf(p.exam)};
            lines_.append(line);
            s_.run(QStringLiteral("INSERT INTO RRNK (id_teacher, id_educ_sh, id_group, id_ebe_var) VALUES (?, ?, NULL, ?)"),
                   {line.teacher, id, line.variant});
        }
        // Mathematical analysis of the first semester may also be graded on the scale with
        // special grades: the sheet then waits for the user to pick the variant.
        s_.run(QStringLiteral("INSERT INTO RRNK (id_teacher, id_educ_sh, id_group, id_ebe_var) VALUES (2, 1, NULL, 4)"));
        // Physical training is given by discipline and credits for every group.
        s_.run(QStringLiteral("INSERT INTO RRNKkrdt (id_teacher, id_discipline, id_group, id_semester, id_examination, "
                              "Kredits, id_ebe_var) VALUES (7, 7, NULL, NULL, 2, 0, 2)"));
        rows(QStringLiteral("INSERT INTO com_sfe (id_speciality, id_ebe_var) VALUES (?, ?)"), {{1, 1}, {2, 1}});
    }

    void scales()
    {
        rows(QStringLiteral("INSERT INTO ebe_var (id_ebe_var, name) VALUES (?, ?)"),
             {{1, QStringLiteral("100-балльная шкала (экзамен)")}, {2, QStringLiteral("Зачет по 100-балльной шкале")},
              {3, QStringLiteral("Аттестация")}, {4, QStringLiteral("100-балльная шкала с особыми оценками")}});
        const QString ebe = QStringLiteral("INSERT INTO ebe (id_ebe_var, id_estimation, beg_bal, end_bal) VALUES (?, ?, ?, ?)");
        for (int v : {1, 4})
            rows(ebe, {{v, 11, 0, 61}, {v, 3, 61, 76}, {v, 2, 76, 91}, {v, 1, 91, 101}});
        rows(ebe, {{2, 9, 0, 61}, {2, 4, 61, 101}});
        rows(ebe, {{3, 10, 0, 50}, {3, 5, 50, 101}});
        rows(QStringLiteral("INSERT INTO EstimationOther (id_estimation_other, id_ebe_var, Estimation_Other) VALUES (?, 4, ?)"),
             {{1, QStringLiteral("неявка ув.")}, {2, QStringLiteral("академ.")}, {3, QStringLiteral("не допущ.")}});
        const QString cfg = QStringLiteral(
            "INSERT INTO est_config (id_ebe_var, id_f_est, pole_mark_mag, name_pole, order_pole, min, max, info_or_value, "
            "formula) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
        const QVariant all;
        const QString none;
        for (int v : {1, 4}) {
            rows(cfg, {{v, all, QStringLiteral("m1"), QStringLiteral("Модуль 1"), 1, 0, 20, 1, none},
                       {v, all, QStringLiteral("m2"), QStringLiteral("Модуль 2"), 2, 0, 20, 1, none},
                       {v, all, QStringLiteral("m3"), QStringLiteral("Модуль 3"), 3, 0, 20, 1, none},
                       {v, all, QString(), QStringLiteral("Сумма модулей"), 4, 0, 60, 0, QStringLiteral("M1+M2+M3")},
                       {v, all, QStringLiteral("m4"), QStringLiteral("Экзамен"), 5, 0, 30, 1, none},
                       {v, all, QStringLiteral("dop"), QStringLiteral("Доп. баллы"), 6, 0, 10, 1, none},
                       {v, all, QStringLiteral("ball1"), QStringLiteral("Итого"), 7, 0, 100, 0,
                        QStringLiteral("M1+M2+M3+M4+DOP")}});
        }
        rows(cfg, {{4, all, QString(), QStringLiteral("Лучший модуль"), 8, 0, 20, 0, QStringLiteral("MAX(M1,MAX(M2,M3))")}});
        // the retake statement shows the modules it copies and the new examination
        rows(cfg, {{1, 7, QStringLiteral("m1"), QStringLiteral("Модуль 1"), 1, 0, 20, 1, none},
                   {1, 7, QStringLiteral("m2"), QStringLiteral("Модуль 2"), 2, 0, 20, 1, none},
                   {1, 7, QStringLiteral("m3"), QStringLiteral("Модуль 3"), 3, 0, 20, 1, none},
                   {1, 7, QStringLiteral("m4"), QStringLiteral("Пересдача"), 4, 0, 30, 1, none},
                   {1, 7, QStringLiteral("dop"), QStringLiteral("Доп. баллы"), 5, 0, 10, 1, none},
                   {1, 7, QStringLiteral("ball1"), QStringLiteral("Итого"), 6, 0, 100, 0, QStringLiteral("M1+M2+M3+M4+DOP")}});
        rows(cfg, {{2, all, QStringLiteral("m1"), QStringLiteral("Текущий контроль"), 1, 0, 60, 1, none},
                   {2, all, QStringLiteral("m2"), QStringLiteral("Зачетная работа"), 2, 0, 40, 1, none},
                   {2, all, QString(), QStringLiteral("Среднее"), 3, 0, 50, 0, QStringLiteral("(M1+M2)/2")},
                   {2, all, QStringLiteral("ball1"), QStringLiteral("Итого"), 4, 0, 100, 0, QStringLiteral("M1+M2")}});
        rows(cfg, {{3, all, QStringLiteral("m1"), QStringLiteral("Аттестация 1"), 1, 0, 50, 1, none},
                   {3, all, QStringLiteral("m2"), QStringLiteral("Аттестация 2"), 2, 0, 50, 1, none},
                   {3, all, QStringLiteral("ball1"), QStringLiteral("Итого"), 3, 0, 100, 0, QStringLiteral("M1+M2")}});
        const QString copy = QStringLiteral(
            "INSERT INTO MarkMagModulCopyAccess (id_f_est, id_ebe_var, m1, m2, m3, m4, dop) VALUES (?, ?, ?, ?, ?, ?, ?)");
        rows(copy, {{7, 1, 1, 1, 1, 0, 1}, {7, 4, 1, 1, 1, 0, 1}, {4, 1, 1, 1, 1, 1, 1}, {7, 2, 1, 0, 0, 0, 0}});
        rows(QStringLiteral("INSERT INTO T_ComEbeFEst (id_ebe_var, id_f_est, Definition) VALUES (?, ?, ?)"),
             {{1, 7, QStringLiteral("id_estimation in (8, 11, 16)")}, {4, 7, QStringLiteral("id_estimation in (8, 11, 16)")},
              {2, 7, QStringLiteral("id_estimation in (8, 9, 16)")}, {1, 4, QString()}});
    }

    void users()
    {
        const QString now = storedNow();
        const QString soon = storedDateTime(QDateTime::currentDateTime().addDays(-170));
        struct User {
            int id;
            const char* login;
            const char* password;
            const char* fio;
            int dopusk;
            int mustChange;
            QString changed;
        };
        const QList<User> users = {
            {1, "demo", "demo2026", "Демидова Мария Андреевна", 1, 0, now},
            {2, "novice", "novice2026", "Новикова Светлана Игоревна", 0, 1, now},
            {3, "viewer", "viewer2026", "Виноградов Павел Ильич", 0, 0, now},
            {4, "soon", "soon2026", "Сорокин Кирилл Денисович", 0, 0, soon},
        };
        for (const User& u : users)
            s_.run(QStringLiteral("INSERT INTO QEL_User (id_qel_user, QEL_login, password, fio, canChangeDopusk, "
                                  "mustChangePassword, passwordChanged) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                   {u.id, QString::fromLatin1(u.login), digest(QString::fromLatin1(u.password)), QString::fromUtf8(u.fio),
                    u.dopusk, u.mustChange, u.changed});
        rows(QStringLiteral("INSERT INTO User_f_est (id_login, id_f_est) VALUES (?, ?)"),
             {{1, 1}, {1, 4}, {1, 7}, {2, 1}, {4, 1}, {4, 7}});
        rows(QStringLiteral("INSERT INTO User_f_educ (id_login, id_f_educ) VALUES (?, ?)"),
             {{1, 1}, {1, 2}, {2, 1}, {3, 1}, {3, 2}, {4, 1}});
        for (const User& u : users)
            userAccount(s_, u.id);
    }

    void students()
    {
        struct Group {
            int id, current;
            QString code;
            QStringList names;
        };
        const QList<Group> groups = {
            {1, 3, QStringLiteral("24ИВТ"),
             {QStringLiteral("Алексеев Иван Петрович"), QStringLiteral("Белова Ксения Андреевна"),
              QStringLiteral("Васильев Артём Сергеевич"), QStringLiteral("Григорьева Дарья Олеговна"),
              QStringLiteral("Ёлкин Максим Викторович"), QStringLiteral("Захарова Полина Ивановна"),
              QStringLiteral("Ильин Никита Романович"), QStringLiteral("Ковалёва Анастасия Дмитриевна"),
              QStringLiteral("Лаптев Егор Алексеевич"), QStringLiteral("Миронова Виктория Павловна")}},
            {2, 1, QStringLiteral("25ПИ"),
             {QStringLiteral("Андреева Алина Сергеевна"), QStringLiteral("Борисов Кирилл Евгеньевич"),
              QStringLiteral("Гусев Тимофей Андреевич"), QStringLiteral("Данилова Софья Максимовна"),
              QStringLiteral("Егоров Матвей Ильич"), QStringLiteral("Жукова Ульяна Романовна"),
              QStringLiteral("Орлов Глеб Владимирович"), QStringLiteral("Тихонова Ева Николаевна")}},
            {3, 3, QStringLiteral("24ИВТз"),
             {QStringLiteral("Баранов Сергей Викторович"), QStringLiteral("Голубева Наталья Юрьевна"),
              QStringLiteral("Крылов Олег Анатольевич"), QStringLiteral("Павлова Ирина Геннадьевна"),
              QStringLiteral("Рябов Денис Александрович"), QStringLiteral("Фролова Людмила Николаевна")}},
        };
        const QList<QByteArray> photos = demoPhotos();
        int id = 0;
        for (const Group& g : groups) {
            for (int k = 0; k < g.names.size(); ++k) {
                ++id;
                // The ninth student of ИВТ-24 came over from another university in the third semester.
                const int start = (g.id == 1 && k == 8) ? 3 : 1;
                s_.run(QStringLiteral("INSERT INTO s_fio (id_student, s_fio, idid) VALUES (?, ?, ?)"),
                       {id, g.names[k], QStringLiteral("%1%2").arg(g.code).arg(k + 1, 3, 10, QLatin1Char('0'))});
                s_.run(QStringLiteral("INSERT INTO student_group (id_student, id_group, id_bk, id_semester, "
                                      "id_start_semester, id_protocols) VALUES (?, ?, ?, ?, ?, NULL)"),
                       {id, g.id, k % 3 == 2 ? 2 : 1, g.current, start});
                s_.run(QStringLiteral("INSERT INTO movement_t (id_student, id_group, id_semester, p_date, reason) "
                                      "VALUES (?, ?, ?, ?, ?)"),
                       {id, g.id, start, start == 1 ? QStringLiteral("2024-09-01 00:00:00") : QStringLiteral("2025-09-01 00:00:00"),
                        start == 1 ? QStringLiteral("Зачислен") : QStringLiteral("Переведен из другого вуза")});
                // Every student has a portal account row; half of them have a login already.
                QVariant login, password, since;
                if (k % 2 == 0) {
                    const QStringList parts = g.names[k].split(QLatin1Char(' '));
                    login = QString(transliterated(parts[0]) + QLatin1Char('.') + transliterated(parts[1]).left(1));
                    password = digest(QStringLiteral("student%1").arg(id));
                    since = storedDate(QDate(2025, 9, 1));
                }
                s_.run(QStringLiteral("INSERT INTO Student (id_student, login, password, needChangePsw, "
                                      "startDateForChangePsw, e_mail) VALUES (?, ?, ?, ?, ?, ?)"),
                       {id, login, password, login.isNull() ? 0 : (k % 4 == 0 ? 1 : 0), since,
                        login.isNull() ? QVariant() : QVariant(login.toString() + QStringLiteral("@student.example"))});
                if (k < 2 && g.id != 3)
                    s_.run(QStringLiteral("INSERT INTO StudentPhoto (id_student, photo) VALUES (?, ?)"),
                           {id, photos[(id - 1) % photos.size()]});
                students_.append({id, g.id, start, k});
            }
        }
        // Individually assigned disciplines.
        rows(QStringLiteral("INSERT INTO DisciplineForStudent (id_student, id_discipline, id_semester, id_group, "
                            "id_examination, kredits) VALUES (?, ?, ?, ?, ?, ?)"),
             {{3, 8, 2, 1, Zach, 2}, {9, 5, 3, 1, Zach, 2}});
    }

    static QString transliterated(const QString& text)
    {
        static const char* const table[] = {"a", "b", "v", "g", "d", "e", "zh", "z", "i", "i", "k", "l", "m", "n", "o",
                                            "p", "r", "s", "t", "u", "f", "kh", "ts", "ch", "sh", "shch", "ie", "y",
                                            "", "e", "iu", "ia"};
        QString out;
        for (QChar c : text.toLower()) {
            const char16_t u = c.unicode();
            if (u >= 0x430 && u <= 0x44F)
                out += QLatin1String(table[u - 0x430]);
            else if (u == 0x451)
                out += QLatin1Char('e');
        }
        return out;
    }

    int rnd(int low, int high) { return static_cast<int>(random_.bounded(low, high + 1)); }

    QString sessionDate(int semester, int lineIndex)
    {
        // odd semesters end in January, even ones in June; the first year is 2024/2025
        const int year = 2024 + (semester + 1) / 2;
        const QDate d = semester % 2 ? QDate(year, 1, 12 + lineIndex % 14) : QDate(year, 6, 8 + lineIndex % 18);
        return storedDateTime(QDateTime(d, QTime(0, 0)));
    }

    void marks()
    {
        const QString insert = QStringLiteral(
            "INSERT INTO mark_mag (id_group, id_student, id_examination, id_estimation, id_discipline, id_semester, "
            "id_teacher, p35, p36, id_f_est, m1, m2, m3, m4, dop, ball, QEL_User, QEL_Update, primech, k_count, "
            "dopusk_izm, id_ebe_var, kredits, isStaticDiscipline, id_a_year, id_faculty, id_bk) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'demo', ?, ?, ?, 0, ?, ?, 0, ?, 1, ?)");
        struct GroupInfo {
            int id, speciality, current, extramural;
            QHash<int, int> yearOfSemester;
        };
        const QList<GroupInfo> groups = {{1, 1, 3, 0, {{1, 1}, {2, 1}, {3, 2}, {4, 2}}},
                                         {2, 2, 1, 0, {{1, 2}, {2, 2}}},
                                         {3, 1, 3, 1, {{1, 1}, {2, 1}, {3, 2}, {4, 2}}}};
        int statement = 1000;
        for (const GroupInfo& g : groups) {
            for (int li = 0; li < lines_.size(); ++li) {
                const Line& l = lines_[li];
                if (l.speciality != g.speciality || g.yearOfSemester.value(l.semester) != l.year
                    || l.semester > g.current)
                    continue;
                ++statement;
                const bool past = l.semester < g.current;
                const int checkpoints = l.variant == 1 ? 4 : 2;
                for (const auto& st : std::as_const(students_)) {
                    if (st.group != g.id || st.start > l.semester)
                        continue;
                    QVariant m1, m2, m3, m4, dop, ball, date;
                    int grade = 8;
                    QString primech = QStringLiteral("д");
                    if (g.extramural) {
                        // extramural sheets: grades set by hand, no checkpoints
                        if (past) {
                            const int r = rnd(0, 9);
                            grade = l.variant == 2 ? (r < 8 ? 4 : 9) : l.variant == 3 ? 5 : (r < 3 ? 1 : r < 7 ? 2 : r < 9 ? 3 : 11);
                            date = sessionDate(l.semester, li);
                        }
                    } else if (l.variant == 1) {
                        const bool weak = st.id % 7 == 4;
                        m1 = rnd(weak ? 6 : 11, 20);
                        if (past || st.id % 3 != 0)
                            m2 = rnd(weak ? 5 : 10, 20);
                        if (past) {
                            m3 = rnd(weak ? 6 : 11, 20);
                            m4 = rnd(weak ? 5 : 14, 30);
                            dop = st.id % 5 == 0 ? QVariant(rnd(1, 5)) : QVariant(0);
                            const double total = m1.toDouble() + m2.toDouble() + m3.toDouble() + m4.toDouble() + dop.toDouble();
                            ball = total;
                            grade = gradeFor(1, total);
                            date = sessionDate(l.semester, li);
                        } else {
                            ball = m1.toDouble() + m2.toDouble();
                        }
                    } else {
                        const int max1 = l.variant == 2 ? 60 : 50, max2 = l.variant == 2 ? 40 : 50;
                        m1 = rnd(max1 / 3, max1);
                        if (past) {
                            m2 = rnd(max2 / 3, max2);
                            const double total = m1.toDouble() + m2.toDouble();
                            ball = total;
                            grade = gradeFor(l.variant, total);
                            date = sessionDate(l.semester, li);
                        } else {
                            ball = m1;
                        }
                    }
                    if (!past && st.id % 9 == 0)
                        primech = QStringLiteral("н/д");
                    if (!past && !g.extramural && st.id % 10 == 7 && l.discipline == 6) {
                        // left the course: " н/п" with zero points
                        grade = 25;
                        m1 = m2 = m3 = m4 = dop = ball = 0;
                    }
                    s_.run(insert, {g.id, st.id, l.exam, grade, l.discipline, l.semester, l.teacher,
                                    QString::number(statement), date, 1, m1, m2, m3, m4, dop, ball,
                                    storedDate(QDate(2025, 9, 1)), primech, checkpoints, l.variant,
                                    l.krdt.isNull() ? 0 : l.krdt.toInt(), l.year, bk(st.id)});
                    // a failed examination gets a retake statement with the modules copied
                    if (past && (grade == 11 || grade == 9) && !g.extramural) {
                        const int retake = l.variant == 1 ? rnd(15, 30) : rnd(30, 40);
                        QVariant r4 = l.variant == 1 ? QVariant(retake) : QVariant();
                        QVariant r2 = l.variant == 1 ? m2 : QVariant(retake);
                        const double total = m1.toDouble() + r2.toDouble() + m3.toDouble() + r4.toDouble() + dop.toDouble();
                        s_.run(insert, {g.id, st.id, l.exam, gradeFor(l.variant, total), l.discipline, l.semester, l.teacher,
                                        QStringLiteral("7-%1-%2-%3-%4").arg(g.id).arg(l.semester).arg(l.discipline).arg(l.exam),
                                        storedDateTime(readStoredDateTime(date.toString()).addDays(21)),
                                        7, m1, r2, m3, r4, dop, total, storedDate(QDate(2025, 9, 1)), primech, checkpoints,
                                        l.variant, l.krdt.isNull() ? 0 : l.krdt.toInt(), l.year, bk(st.id)});
                    }
                }
            }
        }
        // The student who transferred in the third semester had physical training credited.
        s_.run(insert, {1, 9, int(Zach), 4, 7, 1, 7, QStringLiteral("4-1-1-7-2"), sessionDate(1, 0), 4, 45, 30, QVariant(),
                        QVariant(), QVariant(), 75, storedDate(QDate(2025, 9, 1)), QStringLiteral("д"), 2, 2, 0, 1, 1});
    }

    int bk(int student) const
    {
        for (const auto& st : students_)
            if (st.id == student)
                return (st.index % 3 == 2) ? 2 : 1;
        return 1;
    }

    struct StudentInfo {
        int id, group, start;
        int index = 0;
    };

    Storage& s_;
    QRandomGenerator random_;
    QList<Line> lines_;
    QList<StudentInfo> students_;
};

} // namespace

void addDemoData(Storage& storage)
{
    Storage::Internal internal(storage);
    Demo(storage).build();
}

} // namespace qel::server
