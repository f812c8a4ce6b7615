#pragma once
// The estimated correlated colour temperature of a chromaticity point
// (CIE 1931 x, y), by a fixed polynomial in the slope
//   A = (x − 0.329) / (y − 0.187):
//   CCT = RoundHalfEven(669·A⁴ − 779·A³ + 3360·A² − 7047·A + 5652)  [kelvin]
// Worked example: x = 0.3127, y = 0.329 gives A ≈ −0.1148 and 6506 K.
// The polynomial has a single minimum, about 1854.99 at A ≈ 0.9988, so every
// finite result is at least 1855; A = 1 gives exactly 1855, A = 0 gives 5652.

namespace cct_estimator {

struct CctEstimator {
    static constexpr double xOffset = 0.329;
    static constexpr double yOffset = 0.187;
    static constexpr double a4 = 669;
    static constexpr double a3 = 779;
    static constexpr double a2 = 3360;
    static constexpr double a1 = 7047;
    static constexpr double a0 = 5652;
};

// The rounded CCT in kelvin (a whole-valued double). Every operation is
// rounded to double in the order of the formula above, read left to right;
// each power is A's, correctly rounded (entry_rules::RoundedPower: what
// glibc's std::pow gives, on every platform). Throws entry_rules::DivisionByZero
// when y − 0.187 is exactly zero, whatever x is, and entry_rules::Overflow when
// a step leaves the double range.
double EstimateCct(double x, double y);

} // namespace cct_estimator
