#pragma once
// A measured spectrum as an instrument exports it, and what is read off it
// before any colorimetry: whether it can be rated (and if not, why, in words
// for the user), its resampling to the 5 nm bands, its peak and its width.
//
// A spectrum is wavelengths in nm, strictly increasing, at most 10 nm apart
// where they touch 380–780 nm, covering 380–780 nm, and one value of
// relative spectral power per wavelength. Small negative values (the dark
// noise of a spectrometer) are kept as measured.

#include "bands.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace colorimetry {

struct Spectrum {
    std::vector<double> nm;
    std::vector<double> value;
    // Empties both, keeping their memory for the next spectrum.
    void clear()
    {
        nm.clear();
        value.clear();
    }
};

// The widest spacing of the samples where they touch 380–780 nm.
inline constexpr double kWidestSpacingNm = 10;

enum class SpectrumProblem {
    None,
    Empty,         // no samples
    SizeMismatch,  // not one value per wavelength
    NotFinite,     // a wavelength or a value is infinite or NaN (at: its wavelength, or the one before)
    NotIncreasing, // at comes after previous but is shorter
    Duplicated,    // at appears twice
    NotCovered,    // the samples span previous–at, not all of 380–780
    Gap,           // previous and at are more than 10 nm apart
    AllZero,       // every band of 380–780 nm is 0
    NegativeTotal, // the bands' sum is negative (or 0 with some not 0)
    NoLuminance,   // Y or X + Y + Z is not positive: no chromaticity
    TooLarge,      // a sum overflows
};

struct SpectrumCheck {
    SpectrumProblem problem = SpectrumProblem::None;
    double at = 0;       // the wavelength named (nm), see SpectrumProblem
    double previous = 0; // the other one, where the problem has two
    bool ok() const { return problem == SpectrumProblem::None; }
};

// Checks the samples themselves: size, finiteness, order, coverage, gaps.
// The problems of the values' sums (AllZero and after) are found by the
// figures (spectral_figures.h) once the bands are made.
SpectrumCheck CheckSamples(const Spectrum &s);

// What the user is told, in Chinese, naming the wavelength: for example
// "波长 385 nm 出现了两次：每个波长只能有一个值。请检查光谱的波长。".
// Empty for None.
std::string SpectrumProblemText(const SpectrumCheck &check);

// A wavelength as a message writes it: 385, 382.5, 383.333 (at most three
// decimals, no trailing zeros, independent of the locale).
std::string WavelengthText(double nm);

// The spectrum at 380, 385, …, 780 nm by linear interpolation between the
// samples on either side; a band the spectrum has a sample at takes that
// sample's value as it is. The samples must pass CheckSamples.
void ResampleToBands(const Spectrum &s, Bands &out);

// The index of the largest sample inside 380–780 nm (the first of equals);
// the samples must pass CheckSamples.
std::size_t PeakIndex(const Spectrum &s);

// The full width at half maximum around the sample at peak: the distance
// between the half-maximum crossings on either side, each interpolated
// linearly between the two measured samples it lies between. nullopt when
// the spectrum does not fall to half its peak on both sides.
std::optional<double> FullWidthAtHalfMaximum(const Spectrum &s, std::size_t peak);

} // namespace colorimetry
