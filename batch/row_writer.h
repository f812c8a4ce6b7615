#pragma once
// Writing rated rows: every input cell as it was, then the rating's cells,
// as delimited text (UTF-8, a header first) or as JSON Lines (one object per
// row). Output goes through one large buffer to a file descriptor.

#include "batch_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace batch {

// The output could not be written (disk full, a closed pipe, …).
class WriteFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Copies a short text without a call: the cells of a row are mostly a few
// characters long, and a number of 4 to 12 (the sign or not) takes one path.
// Reads and writes only text.size() characters.
inline void CopyText(char *to, std::string_view text)
{
    const char *from = text.data();
    const std::size_t n = text.size();
    if (n >= 4) {
        if (n <= 12) { // three overlapping fours cover 4…12
            std::memcpy(to, from, 4);
            std::memcpy(to + n / 2 - 2, from + n / 2 - 2, 4);
            std::memcpy(to + n - 4, from + n - 4, 4);
        } else if (n <= 16) {
            std::memcpy(to, from, 8);
            std::memcpy(to + n - 8, from + n - 8, 8);
        } else {
            std::memcpy(to, from, n);
        }
    } else if (n > 0) { // an empty cell may have no data pointer at all
        to[0] = from[0];
        to[n / 2] = from[n / 2];
        to[n - 1] = from[n - 1];
    }
}

class OutputBuffer {
public:
    explicit OutputBuffer(int fd) : fd_(fd), text_(kSize) {}
    // Into memory: each Flush appends to memory.
    explicit OutputBuffer(std::string &memory) : memory_(&memory), text_(kSize) {}
    void Append(std::string_view text)
    {
        if (text.size() > kSize - used_) {
            Flush();
            if (text.size() > kSize) {
                WriteOut(text);
                return;
            }
        }
        CopyText(text_.data() + used_, text);
        used_ += text.size();
    }
    void Append(char c)
    {
        if (used_ == kSize)
            Flush();
        text_[used_++] = c;
    }
    void Flush(); // throws WriteFailure

    // Room for size characters written straight into the buffer, then
    // Used(their end); null when they could not fit in it at all.
    char *Room(std::size_t size)
    {
        if (size > kSize)
            return nullptr;
        if (size > kSize - used_)
            Flush();
        return text_.data() + used_;
    }
    void Used(const char *end) { used_ = std::size_t(end - text_.data()); }

    // Appends through a pointer of its own, checked against the room left,
    // for a row at a time: what it writes is not read back from the buffer
    // after every character. Text that does not fit goes through the
    // buffer. Done() before the buffer is used again.
    class Cursor {
    public:
        explicit Cursor(OutputBuffer &out) : out_(out) { Load(); }
        void Append(std::string_view text)
        {
            if (text.size() > std::size_t(limit_ - end_))
                return Spill(text);
            CopyText(end_, text);
            end_ += text.size();
        }
        void Append(char c)
        {
            if (end_ == limit_)
                return Spill(std::string_view(&c, 1));
            *end_++ = c;
        }
        void Done() { out_.used_ = std::size_t(end_ - out_.text_.data()); }

    private:
        void Spill(std::string_view text); // through the buffer
        void Load()
        {
            end_ = out_.text_.data() + out_.used_;
            limit_ = out_.text_.data() + kSize;
        }
        OutputBuffer &out_;
        char *end_;
        char *limit_;
    };

private:
    void WriteOut(std::string_view text);
    static constexpr std::size_t kSize = 1u << 20;
    int fd_ = -1;
    std::string *memory_ = nullptr;
    std::vector<char> text_;
    std::size_t used_ = 0;
};

enum class Format { Csv, Json };

class RowWriter {
public:
    // The columns the layout's file adds (Layout::columns).
    RowWriter(OutputBuffer &out, Format format, const Layout &layout)
        : RowWriter(out, format, layout, layout.columns)
    {
    }
    RowWriter(OutputBuffer &out, Format format, const Layout &layout, const OutputColumns &columns);
    void WriteHeader();
    void Write(const RatedRow &row) { Write(row, row.plain(), row.rating); }
    // A row from elsewhere: cells.cellCount() and cells.cell(i); plain when
    // no cell needs quotes.
    template <class Cells>
    void Write(const Cells &cells, bool plain, const Rating &rating);

private:
    // Writes into room made beforehand (OutputBuffer::Room).
    struct RoomSink {
        char *end;
        void Append(std::string_view text)
        {
            CopyText(end, text);
            end += text.size();
        }
        void Append(char c) { *end++ = c; }
    };
    // The rating's cells, each after a delimiter.
    template <class Sink>
    void WriteOutputs(Sink &out, const OutputCells &outputs) const;
    // One delimited cell, quoted when it must be.
    template <class Sink>
    void Cell(Sink &out, std::string_view text) const;
    template <class Sink>
    static void QuotedCell(Sink &out, std::string_view text);
    void JsonString(std::string_view text);
    template <class Sink>
    static void AppendJsonString(Sink &out, std::string_view text);
    // A key as written before its value: "name":
    static std::string Rendered(std::string_view key);
    void JsonKey(std::size_t column);
    void AddKey(std::string_view name); // the next input column's key, made unique
    void WriteJsonOutputs(const OutputCells &outputs, bool first);

    OutputBuffer &out_;
    Format format_;
    const Layout &layout_;
    OutputColumns columns_;
    std::array<bool, 256> needsQuotes_{}; // characters that make a cell quoted
    std::vector<std::string> keys_;       // JSON: each input column's key, made unique, rendered
    std::vector<std::string> outputKeys_; // JSON: the added columns' keys, rendered
    std::vector<char> textOutputs_;       // the added columns that are text, not numbers
    std::set<std::string, std::less<>> taken_; // JSON: every key given
};

template <class Cells>
void RowWriter::Write(const Cells &cells, bool plain, const Rating &rating)
{
    const OutputCells outputs(columns_, rating);
    const std::size_t columns = layout_.header.size();
    const std::size_t count = cells.cellCount();
    auto cell = [&](std::size_t i) { return i < count ? cells.cell(i) : std::string_view(); };
    if (format_ == Format::Json) {
        out_.Append('{');
        for (std::size_t i = 0; i < std::max(columns, count); ++i) {
            if (i > 0)
                out_.Append(',');
            JsonKey(i);
            JsonString(cell(i));
        }
        WriteJsonOutputs(outputs, columns == 0 && count == 0);
        return;
    }
    std::string_view line; // the cells as their line stood, where it holds them all and no more
    if constexpr (std::is_same_v<Cells, RatedRow>) {
        if (count == columns)
            line = cells.plainLine();
    }
    if (!line.empty()) {
        // The most the row can take, every added cell quoted: room for it
        // made once, and the row written straight into it.
        std::size_t most = line.size() + 1;
        for (std::size_t i = 0; i < outputs.size(); ++i)
            most += 2 * outputs[i].size() + 3;
        if (char *room = out_.Room(most)) {
            RoomSink sink{room};
            sink.Append(line);
            WriteOutputs(sink, outputs);
            sink.Append('\n');
            out_.Used(sink.end);
            return;
        }
    }
    // A short row gets empty cells up to the header's width; the cells of a
    // long row beyond it follow the added columns, so none is lost.
    OutputBuffer::Cursor out(out_);
    const char delimiter = layout_.delimiter;
    if (!line.empty())
        out.Append(line);
    for (std::size_t i = 0; i < columns && line.empty(); ++i) {
        if (i > 0)
            out.Append(delimiter);
        if (i >= count)
            continue;
        if (plain)
            out.Append(cells.cell(i));
        else
            Cell(out, cells.cell(i));
    }
    WriteOutputs(out, outputs);
    for (std::size_t i = columns; i < count; ++i) {
        out.Append(delimiter);
        Cell(out, cells.cell(i));
    }
    out.Append('\n');
    out.Done();
}

template <class Sink>
void RowWriter::WriteOutputs(Sink &out, const OutputCells &outputs) const
{
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        out.Append(layout_.delimiter);
        if (textOutputs_[i])
            Cell(out, outputs[i]); // the message, a quadrangle or bin name; numbers need no quotes
        else
            out.Append(outputs[i]);
    }
}

template <class Sink>
inline void RowWriter::Cell(Sink &out, std::string_view text) const
{
    for (const char c : text) {
        if (needsQuotes_[static_cast<unsigned char>(c)])
            return QuotedCell(out, text);
    }
    out.Append(text);
}

template <class Sink>
void RowWriter::QuotedCell(Sink &out, std::string_view text)
{
    out.Append('"');
    for (std::size_t pos = 0;;) {
        const std::size_t q = text.find('"', pos);
        out.Append(text.substr(pos, q - pos));
        if (q == std::string_view::npos)
            break;
        out.Append(std::string_view("\"\""));
        pos = q + 1;
    }
    out.Append('"');
}

} // namespace batch
