// The tolerance in ellipse steps: worked examples bit for bit, the double
// rounding and its band edges, symmetry, and the limits of the range.

#include "ellipse.h"
#include "entry.h"
#include "failures.h"

#include <QTest>

#include <bit>
#include <cfloat>
#include <cmath>

using namespace tolerance;

Q_DECLARE_METATYPE(tolerance::ColourStandard)

namespace {

const ToleranceEllipse &Row(ColourStandard standard, int cct)
{
    const ToleranceEllipse *row = FindEllipse(standard, cct);
    Q_ASSERT(row);
    return *row;
}

// The values as typed into the two entries.
std::int32_t Typed(ColourStandard standard, int cct, const char *x, const char *y)
{
    const ChromaticityEntry entry = ReadChromaticity(x, y);
    return ComputeTolerance(Row(standard, cct), entry.x, entry.y);
}

constexpr auto GB = ColourStandard::GB;
constexpr auto ANSI = ColourStandard::ANSI;

} // namespace

class TestTolerance : public QObject {
    Q_OBJECT

private slots:
    void workedExamples_data();
    void workedExamples();
    void overflowBeyondInt32();
    void centreAndMirrorImages();
    void bandEdges_data();
    void bandEdges();
    void pointsOnBandEdges();
    void hugeCoordinatesNeverGiveGarbage();
    void table();
};

void TestTolerance::workedExamples_data()
{
    QTest::addColumn<ColourStandard>("standard");
    QTest::addColumn<int>("cct");
    QTest::addColumn<QByteArray>("x");
    QTest::addColumn<QByteArray>("y");
    QTest::addColumn<int>("expected");
    QTest::newRow("GB 6500") << GB << 6500 << QByteArray("0.3127") << QByteArray("0.329") << 5;
    // Q = 0.42304 and 6.4994: rounding √Q directly would give 1 and 3.
    QTest::newRow("ANSI 6500") << ANSI << 6500 << QByteArray("0.3127") << QByteArray("0.329") << 0;
    QTest::newRow("GB 4000") << GB << 4000 << QByteArray("0.3805") << QByteArray("0.3768") << 2;
    QTest::newRow("ANSI 4000") << ANSI << 4000 << QByteArray("0.3805") << QByteArray("0.3768") << 2;
    QTest::newRow("ANSI 3500") << ANSI << 3500 << QByteArray("0.41") << QByteArray("0.39") << 2;
    QTest::newRow("ANSI 2700") << ANSI << 2700 << QByteArray("0.46") << QByteArray("0.41") << 1;
    QTest::newRow("GB 5000") << GB << 5000 << QByteArray("0.35") << QByteArray("0.35") << 6;
    QTest::newRow("GB 3000 left") << GB << 3000 << QByteArray("0.436") << QByteArray("0.404") << 2;
    QTest::newRow("GB 3000 right") << GB << 3000 << QByteArray("0.444") << QByteArray("0.404") << 2;
    QTest::newRow("GB 2700 centre") << GB << 2700 << QByteArray("0.463") << QByteArray("0.42") << 0;
    QTest::newRow("GB 6500 empty") << GB << 6500 << QByteArray("") << QByteArray("") << 367;
    QTest::newRow("GB 6500 x=50") << GB << 6500 << QByteArray("50") << QByteArray("0.337") << 46078;
}

void TestTolerance::workedExamples()
{
    QFETCH(ColourStandard, standard);
    QFETCH(int, cct);
    QFETCH(QByteArray, x);
    QFETCH(QByteArray, y);
    QFETCH(int, expected);
    QCOMPARE(Typed(standard, cct, x.constData(), y.constData()), expected);
}

void TestTolerance::overflowBeyondInt32()
{
    // Q = 2209487893.34 does not fit 32 bits; the largest Q that does gives
    // the largest result.
    QVERIFY_THROWS_EXCEPTION(Overflow, Typed(GB, 6500, "51", "0.337"));
    QCOMPARE(EllipseSteps(2147483647.4), 46341);
    QVERIFY_THROWS_EXCEPTION(Overflow, EllipseSteps(2147483647.5));
}

void TestTolerance::centreAndMirrorImages()
{
    for (const ToleranceEllipse &row : EllipseTable) {
        QCOMPARE(ComputeTolerance(row, row.x0, row.y0), 0);
        // The cross term lowers Q whatever the signs: the four mirror images
        // of a point give one result.
        for (double p : {0.004, 0.02, 0.3}) {
            for (double r : {0.001, 0.015, 0.2}) {
                const std::int32_t t = ComputeTolerance(row, row.x0 + p, row.y0 + r);
                QCOMPARE(ComputeTolerance(row, row.x0 - p, row.y0 + r), t);
                QCOMPARE(ComputeTolerance(row, row.x0 + p, row.y0 - r), t);
                QCOMPARE(ComputeTolerance(row, row.x0 - p, row.y0 - r), t);
            }
        }
    }
    // Typed as text, the ANSI 2700 K centre converts to exactly x0 and y0.
    QCOMPARE(Typed(ANSI, 2700, "0.4578", "0.4101"), 0);
}

void TestTolerance::bandEdges_data()
{
    // t = k exactly when k² − k + 0.5 < Q ≤ k² + k + 0.5.
    QTest::addColumn<double>("edge");
    QTest::addColumn<int>("below");
    for (int k = 0; k <= 7; ++k)
        QTest::addRow("k=%d", k) << k * k + k + 0.5 << k;
    const double k = 46340; // the last band that fits 32 bits
    QTest::addRow("k=%d", int(k)) << k * k + k + 0.5 << int(k);
}

void TestTolerance::bandEdges()
{
    QFETCH(double, edge);
    QFETCH(int, below);
    QCOMPARE(EllipseSteps(std::nextafter(edge, 0.0)), below);
    QCOMPARE(EllipseSteps(edge), below);
    QCOMPARE(EllipseSteps(std::nextafter(edge, INFINITY)), below + 1);
}

void TestTolerance::pointsOnBandEdges()
{
    // Points whose Q is exactly 0.5 and 12.5, and the next doubles outward
    // (Q one rounding step above the edge): the edge falls to the lower band.
    struct Case { ColourStandard standard; double onEdge, outward, y; int lower; };
    const Case cases[] = {
        {GB, 0.4640660035817781, 0.46406600358177813, 0.42, 0},
        {GB, 0.46193399641822197, 0.4619339964182219, 0.42, 0},
        {ANSI, 0.45886600358177804, 0.4588660035817781, 0.4101, 0},
        {GB, 0.4683300179088903, 0.46833001790889034, 0.42, 3},
        {ANSI, 0.4524699820911097, 0.45246998209110967, 0.4101, 3},
    };
    for (const Case &c : cases) {
        const ToleranceEllipse &row = Row(c.standard, 2700);
        QCOMPARE(ComputeTolerance(row, c.onEdge, c.y), c.lower);
        QCOMPARE(ComputeTolerance(row, c.outward, c.y), c.lower + 1);
    }
    // Near the 2.5 edge on GB 6500 K, y on the centre: dx = √(2.5 / 860000).
    const ToleranceEllipse &gb6500 = Row(GB, 6500);
    QCOMPARE(ComputeTolerance(gb6500, 0.313 + 0.0017049858, 0.337), 1);
    QCOMPARE(ComputeTolerance(gb6500, 0.313 + 0.0017049860, 0.337), 2);
}

void TestTolerance::hugeCoordinatesNeverGiveGarbage()
{
    // Every row, every huge or non-finite input: Overflow, never a result
    // made of infinities (such as ∞ − ∞).
    for (const ToleranceEllipse &row : EllipseTable) {
        for (double big : {1e154, 1e200, DBL_MAX, -DBL_MAX, double(INFINITY), double(NAN)}) {
            QVERIFY_THROWS_EXCEPTION(Overflow, ComputeTolerance(row, big, row.y0));
            QVERIFY_THROWS_EXCEPTION(Overflow, ComputeTolerance(row, row.x0, big));
            QVERIFY_THROWS_EXCEPTION(Overflow, ComputeTolerance(row, big, big));
        }
    }
}

void TestTolerance::table()
{
    // The 2700 K cross coefficient is the double just above 3720, not 3720.
    QCOMPARE(std::bit_cast<quint64>(Row(GB, 2700).c), Q_UINT64_C(0x40AD100000000001));
    QCOMPARE(std::bit_cast<quint64>(Row(ANSI, 2700).c), Q_UINT64_C(0x40AD100000000001));
    QCOMPARE(FindEllipse(ANSI, 4500), nullptr);
    QCOMPARE(FindEllipse(ANSI, 5700), nullptr);
    for (const ToleranceEllipse &row : EllipseTable)
        QCOMPARE(FindEllipse(row.standard, row.nominalCct), &row);
}

QTEST_APPLESS_MAIN(TestTolerance)
#include "test_tolerance.moc"
