// sRGB from XYZ, the matrix derived from the primaries:
//   each primary's XYZ at Y = 1 is (x/y, 1, (1 − x − y)/y); scaled so that
//   the three add up to the white, they are the columns of the matrix from
//   linear sRGB to XYZ, whose inverse is wanted.

#include "srgb.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace colorimetry {

namespace {

using Matrix = std::array<std::array<double, 3>, 3>;

Matrix Inverse(const Matrix &m)
{
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1])
                       - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0])
                       + m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    Matrix inv;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            // The cofactor of (c, r), transposed.
            const int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
            inv[r][c] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / det;
        }
    }
    return inv;
}

Xyz XyzAtUnitY(Xy p)
{
    return {p.x / p.y, 1, (1 - p.x - p.y) / p.y};
}

const Matrix &XyzToLinearSrgb()
{
    static const Matrix m = [] {
        // IEC 61966-2-1: the primaries and the white, CIE 1931 (x, y).
        const Xy primaries[3] = {{0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}};
        const Xyz white = XyzAtUnitY({0.3127, 0.3290});
        Matrix unscaled;
        for (int c = 0; c < 3; ++c) {
            const Xyz p = XyzAtUnitY(primaries[c]);
            unscaled[0][c] = p.X;
            unscaled[1][c] = p.Y;
            unscaled[2][c] = p.Z;
        }
        // The weights of the primaries that make the white.
        const Matrix inverse = Inverse(unscaled);
        double weight[3];
        for (int r = 0; r < 3; ++r)
            weight[r] = inverse[r][0] * white.X + inverse[r][1] * white.Y + inverse[r][2] * white.Z;
        Matrix toXyz;
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c)
                toXyz[r][c] = unscaled[r][c] * weight[c];
        }
        return Inverse(toXyz);
    }();
    return m;
}

} // namespace

Rgb LinearSrgbOf(const Xyz &c)
{
    const Matrix &m = XyzToLinearSrgb();
    return {m[0][0] * c.X + m[0][1] * c.Y + m[0][2] * c.Z,
            m[1][0] * c.X + m[1][1] * c.Y + m[1][2] * c.Z,
            m[2][0] * c.X + m[2][1] * c.Y + m[2][2] * c.Z};
}

double SrgbEncoded(double linear)
{
    const double v = std::clamp(linear, 0.0, 1.0);
    return v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}

} // namespace colorimetry
