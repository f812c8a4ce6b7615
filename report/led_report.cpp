#include "led_report.h"

#include "ansi_quadrangles.h"
#include "spectral_layout.h"

#include <algorithm>
#include <cctype>

namespace report {

LedReport LedReportOf(const batch::RatedRow &row, const batch::Layout &layout, const ReportContext &context)
{
    LedReport led;
    led.name = batch::SampleName(row, layout);
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
        led.edgeNm = f.edgeNm;
        led.ler = f.ler;
        led.health = f.health;
        led.unit = layout.columns.unit;
        led.bands = *row.bands;
        led.tm30Figures = r.spectral.tm30;
        // At the row's CCT, so that the picture and the row's cells agree.
        led.tm30 = colorimetry::ComputeTm30(led.bands, f.cct);
    }
    return led;
}

} // namespace report
