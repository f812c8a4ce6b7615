// Pictures of the batch window's spectra and bins, for the README:
//
//   batch-spectra.png       a tray of white LEDs with the spectrum pane: the
//                           selected rows' spectra, and with "--tab N" another
//                           tab of the pane (1 bars, 2 vector graphic …)
//   batch-bins.png          a tray of 4000 K LEDs sorted into a bin file, the
//                           yield table beside the summary, and the diagram with
//                           the ANSI quadrangles and the bins beside the window
//
//   batch_window_spectra_shots OUTDIR BINS.csv [SPECTRA.csv] [--tab N]
//
// Without SPECTRA.csv, the tray is a wide file of generated phosphor LEDs.
// Run under xvfb-run with QT_SCALE_FACTOR=1 or 2.

#include "batch_window_widget.h"
#include "spectral_figures.h"
#include "tm30.h"
#include "window.h"
#include "window_services.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QTableView>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <random>

namespace {

colorimetry::Spectrum WhiteLed(double pump, double green, double red, double redShare)
{
    colorimetry::Spectrum s;
    for (int nm = 380; nm <= 780; ++nm) {
        const auto band = [nm](double centre, double width) {
            return std::exp(-0.5 * std::pow((nm - centre) / width, 2));
        };
        s.nm.push_back(nm);
        s.value.push_back(band(pump, 10) + 0.9 * band(green, 52) + redShare * band(red, 32));
    }
    return s;
}

batchui::BatchWindow *OpenAndWait(QWidget &screen, const QString &path)
{
    batchui::OpenBatchWindow(screen, {tolerance::FindEllipse(tolerance::ColourStandard::ANSI, 4000)}, {path});
    auto *window = screen.findChild<batchui::BatchWindow *>();
    if (window && window->loading()) {
        QSignalSpy loaded(window, &batchui::BatchWindow::loaded);
        loaded.wait(20000);
    }
    return window;
}

QString WriteTray(const QString &path, const QString &header, std::size_t count,
                  const std::function<QString(std::size_t)> &line)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(header.toUtf8() + '\n');
    for (std::size_t i = 0; i < count; ++i)
        file.write(line(i).toUtf8() + '\n');
    return path;
}

// Side by side, pixel for pixel whatever the scale.
bool Save(QImage left, QImage right, const QString &path)
{
    left.setDevicePixelRatio(1);
    right.setDevicePixelRatio(1);
    QImage both(left.width() + (right.isNull() ? 0 : 8 + right.width()), std::max(left.height(), right.height()),
                QImage::Format_RGB32);
    both.fill(Qt::darkGray);
    QPainter p(&both);
    p.drawImage(0, 0, left);
    if (!right.isNull())
        p.drawImage(left.width() + 8, 0, right);
    p.end();
    return both.save(path);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    framework::PrepareApplication();
    QStringList args = app.arguments().mid(1);
    int tab = 0;
    if (const qsizetype at = args.indexOf("--tab"); at >= 0 && at + 1 < args.size()) {
        tab = args[at + 1].toInt();
        args.remove(at, 2);
    }
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: %s OUTDIR BINS.csv [SPECTRA.csv] [--tab N]\n", argv[0]);
        return 2;
    }
    const QDir out(args[0]);
    const QString suffix = qEnvironmentVariableIntValue("QT_SCALE_FACTOR") == 2 ? "@2x" : "";
    int status = 0;

    // The spectra.
    {
        std::mt19937 random(7);
        std::uniform_real_distribution<double> pump(445, 456), green(545, 575), red(605, 640), share(0, 0.8);
        std::vector<colorimetry::Spectrum> spectra;
        // White LEDs near the Planckian locus, as a tray holds them.
        while (spectra.size() < 40) {
            colorimetry::Spectrum s = WhiteLed(pump(random), green(random), red(random), share(random));
            const colorimetry::SpectrumFigures f = colorimetry::FiguresOf(s);
            if (f.ok() && f.cct.defined() && std::abs(f.cct.duv) < 0.006)
                spectra.push_back(std::move(s));
        }
        QString path = args.size() > 2 ? args[2] : QString();
        if (path.isEmpty()) {
            // A wide file, one LED a row, every 5 nm.
            QString header = QStringLiteral("编号");
            for (int nm = 380; nm <= 780; nm += 5)
                header += QStringLiteral(",%1nm").arg(nm);
            path = WriteTray(out.filePath("generated-spectra.csv"), header, spectra.size(), [&](std::size_t i) {
                QString line = QStringLiteral("LED-%1").arg(i + 1, 3, 10, QChar('0'));
                for (std::size_t at = 0; at < spectra[i].value.size(); at += 5)
                    line += ',' + QString::number(spectra[i].value[at], 'f', 5);
                return line;
            });
        }
        QWidget screen;
        batchui::BatchWindow *window = OpenAndWait(screen, path);
        if (!window)
            return 1;
        window->resize(1100, 820);
        window->show();
        if (!window->model().rows().anySpectrum())
            return 1;
        QItemSelectionModel &selection = *window->view().selectionModel();
        for (const int row : {3, 7, 12})
            selection.select(window->model().index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selection.setCurrentIndex(window->model().index(7, 0), QItemSelectionModel::NoUpdate);
        window->spectrumPane().setCurrentIndex(tab);
        QTest::qWaitForWindowExposed(window);
        QTest::qWait(200);
        // The figures, not the file's columns of wavelengths.
        for (int c = 0; c < window->model().columnCount(); ++c) {
            if (window->model().headerData(c, Qt::Horizontal).toString() == "spectrum_x") {
                window->view().horizontalScrollBar()->setValue(window->view().horizontalHeader()->sectionPosition(c));
                break;
            }
        }
        QTest::qWait(100);
        if (!Save(window->grab().toImage(), {}, out.filePath(QStringLiteral("batch-spectra%1%2.png")
                                                       .arg(tab ? QStringLiteral("-tab%1").arg(tab) : QString(), suffix))))
            status = 1;
        QFile::remove(out.filePath("generated-spectra.csv"));
    }

    // The bins: a tray of 4000 K LEDs about the hexagon of the example file.
    {
        std::mt19937 random(11);
        std::normal_distribution<double> dx(0.3835, 0.0085), dy(0.3805, 0.0065);
        const QString path = WriteTray(out.filePath("generated-tray.csv"), QStringLiteral("编号,CIE x,CIE y"), 600,
                                       [&](std::size_t i) {
            return QStringLiteral("LED-%1,%2,%3").arg(i + 1, 3, 10, QChar('0'))
                .arg(dx(random), 0, 'f', 4).arg(dy(random), 0, 'f', 4);
        });
        QWidget screen;
        batchui::BatchWindow *window = OpenAndWait(screen, path);
        if (!window)
            return 1;
        window->resize(900, 640);
        window->show();
        const QString problem = window->LoadBins(args[1]);
        if (!problem.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(problem));
            return 1;
        }
        window->yieldTable().selectRow(1);
        emit window->yieldTable().cellClicked(1, 0);
        window->ShowDiagram();
        auto *diagramWindow = window->findChild<diagram::DiagramWindow *>();
        if (!diagramWindow || !QTest::qWaitForWindowExposed(diagramWindow))
            return 1;
        diagramWindow->resize(700, 640);
        // Around the 4000 K quadrangle.
        diagram::ViewState view = diagramWindow->diagram().view();
        diagramWindow->diagram().SetView(view);
        QTest::qWait(300);
        if (!Save(window->grab().toImage(), diagramWindow->grab().toImage(), out.filePath(QStringLiteral("batch-bins%1.png").arg(suffix))))
            status = 1;
        QFile::remove(path);
    }
    return status;
}
