// ":name" parameters in a query's SQL text. Literals ('...' with doubled quotes),
// "..." and [...] names and comments are skipped, so a colon inside them is text.
#pragma once

#include <QString>
#include <QStringList>

namespace qel::db {

struct ParsedSql {
    QString text;          // the SQL with every ":name" replaced by "?"
    QStringList names;     // one per occurrence, in order
};

ParsedSql parseSqlParameters(const QString& sql);

// The distinct parameter names of the text, in order of first appearance.
QStringList sqlParameterNames(const QString& sql);

} // namespace qel::db
