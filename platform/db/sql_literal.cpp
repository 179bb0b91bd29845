#include "platform/db/sql_literal.h"

namespace qel::db {

QString sqlEscape(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('\''), QStringLiteral("''"));
    return out;
}

QString sqlLiteral(const QString& text) { return QLatin1Char('\'') + sqlEscape(text) + QLatin1Char('\''); }

} // namespace qel::db
