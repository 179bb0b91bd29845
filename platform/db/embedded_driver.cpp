#include "platform/db/embedded_driver.h"

#include "platform/os/system_info.h"
#include "server/server.h"

#include <QDir>

#include <limits>

namespace qel::db {

namespace {

class EmbeddedDriver : public Driver {
public:
    explicit EmbeddedDriver(const ConnectionString& cs) : cs_(cs) {}

    void open() override
    {
        if (session_)
            return;
        const QString path = embeddedDatabasePath(cs_);
        QDir().mkpath(QFileInfo(path).absolutePath());
        try {
            session_ = std::make_unique<server::Session>(path, cs_.userId(), cs_.password());
        } catch (const wire::ServerError& e) {
            throw DbError(e.message());
        }
    }

    void close() override { session_.reset(); }
    bool isOpen() const override { return session_ != nullptr; }

    wire::BatchResult execute(const QString& sql, const QList<QVariant>& params, int timeoutSeconds) override
    {
        try {
            session().setStatementTimeout(milliseconds(timeoutSeconds));
            return session().execute(sql, params);
        } catch (const wire::ServerError& e) {
            throw DbError(e.message());
        }
    }

    wire::BatchResult callProcedure(const QString& name, const QList<wire::Param>& params, int timeoutSeconds) override
    {
        try {
            session().setStatementTimeout(milliseconds(timeoutSeconds));
            return session().callProcedure(name, params);
        } catch (const wire::ServerError& e) {
            throw DbError(e.message());
        }
    }

private:
    // The command time-out becomes the embedded server's time limit of the call.
    static int milliseconds(int seconds)
    {
        return seconds <= 0 ? 0 : static_cast<int>(std::min<qint64>(qint64(seconds) * 1000, std::numeric_limits<int>::max()));
    }

    server::Session& session()
    {
        if (!session_)
            throw DbError(QStringLiteral("Соединение с базой данных закрыто"));
        return *session_;
    }

    ConnectionString cs_;
    std::unique_ptr<server::Session> session_;
};

} // namespace

QString embeddedDatabasePath(const ConnectionString& cs)
{
    const QString catalog = cs.catalog().trimmed();
    // The catalogue names a file in the data folder, never a path.
    if (catalog.isEmpty() || catalog.contains(QLatin1Char('/')) || catalog.contains(QLatin1Char('\\'))
        || catalog.startsWith(QLatin1Char('.')))
        throw DbError(QStringLiteral("Недопустимое имя базы данных (Initial Catalog): \"%1\"").arg(catalog));
    return os::dataDir() + QLatin1Char('/') + catalog + QStringLiteral(".sqlite");
}

std::unique_ptr<Driver> makeEmbeddedDriver(const ConnectionString& cs)
{
    return std::make_unique<EmbeddedDriver>(cs);
}

} // namespace qel::db
