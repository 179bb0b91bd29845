#include "platform/db/value_convert.h"

#include "platform/db/driver.h"
#include "platform/os/system_info.h"

#include <QCollator>
#include <QRegularExpression>
#include <cfenv>
#include <cmath>

namespace qel::db::convert {

namespace {

const QLocale& uiLocale()
{
    static const QLocale locale = [] {
        QLocale l = os::uiLocale();
        l.setNumberOptions(QLocale::OmitGroupSeparator);
        return l;
    }();
    return locale;
}

} // namespace

const QCollator& textCollator(bool caseInsensitive)
{
    static const QCollator ci = [] {
        QCollator c(QLocale(QLocale::Russian, QLocale::Russia));
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    static const QCollator cs = [] {
        QCollator c(QLocale(QLocale::Russian, QLocale::Russia));
        c.setCaseSensitivity(Qt::CaseSensitive);
        return c;
    }();
    return caseInsensitive ? ci : cs;
}

namespace {

bool isNumberVariant(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Bool: case QMetaType::Short:
    case QMetaType::UShort: case QMetaType::Long: case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

bool isTemporalVariant(const QVariant& v)
{
    const int t = v.typeId();
    return t == QMetaType::QDateTime || t == QMetaType::QDate || t == QMetaType::QTime;
}

// Parses a number written with "." or "," as the decimal separator.
std::optional<double> parseNumber(QString text)
{
    text = text.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double d = QLocale::c().toDouble(text, &ok);
    if (!ok)
        return std::nullopt;
    return d;
}

std::optional<qint64> parseInteger(const QString& raw)
{
    const QString text = raw.trimmed();
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    if (ok)
        return n;
    return std::nullopt;
}

[[noreturn]] void badText(const QString& text, const char* what, const QString& fieldName)
{
    QString msg = QStringLiteral("\"%1\" не является %2").arg(text, QString::fromUtf8(what));
    if (!fieldName.isEmpty())
        msg += QStringLiteral(" (поле \"%1\")").arg(fieldName);
    throw DbError(msg);
}

} // namespace

FieldType fieldTypeOf(const wire::Column& c)
{
    using wire::ColumnType;
    switch (c.type) {
    case ColumnType::Int: return c.identity ? FieldType::AutoInc : FieldType::Integer;
    case ColumnType::BigInt: return FieldType::LargeInt;
    case ColumnType::SmallInt: return FieldType::SmallInt;
    case ColumnType::Bit: return FieldType::Boolean;
    case ColumnType::Float: return FieldType::Float;
    case ColumnType::VarChar: return FieldType::String;
    case ColumnType::NVarChar: return FieldType::WideString;
    case ColumnType::DateTime: return FieldType::DateTime;
    case ColumnType::Date: return FieldType::Date;
    case ColumnType::Time: return FieldType::Time;
    case ColumnType::VarBinary: return FieldType::Blob;
    case ColumnType::Unknown: break;
    }
    return FieldType::Unknown;
}

wire::ColumnType columnTypeOf(FieldType t)
{
    using wire::ColumnType;
    switch (t) {
    case FieldType::String: return ColumnType::VarChar;
    case FieldType::WideString: return ColumnType::NVarChar;
    case FieldType::Integer: case FieldType::AutoInc: return ColumnType::Int;
    case FieldType::SmallInt: return ColumnType::SmallInt;
    case FieldType::LargeInt: return ColumnType::BigInt;
    case FieldType::Boolean: return ColumnType::Bit;
    case FieldType::Float: return ColumnType::Float;
    case FieldType::DateTime: return ColumnType::DateTime;
    case FieldType::Date: return ColumnType::Date;
    case FieldType::Time: return ColumnType::Time;
    case FieldType::Blob: return ColumnType::VarBinary;
    case FieldType::Unknown: break;
    }
    return ColumnType::Unknown;
}

bool isTextType(FieldType t) { return t == FieldType::String || t == FieldType::WideString; }
bool isIntegerType(FieldType t)
{
    return t == FieldType::Integer || t == FieldType::SmallInt || t == FieldType::LargeInt || t == FieldType::AutoInc;
}
bool isNumericType(FieldType t) { return isIntegerType(t) || t == FieldType::Float; }
bool isTemporalType(FieldType t) { return t == FieldType::DateTime || t == FieldType::Date || t == FieldType::Time; }

qint64 roundHalfEven(double v)
{
    // nearbyint rounds ties to even in the default rounding mode.
    return qint64(std::nearbyint(v));
}

QString formatFloat(double v)
{
    if (std::isnan(v) || std::isinf(v))
        return QString::number(v);
    return uiLocale().toString(v, 'g', 15);
}

QString formatDateTime(const QDateTime& v, bool dateOnly)
{
    if (!v.isValid())
        return {};
    const QString date = uiLocale().toString(v.date(), QLocale::ShortFormat);
    if (dateOnly || v.time() == QTime(0, 0))
        return date;
    return date + QLatin1Char(' ') + v.time().toString(QStringLiteral("HH:mm:ss"));
}

QDateTime parseDateTime(const QString& raw)
{
    static const QRegularExpression dmy(QStringLiteral(
        R"(^\s*(\d{1,2})[./-](\d{1,2})[./-](\d{2,4})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
    static const QRegularExpression iso(QStringLiteral(
        R"(^\s*(\d{4})-(\d{1,2})-(\d{1,2})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2})(?:\.\d+)?)?)?\s*$)"));
    int y = 0, m = 0, d = 0, hh = 0, mi = 0, ss = 0;
    auto m1 = iso.match(raw);
    if (m1.hasMatch()) {
        y = m1.captured(1).toInt(); m = m1.captured(2).toInt(); d = m1.captured(3).toInt();
        hh = m1.captured(4).toInt(); mi = m1.captured(5).toInt(); ss = m1.captured(6).toInt();
    } else {
        auto m2 = dmy.match(raw);
        if (!m2.hasMatch())
            return {};
        d = m2.captured(1).toInt(); m = m2.captured(2).toInt(); y = m2.captured(3).toInt();
        if (m2.captured(3).size() <= 2)
            y += y < 50 ? 2000 : 1900;
        hh = m2.captured(4).toInt(); mi = m2.captured(5).toInt(); ss = m2.captured(6).toInt();
    }
    const QDate date(y, m, d);
    const QTime time(hh, mi, ss);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time);
}

QVariant normalized(FieldType type, const QVariant& v)
{
    if (v.isNull())
        return QVariant();
    bool ok = true;
    switch (type) {
    case FieldType::Integer: case FieldType::SmallInt: case FieldType::AutoInc:
        if (v.typeId() == QMetaType::Int)
            return v;
        if (v.typeId() == QMetaType::Double)
            return int(roundHalfEven(v.toDouble()));
        if (isNumberVariant(v))
            return v.toInt(&ok);
        break;
    case FieldType::LargeInt:
        if (v.typeId() == QMetaType::LongLong)
            return v;
        if (v.typeId() == QMetaType::Double)
            return roundHalfEven(v.toDouble());
        if (isNumberVariant(v))
            return v.toLongLong(&ok);
        break;
    case FieldType::Float:
        if (v.typeId() == QMetaType::Double)
            return v;
        if (isNumberVariant(v))
            return v.toDouble(&ok);
        break;
    case FieldType::Boolean:
        if (v.typeId() == QMetaType::Bool)
            return v;
        if (isNumberVariant(v))
            return v.toDouble() != 0;
        break;
    case FieldType::String: case FieldType::WideString:
        if (v.typeId() == QMetaType::QString)
            return v;
        if (v.typeId() == QMetaType::Double)
            return formatFloat(v.toDouble());
        return toText(v);
    case FieldType::DateTime:
        if (v.typeId() == QMetaType::QDateTime)
            return v;
        if (v.typeId() == QMetaType::QDate)
            return QDateTime(v.toDate(), QTime(0, 0));
        if (v.typeId() == QMetaType::QString) {
            const QDateTime dt = parseDateTime(v.toString());
            if (dt.isValid())
                return dt;
        }
        break;
    case FieldType::Date:
        if (v.typeId() == QMetaType::QDate)
            return v;
        if (v.typeId() == QMetaType::QDateTime)
            return v.toDateTime().date();
        if (v.typeId() == QMetaType::QString) {
            const QDateTime dt = parseDateTime(v.toString());
            if (dt.isValid())
                return dt.date();
        }
        break;
    case FieldType::Time:
        if (v.typeId() == QMetaType::QTime)
            return v;
        if (v.typeId() == QMetaType::QDateTime)
            return v.toDateTime().time();
        break;
    case FieldType::Blob:
        if (v.typeId() == QMetaType::QByteArray)
            return v;
        break;
    case FieldType::Unknown:
        return v;
    }
    return v;
}

QVariant forAssignment(FieldType type, int size, bool fixedChar, const QVariant& v, const QString& fieldName)
{
    if (v.isNull())
        return QVariant();
    const bool isText = v.typeId() == QMetaType::QString;
    const QString text = isText ? v.toString() : QString();
    switch (type) {
    case FieldType::String: case FieldType::WideString: {
        QString s;
        if (isText)
            s = text;
        else if (v.typeId() == QMetaType::Double)
            s = formatFloat(v.toDouble());
        else if (isTemporalVariant(v))
            s = formatDateTime(toDateTime(v), v.typeId() == QMetaType::QDate);
        else
            s = toText(v);
        if (size > 0 && s.size() > size)
            s.truncate(size);
        if (fixedChar && size > 0 && s.size() < size)
            s = s.leftJustified(size, QLatin1Char(' '));
        return s;
    }
    case FieldType::Integer: case FieldType::SmallInt: case FieldType::AutoInc: case FieldType::LargeInt: {
        qint64 n = 0;
        if (isText) {
            if (text.trimmed().isEmpty())
                return QVariant();
            const auto parsed = parseInteger(text);
            if (!parsed)
                badText(text, "целым числом", fieldName);
            n = *parsed;
        } else if (v.typeId() == QMetaType::Double) {
            n = roundHalfEven(v.toDouble());
        } else if (isNumberVariant(v)) {
            n = v.toLongLong();
        } else {
            badText(toText(v), "целым числом", fieldName);
        }
        if (type == FieldType::LargeInt)
            return n;
        if (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
            throw DbError(QStringLiteral("Значение %1 вне допустимого диапазона целых чисел (поле \"%2\")")
                              .arg(n).arg(fieldName));
        return int(n);
    }
    case FieldType::Float: {
        if (isText) {
            if (text.trimmed().isEmpty())
                return QVariant();
            const auto parsed = parseNumber(text);
            if (!parsed)
                badText(text, "числом", fieldName);
            return *parsed;
        }
        if (isNumberVariant(v))
            return v.toDouble();
        badText(toText(v), "числом", fieldName);
    }
    case FieldType::Boolean: {
        if (isText) {
            const QString t = text.trimmed().toLower();
            if (t.isEmpty())
                return QVariant();
            if (t == QLatin1String("true") || t == QLatin1String("1") || t == QLatin1String("yes")
                || t == QStringLiteral("да"))
                return true;
            if (t == QLatin1String("false") || t == QLatin1String("0") || t == QLatin1String("no")
                || t == QStringLiteral("нет"))
                return false;
            badText(text, "логическим значением", fieldName);
        }
        if (isNumberVariant(v))
            return v.toDouble() != 0;
        badText(toText(v), "логическим значением", fieldName);
    }
    case FieldType::DateTime: case FieldType::Date: case FieldType::Time: {
        QDateTime dt;
        if (isText) {
            if (text.trimmed().isEmpty())
                return QVariant();
            dt = parseDateTime(text);
            if (!dt.isValid() && type == FieldType::Time) {
                const QTime t = QTime::fromString(text.trimmed(), QStringLiteral("H:mm:ss"));
                const QTime t2 = t.isValid() ? t : QTime::fromString(text.trimmed(), QStringLiteral("H:mm"));
                if (t2.isValid())
                    return t2;
            }
            if (!dt.isValid())
                badText(text, "датой", fieldName);
        } else if (isTemporalVariant(v)) {
            dt = toDateTime(v);
            if (v.typeId() == QMetaType::QTime)
                return type == FieldType::Time ? v : QVariant(QDateTime(QDate(1899, 12, 30), v.toTime()));
        } else {
            badText(toText(v), "датой", fieldName);
        }
        if (type == FieldType::Date)
            return dt.date();
        if (type == FieldType::Time)
            return dt.time();
        return dt;
    }
    case FieldType::Blob:
        if (v.typeId() == QMetaType::QByteArray)
            return v;
        if (isText)
            return text.toLatin1();
        return v.toByteArray();
    case FieldType::Unknown:
        return v;
    }
    return v;
}

QString toText(const QVariant& v)
{
    if (v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::QString: return v.toString();
    case QMetaType::Double: case QMetaType::Float: return formatFloat(v.toDouble());
    case QMetaType::Bool: return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QDateTime: return formatDateTime(v.toDateTime(), false);
    case QMetaType::QDate: return formatDateTime(QDateTime(v.toDate(), QTime(0, 0)), true);
    case QMetaType::QTime: return v.toTime().toString(QStringLiteral("HH:mm:ss"));
    case QMetaType::QByteArray: return QString::fromLatin1(v.toByteArray());
    default: return v.toString();
    }
}

qint64 toInteger(const QVariant& v)
{
    if (v.isNull())
        return 0;
    switch (v.typeId()) {
    case QMetaType::Double: case QMetaType::Float: return roundHalfEven(v.toDouble());
    case QMetaType::Bool: return v.toBool() ? 1 : 0;
    case QMetaType::QString: {
        const QString t = v.toString();
        if (t.trimmed().isEmpty())
            return 0;
        if (const auto n = parseInteger(t))
            return *n;
        badText(t, "целым числом", {});
    }
    default:
        if (isNumberVariant(v))
            return v.toLongLong();
        badText(toText(v), "целым числом", {});
    }
}

double toFloat(const QVariant& v)
{
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::QString) {
        const QString t = v.toString();
        if (t.trimmed().isEmpty())
            return 0;
        if (const auto d = parseNumber(t))
            return *d;
        badText(t, "числом", {});
    }
    if (isNumberVariant(v))
        return v.toDouble();
    if (v.typeId() == QMetaType::QDateTime) {
        // Days since 30.12.1899, as the platform counts date-times.
        const QDateTime dt = v.toDateTime();
        const QDateTime base(QDate(1899, 12, 30), QTime(0, 0));
        return base.msecsTo(dt) / 86400000.0;
    }
    badText(toText(v), "числом", {});
}

bool toBoolean(const QVariant& v)
{
    if (v.isNull())
        return false;
    if (v.typeId() == QMetaType::QString) {
        const QString t = v.toString().trimmed().toLower();
        if (t.isEmpty())
            return false;
        const QChar c = t.at(0);
        if (c == QLatin1Char('t') || c == QLatin1Char('y') || c == QLatin1Char('1') || c == QChar(0x0434))
            return true;
        if (c == QLatin1Char('f') || c == QLatin1Char('n') || c == QLatin1Char('0') || c == QChar(0x043D))
            return false;
        badText(v.toString(), "логическим значением", {});
    }
    if (isNumberVariant(v))
        return v.toDouble() != 0;
    badText(toText(v), "логическим значением", {});
}

QDateTime toDateTime(const QVariant& v)
{
    if (v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::QDateTime: return v.toDateTime();
    case QMetaType::QDate: return QDateTime(v.toDate(), QTime(0, 0));
    case QMetaType::QTime: return QDateTime(QDate(1899, 12, 30), v.toTime());
    case QMetaType::QString: {
        const QString t = v.toString();
        if (t.trimmed().isEmpty())
            return {};
        const QDateTime dt = parseDateTime(t);
        if (!dt.isValid())
            badText(t, "датой", {});
        return dt;
    }
    default:
        if (isNumberVariant(v)) {
            const QDateTime base(QDate(1899, 12, 30), QTime(0, 0));
            return base.addMSecs(qint64(std::llround(v.toDouble() * 86400000.0)));
        }
        badText(toText(v), "датой", {});
    }
}

bool sameValue(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    if (isNumberVariant(a) && isNumberVariant(b)) {
        if (a.typeId() == QMetaType::Double || b.typeId() == QMetaType::Double)
            return a.toDouble() == b.toDouble();
        return a.toLongLong() == b.toLongLong();
    }
    if (isTemporalVariant(a) && isTemporalVariant(b))
        return toDateTime(a) == toDateTime(b);
    if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString)
        return a.toString() == b.toString();
    if (a.typeId() == QMetaType::QByteArray && b.typeId() == QMetaType::QByteArray)
        return a.toByteArray() == b.toByteArray();
    return toText(a) == toText(b);
}

int compare(const QVariant& a, const QVariant& b, bool caseInsensitive)
{
    const bool an = a.isNull(), bn = b.isNull();
    if (an || bn)
        return an == bn ? 0 : (an ? -1 : 1);
    if (isNumberVariant(a) && isNumberVariant(b)) {
        if (a.typeId() == QMetaType::Double || b.typeId() == QMetaType::Double) {
            const double x = a.toDouble(), y = b.toDouble();
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        const qint64 x = a.toLongLong(), y = b.toLongLong();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (isTemporalVariant(a) && isTemporalVariant(b)) {
        const QDateTime x = toDateTime(a), y = toDateTime(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (isNumberVariant(a) != isNumberVariant(b)) {
        // A number against a text: compare as numbers when the text is one.
        const QVariant& text = isNumberVariant(a) ? b : a;
        if (const auto d = parseNumber(text.toString())) {
            const double x = isNumberVariant(a) ? a.toDouble() : *d;
            const double y = isNumberVariant(b) ? b.toDouble() : *d;
            return x < y ? -1 : (x > y ? 1 : 0);
        }
    }
    const int c = textCollator(caseInsensitive).compare(toText(a), toText(b));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace qel::db::convert
