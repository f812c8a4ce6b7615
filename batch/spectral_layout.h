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
//          lines of "key: value" metadata may come before the table. Read
//          whole: a spectrum is known only at the end of the file.
//
// CGATS files (SPECTRAL_START_NM, BEGIN_DATA …) are read by cgats_spectra.h.
// Plain C++: no Qt.

#include "spectrum.h"

#include "failures.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace batch {

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

// ---- Wide files --------------------------------------------------------------

// At least this many wavelength columns make a header a spectral one.
inline constexpr std::size_t kLeastWavelengthColumns = 10;

struct WideSpectralLayout {
    std::vector<std::size_t> columns;     // the wavelength columns, in the file's order
    std::vector<double> nm;               // the wavelength of each
    std::vector<std::size_t> passThrough; // every other column, in order
};

// The layout of a wide file from its header's cells; nullopt when fewer
// than kLeastWavelengthColumns cells name wavelengths, or when the first
// cell names a column of wavelengths (a long file).
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
// end reads as empty. Returns the message of the first cell that is not a
// number, or an empty string.
template <typename Row, typename Read>
std::string ReadWideSpectrum(const WideSpectralLayout &layout, const std::vector<std::string> &header,
                             const Row &row, Read &&read, colorimetry::Spectrum &spectrum)
{
    spectrum.nm.assign(layout.nm.begin(), layout.nm.end());
    spectrum.value.resize(layout.columns.size());
    for (std::size_t i = 0; i < layout.columns.size(); ++i) {
        const std::size_t column = layout.columns[i];
        const std::string_view text = column < row.cellCount() ? row.cell(column) : std::string_view();
        const std::string_view name = column < header.size() ? std::string_view(header[column]) : std::string_view();
        CellProblem problem = CellProblem::Empty;
        if (text.find_first_not_of(" \t") != std::string_view::npos) {
            try {
                spectrum.value[i] = read(text);
                continue;
            } catch (const entry_rules::Overflow &) {
                problem = CellProblem::TooLarge;
            } catch (const entry_rules::Failure &) {
                problem = CellProblem::NotANumber;
            }
        }
        return SpectralCellText(problem, name, text, layout.nm[i]);
    }
    return {};
}

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
};

// The layout of a long file from its header's cells: the first names a
// column of wavelengths and at least one more follows. nullopt otherwise.
std::optional<LongSpectralLayout> RecogniseLongHeader(const std::vector<std::string> &header);

// A long table gathered row by row: each row gives one wavelength and one
// value per LED. A cell that is not a number fails its LED (the wavelength
// cell fails them all) with a message naming the line and the column; the
// spectra themselves are checked by the colorimetry when they are rated.
class LongSpectralTable {
public:
    explicit LongSpectralTable(LongSpectralLayout layout);

    // One row of the table, and the line of the file it starts on.
    template <typename Row, typename Read>
    void AddRow(const Row &row, std::uint64_t line, Read &&read)
    {
        double nm = 0;
        const std::string_view nmText = row.cellCount() > 0 ? row.cell(0) : std::string_view();
        const std::optional<CellProblem> nmProblem = Convert(nmText, read, nm);
        if (nmProblem) {
            FailAll(line, *nmProblem, nmText);
            return;
        }
        for (std::size_t i = 0; i < layout_.columns.size(); ++i) {
            if (!errors_[i].empty())
                continue;
            const std::size_t column = layout_.columns[i];
            const std::string_view text = column < row.cellCount() ? row.cell(column) : std::string_view();
            double value = 0;
            if (const std::optional<CellProblem> problem = Convert(text, read, value)) {
                Fail(i, line, *problem, text, nm);
                continue;
            }
            spectra_[i].nm.push_back(nm);
            spectra_[i].value.push_back(value);
        }
    }

    const LongSpectralLayout &layout() const { return layout_; }
    std::size_t ledCount() const { return spectra_.size(); }
    // The LED's spectrum as read; meaningful when error(i) is empty.
    const colorimetry::Spectrum &spectrum(std::size_t i) const { return spectra_[i]; }
    // The message of the LED's first cell that is not a number; empty if none.
    const std::string &error(std::size_t i) const { return errors_[i]; }

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
    void Fail(std::size_t led, std::uint64_t line, CellProblem problem, std::string_view text,
              std::optional<double> nm);
    void FailAll(std::uint64_t line, CellProblem problem, std::string_view text);

    LongSpectralLayout layout_;
    std::vector<colorimetry::Spectrum> spectra_;
    std::vector<std::string> errors_;
};

} // namespace batch
