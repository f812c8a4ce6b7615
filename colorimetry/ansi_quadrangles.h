#pragma once
// The eight chromaticity quadrangles of ANSI C78.377-2008 for white solid-
// state lighting, one per nominal CCT from 2700 K to 6500 K. Each is bounded
// by the isotemperature lines at the two ends of its CCT range and by the
// lines Duv = centre ± 0.006; its edges are straight in (x, y) between the
// four corners.
//
// Neighbouring quadrangles share an edge (or, where the table's ranges meet
// by a kelvin, a sliver); a point on an edge they share belongs to the lower
// nominal CCT: a point belongs to the first quadrangle, from 2700 K up, that
// holds it inside or on its edge.

#include "bins.h"

#include <array>
#include <span>
#include <string_view>

namespace colorimetry {

inline constexpr double kAnsiDuvTolerance = 0.006;

struct AnsiQuadrangle {
    int nominalCct;            // 2700 … 6500
    std::string_view name;     // "2700K", as the bins are named
    double cct;                // the centre of the CCT range, K
    double cctTolerance;       // half the range, K
    double duvCentre;
    // From the CCT and Duv at the range's ends: upper-low-CCT,
    // upper-high-CCT, lower-high-CCT, lower-low-CCT ("upper": Duv + 0.006).
    std::array<Xy, 4> corners;
};

// The eight, from 2700 K up.
std::span<const AnsiQuadrangle> AnsiQuadrangles();

// The quadrangles as bins named "2700K" … "6500K", in the same order.
const BinSet &AnsiQuadrangleBins();

// The quadrangle p lies in, inside or on its edge (on a shared edge the
// lower nominal CCT); null when it lies in none. Exact.
const AnsiQuadrangle *AnsiQuadrangleOf(Xy p);

} // namespace colorimetry
