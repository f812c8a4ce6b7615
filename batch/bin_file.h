#pragma once
// A bin file: the user's own bins, one per row. CSV or TSV (or semicolons),
// UTF-8 or GBK, read with the measurement files' rules (encoding, delimiter
// and quotes found the same way). Each row holds a bin's name, then the x
// and y of three or more corners in order around it:
//
//   名称,x1,y1,x2,y2,x3,y3,x4,y4
//   A1,0.4813,0.4319,0.4687,0.4289,0.4483,0.3919,0.4593,0.3944
//
// The first row is a header when none of its cells after the first is a
// number. Blank rows are skipped, and so are empty cells at a row's end; a
// last corner equal to the first closes the polygon and counts once.

#include "bins.h"
#include "text_decoder.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace batch {

// A bin file larger than this is refused: bins are a few kilobytes.
inline constexpr std::size_t kLargestBinFile = 64u << 20;
// Corners beyond this in x or y are refused (chromaticities lie in 0…1).
inline constexpr double kLargestCornerCoordinate = 10;

// A row that is not a bin, or a file without bins: the line (from 1; 0 for
// the whole file) and what is wrong, in Chinese; what() gives both:
// "第 4 行：分档“A3”的边 1–2 与边 3–4 相交，…".
class BinFileError : public std::runtime_error {
public:
    BinFileError(std::uint64_t line, const std::string &reason);
    std::uint64_t line() const { return line_; }
    const std::string &reason() const { return reason_; }

private:
    std::uint64_t line_;
    std::string reason_;
};

struct BinFile {
    colorimetry::BinSet bins;        // in the file's order
    std::vector<std::uint64_t> lines; // the line of each bin in the file
    bool header = false;
    char delimiter = ',';
    Encoding encoding = Encoding::Undecided;
};

// Reads a bin file from fd, which stays the caller's. decimalComma: a comma
// inside a number stands for the decimal point (only when the delimiter is
// not a comma). Throws ReadFailure (batch_reader.h) when the system cannot
// read the file, BinFileError for the first row that is not a bin.
BinFile ReadBinFile(int fd, bool decimalComma = false);

} // namespace batch
