// Choosing the type each result column travels in, and writing TYPE_INFOs and values.
#include "server/tds/type_info.h"

#include "server/tds/protocol.h"
#include "server/tds/text_codec.h"
#include "server/tds/wire_time.h"

#include <QDateTime>
#include <cmath>
#include <limits>

namespace qel::server::tds {

namespace {

using namespace wire_time;

void writeUnsigned(ByteWriter& out, uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.u8(uint8_t(v >> (8 * i)));
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

void writeVariable(ByteWriter& out, const OutType& t, const char* data, qsizetype size)
{
    if (t.plp) {
        out.u64(uint64_t(size));
        // Chunks no longer than a packet keep the client's buffers small.
        constexpr qsizetype kChunk = 8000;
        for (qsizetype at = 0; at < size; at += kChunk) {
            const qsizetype n = std::min(kChunk, size - at);
            out.u32(uint32_t(n));
            out.raw(data + at, n);
        }
        out.u32(0);
    } else {
        out.u16(uint16_t(size));
        out.raw(data, size);
    }
}

void writeVariable(ByteWriter& out, const OutType& t, const QByteArray& data)
{
    writeVariable(out, t, data.constData(), data.size());
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
        // The text's UTF-16 as it is in memory (little-endian, as ByteWriter::utf16 checks).
        const QString s = textOf(value);
        writeVariable(out, t, reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
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
