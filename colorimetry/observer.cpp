// The CIE 1931 2° observer, the spectral locus and (u, v).

#include "colorimetry.h"

#include <array>

namespace colorimetry {

namespace {
constexpr std::array<CmfSample, 95> kCie1931{{
#include "cie1931_cmf_table.inc"
}};
static_assert(kCie1931.front().nm == 360 && kCie1931.back().nm == 830);
constexpr std::array<CmfSample, 471> kCie1931At1nm{{
#include "cie1931_1nm_table.inc"
}};
static_assert(kCie1931At1nm.front().nm == 360 && kCie1931At1nm.back().nm == 830);
} // namespace

std::span<const CmfSample> Cie1931TwoDegree()
{
    return kCie1931;
}

std::span<const CmfSample> Cie1931TwoDegree1nm()
{
    return kCie1931At1nm;
}

Uv UvFromXy(Xy p)
{
    const double d = -2 * p.x + 12 * p.y + 3;
    return {4 * p.x / d, 6 * p.y / d};
}

Xy XyFromUv(Uv p)
{
    const double d = 2 * p.u - 8 * p.v + 4;
    return {3 * p.u / d, 2 * p.v / d};
}

std::vector<Xy> SpectralLocus()
{
    std::vector<Xy> locus;
    locus.reserve(kCie1931.size());
    for (const CmfSample &s : kCie1931) {
        const double sum = s.xBar + s.yBar + s.zBar;
        // The far red bands repeat the same chromaticity; keep each once.
        const Xy p{s.xBar / sum, s.yBar / sum};
        if (locus.empty() || p.x != locus.back().x || p.y != locus.back().y)
            locus.push_back(p);
    }
    return locus;
}

} // namespace colorimetry
