#include "platform/db/connection.h"

#include "platform/db/dataset.h"
#include "platform/db/driver_factory.h"

namespace qel::db {

Connection::Connection(QString name) : name_(std::move(name)) {}

Connection::~Connection()
{
    for (DataSet* ds : QList<DataSet*>(dataSets_))
        ds->connection_ = nullptr;
    if (driver_) {
        try {
            driver_->close();
        } catch (...) {
        }
    }
}

void Connection::setConnectionString(const QString& text)
{
    if (connected())
        throw DbError(QStringLiteral("Строку соединения нельзя менять, пока соединение открыто"));
    if (text != connectionString_)
        settings_.clear();
    connectionString_ = text;
}

void Connection::setKeepConnection(bool on)
{
    keepConnection_ = on;
    dropIfIdle();
}

void Connection::setDriverFactory(DriverFactory factory)
{
    factory_ = std::move(factory);
}

bool Connection::connected() const
{
    return driver_ && driver_->isOpen();
}

void Connection::open()
{
    if (connected())
        return;
    const ConnectionString cs = ConnectionString::parse(connectionString_);
    std::unique_ptr<Driver> d;
    try {
        d = factory_ ? factory_(cs) : makeDriver(cs);
        d->open();
        for (const QString& setting : settings_)
            d->execute(setting, {});
    } catch (const wire::ServerError& e) {
        throw DbError(e.message());
    }
    driver_ = std::move(d);
    const auto handler = afterConnect;
    if (handler)
        handler(*this);
}

void Connection::close()
{
    closing_ = true;
    try {
        for (DataSet* ds : QList<DataSet*>(dataSets_))
            if (dataSets_.contains(ds))
                ds->close();
    } catch (...) {
        closing_ = false;
        throw;
    }
    closing_ = false;
    if (!driver_)
        return;
    std::unique_ptr<Driver> d = std::move(driver_);
    try {
        d->close();
    } catch (const wire::ServerError&) {
        // The link is gone either way.
    } catch (const DbError&) {
    }
    const auto handler = afterDisconnect;
    if (handler)
        handler(*this);
}

void Connection::attach(DataSet* ds)
{
    if (!dataSets_.contains(ds))
        dataSets_.append(ds);
}

void Connection::detach(DataSet* ds)
{
    dataSets_.removeAll(ds);
}

void Connection::acquire()
{
    open();
    ++activeCount_;
}

void Connection::release()
{
    if (activeCount_ > 0)
        --activeCount_;
    dropIfIdle();
}

void Connection::dropIfIdle()
{
    if (keepConnection_ || closing_ || activeCount_ > 0 || running_ > 0 || !driver_)
        return;
    std::unique_ptr<Driver> d = std::move(driver_);
    try {
        d->close();
    } catch (...) {
    }
    const auto handler = afterDisconnect;
    if (handler)
        handler(*this);
}

template <class F>
auto Connection::run(F&& call)
{
    open();
    ++running_;
    struct Done {
        Connection* c;
        ~Done()
        {
            --c->running_;
            c->dropIfIdle();
        }
    } done{this};
    try {
        return call(*driver_);
    } catch (const wire::ServerError& e) {
        throw DbError(e.message());
    }
}

wire::BatchResult Connection::execute(const QString& sql, const QList<QVariant>& params, int timeoutSeconds)
{
    wire::BatchResult r = run([&](Driver& d) { return d.execute(sql, params, timeoutSeconds); });
    if (params.isEmpty())
        rememberSetting(sql);
    return r;
}

void Connection::rememberSetting(const QString& sql)
{
    // Only a batch of SET statements, nothing else: "SET DATEFORMAT dmy", "SET NOCOUNT ON;".
    const QStringList statements = sql.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QStringList sets;
    for (const QString& st : statements) {
        const QString t = st.simplified();
        if (t.isEmpty())
            continue;
        if (!t.startsWith(QLatin1String("SET "), Qt::CaseInsensitive) || t.contains(QLatin1Char('\''))
            || t.contains(QLatin1Char('@')) || t.contains(QLatin1Char('=')))
            return;
        sets << t;
    }
    for (const QString& set : sets) {
        // A later value of the same option replaces the earlier one.
        const QString option = set.section(QLatin1Char(' '), 0, 1).toUpper();
        for (int i = settings_.size() - 1; i >= 0; --i)
            if (settings_[i].section(QLatin1Char(' '), 0, 1).toUpper() == option)
                settings_.removeAt(i);
        settings_ << set;
    }
}

wire::BatchResult Connection::callProcedure(const QString& name, const QList<wire::Param>& params, int timeoutSeconds)
{
    return run([&](Driver& d) { return d.callProcedure(name, params, timeoutSeconds); });
}

} // namespace qel::db
