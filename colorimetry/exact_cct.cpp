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

// The index of the table point nearest q: where the foot of q passes from
// ahead of a point to behind it. Along the locus, (q − Pᵢ)·(Pᵢ₊₁ − Pᵢ)
// falls from positive to negative once for points near it, so a bisection
// finds the change. Returns −1 when the foot lies before the first point or
// beyond the last.
long Nearest(const std::vector<LocusPoint> &t, Uv q)
{
    auto ahead = [&](std::size_t i) {
        return (q.u - t[i].u) * (t[i + 1].u - t[i].u) + (q.v - t[i].v) * (t[i + 1].v - t[i].v)
               > 0;
    };
    std::size_t lo = 0;
    std::size_t hi = t.size() - 2;
    if (!ahead(lo) || ahead(hi))
        return -1;
    while (hi - lo > 1) { // ahead(lo) and not ahead(hi)
        const std::size_t mid = lo + (hi - lo) / 2;
        (ahead(mid) ? lo : hi) = mid;
    }
    // The foot lies between points lo and lo + 1 (= hi).
    return Distance(t[lo], q) <= Distance(t[hi], q) ? long(lo) : long(hi);
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

    const std::vector<LocusPoint> &t = PlanckianTable();
    const long i = Nearest(t, q);
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
    const double l = std::hypot(b.u - a.u, b.v - a.v);
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
