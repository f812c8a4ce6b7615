#include "bin_file.h"

#include "batch_reader.h"
#include "columns.h"
#include "failures.h"
#include "number_rules.h"
#include "record_reader.h"

#include "file_system.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <utility>

namespace batch {

using colorimetry::Xy;

namespace {

std::string Quoted(std::string_view text)
{
    return "“" + entry_rules::QuotableText(text) + "”";
}

std::string_view Trimmed(std::string_view s)
{
    const std::size_t begin = s.find_first_not_of(" \t");
    if (begin == std::string_view::npos)
        return {};
    return s.substr(begin, s.find_last_not_of(" \t") - begin + 1);
}

[[noreturn]] void Fail(std::uint64_t line, const std::string &reason)
{
    throw BinFileError(line, reason);
}

std::string ReadAll(int fd)
{
    std::string bytes;
    char block[1 << 16];
    while (true) {
        const std::ptrdiff_t n = platform::Read(fd, block, sizeof block);
        if (n < 0)
            throw ReadFailure(std::strerror(errno));
        if (n == 0)
            return bytes;
        if (bytes.size() + std::size_t(n) > kLargestBinFile)
            Fail(0, "分档文件太大（超过 64 MiB）。分档文件每行一个分档，通常只有几 KB；请检查选的文件。");
        bytes.append(block, std::size_t(n));
    }
}

enum class NumberRead { Number, NotANumber, TooLarge };

// A coordinate by the entries' number rules; with decimal commas, "0,3811"
// reads as 0.3811.
NumberRead ReadCoordinate(std::string_view cell, bool decimalComma, double &value)
{
    std::string text(cell);
    if (decimalComma)
        std::replace(text.begin(), text.end(), ',', '.');
    try {
        value = entry_rules::ParseNumber(text);
    } catch (const entry_rules::Overflow &) {
        return NumberRead::TooLarge;
    } catch (const entry_rules::Failure &) {
        return NumberRead::NotANumber;
    }
    return std::fabs(value) <= kLargestCornerCoordinate ? NumberRead::Number : NumberRead::TooLarge;
}

// The next record of text, blank or not; false at its end.
bool NextRecord(RecordReader &records, std::string_view text, std::size_t &pos, bool &finished)
{
    if (pos < text.size() && records.Take(text, pos))
        return true;
    if (finished)
        return false;
    finished = true;
    return records.Finish();
}

// The cells of a row up to its last one that is not blank.
std::size_t UsedCells(const RecordReader &row)
{
    std::size_t count = row.cellCount();
    while (count > 1 && Trimmed(row.cell(count - 1)).empty())
        --count;
    return count;
}

bool IsHeader(const RecordReader &row, std::size_t cells, bool decimalComma)
{
    for (std::size_t i = 1; i < cells; ++i) {
        double value;
        if (ReadCoordinate(Trimmed(row.cell(i)), decimalComma, value) != NumberRead::NotANumber)
            return false;
    }
    return true;
}

colorimetry::Bin ReadBin(const RecordReader &row, std::size_t cells, std::uint64_t line, bool decimalComma)
{
    colorimetry::Bin bin{std::string(Trimmed(row.cell(0))), {}};
    if (bin.name.empty())
        Fail(line, "第一列是空的：每个分档都要有名称。");
    const std::string who = "分档" + Quoted(bin.name);
    for (std::size_t i = 1; i < cells; i += 2) {
        const std::string corner = "第 " + std::to_string(i / 2 + 1) + " 个角点";
        if (i + 1 == cells)
            Fail(line, who + "的" + corner + "只有 x，缺少 y 坐标。");
        double xy[2];
        for (int axis = 0; axis < 2; ++axis) {
            const std::string_view cell = row.cell(i + std::size_t(axis));
            const std::string coordinate = corner + "的 " + (axis == 0 ? "x" : "y") + " 坐标";
            if (Trimmed(cell).empty())
                Fail(line, who + "的" + coordinate + "是空的。");
            switch (ReadCoordinate(Trimmed(cell), decimalComma, xy[axis])) {
            case NumberRead::Number:
                break;
            case NumberRead::NotANumber:
                Fail(line, who + "的" + coordinate + Quoted(cell) + "不是一个数。请写十进制数（例如 0.3127）。");
            case NumberRead::TooLarge:
                Fail(line, who + "的" + coordinate + Quoted(cell) + "超出了范围：色坐标应在 −10 到 10 之间。");
            }
        }
        bin.corners.push_back({xy[0], xy[1]});
    }

    const std::vector<std::size_t> kept = colorimetry::CornersWithoutRepeats(bin.corners);
    if (kept.size() < 3) {
        Fail(line, who + "只有 " + std::to_string(kept.size()) + " 个角点，至少要 3 个"
                       + (kept.size() < bin.corners.size() ? "（重复的角点只算一次）。" : "。"));
    }
    std::vector<Xy> corners;
    for (std::size_t i : kept)
        corners.push_back(bin.corners[i]);
    const colorimetry::PolygonCheck check = colorimetry::CheckSimplePolygon(corners);
    if (!check.simple()) {
        // Edges named by the corners' numbers in the file.
        auto edge = [&](std::size_t e) {
            return std::to_string(kept[e] + 1) + "–" + std::to_string(kept[(e + 1) % kept.size()] + 1);
        };
        Fail(line, who + "的边 " + edge(check.edgeA) + " 与边 " + edge(check.edgeB)
                       + " 相交（或重叠），围成的不是简单多边形。角点要沿边界依次列出。");
    }
    bin.corners = std::move(corners);
    return bin;
}

} // namespace

BinFileError::BinFileError(std::uint64_t line, const std::string &reason)
    : std::runtime_error(line > 0 ? "第 " + std::to_string(line) + " 行：" + reason : reason),
      line_(line), reason_(reason)
{
}

BinFile ReadBinFile(int fd, bool decimalComma)
{
    const std::string bytes = ReadAll(fd);
    TextDecoder decoder;
    std::string_view text;
    decoder.Decode(bytes, true, text);
    BinFile file;
    file.encoding = decoder.encoding();

    // The first row that is not blank, quotes kept, decides the delimiter.
    RecordReader first;
    first.SetDelimiter(0);
    std::size_t pos = 0;
    bool finished = false;
    bool found = false;
    while (!found && NextRecord(first, text, pos, finished))
        found = !first.blank();
    if (!found)
        Fail(0, "分档文件是空的：每行应是一个分档的名称，然后是它各角点的 x、y。");
    file.delimiter = DetectDelimiter(first.cell(0));
    decimalComma = decimalComma && file.delimiter != ',';

    RecordReader row;
    row.SetDelimiter(file.delimiter);
    pos = 0;
    finished = false;
    std::vector<colorimetry::Bin> bins;
    std::unordered_map<std::string, std::uint64_t> lineOf;
    bool firstRow = true;
    while (NextRecord(row, text, pos, finished)) {
        if (row.blank())
            continue;
        const std::uint64_t line = row.line();
        if (row.unclosedQuote())
            Fail(line, UnclosedQuoteMessage(row.quoteLine()));
        if (row.cut())
            Fail(line, CutRecordMessage());
        const std::size_t cells = UsedCells(row);
        if (std::exchange(firstRow, false) && IsHeader(row, cells, decimalComma)) {
            file.header = true;
            continue;
        }
        colorimetry::Bin bin = ReadBin(row, cells, line, decimalComma);
        if (const auto [at, added] = lineOf.emplace(bin.name, line); !added) {
            Fail(line, "分档名称" + Quoted(bin.name) + "与第 " + std::to_string(at->second)
                           + " 行的重复。每个分档的名称要不同。");
        }
        bins.push_back(std::move(bin));
        file.lines.push_back(line);
    }
    if (bins.empty())
        Fail(0, "分档文件里没有分档：表头之后每行应是一个分档的名称，然后是它各角点的 x、y。");
    file.bins = colorimetry::BinSet(std::move(bins));
    return file;
}

} // namespace batch
