#include "server/database_file.h"

#include "server/database_identity.h"
#include "server/server.h"
#include "server/server_logins.h"
#include "server/storage_catalog.h"
#include "server/tsql_translator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace qel::server {

void initialiseDatabase(Storage& storage)
{
    storage.script(QString::fromUtf8(kSchemaSql));
    storage.run(QStringLiteral("INSERT INTO sys_settings (name, value) VALUES ('MinClientVersion', '27'), "
                               "('PasswordValidDays', '180')"));
    saveLogin(storage, QString::fromLatin1(kStartLogin), QString::fromLatin1(kStartPassword), LoginRole::Start, 0, false);
}

void createDatabase(const QString& path, bool withDemoData)
{
    const QFileInfo target(path);
    if (target.exists())
        throw wire::ServerError(QStringLiteral("The database file \"%1\" already exists.").arg(path));
    if (!QDir().mkpath(target.absolutePath()))
        throw wire::ServerError(QStringLiteral("Cannot create the folder \"%1\".").arg(target.absolutePath()));
    // Built aside and moved into place at once, so no client ever opens a half-made file.
    const QString temp = QStringLiteral("%1.creating-%2")
                             .arg(target.absoluteFilePath())
                             .arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
    auto removeTemp = [&] {
        for (const char* suffix : {"", "-wal", "-shm", "-journal"})
            QFile::remove(temp + QLatin1String(suffix));
    };
    try {
        {
            Storage storage(temp, true);
            Storage::Internal internal(storage);
            storage.script(QStringLiteral("BEGIN"));
            initialiseDatabase(storage);
            stampDatabaseFile(storage.handle());
            if (withDemoData)
                addDemoData(storage);
            storage.script(QStringLiteral("COMMIT"));
            storage.script(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        }
        if (!QFile::rename(temp, target.absoluteFilePath())) {
            removeTemp();
            if (QFileInfo::exists(path))
                throw wire::ServerError(QStringLiteral("The database file \"%1\" already exists.").arg(path));
            throw wire::ServerError(QStringLiteral("Cannot write the database file \"%1\".").arg(path));
        }
        removeTemp();
    } catch (...) {
        removeTemp();
        throw;
    }
}

QString translateForSchema(const QString& tsql)
{
    Storage storage(QStringLiteral(":memory:"), true);
    {
        Storage::Internal internal(storage);
        storage.script(QString::fromUtf8(kSchemaSql));
    }
    StorageCatalog catalog(storage);
    tsql::Translator translator(catalog);
    tsql::Options options;
    try {
        return tsql::describe(translator.translateBatch(tsql, options, {}));
    } catch (const tsql::TranslateError& e) {
        throw wire::ServerError(e.message);
    }
}

} // namespace qel::server
