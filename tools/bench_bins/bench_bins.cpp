// How fast a point finds its bin on one core: with no bins, with the ANSI
// quadrangles alone, with 1,000 sub-bins of them (each quadrangle cut into
// 25 × 5), with the quadrangle and the sub-bin of each point as the batch
// asks for both, and with 1,000 random overlapping polygons. Beside each,
// the batch's rate it would leave of a batch that rates rows at RATE rows/s
// without bins; then how long finding the overlaps takes among 50,000 and
// 100,000 stacked strips. Prints figures; checks nothing.
//
// Usage: bench_bins [points] [rate]   (default 4000000 points, 2000000 rows/s)

#include "ansi_quadrangles.h"

#include <numbers>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <time.h>
#include <vector>

namespace {

using colorimetry::Bin;
using colorimetry::BinSet;
using colorimetry::Xy;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The CPU time of this thread: steadier than the wall clock on a machine
// shared with other work.
double ThreadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

// A point of the quadrangle at s along the CCT (0: low end) and t along Duv
// (0: upper edge), bilinear between its corners.
Xy Between(const colorimetry::AnsiQuadrangle &q, double s, double t)
{
    const auto &c = q.corners;
    auto mix = [&](double Xy::*axis) {
        return (1 - s) * (1 - t) * c[0].*axis + s * (1 - t) * c[1].*axis + s * t * c[2].*axis
               + (1 - s) * t * c[3].*axis;
    };
    return {mix(&Xy::x), mix(&Xy::y)};
}

std::vector<Bin> SubBins(int alongCct, int alongDuv)
{
    std::vector<Bin> bins;
    for (const auto &q : colorimetry::AnsiQuadrangles()) {
        for (int i = 0; i < alongCct; ++i) {
            for (int j = 0; j < alongDuv; ++j) {
                const double s0 = double(i) / alongCct, s1 = double(i + 1) / alongCct;
                const double t0 = double(j) / alongDuv, t1 = double(j + 1) / alongDuv;
                bins.push_back({std::string(q.name) + "-" + std::to_string(i) + "-" + std::to_string(j),
                                {Between(q, s0, t0), Between(q, s1, t0), Between(q, s1, t1), Between(q, s0, t1)}});
            }
        }
    }
    return bins;
}

// Star-shaped polygons of 3–12 corners, 0.002–0.03 across, scattered over
// the white region so that many overlap.
std::vector<Bin> RandomBins(int count, std::mt19937_64 &random)
{
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<Bin> bins;
    for (int b = 0; b < count; ++b) {
        const Xy centre{0.30 + 0.19 * unit(random), 0.31 + 0.13 * unit(random)};
        const double size = 0.002 + 0.028 * unit(random);
        const int n = 3 + int(unit(random) * 10);
        Bin bin{"r" + std::to_string(b), {}};
        for (int i = 0; i < n; ++i) {
            const double a = (i + 0.8 * unit(random)) * 2 * std::numbers::pi / n;
            const double r = size * (0.3 + 0.7 * unit(random));
            bin.corners.push_back({centre.x + r * std::cos(a), centre.y + r * std::sin(a)});
        }
        bins.push_back(std::move(bin));
    }
    return bins;
}

// Horizontal strips across x 0.30–0.50, stacked over y 0.30–0.45, each
// sharing its edges with the next: every pair shares its x range.
std::vector<Bin> StackedStrips(int count)
{
    std::vector<Bin> bins;
    const double height = 0.15 / count;
    for (int i = 0; i < count; ++i) {
        const double y0 = 0.30 + i * height, y1 = 0.30 + (i + 1) * height;
        bins.push_back({"s" + std::to_string(i), {{0.30, y0}, {0.50, y0}, {0.50, y1}, {0.30, y1}}});
    }
    return bins;
}

template <typename Lookup>
double Measure(const char *label, const std::vector<Xy> &points, double batchRate, Lookup lookup)
{
    long found = 0;
    const double start = ThreadSeconds();
    for (const Xy &p : points)
        found += lookup(p) >= 0;
    const double seconds = ThreadSeconds() - start;
    const double rate = double(points.size()) / seconds;
    // Per row the batch spends 1/batchRate, and a lookup 1/rate more.
    const double withBins = 1 / (1 / batchRate + 1 / rate);
    std::printf("%-44s %12.0f lookups/s  %5.1f%% in a bin   batch %9.0f rows/s (%.0f%% of %.0f)\n", label,
                rate, 100.0 * double(found) / double(points.size()), withBins, 100 * withBins / batchRate,
                batchRate);
    return rate;
}

} // namespace

int main(int argc, char **argv)
{
    const long count = argc > 1 ? std::atol(argv[1]) : 4000000;
    const double batchRate = argc > 2 ? std::atof(argv[2]) : 2e6;
    if (count < 1 || !(batchRate > 0)) {
        std::fprintf(stderr, "usage: bench_bins [points > 0] [batch rows/s > 0]\n");
        return 2;
    }
    std::mt19937_64 random(20260518);

    // As scripts/bench_batch.sh writes them: scattered around (0.38, 0.38);
    // and spread over every quadrangle and beyond.
    std::vector<Xy> near, wide;
    std::uniform_real_distribution<double> nearby(0.37, 0.39), wideX(0.29, 0.50), wideY(0.30, 0.45);
    for (long i = 0; i < count; ++i) {
        near.push_back({nearby(random), nearby(random)});
        wide.push_back({wideX(random), wideY(random)});
    }

    Clock::time_point start = Clock::now();
    const BinSet sub(SubBins(25, 5));
    const double subBuild = SecondsSince(start);
    start = Clock::now();
    const BinSet scattered(RandomBins(1000, random));
    const double scatteredBuild = SecondsSince(start);
    const BinSet none;
    const BinSet &ansi = colorimetry::AnsiQuadrangleBins();

    std::printf("%ld points per run, one core, per second of its CPU time\n\n", count);
    for (const auto *points : {&near, &wide}) {
        std::printf("%s\n", points == &near ? "Points around (0.38, 0.38), as bench_batch.sh writes them:"
                                            : "Points spread over 0.29–0.50 × 0.30–0.45:");
        Measure("  no bins", *points, batchRate, [&](Xy p) { return none.Find(p); });
        const double quadrangles =
            Measure("  ANSI quadrangles (8)", *points, batchRate, [&](Xy p) { return ansi.Find(p); });
        Measure("  1,000 sub-bins of the quadrangles", *points, batchRate, [&](Xy p) { return sub.Find(p); });
        const double both = Measure("  ANSI quadrangle + 1,000 sub-bins", *points, batchRate,
                                    [&](Xy p) { return ansi.Find(p) + sub.Find(p); });
        Measure("  1,000 random overlapping polygons", *points, batchRate,
                [&](Xy p) { return scattered.Find(p); });
        // The batch always names the quadrangle; --bins adds the bin.
        const double without = 1 / (1 / batchRate + 1 / quadrangles), with = 1 / (1 / batchRate + 1 / both);
        std::printf("  batch with 1,000 bins: %.0f rows/s, %.0f%% of its %.0f rows/s without them\n\n", with,
                    100 * with / without, without);
    }

    start = Clock::now();
    const auto subOverlaps = sub.FindOverlaps();
    const double subOverlapSeconds = SecondsSince(start);
    start = Clock::now();
    const auto scatteredOverlaps = scattered.FindOverlaps();
    const double scatteredOverlapSeconds = SecondsSince(start);
    std::printf("Building: sub-bins %.1f ms, random polygons %.1f ms\n", subBuild * 1e3, scatteredBuild * 1e3);
    std::printf("Overlaps: sub-bins %zu pairs in %.1f ms; random polygons %zu pairs in %.1f ms\n",
                subOverlaps.pairs.size(), subOverlapSeconds * 1e3, scatteredOverlaps.pairs.size(),
                scatteredOverlapSeconds * 1e3);
    for (const int count : {50000, 100000}) {
        start = Clock::now();
        const BinSet strips(StackedStrips(count));
        const double build = SecondsSince(start);
        start = Clock::now();
        const auto overlaps = strips.FindOverlaps();
        std::printf("%d stacked strips: built in %.2f s, overlaps (%zu pairs%s) in %.2f s\n", count, build,
                    overlaps.pairs.size(), overlaps.complete ? "" : ", search stopped", SecondsSince(start));
    }
    std::printf("Goal: at least 1,000,000 lookups/s with 1,000 bins, and the batch no slower than "
                "three quarters of its rate without bins; overlaps of 50,000 bins in under 2 s.\n");
    return 0;
}
