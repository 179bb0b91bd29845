#include "platform/db/embedded_driver.h"

#include "platform/os/system_info.h"
#include "server/server.h"

#include <QDir>
#include <QFileInfo>
#include <functional>

#include <limits>

namespace qel::db {

namespace {

class EmbeddedDriver : public Driver {
public:
    using Connect = std::function<std::unique_ptr<server::Session>()>;
    explicit EmbeddedDriver(Connect connect) : connect_(std::move(connect)) {}

    void open() override
    {
        if (session_)
            return;
        try {
            session_ = connect_();
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

    Connect connect_;
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
    return std::make_unique<EmbeddedDriver>([cs] {
        const QString path = embeddedDatabasePath(cs);
        QDir().mkpath(QFileInfo(path).absolutePath());
        return std::make_unique<server::Session>(path, cs.userId(), cs.password());
    });
}

std::unique_ptr<Driver> makeEmbeddedAdministratorDriver(const QString& path)
{
    return std::make_unique<EmbeddedDriver>([path] {
        if (!QFileInfo::exists(path))
            throw DbError(QStringLiteral("Файла базы данных \"%1\" нет.").arg(path));
        return server::Session::administrator(path);
    });
}

} // namespace qel::db
