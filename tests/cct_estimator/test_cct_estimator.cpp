// The CCT estimate: worked examples bit for bit, the exact points of the
// polynomial, division by zero at y = 0.187, and the double range.

#include "cct_estimator.h"
#include "entry.h"
#include "failures.h"
#include "number_rules.h"

#include <QTest>

#include <cfloat>
#include <cmath>

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
};

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
