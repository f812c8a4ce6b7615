// How many measured spectra one core rates per second with every figure:
// check, resampling to 5 nm, XYZ, (x, y), (u′, v′), exact CCT and Duv,
// colour rendering Ra and R1–R15, peak, FWHM and luminous efficacy.
// The spectra are phosphor-converted white LEDs (a blue pump and one or two
// phosphor bands) at 5 nm, then at 1 nm. Prints figures; checks nothing.
//
// Usage: bench_spectra [spectra]   (default 400000)

#include "spectral_figures.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Gauss(double nm, double centre, double width)
{
    const double t = (nm - centre) / width;
    return std::exp(-0.5 * t * t);
}

// Distinct white LEDs from about 2700 K to 6500 K: the pump at 440–460 nm,
// a yellow-green phosphor, and for half of them a red one; only those whose
// CCT is defined, so that every one goes through the colour rendering.
std::vector<colorimetry::Spectrum> Leds(std::size_t count, double stepNm)
{
    std::mt19937_64 random(17);
    std::uniform_real_distribution<double> pump(440, 460), pumpShare(0.8, 2.0), green(530, 580),
        greenWidth(40, 65), red(615, 645), redShare(0.8, 1.6);
    std::vector<colorimetry::Spectrum> leds;
    for (int i = 0; leds.size() < count; ++i) {
        const double p = pump(random), ps = pumpShare(random), g = green(random), gw = greenWidth(random);
        const double r = red(random), rs = i % 2 ? redShare(random) : 0;
        colorimetry::Spectrum s;
        for (double nm = 380; nm <= 780 + 1e-9; nm += stepNm) {
            s.nm.push_back(nm);
            s.value.push_back(ps * Gauss(nm, p, 9) + Gauss(nm, g, gw) + rs * Gauss(nm, r, 35));
        }
        if (colorimetry::FiguresOf(s).rendering.defined)
            leds.push_back(std::move(s));
    }
    return leds;
}

void Measure(long count, double stepNm)
{
    // Few enough to stay in the cache, as a row just read is.
    const std::vector<colorimetry::Spectrum> leds = Leds(256, stepNm);
    // Warm the caches of the locus and the sample products.
    colorimetry::FiguresOf(leds[0]);
    double checksum = 0;
    long rated = 0;
    const Clock::time_point start = Clock::now();
    const std::clock_t cpuStart = std::clock();
    for (long i = 0; i < count; ++i) {
        const colorimetry::SpectrumFigures f = colorimetry::FiguresOf(leds[std::size_t(i) % leds.size()]);
        rated += f.ok() && f.rendering.defined;
        checksum += f.rendering.ra + f.cct.cct + f.ler;
    }
    const double cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    // On a shared machine the wall clock counts other programs' turns too;
    // the processor time is this core's own.
    std::printf("%g nm (%zu samples): %ld spectra in %.3f s of processor time (%.3f s wall) = "
                "%.0f per second on one core (%.1f%% with Ra)\n",
                stepNm, leds[0].nm.size(), count, cpuSeconds, seconds, count / cpuSeconds,
                100.0 * rated / count);
    if (stepNm == 5)
        std::printf("goal: at least 200000 spectra per second at 5 nm: %s\n",
                    count / cpuSeconds >= 2e5 ? "met" : "NOT met");
    std::printf("(checksum %.6g)\n", checksum);
}

} // namespace

int main(int argc, char **argv)
{
    const long count = argc > 1 ? std::atol(argv[1]) : 400000;
    if (count < 1) {
        std::fprintf(stderr, "usage: bench_spectra [spectra > 0]\n");
        return 2;
    }
    Measure(count, 5);
    Measure(count, 1);
    return 0;
}
