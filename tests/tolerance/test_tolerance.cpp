// The tolerance in ellipse steps: worked examples bit for bit, the double
// rounding and its band edges, symmetry, and the limits of the range.

#include "ellipse.h"
#include "entry.h"
#include "failures.h"

#include <QTest>

#include <bit>
#include <cfloat>
#include <climits>
#include <cmath>

using namespace tolerance;
using namespace entry_rules;

Q_DECLARE_METATYPE(tolerance::ColourStandard)

namespace {

// The row of the table; a missing row fails the test and stands in as an
// ellipse of zeros, so that the test goes on to its end instead of crashing.
const ToleranceEllipse &Row(ColourStandard standard, int cct)
{
    if (const ToleranceEllipse *row = FindEllipse(standard, cct))
        return *row;
    QTest::qFail(qPrintable(QStringLiteral("no ellipse for %1 %2 K")
                                .arg(standard == ColourStandard::GB ? "GB" : "ANSI")
                                .arg(cct)),
                 __FILE__, __LINE__);
    static const ToleranceEllipse none{};
    return none;
}

// The values as typed into the two entries.
std::int32_t Typed(ColourStandard standard, int cct, const char *x, const char *y)
{
    const ChromaticityEntry entry = ReadChromaticity(x, y);
    return ComputeTolerance(Row(standard, cct), entry.x, entry.y);
}

constexpr auto GB = ColourStandard::GB;
constexpr auto ANSI = ColourStandard::ANSI;

// The ellipses as the two standards publish them.
struct Published {
    ColourStandard standard;
    int cct;
    double x0, y0, g11, c, g22;
};
// clang-format off
constexpr Published kPublished[] = {
    {GB,   6500, 0.313,  0.337,  860000, 8000, 450000},
    {GB,   5000, 0.346,  0.359,  560000, 5000, 280000},
    {GB,   4000, 0.38,   0.38,   395000, 4300, 260000},
    {GB,   3500, 0.409,  0.394,  380000, 4000, 250000},
    {GB,   3000, 0.44,   0.403,  390000, 3900, 275000},
    {GB,   2700, 0.463,  0.42,   440000, 3720, 270000},
    {ANSI, 6500, 0.3123, 0.3282, 860000, 8000, 450000},
    {ANSI, 5000, 0.3447, 0.3553, 560000, 5000, 280000},
    {ANSI, 4000, 0.3818, 0.3797, 395000, 4300, 260000},
    {ANSI, 3500, 0.4073, 0.3917, 380000, 4000, 250000},
    {ANSI, 3000, 0.4338, 0.403,  390000, 3900, 275000},
    {ANSI, 2700, 0.4578, 0.4101, 440000, 3720, 270000},
};
// clang-format on

// Where the tolerance along the path p(s), s from `inside` to `outside`,
// first passes k: the last s (to the double) still at k or below. NaN when
// the path does not cross k there.
template <typename Path>
double Crossing(const ToleranceEllipse &row, int k, double inside, double outside, Path p)
{
    auto steps = [&](double s) {
        const auto [x, y] = p(s);
        try {
            return ComputeTolerance(row, x, y);
        } catch (const Overflow &) {
            return std::int32_t(INT32_MAX);
        }
    };
    if (steps(inside) > k || steps(outside) <= k)
        return NAN;
    for (;;) {
        const double mid = inside + (outside - inside) / 2;
        if (mid == inside || mid == outside)
            return inside;
        (steps(mid) <= k ? inside : outside) = mid;
    }
}

// The five numbers of an ellipse as its results show them, found where the
// tolerance steps from 12 to 13 (Q = 156.5): the centre halfway between the
// crossings on either side, g11 and g22 on the axes through the centre, c on
// the diagonal.
Published Measured(const ToleranceEllipse &row, const Published &near)
{
    constexpr int k = 12;
    constexpr double q = k * k + k + 0.5;
    constexpr double far = 0.2;
    Published m = near;
    auto alongX = [](double y) { return [y](double x) { return std::pair{x, y}; }; };
    auto alongY = [](double x) { return [x](double y) { return std::pair{x, y}; }; };
    m.x0 = (Crossing(row, k, near.x0, near.x0 - far, alongX(near.y0))
            + Crossing(row, k, near.x0, near.x0 + far, alongX(near.y0)))
           / 2;
    m.y0 = (Crossing(row, k, near.y0, near.y0 - far, alongY(near.x0))
            + Crossing(row, k, near.y0, near.y0 + far, alongY(near.x0)))
           / 2;
    const double u = Crossing(row, k, m.x0, m.x0 + far, alongX(m.y0)) - m.x0;
    const double v = Crossing(row, k, m.y0, m.y0 + far, alongY(m.x0)) - m.y0;
    m.g11 = q / (u * u);
    m.g22 = q / (v * v);
    const double s = Crossing(row, k, 0, far, [&](double s) {
        return std::pair{m.x0 + s, m.y0 + s};
    });
    const double du = (m.x0 + s) - m.x0, dv = (m.y0 + s) - m.y0;
    m.c = (m.g11 * du * du + m.g22 * dv * dv - q) / (du * dv);
    return m;
}

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
    void everyCoefficientAsPublished_data();
    void everyCoefficientAsPublished();
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
    // Q = 6.25 and 110.34, near the edges 6.5 and 110.5: g22 = 260000 would
    // give 3 and c = 500 would give 11.
    QTest::newRow("GB 3500 above") << GB << 3500 << QByteArray("0.409") << QByteArray("0.399") << 2;
    QTest::newRow("GB 5000 cross") << GB << 5000 << QByteArray("0.340") << QByteArray("0.341") << 10;
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

void TestTolerance::everyCoefficientAsPublished_data()
{
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kPublished)); ++i)
        QTest::addRow("%s %d", kPublished[i].standard == GB ? "GB" : "ANSI", kPublished[i].cct)
            << i;
}

void TestTolerance::everyCoefficientAsPublished()
{
    // A typo in any one number of a row moves some band edge: measured from
    // the results alone, each number must be the published one.
    QFETCH(int, row);
    const Published &published = kPublished[row];
    const Published m = Measured(Row(published.standard, published.cct), published);
    const struct {
        const char *name;
        double measured, expected;
    } numbers[] = {
        {"x0", m.x0, published.x0}, {"y0", m.y0, published.y0}, {"g11", m.g11, published.g11},
        {"c", m.c, published.c},    {"g22", m.g22, published.g22},
    };
    for (const auto &n : numbers) {
        QVERIFY2(std::abs(n.measured - n.expected) <= 1e-9 * n.expected,
                 qPrintable(QStringLiteral("%1 behaves as %2, published %3")
                                .arg(n.name)
                                .arg(n.measured, 0, 'g', 17)
                                .arg(n.expected, 0, 'g', 17)));
    }
}

QTEST_APPLESS_MAIN(TestTolerance)
#include "test_tolerance.moc"
