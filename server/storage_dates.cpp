// Stored date forms and the parsing of date literals under SET DATEFORMAT.
#include "server/storage_dates.h"

#include "server/tsql_translator.h"

#include <QRegularExpression>

namespace qel::server {

QString storedDateTime(const QDateTime& value)
{
    const QTime t = value.time();
    QString s = value.date().toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ')
        + t.toString(QStringLiteral("HH:mm:ss"));
    if (t.msec() != 0)
        s += QStringLiteral(".%1").arg(t.msec(), 3, 10, QLatin1Char('0'));
    return s;
}

QString storedDate(const QDate& value) { return value.toString(QStringLiteral("yyyy-MM-dd")); }

QDateTime readStoredDateTime(const QString& text)
{
    // Fast path for the stored forms: fixed positions.
    const int n = text.size();
    auto digits = [&](int from, int count, int* out) {
        int v = 0;
        for (int i = from; i < from + count; ++i) {
            if (i >= n || !text[i].isDigit())
                return false;
            v = v * 10 + text[i].digitValue();
        }
        *out = v;
        return true;
    };
    int y, mo, d;
    if (n < 10 || !digits(0, 4, &y) || text[4] != QLatin1Char('-') || !digits(5, 2, &mo) || text[7] != QLatin1Char('-')
        || !digits(8, 2, &d))
        return {};
    const QDate date(y, mo, d);
    if (!date.isValid())
        return {};
    int h = 0, mi = 0, s = 0, ms = 0;
    if (n > 10) {
        if ((text[10] != QLatin1Char(' ') && text[10] != QLatin1Char('T')) || !digits(11, 2, &h)
            || n < 16 || text[13] != QLatin1Char(':') || !digits(14, 2, &mi))
            return {};
        if (n > 16) {
            if (text[16] != QLatin1Char(':') || !digits(17, 2, &s))
                return {};
            if (n > 19) {
                if (text[19] != QLatin1Char('.'))
                    return {};
                int frac = 0, len = 0;
                for (int i = 20; i < n; ++i) {
                    if (!text[i].isDigit())
                        return {};
                    if (len < 3) {
                        frac = frac * 10 + text[i].digitValue();
                        ++len;
                    }
                }
                while (len < 3) {
                    frac *= 10;
                    ++len;
                }
                ms = frac;
            }
        }
    }
    const QTime time(h, mi, s, ms);
    if (!time.isValid())
        return {};
    return QDateTime(date, time, Qt::LocalTime);
}

QString storedNow() { return storedDateTime(QDateTime::currentDateTime()); }

namespace tsql {

namespace {

int fullYear(int y, int digits)
{
    if (digits <= 2)
        return y < 50 ? 2000 + y : 1900 + y;
    return y;
}

bool parseTime(const QString& text, QTime* out)
{
    static const QRegularExpression re(QStringLiteral(
        "^(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2})(?:[.:](\\d{1,7}))?)?\\s*(AM|PM)?$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(text);
    if (!m.hasMatch())
        return false;
    int h = m.captured(1).toInt();
    const int mi = m.captured(2).toInt();
    const int s = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
    int ms = 0;
    if (!m.captured(4).isEmpty())
        ms = (m.captured(4) + QStringLiteral("00")).left(3).toInt();
    const QString ampm = m.captured(5).toUpper();
    if (!ampm.isEmpty()) {
        if (h < 1 || h > 12)
            return false;
        if (ampm == QLatin1String("AM") && h == 12)
            h = 0;
        else if (ampm == QLatin1String("PM") && h != 12)
            h += 12;
    }
    const QTime t(h, mi, s, ms);
    if (!t.isValid())
        return false;
    *out = t;
    return true;
}

bool parseDate(const QString& text, DateOrder order, QDate* out)
{
    static const QRegularExpression compact(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})$"));
    auto m = compact.match(text);
    if (m.hasMatch()) {
        const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        *out = d;
        return d.isValid();
    }
    static const QRegularExpression parts(QStringLiteral("^(\\d{1,4})([./-])(\\d{1,4})\\2(\\d{1,4})$"));
    m = parts.match(text);
    if (!m.hasMatch())
        return false;
    const QString a = m.captured(1), b = m.captured(3), c = m.captured(4);
    int y, mo, d;
    if (a.size() == 4) {
        // A leading four-digit year reads year-month-day whatever the order.
        y = a.toInt();
        mo = b.toInt();
        d = c.toInt();
    } else {
        switch (order) {
        case DateOrder::DMY: d = a.toInt(); mo = b.toInt(); y = fullYear(c.toInt(), c.size()); break;
        case DateOrder::MDY: mo = a.toInt(); d = b.toInt(); y = fullYear(c.toInt(), c.size()); break;
        case DateOrder::YMD: y = fullYear(a.toInt(), a.size()); mo = b.toInt(); d = c.toInt(); break;
        case DateOrder::YDM: y = fullYear(a.toInt(), a.size()); d = b.toInt(); mo = c.toInt(); break;
        case DateOrder::MYD: mo = a.toInt(); y = fullYear(b.toInt(), b.size()); d = c.toInt(); break;
        case DateOrder::DYM: d = a.toInt(); y = fullYear(b.toInt(), b.size()); mo = c.toInt(); break;
        default: return false;
        }
    }
    const QDate date(y, mo, d);
    *out = date;
    return date.isValid();
}

} // namespace

bool parseDateLiteral(const QString& text, DateOrder order, ValueKind target, QString* stored)
{
    const QString s = text.trimmed();
    QDate date(1900, 1, 1);
    QTime time(0, 0);
    if (!s.isEmpty()) {
        QString datePart = s, timePart;
        const int t = s.indexOf(QLatin1Char('T'));
        const int sp = s.indexOf(QLatin1Char(' '));
        if (t == 10 && s.size() > 11) {
            datePart = s.left(10);
            timePart = s.mid(11);
        } else if (sp > 0) {
            datePart = s.left(sp);
            timePart = s.mid(sp + 1).trimmed();
        }
        if (datePart.contains(QLatin1Char(':')) && timePart.isEmpty()) {
            timePart = datePart; // a time alone is a time on 1900-01-01
            datePart.clear();
        }
        if (!datePart.isEmpty() && !parseDate(datePart, order, &date))
            return false;
        if (!timePart.isEmpty() && !parseTime(timePart, &time))
            return false;
    }
    if (target == ValueKind::Date)
        *stored = storedDate(date);
    else
        *stored = storedDateTime(QDateTime(date, time));
    return true;
}

} // namespace tsql
} // namespace qel::server
