// The rewriting passes of one data statement (SELECT, INSERT, UPDATE, DELETE) or of a
// condition fragment, from T-SQL tokens to the storage's SQL.
#pragma once

#include "server/tsql_translator.h"
#include "server/tsql_tree.h"

namespace qel::server::tsql {

struct DmlResult {
    QString sql;
    QList<ValueKind> columnKinds;
    bool isSelect = false;
};

// Refuses what the layer does not translate: variables, temporary tables, the storage's own
// syntax, the server's hidden tables ... The message names the construct.
void checkTokens(const std::vector<Token>& tokens, const Options& options);

// Drops the qualifiers QEL.dbo., [QEL].[dbo]., QEL.., dbo. of object and column names.
std::vector<Token> stripQualifiers(const std::vector<Token>& tokens);

// Drops table hints such as WITH (NOLOCK).
std::vector<Token> stripTableHints(const std::vector<Token>& tokens);

// Translates a data statement. fragmentTable, when not empty, makes the tokens a condition
// over that table (no statement keyword of its own).
DmlResult translateDml(const std::vector<Token>& tokens, const Catalog& catalog, const Options& options,
                       const QList<ValueKind>& paramKinds, QHash<int, ValueKind>* paramDates,
                       const QString& fragmentTable = QString());

} // namespace qel::server::tsql
