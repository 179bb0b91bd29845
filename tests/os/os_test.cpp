#include "platform/os/build_stamp.h"
#include "platform/os/clipboard.h"
#include "platform/os/cp1251.h"
#include "platform/os/system_info.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHostAddress>
#include <QMimeData>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qel::os;

TEST(Cp1251, RoundTripsEveryAssignedByte)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        if (b != 0x98)
            all.append(static_cast<char>(b));
    bool ok = false;
    EXPECT_EQ(toCp1251(fromCp1251(all), &ok), all);
    EXPECT_TRUE(ok);
}

TEST(Cp1251, KnownCharacters)
{
    struct Case { QString text; QByteArray bytes; };
    const Case cases[] = {
        {QStringLiteral("Аа"), QByteArray("\xC0\xE0")},
        {QStringLiteral("Яя"), QByteArray("\xDF\xFF")},
        {QStringLiteral("Ёё"), QByteArray("\xA8\xB8")},
        {QStringLiteral("№"), QByteArray("\xB9")},
        {QStringLiteral("€"), QByteArray("\x88")},
        {QStringLiteral("Курc/пр"), QByteArray("\xCA\xF3\xF0" "c/\xEF\xF0")}, // Latin c stays 0x63
    };
    for (const auto& c : cases) {
        EXPECT_EQ(toCp1251(c.text), c.bytes) << c.text.toStdString();
        EXPECT_EQ(fromCp1251(c.bytes), c.text);
    }
}

TEST(Cp1251, RefusesCharactersOutsideTheCodePage)
{
    bool ok = true;
    EXPECT_EQ(toCp1251(QStringLiteral("a\u4E2Db"), &ok), QByteArray("a?b"));
    EXPECT_FALSE(ok);
    EXPECT_FALSE(fitsCp1251(QStringLiteral("Ω")));
    EXPECT_EQ(firstNonCp1251(QStringLiteral("abcΩd")), QChar(0x03A9));
    EXPECT_TRUE(fitsCp1251(QStringLiteral("Привет, world")));
}

TEST(Cp1251, NewPasswordsHoldOnlyItsCharacters)
{
    EXPECT_EQ(charactersRefusal(QStringLiteral("Пароль №1 «ё» — ok!"), QStringLiteral("Пароль")), QString());
    EXPECT_EQ(charactersRefusal(QString(), QStringLiteral("Пароль")), QString());
    // "中文" and "??" would have one digest: each character outside is named once
    const QString refusal = charactersRefusal(QStringLiteral("中文x中Ωy😀"), QStringLiteral("Пароль"));
    EXPECT_TRUE(refusal.startsWith(QStringLiteral("Пароль содержит недопустимые символы: 中文Ω😀\n"))) << refusal.toStdString();
    EXPECT_TRUE(refusal.contains(QStringLiteral("Windows-1251")));
}

TEST(Cp1251, TellsItsOwnBytesFromOtherEncodings)
{
    const struct {
        QByteArray bytes;
        bool plausible;
    } cases[] = {
        {toCp1251(QStringLiteral("Авдеев Илья, 21-01")), true},
        {toCp1251(QStringLiteral("ЁЖИК «ёжик» №5")), true},
        {QByteArray("plain ascii"), true},
        {QStringLiteral("Авдеев Илья").toUtf8(), false},   // UTF-8
        {QByteArray("a\x98" "b"), false},                   // a byte without a character
    };
    for (const auto& c : cases)
        EXPECT_EQ(plausibleCp1251(c.bytes), c.plausible) << c.bytes.toHex().toStdString();
}

TEST(SystemInfo, ComputerNameIsCutTo100Characters)
{
    EXPECT_LE(computerName().size(), 100);
    EXPECT_EQ(computerName(3).size(), qMin(3, computerName().size()));
}

TEST(SystemInfo, LocalIpv4IsDottedAndNotLoopbackUnlessThereIsNoOther)
{
    const QString ip = localIpv4();
    QHostAddress addr;
    ASSERT_TRUE(addr.setAddress(ip)) << ip.toStdString();
    EXPECT_EQ(addr.protocol(), QAbstractSocket::IPv4Protocol);
    EXPECT_EQ(ip.count(QLatin1Char('.')), 3);
}

TEST(SystemInfo, DataDirFollowsTheEnvironment)
{
    const QByteArray saved = qgetenv("QEL_DATA_DIR");
    qputenv("QEL_DATA_DIR", "/tmp/some//where/");
    EXPECT_EQ(dataDir(), QStringLiteral("/tmp/some/where"));
    qunsetenv("QEL_DATA_DIR");
    EXPECT_EQ(dataDir(), executableDir() + QStringLiteral("/Data"));
    if (!saved.isEmpty())
        qputenv("QEL_DATA_DIR", saved);
}

// Where the embedded database lives: the variable first, then Data beside a program that may
// write there, then the user's own folder (an installed program under /usr never writes
// beside itself, even as root).
TEST(SystemInfo, DataDirRule)
{
    QTemporaryDir root;
    const QString portable = root.path() + QStringLiteral("/portable");
    const QString withData = root.path() + QStringLiteral("/with-data");
    const QString readOnly = root.path() + QStringLiteral("/read-only");
    QDir().mkpath(portable);
    QDir().mkpath(withData + QStringLiteral("/Data"));
    QDir().mkpath(readOnly);
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const bool readOnlyHolds = !QFileInfo(readOnly).isWritable();   // root writes anywhere
    const QString user = QStringLiteral("/home/u/.local/share/qel13");
    const struct {
        QString env, exe, expected;
        bool skip;
    } cases[] = {
        {QStringLiteral("/tmp/some//where/"), portable, QStringLiteral("/tmp/some/where"), false},
        {QString(), portable, portable + QStringLiteral("/Data"), false},
        {QString(), withData, withData + QStringLiteral("/Data"), false},
        {QString(), readOnly, user, !readOnlyHolds},
        {QString(), QStringLiteral("/usr/bin"), user, false},
    };
    for (const auto& c : cases) {
        if (c.skip)
            continue;
        EXPECT_EQ(chooseDataDir(c.env, c.exe, user), c.expected) << c.exe.toStdString();
    }
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "/var/tmp/xdg");
    EXPECT_EQ(userDataDir(), QStringLiteral("/var/tmp/xdg/qel13"));
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(userDataDir(), QDir::homePath() + QStringLiteral("/.local/share/qel13"));
    if (!saved.isEmpty())
        qputenv("XDG_DATA_HOME", saved);
}

TEST(BuildStamp, ShortDateAndLongTimeWithMidnightLeftOut)
{
    const QLocale ru(QLocale::Russian, QLocale::Russia);
    EXPECT_EQ(buildStampText(QDateTime(QDate(2025, 3, 14), QTime(10, 20, 30)), ru), QStringLiteral("14.03.2025 10:20:30"));
    EXPECT_EQ(buildStampText(QDateTime(QDate(2025, 3, 14), QTime(0, 0)), ru), QStringLiteral("14.03.2025"));
    EXPECT_EQ(buildStampText(QDateTime(QDate(2025, 3, 14), QTime(0, 0, 2)), ru), QStringLiteral("14.03.2025 00:00:02"));
}

TEST(BuildStamp, HasTheTwoSecondResolutionOfADosTime)
{
    EXPECT_EQ(buildTime().time().second() % 2, 0);
    EXPECT_EQ(buildTime().toSecsSinceEpoch() / 2, qel_build_epoch / 2);
}

TEST(Clipboard, PrivateFormatRoundTripAndIsolation)
{
    const unsigned fmt = registerClipboardFormat(QStringLiteral("Data Base Edit Data"));
    EXPECT_EQ(registerClipboardFormat(QStringLiteral("Data Base Edit Data")), fmt);
    EXPECT_NE(registerClipboardFormat(QStringLiteral("Other")), fmt);

    const QByteArray bytes("A1\x01" "B1\x01\x02", 7);
    writeClipboard(fmt, bytes);
    auto read = readClipboard(fmt);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, bytes);
    // Offered under the format's own name only: no plain text.
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->formats(), QStringList{QStringLiteral("Data Base Edit Data")});
    EXPECT_EQ(clipboardFormatName(fmt), QStringLiteral("Data Base Edit Data"));

    writeClipboardText(QStringLiteral("plain"));
    EXPECT_FALSE(readClipboard(fmt).has_value());
    EXPECT_FALSE(readClipboard(12345).has_value());
}
