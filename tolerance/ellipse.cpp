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
    const std::int32_t n = entry_rules::ToInt32(q);
    return entry_rules::ToInt32(std::sqrt(static_cast<double>(n)));
}

std::int32_t ComputeTolerance(const ToleranceEllipse &e, double x, double y)
{
    const double dx = entry_rules::WithinRange(std::fabs(x - e.x0));
    const double dy = entry_rules::WithinRange(std::fabs(y - e.y0));
    const double a = entry_rules::WithinRange((e.g11 * dx) * dx);
    const double b = entry_rules::WithinRange((e.c * dx) * dy);
    const double d = entry_rules::WithinRange((e.g22 * dy) * dy);
    const double q = entry_rules::WithinRange((a - b) + d);
    return EllipseSteps(q);
}

} // namespace tolerance
