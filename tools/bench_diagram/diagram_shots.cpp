// Pictures of the diagram window for looking at: GB 4000 K with a point,
// ANSI 2700 K zoomed out, ANSI 4000 K with a point, the converter's diagram
// around a point, a 1,000-row batch, and one of ANSI 4000 K with the bins of
// docs/examples/bins-4000K.csv. Run under Xvfb (scripts/bench_diagram.sh
// --shots).

#include "file_system.h"
#include "batch_sample.h"
#include "bin_file.h"
#include "diagram_window.h"
#include "window.h"


#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

namespace {

void Shoot(diagram::DiagramWindow &window, const QString &file)
{
    window.resize(window.diagram().sizeHint());
    QApplication::processEvents();
    window.grab().save(file);
    std::printf("%s\n", qPrintable(file));
}

diagram::DiagramWindow &WindowOf(QWidget &owner, const char *name)
{
    return *owner.findChild<diagram::DiagramWindow *>(QString::fromLatin1(name));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    QDir().mkpath(out.path());
    using tolerance::ColourStandard;
    using tolerance::FindEllipse;

    QWidget gb, ansi, converter, batch;
    diagram::ShowDiagramWindow(gb, FindEllipse(ColourStandard::GB, 4000), colorimetry::Xy{0.3862, 0.3751});
    Shoot(WindowOf(gb, "diagramWindow"), out.filePath("diagram-gb4000-point.png"));

    const auto *ansi2700 = FindEllipse(ColourStandard::ANSI, 2700);
    diagram::ShowDiagramWindow(ansi, ansi2700, colorimetry::Xy{0.4612, 0.4088});
    diagram::DiagramWindow &zoomed = WindowOf(ansi, "diagramWindow");
    zoomed.resize(zoomed.diagram().sizeHint());
    QApplication::processEvents();
    diagram::ViewState far = zoomed.diagram().view();
    far.middle = {0.36, 0.40};
    far.scale = 0;
    zoomed.diagram().SetView(far); // the widest view there is
    Shoot(zoomed, out.filePath("diagram-ansi2700-zoomed-out.png"));

    QWidget ansiPoint;
    diagram::ShowDiagramWindow(ansiPoint, FindEllipse(ColourStandard::ANSI, 4000), colorimetry::Xy{0.3850, 0.3790});
    Shoot(WindowOf(ansiPoint, "diagramWindow"), out.filePath("diagram-ansi4000-point.png"));

    diagram::ShowDiagramWindow(converter, nullptr, colorimetry::Xy{0.4476, 0.4074});
    Shoot(WindowOf(converter, "diagramWindow"), out.filePath("diagram-converter.png"));

    const auto *gb4000 = FindEllipse(ColourStandard::GB, 4000);
    const std::vector<diagram::BatchPoint> rows = bench::SampleBatch(*gb4000, 1000);
    const int selected[] = {3, 17, 256, 511};
    diagram::ShowBatchDiagram(batch, gb4000, rows, selected);
    Shoot(WindowOf(batch, "batchDiagramWindow"), out.filePath("diagram-batch1000.png"));

    // The bins of the README's example over a batch of ANSI 4000 K, counted.
    const int fd = platform::OpenToRead(NORVAK_SOURCE_DIR "/docs/examples/bins-4000K.csv");
    auto bins = std::make_shared<const colorimetry::BinSet>(batch::ReadBinFile(fd).bins);
    platform::Close(fd);
    const auto *ansi4000 = FindEllipse(ColourStandard::ANSI, 4000);
    const std::vector<diagram::BatchPoint> binned = bench::SampleBatch(*ansi4000, 1000);
    std::vector<std::uint64_t> counts(bins->size());
    for (const diagram::BatchPoint &p : binned)
        if (const int i = bins->Find({p.x, p.y}); i >= 0)
            ++counts[std::size_t(i)];
    QWidget withBins;
    diagram::ShowBatchDiagram(withBins, ansi4000, binned, {}, {}, {bins, counts});
    Shoot(WindowOf(withBins, "batchDiagramWindow"), out.filePath("diagram-batch-bins.png"));
    return 0;
}
