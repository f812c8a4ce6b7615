#include "row_pipeline.h"

#include "output_file.h"

#include "process.h"

#include <algorithm>
#include <utility>
#include <utility>

namespace batch {

void RowBlock::Clear()
{
    cells_.clear();
    cellBegins_.clear();
    cellEnds_.clear();
    problems_.clear();
    entries_.clear();
    files_.clear();
    lines_.clear();
    linesFile_.reset();
    bytesRead_ = 0;
}

// A block holds at most kMaxRows rows, or kMaxBytes of text (a wide file of
// 1 nm spectra: about 60 rows), so that a few blocks in flight stay small.
bool RowBlock::Full() const
{
    return entries_.size() >= kMaxRows || cells_.size() >= kMaxBytes || !lines_.empty();
}

void RowBlock::KeepLines(std::string_view lines, std::uint64_t firstLine, char delimiter,
                         const std::shared_ptr<const FileRows> &file)
{
    lines_.assign(lines);
    linesFirst_ = firstLine;
    linesDelimiter_ = delimiter;
    linesFile_ = file;
}

void RowBlock::SplitLines()
{
    if (lines_.empty())
        return;
    // As BatchReader reads records: blank ones skipped, a cut one marked.
    RecordReader records;
    records.SetDelimiter(linesDelimiter_);
    cells_.reserve(cells_.size() + lines_.size());
    RatedRow row;
    row.record = &records;
    std::size_t pos = 0;
    while (records.Take(lines_, pos)) {
        if (records.blank())
            continue;
        row.line = linesFirst_ - 1 + records.line();
        ReadFacts facts;
        if (records.cut())
            facts.fault = ReadFacts::Fault::Cut;
        Keep(row, facts, linesFile_);
    }
    lines_.clear();
}

void RowBlock::Keep(const RatedRow &row, const ReadFacts &facts, const std::shared_ptr<const FileRows> &file)
{
    Entry entry;
    entry.line = row.line;
    entry.firstCell = cellEnds_.size();
    entry.cellCount = row.cellCount();
    entry.plain = row.plain();
    // A plain line is kept whole, in one copy, its cells within it.
    const std::string_view line = row.record ? row.record->plainLine() : std::string_view();
    const std::size_t base = cells_.size();
    cells_ += line;
    entry.lineBegin = base;
    entry.lineSize = line.size();
    for (std::size_t i = 0; i < entry.cellCount; ++i) {
        const std::string_view cell = row.cell(i);
        std::size_t begin = cells_.size();
        if (line.empty())
            cells_ += cell;
        else
            begin = base + std::size_t(cell.data() - line.data());
        cellBegins_.push_back(begin);
        cellEnds_.push_back(begin + cell.size());
    }
    entry.facts = facts;
    entry.facts.problem = {};
    entry.problemBegin = problems_.size();
    problems_ += facts.problem;
    entry.problemEnd = problems_.size();
    if (files_.empty() || files_.back() != file)
        files_.push_back(file);
    entry.file = files_.size() - 1;
    const std::size_t index = entries_.size();
    entries_.push_back(entry);
    if (spectra_.size() <= index)
        spectra_.resize(index + 1);
    if (facts.spectrumRead && row.spectrum) {
        spectra_[index].nm.assign(row.spectrum->nm.begin(), row.spectrum->nm.end());
        spectra_[index].value.assign(row.spectrum->value.begin(), row.spectrum->value.end());
    } else {
        spectra_[index].clear();
    }
}

void RowBlock::Rate()
{
    SplitLines();
    const std::size_t n = entries_.size();
    views_.resize(cellEnds_.size());
    for (std::size_t i = 0; i < cellEnds_.size(); ++i)
        views_[i] = std::string_view(cells_).substr(cellBegins_[i], cellEnds_[i] - cellBegins_[i]);
    if (rows_.size() < n)
        rows_.resize(n);
    if (bands_.size() < n)
        bands_.resize(n);
    bool named = false;
    for (std::size_t i = 0; i < n; ++i) {
        Entry &entry = entries_[i];
        RatedRow &row = rows_[i];
        row.record = nullptr;
        row.cells = nullptr;
        row.kept = std::span<const std::string_view>(views_).subspan(entry.firstCell, entry.cellCount);
        row.keptPlain = entry.plain;
        row.keptLine = std::string_view(cells_).substr(entry.lineBegin, entry.lineSize);
        row.line = entry.line;
        entry.facts.problem = std::string_view(problems_).substr(entry.problemBegin, entry.problemEnd - entry.problemBegin);
        const FileRows &file = *files_[entry.file];
        file.rater->Rate(row, entry.facts, spectra_[i], bands_[i]);
        named = named || file.named;
    }
    if (!named)
        return;
    // The rows of a file among several: its name, then its cells where the
    // output's columns take them, then the rest, none lost.
    shown_.clear();
    std::vector<std::size_t> first(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Entry &entry = entries_[i];
        const FileRows &file = *files_[entry.file];
        const std::span<const std::string_view> cells = rows_[i].kept;
        auto cell = [&](std::size_t k) { return k < cells.size() ? cells[k] : std::string_view(); };
        first[i] = shown_.size();
        shown_.push_back(file.name);
        for (const std::ptrdiff_t column : file.columnOf)
            shown_.push_back(column < 0 ? std::string_view() : cell(std::size_t(column)));
        for (const std::size_t column : file.leftOver)
            shown_.push_back(cell(column));
        for (std::size_t k = file.headerCells; k < cells.size(); ++k)
            shown_.push_back(cells[k]);
        rows_[i].keptPlain = false;
        rows_[i].keptLine = {};
    }
    for (std::size_t i = 0; i < n; ++i)
        rows_[i].kept = std::span<const std::string_view>(shown_).subspan(first[i], (i + 1 < n ? first[i + 1] : shown_.size()) - first[i]);
}

int RowPipeline::MachineThreads()
{
    return platform::UsableCores();
}

RowPipeline::RowPipeline(RowSource &source, int jobs, std::optional<Format> format)
    : source_(source), layout_(source.layout()), format_(format)
{
    jobs = std::max(1, jobs);
    if (jobs == 1) {
        // One thread: each block is rated (and written) here, as it is read.
        inFlight_ = 1;
        inline_ = std::make_unique<Writing>(format_, layout_);
        return;
    }
    // Enough blocks that every thread has one to rate while the next are
    // read and the oldest handed on.
    inFlight_ = std::size_t(jobs) * 2 + 2;
    for (int i = 0; i < jobs; ++i)
        threads_.emplace_back([this] { Work(); });
}

RowPipeline::Writing::Writing(const std::optional<Format> &format, const Layout &layout) : out(text)
{
    if (format)
        writer.emplace(out, *format, layout);
}

void RowPipeline::Writing::Rate(RowBlock &block)
{
    block.Rate();
    if (!writer)
        return;
    for (std::size_t i = 0; i < block.size(); ++i)
        writer->Write(block.row(i));
    out.Flush();
    block.text_out_.swap(text);
    text.clear();
}

RowPipeline::~RowPipeline()
{
    Stop();
}

void RowPipeline::Stop()
{
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    work_.notify_all();
    for (std::thread &thread : threads_) {
        if (thread.joinable())
            thread.join();
    }
}

void RowPipeline::Work()
{
    KeepInterruptsFromThisThread();
    Writing writing(format_, layout_);
    while (true) {
        Slot *slot = nullptr;
        {
            std::unique_lock lock(mutex_);
            work_.wait(lock, [&] { return stop_ || !waiting_.empty(); });
            if (stop_)
                return;
            slot = waiting_.front();
            waiting_.pop_front();
        }
        try {
            writing.Rate(slot->block);
        } catch (...) {
            const std::lock_guard lock(mutex_);
            if (!failure_)
                failure_ = std::current_exception();
        }
        {
            const std::lock_guard lock(mutex_);
            slot->rated = true;
        }
        rated_.notify_all();
    }
}

const RowBlock *RowPipeline::NextBlock()
{
    if (handed_)
        free_.push_back(std::exchange(handed_, nullptr));
    try {
        while (more_ && order_.size() < inFlight_) {
            Slot *slot = nullptr;
            if (!free_.empty()) {
                slot = free_.back();
                free_.pop_back();
            } else {
                slots_.push_back(std::make_unique<Slot>());
                slot = slots_.back().get();
            }
            slot->rated = false;
            more_ = source_.ReadBlock(slot->block);
            if (!more_) {
                free_.push_back(slot);
                break;
            }
            if (inline_) {
                inline_->Rate(slot->block);
                slot->rated = true;
                order_.push_back(slot);
                continue;
            }
            {
                const std::lock_guard lock(mutex_);
                waiting_.push_back(slot);
            }
            work_.notify_one();
            order_.push_back(slot);
        }
        if (order_.empty())
            return nullptr;
        Slot *oldest = order_.front();
        {
            std::unique_lock lock(mutex_);
            rated_.wait(lock, [&] { return oldest->rated; });
            if (failure_)
                std::rethrow_exception(failure_);
        }
        order_.pop_front();
        handed_ = oldest;
        return &oldest->block;
    } catch (...) {
        Stop();
        throw;
    }
}

bool RowPipeline::Next(RatedRow &row)
{
    while (!handed_ || nextRow_ >= handed_->block.size()) {
        nextRow_ = 0;
        if (!NextBlock())
            return false;
    }
    row = handed_->block.row(nextRow_++);
    return true;
}

void RowPipeline::Run(const std::function<bool(const RowBlock &)> &consume)
{
    while (const RowBlock *block = NextBlock()) {
        if (!consume(*block))
            break;
    }
}

} // namespace batch
