// What the dialect refuses, found on the tokens (variables, temporary tables, the storage's
// own syntax, hidden tables ...) and on the tree (FOR, table hints), and the qualifiers and
// hints it drops before translating.
#include "server/tsql_pass_set.h"

#include <QSet>

namespace qel::server::tsql {
namespace {

bool isIdent(const Token& t) { return t.kind == Tok::Word || t.kind == Tok::QuotedId; }
bool identIs(const Token& t, const char* upper) { return isIdent(t) && t.value.toUpper() == QLatin1String(upper); }

} // namespace

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
            failTranslation(notSupported(QStringLiteral("'FOR %1'").arg(i + 1 < s.size() ? s[i + 1].tok.text : QString())));
        if (x.isWord("WITH") && i > 0) {
            if (i + 1 < s.size() && s[i + 1].isWord("TIES"))
                failTranslation(notSupported(QStringLiteral("TOP ... WITH TIES")));
            failTranslation(notSupported(QStringLiteral("'WITH' after the start of a statement (a table hint or option)")));
        }
    }
}

void Passes::checkFunctions(const Seq& s, bool convertArguments) const
{
    const int n = static_cast<int>(s.size());
    for (int i = 0; i < n; ++i) {
        const Node& x = s[i];
        if (x.group) {
            checkFunctions(x.kids, i > 0 && s[i - 1].isWord("CONVERT"));
            continue;
        }
        if (!(x.is(Tok::Word) || x.is(Tok::QuotedId)) || i + 1 >= n || !s[i + 1].group)
            continue;
        const QString upper = x.tok.value.toUpper();
        if (x.is(Tok::Word) && isKeyword(upper) && !isFunctionKeyword(upper))
            continue; // IN (...), VALUES (...), OVER (...) ...
        if (i > 0 && (s[i - 1].isWord("INTO") || s[i - 1].isWord("INSERT") || s[i - 1].isWord("AS")))
            continue; // INSERT's column list; CAST(x AS VARCHAR(10))
        if (i == 0 && convertArguments)
            continue; // CONVERT(VARCHAR(10), x)
        if (i + 3 < n && s[i + 2].isWord("AS") && s[i + 3].group)
            continue; // WITH t (a, b) AS (...)
        if (!isDialectFunction(upper) || (i > 0 && s[i - 1].is(Tok::Dot)))
            failTranslation(QStringLiteral("'%1' is not a recognized built-in function name.").arg(nameOf(x)));
    }
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
        QStringLiteral("IGNORE"), QStringLiteral("RAISE"), QStringLiteral("INSTEAD"), QStringLiteral("NOTHING"),
        QStringLiteral("RECURSIVE"), QStringLiteral("MATERIALIZED")};
    static const QSet<QString> hiddenColumns = {QStringLiteral("ROWID"), QStringLiteral("_ROWID_"), QStringLiteral("OID")};
    const int n = static_cast<int>(tokens.size());
    for (int i = 0; i < n; ++i) {
        const Token& t = tokens[i];
        const bool callFollows = i + 1 < n && tokens[i + 1].kind == Tok::LParen;
        switch (t.kind) {
        case Tok::Variable:
            failTranslation(QStringLiteral("Variables are not supported by the embedded server ('%1').").arg(t.text));
        case Tok::Number:
            if (t.text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
                failTranslation(notSupported(QStringLiteral("The binary literal %1").arg(t.text)));
            break;
        case Tok::Op:
            if (t.text == QLatin1String("||") || t.text == QLatin1String(":") || t.text == QLatin1String("{")
                || t.text == QLatin1String("}") || t.text == QLatin1String("$") || t.text == QLatin1String("!")
                || t.text == QLatin1String("`") || t.text == QLatin1String("==") || t.text == QLatin1String("<<")
                || t.text == QLatin1String(">>"))
                failTranslation(QStringLiteral("Incorrect syntax near '%1'.").arg(t.text));
            break;
        case Tok::Word:
        case Tok::QuotedId: {
            const QString v = t.value.toUpper();
            if (t.kind == Tok::Word) {
                if (unsupported.contains(v))
                    failTranslation(notSupported(QStringLiteral("'%1'").arg(t.text)));
                if (storageOnly.contains(v))
                    failTranslation(QStringLiteral("Incorrect syntax near '%1'.").arg(t.text));
                if ((v == QLatin1String("ISNULL") || v == QLatin1String("NOTNULL") || v == QLatin1String("REPLACE"))
                    && !callFollows)
                    failTranslation(QStringLiteral("Incorrect syntax near '%1'.").arg(t.text));
                if (v.startsWith(QLatin1Char('#')))
                    failTranslation(notSupported(QStringLiteral("The temporary table '%1'").arg(t.text)));
                if (v.contains(QLatin1Char('$')))
                    failTranslation(QStringLiteral("Incorrect syntax near '%1'.").arg(t.text));
            }
            if (hiddenColumns.contains(v))
                failTranslation(QStringLiteral("Invalid column name '%1'.").arg(t.kind == Tok::Word ? t.text : t.value));
            if (!options.administrator && (v.startsWith(QLatin1String("SYS_")) || v.startsWith(QLatin1String("SQLITE_"))))
                failTranslation(QStringLiteral("Invalid object name '%1'.").arg(t.kind == Tok::Word ? t.text : t.value));
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
            failTranslation(QStringLiteral("Some part of your SQL statement is nested too deeply. "
                                           "Rewrite the query or break it up into smaller queries."));
        if (t.value == QLatin1String("END") && caseDepth > 0)
            --caseDepth;
        if (t.value == QLatin1String("PERCENT") && ++percents > 4)
            failTranslation(notSupported(QStringLiteral("More than four TOP ... PERCENT in one statement")));
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
                failTranslation(notSupported(QStringLiteral("SELECT ... INTO")));
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
                failTranslation(notSupported(QStringLiteral("The reference to the database '%1'")
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

} // namespace qel::server::tsql
