// An embedded database for the widget tests: a fresh file per test (the server's schema,
// no demo data), filled by the test as the server's administrator, and a client
// connection to it through the embedded driver.
#pragma once

#include "platform/db/connection.h"
#include "platform/db/query.h"

#include <QString>
#include <memory>
#include <vector>

namespace qel::test {

class WidgetDb {
public:
    // name: the test's own folder under the build's test-tmp folder.
    explicit WidgetDb(const QString& name);
    ~WidgetDb();

    // Runs statements as the server's administrator (SET DATEFORMAT dmy first).
    void admin(const QString& sql, const QList<QVariant>& params = {}) const;
    // The first value of the first row of a query run as administrator.
    QVariant scalar(const QString& sql) const;

    db::Connection& connection() { return connection_; }
    // A query on the client connection, owned by this object (declare fields before opening).
    db::Query& query(const QString& name, const QString& sql);

    const QString& path() const { return path_; }

private:
    QString dir_;
    QString path_;
    db::Connection connection_;
    std::vector<std::unique_ptr<db::Query>> queries_;
};

} // namespace qel::test
