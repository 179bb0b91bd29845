// The table functions of the server as storage SQL: each call in a FROM clause becomes a
// derived table over the tables that hold the data.
#pragma once

#include <QString>

namespace qel::server {

// The SELECT standing for a call of the table function (upper-case name); __ARG1, __ARG2 ...
// mark the arguments. Empty when the name is not a table function.
QString tableFunctionSql(const QString& upperName);

} // namespace qel::server
