#include "platform/db/odbc_params.h"

#include "platform/db/driver.h"

#include <QDateTime>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace qel::db {

namespace {

using wire::ColumnType;

// Above these lengths SQL Server wants the long (max) types.
constexpr qsizetype kLongestNVarChar = 4000;
constexpr qsizetype kLongestVarChar = 8000;
constexpr qsizetype kLongestVarBinary = 8000;

ColumnType typeOfValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool: return ColumnType::Bit;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar: return ColumnType::Int;
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: return ColumnType::BigInt;
    case QMetaType::Double:
    case QMetaType::Float: return ColumnType::Float;
    case QMetaType::QByteArray: return ColumnType::VarBinary;
    case QMetaType::QDateTime: return ColumnType::DateTime;
    case QMetaType::QDate: return ColumnType::Date;
    case QMetaType::QTime: return ColumnType::Time;
    default: return ColumnType::NVarChar;
    }
}

bool isFloating(const QVariant& v)
{
    const int t = v.typeId();
    return t == QMetaType::Double || t == QMetaType::Float;
}

// Whole numbers from numbers and numeric texts; fractions round half to even.
std::optional<qint64> toInteger(const QVariant& v)
{
    bool ok = false;
    double d = 0;
    if (isFloating(v)) {
        d = v.toDouble(&ok);
    } else if (v.typeId() == QMetaType::ULongLong) {
        const qulonglong u = v.toULongLong(&ok);
        if (!ok || u > qulonglong(std::numeric_limits<qint64>::max()))
            return std::nullopt;
        return qint64(u);
    } else {
        const qint64 n = v.toLongLong(&ok);
        if (ok)
            return n;
        if (v.typeId() != QMetaType::QString)
            return std::nullopt;
        d = v.toString().trimmed().toDouble(&ok);
    }
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    d = std::nearbyint(d);
    if (d < -9223372036854775808.0 || d >= 9223372036854775808.0)
        return std::nullopt;
    return qint64(d);
}

std::optional<bool> toBit(const QVariant& v)
{
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (s.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return false;
    }
    const auto n = toInteger(v);
    if (!n)
        return std::nullopt;
    return *n != 0;
}

std::optional<double> toFloat(const QVariant& v)
{
    bool ok = false;
    const double d = v.typeId() == QMetaType::QString ? v.toString().trimmed().toDouble(&ok)
                                                       : v.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return d;
}

std::optional<QDateTime> toDateTime(const QVariant& v)
{
    QDateTime dt;
    if (v.typeId() == QMetaType::QDate)
        dt = v.toDate().startOfDay();
    else if (v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QString)
        dt = v.toDateTime();
    if (!dt.isValid())
        return std::nullopt;
    return dt;
}

template <typename T>
QByteArray bytesOf(const T& value)
{
    return QByteArray(reinterpret_cast<const char*>(&value), sizeof value);
}

[[noreturn]] void cannotConvert(const QVariant& value, ColumnType type, const QString& label)
{
    throw DbError(QStringLiteral("Parameter %1: the value \"%2\" cannot be converted to %3.")
                      .arg(label, value.toString(), QLatin1String(wire::columnTypeName(type))));
}

void setText(OdbcParam& p, const QString& text, ColumnType type, int size)
{
    const bool wide = type != ColumnType::VarChar;
    const qsizetype longest = wide ? kLongestNVarChar : kLongestVarChar;
    p.cType = SQL_C_WCHAR;
    p.columnSize = SQLULEN(std::max<qsizetype>({text.size(), qsizetype(size), 1}));
    if (qsizetype(p.columnSize) > longest)
        p.sqlType = wide ? SQL_WLONGVARCHAR : SQL_LONGVARCHAR;
    else
        p.sqlType = wide ? SQL_WVARCHAR : SQL_VARCHAR;
    // UTF-16 units and a terminator, which the driver does not need but some read past.
    p.buffer = QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    p.buffer.append(2, '\0');
    p.indicator = SQLLEN(text.size() * 2);
}

void setBinary(OdbcParam& p, const QByteArray& bytes, int size)
{
    p.cType = SQL_C_BINARY;
    p.columnSize = SQLULEN(std::max<qsizetype>({bytes.size(), qsizetype(size), 1}));
    p.sqlType = qsizetype(p.columnSize) > kLongestVarBinary ? SQL_LONGVARBINARY : SQL_VARBINARY;
    p.buffer = bytes;
    p.buffer.append('\0');  // never an empty buffer: a bound pointer must point somewhere
    p.indicator = SQLLEN(bytes.size());
}

void setTypeOnly(OdbcParam& p, ColumnType type, int size)
{
    switch (type) {
    case ColumnType::Int: p.cType = SQL_C_SLONG; p.sqlType = SQL_INTEGER; p.columnSize = 10; break;
    case ColumnType::SmallInt: p.cType = SQL_C_SLONG; p.sqlType = SQL_SMALLINT; p.columnSize = 5; break;
    case ColumnType::BigInt: p.cType = SQL_C_SBIGINT; p.sqlType = SQL_BIGINT; p.columnSize = 19; break;
    case ColumnType::Bit: p.cType = SQL_C_BIT; p.sqlType = SQL_BIT; p.columnSize = 1; break;
    case ColumnType::Float: p.cType = SQL_C_DOUBLE; p.sqlType = SQL_DOUBLE; p.columnSize = 15; break;
    case ColumnType::DateTime:
        p.cType = SQL_C_TYPE_TIMESTAMP; p.sqlType = SQL_TYPE_TIMESTAMP;
        p.columnSize = 23; p.decimalDigits = 3;
        break;
    case ColumnType::Date: p.cType = SQL_C_TYPE_DATE; p.sqlType = SQL_TYPE_DATE; p.columnSize = 10; break;
    case ColumnType::Time: p.cType = SQL_C_TYPE_TIME; p.sqlType = SQL_TYPE_TIME; p.columnSize = 8; break;
    case ColumnType::VarBinary: setBinary(p, QByteArray(), size); break;
    case ColumnType::VarChar:
    case ColumnType::NVarChar:
    case ColumnType::Unknown: setText(p, QString(), type, size); break;
    }
}

} // namespace

OdbcParam inputParam(const QVariant& value, ColumnType type, int size, const QString& label)
{
    OdbcParam p;
    if (type == ColumnType::Unknown)
        type = value.isNull() ? ColumnType::NVarChar : typeOfValue(value);

    setTypeOnly(p, type, size);
    if (value.isNull()) {
        if (p.buffer.isEmpty())
            p.buffer = QByteArray(16, '\0');
        p.indicator = SQL_NULL_DATA;
        return p;
    }

    switch (type) {
    case ColumnType::Int:
    case ColumnType::SmallInt: {
        const auto n = toInteger(value);
        const qint64 lo = type == ColumnType::Int ? std::numeric_limits<qint32>::min() : -32768;
        const qint64 hi = type == ColumnType::Int ? std::numeric_limits<qint32>::max() : 32767;
        if (!n || *n < lo || *n > hi)
            cannotConvert(value, type, label);
        p.buffer = bytesOf(SQLINTEGER(*n));
        break;
    }
    case ColumnType::BigInt: {
        const auto n = toInteger(value);
        if (!n)
            cannotConvert(value, type, label);
        p.buffer = bytesOf(SQLBIGINT(*n));
        break;
    }
    case ColumnType::Bit: {
        const auto b = toBit(value);
        if (!b)
            cannotConvert(value, type, label);
        p.buffer = bytesOf(SQLCHAR(*b ? 1 : 0));
        break;
    }
    case ColumnType::Float: {
        const auto d = toFloat(value);
        if (!d)
            cannotConvert(value, type, label);
        p.buffer = bytesOf(SQLDOUBLE(*d));
        break;
    }
    case ColumnType::DateTime: {
        const auto dt = toDateTime(value);
        if (!dt)
            cannotConvert(value, type, label);
        SQL_TIMESTAMP_STRUCT ts{};
        ts.year = SQLSMALLINT(dt->date().year());
        ts.month = SQLUSMALLINT(dt->date().month());
        ts.day = SQLUSMALLINT(dt->date().day());
        ts.hour = SQLUSMALLINT(dt->time().hour());
        ts.minute = SQLUSMALLINT(dt->time().minute());
        ts.second = SQLUSMALLINT(dt->time().second());
        ts.fraction = SQLUINTEGER(dt->time().msec()) * 1000000u;
        p.buffer = bytesOf(ts);
        break;
    }
    case ColumnType::Date: {
        const QDate d = value.toDate();
        if (!d.isValid())
            cannotConvert(value, type, label);
        SQL_DATE_STRUCT ds{};
        ds.year = SQLSMALLINT(d.year());
        ds.month = SQLUSMALLINT(d.month());
        ds.day = SQLUSMALLINT(d.day());
        p.buffer = bytesOf(ds);
        break;
    }
    case ColumnType::Time: {
        const QTime t = value.toTime();
        if (!t.isValid())
            cannotConvert(value, type, label);
        SQL_TIME_STRUCT ts{};
        ts.hour = SQLUSMALLINT(t.hour());
        ts.minute = SQLUSMALLINT(t.minute());
        ts.second = SQLUSMALLINT(t.second());
        p.buffer = bytesOf(ts);
        break;
    }
    case ColumnType::VarBinary:
        if (!value.canConvert<QByteArray>())
            cannotConvert(value, type, label);
        setBinary(p, value.toByteArray(), size);
        return p;
    case ColumnType::VarChar:
    case ColumnType::NVarChar:
    case ColumnType::Unknown:
        if (!value.canConvert<QString>())
            cannotConvert(value, type, label);
        setText(p, value.toString(), type, size);
        return p;
    }
    p.indicator = SQLLEN(p.buffer.size());
    return p;
}

OdbcParam returnValueParam()
{
    OdbcParam p;
    p.direction = SQL_PARAM_OUTPUT;
    p.cType = SQL_C_SLONG;
    p.sqlType = SQL_INTEGER;
    p.columnSize = 10;
    p.buffer = QByteArray(sizeof(SQLINTEGER), '\0');
    p.indicator = SQL_NULL_DATA;
    return p;
}

QVariant outputValue(const OdbcParam& param)
{
    if (param.indicator == SQL_NULL_DATA)
        return {};
    SQLINTEGER n = 0;
    std::memcpy(&n, param.buffer.constData(), sizeof n);
    return QVariant(qint32(n));
}

} // namespace qel::db
