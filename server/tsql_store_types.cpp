// Values written to a column take its declared type and length, as SQL Server stores them
// (server/stored_values.h); the storage itself would keep any value in any column. A literal
// of an INSERT or an UPDATE SET is converted while translating (or its error is the
// statement's); any other value goes through the storage function tsql_store(value,
// declared type, date order) while the statement runs.
#include "server/tsql_pass_set.h"

#include "server/stored_values.h"

#include <limits>

namespace qel::server::tsql {
namespace {

// Index of the first top-level word of the statement proper: after WITH's definitions.
int statementStart(const Seq& s)
{
    if (s.empty() || !s[0].isWord("WITH"))
        return 0;
    for (int i = 1; i < static_cast<int>(s.size()); ++i)
        if (s[i].isWord("INSERT") || s[i].isWord("UPDATE") || s[i].isWord("DELETE") || s[i].isWord("SELECT"))
            return i;
    return 0;
}

// The value of a literal: a text (with the collation the passes gave it), a number, or a
// signed number.
bool literalValue(const Seq& value, QVariant* out)
{
    const int n = static_cast<int>(value.size());
    int i = 0;
    bool negative = false;
    if (n == 2 && (value[0].isOp("-") || value[0].isOp("+"))) {
        negative = value[0].isOp("-");
        i = 1;
    }
    const Node& x = value[i];
    if (x.is(Tok::String) && (n == 1 || (n == 3 && value[1].isWord("COLLATE")))) {
        *out = x.tok.value;
        return true;
    }
    if (!x.is(Tok::Number) || i + 1 != n)
        return false;
    bool ok = false;
    const qlonglong whole = x.tok.text.toLongLong(&ok);
    if (ok && whole != std::numeric_limits<qlonglong>::min()) {
        *out = static_cast<qint64>(negative ? -whole : whole);
        return true;
    }
    const double d = x.tok.text.toDouble(&ok);
    if (!ok)
        return false;
    *out = negative ? -d : d;
    return true;
}

} // namespace

Seq Passes::storedValue(const QString& table, const QString& column, Seq value) const
{
    const QString declared = catalog_.declaredType(table, column);
    if (declared.isEmpty() || value.empty())
        return value;
    if (value.size() == 1 && (value[0].isWord("DEFAULT") || value[0].isWord("NULL")))
        return value;
    QVariant literal;
    if (literalValue(value, &literal)) {
        const StoredValue stored = storedValueFor(literal, declared, options_.dateOrder);
        if (!stored.error.isEmpty())
            failTranslation(stored.error);
        const QVariant& v = stored.value;
        if (v.typeId() == QMetaType::QString && value.front().is(Tok::String) && value.front().tok.value == v.toString())
            return value; // the literal as written
        Node out = v.typeId() == QMetaType::QString ? makeString(v.toString(), true)
            : v.typeId() == QMetaType::Double       ? makeNumber(QString::number(v.toDouble(), 'g', 17))
            : v.isNull()                            ? makeWord(QStringLiteral("NULL"))
                                                    : makeNumber(QString::number(v.toLongLong()));
        out.tok.spaceBefore = value.front().tok.spaceBefore;
        return Seq{out};
    }
    Node g = makeGroup(std::move(value));
    return call(QStringLiteral("tsql_store"), {Seq{g}, Seq{makeString(declared, true)},
                                               Seq{makeString(orderName(options_.dateOrder), true)}});
}

void Passes::storeTypes(Seq& s) const
{
    const int k = statementStart(s);
    const int n = static_cast<int>(s.size());
    if (k >= n)
        return;
    if (s[k].isWord("UPDATE")) {
        // UPDATE target SET [qualifier.]column = value, ... [FROM ...] [WHERE ...]
        if (k + 1 >= n || !s[k + 1].isName())
            return;
        const QString table = tableOfQualifier(nameOf(s[k + 1]));
        const int set = findWord(s, "SET", k + 2);
        if (table.isEmpty() || set < 0)
            return;
        int end = set + 1;
        while (end < n && !s[end].isWord("FROM") && !s[end].isWord("WHERE"))
            ++end;
        const auto items = splitCommas(s, set + 1, end);
        // rebuilt from the back, so that the earlier ranges stay valid
        for (auto it = items.rbegin(); it != items.rend(); ++it) {
            const auto [b, e] = *it;
            int eq = b;
            while (eq < e && !s[eq].isOp("="))
                ++eq;
            if (eq >= e || eq == b || !s[eq - 1].isName())
                continue;
            Seq value(s.begin() + eq + 1, s.begin() + e);
            Seq stored = storedValue(table, nameOf(s[eq - 1]), std::move(value));
            if (!stored.empty())
                stored.front().tok.spaceBefore = true;
            s.erase(s.begin() + eq + 1, s.begin() + e);
            s.insert(s.begin() + eq + 1, stored.begin(), stored.end());
        }
        return;
    }
    if (!s[k].isWord("INSERT") || k + 3 >= n || !s[k + 1].isWord("INTO") || !s[k + 2].isName() || !s[k + 3].group)
        return; // INSERT ... DEFAULT VALUES keeps the table's defaults
    const QString table = nameOf(s[k + 2]);
    QStringList columns;
    for (const auto& [b, e] : splitCommas(s[k + 3].kids, 0, static_cast<int>(s[k + 3].kids.size())))
        if (e == b + 1 && s[k + 3].kids[b].isName())
            columns << nameOf(s[k + 3].kids[b]);
    if (!catalog_.hasTable(table) || columns.isEmpty())
        return;
    const int body = k + 4;
    if (body < n && s[body].isWord("VALUES")) {
        for (int r = body + 1; r < n; ++r) {
            if (!s[r].group)
                continue;
            Seq& row = s[r].kids;
            const auto parts = splitCommas(row, 0, static_cast<int>(row.size()));
            if (static_cast<int>(parts.size()) != columns.size())
                continue; // the storage reports the count that does not match
            Seq rebuilt;
            for (size_t c = 0; c < parts.size(); ++c) {
                if (c > 0)
                    rebuilt.push_back(makeComma());
                Seq stored = storedValue(table, columns[static_cast<int>(c)],
                                         Seq(row.begin() + parts[c].first, row.begin() + parts[c].second));
                rebuilt.insert(rebuilt.end(), stored.begin(), stored.end());
            }
            row = std::move(rebuilt);
        }
        return;
    }
    if (body >= n)
        return;
    // INSERT ... SELECT: the query's columns are renamed by position and then stored.
    QStringList names, values;
    for (int c = 0; c < columns.size(); ++c) {
        names << quotedName(QStringLiteral("__v%1").arg(c + 1));
        values << emitSql(storedValue(table, columns[c], Seq{makeName(QStringLiteral("__v%1").arg(c + 1))})).trimmed();
    }
    Seq query(s.begin() + body, s.end());
    Seq wrapped = parseSqlWith(QStringLiteral("SELECT %1 FROM (WITH \"__values\"(%2) AS __ARG1 SELECT * FROM \"__values\")")
                                   .arg(values.join(QStringLiteral(", ")), names.join(QStringLiteral(", "))),
                               {query});
    if (!wrapped.empty())
        wrapped.front().tok.spaceBefore = true;
    s.erase(s.begin() + body, s.end());
    s.insert(s.end(), wrapped.begin(), wrapped.end());
}

} // namespace qel::server::tsql
