#pragma once
// Spectra at the sampling every spectral index here works on: 380–780 nm in
// 5 nm bands (81 values), the range and step of CIE 13.3 and CIE 15's
// summations. A measured spectrum is reduced to these bands before any
// figure is computed from it. Its chromaticity may use the wider bands of
// 360–830 nm (95 values), the range of the colour-matching functions and of
// the Planckian locus, where the spectrum covers them.

#include "colorimetry.h"

#include <array>
#include <cstddef>
#include <span>

namespace colorimetry {

inline constexpr int kFirstBandNm = 380;
inline constexpr int kLastBandNm = 780;
inline constexpr int kBandStepNm = 5;
inline constexpr std::size_t kBandCount = (kLastBandNm - kFirstBandNm) / kBandStepNm + 1;

// One value per band, band i at kFirstBandNm + i·kBandStepNm.
using Bands = std::array<double, kBandCount>;

constexpr double BandNm(std::size_t i)
{
    return kFirstBandNm + static_cast<double>(i * kBandStepNm);
}

// The whole range of the colour-matching functions, 360–830 nm at 5 nm;
// band kWideOffset of it is 380 nm, the first of Bands.
inline constexpr int kWideFirstNm = 360;
inline constexpr int kWideLastNm = 830;
inline constexpr std::size_t kWideBandCount = (kWideLastNm - kWideFirstNm) / kBandStepNm + 1;
inline constexpr std::size_t kWideOffset = (kFirstBandNm - kWideFirstNm) / kBandStepNm;
using WideBands = std::array<double, kWideBandCount>;

constexpr double WideBandNm(std::size_t i)
{
    return kWideFirstNm + static_cast<double>(i * kBandStepNm);
}

// Every figure of a light is a ratio of its sums, which dividing the light
// by a power of two leaves exactly as it was. A light whose largest
// magnitude lies beyond 2^±500 is so divided, to a largest magnitude in
// [0.5, 1), before anything is computed, so that no sum overflows or loses
// digits below the normal numbers: then no figure depends on the light's
// scale, from 10⁻³²⁰ to 10³⁰⁸. ScalingExponent gives the power (0 within
// 2^±500), DivideByPowerOfTwo divides (exactly, unless a value falls below
// the smallest normal number).
double LargestMagnitude(std::span<const double> values); // NaN is passed over
int ScalingExponent(double largest);
void DivideByPowerOfTwo(std::span<const double> values, int exponent, double *out);

struct Xyz {
    double X = 0;
    double Y = 0;
    double Z = 0;
};

// The CIE 1931 2° functions at the bands.
const Bands &XBar2();
const Bands &YBar2();
const Bands &ZBar2();

// Σ S·x̄, Σ S·ȳ, Σ S·z̄ over the bands with the 2° observer (no factor k).
Xyz Tristimulus2(const Bands &s);
// The same over 360–830 nm: the sums the Planckian locus is made of.
Xyz Tristimulus2(const WideBands &s);

// The CIE 1964 10° functions at the bands, the observer of colour fidelity
// (generated at build time from colord-data's CIE1964-10deg-XYZ.cmf), and
// Σ S·x̄10, Σ S·ȳ10, Σ S·z̄10 over the bands.
const Bands &XBar10();
const Bands &YBar10();
const Bands &ZBar10();
Xyz Tristimulus10(const Bands &s);

// A black body's relative spectral radiance at the temperature (kelvin > 0):
// λ⁻⁵ / (exp(c2 / (λT)) − 1), λ in metres, c2 = 1.4388·10⁻² m·K; the scale
// is arbitrary (normalise before use).
Bands PlanckianBands(double kelvin);

// CIE daylight at the correlated colour temperature (4000–25000 K, CIE 15):
// S0 + M1·S1 + M2·S2 with the daylight locus's (xD, yD) and M1, M2 not
// rounded. S0, S1 and S2 come from Debian's colord-data at build time.
Bands DaylightBands(double kelvin);
// Its M1 and M2 at the temperature.
struct DaylightFactors {
    double m1 = 0;
    double m2 = 0;
};
DaylightFactors DaylightFactorsAt(double kelvin);
const Bands &DaylightS0();
const Bands &DaylightS1();
const Bands &DaylightS2();

} // namespace colorimetry
