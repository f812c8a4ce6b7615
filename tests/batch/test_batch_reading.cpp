// Reading measurement files and rating their rows: every row gives what the
// screens give for the same two texts, in every encoding and delimiter, and
// the shapes real files take (quotes, line ends, blank and ragged rows, huge
// cells, empty files, missing columns) end in rows or clear messages.

#include "batch_files.h"
#include "row_rating.h"
#include "summary.h"

#include "ansi_quadrangles.h"
#include "spectral_figures.h"
#include "tm30.h"

#include "cct_estimator.h"
#include "entry.h"
#include "failures.h"
#include "number_rules.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <charconv>
#include <map>
#include <numeric>
#include <random>
#ifndef _WIN32
#include <iconv.h>
#endif

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

// A file of n rows after the header "id,x,y,note", line k being
// "k,0.38,0.38,ok" unless given (an empty one is a blank line).
QByteArray Rows(int n, const std::map<int, QByteArray> &lines, const QByteArray &lineEnd = "\n")
{
    QByteArray text = "id,x,y,note" + lineEnd;
    for (int k = 2; k <= n + 1; ++k) {
        const auto given = lines.find(k);
        text += (given != lines.end() ? given->second : QByteArray::number(k) + ",0.38,0.38,ok") + lineEnd;
    }
    return text;
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
    void threadsRateAsOneDoes();
    void tm27Documents();
    void plainNumbersReadAsTheScreensReadThem();
    void decimalsAreWrittenCorrectlyRounded();
    void numbersWrittenAreFinite();
    void encodingsAndDelimiters_data();
    void encodingsAndDelimiters();
    void encodingChosenAfterAnAsciiStart();
    void decodingWorkedExamples_data();
    void decodingWorkedExamples();
    void decodingAsTheCLibraryDoes();
    void encodingByTheWeightOfEvidence_data();
    void encodingByTheWeightOfEvidence();
    void fileShapes();
    void publicCsvSuite_data();
    void publicCsvSuite();
    void unclosedQuotesLoseNoOtherLine_data();
    void unclosedQuotesLoseNoOtherLine();
    void wideRecords();
    void headerProblems();
    void summaryCountsOverRatedRows();
    void columnsFoundByName_data();
    void columnsFoundByName();
    void spectralFiles_data();
    void spectralFiles();
    void badSpectraFailTheirOwnRow();
    void ansiAndBinsAgreeWithPolygons();
    void spectralSummary();
    void colordIlluminantsAsCgats();
    void cellsOutOfLine();
    void fileXyWithoutBothCells();
    void fileTextEscapedInTheSummary();
    void writtenFigures();
    void headerUnits_data();
    void headerUnits();

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
    // Output numbers are the correctly rounded decimals std::to_chars writes
    // (a value that rounds to zero without a sign), byte for byte, with every
    // count of decimals a column has: values of every size, exact binary
    // ties of the last digit and decimal ones next to them, values that
    // round to zero.
    OutputColumns columns(kGb4000);
    columns.spectral = true;
    columns.tm30Bins = true;
    const auto names = OutputNames(columns);
    auto decimalsOf = [](std::string_view name) {
        return name.starts_with("spectrum_") ? 6
             : name == "sdcm" || name.ends_with("_der") || name.ends_with("_elr") || name == "k_bv" ? 4
             : name == "duv"                                                                       ? 5
             : name == "cct" || name.ends_with("_nm") || name == "ler" ? 1 : 2;
    };
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> exponent(-8, 13), unit(0, 1);
    auto next = [&](int kind) {
        const double sign = random() % 2 ? -1 : 1;
        switch (kind) {
        case 0: return sign * std::pow(10.0, exponent(random));
        case 1: return sign * double(random() % 2000000) / double(1 << (1 + random() % 12));
        case 2: return std::nextafter(sign * (double(random() % 100000) + 0.5) / std::pow(10.0, double(random() % 7)),
                                      random() % 2 ? 1e9 : -1e9);
        default: return sign * unit(random) * std::pow(10.0, -double(random() % 8));
        }
    };
    for (int i = 0; i < 40000; ++i) {
        const double v = next(i % 4);
        Rating rating;
        rating.rated = true;
        rating.exact = {colorimetry::CctState::Defined, v, v};
        rating.sdcm = v;
        SpectralRating &spectral = rating.spectral;
        spectral.present = true;
        colorimetry::SpectrumFigures &f = spectral.figures;
        f.xy = {v, v};
        f.rendering.defined = true;
        f.rendering.ra = v;
        f.rendering.r.fill(v);
        f.peakNm = f.ler = v;
        f.fwhmNm = v;
        f.health.defined = true;
        f.health.der.fill(v);
        f.health.efficacy.fill(v);
        f.health.blueLightEfficacy = v;
        spectral.tm30 = {true, true, v, v, {}, {}};
        spectral.tm30.rfBin.fill(v);
        spectral.tm30.rcsBin.fill(v);
        const OutputCells cells(columns, rating);
        for (std::size_t c = 0; c < names.size(); ++c) {
            if (names[c] == "steps" || names[c] == "ansi" || names[c] == "error")
                continue;
            const std::string want = Fixed(v, decimalsOf(names[c]));
            QVERIFY2(cells[c] == want, qPrintable(QString::asprintf("%s of %.17g: %s, not %s", names[c].data(), v,
                                                                     std::string(cells[c]).c_str(), want.c_str())));
        }
    }
}

void TestBatchReading::numbersWrittenAreFinite()
{
    // Coordinates so large that sums overflow: every number written reads
    // back as a finite number, or the cell is empty; a point that is no
    // chromaticity has no CCT and no Duv.
    const std::pair<const char *, const char *> points[] = {
        {"0.3", "1e308"}, {"1e308", "0.3"}, {"0.3", "1e300"}, {"1e-300", "1e308"}, {"-1e308", "0.3"},
        {"0.3", "2e307"}, {"1e308", "1e308"}};
    for (const Row row : {kGb4000, static_cast<Row>(nullptr)}) {
        for (const auto &[x, y] : points) {
            Rating rating;
            RateRow(row, x, y, false, rating);
            const OutputCells cells(row, rating);
            for (std::size_t i = 0; i + 1 < cells.size(); ++i) {
                const std::string text(cells[i]);
                double value = 0;
                const auto end = std::from_chars(text.data(), text.data() + text.size(), value);
                QVERIFY2(text.empty() || (end.ptr == text.data() + text.size() && std::isfinite(value))
                             || (!row && i == 0), // cendrel's screen number, E-form
                         qPrintable(QStringLiteral("%1, %2: %3").arg(x, y, QString::fromStdString(text))));
            }
            if (rating.exact.state == colorimetry::CctState::NoChromaticity)
                QVERIFY(cells[row ? 2 : 1].empty() && cells[row ? 3 : 2].empty());
        }
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

void TestBatchReading::decodingWorkedExamples_data()
{
    // The same on every platform: the tables are compiled in. One character
    // of each kind and each way to fail (GB18030-2005's four-byte ends, the
    // supplementary planes, a pair beyond the BMP, the 2022 mapping of A6D9).
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const QString bad(QChar(0xFFFD));
    const auto gb = int(Encoding::Gb18030), mac = int(Encoding::MacRoman);
    const auto le = int(Encoding::Utf16Le), be = int(Encoding::Utf16Be);
    QTest::newRow("GB18030 pairs") << gb << QByteArray("\xB5\xC6\xD6\xE9 \xA2\xE3") << QStringLiteral("灯珠 €");
    QTest::newRow("GB18030 four bytes") << gb << QByteArray("\x81\x30\x81\x30\x84\x31\xA4\x39")
                                        << QString(QChar(0x80)) + QChar(0xFFFF);
    QTest::newRow("GB18030 planes") << gb << QByteArray("\x95\x32\x82\x36\xE3\x32\x9A\x35\xFE\x51")
                                    << QString::fromUcs4(U"\U00020000\U0010FFFF\U00020087");
    QTest::newRow("GB18030 2022") << gb << QByteArray("\xA6\xD9") << QString(QChar(0xFE10));
    QTest::newRow("GB18030 unassigned") << gb << QByteArray("\x84\x31\xA5\x30") << bad + "1" + bad + "0";
    QTest::newRow("GB18030 bad trail") << gb << QByteArray("\x81\x7F\x80\xFF") << bad + "\x7F" + bad + bad;
    QTest::newRow("GB18030 cut short") << gb << QByteArray("a\x81\x30\x81") << "a" + bad + "0" + bad;
    QTest::newRow("Mac Roman") << mac << QByteArray("\x80\xA5\xDB\xA1") << QStringLiteral("Ä•€°");
    QTest::newRow("UTF-16LE") << le << QByteArray("\x6F\x70\x3D\xD8\x02\xDE") << QStringLiteral("灯😂");
    QTest::newRow("UTF-16BE lone") << be << QByteArray("\xDC\x00\xD8\x3D\x00\x41\x00", 7)
                                   << bad + bad + "A" + bad;
}

void TestBatchReading::decodingWorkedExamples()
{
    QFETCH(int, encoding);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(DecodeAs(Encoding(encoding), bytes.toStdString())), text);
}

void TestBatchReading::decodingAsTheCLibraryDoes()
{
#ifdef _WIN32
    QSKIP("the reference is the C library's iconv, which Windows lacks; "
          "the tables made from it on the build machine are compiled in");
#else
    // As the reader decoded before its tables: iconv, and after a byte (a
    // unit of UTF-16) that it cannot read, U+FFFD and on at the next.
    const auto reference = [](const char *encoding, std::string_view bytes) {
        const iconv_t converter = iconv_open("UTF-8", encoding);
        const std::size_t unit = std::string_view(encoding).starts_with("UTF-16") ? 2 : 1;
        std::string out(bytes.size() * 4 + 16, '\0');
        char *in = const_cast<char *>(bytes.data()), *to = out.data();
        std::size_t inLeft = bytes.size(), outLeft = out.size();
        while (inLeft > 0 && iconv(converter, &in, &inLeft, &to, &outLeft) == std::size_t(-1)) {
            const std::size_t skip = std::min(unit, inLeft);
            in += skip, inLeft -= skip;
            to = std::copy_n("\xEF\xBF\xBD", 3, to);
            outLeft -= 3;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
        iconv_close(converter);
        out.resize(std::size_t(to - out.data()));
        return out;
    };
    // Every code in one place: all pairs of a lead byte, each followed by
    // "A" (a code that is none then starts again at its second byte), all
    // four-byte codes of a lead byte, every byte, every UTF-16 unit and
    // every high surrogate before a few low ones.
    std::vector<std::pair<const char *, std::string>> texts;
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
        std::string pairs, quads;
        for (int b = 0; b <= 0xFF; ++b)
            pairs += {char(lead), char(b), 'A'};
        for (int b2 = 0x30; b2 <= 0x39; ++b2)
            for (int b3 = 0x80; b3 <= 0xFF; ++b3)
                for (int b4 = 0x2F; b4 <= 0x3A; ++b4)
                    quads += {char(lead), char(b2), char(b3), char(b4)};
        texts.emplace_back("GB18030", pairs);
        texts.emplace_back("GB18030", quads);
    }
    std::string bytes, units, surrogates;
    for (int b = 0; b <= 0xFF; ++b)
        bytes += char(b);
    for (int u = 0; u <= 0xFFFF; ++u)
        units += {char(u & 0xFF), char(u >> 8), 'A', '\0'};
    for (int high = 0xD800; high <= 0xDBFF; ++high)
        for (const int low : {0xDC00, 0xDC01, 0xDE3D, 0xDFFF, 0xD800, 0x0041})
            surrogates += {char(high & 0xFF), char(high >> 8), char(low & 0xFF), char(low >> 8)};
    texts.emplace_back("MACINTOSH", bytes);
    texts.emplace_back("GB18030", bytes);
    texts.emplace_back("UTF-16LE", units);
    texts.emplace_back("UTF-16LE", surrogates);
    texts.emplace_back("UTF-16LE", surrogates.substr(0, surrogates.size() - 1)); // cut short
    // Random runs of the bytes that matter, mixed.
    std::mt19937 random(18030);
    const std::string alphabet("\x81\x82\xA2\xB5\xE3\xFE\xFF\x80\x30\x39\x40\x7F\xD8\xDC\x00A", 16);
    for (int i = 0; i < 3000; ++i) {
        std::string run(random() % 24, '\0');
        for (char &c : run)
            c = alphabet[random() % alphabet.size()];
        texts.emplace_back(i % 3 == 0 ? "GB18030" : i % 3 == 1 ? "UTF-16LE" : "UTF-16BE", run);
    }
    for (const auto &[name, text] : texts) {
        const Encoding encoding = std::string_view(name) == "GB18030"    ? Encoding::Gb18030
                                  : std::string_view(name) == "MACINTOSH" ? Encoding::MacRoman
                                  : std::string_view(name) == "UTF-16LE"  ? Encoding::Utf16Le
                                                                          : Encoding::Utf16Be;
        if (DecodeAs(encoding, text) != reference(name, text))
            QFAIL(qPrintable(QStringLiteral("%1 decodes %2 otherwise than iconv")
                                 .arg(name, QByteArray::fromStdString(text.substr(0, 48)).toHex(' '))));
    }
#endif
}

void TestBatchReading::encodingByTheWeightOfEvidence_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Encoding>("encoding");
    QTest::addColumn<QByteArray>("lastNote"); // the last row's note, as UTF-8
    QTest::addColumn<int>("undecodable");
    QTest::addColumn<int>("firstLine");
    const QByteArray header = "编号,x,y,备注\n";
    const QByteArray rows = "一,0.38,0.38,合格\n二,0.38,0.39,偏绿\n";
    QTest::newRow("UTF-8, one stray byte") << header + "零,0.38,0.38,\xff\n" + rows << Encoding::Utf8
                                           << QByteArray("偏绿") << 1 << 2;
    // 编号 in GBK is B1 E0 BA C5: four bytes that start no UTF-8 sequence.
    QTest::newRow("UTF-8 mark, then GBK")
        << "\xEF\xBB\xBFx,y,note\n0.38,0.38,ok\n0.38,0.38," + Encoded("编号", "GBK") + "\n"
        << Encoding::Utf8 << QByteArray("\uFFFD\uFFFD\uFFFD\uFFFD") << 4 << 3;
    QTest::newRow("GBK") << Encoded(header + rows, "GBK") << Encoding::Gb18030 << QByteArray("偏绿") << 0
                         << 0;
    QByteArray late = header;
    while (late.size() < (3 << 20) / 2)
        late += rows;
    const int lateLine = int(late.count('\n')) + 1;
    QTest::newRow("UTF-8, a stray byte after 1 MiB") << late + "三,0.38,0.38,\xfe\n" + rows << Encoding::Utf8
                                                    << QByteArray("偏绿") << 1 << lateLine;
    QTest::newRow("UTF-16LE without a mark") << Encoded(header + rows, "UTF-16LE") << Encoding::Utf16Le
                                             << QByteArray("偏绿") << 0 << 0;
    QTest::newRow("UTF-16BE without a mark") << Encoded(header + rows, "UTF-16BE") << Encoding::Utf16Be
                                             << QByteArray("偏绿") << 0 << 0;
    // The text weighed first (1 MiB after the first byte outside ASCII, at
    // byte 16) ends one byte into 号: a character cut short is no error, so
    // one stray byte against one sequence stays UTF-8.
    QByteArray cut = "x,y,n\n0.38,0.38,\xff编\n0.38,0.38,";
    cut += QByteArray((1 << 20) + 15 - cut.size(), 'a') + "号\n0.38,0.38,编号\n";
    QTest::newRow("UTF-8, weighed text ends inside a character")
        << cut << Encoding::Utf8 << QByteArray("编号") << 1 << 2;
}

void TestBatchReading::encodingByTheWeightOfEvidence()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Encoding, encoding);
    QFETCH(QByteArray, lastNote);
    QFETCH(int, undecodable);
    QFETCH(int, firstLine);
    const ReadFile file = Read(WriteFile(dir_, "evidence.csv", bytes));
    QCOMPARE(file.problem, HeaderProblem::None);
    QCOMPARE(file.layout.encoding, encoding);
    QCOMPARE(file.rows.back().cells.back(), lastNote.toStdString());
    QCOMPARE(file.layout.undecodableBytes, std::uint64_t(undecodable));
    if (undecodable > 0) {
        QCOMPARE(file.layout.firstUndecodableLine, std::uint64_t(firstLine));
        const std::string notes = ReadingNotes(file.layout);
        QVERIFY2(notes.find("有 " + std::to_string(undecodable) + " 个字节") != std::string::npos
                     && notes.find("第 " + std::to_string(firstLine) + " 行") != std::string::npos,
                 notes.c_str());
    }
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

    // A quote left open fails its own line only; the next line reads on.
    const ReadFile open = Read(WriteFile(dir_, "open.csv", "x,y,n\n0.38,0.38,\"oops\n0.38,0.39,x\n"));
    QCOMPARE(open.rows.size(), std::size_t(2));
    QCOMPARE(open.rows[0].rating.error, UnclosedQuoteMessage(2));
    QVERIFY(open.rows[1].rating.rated);

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

void TestBatchReading::publicCsvSuite_data()
{
    // npm's csv-spectrum, installed by scripts/setup.sh: each CSV beside the
    // JSON of the objects it holds.
    QTest::addColumn<QString>("csv");
    QTest::addColumn<QString>("json");
    const QDir csvs(QStringLiteral(CSV_SPECTRUM_DIR "/csvs"));
    const QStringList names = csvs.entryList({"*.csv"}, QDir::Files, QDir::Name);
    if (names.size() < 10)
        QFAIL(qPrintable(QStringLiteral("csv-spectrum is not in %1: run scripts/setup.sh").arg(csvs.path())));
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << csvs.filePath(name)
                                        << csvs.filePath("../json/" + QFileInfo(name).completeBaseName() + ".json");
}

void TestBatchReading::publicCsvSuite()
{
    QFETCH(QString, csv);
    QFETCH(QString, json);
    QFile expectedFile(json);
    QVERIFY(expectedFile.open(QIODevice::ReadOnly));
    const QJsonDocument expected = QJsonDocument::fromJson(expectedFile.readAll());
    const QJsonArray objects = expected.isArray() ? expected.array() : QJsonArray{expected.object()};
    const ReadFile file = Read(csv, {.xColumn = "1", .yColumn = "2"});
    QCOMPARE(file.problem, HeaderProblem::None);
    QCOMPARE(file.rows.size(), std::size_t(objects.size()));
    for (qsizetype i = 0; i < objects.size(); ++i) {
        const QJsonObject object = objects[i].toObject();
        QCOMPARE(qsizetype(file.layout.header.size()), object.size());
        for (std::size_t c = 0; c < file.layout.header.size(); ++c) {
            // The suite's JSON disagrees with its own CSV in this one cell.
            if (csv.endsWith("location_coordinates.csv") && file.layout.header[c] == "Contact Phone Number")
                continue;
            QCOMPARE(QString::fromStdString(file.rows[i].cells[c]),
                     object.value(QString::fromStdString(file.layout.header[c])).toString());
        }
    }
}

void TestBatchReading::unclosedQuotesLoseNoOtherLine_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<std::vector<int>>("failed"); // the lines that fail, for their quote
    QTest::addColumn<int>("blank");
    const QByteArray stray = ",0.38,0.38,\"oops";
    QTest::newRow("to the end") << Rows(30, {{11, "11" + stray}, {20, ""}}) << std::vector<int>{11} << 1;
    QTest::newRow("CRLF") << Rows(30, {{11, "11" + stray}}, "\r\n") << std::vector<int>{11} << 0;
    QTest::newRow("closed by a later cell's quote")
        << Rows(30, {{11, "11" + stray}, {16, "16,0.38,0.38,\"a,b\""}}) << std::vector<int>{11} << 0;
    QTest::newRow("two, far apart")
        << Rows(40, {{5, "5" + stray}, {30, "30" + stray}, {31, ""}}) << std::vector<int>{5, 30} << 1;
    QTest::newRow("on the last line") << Rows(10, {{11, "11" + stray}}).chopped(1) << std::vector<int>{11}
                                      << 0;
    // Beyond the most a record may keep: given up there, read again.
    QTest::newRow("more than 4 MiB after it")
        << Rows(330000, {{3, "3" + stray}}) << std::vector<int>{3} << 0;
}

void TestBatchReading::unclosedQuotesLoseNoOtherLine()
{
    QFETCH(QByteArray, text);
    QFETCH(std::vector<int>, failed);
    QFETCH(int, blank);
    const ReadFile file = Read(WriteFile(dir_, "quotes.csv", text), {.row = kGb4000}, 1 << 16);
    // Every line after the header is a rated row, a failed row or blank.
    const int lines = int(text.count('\n')) + (text.endsWith('\n') ? 0 : 1);
    QCOMPARE(int(file.rows.size()) + blank, lines - 1);
    std::vector<int> got;
    for (const ReadRow &row : file.rows) {
        if (!row.rating.rated) {
            got.push_back(int(row.line));
            QCOMPARE(row.rating.error, UnclosedQuoteMessage(row.line));
            QVERIFY(row.rating.error.find("引号没有闭合") != std::string::npos);
        } else {
            QCOMPARE(row.cells[0], std::to_string(row.line)); // each row where it stood
        }
    }
    QCOMPARE(got, failed);
}

void TestBatchReading::wideRecords()
{
    // Spectrometers' exports: 65,536 cells a record are read whole, x and y
    // found at the far end; wider rows, and rows over 4 MiB, fail with the
    // limit named, and the next row reads on.
    QByteArray header, row, wider;
    for (std::size_t i = 0; i + 2 < kMaxCells; ++i) {
        header += "p" + QByteArray::number(quint64(i)) + ',';
        row += "1,";
    }
    header += "x,y\n";
    row += "0.38,0.38\n";
    wider = row;
    wider.insert(0, QByteArray(5000 * 2, ',').replace(",,", "1,"));
    const QByteArray huge = "9," + QByteArray(5 << 20, '7') + ",0.38,0.38\n";
    const ReadFile file =
        Read(WriteFile(dir_, "wide.csv", header + row + wider + huge + row), {.row = kGb4000});
    QCOMPARE(file.problem, HeaderProblem::None);
    QCOMPARE(file.layout.header.size(), kMaxCells);
    QCOMPARE(file.layout.xColumn, kMaxCells - 2);
    QCOMPARE(file.rows.size(), std::size_t(4));
    QVERIFY(file.rows[0].rating.rated && file.rows[3].rating.rated);
    QCOMPARE(file.rows[0].cells.size(), kMaxCells);
    for (const std::size_t i : {1, 2}) {
        QCOMPARE(file.rows[i].rating.error, CutRecordMessage());
        QVERIFY(file.rows[i].rating.error.find("65536 列") != std::string::npos);
    }
}

void TestBatchReading::headerProblems()
{
    struct Case {
        QByteArray text;
        ReadOptions options;
        HeaderProblem problem;
        std::string told; // in the message
    };
    QByteArray wide;
    for (std::size_t i = 0; i < kMaxCells + 10; ++i)
        wide += "c,";
    const std::vector<Case> cases{
        {"", {}, HeaderProblem::Empty, "空"},
        {"\r\n\n  \n", {}, HeaderProblem::Empty, "空"},
        {"\xEF\xBB\xBF", {}, HeaderProblem::Empty, "空"},
        {"id,x,flux\n1,0.3,0.3\n", {}, HeaderProblem::NoYColumn, "“flux”"},
        {"id,a,b\n1,0.3,0.3\n", {}, HeaderProblem::NoXColumn, "找不到色坐标 x"},
        {"id,a,b\n", {.xColumn = "a", .yColumn = "3"}, HeaderProblem::None, ""},
        {"id,a,b\n", {.xColumn = "a", .yColumn = "4"}, HeaderProblem::NoYColumn, "第 4 列，但文件只有 3 列"},
        {"a,b,c,d,e\n", {.xColumn = "99", .yColumn = "2"}, HeaderProblem::NoXColumn, "第 99 列，但文件只有 5 列"},
        {"a,b\n", {.xColumn = "q", .yColumn = "2"}, HeaderProblem::NoXColumn, "“q” 不在表头里"},
        {"id,a,b\n", {.xColumn = "2", .yColumn = "a"}, HeaderProblem::SameColumn, "同一列"},
        {wide + "x,y\n0.38,0.38\n", {}, HeaderProblem::TooLong, "65536 列"},
        {"\n" + QByteArray(5 << 20, 'h') + ",x,y\n", {}, HeaderProblem::TooLong, "第 2 行"},
        {"id,\"x,y\n0.38,0.38\n", {}, HeaderProblem::UnclosedQuote, "引号没有闭合"},
        // A delimiter inside a quoted header cell is no delimiter.
        {"\"x\";\"y\";\"remarks, e.g. a, b\"\n0.38;0.38;\n", {}, HeaderProblem::None, ""},
    };
    for (const Case &c : cases) {
        const ReadFile file = Read(WriteFile(dir_, "header.csv", c.text), c.options);
        QVERIFY2(file.problem == c.problem, c.text.left(60).constData());
        const std::string text = HeaderProblemText(c.problem, file.layout, c.options);
        QVERIFY2(text.find(c.told) != std::string::npos, text.c_str());
    }
    const ReadFile quoted = Read(WriteFile(dir_, "quoted.csv", cases.back().text));
    QCOMPARE(quoted.layout.header, (std::vector<std::string>{"x", "y", "remarks, e.g. a, b"}));
    QCOMPARE(quoted.rows.size(), std::size_t(1));
    // Three commas inside quotes against two semicolons: no tie to hide them.
    const ReadFile three = Read(WriteFile(dir_, "three.csv", "\"x\";\"y\";\"remarks, e.g. a, b, c\"\n0.38;0.38;\n"));
    QCOMPARE(three.layout.delimiter, ';');
    QVERIFY(three.rows.size() == 1 && three.rows[0].rating.rated);
}

void TestBatchReading::columnsFoundByName_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("otherX"); // another column that names x, told in the summary
    QTest::newRow("plain") << "x,y" << 1 << 2 << 0;
    QTest::newRow("CIE") << "Sample,CIE x,CIE y" << 2 << 3 << 0;
    QTest::newRow("CIE1931 in brackets") << "No.,x(CIE1931),y(CIE1931)" << 2 << 3 << 0;
    QTest::newRow("tristimulus beside") << "X,Y,Z,x,y,CCT" << 4 << 5 << 1;
    QTest::newRow("Chinese") << "编号,色坐标X,色坐标Y" << 2 << 3 << 0;
    QTest::newRow("Chinese after") << "编号,X坐标,Y坐标,光通量" << 2 << 3 << 0;
    QTest::newRow("full width") << "编号,色品坐标ｘ,色品坐标ｙ" << 2 << 3 << 0;
    QTest::newRow("not a coordinate") << "xx,y1,Flux x" << 0 << 0 << 0;
    QTest::newRow("two alike") << "x,y,x" << 1 << 2 << 3;
    QTest::newRow("plainer later") << "x,CIE x,y" << 2 << 3 << 1;
}

void TestBatchReading::columnsFoundByName()
{
    QFETCH(QString, header);
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, otherX);
    Layout layout;
    for (const QString &cell : header.split(','))
        layout.header.push_back(cell.toStdString());
    const auto foundX = FindColumn(layout.header, 'x', {}, &layout.xOther);
    const auto foundY = FindColumn(layout.header, 'y');
    QCOMPARE(foundX ? int(*foundX) + 1 : 0, x);
    QCOMPARE(foundY ? int(*foundY) + 1 : 0, y);
    QCOMPARE(layout.xOther ? int(*layout.xOther) + 1 : 0, otherX);
    if (otherX > 0) {
        layout.xColumn = *foundX;
        layout.yColumn = *foundY;
        const QString notes = QString::fromStdString(ReadingNotes(layout));
        QVERIFY2(notes.contains(QStringLiteral("第 %1 列").arg(x)) && notes.contains(QStringLiteral("第 %1 列").arg(otherX)),
                 qPrintable(notes));
    }
}

void TestBatchReading::summaryCountsOverRatedRows()
{
    // Shares within n steps are of the rated rows; a row at the limit is not
    // beyond it; a failed row or an undecodable byte is not "all good".
    struct Case {
        std::vector<int> steps; // -1: a failed row
        std::optional<int> maxSteps;
        std::uint64_t undecodable;
        std::vector<std::string> told;
        bool allGood;
    };
    const std::vector<Case> cases{
        {{0, 1, 2, 3, -1, -1}, std::nullopt, 0, {"1 步以内 50.0%", "3 步以内 100.0%", "失败 2 行"}, false},
        {{2, 2, 1}, 2, 0, {"超过 2 步：0 行", "平均 1.67 步"}, true},
        {{2, 3}, 2, 0, {"超过 2 步：1 行"}, false},
        {{1}, std::nullopt, 3, {"有 3 个字节"}, false},
    };
    for (const Case &c : cases) {
        Summary summary(kGb4000, c.maxSteps);
        for (const int steps : c.steps) {
            Rating rating;
            rating.rated = steps >= 0;
            rating.steps = steps;
            summary.Add(rating);
        }
        Layout layout;
        layout.undecodableBytes = c.undecodable;
        layout.firstUndecodableLine = 2;
        summary.SetReading(layout);
        const std::string text = summary.Text();
        for (const std::string &told : c.told)
            QVERIFY2(text.find(told) != std::string::npos, text.c_str());
        QCOMPARE(summary.allGood(), c.allGood);
    }
}


namespace {

// Three LEDs of different make, and the file of them in each layout.
struct Led {
    std::string name;
    std::vector<std::string> values;
};

std::vector<Led> ThreeLeds()
{
    return {{"LED-A", LedValues(450, 560, 0.55)},
            {"LED-B", LedValues(445, 575, 0.45)},
            {"LED-C", LedValues(455, 550, 0.70)}};
}

QByteArray WideSpectralFile(const std::vector<Led> &leds, char delimiter, bool decimalComma)
{
    const QByteArray d(1, delimiter);
    QByteArray text = "编号" + d + "x" + d + "y";
    for (int nm = 380; nm <= 780; nm += 5)
        text += d + QByteArray::number(nm) + "nm";
    text += "\r\n";
    for (const Led &led : leds) {
        text += QByteArray::fromStdString(led.name) + d + "0.3800" + d + "0.3800";
        for (const std::string &v : led.values)
            text += d + QByteArray::fromStdString(v).replace('.', decimalComma ? ',' : '.');
        text += "\r\n";
    }
    return text;
}

QByteArray LongSpectralFile(const std::vector<Led> &leds)
{
    QByteArray text = "仪器: SP-1\n积分时间：100 ms\n\n波长(nm)";
    for (const Led &led : leds)
        text += "\t" + QByteArray::fromStdString(led.name);
    text += "\n";
    for (std::size_t i = 0; i < leds[0].values.size(); ++i) {
        text += QByteArray::number(380 + 5 * int(i));
        for (const Led &led : leds)
            text += "\t" + QByteArray::fromStdString(led.values[i]);
        text += "\n";
    }
    return text;
}

QByteArray CgatsSpectralFile(const std::vector<Led> &leds, const QByteArray &keywords = {})
{
    QByteArray text = "SPECT\nORIGINATOR \"bench\"\n" + keywords + "SPECTRAL_START_NM 380\nSPECTRAL_END_NM 780\n"
                      "SPECTRAL_BANDS 81\nNUMBER_OF_FIELDS 82\nBEGIN_DATA_FORMAT\nSAMPLE_ID";
    for (int nm = 380; nm <= 780; nm += 5)
        text += " SPEC_" + QByteArray::number(nm);
    text += "\nEND_DATA_FORMAT\nNUMBER_OF_SETS 3\nBEGIN_DATA\n";
    for (const Led &led : leds) {
        text += QByteArray::fromStdString(led.name);
        for (const std::string &v : led.values)
            text += " " + QByteArray::fromStdString(v);
        text += "\n";
    }
    return text + "END_DATA\n";
}

// The ANSI quadrangle (index) that holds p by the test's own polygon test,
// the first from 2700 K up; -1 for none.
int AnsiByPolygons(colorimetry::Xy p)
{
    const auto quadrangles = colorimetry::AnsiQuadrangles();
    for (std::size_t i = 0; i < quadrangles.size(); ++i) {
        const auto &c = quadrangles[i].corners;
        if (InsidePolygon({c.begin(), c.end()}, p))
            return int(i);
    }
    return -1;
}

} // namespace

void TestBatchReading::spectralFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("decimalComma");
    QTest::addColumn<int>("kind");
    QTest::addColumn<std::uint64_t>("firstLine");
    QTest::addColumn<int>("metadata");
    const std::vector<Led> leds = ThreeLeds();
    const int wide = int(SpectralKind::Wide);
    QTest::newRow("wide UTF-8 comma") << WideSpectralFile(leds, ',', false) << false << wide << std::uint64_t(2) << 0;
    QTest::newRow("wide GBK tab") << Encoded(WideSpectralFile(leds, '\t', false), "GBK") << false << wide << std::uint64_t(2) << 0;
    QTest::newRow("wide UTF-16 semicolon, decimal commas")
        << ("\xFF\xFE" + Encoded(WideSpectralFile(leds, ';', true), "UTF-16LE")) << true << wide << std::uint64_t(2) << 0;
    // A long file's LEDs each begin on the first line under the header.
    QTest::newRow("long with metadata") << LongSpectralFile(leds) << false << int(SpectralKind::Long) << std::uint64_t(5) << 2;
    QTest::newRow("long GB18030") << Encoded(LongSpectralFile(leds), "GB18030") << false
                                  << int(SpectralKind::Long) << std::uint64_t(5) << 2;
    QTest::newRow("CGATS") << CgatsSpectralFile(leds) << false << int(SpectralKind::Cgats) << std::uint64_t(12) << 1;
    // Told without a byte-order mark, in every encoding, after any keywords.
    const QByteArray chinese = "DESCRIPTOR \"测试文件\"\n";
    QTest::newRow("CGATS UTF-8, Chinese keyword") << CgatsSpectralFile(leds, chinese) << false
                                                  << int(SpectralKind::Cgats) << std::uint64_t(13) << 2;
    QTest::newRow("CGATS GBK") << Encoded(CgatsSpectralFile(leds, chinese), "GBK") << false
                               << int(SpectralKind::Cgats) << std::uint64_t(13) << 2;
    QTest::newRow("CGATS UTF-16LE") << Encoded(CgatsSpectralFile(leds, chinese), "UTF-16LE") << false
                                    << int(SpectralKind::Cgats) << std::uint64_t(13) << 2;
    QByteArray many;
    for (int i = 0; i < 600; ++i)
        many += "KEYWORD_" + QByteArray::number(i) + " \"仪器设置 " + QByteArray(20, 'x') + "\"\n";
    QTest::newRow("CGATS, 30 KB of keywords") << CgatsSpectralFile(leds, many) << false << int(SpectralKind::Cgats)
                                              << std::uint64_t(612) << 601;
}

void TestBatchReading::spectralFiles()
{
    // Each LED is one row, named as the file names it; its figures are the
    // library's for the same spectrum, and its point is rated as a typed
    // point is; the file's own x and y pass through.
    QFETCH(QByteArray, bytes);
    QFETCH(bool, decimalComma);
    QFETCH(int, kind);
    QFETCH(std::uint64_t, firstLine);
    QFETCH(int, metadata);
    const std::vector<Led> leds = ThreeLeds();
    const ReadFile file = Read(WriteFile(dir_, "spectra.txt", bytes), {.row = kGb4000, .decimalComma = decimalComma});
    QCOMPARE(file.problem, HeaderProblem::None);
    QCOMPARE(int(file.layout.spectral), kind);
    QCOMPARE(int(file.layout.metadata.size()), metadata);
    QVERIFY(file.layout.columns.spectral);
    QCOMPARE(file.rows.size(), leds.size());
    for (std::size_t i = 0; i < leds.size(); ++i) {
        const Rating &r = file.rows[i].rating;
        QCOMPARE(file.rows[i].cells[0], leds[i].name);
        QVERIFY2(r.rated, r.error.c_str());
        const colorimetry::SpectrumFigures f = colorimetry::FiguresOf(SpectrumOf(leds[i].values));
        QCOMPARE(r.spectral.figures.xy.x, f.xy.x);
        QCOMPARE(r.spectral.figures.xy.y, f.xy.y);
        QCOMPARE(r.spectral.figures.rendering.ra, f.rendering.ra);
        QCOMPARE(r.spectral.figures.rendering.r[8], f.rendering.r[8]);
        QCOMPARE(r.spectral.figures.ler, f.ler);
        QCOMPARE(r.x, f.xy.x);
        QCOMPARE(r.steps, tolerance::ComputeTolerance(*kGb4000, f.xy.x, f.xy.y));
        QCOMPARE(r.exact.cct, colorimetry::ExactCct(f.xy).cct);
        QCOMPARE(r.ansi, AnsiByPolygons(f.xy));
        QVERIFY(r.spectral.tm30.defined && r.spectral.tm30.rf > 50 && r.spectral.tm30.rf <= 100);
        QCOMPARE(r.spectral.fileXy, kind == int(SpectralKind::Wide));
        QCOMPARE(file.rows[i].line, firstLine + (kind == int(SpectralKind::Long) ? 0 : i));
    }
}

void TestBatchReading::badSpectraFailTheirOwnRow()
{
    // Each bad spectrum fails its row with a message naming the wavelength
    // or the cell; the rows around it are rated.
    struct Case {
        const char *name;
        std::map<int, std::string> cells; // wavelength -> text, in the middle LED
        bool allZero, negative;
        std::vector<std::string> told;
    };
    const std::vector<Case> cases{
        {"not a number", {{500, "0.3O"}}, false, false, {"500", "0.3O"}},
        {"empty cell", {{600, ""}}, false, false, {"600"}},
        {"too large", {{450, "1e999"}}, false, false, {"450"}},
        {"zeros", {}, true, false, {colorimetry::SpectrumProblemText({colorimetry::SpectrumProblem::AllZero})}},
        {"negative total", {}, false, true,
         {colorimetry::SpectrumProblemText({colorimetry::SpectrumProblem::NegativeTotal})}},
    };
    for (const bool longFile : {false, true}) {
        for (const Case &c : cases) {
            std::vector<Led> leds = ThreeLeds();
            for (int nm = 380, i = 0; nm <= 780; nm += 5, ++i) {
                std::string &v = leds[1].values[std::size_t(i)];
                if (c.allZero)
                    v = "0";
                if (c.negative)
                    v = "-0.01";
                if (const auto given = c.cells.find(nm); given != c.cells.end())
                    v = given->second;
            }
            if (longFile && c.cells.count(600))
                continue; // a long file's empty cell is the short column of a ragged row: the same path
            const ReadFile file = Read(WriteFile(dir_, "bad.txt", longFile ? LongSpectralFile(leds)
                                                                           : WideSpectralFile(leds, ',', false)),
                                       {.row = kGb4000});
            QCOMPARE(file.rows.size(), std::size_t(3));
            QVERIFY2(file.rows[0].rating.rated && file.rows[2].rating.rated, c.name);
            QVERIFY2(!file.rows[1].rating.rated, c.name);
            for (const std::string &told : c.told)
                QVERIFY2(file.rows[1].rating.error.find(told) != std::string::npos,
                         (std::string(c.name) + ": " + file.rows[1].rating.error).c_str());
        }
    }
    // Wavelengths wrong in the header fail every row, each message naming them.
    struct HeaderCase {
        const char *name;
        std::vector<int> nm;
        std::string told;
    };
    std::vector<int> all;
    for (int nm = 380; nm <= 780; nm += 5)
        all.push_back(nm);
    auto without = [&](std::vector<int> nm, std::vector<int> drop) {
        std::erase_if(nm, [&](int v) { return std::find(drop.begin(), drop.end(), v) != drop.end(); });
        return nm;
    };
    std::vector<int> swapped = all, twice = all;
    std::swap(swapped[3], swapped[4]);
    twice[5] = twice[4];
    const std::vector<HeaderCase> headerCases{
        {"not increasing", swapped, "395"}, {"duplicated", twice, "400"},
        {"gap", without(all, {605, 610}), "615"}, {"not covered", without(all, {380, 385}), "390"},
    };
    for (const HeaderCase &c : headerCases) {
        QByteArray text = "id";
        for (const int nm : c.nm)
            text += "," + QByteArray::number(nm);
        text += "\n";
        for (int row = 0; row < 2; ++row) {
            text += "L" + QByteArray::number(row);
            for (std::size_t i = 0; i < c.nm.size(); ++i)
                text += ",0.5";
            text += "\n";
        }
        const ReadFile file = Read(WriteFile(dir_, "header.csv", text), {.row = kGb4000});
        QCOMPARE(file.rows.size(), std::size_t(2));
        for (const ReadRow &row : file.rows)
            QVERIFY2(!row.rating.rated && row.rating.error.find(c.told) != std::string::npos,
                     (std::string(c.name) + ": " + row.rating.error).c_str());
    }
}

void TestBatchReading::ansiAndBinsAgreeWithPolygons()
{
    // Points over the whole range of the quadrangles: the ansi and bin of
    // each row are those an independent polygon test finds (the first that
    // holds it), for bins that overlap, a concave one among them.
    const std::vector<colorimetry::Bin> bins{
        {"A", {{0.36, 0.36}, {0.40, 0.36}, {0.40, 0.40}, {0.36, 0.40}}},
        {"B", {{0.38, 0.38}, {0.44, 0.38}, {0.44, 0.42}, {0.38, 0.42}}}, // overlaps A
        {"凹", {{0.30, 0.30}, {0.36, 0.30}, {0.33, 0.33}, {0.36, 0.36}, {0.30, 0.36}}},
    };
    std::mt19937 random(5);
    std::uniform_real_distribution<double> x(0.29, 0.50), y(0.29, 0.45);
    QByteArray text = "id,x,y\n";
    std::vector<colorimetry::Xy> points;
    for (int i = 0; i < 3000; ++i) {
        points.push_back({std::round(x(random) * 1e5) / 1e5, std::round(y(random) * 1e5) / 1e5});
        text += QByteArray::number(i) + "," + QByteArray::number(points.back().x, 'f', 5) + ","
                + QByteArray::number(points.back().y, 'f', 5) + "\n";
    }
    const auto set = std::make_shared<const colorimetry::BinSet>(bins);
    const ReadFile file = Read(WriteFile(dir_, "points.csv", text), {.row = kGb4000, .bins = set});
    QCOMPARE(file.rows.size(), points.size());
    Summary summary(kGb4000);
    summary.SetBins(set);
    std::array<int, 4> inBins{};
    for (std::size_t i = 0; i < points.size(); ++i) {
        const colorimetry::Xy p{std::stod(file.rows[i].cells[1]), std::stod(file.rows[i].cells[2])};
        int bin = -1;
        for (std::size_t b = 0; b < bins.size() && bin < 0; ++b)
            bin = InsidePolygon(bins[b].corners, p) ? int(b) : -1;
        QCOMPARE(file.rows[i].rating.ansi, AnsiByPolygons(p));
        QCOMPARE(file.rows[i].rating.bin, bin);
        ++inBins[std::size_t(bin + 1)];
        summary.Add(file.rows[i].rating);
    }
    QVERIFY(inBins[1] > 0 && inBins[2] > 0 && inBins[3] > 0); // every bin reached
    // The yield sums to the rows, and the overlap is told.
    const auto &counts = summary.binCounts();
    QCOMPARE(std::accumulate(counts.begin(), counts.end(), summary.inNoBin() + summary.failed()), summary.rows());
    QCOMPARE(counts[0], std::uint64_t(inBins[1]));
    const auto &ansi = summary.ansiCounts();
    QCOMPARE(std::accumulate(ansi.begin(), ansi.end(), summary.inNoQuadrangle() + summary.failed()), summary.rows());
    QVERIFY(summary.Text().find("“A”与“B”") != std::string::npos);
}

void TestBatchReading::spectralSummary()
{
    // Ra and R9 least, mean and shares over the rows that have them; rows
    // short of --min-ra or --min-r9 (or with no Ra) are counted once each
    // and make the run not all good.
    struct Case {
        std::vector<std::pair<double, double>> raR9; // NaN Ra: a row of (x, y) only
        std::optional<double> minRa, minR9;
        std::uint64_t shortRows;
        std::vector<std::string> told;
    };
    const double none = std::nan("");
    const std::vector<Case> cases{
        {{{95, 50}, {85, -5}, {75, 10}}, std::nullopt, std::nullopt, 0,
         {"Ra：最低 75.00，平均 85.00；Ra ≥ 80 占 66.7%，Ra ≥ 90 占 33.3%", "R9：最低 -5.00，平均 18.33；R9 > 0 占 66.7%"}},
        {{{95, 50}, {85, -5}, {75, 10}}, 80.0, 0.0, 2, {"Ra 低于 80 或没有 Ra：1 行", "R9 低于 0 或没有 R9：1 行"}},
        {{{none, 0}, {90, 20}}, 80.0, std::nullopt, 1, {"Ra 低于 80 或没有 Ra：1 行"}},
        {{{80, 0}, {90, 20}}, 80.0, 0.0, 0, {"Ra 低于 80 或没有 Ra：0 行", "R9 低于 0 或没有 R9：0 行"}}, // at the limit
    };
    for (const Case &c : cases) {
        Summary summary(kGb4000);
        summary.SetColourLimits(c.minRa, c.minR9);
        for (const auto &[ra, r9] : c.raR9) {
            Rating rating;
            rating.rated = true;
            if (!std::isnan(ra)) {
                rating.spectral.present = true;
                rating.spectral.figures.rendering.defined = true;
                rating.spectral.figures.rendering.ra = ra;
                rating.spectral.figures.rendering.r[8] = r9;
            }
            summary.Add(rating);
        }
        const std::string text = summary.Text();
        for (const std::string &told : c.told)
            QVERIFY2(text.find(told) != std::string::npos, text.c_str());
        QCOMPARE(summary.shortOfColour(), c.shortRows);
        QCOMPARE(summary.allGood(), c.shortRows == 0);
    }
}

void TestBatchReading::colordIlluminantsAsCgats()
{
    // colord-data's CGATS spectra of CIE F1–F12 read as one row each, with
    // the Ra the CIE publishes for them (rounded); F8 (95) the CIE rated at
    // its nominal 5000 K, the batch at its exact 4997 K (Planck's radiator:
    // 95.50), as the spectra's own tests explain.
    const QDir folder(QStringLiteral(NORVAK_COLORD_DIR "/illuminant"));
    if (!folder.exists("CIE-F1.sp"))
        QSKIP("colord-data's illuminants are not installed");
    const std::array<int, 12> published{76, 64, 57, 51, 72, 59, 90, 96, 90, 81, 83, 83};
    for (std::size_t i = 0; i < published.size(); ++i) {
        const ReadFile file = Read(folder.filePath(QString("CIE-F%1.sp").arg(i + 1)), {.row = kGb4000});
        QCOMPARE(file.problem, HeaderProblem::None);
        QCOMPARE(int(file.layout.spectral), int(SpectralKind::Cgats));
        QCOMPARE(file.rows.size(), std::size_t(1));
        const Rating &r = file.rows[0].rating;
        QVERIFY2(r.rated, r.error.c_str());
        QCOMPARE(int(std::lround(r.spectral.figures.rendering.ra)), published[i]);
    }
}

namespace {

// The lines of a file, one changed, added before or dropped (with "-").
QByteArray WithLine(const QByteArray &text, int line, const QByteArray &replacement, bool before = false)
{
    QList<QByteArray> lines = text.split('\n');
    if (before)
        lines.insert(line - 1, replacement);
    else if (replacement == "-")
        lines.removeAt(line - 1);
    else
        lines[line - 1] = replacement;
    return lines.join('\n');
}

// A wide file over 300–1100 nm at 5 nm, the cells outside 380–780 nm blank;
// the middle LED also blank at blankNm, if given.
QByteArray WideBeyondTheBands(const std::vector<Led> &leds, int blankNm = 0)
{
    QByteArray text = "编号";
    for (int nm = 300; nm <= 1100; nm += 5)
        text += "," + QByteArray::number(nm);
    text += "\n";
    for (std::size_t i = 0; i < leds.size(); ++i) {
        text += QByteArray::fromStdString(leds[i].name);
        for (int nm = 300; nm <= 1100; nm += 5) {
            const bool inside = nm >= 380 && nm <= 780 && !(i == 1 && nm == blankNm);
            text += "," + (inside ? QByteArray::fromStdString(leds[i].values[std::size_t(nm - 380) / 5]) : QByteArray());
        }
        text += "\n";
    }
    return text;
}

} // namespace

void TestBatchReading::cellsOutOfLine()
{
    // A wide row whose cells do not line up with its header fails, naming
    // its line and both counts; blank cells outside 380–780 nm are no
    // fault; a long file's footer ends its table (noted), a quote left open
    // is named for the LEDs it hides, and a cell too many fails every LED.
    // Each row: "" rated, else a part of its message.
    std::vector<Led> extra = ThreeLeds(), fewer = ThreeLeds();
    extra[1].values[20] = "0,3506"; // an unquoted decimal comma: two cells
    fewer[1].values.erase(fewer[1].values.begin() + 20);
    const std::vector<Led> leds = ThreeLeds();
    const QByteArray longFile = LongSpectralFile(leds); // 500 nm on line 29, the last on line 85
    struct Case {
        const char *name;
        QByteArray text;
        std::vector<std::string> rows;
        std::string note;
    };
    const std::string quote = UnclosedQuoteMessage(29);
    const std::vector<Case> cases{
        {"wide, a cell too many", WideSpectralFile(extra, ',', false), {"", "第 3 行有 85 格，表头有 84 格", ""}, ""},
        {"wide, a cell too few", WideSpectralFile(fewer, ',', false), {"", "第 3 行有 83 格，表头有 84 格", ""}, ""},
        {"wide, blank beyond 380–780 nm", WideBeyondTheBands(leds), {"", "", ""}, ""},
        {"wide, blank within", WideBeyondTheBands(leds, 500), {"", "（波长 500 nm）是空的", ""}, ""},
        {"long, a footer", longFile + "Total\t1\t2\t3\n\n合计\n", {"", "", ""},
         "第 86 行的波长格“Total”不是数，当作表尾：光谱表到上一行为止，这一行及其后共 2 行没有读。"},
        {"long, a word inside the table", WithLine(longFile, 29, "Total\t1\t2\t3", true),
         {"第 29 行：“波长(nm)”列的“Total”不是一个数", "第 29 行", "第 29 行"}, ""},
        {"long, a quote left open", WithLine(longFile, 29, "500\t0.5\t\"0.5\t0.5"), {"", quote, quote}, ""},
        {"long, a cell too many", WithLine(longFile, 29, "500\t0.5\t0,5\t0.5\t0.5"),
         {"第 29 行有 5 格，表头有 4 格", "第 29 行有 5 格", "第 29 行有 5 格"}, ""},
        {"long, blank beyond 380–780 nm", WithLine(longFile, 5, "375\t0.01\t\t0.01\t", true), {"", "", ""}, ""},
    };
    for (const Case &c : cases) {
        const ReadFile file = Read(WriteFile(dir_, "lines.csv", c.text), {.row = kGb4000});
        QVERIFY2(file.problem == HeaderProblem::None, c.name);
        QVERIFY2(file.rows.size() == c.rows.size(), c.name);
        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            const Rating &r = file.rows[i].rating;
            const bool expected = c.rows[i].empty() ? r.rated : !r.rated && r.error.find(c.rows[i]) != std::string::npos;
            QVERIFY2(expected, (std::string(c.name) + ", row " + std::to_string(i + 1) + ": " + r.error).c_str());
        }
        QVERIFY2(c.note.empty() ? file.layout.spectralNote.empty() : file.layout.spectralNote == c.note,
                 (std::string(c.name) + ": " + file.layout.spectralNote).c_str());
    }
}

void TestBatchReading::fileXyWithoutBothCells()
{
    // The instrument's x and y are compared with the spectrum's only where
    // both cells hold a number: an empty y is not 0.
    QByteArray text = WideSpectralFile(ThreeLeds(), ',', false);
    text.replace("LED-A,0.3800,0.3800,", "LED-A,0.3000,0.3000,");
    text.replace("LED-B,0.3800,0.3800,", "LED-B,0.3000,,");
    text.replace("LED-C,0.3800,0.3800,", "LED-C,0.4500,0.4500,");
    const ReadFile file = Read(WriteFile(dir_, "xy.csv", text), {.row = kGb4000});
    QCOMPARE(file.rows.size(), std::size_t(3));
    Summary summary(kGb4000);
    for (const ReadRow &row : file.rows)
        summary.Add(row.rating, row.line);
    QVERIFY(!file.rows[1].rating.spectral.fileXy);
    const colorimetry::Xy c = file.rows[2].rating.spectral.figures.xy;
    QCOMPARE(summary.largestXyDifferenceLine(), std::uint64_t(4));
    QCOMPARE(*summary.largestXyDifference(), std::hypot(c.x - 0.45, c.y - 0.45));
}

void TestBatchReading::fileTextEscapedInTheSummary()
{
    // Control characters from the file (a terminal's escape sequences) reach
    // the summary escaped, as in a cell's message: metadata lines, CGATS
    // keywords, bin names.
    const std::vector<Led> leds = ThreeLeds();
    const QByteArray escape = "\x1b]0;title\x07\x1b[2J";
    QByteArray metadata = LongSpectralFile(leds);
    metadata.replace("SP-1", escape);
    const auto bins = std::make_shared<const colorimetry::BinSet>(std::vector<colorimetry::Bin>{
        {"A" + escape.toStdString(), {{0.36, 0.36}, {0.40, 0.36}, {0.40, 0.40}, {0.36, 0.40}}},
        {"B\x07", {{0.38, 0.38}, {0.44, 0.38}, {0.44, 0.42}, {0.38, 0.42}}}});
    const std::pair<QByteArray, std::shared_ptr<const colorimetry::BinSet>> cases[] = {
        {metadata, nullptr},
        {CgatsSpectralFile(leds, "DESCRIPTOR \"" + escape + "\"\n"), nullptr},
        {"id,x,y\n1,0.39,0.39\n", bins},
    };
    for (const auto &[text, binSet] : cases) {
        const ReadFile file = Read(WriteFile(dir_, "escape.txt", text), {.row = kGb4000, .bins = binSet});
        Summary summary(kGb4000);
        summary.SetBins(binSet);
        for (const ReadRow &row : file.rows)
            summary.Add(row.rating, row.line);
        summary.SetReading(file.layout);
        for (const std::string &told : {summary.Text(), summary.Line()}) {
            QVERIFY2(std::none_of(told.begin(), told.end(), [](char ch) { return ch != '\n' && uchar(ch) < 0x20; }),
                     told.c_str());
            QVERIFY2(told.find("[U+001B]") != std::string::npos || told.find("[U+0007]") != std::string::npos,
                     told.c_str());
        }
    }
}

void TestBatchReading::writtenFigures()
{
    // An undefined FWHM is an empty cell, never 0.0 (a ramp rising to 780 nm
    // never falls to half on its right); rf_hj and rcs_hj carry the
    // library's Rf,hj and Rcs,hj.
    OutputColumns columns(kGb4000);
    columns.spectral = true;
    columns.tm30Bins = true;
    const auto names = OutputNames(columns);
    auto at = [&](std::string_view name) { return std::size_t(std::find(names.begin(), names.end(), name) - names.begin()); };
    colorimetry::Spectrum ramp;
    for (int nm = 380; nm <= 780; nm += 5) {
        ramp.nm.push_back(nm);
        ramp.value.push_back(nm - 370);
    }
    colorimetry::Bands bands{};
    Rating rating;
    RateSpectrum(kGb4000, ramp, false, bands, rating);
    QVERIFY2(rating.rated, rating.error.c_str());
    QCOMPARE(std::string(OutputCells(columns, rating)[at("fwhm_nm")]), std::string());

    const colorimetry::Spectrum led = SpectrumOf(LedValues(450, 560, 0.55));
    RateSpectrum(kGb4000, led, false, bands, rating);
    colorimetry::Bands own{};
    colorimetry::ResampleToBands(led, own);
    const colorimetry::Tm30Result tm30 = colorimetry::ComputeTm30(own);
    QVERIFY(tm30.defined);
    const OutputCells cells(columns, rating);
    for (const std::size_t j : {std::size_t(0), std::size_t(15)}) {
        const std::string bin = std::to_string(j + 1);
        QCOMPARE(std::string(cells[at("rcs_h" + bin)]), Fixed(tm30.bins[j].rcs, 2));
        QCOMPARE(std::string(cells[at("rf_h" + bin)]), Fixed(tm30.bins[j].rf, 2));
    }
}

namespace {

// A long file of the three LEDs under the given header lines, with a line end.
QByteArray LongFileUnder(const QByteArray &header, const QByteArray &lineEnd, char delimiter = ',')
{
    const std::vector<Led> leds = ThreeLeds();
    QByteArray text = header;
    for (std::size_t i = 0; i < leds[0].values.size(); ++i) {
        text += QByteArray::number(380 + 5 * int(i));
        for (const Led &led : leds)
            text += delimiter + QByteArray::fromStdString(led.values[i]);
        text += lineEnd;
    }
    return text;
}

} // namespace

void TestBatchReading::headerUnits_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("quantity"); // RadiometricQuantity
    QTest::addColumn<double>("watts");
    QTest::addColumn<std::uint64_t>("firstLine");
    using Q = colorimetry::RadiometricQuantity;
    // A spectrometer's export: names above units, Mac Roman, CR CR LF.
    const QByteArray crcrlf = "\r\r\n";
    const QByteArray units = "Wavelength [nm],Ee [W/(sqm*nm)],Ee [W/(sqm*nm)],Ee [W/(sqm*nm)]";
    const QStringList macNames{"Probe 25°C", "Probe 85°C", "Référence"};
    QTest::newRow("two lines, Mac Roman, CR CR LF")
        << Encoded(LongFileUnder("," + macNames.join(',').toUtf8() + crcrlf + units + crcrlf, crcrlf), "MACINTOSH")
        << macNames << int(Q::Irradiance) << 1.0 << std::uint64_t(5);
    QTest::newRow("two lines, tabs, mW")
        << LongFileUnder("Wavelength\tA\tB\tC\nnm\tmW/m2/nm\tmW/m2/nm\tmW/m2/nm\n", "\n", '\t')
        << QStringList{"A", "B", "C"} << int(Q::Irradiance) << 1e-3 << std::uint64_t(3);
    QTest::newRow("one line, flux") << LongFileUnder("波长(nm),A [W/nm],B [W/nm],C [W/nm]\n", "\n")
                                    << QStringList{"A [W/nm]", "B [W/nm]", "C [W/nm]"} << int(Q::Flux) << 1.0
                                    << std::uint64_t(2);
    QTest::newRow("units that differ: relative")
        << LongFileUnder(",A,B,C\nnm,W/m2/nm,W/m2/nm,counts\n", "\n") << QStringList{"A", "B", "C"}
        << int(Q::Relative) << 1.0 << std::uint64_t(3);
}

void TestBatchReading::headerUnits()
{
    // Each LED is a row named by the names line, never the units line; an
    // absolute unit adds Ev, melanopic EDI and E_B (or Φv) from the
    // library's figures of the same spectrum.
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, names);
    QFETCH(int, quantity);
    QFETCH(double, watts);
    QFETCH(std::uint64_t, firstLine);
    const ReadFile file = Read(WriteFile(dir_, "units.csv", bytes), {.row = kGb4000});
    QCOMPARE(file.problem, HeaderProblem::None);
    QCOMPARE(int(file.layout.spectral), int(SpectralKind::Long));
    QCOMPARE(int(file.layout.columns.unit.quantity), quantity);
    QCOMPARE(file.layout.columns.unit.watts, watts);
    QCOMPARE(file.layout.undecodableBytes, std::uint64_t(0));
    QCOMPARE(int(file.rows.size()), names.size());
    const auto columns = OutputNames(file.layout.columns);
    auto at = [&](std::string_view name) { return std::size_t(std::find(columns.begin(), columns.end(), name) - columns.begin()); };
    QCOMPARE(at("ev_lx") < columns.size(), quantity == int(colorimetry::RadiometricQuantity::Irradiance));
    QCOMPARE(at("phi_lm") < columns.size(), quantity == int(colorimetry::RadiometricQuantity::Flux));
    const std::vector<Led> leds = ThreeLeds();
    for (std::size_t i = 0; i < file.rows.size(); ++i) {
        const ReadRow &row = file.rows[i];
        QCOMPARE(QString::fromStdString(row.cells[0]), names[int(i)]);
        QVERIFY2(row.rating.rated, row.rating.error.c_str());
        QCOMPARE(row.line, firstLine);
        const colorimetry::LightAndHealth h = colorimetry::FiguresOf(SpectrumOf(leds[i].values)).health;
        QCOMPARE(row.rating.spectral.figures.health.der[colorimetry::Melanopic], h.der[colorimetry::Melanopic]);
        const OutputCells cells(file.layout.columns, row.rating);
        QCOMPARE(std::string(cells[at("mel_der")]), Fixed(h.der[colorimetry::Melanopic], 4));
        QCOMPARE(std::string(cells[at("k_bv")]), Fixed(h.blueLightEfficacy, 4));
        const colorimetry::AbsoluteLight a = colorimetry::AbsoluteOf(h, watts);
        if (at("ev_lx") < columns.size()) {
            QCOMPARE(std::string(cells[at("ev_lx")]), Fixed(a.illuminance, 3));
            QCOMPARE(std::string(cells[at("mel_edi_lx")]), Fixed(a.melanopicEdi, 3));
            QCOMPARE(std::string(cells[at("e_b")]), Fixed(a.blueLight, 6));
        }
        if (at("phi_lm") < columns.size())
            QCOMPARE(std::string(cells[at("phi_lm")]), Fixed(a.illuminance, 3));
    }

    // A file of points whose header's first cell is blank: the line under
    // it, looked at for units, is its first row.
    const ReadFile points = Read(WriteFile(dir_, "points.csv", ",x,y\n1,0.38,0.38\n2,0.31,0.33\n"), {.row = kGb4000});
    QCOMPARE(points.problem, HeaderProblem::None);
    QCOMPARE(points.rows.size(), std::size_t(2));
    QCOMPARE(points.rows[0].line, std::uint64_t(2));
    QCOMPARE(points.rows[0].rating.x, 0.38);
}

void TestBatchReading::threadsRateAsOneDoes()
{
    // Rows rated on three threads, block after block, are the rows one
    // thread rates, in the same order: cells, line, rating and figures.
    const std::vector<Led> leds = ThreeLeds();
    QByteArray wide = WideSpectralFile(leds, ',', false);
    const QByteArray rows = wide.mid(wide.indexOf('\n') + 1);
    for (int i = 0; i < 300; ++i)
        wide += rows;
    QByteArray points = "id;x;y\n";
    for (int i = 0; i < 1500; ++i)
        points += QByteArray::number(i) + ";0." + QByteArray::number(3700 + i % 200) + ";"
                  + (i % 101 == 7 ? QByteArray("x") : "0." + QByteArray::number(3650 + i % 300)) + "\n";
    points += "1500;\"0.38;0.38\n";
    // Lines ended by CRLF or CR, blank ones, and quoted cells over two
    // lines, across the blocks read and the blocks rated.
    QByteArray mixed = "id,x,y\r\n";
    for (int i = 0; i < 6000; ++i) {
        mixed += (i % 13 == 5 ? "\"" + QByteArray::number(i) + "\n\"" : QByteArray::number(i)) + ",0.3"
                 + QByteArray::number(700 + i % 200) + ",0.3" + QByteArray::number(650 + i % 300)
                 + (i % 7 == 3 ? "\r" : i % 5 == 1 ? "\n" : "\r\n");
        if (i % 97 == 0)
            mixed += " , ,\n";
    }
    for (const QByteArray &text : {wide, points, mixed}) {
        const QString path = WriteFile(dir_, "threads.csv", text);
        const ReadFile one = Read(path, {.row = kGb4000}, 1u << 16);
        const ReadFile three = Read(path, {.row = kGb4000}, 1u << 16, 3);
        QVERIFY(one.rows.size() > 900);
        QCOMPARE(three.rows.size(), one.rows.size());
        for (std::size_t i = 0; i < one.rows.size(); ++i) {
            const Rating &a = one.rows[i].rating, &b = three.rows[i].rating;
            QCOMPARE(three.rows[i].cells, one.rows[i].cells);
            QCOMPARE(three.rows[i].line, one.rows[i].line);
            QCOMPARE(b.error, a.error);
            QCOMPARE(b.steps, a.steps);
            QCOMPARE(b.exact.cct, a.exact.cct);
            QCOMPARE(b.spectral.figures.rendering.ra, a.spectral.figures.rendering.ra);
            QCOMPARE(b.spectral.tm30.rf, a.spectral.tm30.rf);
        }
    }
}

void TestBatchReading::tm27Documents()
{
    // A TM-27 document is one row, told by its content in every form labs
    // write; its header's fields are cells, its spectrum is rated as any;
    // a document cut short, or one that covers too little, fails its row
    // with the line or the wavelength.
    const std::vector<std::string> values = LedValues(450, 560, 0.55);
    const colorimetry::SpectrumFigures expected = colorimetry::FiguresOf(SpectrumOf(values));
    const QByteArray header = "<Manufacturer>华灿 &amp; Co</Manufacturer><CatalogNumber>C-1</CatalogNumber>";
    struct Case {
        const char *name;
        QByteArray text;
        const char *error; // in the row's message; empty: rated
    };
    QByteArray cut = SpdxText(values, "http://www.ies.org/iestm2714", header);
    cut.truncate(cut.indexOf("<SpectralData wavelength=\"600\""));
    const std::vector<Case> cases{
        {"2014 namespace", SpdxText(values, "http://www.ies.org/iestm2714", header), ""},
        {"2020 namespace", SpdxText(values, "http://www.ies.org/iestm2714/2020", header), ""},
        {"no namespace, samples falling", SpdxText(values, "", header, true), ""},
        {"cut short", cut, "行"},
        {"from 400 nm, in a few bytes", "<IESTM2714><SpectralDistribution><SpectralData wavelength=\"400\">1"
                                        "</SpectralData></SpectralDistribution></IESTM2714>", "400"},
    };
    for (const Case &c : cases) {
        const ReadFile file = Read(WriteFile(dir_, "led.spdx", c.text), {.row = kGb4000});
        QCOMPARE(file.problem, HeaderProblem::None);
        QCOMPARE(int(file.layout.spectral), int(SpectralKind::Spdx));
        QCOMPARE(file.rows.size(), std::size_t(1));
        const Rating &r = file.rows[0].rating;
        if (*c.error) {
            QVERIFY2(!r.rated && QString::fromStdString(r.error).contains(c.error), c.name);
            continue;
        }
        QVERIFY2(r.rated, r.error.c_str());
        QCOMPARE(file.rows[0].cells[1], std::string("华灿 & Co"));
        QCOMPARE(r.spectral.figures.xy.x, expected.xy.x);
        QCOMPARE(r.spectral.figures.rendering.ra, expected.rendering.ra);
    }
}

QTEST_GUILESS_MAIN(TestBatchReading)
#include "test_batch_reading.moc"
