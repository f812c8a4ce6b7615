#pragma once
// One TM-30 picture on screen (the colour vector graphic, or the bars of
// Rf,hj or Rcs,hj) for the current light; hovering over a hue bin's wedge
// or bar tells its figures.

#include "vector_graphic.h"

#include <QWidget>

namespace diagram {

class Tm30Widget : public QWidget {
    Q_OBJECT
public:
    explicit Tm30Widget(Tm30Picture picture, QWidget *parent = nullptr);

    // The light's figures; an undefined result shows why there are none.
    void SetResult(const colorimetry::Tm30Result &result);
    const colorimetry::Tm30Result &result() const { return result_; }
    Tm30Picture picture() const { return picture_; }

    // The hue bin under the pixel (0…15), -1 over none.
    int BinAt(QPointF pos) const;
    // The tooltip's text for the pixel, empty over nothing.
    QString ToolTipAt(QPointF pos) const;
    // What the last paint drew.
    const PaintedTm30 &painted() const { return painted_; }

    QSize sizeHint() const override { return Tm30PageSize(picture_); }
    QSize minimumSizeHint() const override { return Tm30PageSize(picture_) / 2; }

protected:
    bool event(QEvent *e) override;
    void paintEvent(QPaintEvent *) override;

private:
    Tm30Picture picture_;
    colorimetry::Tm30Result result_;
    PaintedTm30 painted_;
};

} // namespace diagram
