// A measured spectrum: its checks, its resampling to the bands, its peak.

#include "spectrum.h"

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

// One pass without branches over what every good spectrum passes: finite,
// increasing, no wide gap. Only a spectrum that fails it is looked at
// again, sample by sample, for its first problem.
bool PlainlyGood(const Spectrum &s)
{
    const double *nm = s.nm.data();
    const double *v = s.value.data();
    const std::size_t n = s.nm.size();
    bool bad = !(std::fabs(nm[0]) <= DBL_MAX) | !(std::fabs(v[0]) <= DBL_MAX);
    for (std::size_t i = 1; i < n; ++i) {
        const double step = nm[i] - nm[i - 1];
        bad |= !(step > 0) | !(std::fabs(v[i]) <= DBL_MAX)
               | ((step > kWidestSpacingNm) & TouchesBands(nm[i - 1], nm[i]));
    }
    return !bad && std::isfinite(nm[n - 1]);
}

} // namespace

SpectrumCheck CheckSamples(const Spectrum &s)
{
    const std::size_t n = s.nm.size();
    if (n == 0)
        return {SpectrumProblem::Empty};
    if (s.value.size() != n)
        return {SpectrumProblem::SizeMismatch};
    const bool covered = s.nm.front() <= kFirstBandNm && s.nm.back() >= kLastBandNm;
    if (covered && PlainlyGood(s))
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

void ResampleToBands(const Spectrum &s, Bands &out)
{
    const double *nm = s.nm.data();
    const double *v = s.value.data();
    const std::size_t n = s.nm.size();
    std::size_t j = 0; // nm[j] ≤ the band, the last such sample
    for (std::size_t b = 0; b < kBandCount; ++b) {
        const double at = BandNm(b);
        while (j + 1 < n && nm[j + 1] <= at)
            ++j;
        if (nm[j] == at || j + 1 == n) {
            out[b] = v[j];
        } else {
            const double t = (at - nm[j]) / (nm[j + 1] - nm[j]);
            out[b] = v[j] + t * (v[j + 1] - v[j]);
        }
    }
}

std::size_t PeakIndex(const Spectrum &s)
{
    const std::vector<double> &nm = s.nm;
    std::size_t first = 0;
    while (first + 1 < nm.size() && nm[first] < kFirstBandNm)
        ++first;
    std::size_t peak = first;
    for (std::size_t i = first + 1; i < nm.size() && nm[i] <= kLastBandNm; ++i) {
        if (s.value[i] > s.value[peak])
            peak = i;
    }
    return peak;
}

std::optional<double> FullWidthAtHalfMaximum(const Spectrum &s, std::size_t peak)
{
    const std::vector<double> &nm = s.nm;
    const std::vector<double> &v = s.value;
    const double half = v[peak] / 2;
    if (!(half > 0))
        return std::nullopt;
    std::size_t left = peak;
    while (left > 0 && v[left - 1] > half)
        --left;
    std::size_t right = peak;
    while (right + 1 < v.size() && v[right + 1] > half)
        ++right;
    if (left == 0 || right + 1 == v.size())
        return std::nullopt;
    // v[left − 1] ≤ half < v[left], and v[right] > half ≥ v[right + 1].
    const double rising = nm[left - 1] + (half - v[left - 1]) / (v[left] - v[left - 1]) * (nm[left] - nm[left - 1]);
    const double falling = nm[right] + (v[right] - half) / (v[right] - v[right + 1]) * (nm[right + 1] - nm[right]);
    return falling - rising;
}

} // namespace colorimetry
