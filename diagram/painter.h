#pragma once
// The one painting code of the diagram: the widget, the PNG, the SVG and
// the PDF are all painted by PaintDiagram on a page of logical pixels.

#include "scene.h"
#include "view.h"

#include <QFont>
#include <QPainterPath>

#include <optional>
#include <vector>

class QPainter;

namespace diagram {

// A step curve as it was painted, in page pixels: hovering finds curves by
// it, and the tests map it back to (x, y) through the same view.
struct PaintedCurve {
    bool standard; // the standard's SDCM ellipse (dashed); else the screens' steps (solid)
    int steps;
    QPainterPath path;
};

// An ANSI quadrangle (index into AnsiQuadrangles()) or a bin (index into the
// scene's bins) as it was painted, and whether its name found room.
struct PaintedOutline {
    bool bin;
    std::size_t index;
    QPainterPath path;
    bool labelled = false;
};

struct PaintedDiagram {
    std::vector<PaintedCurve> curves;
    std::vector<PaintedOutline> outlines; // the quadrangles, then the bins
    std::optional<QPointF> pointDot; // the computed point's dot, when inside the plot
};

// Paints the scene on a page of the given logical size, showing the view.
// The painter's device may be a widget, an image (with its device pixel
// ratio), an SVG generator or a PDF writer.
PaintedDiagram PaintDiagram(QPainter &painter, const Scene &scene, const ViewState &view,
                            QSizeF page);

// The pixel path of a polyline through the view, cut where it leaves the
// plot by far, so that no coordinate grows without bound at high zoom.
QPainterPath PolylinePath(std::span<const Xy> points, const ViewTransform &transform, bool closed);

// A face with the Chinese glyphs, at a size in pixels.
QFont DiagramFont(int pixels, bool bold = false);

} // namespace diagram
