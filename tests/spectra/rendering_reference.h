#pragma once
// The reference the spectral figures are checked against, written from the
// definitions and sharing no code with the library: the observer and the
// daylight components read from colord-data's files, the test colour
// samples from the tree's CSV tables, each band interpolated by a search
// over every pair of samples or, for data finer than 5 nm, integrated
// through its triangle by two-point Gauss quadrature between every pair of
// breakpoints and corrected by a twelfth of the second difference, the CCT
// by brute force (cie_reference.h), and CIE 13.3 step by step, one sample
// at a time.

#include "cie_reference.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace rendering_reference {

constexpr int kBands = 81; // 380–780 nm at 5 nm
constexpr int kWide = 95;  // 360–830 nm at 5 nm, band 4 at 380 nm

struct Sampled {
    std::vector<double> nm, value;
};

// The straight line through the two samples around nm; a sample at nm
// itself is taken as it is.
inline double At(const Sampled &s, double nm)
{
    for (std::size_t i = 0; i < s.nm.size(); ++i) {
        if (s.nm[i] == nm)
            return s.value[i];
    }
    for (std::size_t i = 0; i + 1 < s.nm.size(); ++i) {
        const double a = s.nm[i], b = s.nm[i + 1];
        if (a < nm && nm < b)
            return (s.value[i] * (b - nm) + s.value[i + 1] * (nm - a)) / (b - a);
    }
    return NAN;
}

// The samples drawn linearly at `step` from the first wavelength on.
inline Sampled Resampled(const Sampled &native, double step)
{
    Sampled s;
    if (native.nm.empty())
        return s;
    for (double nm = native.nm.front(); nm <= native.nm.back() + 1e-9; nm += step) {
        s.nm.push_back(nm);
        s.value.push_back(At(native, nm));
    }
    return s;
}

using Bands = std::array<double, kBands>;
using Wide = std::array<double, kWide>;

inline Bands OnBands(const Sampled &s)
{
    Bands b;
    for (int i = 0; i < kBands; ++i)
        b[i] = At(s, 380 + 5 * i);
    return b;
}

// ∫ S(λ)·(1 − |λ − c| / h) dλ / h over c ± h nm (5 nm unless said), S the
// line through the samples: Gauss–Legendre with two points between
// consecutive breakpoints (the samples and the triangle's corners), exact
// for the product of two lines.
inline double ThroughTriangle(const Sampled &s, double c, double h = 5)
{
    std::vector<double> cuts{c - h, c, c + h};
    for (double nm : s.nm)
        if (nm > c - h && nm < c + h)
            cuts.push_back(nm);
    std::sort(cuts.begin(), cuts.end());
    double sum = 0;
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        const double mid = (cuts[i] + cuts[i + 1]) / 2, half = (cuts[i + 1] - cuts[i]) / 2;
        for (double g : {-1 / std::sqrt(3.0), 1 / std::sqrt(3.0)}) {
            const double nm = mid + g * half;
            sum += half * At(s, nm) * (1 - std::fabs(nm - c) / h);
        }
    }
    return sum / h;
}

// The bands of 360–830 nm where the samples cover it (else of 380–780 nm,
// the rest 0), and whether they do.
inline bool OnWideBands(const Sampled &s, Wide &w)
{
    const bool wide = s.nm.front() <= 360 && s.nm.back() >= 830;
    const int first = wide ? 0 : 4, last = wide ? kWide - 1 : 84;
    const double lo = 360 + 5 * first - 5, hi = 360 + 5 * last + 5;
    double widest = 0;
    for (std::size_t i = 0; i + 1 < s.nm.size(); ++i)
        if (s.nm[i + 1] > lo && s.nm[i] < hi)
            widest = std::max(widest, s.nm[i + 1] - s.nm[i]);
    w.fill(0);
    std::vector<bool> triangle(kWide, false);
    for (int i = first; i <= last; ++i) {
        const double c = 360 + 5 * i;
        triangle[i] = widest < 5 && s.nm.front() <= c - 5 && s.nm.back() >= c + 5;
        w[i] = triangle[i] ? ThroughTriangle(s, c) : At(s, c);
    }
    const Wide plain = w;
    for (int i = first + 1; i < last; ++i)
        if (triangle[i])
            w[i] = plain[i] - (plain[i - 1] - 2 * plain[i] + plain[i + 1]) / 12;
    return wide;
}

struct Tables {
    Wide wx, wy, wz;     // CIE 1931 2° over 360–830 nm
    Bands x, y, z;       // CIE 1931 2°
    Bands s0, s1, s2;    // daylight components
    std::array<Bands, 15> samples; // TCS01 … TCS15
};

// The bands of a table read from a file over its own wavelengths.
inline Bands Pick(const std::vector<double> &nm, const std::vector<double> &value)
{
    return OnBands({nm, value});
}

// A CSV "nm,TCS…" of the tree: its columns from the second on.
inline std::vector<Bands> ReadSampleCsv(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    std::vector<double> nm;
    std::vector<std::vector<double>> columns;
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    for (int l = 1; l < lines.size(); ++l) {
        const QList<QByteArray> cells = lines[l].trimmed().split(',');
        nm.push_back(cells[0].toDouble());
        columns.resize(std::size_t(cells.size() - 1));
        for (int c = 1; c < cells.size(); ++c)
            columns[std::size_t(c - 1)].push_back(cells[c].toDouble());
    }
    std::vector<Bands> out;
    for (const auto &column : columns)
        out.push_back(Pick(nm, column));
    return out;
}

inline Tables ReadTables(const char *cmfFile, const char *daylightFile, const QString &dataDir)
{
    Tables t{};
    const reference::Cmf cmf = reference::ReadCmf(cmfFile);
    const reference::Cmf daylight = reference::ReadCmf(daylightFile);
    t.x = Pick(cmf.nm, cmf.xBar);
    t.y = Pick(cmf.nm, cmf.yBar);
    t.z = Pick(cmf.nm, cmf.zBar);
    for (int i = 0; i < kWide; ++i) {
        t.wx[i] = At({cmf.nm, cmf.xBar}, 360 + 5 * i);
        t.wy[i] = At({cmf.nm, cmf.yBar}, 360 + 5 * i);
        t.wz[i] = At({cmf.nm, cmf.zBar}, 360 + 5 * i);
    }
    t.s0 = Pick(daylight.nm, daylight.xBar);
    t.s1 = Pick(daylight.nm, daylight.yBar);
    t.s2 = Pick(daylight.nm, daylight.zBar);
    std::vector<Bands> samples = ReadSampleCsv(dataDir + "/tcs01-14_cie13.3.csv");
    for (const Bands &b : ReadSampleCsv(dataDir + "/tcs15_jis-z8726.csv"))
        samples.push_back(b);
    for (std::size_t i = 0; i < samples.size() && i < 15; ++i)
        t.samples[i] = samples[i];
    return t;
}

struct Figures {
    double X = 0, Y = 0, Z = 0, x = 0, y = 0;
    double cct = 0, duv = 0;
    double ra = 0;
    std::array<double, 15> r{};
    double peakNm = NAN; // NaN: no peak
    std::optional<double> fwhmNm;
    double ler = 0;
};

struct Colour {
    double Y, u, v;
};

// Y (the light's own scaled to 100) and CIE 1960 (u, v) of a sample under a light.
inline Colour UnderLight(const Bands &light, const Bands &reflectance, const Tables &t)
{
    double X = 0, Y = 0, Z = 0, white = 0;
    for (int i = 0; i < kBands; ++i) {
        const double s = light[i] * reflectance[i];
        X += s * t.x[i];
        Y += s * t.y[i];
        Z += s * t.z[i];
        white += light[i] * t.y[i];
    }
    const double d = X + 15 * Y + 3 * Z;
    return {100 * Y / white, 4 * X / d, 6 * Y / d};
}

// The daylight locus of CIE 15 and S0 + M1·S1 + M2·S2.
inline Bands Daylight(double T, const Tables &t)
{
    const double xD = T <= 7000 ? 0.244063 + 0.09911e3 / T + 2.9678e6 / (T * T) - 4.6070e9 / (T * T * T)
                                : 0.237040 + 0.24748e3 / T + 1.9018e6 / (T * T) - 2.0064e9 / (T * T * T);
    const double yD = -3 * xD * xD + 2.87 * xD - 0.275;
    const double M = 0.0241 + 0.2562 * xD - 0.7341 * yD;
    const double M1 = (-1.3515 - 1.7703 * xD + 5.9114 * yD) / M;
    const double M2 = (0.03 - 31.4424 * xD + 30.0717 * yD) / M;
    Bands b;
    for (int i = 0; i < kBands; ++i)
        b[i] = t.s0[i] + M1 * t.s1[i] + M2 * t.s2[i];
    return b;
}

inline Bands Planck(double T)
{
    Bands b;
    for (int i = 0; i < kBands; ++i) {
        const double m = (380 + 5 * i) * 1e-9;
        b[i] = std::pow(m, -5) / (std::exp(1.4388e-2 / (m * T)) - 1);
    }
    return b;
}

// Ra and R1–R15 of a light at the temperature, CIE 13.3 written out.
inline void Rendering(const Bands &light, double T, const Tables &t, Figures &f)
{
    const Bands ref = T < 5000 ? Planck(T) : Daylight(T, t);
    Bands one;
    one.fill(1);
    const Colour k = UnderLight(light, one, t), r = UnderLight(ref, one, t);
    auto c = [](double u, double v) { return (4 - u - 10 * v) / v; };
    auto d = [](double u, double v) { return (1.708 * v + 0.404 - 1.481 * u) / v; };
    const double ck = c(k.u, k.v), dk = d(k.u, k.v), cr = c(r.u, r.v), dr = d(r.u, r.v);
    auto adapt = [&](double u, double v, double &ua, double &va) {
        const double ci = c(u, v), di = d(u, v);
        const double den = 16.518 + 1.481 * (cr / ck) * ci - (dr / dk) * di;
        ua = (10.872 + 0.404 * (cr / ck) * ci - 4 * (dr / dk) * di) / den;
        va = 5.520 / den;
    };
    double uk0, vk0;
    adapt(k.u, k.v, uk0, vk0);
    double sum = 0;
    for (int i = 0; i < 15; ++i) {
        const Colour ri = UnderLight(ref, t.samples[std::size_t(i)], t);
        const Colour ki = UnderLight(light, t.samples[std::size_t(i)], t);
        double ua, va;
        adapt(ki.u, ki.v, ua, va);
        const double Wr = 25 * std::pow(ri.Y, 1.0 / 3) - 17, Wk = 25 * std::pow(ki.Y, 1.0 / 3) - 17;
        const double Ur = 13 * Wr * (ri.u - r.u), Vr = 13 * Wr * (ri.v - r.v);
        const double Uk = 13 * Wk * (ua - uk0), Vk = 13 * Wk * (va - vk0);
        f.r[std::size_t(i)] = 100 - 4.6 * std::sqrt((Ur - Uk) * (Ur - Uk) + (Vr - Vk) * (Vr - Vk) + (Wr - Wk) * (Wr - Wk));
        if (i < 8)
            sum += f.r[std::size_t(i)];
    }
    f.ra = sum / 8;
}

// The crossing of half the peak between the measured samples a and b, by
// bisection on the line through them.
inline double Crossing(const Sampled &s, std::size_t a, std::size_t b, double half)
{
    double lo = s.nm[a], hi = s.nm[b];
    const bool risingFromLo = s.value[a] < half;
    for (int i = 0; i < 200 && hi - lo > 1e-12; ++i) {
        const double mid = (lo + hi) / 2;
        const double v = s.value[a] + (s.value[b] - s.value[a]) * (mid - s.nm[a]) / (s.nm[b] - s.nm[a]);
        ((v < half) == risingFromLo ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

inline Figures Rate(const Sampled &s, const Tables &t, const reference::Planckian &locus)
{
    Figures f;
    Wide w;
    const bool wide = OnWideBands(s, w);
    Bands b;
    std::copy(w.begin() + 4, w.begin() + 4 + kBands, b.begin());
    double total = 0, luminous = 0;
    for (int i = 0; i < kBands; ++i) {
        total += b[i];
        luminous += b[i] * t.y[i];
    }
    for (int i = wide ? 0 : 4; i <= (wide ? kWide - 1 : 84); ++i) {
        f.X += w[i] * t.wx[i];
        f.Y += w[i] * t.wy[i];
        f.Z += w[i] * t.wz[i];
    }
    f.x = f.X / (f.X + f.Y + f.Z);
    f.y = f.Y / (f.X + f.Y + f.Z);
    f.ler = 683 * luminous / total;
    const reference::Nearest n = locus.NearestTo({f.x, f.y});
    f.cct = n.kelvin;
    f.duv = n.duv;
    Rendering(b, f.cct, t, f);

    // The largest sample inside 380–780 nm, the first of equals; at the
    // window's first or last sample it is a peak only where a sample beyond
    // is lower. The half crossings are looked for inside the window only.
    std::size_t peak = s.nm.size(), first = s.nm.size(), last = 0;
    for (std::size_t i = 0; i < s.nm.size(); ++i) {
        if (s.nm[i] < 380 || s.nm[i] > 780)
            continue;
        first = std::min(first, i);
        last = i;
        if (peak == s.nm.size() || s.value[i] > s.value[peak])
            peak = i;
    }
    if ((peak == first && (peak == 0 || s.value[peak - 1] >= s.value[peak]))
        || (peak == last && (peak + 1 == s.nm.size() || s.value[peak + 1] >= s.value[peak])))
        return f;
    f.peakNm = s.nm[peak];
    const double half = s.value[peak] / 2;
    std::optional<double> left, right;
    for (std::size_t i = peak; i > first && !left; --i) {
        if (s.value[i - 1] <= half)
            left = Crossing(s, i - 1, i, half);
    }
    for (std::size_t i = peak; i < last && !right; ++i) {
        if (s.value[i + 1] <= half)
            right = Crossing(s, i, i + 1, half);
    }
    if (left && right)
        f.fwhmNm = *right - *left;
    return f;
}

} // namespace rendering_reference
