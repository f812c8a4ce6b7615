// Every figure of one measured spectrum.

#include "spectral_figures.h"

#include <algorithm>
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

SpectrumFigures FiguresOf(const Spectrum &s, Bands &bands)
{
    SpectrumFigures f;
    SampleRange range;
    f.check = CheckSamples(s, range);
    if (!f.check.ok())
        return f;
    f.scaleExponent = ScalingExponent(range.largest);
    const Spectrum *spectrum = &s;
    if (f.scaleExponent != 0) {
        thread_local Spectrum scaled;
        ScaleSpectrum(s, f.scaleExponent, scaled);
        spectrum = &scaled;
    }
    WideBands wide;
    f.wideRange = ReduceToWideBands(*spectrum, range, wide);
    std::copy_n(wide.begin() + kWideOffset, kBandCount, bands.begin());
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
    f.xyz = f.wideRange ? Tristimulus2(wide) : sums.light;
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
    const PeakAndWidth peak = PeakAndWidthOf(*spectrum);
    f.peakNm = peak.peakNm;
    f.edgeNm = peak.edgeNm;
    f.fwhmNm = peak.fwhmNm;
    f.health = LightAndHealthOf(*spectrum, range, f.scaleExponent);
    return f;
}

SpectrumFigures FiguresOf(const Spectrum &s)
{
    Bands bands;
    return FiguresOf(s, bands);
}

std::string PeakNote(const SpectrumFigures &f)
{
    if (!f.ok() || f.hasPeak())
        return {};
    return "380–780 nm 内最大的值在窗口边缘 " + WavelengthText(f.edgeNm)
           + " nm 处，光谱在窗口之外没有降下来：这不是峰，没有峰值波长，也没有半高宽。";
}

std::string FwhmNote(const SpectrumFigures &f)
{
    if (!f.ok() || f.fwhmNm)
        return {};
    if (!f.hasPeak())
        return PeakNote(f);
    return "光谱在 380–780 nm 内没有在峰的两侧都降到峰值的一半：没有半高宽。";
}

} // namespace colorimetry
