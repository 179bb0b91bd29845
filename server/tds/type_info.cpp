#include "server/tds/type_info.h"

#include "server/tds/protocol.h"
#include "server/tds/text_codec.h"

#include <QDateTime>
#include <QUuid>
#include <cmath>
#include <limits>

namespace qel::server::tds {

namespace {

const QDate kDateTimeEpoch(1900, 1, 1);
const QDate kDateEpoch(1, 1, 1);
constexpr qint64 kMsPerDay = 86400000;

// The units of a time value of the given scale (10^-scale seconds) in one millisecond,
// or the reverse: time(7) counts 10000 units per millisecond.
qint64 pow10(int n)
{
    qint64 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

int timeBytes(int scale) { return scale <= 2 ? 3 : scale <= 4 ? 4 : 5; }

uint64_t readUnsigned(ByteReader& in, int bytes)
{
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= uint64_t(in.u8()) << (8 * i);
    return v;
}

void writeUnsigned(ByteWriter& out, uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.u8(uint8_t(v >> (8 * i)));
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

enum class Kind { Null, Bool, Int, Int64, Double, Text, Bytes, DateTime, Date, Time };

Kind kindOf(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return Kind::Null;
    switch (v.typeId()) {
    case QMetaType::Bool: return Kind::Bool;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar: return Kind::Int;
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong: return Kind::Int64;
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return v.toULongLong() <= quint64(std::numeric_limits<qint64>::max()) ? Kind::Int64 : Kind::Double;
    case QMetaType::Double:
    case QMetaType::Float: return Kind::Double;
    case QMetaType::QByteArray: return Kind::Bytes;
    case QMetaType::QDateTime: return Kind::DateTime;
    case QMetaType::QDate: return Kind::Date;
    case QMetaType::QTime: return Kind::Time;
    default: return Kind::Text;
    }
}

bool isNumber(Kind k) { return k == Kind::Bool || k == Kind::Int || k == Kind::Int64 || k == Kind::Double; }

QString textOf(const QVariant& v)
{
    switch (kindOf(v)) {
    case Kind::Bool: return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case Kind::Double: return QString::number(v.toDouble(), 'g', 15);
    case Kind::DateTime: return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    case Kind::Date: return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case Kind::Time: return v.toTime().toString(QStringLiteral("HH:mm:ss.zzz"));
    case Kind::Bytes: return QStringLiteral("0x") + QString::fromLatin1(v.toByteArray().toHex().toUpper());
    default: return v.toString();
    }
}

bool fitsDateTime(const QDateTime& dt)
{
    return dt.isValid() && dt.date().year() >= 1753 && dt.date().year() <= 9999;
}

// A text type: NVARCHAR counts UTF-16 units, BIGVARCHAR bytes of the code page (one per
// character of Windows-1251). Longer than 8000 bytes: (max).
OutType textType(bool wide, qsizetype longestChars)
{
    OutType t;
    t.type = wide ? TypeNVarChar : TypeBigVarChar;
    const qsizetype bytes = std::max<qsizetype>(1, longestChars) * (wide ? 2 : 1);
    if (bytes > 8000) {
        t.plp = true;
        t.maxLength = kMaxLengthPlp;
    } else {
        t.maxLength = uint32_t(bytes);
    }
    return t;
}

OutType fixedType(uint8_t type, uint32_t length)
{
    OutType t;
    t.type = type;
    t.maxLength = length;
    return t;
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
        if (isNull)
            return {};
        if (t.type == TypeBigVarBinary)
            return data;
        if (t.type == TypeNVarChar) {
            ByteReader r(data);
            return utf16Bytes(r, data.size());
        }
        return decodeCodePage(data, codePageOfCollation(t.collation));
    }

    switch (t.type) {
    case TypeNull: return {};
    case TypeInt1: return qint32(in.u8());
    case TypeBit: return in.u8() != 0;
    case TypeInt2: return qint32(int16_t(in.u16()));
    case TypeInt4: return qint32(in.i32());
    case TypeInt8: return qint64(in.i64());
    case TypeFlt4: return double(in.f32());
    case TypeFlt8: return in.f64();
    case TypeMoney4: return in.i32() / 10000.0;
    case TypeMoney: {
        const int64_t high = in.i32();
        const uint64_t low = in.u32();
        return double(int64_t((uint64_t(high) << 32) | low)) / 10000.0;
    }
    case TypeDateTim4: {
        const uint16_t days = in.u16();
        const uint16_t minutes = in.u16();
        if (minutes >= 1440)
            throw ProtocolError{QStringLiteral("smalldatetime value out of range")};
        return QDateTime(kDateTimeEpoch.addDays(days), QTime(minutes / 60, minutes % 60));
    }
    case TypeDateTime: {
        const int32_t days = in.i32();
        return dateTimeOf(days, in.u32());
    }
    default: break;
    }

    // Types whose value starts with its own length.
    switch (t.type) {
    case TypeIntN: {
        const uint8_t n = in.u8();
        switch (n) {
        case 0: return {};
        case 1: return qint32(in.u8());
        case 2: return qint32(int16_t(in.u16()));
        case 4: return qint32(in.i32());
        case 8: return qint64(in.i64());
        default: throw ProtocolError{QStringLiteral("int value of %1 bytes").arg(n)};
        }
    }
    case TypeBitN: {
        const uint8_t n = in.u8();
        if (n == 0)
            return {};
        if (n != 1)
            throw ProtocolError{QStringLiteral("bit value of %1 bytes").arg(n)};
        return in.u8() != 0;
    }
    case TypeFltN: {
        const uint8_t n = in.u8();
        if (n == 0)
            return {};
        if (n == 4)
            return double(in.f32());
        if (n == 8)
            return in.f64();
        throw ProtocolError{QStringLiteral("float value of %1 bytes").arg(n)};
    }
    case TypeMoneyN: {
        const uint8_t n = in.u8();
        if (n == 0)
            return {};
        if (n == 4)
            return in.i32() / 10000.0;
        if (n == 8) {
            const int64_t high = in.i32();
            const uint64_t low = in.u32();
            return double(int64_t((uint64_t(high) << 32) | low)) / 10000.0;
        }
        throw ProtocolError{QStringLiteral("money value of %1 bytes").arg(n)};
    }
    case TypeDateTimeN: {
        const uint8_t n = in.u8();
        if (n == 0)
            return {};
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
    case TypeBigChar: {
        const uint16_t n = in.u16();
        if (n == 0xFFFF)
            return {};
        return decodeCodePage(in.bytes(n), codePageOfCollation(t.collation));
    }
    case TypeNVarChar:
    case TypeNChar: {
        const uint16_t n = in.u16();
        if (n == 0xFFFF)
            return {};
        return utf16Bytes(in, n);
    }
    case TypeBigVarBinary:
    case TypeBigBinary: {
        const uint16_t n = in.u16();
        if (n == 0xFFFF)
            return {};
        return in.bytes(n);
    }
    case TypeText:
    case TypeNText:
    case TypeImage: {
        const uint32_t n = in.u32();
        if (n == 0xFFFFFFFFu)
            return {};
        const QByteArray data = in.bytes(qsizetype(n));
        if (t.type == TypeImage)
            return data;
        if (t.type == TypeNText) {
            ByteReader r(data);
            return utf16Bytes(r, data.size());
        }
        return decodeCodePage(data, codePageOfCollation(t.collation));
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

bool OutType::isText() const { return type == TypeBigVarChar || type == TypeNVarChar; }

OutType outTypeForValue(wire::ColumnType type, const QVariant& value)
{
    wire::Column c;
    c.type = type;
    return chooseOutType(c, {wire::Row{value}}, 0);
}

OutType chooseOutType(const wire::Column& column, const QList<wire::Row>& rows, int index)
{
    using C = wire::ColumnType;
    C type = column.type;
    if (type == C::Unknown) {
        // Typed from the first value; a column of NULLs only is an int, as a NULL literal is.
        type = C::Int;
        for (const wire::Row& r : rows) {
            const Kind k = kindOf(r.value(index));
            if (k == Kind::Null)
                continue;
            switch (k) {
            case Kind::Bool: type = C::Bit; break;
            case Kind::Int: type = C::Int; break;
            case Kind::Int64: type = C::BigInt; break;
            case Kind::Double: type = C::Float; break;
            case Kind::Bytes: type = C::VarBinary; break;
            case Kind::DateTime: type = C::DateTime; break;
            case Kind::Date: type = C::Date; break;
            case Kind::Time: type = C::Time; break;
            default: type = C::NVarChar; break;
            }
            break;
        }
    }

    // What the values hold, to widen the declared type where one would not fit. Text
    // lengths of other values are measured only when the column ends up as text.
    bool allNumbers = true, allBitValues = true, allIntegral = true, allInt32 = true, allInt16 = true;
    bool allDates = true, allDateOnly = true, allDateTimeRange = true, allTimes = true, allBytes = true;
    bool onlyTexts = true;
    qsizetype longestBytes = 0, longestString = 0;
    for (const wire::Row& r : rows) {
        if (index >= r.size())
            continue;
        const QVariant& v = r.at(index);
        const Kind k = kindOf(v);
        if (k == Kind::Null)
            continue;
        if (isNumber(k)) {
            bool integral = k != Kind::Double;
            double d = 0;
            if (k == Kind::Double) {
                d = v.toDouble();
                integral = std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.2e18;
            }
            allIntegral = allIntegral && integral;
            const qint64 n = integral ? (k == Kind::Double ? qint64(d) : v.toLongLong()) : 0;
            allInt32 = allInt32 && integral && n >= std::numeric_limits<qint32>::min() && n <= std::numeric_limits<qint32>::max();
            allInt16 = allInt16 && integral && n >= -32768 && n <= 32767;
            allBitValues = allBitValues && integral && (n == 0 || n == 1);
        } else {
            allNumbers = false;
        }
        allDates = allDates && (k == Kind::DateTime || k == Kind::Date);
        allDateOnly = allDateOnly && k == Kind::Date;
        if (k == Kind::DateTime)
            allDateTimeRange = allDateTimeRange && fitsDateTime(v.toDateTime());
        else if (k == Kind::Date)
            allDateTimeRange = allDateTimeRange && v.toDate().year() >= 1753 && v.toDate().year() <= 9999;
        allTimes = allTimes && k == Kind::Time;
        allBytes = allBytes && k == Kind::Bytes;
        onlyTexts = onlyTexts && k == Kind::Text;
        if (k == Kind::Bytes)
            longestBytes = std::max(longestBytes, v.toByteArray().size());
        else if (k == Kind::Text)
            longestString = std::max(longestString, v.toString().size());
    }
    const auto longestText = [&] {
        if (onlyTexts)
            return longestString;
        qsizetype longest = 0;
        for (const wire::Row& r : rows)
            if (index < r.size() && kindOf(r.at(index)) != Kind::Null && kindOf(r.at(index)) != Kind::Bytes)
                longest = std::max(longest, textOf(r.at(index)).size());
        return longest;
    };

    switch (type) {
    case C::Bit:
        if (allNumbers && allBitValues)
            return fixedType(TypeBitN, 1);
        [[fallthrough]];
    case C::SmallInt:
    case C::Int:
    case C::BigInt:
        if (allNumbers && allIntegral) {
            if (type == C::SmallInt && allInt16)
                return fixedType(TypeIntN, 2);
            if (type != C::BigInt && allInt32)
                return fixedType(TypeIntN, 4);
            return fixedType(TypeIntN, 8);
        }
        [[fallthrough]];
    case C::Float:
        if (allNumbers)
            return fixedType(TypeFltN, 8);
        break;
    case C::Date:
        if (allDates && allDateOnly)
            return fixedType(TypeDateN, 3);
        [[fallthrough]];
    case C::DateTime:
        if (allDates) {
            if (allDateTimeRange)
                return fixedType(TypeDateTimeN, 8);
            OutType t = fixedType(TypeDateTime2N, 8);
            t.scale = 7;
            return t;
        }
        break;
    case C::Time:
        if (allTimes) {
            OutType t = fixedType(TypeTimeN, 5);
            t.scale = 7;
            return t;
        }
        break;
    case C::VarBinary:
        if (allBytes) {
            OutType t;
            t.type = TypeBigVarBinary;
            const qsizetype declared = column.size;
            if (declared <= 0 || declared > 8000 || longestBytes > 8000) {
                t.plp = true;
                t.maxLength = kMaxLengthPlp;
            } else {
                t.maxLength = uint32_t(std::max<qsizetype>({declared, longestBytes, 1}));
            }
            return t;
        }
        break;
    case C::VarChar:
        if (longestBytes == 0)
            return textType(false, std::max<qsizetype>(column.size > 0 ? column.size : 0, longestText()));
        break;
    case C::NVarChar:
    case C::Unknown:
        break;
    }
    const qsizetype declared = (type == C::NVarChar || type == C::VarChar) && column.size > 0 ? column.size : 0;
    // Binary values in a text column read as 0x and their hexadecimal digits.
    const qsizetype longest = longestBytes > 0 ? std::max(longestText(), longestBytes * 2 + 2) : longestText();
    return textType(true, std::max(declared, longest));
}

void writeTypeInfo(ByteWriter& out, const OutType& t)
{
    out.u8(t.type);
    switch (t.type) {
    case TypeIntN:
    case TypeBitN:
    case TypeFltN:
    case TypeDateTimeN: out.u8(uint8_t(t.maxLength)); break;
    case TypeDateN: break;
    case TypeTimeN:
    case TypeDateTime2N: out.u8(t.scale); break;
    case TypeBigVarChar:
    case TypeNVarChar:
        out.u16(t.plp ? kMaxLengthPlp : uint16_t(t.maxLength));
        out.raw(kCollation, 5);
        break;
    case TypeBigVarBinary: out.u16(t.plp ? kMaxLengthPlp : uint16_t(t.maxLength)); break;
    default: break;
    }
}

namespace {

void writeVariable(ByteWriter& out, const OutType& t, const QByteArray& data)
{
    if (t.plp) {
        out.u64(uint64_t(data.size()));
        // Chunks no longer than a packet keep the client's buffers small.
        constexpr qsizetype kChunk = 8000;
        for (qsizetype at = 0; at < data.size(); at += kChunk) {
            const qsizetype n = std::min(kChunk, data.size() - at);
            out.u32(uint32_t(n));
            out.raw(data.constData() + at, n);
        }
        out.u32(0);
    } else {
        out.u16(uint16_t(data.size()));
        out.raw(data);
    }
}

void writeNull(ByteWriter& out, const OutType& t)
{
    switch (t.type) {
    case TypeBigVarChar:
    case TypeNVarChar:
    case TypeBigVarBinary:
        if (t.plp)
            out.u64(kPlpNull);
        else
            out.u16(0xFFFF);
        break;
    default: out.u8(0); break;
    }
}

} // namespace

void writeValue(ByteWriter& out, const OutType& t, const QVariant& value)
{
    if (kindOf(value) == Kind::Null) {
        writeNull(out, t);
        return;
    }
    switch (t.type) {
    case TypeIntN: {
        const Kind k = kindOf(value);
        const qint64 n = k == Kind::Double ? qint64(value.toDouble()) : value.toLongLong();
        out.u8(uint8_t(t.maxLength));
        if (t.maxLength == 2)
            out.u16(uint16_t(int16_t(n)));
        else if (t.maxLength == 4)
            out.i32(int32_t(n));
        else
            out.i64(n);
        break;
    }
    case TypeBitN:
        out.u8(1);
        out.u8(kindOf(value) == Kind::Bool ? uint8_t(value.toBool()) : uint8_t(value.toLongLong() != 0));
        break;
    case TypeFltN:
        out.u8(8);
        out.f64(value.toDouble());
        break;
    case TypeDateTimeN: {
        const QDateTime dt = kindOf(value) == Kind::Date ? value.toDate().startOfDay() : value.toDateTime();
        qint64 days = kDateTimeEpoch.daysTo(dt.date());
        qint64 ticks = (qint64(dt.time().msecsSinceStartOfDay()) * 300 + 500) / 1000;
        if (ticks >= 300LL * 86400) {   // 23:59:59.999 rounds to the next day, as on the server
            ticks = 0;
            ++days;
        }
        out.u8(8);
        out.i32(int32_t(days));
        out.u32(uint32_t(ticks));
        break;
    }
    case TypeDateN:
        out.u8(3);
        writeUnsigned(out, uint64_t(kDateEpoch.daysTo(value.toDate())), 3);
        break;
    case TypeTimeN:
        out.u8(uint8_t(timeBytes(t.scale)));
        writeUnsigned(out, uint64_t(value.toTime().msecsSinceStartOfDay()) * uint64_t(pow10(t.scale - 3)),
                      timeBytes(t.scale));
        break;
    case TypeDateTime2N: {
        const QDateTime dt = kindOf(value) == Kind::Date ? value.toDate().startOfDay() : value.toDateTime();
        out.u8(uint8_t(timeBytes(t.scale) + 3));
        writeUnsigned(out, uint64_t(dt.time().msecsSinceStartOfDay()) * uint64_t(pow10(t.scale - 3)), timeBytes(t.scale));
        writeUnsigned(out, uint64_t(std::max<qint64>(0, kDateEpoch.daysTo(dt.date()))), 3);
        break;
    }
    case TypeBigVarChar:
        writeVariable(out, t, encodeCodePage(textOf(value), 1251));
        break;
    case TypeNVarChar: {
        const QString s = textOf(value);
        writeVariable(out, t, QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2));
        break;
    }
    case TypeBigVarBinary:
        writeVariable(out, t, value.toByteArray());
        break;
    default:
        writeNull(out, t);
        break;
    }
}

} // namespace qel::server::tds
