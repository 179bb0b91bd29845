// The statement's table as CSV for spreadsheet programs set up for Russian: UTF-8 with a
// byte order mark, ";" between cells, the decimal comma, dates as dd.MM.yyyy, CRLF line
// ends, and quotes around any cell that holds a ";", a quote or a line break; a text that
// would start a formula gets a leading apostrophe. One title row, then one line per row.
#pragma once

#include "report/statement.h"

#include <QByteArray>

namespace qel::report {

QByteArray statementCsv(const Statement& statement);

} // namespace qel::report
