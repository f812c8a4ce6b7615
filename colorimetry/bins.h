#pragma once
// Bins: named regions of the chromaticity plane that LEDs are sorted into,
// each a simple polygon. A point belongs to the first bin, in the given
// order, that holds it inside or on its edge; so where bins overlap or share
// an edge, the earlier one takes the point, exactly.
//
// Looking a point up goes through a uniform grid over the bins: each cell
// lists, in order, the bins that reach into it, up to the first that covers
// it whole; a cell that one bin covers first, or none reaches, has its
// answer ready. So a lookup tests a few polygons at most, whatever the
// number of bins.

#include "polygon.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace colorimetry {

struct Bin {
    std::string name;
    std::vector<Xy> corners; // a simple polygon, in order around it, either way
};

// Pairs of bins whose insides overlap (indexes, first < second, ascending),
// and whether every pair was examined within the work allowed.
struct BinOverlaps {
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    bool complete = true;
};

inline constexpr int kNoBin = -1;

class BinSet {
public:
    BinSet() = default; // no bins: every point is in none

    // The bins in their order. Throws std::invalid_argument when a bin is
    // not a simple polygon (CheckSimplePolygon first to tell the user why).
    explicit BinSet(std::vector<Bin> bins);

    std::size_t size() const { return bins_.size(); }
    bool empty() const { return bins_.empty(); }
    const std::vector<Bin> &bins() const { return bins_; }
    const Bin &operator[](std::size_t i) const { return bins_[i]; }

    // The index of the first bin holding p, inside or on its edge; kNoBin
    // when none does (and for a point that is not finite). Exact.
    int Find(Xy p) const;

    // Which bins overlap. The pairs whose boxes overlap are found through a
    // tree of the boxes (about n log n for bins that meet few others), then
    // compared corner by corner; work counts corner pairs compared, and the
    // search stops (not complete) beyond it.
    BinOverlaps FindOverlaps(std::uint64_t work = 400'000'000) const;

private:
    std::span<const Xy> CornersOf(std::size_t i) const
    {
        return std::span(corners_).subspan(first_[i], first_[i + 1] - first_[i]);
    }
    int FindAmong(std::size_t cell, Xy p) const; // the bins listed for the cell
    std::uint32_t Column(double x) const;
    std::uint32_t GridRow(double y) const;
    void BuildGrid();

    std::vector<Bin> bins_;
    std::vector<Xy> corners_;            // every bin's corners, one after the other
    std::vector<std::uint32_t> first_;   // bin i's corners start at first_[i]
    std::vector<XyBox> boxes_;
    XyBox all_;                          // holds no point until there are bins
    std::uint32_t columns_ = 1, rows_ = 1;
    double perX_ = 0, perY_ = 0;         // cells per unit
    std::vector<std::uint32_t> cellStart_; // cell c lists cellBins_[cellStart_[c] … cellStart_[c + 1])
    std::vector<std::uint32_t> cellBins_;
    std::vector<int> cellAnswer_;          // the cell's answer, or kAskBins to test its list
    static constexpr int kAskBins = -2;
};

} // namespace colorimetry
