// Runs what a logged-in client asks on its session and writes the response tokens: SQL
// batches, calls of the database's procedures and of the system procedures with which
// clients run parameterised statements (sp_executesql, sp_prepare, sp_execute,
// sp_prepexec, sp_unprepare), and transaction manager requests.
#pragma once

#include "server/server.h"
#include "server/tds/requests.h"
#include "server/tds/statement_parameters.h"

#include <QByteArray>
#include <QHash>
#include <atomic>

namespace qel::server::tds {

class TokenWriter;

class RequestRunner {
public:
    // stopping: set while the server stops, so that a statement it cancels says why.
    RequestRunner(Session* session, QString serverName, const std::atomic<bool>* stopping);

    // After a connection reset the connection gives its new session.
    void setSession(Session* session);

    QByteArray batch(const QString& text);
    QByteArray rpc(const QList<RpcCall>& calls);
    QByteArray transaction(const TransactionRequest& request);

private:
    struct Prepared {
        QString statement;            // with "?" markers
        QList<DeclaredParam> declared;
        QList<int> uses;
    };

    struct CallOutcome {
        wire::BatchResult result;
        QList<RpcParam> outputs;      // output parameters with their final values
        bool isProcedure = true;
    };

    CallOutcome runCall(const RpcCall& call);
    CallOutcome executeWith(const Prepared& p, const QList<RpcParam>& values);
    Prepared prepare(const QString& statement, const QString& declarations);
    int prepareHandle(const Prepared& p);
    void writeResults(TokenWriter& w, const wire::BatchResult& r, uint8_t doneToken, qsizetype* lastDone);
    void writeError(TokenWriter& w, const wire::ServerError& e);
    void transactionChange(TokenWriter& w, bool before, bool rolledBack);
    // The DONE status bit of a session inside a transaction, or 0.
    uint16_t inTransactionBit() const;
    // Takes the browse option (SET NO_BROWSETABLE ON|OFF) out of a statement text: it
    // concerns what the front-end writes, not the session.
    QString takeBrowseOption(const QString& text);

    Session* session_;
    QString serverName_;
    QHash<int, Prepared> prepared_;
    int nextHandle_ = 1;
    bool browse_ = false;
    quint64 transactionId_ = 0;
    const std::atomic<bool>* stopping_;
};

} // namespace qel::server::tds
