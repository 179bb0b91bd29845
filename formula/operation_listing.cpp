// Listing of a compiled formula for the admin tool and the tests.
#include "formula/operation_listing.h"

#include <QHash>
#include <charconv>

namespace qel {

QString formatNumber(double value)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    return QString::fromLatin1(buf, int(r.ptr - buf));
}

QStringList operationListing(const TCustomParser& parser)
{
    QStringList lines;
    QHash<const double*, int> resultLine;
    auto operand = [&](const double* cell) {
        if (auto it = resultLine.constFind(cell); it != resultLine.constEnd())
            return QStringLiteral("$%1").arg(*it);
        const QString name = parser.variables().nameOf(cell);
        return name.isEmpty() ? formatNumber(*cell) : name;
    };
    for (const Operation& op : parser.operations()) {
        QStringList words{QLatin1String(kindName(op.Kind))};
        if (op.Kind == okFunction1)
            words << parser.functionsOneParameter().nameOf(op.kernel);
        else if (op.Kind == okFunction2)
            words << parser.functionsTwoParameters().nameOf(op.kernel);
        words << operand(op.Arg1);
        if (op.Arg2)
            words << operand(op.Arg2);
        lines << words.join(QLatin1Char(' '));
        resultLine.insert(op.Dest, int(lines.size()));
    }
    return lines;
}

} // namespace qel
