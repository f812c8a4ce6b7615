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

#include <cmath>
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
    bool operator==(const Spectrum &) const = default;
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
// What the check finds on the way (all 0 for a spectrum that fails it).
struct SampleRange {
    double largest = 0;   // the largest magnitude among the values
    double narrowest = 0; // the narrowest step between neighbouring wavelengths
    double widest = 0;    // the widest
};
SpectrumCheck CheckSamples(const Spectrum &s, SampleRange &range);

// What the user is told, in Chinese, naming the wavelength: for example
// "波长 385 nm 出现了两次：每个波长只能有一个值。请检查光谱的波长。".
// Empty for None.
std::string SpectrumProblemText(const SpectrumCheck &check);

// A wavelength as a message writes it: 385, 382.5, 383.333 (at most three
// decimals, no trailing zeros, independent of the locale).
std::string WavelengthText(double nm);

// ---- The bands -------------------------------------------------------------
//
// A spectrum is reduced to the 5 nm bands in one of two ways:
//
//  - Data finer than 5 nm (every step under 5 nm where the bands reach):
//    each band is the spectrum, drawn linearly between its samples, weighted
//    by a triangle 5 nm wide on either side of the band (a band pass) and
//    divided by 5:
//        B(λb) = ∫ S(λ)·max(0, 1 − |λ − λb| / 5 nm) dλ / 5 nm.
//    Summed against colour-matching functions at 5 nm, these bands give the
//    integral of the spectrum against the functions drawn linearly between
//    their 5 nm values: every sample counts, and a narrow line weighs the
//    same wherever it lies between two bands. A straight spectrum keeps its
//    values. A band whose triangle reaches beyond the samples (at the ends
//    of the data) takes the spectrum's value at its wavelength.
//  - Data at 5 nm or coarser: the spectrum at each band, interpolated
//    linearly between the samples on either side; a sample at the band is
//    taken as it is.

// The bands of 360–830 nm where the samples cover 360–830 nm (returns
// true), else those of 380–780 nm and 0 beyond (returns false). The samples
// must pass CheckSamples.
bool ReduceToWideBands(const Spectrum &s, WideBands &out);
// The same with the range CheckSamples found.
bool ReduceToWideBands(const Spectrum &s, const SampleRange &range, WideBands &out);

// The spectrum at `count` points `step` nm apart from `first`, all inside
// the samples' range, by the same rule with `step` for 5 nm (and no
// correction): data finer than the step through the triangle of half-width
// `step`, divided by `step`; other data interpolated linearly. Summed
// against functions at the points, these give the integral of the spectrum
// against the functions drawn linearly between them. Returns the points
// taken through the triangle, [lo, hi); lo == hi when none was.
struct GridPass {
    std::size_t lo = 0;
    std::size_t hi = 0;
};
GridPass ReduceToGrid(const Spectrum &s, const SampleRange &range, double first, double step, std::size_t count,
                      double *out);

// The bands of 380–780 nm, on the spectrum's own scale.
void ResampleToBands(const Spectrum &s, Bands &out);

// The spectrum divided by 2^exponent, exactly, sample by sample (below the
// smallest normal number excepted): with PeakExponent's exponent its
// largest magnitude lies in [0.5, 1).
void ScaleSpectrum(const Spectrum &s, int exponent, Spectrum &scaled);

// ---- Peak and width --------------------------------------------------------

// The largest sample inside 380–780 nm (the first of equals) and the width
// around it. It is no peak at the window's first or last sample unless the
// spectrum is seen to fall beyond it (a sample outside the window is
// lower): a spectrum that rises to the window's edge has no peak in it.
struct PeakAndWidth {
    double peakNm = NAN; // NaN: no peak
    double edgeNm = 0;   // where the largest sample lies when it is no peak
    // The full width at half maximum around the peak: the distance between
    // the half-maximum crossings on either side, each interpolated linearly
    // between the two samples it lies between, both inside 380–780 nm;
    // nullopt when the spectrum does not fall to half its peak on both sides
    // inside the window.
    std::optional<double> fwhmNm;
};
PeakAndWidth PeakAndWidthOf(const Spectrum &s);

} // namespace colorimetry
