#include "exact_figures.h"

#include <charconv>
#include <cmath>

namespace colorimetry {

const tolerance::ToleranceEllipse *NearestRow(tolerance::ColourStandard standard, Xy p)
{
    const tolerance::ToleranceEllipse *nearest = nullptr;
    double least = 0;
    for (const tolerance::ToleranceEllipse &row : tolerance::EllipseTable) {
        if (row.standard != standard)
            continue;
        const double sdcm = StandardSdcm(row, p);
        if (!nearest || sdcm < least) {
            nearest = &row;
            least = sdcm;
        }
    }
    return nearest;
}

ExactFigures ExactFiguresOf(const tolerance::ToleranceEllipse *row, Xy p)
{
    ExactFigures f;
    f.cct = ExactCct(p);
    f.row = row ? row : NearestRow(tolerance::ColourStandard::GB, p);
    f.sdcm = StandardSdcm(*f.row, p);
    return f;
}

std::string FixedText(double v, int decimals, bool sign)
{
    if (!std::isfinite(v))
        return "∞";
    // −0.0000 reads as a sign error; a value that rounds to zero has none.
    const double unit = std::pow(10.0, -decimals);
    if (std::fabs(v) < unit / 2)
        v = 0;
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed,
                                   decimals);
    std::string text = ec == std::errc() ? std::string(buffer, end) : std::string("?");
    if (sign && v >= 0)
        text.insert(0, "+");
    return text;
}

namespace {
bool HasDuv(const CctResult &r)
{
    return r.state != CctState::NoChromaticity;
}
} // namespace

std::string ExactSummary(const ExactFigures &f, bool rowOfScreen)
{
    std::string text = "SDCM（IEC 60081";
    if (!rowOfScreen && f.row)
        text += "，" + std::to_string(f.row->nominalCct) + " K";
    text += "）" + FixedText(f.sdcm, 2) + " 步 · ";
    if (f.cct.defined())
        text += "色温 " + FixedText(f.cct.cct, 0) + " K";
    else
        text += CctStateText(f.cct);
    if (HasDuv(f.cct))
        text += " · Duv " + FixedText(f.cct.duv, 4, true);
    return text;
}

std::string SdcmField(const ExactFigures &f)
{
    return std::isfinite(f.sdcm) ? FixedText(f.sdcm, 4) : std::string();
}

std::string CctField(const ExactFigures &f)
{
    return f.cct.defined() ? FixedText(f.cct.cct, 1) : std::string();
}

std::string DuvField(const ExactFigures &f)
{
    return HasDuv(f.cct) ? FixedText(f.cct.duv, 5, true) : std::string();
}

} // namespace colorimetry
