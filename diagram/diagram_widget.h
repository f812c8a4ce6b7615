#pragma once
// The diagram on screen: the wheel zooms about the cursor, a drag pans,
// Home goes back to the first view, and hovering over the point, a curve, a
// batch row or a bin tells what is there. On a batch, a click on a dot picks
// its row, and a drag with Shift picks the rows in a rectangle.

#include "painter.h"
#include "scene.h"
#include "view.h"

#include <QList>
#include <QWidget>

class QRubberBand;

namespace diagram {

class DiagramWidget : public QWidget {
    Q_OBJECT
public:
    explicit DiagramWidget(QWidget *parent = nullptr);

    // A new scene; the view goes back to its first one unless the user has
    // moved it. The ANSI quadrangles stay shown or hidden as the user chose.
    void SetScene(Scene scene);
    const Scene &scene() const { return scene_; }

    // The user's bins over the diagram, with the rows in each (counts per
    // bin, in order; empty: not counted). An empty set removes them.
    void SetBins(SceneBins bins);
    // Shows or hides the ANSI quadrangles, for this scene and the next.
    void SetAnsiQuadranglesShown(bool shown);
    bool ansiQuadranglesShown() const { return showAnsi_; }

    void ResetView();
    const ViewState &view() const { return view_; }
    void SetView(const ViewState &view);
    ViewTransform Transform() const;

    // The tooltip's text for the pixel, empty over nothing.
    QString ToolTipAt(QPointF pos) const;

    // Rings these batch rows instead of those before; the view stays.
    void SetSelection(std::span<const int> rows);
    // The batch row whose dot is nearest the pixel, within reach; -1 over none.
    int BatchRowAt(QPointF pos) const;
    // The batch rows whose dots lie in the rectangle of pixels, in the plot.
    QList<int> BatchRowsIn(const QRectF &area) const;

    // What the last paint drew.
    const PaintedDiagram &painted() const { return painted_; }

    QSize sizeHint() const override { return {860, 640}; }
    QSize minimumSizeHint() const override { return {kSmallestPageWidth, kSmallestPageHeight}; }

signals:
    // The user picked batch rows: a click on a dot, or a drag with Shift
    // around dots. toggle: Ctrl was held, so the rows change their
    // selection; otherwise they become the selection.
    void batchRowsPicked(const QList<int> &rows, bool toggle);

protected:
    bool event(QEvent *e) override;
    void paintEvent(QPaintEvent *) override;
    void resizeEvent(QResizeEvent *) override;
    void wheelEvent(QWheelEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    void UpdateDescription();

    // "分档“A1”：12 点" for the bin at p, or that p is in none; empty
    // without bins.
    QString BinText(Xy p) const;

    Scene scene_;
    ViewState view_;
    bool showAnsi_ = true;
    bool userMoved_ = false;
    std::optional<QPointF> dragFrom_; // the left button is down
    bool panning_ = false;            // it moved beyond a click
    std::optional<QPointF> bandFrom_; // a drag with Shift: the rectangle's corner
    QRubberBand *band_ = nullptr;
    PaintedDiagram painted_;
};

} // namespace diagram
