// A scripted database for the widget tests: a driver that answers SELECTs from canned
// result sets, records every statement, and accepts writes (or refuses them on demand).
#pragma once

#include "platform/db/connection.h"
#include "platform/db/query.h"

#include <QHash>
#include <QStringList>
#include <memory>
#include <vector>

namespace qel::test {

struct FakeServer {
    QHash<QString, wire::ResultSet> results;   // by exact statement text
    QStringList statements;                    // everything executed, in order
    QList<QList<QVariant>> params;             // the parameters of each statement
    qint64 rowsAffected = 1;                   // for UPDATE/INSERT/DELETE
    QString failWritesWith;                    // non-empty: writes raise this server error

    QStringList writes() const;                // UPDATE/INSERT/DELETE statements
};

// A result set from "name:type[:size]" columns (int, identity, float, varchar, date,
// datetime, bit, blob) and rows; baseTable names the table the columns come from.
wire::ResultSet makeResult(const QStringList& columns, const QList<wire::Row>& rows, const QString& baseTable = {});

// A connection to a FakeServer and the queries of one test.
class TestDb {
public:
    TestDb();
    ~TestDb();

    db::Connection& connection() { return connection_; }
    FakeServer& server() { return *server_; }

    // A query whose text answers with the given rows (declare fields before opening).
    db::Query& query(const QString& name, const QString& sql, const wire::ResultSet& result);

private:
    std::shared_ptr<FakeServer> server_;
    db::Connection connection_;
    std::vector<std::unique_ptr<db::Query>> queries_;
};

} // namespace qel::test
