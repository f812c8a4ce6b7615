// The correlated colour temperature and Duv of a chromaticity by Ohno's
// combined method (Y. Ohno, "Practical use and calculation of CCT and Duv",
// LEUKOS 10(1), 2014, 47–55; published online 2013):
//
//   find the table point i nearest (u, v), with its neighbours i − 1, i + 1;
//   triangular solution, where |Duv| < 0.002:
//     x   = (d₋² − d₊² + l²) / (2l),  l = |P₊ − P₋|
//     T   = T₋ + (T₊ − T₋)·x/l,       Duv = ±√(d₋² − x²)
//   parabolic solution elsewhere: d(T) = aT² + bT + c through the three
//     distances, T = −b / 2a, Duv = ±(aT² + bT + c)
//   the sign of Duv is that of the side of the locus: + above it.
//
// Worked examples: Illuminant A (0.44757, 0.40745) gives about 2856 K;
// D65 (0.31271, 0.32902) about 6504 K with Duv about +0.0032.

#include "colorimetry.h"
#include "planckian.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace colorimetry {

namespace {

constexpr double kTriangularLimit = 0.002;

// No hypot: the values are far from overflow, and this is the inner loop.
double SquaredDistance(const LocusPoint &p, Uv q)
{
    const double du = q.u - p.u;
    const double dv = q.v - p.v;
    return du * du + dv * dv;
}

double Distance(const LocusPoint &p, Uv q)
{
    return std::sqrt(SquaredDistance(p, q));
}

// a where c holds, else b, by the bits: no branch, for choices the
// processor could not guess (which side of the locus, which solution).
double Choose(bool c, double a, double b)
{
    const std::uint64_t mask = -std::uint64_t(c);
    return std::bit_cast<double>((std::bit_cast<std::uint64_t>(a) & mask) | (std::bit_cast<std::uint64_t>(b) & ~mask));
}

// +1 when q lies above the locus (towards green) near the chord from a to
// b, −1 below: the side of the chord, in the direction of rising T.
double Side(const LocusPoint &a, const LocusPoint &b, Uv q)
{
    const double cross = (b.u - a.u) * (q.v - a.v) - (b.v - a.v) * (q.u - a.u);
    return Choose(cross < 0, 1.0, -1.0);
}

// Whether the foot of q lies ahead of table point i: (q − Pᵢ)·(Pᵢ₊₁ − Pᵢ) > 0.
// Along the locus this falls from true to false once for points near it:
// the foot lies between the last point it is true for and the next.
bool Ahead(const std::vector<LocusPoint> &t, std::size_t i, Uv q)
{
    return (q.u - t[i].u) * (t[i + 1].u - t[i].u) + (q.v - t[i].v) * (t[i + 1].v - t[i].v) > 0;
}

// The point lo whose foot-side changes between lo and lo + 1, by bisection
// over the whole table; −1 when the foot lies before the first point or
// beyond the last.
long BracketBySearch(const std::vector<LocusPoint> &t, Uv q)
{
    std::size_t lo = 0;
    std::size_t hi = t.size() - 2;
    if (!Ahead(t, lo, q) || Ahead(t, hi, q))
        return -1;
    while (hi - lo > 1) { // Ahead(lo) and not Ahead(hi)
        const std::size_t mid = lo + (hi - lo) / 2;
        (Ahead(t, mid, q) ? lo : hi) = mid;
    }
    return long(lo);
}

// The same change found by walking from a guess: a few steps where the
// guess is near, and the same point as the search wherever the change is
// single.
long BracketByWalk(const std::vector<LocusPoint> &t, Uv q, std::size_t lo)
{
    const std::size_t last = t.size() - 2;
    while (!Ahead(t, lo, q)) {
        if (lo == 0)
            return -1;
        --lo;
    }
    while (lo < last && Ahead(t, lo + 1, q))
        ++lo;
    return lo == last ? -1 : long(lo);
}

// What makes the nearest table point quick to find: a grid over (u, v)
// around the locus giving, at each node, the mired (10⁶/T) of the node's
// nearest locus point, and the table's (fractional) index at each whole
// mired. Mireds run nearly evenly along the locus, so that interpolating
// them between the four nodes around a point guesses its nearest point
// within a few table steps (at most 4 over 500–100 000 K, |Duv| ≤ 0.06);
// a short walk then finds it. Nodes farther than kGuidedDuv from the locus
// hold NaN: points near them are found by the search, as are points off
// the grid.
struct LocusGuide {
    static constexpr double kU0 = 0.10, kU1 = 0.61, kV0 = 0.23, kV1 = 0.44;
    static constexpr double kStep = 0.005;
    static constexpr double kGuidedDuv = 0.07;
    static constexpr std::size_t kColumns = std::size_t((kV1 - kV0) / kStep) + 1; // along v
    static constexpr std::size_t kRows = std::size_t((kU1 - kU0) / kStep) + 1;    // along u

    const std::vector<LocusPoint> &table = PlanckianTable();
    std::vector<double> mired; // kRows × kColumns nodes
    double lowestMired = 0;    // of indexAtMired[0]
    struct IndexAt {
        double index; // the table's index at the mired
        double slope; // and its change to the next whole mired
    };
    std::vector<IndexAt> indexAtMired; // at lowestMired, lowestMired + 1, …
    // What the two solutions take from the points around i, a = Pᵢ₋₁,
    // m = Pᵢ and b = Pᵢ₊₁, worked out once: their divisions become
    // multiplications (0 at the ends).
    struct Around {
        double chord2;           // l², l = |b − a|
        double halfInverseChord; // 1 / 2l
        double kelvinPerChord;   // (T_b − T_a) / l
        double sa, sb;           // T_a − T_m, T_b − T_m
        double inverseX;         // 1 / (s_b (s_a − s_b) (−s_a))
        double sa2, sb2;         // s_a², s_b²
    };
    std::vector<Around> around;

    LocusGuide()
    {
        const std::size_t n = table.size();
        around.assign(n, {});
        for (std::size_t i = 1; i + 1 < n; ++i) {
            const LocusPoint &a = table[i - 1], &m = table[i], &b = table[i + 1];
            const double l = std::hypot(b.u - a.u, b.v - a.v);
            const double sa = a.kelvin - m.kelvin, sb = b.kelvin - m.kelvin;
            around[i] = {l * l, 1 / (2 * l), (b.kelvin - a.kelvin) / l, sa, sb, 1 / (sb * (sa - sb) * (-sa)),
                         sa * sa, sb * sb};
        }

        mired.resize(kRows * kColumns);
        for (std::size_t r = 0; r < kRows; ++r) {
            for (std::size_t c = 0; c < kColumns; ++c) {
                const Uv q{kU0 + double(r) * kStep, kV0 + double(c) * kStep};
                double value = NAN;
                if (const long lo = BracketBySearch(table, q); lo >= 0) {
                    const LocusPoint &a = table[std::size_t(lo)], &b = table[std::size_t(lo) + 1];
                    const double du = b.u - a.u, dv = b.v - a.v;
                    const double s = ((q.u - a.u) * du + (q.v - a.v) * dv) / (du * du + dv * dv);
                    const double foot = 1e6 / (a.kelvin * std::pow(b.kelvin / a.kelvin, s));
                    if (std::min(Distance(a, q), Distance(b, q)) <= kGuidedDuv)
                        value = foot;
                }
                mired[r * kColumns + c] = value;
            }
        }

        lowestMired = std::ceil(1e6 / table.back().kelvin);
        for (double m = lowestMired; 1e6 / m >= table.front().kelvin; m += 1) {
            const double kelvin = 1e6 / m;
            const auto above = std::upper_bound(table.begin(), table.end(), kelvin,
                                                [](double k, const LocusPoint &p) { return k < p.kelvin; });
            const std::size_t i = std::size_t(std::max<long>(above - table.begin() - 1, 0));
            const double steps = std::log(kelvin / table[i].kelvin) / std::log(table[i + 1].kelvin / table[i].kelvin);
            indexAtMired.push_back({double(i) + steps, 0});
        }
        for (std::size_t k = 0; k + 1 < indexAtMired.size(); ++k)
            indexAtMired[k].slope = indexAtMired[k + 1].index - indexAtMired[k].index;
    }

    // The table point lo between whose foot-sides q lies (−1: beyond an
    // end), as BracketBySearch finds it.
    long Bracket(Uv q) const
    {
        const double r = (q.u - kU0) * (1 / kStep);
        const double c = (q.v - kV0) * (1 / kStep);
        if (!(r >= 0 && r < double(kRows - 1) && c >= 0 && c < double(kColumns - 1)))
            return BracketBySearch(table, q);
        const std::size_t r0 = std::size_t(r), c0 = std::size_t(c);
        const double fr = r - double(r0), fc = c - double(c0);
        const double *near = &mired[r0 * kColumns + c0];
        const double *far = near + kColumns;
        const double m = (1 - fr) * ((1 - fc) * near[0] + fc * near[1]) + fr * ((1 - fc) * far[0] + fc * far[1]);
        const double k = m - lowestMired;
        if (!(k >= 0 && k < double(indexAtMired.size() - 1)))
            return BracketBySearch(table, q); // NaN: a node far from the locus
        const std::size_t k0 = std::size_t(k);
        const double guess = indexAtMired[k0].index + (k - double(k0)) * indexAtMired[k0].slope;
        return BracketByWalk(table, q, std::min(std::size_t(guess), table.size() - 2));
    }
};

const LocusGuide &Guide()
{
    static const LocusGuide guide;
    return guide;
}

} // namespace

CctResult ExactCct(Xy p)
{
    CctResult r;
    if (!std::isfinite(p.x) || !std::isfinite(p.y))
        return r;
    const double denominator = -2 * p.x + 12 * p.y + 3;
    if (!(denominator > 0))
        return r;
    const Uv q{4 * p.x / denominator, 6 * p.y / denominator}; // UvFromXy(p)
    if (!std::isfinite(q.u) || !std::isfinite(q.v))
        return r; // a coordinate so large that (u, v) is no number

    const LocusGuide &guide = Guide();
    const std::vector<LocusPoint> &t = guide.table;
    // The nearer of the two points around the foot, i, and its neighbours.
    const long lo = guide.Bracket(q);
    const double lo2 = lo >= 0 ? SquaredDistance(t[std::size_t(lo)], q) : 0;
    const double hi2 = lo >= 0 ? SquaredDistance(t[std::size_t(lo) + 1], q) : 0;
    const long i = lo + (hi2 < lo2);
    if (i < 1 || i + 1 >= long(t.size())) {
        // Beyond the table: the distance from its nearer end stands in for
        // Duv.
        const bool low = Distance(t.front(), q) < Distance(t.back(), q);
        const LocusPoint &end = low ? t.front() : t.back();
        const LocusPoint &next = low ? t[1] : t[t.size() - 2];
        r.duv = (low ? Side(end, next, q) : Side(next, end, q)) * Distance(end, q);
        r.state = std::fabs(r.duv) > kLargestDuv ? CctState::OffLocus : CctState::OutOfRange;
        return r;
    }
    const LocusPoint &a = t[std::size_t(i) - 1];
    const LocusPoint &m = t[std::size_t(i)];
    const LocusPoint &b = t[std::size_t(i) + 1];
    // The squared distances of the four points around the foot, then those
    // of a, m and b among them: no wait for i before they are fetched.
    // (lo ≤ size − 3: a bracket ends before the last point.)
    const double before2 = SquaredDistance(t[std::size_t(lo) - (lo > 0)], q);
    const double after2 = SquaredDistance(t[std::size_t(lo) + 2], q);
    const bool atLo = i == lo;
    const double da2 = Choose(atLo, before2, lo2);
    const double dm2 = Choose(atLo, lo2, hi2);
    const double db2 = Choose(atLo, hi2, after2);
    const double sign = Side(a, b, q);
    const LocusGuide::Around &k = guide.around[std::size_t(i)];

    // Both solutions, then the one that holds: no guess at which it is.
    // Triangular:
    const double x = (da2 - db2 + k.chord2) * k.halfInverseChord;
    const double triangularCct = a.kelvin + k.kelvinPerChord * x;
    const double triangularDuv = sign * std::sqrt(std::max(0.0, da2 - x * x));
    // Parabolic, with T measured from the middle point so that the fit stays
    // well conditioned: d(T) = pa·s² + pb·s + pc, least at s = −pb / 2pa.
    const double da = std::sqrt(da2), dm = std::sqrt(dm2), db = std::sqrt(db2);
    const double paX = k.sa * (db - dm) + k.sb * (dm - da);         // pa / inverseX
    const double minusPbX = k.sa2 * (db - dm) + k.sb2 * (dm - da);  // −pb / inverseX
    const double s = minusPbX / (2 * paX);
    const double pa = paX * k.inverseX;
    const double pb = -minusPbX * k.inverseX;
    const double pc = dm;
    const bool parabolic = std::fabs(triangularDuv) >= kTriangularLimit;
    r.cct = Choose(parabolic, m.kelvin + s, triangularCct);
    r.duv = Choose(parabolic, sign * (pa * s * s + pb * s + pc), triangularDuv);

    // A CCT found within 25 ppm beyond either end (0.5 K at 20000 K) counts
    // as in the range: the method lands up to 2 ppm beside a point on the
    // locus, and a black body measured at 1 nm up to 6 ppm once reduced to
    // the bands, so that a point on the locus at an end keeps its CCT.
    constexpr double kEndSlack = 25e-6;
    if (std::fabs(r.duv) > kLargestDuv)
        r.state = CctState::OffLocus;
    else if (r.cct < kLowestCct * (1 - kEndSlack) || r.cct > kHighestCct * (1 + kEndSlack))
        r.state = CctState::OutOfRange;
    else
        r.state = CctState::Defined;
    return r;
}

std::string CctStateText(const CctResult &r)
{
    switch (r.state) {
    case CctState::Defined:
        return {};
    case CctState::OffLocus:
        return "色温无定义（|Duv| > 0.05）";
    case CctState::OutOfRange:
        return "色温无定义（超出 1000–20000 K）";
    case CctState::NoChromaticity:
        break;
    }
    return "色温无定义（不是色坐标）";
}

} // namespace colorimetry
