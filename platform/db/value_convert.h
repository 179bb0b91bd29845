// Conversions between stored values, field types and texts, shared by fields, filters,
// locate and sort. Texts follow the user's locale for decimal separators and dates and
// accept both "." and "," when read.
#pragma once

#include "platform/db/field.h"
#include "server/wire.h"

#include <QCollator>
#include <QDateTime>
#include <QString>
#include <QVariant>

namespace qel::db::convert {

// The field type of a result column (identity integers are AutoInc).
FieldType fieldTypeOf(const wire::Column& column);
// The wire type used to send a value of the field type.
wire::ColumnType columnTypeOf(FieldType type);

bool isTextType(FieldType t);
bool isIntegerType(FieldType t);
bool isNumericType(FieldType t);
bool isTemporalType(FieldType t);

// A stored value in the representation of the field type (int for Integer, double for
// Float, QString for texts ...); values that do not convert are kept as they are.
QVariant normalized(FieldType type, const QVariant& v);

// The value assigned to a field of the type: converts texts and numbers, keeps texts to
// size characters, turns "" into null for non-text types. Throws DbError for a text that
// is not a value of the type; fieldName goes into the message.
QVariant forAssignment(FieldType type, int size, bool fixedChar, const QVariant& v, const QString& fieldName);

QString toText(const QVariant& v);            // empty for null
qint64 toInteger(const QVariant& v);           // floats round half to even; null, "" → 0
double toFloat(const QVariant& v);             // null, "" → 0
bool toBoolean(const QVariant& v);
QDateTime toDateTime(const QVariant& v);

// Half to even, as the platform rounds floats to integers (7.5 → 8, 6.5 → 6).
qint64 roundHalfEven(double v);

// Two stored values are the same (null equals only null; numbers compare by value).
bool sameValue(const QVariant& a, const QVariant& b);
// Ordering for sort and filter: null first, numbers by value, texts case-insensitively
// in the Russian collation, dates by time.
int compare(const QVariant& a, const QVariant& b, bool caseInsensitive = true);

// The collation texts are sorted and compared with (Russian, case-insensitive or not).
const QCollator& textCollator(bool caseInsensitive = true);

// A text in the user's locale: floats with 15 significant digits, dates as the short
// date (and the time when not midnight).
QString formatFloat(double v);
QString formatDateTime(const QDateTime& v, bool dateOnly);

// Parses a date "dd.MM.yyyy" (also "/" or "-" separators, ISO "yyyy-MM-dd"), with an
// optional time; an invalid QDateTime when the text is not one.
QDateTime parseDateTime(const QString& text);

} // namespace qel::db::convert
