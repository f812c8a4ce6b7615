// The CCT estimate: worked examples bit for bit, the exact points of the
// polynomial, division by zero at y = 0.187, and the double range.

#include "cct_estimator.h"
#include "entry.h"
#include "failures.h"
#include "number_rules.h"
#include "rounded_power.h"

#include <QTest>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

using cct_estimator::EstimateCct;
using namespace entry_rules;

class TestCctEstimator : public QObject {
    Q_OBJECT

private slots:
    void workedExamples_data();
    void workedExamples();
    void resultsAbove1e15();
    void divisionByZero();
    void doubleRange();
    void powersCorrectlyRounded();
};

namespace {

// a^n rounded to nearest, ties to even, by whole numbers: a = m·2^k with m
// of 53 bits, so a^n = m^n·2^(nk) exactly; then the top 53 bits of m^n and
// the bits below them decide (normal results only).
double ExactPower(double a, int n)
{
    int k = 0;
    const auto m = std::uint64_t(std::ldexp(std::frexp(std::fabs(a), &k), 53));
    std::vector<std::uint32_t> x{1}; // little-endian 32-bit limbs
    for (int i = 0; i < n; ++i) {
        unsigned __int128 carry = 0;
        for (std::uint32_t &limb : x) {
            carry += static_cast<unsigned __int128>(limb) * m;
            limb = std::uint32_t(carry);
            carry >>= 32;
        }
        for (; carry; carry >>= 32)
            x.push_back(std::uint32_t(carry));
    }
    const auto bit = [&](int i) { return i >= 0 && (x[std::size_t(i) / 32] >> (i % 32) & 1) != 0; };
    int length = int(x.size()) * 32;
    while (!bit(length - 1))
        --length;
    std::uint64_t top = 0;
    for (int i = length - 1; i >= std::max(0, length - 53); --i)
        top = top << 1 | std::uint64_t(bit(i));
    const int below = std::max(0, length - 53);
    bool sticky = false;
    for (int i = 0; i < below - 1; ++i)
        sticky = sticky || bit(i);
    if (bit(below - 1) && (sticky || (top & 1)))
        ++top;
    const double size = std::ldexp(double(top), below + n * (k - 53));
    return a < 0 && n % 2 == 1 ? -size : size;
}

} // namespace

void TestCctEstimator::workedExamples_data()
{
    QTest::addColumn<QByteArray>("x");
    QTest::addColumn<QByteArray>("y");
    QTest::addColumn<double>("expected");
    QTest::newRow("D65 point") << QByteArray("0.3127") << QByteArray("0.3290") << 6506.0;
    QTest::newRow("A point") << QByteArray("0.4476") << QByteArray("0.4074") << 2768.0;
    QTest::newRow("A = 1, the minimum") << QByteArray("0.429") << QByteArray("0.287") << 1855.0;
    QTest::newRow("A = 0") << QByteArray("0.329") << QByteArray("0.5") << 5652.0;
    QTest::newRow("both empty") << QByteArray("") << QByteArray("") << 5822.0;
    QTest::newRow("x empty") << QByteArray("") << QByteArray("0.3") << 121950.0;
    QTest::newRow("y empty") << QByteArray("0.3") << QByteArray("") << 4637.0;
    // A = 301.33…: the sum is 5494868432930.5 exactly and goes to the even neighbour.
    QTest::newRow("tie below 1e15") << QByteArray("1.233") << QByteArray("0.19") << 5494868432930.0;
}

void TestCctEstimator::workedExamples()
{
    QFETCH(QByteArray, x);
    QFETCH(QByteArray, y);
    QFETCH(double, expected);
    const ChromaticityEntry entry = ReadChromaticity(x.toStdString(), y.toStdString());
    // Bit for bit: QCOMPARE on doubles would let 5494868432931 pass for 5494868432930.
    const double cct = EstimateCct(entry.x, entry.y);
    QVERIFY2(cct == expected, qPrintable(QStringLiteral("%1, expected %2")
                                                .arg(cct, 0, 'g', 17)
                                                .arg(expected, 0, 'g', 17)));
}

void TestCctEstimator::resultsAbove1e15()
{
    // |A| ≈ 1557: the unrounded value is 3928769525791921.5, a tie at this
    // magnitude, and goes to the even neighbour.
    const double cct = EstimateCct(5, 0.19);
    QCOMPARE(RoundHalfEven(cct), cct);
    QCOMPARE(QString::fromStdString(WholeNumberText(cct)), "3.92876952579192E+15");

    // Near the top of the double range the text stays readable.
    const double top = EstimateCct(2.2e76, 1.187);
    QVERIFY(std::isfinite(top) && top > 1e307);
    QVERIFY(QString::fromStdString(WholeNumberText(top)).endsWith("E+308"));
}

void TestCctEstimator::divisionByZero()
{
    for (double x : {0.329, 0.0, 0.3127, -5.0, 1e300}) {
        try {
            EstimateCct(x, 0.187);
            QFAIL("y = 0.187 gave a value");
        } catch (const DivisionByZero &failure) {
            QVERIFY(QString::fromStdString(failure.userMessage()).contains("0.187"));
        }
    }
    // The double next to 0.187 is no division by zero.
    QVERIFY(EstimateCct(0.329, std::nextafter(0.187, 1.0)) == 5652.0);
}

void TestCctEstimator::powersCorrectlyRounded()
{
    // The quartic's powers are the same bits on every platform: rounded
    // once from the exact power, as whole-number arithmetic in the test
    // rounds it, over every size the slope takes, and mantissas short
    // enough for exact ties. (glibc's std::pow, within 0.52 of a last bit,
    // misses about 1 in 1000 of these, and half the ties of fourth powers;
    // it agrees on every worked example.)
    std::mt19937_64 random(1855);
    std::vector<double> slopes{301.33333333333331, -0.11483253588516745, 1.0, 0.9988, 1556.9999999999998};
    for (int i = 0; i < 200000; ++i) {
        const int bits = i % 4 == 0 ? 14 : 53;
        const double mantissa = double(random() >> (64 - bits) | std::uint64_t(1) << (bits - 1));
        const double a = std::ldexp(mantissa, int(random() % 160) - 80 - bits);
        slopes.push_back(random() & 1 ? -a : a);
    }
    for (const double a : slopes) {
        for (const int n : {2, 3, 4}) {
            const double power = RoundedPower(a, n);
            if (power != ExactPower(a, n))
                QFAIL(qPrintable(QStringLiteral("%1^%2 gives %3, not %4")
                                     .arg(a, 0, 'g', 17).arg(n).arg(power, 0, 'g', 17).arg(ExactPower(a, n), 0, 'g', 17)));
        }
    }
    // Out at the ends: an overflow as std::pow gives it, the tiny plain.
    QCOMPARE(RoundedPower(1e200, 4), HUGE_VAL);
    QCOMPARE(RoundedPower(-1e200, 3), -HUGE_VAL);
    QCOMPARE(RoundedPower(1e-100, 3), 1e-100 * 1e-100 * 1e-100);
}

void TestCctEstimator::doubleRange()
{
    // A itself out of range, 669·A⁴ out of range, and inputs no entry gives.
    const double yClose = std::nextafter(0.187, 1.0);
    QVERIFY_THROWS_EXCEPTION(Overflow, EstimateCct(1e300, yClose));
    QVERIFY_THROWS_EXCEPTION(Overflow, EstimateCct(2.3e76, 1.187));
    QVERIFY_THROWS_EXCEPTION(Overflow, EstimateCct(-2.3e76, 1.187));
    QVERIFY_THROWS_EXCEPTION(Overflow, EstimateCct(DBL_MAX, 0.3));
    QVERIFY_THROWS_EXCEPTION(Overflow, EstimateCct(NAN, 0.3));
    QVERIFY_THROWS_EXCEPTION(Overflow, EstimateCct(0.3, INFINITY));
}

QTEST_APPLESS_MAIN(TestCctEstimator)
#include "test_cct_estimator.moc"
