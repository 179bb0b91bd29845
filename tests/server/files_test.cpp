// Which files the server opens as its databases: a file of another application, an empty
// file or a named pipe is refused at once and left byte for byte as it was; a file made by
// an older version of the server is still its own.
#include "server/server.h"
#include "tests/server/fixture.h"
#include "tests/support/modal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <future>
#include <sys/stat.h>

using namespace qel;
using qel::test::errorOf;

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void runSql(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// Both ways in: a client login (a missing file would be created) and the administrator.
void expectRefusedUntouched(const QString& path, const QString& error)
{
    const QByteArray before = contents(path);
    EXPECT_EQ(errorOf([&] { server::Session(path, QStringLiteral("qel_start"), QStringLiteral("qel13start")); }), error);
    EXPECT_EQ(errorOf([&] { server::Session::administrator(path); }), error);
    EXPECT_EQ(contents(path), before);
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        EXPECT_FALSE(QFileInfo::exists(path + QLatin1String(suffix))) << suffix;
}

} // namespace

TEST(DatabaseFiles, ForeignAndEmptyFilesAreRefusedUnchanged)
{
    const QString dir = test::freshTempDir(QStringLiteral("files-foreign"));
    auto notOurs = [](const QString& path) {
        return QStringLiteral("The file \"%1\" is not a database of the embedded server.").arg(path);
    };

    const QString foreign = dir + QStringLiteral("/other.sqlite");
    runSql(foreign, "PRAGMA journal_mode=DELETE; CREATE TABLE notes (t TEXT); INSERT INTO notes VALUES ('keep');");
    expectRefusedUntouched(foreign, notOurs(foreign));

    // another application that happens to have a table of the same name
    const QString lookalike = dir + QStringLiteral("/lookalike.sqlite");
    runSql(lookalike, "PRAGMA application_id = 77; CREATE TABLE sys_logins (name TEXT);");
    expectRefusedUntouched(lookalike, notOurs(lookalike));

    const QString empty = dir + QStringLiteral("/empty.sqlite");
    QFile(empty).open(QIODevice::WriteOnly);
    expectRefusedUntouched(empty, notOurs(empty));
    EXPECT_EQ(QFileInfo(empty).size(), 0);

    const QString text = dir + QStringLiteral("/text.sqlite");
    {
        QFile f(text);
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray(4096, 'x'));
    }
    expectRefusedUntouched(text, notOurs(text));

    const QString folder = dir + QStringLiteral("/folder.sqlite");
    QDir().mkpath(folder);
    EXPECT_EQ(errorOf([&] { server::Session::administrator(folder); }),
              QStringLiteral("The database file \"%1\" is not a regular file.").arg(folder));
}

TEST(DatabaseFiles, ANamedPipeIsRefusedAtOnce)
{
    const QString pipe = test::freshTempDir(QStringLiteral("files-pipe")) + QStringLiteral("/QEL.sqlite");
    ASSERT_EQ(mkfifo(pipe.toUtf8().constData(), 0600), 0);
    // opening a pipe for reading would wait for a writer: the answer must come without one
    auto refused = std::async(std::launch::async, [&] {
        return errorOf([&] { server::Session(pipe, QStringLiteral("qel_start"), QStringLiteral("qel13start")); });
    });
    ASSERT_EQ(refused.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(refused.get(), QStringLiteral("The database file \"%1\" is not a regular file.").arg(pipe));
}

TEST(DatabaseFiles, AFileOfAnOlderServerIsStillOurs)
{
    test::ServerFixture fixture(QStringLiteral("files-older"));
    // as files were made before they carried the server's application id
    runSql(fixture.path, "PRAGMA application_id = 0;");
    auto teacher = fixture.teacher();
    EXPECT_EQ(teacher->execute(QStringLiteral("SELECT COUNT(*) FROM f_est")).resultSets.first().rows.first().first(), QVariant(4));
    // it carries the id from now on (in the file itself once the last session is gone)
    teacher.reset();
    const QByteArray header = contents(fixture.path).left(72);
    EXPECT_EQ(header.mid(68, 4), QByteArray("QEL1"));
}
