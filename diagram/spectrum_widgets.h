#pragma once
// The spectra and the colour rendering on screen, painted by the same
// functions as their files; hovering shows the values under the pointer.

#include "spectrum_chart.h"

#include <QWidget>

#include <vector>

namespace diagram {

class SpectrumChartWidget : public QWidget {
    Q_OBJECT
public:
    explicit SpectrumChartWidget(QWidget *parent = nullptr);

    void SetSeries(std::vector<SpectrumSeries> series, const QString &title = {});
    const std::vector<SpectrumSeries> &series() const { return series_; }
    const QString &title() const { return title_; }

    // The hover text at the pixel; empty outside the plot.
    QString ToolTipAt(QPointF pos) const;
    // Where the last paint put the plot.
    const PaintedSpectra &painted() const { return painted_; }

    QSize sizeHint() const override { return {640, 340}; }
    QSize minimumSizeHint() const override { return {320, 200}; }

protected:
    bool event(QEvent *e) override;
    void paintEvent(QPaintEvent *) override;

private:
    std::vector<SpectrumSeries> series_;
    QString title_;
    PaintedSpectra painted_;
};

class RenderingBarsWidget : public QWidget {
    Q_OBJECT
public:
    explicit RenderingBarsWidget(QWidget *parent = nullptr);

    void SetChart(RenderingChart chart);
    const RenderingChart &chart() const { return chart_; }

    QString ToolTipAt(QPointF pos) const;
    const PaintedRendering &painted() const { return painted_; }

    QSize sizeHint() const override { return {640, 300}; }
    QSize minimumSizeHint() const override { return {420, 200}; }

protected:
    bool event(QEvent *e) override;
    void paintEvent(QPaintEvent *) override;

private:
    RenderingChart chart_;
    PaintedRendering painted_;
};

} // namespace diagram
