#pragma once
// The dots of a batch plot in bounded memory: of however many rows, at most
// a fixed number are kept, a uniform sample of them all (reservoir
// sampling with a fixed seed, so that a file gives the same picture every
// time), beside the true count of every band.

#include "scene.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace diagram {

// The dots a plot file keeps at most, by its format, so that writing it
// stays well under 50 MiB whatever the batch's size: a PNG's writer holds
// its pixels, but Qt's SVG and PDF writers hold every dot as text until the
// end (about 300 and 800 bytes a dot).
inline constexpr std::size_t kPngPlotPoints = 100000;
inline constexpr std::size_t kSvgPlotPoints = 50000;
inline constexpr std::size_t kPdfPlotPoints = 15000;
std::size_t PlotPointsFor(const QString &path);

class PlotSample {
public:
    explicit PlotSample(std::size_t capacity);

    // One more row; rows without finite coordinates are neither drawn nor counted.
    void Add(const BatchPoint &p);

    const std::vector<BatchPoint> &points() const { return points_; }
    const BatchCounts &counts() const { return counts_; }
    // The kept dots, moved out (the sample is then empty of dots).
    std::vector<BatchPoint> TakePoints() { return std::move(points_); }

private:
    std::size_t capacity_;
    std::vector<BatchPoint> points_;
    BatchCounts counts_;
    std::uint64_t seen_ = 0;
    std::uint64_t state_ = 0x2545f4914f6cdd1dULL; // the generator's, from a fixed seed
};

} // namespace diagram
