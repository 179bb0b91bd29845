#include "tests/tds/tds_client.h"

#include "data/password_digest.h"
#include "data/settings_file.h"
#include "platform/db/connection_string.h"
#include "platform/db/driver_factory.h"

namespace qel::test {

QString clientConnectionString(const QString& dataSource, const QString& user, const QString& password)
{
    return connectionString(TFirstConnectInfo{user, password, QStringLiteral("QEL"), dataSource});
}

std::unique_ptr<db::Driver> connectClient(const QString& dataSource, const QString& user, const QString& password)
{
    auto driver = db::makeDriver(db::ConnectionString::parse(clientConnectionString(dataSource, user, password)));
    driver->open();
    return driver;
}

WorkingAccount workingAccount(const QString& dataSource, const QString& login, const QString& password)
{
    auto first = connectClient(dataSource, QStringLiteral("qel_start"), QStringLiteral("qel13start"));
    const wire::BatchResult r = first->execute(
        QStringLiteral("EXEC GET_USER '%1','%2',NULL, 'QEL 13', '127.0.0.1', 'test', '%1','0','4'")
            .arg(login, passwordDigest(password)));
    if (r.resultSets.isEmpty() || r.resultSets.first().rows.isEmpty())
        throw db::DbError(QStringLiteral("GET_USER returned no row"));
    const wire::Row row = r.resultSets.first().rows.first();
    return {decodeShiftedText(row[0].toString()), decodeShiftedText(row[1].toString()), row[2].toInt()};
}

QList<QStringList> textRows(const wire::BatchResult& r)
{
    QList<QStringList> out;
    if (r.resultSets.isEmpty())
        return out;
    for (const wire::Row& row : r.resultSets.first().rows) {
        QStringList cells;
        for (const QVariant& v : row)
            cells << (v.isNull() ? QStringLiteral("NULL") : v.toString());
        out << cells;
    }
    return out;
}

} // namespace qel::test
