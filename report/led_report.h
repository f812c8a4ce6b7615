#pragma once
// What one LED's report page shows, gathered from a rated row of a batch
// as it passes, so that a report never reads a file again to draw a page:
// the sample's name and place in the file, its point and every figure of
// its rating, its spectrum on the 5 nm bands, or the row's message.

#include "batch_reader.h"
#include "sample_name.h"
#include "tm30.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace report {

// What every page of one report shares: where the rows come from, what
// they are rated for, and when.
struct ReportContext {
    std::string source;                  // the file's name as the user gave it
    batch::Row target = nullptr;         // the standard and CCT row; null: cendrel (CCT only)
    std::shared_ptr<const colorimetry::BinSet> bins; // the user's bins, when loaded
    std::string date;                    // "2026-12-09 17:30"
};

struct LedReport {
    std::string name;        // the sample's name (SampleName), or "第 N 行"
    std::uint64_t line = 0;  // where the row's data begin in its file
    std::string error;       // the row's message; empty when rated (no figure holds otherwise)

    colorimetry::Xy xy;             // the point rated (a spectrum's own, for a spectral row)
    std::optional<colorimetry::Xy> fileXy; // a spectral row: the instrument's x and y from the file
    colorimetry::UvPrime uvPrime;
    colorimetry::CctResult cct;     // exact CCT and Duv
    std::optional<int> steps;       // ambrix: the screens' number
    std::optional<double> sdcm;     // ambrix: the standard's SDCM
    std::optional<double> screenCct; // cendrel: the screen's number
    std::string ansi;               // the ANSI quadrangle ("4000K"), empty: none
    std::string bin;                // the user's bin, empty: none (or no bins loaded)

    // A row that held a spectrum adds these.
    bool spectral = false;
    colorimetry::ColourRendering rendering;
    std::string renderingNote;      // why the indices are undefined or not meaningful
    batch::Tm30Figures tm30Figures; // the row's Rf, Rg, Rcs,hj, as its columns give them
    colorimetry::Tm30Result tm30;   // computed again from the bands, for the colour vector graphic
    double peakNm = 0;             // NaN: the largest sample lies at the window's edge, edgeNm
    double edgeNm = 0;
    std::optional<double> fwhmNm;
    double ler = 0;
    colorimetry::LightAndHealth health; // α-opic and blue-light hazard (CIE S 026, IEC 62471)
    colorimetry::RadiometricUnit unit;  // what the spectrum's values are (absolute: Ev, EDI)
    colorimetry::Bands bands{};     // the spectrum on the 5 nm bands

    bool rated() const { return error.empty(); }
};

// The report input of a rated (or failed) row.
LedReport LedReportOf(const batch::RatedRow &row, const batch::Layout &layout, const ReportContext &context);

} // namespace report
