// The 5 nm bands: the observer, a black body and CIE daylight on them.

#include "bands.h"

#include <cmath>

namespace colorimetry {

namespace {

struct ComponentSample {
    double nm;
    double s0;
    double s1;
    double s2;
};

// 300–830 nm at 5 nm, as Debian's colord-data installs them.
constexpr ComponentSample kDaylightComponents[] = {
#include "cie_daylight_components_table.inc"
};
static_assert(kDaylightComponents[0].nm == 300);

struct BandTables {
    Bands x{}, y{}, z{}, s0{}, s1{}, s2{};
};

const BandTables &Tables()
{
    static const BandTables t = [] {
        BandTables b;
        for (const CmfSample &s : Cie1931TwoDegree()) {
            if (s.nm < kFirstBandNm || s.nm > kLastBandNm)
                continue;
            const auto i = static_cast<std::size_t>((s.nm - kFirstBandNm) / kBandStepNm);
            b.x[i] = s.xBar;
            b.y[i] = s.yBar;
            b.z[i] = s.zBar;
        }
        for (const ComponentSample &s : kDaylightComponents) {
            if (s.nm < kFirstBandNm || s.nm > kLastBandNm)
                continue;
            const auto i = static_cast<std::size_t>((s.nm - kFirstBandNm) / kBandStepNm);
            b.s0[i] = s.s0;
            b.s1[i] = s.s1;
            b.s2[i] = s.s2;
        }
        return b;
    }();
    return t;
}

} // namespace

const Bands &XBar2() { return Tables().x; }
const Bands &YBar2() { return Tables().y; }
const Bands &ZBar2() { return Tables().z; }
const Bands &DaylightS0() { return Tables().s0; }
const Bands &DaylightS1() { return Tables().s1; }
const Bands &DaylightS2() { return Tables().s2; }

Xyz Tristimulus2(const Bands &s)
{
    const BandTables &t = Tables();
    Xyz r;
    for (std::size_t i = 0; i < kBandCount; ++i) {
        r.X += s[i] * t.x[i];
        r.Y += s[i] * t.y[i];
        r.Z += s[i] * t.z[i];
    }
    return r;
}

Bands PlanckianBands(double kelvin)
{
    // Per band, λ⁻⁵ and c2/λ once (λ in metres); then one exponential each.
    struct Radiator {
        Bands inverseFifth{}, c2OverLambda{};
    };
    static const Radiator r = [] {
        Radiator t;
        for (std::size_t i = 0; i < kBandCount; ++i) {
            const double metres = BandNm(i) * 1e-9;
            t.inverseFifth[i] = 1.0 / std::pow(metres, 5);
            t.c2OverLambda[i] = kSecondRadiationConstant / metres;
        }
        return t;
    }();
    Bands b{};
    for (std::size_t i = 0; i < kBandCount; ++i) {
        const double x = r.c2OverLambda[i] / kelvin;
        // exp(x) − 1 loses nothing to cancellation once x is not small, and
        // costs less than expm1.
        b[i] = r.inverseFifth[i] / (x > 0.5 ? std::exp(x) - 1 : std::expm1(x));
    }
    return b;
}

DaylightFactors DaylightFactorsAt(double kelvin)
{
    // The daylight locus (CIE 15): xD from 1/T, yD from xD.
    const double t = kelvin;
    const double xD = t <= 7000
                          ? -4.6070e9 / (t * t * t) + 2.9678e6 / (t * t) + 0.09911e3 / t + 0.244063
                          : -2.0064e9 / (t * t * t) + 1.9018e6 / (t * t) + 0.24748e3 / t + 0.237040;
    const double yD = -3.000 * xD * xD + 2.870 * xD - 0.275;
    const double m = 0.0241 + 0.2562 * xD - 0.7341 * yD;
    return {(-1.3515 - 1.7703 * xD + 5.9114 * yD) / m, (0.0300 - 31.4424 * xD + 30.0717 * yD) / m};
}

Bands DaylightBands(double kelvin)
{
    const DaylightFactors f = DaylightFactorsAt(kelvin);
    const BandTables &c = Tables();
    Bands b{};
    for (std::size_t i = 0; i < kBandCount; ++i)
        b[i] = c.s0[i] + f.m1 * c.s1[i] + f.m2 * c.s2[i];
    return b;
}

} // namespace colorimetry
