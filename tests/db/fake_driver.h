// A scripted database driver for the dataset layer's mechanics: answers statements from a
// table of canned results and records everything it was asked.
#pragma once

#include "platform/db/connection.h"
#include "platform/db/driver.h"

#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

namespace qel::test {

struct FakeCall {
    QString sql;               // statement text, or the procedure name
    QList<QVariant> params;
    QList<wire::Param> procParams;
    int timeout = 0;           // the command time-out it was given, in seconds
};

// What every driver made by one FakeServer shares.
struct FakeServer {
    QList<QString> connects;                 // connection string of each open()
    int disconnects = 0;
    QList<FakeCall> calls;
    QHash<QString, wire::ResultSet> results; // by exact statement text or procedure name
    QVariant returnValue;
    qint64 rowsAffected = 1;                 // for statements without a canned result
    // Takes precedence when set; returns false to fall back to the table.
    std::function<bool(const QString& sql, const QList<QVariant>& params, wire::BatchResult& out)> handler;
    QString failOpenWith;                    // non-empty: open() throws this

    QStringList statements() const;
    // The statements that write (UPDATE/INSERT/DELETE), in order.
    QList<FakeCall> writes() const;
    // A factory for Connection::setDriverFactory.
    db::Connection::DriverFactory factory();
};

// A result set from column declarations "name:type[:size]" (types int, float, varchar,
// nvarchar, bit, datetime, date, identity) and rows.
wire::ResultSet makeResult(const QStringList& columns, const QList<wire::Row>& rows,
                           const QString& baseTable = {});

} // namespace qel::test
