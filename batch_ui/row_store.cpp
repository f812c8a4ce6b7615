#include "row_store.h"

namespace batchui {

void RowStore::Add(const batch::RatedRow &row)
{
    const std::size_t count = row.cellCount();
    rowStart_.push_back(text_.size());
    for (std::size_t i = 0; i < count; ++i) {
        text_.append(row.cell(i));
        cellEnds_.push_back(std::uint32_t(text_.size() - rowStart_.back()));
    }
    EndRow(count, row.line, row.rating, row.bands);
}

void RowStore::Add(std::span<const std::string_view> cells, std::uint64_t line, const batch::Rating &rating,
                   const colorimetry::Bands *bands)
{
    rowStart_.push_back(text_.size());
    for (const std::string_view cell : cells) {
        text_.append(cell);
        cellEnds_.push_back(std::uint32_t(text_.size() - rowStart_.back()));
    }
    EndRow(cells.size(), line, rating, bands);
}

void RowStore::EndRow(std::size_t cells, std::uint64_t line, const batch::Rating &rating,
                      const colorimetry::Bands *bands)
{
    firstCell_.push_back(cellEnds_.size());
    ratings_.push_back({rating.rated, rating.steps, rating.ansi, rating.bin, rating.x, rating.y, rating.sdcm,
                        rating.screenCct, rating.exact, rating.error});
    lines_.push_back(line);
    widest_ = std::max(widest_, cells);
    if (rating.spectral.present) {
        spectralOf_.push_back(std::uint32_t(spectral_.size()));
        spectral_.push_back(rating.spectral);
    } else {
        spectralOf_.push_back(kNone);
    }
    if (!bands) {
        bandsOf_.push_back(kNone);
        return;
    }
    bandsOf_.push_back(std::uint32_t(bands_.size() / colorimetry::kBandCount));
    for (const double value : *bands)
        bands_.push_back(float(value));
}

batch::Rating RowStore::rating(std::size_t row) const
{
    const Kept &kept = ratings_[row];
    batch::Rating rating;
    rating.rated = kept.rated;
    rating.error = kept.error;
    rating.x = kept.x;
    rating.y = kept.y;
    rating.steps = kept.steps;
    rating.sdcm = kept.sdcm;
    rating.screenCct = kept.screenCct;
    rating.exact = kept.exact;
    rating.ansi = kept.ansi;
    rating.bin = kept.bin;
    if (spectralOf_[row] != kNone)
        rating.spectral = spectral_[spectralOf_[row]];
    return rating;
}

void RowStore::Append(RowStore &&other)
{
    const std::uint64_t textBase = text_.size();
    const std::uint64_t cellBase = cellEnds_.size();
    const std::uint32_t bandsBase = std::uint32_t(bands_.size() / colorimetry::kBandCount);
    const std::uint32_t spectralBase = std::uint32_t(spectral_.size());
    text_.append(other.text_);
    cellEnds_.insert(cellEnds_.end(), other.cellEnds_.begin(), other.cellEnds_.end());
    for (const std::uint64_t start : other.rowStart_)
        rowStart_.push_back(textBase + start);
    for (std::size_t i = 1; i < other.firstCell_.size(); ++i)
        firstCell_.push_back(cellBase + other.firstCell_[i]);
    for (Kept &rating : other.ratings_)
        ratings_.push_back(std::move(rating));
    lines_.insert(lines_.end(), other.lines_.begin(), other.lines_.end());
    for (const std::uint32_t at : other.bandsOf_)
        bandsOf_.push_back(at == kNone ? kNone : bandsBase + at);
    bands_.insert(bands_.end(), other.bands_.begin(), other.bands_.end());
    for (const std::uint32_t at : other.spectralOf_)
        spectralOf_.push_back(at == kNone ? kNone : spectralBase + at);
    spectral_.insert(spectral_.end(), other.spectral_.begin(), other.spectral_.end());
    widest_ = std::max(widest_, other.widest_);
    other = RowStore();
}

std::string_view RowStore::cell(std::size_t row, std::size_t column) const
{
    const std::uint64_t index = firstCell_[row] + column;
    if (index >= firstCell_[row + 1])
        return {};
    const std::uint32_t begin = column == 0 ? 0 : cellEnds_[index - 1];
    return std::string_view(text_).substr(rowStart_[row] + begin, cellEnds_[index] - begin);
}

colorimetry::Bands RowStore::bands(std::size_t row) const
{
    colorimetry::Bands out{};
    if (!hasSpectrum(row))
        return out;
    const float *from = bands_.data() + std::size_t(bandsOf_[row]) * colorimetry::kBandCount;
    for (std::size_t i = 0; i < colorimetry::kBandCount; ++i)
        out[i] = from[i];
    return out;
}

std::size_t RowStore::bytes() const
{
    std::size_t errors = 0;
    for (const Kept &rating : ratings_)
        errors += rating.error.capacity() > 15 ? rating.error.capacity() + 1 : 0;
    return text_.capacity() + cellEnds_.capacity() * sizeof(std::uint32_t)
           + (firstCell_.capacity() + rowStart_.capacity()) * sizeof(std::uint64_t) + ratings_.capacity() * sizeof(Kept) + errors
           + lines_.capacity() * sizeof(std::uint64_t)
           + (spectralOf_.capacity() + bandsOf_.capacity()) * sizeof(std::uint32_t)
           + spectral_.capacity() * sizeof(batch::SpectralRating) + bands_.capacity() * sizeof(float);
}

} // namespace batchui
