#pragma once
// Every figure of one measured spectrum, as a sphere's software reports
// them: its chromaticity, its exact CCT and Duv, its colour rendering
// (CIE 13.3 Ra, R1–R15), its peak and width, and its luminous efficacy of
// radiation, with the CIE 1931 2° observer on the 5 nm bands the spectrum
// is reduced to (spectrum.h); and what it does to people besides colour
// (alpha_opic.h, at 1 nm). The chromaticity (x, y, u′, v′ and with it the
// CCT and Duv) sums 360–830 nm where the spectrum covers it, the range the
// Planckian locus is summed over, else 380–780 nm; the colour rendering and
// the efficacy sum 380–780 nm, as CIE 13.3 does.
//
// No figure depends on the spectrum's scale: far from 1 it is first divided
// by a power of two (bands.h, ScalingExponent).
//
// Worked example: CIE illuminant A gives (x, y) = (0.44758, 0.40745), about
// 2856 K, Ra 100; CIE F2 (cool white fluorescent) gives Ra 64.

#include "alpha_opic.h"
#include "colour_rendering.h"
#include "spectrum.h"

#include <cmath>
#include <optional>
#include <string>

namespace colorimetry {

struct SpectrumFigures {
    // Whether the spectrum could be rated; when not, no figure below holds.
    SpectrumCheck check;
    int scaleExponent = 0; // the spectrum was divided by 2^scaleExponent first
    bool wideRange = false; // the chromaticity sums 360–830 nm (else 380–780 nm)
    Xyz xyz;          // Σ S·x̄, Σ S·ȳ, Σ S·z̄ over those bands, scaled spectrum (no factor k)
    Xy xy;            // CIE 1931
    UvPrime uvPrime;  // CIE 1976
    CctResult cct;    // exact CCT and Duv of xy
    ColourRendering rendering;
    // The wavelength of the largest sample in 380–780 nm; NaN when that is
    // no peak: it lies at the window's edge (at edgeNm) and the spectrum
    // does not fall beyond it (PeakNote says so).
    double peakNm = NAN;
    double edgeNm = 0;
    std::optional<double> fwhmNm;  // around that peak, between measured samples inside 380–780 nm
    double ler = 0;                // lm/W: 683 · Σ S·ȳ / Σ S over the bands
    LightAndHealth health;         // α-opic and blue-light hazard at 1 nm (alpha_opic.h)
    bool ok() const { return check.ok(); }
    bool hasPeak() const { return std::isfinite(peakNm); }
};

// 683 lm/W: the luminous efficacy of monochromatic light at 555 nm (540 THz).
inline constexpr double kMaximumLuminousEfficacy = 683;

// 683 · Σ S·ȳ / Σ S over the bands: how many lumens a watt of this light
// gives, radiation counted over 380–780 nm only.
double LuminousEfficacyOfRadiation(const Bands &s);

// Checks, reduces and rates the spectrum. Never throws; allocates nothing
// once a thread has rated a spectrum as long.
SpectrumFigures FiguresOf(const Spectrum &s);

// The same, and the spectrum's bands of 380–780 nm divided by
// 2^scaleExponent, as the figures are computed from: TM-30 takes them with
// the figures' CCT (ComputeTm30(bands, f.cct)); std::ldexp(band,
// f.scaleExponent) is a band on the spectrum's own scale.
SpectrumFigures FiguresOf(const Spectrum &s, Bands &bands);

// Why a rated spectrum has no peak wavelength, or no FWHM, in Chinese for
// a tooltip ("380–780 nm 内最大的值在窗口边缘 380 nm 处…"); empty where it
// has one.
std::string PeakNote(const SpectrumFigures &f);
std::string FwhmNote(const SpectrumFigures &f);

} // namespace colorimetry
