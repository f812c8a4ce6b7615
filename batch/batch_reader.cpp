#include "batch_reader.h"

#include "failures.h"
#include "utf8.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace batch {

BatchReader::BatchReader(int fd, std::size_t blockSize) : fd_(fd), block_(blockSize) {}

bool BatchReader::Refill()
{
    // What the decoder left over goes to the front; the block grows only
    // when all of it is left over (a choice of encoding still open).
    const std::size_t left = blockFill_ - blockUsed_;
    std::memmove(block_.data(), block_.data() + blockUsed_, left);
    blockFill_ = left;
    blockUsed_ = 0;
    if (blockFill_ == block_.size())
        block_.resize(block_.size() * 2);
    while (!endOfInput_) {
        const ssize_t n = ::read(fd_, block_.data() + blockFill_, block_.size() - blockFill_);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // A descriptor left non-blocking by whoever gave it: wait for text.
            pollfd wait{fd_, POLLIN, 0};
            ::poll(&wait, 1, -1);
            continue;
        }
        if (n < 0)
            throw ReadFailure(std::strerror(errno));
        if (n == 0)
            endOfInput_ = true;
        blockFill_ += static_cast<std::size_t>(n);
        bytesRead_ += static_cast<std::size_t>(n);
        break;
    }
    const std::string_view bytes(block_.data(), blockFill_);
    blockUsed_ = decoder_.Decode(bytes, endOfInput_, text_);
    textPos_ = 0;
    if (const std::size_t first = decoder_.firstUndecodable(); first != std::string_view::npos)
        layout_.firstUndecodableLine = records_.LineAt(text_, first);
    return !(endOfInput_ && blockUsed_ == blockFill_ && text_.empty());
}

bool BatchReader::NextRecord(bool stopWhenCut)
{
    while (true) {
        if (records_.Take(text_, textPos_))
            return true;
        if (stopWhenCut && records_.cut())
            return true; // the rest of it is not worth reading
        if (endOfInput_ && blockUsed_ == blockFill_)
            return records_.Finish();
        Refill();
    }
}

void BatchReader::UpdateDecoding()
{
    // The encoding may be chosen only after the header (an ASCII header).
    layout_.encoding = decoder_.encoding();
    layout_.undecodableBytes = decoder_.undecodable();
    layout_.nulsNotUtf16 = decoder_.nulsNotUtf16();
}

HeaderProblem BatchReader::Start(const ReadOptions &options)
{
    options_ = options;
    // The first record that is not blank, quotes kept, decides the delimiter.
    records_.SetDelimiter(0);
    do {
        if (!NextRecord(true)) {
            UpdateDecoding();
            return HeaderProblem::Empty;
        }
    } while (records_.blank() && !records_.cut());
    UpdateDecoding();
    layout_.headerLine = records_.line();
    if (records_.cut())
        return HeaderProblem::TooLong;
    if (records_.unclosedQuote())
        return HeaderProblem::UnclosedQuote;
    {
        const std::string rawHeader(records_.cell(0));
        layout_.delimiter = DetectDelimiter(rawHeader);
        RecordReader header;
        header.SetDelimiter(layout_.delimiter);
        std::size_t pos = 0;
        if (!header.Take(rawHeader, pos))
            header.Finish();
        if (header.cut())
            return HeaderProblem::TooLong;
        for (std::size_t i = 0; i < header.cellCount(); ++i)
            layout_.header.emplace_back(header.cell(i));
    }
    records_.SetDelimiter(layout_.delimiter);
    layout_.decimalComma = options.decimalComma && layout_.delimiter != ',';

    const auto x = FindColumn(layout_.header, 'x', options.xColumn, &layout_.xOther);
    const auto y = FindColumn(layout_.header, 'y', options.yColumn, &layout_.yOther);
    if (!x)
        return HeaderProblem::NoXColumn;
    if (!y)
        return HeaderProblem::NoYColumn;
    layout_.xColumn = *x;
    layout_.yColumn = *y;
    if (*x == *y)
        return HeaderProblem::SameColumn;
    return HeaderProblem::None;
}

bool BatchReader::Next(RatedRow &row)
{
    do {
        if (!NextRecord()) {
            UpdateDecoding();
            return false;
        }
    } while (records_.blank() && !records_.unclosedQuote());
    UpdateDecoding();
    row.record = &records_;
    row.line = records_.line();
    RateRow(options_.row, row.cell(layout_.xColumn), row.cell(layout_.yColumn),
            layout_.decimalComma, row.rating);
    if (records_.unclosedQuote() || records_.cut()) {
        row.rating.rated = false;
        row.rating.error = records_.unclosedQuote() ? UnclosedQuoteMessage(records_.quoteLine())
                                                    : CutRecordMessage();
    }
    return true;
}

namespace {

// A header cell as a message names it: quoted, and cut after 40 characters.
std::string NamedCell(std::string_view cell)
{
    std::size_t pos = 0;
    for (int n = 0; n < 40 && pos < cell.size(); ++n)
        entry_rules::utf8::Next(cell, pos);
    std::string text = entry_rules::QuotableText(cell.substr(0, pos));
    if (pos < cell.size())
        text += "…";
    return "“" + text + "”";
}

std::string Limits()
{
    return std::to_string(kMaxRecordBytes >> 20) + " MiB 或 " + std::to_string(kMaxCells) + " 列";
}

// The problem of a column the user chose, or "" when none was chosen.
std::string ChosenColumnProblem(char axis, std::string_view choice, const Layout &layout)
{
    if (choice.empty())
        return {};
    const std::string coordinate = std::string("色坐标 ") + axis;
    if (choice.find_first_not_of("0123456789") == std::string_view::npos)
        return coordinate + " 选的是第 " + std::string(choice) + " 列，但文件只有 "
               + std::to_string(layout.header.size()) + " 列。";
    return coordinate + " 选的列 " + NamedCell(choice) + " 不在表头里。";
}

} // namespace

std::string HeaderProblemText(HeaderProblem problem, const Layout &layout, const ReadOptions &options)
{
    std::string names;
    for (std::size_t i = 0; i < layout.header.size() && i < 30; ++i) {
        if (i > 0)
            names += "、";
        names += NamedCell(layout.header[i]);
    }
    if (layout.header.size() > 30)
        names += "…（共 " + std::to_string(layout.header.size()) + " 列）";
    const std::string line = std::to_string(layout.headerLine);
    switch (problem) {
    case HeaderProblem::None:
        return {};
    case HeaderProblem::Empty:
        return "文件是空的：第一行应是表头（列名），其后每行一个测量点。";
    case HeaderProblem::NoXColumn:
        if (const std::string chosen = ChosenColumnProblem('x', options.xColumn, layout); !chosen.empty())
            return chosen + "表头是：" + names + "。";
        return "在表头里找不到色坐标 x 的列。表头是：" + names + "。";
    case HeaderProblem::NoYColumn:
        if (const std::string chosen = ChosenColumnProblem('y', options.yColumn, layout); !chosen.empty())
            return chosen + "表头是：" + names + "。";
        return "在表头里找不到色坐标 y 的列。表头是：" + names + "。";
    case HeaderProblem::SameColumn:
        return "色坐标 x 和 y 选了同一列（第 " + std::to_string(layout.xColumn + 1)
               + " 列）。表头是：" + names + "。";
    case HeaderProblem::TooLong:
        return "表头（第 " + line + " 行）超过了一行能读的上限（" + Limits()
               + "），读不全。请检查文件的表头。";
    case HeaderProblem::UnclosedQuote:
        return "表头（第 " + line + " 行）的引号没有闭合。请检查文件的表头。";
    }
    return {};
}

std::string ReadingNotes(const Layout &layout)
{
    std::string notes;
    if (layout.undecodableBytes > 0)
        notes += "有 " + std::to_string(layout.undecodableBytes) + " 个字节不能按 "
                 + std::string(EncodingName(layout.encoding)) + " 解码（第一个在第 "
                 + std::to_string(layout.firstUndecodableLine) + " 行），已换成 “\uFFFD”。\n";
    if (layout.nulsNotUtf16)
        notes += "文件开头有 NUL 字节，但不是 UTF-16 的规律（也没有字节顺序标记），按 "
                 + std::string(EncodingName(layout.encoding)) + " 读取。\n";
    auto other = [&](char axis, std::size_t used, const std::optional<std::size_t> &also) {
        if (also && used < layout.header.size() && *also < layout.header.size())
            notes += std::string("色坐标 ") + axis + " 用了第 " + std::to_string(used + 1) + " 列 "
                     + NamedCell(layout.header[used]) + "；第 " + std::to_string(*also + 1) + " 列 "
                     + NamedCell(layout.header[*also]) + " 也像 " + axis + "，没有用。\n";
    };
    other('x', layout.xColumn, layout.xOther);
    other('y', layout.yColumn, layout.yOther);
    return notes;
}

std::string UnclosedQuoteMessage(std::uint64_t quoteLine)
{
    return "第 " + std::to_string(quoteLine)
           + " 行的引号没有闭合：这一行只读到行末，下一行照常读取。请检查这个引号。";
}

std::string CutRecordMessage()
{
    return "这一行太长（超过 " + Limits() + "），只读了它的开头。请检查文件。";
}

} // namespace batch
