// SQL string literals for text values composed into statements.
#pragma once

#include <QString>

namespace qel::db {

// The text with every single quote doubled, for a value placed inside a literal.
QString sqlEscape(const QString& text);

// A safe SQL string literal: single quotes around, every inner single quote doubled.
// Every text value that goes into SQL text goes through this unless a statement fixes
// its own quoting.
QString sqlLiteral(const QString& text);

} // namespace qel::db
