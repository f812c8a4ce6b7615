#include "row_store.h"

namespace batchui {

void RowStore::Add(const batch::RatedRow &row)
{
    const std::size_t count = row.cellCount();
    for (std::size_t i = 0; i < count; ++i) {
        text_.append(row.cell(i));
        cellEnds_.push_back(text_.size());
    }
    firstCell_.push_back(cellEnds_.size());
    ratings_.push_back(row.rating);
    lines_.push_back(row.line);
    widest_ = std::max(widest_, count);
}

void RowStore::Append(RowStore &&other)
{
    const std::uint64_t textBase = text_.size();
    const std::uint64_t cellBase = cellEnds_.size();
    text_.append(other.text_);
    for (const std::uint64_t end : other.cellEnds_)
        cellEnds_.push_back(textBase + end);
    for (std::size_t i = 1; i < other.firstCell_.size(); ++i)
        firstCell_.push_back(cellBase + other.firstCell_[i]);
    for (batch::Rating &rating : other.ratings_)
        ratings_.push_back(std::move(rating));
    lines_.insert(lines_.end(), other.lines_.begin(), other.lines_.end());
    widest_ = std::max(widest_, other.widest_);
    other = RowStore();
}

std::string_view RowStore::cell(std::size_t row, std::size_t column) const
{
    const std::uint64_t index = firstCell_[row] + column;
    if (index >= firstCell_[row + 1])
        return {};
    const std::uint64_t begin = index == 0 ? 0 : cellEnds_[index - 1];
    return std::string_view(text_).substr(begin, cellEnds_[index] - begin);
}

} // namespace batchui
