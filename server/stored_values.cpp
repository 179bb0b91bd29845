#include "server/stored_values.h"

#include "server/storage.h"
#include "server/storage_dates.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace qel::server {
namespace {

using T = wire::ColumnType;

StoredValue fails(const QString& error) { return {QVariant(), error}; }

// "int", "varchar", "datetime" ... as SQL Server names a type in its messages.
QString typeLabel(const QString& declared)
{
    QString t = declared.toLower();
    const int paren = t.indexOf(QLatin1Char('('));
    if (paren >= 0)
        t = t.left(paren);
    t = t.trimmed();
    return t == QLatin1String("integer") ? QStringLiteral("int") : t;
}

enum class Source { Integer, Float, Text, Binary };

Source sourceOf(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        return Source::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return Source::Float;
    case QMetaType::QByteArray:
        return Source::Binary;
    default:
        return Source::Text;
    }
}

QString sourceLabel(Source s)
{
    switch (s) {
    case Source::Integer: return QStringLiteral("int");
    case Source::Float: return QStringLiteral("float");
    case Source::Binary: return QStringLiteral("varbinary");
    case Source::Text: break;
    }
    return QStringLiteral("varchar");
}

QString numberText(double d)
{
    if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15)
        return QString::number(static_cast<qlonglong>(d));
    return QString::number(d, 'g', 15);
}

StoredValue integer(const QVariant& v, const QString& declared)
{
    const QString label = typeLabel(declared);
    qint64 low = std::numeric_limits<qint32>::min(), high = std::numeric_limits<qint32>::max();
    if (label == QLatin1String("bigint")) {
        low = std::numeric_limits<qint64>::min();
        high = std::numeric_limits<qint64>::max();
    } else if (label == QLatin1String("smallint")) {
        low = -32768;
        high = 32767;
    } else if (label == QLatin1String("tinyint")) {
        low = 0;
        high = 255;
    }
    const QString overflow = QStringLiteral("Arithmetic overflow error converting expression to data type %1.").arg(label);
    switch (sourceOf(v)) {
    case Source::Integer: {
        const qint64 n = v.toLongLong();
        if (n < low || n > high)
            return fails(overflow);
        return {n, {}};
    }
    case Source::Float: {
        const double d = std::trunc(v.toDouble()); // T-SQL cuts the fraction off
        if (!std::isfinite(d) || d < static_cast<double>(low) || d > static_cast<double>(high))
            return fails(overflow);
        return {static_cast<qint64>(d), {}};
    }
    case Source::Text: {
        const QString text = v.toString();
        const QString t = text.trimmed();
        if (t.isEmpty())
            return {qint64(0), {}}; // T-SQL reads '' as 0
        static const QRegularExpression digits(QStringLiteral("^[+-]?[0-9]+$"));
        if (!digits.match(t).hasMatch())
            return fails(QStringLiteral("Conversion failed when converting the varchar value '%1' to data type %2.")
                             .arg(text, label));
        bool ok = false;
        const qlonglong n = t.toLongLong(&ok);
        if (!ok || n < low || n > high)
            return fails(QStringLiteral("The conversion of the varchar value '%1' overflowed an %2 column.").arg(text, label));
        return {qint64(n), {}};
    }
    case Source::Binary: break;
    }
    return fails(QStringLiteral("Operand type clash: varbinary is incompatible with %1").arg(label));
}

StoredValue bit(const QVariant& v)
{
    switch (sourceOf(v)) {
    case Source::Integer:
    case Source::Float:
        return {qint64(v.toDouble() != 0 ? 1 : 0), {}}; // any other number is 1
    case Source::Text: {
        const QString text = v.toString();
        const QString t = text.trimmed();
        if (t.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0)
            return {qint64(1), {}};
        if (t.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0 || t.isEmpty())
            return {qint64(0), {}};
        bool ok = false;
        const double d = t.toDouble(&ok);
        if (!ok || !std::isfinite(d))
            return fails(QStringLiteral("Conversion failed when converting the varchar value '%1' to data type bit.").arg(text));
        return {qint64(d != 0 ? 1 : 0), {}};
    }
    case Source::Binary: break;
    }
    return fails(QStringLiteral("Operand type clash: varbinary is incompatible with bit"));
}

StoredValue floating(const QVariant& v, const QString& declared)
{
    const QString label = typeLabel(declared);
    switch (sourceOf(v)) {
    case Source::Integer:
    case Source::Float: {
        const double d = v.toDouble();
        if (!std::isfinite(d))
            return fails(QStringLiteral("Arithmetic overflow error converting expression to data type %1.").arg(label));
        return {d, {}};
    }
    case Source::Text: {
        const QString t = v.toString().trimmed();
        if (t.isEmpty())
            return {0.0, {}};
        bool ok = false;
        const double d = t.toDouble(&ok);
        if (!ok || !std::isfinite(d))
            return fails(QStringLiteral("Error converting data type varchar to %1.").arg(label));
        return {d, {}};
    }
    case Source::Binary: break;
    }
    return fails(QStringLiteral("Operand type clash: varbinary is incompatible with %1").arg(label));
}

StoredValue text(const QVariant& v, const QString& declared, int size)
{
    QString t;
    switch (sourceOf(v)) {
    case Source::Integer: t = QString::number(v.toLongLong()); break;
    case Source::Float: t = numberText(v.toDouble()); break;
    case Source::Text: t = v.toString(); break;
    case Source::Binary:
        return fails(QStringLiteral("Implicit conversion from data type varbinary to %1 is not allowed. "
                                    "Use the CONVERT function to run this query.")
                         .arg(typeLabel(declared)));
    }
    if (size > 0 && t.size() > size) {
        // Blanks beyond the length are dropped silently; anything else does not fit.
        for (int i = size; i < t.size(); ++i)
            if (t[i] != QLatin1Char(' '))
                return fails(QStringLiteral("String or binary data would be truncated."));
        t.truncate(size);
    }
    return {t, {}};
}

StoredValue date(const QVariant& v, const QString& declared, T type, tsql::DateOrder order)
{
    const QString conversion = QStringLiteral("Conversion failed when converting date and/or time from character string.");
    QDateTime d;
    switch (sourceOf(v)) {
    case Source::Integer:
    case Source::Float: {
        // a number of days since 1900-01-01, as T-SQL converts it
        const double days = v.toDouble();
        if (!std::isfinite(days) || std::fabs(days) > 3e6)
            return fails(QStringLiteral("Arithmetic overflow error converting expression to data type %1.").arg(typeLabel(declared)));
        d = QDateTime(QDate(1900, 1, 1), QTime(0, 0)).addMSecs(static_cast<qint64>(std::llround(days * 86400000.0)));
        break;
    }
    case Source::Text: {
        const QString t = v.toString();
        d = readStoredDateTime(t);
        if (!d.isValid()) {
            QString stored;
            const tsql::ValueKind kind = type == T::Date ? tsql::ValueKind::Date : tsql::ValueKind::DateTime;
            if (!tsql::parseDateLiteral(t, order, kind, &stored))
                return fails(conversion);
            d = readStoredDateTime(stored);
        }
        break;
    }
    case Source::Binary:
        return fails(QStringLiteral("Operand type clash: varbinary is incompatible with %1").arg(typeLabel(declared)));
    }
    if (!d.isValid())
        return fails(conversion);
    if (type == T::Date)
        return {storedDate(d.date()), {}};
    if (type == T::Time)
        return {d.time().toString(QStringLiteral("HH:mm:ss")), {}};
    return {storedDateTime(d), {}};
}

} // namespace

StoredValue storedValueFor(const QVariant& value, const QString& declaredType, tsql::DateOrder order)
{
    if (!value.isValid() || value.isNull())
        return {};
    int size = 0;
    const T type = columnTypeOf(declaredType, &size);
    switch (type) {
    case T::Int:
    case T::SmallInt:
    case T::BigInt:
        return integer(value, declaredType);
    case T::Bit:
        return bit(value);
    case T::Float:
        return floating(value, declaredType);
    case T::VarChar:
    case T::NVarChar:
        return text(value, declaredType, size);
    case T::DateTime:
    case T::Date:
    case T::Time:
        return date(value, declaredType, type, order);
    case T::VarBinary:
        if (sourceOf(value) != Source::Binary)
            return fails(QStringLiteral("Implicit conversion from data type %1 to %2 is not allowed. "
                                        "Use the CONVERT function to run this query.")
                             .arg(sourceLabel(sourceOf(value)), typeLabel(declaredType)));
        return {value, {}};
    case T::Unknown:
        break;
    }
    return {value, {}};
}

} // namespace qel::server
