#pragma once
// The chromaticity diagram "色品图" as the programs use it: a window per
// screen window that follows the screen's computed point, the diagram of a
// batch window's rows, and the batch plot written to a file.

#include "batch_point.h"
#include "colorimetry.h"
#include "ellipse.h"
#include "plot_sample.h"
#include "scene.h"

#include <QString>

#include <functional>
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

// The user picked rows of a batch in its diagram (indexes into points): a
// click on a dot, or a drag with Shift around dots. toggle: Ctrl was held,
// so the rows change their selection; otherwise they become the selection.
using PickRows = std::function<void(std::span<const int> rows, bool toggle)>;

// The diagram of a batch window's rows, as a window of its own belonging to
// batchWindow (a second call updates and raises it). selectedRows: indexes
// into points to highlight. onPick: told what the user picks in the diagram.
// bins: the user's bins drawn over it, with the rows in each.
void ShowBatchDiagram(QWidget &batchWindow, const tolerance::ToleranceEllipse *row,
                      std::span<const BatchPoint> points, std::span<const int> selectedRows = {},
                      PickRows onPick = {}, SceneBins bins = {});

// The batch window loaded (or dropped) a bin file, or counted its rows
// again: draws these bins instead. Does nothing when batchWindow has no
// diagram window open.
void SetBatchBins(QWidget &batchWindow, SceneBins bins);

// The batch window's selection changed: rings these rows (indexes into the
// points shown) instead. Does nothing when batchWindow has no diagram window
// open.
void SelectBatchRows(QWidget &batchWindow, std::span<const int> selectedRows);

// Writes the diagram of a batch (every row as a dot coloured by its steps,
// with the same curves, the ANSI quadrangles and the bins given) to path; the format comes from the suffix (.png at
// twice the screen scale, .svg, .pdf). Needs a QGuiApplication. Returns an
// error message (Chinese, for the user), empty on success.
QString ExportBatchPlot(const QString &path, const tolerance::ToleranceEllipse *row,
                        std::span<const BatchPoint> points, SceneBins bins = {});
// The same for a batch too big to keep every dot (PlotPointsFor(path) at
// most): the sample's dots, and the whole batch's counts in the title and
// legend. The sample's dots are taken over.
QString ExportBatchPlot(const QString &path, const tolerance::ToleranceEllipse *row,
                        PlotSample &&sample, SceneBins bins = {});

} // namespace diagram
