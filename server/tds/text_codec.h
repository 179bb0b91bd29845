// Single-byte texts on the wire: a varchar value travels in the code page of its collation
// (Windows-1251 for the database's own collation). A character the code page cannot hold
// becomes '?', as the database server does when it stores such a text in a varchar column.
#pragma once

#include <QByteArray>
#include <QString>

namespace qel::server::tds {

// The code page a collation's five bytes name: 1251 for the Cyrillic locales and sort
// orders, 65001 for a UTF-8 collation, 1252 otherwise.
int codePageOfCollation(const char* collation5);

QByteArray encodeCodePage(const QString& text, int codePage);
QString decodeCodePage(const QByteArray& bytes, int codePage);

} // namespace qel::server::tds
