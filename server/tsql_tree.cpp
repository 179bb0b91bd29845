#include "server/tsql_tree.h"

#include "server/tsql_translator.h"

namespace qel::server::tsql {

bool Node::isWord(const char* upper) const
{
    return !group && tok.kind == Tok::Word && tok.value == QLatin1String(upper);
}

bool Node::isName() const
{
    if (group)
        return false;
    if (tok.kind == Tok::QuotedId)
        return true;
    return tok.kind == Tok::Word && !isKeyword(tok.value);
}

QString upperName(const Node& node) { return node.tok.value.toUpper(); }

Seq buildTree(const std::vector<Token>& tokens, size_t from, size_t to)
{
    constexpr size_t kMaxNesting = 64;
    std::vector<Seq> stack(1);
    std::vector<Token> opens;
    for (size_t i = from; i < to; ++i) {
        const Token& t = tokens[i];
        if (t.kind == Tok::LParen) {
            if (stack.size() > kMaxNesting)
                throw TranslateError{QStringLiteral("Some part of your SQL statement is nested too deeply. "
                                                    "Rewrite the query or break it up into smaller queries.")};
            opens.push_back(t);
            stack.emplace_back();
        } else if (t.kind == Tok::RParen) {
            if (stack.size() == 1)
                throw TranslateError{QStringLiteral("Incorrect syntax near ')'.")};
            Node g;
            g.group = true;
            g.tok = opens.back();
            opens.pop_back();
            g.kids = std::move(stack.back());
            stack.pop_back();
            stack.back().push_back(std::move(g));
        } else {
            Node n;
            n.tok = t;
            stack.back().push_back(std::move(n));
        }
    }
    if (stack.size() != 1)
        throw TranslateError{QStringLiteral("Incorrect syntax near '('; the parenthesis is not closed.")};
    return std::move(stack.front());
}

namespace {

QString render(const Token& t)
{
    switch (t.kind) {
    case Tok::QuotedId:
        return quotedName(t.value);
    case Tok::String:
        return quotedText(t.value);
    case Tok::Param:
        return QLatin1Char('?') + QString::number(t.param + 1);
    case Tok::Raw:
        return t.value;
    default:
        return t.text;
    }
}

bool wordish(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('\'') || c == QLatin1Char('"')
        || c == QLatin1Char('?') || c == QLatin1Char('$') || c == QLatin1Char('#') || c == QLatin1Char('@');
}

void append(QString& out, const QString& text, bool spaceBefore)
{
    if (text.isEmpty())
        return;
    if (!out.isEmpty()) {
        const QChar last = out.back();
        const QChar first = text.front();
        const bool glue = (last == QLatin1Char('-') && first == QLatin1Char('-'))
            || (last == QLatin1Char('/') && first == QLatin1Char('*'))
            || (last == QLatin1Char('*') && first == QLatin1Char('/'));
        const bool afterParen = last == QLatin1Char('(');
        if ((spaceBefore && last != QLatin1Char(' ') && !afterParen) || (wordish(last) && wordish(first)) || glue)
            out += QLatin1Char(' ');
    }
    out += text;
}

void emitInto(const Node& n, QString& out)
{
    if (n.group) {
        append(out, QStringLiteral("("), n.tok.spaceBefore);
        for (const Node& k : n.kids)
            emitInto(k, out);
        out += QLatin1Char(')');
        return;
    }
    append(out, render(n.tok), n.tok.spaceBefore);
}

Token generated(Tok kind, const QString& text)
{
    Token t;
    t.kind = kind;
    t.text = text;
    t.value = kind == Tok::Word ? text.toUpper() : text;
    t.spaceBefore = true;
    return t;
}

} // namespace

QString emitSql(const Seq& seq) { return emitSql(seq, 0, static_cast<int>(seq.size())); }

QString emitSql(const Seq& seq, int from, int to)
{
    QString out;
    for (int i = from; i < to; ++i)
        emitInto(seq[i], out);
    return out;
}

QString emitNode(const Node& node)
{
    QString out;
    emitInto(node, out);
    return out;
}

Node makeWord(const QString& text)
{
    Node n;
    n.tok = generated(Tok::Word, text);
    return n;
}

Node makeOp(const QString& text)
{
    Node n;
    n.tok = generated(Tok::Op, text);
    return n;
}

Node makeName(const QString& name)
{
    Node n;
    n.tok = generated(Tok::QuotedId, name);
    return n;
}

Node makeString(const QString& value, bool plain)
{
    Node n;
    n.tok = generated(Tok::String, value);
    n.tok.plain = plain;
    return n;
}

Node makeNumber(const QString& text)
{
    Node n;
    n.tok = generated(Tok::Number, text);
    return n;
}

Node makeRaw(const QString& sql)
{
    Node n;
    n.tok = generated(Tok::Raw, sql);
    return n;
}

Node makeGroup(Seq kids)
{
    Node n;
    n.group = true;
    n.tok = generated(Tok::LParen, QStringLiteral("("));
    n.kids = std::move(kids);
    return n;
}

Node makeComma()
{
    Node n;
    n.tok = generated(Tok::Comma, QStringLiteral(","));
    n.tok.spaceBefore = false;
    return n;
}

Seq parseSql(const QString& sql)
{
    const std::vector<Token> toks = tokenize(sql);
    Seq seq = buildTree(toks, 0, toks.size());
    return seq;
}

namespace {

void substituteArguments(Seq& seq, const std::vector<Seq>& args)
{
    for (Node& n : seq) {
        if (n.group) {
            substituteArguments(n.kids, args);
            continue;
        }
        if (!n.is(Tok::Word) || !n.tok.value.startsWith(QLatin1String("__ARG")))
            continue;
        bool ok = false;
        const int k = n.tok.value.mid(5).toInt(&ok) - 1;
        if (!ok || k < 0 || k >= static_cast<int>(args.size()))
            throw TranslateError{QStringLiteral("The placeholder %1 has no argument.").arg(n.tok.text)};
        const bool space = n.tok.spaceBefore;
        n = makeGroup(args[static_cast<size_t>(k)]);
        n.tok.spaceBefore = space;
    }
}

} // namespace

Seq parseSqlWith(const QString& sql, const std::vector<Seq>& args)
{
    Seq seq = parseSql(sql);
    substituteArguments(seq, args);
    return seq;
}

std::vector<std::pair<int, int>> splitCommas(const Seq& seq, int from, int to)
{
    std::vector<std::pair<int, int>> parts;
    int start = from;
    for (int i = from; i < to; ++i) {
        if (seq[i].is(Tok::Comma)) {
            parts.emplace_back(start, i);
            start = i + 1;
        }
    }
    if (to > from)
        parts.emplace_back(start, to);
    return parts;
}

int findWord(const Seq& seq, const char* upper, int from)
{
    for (int i = from; i < static_cast<int>(seq.size()); ++i)
        if (seq[i].isWord(upper))
            return i;
    return -1;
}

} // namespace qel::server::tsql
