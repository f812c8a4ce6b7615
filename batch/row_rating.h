#pragma once
// Rating one row of a measurement file exactly as a screen rates the same
// two texts typed into its entries and "计 算" pressed: the same number, or
// the very message the screen would show. Beside the screen's number stand
// the exact CCT and Duv and, for ambrix, the standard's decimal SDCM.

#include "colorimetry.h"
#include "bins.h"
#include "ellipse.h"
#include "spectral_figures.h"
#include "tm30.h"

#include <array>
#include <cstdint>
#include <memory>
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
    bool defined = false;         // every figure holds
    bool fidelityDefined = false; // rf holds (also at the lowest CCTs, where a hue bin is empty)
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

// Empties a rating: not rated, no message, no figures of a point.
void ClearRating(Rating &rating);

// Rates a point already read, exactly as RateRow rates the same numbers.
void RatePoint(Row row, double x, double y, Rating &rating);

// Rates a measured spectrum: its figures and TM-30 (computed on bands,
// which it fills), and its (x, y) as RatePoint rates a point. A spectrum
// that cannot be rated fails the row with its message, naming the
// wavelength. When the point was rated already (the file's own x and y
// chosen by the user), only the spectrum's figures are added. Never throws.
void RateSpectrum(Row row, const colorimetry::Spectrum &spectrum, bool pointRated,
                  colorimetry::Bands &bands, Rating &rating);

// A cell's number by the batch's rules (the screens' number rules; with
// decimalComma a comma stands for the point). Throws entry_rules::NotANumber
// or Overflow naming the cell's text.
double ReadNumberCell(std::string_view text, bool decimalComma);

// Which columns a rating adds: those of the program (row), a spectrum's
// figures when the file holds spectra, the 16 TM-30 hue bins on request,
// the user's bin when bins were given. From a Row alone: a file of (x, y)
// without bins.
struct OutputColumns {
    Row row = nullptr;
    bool spectral = false;
    bool tm30Bins = false;
    bool alphaOpic = false; // all five α-opic DERs and ELRs, not the melanopic ones alone
    // What the spectra's values are: absolute ones add their photometric
    // and radiometric figures.
    colorimetry::RadiometricUnit unit;
    std::shared_ptr<const colorimetry::BinSet> bins = nullptr; // names the bin column's cells
    OutputColumns() = default;
    OutputColumns(Row r) : row(r) {} // NOLINT: a Row names the plain columns
};

// The names of the columns a rating adds, in this order:
//   spectrum_x, spectrum_y                         (spectral files)
//   steps, sdcm, cct, duv                          (ambrix)
//   cct, cct_exact, duv                            (cendrel)
//   ra, r1 … r15, peak_nm, fwhm_nm, ler, rf, rg,   (spectral files)
//   rcs_h1, or with the hue bins rf_h1 … rf_h16 and rcs_h1 … rcs_h16
//   mel_der, mel_elr, or with alphaOpic            (spectral files)
//   sc_der … mel_der and sc_elr … mel_elr,
//   k_bv
//   ev_lx, mel_edi_lx, e_b                         (spectral irradiance)
//   phi_lm                                         (spectral flux)
//   ansi                                           (always)
//   bin                                            (with bins)
//   error                                          (always the last)
std::span<const std::string_view> OutputNames(const OutputColumns &columns);

// The most columns a rating adds.
inline constexpr std::size_t kMostOutputColumns =
    2 + 4 + 16 + 3 + 2 + 2 * colorimetry::kHueBinCount + 2 * colorimetry::kAlphaOpicCount + 1 + 3 + 3;

// The cells a rating adds, in the order of OutputNames; numbers are empty
// where there is none (a failed row; a CCT that is not defined; an index
// that is not defined). Every number is finite.
//   steps: whole; sdcm: 4 decimals; cct, cct_exact: 1 decimal (kelvin);
//   duv: 5 decimals; cendrel's cct: as its screen writes it;
//   spectrum_x, spectrum_y: 6 decimals; ra, r1 … r15, rf, rg, rf_hj,
//   rcs_hj (percent): 2 decimals; peak_nm, fwhm_nm, ler (lm/W): 1 decimal;
//   the DERs, the ELRs (mW/lm) and k_bv (mW/lm): 4 decimals; ev_lx,
//   mel_edi_lx (lx) and phi_lm (lm): 3 decimals; e_b (W/m²): 6 decimals;
//   ansi: the quadrangle's nominal CCT ("4000K") or empty; bin: its name.
class OutputCells {
public:
    OutputCells(const OutputColumns &columns, const Rating &rating);
    std::size_t size() const { return count_; }
    std::string_view operator[](std::size_t i) const { return {cells_[i].data, cells_[i].size}; }

private:
    std::string_view Number(double value, int decimals);
    std::string_view Whole(std::int64_t value);
    void Add(std::string_view cell) { cells_[count_++] = {cell.data(), cell.size()}; }
    // Left uninitialised: a row's cells are written before they are read.
    struct Cell {
        const char *data;
        std::size_t size;
    };
    std::array<Cell, kMostOutputColumns> cells_;
    std::size_t count_ = 0;
    std::array<char, 2048> buffer_;
    std::size_t used_ = 0;
};

} // namespace batch
