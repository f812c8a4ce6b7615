// Pictures of the diagram window for looking at: GB 4000 K with a point,
// ANSI 2700 K zoomed out, the converter's diagram around a point, and a
// 1,000-row batch. Run under Xvfb (scripts/bench_diagram.sh --shots).

#include "batch_sample.h"
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

    diagram::ShowDiagramWindow(converter, nullptr, colorimetry::Xy{0.4476, 0.4074});
    Shoot(WindowOf(converter, "diagramWindow"), out.filePath("diagram-converter.png"));

    const auto *gb4000 = FindEllipse(ColourStandard::GB, 4000);
    const std::vector<diagram::BatchPoint> rows = bench::SampleBatch(*gb4000, 1000);
    const int selected[] = {3, 17, 256, 511};
    diagram::ShowBatchDiagram(batch, gb4000, rows, selected);
    Shoot(WindowOf(batch, "batchDiagramWindow"), out.filePath("diagram-batch1000.png"));
    return 0;
}
