#pragma once
// The reference the colorimetry is checked against, written from the
// definitions and sharing no code with the library (only its plain point
// types): the CIE 1931 2° functions read from colord-data's file, the
// Planckian locus summed from Planck's law, and the nearest locus point in
// CIE 1960 (u, v) by brute force over a dense table, refined by golden-section
// search.

#include "colorimetry.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <vector>

namespace reference {

using colorimetry::Uv;
using colorimetry::Xy;

struct Cmf {
    std::vector<double> nm, xBar, yBar, zBar;
};

// The first BEGIN_DATA block of a colord .cmf file: the rows x̄, ȳ, z̄ over
// SPECTRAL_BANDS bands from SPECTRAL_START_NM to SPECTRAL_END_NM.
inline Cmf ReadCmf(const char *path)
{
    QFile file(QString::fromUtf8(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    double start = 0, end = 0;
    std::vector<std::vector<double>> rows;
    bool data = false;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f[0] == "SPECTRAL_START_NM") start = f.value(1).toDouble();
        if (f[0] == "SPECTRAL_END_NM") end = f.value(1).toDouble();
        if (f[0] == "END_DATA") break;
        if (data && !f[0].isEmpty()) {
            rows.emplace_back();
            for (const QByteArray &v : f)
                rows.back().push_back(v.toDouble());
        }
        data = data || f[0] == "BEGIN_DATA";
    }
    if (rows.size() != 3 || rows[0].size() < 2)
        return {};
    Cmf cmf{{}, rows[0], rows[1], rows[2]};
    for (std::size_t i = 0; i < rows[0].size(); ++i)
        cmf.nm.push_back(start + (end - start) * double(i) / double(rows[0].size() - 1));
    return cmf;
}

inline Uv UvOf(Xy p)
{
    const double d = -2 * p.x + 12 * p.y + 3;
    return {4 * p.x / d, 6 * p.y / d};
}

inline Xy XyOf(Uv p)
{
    const double d = 2 * p.u - 8 * p.v + 4;
    return {3 * p.u / d, 2 * p.v / d};
}

struct Nearest {
    double kelvin; // of the nearest locus point
    double duv;    // the distance to it, positive where v lies above it
};

class Planckian {
public:
    explicit Planckian(Cmf cmf) : cmf_(std::move(cmf))
    {
        // Evenly spaced in ln T, 400 K to 200000 K.
        for (double lnT = std::log(400.0); lnT < std::log(2e5); lnT += 0.002)
            table_.push_back({lnT, Locus(std::exp(lnT))});
    }

    // Spectral radiance ∝ λ⁻⁵ / (exp(c2 / (λT)) − 1), λ in metres.
    Uv Locus(double kelvin) const
    {
        double X = 0, Y = 0, Z = 0;
        for (std::size_t i = 0; i < cmf_.nm.size(); ++i) {
            const double m = cmf_.nm[i] * 1e-9;
            const double radiance = 1 / (m * m * m * m * m * std::expm1(1.4388e-2 / (m * kelvin)));
            X += radiance * cmf_.xBar[i];
            Y += radiance * cmf_.yBar[i];
            Z += radiance * cmf_.zBar[i];
        }
        return {4 * X / (X + 15 * Y + 3 * Z), 6 * Y / (X + 15 * Y + 3 * Z)};
    }

    // The point at duv from the locus at T along its normal (up in v).
    Xy Offset(double kelvin, double duv) const
    {
        const Uv a = Locus(kelvin * std::exp(1e-4)), b = Locus(kelvin * std::exp(-1e-4)), p = Locus(kelvin);
        const double nu = a.v - b.v, nv = b.u - a.u, len = std::hypot(nu, nv) * (nv < 0 ? -1 : 1);
        return XyOf({p.u + duv * nu / len, p.v + duv * nv / len});
    }

    // The nearest table entry, then golden-section search on ln T between
    // its neighbours.
    Nearest NearestTo(Xy xy) const
    {
        const Uv p = UvOf(xy);
        const auto best = std::min_element(table_.begin(), table_.end(), [&](const Entry &a, const Entry &b) {
            return Distance2(p, a.uv) < Distance2(p, b.uv);
        });
        const std::size_t i = std::clamp<std::size_t>(best - table_.begin(), 1, table_.size() - 2);
        const double g = (std::sqrt(5.0) - 1) / 2;
        double lo = table_[i - 1].lnT, hi = table_[i + 1].lnT;
        double a = hi - g * (hi - lo), b = lo + g * (hi - lo);
        double fa = Distance2(p, Locus(std::exp(a))), fb = Distance2(p, Locus(std::exp(b)));
        while (hi - lo > 1e-10) {
            if (fa < fb) {
                hi = b, b = a, fb = fa, a = hi - g * (hi - lo);
                fa = Distance2(p, Locus(std::exp(a)));
            } else {
                lo = a, a = b, fa = fb, b = lo + g * (hi - lo);
                fb = Distance2(p, Locus(std::exp(b)));
            }
        }
        const double kelvin = std::exp((lo + hi) / 2);
        const Uv q = Locus(kelvin);
        return {kelvin, std::copysign(std::sqrt(Distance2(p, q)), p.v - q.v)};
    }

    const Cmf &cmf() const { return cmf_; }

private:
    struct Entry {
        double lnT;
        Uv uv;
    };
    static double Distance2(Uv a, Uv b) { return (a.u - b.u) * (a.u - b.u) + (a.v - b.v) * (a.v - b.v); }

    Cmf cmf_;
    std::vector<Entry> table_;
};

} // namespace reference
