// Which tables a statement reads and writes, and what kind of value (text, number, date)
// each expression is: the "+" of texts, the date literals, CONVERT and the result columns'
// types all depend on it.
#include "server/tsql_pass_set.h"

namespace qel::server::tsql {

bool isFunctionKeyword(const QString& w)
{
    return w == QLatin1String("LEFT") || w == QLatin1String("RIGHT");
}

ValueKind kindOfTypeName(const QString& upper)
{
    static const QSet<QString> text = {QStringLiteral("CHAR"), QStringLiteral("VARCHAR"), QStringLiteral("NCHAR"),
                                       QStringLiteral("NVARCHAR"), QStringLiteral("TEXT"), QStringLiteral("NTEXT"),
                                       QStringLiteral("SYSNAME")};
    static const QSet<QString> number = {QStringLiteral("INT"), QStringLiteral("INTEGER"), QStringLiteral("BIGINT"),
                                         QStringLiteral("SMALLINT"), QStringLiteral("TINYINT"), QStringLiteral("BIT"),
                                         QStringLiteral("FLOAT"), QStringLiteral("REAL"), QStringLiteral("DECIMAL"),
                                         QStringLiteral("NUMERIC"), QStringLiteral("MONEY"),
                                         QStringLiteral("SMALLMONEY")};
    if (text.contains(upper))
        return ValueKind::Text;
    if (number.contains(upper))
        return ValueKind::Number;
    if (upper == QLatin1String("DATETIME") || upper == QLatin1String("SMALLDATETIME")
        || upper == QLatin1String("DATETIME2"))
        return ValueKind::DateTime;
    if (upper == QLatin1String("DATE"))
        return ValueKind::Date;
    if (upper == QLatin1String("BINARY") || upper == QLatin1String("VARBINARY") || upper == QLatin1String("IMAGE"))
        return ValueKind::Blob;
    return ValueKind::Unknown;
}

ValueKind kindOfDeclaredType(const QString& declaredType)
{
    if (declaredType.isEmpty())
        return ValueKind::Unknown;
    QString t = declaredType.toUpper();
    const int paren = t.indexOf(QLatin1Char('('));
    if (paren >= 0)
        t = t.left(paren);
    return kindOfTypeName(t.trimmed());
}

// ------------------------------------------------------------------------------------ scope

void Passes::addTable(const QString& table, const QString& alias)
{
    if (!table.isEmpty() && !tables_.contains(table, Qt::CaseInsensitive))
        tables_.append(table);
    if (!table.isEmpty())
        aliases_.insert(table.toUpper(), table);
    if (!alias.isEmpty())
        aliases_.insert(alias.toUpper(), table);
}

void Passes::collectScope(const Seq& s)
{
    const int n = static_cast<int>(s.size());
    for (int i = 0; i < n; ++i) {
        if (s[i].group) {
            collectScope(s[i].kids);
            continue;
        }
        const bool from = s[i].isWord("FROM");
        if (!(from || s[i].isWord("JOIN") || s[i].isWord("UPDATE") || s[i].isWord("INTO")))
            continue;
        int j = i + 1;
        while (j < n) {
            QString table, alias;
            if (j < n && s[j].isName()) {
                table = s[j].tok.value;
                if (s[j].tok.kind == Tok::Word)
                    table = s[j].tok.text;
                ++j;
                // a qualified name keeps its last part
                while (j + 1 < n && s[j].is(Tok::Dot) && s[j + 1].isName()) {
                    table = s[j + 1].tok.kind == Tok::Word ? s[j + 1].tok.text : s[j + 1].tok.value;
                    j += 2;
                }
            } else if (j < n && s[j].group) {
                ++j; // derived table
            } else {
                break;
            }
            if (j < n && s[j].isWord("AS"))
                ++j;
            if (j < n && s[j].isName()) {
                alias = s[j].tok.kind == Tok::Word ? s[j].tok.text : s[j].tok.value;
                ++j;
            }
            if (!table.isEmpty() && !catalog_.hasTable(table))
                table.clear();
            if (table.isEmpty() && !alias.isEmpty())
                aliases_.insert(alias.toUpper(), QString());
            else
                addTable(table, alias);
            if (from && j < n && s[j].is(Tok::Comma))
                ++j;
            else
                break;
        }
    }
}

QString Passes::tableOfQualifier(const QString& q) const
{
    const auto it = aliases_.constFind(q.toUpper());
    if (it != aliases_.constEnd())
        return it.value();
    if (catalog_.hasTable(q))
        return q;
    return {};
}

ValueKind Passes::refKind(const QStringList& parts) const
{
    if (parts.isEmpty())
        return ValueKind::Unknown;
    const QString col = parts.last();
    if (col == QLatin1String("*"))
        return ValueKind::Unknown;
    if (parts.size() >= 2) {
        const QString table = tableOfQualifier(parts[parts.size() - 2]);
        if (table.isEmpty())
            return ValueKind::Unknown;
        return kindOfDeclaredType(catalog_.declaredType(table, col));
    }
    bool found = false;
    ValueKind kind = ValueKind::Unknown;
    for (const QString& t : tables_) {
        const QString type = catalog_.declaredType(t, col);
        if (type.isEmpty())
            continue;
        const ValueKind k = kindOfDeclaredType(type);
        if (!found) {
            kind = k;
            found = true;
        } else if (k != kind) {
            return ValueKind::Unknown;
        }
    }
    if (found)
        return kind;
    const QStringList owners = catalog_.tablesWithColumn(col);
    for (const QString& t : owners) {
        const ValueKind k = kindOfDeclaredType(catalog_.declaredType(t, col));
        if (!found) {
            kind = k;
            found = true;
        } else if (k != kind) {
            return ValueKind::Unknown;
        }
    }
    return kind;
}

// ------------------------------------------------------------------------------ expressions

int Passes::afterCall(const Seq& s, int g) const
{
    int e = g + 1;
    if (e + 1 < static_cast<int>(s.size()) && s[e].isWord("OVER") && s[e + 1].group)
        e += 2;
    return e;
}

int Passes::primaryEnd(const Seq& s, int i) const
{
    const int n = static_cast<int>(s.size());
    if (i >= n)
        return -1;
    const Node& x = s[i];
    if (x.group)
        return i + 1;
    switch (x.tok.kind) {
    case Tok::String:
    case Tok::Number:
    case Tok::Param:
    case Tok::Raw:
    case Tok::Variable:
        return i + 1;
    case Tok::Word:
        if (x.isWord("NULL"))
            return i + 1;
        if (x.isWord("CASE")) {
            int depth = 0;
            for (int j = i; j < n; ++j) {
                if (s[j].isWord("CASE"))
                    ++depth;
                else if (s[j].isWord("END") && --depth == 0)
                    return j + 1;
            }
            failTranslation(QStringLiteral("Incorrect syntax near 'CASE'; END is missing."));
        }
        if (isKeyword(x.tok.value)) {
            if (isFunctionKeyword(x.tok.value) && i + 1 < n && s[i + 1].group)
                return afterCall(s, i + 1);
            return -1;
        }
        break;
    case Tok::QuotedId:
        break;
    default:
        return -1;
    }
    int j = i;
    while (j + 2 < n && s[j + 1].is(Tok::Dot)
           && (s[j + 2].is(Tok::Word) || s[j + 2].is(Tok::QuotedId) || s[j + 2].isOp("*")))
        j += 2;
    if (j == i && x.tok.kind == Tok::Word && i + 1 < n && s[i + 1].group)
        return afterCall(s, i + 1);
    return j + 1;
}

QStringList Passes::pathParts(const Seq& s, int b, int e) const
{
    QStringList parts;
    for (int i = b; i < e; i += 2) {
        const Node& x = s[i];
        if (x.group)
            return {};
        if (x.isOp("*"))
            parts << QStringLiteral("*");
        else if (x.tok.kind == Tok::Word || x.tok.kind == Tok::QuotedId)
            parts << x.tok.value;
        else
            return {};
    }
    return parts;
}

ValueKind Passes::functionKind(const QString& name, const Node& args) const
{
    static const QSet<QString> text = {
        QStringLiteral("LTRIM"), QStringLiteral("RTRIM"), QStringLiteral("TRIM"), QStringLiteral("UPPER"),
        QStringLiteral("LOWER"), QStringLiteral("SUBSTRING"), QStringLiteral("LEFT"), QStringLiteral("RIGHT"),
        QStringLiteral("REPLACE"), QStringLiteral("STR"), QStringLiteral("CHAR"), QStringLiteral("NCHAR"),
        QStringLiteral("SPACE"), QStringLiteral("REPLICATE"), QStringLiteral("REVERSE"), QStringLiteral("STUFF"),
        QStringLiteral("CONCAT"), QStringLiteral("QUOTENAME"), QStringLiteral("DATENAME"),
        QStringLiteral("FN_CREATELOGIN")};
    static const QSet<QString> number = {
        QStringLiteral("COUNT"), QStringLiteral("SUM"), QStringLiteral("AVG"), QStringLiteral("LEN"),
        QStringLiteral("DATALENGTH"), QStringLiteral("CHARINDEX"), QStringLiteral("ABS"), QStringLiteral("ROUND"),
        QStringLiteral("FLOOR"), QStringLiteral("CEILING"), QStringLiteral("DATEDIFF"), QStringLiteral("DATEPART"),
        QStringLiteral("YEAR"), QStringLiteral("MONTH"), QStringLiteral("DAY"), QStringLiteral("ROW_NUMBER"),
        QStringLiteral("RANK"), QStringLiteral("DENSE_RANK"), QStringLiteral("SIGN"), QStringLiteral("POWER"),
        QStringLiteral("SQRT"), QStringLiteral("ASCII"), QStringLiteral("UNICODE"), QStringLiteral("SCOPE_IDENTITY")};
    if (name == QLatin1String("CONVERT")) {
        if (!args.kids.empty() && args.kids[0].is(Tok::Word))
            return kindOfTypeName(args.kids[0].tok.value);
        return ValueKind::Unknown;
    }
    if (name == QLatin1String("CAST")) {
        const int as = findWord(args.kids, "AS");
        if (as >= 0 && as + 1 < static_cast<int>(args.kids.size()) && args.kids[as + 1].is(Tok::Word))
            return kindOfTypeName(args.kids[as + 1].tok.value);
        return ValueKind::Unknown;
    }
    if (text.contains(name))
        return ValueKind::Text;
    if (number.contains(name))
        return ValueKind::Number;
    if (name == QLatin1String("GETDATE") || name == QLatin1String("SYSDATETIME")
        || name == QLatin1String("CURRENT_TIMESTAMP") || name == QLatin1String("DATEADD"))
        return ValueKind::DateTime;
    const auto parts = splitCommas(args.kids, 0, static_cast<int>(args.kids.size()));
    if (name == QLatin1String("ISNULL") || name == QLatin1String("COALESCE") || name == QLatin1String("NULLIF")
        || name == QLatin1String("MIN") || name == QLatin1String("MAX")) {
        if (!parts.empty())
            return rangeKind(args.kids, parts[0].first, parts[0].second);
    }
    if (name == QLatin1String("IIF") && parts.size() >= 2)
        return rangeKind(args.kids, parts[1].first, parts[1].second);
    return ValueKind::Unknown;
}

ValueKind Passes::selectItemKind(const Seq& kids) const
{
    const int n = static_cast<int>(kids.size());
    int i = 1;
    if (i < n && (kids[i].isWord("DISTINCT") || kids[i].isWord("ALL")))
        ++i;
    if (i < n && kids[i].isWord("TOP")) {
        i += 2;
        if (i < n && kids[i].isWord("PERCENT"))
            ++i;
    }
    int e = i;
    while (e < n && !kids[e].is(Tok::Comma) && !kids[e].isWord("FROM"))
        ++e;
    return rangeKind(kids, i, e);
}

ValueKind Passes::primaryKind(const Seq& s, int b, int e) const
{
    const Node& x = s[b];
    if (x.group) {
        if (!x.kids.empty() && x.kids[0].isWord("SELECT"))
            return selectItemKind(x.kids);
        return rangeKind(x.kids, 0, static_cast<int>(x.kids.size()));
    }
    switch (x.tok.kind) {
    case Tok::String:
        return x.tok.plain ? ValueKind::Unknown : ValueKind::Text;
    case Tok::Number:
        return ValueKind::Number;
    case Tok::Param:
        return x.tok.param >= 0 && x.tok.param < paramKinds_.size() ? paramKinds_[x.tok.param] : ValueKind::Unknown;
    default:
        break;
    }
    if (x.isWord("NULL"))
        return ValueKind::Unknown;
    if (x.isWord("CASE")) {
        // the kind of the first THEN branch
        int depth = 0;
        for (int j = b; j < e; ++j) {
            if (s[j].isWord("CASE"))
                ++depth;
            else if (s[j].isWord("END"))
                --depth;
            else if (depth == 1 && s[j].isWord("THEN")) {
                int k = j + 1, d = 0;
                while (k < e) {
                    if (s[k].isWord("CASE"))
                        ++d;
                    else if (s[k].isWord("END")) {
                        if (d == 0)
                            break;
                        --d;
                    } else if (d == 0 && (s[k].isWord("WHEN") || s[k].isWord("ELSE")))
                        break;
                    ++k;
                }
                return rangeKind(s, j + 1, k);
            }
        }
        return ValueKind::Unknown;
    }
    if ((x.tok.kind == Tok::Word) && b + 1 < e && s[b + 1].group)
        return functionKind(x.tok.value, s[b + 1]);
    return refKind(pathParts(s, b, e));
}

Passes::Chain Passes::parseChain(const Seq& s, int i) const
{
    Chain c;
    const int n = static_cast<int>(s.size());
    int j = i;
    while (j < n) {
        int k = j;
        bool unary = false;
        while (k < n && isUnary(s[k])) {
            ++k;
            unary = true;
        }
        const int e = primaryEnd(s, k);
        if (e < 0)
            break;
        c.operands.push_back({j, e, unary});
        if (e < n && isArith(s[e])) {
            c.ops.push_back(e);
            j = e + 1;
            continue;
        }
        break;
    }
    if (!c.ops.empty() && c.ops.size() == c.operands.size())
        c.ops.pop_back();
    c.end = c.operands.empty() ? i : c.operands.back().e;
    return c;
}

ValueKind Passes::foldChain(const Seq& s, const Chain& c, std::vector<bool>* concat, bool* dateArith) const
{
    // terms: operands joined by multiplicative operators
    struct Term {
        int first, last;
    };
    std::vector<Term> terms{{0, 0}};
    std::vector<int> addOps;
    for (size_t k = 0; k < c.ops.size(); ++k) {
        if (isAdditive(s[c.ops[k]])) {
            addOps.push_back(static_cast<int>(k));
            terms.push_back({static_cast<int>(k) + 1, static_cast<int>(k) + 1});
        } else {
            terms.back().last = static_cast<int>(k) + 1;
        }
    }
    auto termKind = [&](const Term& t) {
        if (t.first != t.last)
            return ValueKind::Number;
        const Operand& o = c.operands[t.first];
        if (o.unary)
            return ValueKind::Number;
        return primaryKind(s, o.b, o.e);
    };
    if (concat)
        concat->assign(c.ops.size(), false);
    ValueKind acc = termKind(terms[0]);
    for (size_t a = 0; a < addOps.size(); ++a) {
        const ValueKind kt = termKind(terms[a + 1]);
        const QString op = s[c.ops[addOps[a]]].tok.text;
        if (op == QLatin1String("||")) {
            acc = ValueKind::Text;
        } else if (op == QLatin1String("+")
                   && ((acc == ValueKind::Text && (kt == ValueKind::Text || kt == ValueKind::Unknown))
                       || (acc == ValueKind::Unknown && kt == ValueKind::Text))) {
            if (concat)
                (*concat)[addOps[a]] = true;
            acc = ValueKind::Text;
        } else if ((op == QLatin1String("+") || op == QLatin1String("-")) && (isDateKind(acc) || isDateKind(kt))) {
            if (dateArith)
                *dateArith = true;
            acc = ValueKind::DateTime;
        } else {
            acc = ValueKind::Number;
        }
    }
    return acc;
}

ValueKind Passes::rangeKind(const Seq& s, int b, int e) const
{
    if (b >= e)
        return ValueKind::Unknown;
    auto whole = [&](int end, ValueKind* kind) {
        Seq copy(s.begin() + b, s.begin() + end);
        const Chain c = parseChain(copy, 0);
        if (c.operands.empty() || c.end != static_cast<int>(copy.size()))
            return false;
        if (c.ops.empty())
            *kind = c.operands[0].unary ? ValueKind::Number : primaryKind(copy, c.operands[0].b, c.operands[0].e);
        else
            *kind = foldChain(copy, c, nullptr, nullptr);
        return true;
    };
    ValueKind kind = ValueKind::Unknown;
    if (whole(e, &kind))
        return kind;
    // a trailing alias, or ASC / DESC, does not change the kind
    if (e - b >= 2 && (s[e - 1].isName() || s[e - 1].isWord("ASC") || s[e - 1].isWord("DESC"))
        && !s[e - 2].is(Tok::Dot)) {
        const int end = s[e - 2].isWord("AS") ? e - 2 : e - 1;
        if (whole(end, &kind))
            return kind;
    }
    return ValueKind::Unknown;
}

// ------------------------------------------------------------------------ result kinds

QList<ValueKind> Passes::columnKinds(const Seq& s) const
{
    QList<ValueKind> kinds;
    if (s.empty() || !s[0].isWord("SELECT"))
        return kinds;
    int i = 1;
    const int n = static_cast<int>(s.size());
    if (i < n && (s[i].isWord("DISTINCT") || s[i].isWord("ALL")))
        ++i;
    if (i < n && s[i].isWord("TOP")) {
        i += 2;
        if (i < n && s[i].isWord("PERCENT"))
            ++i;
    }
    int e = i;
    while (e < n && !s[e].isWord("FROM") && !s[e].isWord("UNION") && !s[e].isWord("EXCEPT")
           && !s[e].isWord("INTERSECT") && !s[e].isWord("ORDER") && !s[e].isWord("INTO"))
        ++e;
    for (const auto& [b, pe] : splitCommas(s, i, e)) {
        if (pe > b && s[pe - 1].isOp("*"))
            return {};
        kinds << rangeKind(s, b, pe);
    }
    return kinds;
}

} // namespace qel::server::tsql
