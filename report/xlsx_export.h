// The statement as a spreadsheet (XLSX, written by libxlsxwriter): the heading lines, the
// table under its one- or two-level titles (frozen, so they stay in view and repeat on
// printed pages), numbers as numbers, dates as dates, the footer's sums as SUM formulas
// (their values cached for readers that do not calculate), then the grade summary.
#pragma once

#include "report/statement.h"

#include <QString>

namespace qel::report {

// Writes the workbook to the path (a new file; the caller makes it safe to replace);
// throws IoError with libxlsxwriter's reason when it cannot.
void writeStatementXlsx(const Statement& statement, const QString& path);

} // namespace qel::report
