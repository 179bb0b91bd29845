#include "server/database_identity.h"

#include "server/wire.h"

#include <QFile>
#include <QUrl>
#include <sqlite3.h>

#include <filesystem>
#include <system_error>

namespace qel::server {
namespace {

constexpr int kHeaderSize = 100;
constexpr int kApplicationIdOffset = 68;

quint32 bigEndian32(const QByteArray& bytes, int offset)
{
    quint32 v = 0;
    for (int i = 0; i < 4; ++i)
        v = (v << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return v;
}

// A file of an older version of the server: no application id, but its own sys_logins
// table. Read through an immutable, read-only connection, which neither writes nor locks.
bool holdsServerTables(const QString& path)
{
    QUrl url = QUrl::fromLocalFile(path);
    url.setScheme(QStringLiteral("file"));
    const QByteArray uri = url.toEncoded() + "?immutable=1";
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOFOLLOW,
                                   nullptr);
    bool found = false;
    if (rc == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'sys_logins'", -1, &st,
                               nullptr)
            == SQLITE_OK)
            found = sqlite3_step(st) == SQLITE_ROW;
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return found;
}

} // namespace

void notServerDatabase(const QString& path)
{
    throw wire::ServerError(QStringLiteral("The file \"%1\" is not a database of the embedded server.").arg(path));
}

bool isRegularFile(const QString& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(path.toStdString()), ec);
}

void checkDatabaseFile(const QString& path)
{
    if (!isRegularFile(path)) {
        if (QFile::exists(path))
            throw wire::ServerError(QStringLiteral("The database file \"%1\" is not a regular file.").arg(path));
        throw wire::ServerError(QStringLiteral("The database file \"%1\" does not exist.").arg(path));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw wire::ServerError(
            QStringLiteral("Cannot open database \"%1\" requested by the login (%2). The login failed.").arg(path, file.errorString()));
    const QByteArray header = file.read(kHeaderSize);
    file.close();
    static const QByteArray magic("SQLite format 3", 16); // with its terminating zero
    if (header.size() < kHeaderSize || !header.startsWith(magic))
        notServerDatabase(path);
    const quint32 id = bigEndian32(header, kApplicationIdOffset);
    if (id == kApplicationId)
        return;
    if (id != 0 || !holdsServerTables(path))
        notServerDatabase(path);
}

void stampDatabaseFile(sqlite3* db)
{
    const QByteArray sql = "PRAGMA application_id = " + QByteArray::number(kApplicationId);
    char* err = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString message = QString::fromUtf8(err ? err : sqlite3_errmsg(db));
        sqlite3_free(err);
        throw wire::ServerError(message);
    }
}

} // namespace qel::server
