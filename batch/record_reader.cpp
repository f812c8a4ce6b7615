#include "record_reader.h"

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

bool RecordReader::blank() const
{
    for (const char c : text_) {
        if (c != ' ' && c != '\t')
            return false;
    }
    return true;
}

bool RecordReader::Take(std::string_view text, std::size_t &pos)
{
    if (completed_) {
        completed_ = false;
        cut_ = false;
        unclosedQuote_ = false;
        plain_ = true;
        text_.clear();
        ends_.clear();
    }
    const char delimiter = delimiter_;
    const bool raw = delimiter == 0;
    if (stopsFor_ != delimiter || !stops_['\n']) {
        stops_ = {};
        for (const char c : {'\n', '\r', '"', '\0', raw ? '"' : delimiter})
            stops_[static_cast<unsigned char>(c)] = true;
        stopsFor_ = delimiter;
    }
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
                if (raw && stop == '"')
                    state_ = State::Quoted;
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
            const std::size_t end =
                quote ? static_cast<const char *>(quote) - text.data() : text.size();
            const std::string_view run = text.substr(pos, end - pos);
            for (const char d : run) {
                if (d == '\n')
                    ++line_;
            }
            Append(run);
            pos = end;
            if (pos == text.size())
                return false;
            ++pos;
            if (raw) {
                Append("\"");
                state_ = State::Plain;
                continue;
            }
            state_ = State::QuoteInQuoted;
            continue;
        }
        case State::QuoteInQuoted:
            if (c == '"') {
                Append("\""); // a doubled quote stands for one
                state_ = State::Quoted;
                ++pos;
                continue;
            }
            // The quoted part is over; anything up to the delimiter joins it.
            state_ = State::Plain;
            continue;
        }
    }
    return false;
}

bool RecordReader::Finish()
{
    if (completed_ || state_ == State::RecordStart)
        return false;
    unclosedQuote_ = state_ == State::Quoted;
    return EndRecord();
}

} // namespace batch
