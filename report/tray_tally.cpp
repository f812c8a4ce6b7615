#include "tray_tally.h"

#include "ansi_quadrangles.h"

#include <algorithm>
#include <cmath>

namespace report {

Histogram::Histogram(std::string title, std::string unit, double low, double width, std::size_t bins,
                     int decimals)
    : title_(std::move(title)), unit_(std::move(unit)), low_(low), width_(width), decimals_(decimals),
      counts_(bins, 0)
{
}

void Histogram::Add(double value)
{
    if (!std::isfinite(value))
        return;
    least_ = count_ ? std::min(least_, value) : value;
    greatest_ = count_ ? std::max(greatest_, value) : value;
    sum_ += value;
    ++count_;
    const double at = std::floor((value - low_) / width_);
    if (at < 0)
        ++below_;
    else if (at >= double(counts_.size()))
        ++above_;
    else
        ++counts_[std::size_t(at)];
}

std::vector<Histogram::Bar> Histogram::Bars(std::size_t most) const
{
    std::vector<Bar> bars;
    if (count_ == below_ + above_ || most == 0)
        return bars;
    std::size_t first = 0;
    while (counts_[first] == 0)
        ++first;
    std::size_t last = counts_.size() - 1;
    while (counts_[last] == 0)
        --last;
    // Bars start at a multiple of their width, so that their edges are round.
    std::size_t group = (last - first + most) / most;
    while ((last - (first - first % group)) / group + 1 > most)
        ++group;
    first -= first % group;
    for (std::size_t i = first; i <= last; i += group) {
        Bar bar{low_ + double(i) * width_, low_ + double(i + group) * width_, 0};
        for (std::size_t k = i; k < std::min(i + group, counts_.size()); ++k)
            bar.count += counts_[k];
        bars.push_back(bar);
    }
    return bars;
}

TrayTally::TrayTally(const ReportContext &context)
    : context_(context), summary_(context.target),
      ansi_(colorimetry::AnsiQuadrangles().size(), 0),
      bins_(context.bins ? context.bins->size() : 0, 0)
{
    histograms_.emplace_back("色容差 Steps", "步", 0, 1, 100, 0);
    histograms_.emplace_back("色温 CCT", "K", 1000, 10, 1900, 0);
    histograms_.emplace_back("Duv", "", -0.05, 0.0002, 500, 4);
    histograms_.emplace_back("显色指数 Ra", "", -300, 0.5, 800, 1);
    histograms_.emplace_back("R9（饱和红）", "", -300, 0.5, 800, 1);
    histograms_.emplace_back("保真度 Rf（TM-30）", "", 0, 0.5, 200, 1);
}

void TrayTally::Add(const batch::RatedRow &row, const batch::Layout &layout)
{
    const batch::Rating &r = row.rating;
    summary_.Add(r);
    if (!r.rated) {
        if (failures_.size() < kListedFailures)
            failures_.push_back({batch::SampleName(row, layout), row.line, r.error});
        return;
    }
    points_.Add({r.x, r.y, context_.target ? r.steps : -1, std::int64_t(row.line)});
    if (context_.target)
        histograms_[Steps].Add(r.steps);
    if (r.exact.defined())
        histograms_[Cct].Add(r.exact.cct);
    if (r.exact.state != colorimetry::CctState::NoChromaticity)
        histograms_[Duv].Add(r.exact.duv);
    if (r.ansi >= 0 && std::size_t(r.ansi) < ansi_.size())
        ++ansi_[std::size_t(r.ansi)];
    else
        ++noAnsi_;
    if (!bins_.empty()) {
        if (r.bin >= 0 && std::size_t(r.bin) < bins_.size())
            ++bins_[std::size_t(r.bin)];
        else
            ++noBin_;
    }
    const colorimetry::SpectrumFigures &f = r.spectral.figures;
    if (r.spectral.present && f.ok()) {
        ++spectral_;
        if (f.rendering.defined) {
            histograms_[Ra].Add(f.rendering.ra);
            histograms_[R9].Add(f.rendering.r[8]);
        }
        if (r.spectral.tm30.fidelityDefined)
            histograms_[Rf].Add(r.spectral.tm30.rf);
    }
}

} // namespace report
