// Tokens of one statement arranged by parentheses, the shape every translation pass works
// on, and the way back to text.
#pragma once

#include "server/tsql_lexer.h"

#include <QString>
#include <utility>
#include <vector>

namespace qel::server::tsql {

struct Node {
    Token tok;               // the token of a leaf; the "(" of a group
    std::vector<Node> kids;  // what a group holds between its parentheses
    bool group = false;

    bool isWord(const char* upper) const;
    bool isOp(const char* text) const { return !group && tok.kind == Tok::Op && tok.text == QLatin1String(text); }
    bool is(Tok kind) const { return !group && tok.kind == kind; }
    // A name: a bare word that is not a keyword, or a quoted identifier.
    bool isName() const;
    QString name() const { return tok.value; } // upper-cased for words, as written for quoted ones
};

using Seq = std::vector<Node>;

// Groups tokens [from, to) by parentheses; throws TranslateError when they do not pair up.
Seq buildTree(const std::vector<Token>& tokens, size_t from, size_t to);

QString emitSql(const Seq& seq);
QString emitSql(const Seq& seq, int from, int to);
QString emitNode(const Node& node);

// Nodes made by the translation (written with a blank before them).
Node makeWord(const QString& text);
Node makeOp(const QString& text);
Node makeName(const QString& name);             // a quoted identifier
Node makeString(const QString& value, bool plain = true);
Node makeNumber(const QString& text);
Node makeRaw(const QString& sql);
Node makeGroup(Seq kids);
Node makeComma();
// Storage-dialect text made into nodes.
Seq parseSql(const QString& sql);
// The same with the placeholders __ARG1, __ARG2 ... replaced by args[0], args[1] ..., each
// as one parenthesised group (the table functions' bodies, TOP ... PERCENT's count).
// Throws TranslateError for a placeholder without an argument.
Seq parseSqlWith(const QString& sql, const std::vector<Seq>& args);

// Ranges [begin, end) of seq between top-level commas within [from, to).
std::vector<std::pair<int, int>> splitCommas(const Seq& seq, int from, int to);

// First index >= from of a word (upper case) at this level, or -1.
int findWord(const Seq& seq, const char* upper, int from = 0);

// The name a node stands for, without quotes, in upper case (for comparisons).
QString upperName(const Node& node);

} // namespace qel::server::tsql
