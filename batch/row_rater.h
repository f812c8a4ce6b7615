#pragma once
// Rating one row as read: a pure function of the row's cells (or its
// spectrum, read with the file), what the header said and the options. A
// rater holds a copy of all it needs and no state between rows, so that a
// thread rates with a rater of its own and every thread gives the same row
// the same rating.

#include "batch_reader.h"

#include <optional>
#include <string>
#include <vector>

namespace batch {

class RowRater {
public:
    RowRater(const Layout &layout, const ReadOptions &options, std::optional<WideSpectralLayout> wide);

    // Rates row, whose cells, line and (facts.spectrumRead) spectrum are
    // set. A wide file's row has its spectrum read from its cells into
    // spectrum; a spectral row's bands go to bands. row.spectrum and
    // row.bands then point at them, or are null where there are none.
    void Rate(RatedRow &row, const ReadFacts &facts, colorimetry::Spectrum &spectrum,
              colorimetry::Bands &bands) const;

private:
    void RateSpectralRow(RatedRow &row, std::string_view problem, colorimetry::Bands &bands) const;
    void ReadFileXy(RatedRow &row) const;

    ReadOptions options_;
    SpectralKind spectral_;
    std::vector<std::string> header_;
    std::optional<WideSpectralLayout> wide_;
    std::size_t xColumn_;
    std::size_t yColumn_;
    bool decimalComma_;
    bool fileXy_;
    bool ratesFileXy_;
};

} // namespace batch
