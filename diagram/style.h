#pragma once
// The diagram's pens and colours. The two families of step curves differ by
// line style (solid, dashed) as well as colour, so that they stay apart on a
// black-and-white print. Lines of one pixel at most take the raster
// engine's fast stroker: the many-vertex curves repaint in a fraction of
// the time a wider pen takes.

#include "scene.h"

#include <QColor>
#include <QPen>

namespace diagram::style {

inline QPen ProgramStepPen()
{
    return QPen(QColor(0, 70, 160), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::BevelJoin);
}

inline QPen StandardStepPen()
{
    QPen pen(QColor(185, 25, 25), 1.0, Qt::CustomDashLine, Qt::FlatCap, Qt::BevelJoin);
    pen.setDashPattern({5, 3});
    return pen;
}

inline QPen PlanckianPen()
{
    return QPen(Qt::black, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::BevelJoin);
}

inline QPen IsotemperaturePen()
{
    return QPen(QColor(105, 105, 105), 0.9);
}

inline QPen SpectralPen()
{
    return QPen(QColor(40, 40, 40), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::BevelJoin);
}

// The ANSI quadrangles: thin teal lines, straight where the curves bend and
// apart from the grey isotemperature lines by colour and their names (a
// dash pattern would look solid where two quadrangles share part of an
// edge); the user's bins: thin solid outlines over a faint fill, so that
// overlaps show darker.
inline QPen AnsiQuadranglePen()
{
    return QPen(QColor(0, 128, 118), 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
}

inline QPen BinPen()
{
    return QPen(QColor(112, 48, 160), 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
}

inline QColor BinFill()
{
    return QColor(112, 48, 160, 20);
}

inline QColor PointColour()
{
    return QColor(215, 0, 0);
}

inline constexpr double kPointRadius = 4.5;
inline constexpr double kBatchRadius = 2.2;

// The batch bands from ≤1 step to ≥8 steps go from green through yellow and
// orange to red and purple, as traffic lights read; rows not rated are blue.
inline QColor BandColour(int band)
{
    static const QColor colours[kStepBands] = {
        QColor(0x00, 0x6d, 0x2c), QColor(0x31, 0xa3, 0x54), QColor(0x78, 0xc6, 0x79),
        QColor(0xd9, 0xb3, 0x00), QColor(0xfd, 0x8d, 0x3c), QColor(0xe6, 0x55, 0x0d),
        QColor(0xbd, 0x00, 0x26), QColor(0x54, 0x27, 0x8f), QColor(0x3b, 0x6f, 0xb6),
    };
    return colours[band];
}

} // namespace diagram::style
