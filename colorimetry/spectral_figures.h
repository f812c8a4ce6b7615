#pragma once
// Every figure of one measured spectrum, as a sphere's software reports
// them: its chromaticity, its exact CCT and Duv, its colour rendering
// (CIE 13.3 Ra, R1–R15), its peak and width, and its luminous efficacy of
// radiation. All sums run over 380–780 nm at 5 nm with the CIE 1931 2°
// observer, after the spectrum is resampled to those bands.
//
// Worked example: CIE illuminant A gives (x, y) = (0.44758, 0.40745), about
// 2856 K, Ra 100; CIE F2 (cool white fluorescent) gives Ra 64.

#include "colour_rendering.h"
#include "spectrum.h"

#include <optional>

namespace colorimetry {

struct SpectrumFigures {
    // Whether the spectrum could be rated; when not, no figure below holds.
    SpectrumCheck check;
    Xyz xyz;          // Σ S·x̄, Σ S·ȳ, Σ S·z̄ over the bands (no factor k)
    Xy xy;            // CIE 1931
    UvPrime uvPrime;  // CIE 1976
    CctResult cct;    // exact CCT and Duv of xy
    ColourRendering rendering;
    double peakNm = 0;             // the wavelength of the largest sample in 380–780 nm
    std::optional<double> fwhmNm;  // around that peak, between measured samples
    double ler = 0;                // lm/W: 683 · Σ S·ȳ / Σ S over the bands
    bool ok() const { return check.ok(); }
};

// 683 lm/W: the luminous efficacy of monochromatic light at 555 nm (540 THz).
inline constexpr double kMaximumLuminousEfficacy = 683;

// 683 · Σ S·ȳ / Σ S over the bands: how many lumens a watt of this light
// gives, radiation counted over 380–780 nm only.
double LuminousEfficacyOfRadiation(const Bands &s);

// Checks, resamples and rates the spectrum. Never throws, allocates nothing.
SpectrumFigures FiguresOf(const Spectrum &s);

} // namespace colorimetry
