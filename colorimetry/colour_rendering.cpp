// Colour rendering, CIE 13.3-1995, and R15 of JIS Z 8726.

#include "colour_rendering.h"

#include "exact_figures.h"

#include <cmath>

namespace colorimetry {

namespace {

struct SampleRow {
    double nm;
    double factor[kTestSampleCount];
};

// 380–780 nm at 5 nm, from colorimetry/data at build time.
constexpr SampleRow kSampleRows[] = {
#include "test_colour_samples_table.inc"
};
static_assert(std::size(kSampleRows) == kBandCount && kSampleRows[0].nm == kFirstBandNm);

// Per band: each sample's factor times x̄, ȳ, z̄, then x̄, ȳ, z̄ themselves,
// so that one pass over a light's bands gives every sum.
constexpr std::size_t kSums = 3 * (kTestSampleCount + 1);
struct Weights {
    std::array<Bands, kTestSampleCount> samples;
    std::array<std::array<double, kSums>, kBandCount> perBand;
};

const Weights &SampleWeights()
{
    static const Weights w = [] {
        Weights t;
        const Bands &x = XBar2(), &y = YBar2(), &z = ZBar2();
        for (std::size_t b = 0; b < kBandCount; ++b) {
            for (std::size_t i = 0; i < kTestSampleCount; ++i) {
                const double r = kSampleRows[b].factor[i];
                t.samples[i][b] = r;
                t.perBand[b][3 * i] = r * x[b];
                t.perBand[b][3 * i + 1] = r * y[b];
                t.perBand[b][3 * i + 2] = r * z[b];
            }
            t.perBand[b][kSums - 3] = x[b];
            t.perBand[b][kSums - 2] = y[b];
            t.perBand[b][kSums - 1] = z[b];
        }
        return t;
    }();
    return w;
}

} // namespace

const Bands &TestColourSample(std::size_t i)
{
    return SampleWeights().samples[i];
}

Xy ChromaticityOf(const Xyz &c)
{
    const double sum = c.X + c.Y + c.Z;
    return {c.X / sum, c.Y / sum};
}

Uv Cie1960UvOf(const Xyz &c)
{
    const double d = c.X + 15 * c.Y + 3 * c.Z;
    return {4 * c.X / d, 6 * c.Y / d};
}

UvPrime Cie1976UvOf(const Xyz &c)
{
    const double d = c.X + 15 * c.Y + 3 * c.Z;
    return {4 * c.X / d, 9 * c.Y / d};
}

Bands ReferenceIlluminant(double kelvin)
{
    return kelvin < kDaylightReferenceFrom ? PlanckianBands(kelvin) : DaylightBands(kelvin);
}

VonKriesCd VonKriesCdOf(Uv p)
{
    return {(4 - p.u - 10 * p.v) / p.v, (1.708 * p.v + 0.404 - 1.481 * p.u) / p.v};
}

Uv VonKriesAdapted(VonKriesCd colour, VonKriesCd test, VonKriesCd reference)
{
    const double c = reference.c / test.c * colour.c;
    const double d = reference.d / test.d * colour.d;
    const double denominator = 16.518 + 1.481 * c - d;
    return {(10.872 + 0.404 * c - 4 * d) / denominator, 5.520 / denominator};
}

Uvw Cie1964UvwOf(double Y, Uv colour, Uv white)
{
    const double W = 25 * std::cbrt(Y) - 17;
    return {13 * W * (colour.u - white.u), 13 * W * (colour.v - white.v), W};
}

double SpecialColourRenderingIndex(const Uvw &reference, const Uvw &test)
{
    const double dU = test.U - reference.U;
    const double dV = test.V - reference.V;
    const double dW = test.W - reference.W;
    return 100 - 4.6 * std::sqrt(dU * dU + dV * dV + dW * dW);
}

SampleTristimuli SampleTristimuliOf(const Bands &light)
{
    const Weights &w = SampleWeights();
    // Each sum runs over the bands in order. The sums go in blocks small
    // enough for the registers, and the loop over a block is what the
    // compiler makes wide.
    constexpr std::size_t kBlock = 16;
    static_assert(kSums % kBlock == 0);
    std::array<double, kSums> sums;
    for (std::size_t first = 0; first < kSums; first += kBlock) {
        double block[kBlock] = {};
        for (std::size_t b = 0; b < kBandCount; ++b) {
            const double s = light[b];
            const double *weights = w.perBand[b].data() + first;
#pragma GCC unroll 16
            for (std::size_t j = 0; j < kBlock; ++j)
                block[j] += s * weights[j];
        }
        for (std::size_t j = 0; j < kBlock; ++j)
            sums[first + j] = block[j];
    }
    SampleTristimuli t;
    for (std::size_t i = 0; i < kTestSampleCount; ++i)
        t.samples[i] = {sums[3 * i], sums[3 * i + 1], sums[3 * i + 2]};
    t.light = {sums[kSums - 3], sums[kSums - 2], sums[kSums - 1]};
    return t;
}

namespace {

// The sums under the reference illuminant. Daylight is S0 + M1·S1 + M2·S2,
// so its sums are those of the three components, weighted: made once.
SampleTristimuli ReferenceTristimuli(double kelvin)
{
    if (kelvin < kDaylightReferenceFrom)
        return SampleTristimuliOf(ReferenceIlluminant(kelvin));
    static const std::array<SampleTristimuli, 3> components = {
        SampleTristimuliOf(DaylightS0()), SampleTristimuliOf(DaylightS1()), SampleTristimuliOf(DaylightS2())};
    const DaylightFactors f = DaylightFactorsAt(kelvin);
    auto weighted = [&f](const Xyz &s0, const Xyz &s1, const Xyz &s2) {
        return Xyz{s0.X + f.m1 * s1.X + f.m2 * s2.X, s0.Y + f.m1 * s1.Y + f.m2 * s2.Y,
                   s0.Z + f.m1 * s1.Z + f.m2 * s2.Z};
    };
    SampleTristimuli t;
    for (std::size_t i = 0; i < kTestSampleCount; ++i)
        t.samples[i] = weighted(components[0].samples[i], components[1].samples[i], components[2].samples[i]);
    t.light = weighted(components[0].light, components[1].light, components[2].light);
    return t;
}

} // namespace

ColourRendering ColourRenderingFrom(const SampleTristimuli &test, const CctResult &cct)
{
    ColourRendering r;
    r.duv = cct.duv;
    if (!cct.defined())
        return r;
    r.defined = true;
    r.meaningful = std::fabs(cct.duv) <= kMeaningfulDuv;
    r.referenceCct = cct.cct;
    const SampleTristimuli reference = ReferenceTristimuli(cct.cct);

    // Both scaled to Y = 100.
    const double testScale = 100 / test.light.Y;
    const double referenceScale = 100 / reference.light.Y;
    const Uv testWhite = Cie1960UvOf(test.light);
    const Uv referenceWhite = Cie1960UvOf(reference.light);
    const VonKriesCd testCd = VonKriesCdOf(testWhite);
    const VonKriesCd referenceCd = VonKriesCdOf(referenceWhite);
    const Uv adaptedWhite = VonKriesAdapted(testCd, testCd, referenceCd);

    double general = 0;
    for (std::size_t i = 0; i < kTestSampleCount; ++i) {
        const Xyz &underReference = reference.samples[i];
        const Xyz &underTest = test.samples[i];
        const Uvw expected = Cie1964UvwOf(referenceScale * underReference.Y,
                                          Cie1960UvOf(underReference), referenceWhite);
        const Uv adapted = VonKriesAdapted(VonKriesCdOf(Cie1960UvOf(underTest)), testCd, referenceCd);
        const Uvw seen = Cie1964UvwOf(testScale * underTest.Y, adapted, adaptedWhite);
        r.r[i] = SpecialColourRenderingIndex(expected, seen);
        if (i < kGeneralIndexSamples)
            general += r.r[i];
    }
    r.ra = general / kGeneralIndexSamples;
    // A light with large negative values can put a sample's sums where no
    // chromaticity is: no index then.
    r.defined = std::isfinite(r.ra);
    for (const double index : r.r)
        r.defined = r.defined && std::isfinite(index);
    return r;
}

ColourRendering ColourRenderingOf(const Bands &light)
{
    const SampleTristimuli test = SampleTristimuliOf(light);
    return ColourRenderingFrom(test, ExactCct(ChromaticityOf(test.light)));
}

std::string ColourRenderingNote(const ColourRendering &r, const CctResult &cct)
{
    if (!r.defined)
        return cct.defined() ? "显色指数无法计算：光谱中的负值使样品的色品无定义。请检查暗电流扣除是否正确。"
                             : "显色指数无定义：" + CctStateText(cct);
    if (!r.meaningful)
        return "|Duv| = " + FixedText(std::fabs(r.duv), 4) + " > 0.0054：按 CIE 13.3，"
               "光源离普朗克轨迹太远，显色指数没有意义（仍照常计算）";
    return {};
}

Xyz ReflectanceUnderD65(const Bands &reflectance)
{
    // CIE D65 is daylight at 6500 K on the old radiation constant.
    static const Bands d65 = DaylightBands(6500 * kSecondRadiationConstant / 1.438e-2);
    static const double white = Tristimulus2(d65).Y;
    Bands lit;
    for (std::size_t b = 0; b < kBandCount; ++b)
        lit[b] = d65[b] * reflectance[b];
    const Xyz c = Tristimulus2(lit);
    return {c.X / white, c.Y / white, c.Z / white};
}

} // namespace colorimetry
