// Every figure of one measured spectrum.

#include "spectral_figures.h"

#include <cmath>

namespace colorimetry {

double LuminousEfficacyOfRadiation(const Bands &s)
{
    const Bands &y = YBar2();
    double luminous = 0;
    double radiant = 0;
    for (std::size_t b = 0; b < kBandCount; ++b) {
        luminous += s[b] * y[b];
        radiant += s[b];
    }
    return kMaximumLuminousEfficacy * luminous / radiant;
}

SpectrumFigures FiguresOf(const Spectrum &s)
{
    SpectrumFigures f;
    f.check = CheckSamples(s);
    if (!f.check.ok())
        return f;
    Bands bands;
    ResampleToBands(s, bands);
    double total = 0;
    bool allZero = true;
    for (const double v : bands) {
        total += v;
        allZero = allZero && v == 0;
    }
    if (allZero)
        f.check.problem = SpectrumProblem::AllZero;
    else if (!std::isfinite(total))
        f.check.problem = SpectrumProblem::TooLarge;
    else if (!(total > 0))
        f.check.problem = SpectrumProblem::NegativeTotal;
    if (!f.check.ok())
        return f;

    const SampleTristimuli sums = SampleTristimuliOf(bands);
    f.xyz = sums.light;
    const Xyz &c = f.xyz;
    if (!std::isfinite(c.X) || !std::isfinite(c.Y) || !std::isfinite(c.Z))
        f.check.problem = SpectrumProblem::TooLarge;
    else if (!(c.Y > 0) || !(c.X + c.Y + c.Z > 0) || !(c.X + 15 * c.Y + 3 * c.Z > 0))
        f.check.problem = SpectrumProblem::NoLuminance;
    if (!f.check.ok())
        return f;

    f.xy = ChromaticityOf(c);
    f.uvPrime = Cie1976UvOf(c);
    f.cct = ExactCct(f.xy);
    f.rendering = ColourRenderingFrom(sums, f.cct);
    f.ler = LuminousEfficacyOfRadiation(bands);
    const std::size_t peak = PeakIndex(s);
    f.peakNm = s.nm[peak];
    f.fwhmNm = FullWidthAtHalfMaximum(s, peak);
    return f;
}

} // namespace colorimetry
