// Fuzz target of the formula engine: any text compiles or fails with a parser error, a
// compiled formula evaluates or fails with an arithmetic fault, and on short texts the
// remembered verdicts agree with the plain recogniser. Input: the first byte chooses the
// number format (odd: the locale's), the rest is the formula as Latin-1 text.
#include "formula/compiler.h"
#include "formula/operation_listing.h"
#include "formula/parser.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Grade-sheet formulas are short; on longer texts the search spends its time on the
// recogniser's worst case (cubic in the number of operators) rather than on new paths.
constexpr std::size_t kLongestInput = 1024;
// The plain recogniser's cost doubles with every operator: compare on short texts only.
constexpr std::size_t kLongestCompared = 28;

QString outcome(const qel::TParser& parser, const QString& text, bool fixedFormat, bool memoise)
{
    bool error = false;
    try {
        const qel::OperationList ops = qel::CompileExpression(text, parser.variables(), parser.functionsOneParameter(),
                                                              parser.functionsTwoParameters(), fixedFormat, error,
                                                              {memoise, nullptr});
        if (error)
            return QStringLiteral("error flag set on success");
        return qel::operationListing(ops, parser.variables(), parser.functionsOneParameter(),
                                     parser.functionsTwoParameters())
            .join(QLatin1Char(';'));
    } catch (const qel::EMathParserError& e) {
        if (!error)
            return QStringLiteral("error flag clear on failure");
        return QLatin1String(e.className()) + QLatin1Char(':') + e.message();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0 || size > kLongestInput)
        return 0;
    const bool fixedFormat = (data[0] & 1) == 0;
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    qel::TParser parser;
    parser.setPascalNumberformat(fixedFormat);
    const char* names[] = {"M1", "M2", "M3", "M4", "DOP", "DOP2", "PI", "E5"};
    for (std::size_t i = 0; i < std::size(names); ++i)
        parser.SetVariable(QLatin1String(names[i]), 1.5L * double(i) - 3.0L);
    parser.A = 2;
    parser.B = -0.5;

    bool compiled = false;
    try {
        compiled = parser.ParseExpression(text);
    } catch (const qel::EMathParserError&) {
    }
    if (compiled) {
        try {
            const long double v = parser.Value();
            if (!(v == v))
                std::abort(); // a NaN must end the reading with a fault
        } catch (const qel::EArithmeticFault&) {
        }
    }

    if (size - 1 <= kLongestCompared && fixedFormat) {
        const QString remembered = outcome(parser, text, true, true);
        const QString plain = outcome(parser, text, true, false);
        if (remembered != plain) {
            std::fprintf(stderr, "remembered: %s\nplain:      %s\n", qPrintable(remembered), qPrintable(plain));
            std::abort();
        }
    }
    return 0;
}
