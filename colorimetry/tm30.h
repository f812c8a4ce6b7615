#pragma once
// Colour fidelity and gamut of a light by ANSI/IES TM-30-20, whose fidelity
// index is CIE 224:2017's Rf: the 99 colour evaluation samples (CES) seen
// under the test light and under a reference light of the same CCT, compared
// in CAM02-UCS with the CIE 1964 10° observer, on the library's 5 nm bands.
//
//   reference   CCT from the 2° observer (ExactCct); Planck's radiator below
//               4000 K, CIE daylight above 5000 K, between them the two mixed
//               in proportion (5000 − T)/1000 and (T − 4000)/1000, each first
//               scaled to the same Y (10°).
//   appearance  CIECAM02 with L_A = 100 cd/m², Y_b = 20, average surround,
//               complete adaptation (D = 1), each light its own white at
//               Y = 100; then CAM02-UCS (Luo, Cui and Li 2006) J′, a′, b′.
//   Rf          10·ln(exp((100 − 6.73·ΔE′)/10) + 1) of the mean ΔE′; Rf,i
//               the same of one sample's ΔE′.
//   hue bins    16 bins of 22.5° by each sample's hue under the reference;
//               per bin the mean a′, b′ under each light.
//   Rg          100 · area(test polygon) / area(reference polygon).
//   per bin     Rf,hj of the bin's mean ΔE′; the chroma shift Rcs,hj and the
//               hue shift Rhs,hj: the shift of the bin's mean along and
//               across the bin's middle direction, over the reference chroma.
//
// Nothing is defined where the CCT is not (|Duv| > 0.05, outside
// 1000–20000 K, no chromaticity), as for the colour rendering index. Rf and
// Rf,i hold wherever the CCT does. Rg, the hue bins and the colour vector
// graphic need at least one sample in each of the 16 hue bins under the
// reference; at the lowest CCTs the 99 samples leave some bin empty (under
// Planck's radiator at about 1000–1030 K and 1053–1140 K): there only Rf
// holds, and Tm30Note says why.

#include "bands.h"
#include "colorimetry.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace colorimetry {

inline constexpr std::size_t kCesCount = 99;
inline constexpr std::size_t kHueBinCount = 16;
inline constexpr double kHueBinDegrees = 360.0 / kHueBinCount;

// The spectral reflectance factor of CES i + 1 (i = 0…98) at the bands,
// generated at build time from colorimetry/data/ces01-99_cie224-2017_5nm.csv.
const Bands &CesReflectance(std::size_t i);

// The reference light of a test light of the given CCT (1000–20000 K), on
// an arbitrary scale.
Bands Tm30Reference(double kelvin);

// A colour in CAM02-UCS.
struct Ucs {
    double j = 0; // J′
    double a = 0; // a′
    double b = 0; // b′
};

// CIECAM02 under TM-30's viewing conditions followed by CAM02-UCS, for
// colours seen under one light. Tristimulus values (10°) of the samples and
// of the light's white may be on any common scale.
class Cam02Ucs {
public:
    explicit Cam02Ucs(const Xyz &white);
    Ucs operator()(const Xyz &sample) const;
    // XYZ to the adapted cone responses (below), for many samples at once.
    const double (&toCones() const)[3][3] { return toCones_; }

private:
    // XYZ to cone responses adapted to the white: HPE · CAT02⁻¹ · diag(100 /
    // the white's CAT02 R, G, B) · CAT02.
    double toCones_[3][3];
};

struct Tm30HueBin {
    int samples = 0;      // CES whose reference hue lies in the bin
    double rf = 0;        // Rf,hj
    double rcs = 0;       // Rcs,hj in percent: + more saturated than the reference
    double rhs = 0;       // Rhs,hj (radians of hue over the reference chroma): + anticlockwise
    double aTest = 0;     // mean a′, b′ under the test light
    double bTest = 0;
    double aReference = 0; // mean a′, b′ under the reference
    double bReference = 0;
};

struct Tm30Result {
    CctResult cct;          // of the test light, 2° observer
    bool defined = false;   // every figure below holds
    bool fidelityDefined = false; // rf and rfSample hold (so does every figure when defined)
    double rf = 0;
    double rg = 0;
    std::array<double, kCesCount> rfSample{};     // Rf,i
    std::array<std::uint8_t, kCesCount> sampleBin{}; // hue bin of each CES (0…15)
    std::array<Tm30HueBin, kHueBinCount> bins{};  // h1 … h16
};

// TM-30 of a light given on the bands, at any scale. Never throws; an
// undefined CCT (or a light without a positive luminance, or non-finite
// values) leaves `defined` false. Allocates nothing.
Tm30Result ComputeTm30(const Bands &spectrum);

// The same at the light's CCT found already (its SpectrumFigures' cct).
Tm30Result ComputeTm30(const Bands &spectrum, const CctResult &cct);

// Why the figures are not all defined, in Chinese; empty when they are.
// The second form takes what a row keeps of the result.
std::string Tm30Note(const Tm30Result &r);
std::string Tm30Note(const CctResult &cct, bool fidelityDefined, bool defined);

// The same from tristimulus values (10°) already summed, at any sampling:
// each CES under the test light and its white, each under the reference and
// its white. ComputeTm30 is this after its 5 nm sums.
using CesTristimulus = std::array<Xyz, kCesCount>;
Tm30Result Tm30FromTristimulus(const CctResult &cct, const CesTristimulus &test, const Xyz &testWhite,
                               const CesTristimulus &reference, const Xyz &referenceWhite);

// 10·ln(exp((100 − 6.73·ΔE′)/10) + 1): a fidelity from a mean ΔE′.
double FidelityFromDeltaE(double deltaE);

} // namespace colorimetry
