// The pictures of spectra and colour rendering: the colours they are
// painted in, what hovering reads off them, and the files they export to.

#include "spectral_figures.h"
#include "spectrum_widgets.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

colorimetry::Spectrum Led()
{
    colorimetry::Spectrum s;
    for (double nm = 360; nm <= 830; nm += 2) {
        s.nm.push_back(nm);
        const double pump = std::exp(-0.5 * std::pow((nm - 450) / 9, 2));
        const double phosphor = std::exp(-0.5 * std::pow((nm - 560) / 65, 2));
        s.value.push_back(1.8 * pump + phosphor);
    }
    return s;
}

diagram::RenderingChart ChartOf(const colorimetry::Spectrum &s)
{
    const colorimetry::SpectrumFigures f = colorimetry::FiguresOf(s);
    return {QStringLiteral("LED"), f.rendering,
            QString::fromStdString(colorimetry::ColourRenderingNote(f.rendering, f.cct))};
}

// The channel of a colour that is strongest: 0 red, 1 green, 2 blue.
int Strongest(const QColor &c)
{
    const int v[3] = {c.red(), c.green(), c.blue()};
    return int(std::max_element(v, v + 3) - v);
}

} // namespace

class TestSpectrumChart : public QObject {
    Q_OBJECT
private slots:
    // The saturated samples and the spectrum show their own hues; the ends
    // of the spectrum fade to dark.
    void colours()
    {
        QCOMPARE(Strongest(diagram::SampleColour(8)), 0);  // R9, strong red
        QCOMPARE(Strongest(diagram::SampleColour(10)), 1); // R11, strong green
        QCOMPARE(Strongest(diagram::SampleColour(11)), 2); // R12, strong blue
        const QColor yellow = diagram::SampleColour(9);    // R10, strong yellow
        QVERIFY(yellow.red() > 180 && yellow.green() > 150 && yellow.blue() < 100);
        QCOMPARE(Strongest(diagram::SpectralColour(450)), 2);
        QCOMPARE(Strongest(diagram::SpectralColour(530)), 1);
        QCOMPARE(Strongest(diagram::SpectralColour(630)), 0);
        QVERIFY(diagram::SpectralColour(380).value() < diagram::SpectralColour(450).value() / 2);
        QVERIFY(diagram::SpectralColour(780).value() < diagram::SpectralColour(700).value() / 2);
    }

    // Hovering over the spectra reads the wavelength and each series'
    // value there, relative to its own peak and as measured.
    void spectraReadout()
    {
        diagram::SpectrumChartWidget w;
        w.resize(640, 340);
        colorimetry::Spectrum doubled = Led();
        for (double &v : doubled.value)
            v *= 2;
        w.SetSeries({{QStringLiteral("A"), Led()}, {QStringLiteral("B"), doubled}});
        QVERIFY(!w.grab().isNull()); // paints, and so places the plot
        const QRectF plot = w.painted().plot;
        const double x450 = w.painted().PixelOfNm(450);
        const QString text = w.ToolTipAt(QPointF(x450, plot.center().y()));
        QVERIFY2(text.startsWith(QStringLiteral("波长 450 nm")), qPrintable(text));
        // Both peak at 450 nm: each reads 1 of its own peak, and its value.
        const double peak = Led().value[(450 - 360) / 2];
        QVERIFY2(text.contains(QStringLiteral("A：1.000（%1）").arg(peak, 0, 'g', 5))
                     && text.contains(QStringLiteral("B：1.000（%1）").arg(2 * peak, 0, 'g', 5)),
                 qPrintable(text));
        QVERIFY(w.ToolTipAt(QPointF(5, 5)).isEmpty());

        // Between samples the readout follows the line through them: at
        // 451 nm the mean of 450 and 452.
        const colorimetry::Spectrum led = Led();
        const double mean = (led.value[(450 - 360) / 2] + led.value[(452 - 360) / 2]) / 2;
        const QString between = w.ToolTipAt(QPointF(w.painted().PixelOfNm(451), plot.center().y()));
        QVERIFY2(between.startsWith(QStringLiteral("波长 451 nm"))
                     && between.contains(QStringLiteral("A：%1（%2）").arg(mean / peak, 0, 'f', 3).arg(mean, 0, 'g', 5)),
                 qPrintable(between));
    }

    // Each spectrum is scaled to its peak inside 380–780 nm: a spike at
    // 800 nm leaves the chart as it was, and the line at 550 nm at the top.
    void peakInsideTheChart()
    {
        const auto curveAt550 = [](double spike) {
            colorimetry::Spectrum flat;
            for (double nm = 360; nm <= 830; nm += 5) {
                flat.nm.push_back(nm);
                flat.value.push_back(nm == 800 ? spike : 1.0);
            }
            diagram::SpectrumChartWidget w;
            w.resize(640, 340);
            w.SetSeries({{QStringLiteral("A"), flat}});
            const QImage image = w.grab().toImage();
            const int x = int(w.painted().PixelOfNm(550));
            // The line's topmost pixel in the column: the series' colour, blue.
            for (int y = int(w.painted().plot.top()); y < int(w.painted().plot.bottom()); ++y) {
                const QColor c = image.pixelColor(x, y);
                if (c.blue() > 120 && c.red() < 80)
                    return std::pair(y, w.ToolTipAt(QPointF(x, y)));
            }
            return std::pair(-1, QString());
        };
        const auto [y, readout] = curveAt550(40);
        QVERIFY(y >= 0);
        QCOMPARE(y, curveAt550(1).first);
        QVERIFY2(readout.contains(QStringLiteral("A：1.000（1）")), qPrintable(readout));
    }

    // Hovering over a bar names its index and sample; without indices, the
    // plot tells why.
    void barsReadout()
    {
        diagram::RenderingBarsWidget w;
        w.resize(640, 300);
        const diagram::RenderingChart chart = ChartOf(Led());
        w.SetChart(chart);
        QVERIFY(!w.grab().isNull());
        // The description gives R9 its own value.
        QVERIFY(chart.rendering.r[8] != chart.rendering.r[9]);
        QVERIFY2(w.accessibleDescription().contains(QStringLiteral("R9 %1").arg(chart.rendering.r[8], 0, 'f', 2)),
                 qPrintable(w.accessibleDescription()));
        const QRectF plot = w.painted().plot;
        const double slot = plot.width() / diagram::kRenderingBars;
        const QString r9 = w.ToolTipAt(QPointF(plot.left() + slot * 9.5, plot.bottom() - 2));
        QVERIFY2(r9.startsWith(QStringLiteral("R9（TCS09 饱和红）：")), qPrintable(r9));
        QVERIFY(r9.endsWith(QString::number(chart.rendering.r[8], 'f', 2).replace('-', QChar(0x2212))));
        QVERIFY(w.ToolTipAt(QPointF(plot.left() + slot * 0.5, plot.bottom() - 2)).startsWith("Ra（R1–R8 的平均）"));

        colorimetry::Spectrum green = Led();
        for (std::size_t i = 0; i < green.nm.size(); ++i)
            green.value[i] = std::exp(-0.5 * std::pow((green.nm[i] - 530) / 15, 2));
        w.SetChart(ChartOf(green));
        w.grab();
        QVERIFY(w.ToolTipAt(plot.center()).startsWith(QStringLiteral("显色指数无定义")));
    }

    // Taller bars for larger indices, from the zero line, negative ones below it.
    void barGeometry()
    {
        diagram::RenderingChart chart;
        chart.rendering.defined = true;
        chart.rendering.ra = 80;
        for (std::size_t i = 0; i < chart.rendering.r.size(); ++i)
            chart.rendering.r[i] = 95 - 10.0 * double(i);
        QImage image(640, 300, QImage::Format_ARGB32_Premultiplied);
        QPainter p(&image);
        const diagram::PaintedRendering painted = diagram::PaintRenderingBars(p, chart, QSizeF(640, 300));
        for (std::size_t b = 2; b < diagram::kRenderingBars; ++b) {
            const QRectF &higher = painted.bars[b - 1], &lower = painted.bars[b];
            if (chart.rendering.r[b - 1] >= 0)
                QVERIFY(lower.top() > higher.top() && std::fabs(lower.bottom() - higher.bottom()) < 1e-9);
            else
                QVERIFY(lower.bottom() > higher.bottom() && lower.top() >= painted.bars[1].bottom() - 1e-9);
        }
        QVERIFY(painted.plot.contains(painted.bars[15]));
    }

    // The same painting in each format; a name without a known suffix, or a
    // folder that is not there, gets a message and no file.
    void exports()
    {
        QTemporaryDir dir;
        const std::vector<diagram::SpectrumSeries> series{{QStringLiteral("A"), Led()}};
        const QSize page(640, 340);
        for (const char *suffix : {"png", "svg", "pdf"}) {
            const QString spectra = dir.filePath(QStringLiteral("spectra.") + suffix);
            const QString bars = dir.filePath(QStringLiteral("bars.") + suffix);
            QCOMPARE(diagram::ExportSpectra(spectra, series, page), QString());
            QCOMPARE(diagram::ExportRenderingBars(bars, ChartOf(Led()), page), QString());
            QVERIFY(QFileInfo(spectra).size() > 1000 && QFileInfo(bars).size() > 1000);
        }
        QCOMPARE(QImage(dir.filePath("spectra.png")).size(), page * 2);
        QVERIFY(QSvgRenderer(dir.filePath("bars.svg")).isValid());
        QVERIFY(diagram::ExportSpectra(dir.filePath("spectra.jpg"), series, page).contains(".png"));
        QVERIFY(!diagram::ExportRenderingBars(dir.filePath("no/such/folder/bars.png"), ChartOf(Led()), page).isEmpty());
        QVERIFY(!QFileInfo::exists(dir.filePath("spectra.jpg")));
    }
};

QTEST_MAIN(TestSpectrumChart)
#include "test_spectrum_chart.moc"
