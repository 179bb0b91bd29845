// The audit module's text functions for putting values into SQL text. For a safe literal
// of a user's text use db::sqlLiteral (platform/db/sql_literal.h).
#pragma once

#include <QString>

namespace qel {

// The text between single quotes, inner quotes left as they are: for texts whose quotes
// were already doubled or that the statement's own rules leave alone.
QString QuoteSql(const QString& text);

// The text between two pairs of single quotes (''text''), for a value that stands inside
// a literal that is itself quoted.
QString QuoteSqlNested(const QString& text);

} // namespace qel
