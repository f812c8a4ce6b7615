// Reading measurement files and rating their rows: every row gives what the
// screens give for the same two texts, in every encoding and delimiter, and
// the shapes real files take (quotes, line ends, blank and ragged rows, huge
// cells, empty files, missing columns) end in rows or clear messages.

#include "batch_files.h"
#include "row_rating.h"

#include "cct_estimator.h"
#include "entry.h"
#include "failures.h"
#include "number_rules.h"

#include <QTest>

#include <charconv>
#include <random>

using namespace batch;
using namespace batch_testing;

namespace {

const tolerance::ToleranceEllipse *const kGb4000 =
    tolerance::FindEllipse(tolerance::ColourStandard::GB, 4000);

// What a screen shows after the two texts are typed and its compute button
// pressed, told from the screens' own functions in the order the screens
// call them: the number's text, or the first message shown.
struct ScreenAnswer {
    std::string number;
    std::string message;
};

ScreenAnswer CalculatorAnswer(const std::string &x, const std::string &y)
{
    try {
        const entry_rules::ChromaticityEntry entry = entry_rules::ReadChromaticity(x, y);
        if (entry_rules::IsMissing(entry))
            return {"", std::string(entry_rules::MissingInputMessage.text)};
        return {entry_rules::IntegerText(tolerance::ComputeTolerance(*kGb4000, entry.x, entry.y)), ""};
    } catch (const entry_rules::Failure &failure) {
        return {"", failure.userMessage()};
    }
}

ScreenAnswer ConverterAnswer(const std::string &x, const std::string &y)
{
    try {
        const entry_rules::ChromaticityEntry entry = entry_rules::ReadChromaticity(x, y);
        const double cct = cct_estimator::EstimateCct(entry.x, entry.y);
        if (entry_rules::IsMissing(entry))
            return {"", std::string(entry_rules::MissingInputMessage.text)};
        return {entry_rules::WholeNumberText(cct), ""};
    } catch (const entry_rules::Failure &failure) {
        return {"", failure.userMessage()};
    }
}

// Texts of every kind a screen meets: plain and odd number forms, missing,
// not numbers, too large, too far off, the converter's y = 0.187.
const std::vector<std::pair<std::string, std::string>> kMixedPoints{
    {"0.3805", "0.3768"}, {"0.38", "0.38"}, {".3818", "0.3797"}, {"0.3818 ", " 0.3797"},
    {"０.３８１８", "0.3797"}, {"3.818e-1", "0.3797"}, {"0.4", "-0.1"}, {"-0", "0.38"},
    {"", "0.38"}, {"0.38", ""}, {"", ""}, {"0", "0.0"}, {"abc", "0.3"}, {"0.3", "x"},
    {"0.38O2", "0.38"}, {" ", "0.3"}, {"1e999", "0.3"}, {"0.3", "1e400"}, {"1e200", "0.3"},
    {"0.4", "0.187"}, {"", "0.187"}, {"1e-400", "0.3"}, {"0.31271", "0.32902"},
    {"0.44757", "0.40745"}, {"12345678901234567", "0.3"}, {"0.123456789012345678", "0.4"},
    {"5.", "0.4"}, {"-.5", "0.4"}, {"0.3805", "0.3768"},
};

// A value with that many decimals, by std::to_chars, without the sign of a
// value that rounds to zero.
std::string Fixed(double v, int decimals)
{
    char text[64];
    const auto end = std::to_chars(text, text + 64, v, std::chars_format::fixed, decimals).ptr;
    std::string s(text, end);
    if (s.find_first_not_of("-0.") == std::string::npos && s[0] == '-')
        s.erase(0, 1);
    return s;
}

QByteArray MixedFile()
{
    QByteArray text = "no,x,y\n";
    int n = 0;
    for (const auto &[x, y] : kMixedPoints)
        text += QByteArray::number(++n) + ",\"" + QByteArray::fromStdString(x) + "\",\""
                + QByteArray::fromStdString(y) + "\"\n";
    return text;
}

} // namespace

class TestBatchReading : public QObject {
    Q_OBJECT

private slots:
    void everyRowAgreesWithTheScreens();
    void plainNumbersReadAsTheScreensReadThem();
    void decimalsAreWrittenCorrectlyRounded();
    void encodingsAndDelimiters_data();
    void encodingsAndDelimiters();
    void encodingChosenAfterAnAsciiStart();
    void fileShapes();
    void headerProblems();
    void columnsFoundByName_data();
    void columnsFoundByName();

private:
    QTemporaryDir dir_;
};

void TestBatchReading::everyRowAgreesWithTheScreens()
{
    const QString path = WriteFile(dir_, "mixed.csv", MixedFile());
    for (const Row row : {kGb4000, static_cast<Row>(nullptr)}) {
        const ReadFile file = Read(path, {.row = row});
        QCOMPARE(file.rows.size(), kMixedPoints.size());
        for (std::size_t i = 0; i < file.rows.size(); ++i) {
            const auto &[x, y] = kMixedPoints[i];
            const ScreenAnswer expected = row ? CalculatorAnswer(x, y) : ConverterAnswer(x, y);
            const Rating &rating = file.rows[i].rating;
            const OutputCells cells(row, rating);
            const std::string number(cells[0]);
            QVERIFY2(number == expected.number && rating.error == expected.message,
                     qPrintable(QString::fromStdString("row " + x + " / " + y + ": " + number
                                                       + " | " + rating.error)));
            QCOMPARE(rating.rated, expected.message.empty());
            if (rating.rated && row) {
                const double sdcm = colorimetry::StandardSdcm(*row, {rating.x, rating.y});
                QCOMPARE(std::string(cells[1]), Fixed(sdcm, 4));
            }
        }
    }
}

void TestBatchReading::plainNumbersReadAsTheScreensReadThem()
{
    // The quick path for plain decimals must give the very doubles the
    // general reader gives, bit for bit: random decimals of every length,
    // and the forms at its edges.
    std::mt19937_64 random(7);
    std::vector<std::string> texts{"0", "-0", "0.", ".0", "5.", "-.5", "000.3805", "999999999999999",
                                   "0.000000000000001", "9007199254740993", "0.1", "-0.30000000000000004",
                                   "123456789012345.6", "1.7976931348623157"};
    for (int i = 0; i < 20000; ++i) {
        const int digits = 1 + int(random() % 17);
        std::string text;
        for (int d = 0; d < digits; ++d)
            text += char('0' + random() % 10);
        text.insert(random() % (text.size() + 1), ".");
        if (random() % 4 == 0)
            text.insert(0, "-");
        texts.push_back(text);
    }
    for (const std::string &text : texts) {
        Rating rating;
        RateRow(nullptr, text, "0.3", false, rating);
        const double expected = entry_rules::ReadEntry(text);
        QVERIFY2(std::bit_cast<std::uint64_t>(rating.x) == std::bit_cast<std::uint64_t>(expected)
                     || !rating.error.empty(),
                 text.c_str());
    }
}

void TestBatchReading::decimalsAreWrittenCorrectlyRounded()
{
    // Output numbers are the correctly rounded decimals std::to_chars writes,
    // including values at and next to ties of the last digit.
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> sdcm(0, 60);
    std::uniform_real_distribution<double> duv(-0.06, 0.06);
    for (int i = 0; i < 20000; ++i) {
        Rating rating;
        rating.rated = true;
        rating.sdcm = i % 3 == 0 ? std::nextafter((i % 1000) * 0.00005 + 0.00005, i % 2 ? 1.0 : 0.0)
                                 : sdcm(random);
        rating.exact.state = colorimetry::CctState::Defined;
        rating.exact.cct = 1000 + i * 0.05;
        rating.exact.duv = i % 7 == 0 ? -1e-7 : duv(random);
        const OutputCells cells(kGb4000, rating);
        QCOMPARE(std::string(cells[1]), Fixed(rating.sdcm, 4));
        QCOMPARE(std::string(cells[2]), Fixed(rating.exact.cct, 1));
        QCOMPARE(std::string(cells[3]), Fixed(rating.exact.duv, 5));
    }
}

void TestBatchReading::encodingsAndDelimiters_data()
{
    QTest::addColumn<QByteArray>("encoding");
    QTest::addColumn<char>("delimiter");
    for (const char *encoding : {"UTF-8", "UTF-8 BOM", "GBK", "GB18030", "UTF-16LE BOM"}) {
        for (const char delimiter : {',', '\t', ';'})
            QTest::addRow("%s %s", encoding, delimiter == '\t' ? "tab" : delimiter == ';' ? "semicolon" : "comma")
                << QByteArray(encoding) << delimiter;
    }
}

void TestBatchReading::encodingsAndDelimiters()
{
    QFETCH(QByteArray, encoding);
    QFETCH(char, delimiter);
    // Chinese headers and cells, CRLF line ends, as Chinese Windows software
    // writes them.
    const QByteArray d(1, delimiter);
    const QByteArray utf8 = "编号" + d + "色坐标x" + d + "色坐标y" + d + "备注\r\n"
                            "灯珠一" + d + "0.3805" + d + "0.3768" + d + "合格\r\n"
                            "灯珠二" + d + "０.３８" + d + "0.39" + d + "偏绿\r\n";
    QByteArray bytes = utf8;
    if (encoding == "UTF-8 BOM")
        bytes = "\xEF\xBB\xBF" + utf8;
    else if (encoding == "UTF-16LE BOM")
        bytes = "\xFF\xFE" + Encoded(utf8, "UTF-16LE");
    else if (encoding != "UTF-8")
        bytes = Encoded(utf8, encoding.constData());
    QVERIFY(encoding.startsWith("UTF") || bytes != utf8);

    const ReadFile file = Read(WriteFile(dir_, "encoded.txt", bytes), {.row = kGb4000});
    QCOMPARE(file.problem, HeaderProblem::None);
    QCOMPARE(file.layout.delimiter, delimiter);
    QCOMPARE(file.layout.header, (std::vector<std::string>{"编号", "色坐标x", "色坐标y", "备注"}));
    QCOMPARE(file.rows.size(), std::size_t(2));
    QCOMPARE(file.rows[0].cells, (std::vector<std::string>{"灯珠一", "0.3805", "0.3768", "合格"}));
    QCOMPARE(file.rows[1].cells[0], std::string("灯珠二"));
    QCOMPARE(file.rows[1].cells[3], std::string("偏绿"));
    QCOMPARE(file.rows[0].rating.steps, tolerance::ComputeTolerance(*kGb4000, 0.3805, 0.3768));
    QCOMPARE(file.rows[1].rating.steps, tolerance::ComputeTolerance(*kGb4000, 0.38, 0.39));
    QCOMPARE(file.rows[1].line, std::uint64_t(3));
}

void TestBatchReading::encodingChosenAfterAnAsciiStart()
{
    // A file that is ASCII for longer than a block, then GBK, reads as GBK,
    // and a UTF-8 file with text cut at every block edge reads whole.
    QByteArray ascii = "x,y,note\n";
    for (int i = 0; i < 200; ++i)
        ascii += "0.38,0.38,ok\n";
    const QByteArray tail = "0.38,0.39,色坐标偏绿，需复测\n";
    const ReadFile gbk = Read(WriteFile(dir_, "late.csv", ascii + Encoded(tail, "GBK")), {}, 64);
    QCOMPARE(gbk.rows.size(), std::size_t(201));
    QCOMPARE(gbk.rows.back().cells[2], std::string("色坐标偏绿，需复测"));
    QCOMPARE(gbk.layout.encoding, Encoding::Gb18030);
    const ReadFile utf8 = Read(WriteFile(dir_, "late8.csv", ascii + tail + tail), {}, 7);
    QCOMPARE(utf8.rows.back().cells[2], std::string("色坐标偏绿，需复测"));
    QCOMPARE(utf8.layout.encoding, Encoding::Utf8);
    // Bytes that are neither stay visible as U+FFFD; nothing else is lost.
    const ReadFile broken = Read(WriteFile(dir_, "broken.csv", "x,y,n\n0.38,0.38,\xE8\xAF\n0.38,0.39,ok\n"));
    QCOMPARE(broken.rows.size(), std::size_t(2));
    QVERIFY(!broken.rows[0].cells[2].empty());
    QCOMPARE(broken.rows[1].cells[2], std::string("ok"));
}

void TestBatchReading::fileShapes()
{
    // Quoted cells with delimiters, line ends and quotes inside; blank lines
    // and rows of empty cells skipped; a short row padded, a long row kept;
    // a lone CR as a line end; a 1 MB cell.
    const QByteArray big(1 << 20, '7');
    const QByteArray text = "\n\"id\",x,y\r\n"
                            "\"a,b\",0.38,0.38\r\n"
                            "\r\n"
                            ",,\n"
                            "\"two\nlines \"\"q\"\"\",0.38,0.39\n"
                            "short,0.38\n"
                            "long,0.38,0.38,extra,more\r"
                            "0." + big + ",0.38,0.38\n"
                            "last,0.38,0.38";
    const ReadFile file = Read(WriteFile(dir_, "shapes.csv", text), {.row = kGb4000});
    QCOMPARE(file.problem, HeaderProblem::None);
    QCOMPARE(file.layout.header, (std::vector<std::string>{"id", "x", "y"}));
    QCOMPARE(file.rows.size(), std::size_t(6));
    QCOMPARE(file.rows[0].cells[0], std::string("a,b"));
    QVERIFY(file.rows[0].rating.rated);
    QCOMPARE(file.rows[1].cells[0], std::string("two\nlines \"q\""));
    QCOMPARE(file.rows[1].line, std::uint64_t(6));
    QCOMPARE(file.rows[2].rating.error, std::string(entry_rules::MissingInputMessage.text));
    QCOMPARE(file.rows[3].cells.size(), std::size_t(5));
    QVERIFY(file.rows[3].rating.rated);
    QCOMPARE(file.rows[4].cells[0].size(), std::size_t(big.size() + 2));
    QVERIFY(file.rows[4].rating.rated); // a long decimal is still a number
    QCOMPARE(file.rows[5].cells[0], std::string("last"));

    // A quote left open swallows the rest of the file: that row says so.
    const ReadFile open = Read(WriteFile(dir_, "open.csv", "x,y,n\n0.38,0.38,\"oops\n0.38,0.39,x\n"));
    QCOMPARE(open.rows.size(), std::size_t(1));
    QCOMPARE(open.rows[0].rating.error, std::string(kUnclosedQuoteMessage));

    // Decimal commas only where the comma is not the delimiter.
    const ReadFile comma = Read(WriteFile(dir_, "comma.csv", "x;y\n0,3805;0,3768\n0,38,1;0,4\n"),
                                {.row = kGb4000, .decimalComma = true});
    QVERIFY(comma.layout.decimalComma);
    QCOMPARE(comma.rows[0].rating.steps, tolerance::ComputeTolerance(*kGb4000, 0.3805, 0.3768));
    QCOMPARE(comma.rows[1].rating.error, entry_rules::NotANumber("0,38,1").userMessage());
    const ReadFile ignored = Read(WriteFile(dir_, "ignored.csv", "x,y\n0.38,0.38\n"),
                                  {.decimalComma = true});
    QVERIFY(!ignored.layout.decimalComma);
}

void TestBatchReading::headerProblems()
{
    struct Case {
        QByteArray text;
        ReadOptions options;
        HeaderProblem problem;
    };
    const std::vector<Case> cases{
        {"", {}, HeaderProblem::Empty},
        {"\r\n\n  \n", {}, HeaderProblem::Empty},
        {"\xEF\xBB\xBF", {}, HeaderProblem::Empty},
        {"id,x,flux\n1,0.3,0.3\n", {}, HeaderProblem::NoYColumn},
        {"id,a,b\n1,0.3,0.3\n", {}, HeaderProblem::NoXColumn},
        {"id,a,b\n", {.xColumn = "a", .yColumn = "3"}, HeaderProblem::None},
        {"id,a,b\n", {.xColumn = "a", .yColumn = "4"}, HeaderProblem::NoYColumn},
        {"id,a,b\n", {.xColumn = "2", .yColumn = "a"}, HeaderProblem::SameColumn},
    };
    for (const Case &c : cases) {
        const ReadFile file = Read(WriteFile(dir_, "header.csv", c.text), c.options);
        QVERIFY2(file.problem == c.problem, c.text.constData());
        if (c.problem != HeaderProblem::None)
            QVERIFY(!HeaderProblemText(c.problem, file.layout).empty());
    }
}

void TestBatchReading::columnsFoundByName_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::newRow("plain") << "x,y" << 1 << 2;
    QTest::newRow("CIE") << "Sample,CIE x,CIE y" << 2 << 3;
    QTest::newRow("CIE1931 in brackets") << "No.,x(CIE1931),y(CIE1931)" << 2 << 3;
    QTest::newRow("tristimulus beside") << "X,Y,Z,x,y,CCT" << 4 << 5;
    QTest::newRow("Chinese") << "编号,色坐标X,色坐标Y" << 2 << 3;
    QTest::newRow("Chinese after") << "编号,X坐标,Y坐标,光通量" << 2 << 3;
    QTest::newRow("full width") << "编号,色品坐标ｘ,色品坐标ｙ" << 2 << 3;
    QTest::newRow("not a coordinate") << "xx,y1,Flux x" << 0 << 0;
}

void TestBatchReading::columnsFoundByName()
{
    QFETCH(QString, header);
    QFETCH(int, x);
    QFETCH(int, y);
    std::vector<std::string> cells;
    for (const QString &cell : header.split(','))
        cells.push_back(cell.toStdString());
    const auto foundX = FindColumn(cells, 'x');
    const auto foundY = FindColumn(cells, 'y');
    QCOMPARE(foundX ? int(*foundX) + 1 : 0, x);
    QCOMPARE(foundY ? int(*foundY) + 1 : 0, y);
}

QTEST_GUILESS_MAIN(TestBatchReading)
#include "test_batch_reading.moc"
