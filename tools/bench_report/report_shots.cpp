// Pictures of the report pages for looking at: the LED page of a phosphor
// LED (its spectrum rated as the batch reader rates a spectral row), the
// tray page of LEDs made from one recipe with scattered weights, a few rows
// failed, sorted into the bins of a bin file when one is given. Each as PDF
// and as PNG at 192 dpi. Usage: report_shots DIR [BINS.csv]
#include "file_system.h"
#include "../bench_tm30/sample_lights.h"

#include "ansi_quadrangles.h"
#include "bin_file.h"
#include "export.h"
#include "report_pages.h"
#include "spectral_figures.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>

#include <cmath>
#include <cstdio>

namespace {

// A spectral row as the reader hands it out: the spectrum's point rated as
// the screens rate it, and the figures of the spectrum beside it.
batch::RatedRow SpectralRow(batch::Row target, const colorimetry::Bands &bands, std::uint64_t line,
                            const colorimetry::BinSet *bins)
{
    batch::RatedRow row;
    row.line = line;
    colorimetry::Spectrum s;
    for (std::size_t i = 0; i < bands.size(); ++i) {
        s.nm.push_back(colorimetry::BandNm(i));
        s.value.push_back(bands[i]);
    }
    const colorimetry::SpectrumFigures f = colorimetry::FiguresOf(s);
    char x[32], y[32];
    std::snprintf(x, sizeof x, "%.17g", f.xy.x);
    std::snprintf(y, sizeof y, "%.17g", f.xy.y);
    batch::RateRow(target, x, y, false, row.rating);
    row.rating.spectral.present = true;
    row.rating.spectral.figures = f;
    const colorimetry::Tm30Result tm30 = colorimetry::ComputeTm30(bands);
    row.rating.spectral.tm30.defined = tm30.defined;
    row.rating.spectral.tm30.rf = tm30.rf;
    row.rating.spectral.tm30.rg = tm30.rg;
    for (std::size_t j = 0; j < colorimetry::kHueBinCount; ++j) {
        row.rating.spectral.tm30.rfBin[j] = tm30.bins[j].rf;
        row.rating.spectral.tm30.rcsBin[j] = tm30.bins[j].rcs;
    }
    if (bins)
        row.rating.bin = bins->Find(f.xy);
    if (const auto *q = colorimetry::AnsiQuadrangleOf(f.xy))
        row.rating.ansi = int(q - colorimetry::AnsiQuadrangles().data());
    return row;
}

void Save(const QString &dir, const QString &name, const diagram::PagePainter &paint)
{
    for (const char *suffix : {".pdf", ".png"}) {
        const QString problem = diagram::ExportPicture(dir + "/" + name + suffix, report::kPageSize, name, {}, paint);
        if (!problem.isEmpty())
            std::fprintf(stderr, "%s\n", qPrintable(problem));
    }
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots/report");
    QDir().mkpath(dir);
    report::ReportContext context;
    context.source = "tray-spectra.csv";
    context.target = tolerance::FindEllipse(tolerance::ColourStandard::GB, 4000);
    context.date = "2026-12-09 17:30";
    batch::BinFile binFile;
    if (argc > 2) {
        const int fd = platform::OpenToRead(argv[2]);
        binFile = batch::ReadBinFile(fd);
        platform::Close(fd);
        context.bins = std::make_shared<const colorimetry::BinSet>(binFile.bins);
    }
    batch::Layout layout;
    layout.xColumn = layout.yColumn = 1;

    // A neutral white near 4000 K on the locus: the pump's and the red
    // phosphor's weights that come closest.
    bench::LedRecipe neutral{"LED 450 + 540/630", 450, 0.6, 540, 105, 0.78, 630, 85, 0.42};
    double best = 1e9;
    for (double pump = 0.2; pump <= 1.2; pump += 0.01)
        for (double red = 0.1; red <= 1.2; red += 0.01) {
            bench::LedRecipe r = neutral;
            r.pumpWeight = pump;
            r.weight2 = red;
            colorimetry::Spectrum s;
            const colorimetry::Bands b = bench::LedBands(r);
            s.nm.assign(b.size(), 0);
            for (std::size_t i = 0; i < b.size(); ++i)
                s.nm[i] = colorimetry::BandNm(i);
            s.value.assign(b.begin(), b.end());
            const auto f = colorimetry::FiguresOf(s);
            const double miss = std::abs(f.cct.cct - 4000) / 1000 + std::abs(f.cct.duv - 0.001) * 30;
            if (f.cct.defined() && miss < best) {
                best = miss;
                neutral = r;
            }
        }
    colorimetry::Bands bands = bench::LedBands(neutral);
    batch::RatedRow row = SpectralRow(context.target, bands, 12, context.bins.get());
    row.bands = &bands;
    const report::LedReport led = report::LedReportOf(row, layout, context);
    Save(dir, "report-led", [&](QPainter &p, QSizeF page) {
        report::PaintLedPage(p, led, context, {"ambrix", 2, 41}, page);
    });

    report::TrayTally tray(context);
    std::uint64_t state = 7;
    const auto uniform = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return double(state >> 11) / double(1ULL << 53);
    };
    for (int i = 0; i < 40; ++i) {
        bench::LedRecipe r = neutral;
        r.pumpWeight *= 0.85 + 0.3 * uniform();
        r.weight2 *= 0.8 + 0.4 * uniform();
        r.phosphor1 += 8 * (uniform() - 0.5);
        colorimetry::Bands b = bench::LedBands(r);
        batch::RatedRow tr = SpectralRow(context.target, b, std::uint64_t(i + 2), context.bins.get());
        tr.bands = &b;
        if (i % 13 == 5) {
            tr.rating = {};
            tr.rating.error = "波长 385 nm 出现了两次：每个波长只能有一个值。请检查光谱的波长。";
        }
        tray.Add(tr, layout);
    }
    Save(dir, "report-tray", [&](QPainter &p, QSizeF page) {
        report::PaintTrayPage(p, tray, {"ambrix", 1, 41}, page);
    });
    std::printf("LED: pump weight %.2f, red phosphor weight %.2f\n", neutral.pumpWeight, neutral.weight2);
    std::printf("%s/report-led.pdf|png, %s/report-tray.pdf|png\n", qPrintable(dir), qPrintable(dir));
    return 0;
}
