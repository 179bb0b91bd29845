// Number literals of formulas. The fixed format: an optional sign, digits, optionally "."
// and digits, optionally "E", an optional sign and at least one digit; every digit of the
// mantissa may be missing (such a mantissa reads as 0, so "." and "E5" are 0).
#pragma once

#include <QLocale>
#include <QStringView>
#include <optional>

namespace qel::formula {

// True when the whole (upper-case) text is a fixed-format literal; an empty text is not.
bool isFixedLiteral(const char16_t* text, int length);

// The value of a text that isFixedLiteral accepted, correctly rounded to a double; a
// literal beyond the double range reads as an infinity (evaluation refuses it).
double fixedLiteralValue(const char16_t* text, int length);

// The locale format: the text is a number when the locale's conversion accepts it whole
// (group separators refused, infinities and NaN refused).
std::optional<double> localeNumber(const QLocale& locale, QStringView text);

} // namespace qel::formula
