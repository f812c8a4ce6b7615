#include "ellipse.h"

#include "number_rules.h"

#include <cmath>

namespace tolerance {

static_assert(kCross2700 > 3720.0 && kCross2700 < 3720.000000000001);

const ToleranceEllipse *FindEllipse(ColourStandard standard, int nominalCct)
{
    for (const ToleranceEllipse &row : EllipseTable) {
        if (row.standard == standard && row.nominalCct == nominalCct)
            return &row;
    }
    return nullptr;
}

std::int32_t EllipseSteps(double q)
{
    const std::int32_t n = ToInt32(q);
    return ToInt32(std::sqrt(static_cast<double>(n)));
}

std::int32_t ComputeTolerance(const ToleranceEllipse &e, double x, double y)
{
    const double dx = WithinRange(std::fabs(x - e.x0));
    const double dy = WithinRange(std::fabs(y - e.y0));
    const double a = WithinRange((e.g11 * dx) * dx);
    const double b = WithinRange((e.c * dx) * dy);
    const double d = WithinRange((e.g22 * dy) * dy);
    const double q = WithinRange((a - b) + d);
    return EllipseSteps(q);
}

} // namespace tolerance
