// The Planckian locus: the chromaticity of a black body from Planck's law,
//   M(λ, T) ∝ λ⁻⁵ / (exp(c2 / (λT)) − 1),   c2 = 1.4388·10⁻² m·K,
// summed over the colour-matching functions at their 5 nm bands.

#include "planckian.h"

#include <cmath>

namespace colorimetry {

namespace {

struct Tristimulus {
    double X = 0;
    double Y = 0;
    double Z = 0;
};

// Per band, what does not depend on the temperature: λ⁵ and c2/λ.
struct Band {
    double fifthPower;
    double c2OverLambda;
    const CmfSample *cmf;
};

const std::vector<Band> &Bands()
{
    static const std::vector<Band> bands = [] {
        std::vector<Band> b;
        for (const CmfSample &s : Cie1931TwoDegree()) {
            const double metres = s.nm * 1e-9;
            b.push_back({std::pow(metres, 5), kSecondRadiationConstant / metres, &s});
        }
        return b;
    }();
    return bands;
}

Tristimulus BlackBody(double kelvin)
{
    Tristimulus t;
    for (const Band &band : Bands()) {
        // expm1 keeps the radiance exact where c2/(λT) is small.
        const double m = 1.0 / (band.fifthPower * std::expm1(band.c2OverLambda / kelvin));
        t.X += m * band.cmf->xBar;
        t.Y += m * band.cmf->yBar;
        t.Z += m * band.cmf->zBar;
    }
    return t;
}

} // namespace

Uv PlanckianUv(double kelvin)
{
    const Tristimulus t = BlackBody(kelvin);
    const double d = t.X + 15 * t.Y + 3 * t.Z;
    return {4 * t.X / d, 6 * t.Y / d};
}

Xy PlanckianXy(double kelvin)
{
    const Tristimulus t = BlackBody(kelvin);
    const double sum = t.X + t.Y + t.Z;
    return {t.X / sum, t.Y / sum};
}

Xy XyFromCctDuv(double kelvin, double duv)
{
    // The unit normal of the locus at T, on the side of positive Duv (above
    // the locus, towards green), from a central difference along T.
    const double h = kelvin * 1e-4;
    const Uv a = PlanckianUv(kelvin - h);
    const Uv b = PlanckianUv(kelvin + h);
    const double tu = b.u - a.u;
    const double tv = b.v - a.v;
    const double length = std::hypot(tu, tv);
    const Uv p = PlanckianUv(kelvin);
    return XyFromUv({p.u + duv * tv / length, p.v - duv * tu / length});
}

const std::vector<LocusPoint> &PlanckianTable()
{
    // Fine steps where the CCT is defined, coarser ones beyond it, where
    // only Duv (and that the CCT is out of range) is needed.
    static const std::vector<LocusPoint> table = [] {
        constexpr double kFine = 1.001;
        constexpr double kCoarse = 1.01;
        const double fineFrom = kLowestCct / (kFine * kFine);
        const double fineTo = kHighestCct * kFine * kFine;
        std::vector<LocusPoint> t;
        for (double kelvin = kTableLowest; kelvin < kTableHighest;) {
            const Uv p = PlanckianUv(kelvin);
            t.push_back({kelvin, p.u, p.v});
            kelvin *= kelvin >= fineFrom && kelvin < fineTo ? kFine : kCoarse;
        }
        return t;
    }();
    return table;
}

} // namespace colorimetry
