#include "diagram_window.h"

namespace diagram {

void ShowDiagramWindow(QWidget &, const tolerance::ToleranceEllipse *, std::optional<colorimetry::Xy>)
{
}

void FollowPoint(QWidget &, std::optional<colorimetry::Xy>) {}

void ShowBatchDiagram(QWidget &, const tolerance::ToleranceEllipse *, std::span<const BatchPoint>,
                      std::span<const int>)
{
}

QString ExportBatchPlot(const QString &, const tolerance::ToleranceEllipse *, std::span<const BatchPoint>)
{
    return QStringLiteral("色品图尚不能导出。");
}

} // namespace diagram
