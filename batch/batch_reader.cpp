#include "batch_reader.h"

#include "row_pipeline.h"
#include "row_rater.h"
#include "spdx.h"

#include "cgats_spectra.h"
#include "failures.h"

#include "file_system.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace batch {

BatchReader::BatchReader(int fd, std::size_t blockSize) : fd_(fd), block_(blockSize) {}

BatchReader::~BatchReader() = default;

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
    if (!endOfInput_) {
        const std::ptrdiff_t n = platform::Read(fd_, block_.data() + blockFill_, block_.size() - blockFill_);
        if (n < 0)
            throw ReadFailure(std::strerror(errno));
        if (n == 0)
            endOfInput_ = true;
        blockFill_ += static_cast<std::size_t>(n);
        bytesRead_ += static_cast<std::size_t>(n);
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
    if (std::exchange(pendingRecord_, false))
        return true; // looked at under the header, not yet read
    while (true) {
        if (records_.Take(text_, textPos_))
            return true;
        if (stopWhenCut && records_.cut())
            return true; // the rest of it is not worth reading
        if (endOfInput_ && blockUsed_ == blockFill_)
            return records_.Finish();
        if (!head_.empty())
            std::string().swap(head_); // read again: text_ leaves it now
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

namespace {

// A TM-27 document larger than this is no spectrum.
constexpr std::size_t kMaxSpdxBytes = 16u << 20;

// The first cells of a record: those before a quote left open.
struct FirstCells {
    const RecordReader &record;
    std::size_t count;
    std::size_t cellCount() const { return count; }
    std::string_view cell(std::size_t i) const { return record.cell(i); }
};

} // namespace

bool BatchReader::DetectCgats()
{
    // Lines from the start until they tell. The text read is read again as
    // the file's start, whatever it is: the first block as it stands, more
    // (a long keyword block, up to a record's size) gathered in head_.
    CgatsHead verdict = CgatsHead::Undecided;
    CgatsHeadReader head;
    std::size_t lineStart = 0;
    bool more = Refill();
    while (text_.empty() && more)
        more = Refill(); // the decoder waits for a few bytes to tell the encoding
    if (LooksLikeSpdx(text_)) {
        spdx_ = true;
        return false;
    }
    bool gathered = false;
    while (verdict == CgatsHead::Undecided) {
        const std::string_view text = gathered ? std::string_view(head_) : text_;
        const std::size_t end = text.find_first_of("\r\n", lineStart);
        if (end != std::string_view::npos) {
            verdict = head.Add(text.substr(lineStart, end - lineStart));
            lineStart = end + 1;
        } else if (!more) {
            verdict = head.Add(text.substr(lineStart));
            break;
        } else if (text.size() > kMaxRecordBytes) {
            break;
        } else {
            if (!std::exchange(gathered, true))
                head_.assign(text_);
            const std::size_t before = head_.size();
            more = Refill();
            head_.append(text_);
            if (const std::size_t first = decoder_.firstUndecodable(); first != std::string_view::npos)
                layout_.firstUndecodableLine = RecordReader().LineAt(head_, before + first);
        }
    }
    if (gathered)
        text_ = head_;
    textPos_ = 0;
    return verdict == CgatsHead::Cgats;
}

bool BatchReader::FeedCgats()
{
    if (cgatsFinished_)
        return false;
    if (!NextRecord()) {
        cgats_->Finish();
        cgatsFinished_ = true;
        return true;
    }
    if (!records_.blank())
        cgats_->AddLine(records_.cell(0), records_.line(), records_.cut());
    return true;
}

void BatchReader::KeepCgatsNotes()
{
    layout_.metadata = cgats_->keywords();
    layout_.spectralNote = cgats_->error().empty() ? cgats_->notes() : cgats_->error();
    layout_.incomplete = cgats_->incomplete();
}

bool BatchReader::StartCgats()
{
    // Lines as records, quotes kept, up to the first table's data.
    layout_.spectral = SpectralKind::Cgats;
    layout_.headerLine = 1;
    cgats_ = std::make_unique<CgatsReader>();
    records_.SetDelimiter(0);
    while (!cgats_->started() && FeedCgats()) {
    }
    UpdateDecoding();
    KeepCgatsNotes();
    layout_.header = cgats_->columns();
    return cgats_->error().empty();
}

std::optional<std::vector<std::string>> BatchReader::UnitsLineUnder()
{
    do {
        if (!NextRecord())
            return std::nullopt;
    } while (records_.blank() && !records_.unclosedQuote() && !records_.cut());
    std::vector<std::string> cells;
    for (std::size_t i = 0; i < records_.cellCount() && !records_.cut() && !records_.unclosedQuote(); ++i)
        cells.emplace_back(records_.cell(i));
    if (IsUnitsLine(layout_.header, cells))
        return cells;
    pendingRecord_ = true; // a row: read as such
    return std::nullopt;
}

void BatchReader::StartSpdx()
{
    // The whole document, as text: a few hundred kilobytes at most.
    std::string all(text_);
    while (!(endOfInput_ && blockUsed_ == blockFill_)) {
        Refill();
        all += text_;
        if (all.size() > kMaxSpdxBytes)
            break;
    }
    UpdateDecoding();
    layout_.spectral = SpectralKind::Spdx;
    layout_.columns.spectral = true;
    layout_.headerLine = 1;
    layout_.header.assign(1, std::string(kSampleColumn));
    for (const std::string_view field : kSpdxHeaderFields)
        layout_.header.emplace_back(field);
    layout_.header.emplace_back("SpectralQuantity");
    spdxCells_.assign(1, sourceName_);
    SpdxDocument document;
    if (all.size() > kMaxSpdxBytes) {
        spdxProblem_ = "这个 TM-27 文件超过了 " + std::to_string(kMaxSpdxBytes >> 20)
                       + " MiB，不像一个光谱：没有读。请检查文件。";
    } else {
        document = ParseSpdx(all, spdxProblem_);
        if (spdxProblem_.empty())
            spdxProblem_ = document.sampleProblem;
    }
    for (const std::string_view field : kSpdxHeaderFields) {
        const std::string *text = document.Field(field);
        spdxCells_.push_back(text ? *text : std::string());
    }
    spdxCells_.push_back(document.spectralQuantity);
    spdxSpectrum_ = std::move(document.spectrum);
    layout_.columns.unit = UnitOf(document);
    layout_.spectralNote = document.notes;
    while (!layout_.spectralNote.empty() && layout_.spectralNote.back() == '\n')
        layout_.spectralNote.pop_back();
}

void BatchReader::ReadLongTable(LongSpectralLayout layout)
{
    long_ = std::make_unique<LongSpectralTable>(std::move(layout));
    auto read = [&](std::string_view text) { return ReadNumberCell(text, layout_.decimalComma); };
    while (NextRecord()) {
        if (records_.blank())
            continue;
        const std::uint64_t line = records_.line();
        if (longDataLine_ == 0)
            longDataLine_ = line;
        if (records_.cut()) {
            long_->FailFrom(0, "第 " + std::to_string(line) + " 行：" + CutRecordMessage());
        } else if (records_.unclosedQuote()) {
            // The quote's cell is the last: it holds the rest of its line.
            const std::size_t quoted = records_.cellCount() - 1;
            long_->FailFrom(quoted, UnclosedQuoteMessage(records_.quoteLine()));
            long_->AddRow(FirstCells{records_, quoted}, line, read);
        } else {
            long_->AddRow(records_, line, read);
        }
    }
    UpdateDecoding();
    layout_.spectralNote = long_->Note();
    layout_.header.assign(1, std::string(kSampleColumn));
}

HeaderProblem BatchReader::Start(const ReadOptions &options)
{
    options_ = options;
    layout_.columns = OutputColumns(options.row);
    layout_.columns.tm30Bins = options.tm30Bins;
    layout_.columns.alphaOpic = options.alphaOpic;
    layout_.columns.bins = options.bins;
    layout_.decimalComma = options.decimalComma;
    if (DetectCgats()) {
        layout_.columns.spectral = true;
        if (!StartCgats())
            return HeaderProblem::SpectralFile;
    } else if (spdx_) {
        StartSpdx();
    } else {
        // The first record that is not blank, quotes kept, decides the
        // delimiter; "key: value" lines before it are metadata.
        records_.SetDelimiter(0);
        while (true) {
            if (!NextRecord(true)) {
                UpdateDecoding();
                return HeaderProblem::Empty;
            }
            if (records_.blank() && !records_.cut())
                continue;
            if (records_.cut() || records_.unclosedQuote())
                break;
            const std::optional<MetadataLine> meta = ReadMetadataLine(records_.cell(0));
            if (!meta)
                break;
            layout_.metadata.emplace_back(meta->key, meta->value);
        }
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
        std::optional<LongSpectralLayout> longLayout = RecogniseLongHeader(layout_.header);
        if (!longLayout)
            wide_ = RecogniseWideHeader(layout_.header);
        // A names line may stand above a line of units (two header lines).
        const bool blankFirst = layout_.header[0].find_first_not_of(" \t") == std::string::npos;
        if (!wide_ && (longLayout || blankFirst)) {
            if (const auto units = UnitsLineUnder())
                longLayout = RecogniseTwoLineHeader(layout_.header, *units);
        }
        if (longLayout) {
            layout_.spectral = SpectralKind::Long;
            layout_.columns.unit = longLayout->unit;
            ReadLongTable(std::move(*longLayout));
        } else if (wide_) {
            layout_.spectral = SpectralKind::Wide;
            layout_.columns.unit = wide_->unit;
        }
        layout_.columns.spectral = layout_.spectral != SpectralKind::None;
    }

    const auto x = FindColumn(layout_.header, 'x', options.xColumn, &layout_.xOther);
    const auto y = FindColumn(layout_.header, 'y', options.yColumn, &layout_.yOther);
    if (layout_.spectral != SpectralKind::None) {
        // A spectrum is rated; x and y are the file's own where it has them,
        // rated instead only when the user chose them.
        const bool chosen = !options.xColumn.empty() || !options.yColumn.empty();
        if (chosen && (!x || !y || *x == *y))
            return !x ? HeaderProblem::NoXColumn : !y ? HeaderProblem::NoYColumn : HeaderProblem::SameColumn;
        if (x && y && *x != *y) {
            layout_.xColumn = *x;
            layout_.yColumn = *y;
            layout_.fileXy = true;
            layout_.ratesFileXy = chosen;
        } else {
            layout_.xOther.reset();
            layout_.yOther.reset();
        }
        return HeaderProblem::None;
    }
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

bool BatchReader::Read(RatedRow &row, ReadFacts &facts)
{
    facts = {};
    row.spectrum = nullptr;
    row.bands = nullptr;
    row.kept = {};
    if (layout_.spectral == SpectralKind::Long) {
        if (nextLed_ >= long_->ledCount())
            return false;
        const std::size_t led = nextLed_++;
        ledCells_.assign(1, long_->layout().names[led]);
        long_->Spectrum(led, spectrum_);
        row.record = nullptr;
        row.cells = &ledCells_;
        // Every LED's values begin on the table's first line under the header.
        row.line = longDataLine_ ? longDataLine_ : layout_.headerLine;
        row.spectrum = &spectrum_;
        facts.spectrumRead = true;
        facts.problem = long_->error(led);
        return true;
    }
    if (layout_.spectral == SpectralKind::Spdx) {
        if (std::exchange(spdxTaken_, true))
            return false;
        row.record = nullptr;
        row.cells = &spdxCells_;
        row.line = 1;
        row.spectrum = &spdxSpectrum_;
        facts.spectrumRead = spdxProblem_.empty();
        facts.problem = spdxProblem_;
        return true;
    }
    if (layout_.spectral == SpectralKind::Cgats) {
        while (!cgats_->TakeSet(set_)) {
            if (!FeedCgats()) {
                UpdateDecoding();
                KeepCgatsNotes();
                return false;
            }
        }
        row.record = nullptr;
        row.cells = &set_.passThrough;
        row.line = set_.line;
        row.spectrum = &set_.spectrum;
        facts.spectrumRead = true;
        facts.problem = set_.error;
        return true;
    }
    do {
        if (!NextRecord()) {
            UpdateDecoding();
            return false;
        }
    } while (records_.blank() && !records_.unclosedQuote());
    UpdateDecoding();
    row.record = &records_;
    row.cells = nullptr;
    row.line = records_.line();
    if (records_.unclosedQuote()) {
        facts.fault = ReadFacts::Fault::UnclosedQuote;
        facts.quoteLine = records_.quoteLine();
    } else if (records_.cut()) {
        facts.fault = ReadFacts::Fault::Cut;
    }
    return true;
}

RowRater BatchReader::MakeRater() const
{
    return RowRater(layout_, options_, wide_);
}

bool BatchReader::Next(RatedRow &row)
{
    ReadFacts facts;
    if (!Read(row, facts))
        return false;
    if (!rater_)
        rater_ = std::make_unique<RowRater>(MakeRater());
    // A CGATS file's LED was read into its set, a long file's into spectrum_.
    rater_->Rate(row, facts,
                 layout_.spectral == SpectralKind::Cgats  ? set_.spectrum
                 : layout_.spectral == SpectralKind::Spdx ? spdxSpectrum_
                                                          : spectrum_,
                 bands_);
    return true;
}

bool BatchReader::ReadBlock(RowBlock &block)
{
    block.Clear();
    if (!blockRows_) {
        auto rows = std::make_shared<FileRows>();
        rows->rater = std::make_shared<const RowRater>(MakeRater());
        blockRows_ = std::move(rows);
    }
    ReadInto(block, blockRows_);
    block.SetBytesRead(bytesRead_);
    return !block.Empty();
}

bool BatchReader::ReadInto(RowBlock &block, const std::shared_ptr<const FileRows> &rows)
{
    RatedRow row;
    ReadFacts facts;
    // Records of plain lines: the lines whole, split by the thread that rates them.
    const bool lines = layout_.spectral == SpectralKind::None || layout_.spectral == SpectralKind::Wide;
    while (!block.Full()) {
        std::uint64_t firstLine = 0;
        if (lines && !pendingRecord_) {
            if (const std::string_view taken = records_.TakeLines(text_, textPos_, RowBlock::kMaxRows,
                                                                  RowBlock::kMaxBytes, firstLine);
                !taken.empty()) {
                block.KeepLines(taken, firstLine, records_.delimiter(), rows);
                return true;
            }
        }
        if (!Read(row, facts))
            return false;
        block.Keep(row, facts, rows);
    }
    return true;
}

namespace {

// A header cell as a message names it: quoted, and cut after 40 characters.
std::string NamedCell(std::string_view cell)
{
    return "“" + entry_rules::QuotableText(cell, 40) + "”";
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
    case HeaderProblem::SpectralFile:
        return layout.spectralNote;
    }
    return {};
}

std::string ReadingNotes(const Layout &layout)
{
    if (!layout.fileNotes.empty())
        return layout.fileNotes;
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
    if (!layout.spectralNote.empty())
        notes += layout.spectralNote + "\n";
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
