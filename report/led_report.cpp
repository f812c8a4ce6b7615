#include "led_report.h"

#include "ansi_quadrangles.h"
#include "spectral_layout.h"

#include <algorithm>
#include <cctype>

namespace report {

namespace {

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool SameLetters(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char p, char q) {
               return std::tolower(static_cast<unsigned char>(p)) == std::tolower(static_cast<unsigned char>(q));
           });
}

// The column that names the samples: the first whose header is a name's
// (the reader's "样品" for a long or CGATS file, SAMPLE_ID, an ID column),
// in this order; else the first column unless it holds a coordinate that
// is read or a wavelength.
std::optional<std::size_t> NameColumn(const batch::Layout &layout)
{
    constexpr std::string_view kNames[] = {"样品", "SAMPLE_ID", "SAMPLE_NAME", "ID", "编号", "样品编号",
                                           "名称", "Sample", "Name"};
    for (const std::string_view name : kNames) {
        for (std::size_t i = 0; i < layout.header.size(); ++i) {
            if (SameLetters(Trimmed(layout.header[i]), name))
                return i;
        }
    }
    const bool coordinates = layout.spectral == batch::SpectralKind::None || layout.fileXy;
    if (coordinates && (layout.xColumn == 0 || layout.yColumn == 0))
        return std::nullopt;
    if (!layout.header.empty() && batch::WavelengthInHeaderCell(layout.header[0]))
        return std::nullopt;
    return 0;
}

} // namespace

std::string SampleName(const batch::RatedRow &row, const batch::Layout &layout)
{
    const bool hasCells = row.cellCount() > 0;
    const std::optional<std::size_t> column = hasCells ? NameColumn(layout) : std::nullopt;
    std::string_view name = column ? Trimmed(row.cell(*column)) : std::string_view();
    // A name is a label, not a paragraph.
    constexpr std::size_t kLongestName = 120;
    if (name.size() > kLongestName) {
        std::size_t cut = kLongestName;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        return std::string(name.substr(0, cut)) + "…";
    }
    return std::string(name);
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
