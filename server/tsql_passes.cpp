#include "server/tsql_passes.h"

#include "server/contract.h"
#include "server/table_functions.h"

#include <QSet>

#include <functional>

namespace qel::server::tsql {
namespace {

QString collationName() { return QStringLiteral("qel_ci"); }

[[noreturn]] void fail(const QString& message) { throw TranslateError{message}; }

QString notSupported(const QString& what)
{
    return QStringLiteral("%1 is not supported by the embedded server.").arg(what);
}

bool isIdent(const Token& t) { return t.kind == Tok::Word || t.kind == Tok::QuotedId; }
bool identIs(const Token& t, const char* upper) { return isIdent(t) && t.value.toUpper() == QLatin1String(upper); }

bool isArith(const Node& n)
{
    if (n.group || n.tok.kind != Tok::Op)
        return false;
    static const QSet<QString> ops = {QStringLiteral("+"), QStringLiteral("-"), QStringLiteral("*"),
                                      QStringLiteral("/"), QStringLiteral("%"), QStringLiteral("&"),
                                      QStringLiteral("|"), QStringLiteral("^"), QStringLiteral("||")};
    return ops.contains(n.tok.text);
}

bool isAdditive(const Node& n)
{
    static const QSet<QString> ops = {QStringLiteral("+"), QStringLiteral("-"), QStringLiteral("&"),
                                      QStringLiteral("|"), QStringLiteral("^"), QStringLiteral("||")};
    return ops.contains(n.tok.text);
}

bool isUnary(const Node& n) { return n.isOp("+") || n.isOp("-") || n.isOp("~"); }

bool isCompare(const Node& n)
{
    if (n.group || n.tok.kind != Tok::Op)
        return false;
    static const QSet<QString> ops = {QStringLiteral("="), QStringLiteral("<>"), QStringLiteral("!="),
                                      QStringLiteral("<"), QStringLiteral(">"), QStringLiteral("<="),
                                      QStringLiteral(">="), QStringLiteral("!<"), QStringLiteral("!>")};
    return ops.contains(n.tok.text);
}

bool isDateKind(ValueKind k) { return k == ValueKind::DateTime || k == ValueKind::Date; }

// Keywords that are also functions when a parenthesis follows.
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

// ------------------------------------------------------------------------------------------

class Passes {
public:
    Passes(const Catalog& catalog, const Options& options, const QList<ValueKind>& paramKinds,
           QHash<int, ValueKind>* paramDates)
        : catalog_(catalog), options_(options), paramKinds_(paramKinds), paramDates_(paramDates)
    {
    }

    DmlResult run(Seq seq, const QString& fragmentTable);

private:
    // scope
    void collectScope(const Seq& s);
    void addTable(const QString& table, const QString& alias);
    QString tableOfQualifier(const QString& q) const;
    ValueKind refKind(const QStringList& parts) const;

    // expressions
    int primaryEnd(const Seq& s, int i) const;
    int afterCall(const Seq& s, int g) const;
    QStringList pathParts(const Seq& s, int b, int e) const;
    ValueKind primaryKind(const Seq& s, int b, int e) const;
    ValueKind rangeKind(const Seq& s, int b, int e) const;
    ValueKind functionKind(const QString& name, const Node& args) const;
    ValueKind selectItemKind(const Seq& kids) const;

    struct Operand {
        int b, e;
        bool unary;
    };
    struct Chain {
        std::vector<Operand> operands;
        std::vector<int> ops;
        int end = 0;
    };
    Chain parseChain(const Seq& s, int i) const;
    ValueKind foldChain(const Seq& s, const Chain& c, std::vector<bool>* concat, bool* dateArith) const;

    // passes
    void checkTree(const Seq& s, bool unpivotSpec) const;
    void tableFunctions(Seq& s);
    void datepartArguments(Seq& s);
    void plusPass(Seq& s);
    void datePass(Seq& s);
    void insertValueDates(Seq& s);
    void convertPass(Seq& s);
    Seq convertTo(const Seq& typeSpec, Seq expr, const Seq* style, ValueKind exprKind) const;
    void topPass(Seq& s);
    void collatePass(Seq& s);
    void insertColumns(Seq& s);
    void unpivotPass(Seq& s);
    QList<ValueKind> columnKinds(const Seq& s) const;

    void markDate(Node& n, ValueKind kind, DateOrder order);

    const Catalog& catalog_;
    const Options& options_;
    const QList<ValueKind>& paramKinds_;
    QHash<int, ValueKind>* paramDates_;
    QHash<QString, QString> aliases_; // upper alias/table -> table ("" for a derived table)
    QStringList tables_;
};

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
            fail(QStringLiteral("Incorrect syntax near 'CASE'; END is missing."));
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

// ----------------------------------------------------------------------------------- checks

void Passes::checkTree(const Seq& s, bool unpivotSpec) const
{
    for (size_t i = 0; i < s.size(); ++i) {
        const Node& x = s[i];
        if (x.group) {
            checkTree(x.kids, i > 0 && s[i - 1].isWord("UNPIVOT"));
            continue;
        }
        if (x.isWord("FOR") && !unpivotSpec)
            fail(notSupported(QStringLiteral("'FOR %1'").arg(i + 1 < s.size() ? s[i + 1].tok.text : QString())));
        if (x.isWord("WITH") && i > 0) {
            if (i + 1 < s.size() && s[i + 1].isWord("TIES"))
                fail(notSupported(QStringLiteral("TOP ... WITH TIES")));
            fail(notSupported(QStringLiteral("'WITH' after the start of a statement (a table hint or option)")));
        }
    }
}

// -------------------------------------------------------------------------- table functions

bool inFromList(const Seq& s, int i)
{
    for (int j = i - 1; j >= 0; --j) {
        const Node& x = s[j];
        if (x.isWord("FROM") || x.isWord("JOIN") || x.isWord("ON"))
            return true;
        if (x.isWord("WHERE") || x.isWord("SELECT") || x.isWord("GROUP") || x.isWord("ORDER")
            || x.isWord("HAVING") || x.isWord("SET") || x.isWord("VALUES"))
            return false;
    }
    return false;
}

void Passes::tableFunctions(Seq& s)
{
    for (int i = 0; i < static_cast<int>(s.size()); ++i) {
        if (s[i].group) {
            tableFunctions(s[i].kids);
            continue;
        }
        if (!s[i].is(Tok::Word) && !s[i].is(Tok::QuotedId))
            continue;
        const QString upper = s[i].tok.value.toUpper();
        const QString sql = tableFunctionSql(upper);
        if (sql.isEmpty())
            continue;
        const contract::Routine* r = contract::findRoutine(upper);
        const QString name = r ? r->name : s[i].tok.value;
        if (i + 1 >= static_cast<int>(s.size()) || !s[i + 1].group)
            fail(QStringLiteral("Parameters were not supplied for the function '%1'.").arg(name));
        const bool fromContext = i > 0
            && (s[i - 1].isWord("FROM") || s[i - 1].isWord("JOIN") || s[i - 1].isWord("APPLY")
                || (s[i - 1].is(Tok::Comma) && inFromList(s, i - 1)));
        if (!fromContext)
            fail(QStringLiteral("The table function '%1' may only be used in a FROM clause.").arg(name));
        Seq argsSeq = s[i + 1].kids;
        tableFunctions(argsSeq);
        const auto parts = splitCommas(argsSeq, 0, static_cast<int>(argsSeq.size()));
        const int expected = r ? static_cast<int>(r->inputs().size()) : 0;
        if (static_cast<int>(parts.size()) > expected)
            fail(QStringLiteral("Procedure or function %1 has too many arguments specified.").arg(name));
        if (static_cast<int>(parts.size()) < expected)
            fail(QStringLiteral("An insufficient number of arguments were supplied for the procedure or function %1.")
                     .arg(name));
        std::vector<Seq> args;
        for (const auto& [b, e] : parts) {
            Seq a(argsSeq.begin() + b, argsSeq.begin() + e);
            if (a.size() == 1 && a[0].is(Tok::String)) {
                bool ok = false;
                a[0].tok.value.trimmed().toLongLong(&ok);
                if (!ok)
                    fail(QStringLiteral("Conversion failed when converting the varchar value '%1' to data type int.")
                             .arg(a[0].tok.value));
            }
            args.push_back(std::move(a));
        }
        Seq body = parseSql(sql);
        std::function<void(Seq&)> substitute = [&](Seq& seq) {
            for (Node& n : seq) {
                if (n.group) {
                    substitute(n.kids);
                } else if (n.is(Tok::Word) && n.tok.value.startsWith(QLatin1String("__ARG"))) {
                    const int k = n.tok.value.mid(5).toInt() - 1;
                    n = makeGroup(args[k]);
                }
            }
        };
        substitute(body);
        Node derived = makeGroup(std::move(body));
        derived.tok.spaceBefore = s[i].tok.spaceBefore;
        s.erase(s.begin() + i, s.begin() + i + 2);
        s.insert(s.begin() + i, std::move(derived));
        const bool hasAlias = i + 1 < static_cast<int>(s.size()) && (s[i + 1].isWord("AS") || s[i + 1].isName());
        if (!hasAlias) {
            s.insert(s.begin() + i + 1, makeWord(QStringLiteral("AS")));
            s.insert(s.begin() + i + 2, makeName(name));
            i += 2;
        }
    }
}

void Passes::datepartArguments(Seq& s)
{
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i].group) {
            datepartArguments(s[i].kids);
            continue;
        }
        if ((s[i].isWord("DATEADD") || s[i].isWord("DATEDIFF") || s[i].isWord("DATEPART") || s[i].isWord("DATENAME"))
            && i + 1 < s.size() && s[i + 1].group && !s[i + 1].kids.empty() && s[i + 1].kids[0].is(Tok::Word)) {
            Node& first = s[i + 1].kids[0];
            const bool space = first.tok.spaceBefore;
            first = makeString(first.tok.value.toLower());
            first.tok.spaceBefore = space;
        }
    }
}

// --------------------------------------------------------------------------- "+" of texts

void Passes::plusPass(Seq& s)
{
    for (Node& x : s)
        if (x.group)
            plusPass(x.kids);
    // the branches of CASE ... END first: the chains below treat a CASE as one operand
    for (int k = 0; k < static_cast<int>(s.size()); ++k) {
        if (!s[k].isWord("CASE"))
            continue;
        const int end = primaryEnd(s, k) - 1;
        Seq body(s.begin() + k + 1, s.begin() + end);
        plusPass(body);
        s.erase(s.begin() + k + 1, s.begin() + end);
        s.insert(s.begin() + k + 1, body.begin(), body.end());
        k += static_cast<int>(body.size());
    }
    int i = 0;
    while (i < static_cast<int>(s.size())) {
        const Chain c = parseChain(s, i);
        if (c.ops.empty()) {
            i = std::max(i + 1, c.end);
            continue;
        }
        std::vector<bool> concat;
        bool dateArith = false;
        foldChain(s, c, &concat, &dateArith);
        const int b = c.operands.front().b;
        if (dateArith)
            fail(QStringLiteral("Date arithmetic with '+' or '-' is not supported by the embedded server ('%1'); "
                                "use DATEADD or DATEDIFF.")
                     .arg(emitSql(s, b, c.end).trimmed()));
        bool any = false;
        for (bool k : concat)
            any = any || k;
        if (!any) {
            i = c.end;
            continue;
        }
        // operands [b_k, e_k) joined by ops; rebuild left to right with explicit grouping
        Seq acc(s.begin() + c.operands[0].b, s.begin() + c.operands[0].e);
        int mode = 0; // 1: acc ends in concatenation, 2: in another operator
        for (size_t k = 0; k < c.ops.size(); ++k) {
            const Operand& o = c.operands[k + 1];
            Seq term(s.begin() + o.b, s.begin() + o.e);
            if (concat[k]) {
                if (mode == 2)
                    acc = Seq{makeGroup(std::move(acc))};
                acc.push_back(makeOp(QStringLiteral("||")));
                mode = 1;
            } else {
                if (mode == 1 && isAdditive(s[c.ops[k]]))
                    acc = Seq{makeGroup(std::move(acc))};
                acc.push_back(s[c.ops[k]]);
                if (isAdditive(s[c.ops[k]]))
                    mode = 2;
            }
            acc.insert(acc.end(), term.begin(), term.end());
        }
        const int len = static_cast<int>(acc.size());
        s.erase(s.begin() + b, s.begin() + c.end);
        s.insert(s.begin() + b, acc.begin(), acc.end());
        i = b + len;
    }
}

// ---------------------------------------------------------------------- date literals

void Passes::markDate(Node& n, ValueKind kind, DateOrder order)
{
    if (n.is(Tok::Param)) {
        if (paramDates_)
            paramDates_->insert(n.tok.param, kind);
        return;
    }
    if (!n.is(Tok::String) || n.tok.plain)
        return;
    QString stored;
    if (!parseDateLiteral(n.tok.value, order, kind, &stored))
        fail(QStringLiteral("Conversion failed when converting date and/or time from character string."));
    n.tok.value = stored;
    n.tok.plain = true;
}

void Passes::datePass(Seq& s)
{
    for (Node& x : s)
        if (x.group)
            datePass(x.kids);
    const int n = static_cast<int>(s.size());
    // the kind of the column reference that ends right before index e, or Unknown
    auto refBefore = [&](int e) {
        int b = e - 1;
        if (b < 0 || !(s[b].is(Tok::Word) || s[b].is(Tok::QuotedId)))
            return ValueKind::Unknown;
        while (b - 2 >= 0 && s[b - 1].is(Tok::Dot) && (s[b - 2].is(Tok::Word) || s[b - 2].is(Tok::QuotedId)))
            b -= 2;
        if (s[b].is(Tok::Word) && isKeyword(s[b].tok.value))
            return ValueKind::Unknown;
        if (b > 0 && (s[b - 1].is(Tok::Dot) || isArith(s[b - 1])))
            return ValueKind::Unknown;
        return refKind(pathParts(s, b, e));
    };
    auto refAfter = [&](int b) {
        const int e = primaryEnd(s, b);
        if (e < 0 || s[b].group || !(s[b].is(Tok::Word) || s[b].is(Tok::QuotedId)) || (e < n && isArith(s[e])))
            return ValueKind::Unknown;
        if (e > b + 1 && s[b + 1].group)
            return ValueKind::Unknown; // a function call
        return refKind(pathParts(s, b, e));
    };
    auto isValue = [&](int k) { return k >= 0 && k < n && (s[k].is(Tok::String) || s[k].is(Tok::Param)); };
    auto standsAlone = [&](int k) { return k + 1 >= n || !isArith(s[k + 1]); };
    for (int i = 0; i < n; ++i) {
        if (isCompare(s[i])) {
            if (isValue(i + 1) && standsAlone(i + 1) && !(i > 0 && isArith(s[i - 1]))) {
                const ValueKind k = refBefore(i);
                if (isDateKind(k))
                    markDate(s[i + 1], k, options_.dateOrder);
            }
            if (isValue(i - 1) && !(i >= 2 && isArith(s[i - 2]))) {
                const ValueKind k = refAfter(i + 1);
                if (isDateKind(k))
                    markDate(s[i - 1], k, options_.dateOrder);
            }
        } else if (s[i].isWord("BETWEEN")) {
            const int left = i > 0 && s[i - 1].isWord("NOT") ? i - 1 : i;
            const ValueKind k = refBefore(left);
            if (isDateKind(k) && i + 3 < n && s[i + 2].isWord("AND")) {
                if (isValue(i + 1))
                    markDate(s[i + 1], k, options_.dateOrder);
                if (isValue(i + 3))
                    markDate(s[i + 3], k, options_.dateOrder);
            }
        } else if (s[i].isWord("IN") && i + 1 < n && s[i + 1].group) {
            const int left = i > 0 && s[i - 1].isWord("NOT") ? i - 1 : i;
            const ValueKind k = refBefore(left);
            if (!isDateKind(k))
                continue;
            Seq& list = s[i + 1].kids;
            for (const auto& [b, e] : splitCommas(list, 0, static_cast<int>(list.size())))
                if (e == b + 1 && (list[b].is(Tok::String) || list[b].is(Tok::Param)))
                    markDate(list[b], k, options_.dateOrder);
        }
    }
}

void Passes::insertValueDates(Seq& s)
{
    // INSERT [INTO] table [(columns)] VALUES (...), (...)
    if (s.empty() || !s[0].isWord("INSERT"))
        return;
    int j = 1;
    if (j < static_cast<int>(s.size()) && s[j].isWord("INTO"))
        ++j;
    if (j >= static_cast<int>(s.size()) || !s[j].isName())
        return;
    const QString table = s[j].tok.kind == Tok::Word ? s[j].tok.text : s[j].tok.value;
    ++j;
    QStringList columns;
    if (j < static_cast<int>(s.size()) && s[j].group) {
        for (const Node& c : s[j].kids)
            if (c.is(Tok::Word) || c.is(Tok::QuotedId))
                columns << c.tok.value;
        ++j;
    } else {
        for (const QString& c : catalog_.columns(table))
            if (!catalog_.isIdentity(table, c))
                columns << c;
    }
    if (j >= static_cast<int>(s.size()) || !s[j].isWord("VALUES"))
        return;
    for (int k = j + 1; k < static_cast<int>(s.size()); ++k) {
        if (!s[k].group)
            continue;
        Seq& vals = s[k].kids;
        const auto parts = splitCommas(vals, 0, static_cast<int>(vals.size()));
        for (size_t c = 0; c < parts.size() && c < static_cast<size_t>(columns.size()); ++c) {
            const auto [b, e] = parts[c];
            if (e != b + 1 || !(vals[b].is(Tok::String) || vals[b].is(Tok::Param)))
                continue;
            const ValueKind kind = kindOfDeclaredType(catalog_.declaredType(table, columns[c]));
            if (isDateKind(kind))
                markDate(vals[b], kind, options_.dateOrder);
        }
    }
}

// --------------------------------------------------------------------------- CONVERT / CAST

Seq call(const QString& function, std::vector<Seq> args)
{
    Seq kids;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i > 0)
            kids.push_back(makeComma());
        kids.insert(kids.end(), args[i].begin(), args[i].end());
    }
    Node g = makeGroup(std::move(kids));
    g.tok.spaceBefore = false;
    return Seq{makeWord(function), std::move(g)};
}

DateOrder styleOrder(int style, DateOrder session)
{
    switch (style) {
    case 1: case 101: case 10: case 110: return DateOrder::MDY;
    case 3: case 103: case 4: case 104: case 5: case 105: return DateOrder::DMY;
    case 11: case 111: case 12: case 112: case 20: case 120: case 21: case 121: case 23: case 126: return DateOrder::YMD;
    default: return session;
    }
}

QString orderName(DateOrder o)
{
    switch (o) {
    case DateOrder::MDY: return QStringLiteral("mdy");
    case DateOrder::DMY: return QStringLiteral("dmy");
    case DateOrder::YMD: return QStringLiteral("ymd");
    case DateOrder::YDM: return QStringLiteral("ydm");
    case DateOrder::MYD: return QStringLiteral("myd");
    case DateOrder::DYM: return QStringLiteral("dym");
    }
    return QStringLiteral("mdy");
}

Seq Passes::convertTo(const Seq& typeSpec, Seq expr, const Seq* style, ValueKind exprKind) const
{
    if (typeSpec.empty() || !typeSpec[0].is(Tok::Word))
        fail(QStringLiteral("Incorrect syntax near '%1'.").arg(typeSpec.empty() ? QString() : emitSql(typeSpec).trimmed()));
    const QString type = typeSpec[0].tok.value;
    // length / precision arguments
    QStringList lengths;
    if (typeSpec.size() > 1 && typeSpec[1].group)
        for (const Node& k : typeSpec[1].kids)
            if (!k.is(Tok::Comma))
                lengths << k.tok.text.toUpper();
    int styleNumber = 0;
    if (style) {
        if (style->size() != 1 || !(*style)[0].is(Tok::Number))
            fail(notSupported(QStringLiteral("A CONVERT style that is not a number")));
        styleNumber = (*style)[0].tok.text.toInt();
    }
    const ValueKind target = kindOfTypeName(type);
    if (target == ValueKind::Text) {
        Seq text;
        if (isDateKind(exprKind))
            text = call(QStringLiteral("tsql_date_text"), {expr, Seq{makeNumber(QString::number(styleNumber))}});
        else
            text = call(QStringLiteral("tsql_text"), {expr});
        QString length = lengths.isEmpty() ? QStringLiteral("30") : lengths.first();
        if (length != QLatin1String("MAX"))
            text = call(QStringLiteral("substr"), {text, Seq{makeNumber(QStringLiteral("1"))}, Seq{makeNumber(length)}});
        text.push_back(makeWord(QStringLiteral("COLLATE")));
        text.push_back(makeWord(collationName()));
        return Seq{makeGroup(std::move(text))};
    }
    if (type == QLatin1String("BIT"))
        return call(QStringLiteral("tsql_bit"), {expr});
    if (target == ValueKind::Number) {
        if (type == QLatin1String("INT") || type == QLatin1String("INTEGER") || type == QLatin1String("BIGINT")
            || type == QLatin1String("SMALLINT") || type == QLatin1String("TINYINT"))
            return call(QStringLiteral("tsql_int"), {expr});
        Seq value = call(QStringLiteral("tsql_float"), {expr});
        QString scale;
        if (type == QLatin1String("DECIMAL") || type == QLatin1String("NUMERIC"))
            scale = lengths.size() >= 2 ? lengths[1] : QStringLiteral("0");
        else if (type == QLatin1String("MONEY") || type == QLatin1String("SMALLMONEY"))
            scale = QStringLiteral("4");
        if (!scale.isEmpty())
            return call(QStringLiteral("round"), {value, Seq{makeNumber(scale)}});
        return value;
    }
    if (isDateKind(target)) {
        const DateOrder order = styleOrder(styleNumber, options_.dateOrder);
        if (expr.size() == 1 && expr[0].is(Tok::String)) {
            QString stored;
            if (!parseDateLiteral(expr[0].tok.value, order, target, &stored))
                fail(QStringLiteral("Conversion failed when converting date and/or time from character string."));
            Node lit = makeString(stored, true);
            return Seq{lit};
        }
        const QString fn = target == ValueKind::Date ? QStringLiteral("tsql_date") : QStringLiteral("tsql_datetime");
        return call(fn, {expr, Seq{makeString(orderName(order), true)}});
    }
    if (target == ValueKind::Blob)
        fail(notSupported(QStringLiteral("Conversion to %1").arg(type.toLower())));
    fail(QStringLiteral("Type %1 is not a defined system type.").arg(typeSpec[0].tok.text));
}

void Passes::convertPass(Seq& s)
{
    for (int i = 0; i < static_cast<int>(s.size()); ++i) {
        if (s[i].group) {
            convertPass(s[i].kids);
            continue;
        }
        const bool isConvert = s[i].isWord("CONVERT");
        const bool isCast = s[i].isWord("CAST");
        if (!(isConvert || isCast) || i + 1 >= static_cast<int>(s.size()) || !s[i + 1].group)
            continue;
        Seq& kids = s[i + 1].kids;
        Seq typeSpec, expr;
        const Seq* style = nullptr;
        Seq styleSeq;
        if (isConvert) {
            const auto parts = splitCommas(kids, 0, static_cast<int>(kids.size()));
            if (parts.size() < 2 || parts.size() > 3)
                fail(QStringLiteral("Incorrect syntax near 'CONVERT'."));
            typeSpec.assign(kids.begin() + parts[0].first, kids.begin() + parts[0].second);
            expr.assign(kids.begin() + parts[1].first, kids.begin() + parts[1].second);
            if (parts.size() == 3) {
                styleSeq.assign(kids.begin() + parts[2].first, kids.begin() + parts[2].second);
                style = &styleSeq;
            }
        } else {
            int as = -1;
            for (int k = static_cast<int>(kids.size()) - 1; k >= 0; --k)
                if (kids[k].isWord("AS")) {
                    as = k;
                    break;
                }
            if (as < 0)
                fail(QStringLiteral("Incorrect syntax near 'CAST'."));
            expr.assign(kids.begin(), kids.begin() + as);
            typeSpec.assign(kids.begin() + as + 1, kids.end());
        }
        const ValueKind exprKind = rangeKind(expr, 0, static_cast<int>(expr.size()));
        convertPass(expr);
        Seq replacement = convertTo(typeSpec, std::move(expr), style, exprKind);
        if (!replacement.empty())
            replacement.front().tok.spaceBefore = s[i].tok.spaceBefore;
        s.erase(s.begin() + i, s.begin() + i + 2);
        s.insert(s.begin() + i, replacement.begin(), replacement.end());
        i += static_cast<int>(replacement.size()) - 1;
    }
}

// ---------------------------------------------------------------------------------------- TOP

void Passes::topPass(Seq& s)
{
    for (Node& x : s)
        if (x.group)
            topPass(x.kids);
    bool compound = false;
    for (const Node& x : s)
        if (x.isWord("UNION") || x.isWord("EXCEPT") || x.isWord("INTERSECT"))
            compound = true;
    for (int i = 0; i < static_cast<int>(s.size()); ++i) {
        if (s[i].isWord("UPDATE") || s[i].isWord("DELETE") || s[i].isWord("INSERT")) {
            if (i + 1 < static_cast<int>(s.size()) && s[i + 1].isWord("TOP"))
                fail(notSupported(QStringLiteral("TOP in %1").arg(s[i].tok.value)));
            continue;
        }
        if (!s[i].isWord("SELECT"))
            continue;
        int j = i + 1;
        if (j < static_cast<int>(s.size()) && (s[j].isWord("DISTINCT") || s[j].isWord("ALL")))
            ++j;
        if (j >= static_cast<int>(s.size()) || !s[j].isWord("TOP"))
            continue;
        if (j + 1 >= static_cast<int>(s.size()))
            fail(QStringLiteral("Incorrect syntax near 'TOP'."));
        Seq count;
        if (s[j + 1].group)
            count = s[j + 1].kids;
        else if (s[j + 1].is(Tok::Number) || s[j + 1].is(Tok::Param))
            count = Seq{s[j + 1]};
        else
            fail(QStringLiteral("Incorrect syntax near 'TOP'."));
        int k = j + 2;
        bool percent = false;
        if (k < static_cast<int>(s.size()) && s[k].isWord("PERCENT")) {
            percent = true;
            ++k;
        }
        if (k + 1 < static_cast<int>(s.size()) && s[k].isWord("WITH") && s[k + 1].isWord("TIES"))
            fail(notSupported(QStringLiteral("TOP ... WITH TIES")));
        s.erase(s.begin() + j, s.begin() + k);
        int end = i + 1;
        while (end < static_cast<int>(s.size())
               && !(s[end].isWord("UNION") || s[end].isWord("EXCEPT") || s[end].isWord("INTERSECT")))
            ++end;
        if (compound && end == static_cast<int>(s.size())) {
            for (int o = i + 1; o + 1 < end; ++o)
                if (s[o].isWord("ORDER") && s[o + 1].isWord("BY")) {
                    end = o;
                    break;
                }
        }
        Seq limit;
        bool noLimit = false;
        if (percent) {
            const bool literal = count.size() == 1 && count[0].is(Tok::Number);
            const double n = literal ? count[0].tok.text.toDouble() : -1;
            if (literal && n >= 100) {
                noLimit = true;
            } else if (literal && n <= 0) {
                limit = Seq{makeNumber(QStringLiteral("0"))};
            } else {
                // ceiling of the share of the rows the query returns
                Seq member(s.begin() + i, s.begin() + end);
                limit = parseSql(QStringLiteral(
                    "SELECT CAST((COUNT(*) * __ARG1 + 99.999999) / 100 AS INTEGER) FROM __ARG2"));
                std::function<void(Seq&)> sub = [&](Seq& seq) {
                    for (Node& x : seq) {
                        if (x.group)
                            sub(x.kids);
                        else if (x.is(Tok::Word) && x.tok.value == QLatin1String("__ARG1"))
                            x = makeGroup(count);
                        else if (x.is(Tok::Word) && x.tok.value == QLatin1String("__ARG2"))
                            x = makeGroup(member);
                    }
                };
                sub(limit);
                limit = Seq{makeGroup(std::move(limit))};
            }
        } else {
            limit = count;
        }
        if (noLimit)
            continue;
        Seq limitNodes{makeWord(QStringLiteral("LIMIT")), makeGroup(std::move(limit))};
        if (compound) {
            Seq member(s.begin() + i, s.begin() + end);
            member.insert(member.end(), limitNodes.begin(), limitNodes.end());
            Seq wrapped{makeWord(QStringLiteral("SELECT")), makeOp(QStringLiteral("*")), makeWord(QStringLiteral("FROM")),
                        makeGroup(std::move(member))};
            wrapped.front().tok.spaceBefore = s[i].tok.spaceBefore;
            s.erase(s.begin() + i, s.begin() + end);
            s.insert(s.begin() + i, wrapped.begin(), wrapped.end());
        } else {
            s.insert(s.begin() + end, limitNodes.begin(), limitNodes.end());
        }
    }
}

// -------------------------------------------------------------------------------- collation

void Passes::collatePass(Seq& s)
{
    for (int i = 0; i < static_cast<int>(s.size()); ++i) {
        Node& x = s[i];
        if (x.group) {
            collatePass(x.kids);
            continue;
        }
        if (!x.is(Tok::String) || x.tok.plain)
            continue;
        if (i > 0 && s[i - 1].isWord("AS")) {
            // 'name' as a column alias
            const bool space = x.tok.spaceBefore;
            x = makeName(x.tok.value);
            x.tok.spaceBefore = space;
            continue;
        }
        // literals take the database's collation, as the server gives them
        s.insert(s.begin() + i + 1, makeWord(QStringLiteral("COLLATE")));
        s.insert(s.begin() + i + 2, makeWord(collationName()));
        i += 2;
    }
}

// ------------------------------------------------------------------------- INSERT columns

void Passes::insertColumns(Seq& s)
{
    if (s.empty() || !s[0].isWord("INSERT"))
        return;
    int j = 1;
    if (j >= static_cast<int>(s.size()) || !s[j].isWord("INTO"))
        s.insert(s.begin() + j, makeWord(QStringLiteral("INTO")));
    ++j;
    if (j >= static_cast<int>(s.size()) || !s[j].isName())
        fail(QStringLiteral("Incorrect syntax near 'INSERT'."));
    const QString table = s[j].tok.kind == Tok::Word ? s[j].tok.text : s[j].tok.value;
    ++j;
    if (j < static_cast<int>(s.size()) && (s[j].group || s[j].isWord("DEFAULT")))
        return;
    // Without a column list the server fills every column except the identity.
    Seq cols;
    for (const QString& c : catalog_.columns(table)) {
        if (catalog_.isIdentity(table, c))
            continue;
        if (!cols.empty())
            cols.push_back(makeComma());
        cols.push_back(makeName(c));
    }
    if (cols.empty())
        fail(QStringLiteral("Invalid object name '%1'.").arg(table));
    s.insert(s.begin() + j, makeGroup(std::move(cols)));
}

// -------------------------------------------------------------------------------- UNPIVOT

void Passes::unpivotPass(Seq& s)
{
    for (Node& x : s)
        if (x.group)
            unpivotPass(x.kids);
    for (int u = 0; u < static_cast<int>(s.size()); ++u) {
        if (!s[u].isWord("UNPIVOT"))
            continue;
        auto bad = [] { fail(QStringLiteral("Incorrect syntax near 'UNPIVOT'.")); };
        // <source> [AS] alias UNPIVOT (value FOR name IN (c1, ...)) [AS] alias2
        if (u < 2 || !s[u - 1].isName())
            bad();
        const QString sourceAlias = s[u - 1].tok.kind == Tok::Word ? s[u - 1].tok.text : s[u - 1].tok.value;
        int b = u - 2;
        if (b >= 0 && s[b].isWord("AS"))
            --b;
        if (b < 0)
            bad();
        int sourceBegin = b;
        if (!s[b].group) {
            while (sourceBegin - 2 >= 0 && s[sourceBegin - 1].is(Tok::Dot) && s[sourceBegin - 2].isName())
                sourceBegin -= 2;
            if (!s[sourceBegin].isName())
                bad();
        }
        if (u + 1 >= static_cast<int>(s.size()) || !s[u + 1].group)
            bad();
        const Seq& spec = s[u + 1].kids;
        if (spec.size() != 5 || !spec[0].isName() || !spec[1].isWord("FOR") || !spec[2].isName()
            || !spec[3].isWord("IN") || !spec[4].group)
            bad();
        const QString valueCol = spec[0].tok.kind == Tok::Word ? spec[0].tok.text : spec[0].tok.value;
        const QString nameCol = spec[2].tok.kind == Tok::Word ? spec[2].tok.text : spec[2].tok.value;
        QStringList list;
        for (const auto& [pb, pe] : splitCommas(spec[4].kids, 0, static_cast<int>(spec[4].kids.size()))) {
            if (pe != pb + 1 || !spec[4].kids[pb].isName())
                bad();
            const Node& c = spec[4].kids[pb];
            list << (c.tok.kind == Tok::Word ? c.tok.text : c.tok.value);
        }
        int a = u + 2;
        if (a < static_cast<int>(s.size()) && s[a].isWord("AS"))
            ++a;
        if (a >= static_cast<int>(s.size()) || !s[a].isName())
            bad();
        const QString resultAlias = s[a].tok.kind == Tok::Word ? s[a].tok.text : s[a].tok.value;

        auto q = [](const QString& name) {
            QString v = name;
            v.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            return QLatin1Char('"') + v + QLatin1Char('"');
        };
        const QString source = emitSql(s, sourceBegin, b + 1).trimmed() + QStringLiteral(" AS ") + q(sourceAlias);
        const QStringList sourceColumns = catalog_.queryColumns(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(source));
        QStringList others;
        for (const QString& c : sourceColumns)
            if (!list.contains(c, Qt::CaseInsensitive))
                others << q(c);
        for (const QString& c : list)
            if (!sourceColumns.contains(c, Qt::CaseInsensitive))
                fail(QStringLiteral("Invalid column name '%1'.").arg(c));
        const QString otherList = others.isEmpty() ? QString() : others.join(QStringLiteral(", ")) + QStringLiteral(", ");
        QStringList members;
        for (int k = 0; k < list.size(); ++k) {
            const QString lit = QStringLiteral("'%1' COLLATE qel_ci").arg(QString(list[k]).replace(QLatin1Char('\''), QStringLiteral("''")));
            members << QStringLiteral("SELECT %1%2 AS %3, %4 AS %5, \"__rn\", %6 AS \"__k\" FROM \"__src\" WHERE %4 IS NOT NULL")
                           .arg(otherList, lit, q(nameCol), q(list[k]), q(valueCol))
                           .arg(k);
        }
        // T-SQL gives the rows source row by source row, columns in list order; NULLs drop out.
        const QString sql = QStringLiteral("(WITH \"__src\" AS (SELECT *, ROW_NUMBER() OVER () AS \"__rn\" FROM %1) "
                                           "SELECT %2%3, %4 FROM (%5) ORDER BY \"__rn\", \"__k\")")
                                .arg(source, otherList, q(nameCol), q(valueCol), members.join(QStringLiteral(" UNION ALL ")));
        Seq replacement{makeRaw(sql), makeWord(QStringLiteral("AS")), makeName(resultAlias)};
        replacement.front().tok.spaceBefore = s[sourceBegin].tok.spaceBefore;
        s.erase(s.begin() + sourceBegin, s.begin() + a + 1);
        s.insert(s.begin() + sourceBegin, replacement.begin(), replacement.end());
        u = sourceBegin;
    }
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

// --------------------------------------------------------------------------------- driver

DmlResult Passes::run(Seq seq, const QString& fragmentTable)
{
    DmlResult result;
    checkTree(seq, false);
    if (!fragmentTable.isEmpty())
        addTable(fragmentTable, QString());
    collectScope(seq);
    tableFunctions(seq);
    collectScope(seq);
    datepartArguments(seq);
    if (fragmentTable.isEmpty()) {
        result.isSelect = !seq.empty() && (seq[0].isWord("SELECT") || seq[0].isWord("WITH") || seq[0].group);
        if (result.isSelect)
            result.columnKinds = columnKinds(seq);
    }
    plusPass(seq);
    insertValueDates(seq);
    datePass(seq);
    convertPass(seq);
    topPass(seq);
    collatePass(seq);
    if (fragmentTable.isEmpty())
        insertColumns(seq);
    unpivotPass(seq);
    result.sql = emitSql(seq).trimmed();
    return result;
}

} // namespace

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

void checkTokens(const std::vector<Token>& tokens, const Options& options)
{
    static const QSet<QString> unsupported = {
        QStringLiteral("PIVOT"), QStringLiteral("APPLY"), QStringLiteral("OUTPUT"), QStringLiteral("MERGE"),
        QStringLiteral("OPTION"), QStringLiteral("COMPUTE"), QStringLiteral("CONTAINS"), QStringLiteral("FREETEXT"),
        QStringLiteral("CONTAINSTABLE"), QStringLiteral("FREETEXTTABLE"), QStringLiteral("TABLESAMPLE"),
        QStringLiteral("OPENROWSET"), QStringLiteral("OPENQUERY"), QStringLiteral("OPENXML"),
        QStringLiteral("OPENDATASOURCE"), QStringLiteral("READTEXT"), QStringLiteral("WRITETEXT"),
        QStringLiteral("UPDATETEXT"), QStringLiteral("OFFSET"), QStringLiteral("FETCH"), QStringLiteral("CURSOR"),
        QStringLiteral("WAITFOR"), QStringLiteral("RAISERROR"), QStringLiteral("THROW"), QStringLiteral("TRY_CONVERT"),
        QStringLiteral("TRY_CAST"), QStringLiteral("PARSE"), QStringLiteral("TRY_PARSE"), QStringLiteral("GO"),
        QStringLiteral("IDENTITY"), QStringLiteral("IDENTITY_INSERT"),
        QStringLiteral("COLLATE"), QStringLiteral("ROLLUP"), QStringLiteral("CUBE"), QStringLiteral("GROUPING")};
    static const QSet<QString> storageOnly = {
        QStringLiteral("LIMIT"), QStringLiteral("PRAGMA"), QStringLiteral("ATTACH"), QStringLiteral("DETACH"),
        QStringLiteral("VACUUM"), QStringLiteral("REINDEX"), QStringLiteral("GLOB"), QStringLiteral("REGEXP"),
        QStringLiteral("MATCH"), QStringLiteral("RETURNING"), QStringLiteral("INDEXED"), QStringLiteral("ANALYZE"),
        QStringLiteral("AUTOINCREMENT"), QStringLiteral("CONFLICT"), QStringLiteral("ABORT"), QStringLiteral("FAIL"),
        QStringLiteral("IGNORE"), QStringLiteral("RAISE"), QStringLiteral("INSTEAD"), QStringLiteral("NOTHING")};
    static const QSet<QString> hiddenColumns = {QStringLiteral("ROWID"), QStringLiteral("_ROWID_"), QStringLiteral("OID")};
    const int n = static_cast<int>(tokens.size());
    for (int i = 0; i < n; ++i) {
        const Token& t = tokens[i];
        const bool callFollows = i + 1 < n && tokens[i + 1].kind == Tok::LParen;
        switch (t.kind) {
        case Tok::Variable:
            fail(QStringLiteral("Variables are not supported by the embedded server ('%1').").arg(t.text));
        case Tok::Number:
            if (t.text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
                fail(notSupported(QStringLiteral("The binary literal %1").arg(t.text)));
            break;
        case Tok::Op:
            if (t.text == QLatin1String("||") || t.text == QLatin1String(":") || t.text == QLatin1String("{")
                || t.text == QLatin1String("}") || t.text == QLatin1String("$") || t.text == QLatin1String("!")
                || t.text == QLatin1String("`") || t.text == QLatin1String("==") || t.text == QLatin1String("<<")
                || t.text == QLatin1String(">>"))
                fail(QStringLiteral("Incorrect syntax near '%1'.").arg(t.text));
            break;
        case Tok::Word:
        case Tok::QuotedId: {
            const QString v = t.value.toUpper();
            if (t.kind == Tok::Word) {
                if (unsupported.contains(v))
                    fail(notSupported(QStringLiteral("'%1'").arg(t.text)));
                if (storageOnly.contains(v))
                    fail(QStringLiteral("Incorrect syntax near '%1'.").arg(t.text));
                if ((v == QLatin1String("ISNULL") || v == QLatin1String("NOTNULL") || v == QLatin1String("REPLACE"))
                    && !callFollows)
                    fail(QStringLiteral("Incorrect syntax near '%1'.").arg(t.text));
                if (v.startsWith(QLatin1Char('#')))
                    fail(notSupported(QStringLiteral("The temporary table '%1'").arg(t.text)));
                if (v.contains(QLatin1Char('$')))
                    fail(QStringLiteral("Incorrect syntax near '%1'.").arg(t.text));
            }
            if (hiddenColumns.contains(v))
                fail(QStringLiteral("Invalid column name '%1'.").arg(t.kind == Tok::Word ? t.text : t.value));
            if (!options.administrator && (v.startsWith(QLatin1String("SYS_")) || v.startsWith(QLatin1String("SQLITE_"))))
                fail(QStringLiteral("Invalid object name '%1'.").arg(t.kind == Tok::Word ? t.text : t.value));
            break;
        }
        default:
            break;
        }
    }
    // CASE ... END nests without parentheses; TOP ... PERCENT copies its query
    int caseDepth = 0, percents = 0;
    for (const Token& t : tokens) {
        if (t.kind != Tok::Word)
            continue;
        if (t.value == QLatin1String("CASE") && ++caseDepth > 64)
            fail(QStringLiteral("Some part of your SQL statement is nested too deeply. "
                                "Rewrite the query or break it up into smaller queries."));
        if (t.value == QLatin1String("END") && caseDepth > 0)
            --caseDepth;
        if (t.value == QLatin1String("PERCENT") && ++percents > 4)
            fail(notSupported(QStringLiteral("More than four TOP ... PERCENT in one statement")));
    }
    // SELECT ... INTO creates a table
    if (n > 0 && tokens[0].kind == Tok::Word && tokens[0].value == QLatin1String("SELECT")) {
        int depth = 0;
        for (const Token& t : tokens) {
            if (t.kind == Tok::LParen)
                ++depth;
            else if (t.kind == Tok::RParen)
                --depth;
            else if (depth == 0 && t.kind == Tok::Word && t.value == QLatin1String("INTO"))
                fail(notSupported(QStringLiteral("SELECT ... INTO")));
        }
    }
}

std::vector<Token> stripQualifiers(const std::vector<Token>& in)
{
    std::vector<Token> out;
    out.reserve(in.size());
    const int n = static_cast<int>(in.size());
    bool carrySpace = false;
    for (int i = 0; i < n; ++i) {
        const bool prevDot = i > 0 && in[i - 1].kind == Tok::Dot;
        if (isIdent(in[i]) && i + 1 < n && in[i + 1].kind == Tok::Dot && !prevDot) {
            int skip = 0;
            if (identIs(in[i], "QEL") && i + 2 < n && in[i + 2].kind == Tok::Dot)
                skip = 3; // QEL..name
            else if (identIs(in[i], "QEL") && i + 3 < n && identIs(in[i + 2], "DBO") && in[i + 3].kind == Tok::Dot)
                skip = 4;
            else if (identIs(in[i], "DBO") && i + 2 < n && isIdent(in[i + 2]))
                skip = 2;
            else if (i + 3 < n && identIs(in[i + 2], "DBO") && in[i + 3].kind == Tok::Dot)
                fail(notSupported(QStringLiteral("The reference to the database '%1'")
                                      .arg(in[i].kind == Tok::Word ? in[i].text : in[i].value)));
            if (skip > 0) {
                carrySpace = carrySpace || in[i].spaceBefore;
                i += skip - 1;
                continue;
            }
        }
        Token t = in[i];
        if (carrySpace) {
            t.spaceBefore = true;
            carrySpace = false;
        }
        out.push_back(std::move(t));
    }
    return out;
}

std::vector<Token> stripTableHints(const std::vector<Token>& in)
{
    static const QSet<QString> hints = {
        QStringLiteral("NOLOCK"), QStringLiteral("READUNCOMMITTED"), QStringLiteral("READCOMMITTED"),
        QStringLiteral("ROWLOCK"), QStringLiteral("UPDLOCK"), QStringLiteral("HOLDLOCK"), QStringLiteral("PAGLOCK"),
        QStringLiteral("TABLOCK"), QStringLiteral("TABLOCKX"), QStringLiteral("XLOCK"), QStringLiteral("NOWAIT"),
        QStringLiteral("READPAST"), QStringLiteral("SERIALIZABLE"), QStringLiteral("REPEATABLEREAD")};
    std::vector<Token> out;
    const int n = static_cast<int>(in.size());
    for (int i = 0; i < n; ++i) {
        int j = i;
        if (i > 0 && in[i].kind == Tok::Word && in[i].value == QLatin1String("WITH") && i + 1 < n
            && in[i + 1].kind == Tok::LParen)
            j = i + 1;
        if (in[j].kind == Tok::LParen && i > 0) {
            int k = j + 1;
            bool all = k < n && in[k].kind == Tok::Word && hints.contains(in[k].value);
            while (all && k < n && in[k].kind == Tok::Word && hints.contains(in[k].value)) {
                ++k;
                if (k < n && in[k].kind == Tok::Comma)
                    ++k;
            }
            if (all && k < n && in[k].kind == Tok::RParen) {
                i = k;
                continue;
            }
        }
        out.push_back(in[i]);
    }
    return out;
}

DmlResult translateDml(const std::vector<Token>& tokens, const Catalog& catalog, const Options& options,
                       const QList<ValueKind>& paramKinds, QHash<int, ValueKind>* paramDates,
                       const QString& fragmentTable)
{
    checkTokens(tokens, options);
    const std::vector<Token> plain = stripTableHints(stripQualifiers(tokens));
    Seq seq = buildTree(plain, 0, plain.size());
    Passes passes(catalog, options, paramKinds, paramDates);
    return passes.run(std::move(seq), fragmentTable);
}

} // namespace qel::server::tsql
