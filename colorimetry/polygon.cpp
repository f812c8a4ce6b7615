// Exact orientation after Shewchuk ("Adaptive Precision Floating-Point
// Arithmetic and Fast Robust Geometric Predicates", 1997): the determinant
// in doubles, trusted when it exceeds its error bound; otherwise the same
// determinant as a sum of exact two-double products, added up without
// rounding as a non-overlapping expansion, whose sign is that of its largest
// component.

#include "polygon.h"

#include <algorithm>
#include <cmath>

namespace colorimetry {

namespace {

struct Two {
    double hi;
    double lo; // hi + lo is the exact result
};

Two TwoSum(double a, double b)
{
    const double s = a + b;
    const double bVirtual = s - a;
    const double aVirtual = s - bVirtual;
    return {s, (a - aVirtual) + (b - bVirtual)};
}

Two TwoDiff(double a, double b)
{
    const double d = a - b;
    const double bVirtual = a - d;
    const double aVirtual = d + bVirtual;
    return {d, (a - aVirtual) + (bVirtual - b)};
}

Two TwoProduct(double a, double b)
{
    const double p = a * b;
    return {p, std::fma(a, b, -p)};
}

// (a − c) × (b − c) in doubles: the determinant and the sum of the
// magnitudes of its two products.
struct Determinant {
    double value;
    double magnitude;
};

Determinant Approximate(Xy a, Xy b, Xy c)
{
    const double left = (a.x - c.x) * (b.y - c.y);
    const double right = (a.y - c.y) * (b.x - c.x);
    return {left - right, std::fabs(left) + std::fabs(right)};
}

int ExactOrientation(Xy a, Xy b, Xy c)
{
    const Two acx = TwoDiff(a.x, c.x), bcy = TwoDiff(b.y, c.y);
    const Two acy = TwoDiff(a.y, c.y), bcx = TwoDiff(b.x, c.x);
    double terms[16];
    int n = 0;
    for (double l : {acx.hi, acx.lo}) {
        for (double r : {bcy.hi, bcy.lo}) {
            const Two p = TwoProduct(l, r);
            terms[n++] = p.hi;
            terms[n++] = p.lo;
        }
    }
    for (double l : {acy.hi, acy.lo}) {
        for (double r : {bcx.hi, bcx.lo}) {
            const Two p = TwoProduct(l, r);
            terms[n++] = -p.hi;
            terms[n++] = -p.lo;
        }
    }
    // Grow-Expansion: the components stay non-overlapping and increase in
    // magnitude (zeros aside), so the last non-zero one carries the sign.
    double expansion[16];
    int m = 0;
    for (double q : terms) {
        for (int j = 0; j < m; ++j) {
            const Two s = TwoSum(q, expansion[j]);
            expansion[j] = s.lo;
            q = s.hi;
        }
        expansion[m++] = q;
    }
    for (int j = m - 1; j >= 0; --j) {
        if (expansion[j] != 0)
            return expansion[j] > 0 ? 1 : -1;
    }
    return 0;
}

int Sign(double a, double b)
{
    return (a > b) - (a < b);
}

bool Same(Xy a, Xy b)
{
    return a.x == b.x && a.y == b.y;
}

bool Finite(Xy p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// p lies on the line through a and b: whether it lies between them.
bool WithinCollinear(Xy a, Xy b, Xy p)
{
    return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y
           && p.y <= std::max(a.y, b.y);
}

// The closed segments a–b and c–d have a point in common.
bool SegmentsMeet(Xy a, Xy b, Xy c, Xy d)
{
    const int o1 = Orientation(a, b, c), o2 = Orientation(a, b, d);
    const int o3 = Orientation(c, d, a), o4 = Orientation(c, d, b);
    if (o1 * o2 < 0 && o3 * o4 < 0)
        return true;
    return (o1 == 0 && WithinCollinear(a, b, c)) || (o2 == 0 && WithinCollinear(a, b, d))
           || (o3 == 0 && WithinCollinear(c, d, a)) || (o4 == 0 && WithinCollinear(c, d, b));
}

// ---- Overlap -------------------------------------------------------------

// How the boundary of a lies with respect to b: some part of it strictly
// inside b, or all of it on b's boundary. Each edge of a is cut where it
// meets b's boundary; each piece between cuts lies wholly inside, outside or
// on b's boundary, and its middle tells which.
struct BoundaryPlace {
    bool someInside = false;
    bool allOnBoundary = true;
};

double Dot(Xy a, Xy b)
{
    return a.x * b.x + a.y * b.y;
}

BoundaryPlace PlaceOfBoundary(std::span<const Xy> a, std::span<const Xy> b)
{
    BoundaryPlace place;
    std::vector<double> cuts;
    std::vector<std::pair<double, double>> along; // pieces of the edge on a collinear edge of b
    for (std::size_t i = 0; i < a.size(); ++i) {
        const Xy a1 = a[i], a2 = a[(i + 1) % a.size()];
        const Xy d{a2.x - a1.x, a2.y - a1.y};
        const double length2 = Dot(d, d);
        auto parameter = [&](Xy p) { return Dot({p.x - a1.x, p.y - a1.y}, d) / length2; };
        XyBox edgeBox;
        edgeBox.Add(a1);
        edgeBox.Add(a2);
        cuts.assign({0.0, 1.0});
        along.clear();
        for (std::size_t j = 0; j < b.size(); ++j) {
            const Xy b1 = b[j], b2 = b[(j + 1) % b.size()];
            if (std::max(b1.x, b2.x) < edgeBox.left || std::min(b1.x, b2.x) > edgeBox.right
                || std::max(b1.y, b2.y) < edgeBox.bottom || std::min(b1.y, b2.y) > edgeBox.top)
                continue;
            const int o1 = Orientation(a1, a2, b1), o2 = Orientation(a1, a2, b2);
            if (o1 == 0 && o2 == 0) {
                const double t1 = parameter(b1), t2 = parameter(b2);
                const double low = std::max(0.0, std::min(t1, t2));
                const double high = std::min(1.0, std::max(t1, t2));
                if (low <= high) {
                    cuts.push_back(low);
                    cuts.push_back(high);
                    along.push_back({low, high});
                }
                continue;
            }
            const int o3 = Orientation(b1, b2, a1), o4 = Orientation(b1, b2, a2);
            if (o1 * o2 > 0 || o3 * o4 > 0)
                continue; // apart
            if (o3 == 0)
                cuts.push_back(0);
            if (o4 == 0)
                cuts.push_back(1);
            if (o1 == 0)
                cuts.push_back(parameter(b1));
            if (o2 == 0)
                cuts.push_back(parameter(b2));
            if (o1 != 0 && o2 != 0 && o3 != 0 && o4 != 0) {
                const double d3 = Approximate(b1, b2, a1).value, d4 = Approximate(b1, b2, a2).value;
                cuts.push_back(std::clamp(d3 / (d3 - d4), 0.0, 1.0));
            }
        }
        std::sort(cuts.begin(), cuts.end());
        for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
            const double t0 = std::clamp(cuts[k], 0.0, 1.0), t1 = std::clamp(cuts[k + 1], 0.0, 1.0);
            if (!(t1 > t0))
                continue;
            const double middle = (t0 + t1) / 2;
            if (std::any_of(along.begin(), along.end(),
                            [middle](auto r) { return r.first <= middle && middle <= r.second; }))
                continue;
            place.allOnBoundary = false;
            const Xy m{a1.x + d.x * middle, a1.y + d.y * middle};
            if (Locate(b, m) == PointLocation::Inside) {
                place.someInside = true;
                return place;
            }
        }
    }
    return place;
}

} // namespace

XyBox BoxOf(std::span<const Xy> points)
{
    XyBox box;
    for (Xy p : points)
        box.Add(p);
    return box;
}

int Orientation(Xy a, Xy b, Xy c)
{
    // Shewchuk's bound for the determinant computed as in Approximate.
    constexpr double kEpsilon = 0x1p-53;
    constexpr double kBound = (3.0 + 16.0 * kEpsilon) * kEpsilon;
    const Determinant d = Approximate(a, b, c);
    if (d.value > kBound * d.magnitude)
        return 1;
    if (-d.value > kBound * d.magnitude)
        return -1;
    return ExactOrientation(a, b, c);
}

PointLocation Locate(std::span<const Xy> corners, Xy p)
{
    if (!Finite(p) || corners.empty())
        return PointLocation::Outside;
    // Crossings of the ray from p towards +x, each edge counted when one end
    // lies above p and the other not; a point on an edge is found on the way.
    bool inside = false;
    for (std::size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
        const Xy a = corners[j], b = corners[i];
        if (Same(b, p))
            return PointLocation::OnEdge;
        const bool aAbove = a.y > p.y, bAbove = b.y > p.y;
        if (aAbove != bAbove) {
            const int o = Orientation(a, b, p);
            if (o == 0)
                return PointLocation::OnEdge;
            // The edge passes right of p when p lies left of it going up.
            if ((o > 0) == bAbove)
                inside = !inside;
        } else if (a.y == p.y && b.y == p.y && std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x)) {
            return PointLocation::OnEdge;
        }
    }
    return inside ? PointLocation::Inside : PointLocation::Outside;
}

std::vector<std::size_t> CornersWithoutRepeats(std::span<const Xy> corners)
{
    std::vector<std::size_t> kept;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        if (kept.empty() || !Same(corners[kept.back()], corners[i]))
            kept.push_back(i);
    }
    while (kept.size() > 1 && Same(corners[kept.back()], corners[kept.front()]))
        kept.pop_back();
    return kept;
}

PolygonCheck CheckSimplePolygon(std::span<const Xy> corners)
{
    const std::size_t n = corners.size();
    if (n < 3)
        return {PolygonFault::TooFewCorners};
    if (!std::all_of(corners.begin(), corners.end(), Finite))
        return {PolygonFault::NotFinite};

    auto from = [&](std::size_t edge) { return corners[edge]; };
    auto to = [&](std::size_t edge) { return corners[(edge + 1) % n]; };
    // Neighbouring edges i and j (j follows i) meet beyond their common
    // corner only when they lie on one line and the second turns back.
    auto foldsBack = [&](std::size_t i, std::size_t j) {
        const Xy p = from(i), s = to(i), q = to(j);
        return Orientation(p, s, q) == 0 && Sign(p.x, s.x) == Sign(q.x, s.x)
               && Sign(p.y, s.y) == Sign(q.y, s.y);
    };
    auto meet = [&](std::size_t i, std::size_t j) { // i < j
        if (j == i + 1)
            return foldsBack(i, j);
        if (i == 0 && j == n - 1)
            return foldsBack(j, i);
        return SegmentsMeet(from(i), to(i), from(j), to(j));
    };

    // Sort and sweep along x: only edges whose x ranges overlap are compared.
    struct Span {
        double left, right, bottom, top;
        std::size_t edge;
    };
    std::vector<Span> spans;
    spans.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Xy a = from(i), b = to(i);
        spans.push_back({std::min(a.x, b.x), std::max(a.x, b.x), std::min(a.y, b.y), std::max(a.y, b.y), i});
    }
    std::sort(spans.begin(), spans.end(), [](const Span &a, const Span &b) { return a.left < b.left; });
    PolygonCheck first;
    for (std::size_t k = 0; k < n; ++k) {
        for (std::size_t l = k + 1; l < n && spans[l].left <= spans[k].right; ++l) {
            if (spans[l].bottom > spans[k].top || spans[k].bottom > spans[l].top)
                continue;
            const std::size_t i = std::min(spans[k].edge, spans[l].edge);
            const std::size_t j = std::max(spans[k].edge, spans[l].edge);
            const bool earlier = first.simple() || i < first.edgeA || (i == first.edgeA && j < first.edgeB);
            if (earlier && meet(i, j))
                first = {PolygonFault::CrossingEdges, i, j};
        }
    }
    return first;
}

bool InsidesOverlap(std::span<const Xy> a, std::span<const Xy> b)
{
    const XyBox boxA = BoxOf(a), boxB = BoxOf(b);
    if (!(boxA.left < boxB.right && boxB.left < boxA.right && boxA.bottom < boxB.top
          && boxB.bottom < boxA.top))
        return false;
    const BoundaryPlace ofA = PlaceOfBoundary(a, b);
    if (ofA.someInside)
        return true;
    if (PlaceOfBoundary(b, a).someInside)
        return true;
    // Neither boundary enters the other polygon: they overlap only if they
    // are the same polygon.
    return ofA.allOnBoundary;
}

} // namespace colorimetry
