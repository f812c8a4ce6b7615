#include "painter.h"

#include "ansi_quadrangles.h"
#include "readout.h"
#include "style.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <map>

namespace diagram {

using tolerance::ColourStandard;

QFont DiagramFont(int pixels, bool bold)
{
    QFont font;
    // DejaVu Sans last, for the signs the CJK faces lack (the minus sign
    // U+2212): without it each system falls back to a face of its own.
    font.setFamilies({QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("AR PL SungtiL GB"),
                      QStringLiteral("Noto Sans CJK SC"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

namespace {

// ---- Geometry ----------------------------------------------------------

// The part of the segment a–b inside the rectangle (Liang–Barsky), as
// parameters 0 ≤ t0 ≤ t1 ≤ 1; nullopt when it misses the rectangle.
std::optional<std::pair<double, double>> ClipSegment(QPointF a, QPointF b, const QRectF &r)
{
    double t0 = 0, t1 = 1;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return std::nullopt;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    if (t0 > t1)
        return std::nullopt;
    return std::pair{t0, t1};
}

QPointF Along(QPointF a, QPointF b, double t)
{
    return a + (b - a) * t;
}

// ---- Labels --------------------------------------------------------------

// The places already taken in the plot: a label goes only where it covers
// no other label nor a marker.
class LabelBoard {
public:
    explicit LabelBoard(const QRectF &plot) : plot_(plot) {}
    void Take(const QRectF &r) { taken_.push_back(r); }
    bool Free(const QRectF &r) const
    {
        if (!plot_.contains(r))
            return false;
        return std::none_of(taken_.begin(), taken_.end(),
                            [&r](const QRectF &t) { return t.intersects(r); });
    }

private:
    QRectF plot_;
    std::vector<QRectF> taken_;
};

enum class Frame { None, Solid, Dashed };

// A label on a white ground, so that it reads over grid and curves.
void DrawLabel(QPainter &p, const QRectF &box, const QString &text, const QColor &colour,
               Frame frame = Frame::None)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 225));
    p.drawRect(box);
    if (frame != Frame::None) {
        QPen pen(colour, 1.0, frame == Frame::Solid ? Qt::SolidLine : Qt::CustomDashLine);
        if (frame == Frame::Dashed)
            pen.setDashPattern({2.5, 1.5});
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    p.setPen(colour);
    p.drawText(box, Qt::AlignCenter, text);
    p.restore();
}

QRectF TextBox(const QFontMetricsF &fm, const QString &text, double pad = 2)
{
    return QRectF(0, 0, fm.horizontalAdvance(text) + 2 * pad, fm.height() + 1);
}

// Tries the offsets in turn and draws the label at the first free place.
bool PlaceLabel(QPainter &p, LabelBoard &board, QPointF anchor, std::initializer_list<QPointF> offsets,
                const QString &text, const QColor &colour, Frame frame = Frame::None)
{
    QRectF box = TextBox(QFontMetricsF(p.font()), text);
    for (QPointF offset : offsets) {
        box.moveCenter(anchor + offset);
        if (board.Free(box)) {
            board.Take(box);
            DrawLabel(p, box, text, colour, frame);
            return true;
        }
    }
    return false;
}

// ---- Axes -------------------------------------------------------------------

double NiceStep(double span, double count)
{
    const double raw = span / count;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0}) {
        if (raw <= m * magnitude)
            return m * magnitude;
    }
    return 10 * magnitude;
}

int DecimalsFor(double step)
{
    return std::max(0, int(-std::floor(std::log10(step) + 1e-9)));
}

void DrawGridAndAxes(QPainter &p, const ViewTransform &t)
{
    const QRectF &plot = t.plot();
    const Extent v = t.Visible();
    const double step = NiceStep(std::max(v.right - v.left, v.top - v.bottom),
                                 std::max(plot.width(), plot.height()) / 90);
    const int decimals = DecimalsFor(step);
    const double minor = step / 5;

    p.save();
    p.setFont(DiagramFont(11));
    const QFontMetricsF fm(p.font());
    auto label = [&](double value) {
        QString text = QString::number(value, 'f', decimals);
        if (text.startsWith('-') && text.toDouble() == 0)
            text.remove(0, 1);
        return text;
    };

    const QPen grid(QColor(228, 228, 228), 0.8);
    const QPen tick(QColor(60, 60, 60), 1.0);
    for (double x = std::ceil(v.left / minor) * minor; x <= v.right; x += minor) {
        const double px = t.ToPixel({x, 0}).x();
        const bool major = std::fabs(x / step - std::round(x / step)) < 1e-6;
        if (major) {
            p.setPen(grid);
            p.drawLine(QPointF(px, plot.top()), QPointF(px, plot.bottom()));
            p.setPen(tick);
            p.drawLine(QPointF(px, plot.bottom()), QPointF(px, plot.bottom() + 5));
            const QString text = label(std::round(x / step) * step);
            const double w = fm.horizontalAdvance(text);
            p.drawText(QPointF(px - w / 2, plot.bottom() + 7 + fm.ascent()), text);
        } else {
            p.setPen(tick);
            p.drawLine(QPointF(px, plot.bottom()), QPointF(px, plot.bottom() + 2.5));
        }
    }
    for (double y = std::ceil(v.bottom / minor) * minor; y <= v.top; y += minor) {
        const double py = t.ToPixel({0, y}).y();
        const bool major = std::fabs(y / step - std::round(y / step)) < 1e-6;
        if (major) {
            p.setPen(grid);
            p.drawLine(QPointF(plot.left(), py), QPointF(plot.right(), py));
            p.setPen(tick);
            p.drawLine(QPointF(plot.left() - 5, py), QPointF(plot.left(), py));
            const QString text = label(std::round(y / step) * step);
            const double w = fm.horizontalAdvance(text);
            p.drawText(QPointF(plot.left() - 7 - w, py + fm.ascent() / 2 - 1), text);
        } else {
            p.setPen(tick);
            p.drawLine(QPointF(plot.left() - 2.5, py), QPointF(plot.left(), py));
        }
    }
    p.setFont(DiagramFont(13, true));
    p.setPen(Qt::black);
    p.drawText(QRectF(plot.left(), plot.bottom() + 22, plot.width(), 22), Qt::AlignCenter,
               QStringLiteral("x"));
    p.drawText(QRectF(4, plot.center().y() - 11, 16, 22), Qt::AlignCenter, QStringLiteral("y"));
    p.restore();
}

void DrawFrame(QPainter &p, const QRectF &plot)
{
    p.save();
    p.setPen(QPen(QColor(60, 60, 60), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);
    p.restore();
}

// ---- Curves and markers -------------------------------------------------

void DrawSpectralLocus(QPainter &p, const Scene &scene, const ViewTransform &t)
{
    if (scene.spectralLocus.size() < 2)
        return;
    p.setPen(style::SpectralPen());
    p.drawPath(PolylinePath(scene.spectralLocus, t, false));
    // The line of purples closes the horseshoe.
    QPen purple = style::SpectralPen();
    purple.setStyle(Qt::DotLine);
    p.setPen(purple);
    const Xy ends[2] = {scene.spectralLocus.front(), scene.spectralLocus.back()};
    p.drawPath(PolylinePath(ends, t, false));
}

void DrawIsotemperature(QPainter &p, const Scene &scene, const ViewTransform &t)
{
    p.setPen(style::IsotemperaturePen());
    for (const IsotemperatureLine &line : scene.isotemperature) {
        const Xy ends[2] = {line.below, line.above};
        p.drawPath(PolylinePath(ends, t, false));
    }
}

// The ANSI quadrangles, then the bins, each filled faintly and outlined.
void DrawOutlines(QPainter &p, const Scene &scene, const ViewTransform &t, std::vector<PaintedOutline> &painted)
{
    if (scene.ansiQuadrangles) {
        // An edge two quadrangles share is drawn once, as dark as the rest.
        p.setPen(style::AnsiQuadranglePen());
        p.setBrush(Qt::NoBrush);
        const auto quadrangles = colorimetry::AnsiQuadrangles();
        std::vector<std::pair<Xy, Xy>> drawn;
        auto same = [](Xy a, Xy b) { return a.x == b.x && a.y == b.y; };
        for (std::size_t i = 0; i < quadrangles.size(); ++i) {
            const auto &c = quadrangles[i].corners;
            painted.push_back({false, i, PolylinePath(c, t, true)});
            for (std::size_t k = 0; k < c.size(); ++k) {
                const Xy edge[2] = {c[k], c[(k + 1) % c.size()]};
                if (std::any_of(drawn.begin(), drawn.end(), [&](const auto &d) {
                        return (same(d.first, edge[0]) && same(d.second, edge[1]))
                               || (same(d.first, edge[1]) && same(d.second, edge[0]));
                    }))
                    continue;
                drawn.push_back({edge[0], edge[1]});
                p.drawPath(PolylinePath(edge, t, false));
            }
        }
    }
    if (!scene.bins.empty()) {
        // Only the bins whose corners' box reaches into the plot (and the
        // pen's width around it) are drawn: a file of many thousands costs
        // a page only what it shows.
        const Extent v = t.Visible();
        const double margin = 2 / t.view().scale;
        p.save();
        p.setPen(style::BinPen());
        p.setBrush(style::BinFill());
        for (std::size_t i = 0; i < scene.bins.set->size(); ++i) {
            const std::vector<Xy> &corners = (*scene.bins.set)[i].corners;
            const auto [left, right] = std::minmax_element(corners.begin(), corners.end(),
                                                           [](Xy a, Xy b) { return a.x < b.x; });
            const auto [bottom, top] = std::minmax_element(corners.begin(), corners.end(),
                                                           [](Xy a, Xy b) { return a.y < b.y; });
            if (corners.empty() || right->x < v.left - margin || left->x > v.right + margin
                || top->y < v.bottom - margin || bottom->y > v.top + margin)
                continue;
            QPainterPath path = PolylinePath(corners, t, true);
            p.drawPath(path);
            painted.push_back({true, i, std::move(path)});
        }
        p.restore();
    }
}

// On a raster device a step curve is drawn through every m-th of its
// vertices, so that no chord strays more than a tenth of a device pixel from
// the curve; m divides 90, so the vertices on the axes through the centre
// (where the screens' curve has its corners) stay. Files get every vertex.
std::vector<Xy> Thinned(const std::vector<Xy> &points, double pixelsPerUnit)
{
    if (points.size() % 360 != 0)
        return points;
    // The curves go once around their centre: the middle of opposite vertices.
    const Xy first = points.front(), opposite = points[points.size() / 2];
    const Xy centre{(first.x + opposite.x) / 2, (first.y + opposite.y) / 2};
    double radius = 0;
    for (Xy q : points)
        radius = std::max(radius, std::hypot(q.x - centre.x, q.y - centre.y) * pixelsPerUnit);
    const double angle = 2 * M_PI / double(points.size());
    int m = 1;
    for (int candidate : {2, 3, 5, 6, 9, 10, 15, 18}) {
        if (radius * (1 - std::cos(angle * candidate / 2)) > 0.1)
            break;
        m = candidate;
    }
    std::vector<Xy> kept;
    for (std::size_t i = 0; i < points.size(); i += std::size_t(m))
        kept.push_back(points[i]);
    return kept;
}

PaintedCurve DrawStepCurve(QPainter &p, const StepCurve &curve, bool standard, const ViewTransform &t)
{
    const bool raster = p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Raster;
    const std::vector<Xy> points =
        raster ? Thinned(curve.points, t.view().scale * p.device()->devicePixelRatioF()) : curve.points;
    PaintedCurve painted{standard, curve.steps, PolylinePath(points, t, true)};
    p.setPen(standard ? style::StandardStepPen() : style::ProgramStepPen());
    p.drawPath(painted.path);
    return painted;
}

// A centre: GB a circle with a cross, ANSI a square; the row's own centre larger.
void DrawCentreMarker(QPainter &p, QPointF at, ColourStandard standard, bool own)
{
    const double r = own ? 5.5 : 4;
    p.setPen(QPen(own ? Qt::black : QColor(50, 50, 50), own ? 1.6 : 1.2));
    p.setBrush(Qt::white);
    if (standard == ColourStandard::GB) {
        p.drawEllipse(at, r, r);
        p.drawLine(at - QPointF(r, 0), at + QPointF(r, 0));
        p.drawLine(at - QPointF(0, r), at + QPointF(0, r));
    } else {
        p.drawRect(QRectF(at - QPointF(r, r), at + QPointF(r, r)));
        p.drawLine(at - QPointF(r, r), at + QPointF(r, r));
    }
}

// Stamps of the batch dots, one per band and pixel ratio: a hundred
// thousand dots are drawn as images, which the raster engine blits.
const QImage &DotStamp(int band, double ratio)
{
    static std::map<std::pair<int, int>, QImage> stamps;
    const int key = int(std::lround(ratio * 100));
    QImage &stamp = stamps[{band, key}];
    if (stamp.isNull()) {
        const double side = 2 * style::kBatchRadius + 2;
        const int pixels = int(std::ceil(side * ratio));
        stamp = QImage(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
        stamp.fill(Qt::transparent);
        stamp.setDevicePixelRatio(ratio);
        QPainter sp(&stamp);
        sp.setRenderHint(QPainter::Antialiasing);
        sp.setPen(Qt::NoPen);
        sp.setBrush(style::BandColour(band));
        const double c = pixels / ratio / 2;
        sp.drawEllipse(QPointF(c, c), style::kBatchRadius, style::kBatchRadius);
    }
    return stamp;
}

void DrawBatch(QPainter &p, const Scene &scene, const ViewTransform &t)
{
    const bool raster = p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Raster;
    const QRectF inside = t.plot().adjusted(-4, -4, 4, 4);
    p.setPen(Qt::NoPen);
    for (int band = 0; band < kStepBands; ++band) {
        const std::vector<int> &rows = scene.bands[std::size_t(band)];
        if (rows.empty())
            continue;
        if (raster) {
            const QImage &stamp = DotStamp(band, p.device()->devicePixelRatioF());
            const double half = stamp.width() / stamp.devicePixelRatio() / 2;
            for (int i : rows) {
                const QPointF at = t.ToPixel({scene.batch[std::size_t(i)].x, scene.batch[std::size_t(i)].y});
                if (inside.contains(at))
                    p.drawImage(QPointF(at.x() - half, at.y() - half), stamp);
            }
        } else {
            p.setBrush(style::BandColour(band));
            for (int i : rows) {
                const QPointF at = t.ToPixel({scene.batch[std::size_t(i)].x, scene.batch[std::size_t(i)].y});
                if (inside.contains(at))
                    p.drawEllipse(at, style::kBatchRadius, style::kBatchRadius);
            }
        }
    }
    // Selected rows: a black ring around the dot, drawn last.
    for (int i : scene.selected) {
        const BatchPoint &b = scene.batch[std::size_t(i)];
        if (!std::isfinite(b.x) || !std::isfinite(b.y))
            continue;
        const QPointF at = t.ToPixel({b.x, b.y});
        if (!inside.contains(at))
            continue;
        p.setPen(QPen(Qt::black, 1.6));
        p.setBrush(style::BandColour(StepBand(b.steps)));
        p.drawEllipse(at, 5.0, 5.0);
    }
}

// ---- Title and legend -------------------------------------------------------

void DrawTitle(QPainter &p, const Scene &scene, const PageLayout &layout)
{
    p.setPen(Qt::black);
    p.setFont(DiagramFont(17, true));
    const QRectF r = layout.title.adjusted(layout.plot.left(), 6, -12, -6);
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, scene.title);
    p.setFont(DiagramFont(12));
    p.setPen(QColor(80, 80, 80));
    p.drawText(r, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("CIE 1931 (x, y)"));
}

class LegendWriter {
public:
    LegendWriter(QPainter &p, const QRectF &box) : p_(p), box_(box), y_(box.top() + 8)
    {
        p_.setFont(DiagramFont(12));
    }
    static constexpr double kLine = 17;
    static constexpr double kSample = 30;

    void Heading(const QString &text)
    {
        p_.setFont(DiagramFont(13, true));
        p_.setPen(Qt::black);
        p_.drawText(QPointF(box_.left() + 8, y_ + 13), text);
        p_.setFont(DiagramFont(12));
        y_ += kLine + 3;
    }
    // A sample drawn by draw in the first column, then the lines of text.
    template <typename Draw>
    void Entry(Draw draw, const QStringList &lines)
    {
        const QRectF sample(box_.left() + 8, y_ + 2, kSample, kLine - 4);
        p_.save();
        draw(sample);
        p_.restore();
        p_.setPen(Qt::black);
        for (const QString &line : lines) {
            p_.drawText(QPointF(sample.right() + 8, y_ + 13), line);
            y_ += kLine;
        }
        y_ += 4;
    }
    void Text(const QString &line, const QColor &colour = Qt::black)
    {
        p_.setPen(colour);
        p_.drawText(QPointF(box_.left() + 10, y_ + 13), line);
        y_ += kLine;
    }
    void Space() { y_ += 6; }

private:
    QPainter &p_;
    QRectF box_;
    double y_;
};

void DrawLegend(QPainter &p, const Scene &scene, const ViewTransform &t, const PageLayout &layout)
{
    p.save();
    p.setClipRect(layout.legend);
    p.setPen(QPen(QColor(150, 150, 150), 1));
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(layout.legend.adjusted(0.5, 0.5, -0.5, -0.5));

    auto line = [&p](const QPen &pen) {
        return [&p, pen](const QRectF &r) {
            p.setPen(pen);
            p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
        };
    };
    LegendWriter legend(p, layout.legend);
    legend.Heading(QStringLiteral("图例"));
    if (scene.row) {
        legend.Entry(line(style::ProgramStepPen()),
                     {QStringLiteral("本程序色容差边界"), QStringLiteral("实线：k 步与 k+1 步之界"),
                      QStringLiteral("k = 1…7（实线框数字）")});
        legend.Entry(line(style::StandardStepPen()),
                     {QStringLiteral("标准 SDCM 椭圆"), QStringLiteral("虚线：IEC 60081 n 步"),
                      QStringLiteral("n = 1…7（虚线框数字）")});
    }
    legend.Entry(line(style::PlanckianPen()), {QStringLiteral("普朗克轨迹")});
    legend.Entry(line(style::IsotemperaturePen()),
                 {QStringLiteral("等色温线 2500–7000 K"), QStringLiteral("Duv ±0.02")});
    const Extent v = t.Visible();
    if (v.right - v.left > 0.25)
        legend.Entry(line(style::SpectralPen()), {QStringLiteral("光谱轨迹（nm）")});
    if (scene.ansiQuadrangles)
        legend.Entry(line(style::AnsiQuadranglePen()), {QStringLiteral("ANSI C78.377 四边形")});
    if (!scene.bins.empty()) {
        QStringList lines{QStringLiteral("分档 %1 个").arg(scene.bins.set->size())};
        if (!scene.bins.counts.empty()) {
            std::uint64_t binned = 0;
            for (std::uint64_t n : scene.bins.counts)
                binned += n;
            lines << QStringLiteral("分档内 %1 点").arg(binned);
        }
        legend.Entry(
            [&p](const QRectF &r) {
                p.setPen(style::BinPen());
                p.setBrush(style::BinFill());
                p.drawRect(r.adjusted(4, 0, -4, 0));
            },
            lines);
    }
    const bool both = !scene.row;
    for (ColourStandard standard : {ColourStandard::GB, ColourStandard::ANSI}) {
        if (!both && scene.row->standard != standard)
            continue;
        legend.Entry(
            [&p, standard](const QRectF &r) { DrawCentreMarker(p, r.center(), standard, false); },
            {QStringLiteral("%1 标准中心（名义色温）")
                 .arg(standard == ColourStandard::GB ? QStringLiteral("GB") : QStringLiteral("ANSI"))});
    }
    if (!scene.isBatch) {
        legend.Entry(
            [&p](const QRectF &r) {
                p.setPen(QPen(Qt::black, 1));
                p.setBrush(style::PointColour());
                p.drawEllipse(r.center(), style::kPointRadius, style::kPointRadius);
            },
            {QStringLiteral("计算点")});
        legend.Space();
        if (scene.point) {
            for (const QString &text : Readout(scene.row, *scene.point))
                legend.Text(text);
        } else {
            legend.Text(QStringLiteral("（尚无计算点）"), QColor(100, 100, 100));
        }
    } else {
        legend.Space();
        legend.Text(scene.row ? QStringLiteral("批量点按色容差着色：") : QStringLiteral("批量点："));
        std::uint64_t drawn = 0;
        for (const std::vector<int> &rows : scene.bands)
            drawn += rows.size();
        if (scene.whole && scene.whole->Total() > drawn) {
            legend.Text(QStringLiteral("显示 %1 / %2 点").arg(drawn).arg(scene.whole->Total()));
            legend.Text(QStringLiteral("（均匀抽样）"));
        }
        // The counts of the whole batch, the dots drawn or not.
        for (int band = 0; band < kStepBands; ++band) {
            const std::uint64_t n = scene.whole ? scene.whole->bands[std::size_t(band)]
                                                : scene.bands[std::size_t(band)].size();
            if (n == 0)
                continue;
            legend.Entry(
                [&p, band](const QRectF &r) {
                    p.setPen(Qt::NoPen);
                    p.setBrush(style::BandColour(band));
                    p.drawEllipse(r.center(), 4.0, 4.0);
                },
                {QStringLiteral("%1　%2 点").arg(StepBandName(band)).arg(n)});
        }
        if (!scene.selected.empty()) {
            legend.Entry(
                [&p](const QRectF &r) {
                    p.setPen(QPen(Qt::black, 1.6));
                    p.setBrush(Qt::NoBrush);
                    p.drawEllipse(r.center(), 5.0, 5.0);
                },
                {QStringLiteral("选中 %1 行").arg(scene.selected.size())});
        }
    }
    p.restore();
}

// ---- Labels in the plot ---------------------------------------------------

// The vertex of the curve farthest along direction (dx, dy) in pixels.
QPointF Extreme(const QPainterPath &path, double dx, double dy)
{
    QPointF best;
    double bestValue = -INFINITY;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPointF q = path.elementAt(i);
        const double value = q.x() * dx + q.y() * dy;
        if (value > bestValue) {
            bestValue = value;
            best = q;
        }
    }
    return best;
}

void LabelStepCurves(QPainter &p, LabelBoard &board, const std::vector<PaintedCurve> &curves)
{
    p.setFont(DiagramFont(10));
    for (const PaintedCurve &c : curves) {
        const QRectF bounds = c.path.boundingRect();
        if (bounds.width() < 24 || c.path.isEmpty())
            continue;
        // The screens' curves are numbered on the right, the standard's on the left.
        const QPointF at = c.standard ? Extreme(c.path, -1, 0) : Extreme(c.path, 1, 0);
        PlaceLabel(p, board, at, {QPointF(0, 0), QPointF(0, -8), QPointF(0, 8)},
                   QString::number(c.steps),
                   c.standard ? style::StandardStepPen().color() : style::ProgramStepPen().color(),
                   c.standard ? Frame::Dashed : Frame::Solid);
    }
}

void LabelIsotemperature(QPainter &p, LabelBoard &board, const Scene &scene, const ViewTransform &t)
{
    p.setFont(DiagramFont(11));
    const QRectF &plot = t.plot();
    for (const IsotemperatureLine &line : scene.isotemperature) {
        const QPointF a = t.ToPixel(line.below), b = t.ToPixel(line.above);
        const auto clipped = ClipSegment(a, b, plot);
        if (!clipped || std::hypot(b.x() - a.x(), b.y() - a.y()) < 80)
            continue;
        // At the pink end of the line, or where it enters the plot.
        const QPointF at = Along(a, b, clipped->first);
        QPointF out = a - b;
        out /= std::hypot(out.x(), out.y());
        const QString text = QStringLiteral("%1 K").arg(line.kelvin);
        const QRectF box = TextBox(QFontMetricsF(p.font()), text);
        const double reach = box.width() / 2 + 3;
        const QPointF inward = -out * (reach + 2);
        PlaceLabel(p, board, at, {out * reach, inward, inward + QPointF(0, 10), inward - QPointF(0, 10)},
                   text, style::IsotemperaturePen().color());
    }
}

void LabelCentres(QPainter &p, LabelBoard &board, const Scene &scene, const ViewTransform &t)
{
    p.setFont(DiagramFont(11, true));
    // Far out the centres crowd together: only the row's own keeps its name.
    double closest = INFINITY;
    for (const Centre &a : scene.centres) {
        for (const Centre &b : scene.centres) {
            if (&a != &b && a.row->standard == b.row->standard) {
                const QPointF d = t.ToPixel({a.row->x0, a.row->y0}) - t.ToPixel({b.row->x0, b.row->y0});
                closest = std::min(closest, std::hypot(d.x(), d.y()));
            }
        }
    }
    const bool crowded = closest < 40;
    for (const Centre &c : scene.centres) {
        if (crowded && !c.own)
            continue;
        const QPointF at = t.ToPixel({c.row->x0, c.row->y0});
        PlaceLabel(p, board, at,
                   {QPointF(0, -15), QPointF(0, 15), QPointF(-44, -10), QPointF(44, 10)},
                   RowName(*c.row), Qt::black);
    }
}

// A point well inside a polygon for its name: the middle of its area, or
// where that lies outside (a crescent), the middle of a chord from its first
// corner that runs inside.
Xy LabelPlace(std::span<const Xy> corners)
{
    double area = 0, cx = 0, cy = 0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const Xy a = corners[i], b = corners[(i + 1) % corners.size()];
        const double cross = a.x * b.y - b.x * a.y;
        area += cross;
        cx += (a.x + b.x) * cross;
        cy += (a.y + b.y) * cross;
    }
    const Xy middle{cx / (3 * area), cy / (3 * area)};
    if (colorimetry::Locate(corners, middle) == colorimetry::PointLocation::Inside)
        return middle;
    for (std::size_t i = 2; i < corners.size(); ++i) {
        const Xy chord{(corners[0].x + corners[i].x) / 2, (corners[0].y + corners[i].y) / 2};
        if (colorimetry::Locate(corners, chord) == colorimetry::PointLocation::Inside)
            return chord;
    }
    return corners[0];
}

// The quadrangles are named near their lower edge, clear of the centres;
// the bins in their middle. A name goes only where its outline is wide
// enough on the page to hold it.
void LabelOutlines(QPainter &p, LabelBoard &board, const Scene &scene, const ViewTransform &t,
                   std::vector<PaintedOutline> &outlines)
{
    const auto quadrangles = colorimetry::AnsiQuadrangles();
    for (PaintedOutline &o : outlines) {
        QString text;
        Xy at;
        if (!o.bin) {
            const auto &c = quadrangles[o.index].corners;
            const Xy lower{(c[2].x + c[3].x) / 2, (c[2].y + c[3].y) / 2};
            const Xy middle{(c[0].x + c[1].x + c[2].x + c[3].x) / 4, (c[0].y + c[1].y + c[2].y + c[3].y) / 4};
            at = {lower.x + 0.22 * (middle.x - lower.x), lower.y + 0.22 * (middle.y - lower.y)};
            text = QString::fromUtf8(quadrangles[o.index].name.data(), qsizetype(quadrangles[o.index].name.size()));
            p.setFont(DiagramFont(11, true));
        } else {
            text = QString::fromStdString((*scene.bins.set)[o.index].name);
            p.setFont(DiagramFont(10));
        }
        const QRectF box = TextBox(QFontMetricsF(p.font()), text);
        const QRectF bounds = o.path.controlPointRect();
        if (bounds.width() < box.width() + 6 || bounds.height() < box.height() + 2)
            continue;
        if (o.bin)
            at = LabelPlace((*scene.bins.set)[o.index].corners);
        const QColor colour = o.bin ? style::BinPen().color().darker(120) : style::AnsiQuadranglePen().color();
        // Beside the place, within the outline, where a centre or another
        // name stands on it.
        const double dx = (bounds.width() - box.width()) / 4, dy = (bounds.height() - box.height()) / 4;
        o.labelled = PlaceLabel(p, board, t.ToPixel(at),
                                {QPointF(0, 0), QPointF(0, dy), QPointF(0, -dy), QPointF(dx, 0), QPointF(-dx, 0)},
                                text, colour);
    }
}

void LabelSpectralLocus(QPainter &p, LabelBoard &board, const Scene &scene, const ViewTransform &t)
{
    const Extent v = t.Visible();
    if (v.right - v.left < 0.25 || scene.spectralLocus.size() != 95)
        return;
    p.setFont(DiagramFont(10));
    const QPointF white = t.ToPixel({1.0 / 3, 1.0 / 3});
    for (int nm = 460; nm <= 620; nm += 20) {
        const QPointF at = t.ToPixel(scene.spectralLocus[std::size_t((nm - 360) / 5)]);
        QPointF out = at - white;
        out /= std::max(1e-9, std::hypot(out.x(), out.y()));
        PlaceLabel(p, board, at, {out * 16, out * 24}, QString::number(nm), QColor(40, 40, 40));
    }
}

} // namespace

QPainterPath PolylinePath(std::span<const Xy> points, const ViewTransform &transform, bool closed)
{
    QPainterPath path;
    if (points.size() < 2)
        return path;
    const QRectF far = transform.plot().adjusted(-2000, -2000, 2000, 2000);
    std::vector<QPointF> px;
    px.reserve(points.size());
    bool allInside = true;
    for (Xy xy : points) {
        px.push_back(transform.ToPixel(xy));
        allInside = allInside && far.contains(px.back());
    }
    if (allInside) {
        path.moveTo(px[0]);
        for (std::size_t i = 1; i < px.size(); ++i)
            path.lineTo(px[i]);
        if (closed)
            path.closeSubpath();
        return path;
    }
    // Cut into the runs that come near the plot.
    const std::size_t segments = closed ? px.size() : px.size() - 1;
    bool open = false;
    for (std::size_t i = 0; i < segments; ++i) {
        const QPointF a = px[i], b = px[(i + 1) % px.size()];
        const auto clipped = ClipSegment(a, b, far);
        if (!clipped) {
            open = false;
            continue;
        }
        if (!open || clipped->first > 0)
            path.moveTo(Along(a, b, clipped->first));
        path.lineTo(Along(a, b, clipped->second));
        open = clipped->second >= 1;
    }
    return path;
}

PaintedDiagram PaintDiagram(QPainter &p, const Scene &scene, const ViewState &view, QSizeF page)
{
    PaintedDiagram painted;
    const PageLayout layout = LayoutFor(page);
    const ViewTransform t(view, layout.plot);

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(QRectF(QPointF(0, 0), page.expandedTo(QSizeF(kSmallestPageWidth, kSmallestPageHeight))),
               Qt::white);

    DrawGridAndAxes(p, t);

    p.save();
    p.setClipRect(layout.plot);
    DrawSpectralLocus(p, scene, t);
    DrawIsotemperature(p, scene, t);
    DrawOutlines(p, scene, t, painted.outlines);
    p.setPen(style::PlanckianPen());
    p.drawPath(PolylinePath(scene.planckian, t, false));
    for (const StepCurve &c : scene.standardSteps)
        painted.curves.push_back(DrawStepCurve(p, c, true, t));
    for (const StepCurve &c : scene.programSteps)
        painted.curves.push_back(DrawStepCurve(p, c, false, t));
    if (scene.isBatch)
        DrawBatch(p, scene, t);

    LabelBoard board(layout.plot.adjusted(2, 2, -2, -2));
    for (const Centre &c : scene.centres) {
        const QPointF at = t.ToPixel({c.row->x0, c.row->y0});
        DrawCentreMarker(p, at, c.row->standard, c.own);
        board.Take(QRectF(at - QPointF(6, 6), at + QPointF(6, 6)));
    }
    if (scene.point) {
        const QPointF at = t.ToPixel(*scene.point);
        if (scene.row) {
            p.setPen(QPen(Qt::black, 1.2));
            p.drawLine(t.ToPixel({scene.row->x0, scene.row->y0}), at);
        }
        p.setPen(QPen(Qt::black, 1.0));
        p.setBrush(style::PointColour());
        p.drawEllipse(at, style::kPointRadius, style::kPointRadius);
        if (layout.plot.contains(at)) {
            painted.pointDot = at;
            board.Take(QRectF(at - QPointF(6, 6), at + QPointF(6, 6)));
            p.setFont(DiagramFont(11, true));
            const QString text = QStringLiteral("(%1, %2)")
                                     .arg(scene.point->x, 0, 'f', 4)
                                     .arg(scene.point->y, 0, 'f', 4);
            const double w = QFontMetricsF(p.font()).horizontalAdvance(text) / 2 + 10;
            PlaceLabel(p, board, at,
                       {QPointF(w, -12), QPointF(-w, -12), QPointF(w, 12), QPointF(-w, 12)}, text,
                       style::PointColour().darker(130));
        }
    }
    LabelStepCurves(p, board, painted.curves);
    LabelCentres(p, board, scene, t);
    LabelOutlines(p, board, scene, t, painted.outlines);
    LabelIsotemperature(p, board, scene, t);
    LabelSpectralLocus(p, board, scene, t);
    p.restore();

    DrawFrame(p, layout.plot);
    DrawTitle(p, scene, layout);
    DrawLegend(p, scene, t, layout);
    p.restore();
    return painted;
}

} // namespace diagram
