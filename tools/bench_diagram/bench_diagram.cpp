// How long the diagram takes to repaint and to export: a screen's diagram
// with its point, and batches of 1,000 and 100,000 rows. Prints figures;
// scripts/bench_diagram.sh runs it in a real window under Xvfb.

#include "batch_sample.h"
#include "diagram_window.h"
#include "export.h"
#include "window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The median of runs, in milliseconds.
template <typename Work>
double MedianMs(int runs, Work work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

struct Case {
    const char *name;
    std::vector<diagram::BatchPoint> rows; // empty: the screen's diagram with one point
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const auto *row = tolerance::FindEllipse(tolerance::ColourStandard::GB, 4000);
    std::vector<Case> cases;
    cases.push_back({"1 point", {}});
    cases.push_back({"1,000 rows", bench::SampleBatch(*row, 1000)});
    cases.push_back({"100,000 rows", bench::SampleBatch(*row, 100000)});

    QTemporaryDir dir;
    std::printf("Chromaticity diagram, GB 4000 K, window 860 x 640 at scale %.0f\n",
                app.devicePixelRatio());
    std::printf("%-14s %12s %12s %12s %12s\n", "", "repaint ms", "PNG ms", "SVG ms", "PDF ms");
    for (const Case &c : cases) {
        QWidget owner;
        if (c.rows.empty())
            diagram::ShowDiagramWindow(owner, row, colorimetry::Xy{0.3862, 0.3751});
        else
            diagram::ShowBatchDiagram(owner, row, c.rows);
        auto *window = owner.findChild<diagram::DiagramWindow *>();
        window->resize(860, 640);
        if (!QTest::qWaitForWindowExposed(window))
            return 1;
        QApplication::processEvents();
        diagram::DiagramWidget &widget = window->diagram();
        // A repaint as a zoom or pan causes it: the whole widget, painted now.
        const double repaint = MedianMs(c.rows.size() > 10000 ? 9 : 41, [&] { widget.repaint(); });
        const int exports = c.rows.size() > 10000 ? 3 : 9;
        double ms[3];
        const char *suffixes[3] = {"png", "svg", "pdf"};
        for (int f = 0; f < 3; ++f) {
            const QString path = dir.filePath(QStringLiteral("d.") + suffixes[f]);
            ms[f] = MedianMs(exports, [&] {
                if (!window->ExportTo(path).isEmpty())
                    std::abort();
            });
        }
        std::printf("%-14s %12.2f %12.1f %12.1f %12.1f\n", c.name, repaint, ms[0], ms[1], ms[2]);
        if (c.rows.size() == 100000) {
            for (const char *s : suffixes)
                std::printf("  100,000-row %s file: %.1f MB\n", s,
                            QFileInfo(dir.filePath(QStringLiteral("d.") + s)).size() / 1e6);
        }
    }
    std::printf("Goals: repaint under 16 ms with 1,000 rows, under 200 ms with 100,000.\n");
    return 0;
}
