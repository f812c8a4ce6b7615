// Spectra on the library's 5 nm bands, against colord-data's own tables:
// a black body against CIE illuminant A (Planck's law at 2848 K with
// c2 = 1.435·10⁻² m·K), the daylight built from S0, S1 and S2 against the
// published D50 and D65.

#include "bands.h"
#include "colord_files.h"

#include <QTest>

#include <cmath>

namespace {

const QString kColord = QStringLiteral(NORVAK_COLORD_DIR);

colord_files::SpectralSet Illuminant(const char *name)
{
    const auto sets = colord_files::Read(kColord + "/illuminant/" + name + ".sp");
    return sets.empty() ? colord_files::SpectralSet{} : sets.front();
}

// The largest relative difference over 380–780 nm, both scaled to 1 at 560 nm.
double LargestDifference(const colorimetry::Bands &bands, const colord_files::SpectralSet &table)
{
    const std::size_t at560 = (560 - colorimetry::kFirstBandNm) / colorimetry::kBandStepNm;
    double table560 = 0;
    for (std::size_t i = 0; i < table.nm.size(); ++i)
        if (table.nm[i] == 560)
            table560 = table.value[i];
    double largest = 0;
    for (std::size_t i = 0; i < table.nm.size(); ++i) {
        if (table.nm[i] < 380 || table.nm[i] > 780 || std::fmod(table.nm[i], 5) != 0)
            continue;
        const auto b = static_cast<std::size_t>((table.nm[i] - 380) / 5);
        const double ours = bands[b] / bands[at560];
        const double theirs = table.value[i] / table560;
        largest = std::max(largest, std::fabs(ours - theirs) / theirs);
    }
    return largest;
}

} // namespace

class TestSpectra : public QObject {
    Q_OBJECT
private slots:
    void referenceIlluminants_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("kelvin");
        QTest::addColumn<bool>("daylight");
        QTest::addColumn<double>("tolerance");
        // A is Planck's law at 2848 K with c2 = 1.435·10⁻²: the same curve
        // as 2848·1.4388/1.435 K with ours; its table has 6 significant digits.
        QTest::newRow("A") << "CIE-A" << 2848 * 1.4388 / 1.435 << false << 2e-5;
        // D50 and D65 are daylight at 5000·1.4388/1.438 and 6500·1.4388/1.438 K,
        // with M1 and M2 rounded to three decimals for the published tables.
        QTest::newRow("D50") << "CIE-D50" << 5000 * 1.4388 / 1.438 << true << 3e-3;
        QTest::newRow("D65") << "CIE-D65" << 6500 * 1.4388 / 1.438 << true << 2e-3;
    }
    void referenceIlluminants()
    {
        QFETCH(QString, name);
        QFETCH(double, kelvin);
        QFETCH(bool, daylight);
        QFETCH(double, tolerance);
        const colord_files::SpectralSet table = Illuminant(name.toUtf8().constData());
        QVERIFY2(!table.nm.empty(), qPrintable(name + " not found in colord-data"));
        const colorimetry::Bands ours =
            daylight ? colorimetry::DaylightBands(kelvin) : colorimetry::PlanckianBands(kelvin);
        const double largest = LargestDifference(ours, table);
        QVERIFY2(largest < tolerance, qPrintable(QString("%1 differs by %2").arg(name).arg(largest)));
    }
};

QTEST_APPLESS_MAIN(TestSpectra)
#include "test_spectra.moc"
