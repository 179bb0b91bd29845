#include "tests/widgets/widget_db.h"

#include "server/server.h"
#include "tests/support/modal.h"

#include <QCryptographicHash>

namespace qel::test {

namespace {

const char* const kLogin = "widgets";
const char* const kPassword = "w1dgets";

} // namespace

WidgetDb::WidgetDb(const QString& name) : connection_(QStringLiteral("ADO_CDE"))
{
    dir_ = freshTempDir(name);
    qputenv("QEL_DATA_DIR", dir_.toUtf8());
    path_ = dir_ + QStringLiteral("/QEL.sqlite");
    server::createDatabase(path_, false);
    // A working login of the server's own kind for the client connection.
    const QString salt = QStringLiteral("widgetsalt");
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash((salt + QLatin1Char(':') + QString::fromLatin1(kPassword)).toUtf8(),
                                 QCryptographicHash::Sha256)
            .toHex());
    admin(QStringLiteral("INSERT INTO sys_logins (name, password_hash, salt, role) VALUES (?, ?, ?, 'admin')"),
          {QString::fromLatin1(kLogin), hash, salt});
    connection_.setConnectionString(QStringLiteral("Provider=SQLOLEDB.1;Password=%1;User ID=%2;Initial Catalog=QEL;"
                                                   "Data Source=embedded")
                                        .arg(QString::fromLatin1(kPassword), QString::fromLatin1(kLogin)));
}

WidgetDb::~WidgetDb()
{
    for (auto& q : queries_)
        q->close();
    queries_.clear();
    connection_.close();
    qunsetenv("QEL_DATA_DIR");
}

void WidgetDb::admin(const QString& sql, const QList<QVariant>& params) const
{
    auto s = server::Session::administrator(path_);
    s->execute(QStringLiteral("SET DATEFORMAT dmy"));
    s->execute(sql, params);
}

QVariant WidgetDb::scalar(const QString& sql) const
{
    auto s = server::Session::administrator(path_);
    const wire::BatchResult r = s->execute(sql);
    for (const wire::ResultSet& rs : r.resultSets)
        if (!rs.rows.isEmpty() && !rs.rows.first().isEmpty())
            return rs.rows.first().first();
    return {};
}

db::Query& WidgetDb::query(const QString& name, const QString& sql)
{
    queries_.push_back(std::make_unique<db::Query>(&connection_, name));
    queries_.back()->setSql(sql);
    return *queries_.back();
}

} // namespace qel::test
