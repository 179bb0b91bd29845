#include "tests/db/fake_driver.h"

namespace qel::test {

namespace {

class FakeDriver : public db::Driver {
public:
    FakeDriver(std::shared_ptr<FakeServer> server, QString cs) : server_(std::move(server)), cs_(std::move(cs)) {}

    void open() override
    {
        if (!server_->failOpenWith.isEmpty())
            throw db::DbError(server_->failOpenWith);
        server_->connects << cs_;
        open_ = true;
    }
    void close() override
    {
        if (open_)
            ++server_->disconnects;
        open_ = false;
    }
    bool isOpen() const override { return open_; }

    wire::BatchResult execute(const QString& sql, const QList<QVariant>& params, int timeoutSeconds) override
    {
        server_->calls.append({sql, params, {}, timeoutSeconds});
        wire::BatchResult out;
        if (server_->handler && server_->handler(sql, params, out))
            return out;
        if (server_->results.contains(sql)) {
            out.resultSets << server_->results.value(sql);
            return out;
        }
        const QString head = sql.trimmed().left(6).toUpper();
        if (head == QLatin1String("UPDATE") || head == QLatin1String("DELETE") || head == QLatin1String("INSERT")) {
            out.rowsAffected = server_->rowsAffected;
            return out;
        }
        throw wire::ServerError(QStringLiteral("no canned result for: ") + sql);
    }

    wire::BatchResult callProcedure(const QString& name, const QList<wire::Param>& params, int timeoutSeconds) override
    {
        server_->calls.append({name, {}, params, timeoutSeconds});
        wire::BatchResult out;
        if (server_->results.contains(name))
            out.resultSets << server_->results.value(name);
        out.returnValue = server_->returnValue;
        return out;
    }

private:
    std::shared_ptr<FakeServer> server_;
    QString cs_;
    bool open_ = false;
};

} // namespace

QStringList FakeServer::statements() const
{
    QStringList out;
    for (const FakeCall& c : calls)
        out << c.sql;
    return out;
}

QList<FakeCall> FakeServer::writes() const
{
    QList<FakeCall> out;
    for (const FakeCall& c : calls) {
        const QString head = c.sql.trimmed().left(6).toUpper();
        if (head == QLatin1String("UPDATE") || head == QLatin1String("DELETE") || head == QLatin1String("INSERT"))
            out << c;
    }
    return out;
}

db::Connection::DriverFactory FakeServer::factory()
{
    // The server outlives its drivers only through the shared pointer the test holds.
    std::shared_ptr<FakeServer> self(this, [](FakeServer*) {});
    return [self](const db::ConnectionString& cs) -> std::unique_ptr<db::Driver> {
        return std::make_unique<FakeDriver>(self, cs.toString());
    };
}

wire::ResultSet makeResult(const QStringList& columns, const QList<wire::Row>& rows, const QString& baseTable)
{
    wire::ResultSet rs;
    for (const QString& decl : columns) {
        const QStringList parts = decl.split(QLatin1Char(':'));
        wire::Column c;
        c.name = parts.value(0);
        const QString type = parts.value(1, QStringLiteral("int"));
        using wire::ColumnType;
        if (type == QLatin1String("int")) c.type = ColumnType::Int;
        else if (type == QLatin1String("identity")) { c.type = ColumnType::Int; c.identity = true; }
        else if (type == QLatin1String("float")) c.type = ColumnType::Float;
        else if (type == QLatin1String("varchar")) c.type = ColumnType::VarChar;
        else if (type == QLatin1String("nvarchar")) c.type = ColumnType::NVarChar;
        else if (type == QLatin1String("bit")) c.type = ColumnType::Bit;
        else if (type == QLatin1String("datetime")) c.type = ColumnType::DateTime;
        else if (type == QLatin1String("date")) c.type = ColumnType::Date;
        c.size = parts.value(2).toInt();
        if (!baseTable.isEmpty()) {
            c.baseTable = baseTable;
            c.baseColumn = c.name;
        }
        rs.columns << c;
    }
    rs.rows = rows;
    return rs;
}

} // namespace qel::test
