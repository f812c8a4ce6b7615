#include "plot_sample.h"

#include <QFileInfo>

#include <cmath>

namespace diagram {

namespace {

// SplitMix64: the same numbers with every compiler and library.
std::uint64_t Next(std::uint64_t &state)
{
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

} // namespace

std::size_t PlotPointsFor(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("pdf")   ? kPdfPlotPoints
           : suffix == QLatin1String("svg") ? kSvgPlotPoints
                                            : kPngPlotPoints;
}

PlotSample::PlotSample(std::size_t capacity) : capacity_(capacity) {}

void PlotSample::Add(const BatchPoint &p)
{
    if (!std::isfinite(p.x) || !std::isfinite(p.y))
        return;
    ++counts_.bands[std::size_t(StepBand(p.steps))];
    ++seen_;
    if (points_.size() < capacity_) {
        points_.push_back(p);
        return;
    }
    // The n-th row replaces a kept one with probability capacity / n, so
    // that every row so far is kept with the same probability. (The modulo's
    // bias is below one part in a billion for any file that fits a disk.)
    const std::uint64_t slot = Next(state_) % seen_;
    if (slot < capacity_)
        points_[std::size_t(slot)] = p;
}

} // namespace diagram
