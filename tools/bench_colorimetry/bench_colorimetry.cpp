// How fast the colorimetry answers on one core: the first exact CCT (which
// builds the cached locus table), then exact CCT and Duv over a few million
// varied points near the locus, and the standard's SDCM over points around
// every row of the ellipse table. Prints figures; checks nothing.
//
// Usage: bench_colorimetry [points]   (default 4000000)

#include "colorimetry.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char **argv)
{
    const long count = argc > 1 ? std::atol(argv[1]) : 4000000;
    if (count < 1) {
        std::fprintf(stderr, "usage: bench_colorimetry [points > 0]\n");
        return 2;
    }

    // The first call pays for the table of the locus.
    Clock::time_point start = Clock::now();
    const colorimetry::CctResult first = colorimetry::ExactCct({0.3127, 0.3290});
    const double firstSeconds = SecondsSince(start);

    // Points spread evenly in mireds over 1000–20000 K and in Duv over
    // ±0.055, so that a few land off the locus as measured points do.
    std::mt19937_64 random(20260101);
    std::uniform_real_distribution<double> mired(1e6 / 20000, 1e6 / 1000), duv(-0.055, 0.055);
    std::vector<colorimetry::Xy> points;
    points.reserve(count);
    const int distinct = 1 << 16;
    for (int i = 0; i < distinct && i < count; ++i)
        points.push_back(colorimetry::XyFromCctDuv(1e6 / mired(random), duv(random)));
    // Beyond the distinct points, small random moves of them: every call
    // sees a new point, without spending the set-up on the locus.
    std::uniform_real_distribution<double> jitter(-1e-4, 1e-4);
    for (long i = distinct; i < count; ++i) {
        const colorimetry::Xy p = points[i % distinct];
        points.push_back({p.x + jitter(random), p.y + jitter(random)});
    }

    long defined = 0;
    double checksum = 0;
    start = Clock::now();
    for (const colorimetry::Xy &p : points) {
        const colorimetry::CctResult r = colorimetry::ExactCct(p);
        defined += r.defined();
        checksum += r.cct + r.duv;
    }
    const double cctSeconds = SecondsSince(start);

    // The standard's SDCM around each row's centre, within about ten steps.
    std::uniform_real_distribution<double> offset(-0.01, 0.01);
    std::vector<colorimetry::Xy> around;
    around.reserve(count);
    for (long i = 0; i < count; ++i) {
        const tolerance::ToleranceEllipse &row = tolerance::EllipseTable[i % tolerance::EllipseTable.size()];
        around.push_back({row.x0 + offset(random), row.y0 + offset(random)});
    }
    start = Clock::now();
    for (long i = 0; i < count; ++i)
        checksum += colorimetry::StandardSdcm(tolerance::EllipseTable[i % tolerance::EllipseTable.size()], around[i]);
    const double sdcmSeconds = SecondsSince(start);

    std::printf("first ExactCct (builds the locus table): %.3f ms (%s)\n", firstSeconds * 1e3,
                first.defined() ? "defined" : "not defined");
    std::printf("ExactCct: %ld points in %.3f s = %.0f per second on one core (%.1f%% defined)\n", count,
                cctSeconds, count / cctSeconds, 100.0 * defined / count);
    std::printf("StandardSdcm: %ld points in %.3f s = %.0f per second on one core\n", count, sdcmSeconds,
                count / sdcmSeconds);
    std::printf("goal: at least 1000000 ExactCct per second: %s\n",
                count / cctSeconds >= 1e6 ? "met" : "NOT met");
    std::printf("(checksum %.6g)\n", checksum);
    return 0;
}
