#include "data/password_digest.h"
#include "tests/support/modal.h"
#include "tests/tools/admin_cli.h"

#include <QFile>
#include <gtest/gtest.h>

using qel::test::runAdmin;

TEST(AdminDigest, PrintsTheDigest)
{
    auto r = runAdmin({QStringLiteral("digest"), QStringLiteral("пароль")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, qel::passwordDigest(QStringLiteral("пароль")) + QLatin1Char('\n'));
    EXPECT_EQ(runAdmin({QStringLiteral("digest"), QString()}).out, QStringLiteral("D41D8CD98F00B204E9800998ECF8427E\n"));

    auto bad = runAdmin({QStringLiteral("digest")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.out.isEmpty());
    EXPECT_FALSE(bad.err.isEmpty());
}

TEST(AdminSettings, WriteThenShowMaskedAndRevealed)
{
    const QString file = qel::test::freshTempDir(QStringLiteral("admin-settings")) + QStringLiteral("/QEL");
    auto w = runAdmin({QStringLiteral("settings"), QStringLiteral("write"), QStringLiteral("--file"), file,
                       QStringLiteral("--account"), QStringLiteral("qel_start"), QStringLiteral("--password"),
                       QStringLiteral("secret"), QStringLiteral("--server"), QStringLiteral("embedded"),
                       QStringLiteral("--catalog"), QStringLiteral("QEL")});
    ASSERT_EQ(w.exitCode, 0) << w.err.toStdString();
    EXPECT_EQ(QFile(file).size(), 84);

    auto masked = runAdmin({QStringLiteral("settings"), QStringLiteral("show"), QStringLiteral("--file"), file});
    ASSERT_EQ(masked.exitCode, 0) << masked.err.toStdString();
    EXPECT_EQ(masked.out,
              QStringLiteral("account=qel_start\npassword=******\nserver=embedded\ncatalog=QEL\n"
                             "connection=Provider=SQLOLEDB.1;Password=******;Persist Security Info=True;User ID=qel_start;"
                             "Initial Catalog=QEL;Data Source=embedded;Use Procedure for Prepare=1;Auto Translate=True;"
                             "Packet Size=4096;Use Encryption for Data=False;Tag with column collation when possible=False\n"));

    auto revealed = runAdmin({QStringLiteral("settings"), QStringLiteral("show"), QStringLiteral("--file"), file,
                              QStringLiteral("--reveal")});
    EXPECT_TRUE(revealed.out.contains(QStringLiteral("password=secret\n")));
    EXPECT_TRUE(revealed.out.contains(QStringLiteral("Password=secret;")));
}

TEST(AdminSettings, ErrorsGoToStderrWithExitCodeOne)
{
    const QString dir = qel::test::freshTempDir(QStringLiteral("admin-settings-errors"));
    struct Case { QStringList args; QString expected; };
    const Case cases[] = {
        {{QStringLiteral("settings"), QStringLiteral("show"), QStringLiteral("--file"), dir + QStringLiteral("/none")},
         QStringLiteral("не найден")},
        {{QStringLiteral("settings"), QStringLiteral("write"), QStringLiteral("--file"), dir + QStringLiteral("/QEL"),
          QStringLiteral("--account"), QString(21, QLatin1Char('a')), QStringLiteral("--password"), QStringLiteral("p"),
          QStringLiteral("--server"), QStringLiteral("s"), QStringLiteral("--catalog"), QStringLiteral("c")},
         QStringLiteral("at most 20")},
        {{QStringLiteral("settings"), QStringLiteral("write"), QStringLiteral("--file"), dir + QStringLiteral("/QEL")},
         QStringLiteral("missing option --account")},
        {{QStringLiteral("settings"), QStringLiteral("frobnicate")}, QStringLiteral("unknown subcommand")},
        {{QStringLiteral("nosuchcommand")}, QStringLiteral("unknown command")},
    };
    for (const auto& c : cases) {
        auto r = runAdmin(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.contains(c.expected)) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/QEL")));
}

TEST(AdminHelp, ToolAndEveryCommandHaveHelp)
{
    auto top = runAdmin({QStringLiteral("--help")});
    EXPECT_EQ(top.exitCode, 0);
    for (const char* cmd : {"digest", "settings"}) {
        EXPECT_TRUE(top.out.contains(QLatin1String(cmd)));
        auto h = runAdmin({QLatin1String(cmd), QStringLiteral("--help")});
        EXPECT_EQ(h.exitCode, 0);
        EXPECT_TRUE(h.out.startsWith(QStringLiteral("Usage:"))) << h.out.toStdString();
    }
}
