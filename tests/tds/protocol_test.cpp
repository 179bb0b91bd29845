// The pieces of the network front-end on their own: reassembling packets, the values of
// every type as they travel, PRELOGIN and LOGIN7, the parameters of sp_executesql, and
// the numbers given to the server's errors.
#include "server/tds/error_numbers.h"
#include "server/tds/login7.h"
#include "server/tds/packet_reader.h"
#include "server/tds/prelogin.h"
#include "server/tds/protocol.h"
#include "server/tds/statement_parameters.h"
#include "server/tds/text_codec.h"
#include "server/tds/type_info.h"
#include "tests/tds/raw_client.h"

#include <QDateTime>
#include <gtest/gtest.h>

using namespace qel;
using namespace qel::server::tds;

namespace {

using test::tdsPacket;

TEST(TdsPackets, MessagesAreReassembledFromPacketsHoweverTheBytesArrive)
{
    const QByteArray stream = tdsPacket(PacketSqlBatch, 0, "abc") + tdsPacket(PacketSqlBatch, StatusEom, "def")
        + tdsPacket(PacketRpc, StatusEom | StatusResetConnection, "xyz")
        // A request the client cancelled while sending: skipped.
        + tdsPacket(PacketSqlBatch, 0, "dropped") + tdsPacket(PacketSqlBatch, StatusEom | StatusIgnore, "!")
        + tdsPacket(PacketAttention, StatusEom, {});
    for (int slice : {1, 3, 8, 11, 1000}) {
        PacketReader reader(1 << 20);
        QList<Message> messages;
        for (qsizetype at = 0; at < stream.size(); at += slice) {
            reader.feed(stream.constData() + at, std::min<qsizetype>(slice, stream.size() - at));
            while (auto m = reader.next())
                messages << *m;
        }
        ASSERT_EQ(messages.size(), 3) << slice;
        EXPECT_EQ(messages[0].type, PacketSqlBatch);
        EXPECT_EQ(messages[0].payload, QByteArray("abcdef"));
        EXPECT_FALSE(messages[0].resetConnection);
        EXPECT_EQ(messages[1].payload, QByteArray("xyz"));
        EXPECT_TRUE(messages[1].resetConnection);
        EXPECT_EQ(messages[2].type, PacketAttention);
        EXPECT_FALSE(reader.hasPendingBytes());
    }
}

TEST(TdsPackets, WhatNoClientSendsIsRefused)
{
    const struct {
        const char* what;
        QByteArray bytes;
        int packetSize;
        qsizetype maxMessage;
    } cases[] = {
        {"an unknown type", tdsPacket(0x42, StatusEom, "x"), 0, 1024},
        {"a length below the header", tdsPacket(PacketSqlBatch, StatusEom, {}, 7), 0, 1024},
        {"a type change inside a message", tdsPacket(PacketSqlBatch, 0, "a") + tdsPacket(PacketRpc, StatusEom, "b"), 0, 1024},
        {"a packet above the packet size", tdsPacket(PacketSqlBatch, StatusEom, QByteArray(600, 'x')), 512, 1 << 20},
        {"a message above the limit", tdsPacket(PacketSqlBatch, 0, QByteArray(600, 'x')) + tdsPacket(PacketSqlBatch, StatusEom, QByteArray(600, 'x')), 0, 1000},
    };
    for (const auto& c : cases) {
        PacketReader reader(c.maxMessage);
        reader.setPacketSize(c.packetSize);
        reader.feed(c.bytes.constData(), c.bytes.size());
        EXPECT_THROW(while (reader.next()) {}, ProtocolError) << c.what;
    }
    // A message cut short is simply not complete yet.
    PacketReader reader(1024);
    const QByteArray cut = tdsPacket(PacketSqlBatch, StatusEom, "abcdef").left(10);
    reader.feed(cut.constData(), cut.size());
    EXPECT_FALSE(reader.next().has_value());
    EXPECT_TRUE(reader.hasPendingBytes());
}

// A value written as a result column comes back the same when read as a parameter.
QVariant roundTrip(wire::ColumnType type, const QVariant& value, OutType* chosen = nullptr)
{
    const OutType t = outTypeForValue(type, value);
    if (chosen)
        *chosen = t;
    ByteWriter w;
    writeTypeInfo(w, t);
    writeValue(w, t, value);
    ByteReader r(w.bytes());
    const TypeInfo info = readTypeInfo(r);
    const QVariant back = readValue(r, info);
    EXPECT_TRUE(r.atEnd());
    return back;
}

TEST(TdsValues, EveryTypeTravelsAndComesBack)
{
    using C = wire::ColumnType;
    const QByteArray photo(20000, 'p');
    const struct {
        C type;
        QVariant value;
        uint8_t wireType;
    } cases[] = {
        {C::Int, 42, TypeIntN},
        {C::Int, -2147483647 - 1, TypeIntN},
        {C::BigInt, qint64(1) << 40, TypeIntN},
        {C::SmallInt, 7, TypeIntN},
        {C::Bit, true, TypeBitN},
        {C::Float, 12.25, TypeFltN},
        {C::VarChar, QStringLiteral("Ёлка «ж»"), TypeBigVarChar},
        {C::NVarChar, QStringLiteral("中文 и ё"), TypeNVarChar},
        {C::DateTime, QDateTime(QDate(2026, 1, 31), QTime(10, 30, 15, 997)), TypeDateTimeN},
        {C::Date, QDate(2025, 12, 31), TypeDateN},
        {C::Time, QTime(23, 59, 59, 999), TypeTimeN},
        {C::VarBinary, photo, TypeBigVarBinary},
        {C::VarChar, QString(9000, QLatin1Char('a')), TypeBigVarChar},
        {C::Int, QVariant(), TypeIntN},
        {C::VarBinary, QVariant(), TypeBigVarBinary},
    };
    for (const auto& c : cases) {
        OutType t;
        const QVariant back = roundTrip(c.type, c.value, &t);
        EXPECT_EQ(t.type, c.wireType) << c.value.toString().left(20).toStdString();
        EXPECT_EQ(back, c.value) << c.value.toString().left(20).toStdString();
    }
}

TEST(TdsValues, ColumnsWidenToHoldTheirValues)
{
    using C = wire::ColumnType;
    const struct {
        C declared;
        int size;
        QList<QVariant> values;
        uint8_t wireType;
        uint32_t maxLength;
    } cases[] = {
        {C::Int, 0, {1, 7.5}, TypeFltN, 8},                       // a fraction in an int column
        {C::Int, 0, {1, qint64(5000000000)}, TypeIntN, 8},        // beyond 32 bits
        {C::Bit, 0, {true, 2}, TypeIntN, 4},                      // not a bit value
        {C::Int, 0, {1, QStringLiteral("x")}, TypeNVarChar, 2},   // a text in an int column
        {C::VarChar, 5, {QStringLiteral("1234567")}, TypeBigVarChar, 7},
        {C::NVarChar, 10, {QStringLiteral("ab")}, TypeNVarChar, 20},
        {C::Unknown, 0, {QVariant(), QVariant()}, TypeIntN, 4},   // NULLs only: an int
        {C::Unknown, 0, {QVariant(), QStringLiteral("abc")}, TypeNVarChar, 6},
        {C::Date, 0, {QDate(2026, 1, 1), QDateTime(QDate(2026, 1, 1), QTime(1, 0))}, TypeDateTimeN, 8},
        {C::DateTime, 0, {QDateTime(QDate(1500, 1, 1), QTime(0, 0))}, TypeDateTime2N, 8},
        {C::VarBinary, 0, {QByteArray("a")}, TypeBigVarBinary, kMaxLengthPlp},   // image: (max)
    };
    for (const auto& c : cases) {
        wire::Column column;
        column.type = c.declared;
        column.size = c.size;
        QList<wire::Row> rows;
        for (const QVariant& v : c.values)
            rows << wire::Row{v};
        const OutType t = chooseOutType(column, rows, 0);
        EXPECT_EQ(t.type, c.wireType) << int(c.declared) << " " << c.values.last().toString().toStdString();
        EXPECT_EQ(t.maxLength, c.maxLength) << int(c.declared) << " " << c.values.last().toString().toStdString();
    }
}

TEST(TdsValues, DatetimeKeepsThreeHundredthsOfASecond)
{
    // 1/300 s ticks: .997 stays, .999 becomes the next second, the last moment of a day
    // becomes the next day.
    const struct {
        QDateTime in;
        QDateTime out;
    } cases[] = {
        {QDateTime(QDate(2026, 3, 1), QTime(12, 0, 0, 997)), QDateTime(QDate(2026, 3, 1), QTime(12, 0, 0, 997))},
        {QDateTime(QDate(2026, 3, 1), QTime(12, 0, 0, 999)), QDateTime(QDate(2026, 3, 1), QTime(12, 0, 1, 0))},
        {QDateTime(QDate(2026, 2, 28), QTime(23, 59, 59, 999)), QDateTime(QDate(2026, 3, 1), QTime(0, 0))},
        {QDateTime(QDate(1753, 1, 1), QTime(0, 0)), QDateTime(QDate(1753, 1, 1), QTime(0, 0))},
    };
    for (const auto& c : cases)
        EXPECT_EQ(roundTrip(wire::ColumnType::DateTime, c.in).toDateTime(), c.out) << c.in.toString().toStdString();
}

TEST(TdsValues, ParametersOfTypesTheServerNeverSendsAreRead)
{
    // decimal(10,2) 1234.56, money 12.3456, smalldatetime, datetimeoffset, varchar in
    // a Latin collation, (max) text in chunks, and the fixed-length types.
    const struct {
        const char* hex;
        QVariant value;
    } cases[] = {
        {"6a050a0205" "01" "40e20100", 1234.56},
        {"6a050a0205" "00" "40e20100", -1234.56},
        {"6e08" "08" "0000000040e20100", 12.3456},
        {"6f04" "04" "31b53c00", QDateTime(QDate(2026, 12, 31), QTime(1, 0))},
        {"2b07" "0a" "0000000000" "20490b" "b400", QDateTime(QDate(2026, 1, 1), QTime(3, 0))},
        {"a70500" "0904d00000" "0300" "e9e8e9", QStringLiteral("éèé")},
        {"e7ffff" "1904d00000" "feffffffffffffff" "02000000" "1604" "02000000" "3104" "00000000", QStringLiteral("Жб")},
        {"2604" "00", QVariant()},
        // Fixed-length types: int, tinyint, money, smalldatetime.
        {"38" "d6ffffff", -42},
        {"30" "ff", 255},
        {"3c" "0000000040e20100", 12.3456},
        {"3a" "31b53c00", QDateTime(QDate(2026, 12, 31), QTime(1, 0))},
    };
    for (const auto& c : cases) {
        const QByteArray bytes = QByteArray::fromHex(c.hex);
        ByteReader r(bytes);
        const TypeInfo t = readTypeInfo(r);
        const QVariant v = readValue(r, t);
        if (c.value.typeId() == QMetaType::Double)
            EXPECT_NEAR(v.toDouble(), c.value.toDouble(), 1e-9) << c.hex;
        else
            EXPECT_EQ(v, c.value) << c.hex;
        EXPECT_TRUE(r.atEnd()) << c.hex;
    }
    // Values that claim more than the message holds.
    for (const char* hex : {"a70500" "1904d00000" "0a00" "41", "e7ffff" "1904d00000" "0a00000000000000" "0a000000" "41",
                            "2604" "08" "01", "2a07" "03" "0000", "ab"}) {
        const QByteArray bytes = QByteArray::fromHex(hex);
        ByteReader r(bytes);
        EXPECT_THROW(readValue(r, readTypeInfo(r)), ProtocolError) << hex;
    }
}

TEST(TdsText, Windows1251BothWays)
{
    const QString text = QStringLiteral("Ёжик ещё «№5» €");
    EXPECT_EQ(decodeCodePage(encodeCodePage(text, 1251), 1251), text);
    EXPECT_EQ(encodeCodePage(QStringLiteral("中😀a"), 1251), QByteArray("??a"));
    EXPECT_EQ(codePageOfCollation(reinterpret_cast<const char*>(kCollation)), 1251);
}

TEST(TdsLogin, PreloginAndLogin7AreRead)
{
    const PreLoginRequest pre = parsePreLogin(test::preLoginPayload(EncryptOn));
    EXPECT_EQ(pre.encryption, EncryptOn);
    const PreLoginRequest answer = parsePreLogin(buildPreLoginResponse(EncryptRequired));
    EXPECT_EQ(answer.encryption, EncryptRequired);

    const Login7 l = parseLogin7(test::login7Payload(QStringLiteral("qel_user_1"), QStringLiteral("Пароль;{x}"), QStringLiteral("QEL")));
    EXPECT_EQ(l.userName, QStringLiteral("qel_user_1"));
    EXPECT_EQ(l.password, QStringLiteral("Пароль;{x}"));
    EXPECT_EQ(l.database, QStringLiteral("QEL"));
    EXPECT_EQ(l.tdsVersion, kTdsVersion74);
    EXPECT_EQ(l.packetSize, 4096u);

    QByteArray shortRecord = test::login7Payload(QStringLiteral("u"), QStringLiteral("p"), QStringLiteral("QEL"));
    EXPECT_THROW(parseLogin7(shortRecord.left(60)), ProtocolError);
    shortRecord[0] = char(0xFF);   // a record longer than the message
    EXPECT_THROW(parseLogin7(shortRecord), ProtocolError);
}

TEST(TdsStatements, DeclaredParametersBecomePositionalMarkers)
{
    const QList<DeclaredParam> d = parseDeclarations(QStringLiteral("@P1 int,@P2 nvarchar(4000) OUTPUT, @P3 decimal(10, 2)"));
    ASSERT_EQ(d.size(), 3);
    EXPECT_EQ(d[1].name, QStringLiteral("@P2"));
    EXPECT_EQ(d[1].type, QStringLiteral("nvarchar(4000)"));
    EXPECT_TRUE(d[1].output);
    EXPECT_EQ(d[2].type, QStringLiteral("decimal(10, 2)"));
    EXPECT_THROW(parseDeclarations(QStringLiteral("P1 int")), wire::ServerError);

    QList<int> uses;
    const QString sql = positionalStatement(
        QStringLiteral("UPDATE t SET a = @P2, b = '@P1' /* @P1 */ WHERE [@P1] = @p1 AND c = @P2 AND d = @other"), d, &uses);
    EXPECT_EQ(sql, QStringLiteral("UPDATE t SET a = ?, b = '@P1' /* @P1 */ WHERE [@P1] = ? AND c = ? AND d = @other"));
    EXPECT_EQ(uses, (QList<int>{1, 0, 1}));
}

TEST(TdsErrors, NumbersAndSeverities)
{
    const struct {
        const char* text;
        int number;
        int severity;
    } cases[] = {
        {"Login failed for user 'x'.", 18456, 14},
        {"Invalid object name 'x'.", 208, 16},
        {"Incorrect syntax near 'x'.", 102, 15},
        {"Lock request time out period exceeded.", 1222, 16},
        {"Row cannot be located for updating.", 50000, 16},
        {"Неверный логин или пароль пользователя \"demo\".", 50000, 16},
    };
    for (const auto& c : cases) {
        const ServerMessage m = messageForError(QString::fromUtf8(c.text));
        EXPECT_EQ(m.number, c.number) << c.text;
        EXPECT_EQ(m.severity, c.severity) << c.text;
    }
    EXPECT_EQ(messageForError(QStringLiteral("anything"), 8179).number, 8179);
}

} // namespace
