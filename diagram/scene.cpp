#include "scene.h"

#include "polygon.h"

#include <algorithm>
#include <cmath>

namespace diagram {

namespace {

using tolerance::EllipseTable;
using tolerance::ToleranceEllipse;

constexpr int kContourPoints = 360;

struct RowCurves {
    std::vector<StepCurve> program;
    std::vector<StepCurve> standard;
};

// The curves of every row, computed once: a scene only refers to them.
const RowCurves &CurvesOf(const ToleranceEllipse &row)
{
    static const std::array<RowCurves, EllipseTable.size()> all = [] {
        std::array<RowCurves, EllipseTable.size()> curves;
        for (std::size_t i = 0; i < EllipseTable.size(); ++i) {
            for (int k = 1; k <= kLargestDrawnStep; ++k) {
                curves[i].program.push_back(
                    {k, colorimetry::ProgramStepContour(EllipseTable[i], k, kContourPoints)});
                curves[i].standard.push_back(
                    {k, colorimetry::StandardStepEllipse(EllipseTable[i], k, kContourPoints)});
            }
        }
        return curves;
    }();
    return all[std::size_t(&row - EllipseTable.data())];
}

// The Planckian locus from 1000 K to 25000 K, evenly in reciprocal
// temperature so that the bend at low temperatures is as smooth as the rest.
const std::vector<Xy> &Planckian()
{
    static const std::vector<Xy> locus = [] {
        std::vector<Xy> points;
        const double hottest = 1e6 / 25000, coldest = 1e6 / 1000;
        constexpr int n = 400;
        for (int i = 0; i <= n; ++i)
            points.push_back(colorimetry::PlanckianXy(1e6 / (hottest + (coldest - hottest) * i / n)));
        return points;
    }();
    return locus;
}

// 2500–7000 K every 500 K, Duv ±0.02. An isotemperature line is straight in
// (u, v), and so in (x, y): its two ends draw it.
const std::vector<IsotemperatureLine> &Isotemperature()
{
    static const std::vector<IsotemperatureLine> lines = [] {
        std::vector<IsotemperatureLine> all;
        for (int t = 2500; t <= 7000; t += 500)
            all.push_back({t, colorimetry::XyFromCctDuv(t, -0.02), colorimetry::XyFromCctDuv(t, 0.02)});
        return all;
    }();
    return lines;
}

const std::vector<Xy> &Spectral()
{
    static const std::vector<Xy> locus = colorimetry::SpectralLocus();
    return locus;
}

Scene CommonScene(const ToleranceEllipse *row)
{
    Scene scene;
    scene.row = row;
    scene.planckian = Planckian();
    scene.isotemperature = Isotemperature();
    scene.spectralLocus = Spectral();
    for (const ToleranceEllipse &r : EllipseTable) {
        if (!row || r.standard == row->standard)
            scene.centres.push_back({&r, &r == row});
    }
    if (row) {
        scene.programSteps = CurvesOf(*row).program;
        scene.standardSteps = CurvesOf(*row).standard;
        scene.title = QStringLiteral("色品图 — %1").arg(RowName(*row));
    } else {
        scene.title = QStringLiteral("色品图 — 相关色温");
    }
    return scene;
}

bool Finite(Xy p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// The central part of a batch: the outermost half percent on each side is
// left out, so that one stray row does not shrink the rest to a speck.
void AddBatch(colorimetry::XyBox &box, const std::vector<BatchPoint> &batch)
{
    std::vector<double> xs, ys;
    for (const BatchPoint &p : batch) {
        if (std::isfinite(p.x) && std::isfinite(p.y)) {
            xs.push_back(p.x);
            ys.push_back(p.y);
        }
    }
    if (xs.empty())
        return;
    const std::size_t cut = xs.size() >= 200 ? xs.size() / 200 : 0;
    auto bounds = [cut](std::vector<double> &v) {
        std::nth_element(v.begin(), v.begin() + cut, v.end());
        const double low = v[cut];
        std::nth_element(v.begin(), v.end() - 1 - cut, v.end());
        return std::pair{low, v[v.size() - 1 - cut]};
    };
    const auto [left, right] = bounds(xs);
    const auto [bottom, top] = bounds(ys);
    box.Add({left, bottom});
    box.Add({right, top});
}

} // namespace

int StepBand(int steps)
{
    if (steps < 0)
        return kStepBands - 1;
    return std::clamp(steps, 1, 8) - 1;
}

QString StepBandName(int band)
{
    if (band == 0)
        return QStringLiteral("≤1 步");
    if (band == kStepBands - 2)
        return QStringLiteral("≥8 步");
    if (band == kStepBands - 1)
        return QStringLiteral("未评定");
    return QStringLiteral("%1 步").arg(band + 1);
}

QString RowName(const ToleranceEllipse &row)
{
    return QStringLiteral("%1 %2 K")
        .arg(row.standard == tolerance::ColourStandard::GB ? QStringLiteral("GB")
                                                           : QStringLiteral("ANSI"))
        .arg(row.nominalCct);
}

Scene ScreenScene(const ToleranceEllipse *row, std::optional<Xy> point)
{
    Scene scene = CommonScene(row);
    if (point && Finite(*point))
        scene.point = point;
    return scene;
}

std::uint64_t BatchCounts::Total() const
{
    std::uint64_t total = 0;
    for (std::uint64_t n : bands)
        total += n;
    return total;
}

Scene BatchScene(const ToleranceEllipse *row, std::span<const BatchPoint> points,
                 std::span<const int> selectedRows, std::optional<BatchCounts> whole)
{
    return BatchScene(row, std::vector<BatchPoint>(points.begin(), points.end()), selectedRows, whole);
}

Scene BatchScene(const ToleranceEllipse *row, std::vector<BatchPoint> &&points,
                 std::span<const int> selectedRows, std::optional<BatchCounts> whole)
{
    Scene scene = CommonScene(row);
    scene.isBatch = true;
    scene.batch = std::move(points);
    const std::vector<BatchPoint> &batch = scene.batch;
    std::uint64_t drawn = 0;
    for (int i = 0; i < int(batch.size()); ++i) {
        if (std::isfinite(batch[std::size_t(i)].x) && std::isfinite(batch[std::size_t(i)].y)) {
            scene.bands[std::size_t(StepBand(batch[std::size_t(i)].steps))].push_back(i);
            ++drawn;
        }
    }
    // Rows without a dot (not rated) are not counted as points.
    scene.whole = whole;
    scene.title += QStringLiteral(" · 批量 %1 点").arg(whole ? whole->Total() : drawn);
    SelectRows(scene, selectedRows);
    return scene;
}

void SetBins(Scene &scene, SceneBins bins)
{
    if (bins.empty())
        bins = {};
    else if (bins.counts.size() != bins.set->size())
        bins.counts.clear();
    scene.bins = std::move(bins);
}

void SelectRows(Scene &scene, std::span<const int> rows)
{
    scene.selected.clear();
    for (int i : rows) {
        if (i >= 0 && i < int(scene.batch.size()))
            scene.selected.push_back(i);
    }
    std::sort(scene.selected.begin(), scene.selected.end());
    scene.selected.erase(std::unique(scene.selected.begin(), scene.selected.end()), scene.selected.end());
}

Extent HomeExtent(const Scene &scene)
{
    colorimetry::XyBox box;
    if (scene.row) {
        for (const auto *curves : {&scene.programSteps, &scene.standardSteps}) {
            if (!curves->empty())
                for (Xy p : curves->back().points)
                    box.Add(p);
        }
    }
    if (scene.point) {
        box.Add(*scene.point);
        if (!scene.row) {
            // Around the point: far enough to see the neighbouring centres.
            box.Add({scene.point->x - 0.03, scene.point->y - 0.03});
            box.Add({scene.point->x + 0.03, scene.point->y + 0.03});
        }
    }
    AddBatch(box, scene.batch);
    if (box.Empty()) {
        // Nothing yet: the white LEDs' part of the locus, 2500–7000 K.
        box.Add({0.29, 0.29});
        box.Add({0.50, 0.44});
    }
    // A margin, and never a view narrower than a few steps.
    const double cx = (box.left + box.right) / 2, cy = (box.bottom + box.top) / 2;
    const double halfWidth = std::max((box.right - box.left) * 0.6, 0.004);
    const double halfHeight = std::max((box.top - box.bottom) * 0.6, 0.004);
    return {cx - halfWidth, cy - halfHeight, cx + halfWidth, cy + halfHeight};
}

} // namespace diagram
