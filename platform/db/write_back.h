// The statements that write a posted, inserted or deleted row back to its base table:
// parameterised, identifiers in brackets, the changed columns' old values in the WHERE
// clause of an update so that a row changed by someone else is not overwritten.
#pragma once

#include <QList>
#include <QString>
#include <QVariant>

namespace qel::db {

struct ColumnChange {
    QString column;
    QVariant newValue;
    QVariant oldValue;
};

// "[dbo].[mark_mag]" from "dbo.mark_mag"; bracketed parts are kept.
QString quoteIdentifier(const QString& name);

// UPDATE t SET a = ?, b = ? WHERE key = ? AND a = ? AND b IS NULL
QString updateStatement(const QString& table, const QList<ColumnChange>& changes, const QString& keyColumn,
                        const QVariant& keyValue, QList<QVariant>* params);

// INSERT INTO t (a, b) VALUES (?, ?); with readIdentity the batch also returns the new
// identity as its only result set.
QString insertStatement(const QString& table, const QList<ColumnChange>& values, bool readIdentity,
                        QList<QVariant>* params);

// DELETE FROM t WHERE key = ?
QString deleteStatement(const QString& table, const QString& keyColumn, const QVariant& keyValue,
                        QList<QVariant>* params);

} // namespace qel::db
