#pragma once
// The pictures of TM-30: the colour vector graphic (the reference circle,
// the test polygon, an arrow per hue bin from the reference to the test, the
// bins' colours, Rf and Rg) and the bar charts of the local fidelity Rf,hj
// and the local chroma shift Rcs,hj. One painting function each, for a
// widget, PNG, SVG and PDF alike.

#include "tm30.h"

#include <QColor>
#include <QPainterPath>
#include <QSize>
#include <QString>

#include <array>

class QPainter;

namespace diagram {

enum class Tm30Picture {
    VectorGraphic, // the colour vector graphic
    Fidelity,      // bars of Rf,h1 … Rf,h16
    ChromaShift,   // bars of Rcs,h1 … Rcs,h16
};

// What a painting drew, in page pixels: hovering finds a hue bin by it, and
// the tests map the arrows back to the figures.
struct PaintedTm30 {
    std::array<QPainterPath, colorimetry::kHueBinCount> bins; // each bin's wedge or bar
    // The vector graphic: the centre, the pixels of a reference chroma, and
    // each bin's arrow from its reference point to its test point.
    QPointF centre;
    double unit = 0;
    std::array<QPointF, colorimetry::kHueBinCount> reference{}, test{};
};

// The colour of hue bin j (0…15): the mean colour (sRGB, D65) of the
// evaluation samples whose hue lies in the bin, and a stronger one of the
// same hue for lines and arrows.
QColor HueBinColour(std::size_t j);
QColor HueBinLineColour(std::size_t j);

// "色相区 h3（45°–67.5°）", the bin's figures and its number of samples.
QString HueBinReadout(const colorimetry::Tm30Result &r, std::size_t j);

// "TM-30：Rf 70，Rg 86" or why there is none.
QString Tm30Summary(const colorimetry::Tm30Result &r);

// The natural page of each picture, in logical pixels.
QSize Tm30PageSize(Tm30Picture picture);

PaintedTm30 PaintVectorGraphic(QPainter &p, const colorimetry::Tm30Result &r, QSizeF page);
PaintedTm30 PaintFidelityBars(QPainter &p, const colorimetry::Tm30Result &r, QSizeF page);
PaintedTm30 PaintChromaShiftBars(QPainter &p, const colorimetry::Tm30Result &r, QSizeF page);
PaintedTm30 PaintTm30(QPainter &p, const colorimetry::Tm30Result &r, Tm30Picture picture, QSizeF page);

// Writes the picture to PNG (twice the scale), SVG or PDF by the suffix.
// Returns the message for the user (Chinese), empty on success.
QString ExportTm30(const QString &path, const colorimetry::Tm30Result &r, Tm30Picture picture,
                   QSize page = {});

} // namespace diagram
