#include "server/tds/statement_parameters.h"

#include "server/tsql_lexer.h"
#include "server/wire.h"

namespace qel::server::tds {

QList<DeclaredParam> parseDeclarations(const QString& declarations)
{
    QList<DeclaredParam> out;
    // Split at the commas outside parentheses: "decimal(10, 2)" is one type.
    QStringList parts;
    QString current;
    int depth = 0;
    for (QChar c : declarations) {
        if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')'))
            depth = std::max(0, depth - 1);
        if (c == QLatin1Char(',') && depth == 0) {
            parts << current;
            current.clear();
        } else {
            current += c;
        }
    }
    parts << current;
    for (const QString& raw : parts) {
        const QString part = raw.trimmed();
        if (part.isEmpty())
            continue;
        if (!part.startsWith(QLatin1Char('@')))
            throw wire::ServerError(QStringLiteral("Incorrect syntax near '%1'.").arg(part.section(QLatin1Char(' '), 0, 0)));
        DeclaredParam p;
        qsizetype end = 1;
        while (end < part.size() && !part.at(end).isSpace())
            ++end;
        p.name = part.left(end);
        QString rest = part.mid(end).trimmed();
        const QStringList words = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (!words.isEmpty()) {
            const QString last = words.last().toUpper();
            if (last == QLatin1String("OUTPUT") || last == QLatin1String("OUT")) {
                p.output = true;
                rest = rest.left(rest.size() - words.last().size()).trimmed();
            }
        }
        p.type = rest;
        if (p.type.isEmpty())
            throw wire::ServerError(QStringLiteral("Incorrect syntax near '%1'.").arg(p.name));
        out.append(p);
    }
    return out;
}

QString positionalStatement(const QString& statement, const QList<DeclaredParam>& declared, QList<int>* uses)
{
    std::vector<tsql::Token> tokens;
    try {
        tokens = tsql::tokenize(statement);
    } catch (const tsql::LexError&) {
        return statement;
    }
    QString out;
    int copied = 0;
    for (const tsql::Token& t : tokens) {
        if (t.kind != tsql::Tok::Variable)
            continue;
        int index = -1;
        for (int k = 0; k < declared.size(); ++k)
            if (declared[k].name.compare(t.text, Qt::CaseInsensitive) == 0)
                index = k;
        if (index < 0)
            continue;
        out += QStringView(statement).mid(copied, t.pos - copied);
        out += QLatin1Char('?');
        copied = t.pos + int(t.text.size());
        uses->append(index);
    }
    out += QStringView(statement).mid(copied);
    return out;
}

} // namespace qel::server::tds
