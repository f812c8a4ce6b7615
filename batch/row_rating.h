#pragma once
// Rating one row of a measurement file exactly as a screen rates the same
// two texts typed into its entries and "计 算" pressed: the same number, or
// the very message the screen would show. Beside the screen's number stand
// the exact CCT and Duv and, for ambrix, the standard's decimal SDCM.

#include "colorimetry.h"
#include "ellipse.h"
#include "spectral_figures.h"
#include "tm30.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace batch {

// What the rows are rated for: a row of the ellipse table (ambrix's
// calculators), or the CCT (cendrel's converter) when row is null.
using Row = const tolerance::ToleranceEllipse *;

// TM-30 as a row keeps it: the figures its columns and summary give. The
// whole result (the colour vector graphic's bin means) is computed again
// from the row's bands where a picture needs it.
struct Tm30Figures {
    bool defined = false;
    double rf = 0;
    double rg = 0;
    std::array<double, colorimetry::kHueBinCount> rfBin{};  // Rf,h1 … Rf,h16
    std::array<double, colorimetry::kHueBinCount> rcsBin{}; // Rcs,h1 … in percent
};

// What a row that holds a spectrum adds to its rating. The point (x, y) of
// the rating is then the spectrum's chromaticity.
struct SpectralRating {
    bool present = false;                 // the row held a spectrum
    colorimetry::SpectrumFigures figures; // meaningful when figures.ok()
    Tm30Figures tm30;
    // The instrument's own x and y from the file, where it has them.
    bool fileXy = false;
    double fileX = 0;
    double fileY = 0;
};

struct Rating {
    bool rated = false;  // the screen would show its number
    std::string error;   // the screen's message; empty when rated
    double x = 0;        // the point read; meaningful when rated
    double y = 0;
    std::int32_t steps = 0; // ambrix: the screens' number
    double sdcm = 0;        // ambrix: the standard's SDCM
    double screenCct = 0;   // cendrel: the screen's number
    colorimetry::CctResult exact;
    // The ANSI quadrangle the point lies in (index into
    // colorimetry::AnsiQuadrangles()), and the user's bin; -1 for none.
    int ansi = -1;
    int bin = -1;
    SpectralRating spectral;
};

// Rates the two cell texts. With decimalComma, a comma in them stands for
// the decimal point. Never throws for any text.
void RateRow(Row row, std::string_view xText, std::string_view yText, bool decimalComma,
             Rating &rating);

// The names of the columns a rating adds: steps, sdcm, cct, duv, error
// (ambrix), or cct, cct_exact, duv, error (cendrel). error is the last.
std::span<const std::string_view> OutputNames(Row row);

// The cells a rating adds, in the order of OutputNames; numbers are empty
// where there is none (a failed row; a CCT that is not defined).
//   steps: whole; sdcm: 4 decimals; cct, cct_exact: 1 decimal (kelvin);
//   duv: 5 decimals; cendrel's cct: as its screen writes it.
class OutputCells {
public:
    OutputCells(Row row, const Rating &rating);
    std::size_t size() const { return count_; }
    std::string_view operator[](std::size_t i) const { return cells_[i]; }

private:
    std::string_view Number(double value, int decimals);
    std::array<std::string_view, 5> cells_{};
    std::size_t count_ = 0;
    std::array<char, 160> buffer_{};
    std::size_t used_ = 0;
};

} // namespace batch
