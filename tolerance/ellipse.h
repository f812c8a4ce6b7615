#pragma once
// The tolerance ellipses (MacAdam ellipses) of the two standards and the
// distance of a measured chromaticity point from an ellipse's centre, in
// whole ellipse steps.

#include <array>
#include <bit>
#include <cstdint>

namespace tolerance {

enum class ColourStandard { GB, ANSI };

// One ellipse: its centre (x0, y0) and the quadratic form
// g11·dx² − c·dx·dy + g22·dy² around it.
struct ToleranceEllipse {
    ColourStandard standard;
    int nominalCct; // kelvin
    double x0;
    double y0;
    double g11;
    double c; // the cross term is always subtracted
    double g22;
};

// The 2700 K cross coefficient is the double just above 3720, bit for bit.
inline constexpr double kCross2700 = std::bit_cast<double>(0x40AD100000000001ULL);

// clang-format off
inline constexpr std::array<ToleranceEllipse, 12> EllipseTable{{
    {ColourStandard::GB,   6500, 0.313,  0.337,  860000, 8000,       450000},
    {ColourStandard::GB,   5000, 0.346,  0.359,  560000, 5000,       280000},
    {ColourStandard::GB,   4000, 0.38,   0.38,   395000, 4300,       260000},
    {ColourStandard::GB,   3500, 0.409,  0.394,  380000, 4000,       250000},
    {ColourStandard::GB,   3000, 0.44,   0.403,  390000, 3900,       275000},
    {ColourStandard::GB,   2700, 0.463,  0.42,   440000, kCross2700, 270000},
    {ColourStandard::ANSI, 6500, 0.3123, 0.3282, 860000, 8000,       450000},
    {ColourStandard::ANSI, 5000, 0.3447, 0.3553, 560000, 5000,       280000},
    {ColourStandard::ANSI, 4000, 0.3818, 0.3797, 395000, 4300,       260000},
    {ColourStandard::ANSI, 3500, 0.4073, 0.3917, 380000, 4000,       250000},
    {ColourStandard::ANSI, 3000, 0.4338, 0.403,  390000, 3900,       275000},
    {ColourStandard::ANSI, 2700, 0.4578, 0.4101, 440000, kCross2700, 270000},
}};
// clang-format on

// The row of that standard and nominal CCT; nullptr when there is none
// (such as 4500 K and 5700 K).
const ToleranceEllipse *FindEllipse(ColourStandard standard, int nominalCct);

// The tolerance of the point (x, y) in ellipse steps, 0 … 46341:
//   dx = |x − x0|, dy = |y − y0|
//   Q  = ((g11·dx)·dx − (c·dx)·dy) + (g22·dy)·dy
//   t  = ToInt32(√ToInt32(Q))
// in double, each operation rounded, in exactly that order. Both differences
// are magnitudes, so mirror images around the centre give the same result.
// Throws Overflow when a step leaves the double range or Q is 2147483647.5
// or more.
std::int32_t ComputeTolerance(const ToleranceEllipse &ellipse, double x, double y);

// The last two steps on their own: Q rounded to a whole number, then its
// square root rounded. So t = k exactly when k² − k + 0.5 < Q ≤ k² + k + 0.5;
// a Q on a band edge falls to the lower band.
std::int32_t EllipseSteps(double q);

} // namespace tolerance
