#pragma once
// The Planckian locus as a table in CIE 1960 (u, v), built once and shared:
// what the exact CCT searches, and where its temperatures come from.

#include "colorimetry.h"

#include <vector>

namespace colorimetry {

struct LocusPoint {
    double kelvin;
    double u;
    double v;
};

inline constexpr double kTableLowest = 500;
inline constexpr double kTableHighest = 100000;

// Temperatures in geometric steps of 0.1 % from just below 1000 K to just
// above 20000 K, and of 1 % beyond, from 500 K to 100 000 K; the first call
// builds it.
const std::vector<LocusPoint> &PlanckianTable();

} // namespace colorimetry
