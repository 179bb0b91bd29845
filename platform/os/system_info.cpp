// Machine and program facts, read through Qt where it has them and from /proc otherwise.
#include "platform/os/system_info.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QSysInfo>

namespace qel::os {

QString computerName(int maxChars)
{
    QString name = QSysInfo::machineHostName();
    if (name.isEmpty())
        name = qEnvironmentVariable("HOSTNAME");
    return name.left(maxChars);
}

QString localIpv4()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        if (!(iface.flags() & QNetworkInterface::IsUp) || (iface.flags() & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : iface.addressEntries()) {
            const QHostAddress ip = entry.ip();
            if (ip.protocol() == QAbstractSocket::IPv4Protocol && !ip.isLoopback())
                return ip.toString();
        }
    }
    return QStringLiteral("127.0.0.1");
}

QString executableDir()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

QString dataDir()
{
    const QString env = qEnvironmentVariable("QEL_DATA_DIR");
    if (!env.isEmpty())
        return QDir::cleanPath(env);
    return executableDir() + QStringLiteral("/Data");
}

QLocale uiLocale()
{
    QLocale sys = QLocale::system();
    if (sys.language() == QLocale::C)
        return QLocale(QLocale::Russian, QLocale::Russia);
    return sys;
}

} // namespace qel::os
