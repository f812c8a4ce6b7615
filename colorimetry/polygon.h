#pragma once
// Polygons in the chromaticity plane, with exact answers: which side of a
// line a point lies on, whether a point lies inside a polygon, on its edge or
// outside, whether a polygon is simple and whether two polygons overlap.
//
// The side of a line is decided exactly for every double input (a fast
// floating-point answer where its error bound proves the sign, exact
// expansion arithmetic where it does not), so that a point on an edge is on
// it, not beside it by a rounding. That holds while no coordinate exceeds
// 10^150 and the two points compared are not both closer than 10^-146 to each
// other in x and in y; a chromaticity diagram stays far inside that.

#include "colorimetry.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

namespace colorimetry {

// The smallest rectangle, sides along the axes, that holds the points added;
// empty (holding nothing) before the first.
struct XyBox {
    double left = INFINITY, bottom = INFINITY, right = -INFINITY, top = -INFINITY;
    void Add(Xy p)
    {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        bottom = std::min(bottom, p.y);
        top = std::max(top, p.y);
    }
    bool Empty() const { return !(left <= right); }
    bool Holds(Xy p) const { return p.x >= left && p.x <= right && p.y >= bottom && p.y <= top; }
};
XyBox BoxOf(std::span<const Xy> points);

// +1 when c lies to the left of the line from a to b (a, b, c turn
// counter-clockwise in (x, y)), −1 to the right, 0 on the line. Exact.
int Orientation(Xy a, Xy b, Xy c);

enum class PointLocation { Outside, OnEdge, Inside };

// Where p lies with respect to the polygon through the corners (closed
// implicitly from the last corner back to the first; either direction).
// Exact; a point that is not finite is Outside.
PointLocation Locate(std::span<const Xy> corners, Xy p);

// Inside or on an edge.
inline bool Contains(std::span<const Xy> corners, Xy p)
{
    return Locate(corners, p) != PointLocation::Outside;
}

// The indexes of the corners to keep: all but a corner repeated right after
// itself, and a last corner that repeats the first (files often close a
// polygon that way).
std::vector<std::size_t> CornersWithoutRepeats(std::span<const Xy> corners);

// What keeps corners from being a simple polygon.
enum class PolygonFault {
    None,
    TooFewCorners,  // fewer than 3
    NotFinite,      // a coordinate is infinite or NaN
    CrossingEdges,  // two edges cross, touch or run along each other (a bowtie)
};

struct PolygonCheck {
    PolygonFault fault = PolygonFault::None;
    // CrossingEdges: the first pair of edges that meet, 0-based, edgeA < edgeB.
    // Edge i runs from corner i to corner i + 1 (the last back to corner 0).
    std::size_t edgeA = 0;
    std::size_t edgeB = 0;
    bool simple() const { return fault == PolygonFault::None; }
};

// Checks that the corners, in order, bound a simple polygon: at least three,
// finite, and no two edges meeting except neighbours at their common corner.
// A repeated corner counts as given (see CornersWithoutRepeats).
PolygonCheck CheckSimplePolygon(std::span<const Xy> corners);

// Whether the insides of two simple polygons overlap: they share some area,
// not merely an edge or a corner. Polygons that coincide overlap. Edges that
// run along each other count as shared exactly when they lie on one line
// exactly (as when both polygons list the same corners).
bool InsidesOverlap(std::span<const Xy> a, std::span<const Xy> b);

} // namespace colorimetry
