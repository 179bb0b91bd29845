// The rewrites of a statement's tree into the storage's dialect: table functions become
// derived tables, "+" of texts becomes "||", TOP becomes LIMIT, text literals take the
// collation, INSERT gets its column list, UNPIVOT becomes a union of the listed columns.
#include "server/tsql_pass_set.h"

#include "server/contract.h"
#include "server/table_functions.h"

namespace qel::server::tsql {
namespace {

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

} // namespace

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
            failTranslation(QStringLiteral("Parameters were not supplied for the function '%1'.").arg(name));
        const bool fromContext = i > 0
            && (s[i - 1].isWord("FROM") || s[i - 1].isWord("JOIN") || s[i - 1].isWord("APPLY")
                || (s[i - 1].is(Tok::Comma) && inFromList(s, i - 1)));
        if (!fromContext)
            failTranslation(QStringLiteral("The table function '%1' may only be used in a FROM clause.").arg(name));
        Seq argsSeq = s[i + 1].kids;
        tableFunctions(argsSeq);
        const auto parts = splitCommas(argsSeq, 0, static_cast<int>(argsSeq.size()));
        const int expected = r ? static_cast<int>(r->inputs().size()) : 0;
        if (static_cast<int>(parts.size()) > expected)
            failTranslation(QStringLiteral("Procedure or function %1 has too many arguments specified.").arg(name));
        if (static_cast<int>(parts.size()) < expected)
            failTranslation(QStringLiteral("An insufficient number of arguments were supplied for the procedure or function %1.")
                                .arg(name));
        std::vector<Seq> args;
        for (const auto& [b, e] : parts) {
            Seq a(argsSeq.begin() + b, argsSeq.begin() + e);
            if (a.size() == 1 && a[0].is(Tok::String)) {
                bool ok = false;
                a[0].tok.value.trimmed().toLongLong(&ok);
                if (!ok)
                    failTranslation(QStringLiteral("Conversion failed when converting the varchar value '%1' to data type int.")
                                        .arg(a[0].tok.value));
            }
            args.push_back(std::move(a));
        }
        Seq body = parseSqlWith(sql, args);
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
            failTranslation(QStringLiteral("Date arithmetic with '+' or '-' is not supported by the embedded server ('%1'); "
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
                failTranslation(notSupported(QStringLiteral("TOP in %1").arg(s[i].tok.value)));
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
            failTranslation(QStringLiteral("Incorrect syntax near 'TOP'."));
        Seq count;
        if (s[j + 1].group)
            count = s[j + 1].kids;
        else if (s[j + 1].is(Tok::Number) || s[j + 1].is(Tok::Param))
            count = Seq{s[j + 1]};
        else
            failTranslation(QStringLiteral("Incorrect syntax near 'TOP'."));
        int k = j + 2;
        bool percent = false;
        if (k < static_cast<int>(s.size()) && s[k].isWord("PERCENT")) {
            percent = true;
            ++k;
        }
        if (k + 1 < static_cast<int>(s.size()) && s[k].isWord("WITH") && s[k + 1].isWord("TIES"))
            failTranslation(notSupported(QStringLiteral("TOP ... WITH TIES")));
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
                limit = parseSqlWith(
                    QStringLiteral("SELECT CAST((COUNT(*) * __ARG1 + 99.999999) / 100 AS INTEGER) FROM __ARG2"),
                    {count, member});
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

// ------------------------------------------------------------------ LEFT( and RIGHT(

// The storage reads LEFT and RIGHT as join words only: their calls name the function quoted.
void Passes::keywordCalls(Seq& s)
{
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i].group) {
            keywordCalls(s[i].kids);
            continue;
        }
        if ((s[i].isWord("LEFT") || s[i].isWord("RIGHT")) && i + 1 < s.size() && s[i + 1].group) {
            const bool space = s[i].tok.spaceBefore;
            s[i] = makeName(s[i].tok.value.toLower());
            s[i].tok.spaceBefore = space;
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
        failTranslation(QStringLiteral("Incorrect syntax near 'INSERT'."));
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
        failTranslation(QStringLiteral("Invalid object name '%1'.").arg(table));
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
        auto bad = [] { failTranslation(QStringLiteral("Incorrect syntax near 'UNPIVOT'.")); };
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

        const QString source = emitSql(s, sourceBegin, b + 1).trimmed() + QStringLiteral(" AS ") + quotedName(sourceAlias);
        const QStringList sourceColumns = catalog_.queryColumns(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(source));
        QStringList others;
        for (const QString& c : sourceColumns)
            if (!list.contains(c, Qt::CaseInsensitive))
                others << quotedName(c);
        for (const QString& c : list)
            if (!sourceColumns.contains(c, Qt::CaseInsensitive))
                failTranslation(QStringLiteral("Invalid column name '%1'.").arg(c));
        const QString otherList = others.isEmpty() ? QString() : others.join(QStringLiteral(", ")) + QStringLiteral(", ");
        QStringList members;
        for (int k = 0; k < list.size(); ++k) {
            const QString lit = quotedText(list[k]) + QStringLiteral(" COLLATE qel_ci");
            members << QStringLiteral("SELECT %1%2 AS %3, %4 AS %5, \"__rn\", %6 AS \"__k\" FROM \"__src\" WHERE %4 IS NOT NULL")
                           .arg(otherList, lit, quotedName(nameCol), quotedName(list[k]), quotedName(valueCol))
                           .arg(k);
        }
        // T-SQL gives the rows source row by source row, columns in list order; NULLs drop out.
        const QString sql = QStringLiteral("(WITH \"__src\" AS (SELECT *, ROW_NUMBER() OVER () AS \"__rn\" FROM %1) "
                                           "SELECT %2%3, %4 FROM (%5) ORDER BY \"__rn\", \"__k\")")
                                .arg(source, otherList, quotedName(nameCol), quotedName(valueCol), members.join(QStringLiteral(" UNION ALL ")));
        Seq replacement{makeRaw(sql), makeWord(QStringLiteral("AS")), makeName(resultAlias)};
        replacement.front().tok.spaceBefore = s[sourceBegin].tok.spaceBefore;
        s.erase(s.begin() + sourceBegin, s.begin() + a + 1);
        s.insert(s.begin() + sourceBegin, replacement.begin(), replacement.end());
        u = sourceBegin;
    }
}

} // namespace qel::server::tsql
