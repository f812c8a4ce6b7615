// The 5 nm bands: the 2° and 10° observers, a black body and CIE daylight on them.

#include "bands.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <tuple>

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

// The CIE 1964 10° functions, 360–830 nm at 5 nm, as colord-data installs them.
constexpr CmfSample kCie1964[] = {
#include "cie1964_cmf_table.inc"
};
static_assert(kCie1964[0].nm == 360 && std::size(kCie1964) == 95);

struct BandTables {
    Bands x{}, y{}, z{}, s0{}, s1{}, s2{}, x10{}, y10{}, z10{};
    WideBands wideX{}, wideY{}, wideZ{};
};

// The rows of a table at 5 nm that fall on the bands (Bands or WideBands),
// three values each.
template <typename Row, typename Values, typename Array>
void OnBands(std::span<const Row> rows, Array &a, Array &b, Array &c, Values values)
{
    constexpr bool narrow = std::tuple_size_v<Array> == kBandCount;
    constexpr double first = narrow ? kFirstBandNm : kWideFirstNm;
    constexpr double last = narrow ? kLastBandNm : kWideLastNm;
    for (const Row &row : rows) {
        if (row.nm < first || row.nm > last)
            continue;
        const auto i = static_cast<std::size_t>((row.nm - first) / kBandStepNm);
        std::tie(a[i], b[i], c[i]) = values(row);
    }
}

const BandTables &Tables()
{
    static const BandTables t = [] {
        BandTables b;
        auto cmf = [](const CmfSample &s) { return std::tuple{s.xBar, s.yBar, s.zBar}; };
        OnBands(Cie1931TwoDegree(), b.x, b.y, b.z, cmf);
        OnBands(Cie1931TwoDegree(), b.wideX, b.wideY, b.wideZ, cmf);
        OnBands(std::span<const CmfSample>(kCie1964), b.x10, b.y10, b.z10, cmf);
        OnBands(std::span<const ComponentSample>(kDaylightComponents), b.s0, b.s1, b.s2,
                [](const ComponentSample &s) { return std::tuple{s.s0, s.s1, s.s2}; });
        return b;
    }();
    return t;
}

template <typename Array>
Xyz Sum(const Array &s, const Array &x, const Array &y, const Array &z)
{
    Xyz r;
    for (std::size_t i = 0; i < s.size(); ++i) {
        r.X += s[i] * x[i];
        r.Y += s[i] * y[i];
        r.Z += s[i] * z[i];
    }
    return r;
}

} // namespace

double LargestMagnitude(std::span<const double> values)
{
    double largest = 0;
    for (const double v : values)
        largest = std::max(largest, std::fabs(v));
    return largest;
}

int ScalingExponent(double largest)
{
    // 2^−501 ≤ largest < 2^500: frexp would give −500 … 500.
    if (largest >= 0x1p-501 && largest < 0x1p500)
        return 0;
    int exponent = 0;
    std::frexp(largest, &exponent);
    return exponent;
}

void DivideByPowerOfTwo(std::span<const double> values, int exponent, double *out)
{
    if (exponent > -1000 && exponent < 1000) {
        const double factor = std::ldexp(1.0, -exponent);
        for (std::size_t i = 0; i < values.size(); ++i)
            out[i] = values[i] * factor;
    } else { // 2^−exponent is not a normal number
        for (std::size_t i = 0; i < values.size(); ++i)
            out[i] = std::ldexp(values[i], -exponent);
    }
}

const Bands &XBar2() { return Tables().x; }
const Bands &YBar2() { return Tables().y; }
const Bands &ZBar2() { return Tables().z; }
const Bands &XBar10() { return Tables().x10; }
const Bands &YBar10() { return Tables().y10; }
const Bands &ZBar10() { return Tables().z10; }
const Bands &DaylightS0() { return Tables().s0; }
const Bands &DaylightS1() { return Tables().s1; }
const Bands &DaylightS2() { return Tables().s2; }

Xyz Tristimulus2(const Bands &s)
{
    const BandTables &t = Tables();
    return Sum(s, t.x, t.y, t.z);
}

Xyz Tristimulus2(const WideBands &s)
{
    const BandTables &t = Tables();
    return Sum(s, t.wideX, t.wideY, t.wideZ);
}

Xyz Tristimulus10(const Bands &s)
{
    const BandTables &t = Tables();
    return Sum(s, t.x10, t.y10, t.z10);
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
