// Reading the parameters a client sends: a TYPE_INFO and a value of each type a client
// may use, whatever the server itself sends.
#include "server/tds/type_info.h"

#include "server/tds/protocol.h"
#include "server/tds/text_codec.h"
#include "server/tds/wire_time.h"

#include <QDateTime>
#include <QUuid>
#include <cmath>

namespace qel::server::tds {

namespace {

using namespace wire_time;

uint64_t readUnsigned(ByteReader& in, int bytes)
{
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= uint64_t(in.u8()) << (8 * i);
    return v;
}

QTime timeOfUnits(uint64_t units, int scale)
{
    // Rounded to the millisecond, which is what the server keeps.
    const qint64 ms = scale >= 3 ? qint64(units / uint64_t(pow10(scale - 3))) : qint64(units) * pow10(3 - scale);
    if (ms < 0 || ms >= kMsPerDay)
        throw ProtocolError{QStringLiteral("time value out of range")};
    return QTime::fromMSecsSinceStartOfDay(int(ms));
}

QDate dateOfDays(uint64_t days)
{
    if (days > 3652058)   // 9999-12-31
        throw ProtocolError{QStringLiteral("date value out of range")};
    return kDateEpoch.addDays(qint64(days));
}

QDateTime dateTimeOf(int32_t days, uint32_t ticks)
{
    if (ticks >= 300u * 86400u)
        throw ProtocolError{QStringLiteral("datetime value out of range")};
    const qint64 ms = (qint64(ticks) * 10 + 1) / 3;   // 1/300 s, rounded to the millisecond
    return QDateTime(kDateTimeEpoch.addDays(days), QTime::fromMSecsSinceStartOfDay(int(std::min<qint64>(ms, kMsPerDay - 1))));
}

double decimalOf(ByteReader& in, int length, int scale)
{
    if (length < 1 || length > 17)
        throw ProtocolError{QStringLiteral("decimal of %1 bytes").arg(length)};
    const bool positive = in.u8() != 0;
    long double magnitude = 0;
    long double factor = 1;
    for (int i = 0; i < length - 1; ++i) {
        magnitude += factor * in.u8();
        factor *= 256;
    }
    const double v = double(magnitude / std::pow(10.0L, scale));
    return positive ? v : -v;
}

QString utf16Bytes(ByteReader& in, qsizetype bytes)
{
    if (bytes % 2)
        throw ProtocolError{QStringLiteral("UTF-16 text of an odd number of bytes")};
    return in.utf16(bytes / 2);
}

QByteArray readPlp(ByteReader& in, bool* isNull)
{
    const uint64_t total = in.u64();
    *isNull = total == kPlpNull;
    QByteArray data;
    if (*isNull)
        return data;
    if (total != kPlpUnknownLength && total > uint64_t(in.remaining()))
        throw ProtocolError{QStringLiteral("value longer than its message")};
    for (;;) {
        const uint32_t chunk = in.u32();
        if (chunk == 0)
            break;
        data.append(in.take(qsizetype(chunk)), qsizetype(chunk));
    }
    if (total != kPlpUnknownLength && uint64_t(data.size()) != total)
        throw ProtocolError{QStringLiteral("value of %1 bytes announced as %2").arg(data.size()).arg(total)};
    return data;
}

// The nullable type a fixed-length type stands for (tinyint, int ... are intn of their
// length), or 0 for any other type.
uint8_t nullableFamily(uint8_t type)
{
    switch (type) {
    case TypeInt1:
    case TypeInt2:
    case TypeInt4:
    case TypeInt8: return TypeIntN;
    case TypeBit: return TypeBitN;
    case TypeFlt4:
    case TypeFlt8: return TypeFltN;
    case TypeMoney4:
    case TypeMoney: return TypeMoneyN;
    case TypeDateTim4:
    case TypeDateTime: return TypeDateTimeN;
    default: return 0;
    }
}

// A value of intn, bitn, floatn, moneyn or datetimen of n bytes (not 0: NULL is read before).
QVariant sizedValue(ByteReader& in, uint8_t family, uint8_t n)
{
    switch (family) {
    case TypeIntN:
        switch (n) {
        case 1: return qint32(in.u8());
        case 2: return qint32(int16_t(in.u16()));
        case 4: return qint32(in.i32());
        case 8: return qint64(in.i64());
        default: throw ProtocolError{QStringLiteral("int value of %1 bytes").arg(n)};
        }
    case TypeBitN:
        if (n != 1)
            throw ProtocolError{QStringLiteral("bit value of %1 bytes").arg(n)};
        return in.u8() != 0;
    case TypeFltN:
        if (n == 4)
            return double(in.f32());
        if (n == 8)
            return in.f64();
        throw ProtocolError{QStringLiteral("float value of %1 bytes").arg(n)};
    case TypeMoneyN:
        if (n == 4)
            return in.i32() / 10000.0;
        if (n == 8) {
            const int64_t high = in.i32();
            const uint64_t low = in.u32();
            return double(int64_t((uint64_t(high) << 32) | low)) / 10000.0;
        }
        throw ProtocolError{QStringLiteral("money value of %1 bytes").arg(n)};
    default:   // TypeDateTimeN
        if (n == 4) {
            const uint16_t days = in.u16();
            const uint16_t minutes = in.u16();
            if (minutes >= 1440)
                throw ProtocolError{QStringLiteral("smalldatetime value out of range")};
            return QDateTime(kDateTimeEpoch.addDays(days), QTime(minutes / 60, minutes % 60));
        }
        if (n == 8) {
            const int32_t days = in.i32();
            return dateTimeOf(days, in.u32());
        }
        throw ProtocolError{QStringLiteral("datetime value of %1 bytes").arg(n)};
    }
}

// A text or binary value from its bytes: binaries as they are, the national types as
// UTF-16, the others in the code page of their collation.
QVariant valueOfBytes(const QByteArray& data, const TypeInfo& t)
{
    switch (t.type) {
    case TypeBigVarBinary:
    case TypeBigBinary:
    case TypeImage: return data;
    case TypeNVarChar:
    case TypeNChar:
    case TypeNText: {
        ByteReader r(data);
        return utf16Bytes(r, data.size());
    }
    default: return decodeCodePage(data, codePageOfCollation(t.collation));
    }
}

} // namespace

bool TypeInfo::isPlp() const
{
    return (type == TypeBigVarChar || type == TypeNVarChar || type == TypeBigVarBinary) && maxLength == kMaxLengthPlp;
}

TypeInfo readTypeInfo(ByteReader& in)
{
    TypeInfo t;
    t.type = in.u8();
    auto collation = [&] {
        const char* c = in.take(5);
        std::copy(c, c + 5, t.collation);
        t.hasCollation = true;
    };
    switch (t.type) {
    case TypeNull: t.maxLength = 0; break;
    case TypeInt1:
    case TypeBit: t.maxLength = 1; break;
    case TypeInt2: t.maxLength = 2; break;
    case TypeInt4:
    case TypeDateTim4:
    case TypeFlt4:
    case TypeMoney4: t.maxLength = 4; break;
    case TypeMoney:
    case TypeDateTime:
    case TypeFlt8:
    case TypeInt8: t.maxLength = 8; break;
    case TypeIntN:
    case TypeBitN:
    case TypeFltN:
    case TypeMoneyN:
    case TypeDateTimeN:
    case TypeGuid: t.maxLength = in.u8(); break;
    case TypeDecimalN:
    case TypeNumericN:
    case TypeDecimal:
    case TypeNumeric:
        t.maxLength = in.u8();
        t.precision = in.u8();
        t.scale = in.u8();
        if (t.scale > 38 || t.maxLength > 17)
            throw ProtocolError{QStringLiteral("decimal type with scale %1, length %2").arg(t.scale).arg(t.maxLength)};
        break;
    case TypeDateN: t.maxLength = 3; break;
    case TypeTimeN:
    case TypeDateTime2N:
    case TypeDateTimeOffsetN:
        t.scale = in.u8();
        if (t.scale > 7)
            throw ProtocolError{QStringLiteral("time scale %1").arg(t.scale)};
        break;
    case TypeBigVarChar:
    case TypeBigChar:
    case TypeNVarChar:
    case TypeNChar:
        t.maxLength = in.u16();
        collation();
        break;
    case TypeBigVarBinary:
    case TypeBigBinary: t.maxLength = in.u16(); break;
    case TypeText:
    case TypeNText:
        t.maxLength = in.u32();
        collation();
        break;
    case TypeImage: t.maxLength = in.u32(); break;
    default:
        throw ProtocolError{QStringLiteral("parameters of type 0x%1 are not supported").arg(t.type, 2, 16, QLatin1Char('0'))};
    }
    return t;
}

QVariant readValue(ByteReader& in, const TypeInfo& t)
{
    if (t.isPlp()) {
        bool isNull = false;
        const QByteArray data = readPlp(in, &isNull);
        return isNull ? QVariant() : valueOfBytes(data, t);
    }
    if (t.type == TypeNull)
        return {};
    // A fixed-length type reads as its nullable counterpart of that length.
    if (const uint8_t family = nullableFamily(t.type))
        return sizedValue(in, family, uint8_t(t.maxLength));

    // Types whose value starts with its own length.
    switch (t.type) {
    case TypeIntN:
    case TypeBitN:
    case TypeFltN:
    case TypeMoneyN:
    case TypeDateTimeN: {
        const uint8_t n = in.u8();
        if (n == 0)
            return {};
        return sizedValue(in, t.type, n);
    }
    case TypeGuid: {
        const uint8_t n = in.u8();
        if (n == 0)
            return {};
        if (n != 16)
            throw ProtocolError{QStringLiteral("uniqueidentifier of %1 bytes").arg(n)};
        ByteReader g(in.take(16), 16);
        const uint32_t d1 = g.u32();
        const uint16_t d2 = g.u16();
        const uint16_t d3 = g.u16();
        uint8_t d4[8];
        for (uint8_t& b : d4)
            b = g.u8();
        return QUuid(d1, d2, d3, d4[0], d4[1], d4[2], d4[3], d4[4], d4[5], d4[6], d4[7])
            .toString(QUuid::WithoutBraces)
            .toUpper();
    }
    case TypeDecimalN:
    case TypeNumericN:
    case TypeDecimal:
    case TypeNumeric: {
        const uint8_t n = in.u8();
        if (n == 0)
            return {};
        return decimalOf(in, n, t.scale);
    }
    case TypeDateN: {
        const uint8_t n = in.u8();
        if (n == 0)
            return {};
        if (n != 3)
            throw ProtocolError{QStringLiteral("date value of %1 bytes").arg(n)};
        return dateOfDays(readUnsigned(in, 3));
    }
    case TypeTimeN: {
        const uint8_t n = in.u8();
        if (n == 0)
            return {};
        if (n != timeBytes(t.scale))
            throw ProtocolError{QStringLiteral("time value of %1 bytes").arg(n)};
        return timeOfUnits(readUnsigned(in, n), t.scale);
    }
    case TypeDateTime2N:
    case TypeDateTimeOffsetN: {
        const uint8_t n = in.u8();
        if (n == 0)
            return {};
        const int tb = timeBytes(t.scale);
        const int expected = tb + 3 + (t.type == TypeDateTimeOffsetN ? 2 : 0);
        if (n != expected)
            throw ProtocolError{QStringLiteral("datetime2 value of %1 bytes").arg(n)};
        const QTime time = timeOfUnits(readUnsigned(in, tb), t.scale);
        const QDate date = dateOfDays(readUnsigned(in, 3));
        QDateTime dt(date, time);
        if (t.type == TypeDateTimeOffsetN) {
            // Stored in UTC; the server keeps local times of the writer's zone.
            const int16_t offsetMinutes = int16_t(in.u16());
            dt = dt.addSecs(qint64(offsetMinutes) * 60);
        }
        return dt;
    }
    case TypeBigVarChar:
    case TypeBigChar:
    case TypeNVarChar:
    case TypeNChar:
    case TypeBigVarBinary:
    case TypeBigBinary: {
        const uint16_t n = in.u16();
        if (n == 0xFFFF)
            return {};
        return valueOfBytes(in.bytes(n), t);
    }
    case TypeText:
    case TypeNText:
    case TypeImage: {
        const uint32_t n = in.u32();
        if (n == 0xFFFFFFFFu)
            return {};
        return valueOfBytes(in.bytes(qsizetype(n)), t);
    }
    default:
        throw ProtocolError{QStringLiteral("values of type 0x%1 are not supported").arg(t.type, 2, 16, QLatin1Char('0'))};
    }
}

wire::ColumnType columnTypeOf(const TypeInfo& t)
{
    using C = wire::ColumnType;
    switch (t.type) {
    case TypeInt1:
    case TypeInt2: return C::SmallInt;
    case TypeInt4: return C::Int;
    case TypeInt8: return C::BigInt;
    case TypeIntN: return t.maxLength == 8 ? C::BigInt : t.maxLength == 4 ? C::Int : C::SmallInt;
    case TypeBit:
    case TypeBitN: return C::Bit;
    case TypeFlt4:
    case TypeFlt8:
    case TypeFltN:
    case TypeMoney:
    case TypeMoney4:
    case TypeMoneyN:
    case TypeDecimalN:
    case TypeNumericN:
    case TypeDecimal:
    case TypeNumeric: return C::Float;
    case TypeDateTim4:
    case TypeDateTime:
    case TypeDateTimeN:
    case TypeDateTime2N:
    case TypeDateTimeOffsetN: return C::DateTime;
    case TypeDateN: return C::Date;
    case TypeTimeN: return C::Time;
    case TypeBigVarChar:
    case TypeBigChar:
    case TypeText: return C::VarChar;
    case TypeNVarChar:
    case TypeNChar:
    case TypeNText:
    case TypeGuid: return C::NVarChar;
    case TypeBigVarBinary:
    case TypeBigBinary:
    case TypeImage: return C::VarBinary;
    default: return C::Unknown;
    }
}

} // namespace qel::server::tds
