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
    return operationListing(parser.operations(), parser.variables(), parser.functionsOneParameter(),
                            parser.functionsTwoParameters());
}

QStringList operationListing(const OperationList& ops, const VariableTable& variables,
                             const FunctionTable& functions1, const FunctionTable& functions2)
{
    QStringList lines;
    QHash<const double*, int> resultLine;
    auto operand = [&](const double* cell) {
        if (auto it = resultLine.constFind(cell); it != resultLine.constEnd())
            return QStringLiteral("$%1").arg(*it);
        const QString name = variables.nameOf(cell);
        return name.isEmpty() ? formatNumber(*cell) : name;
    };
    for (const Operation& op : ops) {
        QStringList words{QLatin1String(kindName(op.Kind))};
        if (op.Kind == okFunction1)
            words << functions1.nameOf(op.Kernel);
        else if (op.Kind == okFunction2)
            words << functions2.nameOf(op.Kernel);
        words << operand(op.Arg1);
        if (op.Arg2)
            words << operand(op.Arg2);
        lines << words.join(QLatin1Char(' '));
        resultLine.insert(op.Dest, int(lines.size()));
    }
    return lines;
}

} // namespace qel
