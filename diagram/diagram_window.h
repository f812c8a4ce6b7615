#pragma once
// The chromaticity diagram "色品图" as the programs use it: a window per
// screen window that follows the screen's computed point, the diagram of a
// batch window's rows, and the batch plot written to a file.

#include "batch_point.h"
#include "colorimetry.h"
#include "ellipse.h"

#include <QString>

#include <optional>
#include <span>

class QWidget;

namespace diagram {

// The screen's diagram window "色品图": one per screen window (a second call
// brings it to the front); it goes when the screen is unloaded. row: the
// calculator's row (ambrix), or null for cendrel's converter (drawn around the
// point).
void ShowDiagramWindow(QWidget &screenWindow, const tolerance::ToleranceEllipse *row,
                       std::optional<colorimetry::Xy> point);

// The screen computed: moves the point; nullopt (missing input) removes it.
// Does nothing when the screen has no diagram window open.
void FollowPoint(QWidget &screenWindow, std::optional<colorimetry::Xy> point);

// The diagram of a batch window's rows, as a window of its own belonging to
// batchWindow (a second call updates and raises it). selectedRows: indexes
// into points to highlight.
void ShowBatchDiagram(QWidget &batchWindow, const tolerance::ToleranceEllipse *row,
                      std::span<const BatchPoint> points, std::span<const int> selectedRows = {});

// Writes the diagram of a batch (every row as a dot coloured by its steps,
// with the same curves) to path; the format comes from the suffix (.png at
// twice the screen scale, .svg, .pdf). Needs a QGuiApplication. Returns an
// error message (Chinese, for the user), empty on success.
QString ExportBatchPlot(const QString &path, const tolerance::ToleranceEllipse *row,
                        std::span<const BatchPoint> points);

} // namespace diagram
