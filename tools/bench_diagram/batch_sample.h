#pragma once
// A batch as a phosphor line makes it: rows scattered around a centre,
// rated by the screens' number. The same rows for every run (a fixed seed).

#include "batch_point.h"
#include "ellipse.h"

#include <random>
#include <vector>

namespace bench {

inline std::vector<diagram::BatchPoint> SampleBatch(const tolerance::ToleranceEllipse &row, int n)
{
    std::mt19937 random(20240611);
    std::normal_distribution<double> spread(0, 0.0045);
    std::vector<diagram::BatchPoint> rows;
    rows.reserve(std::size_t(n));
    for (int i = 0; i < n; ++i) {
        // Along the locus more than across it, as phosphor weight drifts.
        const double a = spread(random), b = spread(random) * 0.5;
        const double x = row.x0 + 0.0015 + a * 0.86 - b * 0.5;
        const double y = row.y0 - 0.001 + a * 0.5 + b * 0.86;
        rows.push_back({x, y, tolerance::ComputeTolerance(row, x, y)});
    }
    return rows;
}

} // namespace bench
