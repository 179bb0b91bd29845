// Writing a statement to a file in one of the three formats. The file appears whole or not
// at all: everything is written to a temporary file beside it and renamed over the target
// last, so a failed write (a full disk, a size limit, a writer's error) leaves no partial
// file behind. A file that exists is replaced only when asked.
#pragma once

#include "report/statement.h"

#include <QString>
#include <optional>

namespace qel::report {

enum class ExportFormat { Pdf, Xlsx, Csv };

// "pdf", "xlsx", "csv" in any case; nullopt for anything else.
std::optional<ExportFormat> formatFromName(const QString& name);
// The format a file name's extension names.
std::optional<ExportFormat> formatOfPath(const QString& path);
QString formatExtension(ExportFormat format);   // "pdf", "xlsx", "csv"

// Writes the statement. Throws IoError when the file exists and replace is false (the text
// says so), and when anything fails on the way (nothing is left at the path then, and an
// existing file stays as it was).
void exportStatement(const Statement& statement, ExportFormat format, const QString& path, bool replace);

// The file already exists (what exportStatement refuses without replace).
bool outputExists(const QString& path);

} // namespace qel::report
