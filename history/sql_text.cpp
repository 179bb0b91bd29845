#include "history/sql_text.h"

namespace qel {

QString QuoteSql(const QString& text) { return QLatin1Char('\'') + text + QLatin1Char('\''); }

QString QuoteSqlNested(const QString& text) { return QStringLiteral("''") + text + QStringLiteral("''"); }

} // namespace qel
