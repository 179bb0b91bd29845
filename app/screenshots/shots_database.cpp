// The demo database the shots that do not log in through the windows connect to.
#include "app/screenshots/shots.h"

#include "server/server.h"

#include <QCryptographicHash>

namespace qel::shots {

QString demoDatabase(const QString& dataDir, const QString& login)
{
    const QString path = dataDir + QStringLiteral("/QEL.sqlite");
    server::createDatabase(path, true);
    const QString salt = login, password = login + QStringLiteral("1");
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash((salt + QLatin1Char(':') + password).toUtf8(), QCryptographicHash::Sha256).toHex());
    server::Session::administrator(path)->execute(
        QStringLiteral("INSERT INTO sys_logins (name, password_hash, salt, role) VALUES (?, ?, ?, 'admin')"),
        {login, hash, salt});
    return QStringLiteral("Provider=SQLOLEDB.1;Password=%1;User ID=%2;Initial Catalog=QEL;Data Source=embedded")
        .arg(password, login);
}

} // namespace qel::shots
