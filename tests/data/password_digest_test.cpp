#include "data/password_digest.h"
#include "platform/os/cp1251.h"

#include <QCryptographicHash>
#include <gtest/gtest.h>

using qel::md5Hex;
using qel::passwordDigest;

TEST(PasswordDigest, Rfc1321TestSuiteInUpperCase)
{
    struct Case { const char* text; const char* digest; };
    const Case suite[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    for (const auto& c : suite)
        EXPECT_EQ(passwordDigest(QString::fromLatin1(c.text)), QString::fromLatin1(c.digest)) << c.text;
}

TEST(PasswordDigest, PaddingBoundariesAgreeWithQtsMd5)
{
    for (int n : {55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129, 1000}) {
        QByteArray bytes;
        for (int i = 0; i < n; ++i)
            bytes.append(static_cast<char>((i * 37 + 11) & 0xFF));
        const QString expected = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().toUpper());
        EXPECT_EQ(md5Hex(bytes), expected) << n << " bytes";
    }
}

TEST(PasswordDigest, UpdateInPiecesEqualsOneUpdate)
{
    const QByteArray text(200, 'x');
    qel::Md5 md5;
    md5.update(text.left(3));
    md5.update(text.mid(3, 70));
    md5.update(text.mid(73));
    const auto d = md5.finish();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(d.data()), 16).toHex().toUpper(),
              md5Hex(text).toLatin1());
}

TEST(PasswordDigest, CyrillicIsDigestedAsItsSingleWindows1251Bytes)
{
    const QString text = QStringLiteral("пароль");
    const QByteArray cp = qel::os::toCp1251(text);
    ASSERT_EQ(cp.size(), 6);
    EXPECT_EQ(passwordDigest(text),
              QString::fromLatin1(QCryptographicHash::hash(cp, QCryptographicHash::Md5).toHex().toUpper()));
    EXPECT_NE(passwordDigest(text),
              QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex().toUpper()));
}

TEST(PasswordDigest, AlwaysThirtyTwoUpperCaseDigitsWithLeadingZeros)
{
    // MD5("jk8ssl") is 00000000 18e6137a c2caab16 074784a6: leading zero halves are kept.
    EXPECT_EQ(passwordDigest(QStringLiteral("jk8ssl")), QStringLiteral("0000000018E6137AC2CAAB16074784A6"));
    for (const char* t : {"", "a", "demo2026"}) {
        const QString d = passwordDigest(QString::fromLatin1(t));
        EXPECT_EQ(d.size(), 32);
        EXPECT_EQ(d, d.toUpper());
    }
}
