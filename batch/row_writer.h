#pragma once
// Writing rated rows: every input cell as it was, then the rating's cells,
// as delimited text (UTF-8, a header first) or as JSON Lines (one object per
// row). Output goes through one large buffer to a file descriptor.

#include "batch_reader.h"

#include <array>
#include <cstring>
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
    void Append(std::string_view text)
    {
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
    int fd_;
    std::vector<char> text_;
    std::size_t used_ = 0;
};

enum class Format { Csv, Json };

class RowWriter {
public:
    RowWriter(OutputBuffer &out, Format format, const Layout &layout, Row row);
    void WriteHeader();
    void Write(const RatedRow &row);

private:
    void Cell(std::string_view text); // one delimited cell, quoted when it must be
    void JsonString(std::string_view text);

    OutputBuffer &out_;
    Format format_;
    const Layout &layout_;
    Row row_;
    std::array<bool, 256> needsQuotes_{}; // characters that make a cell quoted
    std::vector<std::string> keys_; // JSON: each input column's key, made unique
};

} // namespace batch
