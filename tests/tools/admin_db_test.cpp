#include "tests/support/modal.h"
#include "tests/tools/admin_cli.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

using qel::test::runAdmin;

namespace {

QStringList words(std::initializer_list<QString> list) { return QStringList(list); }

} // namespace

TEST(AdminDb, CreateExecAndTranslate)
{
    const QString dir = qel::test::freshTempDir(QStringLiteral("admin-db"));
    const QString plain = dir + QStringLiteral("/plain.sqlite");
    const QString demo = dir + QStringLiteral("/demo.sqlite");

    auto created = runAdmin(words({QStringLiteral("db"), QStringLiteral("create"), plain}));
    ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
    EXPECT_TRUE(QFile::exists(plain));
    auto again = runAdmin(words({QStringLiteral("db"), QStringLiteral("create"), plain}));
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.err.contains(QStringLiteral("already exists"))) << again.err.toStdString();
    ASSERT_EQ(runAdmin(words({QStringLiteral("db"), QStringLiteral("create"), demo, QStringLiteral("--demo")})).exitCode, 0);

    struct Case {
        QString path, sql, out;
    };
    const QList<Case> cases = {
        {demo, QStringLiteral("SELECT id_f_e, p109, QEL13 FROM f_est WHERE id_f_e IN (1, 2) ORDER BY id_f_e"),
         QStringLiteral("id_f_e\tp109\tQEL13\n1\tВедомость\t1\n2\tЭкзам. лист\t0\n")},
        {demo, QStringLiteral("SELECT NULL AS x, 'a' + CHAR(9) + 'b' AS y, CONVERT(bit, 1) AS z"), QStringLiteral("x\ty\tz\nNULL\ta\\tb\t1\n")},
        {demo, QStringLiteral("SELECT COUNT(*) AS users FROM QEL_User; SELECT TOP 1 p36 FROM mark_mag WHERE p36 IS NOT NULL ORDER BY p36"),
         QStringLiteral("users\n4\n\np36\n2025-01-12 00:00:00\n")},
        {demo, QStringLiteral("UPDATE VuzDefaults SET id_field = 0 WHERE id_vuz_defaults IN (28, 29)"), QStringLiteral("(2 rows affected)\n")},
        {demo, QStringLiteral("UPDATE sys_settings SET value = '28' WHERE name = 'MinClientVersion'"), QStringLiteral("(1 row affected)\n")},
        {plain, QStringLiteral("SELECT COUNT(*) AS n FROM mark_mag"), QStringLiteral("n\n0\n")},
    };
    for (const Case& c : cases) {
        auto r = runAdmin(words({QStringLiteral("db"), QStringLiteral("exec"), c.path, c.sql}));
        EXPECT_EQ(r.exitCode, 0) << c.sql.toStdString() << " " << r.err.toStdString();
        EXPECT_EQ(r.out, c.out) << c.sql.toStdString();
        EXPECT_TRUE(r.err.isEmpty());
    }

    auto translated = runAdmin(words({QStringLiteral("db"), QStringLiteral("translate"), QStringLiteral("SELECT TOP 1 * FROM qel.dbo.f_est")}));
    EXPECT_EQ(translated.exitCode, 0);
    EXPECT_EQ(translated.out, QStringLiteral("SELECT * FROM f_est LIMIT (1);\n"));

    // the batch may come on stdin
    QProcess p;
    p.start(QStringLiteral(QEL_ADMIN_PATH), words({QStringLiteral("db"), QStringLiteral("exec"), demo, QStringLiteral("-")}));
    p.write("SELECT p30 FROM examination WHERE id_examination = 4");
    p.closeWriteChannel();
    p.waitForFinished(60000);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()), QStringLiteral("p30\nКурc/пр\n"));
}

TEST(AdminDb, ErrorsGoToStderrWithExitCodeOne)
{
    const QString dir = qel::test::freshTempDir(QStringLiteral("admin-db-errors"));
    const QString path = dir + QStringLiteral("/QEL.sqlite");
    ASSERT_EQ(runAdmin(words({QStringLiteral("db"), QStringLiteral("create"), path})).exitCode, 0);
    struct Case {
        QStringList args;
        QString err;
    };
    const QList<Case> cases = {
        {words({QStringLiteral("db"), QStringLiteral("exec"), path, QStringLiteral("SELECT * FROM nope")}), QStringLiteral("Invalid object name 'nope'.")},
        {words({QStringLiteral("db"), QStringLiteral("exec"), path, QStringLiteral("DECLARE @x int")}),
         QStringLiteral("The statement 'DECLARE' is not supported by the embedded server.")},
        {words({QStringLiteral("db"), QStringLiteral("exec"), dir + QStringLiteral("/none.sqlite"), QStringLiteral("SELECT 1")}),
         QStringLiteral("does not exist")},
        {words({QStringLiteral("db"), QStringLiteral("exec"), path}), QStringLiteral("expected PATH and SQL")},
        {words({QStringLiteral("db"), QStringLiteral("translate"), QStringLiteral("SELECT * FROM t PIVOT (x)")}),
         QStringLiteral("'PIVOT' is not supported by the embedded server.")},
        {words({QStringLiteral("db"), QStringLiteral("create")}), QStringLiteral("expected exactly one PATH")},
        {words({QStringLiteral("db"), QStringLiteral("drop"), path}), QStringLiteral("unknown subcommand 'drop'")},
    };
    for (const Case& c : cases) {
        auto r = runAdmin(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(c.err)) << r.err.toStdString();
    }
    // a NUL in a batch from stdin: the storage would have run the DELETE without its WHERE
    const QString demo = dir + QStringLiteral("/demo.sqlite");
    ASSERT_EQ(runAdmin(words({QStringLiteral("db"), QStringLiteral("create"), demo, QStringLiteral("--demo")})).exitCode, 0);
    const QString count = runAdmin(words({QStringLiteral("db"), QStringLiteral("exec"), demo, QStringLiteral("SELECT COUNT(*) AS n FROM mark_mag")})).out;
    QProcess p;
    p.start(QStringLiteral(QEL_ADMIN_PATH), words({QStringLiteral("db"), QStringLiteral("exec"), demo, QStringLiteral("-")}));
    p.write(QByteArray("DELETE FROM mark_mag\0 WHERE id_mark_mag = 1", 43));
    p.closeWriteChannel();
    p.waitForFinished(60000);
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("NUL character")));
    EXPECT_EQ(runAdmin(words({QStringLiteral("db"), QStringLiteral("exec"), demo, QStringLiteral("SELECT COUNT(*) AS n FROM mark_mag")})).out,
              count);

    auto help = runAdmin(words({QStringLiteral("db"), QStringLiteral("--help")}));
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage:")));
}
