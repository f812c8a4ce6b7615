#pragma once
// The summary of a batch: rows, rated, failed; for a row of the ellipse
// table also the largest and mean steps and the share within 1, 2, 3, 5 and
// 7 steps (and, with a limit, how many rows are beyond it).

#include "batch_reader.h"
#include "row_rating.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace batch {

class Summary {
public:
    explicit Summary(Row row, std::optional<int> maxSteps = std::nullopt)
        : row_(row), maxSteps_(maxSteps)
    {
    }
    void Add(const Rating &rating);
    // What the reading found beside the rows (undecodable bytes, a column
    // that names a coordinate as plainly as the one used), as it stands.
    void SetReading(const Layout &layout);

    std::uint64_t rows() const { return rows_; }
    std::uint64_t rated() const { return rated_; }
    std::uint64_t failed() const { return rows_ - rated_; }
    std::uint64_t beyond() const { return beyond_; }
    // Every row rated, none beyond the limit, and every byte decoded.
    bool allGood() const { return failed() == 0 && beyond_ == 0 && undecodable_ == 0; }

    // Lines of text for people, each ending in a line feed.
    std::string Text() const;
    // The same on one line, for a window's status.
    std::string Line() const;

    static constexpr std::array<int, 5> kWithin{1, 2, 3, 5, 7};

private:
    Row row_;
    std::optional<int> maxSteps_;
    std::uint64_t rows_ = 0;
    std::uint64_t rated_ = 0;
    std::uint64_t beyond_ = 0;
    std::int32_t largest_ = 0;
    double stepSum_ = 0;
    std::array<std::uint64_t, 5> within_{};
    double lowestCct_ = 0; // cendrel: the screens' numbers
    double highestCct_ = 0;
    std::uint64_t undecodable_ = 0;
    std::string readingNotes_;
};

} // namespace batch
