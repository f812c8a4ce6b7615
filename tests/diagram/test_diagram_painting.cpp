// The picture never contradicts the number: the painted step curves sit
// where the screens' number changes, the dot sits at its (x, y), and the
// files hold the same drawing.

#include "ansi_quadrangles.h"
#include "diagram_window.h"
#include "export.h"
#include "painter.h"
#include "style.h"

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <cmath>
#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace diagram;
using tolerance::ComputeTolerance;
using tolerance::EllipseTable;
using tolerance::ToleranceEllipse;

namespace {

constexpr QSize kPage{860, 640};

const ToleranceEllipse &Gb4000()
{
    return *tolerance::FindEllipse(tolerance::ColourStandard::GB, 4000);
}

ViewState HomeView(const Scene &scene, QSizeF page = kPage)
{
    return FitView(HomeExtent(scene), LayoutFor(page).plot);
}

PaintedDiagram PaintOnImage(const Scene &scene, const ViewState &view, QImage &image, double ratio = 1)
{
    image = QImage(kPage * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    QPainter painter(&image);
    return PaintDiagram(painter, scene, view, kPage);
}

// The weighted middle of the pixels within reach of a logical pixel, each
// weighed by how much it has of what is looked for.
template <class Weight>
QPointF MiddleOf(const QImage &image, QPointF around, int reach, Weight weight)
{
    const double ratio = image.devicePixelRatio();
    double sum = 0, sx = 0, sy = 0;
    const int cx = int(around.x() * ratio), cy = int(around.y() * ratio), r = int(reach * ratio);
    for (int y = cy - r; y <= cy + r; ++y) {
        for (int x = cx - r; x <= cx + r; ++x) {
            const double w = weight(image.pixelColor(x, y));
            sum += w;
            sx += w * (x + 0.5);
            sy += w * (y + 0.5);
        }
    }
    return sum > 0 ? QPointF(sx / sum / ratio, sy / sum / ratio) : QPointF(-1, -1);
}

// The middle of the pure red pixels: the computed point's dot (the curves
// near it are not pure red).
QPointF RedMiddle(const QImage &image, QPointF around, int reach)
{
    return MiddleOf(image, around, reach,
                    [](QColor c) { return std::max(0, c.red() - std::max(c.green(), c.blue()) * 4); });
}

QString Tool(const char *name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

QString Run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Within a pixel of the page point, a pixel near the colour.
bool ColourNear(const QImage &image, QPointF at, const QColor &colour)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const QColor c = image.pixelColor(int(at.x()) + dx, int(at.y()) + dy);
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green())
                    + std::abs(c.blue() - colour.blue()) < 90)
                return true;
        }
    return false;
}

std::shared_ptr<const colorimetry::BinSet> TwoBinsAndASpeck()
{
    return std::make_shared<const colorimetry::BinSet>(std::vector<colorimetry::Bin>{
        {"A1", {{0.370, 0.370}, {0.385, 0.370}, {0.385, 0.385}, {0.370, 0.385}}},
        {"B2", {{0.385, 0.370}, {0.400, 0.370}, {0.392, 0.385}}},
        {"speck", {{0.3900, 0.3900}, {0.3901, 0.3900}, {0.3900, 0.3901}}},
    });
}

} // namespace

class DiagramPaintingTest : public QObject {
    Q_OBJECT
private slots:
    // For every row, every vertex of each painted program curve, mapped back
    // through the view, rates k just inside and k + 1 just outside; the
    // chords between vertices never reach k + 1; the dashed curves are the
    // standard's n-step ellipses.
    void paintedCurvesAgreeWithTheNumber()
    {
        for (const ToleranceEllipse &row : EllipseTable) {
            const Scene scene = ScreenScene(&row, std::nullopt);
            const ViewState view = HomeView(scene);
            QImage image;
            const PaintedDiagram painted = PaintOnImage(scene, view, image);
            const ViewTransform t(view, LayoutFor(kPage).plot);
            QCOMPARE(painted.curves.size(), std::size_t(2 * kLargestDrawnStep));
            const QString where = RowName(row);
            for (const PaintedCurve &curve : painted.curves) {
                const int k = curve.steps;
                QVERIFY(curve.path.elementCount() >= 24);
                // The path closes on its first vertex.
                Xy previous = t.ToXy(curve.path.elementAt(0));
                for (int i = 0; i < curve.path.elementCount(); ++i) {
                    const Xy p = t.ToXy(curve.path.elementAt(i));
                    const QString at = QStringLiteral("%1 %2 %3 at (%4, %5)")
                                           .arg(where, curve.standard ? "standard" : "program")
                                           .arg(k)
                                           .arg(p.x, 0, 'g', 17)
                                           .arg(p.y, 0, 'g', 17);
                    if (curve.standard) {
                        QVERIFY2(std::fabs(colorimetry::StandardSdcm(row, p) - k) < 1e-6, qPrintable(at));
                        continue;
                    }
                    auto scaled = [&row](Xy q, double f) {
                        return ComputeTolerance(row, row.x0 + (q.x - row.x0) * f, row.y0 + (q.y - row.y0) * f);
                    };
                    QVERIFY2(scaled(p, 1 - 1e-6) == k, qPrintable(at + " inside"));
                    QVERIFY2(scaled(p, 1 + 1e-6) == k + 1, qPrintable(at + " outside"));
                    const Xy mid{(p.x + previous.x) / 2, (p.y + previous.y) / 2};
                    QVERIFY2(i == 0 || scaled(mid, 1) == k, qPrintable(at + " chord"));
                    previous = p;
                }
            }
        }
    }

    // The eight quadrangles are painted through their corners, every edge
    // seen in their colour, and named where they are wide enough; hidden,
    // none of it.
    void quadranglesLieOnTheirCorners()
    {
        Scene scene = ScreenScene(nullptr, Xy{0.40, 0.39});
        const QRectF plot = LayoutFor(kPage).plot;
        const ViewState view = FitView({0.30, 0.31, 0.49, 0.44}, plot);
        const ViewTransform t(view, plot);
        QImage image;
        const PaintedDiagram painted = PaintOnImage(scene, view, image);
        const auto quadrangles = colorimetry::AnsiQuadrangles();
        QCOMPARE(painted.outlines.size(), quadrangles.size());
        for (const PaintedOutline &o : painted.outlines) {
            const auto &corners = quadrangles[o.index].corners;
            QVERIFY(!o.bin && o.labelled);
            for (int k = 0; k < 4; ++k) {
                const Xy a = t.ToXy(o.path.elementAt(k)), b = corners[std::size_t(k)];
                QVERIFY(std::hypot(a.x - b.x, a.y - b.y) < 1e-12);
                // Labels may cover a part of an edge, never all of it.
                const Xy c = corners[std::size_t(k + 1) % 4];
                bool seen = false;
                for (double f : {0.2, 0.35, 0.5, 0.65, 0.8})
                    seen = seen || ColourNear(image, t.ToPixel({b.x + f * (c.x - b.x), b.y + f * (c.y - b.y)}),
                                              style::AnsiQuadranglePen().color());
                QVERIFY2(seen, qPrintable(QStringLiteral("%1K edge %2").arg(quadrangles[o.index].nominalCct).arg(k)));
            }
        }
        scene.ansiQuadrangles = false;
        QVERIFY(PaintOnImage(scene, view, image).outlines.empty());
        const auto &c = quadrangles[3].corners;
        QVERIFY(!ColourNear(image, t.ToPixel({(c[0].x + c[1].x) / 2, (c[0].y + c[1].y) / 2}),
                            style::AnsiQuadranglePen().color()));
    }

    // Bins are painted and named where they have room; counts of another
    // length than the bins are dropped; an SVG carries names and legend.
    void binsArePaintedNamedAndExported()
    {
        const BatchPoint rows[] = {{0.375, 0.375, -1}, {0.39, 0.372, -1}};
        Scene scene = BatchScene(nullptr, rows);
        SetBins(scene, {TwoBinsAndASpeck(), {1}});
        QVERIFY(scene.bins.counts.empty());
        SetBins(scene, {TwoBinsAndASpeck(), {1, 1, 0}});
        const ViewState view = FitView({0.365, 0.365, 0.405, 0.395}, LayoutFor(kPage).plot);
        QImage image;
        const PaintedDiagram painted = PaintOnImage(scene, view, image);
        std::vector<std::pair<std::size_t, bool>> bins;
        for (const PaintedOutline &o : painted.outlines)
            if (o.bin)
                bins.push_back({o.index, o.labelled});
        QCOMPARE(bins, (std::vector<std::pair<std::size_t, bool>>{{0, true}, {1, true}, {2, false}}));

        QTemporaryDir dir;
        QCOMPARE(ExportDiagram(dir.filePath("bins.svg"), scene, view, kPage), QString());
        QFile file(dir.filePath("bins.svg"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString text;
        QXmlStreamReader xml(&file);
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::Characters)
                text += xml.text();
        for (const char *label : {"A1", "B2", "4000K", "分档 3 个", "分档内 2 点", "C78.377"})
            QVERIFY2(text.contains(QString::fromUtf8(label)), label);
    }

    // The dot's middle, found in the painted pixels, lies at its (x, y)
    // within half a pixel: at home and zoomed, on plain and doubled pixels.
    void dotLiesAtItsPoint_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<double>("ratio");
        QTest::newRow("home") << 0.4476 << 0.4074 << 1.0 << 1.0;
        QTest::newRow("zoomed in, off the grid") << 0.38123 << 0.37987 << 7.3 << 1.0;
        QTest::newRow("far out") << 0.3127 << 0.3290 << 0.04 << 1.0;
        QTest::newRow("doubled pixels") << 0.4476 << 0.4074 << 1.0 << 2.0;
        QTest::newRow("doubled, zoomed in") << 0.38123 << 0.37987 << 7.3 << 2.0;
    }
    void dotLiesAtItsPoint()
    {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, zoom);
        QFETCH(double, ratio);
        // Around the point without a row: no red curves near the dot.
        const Scene scene = ScreenScene(nullptr, Xy{x, y});
        const QRectF plot = LayoutFor(kPage).plot;
        ViewState view = HomeView(scene);
        view = ZoomedAbout(view, plot, plot.center() + QPointF(37.3, -21.7), zoom);
        QImage image;
        const PaintedDiagram painted = PaintOnImage(scene, view, image, ratio);
        const QPointF expected = ViewTransform(view, plot).ToPixel({x, y});
        QVERIFY(painted.pointDot);
        const QPointF found = RedMiddle(image, expected, 8);
        QVERIFY2(std::hypot(found.x() - expected.x(), found.y() - expected.y()) < 0.5,
                 qPrintable(QStringLiteral("dot at (%1, %2), point at (%3, %4)")
                                .arg(found.x()).arg(found.y()).arg(expected.x()).arg(expected.y())));
    }

    // A batch dot's middle lies at its row's (x, y) within a pixel, with and
    // without a row of the ellipse table, on plain and doubled pixels.
    void batchDotsLieAtTheirPoints()
    {
        const ToleranceEllipse *rows[] = {&Gb4000(), nullptr};
        for (const ToleranceEllipse *row : rows) {
            for (const double ratio : {1.0, 2.0}) {
                const std::vector<BatchPoint> points{{0.3862, 0.3751, 0}, {0.3712, 0.3905, 0}};
                std::vector<BatchPoint> rated;
                for (BatchPoint p : points) {
                    p.steps = row ? ComputeTolerance(*row, p.x, p.y) : -1;
                    rated.push_back(p);
                }
                const Scene scene = BatchScene(row, rated);
                QImage image;
                const ViewState view = HomeView(scene);
                PaintOnImage(scene, view, image, ratio);
                for (const BatchPoint &p : rated) {
                    const QColor colour = style::BandColour(StepBand(p.steps));
                    const QPointF expected = ViewTransform(view, LayoutFor(kPage).plot).ToPixel({p.x, p.y});
                    const QPointF found = MiddleOf(image, expected, 7, [&colour](QColor c) {
                        const int d = std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green())
                                      + std::abs(c.blue() - colour.blue());
                        return d < 30 ? 1 : 0;
                    });
                    QVERIFY2(std::hypot(found.x() - expected.x(), found.y() - expected.y()) < 1,
                             qPrintable(QStringLiteral("dot at (%1, %2), point at (%3, %4), ratio %5")
                                            .arg(found.x()).arg(found.y()).arg(expected.x()).arg(expected.y())
                                            .arg(ratio)));
                }
            }
        }
    }

    // At home, on a wide, a tall and the usual page, both 7-step curves of
    // every row lie wholly inside the plot: the view fits them, not crops.
    void homeViewHoldsTheSevenStepCurves()
    {
        for (const QSize page : {kPage, QSize(1500, 520), QSize(620, 1000)}) {
            const QRectF plot = LayoutFor(page).plot.adjusted(-0.5, -0.5, 0.5, 0.5);
            for (const ToleranceEllipse &row : EllipseTable) {
                const Scene scene = ScreenScene(&row, Xy{row.x0, row.y0});
                QImage image(page, QImage::Format_ARGB32_Premultiplied);
                QPainter painter(&image);
                const PaintedDiagram painted = PaintDiagram(painter, scene, HomeView(scene, page), page);
                int sevens = 0;
                for (const PaintedCurve &curve : painted.curves) {
                    if (curve.steps != kLargestDrawnStep)
                        continue;
                    ++sevens;
                    for (int i = 0; i < curve.path.elementCount(); ++i)
                        QVERIFY2(plot.contains(curve.path.elementAt(i)),
                                 qPrintable(RowName(row) + QStringLiteral(" on %1×%2").arg(page.width()).arg(page.height())));
                }
                QCOMPARE(sevens, 2);
            }
        }
    }

    // The PNG has twice the pixels of the page and says so in its dots per
    // inch; the dot lands at twice its page position.
    void pngHasTwiceTheScale()
    {
        QTemporaryDir dir;
        const Xy point{0.3862, 0.3751};
        const Scene scene = ScreenScene(nullptr, point);
        const ViewState view = HomeView(scene);
        const QString path = dir.filePath("d.png");
        QCOMPARE(ExportDiagram(path, scene, view, kPage), QString());
        const QImage png(path);
        QCOMPARE(png.size(), kPage * 2);
        QCOMPARE(std::lround(png.dotsPerMeterX() * 0.0254), 192L);
        const QPointF page = ViewTransform(view, LayoutFor(kPage).plot).ToPixel(point);
        QImage doubled = png;
        doubled.setDevicePixelRatio(2);
        const QPointF found = RedMiddle(doubled, page, 8);
        QVERIFY(std::hypot(found.x() - page.x(), found.y() - page.y()) < 0.5);
    }

    // The SVG parses, and holds the seven solid and seven dashed curves
    // vertex for vertex as painted, and the title as text.
    void svgHoldsTheCurves()
    {
        QTemporaryDir dir;
        const Scene scene = ScreenScene(&Gb4000(), Xy{0.3862, 0.3751});
        const ViewState view = HomeView(scene);
        const QString path = dir.filePath("d.svg");
        QCOMPARE(ExportDiagram(path, scene, view, kPage), QString());
        QImage image;
        const PaintedDiagram painted = PaintOnImage(scene, view, image);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        const QString programStroke = style::ProgramStepPen().color().name();
        const QString standardStroke = style::StandardStepPen().color().name();
        QList<QPointF> solidStarts, dashedStarts;
        QString stroke, text;
        bool dashed = false;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement) {
                if (xml.isCharacters())
                    text += xml.text();
                continue;
            }
            const QXmlStreamAttributes a = xml.attributes();
            if (xml.name() == QLatin1String("g")) {
                stroke = a.value("stroke").toString();
                dashed = a.hasAttribute("stroke-dasharray");
            } else if (xml.name() == QLatin1String("path")) {
                const QString d = a.value("d").toString();
                if (d.count('L') < 359)
                    continue;
                const QStringList first = d.mid(1, d.indexOf(' ') - 1).split(',');
                const QPointF start(first[0].toDouble(), first[1].toDouble());
                if (stroke == programStroke && !dashed)
                    solidStarts << start;
                if (stroke == standardStroke && dashed)
                    dashedStarts << start;
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(solidStarts.size(), kLargestDrawnStep);
        QCOMPARE(dashedStarts.size(), kLargestDrawnStep);
        for (const PaintedCurve &c : painted.curves) {
            const QPointF start = c.path.elementAt(0);
            const QPointF svg = (c.standard ? dashedStarts : solidStarts)[c.steps - 1];
            QVERIFY(std::hypot(svg.x() - start.x(), svg.y() - start.y()) < 0.01);
        }
        QVERIFY(text.contains(QStringLiteral("色品图")));
    }

    // One page of the page's size, vector paths and real text, no pictures.
    void pdfIsOneVectorPage()
    {
        const QString pdfinfo = Tool("pdfinfo"), pdftotext = Tool("pdftotext"),
                      pdfimages = Tool("pdfimages"), pdftocairo = Tool("pdftocairo");
        if (pdfinfo.isEmpty() || pdftotext.isEmpty() || pdfimages.isEmpty() || pdftocairo.isEmpty())
            QSKIP("poppler-utils is not installed (scripts/setup.sh installs it)");
        QTemporaryDir dir;
        const Scene scene = ScreenScene(&Gb4000(), Xy{0.3862, 0.3751});
        const QString path = dir.filePath("d.pdf");
        QCOMPARE(ExportDiagram(path, scene, HomeView(scene), kPage), QString());
        const QString info = Run(pdfinfo, {path});
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+1\\n")), qPrintable(info));
        QVERIFY2(info.contains(QStringLiteral("645 x 480 pts")), qPrintable(info));
        QVERIFY(Run(pdftotext, {path, "-"}).contains(QStringLiteral("色品图 — GB 4000 K")));
        QCOMPARE(Run(pdfimages, {"-list", path}).count('\n'), 2); // the heading only
        Run(pdftocairo, {"-svg", path, dir.filePath("back.svg")});
        QFile back(dir.filePath("back.svg"));
        QVERIFY(back.open(QIODevice::ReadOnly));
        QVERIFY(back.readAll().count("<path") >= 2 * kLargestDrawnStep);
    }

    // A batch plot: the file, or a message that says what to do.
    void batchPlotWritesOrExplains()
    {
        QTemporaryDir dir;
        const BatchPoint rows[] = {{0.381, 0.379, 1}, {0.39, 0.37, 7}, {NAN, 0.3, -1}};
        QCOMPARE(ExportBatchPlot(dir.filePath("b.png"), &Gb4000(), rows), QString());
        QCOMPARE(QImage(dir.filePath("b.png")).size(), QSize(1920, 1440));
        QCOMPARE(ExportBatchPlot(dir.filePath("b.svg"), nullptr, rows), QString());
        QVERIFY(ExportBatchPlot(dir.filePath("b.txt"), &Gb4000(), rows).contains(".png"));
        QVERIFY(!ExportBatchPlot(dir.filePath("no/such/dir/b.png"), &Gb4000(), rows).isEmpty());
        QVERIFY(!ExportBatchPlot(dir.filePath("no/such/dir/b.pdf"), &Gb4000(), rows).isEmpty());
        QVERIFY(!QFile::exists(dir.filePath("b.txt")));
#ifndef _WIN32
        // A FIFO is refused, not written to (which would wait for a reader).
        // (Windows has none in its folders.)
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("f.png")).constData(), 0600), 0);
        QVERIFY(ExportBatchPlot(dir.filePath("f.png"), &Gb4000(), rows).contains("不是普通文件"));
#endif
    }
};

QTEST_MAIN(DiagramPaintingTest)
#include "test_diagram_painting.moc"
