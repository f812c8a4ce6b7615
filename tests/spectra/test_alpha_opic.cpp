// What light does to people, against an independent reference written here
// from the tree's published tables read on their own (CIE S 026 action
// spectra and V(λ) at 1 nm, IEC 62471's B(λ)): each spectrum brought to
// 1 nm by the line through its samples (or the 1 nm triangle for finer
// data) and summed. CIE D65 must give the K_α,v^D65 that CIE S 026
// publishes to the 4th decimal.

#include "alpha_opic.h"
#include "colord_files.h"
#include "rendering_reference.h"
#include "spectral_figures.h"

#include <QFile>
#include <QTest>

#include <cmath>

namespace {

using rendering_reference::Sampled;

// The published tables, read from the tree's CSV files.
struct Tables {
    std::vector<double> v;                          // 360–830 nm
    std::vector<std::array<double, 5>> alpha;       // 380–780 nm
    std::vector<double> b;                          // 300–700 nm at 5 nm
};

std::vector<QList<QByteArray>> CsvRows(const char *name)
{
    QFile file(QStringLiteral(NORVAK_DATA_DIR "/") + name);
    std::vector<QList<QByteArray>> rows;
    if (!file.open(QIODevice::ReadOnly))
        return rows;
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i)
        rows.push_back(lines[i].trimmed().split(','));
    return rows;
}

const Tables &Published()
{
    static const Tables t = [] {
        Tables t;
        for (const auto &c : CsvRows("cie1931-2deg-1nm.csv"))
            t.v.push_back(c[2].toDouble());
        for (const auto &c : CsvRows("cie-s026-alpha-opic-1nm.csv")) {
            std::array<double, 5> a{};
            for (int k = 0; k < 5; ++k)
                a[k] = c.value(k + 1).toDouble(); // empty: 0
            t.alpha.push_back(a);
        }
        for (const auto &c : CsvRows("iec62471-blue-light-hazard.csv"))
            t.b.push_back(c[1].toDouble());
        return t;
    }();
    return t;
}

// B(λ) at a whole nm: the table's line, the standard's formula over 500–600 nm.
double B(int nm)
{
    if (nm < 300 || nm > 700)
        return 0;
    if (nm >= 500 && nm <= 600)
        return std::pow(10, (450 - nm) / 50.0);
    const auto &b = Published().b;
    const int i = (nm - 300) / 5, r = (nm - 300) % 5;
    return r == 0 ? b[i] : b[i] + (b[i + 1] - b[i]) * r / 5;
}

struct Sums {
    double luminous = 0, blue = 0;
    std::array<double, 5> alpha{};
    double Efficacy(double sum) const { return sum * 1000 / (683.002 * luminous); }
};

// The sums at every whole nm the samples reach: finer than 1 nm, through
// the 1 nm triangle where the samples hold it; else the line between them.
Sums Reference(const Sampled &s)
{
    double widest = 0;
    for (std::size_t i = 1; i < s.nm.size(); ++i)
        widest = std::max(widest, s.nm[i] - s.nm[i - 1]);
    const Tables &t = Published();
    Sums sums;
    for (int nm = int(std::ceil(s.nm.front())); nm <= s.nm.back() && nm <= 780; ++nm) {
        if (nm < 300)
            continue;
        const bool triangle = widest < 1 && nm - 1 >= s.nm.front() && nm + 1 <= s.nm.back();
        const double value = triangle ? rendering_reference::ThroughTriangle(s, nm, 1) : rendering_reference::At(s, nm);
        sums.blue += value * B(nm);
        if (nm < 380)
            continue;
        sums.luminous += value * t.v[std::size_t(nm - 360)];
        for (int k = 0; k < 5; ++k)
            sums.alpha[k] += value * t.alpha[std::size_t(nm - 380)][k];
    }
    return sums;
}

colorimetry::Spectrum ToSpectrum(const Sampled &s)
{
    return {s.nm, s.value};
}

// A colord illuminant, drawn linearly to `step` over its range.
Sampled Illuminant(const char *name, double step)
{
    const auto sets = colord_files::Read(QStringLiteral(NORVAK_COLORD_DIR "/illuminant/") + name + ".sp");
    return sets.empty() ? Sampled{} : rendering_reference::Resampled({sets.front().nm, sets.front().value}, step);
}

double Gauss(double nm, double centre, double sigma)
{
    const double t = (nm - centre) / sigma;
    return std::exp(-t * t / 2);
}

// A phosphor-converted white LED at `step`: a 450 nm pump, a green and a
// red phosphor, the pump's share found so that the CCT is `kelvin`.
Sampled LedAt(double kelvin, double step, double first = 380, double last = 780)
{
    auto make = [&](double pump) {
        Sampled s;
        for (double nm = first; nm <= last + 1e-9; nm += step) {
            s.nm.push_back(nm);
            s.value.push_back(pump * Gauss(nm, 450, 9) + Gauss(nm, 550, 42) + 0.7 * Gauss(nm, 625, 32));
        }
        return s;
    };
    double low = 0.01, high = 20;
    for (int i = 0; i < 60; ++i) {
        const double mid = std::sqrt(low * high);
        (colorimetry::FiguresOf(ToSpectrum(make(mid))).cct.cct < kelvin ? low : high) = mid;
    }
    return make(low);
}

double Relative(double ours, double theirs)
{
    return std::fabs(ours - theirs) / std::fabs(theirs);
}

} // namespace

Q_DECLARE_METATYPE(rendering_reference::Sampled)

class TestAlphaOpic : public QObject {
    Q_OBJECT
private slots:
    void d65ReproducesThePublishedEfficacies()
    {
        const Sampled d65 = Illuminant("CIE-D65", 5);
        const colorimetry::LightAndHealth h = colorimetry::LightAndHealthOf(ToSpectrum(d65));
        const Sums ref = Reference(Illuminant("CIE-D65", 1));
        QVERIFY(h.defined);
        for (std::size_t k = 0; k < colorimetry::kAlphaOpicCount; ++k) {
            const double published = colorimetry::kD65AlphaOpicEfficacy[k];
            const double reference = ref.Efficacy(ref.alpha[k]);
            // The reference rounds to the published constant, and so does ours.
            QVERIFY2(std::fabs(reference - published) < 0.5e-4, qPrintable(QString::number(reference, 'f', 6)));
            QVERIFY2(Relative(h.efficacy[k], reference) < 1e-12, qPrintable(QString::number(h.efficacy[k], 'f', 6)));
            QVERIFY(std::fabs(h.der[k] - 1) < 0.5e-4 / published);
        }
    }

    // Melanopic DER and K_B,v within 0.1 % of the reference (they agree to
    // rounding): CIE illuminants at their own steps, white LEDs at 1 nm, at
    // 0.5 nm (the triangle), at 5 nm and over 300–830 nm (B(λ) below 380 nm).
    void againstTheReference_data()
    {
        QTest::addColumn<Sampled>("spectrum");
        QTest::newRow("A, 1 nm from 300 nm") << Illuminant("CIE-A", 1);
        QTest::newRow("D65, 5 nm from 300 nm") << Illuminant("CIE-D65", 5);
        QTest::newRow("F2") << Illuminant("CIE-F2", 5);
        QTest::newRow("F11") << Illuminant("CIE-F11", 5);
        for (const double kelvin : {2700, 3000, 3500, 4000, 5000, 5700, 6500})
            QTest::addRow("LED %g K, 1 nm", kelvin) << LedAt(kelvin, 1);
        QTest::newRow("LED 4000 K, 0.5 nm") << LedAt(4000, 0.5);
        QTest::newRow("LED 3000 K, 0.1 nm") << LedAt(3000, 0.1);
        QTest::newRow("LED 5000 K, 5 nm") << LedAt(5000, 5);
        QTest::newRow("LED 6500 K, 2 nm, 300–830 nm") << LedAt(6500, 2, 300, 830);
        QTest::newRow("LED 2700 K, 0.5 nm from 379.3 nm") << LedAt(2700, 0.5, 379.3, 781.2);
    }
    void againstTheReference()
    {
        QFETCH(Sampled, spectrum);
        const colorimetry::SpectrumFigures f = colorimetry::FiguresOf(ToSpectrum(spectrum));
        QVERIFY(f.ok() && f.health.defined);
        const Sums ref = Reference(spectrum);
        const double der = ref.Efficacy(ref.alpha[colorimetry::Melanopic]) / 1.3262;
        const double kbv = ref.Efficacy(ref.blue);
        QVERIFY2(Relative(f.health.der[colorimetry::Melanopic], der) < 1e-10,
                 qPrintable(QString("%1 against %2").arg(f.health.der[colorimetry::Melanopic], 0, 'f', 8).arg(der, 0, 'f', 8)));
        QVERIFY2(Relative(f.health.blueLightEfficacy, kbv) < 1e-10,
                 qPrintable(QString("%1 against %2").arg(f.health.blueLightEfficacy, 0, 'f', 8).arg(kbv, 0, 'f', 8)));
        for (std::size_t k = 0; k < colorimetry::kAlphaOpicCount; ++k)
            QVERIFY(Relative(f.health.efficacy[k], ref.Efficacy(ref.alpha[k])) < 1e-10);
    }

    // The same LED measured finer or coarser keeps its figures within 0.1 %.
    void stepsAgree()
    {
        const auto at1 = colorimetry::LightAndHealthOf(ToSpectrum(LedAt(4000, 1)));
        for (const double step : {0.1, 0.5, 2.0}) {
            const auto other = colorimetry::LightAndHealthOf(ToSpectrum(LedAt(4000, step)));
            QVERIFY2(Relative(other.der[colorimetry::Melanopic], at1.der[colorimetry::Melanopic]) < 1e-3,
                     qPrintable(QString::number(step)));
            QVERIFY(Relative(other.blueLightEfficacy, at1.blueLightEfficacy) < 1e-3);
        }
    }

    // Spectral irradiance in W/(m²·nm), in mW/(m²·nm), and far beyond the
    // numbers' comfortable range: Ev and melanopic EDI within 0.1 %.
    void absoluteIrradiance_data()
    {
        QTest::addColumn<double>("scale");  // the values are the LED's times this
        QTest::addColumn<double>("watts");  // W/(m²·nm) per unit
        QTest::newRow("W/(m²·nm)") << 0.01 << 1.0;
        QTest::newRow("mW/(m²·nm)") << 10.0 << 1e-3;
        QTest::newRow("2^600 W/(m²·nm) per unit 2^-600") << std::ldexp(1.0, 600) << std::ldexp(1.0, -600);
    }
    void absoluteIrradiance()
    {
        QFETCH(double, scale);
        QFETCH(double, watts);
        Sampled led = LedAt(4000, 1);
        const Sums ref = Reference(led); // of the LED in W/(m²·nm) times 100
        for (double &v : led.value)
            v *= scale;
        const colorimetry::SpectrumFigures f = colorimetry::FiguresOf(ToSpectrum(led));
        const colorimetry::AbsoluteLight a = colorimetry::AbsoluteOf(f.health, watts);
        const double unit = scale * watts; // W/(m²·nm) of the reference's 1
        const double ev = 683.002 * ref.luminous * unit;
        const double edi = ref.alpha[colorimetry::Melanopic] * unit / 1.3262e-3;
        QVERIFY2(Relative(a.illuminance, ev) < 1e-10, qPrintable(QString("%1 lx against %2").arg(a.illuminance).arg(ev)));
        QVERIFY2(Relative(a.melanopicEdi, edi) < 1e-10, qPrintable(QString("%1 lx against %2").arg(a.melanopicEdi).arg(edi)));
        QVERIFY(Relative(a.blueLight, ref.blue * unit) < 1e-10);
    }
};

QTEST_GUILESS_MAIN(TestAlphaOpic)
#include "test_alpha_opic.moc"
