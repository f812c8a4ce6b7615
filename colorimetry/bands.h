#pragma once
// Spectra at the sampling every spectral index here works on: 380–780 nm in
// 5 nm bands (81 values), the range and step of CIE 13.3 and CIE 15's
// summations. A measured spectrum is resampled to these bands before any
// figure is computed from it.

#include "colorimetry.h"

#include <array>
#include <cstddef>

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
