#include "data/settings_file.h"
#include "platform/os/cp1251.h"
#include "platform/os/errors.h"
#include "platform/os/system_info.h"
#include "tests/support/modal.h"

#include <QFile>
#include <gtest/gtest.h>

#include <future>
#include <sys/stat.h>

using namespace qel;

namespace {

QByteArray layout(const QByteArray& acc, const QByteArray& pw, const QByteArray& srv, const QByteArray& cat,
                  int accLen, int pwLen, int srvLen, int catLen)
{
    QByteArray b(84, '\x07');
    b.replace(0, acc.size(), acc);
    b.replace(20, pw.size(), pw);
    b.replace(42, srv.size(), srv);
    b.replace(62, cat.size(), cat);
    b[40] = char(accLen);
    b[41] = char(pwLen);
    b[82] = char(srvLen);
    b[83] = char(catLen);
    return b;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(SettingsFile, DecodesEachByteByAddingOne)
{
    // "sa" stored as "r`", "pw" as "ov", "srv" as "rqu", "QEL" as "PDK".
    const auto info = decodeSettings(layout("r`", "ov", "rqu", "PDK", 2, 2, 3, 3));
    EXPECT_EQ(info.account, QStringLiteral("sa"));
    EXPECT_EQ(info.password, QStringLiteral("pw"));
    EXPECT_EQ(info.server, QStringLiteral("srv"));
    EXPECT_EQ(info.catalog, QStringLiteral("QEL"));
}

TEST(SettingsFile, LengthRulesAndByteWrap)
{
    // Length 0 gives empty texts; a length above 20 takes the whole slot; 0xFF decodes to 0x00.
    const auto empty = decodeSettings(layout("abc", "abc", "abc", "abc", 0, 0, 0, 0));
    EXPECT_TRUE(empty.account.isEmpty());
    EXPECT_TRUE(empty.password.isEmpty());
    EXPECT_TRUE(empty.server.isEmpty());
    EXPECT_TRUE(empty.catalog.isEmpty());

    const auto whole = decodeSettings(layout(QByteArray(20, '`'), "", "", "", 200, 0, 0, 0));
    EXPECT_EQ(whole.account, QString(20, QLatin1Char('a')));

    const auto wrap = decodeSettings(layout("\xFF", "", "", "", 1, 0, 0, 0));
    EXPECT_EQ(wrap.account, QString(QChar(0)));
    EXPECT_EQ(decodeShifted(QByteArray("\xDF")), QStringLiteral("а")); // 0xE0 is Cyrillic а
}

TEST(SettingsFile, EncodeDecodeRoundTripThroughAFile)
{
    const QString dir = test::freshTempDir(QStringLiteral("settings-roundtrip"));
    const TFirstConnectInfo info{QStringLiteral("qel_start"), QStringLiteral("пароль1"), QStringLiteral("QEL"),
                                 QStringLiteral("db.example.org\\SQL")};
    writeSettingsFile(dir + QStringLiteral("/QEL"), info);
    QFile f(dir + QStringLiteral("/QEL"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.size(), 84);
    const auto back = readSettingsFile(dir + QStringLiteral("/QEL"));
    EXPECT_EQ(back.account, info.account);
    EXPECT_EQ(back.password, info.password);
    EXPECT_EQ(back.catalog, info.catalog);
    EXPECT_EQ(back.server, info.server);
}

TEST(SettingsFile, RefusesTextsLongerThanTwentyBytes)
{
    TFirstConnectInfo info{QString(20, QLatin1Char('x')), {}, {}, {}};
    EXPECT_NO_THROW(encodeSettings(info));
    info.account += QLatin1Char('x');
    EXPECT_THROW(encodeSettings(info), Error);
    info = {{}, {}, {}, QStringLiteral("Ω")};
    EXPECT_THROW(encodeSettings(info), Error);
}

TEST(SettingsFile, MissingOrShortFileNamesTheFile)
{
    const QString dir = test::freshTempDir(QStringLiteral("settings-errors"));
    const QString path = dir + QStringLiteral("/QEL");
    try {
        readSettingsFile(path);
        FAIL() << "no error for a missing file";
    } catch (const IoError& e) {
        EXPECT_TRUE(e.message().contains(path)) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QStringLiteral("не найден")));
    }
    writeFile(path, QByteArray(83, 'a'));
    try {
        readSettingsFile(path);
        FAIL() << "no error for a short file";
    } catch (const IoError& e) {
        EXPECT_TRUE(e.message().contains(path));
        EXPECT_TRUE(e.message().contains(QStringLiteral("83")));
    }
    writeFile(path, layout("r`", "", "", "", 2, 0, 0, 0) + QByteArray("trailing bytes are ignored"));
    EXPECT_EQ(readSettingsFile(path).account, QStringLiteral("sa"));
}

TEST(SettingsFile, ANamedPipeIsRefusedWithoutWaiting)
{
    const QString path = test::freshTempDir(QStringLiteral("settings-pipe")) + QStringLiteral("/QEL");
    ASSERT_EQ(mkfifo(path.toUtf8().constData(), 0600), 0);
    // reading a pipe would wait for a writer that never comes
    auto refused = std::async(std::launch::async, [&] {
        try {
            readSettingsFile(path);
        } catch (const IoError& e) {
            return e.message();
        }
        return QString();
    });
    ASSERT_EQ(refused.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    const QString message = refused.get();
    EXPECT_TRUE(message.contains(QStringLiteral("не является обычным файлом"))) << message.toStdString();
    EXPECT_TRUE(message.contains(path));
}

TEST(SettingsFile, ConnectionStringIsComposedExactly)
{
    const TFirstConnectInfo info{QStringLiteral("acc"), QStringLiteral("pw"), QStringLiteral("QEL"), QStringLiteral("srv")};
    EXPECT_EQ(connectionString(info),
              QStringLiteral("Provider=SQLOLEDB.1;Password=pw;Persist Security Info=True;User ID=acc;"
                             "Initial Catalog=QEL;Data Source=srv;Use Procedure for Prepare=1;Auto Translate=True;"
                             "Packet Size=4096;Use Encryption for Data=False;Tag with column collation when possible=False"));
}

TEST(SettingsFile, ShiftedTextOfTheServerAnswer)
{
    EXPECT_EQ(decodeShiftedText(QStringLiteral("pdk^trdq")), QStringLiteral("qel_user"));
    EXPECT_EQ(decodeShiftedText(os::fromCp1251(encodeShifted(QStringLiteral("Пароль")))), QStringLiteral("Пароль"));
}

// Without $QEL_DATA_DIR the settings file is looked for beside the program, then in the
// user's data folder, then in the folder the package installs for the whole machine.
TEST(SettingsFile, LookedForBesideTheProgramThenTheUsersThenTheMachinesFolder)
{
    const QByteArray savedData = qgetenv("QEL_DATA_DIR"), savedXdg = qgetenv("XDG_DATA_HOME");
    const QString xdg = test::freshTempDir(QStringLiteral("settings-xdg"));
    qunsetenv("QEL_DATA_DIR");
    qputenv("XDG_DATA_HOME", xdg.toLocal8Bit());
    const QStringList candidates = settingsFileCandidates();
    EXPECT_EQ(candidates, QStringList({os::executableDir() + QStringLiteral("/Data/QEL"), xdg + QStringLiteral("/qel13/QEL"),
                                       QStringLiteral("/etc/qel13/QEL")}));
    qputenv("QEL_DATA_DIR", xdg.toLocal8Bit());
    EXPECT_EQ(settingsFileCandidates(), QStringList({xdg + QStringLiteral("/QEL")}));
    EXPECT_EQ(settingsFilePath(), xdg + QStringLiteral("/QEL"));   // named even while missing
    qputenv("QEL_DATA_DIR", savedData);
    if (savedData.isEmpty())
        qunsetenv("QEL_DATA_DIR");
    qputenv("XDG_DATA_HOME", savedXdg);
    if (savedXdg.isEmpty())
        qunsetenv("XDG_DATA_HOME");
}
