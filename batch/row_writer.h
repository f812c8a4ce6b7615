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
#include <vector>

namespace batch {

// The output could not be written (disk full, a closed pipe, …).
class WriteFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class OutputBuffer {
public:
    explicit OutputBuffer(int fd) : fd_(fd), text_(kSize) {}
    // Into memory: each Flush appends to memory.
    explicit OutputBuffer(std::string &memory) : memory_(&memory), text_(kSize) {}
    void Append(std::string_view text)
    {
        if (text.empty())
            return; // an empty cell may have no data pointer at all
        if (text.size() > kSize - used_) {
            Flush();
            if (text.size() > kSize) {
                WriteOut(text);
                return;
            }
        }
        std::memcpy(text_.data() + used_, text.data(), text.size());
        used_ += text.size();
    }
    void Append(char c)
    {
        if (used_ == kSize)
            Flush();
        text_[used_++] = c;
    }
    void Flush(); // throws WriteFailure

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
    void Cell(std::string_view text); // one delimited cell, quoted when it must be
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
    std::vector<bool> textOutputs_;       // JSON: the added columns written as strings
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
    // A short row gets empty cells up to the header's width; the cells of a
    // long row beyond it follow the added columns, so none is lost.
    for (std::size_t i = 0; i < columns; ++i) {
        if (i > 0)
            out_.Append(layout_.delimiter);
        if (plain)
            out_.Append(cell(i));
        else
            Cell(cell(i));
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        out_.Append(layout_.delimiter);
        if (i + 3 >= outputs.size())
            Cell(outputs[i]); // the message, a quadrangle or bin name; numbers need no quotes
        else
            out_.Append(outputs[i]);
    }
    for (std::size_t i = columns; i < count; ++i) {
        out_.Append(layout_.delimiter);
        Cell(cell(i));
    }
    out_.Append('\n');
}

} // namespace batch
