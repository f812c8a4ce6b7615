#include "row_pipeline.h"

#include "output_file.h"

#include "process.h"

#include <algorithm>
#include <utility>
#include <utility>

namespace batch {

namespace {

// A block holds at most this many rows, or this much text (a wide file of
// 1 nm spectra: about 60 rows), so that a few blocks in flight stay small.
constexpr std::size_t kBlockRows = 512;
constexpr std::size_t kBlockBytes = 256u << 10;

} // namespace

void RowBlock::Clear()
{
    cells_.clear();
    cellEnds_.clear();
    problems_.clear();
    entries_.clear();
    files_.clear();
    bytesRead_ = 0;
}

bool RowBlock::Full() const
{
    return entries_.size() >= kBlockRows || cells_.size() >= kBlockBytes;
}

void RowBlock::Keep(const RatedRow &row, const ReadFacts &facts, const std::shared_ptr<const FileRows> &file)
{
    Entry entry;
    entry.line = row.line;
    entry.firstCell = cellEnds_.size();
    entry.cellCount = row.cellCount();
    entry.plain = row.plain();
    for (std::size_t i = 0; i < entry.cellCount; ++i) {
        cells_ += row.cell(i);
        cellEnds_.push_back(cells_.size());
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
    const std::size_t n = entries_.size();
    views_.resize(cellEnds_.size());
    for (std::size_t i = 0, begin = 0; i < cellEnds_.size(); begin = cellEnds_[i++])
        views_[i] = std::string_view(cells_).substr(begin, cellEnds_[i] - begin);
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
