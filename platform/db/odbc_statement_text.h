// Texts the ODBC driver composes and cleans: the procedure call escape, and the server's
// messages as the user should read them.
#pragma once

#include "server/wire.h"

#include <QString>

namespace qel::db {

// "{? = call name(?, ?)}" when one parameter is the return value (its marker comes first,
// the others follow in their order), "{call name(?, ?)}" otherwise; no parentheses when
// there is nothing inside them. Throws DbError for a name that is not a procedure name
// ("dbo.SORT_MARK_MAG", "[QEL].[dbo].[GET_USER]", "proc;1") or for two return values.
QString odbcCallText(const QString& procedure, const QList<wire::Param>& params);

// A diagnostic text without the bracketed origins the driver manager and the driver put
// before it ("[unixODBC][FreeTDS][SQL Server]Login failed ..." -> "Login failed ...").
QString cleanOdbcMessage(const QString& text);

} // namespace qel::db
