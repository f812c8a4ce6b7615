#include "record_reader.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace batch {

void RecordReader::Append(std::string_view run)
{
    if (cut_)
        return;
    if (text_.size() + run.size() > kMaxRecordBytes) {
        run = run.substr(0, kMaxRecordBytes - text_.size());
        cut_ = true;
    }
    // Grown by hand, so that the room never goes beyond the limit.
    if (text_.size() + run.size() > text_.capacity())
        text_.reserve(std::min(kMaxRecordBytes,
                               std::max(text_.size() + run.size(), 2 * text_.capacity())));
    text_.append(run);
}

void RecordReader::EndCell()
{
    if (ends_.size() == kMaxCells) {
        cut_ = true;
        return;
    }
    if (cut_ && !ends_.empty() && ends_.back() == text_.size())
        return; // nothing more of a cut record
    ends_.push_back(static_cast<std::uint32_t>(text_.size()));
}

bool RecordReader::EndRecord()
{
    EndCell();
    state_ = State::RecordStart;
    completed_ = true;
    return true;
}

void RecordReader::Reset()
{
    completed_ = false;
    cut_ = false;
    unclosedQuote_ = false;
    plain_ = true;
    spanning_ = false;
    kept_.clear();
    text_.clear();
    ends_.clear();
    gap_ = 0;
}

bool RecordReader::GiveUpQuote()
{
    // The record ends where the line of the quote ended; what came after
    // that line end is read again, before anything not read yet.
    std::string again = std::move(kept_);
    kept_.clear();
    if (readingAgain_)
        again.append(again_, againPos_);
    again_ = std::move(again);
    againPos_ = 0;
    text_.resize(spanText_);
    ends_.resize(spanCells_);
    cut_ = spanCut_;
    spanning_ = false;
    unclosedQuote_ = true;
    line_ = quoteLine_ + 1;
    skipLineFeed_ = spanLineEnd_ == '\r';
    return EndRecord();
}

bool RecordReader::blank() const
{
    for (const char c : text_) {
        if (c != ' ' && c != '\t' && !(gap_ && c == delimiter_))
            return false;
    }
    return true;
}

std::uint64_t RecordReader::LineAt(std::string_view text, std::size_t offset) const
{
    std::uint64_t line = line_;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\r')
            ++line;
        else if (text[i] == '\n' && !(i == 0 ? skipLineFeed_ : text[i - 1] == '\r'))
            ++line;
    }
    return line;
}

bool RecordReader::Take(std::string_view text, std::size_t &pos)
{
    if (completed_)
        Reset();
    const char delimiter = delimiter_;
    if (stopsFor_ != delimiter || !stops_['\n']) {
        stops_ = {};
        for (const char c : {'\n', '\r', '"', '\0', delimiter == 0 ? '"' : delimiter})
            stops_[static_cast<unsigned char>(c)] = true;
        stopsFor_ = delimiter;
    }
    if (againPos_ < again_.size()) {
        readingAgain_ = true;
        const bool done = Read(again_, againPos_);
        readingAgain_ = false;
        if (done)
            return true;
        again_.clear();
        againPos_ = 0;
    }
    return Read(text, pos);
}

namespace {

// The characters of data[i, i + 8) that may end a run of plain text: a
// quote, the delimiter or a control character (below U+000E: NUL, tab, LF,
// CR among them), each flagged by the top bit of its byte. A byte is flagged
// where it is zero, or below a bound (v − 0x01…01·n sets the top bit of
// every byte below n); the lowest flag is exact, a flag above a true one may
// not be: the caller looks at each character.
std::uint64_t Candidates(const char *data, std::size_t i, std::uint64_t delimiters)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101u, kTops = 0x8080808080808080u;
    constexpr std::uint64_t kQuotes = kOnes * std::uint8_t('"');
    auto zero = [](std::uint64_t v) { return (v - kOnes) & ~v; };
    std::uint64_t word;
    std::memcpy(&word, data + i, 8);
    return (zero(word ^ kQuotes) | zero(word ^ delimiters) | ((word - kOnes * 0x0E) & ~word)) & kTops;
}

} // namespace

// The common record: a whole line of plain cells in the text at hand, no
// quote and no NUL in it. It is taken as it stands, delimiters and all, in
// one copy. False, with nothing changed, for any other.
bool RecordReader::ReadPlainLine(std::string_view text, std::size_t &pos)
{
    const char delimiter = delimiter_;
    const std::size_t start = pos;
    const char *const data = text.data();
    const std::size_t size = std::min(text.size(), start + kMaxRecordBytes);
    // What the character at i makes of the line: a cell ends, the line
    // ends, the line is not plain, or nothing.
    enum class Step { Go, Ends, NotPlain };
    auto look = [&](std::size_t i) {
        const char c = data[i];
        if (c == delimiter) {
            if (ends_.size() + 1 == kMaxCells)
                return Step::NotPlain;
            ends_.push_back(std::uint32_t(i - start));
            return Step::Go;
        }
        if (c == '\n' || c == '\r')
            return Step::Ends;
        return c == '"' || c == '\0' ? Step::NotPlain : Step::Go; // another control character: part of the cell
    };
    std::size_t i = start; // where the line stops being read
    Step step = Step::Go;
    if constexpr (std::endian::native == std::endian::little) {
        const std::uint64_t delimiters = 0x0101010101010101u * std::uint8_t(delimiter);
        while (step == Step::Go && i + 8 <= size) {
            std::uint64_t flags = Candidates(data, i, delimiters);
            for (; flags != 0; flags &= flags - 1) {
                const std::size_t at = i + std::size_t(std::countr_zero(flags) / 8);
                if ((step = look(at)) != Step::Go) {
                    i = at;
                    break;
                }
            }
            if (step == Step::Go)
                i += 8;
        }
    }
    for (; step == Step::Go && i < size; ++i) {
        if ((step = look(i)) != Step::Go)
            break;
    }
    if (step != Step::Ends) {
        ends_.clear();
        return false;
    }
    const char c = data[i];
    text_.assign(data + start, i - start);
    ends_.push_back(std::uint32_t(i - start));
    gap_ = 1;
    recordLine_ = line_++;
    skipLineFeed_ = c == '\r';
    pos = i + 1;
    completed_ = true;
    return true;
}

bool RecordReader::Read(std::string_view text, std::size_t &pos)
{
    if (state_ == State::RecordStart && delimiter_ != 0 && !spanning_ && ends_.empty()) {
        if (skipLineFeed_ && pos < text.size()) {
            skipLineFeed_ = false; // a CR ended the last record: an LF after it belongs to it
            pos += text[pos] == '\n';
        }
        if (!skipLineFeed_ && ReadPlainLine(text, pos))
            return true;
    }
    const char delimiter = delimiter_;
    const bool raw = delimiter == 0;
    // While a quoted cell spans lines, what is read is kept from here on.
    std::size_t keptFrom = pos;
    auto keep = [&] {
        if (spanning_)
            kept_.append(text.substr(keptFrom, pos - keptFrom));
        keptFrom = pos;
    };
    while (pos < text.size()) {
        const char c = text[pos];
        switch (state_) {
        case State::RecordStart:
            if (skipLineFeed_) {
                skipLineFeed_ = false;
                if (c == '\n') {
                    ++pos;
                    continue;
                }
            }
            recordLine_ = line_;
            state_ = State::CellStart;
            [[fallthrough]];
        case State::CellStart:
            if (c == '"') {
                if (raw)
                    Append("\"");
                plain_ = false;
                quoteLine_ = line_;
                state_ = State::Quoted;
                ++pos;
                continue;
            }
            state_ = State::Plain;
            [[fallthrough]];
        case State::Plain: {
            // The common case: a run of ordinary characters in one go.
            std::size_t end = pos;
            while (end < text.size() && !stops_[static_cast<unsigned char>(text[end])])
                ++end;
            Append(text.substr(pos, end - pos));
            pos = end;
            if (pos == text.size())
                return false;
            const char stop = text[pos++];
            if (stop == '"' || stop == '\0') {
                // Kept in the cell; in raw mode a quote opens or closes.
                Append(std::string_view(&stop, 1));
                plain_ = false;
                if (raw && stop == '"') {
                    quoteLine_ = line_;
                    state_ = State::Quoted;
                }
                continue;
            }
            if (stop == delimiter) {
                EndCell();
                state_ = State::CellStart;
                continue;
            }
            ++line_;
            skipLineFeed_ = stop == '\r';
            return EndRecord();
        }
        case State::Quoted: {
            const void *quote = std::memchr(text.data() + pos, '"', text.size() - pos);
            std::size_t end = quote ? static_cast<const char *>(quote) - text.data() : text.size();
            if (!spanning_) {
                // The first line end inside the quotes: remember the record
                // as it stands, and keep what follows.
                const std::size_t lineEnd = text.substr(pos, end - pos).find_first_of("\r\n");
                if (lineEnd != std::string_view::npos) {
                    Append(text.substr(pos, lineEnd));
                    spanText_ = text_.size();
                    spanCells_ = ends_.size();
                    spanCut_ = cut_;
                    spanLineEnd_ = text[pos + lineEnd];
                    Append(text.substr(pos + lineEnd, 1));
                    if (spanLineEnd_ == '\n')
                        ++line_;
                    pos += lineEnd + 1;
                    spanning_ = true;
                    kept_.clear();
                    keptFrom = pos;
                    continue;
                }
            } else if (kept_.size() + (end - keptFrom) > kMaxRecordBytes) {
                keep();
                return GiveUpQuote();
            }
            const std::string_view run = text.substr(pos, end - pos);
            line_ += std::count(run.begin(), run.end(), '\n');
            Append(run);
            pos = end;
            if (pos == text.size())
                break;
            ++pos;
            if (raw)
                Append("\"");
            state_ = State::QuoteInQuoted;
            continue;
        }
        case State::QuoteInQuoted:
            if (c == '"') {
                Append("\""); // a doubled quote stands for one (raw: both kept)
                state_ = State::Quoted;
                ++pos;
                continue;
            }
            if (spanning_) {
                // A quote that closed a cell over several lines must end the
                // cell; otherwise it was not the closing quote of the one
                // that opened it.
                const bool endsCell = c == '\n' || c == '\r'
                                      || (raw ? c == ',' || c == ';' || c == '\t' : c == delimiter);
                if (!endsCell) {
                    keep();
                    return GiveUpQuote();
                }
                spanning_ = false;
                kept_.clear();
            }
            // The quoted part is over; anything up to the delimiter joins it.
            state_ = State::Plain;
            continue;
        }
    }
    keep();
    return false;
}

std::string_view RecordReader::TakeLines(std::string_view text, std::size_t &pos, std::size_t maxLines,
                                         std::size_t maxBytes, std::uint64_t &firstLine)
{
    if (state_ != State::RecordStart || delimiter_ == 0 || spanning_ || againPos_ < again_.size())
        return {};
    if (skipLineFeed_) {
        if (pos >= text.size())
            return {};
        skipLineFeed_ = false; // a CR ended the last record: an LF after it belongs to it
        pos += text[pos] == '\n';
    }
    const char *const data = text.data();
    const std::size_t start = pos;
    const std::size_t limit = std::min(text.size(), start + maxBytes);
    std::size_t end = start;
    std::size_t feeds = 0;
    for (; feeds < maxLines; ++feeds) {
        const void *feed = std::memchr(data + end, '\n', limit - end);
        if (!feed)
            break;
        end = std::size_t(static_cast<const char *>(feed) - data) + 1;
    }
    // A quote may join lines into one record: the lines stop before it.
    if (const void *quote = std::memchr(data + start, '"', end - start)) {
        const std::size_t feed = text.substr(start, std::size_t(static_cast<const char *>(quote) - data) - start).rfind('\n');
        end = feed == std::string_view::npos ? start : start + feed + 1;
        feeds = 0;
    }
    if (end == start)
        return {};
    // Each LF ends a line, and each CR not followed by one (the text ends
    // with an LF).
    std::uint64_t lines = 0;
    if (feeds == 0 || std::memchr(data + start, '\r', end - start)) {
        for (std::size_t i = start; i < end; ++i)
            lines += data[i] == '\n' || (data[i] == '\r' && data[i + 1] != '\n');
    } else {
        lines = feeds;
    }
    firstLine = line_;
    line_ += lines;
    pos = end;
    return text.substr(start, end - start);
}

bool RecordReader::Finish()
{
    if (completed_)
        Reset();
    if (state_ == State::RecordStart)
        return false;
    if (state_ == State::Quoted) {
        if (spanning_)
            return GiveUpQuote();
        unclosedQuote_ = true;
    }
    spanning_ = false;
    kept_.clear();
    return EndRecord();
}

} // namespace batch
