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
#include <cmath>

namespace colorimetry {

namespace {

constexpr double kTriangularLimit = 0.002;

double Distance(const LocusPoint &p, Uv q)
{
    // No hypot: the values are far from overflow, and this is the inner loop.
    const double du = q.u - p.u;
    const double dv = q.v - p.v;
    return std::sqrt(du * du + dv * dv);
}

// +1 when q lies above the locus (towards green) near the chord from a to
// b, −1 below: the side of the chord, in the direction of rising T.
double Side(const LocusPoint &a, const LocusPoint &b, Uv q)
{
    const double cross = (b.u - a.u) * (q.v - a.v) - (b.v - a.v) * (q.u - a.u);
    return cross < 0 ? 1.0 : -1.0;
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
    std::vector<float> mired;         // kRows × kColumns nodes
    double lowestMired = 0;           // of indexAtMired[0]
    std::vector<float> indexAtMired;  // at lowestMired, lowestMired + 1, …
    std::vector<double> chords;       // |Pᵢ₊₁ − Pᵢ₋₁| at i (0 at the ends)

    LocusGuide()
    {
        const std::size_t n = table.size();
        chords.assign(n, 0.0);
        for (std::size_t i = 1; i + 1 < n; ++i)
            chords[i] = std::hypot(table[i + 1].u - table[i - 1].u, table[i + 1].v - table[i - 1].v);

        mired.resize(kRows * kColumns);
        for (std::size_t r = 0; r < kRows; ++r) {
            for (std::size_t c = 0; c < kColumns; ++c) {
                const Uv q{kU0 + double(r) * kStep, kV0 + double(c) * kStep};
                float value = NAN;
                if (const long lo = BracketBySearch(table, q); lo >= 0) {
                    const LocusPoint &a = table[std::size_t(lo)], &b = table[std::size_t(lo) + 1];
                    const double du = b.u - a.u, dv = b.v - a.v;
                    const double s = ((q.u - a.u) * du + (q.v - a.v) * dv) / (du * du + dv * dv);
                    const double foot = 1e6 / (a.kelvin * std::pow(b.kelvin / a.kelvin, s));
                    if (std::min(Distance(a, q), Distance(b, q)) <= kGuidedDuv)
                        value = float(foot);
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
            indexAtMired.push_back(float(double(i) + steps));
        }
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
        const float *near = &mired[r0 * kColumns + c0];
        const float *far = near + kColumns;
        const double m = (1 - fr) * ((1 - fc) * near[0] + fc * near[1]) + fr * ((1 - fc) * far[0] + fc * far[1]);
        const double k = m - lowestMired;
        if (!(k >= 0 && k < double(indexAtMired.size() - 1)))
            return BracketBySearch(table, q); // NaN: a node far from the locus
        const std::size_t k0 = std::size_t(k);
        const double guess = indexAtMired[k0] + (k - double(k0)) * (indexAtMired[k0 + 1] - indexAtMired[k0]);
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
    const Uv q = UvFromXy(p);
    if (!std::isfinite(q.u) || !std::isfinite(q.v))
        return r; // a coordinate so large that (u, v) is no number

    const LocusGuide &guide = Guide();
    const std::vector<LocusPoint> &t = guide.table;
    long i = guide.Bracket(q);
    if (i >= 0 && Distance(t[std::size_t(i) + 1], q) < Distance(t[std::size_t(i)], q))
        ++i; // the nearer of the two points around the foot
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
    const LocusPoint &a = t[i - 1];
    const LocusPoint &m = t[i];
    const LocusPoint &b = t[i + 1];
    const double da = Distance(a, q);
    const double dm = Distance(m, q);
    const double db = Distance(b, q);
    const double sign = Side(a, b, q);

    // Triangular solution.
    const double l = guide.chords[std::size_t(i)]; // |b − a|
    const double x = (da * da - db * db + l * l) / (2 * l);
    r.cct = a.kelvin + (b.kelvin - a.kelvin) * (x / l);
    r.duv = sign * std::sqrt(std::max(0.0, da * da - x * x));

    if (std::fabs(r.duv) >= kTriangularLimit) {
        // Parabolic solution, with T measured from the middle point so that
        // the fit stays well conditioned.
        const double sa = a.kelvin - m.kelvin;
        const double sb = b.kelvin - m.kelvin;
        const double X = sb * (sa - sb) * (-sa);
        const double pa = (sa * (db - dm) + sb * (dm - da)) / X;
        const double pb = -(sa * sa * (db - dm) + sb * sb * (dm - da)) / X;
        const double pc = dm;
        const double s = -pb / (2 * pa);
        r.cct = m.kelvin + s;
        r.duv = sign * (pa * s * s + pb * s + pc);
    }

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
