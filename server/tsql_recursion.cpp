// The recursion limit of a recursive common table expression, as SQL Server's default
// MAXRECURSION 100: the storage would recurse without end. Each recursive definition
//     x (a, b) AS (anchor UNION ALL SELECT ... FROM x ...)
// becomes a definition that counts the level of every row, and x itself reads from it:
//     "x__levels" (a, b, "__level") AS (anchor + 0 UNION ALL SELECT ..., tsql_recursion_level(x."__level" + 1)
//                                       FROM "x__levels" AS x ...),
//     x (a, b) AS (SELECT a, b FROM "x__levels")
// tsql_recursion_level stops the statement with SQL Server's message past level 100.
#include "server/tsql_pass_set.h"

#include "server/sql_functions.h"

namespace qel::server::tsql {
namespace {

bool isSetOperator(const Node& n) { return n.isWord("UNION") || n.isWord("EXCEPT") || n.isWord("INTERSECT"); }

// The index of the table reference to the name in the member's own FROM clause, or -1.
int referenceIn(const Seq& member, const QString& target)
{
    bool inFrom = false;
    for (int i = 0; i < static_cast<int>(member.size()); ++i) {
        const Node& x = member[i];
        if (x.isWord("FROM") || x.isWord("JOIN") || (inFrom && x.is(Tok::Comma))) {
            inFrom = true;
            if (i + 1 < static_cast<int>(member.size()) && member[i + 1].isName()
                && upperName(member[i + 1]) == target && !(i + 2 < static_cast<int>(member.size()) && member[i + 2].is(Tok::Dot)))
                return i + 1;
            continue;
        }
        if (x.isWord("WHERE") || x.isWord("GROUP") || x.isWord("HAVING") || x.isWord("ORDER") || x.isWord("LIMIT"))
            inFrom = false;
    }
    return -1;
}

// Adds an item at the end of the member's select list (before its FROM, or at its end).
void appendSelectItem(Seq& member, const QString& itemSql)
{
    int at = findWord(member, "FROM");
    if (at < 0) {
        at = static_cast<int>(member.size());
        for (int i = 1; i < static_cast<int>(member.size()); ++i)
            if (member[i].isWord("WHERE") || member[i].isWord("GROUP") || member[i].isWord("ORDER")
                || member[i].isWord("LIMIT")) {
                at = i;
                break;
            }
    }
    Seq item = parseSql(itemSql);
    item.insert(item.begin(), makeComma());
    member.insert(member.begin() + at, item.begin(), item.end());
}

} // namespace

void Passes::recursionLimit(Seq& s) const
{
    if (s.empty() || !s[0].isWord("WITH"))
        return;
    const int n = static_cast<int>(s.size());
    Seq out{s[0]};
    int i = 1;
    while (i < n && s[i].isName()) {
        const QString name = nameOf(s[i]);
        int j = i + 1;
        const Node* columns = nullptr;
        if (j < n && s[j].group)
            columns = &s[j++];
        if (j + 1 >= n || !s[j].isWord("AS") || !s[j + 1].group)
            return; // not a definition: the storage names the fault
        const Seq& body = s[j + 1].kids;
        const int end = j + 2;

        // the members of the body, between its top-level set operators
        std::vector<Seq> members(1);
        std::vector<bool> unionAll;
        for (int k = 0; k < static_cast<int>(body.size()); ++k) {
            if (isSetOperator(body[k])) {
                const bool all = body[k].isWord("UNION") && k + 1 < static_cast<int>(body.size()) && body[k + 1].isWord("ALL");
                unionAll.push_back(all);
                members.emplace_back();
                if (all)
                    ++k;
                continue;
            }
            members.back().push_back(body[k]);
        }
        bool recursive = false;
        for (const Seq& m : members)
            recursive = recursive || referenceIn(m, upperName(s[i])) >= 0;

        if (out.size() > 1)
            out.push_back(makeComma());
        if (!recursive) {
            out.insert(out.end(), s.begin() + i, s.begin() + end);
        } else {
            for (bool all : unionAll)
                if (!all)
                    failTranslation(QStringLiteral("Recursive common table expression '%1' does not contain a top-level "
                                                   "UNION ALL operator.")
                                        .arg(name));
            const QString levels = name + QStringLiteral("__levels");
            Seq levelBody;
            for (size_t m = 0; m < members.size(); ++m) {
                Seq member = members[m];
                const int ref = referenceIn(member, upperName(s[i]));
                if (ref < 0) {
                    appendSelectItem(member, QStringLiteral("0 AS \"__level\""));
                } else {
                    QString alias = name;
                    const int size = static_cast<int>(member.size());
                    if (ref + 2 < size && member[ref + 1].isWord("AS") && member[ref + 2].isName())
                        alias = nameOf(member[ref + 2]);
                    else if (ref + 1 < size && member[ref + 1].isName())
                        alias = nameOf(member[ref + 1]);
                    else
                        member.insert(member.begin() + ref + 1, {makeWord(QStringLiteral("AS")), makeName(name)});
                    const bool space = member[ref].tok.spaceBefore;
                    member[ref] = makeName(levels);
                    member[ref].tok.spaceBefore = space;
                    appendSelectItem(member, QStringLiteral("tsql_recursion_level(%1.\"__level\" + 1) AS \"__level\"")
                                                 .arg(quotedName(alias)));
                }
                if (m > 0)
                    levelBody.insert(levelBody.end(), {makeWord(QStringLiteral("UNION")), makeWord(QStringLiteral("ALL"))});
                levelBody.insert(levelBody.end(), member.begin(), member.end());
            }
            // "x__levels" [(a, b, "__level")] AS (...)
            Seq levelDefinition{makeName(levels)};
            if (columns) {
                Seq list = columns->kids;
                list.push_back(makeComma());
                list.push_back(makeName(QStringLiteral("__level")));
                levelDefinition.push_back(makeGroup(std::move(list)));
            }
            levelDefinition.push_back(makeWord(QStringLiteral("AS")));
            levelDefinition.push_back(makeGroup(std::move(levelBody)));
            out.insert(out.end(), levelDefinition.begin(), levelDefinition.end());

            // x [(a, b)] AS (SELECT a, b FROM "x__levels")
            QStringList names;
            if (columns) {
                for (const auto& [b, e] : splitCommas(columns->kids, 0, static_cast<int>(columns->kids.size())))
                    if (e == b + 1)
                        names << nameOf(columns->kids[b]);
            } else {
                names = catalog_.queryColumns(emitSql(out).trimmed() + QStringLiteral(" SELECT * FROM ") + quotedName(levels)
                                              + QStringLiteral(" LIMIT 0"));
                names.removeLast();
            }
            QStringList list;
            for (const QString& c : names)
                list << quotedName(c);
            out.push_back(makeComma());
            out.push_back(makeName(name));
            if (columns)
                out.push_back(*columns);
            out.push_back(makeWord(QStringLiteral("AS")));
            out.push_back(makeGroup(parseSql(QStringLiteral("SELECT %1 FROM %2").arg(list.join(QStringLiteral(", ")), quotedName(levels)))));
        }
        i = end;
        if (i < n && s[i].is(Tok::Comma))
            ++i;
        else
            break;
    }
    out.insert(out.end(), s.begin() + i, s.end());
    s = std::move(out);
}

} // namespace qel::server::tsql
