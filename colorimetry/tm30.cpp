// TM-30 / CIE 224 colour fidelity and gamut on the 5 nm bands.
//
// Speed: each CES's reflectance times each 10° function is computed once, so
// that a light's 99 tristimulus values are one pass of multiply-adds over
// that table, for the test light and its reference together; the white's
// adaptation is folded into three scale factors (D = 1 makes the adapted
// white the same for every light). No call allocates.

#include "tm30.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>

// The work on one light is compiled twice where the compiler can: for any
// x86-64 processor, and for those with AVX2, which take four numbers per
// instruction where the other takes two (the same arithmetic in the same
// order: the same figures). Its parts are inlined into each.
#if defined(__GNUC__) && defined(__x86_64__)
#define NORVAK_TM30_AVX2 1
#define NORVAK_INLINED [[gnu::always_inline]] inline
#else
#define NORVAK_INLINED inline
#endif

namespace colorimetry {

namespace {

// Below this CCT the reference is Planck's radiator, from the next on CIE
// daylight, between them the two mixed.
constexpr double kPlanckBelow = 4000, kDaylightAbove = 5000;

// ---- The samples -------------------------------------------------------

struct CesRow {
    double nm;
    double r[kCesCount];
};

// 380–780 nm at 5 nm; generated from colorimetry/data/ces01-99_cie224-2017_5nm.csv.
constexpr CesRow kCes[] = {
#include "ces_table.inc"
};
static_assert(std::size(kCes) == kBandCount && kCes[0].nm == kFirstBandNm
              && kCes[kBandCount - 1].nm == kLastBandNm);

// Rows of the sums padded to an even length, so that the compiler sums two
// samples per instruction without a remainder loop. The padding repeats the
// first sample: a colour like any other all the way through.
constexpr std::size_t kPadded = kCesCount + 1;

struct SampleTables {
    std::array<Bands, kCesCount> reflectance;
    // product[band][f][sample]: the sample's reflectance times x̄10, ȳ10 or z̄10.
    double product[kBandCount][3][kPadded];
};

const SampleTables &Samples()
{
    static const SampleTables *const tables = [] {
        auto *t = new SampleTables{};
        const Bands *observer[3] = {&XBar10(), &YBar10(), &ZBar10()};
        for (std::size_t k = 0; k < kBandCount; ++k) {
            for (std::size_t i = 0; i < kCesCount; ++i) {
                t->reflectance[i][k] = kCes[k].r[i];
                for (int f = 0; f < 3; ++f)
                    t->product[k][f][i] = kCes[k].r[i] * (*observer[f])[k];
            }
            for (int f = 0; f < 3; ++f)
                t->product[k][f][kCesCount] = t->product[k][f][0];
        }
        return t;
    }();
    return *tables;
}

// ---- CIECAM02 under TM-30's viewing conditions ----------------------------

// CAT02 and Hunt–Pointer–Estévez (CIE 159).
constexpr double kCat02[3][3] = {
    {0.7328, 0.4296, -0.1624},
    {-0.7036, 1.6975, 0.0061},
    {0.0030, 0.0136, 0.9834},
};
constexpr double kHpe[3][3] = {
    {0.38971, 0.68898, -0.07868},
    {-0.22981, 1.18340, 0.04641},
    {0.0, 0.0, 1.0},
};

struct Viewing {
    double toHpe[3][3]; // HPE · CAT02⁻¹: adapted CAT02 RGB to cone responses
    double fl;          // luminance adaptation factor F_L
    double nbb;         // N_bb = N_cb
    double cz;          // c·z, the exponent of lightness
    double chromaFactor; // (1.64 − 0.29ⁿ)^0.73 · F_L^0.25: t^0.9·√(J/100) to M
    double inverseAWhite; // 1 / the achromatic response of the adapted white
    double cos2, sin2;  // cos 2, sin 2 (radians), for the eccentricity
    double tFactor;     // 50000/13 · N_c · N_cb
};

const Viewing &Conditions()
{
    static const Viewing v = [] {
        Viewing c{};
        constexpr double la = 100; // adapting luminance, cd/m²
        constexpr double yb = 20;  // background, relative to the white's 100
        constexpr double surroundC = 0.69, surroundNc = 1.0; // average surround
        const double k = 1 / (5 * la + 1);
        const double k4 = k * k * k * k;
        c.fl = 0.2 * k4 * (5 * la) + 0.1 * (1 - k4) * (1 - k4) * std::cbrt(5 * la);
        const double n = yb / 100;
        c.nbb = 0.725 * std::pow(1 / n, 0.2);
        c.cz = surroundC * (1.48 + std::sqrt(n));
        c.chromaFactor = std::pow(1.64 - std::pow(0.29, n), 0.73) * std::pow(c.fl, 0.25);
        c.tFactor = 50000.0 / 13 * surroundNc * c.nbb;

        // CAT02⁻¹ by cofactors, then HPE · CAT02⁻¹.
        const double(&m)[3][3] = kCat02;
        const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1])
                           - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0])
                           + m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
        double inv[3][3];
        for (int r = 0; r < 3; ++r) {
            for (int col = 0; col < 3; ++col) {
                const int r1 = (col + 1) % 3, r2 = (col + 2) % 3;
                const int c1 = (r + 1) % 3, c2 = (r + 2) % 3;
                inv[r][col] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / det;
            }
        }
        for (int r = 0; r < 3; ++r)
            for (int col = 0; col < 3; ++col)
                c.toHpe[r][col] = kHpe[r][0] * inv[0][col] + kHpe[r][1] * inv[1][col]
                                  + kHpe[r][2] * inv[2][col];

        // The adapted white is R_c = G_c = B_c = 100 whatever the light.
        double white[3];
        for (int r = 0; r < 3; ++r) {
            const double response = 100 * (c.toHpe[r][0] + c.toHpe[r][1] + c.toHpe[r][2]);
            const double x = c.fl * std::fabs(response) * 0.01;
            const double p = x > 0 ? std::exp(0.42 * std::log(x)) : 0;
            white[r] = std::copysign(400 * p / (p + 27.13), response) + 0.1;
        }
        c.inverseAWhite = 1 / ((2 * white[0] + white[1] + white[2] / 20 - 0.305) * c.nbb);
        c.cos2 = std::cos(2.0);
        c.sin2 = std::sin(2.0);
        return c;
    }();
    return v;
}

// CAM02-UCS (Luo, Cui and Li 2006).
constexpr double kUcsC1 = 0.007;
constexpr double kUcsC2 = 0.0228;

// ---- exp and ln, a batch at a time ------------------------------------------
//
// A light's figures take about 2400 exponentials and logarithms. These are
// written so that the compiler computes two (or four) at once: no branch,
// no table, only arithmetic and the bits of the doubles. Within 2 units in
// the last place of the library's; a value outside their range (see
// ExpInPlace, LogInPlace) is passed to the library's instead.

// e^x for |x| ≤ 700: x = k·ln 2 + r, |r| ≤ ln 2 / 2, then e^r by its Taylor
// series to r¹⁴/14! (below 5·10⁻¹⁸ of it), and 2^k into the exponent.
NORVAK_INLINED double ExpKernel(double x)
{
    constexpr double kLog2e = 1.4426950408889634;
    constexpr double kLn2Hi = 0x1.62e42feep-1; // ln 2 to 32 bits: k·kLn2Hi is exact
    constexpr double kLn2Lo = 0x1.a39ef35793c76p-33;
    constexpr double kShift = 0x1.8p52; // adding it rounds to a whole number
    const double shifted = x * kLog2e + kShift;
    const double k = shifted - kShift;
    const double r = (x - k * kLn2Hi) - k * kLn2Lo;
    double p = 1.0 / 87178291200; // 1/14!
    p = p * r + 1.0 / 6227020800;
    p = p * r + 1.0 / 479001600;
    p = p * r + 1.0 / 39916800;
    p = p * r + 1.0 / 3628800;
    p = p * r + 1.0 / 362880;
    p = p * r + 1.0 / 40320;
    p = p * r + 1.0 / 5040;
    p = p * r + 1.0 / 720;
    p = p * r + 1.0 / 120;
    p = p * r + 1.0 / 24;
    p = p * r + 1.0 / 6;
    p = p * r + 0.5;
    p = p * r + 1;
    p = p * r + 1;
    // The low bits of `shifted` hold k: shifted into the exponent field.
    return std::bit_cast<double>(std::bit_cast<std::uint64_t>(p) + (std::bit_cast<std::uint64_t>(shifted) << 52));
}

// ln x for a positive normal x: x = 2^k·z, z in [0.69, 1.39), f = z − 1,
// s = f/(2 + f), ln z = f − s·(f − R), R = Σ 2s²ʲ/(2j + 1) to j = 10 (below
// 2·10⁻¹⁷ of it), summed as fdlibm sums it.
NORVAK_INLINED double LogKernel(double x)
{
    constexpr std::uint64_t kOffset = 0x3fe6955500000000; // the bits of about 0.69
    constexpr double kLn2Hi = 0x1.62e42feep-1;
    constexpr double kLn2Lo = 0x1.a39ef35793c76p-33;
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    const std::uint64_t above = bits - kOffset; // wraps below the offset: its top bits are k's
    const std::uint64_t kBiased = (above + (std::uint64_t(2048) << 52)) >> 52; // k + 2048, 0…4095
    const double k = (std::bit_cast<double>(kBiased | 0x4330000000000000) - 0x1p52) - 2048;
    const double z = std::bit_cast<double>(bits - (above & 0xfff0000000000000));
    const double f = z - 1;
    const double s = f / (2 + f);
    const double s2 = s * s;
    double r = 2.0 / 21;
    r = r * s2 + 2.0 / 19;
    r = r * s2 + 2.0 / 17;
    r = r * s2 + 2.0 / 15;
    r = r * s2 + 2.0 / 13;
    r = r * s2 + 2.0 / 11;
    r = r * s2 + 2.0 / 9;
    r = r * s2 + 2.0 / 7;
    r = r * s2 + 2.0 / 5;
    r = r * s2 + 2.0 / 3;
    r *= s2;
    const double halfSquare = 0.5 * f * f;
    return k * kLn2Hi - ((halfSquare - (s * (halfSquare + r) + k * kLn2Lo)) - f);
}

// The upper 32 bits of a double: sign, exponent and the top of the
// fraction, enough to tell a kernel's range (kept in 64 bits, as wide as the
// double, so that the compiler takes as many of both at once).
NORVAK_INLINED std::uint64_t High(double x)
{
    return std::bit_cast<std::uint64_t>(x) >> 32;
}

// Where the kernels do not hold, told from a value's upper 32 bits:
// |x| ≥ 700 (and not a number) for e^x; not in [2⁻¹⁰²², 2¹⁰²³) (zero,
// negative, subnormal, huge, not a number) for ln x.
// (1 or 0 by additions and shifts, not comparisons: the vector instructions
// every x86-64 processor has do not compare 64-bit numbers.)
NORVAK_INLINED std::uint64_t OutsideExp(std::uint64_t high)
{
    return ((high & 0x7fffffff) + (0x80000000 - 0x4085e000)) >> 31; // |x| high word ≥ that of 700
}

NORVAK_INLINED std::uint64_t OutsideLog(std::uint64_t high)
{
    const std::uint64_t fromLeast = (high - 0x00100000) & 0xffffffff; // wraps below 2⁻¹⁰²²
    return (fromLeast + (0x100000000 - (0x7fe00000 - 0x00100000))) >> 32;
}

double LibraryExp(double x)
{
    return std::exp(x);
}

double LibraryLog(double x)
{
    return std::log(x);
}

// In place, N at a time: the kernel over all (the compiler makes it vector
// instructions: no branch in it), then, only where some value lies outside
// its range, the library's function for those.
template <double Kernel(double), std::uint64_t Outside(std::uint64_t), double Library(double), std::size_t N>
NORVAK_INLINED void InPlace(double (&v)[N])
{
    double in[N];
    std::copy(v, v + N, in);
    std::uint64_t outside = 0;
    for (std::size_t i = 0; i < N; ++i) {
        v[i] = Kernel(in[i]);
        outside |= Outside(High(in[i]));
    }
    for (std::size_t i = 0; outside && i < N; ++i) {
        if (Outside(High(in[i])))
            v[i] = Library(in[i]);
    }
}

template <std::size_t N>
NORVAK_INLINED void ExpInPlace(double (&v)[N])
{
    InPlace<ExpKernel, OutsideExp, LibraryExp>(v);
}

template <std::size_t N>
NORVAK_INLINED void LogInPlace(double (&v)[N])
{
    InPlace<LogKernel, OutsideLog, LibraryLog>(v);
}

double Exp(double x)
{
    double v[1] = {x};
    ExpInPlace(v);
    return v[0];
}

double Log(double x)
{
    double v[1] = {x};
    LogInPlace(v);
    return v[0];
}

// ---- Hue bins -------------------------------------------------------------

// The hue bin of (a, b): ⌊h / 22.5°⌋, h = atan2(b, a) in [0°, 360°), by
// comparisons within the quarter of the plane that holds the point rather
// than through the angle (0 for (0, 0) and for a point that is not finite).
std::size_t HueBin(double a, double b)
{
    if (!std::isfinite(a) || !std::isfinite(b))
        return 0; // the figures will not be finite either
    // Turned by whole quarters to x > 0, y ≥ 0: [0°, 90°) of that quarter.
    std::size_t quarter;
    double x, y;
    if (a > 0 && b >= 0)
        quarter = 0, x = a, y = b;
    else if (a <= 0 && b > 0)
        quarter = 1, x = b, y = -a;
    else if (a < 0 && b <= 0)
        quarter = 2, x = -a, y = -b;
    else if (a >= 0 && b < 0)
        quarter = 3, x = -b, y = a;
    else
        return 0;
    constexpr double kTan22_5 = 0.41421356237309503;  // √2 − 1
    constexpr double kTan67_5 = 2.4142135623730949;   // √2 + 1
    return 4 * quarter + (y >= x * kTan22_5) + (y >= x) + (y >= x * kTan67_5);
}

// Twice the signed area of the polygon through the bins' points, in order.
template <typename Point>
double TwiceArea(const std::array<Tm30HueBin, kHueBinCount> &bins, Point point)
{
    double sum = 0;
    for (std::size_t j = 0; j < kHueBinCount; ++j) {
        const auto [a0, b0] = point(bins[j]);
        const auto [a1, b1] = point(bins[(j + 1) % kHueBinCount]);
        sum += a0 * b1 - a1 * b0;
    }
    return sum;
}

Tm30Result Undefined(const CctResult &cct)
{
    Tm30Result r;
    r.cct = cct;
    return r;
}

bool Positive(const Xyz &white)
{
    return std::isfinite(white.X) && std::isfinite(white.Y) && std::isfinite(white.Z)
           && white.Y > 0;
}

} // namespace

const Bands &CesReflectance(std::size_t i)
{
    return Samples().reflectance[i];
}

double FidelityFromDeltaE(double deltaE)
{
    return 10 * Log(Exp((100 - 6.73 * deltaE) / 10) + 1);
}

Bands Tm30Reference(double kelvin)
{
    if (kelvin < kPlanckBelow)
        return PlanckianBands(kelvin);
    Bands daylight = DaylightBands(kelvin);
    if (kelvin >= kDaylightAbove)
        return daylight;
    const Bands planck = PlanckianBands(kelvin);
    const double m = (kelvin - kPlanckBelow) / (kDaylightAbove - kPlanckBelow);
    const double planckWeight = (1 - m) / Tristimulus10(planck).Y;
    const double daylightWeight = m / Tristimulus10(daylight).Y;
    for (std::size_t k = 0; k < kBandCount; ++k)
        daylight[k] = planckWeight * planck[k] + daylightWeight * daylight[k];
    return daylight;
}

Cam02Ucs::Cam02Ucs(const Xyz &white)
{
    const Viewing &v = Conditions();
    double scale[3];
    for (int r = 0; r < 3; ++r)
        scale[r] = 100 / (kCat02[r][0] * white.X + kCat02[r][1] * white.Y + kCat02[r][2] * white.Z);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            toCones_[r][c] = v.toHpe[r][0] * scale[0] * kCat02[0][c] + v.toHpe[r][1] * scale[1] * kCat02[1][c]
                             + v.toHpe[r][2] * scale[2] * kCat02[2][c];
}

namespace {

// FidelityFromDeltaE of each value, in place.
template <std::size_t N>
NORVAK_INLINED void FidelitiesInPlace(double (&v)[N])
{
    for (double &x : v)
        x = (100 - 6.73 * x) / 10;
    ExpInPlace(v);
    for (double &x : v)
        x += 1;
    LogInPlace(v);
    for (double &x : v)
        x *= 10;
}

// cos and sin of each hue bin's middle direction.
const std::array<std::pair<double, double>, kHueBinCount> &BinMiddles()
{
    static const auto middles = [] {
        std::array<std::pair<double, double>, kHueBinCount> m;
        for (std::size_t j = 0; j < kHueBinCount; ++j) {
            const double middle = (static_cast<double>(j) + 0.5) * kHueBinDegrees * (std::numbers::pi / 180);
            m[j] = {std::cos(middle), std::sin(middle)};
        }
        return m;
    }();
    return middles;
}

// Colours of samples in arrays: X, Y and Z, or J′, a′ and b′, of each.
using SampleColumns = double[3][kPadded];

// CIECAM02 under TM-30's viewing conditions, then CAM02-UCS, of the first
// N samples of `sums` seen under one light (toCones from its white), a step
// at a time over all of them.
template <std::size_t N>
NORVAK_INLINED void Cam02UcsOf(const double (&toCones)[3][3], const SampleColumns &sums, SampleColumns &ucs)
{
    static_assert(N <= kPadded);
    const Viewing &v = Conditions();
    // (Each step is done for all samples alike and stored, a choice taken
    // after it from what was stored: the compiler then works on several
    // samples at once.)
    //
    // Cone responses adapted to the white (D = 1), compressed (CIE 159, odd
    // in the response): x^0.42 as exp(0.42·ln x), none for x = 0.
    double cone[3 * N], power[3 * N], compressed[3 * N];
    for (std::size_t r = 0; r < 3; ++r) {
        for (std::size_t i = 0; i < N; ++i)
            cone[r * N + i] = toCones[r][0] * sums[0][i] + toCones[r][1] * sums[1][i] + toCones[r][2] * sums[2][i];
    }
    for (std::size_t i = 0; i < 3 * N; ++i)
        power[i] = v.fl * std::fabs(cone[i]) * 0.01;
    std::copy(power, power + 3 * N, compressed);
    LogInPlace(compressed);
    for (double &c : compressed)
        c *= 0.42;
    ExpInPlace(compressed);
    for (std::size_t i = 0; i < 3 * N; ++i)
        compressed[i] = power[i] > 0 ? compressed[i] : 0;
    for (std::size_t i = 0; i < 3 * N; ++i) {
        const double p = compressed[i];
        cone[i] = std::copysign(400 * p / (p + 27.13), cone[i]) + 0.1;
    }
    const double *red = cone, *green = cone + N, *blue = cone + 2 * N;
    // Opponent dimensions a and b, their radius, and cos h and sin h from
    // them (1 and 0 without a radius); e_t = (cos(h + 2) + 3.8) / 4.
    double a[N], b[N], radius[N], divisor[N], inverse[N], cosH[N], sinH[N];
    constexpr double kEleventh = 1.0 / 11, kNinth = 1.0 / 9;
    for (std::size_t i = 0; i < N; ++i) {
        a[i] = red[i] + (blue[i] - 12 * green[i]) * kEleventh;
        b[i] = (red[i] + green[i] - 2 * blue[i]) * kNinth;
        radius[i] = std::sqrt(a[i] * a[i] + b[i] * b[i]);
    }
    for (std::size_t i = 0; i < N; ++i)
        divisor[i] = radius[i] > 0 ? radius[i] : 1;
    for (std::size_t i = 0; i < N; ++i)
        inverse[i] = 1 / divisor[i];
    for (std::size_t i = 0; i < N; ++i)
        inverse[i] = radius[i] > 0 ? inverse[i] : 0;
    for (std::size_t i = 0; i < N; ++i) {
        cosH[i] = a[i] * inverse[i];
        sinH[i] = b[i] * inverse[i];
    }
    for (std::size_t i = 0; i < N; ++i)
        cosH[i] = radius[i] > 0 ? cosH[i] : 1;
    // The achromatic response A and t; √(J/100) = (A/A_w)^(cz/2),
    // J = 100·(that)², M = t^0.9·√(J/100)·factor, all through logarithms:
    // J and M only where A > 0, M only where also t > 0.
    double achromatic[N], t[N], logRootJ[N], logT[N], j[N], m[N], mPrime[N];
    for (std::size_t i = 0; i < N; ++i) {
        const double eccentricity = (cosH[i] * v.cos2 - sinH[i] * v.sin2 + 3.8) * 0.25;
        achromatic[i] = (2 * red[i] + green[i] + blue[i] * 0.05 - 0.305) * v.nbb;
        t[i] = v.tFactor * eccentricity * radius[i] / (red[i] + green[i] + 1.05 * blue[i]);
        logRootJ[i] = achromatic[i] * v.inverseAWhite;
    }
    for (std::size_t i = 0; i < N; ++i) {
        logRootJ[i] = achromatic[i] > 0 ? logRootJ[i] : 1;
        logT[i] = t[i] > 0 ? t[i] : 1;
    }
    LogInPlace(logRootJ);
    LogInPlace(logT);
    for (std::size_t i = 0; i < N; ++i) {
        logRootJ[i] *= v.cz * 0.5;
        j[i] = 2 * logRootJ[i];
        m[i] = 0.9 * logT[i] + logRootJ[i];
    }
    ExpInPlace(j);
    ExpInPlace(m);
    for (std::size_t i = 0; i < N; ++i) {
        j[i] = 100 * j[i];
        m[i] = m[i] * v.chromaFactor;
    }
    for (std::size_t i = 0; i < N; ++i) {
        j[i] = achromatic[i] > 0 ? j[i] : 0;
        m[i] = t[i] > 0 ? m[i] : 0;
    }
    for (std::size_t i = 0; i < N; ++i)
        m[i] = achromatic[i] > 0 ? m[i] : 0;
    for (std::size_t i = 0; i < N; ++i)
        mPrime[i] = 1 + kUcsC2 * m[i];
    LogInPlace(mPrime);
    for (std::size_t i = 0; i < N; ++i) {
        const double mp = mPrime[i] * (1 / kUcsC2);
        ucs[0][i] = (1 + 100 * kUcsC1) * j[i] / (1 + kUcsC1 * j[i]);
        ucs[1][i] = mp * cosH[i];
        ucs[2][i] = mp * sinH[i];
    }
}

// TM-30 from the samples' sums under the test light and the reference.
NORVAK_INLINED Tm30Result Tm30FromSums(const CctResult &cct, const SampleColumns &test, const Xyz &testWhite,
                                       const SampleColumns &reference, const Xyz &referenceWhite)
{
    if (!cct.defined() || !Positive(testWhite) || !Positive(referenceWhite))
        return Undefined(cct);
    const Cam02Ucs underTest(testWhite), underReference(referenceWhite);
    SampleColumns t, ref;
    Cam02UcsOf<kPadded>(underTest.toCones(), test, t);
    Cam02UcsOf<kPadded>(underReference.toCones(), reference, ref);
    Tm30Result r;
    r.cct = cct;
    double deltaE[kPadded], fidelity[kPadded];
    for (std::size_t i = 0; i < kPadded; ++i) {
        const double dj = t[0][i] - ref[0][i], da = t[1][i] - ref[1][i], db = t[2][i] - ref[2][i];
        deltaE[i] = std::sqrt(dj * dj + da * da + db * db);
        fidelity[i] = deltaE[i];
    }
    FidelitiesInPlace(fidelity);
    std::array<double, kHueBinCount> binDeltaE{};
    double sumDeltaE = 0;
    for (std::size_t i = 0; i < kCesCount; ++i) {
        sumDeltaE += deltaE[i];
        r.rfSample[i] = fidelity[i];
        const std::size_t bin = HueBin(ref[1][i], ref[2][i]);
        r.sampleBin[i] = static_cast<std::uint8_t>(bin);
        Tm30HueBin &h = r.bins[bin];
        ++h.samples;
        h.aTest += t[1][i];
        h.bTest += t[2][i];
        h.aReference += ref[1][i];
        h.bReference += ref[2][i];
        binDeltaE[bin] += deltaE[i];
    }
    // Rf and each bin's Rf,hj, all at once (a bin without samples has none).
    double means[kHueBinCount + 4]{sumDeltaE / kCesCount};
    for (std::size_t j = 0; j < kHueBinCount; ++j)
        means[j + 1] = binDeltaE[j] / std::max(r.bins[j].samples, 1);
    FidelitiesInPlace(means);
    r.rf = means[0];
    r.fidelityDefined = std::isfinite(r.rf);
    if (!r.fidelityDefined)
        return Undefined(cct);
    for (const Tm30HueBin &h : r.bins) {
        if (h.samples == 0) {
            // Rf alone: no bin means, no polygon.
            r.bins = {};
            return r;
        }
    }
    const auto &middles = BinMiddles();
    for (std::size_t j = 0; j < kHueBinCount; ++j) {
        Tm30HueBin &h = r.bins[j];
        h.aTest /= h.samples;
        h.bTest /= h.samples;
        h.aReference /= h.samples;
        h.bReference /= h.samples;
        h.rf = means[j + 1];
        // Along and across the bin's middle direction, over the reference chroma.
        const auto [cosine, sine] = middles[j];
        const double da = h.aTest - h.aReference, db = h.bTest - h.bReference;
        const double chroma = std::hypot(h.aReference, h.bReference);
        h.rcs = 100 * (da * cosine + db * sine) / chroma;
        h.rhs = (-da * sine + db * cosine) / chroma;
    }
    r.rg = 100 * TwiceArea(r.bins, [](const Tm30HueBin &h) { return std::pair{h.aTest, h.bTest}; })
           / TwiceArea(r.bins, [](const Tm30HueBin &h) { return std::pair{h.aReference, h.bReference}; });
    r.defined = std::isfinite(r.rg);
    return r.defined ? r : Undefined(cct);
}

void ToColumns(const CesTristimulus &samples, SampleColumns &columns)
{
    for (std::size_t i = 0; i < kPadded; ++i) {
        const Xyz &sample = samples[i < kCesCount ? i : 0];
        columns[0][i] = sample.X;
        columns[1][i] = sample.Y;
        columns[2][i] = sample.Z;
    }
}

} // namespace

Ucs Cam02Ucs::operator()(const Xyz &s) const
{
    SampleColumns one{}, ucs;
    one[0][0] = s.X;
    one[1][0] = s.Y;
    one[2][0] = s.Z;
    Cam02UcsOf<1>(toCones_, one, ucs);
    return {ucs[0][0], ucs[1][0], ucs[2][0]};
}

Tm30Result Tm30FromTristimulus(const CctResult &cct, const CesTristimulus &test, const Xyz &testWhite,
                               const CesTristimulus &reference, const Xyz &referenceWhite)
{
    SampleColumns t, ref;
    ToColumns(test, t);
    ToColumns(reference, ref);
    return Tm30FromSums(cct, t, testWhite, ref, referenceWhite);
}

namespace {

// The light divided by a power of two where its scale asks for it.
Bands ScaledToPeak(const Bands &light)
{
    const int exponent = ScalingExponent(LargestMagnitude(light));
    if (exponent == 0)
        return light;
    Bands scaled;
    DivideByPowerOfTwo(light, exponent, scaled.data());
    return scaled;
}

} // namespace

namespace {

Tm30Result ComputeTm30Scaled(const Bands &spectrum, const CctResult &cct);

} // namespace

Tm30Result ComputeTm30(const Bands &light)
{
    const Bands spectrum = ScaledToPeak(light);
    const Xyz xyz2 = Tristimulus2(spectrum);
    const double sum = xyz2.X + xyz2.Y + xyz2.Z;
    const CctResult cct = std::isfinite(sum) && sum > 0 && xyz2.Y > 0
                              ? ExactCct({xyz2.X / sum, xyz2.Y / sum})
                              : CctResult{};
    return ComputeTm30Scaled(spectrum, cct);
}

Tm30Result ComputeTm30(const Bands &light, const CctResult &cct)
{
    if (!cct.defined())
        return Undefined(cct);
    return ComputeTm30Scaled(ScaledToPeak(light), cct);
}

namespace {

using SampleSums = SampleColumns; // Σ L·R·x̄10, Σ L·R·ȳ10, Σ L·R·z̄10 of each sample

// The 99 samples under each of N lights in one pass over the products,
// nine bands at a time so that each running sum is loaded and stored once
// for nine bands.
template <std::size_t N>
NORVAK_INLINED void SumSamples(const Bands *const (&lights)[N], SampleSums *sums)
{
    constexpr std::size_t kStep = 9;
    static_assert(kBandCount % kStep == 0);
    const SampleTables &t = Samples();
    for (std::size_t n = 0; n < N; ++n)
        for (auto &f : sums[n])
            std::fill(std::begin(f), std::end(f), 0.0);
    for (std::size_t k = 0; k < kBandCount; k += kStep) {
        double l[N][kStep];
        for (std::size_t n = 0; n < N; ++n)
            for (std::size_t b = 0; b < kStep; ++b)
                l[n][b] = (*lights[n])[k + b];
        for (int f = 0; f < 3; ++f) {
            const double *__restrict p0 = t.product[k][f];
            const double *__restrict p1 = t.product[k + 1][f];
            const double *__restrict p2 = t.product[k + 2][f];
            const double *__restrict p3 = t.product[k + 3][f];
            const double *__restrict p4 = t.product[k + 4][f];
            const double *__restrict p5 = t.product[k + 5][f];
            const double *__restrict p6 = t.product[k + 6][f];
            const double *__restrict p7 = t.product[k + 7][f];
            const double *__restrict p8 = t.product[k + 8][f];
            for (std::size_t i = 0; i < kPadded; ++i)
                for (std::size_t n = 0; n < N; ++n)
                    sums[n][f][i] += ((l[n][0] * p0[i] + l[n][1] * p1[i] + l[n][2] * p2[i])
                                      + (l[n][3] * p3[i] + l[n][4] * p4[i] + l[n][5] * p5[i]))
                                     + (l[n][6] * p6[i] + l[n][7] * p7[i] + l[n][8] * p8[i]);
        }
    }
}

// The sums and the white of CIE daylight's components S0, S1 and S2: the
// daylight of any CCT is S0 + M1·S1 + M2·S2, and so are its sums.
struct DaylightSums {
    SampleSums sums[3];
    Xyz white[3];
};

const DaylightSums &Daylight()
{
    static const DaylightSums *const d = [] {
        auto *t = new DaylightSums{};
        const Bands *const components[3] = {&DaylightS0(), &DaylightS1(), &DaylightS2()};
        SumSamples(components, t->sums);
        for (int c = 0; c < 3; ++c)
            t->white[c] = Tristimulus10(*components[c]);
        return t;
    }();
    return *d;
}

NORVAK_INLINED Tm30Result Tm30OfScaled(const Bands &spectrum, const CctResult &cct)
{
    if (!cct.defined())
        return Undefined(cct);
    const double kelvin = cct.cct;

    // The test light's sums, with Planck's radiator's where the reference
    // holds it.
    SampleSums sums[2];
    Bands planck{};
    if (kelvin < kDaylightAbove) {
        planck = PlanckianBands(kelvin);
        const Bands *const lights[2] = {&spectrum, &planck};
        SumSamples(lights, sums);
    } else {
        const Bands *const lights[1] = {&spectrum};
        SumSamples(lights, sums);
    }
    if (kelvin < kPlanckBelow)
        return Tm30FromSums(cct, sums[0], Tristimulus10(spectrum), sums[1], Tristimulus10(planck));

    // Daylight, alone or mixed with Planck's radiator as Tm30Reference mixes
    // them, each first scaled to the same Y.
    const DaylightSums &d = Daylight();
    const DaylightFactors m = DaylightFactorsAt(kelvin);
    auto daylight = [&](double a, double b, double c) { return a + m.m1 * b + m.m2 * c; };
    Xyz white{daylight(d.white[0].X, d.white[1].X, d.white[2].X), daylight(d.white[0].Y, d.white[1].Y, d.white[2].Y),
              daylight(d.white[0].Z, d.white[1].Z, d.white[2].Z)};
    SampleSums reference;
    for (std::size_t f = 0; f < 3; ++f)
        for (std::size_t i = 0; i < kCesCount; ++i)
            reference[f][i] = daylight(d.sums[0][f][i], d.sums[1][f][i], d.sums[2][f][i]);
    if (kelvin < kDaylightAbove) {
        const Xyz planckWhite = Tristimulus10(planck);
        const double share = (kelvin - kPlanckBelow) / (kDaylightAbove - kPlanckBelow);
        const double planckWeight = (1 - share) / planckWhite.Y, daylightWeight = share / white.Y;
        auto mix = [&](double p, double q) { return planckWeight * p + daylightWeight * q; };
        for (std::size_t f = 0; f < 3; ++f)
            for (std::size_t i = 0; i < kCesCount; ++i)
                reference[f][i] = mix(sums[1][f][i], reference[f][i]);
        white = {mix(planckWhite.X, white.X), mix(planckWhite.Y, white.Y), mix(planckWhite.Z, white.Z)};
    }
    return Tm30FromSums(cct, sums[0], Tristimulus10(spectrum), reference, white);
}

#ifdef NORVAK_TM30_AVX2
[[gnu::target("avx2")]] Tm30Result Tm30OfScaledAvx2(const Bands &spectrum, const CctResult &cct)
{
    return Tm30OfScaled(spectrum, cct);
}
#endif

Tm30Result ComputeTm30Scaled(const Bands &spectrum, const CctResult &cct)
{
#ifdef NORVAK_TM30_AVX2
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        return Tm30OfScaledAvx2(spectrum, cct);
#endif
    return Tm30OfScaled(spectrum, cct);
}

} // namespace

std::string Tm30Note(const Tm30Result &r)
{
    return Tm30Note(r.cct, r.fidelityDefined, r.defined);
}

std::string Tm30Note(const CctResult &cct, bool fidelityDefined, bool defined)
{
    if (defined)
        return {};
    if (fidelityDefined)
        return "TM-30：参照光下有色调区没有颜色样品（色温很低时会这样），Rg 和各色调区的数值无定义，只有 Rf。";
    if (!cct.defined())
        return "TM-30 无定义：" + CctStateText(cct);
    return "TM-30 无法计算：光谱中的负值使样品的颜色无定义。请检查暗电流扣除是否正确。";
}

} // namespace colorimetry
