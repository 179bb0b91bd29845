// What a column of a declared type holds for a value written to it, as SQL Server converts
// on INSERT and UPDATE: texts to numbers and dates, numbers to texts, fractions cut off for
// integers; or SQL Server's error — "String or binary data would be truncated.", a
// conversion error naming the value and the type, an arithmetic overflow. The dialect layer
// applies it to literals while translating, the storage function tsql_store to everything
// else while the statement runs.
#pragma once

#include "server/tsql_translator.h"

#include <QString>
#include <QVariant>

namespace qel::server {

struct StoredValue {
    QVariant value;   // null, qint64, double, QString or QByteArray
    QString error;    // not empty: the value does not go into the column
};

// value: null, an integer (qint64 or int), double, QString or QByteArray. declaredType as
// the schema writes it ("VARCHAR(50)", "INT", "DATETIME" ...); an unknown type keeps the
// value as it is. order: how a date text is read.
StoredValue storedValueFor(const QVariant& value, const QString& declaredType, tsql::DateOrder order);

} // namespace qel::server
