// CIE S 026 α-opic quantities and IEC 62471 blue-light hazard at 1 nm.

#include "alpha_opic.h"

#include <algorithm>
#include <cmath>

namespace colorimetry {

namespace {

constexpr AlphaOpicSample kActionSpectra[] = {
#include "cie_s026_alpha_opic_table.inc"
};
static_assert(std::size(kActionSpectra) == 401 && kActionSpectra[0].nm == 380 && kActionSpectra[400].nm == 780);

constexpr HazardSample kHazard[] = {
#include "iec62471_blue_light_table.inc"
};
static_assert(std::size(kHazard) == 81 && kHazard[0].nm == 300 && kHazard[80].nm == 700);

constexpr int kFirstHazardNm = 300;
constexpr int kLastHazardNm = 700;
constexpr int kFirstActionNm = 380;
constexpr int kLastActionNm = 780;

// B(λ) at every whole nm of 300–700.
const std::array<double, kLastHazardNm - kFirstHazardNm + 1> &HazardAt1nm()
{
    static const auto table = [] {
        std::array<double, kLastHazardNm - kFirstHazardNm + 1> b{};
        for (int nm = kFirstHazardNm; nm <= kLastHazardNm; ++nm) {
            double value;
            if (nm >= 500 && nm <= 600) {
                value = std::pow(10.0, (450.0 - nm) / 50.0);
            } else {
                const std::size_t i = std::size_t(nm - kFirstHazardNm) / 5;
                const double t = (nm - kHazard[i].nm) / 5;
                value = t == 0 ? kHazard[i].b[0] : kHazard[i].b[0] + t * (kHazard[i + 1].b[0] - kHazard[i].b[0]);
            }
            b[std::size_t(nm - kFirstHazardNm)] = value;
        }
        return b;
    }();
    return table;
}

} // namespace

std::string_view AlphaOpicShortName(std::size_t alpha)
{
    constexpr std::string_view kNames[] = {"sc", "mc", "lc", "rh", "mel"};
    return alpha < kAlphaOpicCount ? kNames[alpha] : std::string_view();
}

std::string_view AlphaOpicName(std::size_t alpha)
{
    constexpr std::string_view kNames[] = {"S 视锥 s-cone-opic", "M 视锥 m-cone-opic", "L 视锥 l-cone-opic",
                                           "视杆 rhodopic", "视黑素 melanopic"};
    return alpha < kAlphaOpicCount ? kNames[alpha] : std::string_view();
}

std::span<const AlphaOpicSample> AlphaOpicActionSpectra()
{
    return kActionSpectra;
}

std::span<const HazardSample> BlueLightHazardTable()
{
    return kHazard;
}

double BlueLightHazardAt(int nm)
{
    return nm < kFirstHazardNm || nm > kLastHazardNm ? 0 : HazardAt1nm()[std::size_t(nm - kFirstHazardNm)];
}

LightAndHealth LightAndHealthOf(const Spectrum &s, const SampleRange &range, int scaleExponent)
{
    LightAndHealth h;
    // The whole nm the spectrum reaches, of 300–780 nm.
    const int first = std::max(kFirstHazardNm, int(std::ceil(s.nm.front())));
    const int last = std::min(kLastActionNm, int(std::floor(s.nm.back())));
    if (first > last)
        return h;
    std::array<double, kLastActionNm - kFirstHazardNm + 1> at{};
    ReduceToGrid(s, range, first, 1, std::size_t(last - first + 1), at.data());

    const auto v = Cie1931TwoDegree1nm();
    const auto &b = HazardAt1nm();
    double luminous = 0, blue = 0;
    std::array<double, kAlphaOpicCount> alpha{};
    for (int nm = first; nm <= last; ++nm) {
        const double value = at[std::size_t(nm - first)];
        if (nm <= kLastHazardNm)
            blue += value * b[std::size_t(nm - kFirstHazardNm)];
        if (nm < kFirstActionNm)
            continue;
        luminous += value * v[std::size_t(nm) - 360].yBar;
        const AlphaOpicSample &a = kActionSpectra[std::size_t(nm - kFirstActionNm)];
        for (std::size_t k = 0; k < kAlphaOpicCount; ++k)
            alpha[k] += value * a.s[k];
    }
    h.defined = luminous > 0 && std::isfinite(luminous);
    if (!h.defined)
        return h;
    // mW/lm: the ratio of the sums, per K_m, times 1000.
    const double perLumen = 1000 / (kS026LuminousEfficacy * luminous);
    for (std::size_t k = 0; k < kAlphaOpicCount; ++k) {
        h.efficacy[k] = alpha[k] * perLumen;
        h.der[k] = h.efficacy[k] / kD65AlphaOpicEfficacy[k];
        h.alphaOpic[k] = std::ldexp(alpha[k], scaleExponent);
    }
    h.blueLightEfficacy = blue * perLumen;
    h.luminous = std::ldexp(luminous, scaleExponent);
    h.blueLight = std::ldexp(blue, scaleExponent);
    return h;
}

LightAndHealth LightAndHealthOf(const Spectrum &s)
{
    SampleRange range;
    if (!CheckSamples(s, range).ok())
        return {};
    const int exponent = ScalingExponent(range.largest);
    if (exponent == 0)
        return LightAndHealthOf(s, range);
    Spectrum scaled;
    ScaleSpectrum(s, exponent, scaled);
    return LightAndHealthOf(scaled, range, exponent);
}

AbsoluteLight AbsoluteOf(const LightAndHealth &h, double watts)
{
    AbsoluteLight a;
    a.illuminance = kS026LuminousEfficacy * h.luminous * watts;
    a.melanopicEdi = h.alphaOpic[Melanopic] * watts / (kD65AlphaOpicEfficacy[Melanopic] / 1000);
    a.blueLight = h.blueLight * watts;
    return a;
}

} // namespace colorimetry
