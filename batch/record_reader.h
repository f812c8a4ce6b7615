#pragma once
// Splits decoded text into records and cells the way spreadsheets write
// delimited text: cells in double quotes may hold the delimiter, line ends
// and doubled quotes; a record ends at LF, CRLF or a lone CR. Text arrives in
// blocks, and a record may span any number of them.
//
// A record longer than kMaxRecordBytes, or with more than kMaxCells cells,
// is cut there (the rest of it is skipped) and marked, so that a file
// without line ends cannot take all the memory.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace batch {

inline constexpr std::size_t kMaxRecordBytes = 16u << 20;
inline constexpr std::size_t kMaxCells = 4096;

class RecordReader {
public:
    // The delimiter between cells; 0 reads each record as one cell and keeps
    // its quotes (for looking at a header before the delimiter is known).
    void SetDelimiter(char delimiter) { delimiter_ = delimiter; }
    char delimiter() const { return delimiter_; }

    // Reads on from text[pos]; true when a record is complete, with pos just
    // after it; false when the text is used up (pos == size) in the middle
    // of a record or between records.
    bool Take(std::string_view text, std::size_t &pos);
    // At the end of the input: completes the record in progress, if any.
    bool Finish();

    std::size_t cellCount() const { return ends_.size(); }
    std::string_view cell(std::size_t i) const
    {
        const std::uint32_t begin = i == 0 ? 0 : ends_[i - 1];
        return std::string_view(text_).substr(begin, ends_[i] - begin);
    }
    // True when every cell is empty or blanks only (such a record is skipped).
    bool blank() const;
    // The record was cut at kMaxRecordBytes or kMaxCells.
    bool cut() const { return cut_; }
    // No cell was quoted or holds a quote or NUL: none needs quotes when
    // written again with the same delimiter.
    bool plain() const { return plain_; }
    // The input ended inside a quoted cell.
    bool unclosedQuote() const { return unclosedQuote_; }
    // The line on which the record starts, from 1.
    std::uint64_t line() const { return recordLine_; }

private:
    enum class State { RecordStart, CellStart, Plain, Quoted, QuoteInQuoted };
    void Append(std::string_view run);
    void EndCell();
    bool EndRecord();

    char delimiter_ = ',';
    State state_ = State::RecordStart;
    bool skipLineFeed_ = false; // a CR ended the last record: an LF after it belongs to it
    bool cut_ = false;
    bool unclosedQuote_ = false;
    bool plain_ = true;
    bool completed_ = false; // the record last returned; the next Take starts afresh
    std::uint64_t line_ = 1;
    std::uint64_t recordLine_ = 1;
    std::string text_;
    std::vector<std::uint32_t> ends_;
    std::array<bool, 256> stops_{}; // what ends a run of plain text
    char stopsFor_ = 0;             // the delimiter stops_ was made for
};

} // namespace batch
