#pragma once
// Spectral files in the CGATS (IT8) text format, as colour tools write them
// (colord-data's illuminant/*.sp and ref/CIE-TCS.sp, Argyll's .sp and .ti3,
// instrument software's CGATS.17 exports):
//
//   SPECT                          a first line naming the kind of file
//   DESCRIPTOR "…"                 keywords, values quoted or not
//   SPECTRAL_START_NM 380.0        the bands, where the file gives them
//   SPECTRAL_END_NM   780.0
//   SPECTRAL_BANDS    81
//   NUMBER_OF_FIELDS  82
//   BEGIN_DATA_FORMAT
//   SAMPLE_ID SPEC_380 SPEC_385 …  the fields of each set
//   END_DATA_FORMAT
//   NUMBER_OF_SETS 2
//   BEGIN_DATA
//   A1 0.0187 0.0236 …             one set per line
//   END_DATA
//
// Read line by line, a set at a time: memory stays flat whatever the number
// of sets.
//
// Sets: each is one line, as CGATS writes them; a line whose count of values
// is not the number of fields fails as a set of its own, naming its line,
// and no later set moves. Where the first set of a table spans several
// lines, sets are gathered line by line up to the number of fields. Every
// set the file announces (NUMBER_OF_SETS) or holds is a set here: a set cut
// short, or one announced but not there, is a set that failed. A missing
// END_DATA, or a table that cannot be read, is noted and makes the reading
// incomplete.
//
// Tables: every table of the file is read, its sets following the first
// table's; a later table's fields that are not spectral must be among the
// first table's (they go into those columns), otherwise it is noted and
// not read.
//
// Wavelengths: spectral fields are those named SPEC_nnn, SPECTRAL_nnn,
// SPECTRAL_NMnnn, nmnnn, or any other name WavelengthInHeaderCell reads as
// a wavelength. Where the names give wavelengths in order (rising or
// falling), the names decide; SPECTRAL_START_NM, SPECTRAL_END_NM and
// SPECTRAL_BANDS (or SPECTRAL_INCREMENT_NM) give the exact values where
// they agree with the names within 1 nm (some tools round the names:
// "SPEC_383" for 383.33 nm) or by a power of ten (colord's SPEC_380000); a
// disagreement is noted. Where the names give no order, the keywords
// decide, if they fit the fields; where neither does, every set fails.
// Plain C++: no Qt.

#include "spectrum.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace batch {

// What a line from a file's start tells of it: its first line that is not
// blank or a comment is one word (SPECT, CGATS.17, IT8.7/2, CTI3), and
// keyword lines follow up to BEGIN_DATA_FORMAT, NUMBER_OF_FIELDS or
// BEGIN_DATA.
enum class CgatsHead { Undecided, Cgats, NotCgats };
class CgatsHeadReader {
public:
    CgatsHead Add(std::string_view line);

private:
    bool kindSeen_ = false;
};

// True when the text, read line by line, starts like a CGATS file.
bool LooksLikeCgats(std::string_view head);

struct CgatsSpectralSet {
    std::string name;               // SAMPLE_ID, else SAMPLE_NAME, else "第 N 组"
    std::vector<std::string> passThrough; // one per CgatsReader::columns()
    colorimetry::Spectrum spectrum; // rising wavelengths; meaningful when error is empty
    std::string error;              // why the set failed, in Chinese
    std::uint64_t line = 0;         // where it starts in the file, from 1
};

class CgatsReader {
public:
    // Each line of the file in order, quotes kept, without its line end;
    // cut: the line was longer than could be kept, and is only its start.
    void AddLine(std::string_view line, std::uint64_t number, bool cut = false);
    // The end of the file, after its last line.
    void Finish();

    // The first table's fields are known (its BEGIN_DATA has come), or the
    // file cannot give spectra (error()).
    bool started() const { return started_ || !error_.empty(); }
    // Why the file gives no spectra, in Chinese; empty while it may.
    const std::string &error() const { return error_; }
    // The columns of every set: the first table's fields that are not
    // spectral, led by kSampleColumn where none of them names the set.
    const std::vector<std::string> &columns() const { return columns_; }
    // The next set found, in the file's order; false while there is none.
    bool TakeSet(CgatsSpectralSet &set);

    // The keywords (DESCRIPTOR, ORIGINATOR, CREATED, …), quotes removed, in
    // the file's order.
    const std::vector<std::pair<std::string, std::string>> &keywords() const { return keywords_; }
    // What the reading found beside the sets, one sentence a line (no line
    // end after the last).
    const std::string &notes() const { return notes_; }
    // Something the file holds or announces was not read (END_DATA
    // missing, a table not read).
    bool incomplete() const { return incomplete_; }

private:
    void StartData();
    void DecideWavelengths(const std::vector<double> &named);
    void DataLine(std::vector<std::string> &&words, std::size_t count, std::uint64_t number, bool cut);
    void EndData(std::uint64_t number, bool endDataSeen);
    void NextTable();
    CgatsSpectralSet &NewSet(const std::vector<std::string> &words, std::uint64_t line);
    void MakeSet(const std::vector<std::string> &words, std::uint64_t line);
    void FailSet(std::string error, const std::vector<std::string> &words, std::uint64_t line);
    void FailPending(std::string_view why);
    std::string CountText(std::size_t values, std::uint64_t first, std::uint64_t last, std::string_view why) const;
    std::string TableName() const;
    void Note(const std::string &sentence);

    enum class Part { Kind, Header, Format, Data, Skipped };
    Part part_ = Part::Kind;
    bool started_ = false;
    bool incomplete_ = false;
    bool afterData_ = false;    // no line yet after a table's END_DATA
    bool sampleColumn_ = false; // columns_ starts with kSampleColumn
    std::string error_;
    std::string notes_;
    std::vector<std::string> columns_;
    std::vector<std::pair<std::string, std::string>> keywords_;
    std::deque<CgatsSpectralSet> ready_;
    std::uint64_t setCount_ = 0; // sets of every table so far
    std::uint64_t lastLine_ = 0;

    // The table being read.
    struct Table {
        int index = 1;         // from 1
        std::uint64_t line = 0; // its first line
        std::vector<std::string> fields;
        bool fieldsGiven = false;
        std::optional<double> start, end, bands, increment, fieldCount, setCount;
        // Made at BEGIN_DATA.
        std::vector<std::size_t> spectral; // the spectral fields, by rising wavelength
        std::vector<double> nm;            // their wavelengths
        std::vector<int> column;           // per field: its column, or -1
        std::optional<std::size_t> nameField;
        std::string error; // every set of the table fails with it
        std::uint64_t sets = 0;
        bool modeKnown = false;
        bool wrapped = false; // its sets span lines
    } table_;
    std::vector<std::string> pending_; // a set spanning lines, so far
    std::uint64_t pendingFirst_ = 0, pendingLast_ = 0;
};

// A whole text read at once (the tests' and small files' way): every set,
// and what CgatsReader tells beside them.
struct CgatsSpectra {
    std::vector<std::pair<std::string, std::string>> keywords;
    std::vector<std::string> passThroughNames; // CgatsReader::columns()
    std::vector<CgatsSpectralSet> sets;
    std::string error;
    std::string notes;
    bool incomplete = false;
};
CgatsSpectra ReadCgatsSpectra(std::string_view text);

} // namespace batch
