#pragma once
// Reads a measurement file from a file descriptor in large blocks and hands
// out its rows one at a time, each rated (Next), or as read, in blocks, for
// threads to rate (ReadBlock; row_pipeline.h): the header first, then every
// row that is not blank. Memory stays flat whatever the file's size: one block,
// one record (a CGATS file: one set). Only a long spectral file is read
// whole, its values kept in 4 bytes each (LongSpectralTable).

#include "bins.h"
#include "cgats_spectra.h"
#include "columns.h"
#include "record_reader.h"
#include "row_rating.h"
#include "spectral_layout.h"
#include "text_decoder.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace batch {

struct ReadOptions {
    Row row = nullptr;
    std::string xColumn = {}; // a header name or 1-based number; empty: found by name
    std::string yColumn = {};
    bool decimalComma = false; // only when the delimiter is not a comma
    // The user's bins each row is sorted into (Rating::bin); null: none.
    std::shared_ptr<const colorimetry::BinSet> bins = nullptr;
    // Spectral files: the 16 TM-30 hue bins' Rf,hj and Rcs,hj as columns.
    bool tm30Bins = false;
    // Spectral files: all five α-opic DERs and ELRs (CIE S 026) as columns,
    // not the melanopic ones alone.
    bool alphaOpic = false;
};

// The file could not be read (an error of the system, not of its text).
class ReadFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a header lacks, for the caller to put in its own words.
enum class HeaderProblem {
    None,
    Empty,
    NoXColumn, // not found by name, or the chosen column does not exist
    NoYColumn,
    SameColumn,
    TooLong,       // cut at kMaxRecordBytes or kMaxCells
    UnclosedQuote, // a quote in it is not closed
    SpectralFile,  // a CGATS file that holds no spectra to read (Layout::spectralNote says why)
};

// How the rows hold their points.
enum class SpectralKind {
    None,  // x and y columns
    Wide,  // a spectrum per row, a column per wavelength: read row by row
    Long,  // a column of wavelengths, a column per LED: read whole
    Cgats, // a CGATS spectral file, a data set per LED: read set by set
    Spdx,  // an IES TM-27 document: one LED, its header's fields as cells
};

struct Layout {
    std::vector<std::string> header; // the header's cells, as UTF-8
    std::size_t xColumn = 0;
    std::size_t yColumn = 0;
    // Another column whose name also names the coordinate, not used (the
    // next best-named one), when the columns were found by name.
    std::optional<std::size_t> xOther;
    std::optional<std::size_t> yOther;
    std::uint64_t headerLine = 0; // from 1
    char delimiter = ',';
    bool decimalComma = false; // in effect
    Encoding encoding = Encoding::Undecided;
    std::uint64_t undecodableBytes = 0; // read so far, each shown as U+FFFD
    std::uint64_t firstUndecodableLine = 0;
    bool nulsNotUtf16 = false; // NUL bytes at the start, but not in UTF-16's pattern

    SpectralKind spectral = SpectralKind::None;
    // A spectral file's x and y columns (xColumn, yColumn): the instrument's
    // own, found by name, which pass through; or chosen by the user
    // (--x-column/--y-column), and then the point rated instead of the
    // spectrum's (whose figures are still given).
    bool fileXy = false;
    bool ratesFileXy = false;
    // "key: value" lines before a long file's table; a CGATS file's keywords.
    std::vector<std::pair<std::string, std::string>> metadata;
    // What a spectral file's reading found beside the rows (a long file's
    // footer, a CGATS table not read, END_DATA missing), in Chinese, one
    // sentence a line; or why a CGATS file gives no rows.
    std::string spectralNote;
    // Something the file holds or announces was not read (a CGATS table,
    // the end of its data): the run is not all good.
    bool incomplete = false;
    // The columns each row adds (the bins named by the options).
    OutputColumns columns;
    // Several files read as one table: what the reading of each found, one
    // sentence a line, each naming its file; ReadingNotes gives these
    // instead of the fields above.
    std::string fileNotes;
};

// One row as read and rated. Its cells are valid until the next row (or,
// read in a block, as long as the block).
struct RatedRow {
    // The row's cells: a record of the file, cells made by the reader (a
    // long or CGATS file's LED), or (with neither) cells kept in a block.
    const RecordReader *record = nullptr;
    const std::vector<std::string> *cells = nullptr;
    std::span<const std::string_view> kept;
    bool keptPlain = false;
    std::size_t cellCount() const
    {
        return cells ? cells->size() : record ? record->cellCount() : kept.size();
    }
    std::string_view cell(std::size_t i) const
    {
        if (i >= cellCount())
            return {};
        return cells ? std::string_view((*cells)[i]) : record ? record->cell(i) : kept[i];
    }
    // No cell needs quotes (known for a record, and a record kept).
    bool plain() const { return cells ? false : record ? record->plain() : keptPlain; }
    // The cells as their line stood, where the record was a line of plain
    // cells taken whole (RecordReader::plainLine); empty otherwise.
    std::string_view keptLine;
    std::string_view plainLine() const { return cells ? std::string_view() : record ? record->plainLine() : keptLine; }
    std::uint64_t line = 0; // where it starts in the file, from 1
    Rating rating;
    // A spectral row: its spectrum as measured and on the 5 nm bands, valid
    // until the next row; null for a row of (x, y).
    const colorimetry::Spectrum *spectrum = nullptr;
    const colorimetry::Bands *bands = nullptr;
};

// What reading found of a row beside its cells, for rating it.
struct ReadFacts {
    // The record itself was faulty: a quote left open (at quoteLine), or cut
    // at kMaxRecordBytes or kMaxCells; or the row stands for a file that
    // could not be read at all, and problem says why.
    enum class Fault : std::uint8_t { None, UnclosedQuote, Cut, Unread } fault = Fault::None;
    std::uint64_t quoteLine = 0;
    // A long or CGATS file's LED: its spectrum was read with the file
    // (RatedRow::spectrum), or could not be, and problem says why.
    bool spectrumRead = false;
    std::string_view problem;
};

class RowRater;
struct RowBlock;
struct FileRows;

// Where a pipeline's rows come from (row_pipeline.h): one file
// (BatchReader) or several in turn (FileSequence).
class RowSource {
public:
    virtual ~RowSource() = default;
    // The rows' columns as written (after the source has started).
    virtual const Layout &layout() const = 0;
    // The next rows as read, not rated, into block (its rows kept by it),
    // up to a row count or size that keeps a block small; false when there
    // was none left. Throws ReadFailure.
    virtual bool ReadBlock(RowBlock &block) = 0;
};

class BatchReader final : public RowSource {
public:
    // Reads from fd, which stays the caller's.
    explicit BatchReader(int fd, std::size_t blockSize = 1u << 20);
    ~BatchReader();

    // The name of what is read, for a TM-27 document's "样品" cell (the
    // file's name without its folder and ending); before Start.
    void SetSourceName(std::string name) { sourceName_ = std::move(name); }

    // Reads the header and finds the columns. Throws ReadFailure.
    HeaderProblem Start(const ReadOptions &options);
    const Layout &layout() const override { return layout_; }

    // The next row that is not blank, rated; false at the end. Throws
    // ReadFailure.
    bool Next(RatedRow &row);

    bool ReadBlock(RowBlock &block) override;
    // The same, each row kept as of rows, added to what block holds; false
    // when the file has no more rows (true: the block is full).
    bool ReadInto(RowBlock &block, const std::shared_ptr<const FileRows> &rows);

    // A rater of this file's rows as the header gave them (after Start): a
    // copy of all it needs, for a thread of its own.
    RowRater MakeRater() const;

    std::uint64_t bytesRead() const { return bytesRead_; }

private:
    // The next row as read: its cells, line and, for a long or CGATS file's
    // LED, its spectrum (in spectrum_), valid until the next.
    bool Read(RatedRow &row, ReadFacts &facts);
    bool NextRecord(bool stopWhenCut = false);
    bool Refill();
    void UpdateDecoding();

    bool DetectCgats();
    void StartSpdx();
    bool StartCgats();
    bool FeedCgats();
    void KeepCgatsNotes();
    void ReadLongTable(LongSpectralLayout layout);
    std::optional<std::vector<std::string>> UnitsLineUnder();

    int fd_;
    ReadOptions options_;
    std::optional<WideSpectralLayout> wide_;
    std::unique_ptr<LongSpectralTable> long_;
    std::uint64_t longDataLine_ = 0; // where a long table's values begin
    std::size_t nextLed_ = 0;
    std::vector<std::string> ledCells_; // the long file's LED as a row
    std::unique_ptr<CgatsReader> cgats_;
    CgatsSpectralSet set_;
    bool cgatsFinished_ = false;
    std::string head_; // the start of the text, read to tell a CGATS file, then read again
    bool spdx_ = false;           // the first block began like a TM-27 document
    bool spdxTaken_ = false;      // its one row was read
    std::vector<std::string> spdxCells_;
    colorimetry::Spectrum spdxSpectrum_;
    std::string spdxProblem_;     // why its spectrum could not be read
    std::string sourceName_;
    bool pendingRecord_ = false; // the record looked at under the header is the next one
    colorimetry::Spectrum spectrum_; // the row's
    colorimetry::Bands bands_{};
    std::unique_ptr<RowRater> rater_; // Next's, made at the first row
    std::shared_ptr<const FileRows> blockRows_; // ReadBlock's, made at the first block
    Layout layout_;
    TextDecoder decoder_;
    RecordReader records_;
    std::vector<char> block_;
    std::size_t blockFill_ = 0;  // bytes in block_
    std::size_t blockUsed_ = 0;  // of them, decoded
    bool endOfInput_ = false;
    std::string_view text_;      // decoded, not yet split
    std::size_t textPos_ = 0;
    std::uint64_t bytesRead_ = 0;
};

// The message for a header problem, in Chinese, naming the header's cells
// (and the column chosen in the options, if any).
std::string HeaderProblemText(HeaderProblem problem, const Layout &layout,
                              const ReadOptions &options = {});

// What the user should know about how the file was read, beside its rows:
// bytes that could not be decoded, a coordinate that more than one column
// names, NUL bytes not read as UTF-16. One sentence a line; empty when there
// is nothing to say.
std::string ReadingNotes(const Layout &layout);

// The messages a record of the file itself gets, beside the screens' ones.
std::string UnclosedQuoteMessage(std::uint64_t quoteLine);
std::string CutRecordMessage();

} // namespace batch
