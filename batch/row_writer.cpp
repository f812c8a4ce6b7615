#include "row_writer.h"

#include "file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

namespace batch {

namespace {

// Appends to a std::string the way OutputBuffer appends to the output.
struct StringSink {
    std::string &text;
    void Append(std::string_view part) { text += part; }
    void Append(char c) { text += c; }
};

} // namespace

template <class Sink>
void RowWriter::AppendJsonString(Sink &out, std::string_view text)
{
    out.Append('"');
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.Append(text.substr(run, i - run));
        run = i + 1;
        switch (c) {
        case '"': out.Append("\\\""); break;
        case '\\': out.Append("\\\\"); break;
        case '\n': out.Append("\\n"); break;
        case '\r': out.Append("\\r"); break;
        case '\t': out.Append("\\t"); break;
        default: {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out.Append(escaped);
        }
        }
    }
    out.Append(text.substr(run));
    out.Append('"');
}


void OutputBuffer::Flush()
{
    WriteOut(std::string_view(text_.data(), used_));
    used_ = 0;
}

void OutputBuffer::Cursor::Spill(std::string_view text)
{
    Done();
    out_.Append(text);
    Load();
}

void OutputBuffer::WriteOut(std::string_view text)
{
    if (memory_) {
        memory_->append(text);
        return;
    }
    if (!platform::WriteAll(fd_, text))
        throw WriteFailure(std::strerror(errno));
}

RowWriter::RowWriter(OutputBuffer &out, Format format, const Layout &layout,
                     const OutputColumns &columns)
    : out_(out), format_(format), layout_(layout), columns_(columns)
{
    for (const char c : {'"', '\r', '\n', '\0', layout.delimiter})
        needsQuotes_[static_cast<unsigned char>(c)] = true;
    const auto names = OutputNames(columns_);
    for (const std::string_view name : names)
        textOutputs_.push_back(name == "ansi" || name == "bin" || name == "error");
    if (format_ != Format::Json)
        return;
    // Keys of an object must differ: an added column keeps its name; an
    // input column is named by its header cell, an unnamed one (or a cell
    // beyond the header) "column N"; a name taken before gets " (2)",
    // " (3)", …, the first that is free.
    taken_.insert(names.begin(), names.end());
    for (std::size_t i = 0; i < layout.header.size(); ++i)
        AddKey(layout.header[i]);
    for (const std::string_view name : names)
        outputKeys_.push_back(Rendered(name));
}

void RowWriter::AddKey(std::string_view name)
{
    const std::string base = name.empty() ? "column " + std::to_string(keys_.size() + 1)
                                          : std::string(name);
    std::string key = base;
    for (int n = 2; taken_.contains(key); ++n)
        key = base + " (" + std::to_string(n) + ")";
    keys_.push_back(Rendered(key));
    taken_.insert(std::move(key));
}

std::string RowWriter::Rendered(std::string_view key)
{
    std::string text;
    StringSink sink{text};
    AppendJsonString(sink, key);
    text += ':';
    return text;
}

void RowWriter::JsonString(std::string_view text)
{
    AppendJsonString(out_, text);
}


void RowWriter::WriteHeader()
{
    if (format_ == Format::Json)
        return; // every object names its values
    bool first = true;
    auto separate = [&] {
        if (!first)
            out_.Append(layout_.delimiter);
        first = false;
    };
    for (const std::string &name : layout_.header) {
        separate();
        Cell(out_, name);
    }
    for (const std::string_view name : OutputNames(columns_)) {
        separate();
        Cell(out_, name);
    }
    out_.Append('\n');
}

void RowWriter::JsonKey(std::size_t column)
{
    while (keys_.size() <= column)
        AddKey({}); // a cell beyond the header
    out_.Append(keys_[column]);
}

void RowWriter::WriteJsonOutputs(const OutputCells &outputs, bool first)
{
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (i > 0 || !first)
            out_.Append(',');
        out_.Append(outputKeys_[i]);
        if (textOutputs_[i])
            JsonString(outputs[i]);
        else if (outputs[i].empty())
            out_.Append("null");
        else
            out_.Append(outputs[i]);
    }
    out_.Append("}\n");
}

} // namespace batch
