#include "platform/db/odbc_statement_text.h"

#include "platform/db/driver.h"

#include <QRegularExpression>

namespace qel::db {

namespace {

bool isProcedureName(const QString& name)
{
    // Letters, digits and the few signs of T-SQL names, dotted parts in brackets or not,
    // and an optional group number; nothing that could end the call escape.
    static const QRegularExpression re(QStringLiteral(R"(^[\w@#$.\[\] ]+(;\d+)?$)"),
                                       QRegularExpression::UseUnicodePropertiesOption);
    return !name.trimmed().isEmpty() && re.match(name).hasMatch();
}

} // namespace

QString odbcCallText(const QString& procedure, const QList<wire::Param>& params)
{
    if (!isProcedureName(procedure))
        throw DbError(QStringLiteral("Invalid procedure name \"%1\".").arg(procedure));

    int returnValues = 0;
    for (const auto& p : params)
        returnValues += p.isReturnValue ? 1 : 0;
    if (returnValues > 1)
        throw DbError(QStringLiteral("Procedure %1 has %2 return value parameters; one is allowed.")
                          .arg(procedure)
                          .arg(returnValues));

    const qsizetype arguments = params.size() - returnValues;
    QString text = returnValues ? QStringLiteral("{? = call ") : QStringLiteral("{call ");
    text += procedure.trimmed();
    if (arguments > 0) {
        text += QLatin1Char('(');
        for (qsizetype i = 0; i < arguments; ++i)
            text += i ? QStringLiteral(", ?") : QStringLiteral("?");
        text += QLatin1Char(')');
    }
    text += QLatin1Char('}');
    return text;
}

QString cleanOdbcMessage(const QString& text)
{
    qsizetype at = 0;
    while (at < text.size() && text.at(at) == QLatin1Char('[')) {
        const qsizetype close = text.indexOf(QLatin1Char(']'), at);
        if (close < 0)
            break;
        at = close + 1;
    }
    return text.mid(at).trimmed();
}

} // namespace qel::db
