#pragma once
// Measurement files that hold spectra instead of (x, y), as spheres and
// spectrometers export them, after the reader has split them into cells:
//
//   wide:  one row per LED; header cells that name wavelengths ("380",
//          "380nm", "380 nm", "380.0", "380(nm)", "λ380", "Spectral Data
//          380[nm]", "SPEC_380", …) hold its spectrum, every other column
//          (ID, flux, the instrument's own x and y) passes through. Read row
//          by row: memory stays flat.
//   long:  a first column of wavelengths ("波长", "波长(nm)", "Wavelength",
//          "λ/nm", "nm", …) and one column per LED, named by its header;
//          lines of "key: value" metadata may come before the table, and a
//          footer ("Total", "合计", …) may end it. Read whole: a spectrum is
//          known only at the end of the file; its values are kept as the
//          file wrote them in 4 bytes each (CompactValues).
//
// A cell outside the bands every figure uses (380–780 nm) may be blank: an
// instrument's range beyond them left empty is no fault.
//
// CGATS files (SPECTRAL_START_NM, BEGIN_DATA …) are read by cgats_spectra.h.
// Plain C++: no Qt.

#include "alpha_opic.h"
#include "spectrum.h"

#include "failures.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace batch {

// A long file's LEDs and a CGATS file's sets are named in this column where
// the file names them in none.
inline constexpr std::string_view kSampleColumn = "样品";

// True for a wavelength outside the bands every figure uses, where a
// spectrum's cell may be blank.
constexpr bool BlankAllowedAt(double nm)
{
    return nm < colorimetry::kFirstBandNm || nm > colorimetry::kLastBandNm;
}

// ---- Header cells ------------------------------------------------------------

// The wavelength in nm that a header cell names, nullopt when it names
// none. The cell holds one number, and around it at most a unit ("nm",
// "纳米", in brackets or not) and a word before it: a known one ("λ",
// "lambda", "WL", "nm", "spectral", "spectrum" or either cut short, "波长",
// "光谱", …)
// or, when the unit follows the number, any words without digits
// ("Spectral Data 380[nm]", "Irradiance 380 nm"). Full-width forms and any
// blanks are read as ASCII. A number with a unit or a known word counts
// from 100 to 2600 nm; a bare number from 200 to 1100 nm, so that years,
// currents and counts in a header are not taken for wavelengths.
std::optional<double> WavelengthInHeaderCell(std::string_view cell);

// True when the cell names a column of wavelengths: "波长", "波长(nm)",
// "Wavelength", "Wavelength [nm]", "λ/nm", "λ", "nm", "WL", "lambda".
bool NamesWavelengthColumn(std::string_view cell);

// The unit of spectral irradiance or spectral flux a header cell names,
// where it names one: W (or mW, µW, nW) per nm and per area (m², cm², mm²,
// "sqm"), written with a slash, brackets, a dot or exponents —
// "Ee [W/(m²·nm)]", "W/(sqm*nm)", "W/m2/nm", "W·m⁻²·nm⁻¹",
// "µW/(cm^2 nm)" — or W per nm alone for flux ("W/nm", "mW/nm"). Per
// steradian (radiance, intensity) is neither. `rest` is the cell without
// the unit (folded to ASCII where it can be), for the wavelength it may
// also name.
struct UnitInCell {
    colorimetry::RadiometricUnit unit;
    std::string rest;
};
std::optional<UnitInCell> RadiometricUnitIn(std::string_view cell);

// The unit every one of the cells names alike; relative when one names
// none or another.
colorimetry::RadiometricUnit CommonUnit(const std::vector<std::string> &cells,
                                        const std::vector<std::size_t> &columns);

// ---- Wide files --------------------------------------------------------------

// At least this many wavelength columns make a header a spectral one.
inline constexpr std::size_t kLeastWavelengthColumns = 10;

struct WideSpectralLayout {
    std::vector<std::size_t> columns;     // the wavelength columns, in the file's order
    std::vector<double> nm;               // the wavelength of each
    std::vector<std::size_t> passThrough; // every other column, in order
    colorimetry::RadiometricUnit unit;    // what the values are, when every wavelength cell names it
};

// The layout of a wide file from its header's cells; nullopt when fewer
// than kLeastWavelengthColumns cells name wavelengths, or when the first
// cell names a column of wavelengths (a long file). A wavelength cell may
// name the unit of its values besides ("380 nm [W/(m²·nm)]").
std::optional<WideSpectralLayout> RecogniseWideHeader(const std::vector<std::string> &header);

// What is wrong with one cell of a spectrum, in Chinese, naming the column
// (its header) and, where known, the wavelength and the cell's text.
enum class CellProblem { Empty, NotANumber, TooLarge };
std::string SpectralCellText(CellProblem problem, std::string_view column, std::string_view text,
                             std::optional<double> nm = std::nullopt);

// Reads one row's wavelength cells into spectrum (kept from row to row:
// no allocation once it has grown) with read, which turns a cell's text
// into its value and throws entry_rules::NotANumber or Overflow as the
// batch's number rules do. Row is anything with cellCount() and
// cell(i) -> string_view (a record, a rated row); a cell beyond the row's
// end reads as empty. A blank cell where BlankAllowedAt gives no sample.
// Returns the message of the first cell that is not a number, or an empty
// string.
template <typename Row, typename Read>
std::string ReadWideSpectrum(const WideSpectralLayout &layout, const std::vector<std::string> &header,
                             const Row &row, Read &&read, colorimetry::Spectrum &spectrum)
{
    spectrum.clear();
    for (std::size_t i = 0; i < layout.columns.size(); ++i) {
        const std::size_t column = layout.columns[i];
        const std::string_view text = column < row.cellCount() ? row.cell(column) : std::string_view();
        CellProblem problem = CellProblem::Empty;
        if (text.find_first_not_of(" \t") != std::string_view::npos) {
            try {
                const double value = read(text);
                spectrum.nm.push_back(layout.nm[i]);
                spectrum.value.push_back(value);
                continue;
            } catch (const entry_rules::Overflow &) {
                problem = CellProblem::TooLarge;
            } catch (const entry_rules::Failure &) {
                problem = CellProblem::NotANumber;
            }
        } else if (BlankAllowedAt(layout.nm[i])) {
            continue;
        }
        const std::string_view name = column < header.size() ? std::string_view(header[column]) : std::string_view();
        return SpectralCellText(problem, name, text, layout.nm[i]);
    }
    return {};
}

// Whether a row's cells line up with its header's: a cell too many (an
// unquoted "0,35" split in two) or too few moves every value after it to
// another column. Cells the header leaves unnamed at its end may be missing.
bool RowFitsHeader(std::size_t cells, const std::vector<std::string> &header);
// The message for a row that does not, naming its line and both counts.
std::string RowWidthText(std::uint64_t line, std::size_t cells, std::size_t headerCells);

// ---- Long files --------------------------------------------------------------

// A line of metadata before a long file's table: "key: value" or
// "key：value" (split at the first colon, both trimmed). The key holds no
// delimiter (tab, semicolon, comma), does not start with a digit and is at
// most 80 bytes; the value may be empty.
struct MetadataLine {
    std::string_view key;
    std::string_view value;
};
std::optional<MetadataLine> ReadMetadataLine(std::string_view line);

struct LongSpectralLayout {
    std::string wavelengthName;       // the first column's header
    std::vector<std::size_t> columns; // one per LED, in the file's order
    std::vector<std::string> names;   // its header, or "第 N 列" where that is empty
    colorimetry::RadiometricUnit unit; // what the values are, when every LED's header names it
};

// The layout of a long file from its header's cells: the first names a
// column of wavelengths and at least one more follows. nullopt otherwise.
std::optional<LongSpectralLayout> RecogniseLongHeader(const std::vector<std::string> &header);

// Spectrometers often write two header lines: the LEDs' names above, and
// below them the wavelength column's name and each column's unit:
//     ,S-,S+,DL
//     Wavelength [nm],Ee [W/(sqm*nm)],Ee [W/(sqm*nm)],Ee [W/(sqm*nm)]
// or "Wavelength,S-,S+" above "nm,W/m2/nm,W/m2/nm". True when `units`, the
// line under a header, is such a line: its first cell names a column of
// wavelengths (or is "nm" alone), it has no more cells than the names line
// (only blank ones beyond), and none of them holds a number, so that it is
// no row of values.
bool IsUnitsLine(const std::vector<std::string> &names, const std::vector<std::string> &units);
// The layout of a long file from both lines: the LEDs named by the first,
// the wavelength column by the first where it names one, else by the
// second; the unit from the second.
LongSpectralLayout RecogniseTwoLineHeader(const std::vector<std::string> &names, const std::vector<std::string> &units);

// Numbers as a file wrote them, 4 bytes each and exact: a decimal of up to
// eight significant digits (m / 10^k, |m| < 2^26, k ≤ 22) is kept as m and
// k, and gives back the very double it was read as; any other value takes
// 12 bytes. Kept in blocks, so that growing never copies what is held.
class CompactValues {
public:
    void Add(double value);
    void AddBlank(); // a cell with no value
    std::size_t size() const { return size_; }
    // The value at i; false for a blank.
    bool Get(std::size_t i, double &value) const;
    std::size_t bytes() const;

private:
    static constexpr std::size_t kBlock = 1u << 18;
    void Push(std::uint32_t code);
    std::vector<std::unique_ptr<std::uint32_t[]>> blocks_;
    std::size_t size_ = 0;
    std::vector<double> other_; // the values that do not fit 4 bytes
};

// A long table gathered row by row: each row gives one wavelength and one
// value per LED. A cell that is not a number fails its LED (a broken
// wavelength cell fails them all) with a message naming the line and the
// column; the spectra themselves are checked by the colorimetry when they
// are rated. A row whose wavelength cell holds no digit ("Total", "合计")
// ends the table when no row of wavelengths follows it (a footer, noted);
// otherwise it fails every LED. A row with more cells than the header, not
// all blank, fails every LED (RowWidthText); a row with fewer fails the
// LEDs it lacks.
class LongSpectralTable {
public:
    explicit LongSpectralTable(LongSpectralLayout layout);

    // One row of the table, and the line of the file it starts on.
    template <typename Row, typename Read>
    void AddRow(const Row &row, std::uint64_t line, Read &&read)
    {
        if (failed_ == ledCount())
            return;
        double nm = 0;
        const std::string_view nmText = row.cellCount() > 0 ? row.cell(0) : std::string_view();
        if (const std::optional<CellProblem> nmProblem = Convert(nmText, read, nm)) {
            if (nmText.find_first_of("0123456789") == std::string_view::npos)
                EndAt(line, *nmProblem, nmText); // a footer, unless wavelengths follow
            else
                FailAll("第 " + std::to_string(line) + " 行：" + SpectralCellText(*nmProblem, layout_.wavelengthName, nmText));
            return;
        }
        bool beyond = false; // a cell beyond the header's holds something: the LEDs' values moved
        for (std::size_t i = layout_.columns.size() + 1; i < row.cellCount() && !beyond; ++i)
            beyond = row.cell(i).find_first_not_of(" \t") != std::string_view::npos;
        if (end_ || beyond) {
            // The row that was no wavelength stood inside the table, or a
            // cell too many moved the LEDs' values.
            FailAll(end_ ? EndMessage() : RowWidthText(line, row.cellCount(), layout_.columns.size() + 1));
            return;
        }
        nm_.push_back(nm);
        for (std::size_t i = 0; i < layout_.columns.size(); ++i) {
            const std::size_t column = layout_.columns[i];
            const std::string_view text = column < row.cellCount() ? row.cell(column) : std::string_view();
            double value = 0;
            const std::optional<CellProblem> problem = errors_[i].empty() ? Convert(text, read, value) : std::nullopt;
            if (!errors_[i].empty() || (problem == CellProblem::Empty && BlankAllowedAt(nm))) {
                values_.AddBlank();
            } else if (problem) {
                Fail(i, "第 " + std::to_string(line) + " 行：" + SpectralCellText(*problem, layout_.names[i], text, nm));
                values_.AddBlank();
            } else {
                values_.Add(value);
            }
        }
    }
    // Fails every LED in the column or after it that has not failed yet.
    void FailFrom(std::size_t column, const std::string &message);

    const LongSpectralLayout &layout() const { return layout_; }
    std::size_t ledCount() const { return errors_.size(); }
    // The LED's spectrum as read; empty when error(i) is not.
    void Spectrum(std::size_t led, colorimetry::Spectrum &out) const;
    colorimetry::Spectrum spectrum(std::size_t led) const;
    // The message of the LED's first cell that is not a number; empty if none.
    const std::string &error(std::size_t led) const { return errors_[led]; }
    // Where a footer ended the table, in Chinese; empty when none did.
    std::string Note() const;
    std::size_t bytes() const { return values_.bytes() + nm_.capacity() * sizeof(double); }

private:
    template <typename Read>
    static std::optional<CellProblem> Convert(std::string_view text, Read &read, double &value)
    {
        if (text.find_first_not_of(" \t") == std::string_view::npos)
            return CellProblem::Empty;
        try {
            value = read(text);
            return std::nullopt;
        } catch (const entry_rules::Overflow &) {
            return CellProblem::TooLarge;
        } catch (const entry_rules::Failure &) {
            return CellProblem::NotANumber;
        }
    }
    void Fail(std::size_t led, std::string message);
    void FailAll(const std::string &message);
    void EndAt(std::uint64_t line, CellProblem problem, std::string_view text);
    std::string EndMessage() const;

    LongSpectralLayout layout_;
    std::vector<double> nm_;          // each row's wavelength
    CompactValues values_;            // row by row, one a LED
    std::vector<std::string> errors_;
    std::size_t failed_ = 0;
    // The first row whose wavelength cell holds no digit, and the rows from it on.
    struct End {
        std::uint64_t line = 0;
        CellProblem problem = CellProblem::Empty;
        std::string text;
        std::uint64_t rows = 0;
    };
    std::optional<End> end_;
};

} // namespace batch
