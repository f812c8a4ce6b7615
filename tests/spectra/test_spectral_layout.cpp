// How spectral files are recognised: the header cells that name
// wavelengths (wide files), the first column that names them (long files),
// metadata lines, the cells that fail a spectrum with their message, and
// CGATS files as colord-data and other colour tools write them.

#include "cgats_spectra.h"
#include "number_rules.h"
#include "spectral_layout.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

// A row of cells as the batch reader hands them on.
struct Cells {
    std::vector<std::string> cells;
    std::size_t cellCount() const { return cells.size(); }
    std::string_view cell(std::size_t i) const { return cells[i]; }
};

double Read(std::string_view text)
{
    return entry_rules::ParseNumber(text);
}

std::vector<std::string> Split(const std::string &line)
{
    std::vector<std::string> cells;
    std::size_t begin = 0;
    for (std::size_t comma; (comma = line.find(',', begin)) != std::string::npos; begin = comma + 1)
        cells.push_back(line.substr(begin, comma - begin));
    cells.push_back(line.substr(begin));
    return cells;
}

// "prefix380suffix,prefix385suffix,…" over 380–780 nm at the step.
std::string WavelengthCells(double step, const char *prefix = "", const char *suffix = "nm")
{
    std::string s;
    for (double nm = 380; nm <= 780; nm += step)
        s += (s.empty() ? "" : ",") + std::string(prefix) + QByteArray::number(nm).toStdString() + suffix;
    return s;
}

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestSpectralLayout : public QObject {
    Q_OBJECT
private slots:
    void wavelengthHeaderCells_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<double>("nm"); // 0: names no wavelength
        const struct {
            const char *cell;
            double nm;
        } rows[] = {
            {"380", 380}, {"380nm", 380}, {"380 nm", 380}, {"380.0", 380}, {"382.5", 382.5},
            {"380(nm)", 380}, {"380 [nm]", 380}, {"380（nm）", 380}, {"λ380", 380}, {"λ 380 nm", 380},
            {"Spectral Data 380[nm]", 380}, {"SPEC_380", 380}, {"nm380", 380}, {"３８０ｎｍ", 380},
            {"380NM", 380}, {"波长380", 380}, {"380纳米", 380}, {"Irradiance 380 nm", 380},
            {"相对光谱功率 380nm", 380}, {" 780 ", 780}, {"1200nm", 1200},
            // Not wavelengths: coordinates, years, indices, ranges, currents,
            // numbered things, bare numbers outside 200–1100 nm.
            {"x", 0}, {"CIE x", 0}, {"x(CIE1931)", 0}, {"CIE 1931 x", 0}, {"2019", 0}, {"R9", 0},
            {"3000K", 0}, {"Φe(380-780nm)", 0}, {"380~780", 0}, {"Flux@350mA", 0}, {"LED 1", 0},
            {"R380nm", 0}, {"150", 0}, {"1200", 0}, {"nm", 0}, {"", 0}, {"380 nm 2", 0}, {"350mA", 0},
            {"450%", 0},
        };
        for (const auto &r : rows)
            QTest::addRow("%s", r.cell) << QString::fromUtf8(r.cell) << r.nm;
    }
    void wavelengthHeaderCells()
    {
        QFETCH(QString, cell);
        QFETCH(double, nm);
        const std::optional<double> got = batch::WavelengthInHeaderCell(cell.toStdString());
        QCOMPARE(got.value_or(0), nm);
    }

    void wavelengthColumnNames_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<bool>("names");
        for (const char *yes : {"波长", "波长(nm)", "波长/nm", "Wavelength", "Wavelength (nm)", "wavelength[nm]",
                                "λ/nm", "λ", "nm", "WL", "Lambda", "ＷＡＶＥＬＥＮＧＴＨ"})
            QTest::addRow("%s", yes) << QString::fromUtf8(yes) << true;
        for (const char *no : {"Wavelength 380", "峰值波长", "Peak wavelength (nm)", "x", "", "LED1", "380"})
            QTest::addRow("not %s", no) << QString::fromUtf8(no) << false;
    }
    void wavelengthColumnNames()
    {
        QFETCH(QString, cell);
        QFETCH(bool, names);
        QCOMPARE(batch::NamesWavelengthColumn(cell.toStdString()), names);
    }

    // Which headers are wide spectral ones, and which columns pass through.
    void wideHeaders_data()
    {
        QTest::addColumn<QString>("header");
        QTest::addColumn<int>("wavelengths"); // 0: not a wide spectral header
        QTest::addColumn<QString>("passThrough");
        QTest::newRow("sphere export") << QString::fromStdString("编号,光通量(lm),CIE x,CIE y," + WavelengthCells(5))
                                       << 81 << "0 1 2 3";
        QTest::newRow("instrument words")
            << QString::fromStdString("ID," + WavelengthCells(1, "Spectral Data ", "[nm]") + ",Ra") << 401 << "0 402";
        QTest::newRow("bare numbers, 10 nm") << QString::fromStdString(WavelengthCells(10, "", "") + ",备注") << 41
                                             << "41";
        QTest::newRow("nine wavelengths") << "ID,380,430,480,530,580,630,680,730,780" << 0 << "";
        QTest::newRow("ten wavelengths") << "ID,380,420,470,520,570,620,670,720,750,780" << 10 << "0";
        QTest::newRow("(x, y) file") << "编号,光通量(lm),CIE x,CIE y,备注" << 0 << "";
        QTest::newRow("long file") << QString::fromStdString("波长," + WavelengthCells(10)) << 0 << "";
    }
    void wideHeaders()
    {
        QFETCH(QString, header);
        QFETCH(int, wavelengths);
        QFETCH(QString, passThrough);
        const std::optional<batch::WideSpectralLayout> layout = batch::RecogniseWideHeader(Split(header.toStdString()));
        QCOMPARE(layout ? int(layout->columns.size()) : 0, wavelengths);
        if (!layout)
            return;
        QStringList pass;
        for (std::size_t c : layout->passThrough)
            pass << QString::number(c);
        QCOMPARE(pass.join(' '), passThrough);
        QCOMPARE(layout->nm.front(), 380.0);
        QCOMPARE(layout->nm.back(), 780.0);
    }

    // A wide row's cells: the spectrum, or the first bad cell's message.
    void wideRows_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("message");
        std::string values;
        for (int i = 0; i < 81; ++i)
            values += (i ? "," : "") + QByteArray::number(0.001 * i).toStdString();
        QTest::newRow("good") << QString::fromStdString("T1," + values) << "";
        std::string bad = values;
        bad.replace(bad.find(",0.001,"), 7, ",abc,");
        QTest::newRow("not a number") << QString::fromStdString("T2," + bad)
                                      << "“385nm”列（波长 385 nm）的“abc”不是一个数";
        std::string big = values;
        big.replace(big.find(",0.001,"), 7, ",1e999,");
        QTest::newRow("too large") << QString::fromStdString("T3," + big) << "“1e999”这个数太大";
        QTest::newRow("short row") << QString::fromStdString("T4," + values.substr(0, values.rfind(',')))
                                   << "“780nm”列（波长 780 nm）是空的";
    }
    void wideRows()
    {
        QFETCH(QString, row);
        QFETCH(QString, message);
        const std::vector<std::string> header = Split("编号," + WavelengthCells(5));
        const batch::WideSpectralLayout layout = *batch::RecogniseWideHeader(header);
        colorimetry::Spectrum spectrum;
        const std::string error = batch::ReadWideSpectrum(layout, header, Cells{Split(row.toStdString())}, Read, spectrum);
        QVERIFY2(QString::fromStdString(error).contains(message), error.c_str());
        if (message.isEmpty()) {
            QCOMPARE(spectrum.nm.size(), std::size_t(81));
            QCOMPARE(spectrum.nm[1], 385.0);
            QCOMPARE(spectrum.value[80], 0.08);
        }
    }

    void metadataLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("key"); // empty: no metadata line
        QTest::addColumn<QString>("value");
        QTest::newRow("Chinese") << "积分时间: 100 ms" << "积分时间" << "100 ms";
        QTest::newRow("full-width colon") << "Integration Time (ms)：100" << "Integration Time (ms)" << "100";
        QTest::newRow("colons in the value") << "Date: 2024-01-01 12:00:00" << "Date" << "2024-01-01 12:00:00";
        QTest::newRow("empty value") << "Comment:" << "Comment" << "";
        QTest::newRow("a number first") << "380: 0.1" << "" << "";
        QTest::newRow("a delimiter in the key") << "a,b: c" << "" << "";
        QTest::newRow("no colon") << "SpectraSuite Data File" << "" << "";
    }
    void metadataLines()
    {
        QFETCH(QString, line);
        QFETCH(QString, key);
        QFETCH(QString, value);
        const std::string text = line.toStdString();
        const std::optional<batch::MetadataLine> m = batch::ReadMetadataLine(text);
        QCOMPARE(m.has_value(), !key.isEmpty());
        if (m) {
            QCOMPARE(QString::fromStdString(std::string(m->key)), key);
            QCOMPARE(QString::fromStdString(std::string(m->value)), value);
        }
    }

    // A long table: one spectrum per column, a bad cell failing its own
    // column only, a bad wavelength failing every column from its line on.
    void longTable()
    {
        const std::vector<std::string> header = Split("波长(nm),LED1,,LED3");
        std::optional<batch::LongSpectralLayout> layout = batch::RecogniseLongHeader(header);
        QVERIFY(layout);
        QCOMPARE(layout->names, (std::vector<std::string>{"LED1", "第 3 列", "LED3"}));
        QVERIFY(!batch::RecogniseLongHeader(Split("波长")));
        const std::optional<batch::LongSpectralLayout> single = batch::RecogniseLongHeader(Split("Wavelength (nm),LED1"));
        QVERIFY(single && single->names == std::vector<std::string>{"LED1"});
        QVERIFY(!batch::RecogniseLongHeader(Split("编号,380,385")));

        batch::LongSpectralTable table(*layout);
        table.AddRow(Cells{Split("380,0.1,0.2,0.3")}, 5, Read);
        table.AddRow(Cells{Split("385,0.1,x,0.3")}, 6, Read);
        table.AddRow(Cells{Split("390,0.1,0.2")}, 7, Read);
        QCOMPARE(table.spectrum(0).nm, (std::vector<double>{380, 385, 390}));
        QVERIFY(table.error(0).empty());
        QCOMPARE(QString::fromStdString(table.error(1)), "第 6 行：“第 3 列”列（波长 385 nm）的“x”不是一个数：光谱的值必须是十进制数（例如 0.0123）。");
        QVERIFY(QString::fromStdString(table.error(2)).startsWith("第 7 行：“LED3”列（波长 390 nm）是空的"));
        table.AddRow(Cells{Split("3９5a,0.1,0.2,0.3")}, 8, Read);
        QVERIFY(QString::fromStdString(table.error(0)).startsWith("第 8 行：“波长(nm)”列的“3９5a”不是一个数"));
        QVERIFY(table.spectrum(0).nm.empty());
    }

    // The unit a header cell names: spectral irradiance or flux, and how
    // many W·m⁻²·nm⁻¹ (or W/nm) one of its values is; none for radiance,
    // intensity, counts and words that merely hold a "w".
    void radiometricUnits_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<int>("quantity"); // RadiometricQuantity; Relative: none found
        QTest::addColumn<double>("watts");
        using Q = colorimetry::RadiometricQuantity;
        const struct {
            const char *cell;
            Q quantity;
            double watts;
        } rows[] = {
            {"Ee [W/(m²·nm)]", Q::Irradiance, 1}, {"Ee [W/(sqm*nm)]", Q::Irradiance, 1},
            {"W/m2/nm", Q::Irradiance, 1}, {"W·m⁻²·nm⁻¹", Q::Irradiance, 1}, {"W m^-2 nm^-1", Q::Irradiance, 1},
            {"mW/(m2 nm)", Q::Irradiance, 1e-3}, {"µW/cm²/nm", Q::Irradiance, 1e-2},
            {"uW/(cm^2*nm)", Q::Irradiance, 1e-2}, {"辐照度 W/(m²·nm)", Q::Irradiance, 1},
            {"W/nm", Q::Flux, 1}, {"Spectral flux (mW/nm)", Q::Flux, 1e-3},
            {"W/(sr·m²·nm)", Q::Relative, 0}, {"W/(sr·nm)", Q::Relative, 0}, {"W/m²", Q::Relative, 0},
            {"Power", Q::Relative, 0}, {"counts", Q::Relative, 0}, {"Wavelength [nm]", Q::Relative, 0},
            {"LED-W", Q::Relative, 0}, {"W/nm/nm", Q::Relative, 0},
        };
        for (const auto &r : rows)
            QTest::addRow("%s", r.cell) << QString::fromUtf8(r.cell) << int(r.quantity) << r.watts;
    }
    void radiometricUnits()
    {
        QFETCH(QString, cell);
        QFETCH(int, quantity);
        QFETCH(double, watts);
        const std::optional<batch::UnitInCell> found = batch::RadiometricUnitIn(cell.toStdString());
        QCOMPARE(found ? int(found->unit.quantity) : 0, quantity);
        if (found)
            QCOMPARE(found->unit.watts, watts);
    }

    // Two header lines: the LEDs' names above, the wavelength column's name
    // and the units below; a line of values or a line wider than the names
    // is no units line. A wide header's wavelength cells may name the unit.
    void headerUnits()
    {
        const auto names = Split(",S-,S+,DL");
        const auto units = Split("Wavelength [nm],Ee [W/(sqm*nm)],Ee [W/(sqm*nm)],Ee [W/(sqm*nm)]");
        QVERIFY(!batch::RecogniseLongHeader(names) && batch::IsUnitsLine(names, units));
        const batch::LongSpectralLayout two = batch::RecogniseTwoLineHeader(names, units);
        QCOMPARE(two.names, (std::vector<std::string>{"S-", "S+", "DL"}));
        QCOMPARE(two.wavelengthName, "Wavelength [nm]");
        QCOMPARE(two.columns, (std::vector<std::size_t>{1, 2, 3}));
        QVERIFY(two.unit == (colorimetry::RadiometricUnit{colorimetry::RadiometricQuantity::Irradiance, 1}));
        const auto under = Split("Wavelength,LED1,LED2");
        QVERIFY(batch::IsUnitsLine(under, Split("nm,mW/m2/nm,mW/m2/nm")));
        QCOMPARE(batch::RecogniseTwoLineHeader(under, Split("nm,mW/m2/nm,mW/m2/nm")).unit.watts, 1e-3);
        QVERIFY(!batch::IsUnitsLine(under, Split("380,0.1,0.2")));
        QVERIFY(!batch::IsUnitsLine(under, Split("nm,-1,.5")));
        QVERIFY(!batch::IsUnitsLine(under, Split("nm,W/nm,W/nm,W/nm")));
        QVERIFY(!batch::IsUnitsLine(under, Split("Total,1,2")));
        // Units that differ from LED to LED leave the values relative.
        QVERIFY(!batch::RecogniseTwoLineHeader(under, Split("nm,W/m2/nm,counts")).unit.absolute());
        QVERIFY(!batch::RecogniseLongHeader(Split("波长,LED1 (W/nm),LED2 (mW/nm)"))->unit.absolute());
        QCOMPARE(int(batch::RecogniseLongHeader(Split("波长,LED1 (W/nm),LED2 (W/nm)"))->unit.quantity),
                 int(colorimetry::RadiometricQuantity::Flux));

        const std::optional<batch::WideSpectralLayout> wide =
            batch::RecogniseWideHeader(Split("编号," + WavelengthCells(5, "", " nm [W/(m²·nm)]")));
        QVERIFY(wide && wide->columns.size() == 81 && wide->nm.back() == 780);
        QCOMPARE(int(wide->unit.quantity), int(colorimetry::RadiometricQuantity::Irradiance));
        QVERIFY(!batch::RecogniseWideHeader(Split("编号," + WavelengthCells(5)))->unit.absolute());
    }

    // colord-data's own files, read as a user's would be.
    void colordFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("sets");
        QTest::addColumn<QString>("firstName");
        QTest::addColumn<int>("bands");
        QTest::addColumn<double>("first");
        QTest::addColumn<double>("last");
        QTest::newRow("test colour samples") << "ref/CIE-TCS.sp" << 15 << "TCS01" << 95 << 360.0 << 830.0;
        // Fields named SPEC_300000…: the wavelengths come from the keywords.
        QTest::newRow("A at 1 nm") << "illuminant/CIE-A.sp" << 1 << "第 1 组" << 531 << 300.0 << 830.0;
        QTest::newRow("F1") << "illuminant/CIE-F1.sp" << 1 << "第 1 组" << 81 << 380.0 << 780.0;
    }
    void colordFiles()
    {
        QFETCH(QString, file);
        QFETCH(int, sets);
        QFETCH(QString, firstName);
        QFETCH(int, bands);
        QFETCH(double, first);
        QFETCH(double, last);
        const QByteArray text = ReadFile(QStringLiteral(NORVAK_COLORD_DIR "/") + file);
        QVERIFY(batch::LooksLikeCgats(text.left(4096).toStdString()));
        const batch::CgatsSpectra s = batch::ReadCgatsSpectra(text.toStdString());
        QVERIFY2(s.error.empty(), s.error.c_str());
        QCOMPARE(int(s.sets.size()), sets);
        QCOMPARE(QString::fromStdString(s.sets[0].name), firstName);
        QCOMPARE(int(s.sets[0].spectrum.nm.size()), bands);
        QCOMPARE(s.sets[0].spectrum.nm.front(), first);
        QCOMPARE(s.sets[0].spectrum.nm.back(), last);
        QVERIFY(s.sets.back().error.empty());
    }

    // Files as other tools write them, and broken ones.
    void cgatsFiles_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");     // of the file
        QTest::addColumn<QString>("setError");  // of the last set read
        QTest::addColumn<double>("secondNm");
        const QString argyll = "SPECT\nDESCRIPTOR \"Argyll\"\nSPECTRAL_BANDS \"4\"\nSPECTRAL_START_NM \"380.000000\"\n"
                               "SPECTRAL_END_NM \"390.000000\"\nNUMBER_OF_FIELDS 5\nBEGIN_DATA_FORMAT\n"
                               "SAMPLE_NAME SPEC_380 SPEC_383 SPEC_387 SPEC_390\nEND_DATA_FORMAT\nNUMBER_OF_SETS 1\n"
                               "BEGIN_DATA\n\"LED A\" 0.1 0.2 0.3 0.4\n%1";
        QTest::newRow("rounded names, keywords") << argyll.arg("END_DATA\n") << "" << "" << 380 + 10.0 / 3;
        QTest::newRow("no END_DATA") << argyll.arg("") << "没有以 END_DATA 结束" << "" << 380 + 10.0 / 3;
        const QString cgats17 = "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID XYZ_X nm380 nm390 nm400\nEND_DATA_FORMAT\n"
                                "BEGIN_DATA\n1 95.0 0.1 0.2 0.3\n2 96.0 0.1 %1\nEND_DATA\n";
        QTest::newRow("names only") << cgats17.arg("0.2 0.3") << "" << "" << 390.0;
        QTest::newRow("a value not a number") << cgats17.arg("n/a 0.3") << ""
                                              << "第 2 组（2）：“nm390”列（波长 390 nm）的“n/a”不是一个数" << 390.0;
        QTest::newRow("a set cut short") << cgats17.arg("0.2") << "" << "第 7 行的这一组有 4 个值，应有 5 个" << 390.0;
        QTest::newRow("no spectral field") << "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID RGB_R\nEND_DATA_FORMAT\n"
                                              "BEGIN_DATA\n1 0.5\nEND_DATA\n"
                                           << "没有光谱字段" << "" << 0.0;
        QTest::newRow("no data format") << "CGATS.17\nBEGIN_DATA\n1 0.5\nEND_DATA\n" << "没有数据格式" << "" << 0.0;
    }
    void cgatsFiles()
    {
        QFETCH(QString, text);
        QFETCH(QString, error);
        QFETCH(QString, setError);
        QFETCH(double, secondNm);
        const batch::CgatsSpectra s = batch::ReadCgatsSpectra(text.toStdString());
        const QString told = QString::fromStdString(s.error + s.notes);
        QVERIFY2(error.isEmpty() ? told.isEmpty() : told.contains(error), qPrintable(told));
        if (secondNm == 0)
            return;
        QVERIFY(!s.sets.empty());
        const batch::CgatsSpectralSet &last = s.sets.back();
        QVERIFY2(setError.isEmpty() ? last.error.empty() : QString::fromStdString(last.error).contains(setError),
                 last.error.c_str());
        if (setError.isEmpty())
            QVERIFY(std::fabs(last.spectrum.nm[1] - secondNm) < 1e-9);
        QVERIFY(!s.passThroughNames.empty());
        QCOMPARE(last.passThrough.size(), s.passThroughNames.size());
    }

    // Sets line by line, each a rated or a failed row: a stray value, a set
    // short or cut, sets announced but not there, sets over two lines, a
    // second table; wavelengths by the field names or the keywords. Each set
    // as "name=its value at the shortest wavelength" or "name!its message".
    void cgatsSets_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("sets");
        QTest::addColumn<QString>("notes"); // a part of them; empty: none
        QTest::addColumn<bool>("incomplete");
        const QString head = "CGATS.17\nNUMBER_OF_FIELDS 4\nBEGIN_DATA_FORMAT\nSAMPLE_ID SPEC_380 SPEC_390 SPEC_400\n"
                             "END_DATA_FORMAT\nNUMBER_OF_SETS 3\nBEGIN_DATA\n"; // the data from line 8
        const QString good = "A 0.1 0.2 0.3\nB 0.4 0.5 0.6\nC 0.7 0.8 0.9\n";
        const QString abc = "A=0.1;B=0.4;C=0.7";
        QTest::newRow("a set a line") << head + good + "END_DATA\n" << abc << "" << false;
        QTest::newRow("a stray value in a set")
            << head + "A 0.1 0.2 0.3 0.0003\nB 0.4 0.5 0.6\nC 0.7 0.8 0.9\nEND_DATA\n"
            << "A!第 8 行的这一组有 5 个值，应有 4 个;B=0.4;C=0.7" << "" << false;
        QTest::newRow("a stray value on a line of its own")
            << head + "A 0.1 0.2 0.3\n0.0003\nB 0.4 0.5 0.6\nC 0.7 0.8 0.9\nEND_DATA\n"
            << "A=0.1;第 2 组!第 9 行的这一组有 1 个值;B=0.4;C=0.7" << "NUMBER_OF_SETS 写的是 3 组，数据里有 4 组" << false;
        QTest::newRow("sets over two lines") << head + "A 0.1\n0.2 0.3\nB 0.4\n0.5 0.6\nC 0.7\n0.8 0.9\nEND_DATA\n" << abc
                                             << "" << false;
        QTest::newRow("a set over two lines short")
            << head + "A 0.1\n0.2 0.3\nB 0.4\n0.5\nC 0.7\n0.8 0.9\nEND_DATA\n"
            << "A=0.1;B!第 10–11 行的这一组有 3 个值;C=0.7" << "" << false;
        QTest::newRow("the last set cut short") << head + "A 0.1 0.2 0.3\nB 0.4 0.5 0.6\nC 0.7"
                                                << "A=0.1;B=0.4;C!第 10 行的这一组有 2 个值" << "没有以 END_DATA 结束" << true;
        QTest::newRow("cut at a line end") << head + "A 0.1 0.2 0.3\nB 0.4 0.5 0.6\n"
                                           << "A=0.1;B=0.4;第 3 组!第 3 组缺失" << "没有以 END_DATA 结束" << true;
        QString announced = head;
        announced.replace("SETS 3", "SETS 7");
        QTest::newRow("fewer sets than announced")
            << announced + good + "END_DATA\n"
            << abc + ";第 4 组!第 4 组缺失：NUMBER_OF_SETS 写的是 7 组;第 5 组!第 5 组缺失;第 6 组!第 6 组缺失;第 7 组!第 7 组缺失"
            << "" << false;
        QTest::newRow("a second table")
            << head + good + "END_DATA\nBEGIN_DATA_FORMAT\nSPEC_380 SAMPLE_ID SPEC_390 SPEC_400\n"
                             "END_DATA_FORMAT\nBEGIN_DATA\n0.11 D 0.2 0.3\nEND_DATA\n"
            << abc + ";D=0.11" << "" << false;
        QTest::newRow("a second table with other fields")
            << head + good + "END_DATA\nCGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID XYZ_X SPEC_380 SPEC_390 SPEC_400\n"
                             "END_DATA_FORMAT\nBEGIN_DATA\nD 95 0.1 0.2 0.3\nEND_DATA\n"
            << abc << "第 2 个表（第 12 行起）有第一个表没有的字段 “XYZ_X”" << true;
        const QString bands = "SPECT\nSPECTRAL_START_NM 380\nSPECTRAL_END_NM 400\nSPECTRAL_BANDS 3\n";
        const QString format = "BEGIN_DATA_FORMAT\nSAMPLE_ID %1\nEND_DATA_FORMAT\nBEGIN_DATA\nA 0.1 0.2 0.3\nEND_DATA\n";
        QTest::newRow("names falling, keywords rising")
            << bands + format.arg("SPEC_400 SPEC_390 SPEC_380") << "A=0.3"
            << "与 SPECTRAL_START_NM 380、SPECTRAL_END_NM 400、SPECTRAL_BANDS 3 不一致：波长按字段名读" << false;
        QTest::newRow("names out of order, keywords")
            << bands + format.arg("SPEC_380 SPEC_400 SPEC_390") << "A=0.1" << "不是依次排列的波长：波长按 SPECTRAL_START_NM 380"
            << false;
        QTest::newRow("names out of order, no keywords")
            << "SPECT\n" + format.arg("SPEC_380 SPEC_400 SPEC_390") << "A!光谱字段名（“SPEC_380” … “SPEC_390”）不是依次增大或减小的波长"
            << "" << false;
        QTest::newRow("names a thousand times the keywords")
            << bands + format.arg("SPEC_380000 SPEC_390000 SPEC_400000") << "A=0.1" << "" << false;
    }
    void cgatsSets()
    {
        QFETCH(QString, text);
        QFETCH(QString, sets);
        QFETCH(QString, notes);
        QFETCH(bool, incomplete);
        const batch::CgatsSpectra s = batch::ReadCgatsSpectra(text.toStdString());
        QVERIFY2(s.error.empty(), s.error.c_str());
        const QStringList expected = sets.split(';');
        QCOMPARE(int(s.sets.size()), int(expected.size()));
        for (std::size_t i = 0; i < s.sets.size(); ++i) {
            const batch::CgatsSpectralSet &set = s.sets[i];
            const QString &want = expected[int(i)];
            const QString name = want.section(QRegularExpression("[=!]"), 0, 0);
            QCOMPARE(QString::fromStdString(set.name), name);
            if (want.contains('!')) {
                QVERIFY2(QString::fromStdString(set.error).startsWith(want.section('!', 1)), set.error.c_str());
                continue;
            }
            QVERIFY2(set.error.empty(), set.error.c_str());
            QCOMPARE(set.spectrum.nm, (std::vector<double>{380, 390, 400}));
            QCOMPARE(QString::number(set.spectrum.value[0]), want.section('=', 1));
        }
        QVERIFY2(notes.isEmpty() ? s.notes.empty() : QString::fromStdString(s.notes).contains(notes), s.notes.c_str());
        QCOMPARE(s.incomplete, incomplete);
    }

    void notCgats()
    {
        for (const char *head : {"编号,x,y\n1,0.3,0.3\n", "波长,LED1\n380,0.1\n", "SPECT\n380,0.1\n", ""})
            QVERIFY2(!batch::LooksLikeCgats(head), head);
    }
};

QTEST_APPLESS_MAIN(TestSpectralLayout)
#include "test_spectral_layout.moc"
