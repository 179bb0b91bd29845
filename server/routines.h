// The server routines (procedures and the scalar function) in C++ over the same file, and
// the binding of a call's arguments to the declared ones of server/contract.h.
#pragma once

#include "server/contract.h"
#include "server/server_logins.h"
#include "server/storage.h"
#include "server/tsql_translator.h"

#include <QVariantList>

namespace qel::server {

struct RoutineContext {
    Storage& storage;
    const tsql::Translator& translator;
    const tsql::Options& options;
    const LoginInfo& login;
};

struct GivenArgument {
    QString name;       // "@group" when passed by name, else empty
    QVariant value;
    bool isDefault = false;
};

// The values of the routine's inputs in declared order: defaults filled in, each converted
// to its declared type. Throws wire::ServerError with the server's text for a bad call.
QVariantList bindArguments(const contract::Routine& routine, const QList<GivenArgument>& given);

// Runs a procedure with bound arguments.
wire::BatchResult runProcedure(RoutineContext& context, const contract::Routine& routine, const QVariantList& args);

// The procedures one by one.
wire::BatchResult getUser(RoutineContext& c, const QVariantList& a);
wire::BatchResult sortMarkMag(RoutineContext& c, const QVariantList& a);
wire::BatchResult insertIntoSortMarkMag(RoutineContext& c, const QVariantList& a);
wire::BatchResult rrnkEbeVar(RoutineContext& c, const QVariantList& a);
wire::BatchResult selMarkMag(RoutineContext& c, const QVariantList& a);
wire::BatchResult markMagProverkaDel(RoutineContext& c, const QVariantList& a);

// FN_CreateLogin as an SQL function of the connection.
void registerCreateLogin(Storage& storage);
// The login FN_CreateLogin proposes (without the uniqueness suffix).
QString proposedLogin(const QString& surname, const QString& name);

// The password state GET_USER reports for a user (see docs/server.md).
int passwordState(Storage& storage, int idQelUser);

} // namespace qel::server
