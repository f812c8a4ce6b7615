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
    bytesRead_ = 0;
}

bool RowBlock::Full() const
{
    return entries_.size() >= kBlockRows || cells_.size() >= kBlockBytes;
}

void RowBlock::Keep(const RatedRow &row, const ReadFacts &facts)
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

void RowBlock::Rate(const RowRater &rater)
{
    const std::size_t n = entries_.size();
    views_.resize(cellEnds_.size());
    for (std::size_t i = 0, begin = 0; i < cellEnds_.size(); begin = cellEnds_[i++])
        views_[i] = std::string_view(cells_).substr(begin, cellEnds_[i] - begin);
    if (rows_.size() < n)
        rows_.resize(n);
    if (bands_.size() < n)
        bands_.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        Entry &entry = entries_[i];
        RatedRow &row = rows_[i];
        row.record = nullptr;
        row.cells = nullptr;
        row.kept = std::span<const std::string_view>(views_).subspan(entry.firstCell, entry.cellCount);
        row.keptPlain = entry.plain;
        row.line = entry.line;
        entry.facts.problem = std::string_view(problems_).substr(entry.problemBegin, entry.problemEnd - entry.problemBegin);
        rater.Rate(row, entry.facts, spectra_[i], bands_[i]);
    }
}

int RowPipeline::MachineThreads()
{
    return platform::UsableCores();
}

RowPipeline::RowPipeline(BatchReader &reader, int jobs, std::optional<Format> format)
    : reader_(reader), layout_(reader.layout()), rater_(reader.MakeRater()), format_(format)
{
    jobs = std::max(1, jobs);
    // Enough blocks that every thread has one to rate while the next are
    // read and the oldest handed on.
    inFlight_ = std::size_t(jobs) * 2 + 2;
    for (int i = 0; i < jobs; ++i)
        threads_.emplace_back([this] { Work(); });
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
    const RowRater rater = rater_;
    std::string written;
    OutputBuffer out(written);
    std::optional<RowWriter> writer;
    if (format_)
        writer.emplace(out, *format_, layout_);
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
            slot->block.Rate(rater);
            if (writer) {
                for (std::size_t i = 0; i < slot->block.size(); ++i)
                    writer->Write(slot->block.row(i));
                out.Flush();
                slot->block.text_out_.swap(written);
                written.clear();
            }
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
            more_ = reader_.ReadBlock(slot->block);
            if (!more_) {
                free_.push_back(slot);
                break;
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
