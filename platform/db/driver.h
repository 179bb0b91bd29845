// A database driver: one connection to a server, speaking T-SQL.
// The connection (connection.h) picks the driver from the connection string's Data Source.
#pragma once

#include "platform/os/errors.h"
#include "server/wire.h"

#include <memory>

namespace qel::db {

// A failing database or connection operation; the text is the provider's message.
class DbError : public qel::Error {
public:
    using Error::Error;
};

// How long a command may run, in seconds, when its dataset does not say otherwise (0 waits
// without a limit).
inline constexpr int kDefaultCommandTimeout = 30;

class Driver {
public:
    virtual ~Driver() = default;

    // Connects with the parameters the driver was made with; throws DbError.
    virtual void open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Runs a batch of T-SQL text; "?" marks positional parameters bound from params.
    // timeoutSeconds: the command time-out; the server stops a command that runs longer
    // (0: no limit).
    virtual wire::BatchResult execute(const QString& sql, const QList<QVariant>& params = {},
                                      int timeoutSeconds = kDefaultCommandTimeout) = 0;

    // Calls a stored procedure with positional parameters; a parameter flagged as the
    // return value receives it in BatchResult::returnValue.
    virtual wire::BatchResult callProcedure(const QString& name, const QList<wire::Param>& params,
                                            int timeoutSeconds = kDefaultCommandTimeout) = 0;
};

} // namespace qel::db
