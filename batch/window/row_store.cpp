#include "row_store.h"

namespace batchui {

void RowStore::Add(const batch::RatedRow &row)
{
    const std::size_t count = row.cellCount();
    for (std::size_t i = 0; i < count; ++i) {
        text_.append(row.cell(i));
        cellEnds_.push_back(text_.size());
    }
    EndRow(count, row.line, row.rating, row.bands);
}

void RowStore::Add(std::span<const std::string_view> cells, std::uint64_t line, const batch::Rating &rating,
                   const colorimetry::Bands *bands)
{
    for (const std::string_view cell : cells) {
        text_.append(cell);
        cellEnds_.push_back(text_.size());
    }
    EndRow(cells.size(), line, rating, bands);
}

void RowStore::EndRow(std::size_t cells, std::uint64_t line, const batch::Rating &rating,
                      const colorimetry::Bands *bands)
{
    firstCell_.push_back(cellEnds_.size());
    ratings_.push_back(rating);
    lines_.push_back(line);
    widest_ = std::max(widest_, cells);
    if (!bands) {
        spectrumOf_.push_back(kNoSpectrum);
        return;
    }
    spectrumOf_.push_back(std::uint32_t(bands_.size() / colorimetry::kBandCount));
    for (const double value : *bands)
        bands_.push_back(float(value));
}

void RowStore::Append(RowStore &&other)
{
    const std::uint64_t textBase = text_.size();
    const std::uint64_t cellBase = cellEnds_.size();
    const std::uint32_t spectrumBase = std::uint32_t(bands_.size() / colorimetry::kBandCount);
    text_.append(other.text_);
    for (const std::uint64_t end : other.cellEnds_)
        cellEnds_.push_back(textBase + end);
    for (std::size_t i = 1; i < other.firstCell_.size(); ++i)
        firstCell_.push_back(cellBase + other.firstCell_[i]);
    for (batch::Rating &rating : other.ratings_)
        ratings_.push_back(std::move(rating));
    lines_.insert(lines_.end(), other.lines_.begin(), other.lines_.end());
    for (const std::uint32_t at : other.spectrumOf_)
        spectrumOf_.push_back(at == kNoSpectrum ? kNoSpectrum : spectrumBase + at);
    bands_.insert(bands_.end(), other.bands_.begin(), other.bands_.end());
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

colorimetry::Bands RowStore::bands(std::size_t row) const
{
    colorimetry::Bands out{};
    if (!hasSpectrum(row))
        return out;
    const float *from = bands_.data() + std::size_t(spectrumOf_[row]) * colorimetry::kBandCount;
    for (std::size_t i = 0; i < colorimetry::kBandCount; ++i)
        out[i] = from[i];
    return out;
}

std::size_t RowStore::bytes() const
{
    std::size_t errors = 0;
    for (const batch::Rating &rating : ratings_)
        errors += rating.error.capacity() > 15 ? rating.error.capacity() + 1 : 0;
    return text_.capacity() + cellEnds_.capacity() * sizeof(std::uint64_t)
           + firstCell_.capacity() * sizeof(std::uint64_t) + ratings_.capacity() * sizeof(batch::Rating)
           + errors + lines_.capacity() * sizeof(std::uint64_t)
           + spectrumOf_.capacity() * sizeof(std::uint32_t) + bands_.capacity() * sizeof(float);
}

} // namespace batchui
