// The report as a user gets it: a PDF of the tray page and one page per
// row (or numbered PNGs), the failed rows listed on the tray page, and the
// figures printed as the row has them. Pages are counted with pdfinfo and
// read back with pdftotext (poppler-utils, installed by scripts/setup.sh).

#include "report_file.h"
#include "report_pages.h"

#include "batch_window_widget.h"
#include "export.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include "file_system.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString WriteText(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray Contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString Poppler(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(60000))
        return QStringLiteral("(%1 did not finish)").arg(tool);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// pdftotext reads the pages' text back on Linux. Windows has no poppler:
// under Wine the Linux tools start, but nothing waits for them; the Windows
// round reads the Windows build's reports on Linux instead
// (scripts/windows/differential.sh).
#ifdef _WIN32
constexpr bool kReadsPageText = false;
#else
constexpr bool kReadsPageText = true;
#endif
#define SKIP_WITHOUT_PAGE_TEXT()                                                                                       \
    if (!kReadsPageText)                                                                                               \
    QSKIP("no pdftotext on Windows: the Windows round reads these reports on Linux")

int PageCount(const QString &pdf)
{
    if (!kReadsPageText) // Qt writes each page as an object of its own
        return int(QString::fromLatin1(Contents(pdf)).count(QRegularExpression("/Type\\s*/Page[^s]")));
    const auto match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(Poppler("pdfinfo", {pdf}));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// The text of one page (from 1) without blanks: pdftotext keeps some and
// drops others (between Chinese and digits).
QString PageText(const QString &pdf, int page)
{
    return Poppler("pdftotext", {"-layout", "-f", QString::number(page), "-l", QString::number(page), pdf, "-"})
        .remove(QRegularExpression("\\s+"));
}

// The words of one page with their left, top and bottom (points from the
// page's top left corner).
struct WordBox {
    QString text;
    double left = 0;
    double top = 0;
    double bottom = 0;
};
QList<WordBox> Words(const QString &pdf, int page)
{
    const QString html = Poppler("pdftotext", {"-bbox", "-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
    QList<WordBox> words;
    static const QRegularExpression word(R"re(<word xMin="([^"]*)" yMin="([^"]*)" xMax="[^"]*" yMax="([^"]*)">([^<]*)</word>)re");
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto match = it.next();
        words.push_back({match.captured(4), match.captured(1).toDouble(), match.captured(2).toDouble(),
                         match.captured(3).toDouble()});
    }
    return words;
}

bool Holds(const QString &page, QString text)
{
    return page.contains(text.remove(QRegularExpression("\\s+")));
}

const tolerance::ToleranceEllipse *Ansi4000()
{
    return tolerance::FindEllipse(tolerance::ColourStandard::ANSI, 4000);
}

// The README's worked example: three rows rated, three failed.
const QByteArray kTray = "编号,光通量(lm),CIE x,CIE y,备注\n"
                         "T001,121.2,0.3820,0.3811,\n"
                         "T002,121.2,0.3826,0.3806,\n"
                         "T003,124.1,0.3880,0.3770,\n"
                         "T007,120.5,0.3826,,y 未测\n"
                         "T015,119.3,0.38O2,0.3778,抄写错误\n"
                         "T023,124.1,\"0,3811\",0.3805,小数逗号\n";

// 81 bands of a phosphor white LED, 380–780 nm, joined by sep.
QByteArray WhiteLed(double pump, char sep)
{
    QByteArray text;
    for (int nm = 380; nm <= 780; nm += 5) {
        const auto band = [nm](double peak, double fwhm) {
            const double s = fwhm / 2.3548;
            return std::exp(-0.5 * (nm - peak) * (nm - peak) / (s * s));
        };
        text += (nm > 380 ? QByteArray(1, sep) : QByteArray())
                + QByteArray::number(pump * band(450, 20) + 0.78 * band(540, 105) + 0.8 * band(630, 85), 'f', 6);
    }
    return text;
}

QByteArray Wavelengths(const QByteArray &before, char sep)
{
    QByteArray text;
    for (int nm = 380; nm <= 780; nm += 5)
        text += (nm > 380 ? QByteArray(1, sep) : QByteArray()) + before + QByteArray::number(nm);
    return text;
}

// The file's entries, names only, sorted.
QStringList Entries(const QTemporaryDir &dir)
{
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                                      QDir::Name);
}

// Lays out links, folders and files in dir: "s:NAME:TARGET" a symlink,
// "h:NAME:TARGET" a hard link, "d:NAME" a folder. Windows makes no
// symlinks here (they need a privilege there, and users rarely meet them).
void Lay(const QTemporaryDir &dir, const QStringList &entries)
{
    for (const QString &entry : entries) {
        const QStringList part = entry.split(':');
#ifdef _WIN32
        const auto wide = [](const QString &path) { return QDir::toNativeSeparators(path).toStdWString(); };
        const bool made = part[0] == "h"   ? CreateHardLinkW(wide(dir.filePath(part[1])).c_str(),
                                                             wide(dir.filePath(part[2])).c_str(), nullptr)
                          : part[0] == "d" ? QDir(dir.path()).mkdir(part[1])
                                           : false;
#else
        const QByteArray name = QFile::encodeName(dir.filePath(part[1]));
        const bool made = part[0] == "s"   ? ::symlink(QFile::encodeName(part[2]).constData(), name.constData()) == 0
                          : part[0] == "h" ? ::link(QFile::encodeName(dir.filePath(part[2])).constData(), name.constData()) == 0
                                           : ::mkdir(name.constData(), 0700) == 0;
#endif
        if (!made)
            qFatal("cannot lay out %s", qPrintable(entry));
    }
}

// Whether the platform makes the links of the entries (not Windows' symlinks).
bool CanLay(const QStringList &entries)
{
#ifdef _WIN32
    return entries.filter(QRegularExpression("^s:")).isEmpty();
#else
    Q_UNUSED(entries);
    return true;
#endif
}

#ifdef AMBRIX_PROGRAM
// ambrix rating for ANSI 4000 K in the folder, without a display.
void StartAmbrix(QProcess &process, const QTemporaryDir &dir, const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(dir.path());
    process.start(AMBRIX_PROGRAM, QStringList{"--standard", "ANSI", "--cct", "4000"} + arguments);
}
#endif

report::FileReport Request(const QString &in, const QString &out)
{
    report::FileReport request;
    request.inPath = in;
    request.reportPath = out;
    request.read.row = Ansi4000();
    request.context.date = "2026-12-09 09:00";
    return request;
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT

private slots:
    // The tray page first when more than one row is reported, then a page
    // per row in the file's order; PNG pages numbered, A4 at 192 dpi.
    void pagesOfAReport_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<quint64>>("rows");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QStringList>("firstWords"); // a word each page's text holds, in order
        QTest::newRow("one row: no tray page") << QByteArray("id,x,y\nA1,0.38,0.38\n") << "r.pdf"
                                               << QList<quint64>{} << 1 << QStringList{"A1"};
        QTest::newRow("six rows, three failed") << kTray << "r.pdf" << QList<quint64>{} << 7
                                                << QStringList{"Tray report", "T001", "T002", "T003",
                                                               "T007", "T015", "T023"};
        QTest::newRow("the selected rows") << kTray << "r.pdf" << QList<quint64>{1, 4} << 3
                                           << QStringList{"Tray report", "T002", "T015"};
        QTest::newRow("png pages") << kTray << "r.png" << QList<quint64>{0, 2} << 3 << QStringList{};
    }
    void pagesOfAReport()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, name);
        QFETCH(QList<quint64>, rows);
        QFETCH(int, pages);
        QFETCH(QStringList, firstWords);
        QTemporaryDir dir;
        report::FileReport request = Request(WriteText(dir, "tray.csv", file), dir.filePath(name));
        if (!rows.isEmpty())
            request.rows = std::vector<std::uint64_t>(rows.begin(), rows.end());
        QCOMPARE(report::WriteFileReport(request), QString());
        if (name.endsWith(".png")) {
            for (int page = 1; page <= pages; ++page) {
                const QImage image(report::PngPagePath(request.reportPath, page, pages));
                QCOMPARE(image.size(), report::kPageSize * diagram::kPngScale);
                QCOMPARE(qRound(image.dotsPerMeterX() * 0.0254), 192);
            }
            QVERIFY(!QFile::exists(report::PngPagePath(request.reportPath, pages + 1, pages)));
            QCOMPARE(QFileInfo(report::PngPagePath(request.reportPath, 2, pages)).fileName(), "r-0002.png");
            return;
        }
        QCOMPARE(PageCount(request.reportPath), pages);
        SKIP_WITHOUT_PAGE_TEXT();
        for (int page = 1; page <= firstWords.size(); ++page)
            QVERIFY2(Holds(PageText(request.reportPath, page), firstWords[page - 1]),
                     qPrintable(QStringLiteral("page %1 lacks %2").arg(page).arg(firstWords[page - 1])));
    }

    // Every failed row is on the tray page with its line, name and message;
    // beyond what fits, the page says how many more there are.
    void failedRowsOnTheTrayPage()
    {
        SKIP_WITHOUT_PAGE_TEXT();
        QTemporaryDir dir;
        const QString out = dir.filePath("r.pdf");
        QCOMPARE(report::WriteFileReport(Request(WriteText(dir, "tray.csv", kTray), out)), QString());
        const QString tray = PageText(out, 1);
        QVERIFY2(Holds(tray, "失败的行 Failed rows（3 行）"), qPrintable(tray));
        QVERIFY(Holds(tray, "第 5 行 T007：请输入色坐标x,y值后再计算"));
        QVERIFY(Holds(tray, "第 6 行 T015：“0.38O2”不是一个数"));
        QVERIFY(Holds(tray, "第 7 行 T023：“0,3811”不是一个数"));
        // The failed row's own page has its message.
        QVERIFY(PageText(out, 6).contains("“0.38O2”不是一个数"));

        QByteArray many = "id,x,y\nOK,0.38,0.38\n";
        constexpr int kFailed = 300;
        for (int i = 0; i < kFailed; ++i)
            many += "F" + QByteArray::number(i) + ",abc,0.38\n";
        const QString manyOut = dir.filePath("many.pdf");
        QCOMPARE(report::WriteFileReport(Request(WriteText(dir, "many.csv", many), manyOut)), QString());
        const QString page = PageText(manyOut, 1);
        const auto more = QRegularExpression("另有(\\d+)行失败").match(page);
        QVERIFY2(more.hasMatch(), qPrintable(page));
        const int listed = int(page.count(QRegularExpression("第\\d+行F\\d+：")));
        QVERIFY(listed > 10);
        QCOMPARE(listed + more.captured(1).toInt(), kFailed);
        // The count of the rest stands on the page's body, within the margin
        // the page keeps on every side (the footer's left edge), not in
        // the bottom margin with the footer or beyond.
        const QList<WordBox> words = Words(manyOut, 1);
        const auto rest = std::find_if(words.begin(), words.end(), [](const WordBox &w) { return w.text.startsWith("另有"); });
        const auto footer = std::find_if(words.begin(), words.end(), [](const WordBox &w) { return w.text == "ambrix"; });
        QVERIFY(rest != words.end() && footer != words.end());
        const auto height = QRegularExpression("Page size:\\s+[\\d.]+ x ([\\d.]+)").match(Poppler("pdfinfo", {manyOut}));
        QVERIFY(height.hasMatch());
        const double bodyBottom = height.captured(1).toDouble() - footer->left;
        QVERIFY2(rest->bottom <= bodyBottom + 0.5, qPrintable(QStringLiteral("%1 > %2").arg(rest->bottom).arg(bodyBottom)));
    }

    // The page prints the row's figures: the README's worked example for a
    // point, and a spectral row's every figure as its columns give them.
    void figuresAsTheRowHasThem()
    {
        SKIP_WITHOUT_PAGE_TEXT();
        QTemporaryDir dir;
        const QString out = dir.filePath("r.pdf");
        QCOMPARE(report::WriteFileReport(Request(WriteText(dir, "tray.csv", kTray), out)), QString());
        // T003: 4 steps, SDCM 4.9272, 3800.9 K, Duv −0.00200.
        const QString t003 = PageText(out, 4);
        for (const char *figure : {"0.3880, 0.3770", "4 步", "4.93", "3801 K", "−0.0020", "ANSI 4000 K"})
            QVERIFY2(Holds(t003, figure), qPrintable(QString(figure) + " not in " + t003));

        batch::RatedRow row;
        row.line = 9;
        batch::RateRow(Ansi4000(), "0.3805", "0.3768", false, row.rating);
        colorimetry::Bands bands;
        bands.fill(1);
        row.bands = &bands;
        batch::SpectralRating &s = row.rating.spectral;
        s.present = true;
        s.figures.rendering.defined = true;
        s.figures.rendering.meaningful = true;
        s.figures.rendering.ra = 83.14;
        s.figures.rendering.r.fill(50);
        s.figures.rendering.r[8] = -12.6;
        s.figures.rendering.r[14] = 77.7;
        s.figures.peakNm = 452.5;
        s.figures.fwhmNm = 21.25;
        s.figures.ler = 301.44;
        s.tm30.defined = true;
        s.tm30.rf = 86.72;
        s.tm30.rg = 97.18;
        s.tm30.rcsBin[0] = -5.34;
        report::ReportContext context;
        context.target = Ansi4000();
        const auto text = [&] {
            const QString path = dir.filePath("led.pdf");
            const report::LedReport led = report::LedReportOf(row, {}, context);
            diagram::ExportPicture(path, report::kPageSize, {}, {}, [&](QPainter &p, QSizeF page) {
                report::PaintLedPage(p, led, context, {}, page);
            });
            return PageText(path, 1);
        };
        const QString page = text();
        for (const char *figure : {"83.1", "R9 −12.6", "R15 77.7", "86.7 / 97.2", "−5.3 %", "452.5 nm",
                                      "21.3 nm", "301.4 lm/W"})
            QVERIFY2(Holds(page, figure), qPrintable(QString(figure) + " not in " + page));

        // Off the locus: the indices are computed but said to mean little;
        // without a CCT, there are none, and the page says why.
        s.figures.rendering.meaningful = false;
        s.figures.cct = row.rating.exact;
        s.figures.cct.duv = 0.0071;
        QVERIFY(text().contains("0.0054"));
        // A largest sample at the window's edge is no peak, and has no
        // width: the page says so instead of a number; Rf stands alone
        // where Rg is not defined.
        s.figures.peakNm = NAN;
        s.figures.edgeNm = 380;
        s.figures.fwhmNm.reset();
        s.tm30.defined = false;
        s.tm30.fidelityDefined = true;
        const QString edge = text();
        QVERIFY2(Holds(edge, "380 nm，不是峰") && Holds(edge, "没有峰") && !edge.contains("nan"), qPrintable(edge));
        QVERIFY2(Holds(edge, "86.7") && !Holds(edge, "97.2"), qPrintable(edge));
        s.figures.rendering.defined = false;
        row.rating.exact.state = colorimetry::CctState::OffLocus;
        s.figures.cct.state = colorimetry::CctState::OffLocus;
        const QString undefined = text();
        QVERIFY(!Holds(undefined, "83.1"));
        QVERIFY2(Holds(undefined, QString::fromStdString(colorimetry::CctStateText(row.rating.exact))),
                 qPrintable(undefined));
    }

    // The histograms on the tray page: every value counted once, at most 20
    // bars with round edges, the values outside counted apart.
    void histogramBars()
    {
        report::Histogram steps("steps", "", 0, 1, 100, 0);
        for (int v : {0, 1, 1, 4, 130, -1})
            steps.Add(v);
        auto bars = steps.Bars();
        QCOMPARE(bars.size(), std::size_t(5));
        QCOMPARE(bars[1].count, std::uint64_t(2));
        QCOMPARE(steps.above() + steps.below(), std::uint64_t(2));

        report::Histogram cct("CCT", "K", 1000, 10, 1900, 0);
        std::uint64_t total = 0;
        for (double k = 2700; k < 6500; k += 7.3, ++total)
            cct.Add(k);
        bars = cct.Bars();
        QVERIFY(bars.size() <= 20 && bars.size() >= 10);
        std::uint64_t counted = 0;
        for (const auto &bar : bars) {
            counted += bar.count;
            QCOMPARE(std::fmod(bar.from, 10.0), 0.0);
        }
        QCOMPARE(counted, total);
        QVERIFY(bars.front().from <= 2700 && bars.back().to > 6490);

        // A value falls in the bar whose range holds it: 80.4 in [80.0, 80.5).
        report::Histogram ra("Ra", "", -300, 0.5, 800, 1);
        for (double v : {79.9, 80.4, 80.4, 80.6})
            ra.Add(v);
        bars = ra.Bars();
        QCOMPARE(bars.size(), std::size_t(3));
        for (const auto &[from, count] : {std::pair{79.5, 1}, std::pair{80.0, 2}, std::pair{80.5, 1}}) {
            const auto bar = std::find_if(bars.begin(), bars.end(), [&](const auto &b) { return b.from == from; });
            QVERIFY(bar != bars.end());
            QCOMPARE(bar->count, std::uint64_t(count));
            QCOMPARE(bar->to, from + 0.5);
        }
    }

    // The tray's histograms take each figure from its own index: R9 is
    // R9, not its neighbour.
    void trayFiguresFromTheirIndices()
    {
        batch::RatedRow row;
        row.line = 2;
        batch::RateRow(Ansi4000(), "0.3805", "0.3768", false, row.rating);
        batch::SpectralRating &s = row.rating.spectral;
        s.present = true;
        s.figures.rendering.defined = true;
        s.figures.rendering.ra = 83.1;
        for (std::size_t i = 0; i < s.figures.rendering.r.size(); ++i)
            s.figures.rendering.r[i] = 60 + double(i);
        s.figures.rendering.r[8] = -12.5;
        s.tm30.defined = s.tm30.fidelityDefined = true;
        s.tm30.rf = 86.5;
        report::ReportContext context;
        context.target = Ansi4000();
        report::TrayTally tray(context);
        tray.Add(row, {});
        for (const auto &[figure, value] : {std::pair{report::TrayTally::Ra, 83.1}, std::pair{report::TrayTally::R9, -12.5},
                                            std::pair{report::TrayTally::Rf, 86.5}}) {
            QCOMPARE(tray.histogram(figure).count(), std::uint64_t(1));
            QCOMPARE(tray.histogram(figure).least(), value);
        }
    }

    // "生成报告…" in the batch window reports the selected rows: the tray
    // page when there are several, then theirs; picked by row, also where
    // rows share a line (a long file's LEDs).
    void windowReportsTheSelectedRows_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QStringList>("pageWords");
        QTest::newRow("rows of points") << kTray << QList<int>{1, 4} << QStringList{"Tray report", "T002", "T015"};
        QByteArray longFile = "波长";
        for (int led = 1; led <= 200; ++led)
            longFile += "\tL" + QByteArray::number(led);
        for (int nm = 380; nm <= 780; nm += 5) {
            longFile += "\n" + QByteArray::number(nm);
            for (int led = 1; led <= 200; ++led)
                longFile += "\t" + QByteArray::number(1 + (nm + led) % 9);
        }
        QTest::newRow("one LED of a long file") << longFile + "\n" << QList<int>{149} << QStringList{"L150"};
    }
    void windowReportsTheSelectedRows()
    {
        QFETCH(QByteArray, file);
        QFETCH(QList<int>, selected);
        QFETCH(QStringList, pageWords);
        QTemporaryDir dir;
        const QString in = WriteText(dir, "tray.csv", file);
        QWidget screen;
        batchui::OpenBatchWindow(screen, {Ansi4000()}, {in});
        auto *window = screen.findChild<batchui::BatchWindow *>();
        QVERIFY(window);
        if (window->loading())
            QSignalSpy(window, &batchui::BatchWindow::loaded).wait(10000);
        QTableView &view = window->view();
        for (const int row : selected)
            view.selectionModel()->select(view.model()->index(row, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        // The dialog suggests a name beside the file; take it.
        const QString out = dir.filePath("tray-report.pdf");
        QTimer::singleShot(200, [&] {
            if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget()))
                QMetaObject::invokeMethod(dialog, "accept");
        });
        QAction *action = nullptr;
        for (QAction *a : view.actions())
            if (a->text() == QStringLiteral("生成报告…"))
                action = a;
        QVERIFY(action);
        action->trigger();
        QCOMPARE(PageCount(out), pageWords.size());
        for (int page = 1; kReadsPageText && page <= pageWords.size(); ++page)
            QVERIFY(Holds(PageText(out, page), pageWords[page - 1]));
        delete window;
    }

    // Every output of a report is refused before a page is written when it
    // would overwrite the input or another output, by any path: symlinks
    // (dangling ones too) and hard links, of the PDF and of every page; a
    // folder where a page goes is refused too. The input stays as it was,
    // and no page appears.
    void samePathsRefusedBeforeWriting_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("says");
        QTest::newRow("page linked to IN") << "r.png" << QStringList{"s:r-0003.png:tray.csv"} << "r-0003.png”与输入文件";
        QTest::newRow("page hard-linked to IN") << "r.png" << QStringList{"h:r-0002.png:tray.csv"} << "r-0002.png”与输入文件";
        QTest::newRow("PDF hard-linked to IN") << "r.pdf" << QStringList{"h:r.pdf:tray.csv"} << "与输入文件";
        QTest::newRow("page to OUT, not there yet") << "r.png" << QStringList{"s:r-0004.png:rated.csv"} << "与输出文件";
        QTest::newRow("PDF to the plot, not there yet") << "r.pdf" << QStringList{"s:r.pdf:plot.pdf"} << "与色品图";
        QTest::newRow("OUT named as a page") << "rated.png" << QStringList{} << "rated-0002.png”与输出文件";
        QTest::newRow("a page linked to another") << "r.png" << QStringList{"s:r-0002.png:r-0006.png"} << "与第 2 页";
        QTest::newRow("a folder where a page goes") << "r.png" << QStringList{"d:r-0005.png"} << "r-0005.png”是一个文件夹";
        QTest::newRow("a folder that is not there") << "no/r.pdf" << QStringList{} << "文件夹不存在";
    }
    void samePathsRefusedBeforeWriting()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, entries);
        QFETCH(QString, says);
        if (!CanLay(entries))
            QSKIP("symlinks are not made on Windows");
        QTemporaryDir dir;
        const QString in = WriteText(dir, "tray.csv", kTray);
        Lay(dir, entries);
        const QStringList before = Entries(dir);
        report::FileReport request = Request(in, dir.filePath(name));
        const QString out = dir.filePath(name == "rated.png" ? "rated-0002.png" : "rated.csv");
        request.others = {{"输出文件 “" + out.toStdString() + "”", out.toStdString()},
                          {"色品图 “plot.pdf”", dir.filePath("plot.pdf").toStdString()}};
        const QString problem = report::WriteFileReport(request);
        QVERIFY2(problem.contains(says), qPrintable(problem));
        QCOMPARE(Entries(dir), before);
        QCOMPARE(Contents(in), kTray);
    }

    // Pages are written as OUT is: a page's name only ever holds a whole
    // page, a hard link elsewhere keeps the old file, a symlink keeps
    // leading where it did. A shorter report names, and leaves alone, the
    // pages of the longer one before it.
    void pagesReplacedWhole()
    {
        if (!CanLay({"s:"}))
            QSKIP("symlinks are not made on Windows");
        QTemporaryDir dir;
        const QString in = WriteText(dir, "tray.csv", kTray);
        WriteText(dir, "kept.png", "old");
        Lay(dir, {"h:r-0002.png:kept.png", "s:r-0003.png:elsewhere.png"});
        QString note;
        QCOMPARE(report::WriteFileReport(Request(in, dir.filePath("r.png")), &note), QString());
        QCOMPARE(note, QString());
        QCOMPARE(Contents(dir.filePath("kept.png")), QByteArray("old"));
        QCOMPARE(QFileInfo(dir.filePath("r-0003.png")).symLinkTarget(), dir.filePath("elsewhere.png"));
        QCOMPARE(QImage(dir.filePath("elsewhere.png")).size(), report::kPageSize * diagram::kPngScale);
        for (int page = 1; page <= 7; ++page)
            QVERIFY(!QImage(report::PngPagePath(dir.filePath("r.png"), page, 7)).isNull());

        const QByteArray seventh = Contents(dir.filePath("r-0007.png"));
        report::FileReport shorter = Request(in, dir.filePath("r.png"));
        shorter.rows = std::vector<std::uint64_t>{1, 4};
        QCOMPARE(report::WriteFileReport(shorter, &note), QString());
        QVERIFY2(note.contains("另有 4 个") && note.contains("r-0004.png … r-0007.png"), qPrintable(note));
        QCOMPARE(Contents(dir.filePath("r-0007.png")), seventh);
        QCOMPARE(Entries(dir), (QStringList{"elsewhere.png", "kept.png", "r-0001.png", "r-0002.png", "r-0003.png",
                                            "r-0004.png", "r-0005.png", "r-0006.png", "r-0007.png", "tray.csv"}));
    }

    // Each page names its sample as the output row does, and the line where
    // its data begin: a long file's LEDs by their columns, a CGATS file's
    // sets by SAMPLE_ID, a wide file's rows by their ID column, wherever it
    // stands; a file of bare coordinates by the line.
    void pagesNameTheirSamples_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<quint64>>("lines"); // empty: not checked
        QByteArray longFile = "波长\tLED-A\tLED-B\n";
        for (int nm = 380; nm <= 780; nm += 5)
            longFile += QByteArray::number(nm) + "\t" + QByteArray::number(1 + nm % 7) + "\t"
                        + QByteArray::number(2 + nm % 5) + "\n";
        QTest::newRow("long") << longFile << QStringList{"LED-A", "LED-B"} << QList<quint64>{};
        QTest::newRow("CGATS") << "SPECT\nSPECTRAL_START_NM 380\nSPECTRAL_END_NM 780\nSPECTRAL_BANDS 81\n"
                                  "BEGIN_DATA_FORMAT\nSAMPLE_ID " + Wavelengths("SPEC_", ' ')
                                      + "\nEND_DATA_FORMAT\nNUMBER_OF_SETS 2\nBEGIN_DATA\nK-1 " + WhiteLed(0.9, ' ')
                                      + "\nK-2 " + WhiteLed(1.2, ' ') + "\nEND_DATA\n"
                               << QStringList{"K-1", "K-2"} << QList<quint64>{10, 11};
        QTest::newRow("wide, no x and y") << "ID," + Wavelengths("", ',') + "\nW1," + WhiteLed(0.9, ',') + "\n\nW2,"
                                                 + WhiteLed(1.2, ',') + "\n"
                                          << QStringList{"W1", "W2"} << QList<quint64>{2, 4};
        QTest::newRow("wide, ID after x and y") << "x,y,ID," + Wavelengths("", ',') + "\n0.38,0.37,W1," + WhiteLed(0.9, ',') + "\n"
                                                << QStringList{"W1"} << QList<quint64>{2};
        QTest::newRow("bare coordinates") << QByteArray("x,y\n0.38,0.38\n0.39,0.38\n")
                                          << QStringList{"第 2 行", "第 3 行"} << QList<quint64>{2, 3};
    }
    void pagesNameTheirSamples()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, names);
        QFETCH(QList<quint64>, lines);
        QTemporaryDir dir;
        const QString path = WriteText(dir, "leds.txt", file);
        const int fd = platform::OpenToRead(path.toStdString());
        batch::BatchReader reader(fd);
        batch::ReadOptions options;
        options.row = Ansi4000();
        QCOMPARE(int(reader.Start(options)), int(batch::HeaderProblem::None));
        QStringList read;
        QList<quint64> readLines;
        batch::RatedRow row;
        while (reader.Next(row)) {
            const report::LedReport led = report::LedReportOf(row, reader.layout(), {});
            read << QString::fromStdString(led.name);
            readLines << led.line;
        }
        platform::Close(fd);
        QCOMPARE(read, names);
        if (!lines.isEmpty())
            QCOMPARE(readLines, lines);
        // And on the page, with its line.
        SKIP_WITHOUT_PAGE_TEXT();
        const QString out = dir.filePath("r.pdf");
        QCOMPARE(report::WriteFileReport(Request(path, out)), QString());
        const QString page = PageText(out, names.size() > 1 ? 3 : 1);
        QVERIFY2(Holds(page, names.back()), qPrintable(page));
        if (!lines.isEmpty())
            QVERIFY2(Holds(page, QStringLiteral("第 %1 行").arg(lines.back())), qPrintable(page));
    }

    // An interrupted report leaves only whole pages under the pages' names,
    // and no temporary file.
    void interruptedReportLeavesWholePages_data()
    {
        QTest::addColumn<int>("signal");
#ifndef _WIN32
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
#endif
    }
    void interruptedReportLeavesWholePages()
    {
#if defined(AMBRIX_PROGRAM) && !defined(_WIN32)
        QFETCH(int, signal);
        QTemporaryDir dir;
        QByteArray rows = "id,x,y\n";
        for (int i = 0; i < 60; ++i)
            rows += "L" + QByteArray::number(i) + ",0.38,0.3" + QByteArray::number(7 + i % 3) + "\n";
        WriteText(dir, "in.csv", rows);
        QProcess process;
        StartAmbrix(process, dir, {"--batch", "in.csv", "-o", "out.csv", "--report", "r.png"});
        // As soon as the third page's name is there.
        for (int waited = 0; waited < 60000 && !QFileInfo::exists(dir.filePath("r-0003.png")); waited += 2)
            QVERIFY(!process.waitForFinished(2));
        ::kill(pid_t(process.processId()), signal);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        int pages = 0;
        for (const QString &name : Entries(dir)) {
            if (!name.startsWith("r-"))
                continue;
            QVERIFY2(name.endsWith(".png"), qPrintable(name)); // no temporary file
            QCOMPARE(QImage(dir.filePath(name)).size(), report::kPageSize * diagram::kPngScale);
            ++pages;
        }
        QVERIFY(pages >= 3 && pages < 61);
#else
        QSKIP("POSIX signals (or ambrix not built); Windows' console events reach no program started without a console");
#endif
    }

    // A write that fails part way leaves no part of the report and says
    // why: a file size limit of the system (set for the run), as a full
    // disk would; a full disk is named as such.
    void failedWriteLeavesNoPart_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("PDF") << "r.pdf";
        QTest::newRow("PNG pages") << "r.png";
    }
    void failedWriteLeavesNoPart()
    {
#if defined(AMBRIX_PROGRAM) && !defined(_WIN32)
        QFETCH(QString, name);
        QTemporaryDir dir;
        WriteText(dir, "tray.csv", kTray);
        QProcess process;
        process.setChildProcessModifier([] {
            const rlimit limit{30000, 30000};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::signal(SIGXFSZ, SIG_IGN);
        });
        StartAmbrix(process, dir, {"--batch", "tray.csv", "-o", "out.csv", "--report", name});
        QVERIFY(process.waitForFinished(60000));
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 2
                     && err.contains("超出了系统允许的文件大小"),
                 qPrintable(QString("status %1, exit %2: %3").arg(process.exitStatus()).arg(process.exitCode()).arg(err)));
        QCOMPARE(Entries(dir), (QStringList{"out.csv", "tray.csv"}));
#endif
        // Where there is no file size limit to set (Windows), the messages alone.
        for (const auto &[error, says] : {std::pair{ENOSPC, "磁盘已满"}, std::pair{ENOENT, "文件夹不存在"},
                                          std::pair{EACCES, "没有写入权限"}})
            QVERIFY(diagram::WriteProblem("r.pdf", error).contains(QString::fromUtf8(says)));
    }

    // A FIFO where a page would go is refused, never written to (which
    // would hang until someone reads it).
    void specialFilesRefused()
    {
#ifdef _WIN32
        QSKIP("FIFOs are POSIX's; Windows' devices and pipes are tested with the command line");
#else
        QTemporaryDir dir;
        const QString in = WriteText(dir, "tray.csv", kTray);
        for (const char *name : {"r.pdf", "p-0003.png"})
            QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(name)).constData(), 0600), 0);
        QVERIFY(Holds(report::WriteFileReport(Request(in, dir.filePath("r.pdf"))), "不是普通文件"));
        QVERIFY(Holds(report::WriteFileReport(Request(in, dir.filePath("p.png"))), "p-0003.png”不是普通文件"));
#endif
    }

    // The command line writes the report beside OUT, and refuses what
    // cannot be read twice or would overwrite IN or OUT.
    void commandLine()
    {
#ifdef AMBRIX_PROGRAM
        QTemporaryDir dir;
        const QString in = WriteText(dir, "tray.csv", kTray);
        const auto run = [&](const QStringList &more, const QString &standardOutput = {}) {
            QProcess process;
            if (!standardOutput.isEmpty())
                process.setStandardOutputFile(dir.filePath(standardOutput));
            StartAmbrix(process, dir, QStringList{"-o", "out.csv"} + more);
            process.waitForFinished(60000);
            return std::pair(process.exitCode(), QString::fromUtf8(process.readAllStandardError()));
        };
        auto [status, err] = run({"--batch", in, "--report", "r.pdf"});
        QCOMPARE(status, 1); // rows failed
        QCOMPARE(PageCount(dir.filePath("r.pdf")), 7);

        // A wide spectral file: each page gives the figures of its row's
        // columns (to the page's one decimal).
        QByteArray wide = "ID," + Wavelengths("", ',');
        for (const double pump : {0.9, 1.3})
            wide += "\nLED" + QByteArray::number(pump) + ',' + WhiteLed(pump, ',');
        WriteText(dir, "wide.csv", wide + '\n');
        std::tie(status, err) = run({"--batch", "wide.csv", "--report", "wide.pdf", "-o", "wide-out.csv"});
        QVERIFY2(status == 0 || status == 1, qPrintable(err));
        QCOMPARE(PageCount(dir.filePath("wide.pdf")), 3);
        QFile rated(dir.filePath("wide-out.csv"));
        QVERIFY(rated.open(QIODevice::ReadOnly));
        const QList<QByteArray> names = rated.readLine().trimmed().split(',');
        for (int page = 2; kReadsPageText && page <= 3; ++page) {
            const QList<QByteArray> cells = rated.readLine().trimmed().split(',');
            const QString text = PageText(dir.filePath("wide.pdf"), page);
            for (const char *column : {"ra", "r9", "rf", "rg", "ler"}) {
                const double value = cells.value(names.indexOf(column)).toDouble();
                const QString shown = QString::number(value, 'f', 1).replace('-', QChar(0x2212));
                const QString nearby = QString::number(value + (value > 0 ? -0.01 : 0.01), 'f', 1).replace('-', QChar(0x2212));
                QVERIFY2(text.contains(shown) || text.contains(nearby),
                         qPrintable(QStringLiteral("%1 = %2 not on page %3: %4").arg(column).arg(value).arg(page).arg(text)));
            }
        }
        struct Refused {
            QStringList arguments;
            QString says;
            QString standardOutput = {}; // the file standard output goes to
        };
        // Links to outputs not written yet: the report would replace OUT,
        // the plot would replace the report.
        std::vector<Refused> refusals{Refused{{"--batch", "-", "--report", "s.pdf"}, "标准输入"},
                                      Refused{{"--batch", in, "--report", in}, ".pdf 或 .png"},
                                      Refused{{"--batch", in, "--report", "out.pdf", "-o", "out.pdf"}, "同一个文件"},
                                      Refused{{"--batch", in, "--report", "s.txt"}, ".pdf 或 .png"},
                                      Refused{{"--batch", in, "--report", ""}, "--report 需要"},
                                      Refused{{"--batch", in, "-o", ""}, "-o 需要"},
                                      Refused{{"--batch", in, "-o", "-", "--report", "so.pdf"}, "标准输出", "so.pdf"}};
        const QStringList links{"s:rep.pdf:rated.csv", "s:rep2.pdf:plot.pdf", "s:rep3-0002.png:rated3.csv"};
        if (CanLay(links)) {
            Lay(dir, links);
            refusals.push_back({{"--batch", in, "-o", "rated.csv", "--report", "rep.pdf"}, "同一个文件"});
            refusals.push_back({{"--batch", in, "--plot", "plot.pdf", "--report", "rep2.pdf"}, "色品图"});
            refusals.push_back({{"--batch", in, "-o", "rated3.csv", "--report", "rep3.png"}, "rep3-0002.png"});
        }
        for (const Refused &refused : refusals) {
            std::tie(status, err) = run(refused.arguments, refused.standardOutput);
            QCOMPARE(status, 2);
            QVERIFY2(err.contains(refused.says), qPrintable(err));
        }
        // Nothing was written.
        for (const char *name : {"s.pdf", "rated.csv", "plot.pdf", "rated3.csv"})
            QVERIFY2(!QFile::exists(dir.filePath(name)), name);
        QCOMPARE(QFileInfo(dir.filePath("so.pdf")).size(), qint64(0));
        QCOMPARE(QFile(in).size(), qint64(kTray.size()));
#else
        QSKIP("ambrix is not built");
#endif
    }
};

QTEST_MAIN(TestReport)
#include "test_report.moc"
