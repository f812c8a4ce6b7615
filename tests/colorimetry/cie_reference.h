#pragma once
// References the colorimetry is checked against, written from the
// definitions and sharing no code with the library: the CIE 1931 2°
// functions read from colord-data's file, the Planckian locus summed from
// Planck's law, and the nearest locus point in CIE 1960 (u, v) found by brute
// force over a dense table, refined by golden-section search.

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

namespace reference {

struct Cmf {
    std::vector<double> nm, xBar, yBar, zBar;
};

// The first BEGIN_DATA block of a colord .cmf file: three rows (x̄, ȳ, z̄),
// one band each from SPECTRAL_START_NM in steps up to SPECTRAL_END_NM.
inline Cmf ReadCmf(const char *path)
{
    Cmf cmf;
    QFile file(QString::fromUtf8(path));
    if (!file.open(QIODevice::ReadOnly))
        return cmf;
    double start = 0, end = 0;
    int bands = 0;
    std::vector<std::vector<double>> rows;
    bool inData = false;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() == 2 && f[0] == "SPECTRAL_START_NM") start = f[1].toDouble();
        if (f.size() == 2 && f[0] == "SPECTRAL_END_NM") end = f[1].toDouble();
        if (f.size() == 2 && f[0] == "SPECTRAL_BANDS") bands = f[1].toInt();
        if (line == "BEGIN_DATA") { inData = true; continue; }
        if (line == "END_DATA") break;
        if (!inData || line.isEmpty())
            continue;
        std::vector<double> row;
        for (const QByteArray &v : f)
            row.push_back(v.toDouble());
        rows.push_back(row);
    }
    if (rows.size() != 3 || bands < 2)
        return cmf;
    for (int i = 0; i < bands; ++i)
        cmf.nm.push_back(start + (end - start) * i / (bands - 1));
    cmf.xBar = rows[0];
    cmf.yBar = rows[1];
    cmf.zBar = rows[2];
    return cmf;
}

struct UvPoint {
    double u, v;
};

inline UvPoint UvOf(double x, double y)
{
    const double d = -2 * x + 12 * y + 3;
    return {4 * x / d, 6 * y / d};
}

inline void XyOf(UvPoint p, double &x, double &y)
{
    const double d = 2 * p.u - 8 * p.v + 4;
    x = 3 * p.u / d;
    y = 2 * p.v / d;
}

struct Nearest {
    double kelvin; // of the nearest locus point
    double duv;    // signed distance, positive where v lies above that point
};

class Planckian {
public:
    explicit Planckian(Cmf cmf) : cmf_(std::move(cmf))
    {
        // Temperatures evenly spaced in ln T from 400 K to 200000 K.
        for (double lnT = std::log(400.0); lnT < std::log(2e5); lnT += kTableStep)
            table_.push_back({lnT, Locus(std::exp(lnT))});
    }

    // Planck's law, spectral radiance ∝ λ⁻⁵ / (exp(c2 / (λT)) − 1), λ in
    // metres, summed over the bands.
    UvPoint Locus(double kelvin) const
    {
        double X = 0, Y = 0, Z = 0;
        for (std::size_t i = 0; i < cmf_.nm.size(); ++i) {
            const double m = cmf_.nm[i] * 1e-9;
            const double radiance = 1 / (m * m * m * m * m * std::expm1(1.4388e-2 / (m * kelvin)));
            X += radiance * cmf_.xBar[i];
            Y += radiance * cmf_.yBar[i];
            Z += radiance * cmf_.zBar[i];
        }
        const double d = X + 15 * Y + 3 * Z;
        return {4 * X / d, 6 * Y / d};
    }

    // The unit normal of the locus at the temperature, pointing up in v.
    UvPoint Normal(double kelvin) const
    {
        const UvPoint a = Locus(kelvin * std::exp(1e-4)), b = Locus(kelvin * std::exp(-1e-4));
        double nu = a.v - b.v, nv = -(a.u - b.u);
        const double len = std::hypot(nu, nv) * (nv < 0 ? -1 : 1);
        return {nu / len, nv / len};
    }

    // The point at duv from the locus at the temperature, along its normal.
    UvPoint Offset(double kelvin, double duv) const
    {
        const UvPoint p = Locus(kelvin), n = Normal(kelvin);
        return {p.u + duv * n.u, p.v + duv * n.v};
    }

    // Brute force over the table, then golden-section search on ln T between
    // the neighbours of the nearest entry.
    Nearest NearestTo(UvPoint p) const
    {
        std::size_t best = 0;
        for (std::size_t i = 1; i < table_.size(); ++i)
            if (Distance2(p, table_[i].uv) < Distance2(p, table_[best].uv))
                best = i;
        best = std::min(std::max<std::size_t>(best, 1), table_.size() - 2);
        double lo = table_[best - 1].lnT, hi = table_[best + 1].lnT;
        const double g = (std::sqrt(5.0) - 1) / 2;
        double a = hi - g * (hi - lo), b = lo + g * (hi - lo);
        double fa = Distance2(p, Locus(std::exp(a))), fb = Distance2(p, Locus(std::exp(b)));
        while (hi - lo > 1e-10) {
            if (fa < fb) {
                hi = b; b = a; fb = fa;
                a = hi - g * (hi - lo);
                fa = Distance2(p, Locus(std::exp(a)));
            } else {
                lo = a; a = b; fa = fb;
                b = lo + g * (hi - lo);
                fb = Distance2(p, Locus(std::exp(b)));
            }
        }
        const double kelvin = std::exp((lo + hi) / 2);
        const UvPoint q = Locus(kelvin);
        const double d = std::sqrt(Distance2(p, q));
        return {kelvin, p.v >= q.v ? d : -d};
    }

    const Cmf &cmf() const { return cmf_; }

private:
    static constexpr double kTableStep = 0.002;
    struct Entry {
        double lnT;
        UvPoint uv;
    };
    static double Distance2(UvPoint a, UvPoint b)
    {
        return (a.u - b.u) * (a.u - b.u) + (a.v - b.v) * (a.v - b.v);
    }

    Cmf cmf_;
    std::vector<Entry> table_;
};

} // namespace reference
