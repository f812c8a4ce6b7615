// The number rules: which texts are numbers and their exact values, the
// conversions to whole numbers and to text, and how an offending text is
// quoted in a message.

#include "failures.h"
#include "number_rules.h"

#include <QElapsedTimer>
#include <QTest>

#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <string>

using namespace entry_rules;

namespace {

QString q(const std::string &s) { return QString::fromStdString(s); }
quint64 bits(double v) { return std::bit_cast<quint64>(v); }

double FromChars(const std::string &ascii)
{
    double v = 0;
    const auto r = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
    Q_ASSERT(r.ec == std::errc() && r.ptr == ascii.data() + ascii.size());
    return v;
}

} // namespace

class TestNumberRules : public QObject {
    Q_OBJECT

private slots:
    void acceptedForms_data();
    void acceptedForms();
    void rejectedForms_data();
    void rejectedForms();
    void manyDigitsAreCorrectlyRounded_data();
    void manyDigitsAreCorrectlyRounded();
    void outOfDoubleRange();
    void hugeTextsAreLinear();
    void toInt32_data();
    void toInt32();
    void roundHalfEven_data();
    void roundHalfEven();
    void integerText();
    void wholeNumberText_data();
    void wholeNumberText();
    void quotableText_data();
    void quotableText();
    void messagesNameTheText();
};

void TestNumberRules::acceptedForms_data()
{
    // The typed text, and the same number in the ASCII form std::from_chars
    // reads: the value must be exactly the double it gives.
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("ascii");
    QTest::newRow("plain") << QByteArray("0.3127") << QByteArray("0.3127");
    QTest::newRow("no integer part") << QByteArray(".5") << QByteArray("0.5");
    QTest::newRow("no fraction") << QByteArray("5.") << QByteArray("5");
    QTest::newRow("minus") << QByteArray("-0.02") << QByteArray("-0.02");
    QTest::newRow("plus") << QByteArray("+0.3") << QByteArray("0.3");
    QTest::newRow("leading zeros") << QByteArray("00.40") << QByteArray("0.4");
    QTest::newRow("whole") << QByteArray("50") << QByteArray("50");
    QTest::newRow("minus zero") << QByteArray("-0") << QByteArray("-0");
    QTest::newRow("exponent") << QByteArray("3.1e-1") << QByteArray("0.31");
    QTest::newRow("upper exponent") << QByteArray("5E2") << QByteArray("500");
    QTest::newRow("point exponent") << QByteArray(".5e1") << QByteArray("5");
    QTest::newRow("exponent plus") << QByteArray("3127e+0") << QByteArray("3127");
    QTest::newRow("blanks around") << QByteArray(" \t0.3127  ") << QByteArray("0.3127");
    QTest::newRow("no-break space") << QByteArray("\u00A00.3127\u00A0") << QByteArray("0.3127");
    QTest::newRow("ideographic space") << QByteArray("\u30000.3127\u3000") << QByteArray("0.3127");
    QTest::newRow("full-width") << QByteArray("０．３１２７") << QByteArray("0.3127");
    QTest::newRow("full-width sign") << QByteArray("－０.５") << QByteArray("-0.5");
    QTest::newRow("full-width plus") << QByteArray("＋1") << QByteArray("1");
    QTest::newRow("full-width exponent") << QByteArray("５Ｅ２") << QByteArray("500");
    QTest::newRow("full-width e") << QByteArray("5ｅ－1") << QByteArray("0.5");
    QTest::newRow("ideographic full stop") << QByteArray("0。3127") << QByteArray("0.3127");
    QTest::newRow("unicode minus") << QByteArray("\u22120.02") << QByteArray("-0.02");
    QTest::newRow("denormal") << QByteArray("1e-310") << QByteArray("1e-310");
    QTest::newRow("largest") << QByteArray("1.7976931348623158e308")
                             << QByteArray("1.7976931348623158e308");
    QTest::newRow("below half the smallest") << QByteArray("2.4703282292062327e-324")
                                             << QByteArray("0");
    QTest::newRow("above half the smallest") << QByteArray("2.4703282292062328e-324")
                                             << QByteArray("5e-324");
    QTest::newRow("far below") << QByteArray("1e-999") << QByteArray("0");
    QTest::newRow("far below, negative") << QByteArray("-1e-999") << QByteArray("-0");
    QTest::newRow("zero, huge exponent") << QByteArray("0e999999") << QByteArray("0");
}

void TestNumberRules::acceptedForms()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, ascii);
    QCOMPARE(bits(ParseNumber(text.toStdString())), bits(FromChars(ascii.toStdString())));
}

void TestNumberRules::rejectedForms_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("one blank") << QByteArray(" ");
    QTest::newRow("ideographic blank") << QByteArray("\u3000");
    QTest::newRow("letters") << QByteArray("abc");
    QTest::newRow("trailing letter") << QByteArray("0.3a");
    QTest::newRow("sign only") << QByteArray("-");
    QTest::newRow("point only") << QByteArray(".");
    QTest::newRow("sign and point") << QByteArray("+.");
    QTest::newRow("exponent only") << QByteArray("e5");
    QTest::newRow("exponent without digits") << QByteArray("1e");
    QTest::newRow("exponent sign without digits") << QByteArray("1e-");
    QTest::newRow("point in exponent") << QByteArray("1e2.5");
    QTest::newRow("two points") << QByteArray("1.2.3");
    QTest::newRow("two signs") << QByteArray("--1");
    QTest::newRow("sign after") << QByteArray("5-");
    QTest::newRow("blank after sign") << QByteArray("- 5");
    QTest::newRow("grouping comma") << QByteArray("1,234");
    QTest::newRow("grouping blank") << QByteArray("1 234");
    QTest::newRow("decimal comma") << QByteArray("0,3127");
    QTest::newRow("two numbers") << QByteArray("0.31 0.33");
    QTest::newRow("inf") << QByteArray("inf");
    QTest::newRow("infinity") << QByteArray("-Infinity");
    QTest::newRow("nan") << QByteArray("nan");
    QTest::newRow("hexadecimal") << QByteArray("0x1A");
    QTest::newRow("hexadecimal float") << QByteArray("0x1p3");
    QTest::newRow("NUL inside") << QByteArray("0.3\0" "1", 5);
    QTest::newRow("NUL after") << QByteArray("0.3\0", 4);
    QTest::newRow("newline after") << QByteArray("0.3\n");
    QTest::newRow("invalid UTF-8") << QByteArray("0.3\xff");
    QTest::newRow("cut UTF-8") << QByteArray("0.3\xef\xbc");
    QTest::newRow("overlong dot") << QByteArray("0\xc0\xae" "3");
    QTest::newRow("right-to-left mark") << QByteArray("\u200F0.3");
    QTest::newRow("zero-width space") << QByteArray("0.3\u200B");
    QTest::newRow("emoji") << QByteArray("0.3\U0001F600");
    QTest::newRow("arabic-indic digit") << QByteArray("\u0663");
    QTest::newRow("full-width comma") << QByteArray("0，3");
}

void TestNumberRules::rejectedForms()
{
    QFETCH(QByteArray, text);
    QVERIFY_THROWS_EXCEPTION(NotANumber, ParseNumber(text.toStdString()));
}

void TestNumberRules::manyDigitsAreCorrectlyRounded_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("expected");
    // 2^53 + 1 lies halfway between two doubles: ties to even, unless a digit
    // far to the right breaks the tie.
    const QByteArray zeros(600, '0');
    QTest::newRow("tie") << QByteArray("9007199254740993") << 9007199254740992.0;
    QTest::newRow("tie broken far right")
        << QByteArray("9007199254740993." + zeros + "1") << 9007199254740994.0;
    QTest::newRow("full-width tie broken")
        << QByteArray("９００７１９９２５４７４０９９３．" + QByteArray(200, '0') + "１")
        << 9007199254740994.0;
    QTest::newRow("trailing zeros") << QByteArray("0.3127" + zeros) << 0.3127;
    QTest::newRow("leading zeros") << QByteArray(zeros + "0.3127") << 0.3127;
    QTest::newRow("smallest normal") << QByteArray("2.2250738585072012e-308") << DBL_MIN;
    QTest::newRow("below smallest normal")
        << QByteArray("2.2250738585072011e-308") << std::nextafter(DBL_MIN, 0.0);
    QTest::newRow("exponent moves far digits")
        << QByteArray("0." + QByteArray(100000, '0') + "3127e100000") << 0.3127;
}

void TestNumberRules::manyDigitsAreCorrectlyRounded()
{
    QFETCH(QByteArray, text);
    QFETCH(double, expected);
    QCOMPARE(bits(ParseNumber(text.toStdString())), bits(expected));
}

void TestNumberRules::outOfDoubleRange()
{
    // Beyond the largest double: refused as too large, with the text named.
    for (const char *text : {"1e999", "-1e999", "1.7976931348623159e308", "１ｅ４００",
                             "0.0001e100000000000000000000"}) {
        try {
            ParseNumber(text);
            QFAIL(text);
        } catch (const Overflow &failure) {
            QVERIFY(q(failure.userMessage()).contains(QString::fromUtf8(text)));
        }
    }
    // An exponent too long for any integer type is still read for its sign.
    QCOMPARE(ParseNumber("1e-" + std::string(100000, '9')), 0.0);
    QVERIFY_THROWS_EXCEPTION(Overflow, ParseNumber("1e" + std::string(100000, '9')));
}

void TestNumberRules::hugeTextsAreLinear()
{
    // A megabyte typed or pasted: read in one pass, whatever it holds.
    const std::string digits(1 << 20, '7');
    const std::string fraction = "0." + std::string(1 << 20, '3');
    std::string fullWidth = "０．";
    for (int i = 0; i < (1 << 18); ++i)
        fullWidth += "３";
    const std::string garbage(1 << 20, '\xff');
    const std::string blanks(1 << 20, ' ');

    QElapsedTimer timer;
    timer.start();
    QVERIFY_THROWS_EXCEPTION(Overflow, ParseNumber(digits));
    QCOMPARE(bits(ParseNumber(fraction)), bits(1.0 / 3.0));
    QCOMPARE(bits(ParseNumber(fullWidth)), bits(1.0 / 3.0));
    QVERIFY_THROWS_EXCEPTION(NotANumber, ParseNumber(garbage));
    QVERIFY_THROWS_EXCEPTION(NotANumber, ParseNumber(blanks));
    QVERIFY_THROWS_EXCEPTION(NotANumber, ParseNumber(blanks + "1" + blanks + "1"));
    QVERIFY2(timer.elapsed() < 3000, "reading is not linear in the text's length");
}

void TestNumberRules::toInt32_data()
{
    QTest::addColumn<double>("v");
    QTest::addColumn<int>("expected");
    QTest::newRow("2.5") << 2.5 << 2;
    QTest::newRow("3.5") << 3.5 << 4;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("0.5") << 0.5 << 0;
    QTest::newRow("-0.5") << -0.5 << 0;
    QTest::newRow("just below half") << 0.49999999999999994 << 0;
    QTest::newRow("largest") << 2147483647.4 << 2147483647;
    QTest::newRow("smallest") << -2147483648.5 << int(-2147483648LL);
}

void TestNumberRules::toInt32()
{
    QFETCH(double, v);
    QFETCH(int, expected);
    QCOMPARE(ToInt32(v), expected);
}

void TestNumberRules::roundHalfEven_data()
{
    QTest::addColumn<double>("v");
    QTest::addColumn<double>("expected");
    QTest::newRow("6504.5") << 6504.5 << 6504.0;
    QTest::newRow("6505.5") << 6505.5 << 6506.0;
    QTest::newRow("6504.49") << 6504.49 << 6504.0;
    QTest::newRow("-2.5") << -2.5 << -2.0;
    QTest::newRow("just below half") << 0.49999999999999994 << 0.0;
    QTest::newRow("2^52 + 0.5") << 4503599627370496.5 << 4503599627370496.0;
    QTest::newRow("2^52 + 1.5") << 4503599627370497.5 << 4503599627370498.0;
    QTest::newRow("no range limit") << 1e300 << 1e300;
}

void TestNumberRules::roundHalfEven()
{
    QFETCH(double, v);
    QFETCH(double, expected);
    const double rounded = RoundHalfEven(v);
    QVERIFY2(rounded == expected, qPrintable(QStringLiteral("%1, expected %2")
                                                .arg(rounded, 0, 'g', 17)
                                                .arg(expected, 0, 'g', 17)));
}

void TestNumberRules::integerText()
{
    QCOMPARE(q(IntegerText(0)), "0");
    QCOMPARE(q(IntegerText(367)), "367");
    QCOMPARE(q(IntegerText(-12)), "-12");
    QCOMPARE(q(IntegerText(INT32_MIN)), "-2147483648");
    for (double v : {2147483647.5, -2147483649.0, -2147483649.5, double(INFINITY), double(NAN)})
        QVERIFY_THROWS_EXCEPTION(Overflow, ToInt32(v));
}

void TestNumberRules::wholeNumberText_data()
{
    QTest::addColumn<double>("v");
    QTest::addColumn<QString>("expected");
    QTest::newRow("6504") << 6504.0 << "6504";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("negative") << -12.0 << "-12";
    QTest::newRow("below 10^15") << 999999999999999.0 << "999999999999999";
    QTest::newRow("10^15") << 1e15 << "1E+15";
    QTest::newRow("above 10^15") << 3928769525791922.0 << "3.92876952579192E+15";
    QTest::newRow("1.5E+20") << 1.5e20 << "1.5E+20";
    QTest::newRow("largest") << DBL_MAX << "1.79769313486232E+308";
    QTest::newRow("most negative") << -DBL_MAX << "-1.79769313486232E+308";
    QTest::newRow("fraction") << 6504.5 << "6504.5";
}

void TestNumberRules::wholeNumberText()
{
    QFETCH(double, v);
    QFETCH(QString, expected);
    QCOMPARE(q(WholeNumberText(v)), expected);
}

void TestNumberRules::quotableText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << QByteArray("abc") << "abc";
    QTest::newRow("blanks stay") << QByteArray("   ") << "   ";
    QTest::newRow("tab shown") << QByteArray("0.3\t5") << "0.3[U+0009]5";
    QTest::newRow("NUL shown") << QByteArray("a\0b", 3) << "a[U+0000]b";
    QTest::newRow("direction mark shown") << QByteArray("\u202Eabc") << "[U+202E]abc";
    QTest::newRow("invalid UTF-8") << QByteArray("a\xff\xc0\xaf") << "a\uFFFD\uFFFD\uFFFD";
    QTest::newRow("cut sequence") << QByteArray("a\xe4\xb8") << "a\uFFFD\uFFFD";
    QTest::newRow("emoji kept") << QByteArray("\U0001F600") << "\U0001F600";
    QTest::newRow("30 kept") << QByteArray(30, 'x') << QString(30, 'x');
    QTest::newRow("31 cut") << QByteArray(31, 'x') << QString(30, 'x') + "…";
    QTest::newRow("wide characters cut") << QByteArray("色").repeated(40)
                                         << QString("色").repeated(30) + "…";
}

void TestNumberRules::quotableText()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, expected);
    QCOMPARE(q(QuotableText(text.toStdString())), expected);
}

void TestNumberRules::messagesNameTheText()
{
    try {
        ParseNumber("abc");
        QFAIL("abc read as a number");
    } catch (const Failure &failure) {
        QCOMPARE(q(failure.userMessage()),
                 "“abc”不是一个数。请输入十进制数（例如 0.3127）后再计算。");
    }
    try {
        ParseNumber(std::string(1 << 20, '\x01'));
        QFAIL("controls read as a number");
    } catch (const NotANumber &failure) {
        QVERIFY(failure.userMessage().size() < 400);
        QCOMPARE(failure.text().size(), std::size_t(1) << 20);
    }
}

QTEST_APPLESS_MAIN(TestNumberRules)
#include "test_number_rules.moc"
