// The batch window, offscreen: opened on a file it shows every row, marks
// the failed ones with their message, exports exactly what it shows, copies
// the selection for a spreadsheet, and tells the user about a file it
// cannot read without losing the screen. A file of spectra gets the
// spectrum pane; a bin file sorts the rows into bins with a yield table.

#include "batch_files.h"
#include "batch_window_widget.h"

#include "spectral_figures.h"
#include "window.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <cmath>

using namespace batch_testing;

namespace {

batchui::BatchWindow *OpenAndWait(QWidget &screen, const QString &path, const batchui::Target &target)
{
    batchui::OpenBatchWindow(screen, target, {path});
    auto *window = screen.findChild<batchui::BatchWindow *>();
    if (window && window->loading()) {
        QSignalSpy loaded(window, &batchui::BatchWindow::loaded);
        loaded.wait(10000);
    }
    return window;
}

// A phosphor-converted white LED: a blue pump and a broad phosphor band,
// sampled every nanometre over 380–780 nm.
colorimetry::Spectrum WhiteLed(double pumpNm, double phosphorNm, double phosphorWidth)
{
    colorimetry::Spectrum s;
    for (int nm = 380; nm <= 780; ++nm) {
        const auto band = [&](double centre, double width) {
            return std::exp(-0.5 * std::pow((nm - centre) / width, 2));
        };
        s.nm.push_back(nm);
        s.value.push_back(band(pumpNm, 10) + 1.6 * band(phosphorNm, phosphorWidth));
    }
    return s;
}

// Rated rows of spectra as the reader hands them over: the figures of each
// spectrum, and its bands.
batchui::RowStore SpectralRows(std::span<const colorimetry::Spectrum> spectra)
{
    batchui::RowStore rows;
    for (std::size_t i = 0; i < spectra.size(); ++i) {
        batch::Rating rating;
        rating.spectral.present = true;
        rating.spectral.figures = colorimetry::FiguresOf(spectra[i]);
        rating.rated = rating.spectral.figures.ok();
        rating.x = rating.spectral.figures.xy.x;
        rating.y = rating.spectral.figures.xy.y;
        colorimetry::Bands bands;
        colorimetry::ResampleToBands(spectra[i], bands);
        const std::string name = "LED" + std::to_string(i + 1);
        const std::string_view cells[] = {name};
        rows.Add(cells, i + 2, rating, &bands);
    }
    return rows;
}

} // namespace

class TestBatchWindow : public QObject {
    Q_OBJECT

private slots:
    void showsAndExportsTheRows();
    void unreadableFileIsToldAndClosed();
    void summaryTellsHowTheFileWasRead();
    void diagramAndTableSelectTogether();
    void spectrumPaneShowsTheRowsOfSpectra();
    void spectralFileOpensWithThePane();
    void binsSortTheRowsWithAYieldTable();

private:
    QTemporaryDir dir_;
};

void TestBatchWindow::showsAndExportsTheRows()
{
    // A semicolon file with a quoted cell, a failed row and a long row.
    const QString path = WriteFile(dir_, "tray.csv",
                                   "编号;CIE x;CIE y\n\"a;1\";0.3805;0.3768\nb;abc;0.38\n"
                                   "c;0.44;0.40;extra\n");
    QWidget screen;
    const auto *row = tolerance::FindEllipse(tolerance::ColourStandard::GB, 4000);
    batchui::BatchWindow *window = OpenAndWait(screen, path, {row});
    QVERIFY(window);
    QVERIFY(window->windowTitle().contains("CN4000K"));
    QVERIFY(window->windowTitle().contains("tray.csv"));
    batchui::BatchModel &model = window->model();
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.columnCount(), 3 + 6 + 1);
    QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), QString("steps"));
    QCOMPARE(model.CellText(0, 3), QString("2"));
    // The failed row: marked, and its message on hover.
    QVERIFY(model.data(model.index(1, 0), Qt::BackgroundRole).isValid());
    QVERIFY(!model.data(model.index(0, 0), Qt::BackgroundRole).isValid());
    QVERIFY(model.data(model.index(1, 2), Qt::ToolTipRole).toString().contains("不是一个数"));
    QVERIFY(model.headerData(1, Qt::Vertical, Qt::DecorationRole).isValid());
    QVERIFY(window->summaryText().contains("共 3 行"));

    // The export is the table, cell for cell, header first.
    const QString exported = dir_.filePath("exported.csv");
    QCOMPARE(window->ExportCsv(exported), QString());
    QFile file(exported);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QStringList> lines = ParseCsv(QString::fromUtf8(file.readAll()));
    QCOMPARE(lines.size(), 1 + model.rowCount());
    for (int column = 0; column < 3 + 5; ++column)
        QCOMPARE(lines[0][column], model.headerData(column, Qt::Horizontal).toString());
    for (int r = 0; r < model.rowCount(); ++r) {
        for (int column = 0; column < model.columnCount(); ++column)
            QCOMPARE(lines[r + 1].value(column), model.CellText(r, column));
    }

    // Ctrl+C: the selection as tab-separated lines.
    window->view().selectionModel()->select(
        QItemSelection(model.index(0, 0), model.index(1, 3)), QItemSelectionModel::Select);
    QCOMPARE(window->SelectionText(),
             QString("a;1\t0.3805\t0.3768\t2\nb\tabc\t0.38\t\n"));
}

void TestBatchWindow::unreadableFileIsToldAndClosed()
{
    QWidget screen;
    QString title;
    QTimer::singleShot(50, [&] {
        auto answer = [&](auto &self) -> void {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                title = box->text();
                box->accept();
                return;
            }
            QTimer::singleShot(20, [&] { self(self); });
        };
        answer(answer);
    });
    QPointer<batchui::BatchWindow> window =
        OpenAndWait(screen, dir_.filePath("absent.csv"), {nullptr});
    QTRY_VERIFY_WITH_TIMEOUT(!title.isEmpty(), 5000);
    QVERIFY(title.contains("absent.csv"));
    QTRY_VERIFY(window.isNull()); // the window went; the screen stays
}

void TestBatchWindow::summaryTellsHowTheFileWasRead()
{
    // Undecodable bytes (how many, and the line of the first) and a second
    // column named like x are told under the table.
    const QString path = WriteFile(dir_, "read.csv", "编号,x,y,x\n一,0.38,0.38,0.4\n二\xff,0.38,0.38,0.4\n");
    QWidget screen;
    batchui::BatchWindow *window =
        OpenAndWait(screen, path, {tolerance::FindEllipse(tolerance::ColourStandard::GB, 4000)});
    QVERIFY(window);
    const QString summary = window->summaryText();
    QVERIFY2(summary.contains(QStringLiteral("有 1 个字节不能按 UTF-8 解码（第一个在第 3 行）"))
                 && summary.contains(QStringLiteral("第 4 列 “x” 也像 x")),
             qPrintable(summary));
    QCOMPARE(window->model().CellText(0, 0), QStringLiteral("一"));
}

void TestBatchWindow::diagramAndTableSelectTogether()
{
    const QString path = WriteFile(dir_, "select.csv", "id,x,y\na,0.3805,0.3768\nb,abc,0.38\nc,0.39,0.372\n");
    QWidget screen;
    batchui::BatchWindow *window =
        OpenAndWait(screen, path, {tolerance::FindEllipse(tolerance::ColourStandard::GB, 4000)});
    QVERIFY(window);
    window->ShowDiagram();
    auto *diagramWindow = window->findChild<diagram::DiagramWindow *>();
    QVERIFY(diagramWindow && QTest::qWaitForWindowExposed(diagramWindow));
    diagram::DiagramWidget &d = diagramWindow->diagram();

    // A click on the third row's dot selects that row and makes it current;
    // the dot's tooltip names the row as the table does.
    const QPoint dot = d.Transform().ToPixel({0.39, 0.372}).toPoint();
    QTest::mouseClick(&d, Qt::LeftButton, {}, dot);
    QCOMPARE(window->SelectedRows(), std::vector<int>{2});
    QCOMPARE(window->view().currentIndex().row(), 2);
    QCOMPARE(window->view().selectionModel()->selectedRows().size(), 1);
    const QString line = window->model().headerData(2, Qt::Vertical).toString();
    QVERIFY2(d.ToolTipAt(dot).contains(QStringLiteral("文件第 %1 行").arg(line)), qPrintable(d.ToolTipAt(dot)));

    // The table's selection re-rings the dots, as it changes.
    window->view().selectRow(0);
    QCOMPARE(d.scene().selected, std::vector<int>{0});
    window->view().selectionModel()->select(window->model().index(1, 1), QItemSelectionModel::Select);
    QCOMPARE(d.scene().selected, (std::vector<int>{0, 1}));
    window->view().clearSelection();
    QVERIFY(d.scene().selected.empty());
}

void TestBatchWindow::spectrumPaneShowsTheRowsOfSpectra()
{
    // A file of (x, y): no pane. Rows of spectra arriving bring it.
    const QString path = WriteFile(dir_, "xy.csv", "id,x,y\na,0.3805,0.3768\n");
    QWidget screen;
    batchui::BatchWindow *window =
        OpenAndWait(screen, path, {tolerance::FindEllipse(tolerance::ColourStandard::GB, 4000)});
    QVERIFY(window);
    window->show();
    batchui::SpectrumPane &pane = window->spectrumPane();
    QVERIFY(!pane.isVisible());

    const colorimetry::Spectrum spectra[] = {WhiteLed(450, 560, 50), WhiteLed(445, 600, 45),
                                             WhiteLed(455, 580, 60)};
    batchui::RowStore rows = SpectralRows(spectra);
    window->model().SetLayout({{"id"}, 0, 0});
    window->model().AppendRows(std::move(rows));
    QVERIFY(pane.isVisible());

    // The current row's bars give its own Ra and R9; its TM-30 is computed
    // from its stored bands, close to the spectrum's own.
    for (const int current : {1, 2, 0}) {
        window->view().setCurrentIndex(window->model().index(current, 0));
        const colorimetry::SpectrumFigures expected = colorimetry::FiguresOf(spectra[current]);
        const colorimetry::ColourRendering &shown = pane.rendering().chart().rendering;
        QVERIFY(shown.defined);
        QCOMPARE(shown.ra, expected.rendering.ra);
        QCOMPARE(shown.r[8], expected.rendering.r[8]);
        QVERIFY(pane.rendering().chart().title.contains(QStringLiteral("LED%1").arg(current + 1)));
        colorimetry::Bands bands;
        colorimetry::ResampleToBands(spectra[current], bands);
        const colorimetry::Tm30Result tm30 = colorimetry::ComputeTm30(bands);
        QVERIFY(pane.vectorGraphic().result().defined);
        QVERIFY(std::abs(pane.vectorGraphic().result().rf - tm30.rf) < 1e-3);
        QVERIFY(std::abs(pane.chromaShift().result().bins[0].rcs - tm30.bins[0].rcs) < 1e-3);
    }

    // The selected rows' spectra, each with the row's values.
    window->view().selectionModel()->select(window->model().index(0, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    window->view().selectionModel()->select(window->model().index(2, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const std::vector<diagram::SpectrumSeries> &series = pane.spectra().series();
    QCOMPARE(series.size(), std::size_t(2));
    QVERIFY(series[1].name.contains("LED3"));
    QCOMPARE(series[1].spectrum.nm.size(), colorimetry::kBandCount);
    // 550 nm, the band as the row was rated with it, kept as float.
    colorimetry::Bands rated;
    colorimetry::ResampleToBands(spectra[2], rated);
    QVERIFY(std::abs(series[1].spectrum.value[34] / rated[34] - 1) < 1e-7);

    // Every picture exports, each to its file.
    for (int tab = 0; tab < pane.count(); ++tab) {
        for (const char *suffix : {".png", ".svg", ".pdf"}) {
            const QString file = dir_.filePath(QStringLiteral("pane%1%2").arg(tab).arg(suffix));
            QCOMPARE(pane.ExportTab(tab, file), QString());
            QVERIFY(QFileInfo(file).size() > 1000);
        }
    }
}

void TestBatchWindow::spectralFileOpensWithThePane()
{
    // A spectrometer's export of one LED: the window opens on it with the
    // pane, the LED named by its column.
    QByteArray text = "波长(nm),LED1\n";
    const colorimetry::Spectrum led = WhiteLed(450, 560, 50);
    for (std::size_t i = 0; i < led.nm.size(); ++i)
        text += QByteArray::number(led.nm[i]) + ',' + QByteArray::number(led.value[i], 'g', 9) + '\n';
    const QString path = WriteFile(dir_, "spectrum.csv", text);
    QWidget screen;
    QPointer<batchui::BatchWindow> window = OpenAndWait(screen, path, {nullptr});
    QVERIFY(window);
    window->show();
    QCOMPARE(window->model().rowCount(), 1);
    QVERIFY(window->spectrumPane().isVisible());
    // The file holds nine digits: the same Ra to far below its two decimals.
    QVERIFY(std::abs(window->spectrumPane().rendering().chart().rendering.ra - colorimetry::FiguresOf(led).rendering.ra)
            < 1e-6);
    QVERIFY(window->spectrumPane().rendering().chart().title.contains("LED1"));
}

void TestBatchWindow::binsSortTheRowsWithAYieldTable()
{
    // Rows in two sub-bins of ANSI 4000K, one in the hexagon listed first
    // that overlaps them, one in no bin, one failed.
    const QString path = WriteFile(dir_, "tray-bins.csv",
                                   "id,x,y\na,0.3914,0.3922\nb,0.3920,0.3930\nc,0.3746,0.3689\n"
                                   "d,0.3818,0.3797\ne,0.45,0.30\nf,abc,0.38\n");
    const QString bins = WriteFile(dir_, "bins.csv",
                                   "分档,x1,y1,x2,y2,x3,y3,x4,y4,x5,y5,x6,y6\n"
                                   "精选,0.3848,0.3797,0.3833,0.3823,0.3803,0.3823,0.3788,0.3797,0.3803,0.3771,0.3833,0.3771\n"
                                   "4A,0.4006,0.4044,0.3871,0.3959,0.3828,0.3803,0.3952,0.3880\n"
                                   "4B,0.3871,0.3959,0.3736,0.3874,0.3703,0.3726,0.3828,0.3803\n"
                                   "4C,0.3828,0.3803,0.3703,0.3726,0.3670,0.3578,0.3784,0.3647\n");
    QWidget screen;
    batchui::BatchWindow *window =
        OpenAndWait(screen, path, {tolerance::FindEllipse(tolerance::ColourStandard::GB, 4000)});
    QVERIFY(window);
    window->show();
    batchui::BatchModel &model = window->model();
    QCOMPARE(window->LoadBins(bins), QString());

    // The bin column names each row's bin.
    int binColumn = -1;
    for (int c = 0; c < model.columnCount(); ++c)
        if (model.headerData(c, Qt::Horizontal).toString() == "bin")
            binColumn = c;
    QVERIFY(binColumn >= 0);
    const QStringList expected = {"4A", "4A", "4C", QStringLiteral("精选"), "", ""};
    for (int r = 0; r < model.rowCount(); ++r)
        QCOMPARE(model.CellText(r, binColumn), expected[r]);

    // The yield: bins, none, then the ANSI quadrangles and none; each part
    // sums to the rows.
    batchui::YieldTable &yield = window->yieldTable();
    QVERIFY(yield.isVisible());
    QCOMPARE(yield.rowCount(), 4 + 1 + 8 + 1);
    const std::uint64_t counts[] = {1, 2, 0, 1, 2};
    std::uint64_t ansiTotal = 0;
    for (int line = 0; line < 5; ++line)
        QCOMPARE(yield.CountAt(line), counts[line]);
    for (int line = 5; line < yield.rowCount(); ++line)
        ansiTotal += yield.CountAt(line);
    QCOMPARE(ansiTotal, std::uint64_t(model.rowCount()));
    QCOMPARE(yield.item(5 + 3, 0)->text(), QString("ANSI 4000K"));
    QCOMPARE(yield.CountAt(5 + 3), std::uint64_t(4));
    QCOMPARE(yield.item(1, 2)->text(), QString("33.3%"));

    // A click on a bin selects its rows.
    QTest::mouseClick(yield.viewport(), Qt::LeftButton, {}, yield.visualItemRect(yield.item(1, 0)).center());
    QCOMPARE(window->SelectedRows(), (std::vector<int>{0, 1}));
    QTest::mouseClick(yield.viewport(), Qt::LeftButton, {}, yield.visualItemRect(yield.item(4, 0)).center());
    QCOMPARE(window->SelectedRows(), (std::vector<int>{4, 5}));

    // The diagram draws the bins with their counts.
    window->ShowDiagram();
    auto *diagramWindow = window->findChild<diagram::DiagramWindow *>();
    QVERIFY(diagramWindow);
    QCOMPARE(diagramWindow->diagram().scene().bins.counts, (std::vector<std::uint64_t>{1, 2, 0, 1}));

    // A bad bin file is told with its line; the rows and the bins stay.
    const struct {
        const char *name;
        QByteArray text;
        const char *told;
    } bad[] = {
        {"bowtie.csv", "A,0.38,0.38,0.39,0.39,0.39,0.38,0.38,0.39\n", "第 1 行"},
        {"corner.csv", "名称,x1,y1,x2,y2,x3,y3\nA,0.38,0.38,0.39,0.39\nB,0.38,0.38,0.39,0.39,0.39\n", "第 2 行"},
    };
    for (const auto &file : bad) {
        const QString told = window->LoadBins(WriteFile(dir_, file.name, file.text));
        QVERIFY2(told.contains(QString::fromUtf8(file.told)), qPrintable(told));
        QCOMPARE(model.rowCount(), 6);
        QCOMPARE(model.CellText(2, binColumn), QString("4C"));
    }
}

QTEST_MAIN(TestBatchWindow)
#include "test_batch_window.moc"
