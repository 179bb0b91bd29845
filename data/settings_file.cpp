#include "data/settings_file.h"

#include "platform/os/cp1251.h"
#include "platform/os/errors.h"
#include "platform/os/system_info.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <filesystem>
#include <system_error>

namespace qel {
namespace {

// Layout: account 0..19, password 20..39, their lengths at 40 and 41, server 42..61,
// catalogue 62..81, their lengths at 82 and 83.
constexpr int kAccount = 0, kPassword = 20, kAccountLen = 40, kPasswordLen = 41;
constexpr int kServer = 42, kCatalog = 62, kServerLen = 82, kCatalogLen = 83;

QString slotText(const QByteArray& bytes, int offset, int lengthOffset)
{
    int n = static_cast<unsigned char>(bytes[lengthOffset]);
    if (n > kSettingsSlotSize)
        n = kSettingsSlotSize;
    return decodeShifted(bytes.mid(offset, n));
}

void putSlot(QByteArray& bytes, int offset, int lengthOffset, const QString& text, const char* what)
{
    bool ok = true;
    QByteArray raw = os::toCp1251(text, &ok);
    if (!ok)
        throw Error(QStringLiteral("The %1 holds a character that Windows-1251 cannot store: \"%2\"")
                        .arg(QLatin1String(what), os::firstNonCp1251(text)));
    if (raw.size() > kSettingsSlotSize)
        throw Error(QStringLiteral("The %1 is %2 bytes long; the settings file holds at most %3.")
                        .arg(QLatin1String(what)).arg(raw.size()).arg(kSettingsSlotSize));
    const QByteArray enc = encodeShifted(text);
    for (int i = 0; i < enc.size(); ++i)
        bytes[offset + i] = enc[i];
    bytes[lengthOffset] = static_cast<char>(enc.size());
}

} // namespace

QString decodeShifted(const QByteArray& stored)
{
    QByteArray real(stored);
    for (char& c : real)
        c = static_cast<char>(static_cast<unsigned char>(c) + 1);
    return os::fromCp1251(real);
}

QByteArray encodeShifted(const QString& text)
{
    QByteArray bytes = os::toCp1251(text);
    for (char& c : bytes)
        c = static_cast<char>(static_cast<unsigned char>(c) - 1);
    return bytes;
}

QString decodeShiftedText(const QString& storedText) { return decodeShifted(os::toCp1251(storedText)); }

QStringList settingsFileCandidates()
{
    const QString name = QStringLiteral("/QEL");
    const QString env = qEnvironmentVariable("QEL_DATA_DIR");
    if (!env.isEmpty())
        return {QDir::cleanPath(env) + name};
    QStringList out;
    for (const QString& dir : {os::executableDir() + QStringLiteral("/Data"), os::userDataDir(), os::systemSettingsDir()})
        if (!out.contains(dir + name))
            out << dir + name;
    return out;
}

QString settingsFilePath()
{
    const QStringList candidates = settingsFileCandidates();
    for (const QString& path : candidates)
        if (QFileInfo::exists(path))
            return path;
    return candidates.first();
}

TFirstConnectInfo decodeSettings(const QByteArray& bytes)
{
    Q_ASSERT(bytes.size() >= kSettingsFileSize);
    TFirstConnectInfo info;
    info.account = slotText(bytes, kAccount, kAccountLen);
    info.password = slotText(bytes, kPassword, kPasswordLen);
    info.server = slotText(bytes, kServer, kServerLen);
    info.catalog = slotText(bytes, kCatalog, kCatalogLen);
    return info;
}

TFirstConnectInfo readSettingsFile(const QString& path)
{
    const QString shown = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    QFile file(path);
    if (!file.exists())
        throw IoError(QStringLiteral("Файл настроек \"%1\" не найден.").arg(shown));
    // A named pipe or a device would keep the reader waiting: only a regular file is read.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::path(path.toStdString()), ec))
        throw IoError(QStringLiteral("Файл настроек \"%1\" не является обычным файлом.").arg(shown));
    if (!file.open(QIODevice::ReadOnly))
        throw IoError(QStringLiteral("Файл настроек \"%1\" не удалось открыть: %2").arg(shown, file.errorString()));
    const QByteArray bytes = file.read(kSettingsFileSize);
    if (bytes.size() < kSettingsFileSize)
        throw IoError(QStringLiteral("Файл настроек \"%1\" повреждён: в нём %2 байт, а нужно %3.")
                          .arg(shown).arg(bytes.size()).arg(kSettingsFileSize));
    return decodeSettings(bytes);
}

QByteArray encodeSettings(const TFirstConnectInfo& info)
{
    QByteArray bytes(kSettingsFileSize, '\0');
    putSlot(bytes, kAccount, kAccountLen, info.account, "account name");
    putSlot(bytes, kPassword, kPasswordLen, info.password, "password");
    putSlot(bytes, kServer, kServerLen, info.server, "server");
    putSlot(bytes, kCatalog, kCatalogLen, info.catalog, "catalogue");
    return bytes;
}

void writeSettingsFile(const QString& path, const TFirstConnectInfo& info)
{
    const QByteArray bytes = encodeSettings(info);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw IoError(QStringLiteral("Cannot write the settings file \"%1\": %2").arg(path, file.errorString()));
}

QString connectionString(const TFirstConnectInfo& info)
{
    return QStringLiteral("Provider=SQLOLEDB.1;Password=") + info.password
         + QStringLiteral(";Persist Security Info=True;User ID=") + info.account
         + QStringLiteral(";Initial Catalog=") + info.catalog
         + QStringLiteral(";Data Source=") + info.server
         + QStringLiteral(";Use Procedure for Prepare=1;Auto Translate=True;")
         + QStringLiteral("Packet Size=4096;Use Encryption for Data=False;")
         + QStringLiteral("Tag with column collation when possible=False");
}

} // namespace qel
