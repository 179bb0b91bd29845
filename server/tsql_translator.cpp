#include "server/tsql_translator.h"

#include "server/tsql_passes.h"

#include <QSet>

namespace qel::server::tsql {
namespace {

[[noreturn]] void fail(const QString& message) { throw TranslateError{message}; }

bool isWord(const Token& t, const char* upper) { return t.kind == Tok::Word && t.value == QLatin1String(upper); }

bool anyWordAtDepth0(const std::vector<Token>& t, size_t from, size_t to, const char* upper)
{
    int depth = 0;
    for (size_t i = from; i < to; ++i) {
        if (t[i].kind == Tok::LParen)
            ++depth;
        else if (t[i].kind == Tok::RParen)
            --depth;
        else if (depth == 0 && isWord(t[i], upper))
            return true;
    }
    return false;
}

// Whether the word at i begins a new statement of the batch (T-SQL needs no ";").
bool startsStatement(const std::vector<Token>& t, size_t start, size_t i)
{
    static const QSet<QString> always = {
        QStringLiteral("INSERT"), QStringLiteral("DELETE"), QStringLiteral("UPDATE"), QStringLiteral("EXEC"),
        QStringLiteral("EXECUTE"), QStringLiteral("DECLARE"), QStringLiteral("PRINT"), QStringLiteral("IF"),
        QStringLiteral("WHILE"), QStringLiteral("COMMIT"), QStringLiteral("ROLLBACK"), QStringLiteral("CREATE"),
        QStringLiteral("DROP"), QStringLiteral("ALTER"), QStringLiteral("TRUNCATE"), QStringLiteral("GRANT"),
        QStringLiteral("USE"), QStringLiteral("RETURN"), QStringLiteral("GO"), QStringLiteral("BEGIN")};
    const Token& w = t[i];
    if (w.kind != Tok::Word)
        return false;
    const Token& prev = t[i - 1];
    const QString first = t[start].kind == Tok::Word ? t[start].value : QString();
    if (w.value == QLatin1String("BEGIN") && first == QLatin1String("BEGIN"))
        return false;
    if (always.contains(w.value))
        return true;
    if (w.value == QLatin1String("SELECT")) {
        if (prev.kind == Tok::Word
            && (prev.value == QLatin1String("UNION") || prev.value == QLatin1String("ALL")
                || prev.value == QLatin1String("EXCEPT") || prev.value == QLatin1String("INTERSECT")))
            return false;
        if (first == QLatin1String("INSERT") && !anyWordAtDepth0(t, start, i, "VALUES"))
            return false;
        if (first == QLatin1String("WITH"))
            return false;
        return true;
    }
    if (w.value == QLatin1String("SET")) {
        if (first == QLatin1String("UPDATE") && !anyWordAtDepth0(t, start, i, "SET"))
            return false;
        return true;
    }
    return false;
}

std::vector<std::pair<size_t, size_t>> splitStatements(const std::vector<Token>& t)
{
    std::vector<std::pair<size_t, size_t>> out;
    size_t start = 0;
    int depth = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind == Tok::LParen)
            ++depth;
        else if (t[i].kind == Tok::RParen)
            --depth;
        if (t[i].kind == Tok::Semicolon && depth == 0) {
            if (i > start)
                out.emplace_back(start, i);
            start = i + 1;
            continue;
        }
        if (depth == 0 && i > start && startsStatement(t, start, i)) {
            out.emplace_back(start, i);
            start = i;
        }
    }
    if (start < t.size())
        out.emplace_back(start, t.size());
    return out;
}

QVariant numberValue(const QString& text, bool negative)
{
    bool ok = false;
    const qlonglong i = text.toLongLong(&ok);
    if (ok) {
        const qlonglong v = negative ? -i : i;
        if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())
            return QVariant(static_cast<int>(v));
        return QVariant(v);
    }
    const double d = text.toDouble(&ok);
    if (!ok)
        fail(QStringLiteral("Incorrect syntax near '%1'.").arg(text));
    return QVariant(negative ? -d : d);
}

Statement parseExec(const std::vector<Token>& st)
{
    Statement s;
    s.kind = StatementKind::Exec;
    size_t i = 1;
    if (i < st.size() && st[i].kind == Tok::Variable)
        fail(QStringLiteral("Variables are not supported by the embedded server ('%1').").arg(st[i].text));
    if (i < st.size() && st[i].kind == Tok::LParen)
        fail(QStringLiteral("Dynamic SQL (EXEC of a text) is not supported by the embedded server."));
    if (i >= st.size() || !(st[i].kind == Tok::Word || st[i].kind == Tok::QuotedId))
        fail(QStringLiteral("Incorrect syntax near 'EXEC'."));
    // the name, possibly qualified: keep its last part
    QString name = st[i].value;
    if (st[i].kind == Tok::Word)
        name = st[i].text;
    ++i;
    while (i + 1 < st.size() && st[i].kind == Tok::Dot) {
        ++i;
        if (st[i].kind == Tok::Dot)
            continue; // QEL..proc
        name = st[i].kind == Tok::Word ? st[i].text : st[i].value;
        ++i;
    }
    s.procedure = name;
    while (i < st.size()) {
        ExecArgument arg;
        if (st[i].kind == Tok::Variable) {
            if (i + 1 >= st.size() || st[i + 1].kind != Tok::Op || st[i + 1].text != QLatin1String("="))
                fail(QStringLiteral("Variables are not supported by the embedded server ('%1').").arg(st[i].text));
            arg.name = st[i].text;
            i += 2;
        }
        if (i >= st.size())
            fail(QStringLiteral("Incorrect syntax near '='."));
        const Token& v = st[i];
        bool negative = false;
        size_t k = i;
        if (v.kind == Tok::Op && (v.text == QLatin1String("-") || v.text == QLatin1String("+"))) {
            negative = v.text == QLatin1String("-");
            ++k;
            if (k >= st.size() || st[k].kind != Tok::Number)
                fail(QStringLiteral("Incorrect syntax near '%1'.").arg(v.text));
        }
        const Token& x = st[k];
        switch (x.kind) {
        case Tok::String:
            arg.value = x.value;
            break;
        case Tok::Number:
            if (x.text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
                fail(QStringLiteral("The binary literal %1 is not supported by the embedded server.").arg(x.text));
            arg.value = numberValue(x.text, negative);
            break;
        case Tok::Param:
            arg.param = x.param;
            break;
        case Tok::Word:
            if (x.value == QLatin1String("NULL"))
                arg.value = QVariant();
            else if (x.value == QLatin1String("DEFAULT"))
                arg.isDefault = true;
            else
                arg.value = x.text; // T-SQL takes a bare word as a text argument
            break;
        case Tok::QuotedId:
            arg.value = x.value;
            break;
        case Tok::Variable:
            fail(QStringLiteral("Variables are not supported by the embedded server ('%1').").arg(x.text));
        default:
            fail(QStringLiteral("Incorrect syntax near '%1'.").arg(x.text));
        }
        i = k + 1;
        if (i < st.size() && isWord(st[i], "OUTPUT"))
            fail(QStringLiteral("OUTPUT parameters are not supported by the embedded server."));
        if (i < st.size()) {
            if (st[i].kind != Tok::Comma)
                fail(QStringLiteral("Incorrect syntax near '%1'.").arg(st[i].text));
            ++i;
            if (i >= st.size())
                fail(QStringLiteral("Incorrect syntax near ','."));
        }
        s.arguments.append(arg);
    }
    bool named = false;
    for (int k = 0; k < s.arguments.size(); ++k) {
        const ExecArgument& a = s.arguments[k];
        if (!a.name.isEmpty())
            named = true;
        else if (named)
            fail(QStringLiteral("Must pass parameter number %1 and subsequent parameters as '@name = value'. "
                                "After the form '@name = value' has been used, all subsequent parameters must be "
                                "passed in the form '@name = value'.")
                     .arg(k + 1));
    }
    return s;
}

Statement parseSet(const std::vector<Token>& st)
{
    static const QSet<QString> onOff = {
        QStringLiteral("NOCOUNT"), QStringLiteral("ANSI_NULLS"), QStringLiteral("ANSI_PADDING"),
        QStringLiteral("ANSI_WARNINGS"), QStringLiteral("ARITHABORT"), QStringLiteral("ARITHIGNORE"),
        QStringLiteral("CONCAT_NULL_YIELDS_NULL"), QStringLiteral("QUOTED_IDENTIFIER"),
        QStringLiteral("NUMERIC_ROUNDABORT"), QStringLiteral("XACT_ABORT"), QStringLiteral("ANSI_NULL_DFLT_ON"),
        QStringLiteral("ANSI_NULL_DFLT_OFF"), QStringLiteral("CURSOR_CLOSE_ON_COMMIT"),
        QStringLiteral("IMPLICIT_TRANSACTIONS"), QStringLiteral("ANSI_DEFAULTS"), QStringLiteral("STATISTICS"),
        QStringLiteral("SHOWPLAN_TEXT"), QStringLiteral("SHOWPLAN_ALL"), QStringLiteral("FMTONLY"),
        QStringLiteral("NOEXEC"), QStringLiteral("PARSEONLY"), QStringLiteral("FORCEPLAN")};
    static const QSet<QString> valued = {QStringLiteral("DATEFORMAT"), QStringLiteral("LANGUAGE"),
                                         QStringLiteral("DATEFIRST"), QStringLiteral("LOCK_TIMEOUT"),
                                         QStringLiteral("TEXTSIZE"), QStringLiteral("DEADLOCK_PRIORITY"),
                                         QStringLiteral("ROWCOUNT"), QStringLiteral("TRANSACTION")};
    Statement s;
    s.kind = StatementKind::SetOption;
    if (st.size() < 2)
        fail(QStringLiteral("Incorrect syntax near 'SET'."));
    if (st[1].kind == Tok::Variable)
        fail(QStringLiteral("Variables are not supported by the embedded server ('%1').").arg(st[1].text));
    if (st[1].kind != Tok::Word)
        fail(QStringLiteral("Incorrect syntax near '%1'.").arg(st[1].text));
    s.option = st[1].value;
    QStringList rest;
    for (size_t i = 2; i < st.size(); ++i)
        rest << (st[i].kind == Tok::String ? st[i].value : st[i].text);
    s.optionValue = rest.join(QLatin1Char(' '));
    if (onOff.contains(s.option)) {
        if (s.option == QLatin1String("STATISTICS") && st.size() == 4)
            s.optionValue = st[3].value;
        const QString v = st.size() >= 3 ? st.back().value : QString();
        if (v != QLatin1String("ON") && v != QLatin1String("OFF"))
            fail(QStringLiteral("Incorrect syntax near '%1'.").arg(s.option));
        s.optionValue = v;
        return s;
    }
    if (valued.contains(s.option)) {
        if (rest.isEmpty())
            fail(QStringLiteral("Incorrect syntax near '%1'.").arg(s.option));
        return s;
    }
    fail(QStringLiteral("The SET option '%1' is not supported by the embedded server.").arg(st[1].text));
}

Statement transaction(const std::vector<Token>& st)
{
    Statement s;
    s.kind = StatementKind::Transaction;
    const QString first = st[0].value;
    for (size_t i = 1; i < st.size(); ++i) {
        const Token& t = st[i];
        const bool ok = (i == 1 && (isWord(t, "TRAN") || isWord(t, "TRANSACTION") || isWord(t, "WORK")))
            || (i == st.size() - 1 && (t.kind == Tok::Word || t.kind == Tok::QuotedId) && !isKeyword(t.value));
        if (!ok)
            fail(QStringLiteral("Incorrect syntax near '%1'.").arg(t.text));
    }
    if (first == QLatin1String("BEGIN")) {
        if (st.size() < 2 || !(isWord(st[1], "TRAN") || isWord(st[1], "TRANSACTION")))
            fail(QStringLiteral("BEGIN ... END blocks are not supported by the embedded server."));
        s.sql = QStringLiteral("BEGIN IMMEDIATE");
    } else if (first == QLatin1String("COMMIT")) {
        s.sql = QStringLiteral("COMMIT");
    } else {
        s.sql = QStringLiteral("ROLLBACK");
    }
    return s;
}

} // namespace

std::vector<Statement> Translator::translateBatch(const QString& tsql, const Options& options,
                                                  const QList<ValueKind>& paramKinds) const
{
    std::vector<Token> tokens;
    try {
        tokens = tokenize(tsql);
    } catch (const LexError& e) {
        fail(e.message);
    }
    std::vector<Statement> out;
    Options current = options; // SET DATEFORMAT takes effect for the rest of the batch
    for (const auto& [b, e] : splitStatements(tokens)) {
        const std::vector<Token> st(tokens.begin() + b, tokens.begin() + e);
        const Token& first = st.front();
        const QString w = first.kind == Tok::Word ? first.value : QString();
        if (w == QLatin1String("EXEC") || w == QLatin1String("EXECUTE")) {
            out.push_back(parseExec(stripQualifiers(st)));
        } else if (w == QLatin1String("SET")) {
            out.push_back(parseSet(st));
            const QString v = out.back().optionValue.trimmed().toLower();
            if (out.back().option == QLatin1String("DATEFORMAT")) {
                static const QHash<QString, DateOrder> orders = {
                    {QStringLiteral("mdy"), DateOrder::MDY}, {QStringLiteral("dmy"), DateOrder::DMY},
                    {QStringLiteral("ymd"), DateOrder::YMD}, {QStringLiteral("ydm"), DateOrder::YDM},
                    {QStringLiteral("myd"), DateOrder::MYD}, {QStringLiteral("dym"), DateOrder::DYM}};
                current.dateOrder = orders.value(v, current.dateOrder);
            } else if (out.back().option == QLatin1String("LANGUAGE")) {
                if (v == QLatin1String("us_english") || v == QLatin1String("english"))
                    current.dateOrder = DateOrder::MDY;
                else if (v == QStringLiteral("русский") || v == QLatin1String("russian"))
                    current.dateOrder = DateOrder::DMY;
            }
        } else if (w == QLatin1String("BEGIN") || w == QLatin1String("COMMIT") || w == QLatin1String("ROLLBACK")) {
            out.push_back(transaction(st));
        } else if (w == QLatin1String("PRINT")) {
            Statement s;
            s.kind = StatementKind::Print;
            std::vector<Token> expr(st.begin() + 1, st.end());
            if (expr.empty())
                fail(QStringLiteral("Incorrect syntax near 'PRINT'."));
            Token sel;
            sel.kind = Tok::Word;
            sel.text = sel.value = QStringLiteral("SELECT");
            expr.insert(expr.begin(), sel);
            s.sql = translateDml(expr, catalog_, current, paramKinds, &s.paramDates).sql;
            out.push_back(s);
        } else if (w == QLatin1String("SELECT") || w == QLatin1String("INSERT") || w == QLatin1String("UPDATE")
                   || w == QLatin1String("DELETE") || w == QLatin1String("WITH") || first.kind == Tok::LParen) {
            Statement s;
            s.kind = StatementKind::Query;
            const DmlResult r = translateDml(st, catalog_, current, paramKinds, &s.paramDates);
            s.sql = r.sql;
            s.columnKinds = r.columnKinds;
            s.isSelect = r.isSelect;
            out.push_back(s);
        } else if (first.kind == Tok::Word) {
            fail(QStringLiteral("The statement '%1' is not supported by the embedded server.").arg(first.text));
        } else {
            fail(QStringLiteral("Incorrect syntax near '%1'.").arg(first.text));
        }
    }
    return out;
}

QString Translator::translateCondition(const QString& condition, const QString& table, const Options& options) const
{
    const QString key = table + QLatin1Char(':') + QString::number(static_cast<int>(options.dateOrder))
        + QLatin1Char(':') + condition;
    const auto known = conditions_.constFind(key);
    if (known != conditions_.constEnd())
        return known.value();
    auto refuse = [&](const QString& why) {
        fail(QStringLiteral("Условие отбора \"%1\" не принято: %2").arg(condition, why));
    };
    std::vector<Token> tokens;
    bool comment = false;
    try {
        tokens = tokenize(condition, &comment);
    } catch (const LexError& e) {
        refuse(e.message);
    }
    if (comment)
        refuse(QStringLiteral("комментарии в условии не допускаются."));
    if (tokens.empty())
        refuse(QStringLiteral("условие пусто."));
    static const QSet<QString> statementWords = {
        QStringLiteral("INSERT"), QStringLiteral("UPDATE"), QStringLiteral("DELETE"), QStringLiteral("EXEC"),
        QStringLiteral("EXECUTE"), QStringLiteral("DROP"), QStringLiteral("CREATE"), QStringLiteral("ALTER"),
        QStringLiteral("TRUNCATE"), QStringLiteral("MERGE"), QStringLiteral("GRANT"), QStringLiteral("REVOKE"),
        QStringLiteral("DENY"), QStringLiteral("DECLARE"), QStringLiteral("SET"), QStringLiteral("INTO"),
        QStringLiteral("ATTACH"), QStringLiteral("DETACH"), QStringLiteral("PRAGMA"), QStringLiteral("GO"),
        QStringLiteral("BEGIN"), QStringLiteral("COMMIT"), QStringLiteral("ROLLBACK"), QStringLiteral("USE"),
        QStringLiteral("PRINT"), QStringLiteral("WAITFOR"), QStringLiteral("SHUTDOWN"), QStringLiteral("BACKUP"),
        QStringLiteral("RESTORE"), QStringLiteral("KILL"), QStringLiteral("RECONFIGURE")};
    int depth = 0;
    for (const Token& t : tokens) {
        if (t.kind == Tok::Semicolon)
            refuse(QStringLiteral("разделитель операторов \";\" не допускается."));
        if (t.kind == Tok::Param || t.kind == Tok::Variable)
            refuse(QStringLiteral("параметры и переменные в условии не допускаются."));
        if (t.kind == Tok::LParen)
            ++depth;
        else if (t.kind == Tok::RParen && --depth < 0)
            refuse(QStringLiteral("непарная скобка."));
        if (t.kind != Tok::Word)
            continue;
        if (statementWords.contains(t.value))
            refuse(QStringLiteral("второй оператор (\"%1\") не допускается.").arg(t.text));
        if (depth == 0 && (t.value == QLatin1String("SELECT") || t.value == QLatin1String("UNION")
                           || t.value == QLatin1String("FROM") || t.value == QLatin1String("WHERE")
                           || t.value == QLatin1String("ORDER") || t.value == QLatin1String("GROUP")))
            refuse(QStringLiteral("допускается только одно логическое выражение (\"%1\").").arg(t.text));
    }
    if (depth != 0)
        refuse(QStringLiteral("непарная скобка."));
    QString sql;
    try {
        sql = translateDml(tokens, catalog_, options, {}, nullptr, table).sql;
        // the storage itself must read it as one expression over the table
        catalog_.queryColumns(QStringLiteral("SELECT 1 FROM \"%1\" WHERE (%2) LIMIT 0").arg(table, sql));
    } catch (const TranslateError& e) {
        refuse(e.message);
    }
    if (conditions_.size() > 200)
        conditions_.clear();
    conditions_.insert(key, sql);
    return sql;
}

QString describe(const std::vector<Statement>& statements)
{
    QStringList out;
    for (const Statement& s : statements) {
        switch (s.kind) {
        case StatementKind::Query:
        case StatementKind::Transaction:
            out << s.sql + QLatin1Char(';');
            break;
        case StatementKind::Print:
            out << QStringLiteral("-- PRINT\n") + s.sql + QLatin1Char(';');
            break;
        case StatementKind::SetOption:
            out << QStringLiteral("-- session option %1 = %2").arg(s.option, s.optionValue);
            break;
        case StatementKind::Exec: {
            QStringList args;
            for (const ExecArgument& a : s.arguments) {
                QString v;
                if (a.isDefault)
                    v = QStringLiteral("DEFAULT");
                else if (a.param >= 0)
                    v = QStringLiteral("?%1").arg(a.param + 1);
                else if (a.value.isNull())
                    v = QStringLiteral("NULL");
                else if (a.value.typeId() == QMetaType::QString)
                    v = quotedText(a.value.toString());
                else
                    v = a.value.toString();
                args << (a.name.isEmpty() ? v : a.name + QStringLiteral(" = ") + v);
            }
            out << QStringLiteral("-- server routine %1(%2)").arg(s.procedure, args.join(QStringLiteral(", ")));
            break;
        }
        }
    }
    return out.join(QLatin1Char('\n'));
}

} // namespace qel::server::tsql
