#include "led_report.h"

#include "ansi_quadrangles.h"

namespace report {

std::string SampleName(const batch::RatedRow &row, const batch::Layout &layout)
{
    const bool coordinate = !row.record || layout.xColumn == 0 || layout.yColumn == 0;
    std::string_view first = coordinate ? std::string_view() : row.cell(0);
    while (!first.empty() && (first.front() == ' ' || first.front() == '\t'))
        first.remove_prefix(1);
    while (!first.empty() && (first.back() == ' ' || first.back() == '\t'))
        first.remove_suffix(1);
    // A name is a label, not a paragraph.
    constexpr std::size_t kLongestName = 120;
    if (first.size() > kLongestName) {
        std::size_t cut = kLongestName;
        while (cut > 0 && (static_cast<unsigned char>(first[cut]) & 0xC0) == 0x80)
            --cut;
        return std::string(first.substr(0, cut)) + "…";
    }
    return std::string(first);
}

LedReport LedReportOf(const batch::RatedRow &row, const batch::Layout &layout, const ReportContext &context)
{
    LedReport led;
    led.name = SampleName(row, layout);
    if (led.name.empty())
        led.name = "第 " + std::to_string(row.line) + " 行";
    led.line = row.line;
    const batch::Rating &r = row.rating;
    if (!r.rated) {
        led.error = r.error.empty() ? std::string("这一行没有计算。") : r.error;
        return led;
    }
    led.xy = {r.x, r.y};
    led.uvPrime = colorimetry::Cie1976UvOf({r.x / r.y, 1, (1 - r.x - r.y) / r.y});
    led.cct = r.exact;
    if (context.target) {
        led.steps = r.steps;
        led.sdcm = r.sdcm;
    } else {
        led.screenCct = r.screenCct;
    }
    const auto quadrangles = colorimetry::AnsiQuadrangles();
    if (r.ansi >= 0 && std::size_t(r.ansi) < quadrangles.size())
        led.ansi = std::string(quadrangles[std::size_t(r.ansi)].name);
    if (context.bins && r.bin >= 0 && std::size_t(r.bin) < context.bins->size())
        led.bin = (*context.bins)[std::size_t(r.bin)].name;

    const colorimetry::SpectrumFigures &f = r.spectral.figures;
    if (r.spectral.present && f.ok() && row.bands) {
        led.spectral = true;
        led.uvPrime = f.uvPrime;
        if (r.spectral.fileXy)
            led.fileXy = colorimetry::Xy{r.spectral.fileX, r.spectral.fileY};
        led.rendering = f.rendering;
        led.renderingNote = colorimetry::ColourRenderingNote(f.rendering, f.cct);
        led.peakNm = f.peakNm;
        led.fwhmNm = f.fwhmNm;
        led.ler = f.ler;
        led.bands = *row.bands;
        led.tm30Figures = r.spectral.tm30;
        led.tm30 = colorimetry::ComputeTm30(led.bands);
    }
    return led;
}

} // namespace report
