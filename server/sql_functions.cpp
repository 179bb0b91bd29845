#include "server/sql_functions.h"

#include "server/storage_dates.h"
#include "server/stored_values.h"
#include "server/tsql_translator.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <sqlite3.h>

#include <cmath>

namespace qel::server {
namespace {

// ---------------------------------------------------------------------------- collation

inline char32_t decodeUtf8(const unsigned char*& p, const unsigned char* end)
{
    const unsigned c = *p++;
    if (c < 0x80)
        return c;
    auto cont = [&]() -> unsigned {
        if (p >= end)
            return 0;
        return *p++ & 0x3F;
    };
    if (c < 0xE0)
        return ((c & 0x1F) << 6) | cont();
    if (c < 0xF0) {
        const unsigned a = cont();
        return ((c & 0x0F) << 12) | (a << 6) | cont();
    }
    const unsigned a = cont();
    const unsigned b = cont();
    return ((c & 0x07) << 18) | (a << 12) | (b << 6) | cont();
}

// Sort weight of a character: letters of either case weigh the same; ё/Ё right after е.
inline quint64 weight(char32_t cp)
{
    if (cp < 0x80) {
        if (cp >= 'A' && cp <= 'Z')
            cp += 32;
        return quint64(cp) * 2;
    }
    if (cp == 0x401 || cp == 0x451)
        return quint64(0x435) * 2 + 1;
    return quint64(QChar::toLower(cp)) * 2;
}

int compareUtf8(int n1, const void* v1, int n2, const void* v2)
{
    const auto* a = static_cast<const unsigned char*>(v1);
    const auto* b = static_cast<const unsigned char*>(v2);
    while (n1 > 0 && a[n1 - 1] == ' ')
        --n1;
    while (n2 > 0 && b[n2 - 1] == ' ')
        --n2;
    const unsigned char* ea = a + n1;
    const unsigned char* eb = b + n2;
    while (a < ea && b < eb) {
        if (*a < 0x80 && *b < 0x80) {
            unsigned x = *a++, y = *b++;
            if (x >= 'A' && x <= 'Z')
                x += 32;
            if (y >= 'A' && y <= 'Z')
                y += 32;
            if (x != y)
                return x < y ? -1 : 1;
            continue;
        }
        const quint64 x = weight(decodeUtf8(a, ea));
        const quint64 y = weight(decodeUtf8(b, eb));
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a < ea)
        return 1;
    if (b < eb)
        return -1;
    return 0;
}

int collate(void*, int n1, const void* v1, int n2, const void* v2) { return compareUtf8(n1, v1, n2, v2); }

// ------------------------------------------------------------------------------- helpers

QString textArg(sqlite3_value* v)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return QString::fromUtf8(p, sqlite3_value_bytes(v));
}

void resultText(sqlite3_context* ctx, const QString& s)
{
    const QByteArray u = s.toUtf8();
    sqlite3_result_text(ctx, u.constData(), u.size(), SQLITE_TRANSIENT);
}

void resultError(sqlite3_context* ctx, const QString& s)
{
    const QByteArray u = s.toUtf8();
    sqlite3_result_error(ctx, u.constData(), u.size());
}

bool isNull(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }

QChar fold(QChar c) { return c.toLower(); }

tsql::DateOrder orderOf(const QString& name)
{
    const QString n = name.toLower();
    if (n == QLatin1String("dmy"))
        return tsql::DateOrder::DMY;
    if (n == QLatin1String("ymd"))
        return tsql::DateOrder::YMD;
    if (n == QLatin1String("ydm"))
        return tsql::DateOrder::YDM;
    if (n == QLatin1String("myd"))
        return tsql::DateOrder::MYD;
    if (n == QLatin1String("dym"))
        return tsql::DateOrder::DYM;
    return tsql::DateOrder::MDY;
}

// A datetime argument: a stored text, or a text read as a date literal (month-day-year).
bool dateArg(sqlite3_value* v, QDateTime* out)
{
    if (sqlite3_value_type(v) == SQLITE_INTEGER || sqlite3_value_type(v) == SQLITE_FLOAT) {
        // a number of days since 1900-01-01
        const double days = sqlite3_value_double(v);
        const QDateTime base(QDate(1900, 1, 1), QTime(0, 0));
        *out = base.addMSecs(static_cast<qint64>(std::llround(days * 86400000.0)));
        return true;
    }
    const QString s = textArg(v);
    QDateTime d = readStoredDateTime(s);
    if (!d.isValid()) {
        QString stored;
        if (!tsql::parseDateLiteral(s, tsql::DateOrder::MDY, tsql::ValueKind::DateTime, &stored))
            return false;
        d = readStoredDateTime(stored);
    }
    *out = d;
    return d.isValid();
}

QString numberText(double d)
{
    if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15)
        return QString::number(static_cast<qlonglong>(d));
    return QString::number(d, 'g', 6);
}

// ---------------------------------------------------------------------------- functions

void fnGetdate(sqlite3_context* ctx, int, sqlite3_value**) { resultText(ctx, storedNow()); }

// The identity the last INSERT of this session assigned (NULL before any).
void fnScopeIdentity(sqlite3_context* ctx, int, sqlite3_value**)
{
    const sqlite3_int64 id = sqlite3_last_insert_rowid(sqlite3_context_db_handle(ctx));
    if (id == 0)
        sqlite3_result_null(ctx);
    else
        sqlite3_result_int64(ctx, id);
}

void fnIsnull(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    sqlite3_result_value(ctx, isNull(argv[0]) ? argv[1] : argv[0]);
}

void fnUpper(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    resultText(ctx, textArg(argv[0]).toUpper());
}

void fnLower(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    resultText(ctx, textArg(argv[0]).toLower());
}

void fnLen(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    QString s = textArg(argv[0]);
    int n = s.size();
    while (n > 0 && s[n - 1] == QLatin1Char(' '))
        --n;
    sqlite3_result_int(ctx, n);
}

void fnCharindex(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1]))
        return sqlite3_result_null(ctx);
    const QString what = textArg(argv[0]);
    const QString in = textArg(argv[1]);
    int start = argc > 2 && !isNull(argv[2]) ? sqlite3_value_int(argv[2]) : 1;
    if (start < 1)
        start = 1;
    const int at = in.indexOf(what, start - 1, Qt::CaseInsensitive);
    sqlite3_result_int(ctx, at < 0 ? 0 : at + 1);
}

void fnLeft(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1]))
        return sqlite3_result_null(ctx);
    const int n = sqlite3_value_int(argv[1]);
    if (n < 0)
        return resultError(ctx, QStringLiteral("Invalid length parameter passed to the left function."));
    resultText(ctx, textArg(argv[0]).left(n));
}

void fnRight(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1]))
        return sqlite3_result_null(ctx);
    const int n = sqlite3_value_int(argv[1]);
    if (n < 0)
        return resultError(ctx, QStringLiteral("Invalid length parameter passed to the right function."));
    resultText(ctx, textArg(argv[0]).right(n));
}

void fnSpace(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const int n = sqlite3_value_int(argv[0]);
    resultText(ctx, n > 0 && n <= 8000 ? QString(n, QLatin1Char(' ')) : QString());
}

void fnReplicate(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1]))
        return sqlite3_result_null(ctx);
    const int n = sqlite3_value_int(argv[1]);
    const QString s = textArg(argv[0]);
    if (n < 0)
        return sqlite3_result_null(ctx);
    if (static_cast<qint64>(n) * s.size() > 8000)
        return resultError(ctx, QStringLiteral("The result of REPLICATE is too long."));
    resultText(ctx, s.repeated(n));
}

void fnStr(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const int len = argc > 1 ? sqlite3_value_int(argv[1]) : 10;
    const int dec = argc > 2 ? std::clamp(sqlite3_value_int(argv[2]), 0, 16) : 0;
    if (len <= 0 || len > 8000)
        return sqlite3_result_null(ctx);
    QString s = QString::number(sqlite3_value_double(argv[0]), 'f', dec);
    if (s.size() > len)
        s = QString(len, QLatin1Char('*'));
    resultText(ctx, s.rightJustified(len, QLatin1Char(' ')));
}

void fnLike(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1]))
        return sqlite3_result_null(ctx);
    QChar escape;
    if (argc > 2) {
        const QString e = textArg(argv[2]);
        if (e.size() != 1)
            return resultError(ctx, QStringLiteral("The escape character of LIKE must be one character."));
        escape = e[0];
    }
    sqlite3_result_int(ctx, likeMatch(textArg(argv[0]), textArg(argv[1]), escape) ? 1 : 0);
}

// CONVERT(varchar, x)
void fnText(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        return sqlite3_result_null(ctx);
    case SQLITE_INTEGER:
        return resultText(ctx, QString::number(sqlite3_value_int64(argv[0])));
    case SQLITE_FLOAT:
        return resultText(ctx, numberText(sqlite3_value_double(argv[0])));
    default:
        return resultText(ctx, textArg(argv[0]));
    }
}

QString dateStyleText(const QDateTime& d, int style)
{
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDate date = d.date();
    const QTime t = d.time();
    const bool century = style >= 100 || style == 20 || style == 21 || style == 23 || style == 126;
    const QString y = century ? date.toString(QStringLiteral("yyyy")) : date.toString(QStringLiteral("yy"));
    const QString mm = date.toString(QStringLiteral("MM")), dd = date.toString(QStringLiteral("dd"));
    switch (style % 100) {
    case 1: return mm + QLatin1Char('/') + dd + QLatin1Char('/') + y;
    case 2: return y + QLatin1Char('.') + mm + QLatin1Char('.') + dd;
    case 3: return dd + QLatin1Char('/') + mm + QLatin1Char('/') + y;
    case 4: return dd + QLatin1Char('.') + mm + QLatin1Char('.') + y;
    case 5: return dd + QLatin1Char('-') + mm + QLatin1Char('-') + y;
    case 10: return mm + QLatin1Char('-') + dd + QLatin1Char('-') + y;
    case 11: return y + QLatin1Char('/') + mm + QLatin1Char('/') + dd;
    case 12: return y + mm + dd;
    case 8: return t.toString(QStringLiteral("HH:mm:ss"));
    case 20: return date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') + t.toString(QStringLiteral("HH:mm:ss"));
    case 21: return date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') + t.toString(QStringLiteral("HH:mm:ss.zzz"));
    case 23: return date.toString(QStringLiteral("yyyy-MM-dd"));
    case 26: return date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('T') + t.toString(QStringLiteral("HH:mm:ss.zzz"));
    default: {
        // style 0/100: "mon dd yyyy hh:miAM"
        int h = t.hour() % 12;
        if (h == 0)
            h = 12;
        return QStringLiteral("%1 %2 %3 %4:%5%6")
            .arg(QLatin1String(months[date.month() - 1]))
            .arg(date.day(), 2, 10, QLatin1Char(' '))
            .arg(date.year())
            .arg(h, 2, 10, QLatin1Char(' '))
            .arg(t.minute(), 2, 10, QLatin1Char('0'))
            .arg(t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
    }
    }
}

void fnDateText(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    QDateTime d;
    if (sqlite3_value_type(argv[0]) != SQLITE_TEXT || !dateArg(argv[0], &d))
        return fnText(ctx, 1, argv);
    resultText(ctx, dateStyleText(d, sqlite3_value_int(argv[1])));
}

void fnInt(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        return sqlite3_result_null(ctx);
    case SQLITE_INTEGER:
        return sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
    case SQLITE_FLOAT:
        return sqlite3_result_int64(ctx, static_cast<qint64>(std::trunc(sqlite3_value_double(argv[0]))));
    default: {
        const QString s = textArg(argv[0]);
        bool ok = false;
        const qlonglong v = s.trimmed().isEmpty() ? 0 : s.trimmed().toLongLong(&ok);
        ok = ok || s.trimmed().isEmpty(); // T-SQL reads '' as 0
        if (!ok)
            return resultError(ctx, QStringLiteral("Conversion failed when converting the varchar value '%1' to data type int.").arg(s));
        return sqlite3_result_int64(ctx, v);
    }
    }
}

void fnBit(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        return sqlite3_result_null(ctx);
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return sqlite3_result_int(ctx, sqlite3_value_double(argv[0]) != 0 ? 1 : 0);
    default: {
        const QString s = textArg(argv[0]).trimmed();
        if (s.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0)
            return sqlite3_result_int(ctx, 1);
        if (s.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0)
            return sqlite3_result_int(ctx, 0);
        bool ok = false;
        const double v = s.toDouble(&ok);
        if (!ok)
            return resultError(ctx, QStringLiteral("Conversion failed when converting the varchar value '%1' to data type bit.").arg(s));
        return sqlite3_result_int(ctx, v != 0 ? 1 : 0);
    }
    }
}

void fnFloat(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        return sqlite3_result_null(ctx);
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return sqlite3_result_double(ctx, sqlite3_value_double(argv[0]));
    default: {
        bool ok = false;
        const double v = textArg(argv[0]).trimmed().toDouble(&ok);
        if (!ok)
            return resultError(ctx, QStringLiteral("Error converting data type varchar to float."));
        return sqlite3_result_double(ctx, v);
    }
    }
}

void convertDate(sqlite3_context* ctx, sqlite3_value** argv, tsql::ValueKind kind)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    QDateTime d;
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        QString stored;
        if (!tsql::parseDateLiteral(textArg(argv[0]), orderOf(textArg(argv[1])), kind, &stored))
            return resultError(ctx, QStringLiteral("Conversion failed when converting date and/or time from character string."));
        return resultText(ctx, stored);
    }
    if (!dateArg(argv[0], &d))
        return resultError(ctx, QStringLiteral("Conversion failed when converting date and/or time from character string."));
    resultText(ctx, kind == tsql::ValueKind::Date ? storedDate(d.date()) : storedDateTime(d));
}

void fnDatetime(sqlite3_context* ctx, int, sqlite3_value** argv) { convertDate(ctx, argv, tsql::ValueKind::DateTime); }
void fnDate(sqlite3_context* ctx, int, sqlite3_value** argv) { convertDate(ctx, argv, tsql::ValueKind::Date); }

enum class Part { Year, Quarter, Month, DayOfYear, Day, Week, Weekday, Hour, Minute, Second, Millisecond, Invalid };

Part partOf(const QString& name)
{
    const QString n = name.toLower();
    if (n == QLatin1String("year") || n == QLatin1String("yy") || n == QLatin1String("yyyy")) return Part::Year;
    if (n == QLatin1String("quarter") || n == QLatin1String("qq") || n == QLatin1String("q")) return Part::Quarter;
    if (n == QLatin1String("month") || n == QLatin1String("mm") || n == QLatin1String("m")) return Part::Month;
    if (n == QLatin1String("dayofyear") || n == QLatin1String("dy") || n == QLatin1String("y")) return Part::DayOfYear;
    if (n == QLatin1String("day") || n == QLatin1String("dd") || n == QLatin1String("d")) return Part::Day;
    if (n == QLatin1String("week") || n == QLatin1String("wk") || n == QLatin1String("ww")) return Part::Week;
    if (n == QLatin1String("weekday") || n == QLatin1String("dw")) return Part::Weekday;
    if (n == QLatin1String("hour") || n == QLatin1String("hh")) return Part::Hour;
    if (n == QLatin1String("minute") || n == QLatin1String("mi") || n == QLatin1String("n")) return Part::Minute;
    if (n == QLatin1String("second") || n == QLatin1String("ss") || n == QLatin1String("s")) return Part::Second;
    if (n == QLatin1String("millisecond") || n == QLatin1String("ms")) return Part::Millisecond;
    return Part::Invalid;
}

void fnDateadd(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[1]) || isNull(argv[2]))
        return sqlite3_result_null(ctx);
    const Part part = partOf(textArg(argv[0]));
    QDateTime d;
    if (!dateArg(argv[2], &d))
        return resultError(ctx, QStringLiteral("Conversion failed when converting date and/or time from character string."));
    const qint64 n = sqlite3_value_int64(argv[1]);
    switch (part) {
    case Part::Year: d = d.addYears(static_cast<int>(n)); break;
    case Part::Quarter: d = d.addMonths(static_cast<int>(n * 3)); break;
    case Part::Month: d = d.addMonths(static_cast<int>(n)); break;
    case Part::Day: case Part::DayOfYear: case Part::Weekday: d = d.addDays(n); break;
    case Part::Week: d = d.addDays(n * 7); break;
    case Part::Hour: d = d.addSecs(n * 3600); break;
    case Part::Minute: d = d.addSecs(n * 60); break;
    case Part::Second: d = d.addSecs(n); break;
    case Part::Millisecond: d = d.addMSecs(n); break;
    case Part::Invalid: return resultError(ctx, QStringLiteral("'%1' is not a recognized dateadd option.").arg(textArg(argv[0])));
    }
    resultText(ctx, storedDateTime(d));
}

void fnDatediff(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[1]) || isNull(argv[2]))
        return sqlite3_result_null(ctx);
    QDateTime a, b;
    if (!dateArg(argv[1], &a) || !dateArg(argv[2], &b))
        return resultError(ctx, QStringLiteral("Conversion failed when converting date and/or time from character string."));
    const qint64 days = a.date().daysTo(b.date());
    const qint64 secs = days * 86400 + (b.time().msecsSinceStartOfDay() / 1000 - a.time().msecsSinceStartOfDay() / 1000);
    qint64 r = 0;
    switch (partOf(textArg(argv[0]))) {
    case Part::Year: r = b.date().year() - a.date().year(); break;
    case Part::Quarter: r = (b.date().year() - a.date().year()) * 4 + ((b.date().month() - 1) / 3 - (a.date().month() - 1) / 3); break;
    case Part::Month: r = (b.date().year() - a.date().year()) * 12 + b.date().month() - a.date().month(); break;
    case Part::Day: case Part::DayOfYear: case Part::Weekday: r = days; break;
    case Part::Week: r = (days + (a.date().dayOfWeek() % 7) - (b.date().dayOfWeek() % 7)) / 7; break;
    case Part::Hour: r = days * 24 + b.time().hour() - a.time().hour(); break;
    case Part::Minute: r = (days * 24 + b.time().hour() - a.time().hour()) * 60 + b.time().minute() - a.time().minute(); break;
    case Part::Second: r = secs; break;
    case Part::Millisecond: r = a.msecsTo(b); break;
    case Part::Invalid: return resultError(ctx, QStringLiteral("'%1' is not a recognized datediff option.").arg(textArg(argv[0])));
    }
    sqlite3_result_int64(ctx, r);
}

int datePart(const QDateTime& d, Part part, bool* ok)
{
    *ok = true;
    switch (part) {
    case Part::Year: return d.date().year();
    case Part::Quarter: return (d.date().month() - 1) / 3 + 1;
    case Part::Month: return d.date().month();
    case Part::DayOfYear: return d.date().dayOfYear();
    case Part::Day: return d.date().day();
    case Part::Week: return d.date().weekNumber();
    case Part::Weekday: return d.date().dayOfWeek() % 7 + 1; // Sunday = 1
    case Part::Hour: return d.time().hour();
    case Part::Minute: return d.time().minute();
    case Part::Second: return d.time().second();
    case Part::Millisecond: return d.time().msec();
    case Part::Invalid: break;
    }
    *ok = false;
    return 0;
}

void fnDatepart(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[1]))
        return sqlite3_result_null(ctx);
    QDateTime d;
    if (!dateArg(argv[1], &d))
        return resultError(ctx, QStringLiteral("Conversion failed when converting date and/or time from character string."));
    bool ok = false;
    const int v = datePart(d, partOf(textArg(argv[0])), &ok);
    if (!ok)
        return resultError(ctx, QStringLiteral("'%1' is not a recognized datepart option.").arg(textArg(argv[0])));
    sqlite3_result_int(ctx, v);
}

void fnDatename(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[1]))
        return sqlite3_result_null(ctx);
    QDateTime d;
    if (!dateArg(argv[1], &d))
        return resultError(ctx, QStringLiteral("Conversion failed when converting date and/or time from character string."));
    const Part part = partOf(textArg(argv[0]));
    const QLocale c = QLocale::c();
    if (part == Part::Month)
        return resultText(ctx, c.monthName(d.date().month()));
    if (part == Part::Weekday)
        return resultText(ctx, c.dayName(d.date().dayOfWeek()));
    bool ok = false;
    const int v = datePart(d, part, &ok);
    if (!ok)
        return resultError(ctx, QStringLiteral("'%1' is not a recognized datename option.").arg(textArg(argv[0])));
    resultText(ctx, QString::number(v));
}

template <Part P>
void fnPartOf(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    QDateTime d;
    if (!dateArg(argv[0], &d))
        return resultError(ctx, QStringLiteral("Conversion failed when converting date and/or time from character string."));
    bool ok = false;
    sqlite3_result_int(ctx, datePart(d, P, &ok));
}

// ------------------------------------------------------------------- values written to a column

QVariant variantOf(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return QVariant(static_cast<qint64>(sqlite3_value_int64(v)));
    case SQLITE_FLOAT: return QVariant(sqlite3_value_double(v));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_value_blob(v)), sqlite3_value_bytes(v)));
    case SQLITE_NULL: return QVariant();
    default: return QVariant(textArg(v));
    }
}

// tsql_store(value, declared type, date order): the value as the column of that type holds it.
void fnStore(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const StoredValue stored = storedValueFor(variantOf(argv[0]), textArg(argv[1]), orderOf(textArg(argv[2])));
    if (!stored.error.isEmpty())
        return resultError(ctx, stored.error);
    const QVariant& v = stored.value;
    switch (v.typeId()) {
    case QMetaType::UnknownType: return sqlite3_result_null(ctx);
    case QMetaType::LongLong: return sqlite3_result_int64(ctx, v.toLongLong());
    case QMetaType::Double: return sqlite3_result_double(ctx, v.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        return sqlite3_result_blob(ctx, b.constData(), b.size(), SQLITE_TRANSIENT);
    }
    default: return resultText(ctx, v.toString());
    }
}

// CHAR(n): the character of a single-byte code. The stored texts' code page is not the
// storage's, so only the codes both share (0..127) are given; others are refused by name.
void fnChar(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (argc != 1)
        return resultError(ctx, QStringLiteral("The char function requires 1 argument(s)."));
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const qint64 code = sqlite3_value_int64(argv[0]);
    if (code < 0 || code > 255)
        return sqlite3_result_null(ctx);
    if (code > 127)
        return resultError(ctx, QStringLiteral("CHAR(%1): codes above 127 are not supported by the embedded server.").arg(code));
    resultText(ctx, QString(QChar(static_cast<char16_t>(code))));
}

// tsql_recursion_level(level): the level of a row a recursive common table expression makes;
// past the limit the statement stops as SQL Server stops it.
void fnRecursionLevel(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const qint64 level = sqlite3_value_int64(argv[0]);
    if (level > kMaxRecursion)
        return resultError(ctx, QStringLiteral("The statement terminated. The maximum recursion %1 has been exhausted "
                                               "before statement completion.")
                                    .arg(kMaxRecursion));
    sqlite3_result_int64(ctx, level);
}

void add(sqlite3* db, const char* name, int args, void (*fn)(sqlite3_context*, int, sqlite3_value**), bool deterministic = true)
{
    const int flags = SQLITE_UTF8 | (deterministic ? SQLITE_DETERMINISTIC : 0);
    sqlite3_create_function_v2(db, name, args, flags, nullptr, fn, nullptr, nullptr, nullptr);
}

} // namespace

int compareTexts(const QString& a, const QString& b)
{
    const QByteArray x = a.toUtf8(), y = b.toUtf8();
    return compareUtf8(x.size(), x.constData(), y.size(), y.constData());
}

bool likeMatch(const QString& pattern, const QString& valueIn, QChar escape)
{
    struct Item {
        enum Kind { Any, One, Set, Lit } kind;
        QChar lit;
        bool negate = false;
        QList<QPair<QChar, QChar>> ranges;
    };
    std::vector<Item> items;
    for (int i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (!escape.isNull() && c == escape && i + 1 < pattern.size()) {
            items.push_back({Item::Lit, fold(pattern[++i]), false, {}});
        } else if (c == QLatin1Char('%')) {
            if (items.empty() || items.back().kind != Item::Any)
                items.push_back({Item::Any, QChar(), false, {}});
        } else if (c == QLatin1Char('_')) {
            items.push_back({Item::One, QChar(), false, {}});
        } else if (c == QLatin1Char('[') && pattern.indexOf(QLatin1Char(']'), i + 1) > i + 1) {
            const int close = pattern.indexOf(QLatin1Char(']'), i + 1);
            Item set{Item::Set, QChar(), false, {}};
            int j = i + 1;
            if (pattern[j] == QLatin1Char('^') && close > j + 1) {
                set.negate = true;
                ++j;
            }
            for (; j < close; ++j) {
                const QChar from = fold(pattern[j]);
                if (j + 2 < close && pattern[j + 1] == QLatin1Char('-')) {
                    set.ranges.append({from, fold(pattern[j + 2])});
                    j += 2;
                } else {
                    set.ranges.append({from, from});
                }
            }
            items.push_back(set);
            i = close;
        } else {
            items.push_back({Item::Lit, fold(c), false, {}});
        }
    }
    QString value = valueIn;
    while (!value.isEmpty() && value.back() == QLatin1Char(' '))
        value.chop(1);
    auto matches = [](const Item& it, QChar ch) {
        const QChar c = fold(ch);
        switch (it.kind) {
        case Item::One: return true;
        case Item::Lit: return it.lit == c;
        case Item::Set: {
            bool in = false;
            for (const auto& [a, b] : it.ranges)
                if (c >= a && c <= b)
                    in = true;
            return in != it.negate;
        }
        case Item::Any: break;
        }
        return false;
    };
    size_t p = 0, v = 0;
    std::ptrdiff_t starP = -1;
    size_t starV = 0;
    const size_t np = items.size(), nv = static_cast<size_t>(value.size());
    while (v < nv) {
        if (p < np && items[p].kind != Item::Any && matches(items[p], value[static_cast<int>(v)])) {
            ++p;
            ++v;
        } else if (p < np && items[p].kind == Item::Any) {
            starP = static_cast<std::ptrdiff_t>(p++);
            starV = v;
        } else if (starP >= 0) {
            p = static_cast<size_t>(starP) + 1;
            v = ++starV;
        } else {
            return false;
        }
    }
    while (p < np && items[p].kind == Item::Any)
        ++p;
    return p == np;
}

void registerSqlFunctions(sqlite3* db)
{
    sqlite3_create_collation_v2(db, "qel_ci", SQLITE_UTF8, nullptr, collate, nullptr);
    add(db, "like", 2, fnLike);
    add(db, "like", 3, fnLike);
    add(db, "upper", 1, fnUpper);
    add(db, "lower", 1, fnLower);
    add(db, "getdate", 0, fnGetdate, false);
    add(db, "scope_identity", 0, fnScopeIdentity, false);
    add(db, "sysdatetime", 0, fnGetdate, false);
    add(db, "isnull", 2, fnIsnull);
    add(db, "len", 1, fnLen);
    add(db, "charindex", 2, fnCharindex);
    add(db, "charindex", 3, fnCharindex);
    add(db, "left", 2, fnLeft);
    add(db, "right", 2, fnRight);
    add(db, "space", 1, fnSpace);
    add(db, "replicate", 2, fnReplicate);
    add(db, "str", 1, fnStr);
    add(db, "str", 2, fnStr);
    add(db, "str", 3, fnStr);
    add(db, "dateadd", 3, fnDateadd);
    add(db, "datediff", 3, fnDatediff);
    add(db, "datepart", 2, fnDatepart);
    add(db, "datename", 2, fnDatename);
    add(db, "year", 1, fnPartOf<Part::Year>);
    add(db, "month", 1, fnPartOf<Part::Month>);
    add(db, "day", 1, fnPartOf<Part::Day>);
    add(db, "tsql_text", 1, fnText);
    add(db, "tsql_date_text", 2, fnDateText);
    add(db, "tsql_int", 1, fnInt);
    add(db, "tsql_bit", 1, fnBit);
    add(db, "tsql_float", 1, fnFloat);
    add(db, "tsql_datetime", 2, fnDatetime);
    add(db, "tsql_date", 2, fnDate);
    add(db, "char", -1, fnChar);
    add(db, "tsql_store", 3, fnStore);
    add(db, "tsql_recursion_level", 1, fnRecursionLevel);
}

} // namespace qel::server
