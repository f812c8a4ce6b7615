#include "spectrum_chart.h"

#include "export.h"
#include "painter.h"
#include "srgb.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace diagram {

namespace {

QColor ToQColor(const colorimetry::Rgb &linear)
{
    return QColor::fromRgbF(float(colorimetry::SrgbEncoded(linear.r)), float(colorimetry::SrgbEncoded(linear.g)),
                            float(colorimetry::SrgbEncoded(linear.b)));
}

// The colour-matching functions at a wavelength, between their 5 nm rows.
colorimetry::Xyz CmfAt(double nm)
{
    const std::span<const colorimetry::CmfSample> cmf = colorimetry::Cie1931TwoDegree();
    for (std::size_t i = 0; i + 1 < cmf.size(); ++i) {
        if (nm >= cmf[i].nm && nm <= cmf[i + 1].nm) {
            const double t = (nm - cmf[i].nm) / (cmf[i + 1].nm - cmf[i].nm);
            return {cmf[i].xBar + t * (cmf[i + 1].xBar - cmf[i].xBar),
                    cmf[i].yBar + t * (cmf[i + 1].yBar - cmf[i].yBar),
                    cmf[i].zBar + t * (cmf[i + 1].zBar - cmf[i].zBar)};
        }
    }
    return {};
}

// A qualitative palette for the series: apart in hue and in lightness.
QColor SeriesColour(std::size_t i)
{
    static const QColor colours[] = {QColor(0x1f, 0x4e, 0x9c), QColor(0xd6, 0x27, 0x28), QColor(0x2c, 0x8c, 0x3c),
                                     QColor(0x94, 0x67, 0xbd), QColor(0xe0, 0x7b, 0x00), QColor(0x17, 0x9c, 0xaa),
                                     QColor(0x8c, 0x56, 0x4b), QColor(0x55, 0x55, 0x55)};
    return colours[i % std::size(colours)];
}

// The largest finite value of the measured samples inside 380–780 nm; 0
// when there is none above 0.
double PeakOf(const colorimetry::Spectrum &s)
{
    double peak = 0;
    for (std::size_t i = 0; i < s.nm.size() && i < s.value.size(); ++i) {
        if (s.nm[i] >= kChartFirstNm && s.nm[i] <= kChartLastNm && std::isfinite(s.value[i]))
            peak = std::max(peak, s.value[i]);
    }
    return peak;
}

// The value of the line through the samples at nm; NaN outside them.
double ValueAt(const colorimetry::Spectrum &s, double nm)
{
    const auto after = std::lower_bound(s.nm.begin(), s.nm.end(), nm);
    if (after == s.nm.end())
        return NAN;
    const std::size_t j = std::size_t(after - s.nm.begin());
    if (j >= s.value.size())
        return NAN;
    if (s.nm[j] == nm)
        return s.value[j];
    if (j == 0)
        return NAN;
    const double t = (nm - s.nm[j - 1]) / (s.nm[j] - s.nm[j - 1]);
    return s.value[j - 1] + t * (s.value[j] - s.value[j - 1]);
}

QString Number(double v, int decimals)
{
    QString text = QString::number(v, 'f', decimals);
    if (text.startsWith('-') && text.toDouble() == 0)
        text.remove(0, 1);
    return text.replace('-', QChar(0x2212));
}

void DrawTitle(QPainter &p, const QRectF &area, const QString &title, const QString &right)
{
    p.setPen(Qt::black);
    p.setFont(DiagramFont(15, true));
    p.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, title);
    p.setFont(DiagramFont(11));
    p.setPen(QColor(80, 80, 80));
    p.drawText(area, Qt::AlignRight | Qt::AlignVCenter, right);
}

void DrawNote(QPainter &p, const QRectF &plot, const QString &note)
{
    p.setFont(DiagramFont(13));
    p.setPen(QColor(90, 90, 90));
    p.drawText(plot.adjusted(20, 0, -20, 0), Qt::AlignCenter | Qt::TextWordWrap, note);
}

// ---- Spectra layout ------------------------------------------------------------

constexpr double kTitleHeight = 30;
constexpr double kBandHeight = 12;

QRectF SpectraPlot(QSizeF page, bool titled)
{
    const double top = titled ? kTitleHeight + 6 : 14;
    return QRectF(QPointF(56, top), QPointF(page.width() - 16, page.height() - 50));
}

// The bottom of the scale: 0, or the next twentieth below the lowest value.
double Lowest(double lowestRelative)
{
    return std::min(0.0, std::floor(lowestRelative * 20) / 20);
}

} // namespace

QColor SpectralColour(double nm)
{
    const colorimetry::Xyz c = CmfAt(nm);
    colorimetry::Rgb rgb = colorimetry::LinearSrgbOf(c);
    // Desaturate into the gamut: add white until no component is negative.
    const double lowest = std::min({rgb.r, rgb.g, rgb.b, 0.0});
    rgb = {rgb.r - lowest, rgb.g - lowest, rgb.b - lowest};
    const double highest = std::max({rgb.r, rgb.g, rgb.b});
    if (!(highest > 0))
        return Qt::black;
    // Dim towards the ends, where the eye sees little of the light.
    const double strength = std::sqrt(std::min(1.0, (c.X + c.Y + c.Z) / 0.3));
    const double scale = strength / highest;
    return ToQColor({rgb.r * scale, rgb.g * scale, rgb.b * scale});
}

QColor SampleColour(std::size_t i)
{
    return ToQColor(colorimetry::LinearSrgbOf(colorimetry::ReflectanceUnderD65(colorimetry::TestColourSample(i))));
}

QString SampleName(std::size_t i)
{
    static const char *const names[colorimetry::kTestSampleCount] = {
        "浅灰红", "暗灰黄", "饱和黄绿", "中等黄绿", "浅蓝绿", "浅蓝", "浅紫", "浅红紫",
        "饱和红", "饱和黄", "饱和绿", "饱和蓝", "白种人肤色", "树叶绿", "黄种人肤色"};
    return i < colorimetry::kTestSampleCount ? QString::fromUtf8(names[i]) : QString();
}

double PaintedSpectra::PixelOfNm(double nm) const
{
    return plot.left() + (nm - kChartFirstNm) / (kChartLastNm - kChartFirstNm) * plot.width();
}

double PaintedSpectra::NmOfPixel(double x) const
{
    return kChartFirstNm + (x - plot.left()) / plot.width() * (kChartLastNm - kChartFirstNm);
}

PaintedSpectra PaintSpectra(QPainter &p, std::span<const SpectrumSeries> series, QSizeF page, const QString &title)
{
    PaintedSpectra painted{SpectraPlot(page, !title.isEmpty())};
    const QRectF plot = painted.plot;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRectF(QPointF(0, 0), page), Qt::white);
    if (!title.isEmpty())
        DrawTitle(p, QRectF(plot.left(), 4, plot.width(), kTitleHeight), title, QStringLiteral("各自按 380–780 nm 内的峰值归一"));

    // The vertical scale: 0 to 1.05 of each peak, lower where dark noise goes below 0.
    double lowest = 0;
    for (const SpectrumSeries &s : series) {
        const double peak = PeakOf(s.spectrum);
        for (std::size_t i = 0; peak > 0 && i < s.spectrum.nm.size() && i < s.spectrum.value.size(); ++i) {
            if (s.spectrum.nm[i] >= kChartFirstNm && s.spectrum.nm[i] <= kChartLastNm
                && std::isfinite(s.spectrum.value[i]))
                lowest = std::min(lowest, s.spectrum.value[i] / peak);
        }
    }
    const double bottom = std::max(-0.5, Lowest(lowest)), top = 1.05;
    auto yOf = [&](double v) { return plot.bottom() - (v - bottom) / (top - bottom) * plot.height(); };

    // Grid, ticks and labels.
    p.setFont(DiagramFont(11));
    const QFontMetricsF fm(p.font());
    const QPen grid(QColor(228, 228, 228), 0.8), tick(QColor(60, 60, 60), 1.0);
    for (int nm = 380; nm <= 780; nm += 10) {
        const double x = painted.PixelOfNm(nm);
        const bool major = nm % 50 == 0;
        if (major) {
            p.setPen(grid);
            p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        }
        p.setPen(tick);
        const double below = plot.bottom() + kBandHeight;
        p.drawLine(QPointF(x, below), QPointF(x, below + (major ? 5 : 2.5)));
        if (major) {
            const QString text = QString::number(nm);
            p.drawText(QPointF(x - fm.horizontalAdvance(text) / 2, below + 7 + fm.ascent()), text);
        }
    }
    for (int tenth = int(std::ceil(bottom * 10)); tenth <= 10; ++tenth) {
        const double y = yOf(tenth / 10.0);
        const bool major = tenth % 2 == 0;
        p.setPen(tenth == 0 ? QPen(QColor(150, 150, 150), 1.0) : grid);
        if (major || tenth == 0)
            p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(tick);
        p.drawLine(QPointF(plot.left() - (major ? 5 : 2.5), y), QPointF(plot.left(), y));
        if (major) {
            const QString text = Number(tenth / 10.0, 1);
            p.drawText(QPointF(plot.left() - 8 - fm.horizontalAdvance(text), y + fm.ascent() / 2 - 1), text);
        }
    }
    p.setFont(DiagramFont(12, true));
    p.setPen(Qt::black);
    p.drawText(QRectF(plot.left(), page.height() - 20, plot.width(), 18), Qt::AlignCenter,
               QStringLiteral("波长 λ / nm"));
    p.save();
    p.translate(14, plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-plot.height() / 2, -9, plot.height(), 18), Qt::AlignCenter, QStringLiteral("相对光谱功率"));
    p.restore();

    // The colours of the spectrum under the axis.
    QLinearGradient band(QPointF(plot.left(), 0), QPointF(plot.right(), 0));
    for (double nm = kChartFirstNm; nm <= kChartLastNm; nm += 5)
        band.setColorAt((nm - kChartFirstNm) / (kChartLastNm - kChartFirstNm), SpectralColour(nm));
    p.setPen(Qt::NoPen);
    p.setBrush(band);
    p.drawRect(QRectF(plot.left(), plot.bottom(), plot.width(), kBandHeight));

    // The curves, clipped to the plot.
    p.save();
    p.setClipRect(plot);
    std::vector<std::pair<QString, QColor>> legend;
    for (std::size_t k = 0; k < series.size(); ++k) {
        const colorimetry::Spectrum &s = series[k].spectrum;
        const double peak = PeakOf(s);
        if (!(peak > 0))
            continue;
        QPainterPath path;
        bool started = false;
        for (std::size_t i = 0; i < s.nm.size() && i < s.value.size(); ++i) {
            // One sample beyond each end, so that the line reaches the edge.
            const bool inside = s.nm[i] >= kChartFirstNm && s.nm[i] <= kChartLastNm;
            const bool nextInside = i + 1 < s.nm.size() && s.nm[i + 1] >= kChartFirstNm;
            const bool lastInside = i > 0 && s.nm[i - 1] <= kChartLastNm;
            if (!std::isfinite(s.value[i]) || !(inside || (nextInside && s.nm[i] < kChartFirstNm)
                                                 || (lastInside && s.nm[i] > kChartLastNm)))
                continue;
            const QPointF at(painted.PixelOfNm(s.nm[i]), yOf(s.value[i] / peak));
            if (started) {
                path.lineTo(at);
            } else {
                path.moveTo(at);
                started = true;
            }
        }
        const QColor colour = SeriesColour(k);
        p.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        legend.emplace_back(series[k].name, colour);
    }
    p.restore();

    p.setPen(QPen(QColor(60, 60, 60), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);

    if (legend.empty()) {
        DrawNote(p, plot, series.empty() ? QStringLiteral("没有选中的光谱") : QStringLiteral("所选光谱在 380–780 nm 内没有正值"));
    } else {
        // The legend in the top right corner; beyond eight, a count.
        constexpr std::size_t kShown = 8;
        p.setFont(DiagramFont(11));
        const QFontMetricsF lf(p.font());
        QStringList lines;
        for (std::size_t i = 0; i < legend.size() && i < kShown; ++i)
            lines << lf.elidedText(legend[i].first, Qt::ElideRight, 180);
        if (legend.size() > kShown)
            lines << QStringLiteral("……共 %1 条").arg(legend.size());
        double width = 0;
        for (const QString &line : lines)
            width = std::max(width, lf.horizontalAdvance(line));
        const double lineHeight = lf.height() + 2;
        const QRectF box(plot.right() - width - 40, plot.top() + 6, width + 34, lines.size() * lineHeight + 8);
        p.setPen(QPen(QColor(170, 170, 170), 1));
        p.setBrush(QColor(255, 255, 255, 230));
        p.drawRect(box);
        for (int i = 0; i < lines.size(); ++i) {
            const double y = box.top() + 4 + i * lineHeight + lineHeight / 2;
            if (std::size_t(i) < legend.size() && std::size_t(i) < kShown) {
                p.setPen(QPen(legend[std::size_t(i)].second, 2.2));
                p.drawLine(QPointF(box.left() + 6, y), QPointF(box.left() + 24, y));
            }
            p.setPen(Qt::black);
            p.drawText(QPointF(box.left() + 30, y + lf.ascent() / 2 - 1), lines[i]);
        }
    }
    p.restore();
    return painted;
}

QString SpectraReadout(const PaintedSpectra &painted, std::span<const SpectrumSeries> series, QPointF pos)
{
    if (!painted.plot.contains(pos))
        return {};
    const double nm = std::round(painted.NmOfPixel(pos.x()));
    QStringList lines{QStringLiteral("波长 %1 nm").arg(nm)};
    constexpr std::size_t kListed = 12;
    for (std::size_t k = 0; k < series.size() && k < kListed; ++k) {
        const double peak = PeakOf(series[k].spectrum);
        const double v = ValueAt(series[k].spectrum, nm);
        if (!(peak > 0) || !std::isfinite(v))
            continue;
        lines << QStringLiteral("%1：%2（%3）").arg(series[k].name, Number(v / peak, 3), QString::number(v, 'g', 5));
    }
    if (series.size() > kListed)
        lines << QStringLiteral("……共 %1 条").arg(series.size());
    return lines.join('\n');
}

// ---- Bars -----------------------------------------------------------------------

PaintedRendering PaintRenderingBars(QPainter &p, const RenderingChart &chart, QSizeF page)
{
    const colorimetry::ColourRendering &r = chart.rendering;
    PaintedRendering painted;
    const double noteHeight = chart.note.isEmpty() || !r.defined ? 0 : 18;
    const QRectF plot(QPointF(52, kTitleHeight + 10 + noteHeight), QPointF(page.width() - 14, page.height() - 34));
    painted.plot = plot;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRectF(QPointF(0, 0), page), Qt::white);
    DrawTitle(p, QRectF(plot.left(), 4, plot.width(), kTitleHeight),
              chart.title.isEmpty() ? QStringLiteral("显色指数") : chart.title,
              r.defined ? QStringLiteral("CIE 13.3 · 参照光源 %1 K").arg(std::round(r.referenceCct))
                        : QStringLiteral("CIE 13.3"));
    if (noteHeight > 0) {
        p.setFont(DiagramFont(11));
        p.setPen(QColor(170, 60, 0));
        p.drawText(QRectF(plot.left(), kTitleHeight + 4, plot.width(), noteHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("⚠ ") + chart.note);
    }

    // The scale: down to the lowest index in steps of 20, up to 100.
    double lowest = 0;
    if (r.defined) {
        lowest = r.ra;
        for (const double v : r.r)
            lowest = std::min(lowest, v);
    }
    const double step = lowest < -160 ? 50 : 20;
    // Room for a value's label above 100 and below the lowest bar: a
    // fraction k of the plot's height at either end.
    const double k = std::min(0.2, 18 / std::max(plot.height(), 1.0));
    auto topFor = [k](double bottom) { return (100 - k * bottom) / (1 - k); };
    double bottom = std::min(0.0, std::floor(lowest / step) * step);
    if (lowest < 0 && lowest - bottom < k * (topFor(bottom) - bottom))
        bottom -= step;
    const double top = topFor(bottom);
    auto yOf = [&](double v) { return plot.bottom() - (v - bottom) / (top - bottom) * plot.height(); };

    p.setFont(DiagramFont(11));
    const QFontMetricsF fm(p.font());
    for (double v = bottom; v <= 100 + 1e-9; v += step) {
        const double y = yOf(v);
        p.setPen(v == 0 ? QPen(QColor(90, 90, 90), 1.0) : QPen(QColor(228, 228, 228), 0.8));
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(QColor(60, 60, 60));
        const QString text = Number(v, 0);
        p.drawText(QPointF(plot.left() - 7 - fm.horizontalAdvance(text), y + fm.ascent() / 2 - 1), text);
    }
    p.setPen(QPen(QColor(60, 60, 60), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);

    struct Value {
        QRectF box;
        QString text;
        bool bold;
    };
    std::vector<Value> values; // drawn after the line at Ra, over it
    const double slot = plot.width() / kRenderingBars;
    const double width = slot * 0.64;
    for (std::size_t b = 0; b < kRenderingBars; ++b) {
        const double centre = plot.left() + slot * (double(b) + 0.5);
        p.setPen(Qt::black);
        p.setFont(DiagramFont(11, b == 0));
        const QString label = b == 0 ? QStringLiteral("Ra") : QStringLiteral("R%1").arg(b);
        p.drawText(QRectF(centre - slot / 2, plot.bottom() + 4, slot, 18), Qt::AlignHCenter | Qt::AlignTop, label);
        if (!r.defined)
            continue;
        const double value = b == 0 ? r.ra : r.r[b - 1];
        const double y0 = yOf(0), y1 = yOf(std::clamp(value, bottom, top));
        const QRectF bar(QPointF(centre - width / 2, std::min(y0, y1)), QPointF(centre + width / 2, std::max(y0, y1)));
        painted.bars[b] = bar;
        p.setPen(QPen(QColor(70, 70, 70), 0.8));
        p.setBrush(b == 0 ? QColor(110, 110, 110) : SampleColour(b - 1));
        p.drawRect(bar);
        // The value above the bar, or below it where the index is negative.
        values.push_back({value >= 0 ? QRectF(centre - slot / 2, bar.top() - 16, slot, 15)
                                     : QRectF(centre - slot / 2, bar.bottom() + 1, slot, 15),
                          Number(value, 1), b == 0});
    }
    if (r.defined) {
        // The line at Ra, across all bars.
        QPen dashed(QColor(40, 40, 40), 1.2, Qt::CustomDashLine);
        dashed.setDashPattern({5, 3});
        const double y = yOf(r.ra);
        p.setPen(dashed);
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        for (const Value &v : values) {
            p.setFont(DiagramFont(10, v.bold));
            const double w = QFontMetricsF(p.font()).horizontalAdvance(v.text) + 4;
            const QRectF ground(v.box.center().x() - w / 2, v.box.top() + 1, w, v.box.height() - 2);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, 220));
            p.drawRect(ground);
            p.setPen(Qt::black);
            p.drawText(v.box, Qt::AlignCenter, v.text);
        }
    } else {
        DrawNote(p, plot, chart.note.isEmpty() ? QStringLiteral("显色指数无定义") : chart.note);
    }
    p.restore();
    return painted;
}

QString RenderingReadout(const PaintedRendering &painted, const RenderingChart &chart, QPointF pos)
{
    if (!chart.rendering.defined)
        return painted.plot.contains(pos) ? chart.note : QString();
    for (std::size_t b = 0; b < kRenderingBars; ++b) {
        const QRectF &bar = painted.bars[b];
        // The whole column of a bar counts, so that a short bar is easy to find.
        if (pos.x() < bar.left() || pos.x() > bar.right() || !painted.plot.contains(pos))
            continue;
        if (b == 0)
            return QStringLiteral("Ra（R1–R8 的平均）：%1").arg(Number(chart.rendering.ra, 2));
        return QStringLiteral("R%1（TCS%2 %3）：%4")
            .arg(b)
            .arg(b, 2, 10, QChar('0'))
            .arg(SampleName(b - 1), Number(chart.rendering.r[b - 1], 2));
    }
    return {};
}

QString ExportSpectra(const QString &path, std::span<const SpectrumSeries> series, QSize page, const QString &title)
{
    return ExportPicture(path, page, title.isEmpty() ? QStringLiteral("光谱") : title,
                         QStringLiteral("相对光谱功率，380–780 nm"),
                         [&](QPainter &painter, QSizeF size) { PaintSpectra(painter, series, size, title); });
}

QString ExportRenderingBars(const QString &path, const RenderingChart &chart, QSize page)
{
    return ExportPicture(path, page, chart.title.isEmpty() ? QStringLiteral("显色指数") : chart.title,
                         QStringLiteral("CIE 13.3 Ra、R1–R15"),
                         [&](QPainter &painter, QSizeF size) { PaintRenderingBars(painter, chart, size); });
}

} // namespace diagram
