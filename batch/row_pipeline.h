#pragma once
// Rating a file's rows on several threads, in three stages:
//
//   reading (this thread)  rows as read, a block at a time (BatchReader::ReadBlock);
//                          most often only whole lines without quotes, as
//                          they stand, in one copy
//   rating  (jobs threads) those lines split into rows, as a RecordReader
//                          splits them; each row rated by a RowRater of the thread's own,
//                          and, when the rows are written, written into the
//                          block's text by a RowWriter of the thread's own
//   handing (this thread)  the rated blocks, in the file's order
//
// A few blocks are in flight at a time, so memory stays flat whatever the
// file's size, and the rows come out exactly as one thread rates and writes
// them: the same cells, the same ratings, the same bytes.

#include "batch_reader.h"
#include "row_rater.h"
#include "row_writer.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace batch {

// How the rows of one file are rated, and, among the rows of several
// files, how they are shown: the file's name first, then its cells in the
// output's columns (matched by the header's names), then its cells that
// no column takes.
struct FileRows {
    std::shared_ptr<const RowRater> rater;
    bool named = false;              // the rows are one file's among several
    std::string name;                // the first cell of each row
    std::vector<std::ptrdiff_t> columnOf; // per output column after the first: the file's column, or -1
    std::vector<std::size_t> leftOver;    // the file's columns no output column takes
    std::size_t headerCells = 0;          // cells beyond the file's header follow those
};

// Rows of a file as read, and once rated, their ratings (and, when the
// pipeline writes, their text as written).
struct RowBlock {
public:
    std::size_t size() const { return entries_.size(); }
    // The file's bytes read when the block was full: its rows' share of the
    // file, for a progress bar.
    std::uint64_t bytesRead() const { return bytesRead_; }
    // The rated rows; cells, spectrum and bands valid as long as the block.
    const RatedRow &row(std::size_t i) const { return rows_[i]; }
    // The rows as a RowWriter writes them (when the pipeline writes).
    std::string_view text() const { return text_out_; }

    // For a RowSource's ReadBlock: the row as read, of the file.
    void Clear();
    bool Full() const;
    bool Empty() const { return entries_.empty() && lines_.empty(); }
    void Keep(const RatedRow &row, const ReadFacts &facts, const std::shared_ptr<const FileRows> &file);
    // Or whole lines of the file as they stand (RecordReader::TakeLines),
    // after the rows kept, split into rows by the thread that rates them;
    // the block is then full.
    void KeepLines(std::string_view lines, std::uint64_t firstLine, char delimiter,
                   const std::shared_ptr<const FileRows> &file);
    // The most lines and bytes a block takes.
    static constexpr std::size_t kMaxRows = 512;
    static constexpr std::size_t kMaxBytes = 256u << 10;
    void SetBytesRead(std::uint64_t bytes) { bytesRead_ = bytes; }

private:
    friend class RowPipeline;
    struct Entry {
        std::uint64_t line = 0;
        std::size_t firstCell = 0;
        std::size_t cellCount = 0;
        bool plain = false;
        std::size_t lineBegin = 0; // its plain line in cells_, if any
        std::size_t lineSize = 0;
        ReadFacts facts;            // its problem in problems_
        std::size_t problemBegin = 0;
        std::size_t problemEnd = 0;
        std::size_t file = 0;       // in files_
    };
    // The lines kept, as rows.
    void SplitLines();
    // Rates every row with its file's rater, into rows_ (and bands_,
    // spectra_); the rows of a file among several then show its name.
    void Rate();

    std::string cells_;                    // every cell's text, one after another
    std::vector<std::size_t> cellBegins_;  // each cell's start in cells_
    std::vector<std::size_t> cellEnds_;    // and end
    std::string problems_;                 // why rows' spectra could not be read
    std::vector<Entry> entries_;
    std::vector<colorimetry::Spectrum> spectra_; // per row: as read, or read from its cells
    std::vector<colorimetry::Bands> bands_;      // per row
    std::vector<std::shared_ptr<const FileRows>> files_;
    std::vector<std::string_view> views_;    // every cell as read
    std::vector<std::string_view> shown_;    // rows of a file among several, as written
    std::vector<RatedRow> rows_;
    std::string text_out_;
    std::string lines_;
    std::uint64_t linesFirst_ = 0; // the line the first stands on
    char linesDelimiter_ = ',';
    std::shared_ptr<const FileRows> linesFile_;
    std::uint64_t bytesRead_ = 0;
};

class RowPipeline {
public:
    // Rates the rows source gives (after its start) on jobs threads; with
    // a format, also writes them as a RowWriter of that format writes them
    // for the source's layout.
    RowPipeline(RowSource &source, int jobs, std::optional<Format> format = std::nullopt);
    ~RowPipeline();
    RowPipeline(const RowPipeline &) = delete;
    RowPipeline &operator=(const RowPipeline &) = delete;

    // The next block, rated, in the file's order; null at the end. It
    // stays valid until the next call. Throws what reading throws
    // (ReadFailure), once the threads have stopped.
    const RowBlock *NextBlock();

    // The next row, rated, in the file's order, as BatchReader::Next gives
    // it (valid until the next call); false at the end.
    bool Next(RatedRow &row);

    // Hands every block to consume on this thread, until the file ends or
    // consume returns false.
    void Run(const std::function<bool(const RowBlock &)> &consume);

    // The threads a machine offers (at least 1).
    static int MachineThreads();

private:
    struct Slot {
        RowBlock block;
        bool rated = false;
    };
    // A thread's rater's writer: the block's rows written into its text.
    struct Writing {
        Writing(const std::optional<Format> &format, const Layout &layout);
        void Rate(RowBlock &block);
        std::string text;
        OutputBuffer out;
        std::optional<RowWriter> writer;
    };
    void Work();
    void Stop();

    RowSource &source_;
    Layout layout_; // as the header gave it, for the writers
    std::optional<Format> format_;
    std::size_t inFlight_;
    std::unique_ptr<Writing> inline_; // one thread: this one rates

    std::mutex mutex_;
    std::condition_variable work_;  // a block to rate, or stop
    std::condition_variable rated_; // a block rated
    std::deque<Slot *> waiting_;    // read, not yet taken by a thread
    std::deque<Slot *> order_;      // read, in the file's order (this thread's)
    std::vector<Slot *> free_;      // handed on, to be read into again
    Slot *handed_ = nullptr;        // the block NextBlock gave last
    std::size_t nextRow_ = 0;       // in it, for Next
    bool more_ = true;              // the file may hold more rows
    bool stop_ = false;
    std::exception_ptr failure_;
    std::vector<std::unique_ptr<Slot>> slots_;
    std::vector<std::thread> threads_;
};

} // namespace batch
