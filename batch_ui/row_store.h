#pragma once
// The rated rows of a file held in memory for the batch window: all cell
// texts in one arena, and beside them each cell's end within its row (4 bytes
// a cell: a record is at most a few megabytes), so that a hundred thousand
// rows take a few megabytes and no allocation each; a wide file, its text and
// 4 bytes a cell. A row's rating is kept
// without its spectral part (about 100 bytes); a spectral row keeps that part
// beside (about 600 bytes), and its spectrum on the 5 nm bands as float
// (81 × 4 bytes), from which the window draws it and computes its pictures
// again. 100,000 rows of spectra: about 100 MB with their cells; of (x, y):
// about 12 MB and their cells.

#include "batch_reader.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace batchui {

class RowStore {
public:
    void Add(const batch::RatedRow &row);
    // The same from the parts of a row; bands null for a row of (x, y).
    void Add(std::span<const std::string_view> cells, std::uint64_t line, const batch::Rating &rating,
             const colorimetry::Bands *bands = nullptr);
    // Moves every row of other to the end of this one.
    void Append(RowStore &&other);

    std::size_t size() const { return ratings_.size(); }
    std::size_t cellCount(std::size_t row) const { return firstCell_[row + 1] - firstCell_[row]; }
    std::string_view cell(std::size_t row, std::size_t column) const;
    // The row's whole rating, put together again.
    batch::Rating rating(std::size_t row) const;
    // What a table needs often, without copying the rating.
    bool rated(std::size_t row) const { return ratings_[row].rated; }
    int bin(std::size_t row) const { return ratings_[row].bin; }
    int ansi(std::size_t row) const { return ratings_[row].ansi; }
    colorimetry::Xy point(std::size_t row) const { return {ratings_[row].x, ratings_[row].y}; }
    std::uint64_t line(std::size_t row) const { return lines_[row]; }
    std::size_t widestRow() const { return widest_; }

    // The user's bin and the ANSI quadrangle of a row, sorted again.
    void SetBins(std::size_t row, int bin, int ansi)
    {
        ratings_[row].bin = bin;
        ratings_[row].ansi = ansi;
    }

    // Spectral rows: whether any row (this row) holds a spectrum, and its bands.
    bool anySpectrum() const { return !bands_.empty(); }
    bool hasSpectrum(std::size_t row) const { return bandsOf_[row] != kNone; }
    colorimetry::Bands bands(std::size_t row) const;

    // Bytes held, for the benchmark's figures.
    std::size_t bytes() const;

    // One stored row as RowWriter::Write reads it.
    struct Cells {
        const RowStore &store;
        std::size_t row;
        std::size_t cellCount() const { return store.cellCount(row); }
        std::string_view cell(std::size_t i) const { return store.cell(row, i); }
    };

private:
    static constexpr std::uint32_t kNone = 0xffffffffu;
    // Every field of batch::Rating but its spectral part.
    struct Kept {
        bool rated = false;
        std::int32_t steps = 0;
        int ansi = -1;
        int bin = -1;
        double x = 0;
        double y = 0;
        double sdcm = 0;
        double screenCct = 0;
        colorimetry::CctResult exact;
        std::string error;
    };
    void EndRow(std::size_t cells, std::uint64_t line, const batch::Rating &rating,
                const colorimetry::Bands *bands);

    std::string text_;
    std::vector<std::uint32_t> cellEnds_;     // each cell's end from its row's start
    std::vector<std::uint64_t> firstCell_{0}; // one more than the rows
    std::vector<std::uint64_t> rowStart_;     // each row's start in text_
    std::vector<Kept> ratings_;
    std::vector<std::uint32_t> spectralOf_; // per row: its place in spectral_, or kNone
    std::vector<batch::SpectralRating> spectral_;
    std::vector<std::uint64_t> lines_;
    std::vector<std::uint32_t> bandsOf_;    // per row: its place in bands_ / kBandCount, or kNone
    std::vector<float> bands_;              // kBandCount per spectral row
    std::size_t widest_ = 0;
};

} // namespace batchui
