#include "tests/widgets/fake_server.h"

#include "platform/db/driver.h"

namespace qel::test {

namespace {

bool isWrite(const QString& sql)
{
    const QString head = sql.trimmed().left(6).toUpper();
    return head == QLatin1String("UPDATE") || head == QLatin1String("INSERT") || head == QLatin1String("DELETE");
}

class FakeDriver : public db::Driver {
public:
    explicit FakeDriver(std::shared_ptr<FakeServer> server) : server_(std::move(server)) {}

    void open() override { open_ = true; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }

    wire::BatchResult execute(const QString& sql, const QList<QVariant>& params) override
    {
        server_->statements << sql;
        server_->params << params;
        wire::BatchResult out;
        if (isWrite(sql)) {
            if (!server_->failWritesWith.isEmpty())
                throw wire::ServerError(server_->failWritesWith);
            out.rowsAffected = server_->rowsAffected;
            return out;
        }
        const auto it = server_->results.constFind(sql);
        if (it == server_->results.constEnd())
            throw wire::ServerError(QStringLiteral("no canned result for: ") + sql);
        out.resultSets << *it;
        return out;
    }

    wire::BatchResult callProcedure(const QString& name, const QList<wire::Param>&) override
    {
        server_->statements << name;
        wire::BatchResult out;
        if (server_->results.contains(name))
            out.resultSets << server_->results.value(name);
        return out;
    }

private:
    std::shared_ptr<FakeServer> server_;
    bool open_ = false;
};

} // namespace

QStringList FakeServer::writes() const
{
    QStringList out;
    for (const QString& s : statements)
        if (isWrite(s))
            out << s;
    return out;
}

wire::ResultSet makeResult(const QStringList& columns, const QList<wire::Row>& rows, const QString& baseTable)
{
    using wire::ColumnType;
    wire::ResultSet rs;
    for (const QString& decl : columns) {
        const QStringList parts = decl.split(QLatin1Char(':'));
        wire::Column c;
        c.name = parts.value(0);
        const QString type = parts.value(1, QStringLiteral("int"));
        if (type == QLatin1String("int")) c.type = ColumnType::Int;
        else if (type == QLatin1String("identity")) { c.type = ColumnType::Int; c.identity = true; }
        else if (type == QLatin1String("float")) c.type = ColumnType::Float;
        else if (type == QLatin1String("varchar")) c.type = ColumnType::VarChar;
        else if (type == QLatin1String("date")) c.type = ColumnType::Date;
        else if (type == QLatin1String("datetime")) c.type = ColumnType::DateTime;
        else if (type == QLatin1String("bit")) c.type = ColumnType::Bit;
        else if (type == QLatin1String("blob")) c.type = ColumnType::VarBinary;
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

TestDb::TestDb() : server_(std::make_shared<FakeServer>()), connection_(QStringLiteral("ADO_TEST"))
{
    connection_.setConnectionString(QStringLiteral("Provider=SQLOLEDB.1;Data Source=fake;Initial Catalog=QEL"));
    connection_.setDriverFactory([server = server_](const db::ConnectionString&) -> std::unique_ptr<db::Driver> {
        return std::make_unique<FakeDriver>(server);
    });
}

TestDb::~TestDb()
{
    for (auto& q : queries_)
        q->close();
}

db::Query& TestDb::query(const QString& name, const QString& sql, const wire::ResultSet& result)
{
    server_->results.insert(sql, result);
    queries_.push_back(std::make_unique<db::Query>(&connection_, name));
    queries_.back()->setSql(sql);
    return *queries_.back();
}

} // namespace qel::test
