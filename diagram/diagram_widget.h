#pragma once
// The diagram on screen: the wheel zooms about the cursor, a drag pans,
// Home goes back to the first view, and hovering over the point, a curve or
// a batch row tells what is there.

#include "painter.h"
#include "scene.h"
#include "view.h"

#include <QWidget>

namespace diagram {

class DiagramWidget : public QWidget {
    Q_OBJECT
public:
    explicit DiagramWidget(QWidget *parent = nullptr);

    // A new scene; the view goes back to its first one unless the user has
    // moved it.
    void SetScene(Scene scene);
    const Scene &scene() const { return scene_; }

    void ResetView();
    const ViewState &view() const { return view_; }
    void SetView(const ViewState &view);
    ViewTransform Transform() const;

    // The tooltip's text for the pixel, empty over nothing.
    QString ToolTipAt(QPointF pos) const;

    // What the last paint drew.
    const PaintedDiagram &painted() const { return painted_; }

    QSize sizeHint() const override { return {860, 640}; }
    QSize minimumSizeHint() const override { return {kSmallestPageWidth, kSmallestPageHeight}; }

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

    Scene scene_;
    ViewState view_;
    bool userMoved_ = false;
    std::optional<QPointF> dragFrom_;
    PaintedDiagram painted_;
};

} // namespace diagram
