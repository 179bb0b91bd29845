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

QString chooseDataDir(const QString& envDir, const QString& exeDir, const QString& userDir)
{
    if (!envDir.isEmpty())
        return QDir::cleanPath(envDir);
    const QString beside = exeDir + QStringLiteral("/Data");
    const bool installed = exeDir == QLatin1String("/usr") || exeDir.startsWith(QLatin1String("/usr/"));
    if (!installed) {
        const QFileInfo data(beside);
        if (data.exists() ? data.isDir() && data.isWritable() : QFileInfo(exeDir).isWritable())
            return beside;
    }
    return userDir;
}

QString userDataDir()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/qel13"));
}

QString systemSettingsDir() { return QStringLiteral("/etc/qel13"); }

QString dataDir() { return chooseDataDir(qEnvironmentVariable("QEL_DATA_DIR"), executableDir(), userDataDir()); }

QLocale uiLocale()
{
    QLocale sys = QLocale::system();
    if (sys.language() == QLocale::C)
        return QLocale(QLocale::Russian, QLocale::Russia);
    return sys;
}

} // namespace qel::os
