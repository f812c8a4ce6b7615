#include "report_pages.h"

#include "ansi_quadrangles.h"
#include "painter.h"
#include "scene.h"
#include "spectrum_chart.h"
#include "vector_graphic.h"
#include "view.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace report {

namespace {

using diagram::DiagramFont;

constexpr double kMargin = 40;
const QColor kInk(20, 20, 20);
const QColor kGrey(100, 100, 100);
const QColor kRule(170, 170, 170);
const QColor kFailed(180, 20, 20);
const QColor kNoteInk(150, 80, 0);

QString Utf8(const std::string &text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// A number as the page writes it: fixed decimals, a real minus sign, no −0.
QString Number(double value, int decimals, bool sign = false)
{
    QString text = QString::number(value, 'f', decimals);
    if (text.startsWith('-') && text.toDouble() == 0)
        text.remove(0, 1);
    if (sign && !text.startsWith('-'))
        text.prepend('+');
    return text.replace('-', QChar(0x2212));
}

// Paints what `paint` draws on a page of the logical size into the slot,
// scaled to its width.
template <class Paint>
void InSlot(QPainter &p, const QRectF &slot, QSizeF logical, Paint paint)
{
    p.save();
    p.translate(slot.topLeft());
    const double scale = std::min(slot.width() / logical.width(), slot.height() / logical.height());
    p.scale(scale, scale);
    p.setClipRect(QRectF(QPointF(0, 0), logical));
    paint(p, logical);
    p.restore();
}

// The heading every page starts with; returns where the page goes on.
double Heading(QPainter &p, QSizeF page, const QString &title, const QString &name,
               const QString &details)
{
    const double width = page.width() - 2 * kMargin;
    double y = kMargin - 8;
    p.setPen(kInk);
    p.setFont(DiagramFont(20, true));
    p.drawText(QRectF(kMargin, y, width, 28), Qt::AlignLeft | Qt::AlignVCenter, title);
    y += 30;
    if (!name.isEmpty()) {
        p.setFont(DiagramFont(16, true));
        p.drawText(QRectF(kMargin, y, width, 22), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   p.fontMetrics().elidedText(name, Qt::ElideRight, int(width)));
        y += 24;
    }
    p.setFont(DiagramFont(12));
    p.setPen(kGrey);
    const QRectF box(kMargin, y, width, 40);
    const QRectF used = p.boundingRect(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, details);
    p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, details);
    y += std::min(used.height(), box.height()) + 6;
    p.setPen(QPen(kInk, 1.2));
    p.drawLine(QPointF(kMargin, y), QPointF(page.width() - kMargin, y));
    return y + 10;
}

void Footer(QPainter &p, QSizeF page, const PageFooter &footer)
{
    p.setFont(DiagramFont(10));
    p.setPen(kGrey);
    const QRectF box(kMargin, page.height() - kMargin + 8, page.width() - 2 * kMargin, 16);
    p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("%1 生成").arg(footer.program));
    if (footer.number > 0)
        p.drawText(box, Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("第 %1 页，共 %2 页").arg(footer.number).arg(footer.count));
}

void Begin(QPainter &p, QSizeF page)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(QRectF(QPointF(0, 0), page), Qt::white);
}

QString Details(const ReportContext &context, std::uint64_t line)
{
    QString text = QStringLiteral("文件 File：%1").arg(Utf8(context.source));
    if (line > 0)
        text += QStringLiteral("，第 %1 行").arg(line);
    return text + QStringLiteral("　·　对照 Target：%1　·　日期 Date：%2")
                      .arg(TargetName(context), Utf8(context.date));
}

// ---- The LED page's table ----------------------------------------------------------

struct TableRow {
    TableRow() = default;
    TableRow(QString l, QString v, bool u = false) : label(std::move(l)), value(std::move(v)), undefined(u) {}
    QString label;
    QString value;
    bool undefined = false; // the value says why there is none
    QStringList grid;       // cells across the whole row instead of label and value
};

std::vector<TableRow> FigureRows(const LedReport &led, const ReportContext &context)
{
    std::vector<TableRow> rows;
    const QString none = QStringLiteral("—");
    rows.push_back({QStringLiteral("色坐标 x, y（CIE 1931）"),
                    Number(led.xy.x, 4) + QStringLiteral(", ") + Number(led.xy.y, 4)});
    if (led.fileXy)
        rows.push_back({QStringLiteral("仪器的 x, y（文件中）"),
                        Number(led.fileXy->x, 4) + QStringLiteral(", ") + Number(led.fileXy->y, 4)});
    rows.push_back({QStringLiteral("u′, v′（CIE 1976）"),
                    Number(led.uvPrime.u, 4) + QStringLiteral(", ") + Number(led.uvPrime.v, 4)});
    if (led.cct.defined())
        rows.push_back({QStringLiteral("相关色温 CCT"), Number(led.cct.cct, 0) + QStringLiteral(" K")});
    else
        rows.push_back({QStringLiteral("相关色温 CCT"), Utf8(colorimetry::CctStateText(led.cct)), true});
    if (led.cct.state != colorimetry::CctState::NoChromaticity)
        rows.push_back({QStringLiteral("Duv"), Number(led.cct.duv, 4, true)});
    if (context.target) {
        rows.push_back({QStringLiteral("色容差 Steps（%1）").arg(TargetName(context)),
                        led.steps ? QStringLiteral("%1 步").arg(*led.steps) : none});
        rows.push_back({QStringLiteral("SDCM（IEC 60081）"), led.sdcm ? Number(*led.sdcm, 2) : none});
    } else if (led.screenCct) {
        rows.push_back({QStringLiteral("色温（程序算法）"), Number(*led.screenCct, 0) + QStringLiteral(" K")});
    }
    rows.push_back({QStringLiteral("ANSI 四边形 C78.377"),
                    led.ansi.empty() ? QStringLiteral("不在任何四边形内") : Utf8(led.ansi),
                    led.ansi.empty()});
    if (context.bins)
        rows.push_back({QStringLiteral("分档 Bin"),
                        led.bin.empty() ? QStringLiteral("不在任何分档内") : Utf8(led.bin), led.bin.empty()});
    if (!led.spectral) {
        rows.push_back({QStringLiteral("显色指数 Ra, R1–R15"), QStringLiteral("无光谱：这一行只有色坐标"), true});
        return rows;
    }
    const colorimetry::ColourRendering &cr = led.rendering;
    if (cr.defined) {
        rows.push_back({QStringLiteral("显色指数 Ra"), Number(cr.ra, 1)});
        rows.push_back({QStringLiteral("特殊显色指数 R1–R15"), QString()});
        for (std::size_t first = 0; first < cr.r.size(); first += 5) {
            TableRow row;
            for (std::size_t i = first; i < std::min(first + 5, cr.r.size()); ++i)
                row.grid << QStringLiteral("R%1").arg(i + 1) << Number(cr.r[i], 1);
            rows.push_back(row);
        }
    } else {
        rows.push_back({QStringLiteral("显色指数 Ra"), Utf8(led.renderingNote), true});
    }
    const batch::Tm30Figures &tm30 = led.tm30Figures;
    if (tm30.defined) {
        rows.push_back({QStringLiteral("保真度 Rf / 色域 Rg（TM-30）"),
                        Number(tm30.rf, 1) + QStringLiteral(" / ") + Number(tm30.rg, 1)});
        rows.push_back({QStringLiteral("红色色度偏移 Rcs,h1"),
                        Number(tm30.rcsBin[0], 1, true) + QStringLiteral(" %")});
    } else if (tm30.fidelityDefined) {
        rows.push_back({QStringLiteral("保真度 Rf（TM-30）"), Number(tm30.rf, 1)});
        rows.push_back({QStringLiteral("色域 Rg（TM-30）"),
                        Utf8(colorimetry::Tm30Note(led.cct, true, false)), true});
    } else {
        rows.push_back({QStringLiteral("Rf / Rg（TM-30）"), Utf8(colorimetry::CctStateText(led.cct)), true});
    }
    const bool peak = std::isfinite(led.peakNm);
    rows.push_back({QStringLiteral("峰值波长 Peak"),
                    peak ? Number(led.peakNm, 1) + QStringLiteral(" nm")
                         : QStringLiteral("最大值在窗口边缘 %1 nm，不是峰").arg(Number(led.edgeNm, 0)),
                    !peak});
    rows.push_back({QStringLiteral("半宽度 FWHM"),
                    led.fwhmNm ? Number(*led.fwhmNm, 1) + QStringLiteral(" nm")
                    : peak     ? QStringLiteral("峰的一侧没有降到一半")
                               : QStringLiteral("没有峰，也就没有半宽度"),
                    !led.fwhmNm});
    rows.push_back({QStringLiteral("光视效能 LER"), Number(led.ler, 1) + QStringLiteral(" lm/W")});
    return rows;
}

// Returns where the table (and its note) ends.
double PaintTable(QPainter &p, const QRectF &area, const std::vector<TableRow> &rows, const QString &note)
{
    p.save();
    p.setPen(kInk);
    p.setFont(DiagramFont(14, true));
    p.drawText(QRectF(area.left(), area.top(), area.width(), 22), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("测试数据 Figures"));
    const double labelWidth = area.width() * 0.46;
    double y = area.top() + 26;
    const double rowHeight = 19;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TableRow &row = rows[i];
        if (i % 2 == 0)
            p.fillRect(QRectF(area.left(), y, area.width(), rowHeight), QColor(243, 243, 243));
        if (!row.grid.isEmpty()) {
            // Pairs of name and value in equal cells.
            const double cell = area.width() / 5;
            for (qsizetype k = 0; k + 1 < row.grid.size(); k += 2) {
                const QRectF box(area.left() + double(k / 2) * cell + 4, y, cell - 8, rowHeight);
                p.setFont(DiagramFont(11));
                p.setPen(kGrey);
                p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, row.grid[k]);
                p.setFont(DiagramFont(12, true));
                p.setPen(kInk);
                p.drawText(box, Qt::AlignRight | Qt::AlignVCenter, row.grid[k + 1]);
            }
            y += rowHeight;
            continue;
        }
        p.setFont(DiagramFont(11));
        p.setPen(kGrey);
        p.drawText(QRectF(area.left() + 4, y, labelWidth - 6, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   row.label);
        p.setFont(DiagramFont(row.undefined ? 11 : 12, !row.undefined));
        p.setPen(row.undefined ? kNoteInk : kInk);
        const QRectF valueBox(area.left() + labelWidth, y, area.width() - labelWidth - 4, rowHeight);
        p.drawText(valueBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   p.fontMetrics().elidedText(row.value, Qt::ElideRight, int(valueBox.width())));
        y += rowHeight;
    }
    if (!note.isEmpty()) {
        p.setFont(DiagramFont(11));
        p.setPen(kNoteInk);
        const QRectF box(area.left() + 4, y + 6, area.width() - 8, area.bottom() - y - 6);
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
        const QString text = QStringLiteral("注：") + note;
        y = std::min(box.bottom(), box.top() + p.boundingRect(box, flags, text).height());
        p.drawText(box, flags, text);
    }
    p.restore();
    return y;
}

// The light-and-health block: the five α-opic DERs as bars against D65's
// 1, then K_B,v and, for an absolute spectrum, Ev and melanopic EDI (or Φv).
void PaintLightAndHealth(QPainter &p, const QRectF &area, const LedReport &led)
{
    p.save();
    p.setPen(kInk);
    p.setFont(DiagramFont(12, true));
    p.drawText(QRectF(area.left(), area.top(), area.width(), 16), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("光生物效应 Light and health"));
    p.setFont(DiagramFont(9));
    p.setPen(kGrey);
    p.drawText(QRectF(area.left(), area.top(), area.width(), 16), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("α-opic DER（CIE S 026）"));
    const colorimetry::LightAndHealth &h = led.health;
    if (!h.defined) {
        p.setFont(DiagramFont(11));
        p.setPen(kNoteInk);
        p.drawText(QRectF(area.left(), area.top() + 20, area.width(), 16), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("380–780 nm 内的光通量不为正：无法计算。"));
        p.restore();
        return;
    }
    constexpr const char *kLabels[] = {"S 视锥", "M 视锥", "L 视锥", "视杆", "视黑素"};
    const double labelWidth = 50, valueWidth = 46, rowHeight = 13;
    const double top = area.top() + 19;
    const QRectF bars(area.left() + labelWidth, top, area.width() - labelWidth - valueWidth, rowHeight * 5);
    double most = 1.5;
    for (const double der : h.der)
        most = std::max(most, der);
    for (std::size_t k = 0; k < colorimetry::kAlphaOpicCount; ++k) {
        const double y = top + double(k) * rowHeight;
        p.setFont(DiagramFont(9));
        p.setPen(kGrey);
        p.drawText(QRectF(area.left(), y, labelWidth - 4, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromUtf8(kLabels[k]));
        const double width = bars.width() * std::clamp(h.der[k], 0.0, most) / most;
        p.fillRect(QRectF(bars.left(), y + 2, width, rowHeight - 4),
                   k == colorimetry::Melanopic ? QColor(40, 110, 160) : QColor(140, 170, 200));
        p.setFont(DiagramFont(10, k == colorimetry::Melanopic));
        p.setPen(kInk);
        p.drawText(QRectF(bars.right(), y, valueWidth, rowHeight), Qt::AlignRight | Qt::AlignVCenter,
                   Number(h.der[k], 3));
    }
    // D65's ratio, 1, for every receptor.
    const double one = bars.left() + bars.width() / most;
    p.setPen(QPen(kInk, 0.8, Qt::DashLine));
    p.drawLine(QPointF(one, top), QPointF(one, bars.bottom()));
    p.setFont(DiagramFont(8));
    p.setPen(kGrey);
    p.drawText(QRectF(one - 30, bars.bottom(), 60, 11), Qt::AlignCenter, QStringLiteral("D65 = 1"));

    QStringList figures;
    figures << QStringLiteral("K_B,v %1 mW/lm").arg(Number(h.blueLightEfficacy, 3));
    const colorimetry::AbsoluteLight absolute = colorimetry::AbsoluteOf(h, led.unit.watts);
    if (led.unit.quantity == colorimetry::RadiometricQuantity::Irradiance)
        figures << QStringLiteral("Ev %1 lx").arg(Number(absolute.illuminance, 1))
                << QStringLiteral("mel-EDI %1 lx").arg(Number(absolute.melanopicEdi, 1));
    else if (led.unit.quantity == colorimetry::RadiometricQuantity::Flux)
        figures << QStringLiteral("Φv %1 lm").arg(Number(absolute.illuminance, 1));
    p.setFont(DiagramFont(10, true));
    p.setPen(kInk);
    const QRectF line(area.left(), bars.bottom() + 11, area.width(), 15);
    p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               p.fontMetrics().elidedText(figures.join(QStringLiteral("　·　")), Qt::ElideRight, int(line.width())));
    p.restore();
}

colorimetry::Spectrum SpectrumOfBands(const colorimetry::Bands &bands)
{
    colorimetry::Spectrum s;
    for (std::size_t i = 0; i < bands.size(); ++i) {
        s.nm.push_back(colorimetry::BandNm(i));
        s.value.push_back(bands[i]);
    }
    return s;
}

// The diagram's smallest page, scaled into a slot.
const QSizeF kDiagramLogical(diagram::kSmallestPageWidth, diagram::kSmallestPageHeight);

void PaintDiagramIn(QPainter &p, const QRectF &slot, const diagram::Scene &scene)
{
    InSlot(p, slot, kDiagramLogical, [&](QPainter &q, QSizeF logical) {
        const diagram::ViewState view =
            diagram::FitView(diagram::HomeExtent(scene), diagram::LayoutFor(logical).plot);
        diagram::PaintDiagram(q, scene, view, logical);
    });
}

} // namespace

QString TargetName(const ReportContext &context)
{
    return context.target ? diagram::RowName(*context.target) : QStringLiteral("色温（无色容差标准）");
}

void PaintLedPage(QPainter &p, const LedReport &led, const ReportContext &context, const PageFooter &footer,
                  QSizeF page)
{
    p.save();
    Begin(p, page);
    double y = Heading(p, page, QStringLiteral("LED 测试报告 · LED test report"),
                       Utf8(led.name), Details(context, led.line));
    const double right = page.width() - kMargin;
    const double bottom = page.height() - kMargin;
    if (!led.rated()) {
        const QRectF box(kMargin, y + 10, right - kMargin, 120);
        p.setPen(QPen(kFailed, 1.5));
        p.setBrush(QColor(253, 236, 236));
        p.drawRect(box);
        p.setFont(DiagramFont(15, true));
        p.drawText(box.adjusted(16, 12, -16, 0), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("这一行没有结果 · This row failed"));
        p.setFont(DiagramFont(13));
        p.drawText(box.adjusted(16, 44, -16, -10), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                   Utf8(led.error));
        Footer(p, page, footer);
        p.restore();
        return;
    }

    QStringList notes;
    if (!led.cct.defined())
        notes << Utf8(colorimetry::CctStateText(led.cct));
    if (led.spectral && !led.renderingNote.empty() && led.rendering.defined)
        notes << Utf8(led.renderingNote);
    const double half = (right - kMargin - 16) / 2;
    const double tableBottom = PaintTable(p, QRectF(kMargin, y, half, 390), FigureRows(led, context),
                                          notes.join(QChar(' ')));
    diagram::Scene scene = diagram::ScreenScene(context.target, led.xy);
    diagram::SetBins(scene, {context.bins, {}});
    if (!led.spectral) {
        // A point alone: its figures, and the diagram around it across the page.
        const double width = right - kMargin;
        PaintDiagramIn(p, QRectF(kMargin, tableBottom + 20, width, width * kDiagramLogical.height() / kDiagramLogical.width()),
                       scene);
        Footer(p, page, footer);
        p.restore();
        return;
    }

    // The spectrum beside the figures, and under it the light and health.
    const QRectF spectrumSlot(right - half, y, half, 268);
    PaintLightAndHealth(p, QRectF(right - half, y + 274, half, 116), led);
    const diagram::SpectrumSeries series[] = {{Utf8(led.name), SpectrumOfBands(led.bands)}};
    // Drawn a quarter larger and scaled down, so that its title and axes fit.
    InSlot(p, spectrumSlot, spectrumSlot.size() * 1.25, [&](QPainter &q, QSizeF logical) {
        diagram::PaintSpectra(q, series, logical, QStringLiteral("光谱 Spectrum"));
    });

    // The diagram around the point, and the colour vector graphic.
    y += 400;
    const double diagramWidth = (right - kMargin) * 0.6;
    const QRectF diagramSlot(kMargin, y, diagramWidth, diagramWidth * kDiagramLogical.height() / kDiagramLogical.width());
    PaintDiagramIn(p, diagramSlot, scene);
    const QRectF vectorSlot(kMargin + diagramWidth + 12, y, right - kMargin - diagramWidth - 12, diagramSlot.height());
    const QSize natural = diagram::Tm30PageSize(diagram::Tm30Picture::VectorGraphic);
    InSlot(p, vectorSlot, QSizeF(natural.width(), natural.width() * vectorSlot.height() / vectorSlot.width()),
           [&](QPainter &q, QSizeF logical) { diagram::PaintVectorGraphic(q, led.tm30, logical); });

    // Ra and R1–R15.
    y = diagramSlot.bottom() + 12;
    const QRectF barsSlot(kMargin, y, right - kMargin, bottom - y - 4);
    const diagram::RenderingChart chart{QStringLiteral("显色指数 Ra 与 R1–R15（CIE 13.3）"), led.rendering,
                                        Utf8(led.renderingNote)};
    InSlot(p, barsSlot, barsSlot.size(),
           [&](QPainter &q, QSizeF logical) { diagram::PaintRenderingBars(q, chart, logical); });
    Footer(p, page, footer);
    p.restore();
}

// ---- The tray page ----------------------------------------------------------------

namespace {

void PaintHistogram(QPainter &p, const QRectF &box, const Histogram &h, const QString &empty)
{
    p.save();
    p.setPen(kInk);
    p.setFont(DiagramFont(12, true));
    p.drawText(QRectF(box.left(), box.top(), box.width(), 18), Qt::AlignLeft | Qt::AlignVCenter,
               Utf8(h.title()));
    const QString unit = h.unit().empty() ? QString() : QStringLiteral(" ") + Utf8(h.unit());
    p.setFont(DiagramFont(10));
    p.setPen(kGrey);
    if (h.count() > 0) {
        p.drawText(QRectF(box.left(), box.top(), box.width(), 18), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("%1 行").arg(h.count()));
        p.drawText(QRectF(box.left(), box.top() + 18, box.width(), 14), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("最小 %1 · 平均 %2 · 最大 %3%4")
                       .arg(Number(h.least(), h.decimals()), Number(h.mean(), h.decimals()),
                            Number(h.greatest(), h.decimals()), unit));
    }
    const QRectF plot(box.left() + 30, box.top() + 38, box.width() - 36, box.height() - 58);
    p.setPen(QPen(kRule, 1));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawLine(plot.bottomLeft(), plot.topLeft());
    const std::vector<Histogram::Bar> bars = h.Bars();
    if (bars.empty()) {
        p.setPen(kGrey);
        p.setFont(DiagramFont(11));
        p.drawText(plot, Qt::AlignCenter | Qt::TextWordWrap, empty);
        p.restore();
        return;
    }
    std::uint64_t tallest = 1;
    for (const auto &bar : bars)
        tallest = std::max(tallest, bar.count);
    const double width = plot.width() / double(bars.size());
    p.setPen(QPen(QColor(40, 70, 130), 0.6));
    p.setBrush(QColor(90, 130, 200));
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const double height = plot.height() * double(bars[i].count) / double(tallest);
        p.drawRect(QRectF(plot.left() + double(i) * width + 0.5, plot.bottom() - height, width - 1, height));
    }
    p.setPen(kGrey);
    p.setFont(DiagramFont(9));
    p.drawText(QRectF(box.left(), plot.top() - 6, 28, 12), Qt::AlignRight | Qt::AlignVCenter,
               QString::number(tallest));
    p.drawText(QRectF(box.left(), plot.bottom() - 6, 28, 12), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("0"));
    const int decimals = h.decimals() > 0 ? h.decimals() : 0;
    p.drawText(QRectF(plot.left() - 20, plot.bottom() + 2, 80, 12), Qt::AlignLeft | Qt::AlignVCenter,
               Number(bars.front().from, decimals));
    p.drawText(QRectF(plot.right() - 60, plot.bottom() + 2, 80, 12), Qt::AlignLeft | Qt::AlignVCenter,
               Number(bars.back().to, decimals));
    if (h.below() + h.above() > 0)
        p.drawText(QRectF(plot.left(), plot.bottom() + 2, plot.width(), 12), Qt::AlignCenter,
                   QStringLiteral("范围外 %1 行").arg(h.below() + h.above()));
    p.restore();
}

QString Share(std::uint64_t count, std::uint64_t of)
{
    return of ? Number(100.0 * double(count) / double(of), 1) + QStringLiteral(" %") : QStringLiteral("—");
}

// A table of name, count, share; as many lines as fit, the rest summed.
double PaintYields(QPainter &p, const QRectF &area, const QString &title,
                   std::vector<std::pair<QString, std::uint64_t>> entries, std::uint64_t none,
                   const QString &noneName, std::uint64_t of)
{
    p.save();
    p.setPen(kInk);
    p.setFont(DiagramFont(12, true));
    p.drawText(QRectF(area.left(), area.top(), area.width(), 18), Qt::AlignLeft | Qt::AlignVCenter, title);
    const double line = 15;
    double y = area.top() + 20;
    const auto row = [&](const QString &name, const QString &count, const QString &share, bool bold) {
        p.setFont(DiagramFont(10, bold));
        p.drawText(QRectF(area.left() + 2, y, area.width() * 0.5, line), Qt::AlignLeft | Qt::AlignVCenter,
                   p.fontMetrics().elidedText(name, Qt::ElideRight, int(area.width() * 0.5)));
        p.drawText(QRectF(area.left() + area.width() * 0.5, y, area.width() * 0.22, line),
                   Qt::AlignRight | Qt::AlignVCenter, count);
        p.drawText(QRectF(area.left() + area.width() * 0.72, y, area.width() * 0.28 - 2, line),
                   Qt::AlignRight | Qt::AlignVCenter, share);
        y += line;
    };
    p.setPen(kGrey);
    row(QStringLiteral("档"), QStringLiteral("个数"), QStringLiteral("占比"), true);
    p.setPen(kInk);
    const std::size_t fit = std::size_t(std::max(0.0, (area.bottom() - y) / line - 2));
    std::size_t shown = 0;
    std::uint64_t rest = 0, restBins = 0;
    for (const auto &[name, count] : entries) {
        if (shown < fit) {
            row(name, QString::number(count), Share(count, of), false);
            ++shown;
        } else {
            rest += count;
            ++restBins;
        }
    }
    if (restBins > 0)
        row(QStringLiteral("其余 %1 档").arg(restBins), QString::number(rest), Share(rest, of), false);
    row(noneName, QString::number(none), Share(none, of), false);
    p.restore();
    return y;
}

} // namespace

void PaintTrayPage(QPainter &p, const TrayTally &tray, const PageFooter &footer, QSizeF page)
{
    p.save();
    Begin(p, page);
    const ReportContext &context = tray.context();
    double y = Heading(p, page, QStringLiteral("批量测试报告 · Tray report"), QString(), Details(context, 0));
    const double right = page.width() - kMargin;
    const double width = right - kMargin;

    // Counts and the summary.
    p.setPen(kInk);
    p.setFont(DiagramFont(14, true));
    p.drawText(QRectF(kMargin, y, width, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("共 %1 行：已计算 %2 行，失败 %3 行；其中有光谱 %4 行")
                   .arg(tray.rows())
                   .arg(tray.summary().rated())
                   .arg(tray.failed())
                   .arg(tray.spectral()));
    y += 24;
    QStringList summary = Utf8(tray.summary().Text()).split('\n', Qt::SkipEmptyParts);
    if (!summary.isEmpty())
        summary.removeFirst(); // the counts, said above
    constexpr qsizetype kSummaryLines = 9;
    if (summary.size() > kSummaryLines) {
        const qsizetype more = summary.size() - kSummaryLines + 1;
        summary = summary.mid(0, kSummaryLines - 1);
        summary << QStringLiteral("（汇总另有 %1 行，见命令行输出）").arg(more);
    }
    p.setFont(DiagramFont(11));
    p.setPen(kInk);
    for (const QString &line : summary) {
        p.drawText(QRectF(kMargin, y, width, 16), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   p.fontMetrics().elidedText(line, Qt::ElideRight, int(width)));
        y += 16;
    }
    y += 8;

    // Histograms, three by two.
    const double cellWidth = (width - 2 * 16) / 3;
    const double cellHeight = 136;
    const QString noSpectrum = QStringLiteral("没有带光谱的行");
    for (int f = 0; f < TrayTally::kFigures; ++f) {
        const QRectF cell(kMargin + (f % 3) * (cellWidth + 16), y + (f / 3) * (cellHeight + 8), cellWidth,
                          cellHeight);
        const auto figure = TrayTally::Figure(f);
        QString empty = QStringLiteral("没有定义了这个数的行");
        if (figure == TrayTally::Steps && !context.target)
            empty = QStringLiteral("没有色容差标准");
        else if (figure >= TrayTally::Ra && tray.spectral() == 0)
            empty = noSpectrum;
        PaintHistogram(p, cell, tray.histogram(figure), empty);
    }
    y += 2 * (cellHeight + 8) + 4;

    // The diagram of all rows beside the yields.
    const double diagramWidth = width * 0.64;
    const QRectF diagramSlot(kMargin, y, diagramWidth, diagramWidth * kDiagramLogical.height() / kDiagramLogical.width());
    {
        std::vector<diagram::BatchPoint> points = tray.points().points();
        const bool sampled = points.size() < tray.points().counts().Total();
        diagram::Scene scene = diagram::BatchScene(context.target, std::move(points), {},
                                                   sampled ? std::optional(tray.points().counts()) : std::nullopt);
        diagram::SetBins(scene, {context.bins, tray.binCounts()});
        PaintDiagramIn(p, diagramSlot, scene);
    }
    const QRectF yieldArea(kMargin + diagramWidth + 14, y, width - diagramWidth - 14, diagramSlot.height());
    std::vector<std::pair<QString, std::uint64_t>> ansi;
    const auto quadrangles = colorimetry::AnsiQuadrangles();
    for (std::size_t i = 0; i < quadrangles.size(); ++i)
        ansi.emplace_back(QString::fromLatin1(quadrangles[i].name.data(), qsizetype(quadrangles[i].name.size())),
                          tray.ansiCounts()[i]);
    const std::uint64_t rated = tray.summary().rated();
    QRectF ansiArea = yieldArea;
    if (context.bins)
        ansiArea.setHeight(20 + 15 * 11);
    const double after = PaintYields(p, ansiArea, QStringLiteral("ANSI 四边形 Yield"), std::move(ansi), tray.noAnsi(),
                                     QStringLiteral("不在四边形内"), rated);
    if (context.bins) {
        std::vector<std::pair<QString, std::uint64_t>> bins;
        for (std::size_t i = 0; i < context.bins->size(); ++i)
            bins.emplace_back(Utf8((*context.bins)[i].name), tray.binCounts()[i]);
        // The fullest first, so that what is cut is what matters least.
        std::stable_sort(bins.begin(), bins.end(), [](const auto &a, const auto &b) { return a.second > b.second; });
        PaintYields(p, QRectF(yieldArea.left(), after + 10, yieldArea.width(), yieldArea.bottom() - after - 10),
                    QStringLiteral("分档 Bin yield"), std::move(bins), tray.noBin(), QStringLiteral("不在分档内"), rated);
    }
    y = diagramSlot.bottom() + 10;

    // Failed rows: as many as fit, and how many more.
    const double bottom = page.height() - kMargin;
    p.setPen(tray.failed() ? kFailed : kInk);
    p.setFont(DiagramFont(13, true));
    p.drawText(QRectF(kMargin, y, width, 18), Qt::AlignLeft | Qt::AlignVCenter,
               tray.failed() ? QStringLiteral("失败的行 Failed rows（%1 行）").arg(tray.failed())
                             : QStringLiteral("没有失败的行"));
    y += 22;
    const double line = 14;
    const std::size_t fit = std::size_t(std::max(0.0, (bottom - y) / line));
    const std::uint64_t failed = tray.failed();
    const std::size_t listed = std::size_t(std::min<std::uint64_t>(
        tray.failures().size(), failed > fit ? (fit > 0 ? fit - 1 : 0) : fit));
    p.setFont(DiagramFont(10));
    for (std::size_t i = 0; i < listed; ++i) {
        const FailedRow &row = tray.failures()[i];
        const QString text = row.name.empty()
                                 ? QStringLiteral("第 %1 行：%2").arg(row.line).arg(Utf8(row.message))
                                 : QStringLiteral("第 %1 行　%2：%3").arg(row.line).arg(Utf8(row.name), Utf8(row.message));
        p.setPen(kInk);
        p.drawText(QRectF(kMargin, y, width, line), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   p.fontMetrics().elidedText(text, Qt::ElideRight, int(width)));
        y += line;
    }
    if (failed > listed) {
        p.setPen(kFailed);
        p.drawText(QRectF(kMargin, y, width, line), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("另有 %1 行失败，这里未列出；每一行在它自己的页上有出错信息。").arg(failed - listed));
    }
    Footer(p, page, footer);
    p.restore();
}

} // namespace report
