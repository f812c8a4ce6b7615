// The standard's SDCM for a row of the ellipse table. The standard (IEC
// 60081; GB/T 10682 with the same coefficients) measures one step by
//   n² = g11·dx² + 2·g12·dx·dy + g22·dy²,   dx = x − x0, dy = y − y0 signed,
// with g12 = −50·c of the row: for 6500 K, g11 = 86·10⁴, g12 = −40·10⁴,
// g22 = 45·10⁴, an ellipse tilted about 58° from the x axis. The screens'
// own number uses c on magnitudes instead, and stays as it is.

#include "colorimetry.h"

#include <cmath>
#include <numbers>

namespace colorimetry {

StandardMetric StandardMetricOf(const tolerance::ToleranceEllipse &row)
{
    return {row.g11, -50 * row.c, row.g22};
}

double StandardSdcm(const tolerance::ToleranceEllipse &row, Xy p)
{
    if (!std::isfinite(p.x) || !std::isfinite(p.y))
        return INFINITY;
    const StandardMetric g = StandardMetricOf(row);
    const double dx = p.x - row.x0;
    const double dy = p.y - row.y0;
    const double n2 = g.g11 * dx * dx + 2 * g.g12 * dx * dy + g.g22 * dy * dy;
    // The form is positive definite; only rounding could take it below 0.
    return std::sqrt(std::max(0.0, n2));
}

EllipseAxes StandardAxes(const tolerance::ToleranceEllipse &row)
{
    // Eigenvalues of [[g11, g12], [g12, g22]]: the smaller one belongs to
    // the major axis, and a step along an eigenvector is 1/√λ long.
    const StandardMetric g = StandardMetricOf(row);
    const double mean = (g.g11 + g.g22) / 2;
    const double radius = std::hypot((g.g11 - g.g22) / 2, g.g12);
    const double small = mean - radius;
    const double large = mean + radius;
    // The angle of the major axis: tan 2θ = 2·g12 / (g11 − g22), taken on
    // the branch of the smaller eigenvalue.
    double theta = 0.5 * std::atan2(-2 * g.g12, g.g22 - g.g11);
    if (theta < 0)
        theta += std::numbers::pi;
    EllipseAxes axes;
    axes.major = {std::cos(theta), std::sin(theta)};
    axes.minor = {-std::sin(theta), std::cos(theta)};
    axes.majorStep = 1 / std::sqrt(small);
    axes.minorStep = 1 / std::sqrt(large);
    axes.tiltDegrees = theta * 180 / std::numbers::pi;
    return axes;
}

} // namespace colorimetry
