#pragma once
// What a chromaticity diagram shows, in CIE 1931 (x, y): the curves, the
// centres, the ANSI quadrangles, the computed point, the rows of a batch and
// the user's bins. No pixels here; the painter maps it through a view.

#include "batch_point.h"
#include "bins.h"
#include "colorimetry.h"
#include "ellipse.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace diagram {

using colorimetry::Xy;

// The curves of both metrics go from 1 to 7 steps.
inline constexpr int kLargestDrawnStep = 7;

struct StepCurve {
    int steps; // program: the number changes from steps to steps + 1; standard: SDCM = steps
    std::vector<Xy> points; // once around, closed
};

struct IsotemperatureLine {
    int kelvin;
    Xy below; // Duv −0.02 (towards pink)
    Xy above; // Duv +0.02 (towards green)
};

struct Centre {
    const tolerance::ToleranceEllipse *row;
    bool own; // the centre of the scene's row
};

// Batch dots are grouped by the band of their steps: 0–1, 2, …, 7, 8 and
// more, and not rated; a band is drawn in one colour.
inline constexpr int kStepBands = 9;
int StepBand(int steps);
QString StepBandName(int band);

// The rows of a whole batch by band, for a plot whose dots are a sample of
// them.
struct BatchCounts {
    std::array<std::uint64_t, kStepBands> bands{};
    std::uint64_t Total() const;
};

// The user's bins over the diagram, with the rows each holds.
struct SceneBins {
    std::shared_ptr<const colorimetry::BinSet> set; // null: no bins
    // Per bin, in the set's order, the rows in it; empty when not counted.
    std::vector<std::uint64_t> counts;
    bool empty() const { return !set || set->empty(); }
};

struct Scene {
    QString title;   // "色品图 — GB 4000 K"
    const tolerance::ToleranceEllipse *row = nullptr; // null: cendrel, around the point
    std::span<const StepCurve> programSteps;  // empty without a row
    std::span<const StepCurve> standardSteps; // empty without a row
    std::span<const Xy> planckian;
    std::span<const IsotemperatureLine> isotemperature;
    std::span<const Xy> spectralLocus;
    std::vector<Centre> centres;
    std::optional<Xy> point;

    // A batch: every row, and its dots grouped by band (indexes into batch).
    std::vector<BatchPoint> batch;
    std::array<std::vector<int>, kStepBands> bands;
    std::vector<int> selected; // ascending, each once
    // The whole batch's counts, when batch holds only a sample of its rows.
    std::optional<BatchCounts> whole;
    bool isBatch = false;

    bool ansiQuadrangles = true; // draw the eight ANSI C78.377 quadrangles
    SceneBins bins;
};

// The diagram of a screen: its row's curves and point, or (row null) the
// locus and the centres of both standards around the point.
Scene ScreenScene(const tolerance::ToleranceEllipse *row, std::optional<Xy> point);

// The diagram of a batch's rows over the same curves. Selected indexes out
// of range are ignored. whole: the counts of the whole batch when points
// are a sample of it; the title and legend then give those.
Scene BatchScene(const tolerance::ToleranceEllipse *row, std::span<const BatchPoint> points,
                 std::span<const int> selectedRows = {},
                 std::optional<BatchCounts> whole = std::nullopt);
// The same, taking the points over rather than copying them.
Scene BatchScene(const tolerance::ToleranceEllipse *row, std::vector<BatchPoint> &&points,
                 std::span<const int> selectedRows = {},
                 std::optional<BatchCounts> whole = std::nullopt);

// The bins the scene draws, with the rows of each; counts of another length
// than the bins are dropped.
void SetBins(Scene &scene, SceneBins bins);

// Rings these rows of the batch instead of those before; indexes out of
// range are ignored.
void SelectRows(Scene &scene, std::span<const int> rows);

// "GB 4000 K"
QString RowName(const tolerance::ToleranceEllipse &row);

// The part of the plane the diagram shows first and returns to on Home.
struct Extent {
    double left;
    double bottom;
    double right;
    double top;
};
Extent HomeExtent(const Scene &scene);

} // namespace diagram
