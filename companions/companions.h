#pragma once
// What stands beside a result screen without moving any of it: the exact
// figures in the result's tooltip (and its screen-reader description), the
// result line copied with Ctrl+C or "复制结果", the batch window for a file
// dropped on the screen or chosen with "批量计算…" (Ctrl+O), and the
// chromaticity diagram "色品图…" (F2) that follows the screen's point.

#include "ellipse.h"
#include "screen_window.h"

#include <QString>

namespace companions {

// Adds the context-menu entries, shortcuts and the file drop to a screen.
// row: the calculator's row of the ellipse table, or null for the CCT
// converter.
void AddCompanions(framework::ScreenDefinition &definition,
                   const tolerance::ToleranceEllipse *row);

// After a computation with complete input, once the screen shows its number:
// the result's tooltip, the line to copy and the diagram's point.
void ReportResult(framework::ScreenContext &screen, const tolerance::ToleranceEllipse *row,
                  const QString &resultControl, double x, double y, const QString &number);

// After a computation with missing input: the diagram's point goes; the
// screen's number and its tooltip stay as the screen leaves them.
void ReportMissingInput(framework::ScreenContext &screen);

} // namespace companions
