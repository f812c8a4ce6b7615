#pragma once
// sRGB (IEC 61966-2-1) of tristimulus values, for pictures of colours:
// the matrix from CIE 1931 XYZ to linear sRGB is derived from the
// standard's primaries and its D65 white, not typed in.

#include "bands.h"

namespace colorimetry {

struct Rgb {
    double r = 0;
    double g = 0;
    double b = 0;
};

// Linear sRGB of XYZ on the scale where the D65 white has Y = 1: that
// white gives (1, 1, 1). Colours outside the gamut give components below 0
// or above 1.
Rgb LinearSrgbOf(const Xyz &c);

// The sRGB transfer function of one linear component, clipped to 0…1
// first: the value a display takes, 0…1.
double SrgbEncoded(double linear);

} // namespace colorimetry
