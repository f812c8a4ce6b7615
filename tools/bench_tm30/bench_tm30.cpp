// TM-30 through the library: how many spectra one core rates per second, and
// how far the 5 nm figures lie from those of the same computation at 1 nm
// (the light, the samples and the observers interpolated to 1 nm, linearly
// and by a cubic), on CIE F1–F12, A, D65 and five phosphor LEDs. Prints
// figures; checks nothing.
//
// Usage: bench_tm30 [spectra]   (default 200000)

#include "sample_lights.h"
#include "tm30.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <vector>

namespace {

using namespace colorimetry;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The processor time this process has had: on a machine shared with other
// work, the wall clock counts their time too.
double CpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

// ---- The same computation at 1 nm ------------------------------------------

constexpr std::size_t kFineCount = kLastBandNm - kFirstBandNm + 1;
using Fine = std::vector<double>;

enum class Interpolation { Linear, Cubic };

// 5 nm bands to 1 nm: straight lines, or Catmull–Rom cubics (the end bands
// repeated beyond the range).
Fine ToFine(const Bands &b, Interpolation how)
{
    Fine f(kFineCount);
    auto at = [&b](long k) { return b[std::size_t(std::clamp(k, 0L, long(kBandCount) - 1))]; };
    for (std::size_t n = 0; n < kFineCount; ++n) {
        const long k = long(n / kBandStepNm);
        const double t = double(n % kBandStepNm) / kBandStepNm;
        const double p0 = at(k - 1), p1 = at(k), p2 = at(k + 1), p3 = at(k + 2);
        f[n] = how == Interpolation::Linear
                   ? p1 + (p2 - p1) * t
                   : p1 + 0.5 * t * (p2 - p0 + t * (2 * p0 - 5 * p1 + 4 * p2 - p3 + t * (3 * (p1 - p2) + p3 - p0)));
    }
    return f;
}

struct FineObserver {
    Fine x, y, z;
};

Xyz Sum(const Fine &s, const FineObserver &o, const Fine *reflectance = nullptr)
{
    Xyz r;
    for (std::size_t n = 0; n < kFineCount; ++n) {
        const double v = s[n] * (reflectance ? (*reflectance)[n] : 1.0);
        r.X += v * o.x[n];
        r.Y += v * o.y[n];
        r.Z += v * o.z[n];
    }
    return r;
}

// The reference light at 1 nm: Planck's law at every nanometre, daylight
// from its components interpolated linearly (CIE 15), mixed at equal Y10.
Fine FineReference(double kelvin, const FineObserver &ten)
{
    Fine planck(kFineCount);
    for (std::size_t n = 0; n < kFineCount; ++n) {
        const double metres = (kFirstBandNm + double(n)) * 1e-9;
        planck[n] = 1.0 / (std::pow(metres, 5) * std::expm1(kSecondRadiationConstant / (metres * kelvin)));
    }
    if (kelvin < 4000)
        return planck;
    Fine daylight = ToFine(DaylightBands(kelvin), Interpolation::Linear);
    if (kelvin >= 5000)
        return daylight;
    const double m = (kelvin - 4000) / 1000;
    const double wp = (1 - m) / Sum(planck, ten).Y, wd = m / Sum(daylight, ten).Y;
    for (std::size_t n = 0; n < kFineCount; ++n)
        daylight[n] = wp * planck[n] + wd * daylight[n];
    return daylight;
}

Tm30Result FineTm30(const Bands &light, Interpolation how)
{
    const FineObserver two{ToFine(XBar2(), how), ToFine(YBar2(), how), ToFine(ZBar2(), how)};
    const FineObserver ten{ToFine(XBar10(), how), ToFine(YBar10(), how), ToFine(ZBar10(), how)};
    const Fine test = ToFine(light, how);
    const Xyz xyz2 = Sum(test, two);
    const double s = xyz2.X + xyz2.Y + xyz2.Z;
    const CctResult cct = ExactCct({xyz2.X / s, xyz2.Y / s});
    if (!cct.defined())
        return {};
    const Fine reference = FineReference(cct.cct, ten);
    CesTristimulus underTest, underReference;
    for (std::size_t i = 0; i < kCesCount; ++i) {
        const Fine r = ToFine(CesReflectance(i), how);
        underTest[i] = Sum(test, ten, &r);
        underReference[i] = Sum(reference, ten, &r);
    }
    return Tm30FromTristimulus(cct, underTest, Sum(test, ten), underReference, Sum(reference, ten));
}

struct Spread {
    double rf = 0, rg = 0, rfBin = 0, rcsBin = 0;
    int moved = 0; // samples in another hue bin
    void Take(const Tm30Result &a, const Tm30Result &b)
    {
        rf = std::max(rf, std::fabs(a.rf - b.rf));
        rg = std::max(rg, std::fabs(a.rg - b.rg));
        for (std::size_t j = 0; j < kHueBinCount; ++j) {
            rfBin = std::max(rfBin, std::fabs(a.bins[j].rf - b.bins[j].rf));
            rcsBin = std::max(rcsBin, std::fabs(a.bins[j].rcs - b.bins[j].rcs));
        }
        for (std::size_t i = 0; i < kCesCount; ++i)
            moved += a.sampleBin[i] != b.sampleBin[i];
    }
    void Print(const char *how) const
    {
        std::printf("  %-7s Rf %.3f  Rg %.3f  Rf,hj %.3f  Rcs,hj %.3f %%  (%d CES in another hue bin)\n", how, rf,
                    rg, rfBin, rcsBin, moved);
    }
};

void CompareSamplings()
{
    std::printf("|5 nm − 1 nm| (light, samples and observers interpolated to 1 nm, linearly / by a cubic):\n");
    Spread allLinear, allCubic, sameBinsCubic;
    for (const bench::SampleLight &light : bench::SampleLights()) {
        const Tm30Result coarse = ComputeTm30(light.bands);
        const Tm30Result lin = FineTm30(light.bands, Interpolation::Linear);
        const Tm30Result cub = FineTm30(light.bands, Interpolation::Cubic);
        if (!coarse.defined || !lin.defined || !cub.defined) {
            std::printf("%s: not defined\n", light.name.c_str());
            continue;
        }
        Spread linear, cubic;
        linear.Take(coarse, lin);
        cubic.Take(coarse, cub);
        std::printf("%s (%.0f K, Rf %.2f, Rg %.2f)\n", light.name.c_str(), coarse.cct.cct, coarse.rf, coarse.rg);
        linear.Print("linear");
        cubic.Print("cubic");
        allLinear.Take(coarse, lin);
        allCubic.Take(coarse, cub);
        if (cubic.moved == 0)
            sameBinsCubic.Take(coarse, cub);
    }
    std::printf("largest over all lights:\n");
    allLinear.Print("linear");
    allCubic.Print("cubic");
    std::printf("largest where no CES changes bin:\n");
    sameBinsCubic.Print("cubic");
}

// ---- Speed --------------------------------------------------------------------

std::vector<Bands> VariedLeds(std::size_t count)
{
    std::mt19937_64 random(20260301);
    std::uniform_real_distribution<double> pump(440, 460), weight(0.4, 1.6), green(520, 570),
        red(600, 660), width(80, 130), second(0, 1);
    std::vector<Bands> lights;
    lights.reserve(count);
    while (lights.size() < count) {
        const bench::LedRecipe r{"", pump(random), weight(random), green(random), width(random), 1.0,
                                 red(random), width(random), second(random) < 0.3 ? 0.0 : weight(random)};
        const Bands b = bench::LedBands(r);
        const Xyz xyz = Tristimulus2(b);
        const double s = xyz.X + xyz.Y + xyz.Z;
        if (ExactCct({xyz.X / s, xyz.Y / s}).defined())
            lights.push_back(b); // only lights that have figures: no cheap refusals
    }
    return lights;
}

} // namespace

int main(int argc, char **argv)
{
    const long count = argc > 1 ? std::atol(argv[1]) : 200000;
    if (count < 1) {
        std::fprintf(stderr, "usage: bench_tm30 [spectra > 0]\n");
        return 2;
    }
    CompareSamplings();

    Clock::time_point start = Clock::now();
    const Tm30Result first = ComputeTm30(DaylightBands(6504));
    const double firstSeconds = SecondsSince(start);

    const std::vector<Bands> lights = VariedLeds(4096);
    long defined = 0;
    double checksum = 0, lowestCct = 1e9, highestCct = 0;
    start = Clock::now();
    const double cpuStart = CpuSeconds();
    for (long i = 0; i < count; ++i) {
        const Tm30Result r = ComputeTm30(lights[std::size_t(i) % lights.size()]);
        defined += r.defined;
        checksum += r.rf + r.rg + r.bins[0].rcs;
        if (r.defined) {
            lowestCct = std::min(lowestCct, r.cct.cct);
            highestCct = std::max(highestCct, r.cct.cct);
        }
    }
    const double seconds = SecondsSince(start), cpu = CpuSeconds() - cpuStart;
    std::printf("first ComputeTm30 (builds the sample tables): %.3f ms (D65: Rf %.2f, Rg %.2f)\n",
                firstSeconds * 1e3, first.rf, first.rg);
    std::printf("ComputeTm30: %ld LED spectra (CCT %.0f–%.0f K, %.1f%% defined): %.3f s of processor time = %.0f "
                "per second on one core (%.0f per second of wall time)\n",
                count, lowestCct, highestCct, 100.0 * defined / count, cpu, count / cpu, count / seconds);
    std::printf("goal: at least 60000 per second: %s\n", count / cpu >= 60000 ? "met" : "NOT met");
    std::printf("(checksum %.6g)\n", checksum);
    return 0;
}
