// What the storage needs to answer as the university's server does: the text collation
// qel_ci, LIKE, UPPER/LOWER for every alphabet, and the T-SQL functions the translated
// statements call (getdate, isnull, len, charindex, dateadd ... and the tsql_* conversions,
// the storing of a value in its column's declared type, the recursion limit).
#pragma once

#include <QString>

struct sqlite3;

namespace qel::server {

void registerSqlFunctions(sqlite3* db);

// How deep a recursive common table expression may go (SQL Server's MAXRECURSION default).
inline constexpr int kMaxRecursion = 100;

// The collation of texts: case-insensitive (Cyrillic included, ё sorted after е), trailing
// blanks ignored, leading blanks significant. Negative, zero or positive like strcmp.
int compareTexts(const QString& a, const QString& b);

// T-SQL LIKE with % _ [set] [^set] and an optional escape character, case-insensitive;
// trailing blanks of the value are ignored.
bool likeMatch(const QString& pattern, const QString& value, QChar escape = QChar());

} // namespace qel::server
