#include "row_rater.h"

#include "vector_state.h"

#include "ansi_quadrangles.h"
#include "failures.h"

#include <cmath>

namespace batch {

namespace {

bool Blank(std::string_view cell)
{
    return cell.find_first_not_of(" \t") == std::string_view::npos;
}

} // namespace

RowRater::RowRater(const Layout &layout, const ReadOptions &options, std::optional<WideSpectralLayout> wide)
    : options_(options), spectral_(layout.spectral), header_(layout.header), wide_(std::move(wide)),
      xColumn_(layout.xColumn), yColumn_(layout.yColumn), decimalComma_(layout.decimalComma),
      fileXy_(layout.fileXy), ratesFileXy_(layout.ratesFileXy)
{
}

void RowRater::ReadFileXy(RatedRow &row) const
{
    SpectralRating &spectral = row.rating.spectral;
    spectral.fileXy = false;
    if (!fileXy_)
        return;
    const std::string_view xText = row.cell(xColumn_), yText = row.cell(yColumn_);
    if (Blank(xText) || Blank(yText))
        return; // a point without both: nothing to compare
    try {
        const double x = ReadNumberCell(xText, decimalComma_);
        const double y = ReadNumberCell(yText, decimalComma_);
        spectral.fileXy = std::isfinite(x) && std::isfinite(y);
        spectral.fileX = x;
        spectral.fileY = y;
    } catch (const entry_rules::Failure &) {
        // The instrument's own numbers pass through as they are.
    }
}

void RowRater::RateSpectralRow(RatedRow &row, std::string_view problem, colorimetry::Bands &bands) const
{
    Rating &rating = row.rating;
    rating.spectral = {};
    rating.spectral.present = true;
    row.bands = nullptr;
    if (!problem.empty()) {
        // A cell that is not a number: no spectrum was read.
        ClearRating(rating);
        rating.error = problem;
        rating.spectral.figures.check.problem = colorimetry::SpectrumProblem::Empty;
        row.spectrum = nullptr;
        ReadFileXy(row);
        return;
    }
    bool pointRated = false;
    if (ratesFileXy_) {
        RateRow(options_.row, row.cell(xColumn_), row.cell(yColumn_), decimalComma_, rating);
        pointRated = true;
    }
    ReadFileXy(row);
    if (pointRated && !rating.rated) {
        // The chosen x or y failed the row; the spectrum is still shown.
        rating.spectral.figures = colorimetry::FiguresOf(*row.spectrum);
        return;
    }
    RateSpectrum(options_.row, *row.spectrum, pointRated, bands, rating);
    if (rating.spectral.figures.ok())
        row.bands = &bands;
}

void RowRater::Rate(RatedRow &row, const ReadFacts &facts, colorimetry::Spectrum &spectrum,
                    colorimetry::Bands &bands) const
{
    ClearUpperVectorState();
    row.bands = nullptr;
    if (spectral_ == SpectralKind::Long || spectral_ == SpectralKind::Cgats || spectral_ == SpectralKind::Spdx) {
        row.spectrum = facts.spectrumRead ? &spectrum : nullptr;
        RateSpectralRow(row, facts.problem, bands);
    } else if (wide_) {
        auto read = [&](std::string_view text) { return ReadNumberCell(text, decimalComma_); };
        const std::string problem = RowFitsHeader(row.cellCount(), header_)
                                        ? ReadWideSpectrum(*wide_, header_, row, read, spectrum)
                                        : RowWidthText(row.line, row.cellCount(), header_.size());
        row.spectrum = &spectrum;
        RateSpectralRow(row, problem, bands);
    } else {
        row.spectrum = nullptr;
        RateRow(options_.row, row.cell(xColumn_), row.cell(yColumn_), decimalComma_, row.rating);
    }
    if (facts.fault != ReadFacts::Fault::None) {
        ClearRating(row.rating);
        row.rating.error = facts.fault == ReadFacts::Fault::UnclosedQuote ? UnclosedQuoteMessage(facts.quoteLine)
                           : facts.fault == ReadFacts::Fault::Cut        ? CutRecordMessage()
                                                                          : std::string(facts.problem);
    }
    Rating &rating = row.rating;
    if (rating.rated) {
        const colorimetry::Xy point{rating.x, rating.y};
        if (const colorimetry::AnsiQuadrangle *q = colorimetry::AnsiQuadrangleOf(point))
            rating.ansi = int(q - colorimetry::AnsiQuadrangles().data());
        if (options_.bins)
            rating.bin = options_.bins->Find(point);
    }
}

} // namespace batch
