#pragma once
// Colorimetry beside the screens' numbers: the CIE 1931 2° observer, the
// Planckian locus, the exact correlated colour temperature and Duv (Ohno
// 2013), the standard's decimal SDCM for a row of the ellipse table, and the
// contours that a chromaticity diagram draws. Plain C++, no Qt.
//
// Units: chromaticity (x, y) is CIE 1931; (u, v) is CIE 1960 UCS, in which
// Duv is measured. Temperatures are in kelvin.

#include "ellipse.h"

#include <span>
#include <string>
#include <vector>

namespace colorimetry {

struct Xy {
    double x = 0;
    double y = 0;
};

struct Uv {
    double u = 0;
    double v = 0;
};

// CIE 1960 UCS: u = 4x / (−2x + 12y + 3), v = 6y / (−2x + 12y + 3), and back.
Uv UvFromXy(Xy p);
Xy XyFromUv(Uv p);

// ---- The CIE 1931 2° colour-matching functions -------------------------

struct CmfSample {
    double nm;
    double xBar;
    double yBar;
    double zBar;
};

// 360–830 nm at 5 nm (95 samples), as Debian's colord-data installs them;
// generated into the build from that file, never typed by hand.
std::span<const CmfSample> Cie1931TwoDegree();

// The same at 1 nm (471 samples), as the CIE publishes them, from the table
// in colorimetry/data (generated into the build, every fifth value checked
// against colord-data's).
std::span<const CmfSample> Cie1931TwoDegree1nm();

// The chromaticity of each monochromatic stimulus, 360–830 nm at 5 nm: the
// horseshoe that frames a chromaticity diagram.
std::vector<Xy> SpectralLocus();

// ---- The Planckian locus -----------------------------------------------

// Second radiation constant c2 = 1.4388·10⁻² m·K.
inline constexpr double kSecondRadiationConstant = 1.4388e-2;

// The chromaticity of a black body at the temperature (kelvin > 0), from
// Planck's law summed over the colour-matching functions.
Uv PlanckianUv(double kelvin);
Xy PlanckianXy(double kelvin);

// The point at a distance duv from the locus at the temperature, along the
// locus's normal in (u, v), positive above it (towards green): the points of
// an isotemperature line.
Xy XyFromCctDuv(double kelvin, double duv);

// ---- Exact CCT and Duv (Ohno 2013) -------------------------------------

inline constexpr double kLowestCct = 1000;
inline constexpr double kHighestCct = 20000;
inline constexpr double kLargestDuv = 0.05;

enum class CctState {
    Defined,     // cct and duv hold
    OffLocus,    // |Duv| > 0.05: no CCT (CIE 15); duv still holds
    OutOfRange,  // the nearest locus point lies outside 1000–20000 K
    NoChromaticity, // not a chromaticity (non-finite, or no (u, v) for it)
};

struct CctResult {
    CctState state = CctState::NoChromaticity;
    double cct = 0; // kelvin; meaningful only when Defined
    // Signed, positive above the locus; meaningful unless NoChromaticity.
    // Off the locus, the distance from its nearest point; beyond 500 K and
    // 100 000 K, from the nearer of those ends.
    double duv = 0;
    bool defined() const { return state == CctState::Defined; }
};

// The CCT and Duv of a chromaticity by Ohno's combined method: the
// triangular solution where |Duv| < 0.002, the parabolic one elsewhere,
// over a cached table of the locus. Never throws.
CctResult ExactCct(Xy p);

// What a user is told when the CCT is not defined, in Chinese
// ("色温无定义（|Duv| > 0.05）" and the like); empty when it is defined.
std::string CctStateText(const CctResult &r);

// ---- The standard's SDCM ----------------------------------------------

// The standard's metric for a row of the ellipse table:
//   n² = g11·dx² + 2·g12·dx·dy + g22·dy², signed dx, dy, g12 = −50·c.
struct StandardMetric {
    double g11;
    double g12;
    double g22;
};
StandardMetric StandardMetricOf(const tolerance::ToleranceEllipse &row);

// The decimal SDCM (steps of the standard's MacAdam ellipse) of (x, y)
// around the row's centre. Never negative; +inf for non-finite input.
double StandardSdcm(const tolerance::ToleranceEllipse &row, Xy p);

// The principal axes of the standard's ellipse: unit directions in (x, y)
// and the length of one step along each.
struct EllipseAxes {
    Xy major;          // unit vector
    Xy minor;          // unit vector
    double majorStep;  // length of one SDCM along major
    double minorStep;  // along minor
    double tiltDegrees; // angle of the major axis from the +x axis, 0…180
};
EllipseAxes StandardAxes(const tolerance::ToleranceEllipse &row);

// ---- Contours for the diagram ----------------------------------------

// The screens' whole-step number changes from k to k + 1 where
// Q = k² + k + 0.5 (Q = g11·dx² − c·|dx|·|dy| + g22·dy²). The closed curve of
// that boundary around the row's centre, as `points` points going once
// around (k ≥ 0). Points on the curve itself rate k; points just outside,
// k + 1.
std::vector<Xy> ProgramStepContour(const tolerance::ToleranceEllipse &row, int k,
                                   int points = 360);

// The standard's n-step ellipse (SDCM = n) around the row's centre.
std::vector<Xy> StandardStepEllipse(const tolerance::ToleranceEllipse &row, double n,
                                    int points = 360);

} // namespace colorimetry
