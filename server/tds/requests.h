// The requests a logged-in client sends: a batch of T-SQL text, remote procedure calls
// (by name or by the number of a system procedure) with their parameters, and transaction
// manager requests.
#pragma once

#include "server/tds/type_info.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

namespace qel::server::tds {

struct RpcParam {
    QString name;          // "@group", or empty for a positional parameter
    bool output = false;
    bool isDefault = false;
    TypeInfo type;
    QVariant value;
};

struct RpcCall {
    QString procName;      // empty when called by number
    uint16_t procId = 0;
    bool noExec = false;   // sent after a "do not execute" separator
    QList<RpcParam> params;
};

struct TransactionRequest {
    uint16_t type = 0;
    uint8_t isolationLevel = 0;
    QString name;
    bool beginAfter = false;   // a commit or rollback that starts the next transaction at once
};

// The text of a SQL batch. Throws ProtocolError.
QString parseSqlBatch(const QByteArray& payload);
// The calls of an RPC message, in order. Throws ProtocolError.
QList<RpcCall> parseRpc(const QByteArray& payload);
// A transaction manager request. Throws ProtocolError.
TransactionRequest parseTransactionRequest(const QByteArray& payload);

} // namespace qel::server::tds
