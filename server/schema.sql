-- The database "QEL" of the embedded server, in SQLite with the declared types the client
-- expects (they become the result column types). Texts compare with the collation qel_ci:
-- case-insensitive (Cyrillic included) and blind to trailing blanks, as the university's
-- server does. Keys marked AUTOINCREMENT are identities assigned by the server.
-- Tables named sys_* belong to the server itself and are hidden from client logins.

-- ---------------------------------------------------------------- the server's own tables

CREATE TABLE sys_logins (
    name            VARCHAR(128) COLLATE qel_ci PRIMARY KEY,
    password_hash   VARCHAR(64) NOT NULL,          -- SHA-256 of salt + password, hex
    salt            VARCHAR(32) NOT NULL,
    role            VARCHAR(10) NOT NULL,          -- 'start' (user check only), 'user', 'admin'
    id_qel_user     INT,                           -- the QEL user a 'user' login works for
    secret          VARCHAR(64),                   -- the password GET_USER hands out ('user' logins)
    created         DATETIME
);

CREATE TABLE sys_settings (
    name            VARCHAR(50) COLLATE qel_ci PRIMARY KEY,
    value           VARCHAR(255)
);

CREATE TABLE sys_login_log (
    id_login_log    INTEGER PRIMARY KEY AUTOINCREMENT,
    attempt_time    DATETIME NOT NULL,
    QEL_login       VARCHAR(40) COLLATE qel_ci,
    ip              VARCHAR(45) COLLATE qel_ci,
    computer        VARCHAR(255) COLLATE qel_ci,
    client          VARCHAR(20) COLLATE qel_ci,
    success         BIT NOT NULL,
    password_changed BIT NOT NULL DEFAULT 0,
    message         VARCHAR(255) COLLATE qel_ci
);
CREATE INDEX sys_login_log_login ON sys_login_log(QEL_login, attempt_time);

-- ---------------------------------------------------------------- faculty and groups

CREATE TABLE faculty (
    id_faculty      INTEGER PRIMARY KEY,
    name            VARCHAR(100) COLLATE qel_ci
);

CREATE TABLE kafedra (
    id_kafedra      INTEGER PRIMARY KEY,
    id_faculty      INT,
    name            VARCHAR(100) COLLATE qel_ci
);

CREATE TABLE speciality (
    id_speciality   INTEGER PRIMARY KEY,
    code            VARCHAR(20) COLLATE qel_ci,
    spec            VARCHAR(150) COLLATE qel_ci
);

-- Forms of education: 1 full-time, 2 extramural.
CREATE TABLE f_educ (
    id_f_educ       INTEGER PRIMARY KEY,
    name            VARCHAR(50) COLLATE qel_ci
);

CREATE TABLE a_year (
    id_a_year       INTEGER PRIMARY KEY,
    p32             VARCHAR(20) COLLATE qel_ci
);

-- o_z_d: 0 full-time, 1 extramural, 2 evening.
CREATE TABLE "group" (
    id_group        INTEGER PRIMARY KEY,
    p20             VARCHAR(20) COLLATE qel_ci NOT NULL,
    id_speciality   INT,
    id_faculty      INT,
    id_f_educ       INT,
    o_z_d           INT NOT NULL DEFAULT 0
);

CREATE TABLE semester (
    id_semester     INTEGER PRIMARY KEY,
    p43             VARCHAR(20) COLLATE qel_ci,
    id_rate         INT
);

-- Year of study (id_rate) of a group in an academic year.
CREATE TABLE g_r_y (
    id_g_r_y        INTEGER PRIMARY KEY AUTOINCREMENT,
    id_group        INT NOT NULL,
    id_rate         INT NOT NULL,
    id_a_year       INT NOT NULL,
    p32             VARCHAR(20) COLLATE qel_ci
);
CREATE INDEX g_r_y_group ON g_r_y(id_group, id_rate);

CREATE VIEW g_s AS
    SELECT g.id_group, g.p20, g.id_speciality, s.spec, s.code, g.o_z_d, g.id_f_educ
    FROM "group" g LEFT JOIN speciality s ON s.id_speciality = g.id_speciality;

CREATE VIEW g_f AS
    SELECT g.id_group, g.id_faculty FROM "group" g;

CREATE VIEW g_sem AS
    SELECT y.id_group, s.id_semester, s.p43, s.id_rate, y.id_a_year
    FROM g_r_y y INNER JOIN semester s ON s.id_rate = y.id_rate;

-- ---------------------------------------------------------------- students

CREATE TABLE s_fio (
    id_student      INTEGER PRIMARY KEY,
    s_fio           VARCHAR(100) COLLATE qel_ci NOT NULL,
    idid            VARCHAR(20) COLLATE qel_ci
);

-- Portal accounts of students.
CREATE TABLE Student (
    id_student      INTEGER PRIMARY KEY,
    login           VARCHAR(40) COLLATE qel_ci,
    password        VARCHAR(32) COLLATE qel_ci,
    needChangePsw   BIT NOT NULL DEFAULT 0,
    startDateForChangePsw DATE,
    e_mail          VARCHAR(100) COLLATE qel_ci
);
CREATE INDEX Student_login ON Student(login);

CREATE TABLE bk (
    id_bk           INTEGER PRIMARY KEY,
    name            VARCHAR(50) COLLATE qel_ci
);

-- Membership of a student in a group; id_semester is the student's current semester.
CREATE TABLE student_group (
    id_s_g          INTEGER PRIMARY KEY AUTOINCREMENT,
    id_student      INT NOT NULL,
    id_group        INT NOT NULL,
    id_bk           INT,
    id_semester     INT,
    id_start_semester INT,
    id_protocols    INT
);
CREATE INDEX student_group_group ON student_group(id_group);
CREATE INDEX student_group_student ON student_group(id_student);

CREATE VIEW S_G AS
    SELECT m.id_s_g, m.id_student, f.s_fio, m.id_group, g.p20, f.idid, st.e_mail, m.id_bk,
           m.id_semester, m.id_protocols, g.id_speciality, m.id_start_semester
    FROM student_group m
         INNER JOIN s_fio f ON f.id_student = m.id_student
         INNER JOIN "group" g ON g.id_group = m.id_group
         LEFT JOIN Student st ON st.id_student = m.id_student;

CREATE TABLE StudentPhoto (
    id_student      INTEGER PRIMARY KEY,
    photo           IMAGE
);

CREATE TABLE movement_t (
    id_movement     INTEGER PRIMARY KEY AUTOINCREMENT,
    id_student      INT NOT NULL,
    id_group        INT NOT NULL,
    id_semester     INT,
    p_date          DATETIME,
    reason          VARCHAR(100) COLLATE qel_ci
);
CREATE INDEX movement_t_student ON movement_t(id_student, id_group);

-- ---------------------------------------------------------------- teaching

CREATE TABLE discipline (
    id_discipline   INTEGER PRIMARY KEY,
    p34             VARCHAR(100) COLLATE qel_ci NOT NULL,
    id_kafedra      INT
);

CREATE TABLE examination (
    id_examination  INTEGER PRIMARY KEY,
    p30             VARCHAR(20) COLLATE qel_ci NOT NULL
);

CREATE TABLE estimation (
    id_estimation   INTEGER PRIMARY KEY,
    p31             VARCHAR(20) COLLATE qel_ci NOT NULL
);

-- Grades allowed for a form of control (the column name keeps its historical spelling).
CREATE TABLE ee (
    id_ee           INTEGER PRIMARY KEY AUTOINCREMENT,
    id_exmination   INT NOT NULL,
    id_estimation   INT NOT NULL
);

CREATE VIEW est2 AS
    SELECT ee.id_exmination AS id_examination, e.id_estimation, e.p31
    FROM ee INNER JOIN estimation e ON e.id_estimation = ee.id_estimation;

-- Curriculum: one line per speciality, academic year, semester, discipline and form of control.
CREATE TABLE educ_sh (
    id_educ_sh      INTEGER PRIMARY KEY AUTOINCREMENT,
    id_speciality   INT NOT NULL,
    id_a_year       INT NOT NULL,
    id_semester     INT NOT NULL,
    id_discipline   INT NOT NULL,
    id_examination  INT NOT NULL,
    Krdt            INT,
    hours           INT
);
CREATE INDEX educ_sh_plan ON educ_sh(id_speciality, id_a_year, id_semester);

-- Disciplines, credits and forms of control of a group in a semester.
CREATE VIEW gr_sem_disc_exam AS
    SELECT DISTINCT y.id_group, e.id_semester, e.id_discipline, d.p34, IFNULL(e.Krdt, 0) AS Kredits,
           e.id_examination, x.p30, e.id_educ_sh
    FROM g_r_y y
         INNER JOIN "group" g ON g.id_group = y.id_group
         INNER JOIN semester s ON s.id_rate = y.id_rate
         INNER JOIN educ_sh e ON e.id_semester = s.id_semester AND e.id_a_year = y.id_a_year
                               AND e.id_speciality = g.id_speciality
         INNER JOIN discipline d ON d.id_discipline = e.id_discipline
         INNER JOIN examination x ON x.id_examination = e.id_examination;

CREATE TABLE t_fio (
    id_teacher      INTEGER PRIMARY KEY,
    t_fio           VARCHAR(60) COLLATE qel_ci NOT NULL,
    s_t_fio         VARCHAR(60) COLLATE qel_ci
);

-- Teaching load: a teacher on a curriculum line of a group, with the grading-scale variant used.
CREATE TABLE RRNK (
    id_rrnk         INTEGER PRIMARY KEY AUTOINCREMENT,
    id_teacher      INT NOT NULL,
    id_educ_sh      INT NOT NULL,
    id_group        INT,
    id_ebe_var      INT
);

-- Teaching load given by discipline and credits rather than by curriculum line.
CREATE TABLE RRNKkrdt (
    id_rrnkkrdt     INTEGER PRIMARY KEY AUTOINCREMENT,
    id_teacher      INT NOT NULL,
    id_discipline   INT NOT NULL,
    id_group        INT,
    id_semester     INT,
    id_examination  INT,
    Kredits         INT,
    id_ebe_var      INT
);

-- ---------------------------------------------------------------- grading scales

CREATE TABLE ebe_var (
    id_ebe_var      INTEGER PRIMARY KEY,
    name            VARCHAR(100) COLLATE qel_ci
);

-- Points interval of a grade under a variant: beg_bal <= total < end_bal.
CREATE TABLE ebe (
    id_ebe          INTEGER PRIMARY KEY AUTOINCREMENT,
    id_ebe_var      INT NOT NULL,
    id_estimation   INT NOT NULL,
    beg_bal         FLOAT NOT NULL,
    end_bal         FLOAT NOT NULL
);
CREATE INDEX ebe_var_index ON ebe(id_ebe_var);

CREATE TABLE EstimationOther (
    id_estimation_other INTEGER PRIMARY KEY,
    id_ebe_var      INT NOT NULL,
    Estimation_Other VARCHAR(10) COLLATE qel_ci NOT NULL
);

-- Grading-scale variants of a speciality.
CREATE TABLE com_sfe (
    id_com_sfe      INTEGER PRIMARY KEY AUTOINCREMENT,
    id_speciality   INT NOT NULL,
    id_ebe_var      INT NOT NULL
);

-- Columns of a sheet: a typed column (pole_mark_mag names a field of mark_mag), the total
-- ("ball1") or an extra computed column (empty pole_mark_mag). id_f_est NULL: every form
-- that has no rows of its own.
CREATE TABLE est_config (
    id_est_config   INTEGER PRIMARY KEY AUTOINCREMENT,
    id_ebe_var      INT NOT NULL,
    id_f_est        INT,
    pole_mark_mag   VARCHAR(20) COLLATE qel_ci NOT NULL DEFAULT '',
    name_pole       VARCHAR(50) COLLATE qel_ci,
    order_pole      INT NOT NULL,
    min             INT,
    max             INT,
    info_or_value   INT NOT NULL DEFAULT 0,
    formula         VARCHAR(255) COLLATE qel_ci
);
CREATE INDEX est_config_var ON est_config(id_ebe_var, id_f_est);

-- Which fields a new row on a statement form copies from the student's form-1 row.
CREATE TABLE MarkMagModulCopyAccess (
    id_f_est        INT NOT NULL,
    id_ebe_var      INT NOT NULL,
    m1 INT NOT NULL DEFAULT 0, m2 INT NOT NULL DEFAULT 0, m3 INT NOT NULL DEFAULT 0,
    m4 INT NOT NULL DEFAULT 0, m5 INT NOT NULL DEFAULT 0, m6 INT NOT NULL DEFAULT 0,
    m7 INT NOT NULL DEFAULT 0, m8 INT NOT NULL DEFAULT 0, m9 INT NOT NULL DEFAULT 0,
    m10 INT NOT NULL DEFAULT 0, m11 INT NOT NULL DEFAULT 0, m12 INT NOT NULL DEFAULT 0,
    dop INT NOT NULL DEFAULT 0, dop2 INT NOT NULL DEFAULT 0,
    PRIMARY KEY (id_f_est, id_ebe_var)
);

-- The students a statement form is offered for: a condition on their form-1 rows.
CREATE TABLE T_ComEbeFEst (
    id_com_ebe_f_est INTEGER PRIMARY KEY AUTOINCREMENT,
    id_ebe_var      INT NOT NULL,
    id_f_est        INT NOT NULL,
    Definition      VARCHAR(255) COLLATE qel_ci
);

-- ---------------------------------------------------------------- statement forms and users

-- QEL13: the form may be edited by this client; sessiya: a session statement (grades by hand).
CREATE TABLE f_est (
    id_f_e          INTEGER PRIMARY KEY,
    p109            VARCHAR(20) COLLATE qel_ci NOT NULL,
    QEL13           INT NOT NULL DEFAULT 1,
    sessiya         INT NOT NULL DEFAULT 0
);

-- Staff users of the client. id_qel_user is the id_login of every per-user table.
-- password: the digest of the password (32 upper-case hex digits).
CREATE TABLE QEL_User (
    id_qel_user     INTEGER PRIMARY KEY AUTOINCREMENT,
    QEL_login       VARCHAR(40) COLLATE qel_ci NOT NULL UNIQUE,
    password        VARCHAR(32) COLLATE qel_ci NOT NULL,
    fio             VARCHAR(100) COLLATE qel_ci,
    canChangeDopusk BIT NOT NULL DEFAULT 0,
    mustChangePassword BIT NOT NULL DEFAULT 0,
    passwordChanged DATETIME,
    isBlocked       BIT NOT NULL DEFAULT 0
);

CREATE TABLE User_f_est (
    id_user_f_est   INTEGER PRIMARY KEY AUTOINCREMENT,
    id_login        INT NOT NULL,
    id_f_est        INT NOT NULL
);
CREATE INDEX User_f_est_login ON User_f_est(id_login, id_f_est);

CREATE TABLE User_f_educ (
    id_user_f_educ  INTEGER PRIMARY KEY AUTOINCREMENT,
    id_login        INT NOT NULL,
    id_f_educ       INT NOT NULL
);

-- Groups a user may open: every group of the forms of education assigned to the user.
CREATE VIEW group_form AS
    SELECT u.id_qel_user AS id_login, g.id_group, g.p20, g.id_f_educ, g.o_z_d AS o_z
    FROM QEL_User u CROSS JOIN "group" g;

CREATE VIEW V_MarkMag_user AS
    SELECT uf.id_user_f_est, uf.id_login, uf.id_f_est, f.p109, f.QEL13 AS qel13
    FROM User_f_est uf INNER JOIN f_est f ON f.id_f_e = uf.id_f_est;

-- Institution settings by row number (28, 29, 30, 46 ...).
CREATE TABLE VuzDefaults (
    id_vuz_defaults INTEGER PRIMARY KEY,
    id_field        INT,
    descr           VARCHAR(255) COLLATE qel_ci
);

CREATE TABLE poseshal (
    id_poseshal     INTEGER PRIMARY KEY,
    poseshal        VARCHAR(50) COLLATE qel_ci,
    s_poseshal      VARCHAR(50) COLLATE qel_ci
);

-- ---------------------------------------------------------------- marks

CREATE TABLE mark_mag (
    id_mark_mag     INTEGER PRIMARY KEY AUTOINCREMENT,
    id_group        INT,
    id_student      INT,
    id_examination  INT,
    id_estimation   INT,
    id_discipline   INT,
    id_semester     INT,
    id_teacher      INT,
    p35             VARCHAR(50) COLLATE qel_ci,
    p36             DATETIME,
    id_f_est        INT,
    oper            VARCHAR(5) COLLATE qel_ci,
    u_date          DATETIME,
    m1 FLOAT, m2 FLOAT, m3 FLOAT, m4 FLOAT,
    dop             FLOAT,
    dop2            FLOAT,
    ball            FLOAT,
    QEL_User        VARCHAR(20) COLLATE qel_ci,
    QEL_Update      DATE,
    primech         VARCHAR(50) COLLATE qel_ci,
    m5 FLOAT, m6 FLOAT, m7 FLOAT, m8 FLOAT, m9 FLOAT, m10 FLOAT, m11 FLOAT, m12 FLOAT,
    k_count         INT,
    id_estimation_other INT,
    dopusk_izm      BIT NOT NULL DEFAULT 0,
    id_ebe_var      INT,
    kredits         INT,
    isStaticDiscipline BIT NOT NULL DEFAULT 0,
    id_poseshal     INT,
    id_a_year       INT,
    id_faculty      INT,
    id_bk           INT
);
CREATE INDEX mark_mag_sheet ON mark_mag(id_group, id_semester, id_discipline, id_examination, id_f_est);
CREATE INDEX mark_mag_student ON mark_mag(id_student, id_group);

-- The server stamps every row with the kind and time of its last change.
CREATE TRIGGER mark_mag_inserted AFTER INSERT ON mark_mag
BEGIN
    UPDATE mark_mag SET oper = 'I', u_date = strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime')
    WHERE id_mark_mag = NEW.id_mark_mag;
END;

CREATE TRIGGER mark_mag_updated AFTER UPDATE ON mark_mag
WHEN NEW.oper IS OLD.oper AND NEW.u_date IS OLD.u_date
BEGIN
    UPDATE mark_mag SET oper = 'U', u_date = strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime')
    WHERE id_mark_mag = NEW.id_mark_mag;
END;

-- Disciplines assigned to a student individually.
CREATE TABLE DisciplineForStudent (
    id_disciplineforstudent INTEGER PRIMARY KEY AUTOINCREMENT,
    id_student      INT NOT NULL,
    id_discipline   INT NOT NULL,
    id_semester     INT NOT NULL,
    id_group        INT NOT NULL,
    id_examination  INT NOT NULL,
    kredits         INT
);

-- Audit trail written by the client.
CREATE TABLE QEL_LOG (
    id_qel_log      INTEGER PRIMARY KEY AUTOINCREMENT,
    "table"         VARCHAR(50) COLLATE qel_ci,
    row_id          INT,
    descr           VARCHAR(4000) COLLATE qel_ci,
    QEL_User        VARCHAR(40) COLLATE qel_ci,
    comp            VARCHAR(255) COLLATE qel_ci,
    log_date        DATETIME DEFAULT (strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime'))
);
