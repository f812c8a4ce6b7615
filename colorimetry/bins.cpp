#include "bins.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace colorimetry {

namespace {

// The grid aims at cells a quarter of a typical bin across, and at least
// this many cells per bin, within these bounds; but a grid over bins that
// cover much of it grows coarser, so that setting it up compares at most so
// many (cell, corner) pairs.
constexpr double kCellsAcrossBin = 4;
constexpr double kCellsPerBin = 64;
constexpr double kFewestCells = 4096;
constexpr double kMostCells = 1 << 20;
constexpr std::size_t kMostCellCorners = std::size_t(1) << 23;
constexpr std::uint32_t kLargestSide = 4096;

enum class Relation { Misses, Crosses, Covers };

// How a polygon lies over a rectangle, exactly for the rectangle's corners
// as given: an edge reaches into it, or it lies wholly inside or outside.
Relation RelationOf(std::span<const Xy> polygon, const XyBox &r)
{
    const Xy corners[4] = {{r.left, r.bottom}, {r.right, r.bottom}, {r.right, r.top}, {r.left, r.top}};
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Xy a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        if (std::max(a.x, b.x) < r.left || std::min(a.x, b.x) > r.right || std::max(a.y, b.y) < r.bottom
            || std::min(a.y, b.y) > r.top)
            continue;
        int left = 0, right = 0;
        for (Xy c : corners) {
            const int side = Orientation(a, b, c);
            left += side >= 0;
            right += side <= 0;
        }
        if (left > 0 && right > 0)
            return Relation::Crosses;
    }
    return Locate(polygon, corners[0]) == PointLocation::Outside ? Relation::Misses : Relation::Covers;
}

} // namespace

BinSet::BinSet(std::vector<Bin> bins) : bins_(std::move(bins))
{
    if (bins_.empty())
        return;
    first_.push_back(0);
    for (const Bin &bin : bins_) {
        const PolygonCheck check = CheckSimplePolygon(bin.corners);
        if (!check.simple())
            throw std::invalid_argument("bin \"" + bin.name + "\" is not a simple polygon");
        corners_.insert(corners_.end(), bin.corners.begin(), bin.corners.end());
        first_.push_back(std::uint32_t(corners_.size()));
        boxes_.push_back(BoxOf(bin.corners));
        all_.Add({boxes_.back().left, boxes_.back().bottom});
        all_.Add({boxes_.back().right, boxes_.back().top});
    }
    BuildGrid();
}

void BinSet::BuildGrid()
{
    const double width = all_.right - all_.left, height = all_.top - all_.bottom;
    std::vector<double> narrowest;
    for (const XyBox &box : boxes_)
        narrowest.push_back(std::min(box.right - box.left, box.top - box.bottom));
    std::nth_element(narrowest.begin(), narrowest.begin() + narrowest.size() / 2, narrowest.end());
    const double cellSide = narrowest[narrowest.size() / 2] / kCellsAcrossBin;
    double cells = std::clamp(std::max(kCellsPerBin * double(bins_.size()), width * height / (cellSide * cellSide)),
                              kFewestCells, kMostCells);
    while (true) {
        auto side = [](double v) { return std::uint32_t(std::clamp(std::round(v), 1.0, double(kLargestSide))); };
        columns_ = side(std::sqrt(cells * width / height));
        rows_ = side(cells / columns_);
        perX_ = columns_ / width;
        perY_ = rows_ / height;
        if (!std::isfinite(perX_)) {
            columns_ = 1;
            perX_ = 0;
        }
        if (!std::isfinite(perY_)) {
            rows_ = 1;
            perY_ = 0;
        }
        // The cells a bin reaches are those of its box's corners and between:
        // Column and GridRow never decrease, so every point of the box maps
        // into them, however the division rounds.
        std::size_t cellCorners = 0;
        for (std::size_t i = 0; i < boxes_.size(); ++i)
            cellCorners += std::size_t(Column(boxes_[i].right) - Column(boxes_[i].left) + 1)
                           * std::size_t(GridRow(boxes_[i].top) - GridRow(boxes_[i].bottom) + 1)
                           * (first_[i + 1] - first_[i]);
        if (cellCorners <= kMostCellCorners || cells <= 1)
            break;
        cells = std::max(1.0, cells / 4);
    }

    // Each cell's candidates by their boxes, in order.
    const std::size_t cellCount = std::size_t(columns_) * rows_;
    std::vector<std::uint32_t> start(cellCount + 1, 0);
    auto forEachCell = [this](const XyBox &box, auto &&visit) {
        for (std::uint32_t r = GridRow(box.bottom); r <= GridRow(box.top); ++r)
            for (std::uint32_t c = Column(box.left); c <= Column(box.right); ++c)
                visit(std::size_t(r) * columns_ + c);
    };
    for (const XyBox &box : boxes_)
        forEachCell(box, [&start](std::size_t cell) { ++start[cell + 1]; });
    for (std::size_t c = 1; c < start.size(); ++c)
        start[c] += start[c - 1];
    std::vector<std::uint32_t> candidates(start.back());
    std::vector<std::uint32_t> filled(start.begin(), start.end() - 1);
    for (std::uint32_t i = 0; i < boxes_.size(); ++i)
        forEachCell(boxes_[i], [&](std::size_t cell) { candidates[filled[cell]++] = i; });

    // Then each cell's candidates by their polygons, over the cell widened by
    // far more than the rounding in Column and GridRow: those that miss it
    // go, and the list ends at the first that covers it whole.
    const double marginX = 1e-12 * (std::fabs(all_.left) + std::fabs(all_.right) + width);
    const double marginY = 1e-12 * (std::fabs(all_.bottom) + std::fabs(all_.top) + height);
    cellStart_.assign(cellCount + 1, 0);
    cellAnswer_.assign(cellCount, kAskBins);
    cellBins_.clear();
    for (std::uint32_t r = 0; r < rows_; ++r) {
        for (std::uint32_t c = 0; c < columns_; ++c) {
            const std::size_t cell = std::size_t(r) * columns_ + c;
            const XyBox rect{columns_ == 1 ? all_.left : all_.left + c / perX_ - marginX,
                            rows_ == 1 ? all_.bottom : all_.bottom + r / perY_ - marginY,
                            columns_ == 1 ? all_.right : all_.left + (c + 1) / perX_ + marginX,
                            rows_ == 1 ? all_.top : all_.bottom + (r + 1) / perY_ + marginY};
            for (std::uint32_t k = start[cell]; k < start[cell + 1]; ++k) {
                const std::uint32_t i = candidates[k];
                const Relation relation = RelationOf(CornersOf(i), rect);
                if (relation == Relation::Misses)
                    continue;
                if (relation == Relation::Covers && cellBins_.size() == cellStart_[cell]) {
                    cellAnswer_[cell] = int(i);
                    break;
                }
                cellBins_.push_back(i);
                if (relation == Relation::Covers)
                    break;
            }
            if (cellBins_.size() == cellStart_[cell] && cellAnswer_[cell] == kAskBins)
                cellAnswer_[cell] = kNoBin;
            cellStart_[cell + 1] = std::uint32_t(cellBins_.size());
        }
    }
}

std::uint32_t BinSet::Column(double x) const
{
    const double f = (x - all_.left) * perX_;
    return f < columns_ ? std::uint32_t(f) : columns_ - 1;
}

std::uint32_t BinSet::GridRow(double y) const
{
    const double f = (y - all_.bottom) * perY_;
    return f < rows_ ? std::uint32_t(f) : rows_ - 1;
}

int BinSet::Find(Xy p) const
{
    if (!all_.Holds(p)) // NaN too
        return kNoBin;
    const std::size_t cell = std::size_t(GridRow(p.y)) * columns_ + Column(p.x);
    return cellAnswer_[cell] != kAskBins ? cellAnswer_[cell] : FindAmong(cell, p);
}

int BinSet::FindAmong(std::size_t cell, Xy p) const
{
    for (std::uint32_t k = cellStart_[cell]; k < cellStart_[cell + 1]; ++k) {
        const std::uint32_t i = cellBins_[k];
        if (boxes_[i].Holds(p) && Locate(CornersOf(i), p) != PointLocation::Outside)
            return int(i);
    }
    return kNoBin;
}

namespace {

// The insides of two boxes overlap (touching is not overlapping).
bool BoxesOverlap(const XyBox &a, const XyBox &b)
{
    return a.left < b.right && b.left < a.right && a.bottom < b.top && b.bottom < a.top;
}

// A tree over boxes for finding those that overlap a box: each node's box
// holds those below it; the boxes are split at the median of their centres
// along the wider spread, down to a few per leaf. Bins that share an x range
// (stacked strips) are split along y, so that finding the few a box meets
// takes a walk down the tree, not a pass over all.
class BoxTree {
public:
    explicit BoxTree(const std::vector<XyBox> &boxes) : boxes_(boxes), items_(boxes.size())
    {
        for (std::uint32_t i = 0; i < items_.size(); ++i)
            items_[i] = i;
        if (!items_.empty())
            Build();
    }

    // Calls visit(j) for each box j that overlaps box i, j > i.
    template <typename Visit>
    void ForEachOverlap(std::uint32_t i, Visit &&visit) const
    {
        const XyBox &box = boxes_[i];
        std::vector<std::uint32_t> &stack = stack_;
        stack.assign(1, 0);
        while (!stack.empty()) {
            const Node &node = nodes_[stack.back()];
            stack.pop_back();
            if (!BoxesOverlap(node.box, box))
                continue;
            if (node.count == 0) {
                stack.push_back(node.first);
                stack.push_back(node.first + 1);
                continue;
            }
            for (std::uint32_t k = node.first; k < node.first + node.count; ++k) {
                const std::uint32_t j = items_[k];
                if (j > i && BoxesOverlap(boxes_[j], box))
                    visit(j);
            }
        }
    }

private:
    static constexpr std::uint32_t kLeafSize = 8;
    struct Node {
        XyBox box;
        std::uint32_t first; // a leaf's first item; else its first child (the second follows)
        std::uint32_t count; // a leaf's items; 0 for a node with children
    };

    // The tree over all items, node 0 its root, without recursion.
    void Build()
    {
        struct Task {
            std::uint32_t node, first, end; // the node to make, of items [first, end)
        };
        nodes_.push_back({});
        std::vector<Task> tasks{{0, 0, std::uint32_t(items_.size())}};
        while (!tasks.empty()) {
            const Task t = tasks.back();
            tasks.pop_back();
            XyBox box, centres;
            for (std::uint32_t k = t.first; k < t.end; ++k) {
                const XyBox &b = boxes_[items_[k]];
                box.Add({b.left, b.bottom});
                box.Add({b.right, b.top});
                centres.Add(Centre(b));
            }
            nodes_[t.node].box = box;
            if (t.end - t.first <= kLeafSize) {
                nodes_[t.node].first = t.first;
                nodes_[t.node].count = t.end - t.first;
                continue;
            }
            const bool alongX = centres.right - centres.left >= centres.top - centres.bottom;
            const std::uint32_t middle = t.first + (t.end - t.first) / 2;
            std::nth_element(items_.begin() + t.first, items_.begin() + middle, items_.begin() + t.end,
                             [&](std::uint32_t a, std::uint32_t b) {
                                 return alongX ? Centre(boxes_[a]).x < Centre(boxes_[b]).x
                                               : Centre(boxes_[a]).y < Centre(boxes_[b]).y;
                             });
            const auto child = std::uint32_t(nodes_.size());
            nodes_[t.node].first = child;
            nodes_[t.node].count = 0;
            nodes_.push_back({});
            nodes_.push_back({});
            tasks.push_back({child, t.first, middle});
            tasks.push_back({child + 1, middle, t.end});
        }
    }

    static Xy Centre(const XyBox &b) { return {(b.left + b.right) / 2, (b.bottom + b.top) / 2}; }

    const std::vector<XyBox> &boxes_;
    std::vector<std::uint32_t> items_;
    std::vector<Node> nodes_;
    mutable std::vector<std::uint32_t> stack_;
};

} // namespace

BinOverlaps BinSet::FindOverlaps(std::uint64_t work) const
{
    BinOverlaps result;
    const BoxTree tree(boxes_);
    std::uint64_t done = 0;
    for (std::uint32_t i = 0; i < bins_.size() && result.complete; ++i) {
        tree.ForEachOverlap(i, [&](std::uint32_t j) {
            if (!result.complete)
                return;
            const std::span<const Xy> p = CornersOf(i), q = CornersOf(j);
            done += std::uint64_t(p.size()) * q.size();
            if (done > work)
                result.complete = false;
            else if (InsidesOverlap(p, q))
                result.pairs.push_back({i, j});
        });
    }
    std::sort(result.pairs.begin(), result.pairs.end());
    return result;
}

} // namespace colorimetry
