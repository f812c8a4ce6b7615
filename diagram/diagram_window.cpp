#include "diagram_window.h"

#include "export.h"
#include "window.h"

namespace diagram {

namespace {

const QString kScreenDiagram = QStringLiteral("diagramWindow");
const QString kBatchDiagram = QStringLiteral("batchDiagramWindow");

// The page of a batch plot written from the command line.
constexpr QSize kBatchPage{960, 720};

DiagramWindow *FindWindow(QWidget &owner, const QString &name)
{
    return owner.findChild<DiagramWindow *>(name, Qt::FindDirectChildrenOnly);
}

} // namespace

void ShowDiagramWindow(QWidget &screenWindow, const tolerance::ToleranceEllipse *row,
                       std::optional<colorimetry::Xy> point)
{
    DiagramWindow *window = FindWindow(screenWindow, kScreenDiagram);
    if (!window)
        window = new DiagramWindow(screenWindow, kScreenDiagram);
    window->SetScene(ScreenScene(row, point));
    window->Present();
}

void FollowPoint(QWidget &screenWindow, std::optional<colorimetry::Xy> point)
{
    DiagramWindow *window = FindWindow(screenWindow, kScreenDiagram);
    if (!window)
        return;
    window->SetScene(ScreenScene(window->diagram().scene().row, point));
}

void ShowBatchDiagram(QWidget &batchWindow, const tolerance::ToleranceEllipse *row,
                      std::span<const BatchPoint> points, std::span<const int> selectedRows,
                      PickRows onPick, SceneBins bins)
{
    DiagramWindow *window = FindWindow(batchWindow, kBatchDiagram);
    if (!window)
        window = new DiagramWindow(batchWindow, kBatchDiagram);
    Scene scene = BatchScene(row, points, selectedRows);
    SetBins(scene, std::move(bins));
    window->SetScene(std::move(scene));
    window->SetPickHandler(std::move(onPick));
    window->Present();
}

void SetBatchBins(QWidget &batchWindow, SceneBins bins)
{
    if (DiagramWindow *window = FindWindow(batchWindow, kBatchDiagram))
        window->diagram().SetBins(std::move(bins));
}

void SelectBatchRows(QWidget &batchWindow, std::span<const int> selectedRows)
{
    if (DiagramWindow *window = FindWindow(batchWindow, kBatchDiagram))
        window->diagram().SetSelection(selectedRows);
}

namespace {

QString ExportBatchScene(const QString &path, Scene &&scene, SceneBins &&bins)
{
    SetBins(scene, std::move(bins));
    const ViewState view = FitView(HomeExtent(scene), LayoutFor(kBatchPage).plot);
    return ExportDiagram(path, scene, view, kBatchPage);
}

} // namespace

QString ExportBatchPlot(const QString &path, const tolerance::ToleranceEllipse *row,
                        std::span<const BatchPoint> points, SceneBins bins)
{
    return ExportBatchScene(path, BatchScene(row, points), std::move(bins));
}

QString ExportBatchPlot(const QString &path, const tolerance::ToleranceEllipse *row,
                        PlotSample &&sample, SceneBins bins)
{
    const BatchCounts whole = sample.counts();
    return ExportBatchScene(path, BatchScene(row, sample.TakePoints(), {}, whole), std::move(bins));
}

} // namespace diagram
