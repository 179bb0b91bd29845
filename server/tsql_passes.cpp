// The driver of the passes over one data statement (the passes themselves: tsql_pass_set.h)
// and the small helpers they share.
#include "server/tsql_pass_set.h"

#include <QSet>

namespace qel::server::tsql {

void failTranslation(const QString& message) { throw TranslateError{message}; }
           
           QString notSupported(const QString& what)
           {
               return QStringLiteral("%1 is not supported by the embedded server.").arg(what);
}

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

QString nameOf(const Node& n) { return n.tok.kind == Tok::Word ? n.tok.text : n.tok.value; }

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

// Why the passes run in this order:
// - checkTree judges the statement as the client wrote it, before any rewrite.
// - Function calls are checked after the table functions became derived tables (a table
//   function is no scalar function) and before any pass writes calls of its own.
// - The scope is collected again after the table functions: their bodies bring tables of
//   their own, whose column types the later passes look up.
// - DATEPART's first argument (a bare word in T-SQL) becomes a plain text at once, so no
//   later pass takes it for a column name.
// - The result column kinds are read from the select list before CONVERT and "+" are turned
//   into the storage's functions and operators, which say nothing about their type.
// - "+" of texts is decided on the original operands for the same reason: CONVERT(varchar,
//   ...) still says it is a text, a date column still says it is a date.
// - Date literals and parameters are marked before CONVERT and the collation: a marked
//   literal holds a stored date, which must keep no text collation.
// - TOP comes after those: TOP ... PERCENT copies its query into a row count, and the copy
//   is then already in the storage's dialect.
// - LEFT( and RIGHT( become quoted calls late: the passes above read them as the T-SQL
//   functions they are (a text for "+").
// - The collation goes on every literal that is still a client's text; literals the passes
//   above made are plain.
// - The INSERT column list only adds names; it may run anywhere after the scope is known,
//   but before the stored values, which are matched to the columns it lists.
// - The stored values wrap what the client writes after every other pass has translated it:
//   the wrapping function is the storage's, which no pass above must read as T-SQL.
// - UNPIVOT asks the storage for the columns of its source, so the source must already be
//   in the storage's dialect; so does the recursion limit for a recursive definition
//   without a column list, which therefore runs last.
DmlResult Passes::run(Seq seq, const QString& fragmentTable)
{
    DmlResult result;
    checkTree(seq, false);
    if (!fragmentTable.isEmpty())
        addTable(fragmentTable, QString());
    collectScope(seq);
    tableFunctions(seq);
    checkFunctions(seq);
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
    keywordCalls(seq);
    collatePass(seq);
    if (fragmentTable.isEmpty()) {
        insertColumns(seq);
        storeTypes(seq);
    }
    unpivotPass(seq);
    if (fragmentTable.isEmpty())
        recursionLimit(seq);
    result.sql = emitSql(seq).trimmed();
    return result;
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

