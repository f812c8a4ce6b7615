// Pictures of the spectrum chart and the colour rendering bars, painted by
// the same code as the screen, at scale 1 and 2, plus their SVG and PDF
// exports: white LEDs and CIE F11 read from colord-data's CGATS file.
//
// Usage: spectrum_shots OUT_DIR [COLORD_DIR]

#include "cgats_spectra.h"
#include "spectral_figures.h"
#include "spectrum_chart.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdio>

namespace {

double Gauss(double nm, double centre, double width)
{
    const double t = (nm - centre) / width;
    return std::exp(-0.5 * t * t);
}

colorimetry::Spectrum Led(double pumpShare, double green, double greenWidth, double red, double redShare)
{
    colorimetry::Spectrum s;
    for (double nm = 360; nm <= 830; nm += 1) {
        s.nm.push_back(nm);
        const double noise = nm < 400 || nm > 760 ? 0.002 * std::sin(nm * 1.7) : 0;
        s.value.push_back(pumpShare * Gauss(nm, 450, 9) + Gauss(nm, green, greenWidth) + redShare * Gauss(nm, red, 35)
                          + noise);
    }
    return s;
}

template <typename Paint>
bool Save(const QString &path, QSize page, double scale, Paint paint)
{
    QImage image(page * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    {
        QPainter painter(&image);
        paint(painter);
    }
    const bool ok = image.save(path, "PNG");
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

diagram::RenderingChart ChartOf(const QString &title, const colorimetry::Spectrum &s)
{
    const colorimetry::SpectrumFigures f = colorimetry::FiguresOf(s);
    return {title, f.rendering, QString::fromStdString(colorimetry::ColourRenderingNote(f.rendering, f.cct))};
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: spectrum_shots OUT_DIR [COLORD_DIR]\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString colord = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("/usr/share/colord");
    QDir().mkpath(out.path());

    std::vector<diagram::SpectrumSeries> series{
        {QStringLiteral("T001 冷白 6500 K"), Led(1.8, 560, 65, 640, 0)},
        {QStringLiteral("T002 暖白 3000 K"), Led(0.8, 545, 40, 640, 1.6)},
        {QStringLiteral("T003 中性白 4000 K"), Led(1.2, 545, 40, 620, 1.2)},
    };
    auto illuminant = [&colord](const char *name) {
        QFile file(colord + "/illuminant/CIE-" + name + ".sp");
        const batch::CgatsSpectra cgats = file.open(QIODevice::ReadOnly)
                                              ? batch::ReadCgatsSpectra(file.readAll().toStdString())
                                              : batch::CgatsSpectra{};
        return cgats.sets.empty() ? colorimetry::Spectrum{} : cgats.sets[0].spectrum;
    };
    series.push_back({QStringLiteral("CIE F11"), illuminant("F11")});
    // Bars only: negative indices, and a light off the locus enough to flag.
    std::vector<diagram::SpectrumSeries> bars = series;
    bars.push_back({QStringLiteral("CIE F4"), illuminant("F4")});
    bars.push_back({QStringLiteral("偏绿白光"), Led(1.8, 560, 55, 640, 0)});

    const QSize spectraPage(640, 340), barsPage(640, 300);
    bool ok = true;
    for (const double scale : {1.0, 2.0}) {
        const QString suffix = scale == 1 ? QString() : QStringLiteral("@2x");
        ok &= Save(out.filePath("spectra" + suffix + ".png"), spectraPage, scale, [&](QPainter &p) {
            diagram::PaintSpectra(p, series, spectraPage, QStringLiteral("选中 4 行的光谱"));
        });
        for (std::size_t i = 0; i < bars.size(); ++i) {
            const diagram::RenderingChart chart = ChartOf(bars[i].name, bars[i].spectrum);
            ok &= Save(out.filePath(QStringLiteral("rendering-%1%2.png").arg(i + 1).arg(suffix)), barsPage, scale,
                       [&](QPainter &p) { diagram::PaintRenderingBars(p, chart, barsPage); });
        }
        // Off the locus: no CCT, no indices.
        const diagram::RenderingChart green = ChartOf(QStringLiteral("绿光"), Led(0.05, 530, 20, 640, 0));
        ok &= Save(out.filePath("rendering-undefined" + suffix + ".png"), barsPage, scale,
                   [&](QPainter &p) { diagram::PaintRenderingBars(p, green, barsPage); });
    }
    for (const char *format : {"svg", "pdf"}) {
        const QString spectra = out.filePath(QStringLiteral("spectra.") + format);
        const QString bars = out.filePath(QStringLiteral("rendering.") + format);
        const QString a = diagram::ExportSpectra(spectra, series, spectraPage, QStringLiteral("选中 4 行的光谱"));
        const QString b = diagram::ExportRenderingBars(bars, ChartOf(series[1].name, series[1].spectrum), barsPage);
        std::printf("%s %s\n%s %s\n", a.isEmpty() ? "wrote" : qPrintable(a), qPrintable(spectra),
                    b.isEmpty() ? "wrote" : qPrintable(b), qPrintable(bars));
        ok &= a.isEmpty() && b.isEmpty();
    }
    return ok ? 0 : 1;
}
