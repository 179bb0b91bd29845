// FreeTDS's own tsql and unixODBC's isql (with the FreeTDS driver and no DSN) against
// qel13-server: they log in, run the user check and queries, and read the same rows that
// qel13-admin db exec reads from the file itself.
#include "data/password_digest.h"
#include "tests/tds/served_demo.h"
#include "tests/tds/tds_client.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace qel;

namespace {

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ProgramRun runProgram(const QString& program, const QStringList& args, const QString& input, const QProcessEnvironment& env = {})
{
    QProcess p;
    if (!env.isEmpty())
        p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return {-1, {}, p.errorString()};
    p.write(input.toUtf8());
    p.closeWriteChannel();
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished(5000);
        return {-1, QString::fromUtf8(p.readAllStandardOutput()), QStringLiteral("timed out")};
    }
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

// What qel13-admin db exec prints for a query: a header line and tab-separated rows.
QStringList adminLines(const QString& db, const QString& sql)
{
    const ProgramRun r = runProgram(test::builtProgram(QStringLiteral("qel13-admin")), {QStringLiteral("db"), QStringLiteral("exec"), db, sql}, {});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

class FreeTdsTools : public test::ServedDemoTest {
protected:
    void SetUp() override
    {
        ServedDemoTest::SetUp();
        if (HasFatalFailure())
            return;
        // tsql reads its settings from this file only; UTF-8 for the Cyrillic names.
        const QString conf = fx->dataDir + QStringLiteral("/freetds.conf");
        QFile f(conf);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[global]\n\ttds version = 7.4\n\tclient charset = UTF-8\n");
        f.close();
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("FREETDSCONF"), conf);
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    }
    QString program(const char* name)
    {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        EXPECT_FALSE(path.isEmpty()) << name << " is not installed (scripts/install-deps installs it)";
        return path;
    }

    ProgramRun tsql(const QString& user, const QString& password, const QString& batch)
    {
        return runProgram(program("tsql"),
                          {QStringLiteral("-H"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(server->port()),
                           QStringLiteral("-U"), user, QStringLiteral("-P"), password, QStringLiteral("-D"), QStringLiteral("QEL"),
                           QStringLiteral("-o"), QStringLiteral("q")},
                          batch + QStringLiteral("\ngo\nexit\n"), env);
    }

    ProgramRun isql(const QString& user, const QString& password, const QString& statements)
    {
        const QString connection = QStringLiteral("DRIVER=FreeTDS;SERVER=127.0.0.1;PORT=%1;UID=%2;PWD=%3;DATABASE=QEL;"
                                                  "TDS_Version=7.4;ClientCharset=UTF-8")
                                       .arg(server->port())
                                       .arg(user, password);
        return runProgram(program("isql"),
                          {QStringLiteral("-v"), QStringLiteral("-k"), connection, QStringLiteral("-b"),
                           QStringLiteral("-x0x09"), QStringLiteral("-c")},
                          statements + QLatin1Char('\n'), env);
    }

    QProcessEnvironment env;
};

const QString kQueries[] = {
    QStringLiteral("SELECT id_group, p20, o_z_d FROM [group] ORDER BY id_group"),
    QStringLiteral("SELECT TOP 12 id_student, s_fio, idid FROM s_fio ORDER BY s_fio"),
    QStringLiteral("SELECT id_estimation, p31 FROM estimation WHERE id_estimation IN (8, 11, 25) ORDER BY id_estimation"),
};

TEST_F(FreeTdsTools, TsqlRunsTheUserCheckAndQueries)
{
    const QString check = QStringLiteral("EXEC GET_USER 'demo', '%1', NULL, 'QEL 13', '127.0.0.1', 'tsql', 'demo', '0', '4'")
                              .arg(passwordDigest(QStringLiteral("demo2026")));
    const ProgramRun first = tsql(QStringLiteral("qel_start"), QStringLiteral("qel13start"), check);
    ASSERT_EQ(first.exitCode, 0) << first.out.toStdString() << first.err.toStdString();
    const QStringList lines = first.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << first.out.toStdString();
    EXPECT_EQ(lines, adminLines(fx->databasePath, check));
    const test::WorkingAccount account = test::workingAccount(server->dataSource(), QStringLiteral("demo"), QStringLiteral("demo2026"));

    for (const QString& sql : kQueries) {
        const ProgramRun r = tsql(account.user, account.password, sql);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts), adminLines(fx->databasePath, sql)) << sql.toStdString();
    }
    // A wrong password: the server's own words, and nothing about why.
    const ProgramRun wrong = tsql(account.user, QStringLiteral("nope"), QStringLiteral("SELECT 1"));
    EXPECT_NE(wrong.exitCode, 0);
    EXPECT_TRUE((wrong.out + wrong.err).contains(QStringLiteral("Login failed for user '%1'.").arg(account.user)))
        << wrong.out.toStdString() << wrong.err.toStdString();
    EXPECT_TRUE(server->waitForLog(QStringLiteral("failed login of '%1'").arg(account.user)));
}

TEST_F(FreeTdsTools, IsqlWithoutADsnReadsTheSameRows)
{
    const test::WorkingAccount account = test::workingAccount(server->dataSource(), QStringLiteral("demo"), QStringLiteral("demo2026"));
    for (const QString& sql : kQueries) {
        const ProgramRun r = isql(account.user, account.password, sql);
        ASSERT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
        EXPECT_EQ(r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts), adminLines(fx->databasePath, sql)) << sql.toStdString();
    }
    // The user check through isql: the same row as the server itself gives.
    const QString check = QStringLiteral("EXEC GET_USER 'demo', '%1', NULL, 'QEL 13', '127.0.0.1', 'isql', 'demo', '0', '4'")
                              .arg(passwordDigest(QStringLiteral("demo2026")));
    const ProgramRun r = isql(QStringLiteral("qel_start"), QStringLiteral("qel13start"), check);
    ASSERT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts), adminLines(fx->databasePath, check));
}

} // namespace
