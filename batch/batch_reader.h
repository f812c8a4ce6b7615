#pragma once
// Reads a measurement file from a file descriptor in large blocks and hands
// out its rows one at a time, each rated: the header first, then every row
// that is not blank. Memory stays flat whatever the file's size: one block,
// one record.

#include "columns.h"
#include "record_reader.h"
#include "row_rating.h"
#include "text_decoder.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace batch {

struct ReadOptions {
    Row row = nullptr;
    std::string xColumn = {}; // a header name or 1-based number; empty: found by name
    std::string yColumn = {};
    bool decimalComma = false; // only when the delimiter is not a comma
};

// The file could not be read (an error of the system, not of its text).
class ReadFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a header lacks, for the caller to put in its own words.
enum class HeaderProblem { None, Empty, NoXColumn, NoYColumn, SameColumn };

struct Layout {
    std::vector<std::string> header; // the header's cells, as UTF-8
    std::size_t xColumn = 0;
    std::size_t yColumn = 0;
    char delimiter = ',';
    bool decimalComma = false; // in effect
    Encoding encoding = Encoding::Undecided;
};

// One row as read and rated. Its cells are valid until the next row.
struct RatedRow {
    const RecordReader *record = nullptr;
    std::size_t cellCount() const { return record->cellCount(); }
    std::string_view cell(std::size_t i) const
    {
        return i < record->cellCount() ? record->cell(i) : std::string_view();
    }
    std::uint64_t line = 0; // where it starts in the file, from 1
    Rating rating;
};

class BatchReader {
public:
    // Reads from fd, which stays the caller's.
    explicit BatchReader(int fd, std::size_t blockSize = 1u << 20);

    // Reads the header and finds the columns. Throws ReadFailure.
    HeaderProblem Start(const ReadOptions &options);
    const Layout &layout() const { return layout_; }

    // The next row that is not blank; false at the end. Throws ReadFailure.
    bool Next(RatedRow &row);

    std::uint64_t bytesRead() const { return bytesRead_; }

private:
    bool NextRecord();
    bool Refill();

    int fd_;
    ReadOptions options_;
    Layout layout_;
    TextDecoder decoder_;
    RecordReader records_;
    std::vector<char> block_;
    std::size_t blockFill_ = 0;  // bytes in block_
    std::size_t blockUsed_ = 0;  // of them, decoded
    bool endOfInput_ = false;
    bool finished_ = false;
    std::string_view text_;      // decoded, not yet split
    std::size_t textPos_ = 0;
    std::string rawHeader_;      // the header read whole before the delimiter was known
    std::uint64_t bytesRead_ = 0;
};

// The message for a header problem, in Chinese, naming the header's cells.
std::string HeaderProblemText(HeaderProblem problem, const Layout &layout);

// The messages a record of the file itself gets, beside the screens' ones.
inline constexpr std::string_view kUnclosedQuoteMessage =
    "这一行的引号没有闭合，文件其余的内容都读进了这一行。请检查文件中的引号。";
inline constexpr std::string_view kCutRecordMessage =
    "这一行太长（超过 16 MiB 或 4096 列），只读了它的开头。请检查文件。";

} // namespace batch
