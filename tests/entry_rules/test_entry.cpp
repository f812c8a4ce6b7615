// Reading the two entries of a compute button: empty reads as 0, both texts
// are always converted (x first), and when the point counts as missing.

#include "entry.h"
#include "failures.h"

#include <QTest>

using namespace entry_rules;

namespace {

// The text named by the failure of reading the two texts.
QString RefusedText(const char *x, const char *y)
{
    try {
        ReadChromaticity(x, y);
    } catch (const NotANumber &failure) {
        return QString::fromStdString(failure.text());
    }
    return "(read as numbers)";
}

} // namespace

class TestEntry : public QObject {
    Q_OBJECT

private slots:
    void emptyIsZeroAndBlankIsNot();
    void bothTextsAreConverted();
    void missing_data();
    void missing();
    void missingInputMessage();
};

void TestEntry::emptyIsZeroAndBlankIsNot()
{
    QCOMPARE(ReadEntry(""), 0.0);
    QVERIFY(!std::signbit(ReadEntry("")));
    QVERIFY_THROWS_EXCEPTION(NotANumber, ReadEntry(" "));
    QCOMPARE(ReadEntry("-0.3"), -0.3);
    QCOMPARE(ReadEntry("50"), 50.0);
}

void TestEntry::bothTextsAreConverted()
{
    // The texts are kept exactly as typed; values come from them.
    const ChromaticityEntry entry = ReadChromaticity(" ０.３１２７", "");
    QCOMPARE(entry.xText, std::string(" ０.３１２７"));
    QCOMPARE(entry.yText, std::string());
    QCOMPARE(entry.x, 0.3127);
    QCOMPARE(entry.y, 0.0);

    // A bad y fails even when x is empty; with both bad, x is named.
    QCOMPARE(RefusedText("", "abc"), "abc");
    QCOMPARE(RefusedText("x?", "y?"), "x?");
    QCOMPARE(RefusedText("0.3", " "), " ");
    QVERIFY_THROWS_EXCEPTION(Overflow, ReadChromaticity("0.3", "1e999"));
}

void TestEntry::missing_data()
{
    QTest::addColumn<QByteArray>("x");
    QTest::addColumn<QByteArray>("y");
    QTest::addColumn<bool>("missing");
    QTest::newRow("both typed") << QByteArray("0.3127") << QByteArray("0.329") << false;
    QTest::newRow("x empty") << QByteArray("") << QByteArray("0.329") << true;
    QTest::newRow("y empty") << QByteArray("0.3127") << QByteArray("") << true;
    QTest::newRow("0") << QByteArray("0") << QByteArray("0.329") << true;
    QTest::newRow("0.0") << QByteArray("0.3127") << QByteArray("0.0") << true;
    QTest::newRow("-0") << QByteArray("-0") << QByteArray("0.329") << true;
    QTest::newRow("000") << QByteArray("0.3127") << QByteArray("000") << true;
    QTest::newRow("0.0001") << QByteArray("0.0001") << QByteArray("0.0001") << false;
    QTest::newRow("too small for a double") << QByteArray("1e-999") << QByteArray("0.3") << true;
}

void TestEntry::missing()
{
    QFETCH(QByteArray, x);
    QFETCH(QByteArray, y);
    QFETCH(bool, missing);
    QCOMPARE(IsMissing(ReadChromaticity(x.toStdString(), y.toStdString())), missing);
}

void TestEntry::missingInputMessage()
{
    // The x, y and comma are ASCII, not full-width.
    QCOMPARE(QString::fromUtf8(MissingInputMessage.text.data(), MissingInputMessage.text.size()),
             QString::fromUtf8("请输入色坐标") + "x,y" + QString::fromUtf8("值后再计算"));
    QCOMPARE(MissingInputMessage.buttons, 64);
}

QTEST_APPLESS_MAIN(TestEntry)
#include "test_entry.moc"
