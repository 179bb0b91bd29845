// Names of the operation kinds, as the admin tool prints them.
#include "formula/operation.h"

namespace qel {

const char* kindName(TOperationKind kind)
{
    static const char* const names[kOperationKindCount] = {
        "okVariable", "okConstant", "okNegate", "okSum", "okDifference", "okProduct",
        "okQuotient", "okRemainder", "okIntQuotient", "okIntPower", "okRealPower",
        "okSquare", "okCube", "okFourthPower", "okFunction1", "okFunction2",
    };
    return kind < kOperationKindCount ? names[kind] : "?";
}

bool isOneOperandKind(TOperationKind kind)
{
    return kind == okNegate || kind == okSquare || kind == okCube || kind == okFourthPower || kind == okFunction1;
}

} // namespace qel
