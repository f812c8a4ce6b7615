#pragma once
// The exact figures that stand beside a screen's own number: the standard's
// SDCM, the exact CCT and Duv of the point, as the screens' tooltips and the
// copied result line give them.

#include "colorimetry.h"

#include <string>

namespace colorimetry {

struct ExactFigures {
    // The row the SDCM is measured from: the screen's row, or for a screen
    // without one the row of the standard's nearest centre.
    const tolerance::ToleranceEllipse *row = nullptr;
    double sdcm = 0;
    CctResult cct;
};

// The row of the standard whose centre is nearest the point, by the
// standard's SDCM.
const tolerance::ToleranceEllipse *NearestRow(tolerance::ColourStandard standard, Xy p);

// With a row, the SDCM from it; without one, from the nearest of the
// standard's (IEC 60081, the GB rows) centres, by SDCM.
ExactFigures ExactFiguresOf(const tolerance::ToleranceEllipse *row, Xy p);

// Locale-independent decimals: "2.37", "+0.0012", "4012".
std::string FixedText(double v, int decimals, bool sign = false);

// "SDCM（IEC 60081）2.37 步 · 色温 4012 K · Duv +0.0012"; without a screen
// row the nearest centre is named: "SDCM（IEC 60081，4000 K）…". Where the
// CCT is not defined its reason stands in its place.
std::string ExactSummary(const ExactFigures &f, bool rowOfScreen);

// The fields after the screen's number on a copied line: SDCM, CCT and Duv,
// each empty where it has no value.
std::string SdcmField(const ExactFigures &f);
std::string CctField(const ExactFigures &f);
std::string DuvField(const ExactFigures &f);

} // namespace colorimetry
