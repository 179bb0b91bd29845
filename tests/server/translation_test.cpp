// The T-SQL dialect layer: what it makes of the client's constructs, that literals and
// comments are never rewritten, and that what it cannot translate fails naming it.
#include "server/server.h"
#include "tests/server/fixture.h"

#include <gtest/gtest.h>

using namespace qel;

namespace {

struct Translation {
    const char* what;
    QString tsql;
    QString expected; // the translation, or the error text when error is set
    bool error = false;
};

QString translated(const QString& tsql)
{
    try {
        return server::translateForSchema(tsql);
    } catch (const wire::ServerError& e) {
        return QStringLiteral("ERROR: ") + e.message();
    }
}

void run(const QList<Translation>& cases)
{
    for (const Translation& c : cases) {
        SCOPED_TRACE(std::string(c.what) + ": " + c.tsql.toStdString());
        const QString expected = c.error ? QStringLiteral("ERROR: ") + c.expected : c.expected;
        EXPECT_EQ(translated(c.tsql), expected);
    }
}

} // namespace

TEST(Translation, LiteralsAndCommentsAreNeverRewritten)
{
    run({
        {"every rewritten construct inside a literal",
         QStringLiteral("SELECT 'qel.dbo.x [y] TOP 5 + getdate() CONVERT(int, 1) -- /* N''z'' */ ; EXEC p' AS t -- TOP 5\n"),
         QStringLiteral("SELECT 'qel.dbo.x [y] TOP 5 + getdate() CONVERT(int, 1) -- /* N''z'' */ ; EXEC p' COLLATE qel_ci AS t;")},
        {"quoted identifier with a bracket", QStringLiteral("SELECT [a]]b] FROM f_est"),
         QStringLiteral("SELECT \"a]b\" FROM f_est;")},
        {"comments dropped, nested block comments", QStringLiteral("SELECT /* a /* b */ c */ p109 FROM f_est -- x"),
         QStringLiteral("SELECT p109 FROM f_est;")},
        {"a batch that is only a comment", QStringLiteral("--select * from gr_sem_disc_exam"), QString()},
        {"N'' literal", QStringLiteral("SELECT * FROM [QEL].[dbo].[s_fio] WHERE [QEL].[dbo].[s_fio].[s_fio] = N'Ёж'"),
         QStringLiteral("SELECT * FROM \"s_fio\" WHERE \"s_fio\".\"s_fio\" = 'Ёж' COLLATE qel_ci;")},
        {"empty literal", QStringLiteral("SELECT '' AS x"), QStringLiteral("SELECT '' COLLATE qel_ci AS x;")},
        {"'alias' after AS", QStringLiteral("SELECT p109 AS 'name' FROM f_est"), QStringLiteral("SELECT p109 AS \"name\" FROM f_est;")},
    });
}

TEST(Translation, QualifiersTopAndNames)
{
    run({
        {"qel.dbo.", QStringLiteral("SELECT * FROM qel.dbo.s_fio"), QStringLiteral("SELECT * FROM s_fio;")},
        {"QEL..", QStringLiteral("SELECT s_fio FROM QEL..s_fio"), QStringLiteral("SELECT s_fio FROM s_fio;")},
        {"four-part column name",
         QStringLiteral("SELECT [QEL].[dbo].[Student].[id_student] FROM [QEL].[dbo].[Student]"),
         QStringLiteral("SELECT \"Student\".\"id_student\" FROM \"Student\";")},
        {"three-part column names", QStringLiteral("SELECT dbo.S_G.id_s_g FROM dbo.S_G INNER JOIN dbo.g_f ON dbo.S_G.id_group = dbo.g_f.id_group"),
         QStringLiteral("SELECT S_G.id_s_g FROM S_G INNER JOIN g_f ON S_G.id_group = g_f.id_group;")},
        {"[login]", QStringLiteral("SELECT [login], [password] FROM Student"), QStringLiteral("SELECT \"login\", \"password\" FROM Student;")},
        {"TOP n", QStringLiteral("SELECT TOP 1 * FROM f_est"), QStringLiteral("SELECT * FROM f_est LIMIT (1);")},
        {"TOP (n) after DISTINCT", QStringLiteral("SELECT DISTINCT TOP (2) p109 FROM f_est ORDER BY p109"),
         QStringLiteral("SELECT DISTINCT p109 FROM f_est ORDER BY p109 LIMIT (2);")},
        {"TOP (0) PERCENT", QStringLiteral("SELECT TOP (0) PERCENT * FROM educ_sh"), QStringLiteral("SELECT * FROM educ_sh LIMIT (0);")},
        {"TOP 100 PERCENT", QStringLiteral("SELECT TOP 100 PERCENT * FROM f_est"), QStringLiteral("SELECT * FROM f_est;")},
        {"TOP (50) PERCENT", QStringLiteral("SELECT TOP (50) PERCENT * FROM f_est"),
         QStringLiteral("SELECT * FROM f_est LIMIT ((SELECT CAST((COUNT(*) * (50) + 99.999999) / 100 AS INTEGER) FROM (SELECT * FROM f_est)));")},
        {"TOP 1 in both halves of a UNION; ORDER BY stays with the union",
         QStringLiteral("SELECT TOP 1 p109 FROM f_est WHERE id_f_e = 1 UNION SELECT TOP 1 p109 FROM f_est WHERE id_f_e = 4 ORDER BY p109"),
         QStringLiteral("SELECT * FROM (SELECT p109 FROM f_est WHERE id_f_e = 1 LIMIT (1)) UNION SELECT * FROM (SELECT p109 FROM f_est WHERE id_f_e = 4 LIMIT (1)) ORDER BY p109;")},
        {"TOP (?) keeps its parameter number", QStringLiteral("SELECT x.* FROM (SELECT TOP (?) * FROM f_est WHERE id_f_e > ?) x"),
         QStringLiteral("SELECT x.* FROM (SELECT * FROM f_est WHERE id_f_e > ?2 LIMIT (?1)) x;")},
        {"a number glued to a keyword", QStringLiteral("Select id_semester, p43 from g_sem where  id_group=5GROUP BY id_semester, p43"),
         QStringLiteral("Select id_semester, p43 from g_sem where id_group=5 GROUP BY id_semester, p43;")},
        {"ROW_NUMBER() OVER", QStringLiteral("SELECT  ROW_NUMBER() OVER(ORDER BY s_fio.s_fio) as [no] FROM s_fio"),
         QStringLiteral("SELECT ROW_NUMBER() OVER(ORDER BY s_fio.s_fio) as \"no\" FROM s_fio;")},
        {"table hint", QStringLiteral("SELECT * FROM f_est WITH (NOLOCK) WHERE id_f_e = 1"),
         QStringLiteral("SELECT * FROM f_est WHERE id_f_e = 1;")},
        {"INSERT without INTO", QStringLiteral("INSERT f_est (id_f_e, p109) SELECT 9, 'y'"),
         QStringLiteral("INSERT INTO f_est (id_f_e, p109) SELECT tsql_store((\"__v1\"), 'INTEGER', 'mdy'), "
                        "tsql_store((\"__v2\"), 'VARCHAR(20)', 'mdy') FROM (WITH \"__values\"(\"__v1\", \"__v2\") AS "
                        "(SELECT 9, 'y' COLLATE qel_ci) SELECT * FROM \"__values\");")},
        {"INSERT without a column list leaves out the identity",
         QStringLiteral("INSERT INTO QEL_LOG VALUES ('t', 1, 'd', 'u', 'c', NULL)"),
         QStringLiteral("INSERT INTO QEL_LOG (\"table\", \"row_id\", \"descr\", \"QEL_User\", \"comp\", \"log_date\") VALUES ('t' COLLATE qel_ci, 1, 'd' COLLATE qel_ci, 'u' COLLATE qel_ci, 'c' COLLATE qel_ci, NULL);")},
    });
}

TEST(Translation, ConversionsTextsAndFunctions)
{
    run({
        {"CONVERT to each kind of type",
         QStringLiteral("SELECT CONVERT(int, '12'), CAST(m1 AS varchar(10)), CONVERT(bit, dopusk_izm), CONVERT(decimal(10,2), ball), CONVERT(date, p36), CONVERT(datetime, p35, 104) FROM mark_mag"),
         QStringLiteral("SELECT tsql_int('12' COLLATE qel_ci), (substr(tsql_text(m1), 1, 10) COLLATE qel_ci), tsql_bit(dopusk_izm), round(tsql_float(ball), 2), tsql_date(p36, 'mdy'), tsql_datetime(p35, 'dmy') FROM mark_mag;")},
        {"CONVERT of a date to text keeps the style", QStringLiteral("SELECT CONVERT(varchar, p36, 104) FROM mark_mag"),
         QStringLiteral("SELECT (substr(tsql_date_text(p36, 104), 1, 30) COLLATE qel_ci) FROM mark_mag;")},
        {"CONVERT of a date literal", QStringLiteral("SELECT CONVERT(datetime, '20260131')"),
         QStringLiteral("SELECT '2026-01-31 00:00:00';")},
        {"unknown type", QStringLiteral("SELECT CONVERT(geography, 1)"), QStringLiteral("Type geography is not a defined system type."), true},
        {"+ of texts: columns, literals, CONVERTs",
         QStringLiteral("SELECT p35 + p35, p35 + 'x', Convert(varchar,id_semester) +'XX'+ Convert(varchar,kredits) FROM mark_mag"),
         QStringLiteral("SELECT p35 || p35, p35 || 'x' COLLATE qel_ci, (substr(tsql_text(id_semester), 1, 30) COLLATE qel_ci) ||'XX' COLLATE qel_ci || (substr(tsql_text(kredits), 1, 30) COLLATE qel_ci) FROM mark_mag;")},
        {"+ of numbers stays addition", QStringLiteral("SELECT m1 + m2 * 2 - dop, -m1 + 1, byEducSh +ByDFS+CONVERT(int,isStaticDiscipline) FROM mark_mag"),
         QStringLiteral("SELECT m1 + m2 * 2 - dop, -m1 + 1, byEducSh +ByDFS+tsql_int(isStaticDiscipline) FROM mark_mag;")},
        {"+ through functions, parentheses and CASE",
         QStringLiteral("SELECT ISNULL(p35, '') + 'x', LTRIM(p109) + '!', (p109) + '?', CASE WHEN 1=1 THEN p109 END + 'a' FROM mark_mag, f_est"),
         QStringLiteral("SELECT ISNULL(p35, '' COLLATE qel_ci) || 'x' COLLATE qel_ci, LTRIM(p109) || '!' COLLATE qel_ci, (p109) || '?' COLLATE qel_ci, CASE WHEN 1=1 THEN p109 END || 'a' COLLATE qel_ci FROM mark_mag, f_est;")},
        {"texts then a number", QStringLiteral("SELECT 'a' + 'b' + 1"),
         QStringLiteral("SELECT ('a' COLLATE qel_ci || 'b' COLLATE qel_ci) + 1;")},
        {"getdate and date parts", QStringLiteral("SELECT getdate(), dateadd(day, 1, p36), datediff(month, p36, getdate()) FROM mark_mag"),
         QStringLiteral("SELECT getdate(), dateadd('day', 1, p36), datediff('month', p36, getdate()) FROM mark_mag;")},
        {"table function in FROM", QStringLiteral("SELECT * FROM TF_GetMarkMagModulCopyAccess(7,1) c"),
         QStringLiteral("SELECT * FROM (SELECT m.m1, m.m2, m.m3, m.m4, m.m5, m.m6, m.m7, m.m8, m.m9, m.m10, m.m11, m.m12, m.dop, m.dop2 FROM MarkMagModulCopyAccess m, (SELECT (7) AS f, (1) AS v) a WHERE m.id_f_est = a.f AND m.id_ebe_var = a.v) c;")},
        {"scalar function", QStringLiteral("SELECT dbo.FN_CreateLogin('Иванов','Пётр')"),
         QStringLiteral("SELECT FN_CreateLogin('Иванов' COLLATE qel_ci,'Пётр' COLLATE qel_ci);")},
        {"date arithmetic", QStringLiteral("SELECT p36 + 1 FROM mark_mag"),
         QStringLiteral("Date arithmetic with '+' or '-' is not supported by the embedded server ('p36 + 1'); use DATEADD or DATEDIFF."), true},
    });
}

TEST(Translation, BatchesProceduresAndOptions)
{
    run({
        {"statements without separators", QStringLiteral("UPDATE f_est SET QEL13 = 1 SELECT 1 select 2"),
         QStringLiteral("UPDATE f_est SET QEL13 = 1;\nSELECT 1;\nselect 2;")},
        {"transactions", QStringLiteral("BEGIN TRAN DELETE FROM f_est WHERE id_f_e = 9 COMMIT TRANSACTION"),
         QStringLiteral("BEGIN IMMEDIATE;\nDELETE FROM f_est WHERE id_f_e = 9;\nCOMMIT;")},
        {"harmless SETs", QStringLiteral("SET NOCOUNT ON; SET ANSI_NULLS ON SET DATEFORMAT dmy"),
         QStringLiteral("-- session option NOCOUNT = ON\n-- session option ANSI_NULLS = ON\n-- session option DATEFORMAT = dmy")},
        {"EXEC with positional arguments",
         QStringLiteral("EXEC GET_USER 'demo','ABC',NULL, 'QEL 13', '10.0.0.1', 'host', 'demo','0','4'"),
         QStringLiteral("-- server routine GET_USER('demo', 'ABC', NULL, 'QEL 13', '10.0.0.1', 'host', 'demo', '0', '4')")},
        {"EXEC with named arguments",
         QStringLiteral("EXEC SP_RRNK_ebe_var  @id_discipline = 5,@id_examination = 1,@id_group =       1,@id_semester =    3"),
         QStringLiteral("-- server routine SP_RRNK_ebe_var(@id_discipline = 5, @id_examination = 1, @id_group = 1, @id_semester = 3)")},
        {"Exec with a qualified bracketed name", QStringLiteral("Exec QEL.[dbo].[SelMarkMag] 1, 2, 3, 4, 5, 'id_estimation in (8, 11)'"),
         QStringLiteral("-- server routine SelMarkMag(1, 2, 3, 4, 5, 'id_estimation in (8, 11)')")},
        {"EXEC with DEFAULT, a negative number and parameters",
         QStringLiteral("EXECUTE dbo.SORT_MARK_MAG @group = ?, @semester = -2, @id_kafedra = DEFAULT"),
         QStringLiteral("-- server routine SORT_MARK_MAG(@group = ?1, @semester = -2, @id_kafedra = DEFAULT)")},
    });
}

TEST(Translation, WhatCannotBeTranslatedFailsNamingIt)
{
    run({
        {"DECLARE", QStringLiteral("DECLARE @x int"), QStringLiteral("The statement 'DECLARE' is not supported by the embedded server."), true},
        {"variable", QStringLiteral("SELECT * FROM f_est WHERE id_f_e = @x"),
         QStringLiteral("Variables are not supported by the embedded server ('@x')."), true},
        {"PIVOT", QStringLiteral("SELECT * FROM f_est PIVOT (x)"), QStringLiteral("'PIVOT' is not supported by the embedded server."), true},
        {"APPLY", QStringLiteral("SELECT * FROM mark_mag m CROSS APPLY TF_GetEstConfig(1, 1) t"),
         QStringLiteral("'APPLY' is not supported by the embedded server."), true},
        {"SELECT INTO", QStringLiteral("SELECT * INTO copy FROM f_est"), QStringLiteral("SELECT ... INTO is not supported by the embedded server."), true},
        {"temporary table", QStringLiteral("SELECT * FROM #t"), QStringLiteral("The temporary table '#t' is not supported by the embedded server."), true},
        {"WITH TIES", QStringLiteral("SELECT TOP 5 WITH TIES * FROM f_est ORDER BY p109"),
         QStringLiteral("TOP ... WITH TIES is not supported by the embedded server."), true},
        {"FOR XML", QStringLiteral("SELECT * FROM f_est FOR XML AUTO"), QStringLiteral("'FOR XML' is not supported by the embedded server."), true},
        {"another database", QStringLiteral("SELECT * FROM master.dbo.sysobjects"),
         QStringLiteral("The reference to the database 'master' is not supported by the embedded server."), true},
        {"TOP in UPDATE", QStringLiteral("UPDATE TOP (1) f_est SET p109 = 'x'"), QStringLiteral("TOP in UPDATE is not supported by the embedded server."), true},
        {"unknown SET", QStringLiteral("SET FOO ON"), QStringLiteral("The SET option 'FOO' is not supported by the embedded server."), true},
        {"the storage's own syntax", QStringLiteral("SELECT * FROM f_est LIMIT 5"), QStringLiteral("Incorrect syntax near 'LIMIT'."), true},
        {"the storage's concatenation", QStringLiteral("SELECT 'a' || 'b'"), QStringLiteral("Incorrect syntax near '||'."), true},
        {"PRAGMA", QStringLiteral("SELECT 1; PRAGMA table_info(f_est)"), QStringLiteral("The statement 'PRAGMA' is not supported by the embedded server."), true},
        {"hidden row id", QStringLiteral("SELECT rowid FROM f_est"), QStringLiteral("Invalid column name 'rowid'."), true},
        {"the server's own tables", QStringLiteral("SELECT * FROM sys_logins"), QStringLiteral("Invalid object name 'sys_logins'."), true},
        {"table function outside FROM", QStringLiteral("SELECT TF_GetEstConfig(1,1)"),
         QStringLiteral("The table function 'TF_GetEstConfig' may only be used in a FROM clause."), true},
        {"table function arguments", QStringLiteral("SELECT * FROM TF_GetEstConfig(1)"),
         QStringLiteral("An insufficient number of arguments were supplied for the procedure or function TF_GetEstConfig."), true},
        {"EXEC of a variable", QStringLiteral("EXEC @rv = GET_USER 'a'"), QStringLiteral("Variables are not supported by the embedded server ('@rv')."), true},
        {"unclosed literal", QStringLiteral("SELECT * FROM f_est WHERE p109 = 'abc"),
         QStringLiteral("Unclosed quotation mark after the character string 'abc'."), true},
        {"unclosed comment", QStringLiteral("SELECT 1 /* x"), QStringLiteral("Missing end comment mark '*/'."), true},
        {"unclosed parenthesis", QStringLiteral("SELECT (1"), QStringLiteral("Incorrect syntax near '('; the parenthesis is not closed."), true},
        {"binary literal", QStringLiteral("SELECT 0x1F"), QStringLiteral("The binary literal 0x1F is not supported by the embedded server."), true},
    });
}

TEST(Translation, DateLiteralsFollowTheSessionDateFormat)
{
    test::ServerFixture fixture(QStringLiteral("translation-dates"));
    auto s = fixture.admin();
    struct Case {
        QString tsql, expected;
    };
    // Default month-day-year, as the server starts.
    EXPECT_EQ(s->translate(QStringLiteral("SELECT * FROM mark_mag WHERE p36 = '02.03.2026'")),
              QStringLiteral("SELECT * FROM mark_mag WHERE p36 = '2026-02-03 00:00:00';"));
    // ... and a SET DATEFORMAT holds for the rest of its batch
    EXPECT_EQ(s->translate(QStringLiteral("SET DATEFORMAT dmy SELECT CONVERT(datetime, '02.03.2026')")),
              QStringLiteral("-- session option DATEFORMAT = dmy\nSELECT '2026-03-02 00:00:00';"));
    s->execute(QStringLiteral("SET DATEFORMAT dmy"));
    const QList<Case> cases = {
        {QStringLiteral("INSERT INTO mark_mag([id_group],[p36],[QEL_Update]) VALUES (1,'01.01.01', '31.12.2025 10:30')"),
         QStringLiteral("INSERT INTO mark_mag(\"id_group\",\"p36\",\"QEL_Update\") VALUES (1,'2001-01-01 00:00:00', '2025-12-31');")},
        {QStringLiteral("UPDATE mark_mag SET p36 = '31.12.2024', primech = '01.01.01' WHERE p36 BETWEEN '01.01.24' AND '1.2.24' OR p36 IN ('05.06.05', ?)"),
         QStringLiteral("UPDATE mark_mag SET p36 = '2024-12-31 00:00:00', primech = '01.01.01' COLLATE qel_ci WHERE p36 BETWEEN '2024-01-01 00:00:00' AND '2024-02-01 00:00:00' OR p36 IN ('2005-06-05 00:00:00', ?1);")},
        {QStringLiteral("SELECT * FROM mark_mag m WHERE '02.03.2026' < m.p36 AND m.p36 <> '20260131' AND m.p35 = '02.03.2026'"),
         QStringLiteral("SELECT * FROM mark_mag m WHERE '2026-03-02 00:00:00' < m.p36 AND m.p36 <> '2026-01-31 00:00:00' AND m.p35 = '02.03.2026' COLLATE qel_ci;")},
        {QStringLiteral("SELECT CONVERT(datetime, '13.01.2026')"), QStringLiteral("SELECT '2026-01-13 00:00:00';")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(s->translate(c.tsql), c.expected) << c.tsql.toStdString();
    try {
        s->translate(QStringLiteral("UPDATE mark_mag SET p36 = '31.31.2026'"));
        ADD_FAILURE() << "an impossible date was accepted";
    } catch (const wire::ServerError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Conversion failed when converting date and/or time from character string."));
    }
}
