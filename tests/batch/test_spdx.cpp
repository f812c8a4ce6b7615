// IES TM-27 files: each form labs write them in, XML that is not
// well-formed (refused with its line), samples that cannot be read, and a
// document written and read back.

#include "spdx.h"

#include <QTest>

#include <cmath>

namespace {

// A document around the given root tag, header and samples.
std::string Document(const std::string &before, const std::string &open, const std::string &close,
                     const std::string &prefix, const std::string &samples)
{
    const std::string p = prefix;
    return before + open + "\n<" + p + "Header>\n<" + p + "Manufacturer>ACME &amp; Söhne</" + p
           + "Manufacturer>\n<" + p + "CatalogNumber>W-4000</" + p + "CatalogNumber>\n<" + p
           + "ReportDate>00/00/00</" + p + "ReportDate>\n<" + p + "Comments><![CDATA[25 °C, <350 mA>]]></" + p
           + "Comments>\n</" + p + "Header>\n<" + p + "SpectralDistribution>\n<" + p
           + "SpectralQuantity>irradiance</" + p + "SpectralQuantity>\n<" + p + "BandwidthCorrected>TRUE</" + p
           + "BandwidthCorrected>\n" + samples + "</" + p + "SpectralDistribution>\n" + close + "\n";
}

std::string Samples(const std::string &prefix, std::initializer_list<std::pair<const char *, const char *>> values)
{
    std::string text;
    for (const auto &[nm, value] : values)
        text += "<" + prefix + "SpectralData wavelength=\"" + nm + "\">" + value + "</" + prefix + "SpectralData>\n";
    return text;
}

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

} // namespace

class TestSpdx : public QObject {
    Q_OBJECT
private slots:
    // Every form is read alike: its header, its quantity, "TRUE", and the
    // samples by wavelength whatever their order and spacing.
    void acceptedForms_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const std::string samples = Samples("", {{"390", "0.3"}, {"380", "0.1"}, {"382.5", " 2E-1 "}});
        const std::string prefixed = Samples("tm:", {{"390", "0.3"}, {"380", "0.1"}, {"382.5", "+0.2"}});
        auto row = [](const char *name, const std::string &text) {
            QTest::newRow(name) << QByteArray::fromStdString(text);
        };
        row("2014 namespace, stylesheet",
            Document(kDeclaration + "<?xml-stylesheet type=\"text/xsl\" href=\"spdx.xsl\"?>\n",
                     "<IESTM2714 xmlns=\"http://www.ies.org/iestm2714\" version=\"1.0\">", "</IESTM2714>", "", samples));
        row("another namespace", Document(kDeclaration, "<IESTM2714 xmlns=\"urn:example:tm27:2020\" version=\"2.0\">",
                                          "</IESTM2714>", "", samples));
        row("no namespace, no declaration", Document("", "<IESTM2714>", "</IESTM2714>", "", samples));
        row("prefixed", Document(kDeclaration, "<tm:IESTM2714 xmlns:tm=\"http://www.ies.org/iestm2714\">",
                                 "</tm:IESTM2714>", "tm:", prefixed));
        QByteArray crlf = QByteArray::fromStdString(
            "\xEF\xBB\xBF<!-- exported -->\n" + Document("", "<IESTM2714>", "</IESTM2714>", "", samples));
        QTest::newRow("BOM, comment, CR LF") << crlf.replace("\n", "\r\n");
    }
    void acceptedForms()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(batch::LooksLikeSpdx(bytes.toStdString()));
        std::string error;
        const batch::SpdxDocument d = batch::ParseSpdx(bytes.toStdString(), error);
        QVERIFY2(error.empty(), error.c_str());
        QCOMPARE(*d.Field("Manufacturer"), "ACME & Söhne");
        QCOMPARE(*d.Field("CatalogNumber"), "W-4000");
        QCOMPARE(*d.Field("ReportDate"), "00/00/00");
        QCOMPARE(*d.Field("Comments"), "25 °C, <350 mA>");
        QVERIFY(!d.Field("Laboratory"));
        QCOMPARE(d.spectralQuantity, "irradiance");
        QCOMPARE(int(batch::UnitOf(d).quantity), int(colorimetry::RadiometricQuantity::Irradiance));
        QCOMPARE(d.bandwidthCorrected, std::optional<bool>(true));
        QCOMPARE(d.spectrum.nm, (std::vector<double>{380, 382.5, 390}));
        QCOMPARE(d.spectrum.value, (std::vector<double>{0.1, 0.2, 0.3}));
        QVERIFY(d.sampleProblem.empty() && d.notes.empty());
    }

    // XML that is not well-formed, or not TM-27, is refused with its line.
    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("told");
        const std::string good = Samples("", {{"380", "0.1"}});
        QTest::newRow("tag not closed") << QByteArray("<IESTM2714>\n<Header>\n<Manufacturer>A</Header>\n</IESTM2714>\n")
                                        << "第 3 行：不是格式正确的 XML：结束标签";
        QTest::newRow("attribute without quotes")
            << QByteArray("<IESTM2714>\n<SpectralDistribution>\n\n<SpectralData wavelength=380>1</SpectralData>\n")
            << "第 4 行：不是格式正确的 XML：属性写错了";
        QTest::newRow("cut short") << QByteArray::fromStdString("<IESTM2714>\n<SpectralDistribution>\n" + good)
                                   << "第 3 行：不是格式正确的 XML";
        QTest::newRow("two roots") << QByteArray("<IESTM2714>\n</IESTM2714>\n<IESTM2714/>\n")
                                   << "第 3 行：不是格式正确的 XML：有第二个根元素";
        QTest::newRow("text after the root") << QByteArray("<IESTM2714/>\nEND\n") << "根元素之外有文本 “END”";
        QTest::newRow("another root") << QByteArray("<?xml version=\"1.0\"?>\n<svg/>\n") << "第 2 行：根元素是 <svg>";
        QTest::newRow("empty") << QByteArray("") << "文件里没有 XML 元素";
    }
    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, told);
        std::string error = "not emptied";
        const batch::SpdxDocument d = batch::ParseSpdx(bytes.toStdString(), error);
        QVERIFY2(QString::fromStdString(error).contains(told), error.c_str());
        QVERIFY(d.spectrum.nm.empty() && d.header.empty());
    }

    // A value that is no number is reported with its line and left out; a
    // wavelength twice is noted, kept once when its values agree.
    void badSamples()
    {
        const std::string samples = Samples("", {{"380", "0.1"}, {"385", "n/a"}, {"x", "0.2"}, {"390", "0.3"},
                                                 {"390", "0.3"}, {"395", "0.4"}, {"395", "0.5"}, {"400", "inf"}});
        std::string error;
        const batch::SpdxDocument d = batch::ParseSpdx(Document("", "<IESTM2714>", "</IESTM2714>", "", samples), error);
        QVERIFY(error.empty());
        QCOMPARE(QString::fromStdString(d.sampleProblem),
                 "第 12 行：波长 385 nm 的值 “n/a” 不是一个数：光谱的值必须是十进制数（例如 0.0123）。");
        QCOMPARE(d.spectrum.nm, (std::vector<double>{380, 390, 395, 395}));
        QCOMPARE(QString::fromStdString(d.notes), "波长 390 nm 出现了两次，值相同，只用一次。\n波长 395 nm 出现了两次，值不同。");
        QVERIFY(!batch::LooksLikeSpdx("wavelength,LED1\n380,0.1\n"));
        QVERIFY(!batch::LooksLikeSpdx("<?xml version=\"1.0\"?><svg/>"));
    }

    // Written and read back: the same document, text escaped, every number
    // the same double.
    void roundTrip()
    {
        batch::SpdxDocument d;
        d.header = {{"Manufacturer", "<&> \"quoted\" 'single' 中文"}, {"Description", "line one\r\nline two\rthree"},
                    {"DocumentCreator", "ambrix 1.0"}, {"ReportDate", "00/00/00"}, {"Comments", "tab\there"}};
        d.spectralQuantity = "flux";
        d.bandwidthFwhm = 2.5;
        d.bandwidthCorrected = false;
        for (int i = 0; i <= 400; ++i) {
            d.spectrum.nm.push_back(380 + i * 0.1 * 10);
            d.spectrum.value.push_back(std::ldexp(0.1 + i / 3.0, -i));
        }
        d.spectrum.nm.back() = 780.25;
        std::string error;
        const std::string written = batch::WriteSpdx(d);
        QVERIFY(batch::LooksLikeSpdx(written));
        const batch::SpdxDocument back = batch::ParseSpdx(written, error);
        QVERIFY2(error.empty(), error.c_str());
        QCOMPARE(back.header, d.header);
        QVERIFY(back == d);

        // A control character XML cannot carry is written as U+FFFD: the
        // file stays one that every XML reader takes.
        d.header = {{"Comments", "bell\x07"}};
        QCOMPARE(*batch::ParseSpdx(batch::WriteSpdx(d), error).Field("Comments"), "bell\uFFFD");
    }
};

QTEST_GUILESS_MAIN(TestSpdx)
#include "test_spdx.moc"
