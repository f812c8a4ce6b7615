#pragma once
// What the diagram says about a chromaticity, line by line: the coordinates,
// the screens' number beside the standard's SDCM, the exact CCT and Duv.
// The legend shows it for the computed point, the tooltip for what the mouse
// is over.

#include "scene.h"

#include <QStringList>

namespace diagram {

// The screens' whole steps of p for the row; nullopt where it cannot be
// computed (a point too far off).
std::optional<int> ScreenSteps(const tolerance::ToleranceEllipse &row, Xy p);

// "x = 0.3850  y = 0.3712", "色容差 3 步（本程序）", "SDCM（IEC 60081）2.37 步",
// "色温 4012 K · Duv +0.0012", "ANSI 四边形 4000K". Without a row, the nearest
// centre of each standard stands in for it.
QStringList Readout(const tolerance::ToleranceEllipse *row, Xy p);

// "ANSI 四边形 4000K", or "不在 ANSI 四边形内".
QString AnsiQuadrangleText(Xy p);

} // namespace diagram
