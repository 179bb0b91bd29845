// Compiling a formula in a test and describing the outcome in one line: the operation
// listing joined by "; ", or "CLASS: message" with each carriage return shown as "\r".
#pragma once

#include "formula/operation_listing.h"
#include "formula/parser.h"

#include <QString>

namespace qel::test {

inline QString describeError(const char* className, const QString& message)
{
    QString m = message;
    m.replace(QChar(13), QLatin1String("\\r"));
    return QLatin1String(className) + QLatin1String(": ") + m;
}

inline QString compileOutcome(TCustomParser& parser, const QString& formula)
{
    try {
        parser.setExpression(formula);
        return operationListing(parser).join(QLatin1String("; "));
    } catch (const EMathParserError& e) {
        return describeError(e.className(), e.message());
    }
}

} // namespace qel::test
