#pragma once
// What a light does to people besides letting them see colour, from its
// spectrum at 1 nm:
//
//  - CIE S 026:2018, the α-opic quantities: for each of the five
//    photoreceptors (s-cone, m-cone, l-cone, rods, the melanopsin of the
//    ipRGCs) the α-opic efficacy of luminous radiation
//        K_α,v = ∫ S·s_α dλ / (K_m ∫ S·V dλ)       (W/lm, given in mW/lm),
//    its daylight (D65) efficacy ratio DER = K_α,v / K_α,v^D65 with the
//    constants the standard publishes, and, for spectral irradiance, the
//    α-opic equivalent daylight (D65) illuminance E_α / K_α,v^D65 (lx),
//    melanopic EDI among them.
//  - IEC 62471:2006 / IEC TR 62778, the blue-light hazard: the blue-light
//    weighted irradiance E_B = ∫ S·B dλ (W/m²) and the blue-light hazard
//    efficacy of luminous radiation K_B,v = ∫ S·B dλ / (K_m ∫ S·V dλ)
//    (W/lm, given in mW/lm).
//
// K_m is 683.002 lm/W, as CIE S 026 takes it. The α-opic and luminous
// sums run over 380–780 nm (the range of the action spectra, and of every
// spectrum rated here); the blue-light sum over 300–700 nm (B(λ)'s range)
// wherever the spectrum reaches.
//
// The spectrum is brought to 1 nm first: data finer than 1 nm through a
// triangular weight 1 nm wide on either side, other data interpolated
// linearly (spectrum.h, ReduceToGrid). The action spectra are the CIE's
// at 1 nm and V(λ) is the CIE 1931 ȳ at 1 nm, both carried in the tree;
// B(λ) is IEC 62471's 5 nm table drawn linearly between its values, and
// 10^((450 − λ)/50) over 500–600 nm, where the standard defines it so.
//
// Worked example: CIE D65 gives the published K_α,v^D65 to the 4th
// decimal (melanopic 1.3262 mW/lm), so every DER of D65 is 1.0000.

#include "spectrum.h"

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace colorimetry {

// The five α-opic photoreceptors, in the order of CIE S 026.
inline constexpr std::size_t kAlphaOpicCount = 5;
enum AlphaOpic : std::size_t { SConeOpic, MConeOpic, LConeOpic, Rhodopic, Melanopic };

// Short names as column names use them: "sc", "mc", "lc", "rh", "mel".
std::string_view AlphaOpicShortName(std::size_t alpha);
// "S 视锥 s-cone-opic" and the like, for a page and a tooltip.
std::string_view AlphaOpicName(std::size_t alpha);

// The luminous efficacy K_m of CIE S 026 (lm/W).
inline constexpr double kS026LuminousEfficacy = 683.002;

// K_α,v^D65 (mW/lm), as CIE S 026:2018 publishes them (§3.7, Note 3):
// s-cone-opic, m-cone-opic, l-cone-opic, rhodopic, melanopic.
inline constexpr std::array<double, kAlphaOpicCount> kD65AlphaOpicEfficacy{0.8173, 1.4558, 1.6289, 1.4497, 1.3262};

// The action spectra s_α(λ), 380–780 nm at 1 nm (401 rows), from the table
// in colorimetry/data (0 where none is published).
struct AlphaOpicSample {
    double nm;
    std::array<double, kAlphaOpicCount> s;
};
std::span<const AlphaOpicSample> AlphaOpicActionSpectra();

// IEC 62471's B(λ) as published, 300–700 nm at 5 nm (81 rows).
struct HazardSample {
    double nm;
    std::array<double, 1> b;
};
std::span<const HazardSample> BlueLightHazardTable();
// B(λ) at a whole wavelength, 300–700 nm; 0 outside.
double BlueLightHazardAt(int nm);

struct LightAndHealth {
    bool defined = false; // the luminous sum is positive: every figure below holds
    // The sums at 1 nm, ∫ S·V dλ, ∫ S·s_α dλ and ∫ S·B dλ, in the
    // spectrum's unit times nm (of the spectrum as it was given).
    double luminous = 0;
    std::array<double, kAlphaOpicCount> alphaOpic{};
    double blueLight = 0;
    std::array<double, kAlphaOpicCount> efficacy{}; // K_α,v, mW/lm
    std::array<double, kAlphaOpicCount> der{};      // K_α,v / K_α,v^D65
    double blueLightEfficacy = 0;                   // K_B,v, mW/lm
};

// The figures of a spectrum that passes CheckSamples (with the range the
// check found). A spectrum already divided by 2^scaleExponent (bands.h,
// ScalingExponent) gives the sums of the spectrum as it was. Never throws;
// allocates nothing.
LightAndHealth LightAndHealthOf(const Spectrum &s, const SampleRange &range, int scaleExponent = 0);
LightAndHealth LightAndHealthOf(const Spectrum &s);

// What a spectrum's values are: relative (only ratios hold), spectral
// irradiance or spectral flux, `watts` W·m⁻²·nm⁻¹ or W/nm each (1 for
// W/(m²·nm), 10⁻³ for mW/(m²·nm), 10⁻² for µW/(cm²·nm)).
enum class RadiometricQuantity { Relative, Irradiance, Flux };
struct RadiometricUnit {
    RadiometricQuantity quantity = RadiometricQuantity::Relative;
    double watts = 1;
    bool absolute() const { return quantity != RadiometricQuantity::Relative; }
    bool operator==(const RadiometricUnit &) const = default;
};

// The absolute figures of a spectrum whose values are `watts` W·m⁻²·nm⁻¹
// (irradiance) or W/nm (flux) each.
//   illuminance: K_m ∫ S·V dλ, lx for irradiance, lm (the luminous flux) for flux;
//   melanopicEdi: ∫ S·s_mel dλ / K_mel,v^D65, lx (irradiance);
//   blueLight: E_B = ∫ S·B dλ, W/m² (irradiance).
struct AbsoluteLight {
    double illuminance = 0;
    double melanopicEdi = 0;
    double blueLight = 0;
};
AbsoluteLight AbsoluteOf(const LightAndHealth &h, double watts);

} // namespace colorimetry
