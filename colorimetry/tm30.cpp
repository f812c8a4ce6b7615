// TM-30 / CIE 224 colour fidelity and gamut on the 5 nm bands.
//
// Speed: each CES's reflectance times each 10° function is computed once, so
// that a light's 99 tristimulus values are one pass of multiply-adds over
// that table, for the test light and its reference together; the white's
// adaptation is folded into three scale factors (D = 1 makes the adapted
// white the same for every light). No call allocates.

#include "tm30.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace colorimetry {

namespace {

// Below this CCT the reference is Planck's radiator, from the next on CIE
// daylight, between them the two mixed.
constexpr double kPlanckBelow = 4000, kDaylightAbove = 5000;

// ---- The samples -------------------------------------------------------

struct CesRow {
    double nm;
    double r[kCesCount];
};

// 380–780 nm at 5 nm; generated from colorimetry/data/ces01-99_cie224-2017_5nm.csv.
constexpr CesRow kCes[] = {
#include "ces_table.inc"
};
static_assert(std::size(kCes) == kBandCount && kCes[0].nm == kFirstBandNm
              && kCes[kBandCount - 1].nm == kLastBandNm);

// Rows of the sums padded to an even length, so that the compiler sums two
// samples per instruction without a remainder loop.
constexpr std::size_t kPadded = kCesCount + 1;

struct SampleTables {
    std::array<Bands, kCesCount> reflectance;
    // product[band][f][sample]: the sample's reflectance times x̄10, ȳ10 or z̄10.
    double product[kBandCount][3][kPadded];
};

const SampleTables &Samples()
{
    static const SampleTables *const tables = [] {
        auto *t = new SampleTables{};
        const Bands *observer[3] = {&XBar10(), &YBar10(), &ZBar10()};
        for (std::size_t k = 0; k < kBandCount; ++k) {
            for (std::size_t i = 0; i < kCesCount; ++i) {
                t->reflectance[i][k] = kCes[k].r[i];
                for (int f = 0; f < 3; ++f)
                    t->product[k][f][i] = kCes[k].r[i] * (*observer[f])[k];
            }
        }
        return t;
    }();
    return *tables;
}

// ---- CIECAM02 under TM-30's viewing conditions ----------------------------

// CAT02 and Hunt–Pointer–Estévez (CIE 159).
constexpr double kCat02[3][3] = {
    {0.7328, 0.4296, -0.1624},
    {-0.7036, 1.6975, 0.0061},
    {0.0030, 0.0136, 0.9834},
};
constexpr double kHpe[3][3] = {
    {0.38971, 0.68898, -0.07868},
    {-0.22981, 1.18340, 0.04641},
    {0.0, 0.0, 1.0},
};

struct Viewing {
    double toHpe[3][3]; // HPE · CAT02⁻¹: adapted CAT02 RGB to cone responses
    double fl;          // luminance adaptation factor F_L
    double nbb;         // N_bb = N_cb
    double cz;          // c·z, the exponent of lightness
    double chromaFactor; // (1.64 − 0.29ⁿ)^0.73 · F_L^0.25: t^0.9·√(J/100) to M
    double inverseAWhite; // 1 / the achromatic response of the adapted white
    double cos2, sin2;  // cos 2, sin 2 (radians), for the eccentricity
    double tFactor;     // 50000/13 · N_c · N_cb
};

double Adapted(double fl, double r)
{
    // Post-adaptation compression, odd in r (CIE 159). x^0.42 as
    // exp(0.42·ln x), which glibc computes in about two thirds of pow's time.
    const double x = fl * std::fabs(r) * 0.01;
    const double p = x > 0 ? std::exp(0.42 * std::log(x)) : 0;
    return std::copysign(400 * p / (p + 27.13), r) + 0.1;
}

const Viewing &Conditions()
{
    static const Viewing v = [] {
        Viewing c{};
        constexpr double la = 100; // adapting luminance, cd/m²
        constexpr double yb = 20;  // background, relative to the white's 100
        constexpr double surroundC = 0.69, surroundNc = 1.0; // average surround
        const double k = 1 / (5 * la + 1);
        const double k4 = k * k * k * k;
        c.fl = 0.2 * k4 * (5 * la) + 0.1 * (1 - k4) * (1 - k4) * std::cbrt(5 * la);
        const double n = yb / 100;
        c.nbb = 0.725 * std::pow(1 / n, 0.2);
        c.cz = surroundC * (1.48 + std::sqrt(n));
        c.chromaFactor = std::pow(1.64 - std::pow(0.29, n), 0.73) * std::pow(c.fl, 0.25);
        c.tFactor = 50000.0 / 13 * surroundNc * c.nbb;

        // CAT02⁻¹ by cofactors, then HPE · CAT02⁻¹.
        const double(&m)[3][3] = kCat02;
        const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1])
                           - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0])
                           + m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
        double inv[3][3];
        for (int r = 0; r < 3; ++r) {
            for (int col = 0; col < 3; ++col) {
                const int r1 = (col + 1) % 3, r2 = (col + 2) % 3;
                const int c1 = (r + 1) % 3, c2 = (r + 2) % 3;
                inv[r][col] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / det;
            }
        }
        for (int r = 0; r < 3; ++r)
            for (int col = 0; col < 3; ++col)
                c.toHpe[r][col] = kHpe[r][0] * inv[0][col] + kHpe[r][1] * inv[1][col]
                                  + kHpe[r][2] * inv[2][col];

        // The adapted white is R_c = G_c = B_c = 100 whatever the light.
        double white[3];
        for (int r = 0; r < 3; ++r)
            white[r] = Adapted(c.fl, 100 * (c.toHpe[r][0] + c.toHpe[r][1] + c.toHpe[r][2]));
        c.inverseAWhite = 1 / ((2 * white[0] + white[1] + white[2] / 20 - 0.305) * c.nbb);
        c.cos2 = std::cos(2.0);
        c.sin2 = std::sin(2.0);
        return c;
    }();
    return v;
}

// CAM02-UCS (Luo, Cui and Li 2006).
constexpr double kUcsC1 = 0.007;
constexpr double kUcsC2 = 0.0228;

// ---- Hue bins -------------------------------------------------------------

std::size_t HueBin(double a, double b)
{
    double degrees = std::atan2(b, a) * (180 / std::numbers::pi);
    if (!std::isfinite(degrees)) // the figures will not be finite either
        return 0;
    if (degrees < 0)
        degrees += 360;
    return std::min(kHueBinCount - 1, static_cast<std::size_t>(degrees / kHueBinDegrees));
}

// Twice the signed area of the polygon through the bins' points, in order.
template <typename Point>
double TwiceArea(const std::array<Tm30HueBin, kHueBinCount> &bins, Point point)
{
    double sum = 0;
    for (std::size_t j = 0; j < kHueBinCount; ++j) {
        const auto [a0, b0] = point(bins[j]);
        const auto [a1, b1] = point(bins[(j + 1) % kHueBinCount]);
        sum += a0 * b1 - a1 * b0;
    }
    return sum;
}

Tm30Result Undefined(const CctResult &cct)
{
    Tm30Result r;
    r.cct = cct;
    return r;
}

bool Positive(const Xyz &white)
{
    return std::isfinite(white.X) && std::isfinite(white.Y) && std::isfinite(white.Z)
           && white.Y > 0;
}

} // namespace

const Bands &CesReflectance(std::size_t i)
{
    return Samples().reflectance[i];
}

double FidelityFromDeltaE(double deltaE)
{
    return 10 * std::log(std::exp((100 - 6.73 * deltaE) / 10) + 1);
}

Bands Tm30Reference(double kelvin)
{
    if (kelvin < kPlanckBelow)
        return PlanckianBands(kelvin);
    Bands daylight = DaylightBands(kelvin);
    if (kelvin >= kDaylightAbove)
        return daylight;
    const Bands planck = PlanckianBands(kelvin);
    const double m = (kelvin - kPlanckBelow) / (kDaylightAbove - kPlanckBelow);
    const double planckWeight = (1 - m) / Tristimulus10(planck).Y;
    const double daylightWeight = m / Tristimulus10(daylight).Y;
    for (std::size_t k = 0; k < kBandCount; ++k)
        daylight[k] = planckWeight * planck[k] + daylightWeight * daylight[k];
    return daylight;
}

Cam02Ucs::Cam02Ucs(const Xyz &white)
{
    const Viewing &v = Conditions();
    double scale[3];
    for (int r = 0; r < 3; ++r)
        scale[r] = 100 / (kCat02[r][0] * white.X + kCat02[r][1] * white.Y + kCat02[r][2] * white.Z);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            toCones_[r][c] = v.toHpe[r][0] * scale[0] * kCat02[0][c] + v.toHpe[r][1] * scale[1] * kCat02[1][c]
                             + v.toHpe[r][2] * scale[2] * kCat02[2][c];
}

Ucs Cam02Ucs::operator()(const Xyz &s) const
{
    const Viewing &v = Conditions();
    // Cone responses adapted to the white (D = 1), compressed.
    double cone[3];
    for (int r = 0; r < 3; ++r)
        cone[r] = Adapted(v.fl, toCones_[r][0] * s.X + toCones_[r][1] * s.Y + toCones_[r][2] * s.Z);
    constexpr double kEleventh = 1.0 / 11, kNinth = 1.0 / 9;
    const double a = cone[0] + (cone[2] - 12 * cone[1]) * kEleventh;
    const double b = (cone[0] + cone[1] - 2 * cone[2]) * kNinth;
    const double radius = std::sqrt(a * a + b * b);
    // cos h and sin h from a and b; e_t = (cos(h + 2) + 3.8) / 4.
    const double inverse = radius > 0 ? 1 / radius : 0;
    const double cosH = radius > 0 ? a * inverse : 1;
    const double sinH = b * inverse;
    const double eccentricity = (cosH * v.cos2 - sinH * v.sin2 + 3.8) * 0.25;
    const double achromatic = (2 * cone[0] + cone[1] + cone[2] * 0.05 - 0.305) * v.nbb;
    // √(J/100) = (A/A_w)^(cz/2), J = 100·(that)², M = t^0.9·√(J/100)·factor,
    // all through logarithms.
    const double t = v.tFactor * eccentricity * radius / (cone[0] + cone[1] + 1.05 * cone[2]);
    double j = 0, colourfulness = 0;
    if (achromatic > 0) {
        const double logRootJ = v.cz * 0.5 * std::log(achromatic * v.inverseAWhite);
        j = 100 * std::exp(2 * logRootJ);
        if (t > 0)
            colourfulness = std::exp(0.9 * std::log(t) + logRootJ) * v.chromaFactor;
    }
    const double mPrime = std::log(1 + kUcsC2 * colourfulness) * (1 / kUcsC2);
    return {(1 + 100 * kUcsC1) * j / (1 + kUcsC1 * j), mPrime * cosH, mPrime * sinH};
}

Tm30Result Tm30FromTristimulus(const CctResult &cct, const CesTristimulus &test, const Xyz &testWhite,
                               const CesTristimulus &reference, const Xyz &referenceWhite)
{
    if (!cct.defined() || !Positive(testWhite) || !Positive(referenceWhite))
        return Undefined(cct);
    const Cam02Ucs underTest(testWhite), underReference(referenceWhite);
    Tm30Result r;
    r.cct = cct;
    std::array<double, kHueBinCount> binDeltaE{};
    double sumDeltaE = 0;
    for (std::size_t i = 0; i < kCesCount; ++i) {
        const Ucs t = underTest(test[i]);
        const Ucs ref = underReference(reference[i]);
        const double dj = t.j - ref.j, da = t.a - ref.a, db = t.b - ref.b;
        const double deltaE = std::sqrt(dj * dj + da * da + db * db);
        sumDeltaE += deltaE;
        r.rfSample[i] = FidelityFromDeltaE(deltaE);
        const std::size_t bin = HueBin(ref.a, ref.b);
        r.sampleBin[i] = static_cast<std::uint8_t>(bin);
        Tm30HueBin &h = r.bins[bin];
        ++h.samples;
        h.aTest += t.a;
        h.bTest += t.b;
        h.aReference += ref.a;
        h.bReference += ref.b;
        binDeltaE[bin] += deltaE;
    }
    r.rf = FidelityFromDeltaE(sumDeltaE / kCesCount);
    r.fidelityDefined = std::isfinite(r.rf);
    if (!r.fidelityDefined)
        return Undefined(cct);
    for (const Tm30HueBin &h : r.bins) {
        if (h.samples == 0) {
            // Rf alone: no bin means, no polygon.
            r.bins = {};
            return r;
        }
    }
    for (std::size_t j = 0; j < kHueBinCount; ++j) {
        Tm30HueBin &h = r.bins[j];
        h.aTest /= h.samples;
        h.bTest /= h.samples;
        h.aReference /= h.samples;
        h.bReference /= h.samples;
        h.rf = FidelityFromDeltaE(binDeltaE[j] / h.samples);
        // Along and across the bin's middle direction, over the reference chroma.
        const double middle = (static_cast<double>(j) + 0.5) * kHueBinDegrees * (std::numbers::pi / 180);
        const double da = h.aTest - h.aReference, db = h.bTest - h.bReference;
        const double chroma = std::hypot(h.aReference, h.bReference);
        h.rcs = 100 * (da * std::cos(middle) + db * std::sin(middle)) / chroma;
        h.rhs = (-da * std::sin(middle) + db * std::cos(middle)) / chroma;
    }
    r.rg = 100 * TwiceArea(r.bins, [](const Tm30HueBin &h) { return std::pair{h.aTest, h.bTest}; })
           / TwiceArea(r.bins, [](const Tm30HueBin &h) { return std::pair{h.aReference, h.bReference}; });
    r.defined = std::isfinite(r.rg);
    return r.defined ? r : Undefined(cct);
}

namespace {

// The light divided by a power of two where its scale asks for it.
Bands ScaledToPeak(const Bands &light)
{
    const int exponent = ScalingExponent(LargestMagnitude(light));
    if (exponent == 0)
        return light;
    Bands scaled;
    DivideByPowerOfTwo(light, exponent, scaled.data());
    return scaled;
}

} // namespace

Tm30Result ComputeTm30(const Bands &light)
{
    const Bands spectrum = ScaledToPeak(light);
    const Xyz xyz2 = Tristimulus2(spectrum);
    const double sum = xyz2.X + xyz2.Y + xyz2.Z;
    const CctResult cct = std::isfinite(sum) && sum > 0 && xyz2.Y > 0
                              ? ExactCct({xyz2.X / sum, xyz2.Y / sum})
                              : CctResult{};
    return ComputeTm30(spectrum, cct);
}

namespace {

using SampleSums = double[3][kPadded]; // Σ L·R·x̄10, Σ L·R·ȳ10, Σ L·R·z̄10 of each sample

// The 99 samples under each of N lights in one pass over the products,
// three bands at a time so that each running sum is loaded and stored once
// for three bands.
template <std::size_t N>
void SumSamples(const Bands *const (&lights)[N], SampleSums *sums)
{
    static_assert(kBandCount % 3 == 0);
    const SampleTables &t = Samples();
    for (std::size_t n = 0; n < N; ++n)
        for (auto &f : sums[n])
            std::fill(std::begin(f), std::end(f), 0.0);
    for (std::size_t k = 0; k < kBandCount; k += 3) {
        double l[N][3];
        for (std::size_t n = 0; n < N; ++n)
            for (std::size_t b = 0; b < 3; ++b)
                l[n][b] = (*lights[n])[k + b];
        for (int f = 0; f < 3; ++f) {
            const double *__restrict p0 = t.product[k][f];
            const double *__restrict p1 = t.product[k + 1][f];
            const double *__restrict p2 = t.product[k + 2][f];
            for (std::size_t i = 0; i < kPadded; ++i)
                for (std::size_t n = 0; n < N; ++n)
                    sums[n][f][i] += l[n][0] * p0[i] + l[n][1] * p1[i] + l[n][2] * p2[i];
        }
    }
}

// The sums and the white of CIE daylight's components S0, S1 and S2: the
// daylight of any CCT is S0 + M1·S1 + M2·S2, and so are its sums.
struct DaylightSums {
    SampleSums sums[3];
    Xyz white[3];
};

const DaylightSums &Daylight()
{
    static const DaylightSums *const d = [] {
        auto *t = new DaylightSums{};
        const Bands *const components[3] = {&DaylightS0(), &DaylightS1(), &DaylightS2()};
        SumSamples(components, t->sums);
        for (int c = 0; c < 3; ++c)
            t->white[c] = Tristimulus10(*components[c]);
        return t;
    }();
    return *d;
}

CesTristimulus Tristimuli(const SampleSums &sums)
{
    CesTristimulus t;
    for (std::size_t i = 0; i < kCesCount; ++i)
        t[i] = {sums[0][i], sums[1][i], sums[2][i]};
    return t;
}

} // namespace

Tm30Result ComputeTm30(const Bands &light, const CctResult &cct)
{
    if (!cct.defined())
        return Undefined(cct);
    const Bands spectrum = ScaledToPeak(light);
    const double kelvin = cct.cct;

    // The test light's sums, with Planck's radiator's where the reference
    // holds it.
    SampleSums sums[2];
    Bands planck{};
    if (kelvin < kDaylightAbove) {
        planck = PlanckianBands(kelvin);
        const Bands *const lights[2] = {&spectrum, &planck};
        SumSamples(lights, sums);
    } else {
        const Bands *const lights[1] = {&spectrum};
        SumSamples(lights, sums);
    }
    const CesTristimulus test = Tristimuli(sums[0]);
    if (kelvin < kPlanckBelow)
        return Tm30FromTristimulus(cct, test, Tristimulus10(spectrum), Tristimuli(sums[1]), Tristimulus10(planck));

    // Daylight, alone or mixed with Planck's radiator as Tm30Reference mixes
    // them, each first scaled to the same Y.
    const DaylightSums &d = Daylight();
    const DaylightFactors m = DaylightFactorsAt(kelvin);
    auto daylight = [&](double a, double b, double c) { return a + m.m1 * b + m.m2 * c; };
    Xyz white{daylight(d.white[0].X, d.white[1].X, d.white[2].X), daylight(d.white[0].Y, d.white[1].Y, d.white[2].Y),
              daylight(d.white[0].Z, d.white[1].Z, d.white[2].Z)};
    CesTristimulus reference;
    for (std::size_t i = 0; i < kCesCount; ++i)
        reference[i] = {daylight(d.sums[0][0][i], d.sums[1][0][i], d.sums[2][0][i]),
                        daylight(d.sums[0][1][i], d.sums[1][1][i], d.sums[2][1][i]),
                        daylight(d.sums[0][2][i], d.sums[1][2][i], d.sums[2][2][i])};
    if (kelvin < kDaylightAbove) {
        const Xyz planckWhite = Tristimulus10(planck);
        const double share = (kelvin - kPlanckBelow) / (kDaylightAbove - kPlanckBelow);
        const double planckWeight = (1 - share) / planckWhite.Y, daylightWeight = share / white.Y;
        auto mix = [&](const Xyz &p, const Xyz &q) {
            return Xyz{planckWeight * p.X + daylightWeight * q.X, planckWeight * p.Y + daylightWeight * q.Y,
                       planckWeight * p.Z + daylightWeight * q.Z};
        };
        const CesTristimulus underPlanck = Tristimuli(sums[1]);
        for (std::size_t i = 0; i < kCesCount; ++i)
            reference[i] = mix(underPlanck[i], reference[i]);
        white = mix(planckWhite, white);
    }
    return Tm30FromTristimulus(cct, test, Tristimulus10(spectrum), reference, white);
}

std::string Tm30Note(const Tm30Result &r)
{
    return Tm30Note(r.cct, r.fidelityDefined, r.defined);
}

std::string Tm30Note(const CctResult &cct, bool fidelityDefined, bool defined)
{
    if (defined)
        return {};
    if (fidelityDefined)
        return "TM-30：参照光下有色调区没有颜色样品（色温很低时会这样），Rg 和各色调区的数值无定义，只有 Rf。";
    if (!cct.defined())
        return "TM-30 无定义：" + CctStateText(cct);
    return "TM-30 无法计算：光谱中的负值使样品的颜色无定义。请检查暗电流扣除是否正确。";
}

} // namespace colorimetry
