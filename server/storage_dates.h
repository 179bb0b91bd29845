// How dates live in the storage: text "yyyy-MM-dd HH:mm:ss[.zzz]" for datetime columns and
// "yyyy-MM-dd" for date columns, so that they compare and sort as text.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace qel::server {

QString storedDateTime(const QDateTime& value);
QString storedDate(const QDate& value);

// Reads a stored date or date-time (also "yyyy-MM-ddTHH:mm:ss"); invalid when it is not one.
QDateTime readStoredDateTime(const QString& text);

// The local date and time now, in stored form (getdate()).
QString storedNow();

} // namespace qel::server
