#include "server/tsql_lexer.h"

#include <QSet>

namespace qel::server::tsql {
namespace {

bool isWordStart(QChar c) { return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('#'); }
bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$') || c == QLatin1Char('#');
}

} // namespace

bool isKeyword(const QString& w)
{
    static const QSet<QString> words = {
        QStringLiteral("SELECT"), QStringLiteral("FROM"), QStringLiteral("WHERE"), QStringLiteral("GROUP"),
        QStringLiteral("BY"), QStringLiteral("ORDER"), QStringLiteral("HAVING"), QStringLiteral("UNION"),
        QStringLiteral("ALL"), QStringLiteral("DISTINCT"), QStringLiteral("TOP"), QStringLiteral("AS"),
        QStringLiteral("ON"), QStringLiteral("JOIN"), QStringLiteral("INNER"), QStringLiteral("LEFT"),
        QStringLiteral("RIGHT"), QStringLiteral("FULL"), QStringLiteral("OUTER"), QStringLiteral("CROSS"),
        QStringLiteral("AND"), QStringLiteral("OR"), QStringLiteral("NOT"), QStringLiteral("IN"),
        QStringLiteral("IS"), QStringLiteral("NULL"), QStringLiteral("LIKE"), QStringLiteral("BETWEEN"),
        QStringLiteral("EXISTS"), QStringLiteral("CASE"), QStringLiteral("WHEN"), QStringLiteral("THEN"),
        QStringLiteral("ELSE"), QStringLiteral("END"), QStringLiteral("INSERT"), QStringLiteral("INTO"),
        QStringLiteral("VALUES"), QStringLiteral("UPDATE"), QStringLiteral("SET"), QStringLiteral("DELETE"),
        QStringLiteral("EXEC"), QStringLiteral("EXECUTE"), QStringLiteral("DECLARE"), QStringLiteral("IF"),
        QStringLiteral("BEGIN"), QStringLiteral("COMMIT"), QStringLiteral("ROLLBACK"), QStringLiteral("PERCENT"),
        QStringLiteral("WITH"), QStringLiteral("UNPIVOT"), QStringLiteral("PIVOT"), QStringLiteral("FOR"),
        QStringLiteral("ESCAPE"), QStringLiteral("ASC"), QStringLiteral("DESC"), QStringLiteral("COLLATE"),
        QStringLiteral("DEFAULT"), QStringLiteral("EXCEPT"), QStringLiteral("INTERSECT"), QStringLiteral("OVER"),
        QStringLiteral("PARTITION"), QStringLiteral("APPLY"), QStringLiteral("OUTPUT"), QStringLiteral("MERGE"),
        QStringLiteral("PRINT"), QStringLiteral("RETURN"), QStringLiteral("WHILE"), QStringLiteral("GOTO"),
        QStringLiteral("OPTION"), QStringLiteral("SOME"), QStringLiteral("ANY"), QStringLiteral("TRUNCATE"),
        QStringLiteral("DROP"), QStringLiteral("CREATE"), QStringLiteral("ALTER"), QStringLiteral("GRANT"),
        QStringLiteral("REVOKE"), QStringLiteral("DENY"), QStringLiteral("USE"), QStringLiteral("TIES"),
    };
    return words.contains(w);
}

bool isDialectFunction(const QString& upper)
{
    static const QSet<QString> names = {
        QStringLiteral("GETDATE"), QStringLiteral("SYSDATETIME"), QStringLiteral("SCOPE_IDENTITY"),
        QStringLiteral("ISNULL"), QStringLiteral("LEN"), QStringLiteral("CHARINDEX"), QStringLiteral("LEFT"),
        QStringLiteral("RIGHT"), QStringLiteral("SPACE"), QStringLiteral("REPLICATE"), QStringLiteral("STR"),
        QStringLiteral("DATEADD"), QStringLiteral("DATEDIFF"), QStringLiteral("DATEPART"), QStringLiteral("DATENAME"),
        QStringLiteral("YEAR"), QStringLiteral("MONTH"), QStringLiteral("DAY"), QStringLiteral("UPPER"),
        QStringLiteral("LOWER"), QStringLiteral("CONVERT"), QStringLiteral("CAST"), QStringLiteral("COUNT"),
        QStringLiteral("SUM"), QStringLiteral("AVG"), QStringLiteral("MIN"), QStringLiteral("MAX"),
        QStringLiteral("ROW_NUMBER"), QStringLiteral("RANK"), QStringLiteral("DENSE_RANK"), QStringLiteral("ABS"),
        QStringLiteral("ROUND"), QStringLiteral("LTRIM"), QStringLiteral("RTRIM"), QStringLiteral("TRIM"),
        QStringLiteral("REPLACE"), QStringLiteral("COALESCE"), QStringLiteral("NULLIF"), QStringLiteral("IIF"),
        QStringLiteral("UNICODE"), QStringLiteral("SIGN"), QStringLiteral("FLOOR"), QStringLiteral("CEILING"),
        QStringLiteral("POWER"), QStringLiteral("SQRT"), QStringLiteral("SUBSTRING"), QStringLiteral("CHAR"),
        QStringLiteral("FN_CREATELOGIN")};
    return names.contains(upper);
}

QString quotedName(const QString& name)
{
    QString v = name;
    v.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + v + QLatin1Char('"');
}

QString quotedText(const QString& text)
{
    QString v = text;
    v.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
}

QString nulCharacterMessage()
{
    return QStringLiteral("The statement text holds a NUL character (code 0); nothing of it was run.");
}

std::vector<Token> tokenize(const QString& s, bool* sawComment)
{
    if (s.contains(QChar(0)))
        throw LexError{nulCharacterMessage()};
    std::vector<Token> out;
    const int n = s.size();
    int i = 0;
    bool space = false;
    bool comment = false;
    int params = 0;
    if (sawComment)
        *sawComment = false;

    auto push = [&](Tok kind, int start, int end) {
        Token t;
        t.kind = kind;
        t.text = s.mid(start, end - start);
        t.value = t.text;
        t.pos = start;
        t.spaceBefore = space;
        t.hadComment = comment;
        space = comment = false;
        out.push_back(std::move(t));
        return &out.back();
    };

    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            space = true;
            ++i;
            continue;
        }
        if (c == QLatin1Char('-') && i + 1 < n && s[i + 1] == QLatin1Char('-')) {
            while (i < n && s[i] != QLatin1Char('\n'))
                ++i;
            space = comment = true;
            if (sawComment)
                *sawComment = true;
            continue;
        }
        if (c == QLatin1Char('/') && i + 1 < n && s[i + 1] == QLatin1Char('*')) {
            // T-SQL block comments nest.
            int depth = 0;
            int j = i;
            while (j < n) {
                if (s[j] == QLatin1Char('/') && j + 1 < n && s[j + 1] == QLatin1Char('*')) {
                    ++depth;
                    j += 2;
                } else if (s[j] == QLatin1Char('*') && j + 1 < n && s[j + 1] == QLatin1Char('/')) {
                    --depth;
                    j += 2;
                    if (depth == 0)
                        break;
                } else {
                    ++j;
                }
            }
            if (depth != 0)
                throw LexError{QStringLiteral("Missing end comment mark '*/'.")};
            i = j;
            space = comment = true;
            if (sawComment)
                *sawComment = true;
            continue;
        }
        const int start = i;
        const bool nString = (c == QLatin1Char('N') || c == QLatin1Char('n')) && i + 1 < n && s[i + 1] == QLatin1Char('\'');
        if (c == QLatin1Char('\'') || nString) {
            int j = nString ? i + 2 : i + 1;
            QString value;
            bool closed = false;
            while (j < n) {
                if (s[j] == QLatin1Char('\'')) {
                    if (j + 1 < n && s[j + 1] == QLatin1Char('\'')) {
                        value += QLatin1Char('\'');
                        j += 2;
                        continue;
                    }
                    closed = true;
                    ++j;
                    break;
                }
                value += s[j++];
            }
            if (!closed)
                throw LexError{QStringLiteral("Unclosed quotation mark after the character string '%1'.").arg(value)};
            Token* t = push(Tok::String, start, j);
            t->value = value;
            t->nPrefix = nString;
            i = j;
            continue;
        }
        if (c == QLatin1Char('[') || c == QLatin1Char('"')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : QLatin1Char('"');
            int j = i + 1;
            QString value;
            bool closed = false;
            while (j < n) {
                if (s[j] == close) {
                    if (j + 1 < n && s[j + 1] == close) {
                        value += close;
                        j += 2;
                        continue;
                    }
                    closed = true;
                    ++j;
                    break;
                }
                value += s[j++];
            }
            if (!closed)
                throw LexError{QStringLiteral("Unclosed quotation mark after the character string '%1'.").arg(value)};
            push(Tok::QuotedId, start, j)->value = value;
            i = j;
            continue;
        }
        if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && s[i + 1].isDigit())) {
            int j = i;
            if (c == QLatin1Char('0') && j + 1 < n && (s[j + 1] == QLatin1Char('x') || s[j + 1] == QLatin1Char('X'))) {
                j += 2;
                while (j < n && (s[j].isDigit() || QStringLiteral("abcdefABCDEF").contains(s[j])))
                    ++j;
                push(Tok::Number, start, j);
                i = j;
                continue;
            }
            while (j < n && s[j].isDigit())
                ++j;
            if (j < n && s[j] == QLatin1Char('.')) {
                ++j;
                while (j < n && s[j].isDigit())
                    ++j;
            }
            if (j < n && (s[j] == QLatin1Char('e') || s[j] == QLatin1Char('E'))) {
                int k = j + 1;
                if (k < n && (s[k] == QLatin1Char('+') || s[k] == QLatin1Char('-')))
                    ++k;
                if (k < n && s[k].isDigit()) {
                    while (k < n && s[k].isDigit())
                        ++k;
                    j = k;
                }
            }
            push(Tok::Number, start, j);
            i = j;
            continue;
        }
        if (isWordStart(c)) {
            int j = i + 1;
            while (j < n && isWordChar(s[j]))
                ++j;
            Token* t = push(Tok::Word, start, j);
            t->value = t->text.toUpper();
            i = j;
            continue;
        }
        if (c == QLatin1Char('@')) {
            int j = i + 1;
            if (j < n && s[j] == QLatin1Char('@'))
                ++j;
            while (j < n && isWordChar(s[j]))
                ++j;
            push(Tok::Variable, start, j);
            i = j;
            continue;
        }
        if (c == QLatin1Char('?')) {
            push(Tok::Param, start, i + 1)->param = params++;
            ++i;
            continue;
        }
        if (c == QLatin1Char(':') && i + 1 < n && isWordStart(s[i + 1])) {
            int j = i + 1;
            while (j < n && isWordChar(s[j]))
                ++j;
            push(Tok::Param, start, j)->param = params++;
            i = j;
            continue;
        }
        switch (c.unicode()) {
        case '(': push(Tok::LParen, start, i + 1); ++i; continue;
        case ')': push(Tok::RParen, start, i + 1); ++i; continue;
        case ',': push(Tok::Comma, start, i + 1); ++i; continue;
        case '.': push(Tok::Dot, start, i + 1); ++i; continue;
        case ';': push(Tok::Semicolon, start, i + 1); ++i; continue;
        default: break;
        }
        static const QStringList twoChar = {QStringLiteral("<>"), QStringLiteral("!="), QStringLiteral("<="),
                                            QStringLiteral(">="), QStringLiteral("!<"), QStringLiteral("!>"),
                                            QStringLiteral("||")};
        const QString two = s.mid(i, 2);
        if (twoChar.contains(two)) {
            push(Tok::Op, start, i + 2);
            i += 2;
            continue;
        }
        push(Tok::Op, start, i + 1);
        ++i;
    }
    return out;
}

} // namespace qel::server::tsql
