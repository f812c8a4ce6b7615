// A measured spectrum: its checks, its resampling to the bands, its peak.

#include "spectrum.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>

namespace colorimetry {

namespace {

// The interval from a to b reaches into 380–780 nm.
bool TouchesBands(double a, double b)
{
    return b > kFirstBandNm && a < kLastBandNm;
}

} // namespace

namespace {

// Running extremes over part of the samples.
struct Lane {
    double most = 0, narrowest = INFINITY, widest = 0;
    bool good = true;
    void Add(double step, double magnitude)
    {
        good &= (step > 0) & (magnitude <= DBL_MAX); // a NaN step: a wavelength out of order or not finite
        narrowest = step < narrowest ? step : narrowest;
        widest = step > widest ? step : widest;
        most = magnitude > most ? magnitude : most;
    }
};

// One pass without branches over what every good spectrum passes: finite,
// increasing, no wide gap (looked for only where some step is wide). Only a
// spectrum that fails it is looked at again, sample by sample, for its
// first problem. Finds the extremes of the values and steps on the way, in
// four lanes so that no lane waits on the one before.
bool PlainlyGood(const Spectrum &s, SampleRange &range)
{
    const double *nm = s.nm.data();
    const double *v = s.value.data();
    const std::size_t n = s.nm.size();
    Lane lane[4];
    lane[0].most = std::fabs(v[0]);
    lane[0].good = lane[0].most <= DBL_MAX;
    std::size_t i = 1;
    for (; i + 4 <= n; i += 4) {
        for (std::size_t k = 0; k < 4; ++k)
            lane[k].Add(nm[i + k] - nm[i + k - 1], std::fabs(v[i + k]));
    }
    for (; i < n; ++i)
        lane[0].Add(nm[i] - nm[i - 1], std::fabs(v[i]));
    Lane all = lane[0];
    for (std::size_t k = 1; k < 4; ++k) {
        all.good &= lane[k].good;
        all.narrowest = std::min(all.narrowest, lane[k].narrowest);
        all.widest = std::max(all.widest, lane[k].widest);
        all.most = std::max(all.most, lane[k].most);
    }
    if (all.good && all.widest > kWidestSpacingNm) {
        for (i = 1; i < n; ++i)
            all.good &= !(nm[i] - nm[i - 1] > kWidestSpacingNm && TouchesBands(nm[i - 1], nm[i]));
    }
    range = {all.most, all.narrowest, all.widest};
    return all.good && std::isfinite(nm[0]) && std::isfinite(nm[n - 1]);
}

} // namespace

SpectrumCheck CheckSamples(const Spectrum &s)
{
    SampleRange range;
    return CheckSamples(s, range);
}

SpectrumCheck CheckSamples(const Spectrum &s, SampleRange &range)
{
    range = {};
    const std::size_t n = s.nm.size();
    if (n == 0)
        return {SpectrumProblem::Empty};
    if (s.value.size() != n)
        return {SpectrumProblem::SizeMismatch};
    const bool covered = s.nm.front() <= kFirstBandNm && s.nm.back() >= kLastBandNm;
    if (covered && PlainlyGood(s, range))
        return {};
    for (std::size_t i = 0; i < n; ++i) {
        const double previous = i > 0 ? s.nm[i - 1] : NAN;
        if (!std::isfinite(s.nm[i]))
            return {SpectrumProblem::NotFinite, NAN, previous};
        if (!std::isfinite(s.value[i]))
            return {SpectrumProblem::NotFinite, s.nm[i], previous};
        if (i == 0)
            continue;
        if (s.nm[i] == previous)
            return {SpectrumProblem::Duplicated, s.nm[i], previous};
        if (s.nm[i] < previous)
            return {SpectrumProblem::NotIncreasing, s.nm[i], previous};
    }
    if (!covered)
        return {SpectrumProblem::NotCovered, s.nm.back(), s.nm.front()};
    for (std::size_t i = 1; i < n; ++i) {
        if (s.nm[i] - s.nm[i - 1] > kWidestSpacingNm && TouchesBands(s.nm[i - 1], s.nm[i]))
            return {SpectrumProblem::Gap, s.nm[i], s.nm[i - 1]};
    }
    return {};
}

std::string WavelengthText(double nm)
{
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, nm,
                                            std::chars_format::fixed, 3);
    if (error != std::errc())
        return "?";
    std::string text(buffer, end);
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text == "-0" ? "0" : text;
}

std::string SpectrumProblemText(const SpectrumCheck &c)
{
    const std::string at = WavelengthText(c.at);
    const std::string previous = WavelengthText(c.previous);
    switch (c.problem) {
    case SpectrumProblem::None:
        return {};
    case SpectrumProblem::Empty:
        return "光谱中没有数据：色坐标和显色指数要用 380–780 nm 的完整光谱。";
    case SpectrumProblem::SizeMismatch:
        return "光谱的波长与数值个数不一致，无法计算。";
    case SpectrumProblem::NotFinite:
        if (std::isnan(c.at))
            return std::isnan(c.previous) ? "光谱的第一个波长不是有限的数。请检查光谱的波长。"
                                          : "波长 " + previous + " nm 之后的波长不是有限的数。请检查光谱的波长。";
        return "波长 " + at + " nm 处的值不是有限的数。请检查光谱。";
    case SpectrumProblem::NotIncreasing:
        return "波长 " + at + " nm 排在 " + previous + " nm 之后：波长必须从小到大排列。请检查光谱的波长。";
    case SpectrumProblem::Duplicated:
        return "波长 " + at + " nm 出现了两次：每个波长只能有一个值。请检查光谱的波长。";
    case SpectrumProblem::NotCovered:
        return "光谱只有 " + previous + "–" + at
               + " nm，没有覆盖 380–780 nm：色坐标和显色指数要用 380–780 nm 的完整光谱。";
    case SpectrumProblem::Gap:
        return "波长 " + previous + " nm 与 " + at + " nm 之间相隔 " + WavelengthText(c.at - c.previous)
               + " nm，超过了 10 nm：光谱的波长间隔不能大于 10 nm。";
    case SpectrumProblem::AllZero:
        return "光谱在 380–780 nm 内全为 0，无法计算。请检查测量或导出的数据。";
    case SpectrumProblem::NegativeTotal:
        return "光谱在 380–780 nm 内的总和不为正，无法计算。请检查暗电流扣除是否正确。";
    case SpectrumProblem::NoLuminance:
        return "光谱的亮度（三刺激值 Y）不为正，无法计算色坐标。请检查暗电流扣除是否正确。";
    case SpectrumProblem::TooLarge:
        return "光谱的数值太大，超出了数值范围。请检查光谱。";
    }
    return {};
}

namespace {

// ∫ S·w over a piece on which both are straight: S from sa to sb, w from wa
// to wb, the piece `length` long.
double PieceIntegral(double length, double sa, double sb, double wa, double wb)
{
    return length / 6 * (sa * (2 * wa + wb) + sb * (wa + 2 * wb));
}

// The point at c through the triangle of half-width h, from the samples
// drawn linearly; nm[j] ≤ c − h < nm[j + 1], and the samples reach c + h.
// The pieces end at each sample and at the triangle's corners.
double TriangleBand(const double *nm, const double *v, std::size_t j, double c, double h)
{
    const double end = c + h;
    auto weight = [c, h](double x) { return 1 - std::fabs(x - c) / h; };
    auto line = [nm, v](std::size_t i, double x) { // between samples i and i + 1
        return v[i] + (x - nm[i]) / (nm[i + 1] - nm[i]) * (v[i + 1] - v[i]);
    };
    double x = c - h, sx = line(j, x), wx = 0, sum = 0;
    std::size_t next = j + 1; // the first sample beyond x
    while (x < end) {
        double to = std::min(nm[next], end);
        if (x < c && c < to)
            to = c;
        const double st = to == nm[next] ? v[next] : line(next - 1, to);
        const double wt = to == end ? 0 : weight(to);
        sum += PieceIntegral(to - x, sx, st, wx, wt);
        x = to;
        sx = st;
        wx = wt;
        if (x == nm[next])
            ++next;
    }
    return sum / h;
}

// The point from the sample p at it and r samples either side.
template <int r>
double EvenBand(const double *p, const double *w)
{
    double sum = w[0] * p[0];
    for (int k = 1; k <= r; ++k)
        sum += w[k] * (p[-k] + p[k]);
    return sum;
}

// The same weights for samples h/r nm apart with one at the point: each
// sample's own triangle integrated against the point's, over h; w[0] for
// the sample at the point, w[k] for those k samples away on either side.
struct EvenWeights {
    int r = 0; // 0: the samples are not evenly spaced so
    double w[11] = {};
    double (*band)(const double *, const double *) = nullptr;
};

EvenWeights WeightsFor(int r)
{
    EvenWeights e;
    e.r = r;
    switch (r) { // the steps that h is a whole number of, exactly
    case 2: e.band = EvenBand<2>; break;
    case 4: e.band = EvenBand<4>; break;
    case 5: e.band = EvenBand<5>; break;
    case 8: e.band = EvenBand<8>; break;
    case 10: e.band = EvenBand<10>; break;
    default: return {};
    }
    const double q = r;
    e.w[0] = (1 - 1 / (3 * q)) / q;
    for (int k = 1; k < r; ++k)
        e.w[k] = (1 - k / q) / q;
    e.w[r] = 1 / (6 * q * q);
    return e;
}

// The weights for samples `step` apart and points h apart, when h is a
// whole number of steps from 2 to 10 (1 nm, 0.5 nm, 2.5 nm … for 5 nm);
// else r 0.
EvenWeights EvenWeightsFor(double step, double h)
{
    const long r = std::lround(h / step);
    if (r < 2 || r > 10 || double(r) * step != h)
        return {};
    return WeightsFor(int(r));
}

// The spectrum at the points from `from` up to end, interpolated linearly
// between the samples on either side; a sample at a point is taken as it is.
void PointBands(const double *nm, const double *v, std::size_t n, double first, double step, std::size_t from,
                std::size_t end, double *out)
{
    if (from >= end)
        return;
    auto at = [first, step](std::size_t b) { return first + double(b) * step; };
    // j: the last sample at or before the point (or the first sample).
    std::size_t j = std::max<std::ptrdiff_t>(0, std::upper_bound(nm, nm + n, at(from)) - nm - 1);
    for (std::size_t b = from; b < end; ++b) {
        const double x = at(b);
        while (j + 1 < n && nm[j + 1] <= x)
            ++j;
        out[b] = nm[j] == x || j + 1 == n ? v[j] : v[j] + (x - nm[j]) / (nm[j + 1] - nm[j]) * (v[j + 1] - v[j]);
    }
}

} // namespace

bool ReduceToWideBands(const Spectrum &s, WideBands &out)
{
    SampleRange range;
    CheckSamples(s, range);
    return ReduceToWideBands(s, range, out);
}

GridPass ReduceToGrid(const Spectrum &s, const SampleRange &range, double first, double step, std::size_t count,
                      double *out)
{
    const double *nm = s.nm.data();
    const double *v = s.value.data();
    const std::size_t n = s.nm.size();
    const double h = step; // the triangle's half-width
    auto at = [first, step](std::size_t b) { return first + double(b) * step; };

    // Finer than the step: every step is, or (rarely) every step the points reach.
    bool fine = range.widest < step;
    if (!fine) {
        const double from = at(0) - h, to = at(count - 1) + h;
        const std::size_t firstSample = std::max<std::ptrdiff_t>(0, std::upper_bound(nm, nm + n, from) - nm - 1);
        const std::size_t last = std::min<std::size_t>(n - 1, std::lower_bound(nm, nm + n, to) - nm);
        fine = firstSample < last;
        for (std::size_t i = firstSample + 1; i <= last && fine; ++i)
            fine = nm[i] - nm[i - 1] < step;
    }
    // The points through the triangle, from lo up to hi: those whose
    // triangle the samples hold. The others take the spectrum at their
    // wavelength.
    std::size_t lo = 0, hi = count;
    while (fine && lo < hi && at(lo) - h < nm[0])
        ++lo;
    while (fine && lo < hi && at(hi - 1) + h > nm[n - 1])
        --hi;
    if (!fine || lo == hi) {
        PointBands(nm, v, n, first, step, 0, count, out);
        return {};
    }
    PointBands(nm, v, n, first, step, 0, lo, out);
    PointBands(nm, v, n, first, step, hi, count, out);

    // On an even grid (every step the same, the point step a whole number
    // of them, a sample at each point) the weights are made once.
    EvenWeights even = range.narrowest == range.widest ? EvenWeightsFor(range.widest, h) : EvenWeights{};
    std::size_t j = std::lower_bound(nm, nm + n, at(lo)) - nm;
    if (even.r > 0 && nm[j] == at(lo)) {
        for (std::size_t b = lo; b < hi; ++b, j += even.r)
            out[b] = even.band(v + j, even.w);
    } else {
        std::size_t k = 0; // the last sample at or before the triangle's start
        for (std::size_t b = lo; b < hi; ++b) {
            const double x = at(b);
            while (nm[k + 1] <= x - h)
                ++k;
            out[b] = TriangleBand(nm, v, k, x, h);
        }
    }
    return {lo, hi};
}

bool ReduceToWideBands(const Spectrum &s, const SampleRange &range, WideBands &out)
{
    const double *nm = s.nm.data();
    const std::size_t n = s.nm.size();
    const bool wide = nm[0] <= kWideFirstNm && nm[n - 1] >= kWideLastNm;
    const std::size_t firstBand = wide ? 0 : kWideOffset;
    const std::size_t lastBand = wide ? kWideBandCount - 1 : kWideOffset + kBandCount - 1;
    std::fill(out.begin(), out.begin() + firstBand, 0.0);
    std::fill(out.begin() + lastBand + 1, out.end(), 0.0);
    const std::size_t count = lastBand - firstBand + 1;
    double *bands = out.data() + firstBand;
    const GridPass pass = ReduceToGrid(s, range, WideBandNm(firstBand), kBandStepNm, count, bands);

    // The band-pass correction: a band through the triangle is the spectrum
    // plus 25/12 nm² times its curvature, to first order; a twelfth of the
    // bands' second difference takes that away (as Stearns and Stearns
    // correct a triangular band pass). A straight spectrum is left as it is.
    if (pass.lo == pass.hi)
        return wide;
    double before = bands[std::max<std::size_t>(pass.lo, 1) - 1];
    for (std::size_t b = std::max<std::size_t>(pass.lo, 1); b < pass.hi && b < count - 1; ++b) {
        const double band = bands[b];
        bands[b] = band - (before - 2 * band + bands[b + 1]) * (1.0 / 12);
        before = band;
    }
    return wide;
}

void ResampleToBands(const Spectrum &s, Bands &out)
{
    WideBands wide;
    ReduceToWideBands(s, wide);
    std::copy_n(wide.begin() + kWideOffset, kBandCount, out.begin());
}

void ScaleSpectrum(const Spectrum &s, int exponent, Spectrum &scaled)
{
    scaled.nm.assign(s.nm.begin(), s.nm.end());
    scaled.value.resize(s.value.size());
    DivideByPowerOfTwo(s.value, exponent, scaled.value.data());
}

PeakAndWidth PeakAndWidthOf(const Spectrum &s)
{
    const std::vector<double> &nm = s.nm;
    const std::vector<double> &v = s.value;
    // The window's first and last samples.
    std::size_t first = 0, last = nm.size() - 1;
    while (first + 1 < nm.size() && nm[first] < kFirstBandNm)
        ++first;
    while (last > first && nm[last] > kLastBandNm)
        --last;
    std::size_t peak = first;
    for (std::size_t i = first + 1; i <= last; ++i) {
        if (v[i] > v[peak])
            peak = i;
    }
    PeakAndWidth p;
    if ((peak == first && !(peak > 0 && v[peak - 1] < v[peak]))
        || (peak == last && !(peak + 1 < v.size() && v[peak + 1] < v[peak]))) {
        p.edgeNm = nm[peak];
        return p;
    }
    p.peakNm = nm[peak];
    const double half = v[peak] / 2;
    if (!(half > 0))
        return p;
    std::size_t left = peak;
    while (left > first && v[left - 1] > half)
        --left;
    std::size_t right = peak;
    while (right < last && v[right + 1] > half)
        ++right;
    if (left == first || right == last)
        return p;
    // v[left − 1] ≤ half < v[left], and v[right] > half ≥ v[right + 1].
    const double rising = nm[left - 1] + (half - v[left - 1]) / (v[left] - v[left - 1]) * (nm[left] - nm[left - 1]);
    const double falling = nm[right] + (v[right] - half) / (v[right] - v[right + 1]) * (nm[right + 1] - nm[right]);
    p.fwhmNm = falling - rising;
    return p;
}

} // namespace colorimetry
