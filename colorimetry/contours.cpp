// The curves a chromaticity diagram draws around a row's centre. Both are
// star-shaped around the centre, so each point is found along its ray: for a
// direction (cos θ, sin θ) a quadratic form F(θ)·r² reaches a level L at
// r = √(L / F(θ)).

#include "colorimetry.h"

#include <cmath>
#include <numbers>

namespace colorimetry {

namespace {

template <typename Form>
std::vector<Xy> AroundCentre(const tolerance::ToleranceEllipse &row, double level, int points,
                             Form form)
{
    std::vector<Xy> curve;
    if (points < 3 || !(level >= 0))
        return curve;
    curve.reserve(std::size_t(points));
    for (int i = 0; i < points; ++i) {
        const double theta = 2 * std::numbers::pi * i / points;
        const double c = std::cos(theta);
        const double s = std::sin(theta);
        const double r = std::sqrt(level / form(c, s));
        curve.push_back({row.x0 + r * c, row.y0 + r * s});
    }
    return curve;
}

} // namespace

std::vector<Xy> ProgramStepContour(const tolerance::ToleranceEllipse &row, int k, int points)
{
    // The screens' number is k for k² − k + 0.5 < Q ≤ k² + k + 0.5, with
    // Q = g11·dx² − c·|dx|·|dy| + g22·dy².
    const double edge = double(k) * k + k + 0.5;
    return AroundCentre(row, k < 0 ? -1 : edge, points, [&row](double c, double s) {
        return row.g11 * c * c - row.c * std::fabs(c) * std::fabs(s) + row.g22 * s * s;
    });
}

std::vector<Xy> StandardStepEllipse(const tolerance::ToleranceEllipse &row, double n, int points)
{
    const StandardMetric g = StandardMetricOf(row);
    return AroundCentre(row, n * n, points, [&g](double c, double s) {
        return g.g11 * c * c + 2 * g.g12 * c * s + g.g22 * s * s;
    });
}

} // namespace colorimetry
