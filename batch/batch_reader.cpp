#include "batch_reader.h"

#include "failures.h"

#include <cerrno>
#include <cstring>
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
    return !(endOfInput_ && blockUsed_ == blockFill_ && text_.empty());
}

bool BatchReader::NextRecord()
{
    while (true) {
        if (textPos_ < text_.size() && records_.Take(text_, textPos_))
            return true;
        if (finished_)
            return false;
        if (endOfInput_ && blockUsed_ == blockFill_) {
            finished_ = true;
            return records_.Finish();
        }
        Refill();
    }
}

HeaderProblem BatchReader::Start(const ReadOptions &options)
{
    options_ = options;
    // The first record that is not blank, quotes kept, decides the delimiter.
    records_.SetDelimiter(0);
    do {
        if (!NextRecord())
            return HeaderProblem::Empty;
    } while (records_.blank());
    rawHeader_ = records_.cell(0);
    layout_.delimiter = DetectDelimiter(rawHeader_);
    RecordReader header;
    header.SetDelimiter(layout_.delimiter);
    std::size_t pos = 0;
    if (!header.Take(rawHeader_, pos))
        header.Finish();
    for (std::size_t i = 0; i < header.cellCount(); ++i)
        layout_.header.emplace_back(header.cell(i));
    records_.SetDelimiter(layout_.delimiter);
    layout_.encoding = decoder_.encoding();
    layout_.decimalComma = options.decimalComma && layout_.delimiter != ',';

    const auto x = FindColumn(layout_.header, 'x', options.xColumn);
    const auto y = FindColumn(layout_.header, 'y', options.yColumn);
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
        if (!NextRecord())
            return false;
    } while (records_.blank());
    // The encoding may be chosen only after the header (an ASCII header).
    layout_.encoding = decoder_.encoding();
    row.record = &records_;
    row.line = records_.line();
    RateRow(options_.row, row.cell(layout_.xColumn), row.cell(layout_.yColumn),
            layout_.decimalComma, row.rating);
    if (records_.unclosedQuote() || records_.cut()) {
        row.rating.rated = false;
        row.rating.error = records_.cut() ? kCutRecordMessage : kUnclosedQuoteMessage;
    }
    return true;
}

std::string HeaderProblemText(HeaderProblem problem, const Layout &layout)
{
    std::string names;
    for (std::size_t i = 0; i < layout.header.size() && i < 30; ++i) {
        if (i > 0)
            names += "、";
        names += "“" + entry_rules::QuotableText(layout.header[i]) + "”";
    }
    switch (problem) {
    case HeaderProblem::None:
        return {};
    case HeaderProblem::Empty:
        return "文件是空的：第一行应是表头（列名），其后每行一个测量点。";
    case HeaderProblem::NoXColumn:
        return "在表头里找不到色坐标 x 的列。表头是：" + names + "。";
    case HeaderProblem::NoYColumn:
        return "在表头里找不到色坐标 y 的列。表头是：" + names + "。";
    case HeaderProblem::SameColumn:
        return "色坐标 x 和 y 选了同一列（第 " + std::to_string(layout.xColumn + 1)
               + " 列）。表头是：" + names + "。";
    }
    return {};
}

} // namespace batch
