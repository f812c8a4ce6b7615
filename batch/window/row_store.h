#pragma once
// The rated rows of a file held in memory for the batch window: all cell
// texts in one arena, offsets beside them, so that a hundred thousand rows
// take a few megabytes and no allocation each.

#include "batch_reader.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace batchui {

class RowStore {
public:
    void Add(const batch::RatedRow &row);
    // Moves every row of other to the end of this one.
    void Append(RowStore &&other);

    std::size_t size() const { return ratings_.size(); }
    std::size_t cellCount(std::size_t row) const { return firstCell_[row + 1] - firstCell_[row]; }
    std::string_view cell(std::size_t row, std::size_t column) const;
    const batch::Rating &rating(std::size_t row) const { return ratings_[row]; }
    std::uint64_t line(std::size_t row) const { return lines_[row]; }
    std::size_t widestRow() const { return widest_; }

    // One stored row as RowWriter::Write reads it.
    struct Cells {
        const RowStore &store;
        std::size_t row;
        std::size_t cellCount() const { return store.cellCount(row); }
        std::string_view cell(std::size_t i) const { return store.cell(row, i); }
    };

private:
    std::string text_;
    std::vector<std::uint64_t> cellEnds_;
    std::vector<std::uint64_t> firstCell_{0}; // one more than the rows
    std::vector<batch::Rating> ratings_;
    std::vector<std::uint64_t> lines_;
    std::size_t widest_ = 0;
};

} // namespace batchui
