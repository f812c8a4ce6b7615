#pragma once
// The number rules both programs share: what a typed text means as a number,
// and how a double becomes a whole number and a text. The forms a text may
// take are listed in NUMBER_FORMS.md beside this file.

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

namespace entry_rules {

// The double nearest to the number that a UTF-8 text denotes.
// Throws NotANumber for a text that is not a number (the empty text
// included: callers decide what an empty entry means), and Overflow for a
// number beyond the largest double. A number too small for a double reads
// as zero of its sign.
double ParseNumber(std::string_view utf8);

// The whole number nearest v, ties to the even one. Throws Overflow when
// that number is outside the 32-bit range, and for infinity and NaN.
std::int32_t ToInt32(double v);

// The whole number nearest v, ties to the even one, as a double; no range
// limit (infinity and NaN come back unchanged). Independent of the
// floating-point rounding mode.
double RoundHalfEven(double v);

// Decimal digits with an ASCII minus for negatives: 0, 367, -12.
std::string IntegerText(std::int32_t n);

// The text of a computed whole number. Below 10^15 in magnitude, all its
// digits as IntegerText writes them (6504). From 10^15 on, 15 significant
// digits in scientific form with an upper-case E and a signed exponent,
// trailing zeros of the mantissa dropped (3.92876952579192E+15, 1E+15).
// A value with a fraction is written with up to 15 significant digits.
std::string WholeNumberText(double v);

// Throws Overflow.
[[noreturn]] void ThrowOverflow();

// v itself when it is finite; throws Overflow for infinity and NaN. Every
// arithmetic step of a computation passes its result through here, so that
// a value outside the double range stops the computation at that step.
// Inline: a batch row takes eight such steps.
inline double WithinRange(double v)
{
    if (!std::isfinite(v))
        ThrowOverflow();
    return v;
}

} // namespace entry_rules
