#include "view.h"

#include <algorithm>
#include <cmath>

namespace diagram {

namespace {
constexpr double kLeftMargin = 62;   // the y tick labels and "y"
constexpr double kBottomMargin = 46; // the x tick labels and "x"
constexpr double kTitleHeight = 40;
constexpr double kGap = 14;
constexpr double kWidestSpan = 1.2;
constexpr double kNarrowestSpan = 0.001;
} // namespace

PageLayout LayoutFor(QSizeF page)
{
    const double w = std::max(page.width(), double(kSmallestPageWidth));
    const double h = std::max(page.height(), double(kSmallestPageHeight));
    const double legendWidth = std::clamp(w * 0.3, 200.0, 250.0);
    PageLayout layout;
    layout.title = QRectF(0, 0, w, kTitleHeight);
    layout.legend = QRectF(w - legendWidth - kGap / 2, kTitleHeight, legendWidth,
                           h - kTitleHeight - kGap);
    layout.plot = QRectF(QPointF(kLeftMargin, kTitleHeight),
                         QPointF(layout.legend.left() - kGap, h - kBottomMargin));
    return layout;
}

ViewState FitView(const Extent &e, const QRectF &plot)
{
    ViewState view;
    view.middle = {(e.left + e.right) / 2, (e.bottom + e.top) / 2};
    view.scale = ClampScale(std::min(plot.width() / (e.right - e.left),
                                     plot.height() / (e.top - e.bottom)),
                            plot);
    return view;
}

double ClampScale(double scale, const QRectF &plot)
{
    const double longest = std::max(plot.width(), plot.height());
    return std::clamp(scale, longest / kWidestSpan, longest / kNarrowestSpan);
}

Extent ViewTransform::Visible() const
{
    const Xy a = ToXy(plot_.bottomLeft()), b = ToXy(plot_.topRight());
    return {a.x, a.y, b.x, b.y};
}

ViewState ZoomedAbout(const ViewState &view, const QRectF &plot, QPointF anchor, double factor)
{
    const Xy fixed = ViewTransform(view, plot).ToXy(anchor);
    ViewState zoomed = view;
    zoomed.scale = ClampScale(view.scale * factor, plot);
    // The anchor's (x, y) stays under the anchor.
    zoomed.middle = {fixed.x - (anchor.x() - plot.center().x()) / zoomed.scale,
                     fixed.y + (anchor.y() - plot.center().y()) / zoomed.scale};
    return zoomed;
}

ViewState Panned(const ViewState &view, QPointF delta)
{
    ViewState moved = view;
    moved.middle = {view.middle.x - delta.x() / view.scale, view.middle.y + delta.y() / view.scale};
    return moved;
}

} // namespace diagram
