#pragma once
// Colour rendering of a light, CIE 13.3-1995 ("Method of measuring and
// specifying colour rendering properties of light sources"), with the
// special index R15 of JIS Z 8726:
//
//   reference illuminant at the light's CCT: Planck's radiator below
//     5000 K, CIE daylight from 5000 K; light and reference each scaled to
//     Y = 100;
//   each test colour sample i under both: Yᵢ and (uᵢ, vᵢ) in CIE 1960 UCS;
//   von Kries adaptation of the sample under the light to the reference:
//     c = (4 − u − 10v)/v,  d = (1.708v + 0.404 − 1.481u)/v,
//     u′ᵢ = (10.872 + 0.404·(c_r/c_k)·cᵢ − 4·(d_r/d_k)·dᵢ) / D,
//     v′ᵢ = 5.520 / D,  D = 16.518 + 1.481·(c_r/c_k)·cᵢ − (d_r/d_k)·dᵢ;
//   CIE 1964 U*V*W*: W* = 25·Y^(1/3) − 17, U* = 13·W*·(u − u_w),
//     V* = 13·W*·(v − v_w) around the white of each;
//   Rᵢ = 100 − 4.6·ΔEᵢ; Ra is the mean of R1–R8.
//
// Worked example: CIE F4 (warm white fluorescent, 2940 K) has Ra 51 and F7
// (6500 K broadband) Ra 90, as CIE 15 tabulates the F series.
//
// CIE 13.3 calls the index meaningful only for a light close to the locus
// (a distance under 5.4·10⁻³ in (u, v)); it is computed anyway, as sphere
// software does, and flagged.

#include "bands.h"
#include "colorimetry.h"

#include <array>
#include <cstddef>
#include <string>

namespace colorimetry {

// CIE 13.3 samples 1–14 and JIS Z 8726 sample 15.
inline constexpr std::size_t kTestSampleCount = 15;
// Ra averages the first eight.
inline constexpr std::size_t kGeneralIndexSamples = 8;
// Beyond this |Duv| the index is not meaningful (CIE 13.3).
inline constexpr double kMeaningfulDuv = 5.4e-3;
// Below this CCT the reference is Planck's radiator, from it on daylight.
inline constexpr double kDaylightReferenceFrom = 5000;

// The spectral radiance factor of sample i + 1 (TCS01 … TCS15), from the
// tables in colorimetry/data (generated into the build and checked against
// colord-data's rounded copy).
const Bands &TestColourSample(std::size_t i);

// ---- One formula each ---------------------------------------------------

// CIE 1931 (x, y), CIE 1960 (u, v) and CIE 1976 (u′, v′) of tristimulus
// values whose X + Y + Z (and X + 15Y + 3Z) is not zero.
Xy ChromaticityOf(const Xyz &c);
Uv Cie1960UvOf(const Xyz &c);
struct UvPrime {
    double u = 0;
    double v = 0;
};
UvPrime Cie1976UvOf(const Xyz &c);

// The reference illuminant of CIE 13.3 at the CCT (1000–25000 K), on an
// arbitrary scale.
Bands ReferenceIlluminant(double kelvin);

// CIE 13.3's c and d of a chromaticity in (u, v).
struct VonKriesCd {
    double c = 0;
    double d = 0;
};
VonKriesCd VonKriesCdOf(Uv p);

// The (u′, v′) a colour seen under the test light takes when adapted to the
// reference: the colour's, the test light's and the reference's c and d.
Uv VonKriesAdapted(VonKriesCd colour, VonKriesCd test, VonKriesCd reference);

// CIE 1964 U*, V*, W* of a colour of luminance factor Y (white = 100) and
// chromaticity (u, v), around the white's (u, v).
struct Uvw {
    double U = 0;
    double V = 0;
    double W = 0;
};
Uvw Cie1964UvwOf(double Y, Uv colour, Uv white);

// Rᵢ = 100 − 4.6·ΔEᵢ, ΔE the distance between the two in U*V*W*.
double SpecialColourRenderingIndex(const Uvw &reference, const Uvw &test);

// ---- Sums -----------------------------------------------------------------

// Σ S·Rᵢ·x̄, Σ S·Rᵢ·ȳ, Σ S·Rᵢ·z̄ of each sample under the light, and Σ S·x̄…
// of the light itself, over the bands (no factor k). One pass over the
// bands with the products of sample and observer made once.
struct SampleTristimuli {
    std::array<Xyz, kTestSampleCount> samples;
    Xyz light;
};
SampleTristimuli SampleTristimuliOf(const Bands &light);

// ---- The indices --------------------------------------------------------

struct ColourRendering {
    bool defined = false;    // false where the CCT is not defined (no reference)
    bool meaningful = false; // |Duv| ≤ 5.4·10⁻³
    double referenceCct = 0; // kelvin: the reference illuminant's temperature
    double duv = 0;
    double ra = 0;
    std::array<double, kTestSampleCount> r{}; // r[0] is R1, r[14] is R15
};

// The indices of a light from its sums and its exact CCT (ExactCct of the
// light's chromaticity). Undefined where the CCT is undefined.
ColourRendering ColourRenderingFrom(const SampleTristimuli &light, const CctResult &cct);

// The same from the light's bands, its CCT computed here.
ColourRendering ColourRenderingOf(const Bands &light);

// What the user is told beside the indices, in Chinese: why they are not
// defined, or that CIE 13.3 does not call them meaningful at this Duv;
// empty when they are defined and meaningful.
std::string ColourRenderingNote(const ColourRendering &r, const CctResult &cct);

// ---- The samples' own colours ---------------------------------------------

// The tristimulus values of a reflectance under CIE D65 (daylight at
// 6500·1.4388/1.438 K), scaled so that the perfect white has Y = 1: the
// colour a sample shows, for pictures of it.
Xyz ReflectanceUnderD65(const Bands &reflectance);

} // namespace colorimetry
