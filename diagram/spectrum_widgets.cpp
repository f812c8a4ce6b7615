#include "spectrum_widgets.h"

#include "tooltip.h"

#include <QHelpEvent>
#include <QPainter>

namespace diagram {

SpectrumChartWidget::SpectrumChartWidget(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("光谱图"));
}

void SpectrumChartWidget::SetSeries(std::vector<SpectrumSeries> series, const QString &title)
{
    series_ = std::move(series);
    title_ = title;
    QStringList names;
    for (const SpectrumSeries &s : series_)
        names << s.name;
    setAccessibleDescription(names.isEmpty() ? QStringLiteral("没有选中的光谱")
                                             : QStringLiteral("光谱：") + names.join(QStringLiteral("、")));
    update();
}

QString SpectrumChartWidget::ToolTipAt(QPointF pos) const
{
    return SpectraReadout(painted_, series_, pos);
}

bool SpectrumChartWidget::event(QEvent *e)
{
    if (AnswerToolTip(this, e, [this](QPointF pos) { return ToolTipAt(pos); }))
        return true;
    return QWidget::event(e);
}

void SpectrumChartWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painted_ = PaintSpectra(painter, series_, size(), title_);
}

RenderingBarsWidget::RenderingBarsWidget(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("显色指数图"));
}

void RenderingBarsWidget::SetChart(RenderingChart chart)
{
    chart_ = std::move(chart);
    const colorimetry::ColourRendering &r = chart_.rendering;
    setAccessibleDescription(r.defined ? QStringLiteral("Ra %1，R9 %2").arg(r.ra, 0, 'f', 2).arg(r.r[8], 0, 'f', 2)
                                       : chart_.note);
    update();
}

QString RenderingBarsWidget::ToolTipAt(QPointF pos) const
{
    return RenderingReadout(painted_, chart_, pos);
}

bool RenderingBarsWidget::event(QEvent *e)
{
    if (AnswerToolTip(this, e, [this](QPointF pos) { return ToolTipAt(pos); }))
        return true;
    return QWidget::event(e);
}

void RenderingBarsWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painted_ = PaintRenderingBars(painter, chart_, size());
}

} // namespace diagram
