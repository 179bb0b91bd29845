// A readable listing of a compiled formula, one line per operation in list order: the
// kind name (calls followed by the function name), then the operands, each an upper-case
// variable name, a constant in %.15g or $k for the result of the k-th line.
#pragma once

#include "formula/parser.h"

#include <QStringList>

namespace qel {

QStringList operationListing(const TCustomParser& parser);
QStringList operationListing(const OperationList& ops, const VariableTable& variables,
                             const FunctionTable& functions1, const FunctionTable& functions2);

// A number as "%.15g" prints it in the "C" locale, whatever the user's locale.
QString formatNumber(double value);

} // namespace qel
