// Reading number literals in the fixed and in the locale format.
#include "formula/number_literal.h"

#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace qel::formula {

namespace {

inline bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// strtod reads "." only in the "C" locale; the application runs in the user's locale.
locale_t cLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return c;
}

} // namespace

bool isFixedLiteral(const char16_t* p, int len)
{
    if (len <= 0)
        return false;
    int i = 0;
    if (p[i] == u'+' || p[i] == u'-')
        ++i;
    while (i < len && isDigit(p[i]))
        ++i;
    if (i < len && p[i] == u'.') {
        ++i;
        while (i < len && isDigit(p[i]))
            ++i;
    }
    if (i < len && p[i] == u'E') {
        ++i;
        if (i < len && (p[i] == u'+' || p[i] == u'-'))
            ++i;
        if (i >= len || !isDigit(p[i]))
            return false;
        while (i < len && isDigit(p[i]))
            ++i;
    }
    return i == len;
}

double fixedLiteralValue(const char16_t* p, int len)
{
    // Rebuild the literal in the form strtod knows, supplying the digit a missing
    // mantissa stands for.
    std::string s;
    s.reserve(std::size_t(len) + 2);
    int i = 0;
    if (p[i] == u'+' || p[i] == u'-')
        s += char(p[i++]);
    bool mantissaDigits = false;
    for (; i < len && p[i] != u'E'; ++i) {
        mantissaDigits = mantissaDigits || isDigit(p[i]);
        s += char(p[i]);
    }
    if (!mantissaDigits)
        s += '0';
    for (; i < len; ++i)
        s += char(p[i]);
    return strtod_l(s.c_str(), nullptr, cLocale());
}

std::optional<double> localeNumber(const QLocale& locale, QStringView text)
{
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double v = locale.toDouble(text, &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

} // namespace qel::formula
