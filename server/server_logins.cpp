#include "server/server_logins.h"

#include "server/storage_dates.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace qel::server {
namespace {

QString randomText(int length)
{
    static const char alphabet[] = "abcdefghijkmnpqrstuvwxyz23456789";
    QString s;
    for (int i = 0; i < length; ++i)
        s += QLatin1Char(alphabet[QRandomGenerator::system()->bounded(static_cast<int>(sizeof(alphabet) - 1))]);
    return s;
}

QString hashOf(const QString& salt, const QString& password)
{
    return QString::fromLatin1(
        QCryptographicHash::hash((salt + QLatin1Char(':') + password).toUtf8(), QCryptographicHash::Sha256).toHex());
}

QString roleName(LoginRole r)
{
    switch (r) {
    case LoginRole::Start: return QStringLiteral("start");
    case LoginRole::User: return QStringLiteral("user");
    case LoginRole::Administrator: return QStringLiteral("admin");
    }
    return QStringLiteral("user");
}

} // namespace

LoginInfo checkLogin(Storage& storage, const QString& name, const QString& password)
{
    const wire::ResultSet rs = storage.query(
        QStringLiteral("SELECT name, password_hash, salt, role, id_qel_user FROM sys_logins WHERE name = ?"), {name});
    const wire::ServerError failed(QStringLiteral("Login failed for user '%1'.").arg(name), 18456);
    if (rs.rows.isEmpty())
        throw failed;
    const wire::Row& r = rs.rows.first();
    if (hashOf(r[2].toString(), password) != r[1].toString())
        throw failed;
    LoginInfo info;
    info.name = r[0].toString();
    const QString role = r[3].toString();
    info.role = role == QLatin1String("start") ? LoginRole::Start
        : role == QLatin1String("admin")      ? LoginRole::Administrator
                                              : LoginRole::User;
    if (info.role == LoginRole::User) {
        info.idQelUser = r[4].toInt();
        const wire::ResultSet user = storage.query(
            QStringLiteral("SELECT QEL_login, isBlocked FROM QEL_User WHERE id_qel_user = ?"), {info.idQelUser});
        if (user.rows.isEmpty() || user.rows.first()[1].toBool())
            throw failed;
        info.qelLogin = user.rows.first()[0].toString();
    }
    return info;
}

void saveLogin(Storage& storage, const QString& name, const QString& password, LoginRole role, int idQelUser,
               bool keepSecret)
{
    const QString salt = randomText(16);
    storage.run(QStringLiteral("INSERT OR REPLACE INTO sys_logins (name, password_hash, salt, role, id_qel_user, secret, "
                               "created) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                {name, hashOf(salt, password), salt, roleName(role), idQelUser > 0 ? QVariant(idQelUser) : QVariant(),
                 keepSecret ? QVariant(password) : QVariant(), storedNow()});
}

Account userAccount(Storage& storage, int idQelUser)
{
    const wire::ResultSet rs = storage.query(
        QStringLiteral("SELECT name, secret FROM sys_logins WHERE role = 'user' AND id_qel_user = ? AND secret IS NOT NULL "
                       "ORDER BY name LIMIT 1"),
        {idQelUser});
    if (!rs.rows.isEmpty())
        return {rs.rows.first()[0].toString(), rs.rows.first()[1].toString()};
    Account a{QStringLiteral("qel_user_%1").arg(idQelUser), randomText(16)};
    saveLogin(storage, a.name, a.password, LoginRole::User, idQelUser, true);
    return a;
}

} // namespace qel::server
