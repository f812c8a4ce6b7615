#pragma once
// Splits decoded text into records and cells the way spreadsheets write
// delimited text: cells in double quotes may hold the delimiter, line ends
// and doubled quotes; a record ends at LF, CRLF or a lone CR. Text arrives in
// blocks, and a record may span any number of them.
//
// A record longer than kMaxRecordBytes, or with more than kMaxCells cells,
// is cut there (the rest of it is skipped) and marked, so that a file
// without line ends cannot take all the memory.
//
// A quote that is never closed would swallow the rest of the file. So the
// text after the first line end inside a quoted cell is kept (up to
// kMaxRecordBytes) until the quote closes; when it does not (the input ends,
// the kept text reaches the limit, or the closing quote is followed by
// something other than a delimiter or a line end), the record ends at the
// line where the quote opened, is marked, and the kept text is read again
// as the records that follow: no other line is lost.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace batch {

inline constexpr std::size_t kMaxRecordBytes = 4u << 20;
inline constexpr std::size_t kMaxCells = 1u << 16;

class RecordReader {
public:
    // The delimiter between cells; 0 reads each record as one cell and keeps
    // its quotes (for looking at a header before the delimiter is known).
    void SetDelimiter(char delimiter) { delimiter_ = delimiter; }
    char delimiter() const { return delimiter_; }

    // Reads on from text[pos]; true when a record is complete, with pos just
    // after it (or where it was, when kept text is read again first); false
    // when the text is used up (pos == size) in the middle of a record or
    // between records.
    bool Take(std::string_view text, std::size_t &pos);
    // At the end of the input: completes the record in progress, if any.
    // Call Take and Finish again until Finish gives false: kept text may
    // give more records.
    bool Finish();
    // Between records (nothing held, nothing to read again): the whole
    // lines from text[pos] on that hold no quote, up to maxLines line feeds
    // and maxBytes bytes, pos moved past them, and in firstLine the line
    // the first stands on; empty when there are none. Another RecordReader
    // with the same delimiter, reading them from their start, gives the
    // records Take would have given (its lines counted from 1).
    std::string_view TakeLines(std::string_view text, std::size_t &pos, std::size_t maxLines,
                               std::size_t maxBytes, std::uint64_t &firstLine);

    std::size_t cellCount() const { return ends_.size(); }
    std::string_view cell(std::size_t i) const
    {
        const std::uint32_t begin = i == 0 ? 0 : ends_[i - 1] + gap_;
        return std::string_view(text_.data() + begin, ends_[i] - begin);
    }
    // The cells joined by the delimiter, as the line stood, where the record
    // was a line of plain cells taken whole; empty otherwise.
    std::string_view plainLine() const { return gap_ ? std::string_view(text_) : std::string_view(); }
    // True when every cell is empty or blanks only (such a record is skipped).
    bool blank() const;
    // The record was cut at kMaxRecordBytes or kMaxCells.
    bool cut() const { return cut_; }
    // No cell was quoted or holds a quote or NUL: none needs quotes when
    // written again with the same delimiter.
    bool plain() const { return plain_; }
    // A quote in the record was not closed; the record ends at the end of
    // the line where it opened.
    bool unclosedQuote() const { return unclosedQuote_; }
    std::uint64_t quoteLine() const { return quoteLine_; }
    // The line on which the record starts, from 1.
    std::uint64_t line() const { return recordLine_; }
    // The line that text[offset] stands on, for text that the next Take
    // reads from its start.
    std::uint64_t LineAt(std::string_view text, std::size_t offset) const;

private:
    enum class State { RecordStart, CellStart, Plain, Quoted, QuoteInQuoted };
    bool Read(std::string_view text, std::size_t &pos);
    bool ReadPlainLine(std::string_view text, std::size_t &pos);
    void Reset();
    void Append(std::string_view run);
    void EndCell();
    bool EndRecord();
    bool GiveUpQuote();

    char delimiter_ = ',';
    State state_ = State::RecordStart;
    bool skipLineFeed_ = false; // a CR ended the last record: an LF after it belongs to it
    bool cut_ = false;
    bool unclosedQuote_ = false;
    bool plain_ = true;
    bool completed_ = false; // the record last returned; the next Take starts afresh
    std::uint64_t line_ = 1;
    std::uint64_t recordLine_ = 1;
    std::uint64_t quoteLine_ = 0; // where the last quote opened
    // The record's cells, each ending at ends_[i] in text_ and beginning
    // gap_ after the end of the one before: 0 where text_ holds the cells
    // alone, 1 where it holds a plain line as it stood, delimiters and all.
    std::string text_;
    std::vector<std::uint32_t> ends_;
    std::uint32_t gap_ = 0;
    std::array<bool, 256> stops_{}; // what ends a run of plain text
    char stopsFor_ = 0;             // the delimiter stops_ was made for

    // A quoted cell that has crossed a line end: the record as it stood at
    // that line end, and the text after it.
    bool spanning_ = false;
    std::size_t spanText_ = 0;
    std::size_t spanCells_ = 0;
    bool spanCut_ = false;
    char spanLineEnd_ = 0;
    std::string kept_;
    // Kept text to be read again before the input goes on.
    std::string again_;
    std::size_t againPos_ = 0;
    bool readingAgain_ = false;
};

} // namespace batch
