#include "rounded_power.h"

#include <cmath>

namespace entry_rules {

namespace {

struct Sum {
    double hi, lo; // hi + lo exactly
};

// a split into two halves of 26 bits, a = hi + lo exactly (Veltkamp).
Sum Split(double a)
{
    const double c = 134217729.0 * a; // 2^27 + 1
    const double hi = c - (c - a);
    return {hi, a - hi};
}

// a·b = hi + lo exactly (Dekker), for products that neither overflow nor
// come near the subnormal range.
Sum ExactProduct(double a, double b)
{
    const double p = a * b;
    const Sum x = Split(a), y = Split(b);
    return {p, ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

} // namespace

double RoundedPower(double a, int n)
{
    if (n <= 2)
        return n == 2 ? a * a : a; // one rounding already
    // Far out, the plain product: an overflow either way, or a power far
    // below the last bit of any sum it joins (and Dekker's product would
    // reach the subnormal range).
    const double size = std::fabs(a);
    if (!(size < 0x1p+498 && size > 0x1p-225))
        return n == 3 ? a * a * a : a * a * a * a;
    const Sum square = ExactProduct(a, a);
    if (n == 3) {
        const Sum cube = ExactProduct(a, square.hi);
        return std::isfinite(cube.hi) ? cube.hi + (cube.lo + a * square.lo) : cube.hi;
    }
    // (s + e)² = s² + 2se + e².
    const Sum fourth = ExactProduct(square.hi, square.hi);
    return std::isfinite(fourth.hi) ? fourth.hi + (fourth.lo + (2 * square.hi * square.lo + square.lo * square.lo))
                                    : fourth.hi;
}

} // namespace entry_rules
