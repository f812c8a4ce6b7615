#include "vector_graphic.h"

#include "export.h"
#include "painter.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace diagram {

using colorimetry::kHueBinCount;
using colorimetry::kHueBinDegrees;
using colorimetry::Tm30Result;

namespace {

// ---- Colours of the bins ---------------------------------------------------

struct BinColours {
    std::array<QColor, kHueBinCount> fill, line;
};

// IEC 61966-2-1: linear sRGB from XYZ (D65 white at Y = 1), then the curve.
double SrgbChannel(const double row[3], const colorimetry::Xyz &c)
{
    const double v = std::clamp(row[0] * c.X + row[1] * c.Y + row[2] * c.Z, 0.0, 1.0);
    return v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}

const BinColours &Colours()
{
    static const BinColours colours = [] {
        static constexpr double kToSrgb[3][3] = {
            {3.2406, -1.5372, -0.4986}, {-0.9689, 1.8758, 0.0415}, {0.0557, -0.2040, 1.0570}};
        // The samples binned under daylight of 6504 K (D65), which is its own
        // reference; each bin's mean reflectance seen under it.
        const colorimetry::Bands d65 = colorimetry::DaylightBands(6504);
        const Tm30Result binned = colorimetry::ComputeTm30(d65);
        const double white = colorimetry::Tristimulus2(d65).Y;
        BinColours c;
        for (std::size_t j = 0; j < kHueBinCount; ++j) {
            colorimetry::Bands mean{};
            int n = 0;
            for (std::size_t i = 0; i < colorimetry::kCesCount; ++i) {
                if (binned.sampleBin[i] != j)
                    continue;
                ++n;
                for (std::size_t k = 0; k < colorimetry::kBandCount; ++k)
                    mean[k] += colorimetry::CesReflectance(i)[k] * d65[k];
            }
            colorimetry::Xyz xyz = colorimetry::Tristimulus2(mean);
            const double scale = 1 / (std::max(n, 1) * white);
            xyz = {xyz.X * scale, xyz.Y * scale, xyz.Z * scale};
            c.fill[j] = QColor::fromRgbF(float(SrgbChannel(kToSrgb[0], xyz)), float(SrgbChannel(kToSrgb[1], xyz)),
                                         float(SrgbChannel(kToSrgb[2], xyz)));
            // The same hue, stronger, for lines on a light ground.
            const float s = c.fill[j].hsvSaturationF(), v = c.fill[j].valueF();
            c.line[j] = QColor::fromHsvF(c.fill[j].hsvHueF(), std::min(1.0f, s * 1.7f + 0.15f),
                                         std::clamp(v * 1.05f, 0.5f, 0.85f));
        }
        return c;
    }();
    return colours;
}

QColor Lighter(const QColor &c, double towardsWhite)
{
    auto mix = [towardsWhite](float v) { return float(v + (1 - v) * towardsWhite); };
    return QColor::fromRgbF(mix(c.redF()), mix(c.greenF()), mix(c.blueF()));
}

// ---- Common parts ------------------------------------------------------------

double BinMiddle(std::size_t j)
{
    return (double(j) + 0.5) * kHueBinDegrees * std::numbers::pi / 180;
}

// A figure as printed: a true minus sign, and never "−0".
QString Figure(double v, int decimals = 0)
{
    QString text = QString::number(v, 'f', decimals);
    if (text.toDouble() == 0)
        return QString::number(0.0, 'f', decimals);
    if (text.startsWith('-'))
        text.replace(0, 1, QChar(0x2212));
    return text;
}

void Begin(QPainter &p, QSizeF page)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(QRectF(QPointF(0, 0), page), Qt::white);
}

void DrawTitle(QPainter &p, const QString &text, QSizeF page)
{
    p.setFont(DiagramFont(14, true));
    p.setPen(Qt::black);
    p.drawText(QRectF(12, 6, page.width() - 24, 24), Qt::AlignLeft | Qt::AlignVCenter, text);
}

// Where there are no figures, the plot says why.
void DrawUndefined(QPainter &p, const Tm30Result &r, const QRectF &plot)
{
    p.setPen(QPen(QColor(150, 150, 150), 1));
    p.setBrush(QColor(246, 246, 246));
    p.drawRect(plot);
    p.setFont(DiagramFont(13));
    p.setPen(QColor(90, 90, 90));
    p.drawText(plot, Qt::AlignCenter | Qt::TextWordWrap, Tm30Summary(r));
}

// An arrow from a to b with a head of the given size.
void DrawArrow(QPainter &p, QPointF a, QPointF b, const QColor &colour, double head)
{
    const QPointF d = b - a;
    const double length = std::hypot(d.x(), d.y());
    p.setPen(QPen(colour, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(a, b);
    // A short arrow keeps a head in proportion, a very short one none.
    head = std::min(head, length * 0.5);
    if (head < 3)
        return;
    const QPointF u = d / length, n(-u.y(), u.x());
    QPolygonF tip;
    tip << b << b - u * head + n * head * 0.45 << b - u * head - n * head * 0.45;
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(tip);
}

struct BarLayout {
    QRectF plot;
    double low, high; // the value axis
    double step;      // between labelled ticks
};

QPointF BarPoint(const BarLayout &l, double slot, double value)
{
    const double x = l.plot.left() + l.plot.width() * slot / kHueBinCount;
    const double y = l.plot.bottom() - (value - l.low) / (l.high - l.low) * l.plot.height();
    return {x, y};
}

// The bars of one figure per bin, the axes and the labels.
PaintedTm30 PaintBars(QPainter &p, const Tm30Result &r, QSizeF page, const QString &title,
                      const QString &axis, const BarLayout &layout, double (*value)(const colorimetry::Tm30HueBin &),
                      const QString &unit)
{
    PaintedTm30 painted;
    p.save();
    Begin(p, page);
    DrawTitle(p, title, page);
    const QRectF &plot = layout.plot;
    for (std::size_t j = 0; j < kHueBinCount; ++j)
        painted.bins[j].addRect(QRectF(BarPoint(layout, double(j), layout.high), BarPoint(layout, double(j + 1), layout.low)));
    if (!r.defined) {
        DrawUndefined(p, r, plot);
        p.restore();
        return painted;
    }
    // Grid and value axis; the figures shrink with the bars.
    const double slot = plot.width() / kHueBinCount;
    p.setFont(DiagramFont(int(std::clamp(slot * 0.33, 8.0, 11.0))));
    const QFontMetricsF fm(p.font());
    for (double v = layout.low; v <= layout.high + 1e-9; v += layout.step) {
        const double y = BarPoint(layout, 0, v).y();
        p.setPen(QPen(v == 0 ? QColor(60, 60, 60) : QColor(225, 225, 225), v == 0 ? 1.2 : 0.8));
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(QColor(60, 60, 60));
        const QString text = Figure(v) + unit;
        p.drawText(QPointF(plot.left() - 6 - fm.horizontalAdvance(text), y + fm.ascent() / 2 - 1), text);
    }
    // The bars, each with its figure beyond its end.
    const double base = std::clamp(0.0, layout.low, layout.high);
    for (std::size_t j = 0; j < kHueBinCount; ++j) {
        const double v = std::clamp(value(r.bins[j]), layout.low, layout.high);
        const QPointF a = BarPoint(layout, double(j) + 0.15, base), b = BarPoint(layout, double(j) + 0.85, v);
        p.setPen(QPen(HueBinLineColour(j).darker(115), 0.8));
        p.setBrush(HueBinColour(j));
        p.drawRect(QRectF(a, b).normalized());
        p.setPen(Qt::black);
        const QString text = Figure(value(r.bins[j]));
        const double w = fm.horizontalAdvance(text);
        const double middle = (a.x() + b.x()) / 2;
        const bool up = value(r.bins[j]) >= 0;
        const double y = up ? std::max(b.y() - 4, plot.top() + fm.ascent()) : std::min(b.y() + fm.ascent() + 2, plot.bottom() - 2);
        p.drawText(QPointF(middle - w / 2, y), text);
        // The bin's number under the plot.
        const QString number = QString::number(j + 1);
        p.drawText(QPointF(middle - fm.horizontalAdvance(number) / 2, plot.bottom() + 4 + fm.ascent()), number);
    }
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);
    p.drawText(QRectF(plot.left(), plot.bottom() + fm.height() + 4, plot.width(), fm.height()),
               Qt::AlignHCenter, QStringLiteral("色相区 Hue-angle bin"));
    p.save();
    p.translate(12, plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-plot.height() / 2, -fm.height() / 2, plot.height(), fm.height()), Qt::AlignCenter, axis);
    p.restore();
    p.restore();
    return painted;
}

double BinFidelity(const colorimetry::Tm30HueBin &b) { return b.rf; }
double BinChromaShift(const colorimetry::Tm30HueBin &b) { return b.rcs; }

QRectF BarPlot(QSizeF page)
{
    return QRectF(QPointF(60, 40), QPointF(page.width() - 14, page.height() - 44));
}

} // namespace

QColor HueBinColour(std::size_t j)
{
    return Colours().fill[j % kHueBinCount];
}

QColor HueBinLineColour(std::size_t j)
{
    return Colours().line[j % kHueBinCount];
}

QString HueBinReadout(const Tm30Result &r, std::size_t j)
{
    const QString bin = QStringLiteral("色相区 h%1（%2°–%3°）")
                            .arg(j + 1)
                            .arg(double(j) * kHueBinDegrees)
                            .arg(double(j + 1) * kHueBinDegrees);
    if (!r.defined)
        return bin + '\n' + Tm30Summary(r);
    const colorimetry::Tm30HueBin &b = r.bins[j];
    return bin
           + QStringLiteral("\nRf,h%1 = %2 · Rcs,h%1 = %3% · Rhs,h%1 = %4\n%5 个评价样品（CES）")
                 .arg(j + 1)
                 .arg(Figure(b.rf))
                 .arg(Figure(b.rcs))
                 .arg(Figure(b.rhs, 2))
                 .arg(b.samples);
}

QString Tm30Summary(const Tm30Result &r)
{
    if (!r.defined) {
        const std::string why = colorimetry::CctStateText(r.cct);
        return QStringLiteral("TM-30 无定义：%1")
            .arg(why.empty() ? QStringLiteral("光谱无效") : QString::fromStdString(why));
    }
    return QStringLiteral("TM-30：Rf %1，Rg %2（色温 %3 K）").arg(Figure(r.rf), Figure(r.rg), Figure(r.cct.cct));
}

QSize Tm30PageSize(Tm30Picture picture)
{
    return picture == Tm30Picture::VectorGraphic ? QSize(520, 580) : QSize(620, 300);
}

PaintedTm30 PaintVectorGraphic(QPainter &p, const Tm30Result &r, QSizeF page)
{
    PaintedTm30 painted;
    p.save();
    Begin(p, page);
    DrawTitle(p, QStringLiteral("色矢量图 Colour vector graphic（TM-30）"), page);
    const double side = std::min(page.width() - 24, page.height() - 34 - 56);
    const QRectF plot(QPointF((page.width() - side) / 2, 34), QSizeF(side, side));
    const QPointF centre = plot.center();
    painted.centre = centre;

    // The test points: the shift of the bin's mean over the reference
    // chroma, from the bin's middle on the unit circle.
    double reach = 1.5;
    std::array<QPointF, kHueBinCount> test{};
    for (std::size_t j = 0; j < kHueBinCount && r.defined; ++j) {
        const colorimetry::Tm30HueBin &b = r.bins[j];
        const double chroma = std::hypot(b.aReference, b.bReference);
        test[j] = QPointF(std::cos(BinMiddle(j)) + (b.aTest - b.aReference) / chroma,
                          std::sin(BinMiddle(j)) + (b.bTest - b.bReference) / chroma);
        reach = std::max(reach, 1.05 * std::hypot(test[j].x(), test[j].y()));
    }
    const double unit = side / 2 / reach;
    painted.unit = unit;
    auto at = [&](QPointF ab) { return centre + QPointF(ab.x() * unit, -ab.y() * unit); };

    // The bins' colours as wedges, divided by white lines.
    p.setPen(Qt::NoPen);
    const double outer = side / 2;
    for (std::size_t j = 0; j < kHueBinCount; ++j) {
        QPainterPath wedge;
        wedge.moveTo(centre);
        wedge.arcTo(QRectF(centre - QPointF(outer, outer), QSizeF(2 * outer, 2 * outer)), double(j) * kHueBinDegrees,
                    kHueBinDegrees);
        wedge.closeSubpath();
        painted.bins[j] = wedge;
        p.setBrush(Lighter(HueBinColour(j), 0.45));
        p.drawPath(wedge);
    }
    if (!r.defined) {
        DrawUndefined(p, r, plot.adjusted(side * 0.2, side * 0.4, -side * 0.2, -side * 0.4));
        p.restore();
        return painted;
    }
    p.setPen(QPen(Qt::white, 1.2));
    for (std::size_t j = 0; j < kHueBinCount; ++j) {
        const double a = double(j) * kHueBinDegrees * std::numbers::pi / 180;
        p.drawLine(centre, centre + QPointF(std::cos(a), -std::sin(a)) * outer);
    }
    // Chroma −20 %, −10 %, +10 %, +20 % (dashed) and the reference (black).
    p.setBrush(Qt::NoBrush);
    QPen ring(QColor(0, 0, 0, 80), 1.0, Qt::DashLine);
    for (double c : {0.8, 0.9, 1.1, 1.2}) {
        p.setPen(ring);
        p.drawEllipse(centre, c * unit, c * unit);
    }
    p.setPen(QPen(Qt::black, 2.2));
    p.drawEllipse(centre, unit, unit);

    // The test polygon, then the arrows over it.
    QPolygonF polygon;
    for (std::size_t j = 0; j < kHueBinCount; ++j) {
        painted.reference[j] = at({std::cos(BinMiddle(j)), std::sin(BinMiddle(j))});
        painted.test[j] = at(test[j]);
        polygon << painted.test[j];
    }
    p.setPen(QPen(QColor(200, 0, 0), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolygon(polygon);
    for (std::size_t j = 0; j < kHueBinCount; ++j)
        DrawArrow(p, painted.reference[j], painted.test[j], HueBinLineColour(j).darker(125), unit * 0.09);

    // The bins' numbers near the edge.
    p.setFont(DiagramFont(11, true));
    p.setPen(QColor(50, 50, 50));
    for (std::size_t j = 0; j < kHueBinCount; ++j) {
        const QPointF c = centre + QPointF(std::cos(BinMiddle(j)), -std::sin(BinMiddle(j))) * (outer - 12);
        p.drawText(QRectF(c - QPointF(12, 8), QSizeF(24, 16)), Qt::AlignCenter, QString::number(j + 1));
    }

    // Rf and Rg in the corners, the light below.
    auto corner = [&](const QString &text, Qt::Alignment align) {
        p.setFont(DiagramFont(18, true));
        const QFontMetricsF fm(p.font());
        QRectF box(0, 0, fm.horizontalAdvance(text) + 12, fm.height() + 4);
        if (align & Qt::AlignLeft)
            box.moveTopLeft(plot.topLeft() + QPointF(6, 6));
        else
            box.moveTopRight(plot.topRight() + QPointF(-6, 6));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 225));
        p.drawRect(box);
        p.setPen(Qt::black);
        p.drawText(box, Qt::AlignCenter, text);
    };
    corner(QStringLiteral("Rf %1").arg(Figure(r.rf)), Qt::AlignLeft);
    corner(QStringLiteral("Rg %1").arg(Figure(r.rg)), Qt::AlignRight);
    p.setFont(DiagramFont(12));
    const QFontMetricsF fm(p.font());
    double x = plot.left();
    const double y = plot.bottom() + 8 + fm.ascent();
    auto key = [&](const QPen &pen, const QString &text) {
        p.setPen(pen);
        p.drawLine(QPointF(x, y - fm.ascent() / 3), QPointF(x + 22, y - fm.ascent() / 3));
        p.setPen(Qt::black);
        p.drawText(QPointF(x + 28, y), text);
        x += 28 + fm.horizontalAdvance(text) + 18;
    };
    key(QPen(Qt::black, 2.2), QStringLiteral("参考光 Reference"));
    key(QPen(QColor(200, 0, 0), 2.2), QStringLiteral("测试光 Test"));
    key(QPen(QColor(0, 0, 0, 80), 1.0, Qt::DashLine), QStringLiteral("色度 ±10%、±20%"));
    p.setPen(Qt::black);
    p.drawText(QPointF(plot.left(), y + fm.height() + 2),
               QStringLiteral("CCT %1 K · Duv %2 · 参考光：%3")
                   .arg(Figure(r.cct.cct))
                   .arg(r.cct.duv, 0, 'f', 4)
                   .arg(r.cct.cct < 4000   ? QStringLiteral("普朗克辐射体")
                        : r.cct.cct < 5000 ? QStringLiteral("普朗克辐射体与 CIE 日光混合")
                                           : QStringLiteral("CIE 日光")));
    p.restore();
    return painted;
}

PaintedTm30 PaintFidelityBars(QPainter &p, const Tm30Result &r, QSizeF page)
{
    return PaintBars(p, r, page, QStringLiteral("局部保真度 Local colour fidelity Rf,hj"), QStringLiteral("Rf,hj"),
                     {BarPlot(page), 0, 100, 20}, BinFidelity, QString());
}

PaintedTm30 PaintChromaShiftBars(QPainter &p, const Tm30Result &r, QSizeF page)
{
    // ±40 % as TM-30 draws it, wider where a bin goes beyond.
    double extent = 40;
    for (const colorimetry::Tm30HueBin &b : r.bins)
        extent = std::max(extent, std::ceil(std::fabs(b.rcs) / 10) * 10);
    return PaintBars(p, r, page, QStringLiteral("局部色度偏移 Local chroma shift Rcs,hj"), QStringLiteral("Rcs,hj"),
                     {BarPlot(page), -extent, extent, extent > 60 ? 20.0 : 10.0}, BinChromaShift, QStringLiteral("%"));
}

PaintedTm30 PaintTm30(QPainter &p, const Tm30Result &r, Tm30Picture picture, QSizeF page)
{
    switch (picture) {
    case Tm30Picture::VectorGraphic:
        return PaintVectorGraphic(p, r, page);
    case Tm30Picture::Fidelity:
        return PaintFidelityBars(p, r, page);
    case Tm30Picture::ChromaShift:
        break;
    }
    return PaintChromaShiftBars(p, r, page);
}

QString ExportTm30(const QString &path, const Tm30Result &r, Tm30Picture picture, QSize page)
{
    if (page.isEmpty())
        page = Tm30PageSize(picture);
    return ExportPicture(path, page, QStringLiteral("TM-30"), Tm30Summary(r),
                         [&](QPainter &painter, QSizeF size) { PaintTm30(painter, r, picture, size); });
}

} // namespace diagram
