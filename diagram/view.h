#pragma once
// Where the diagram's parts sit on a page of a given size, and the one
// mapping between chromaticity (x, y) and page pixels that painting,
// hovering and the tests share. x and y have the same scale, so that an
// ellipse keeps its shape.

#include "scene.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace diagram {

// The page: title on top, the plot with its axes, the legend on the right.
// Logical pixels; the same for screen, PNG, SVG and PDF.
struct PageLayout {
    QRectF title;
    QRectF plot;
    QRectF legend;
};
PageLayout LayoutFor(QSizeF page);

// The smallest page the layout is made for.
inline constexpr int kSmallestPageWidth = 640;
inline constexpr int kSmallestPageHeight = 460;

// What part of the plane is shown: the point at the plot's middle and the
// pixels per unit of x (and of y).
struct ViewState {
    Xy middle{0.38, 0.38};
    double scale = 20000;
};

// The view that shows the extent whole in the plot.
ViewState FitView(const Extent &extent, const QRectF &plot);

// How far in and out a user may zoom: a plot spans at most the whole
// diagram, at least a thousandth of a unit.
double ClampScale(double scale, const QRectF &plot);

class ViewTransform {
public:
    ViewTransform(const ViewState &view, const QRectF &plot) : view_(view), plot_(plot) {}

    QPointF ToPixel(Xy p) const
    {
        return {plot_.center().x() + (p.x - view_.middle.x) * view_.scale,
                plot_.center().y() - (p.y - view_.middle.y) * view_.scale};
    }
    Xy ToXy(QPointF q) const
    {
        return {view_.middle.x + (q.x() - plot_.center().x()) / view_.scale,
                view_.middle.y - (q.y() - plot_.center().y()) / view_.scale};
    }
    // The plane's part inside the plot.
    Extent Visible() const;
    const QRectF &plot() const { return plot_; }
    const ViewState &view() const { return view_; }

private:
    ViewState view_;
    QRectF plot_;
};

// The view zoomed by factor about the pixel anchor, which keeps its (x, y).
ViewState ZoomedAbout(const ViewState &view, const QRectF &plot, QPointF anchor, double factor);
// The view moved with a drag of the page by delta pixels.
ViewState Panned(const ViewState &view, QPointF delta);

} // namespace diagram
