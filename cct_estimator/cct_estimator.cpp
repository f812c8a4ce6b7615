#include "cct_estimator.h"

#include "failures.h"
#include "number_rules.h"
#include "rounded_power.h"

#include <cmath>

namespace cct_estimator {

using entry_rules::WithinRange;
using K = CctEstimator;

double EstimateCct(double x, double y)
{
    const double dx = WithinRange(x - K::xOffset);
    const double dy = WithinRange(y - K::yOffset);
    if (dy == 0.0)
        throw entry_rules::DivisionByZero(
            "y 不能等于 0.187：换算公式要除以 (y − 0.187)。请改用其他 y 值后再计算。");
    const double A = WithinRange(dx / dy);

    using entry_rules::RoundedPower;
    double s = WithinRange(K::a4 * RoundedPower(A, 4));
    s = WithinRange(s - WithinRange(K::a3 * RoundedPower(A, 3)));
    s = WithinRange(s + WithinRange(K::a2 * RoundedPower(A, 2)));
    s = WithinRange(s - WithinRange(K::a1 * A));
    s = WithinRange(s + K::a0);
    return entry_rules::RoundHalfEven(s);
}

} // namespace cct_estimator
