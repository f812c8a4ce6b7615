#pragma once
// What a tray page needs of however many rows, in memory that does not grow
// with them: the batch summary, running histograms on fixed fine bins, a
// uniform sample of the points for the diagram, the counts per ANSI
// quadrangle and per bin, and the failed rows (the first of them, and how
// many).

#include "led_report.h"
#include "plot_sample.h"
#include "summary.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace report {

// Counts of a figure on fine bins of equal width over [low, low + width·n);
// values outside fall in below or above. Drawn as at most a score of bars
// spanning the values seen.
class Histogram {
public:
    Histogram(std::string title, std::string unit, double low, double width, std::size_t bins, int decimals);
    void Add(double value);

    struct Bar {
        double from = 0; // value range [from, to)
        double to = 0;
        std::uint64_t count = 0;
    };
    // Fine bins grouped so that at most `most` bars span the least to the
    // greatest value seen (values outside the fine bins are in below/above).
    std::vector<Bar> Bars(std::size_t most = 20) const;

    const std::string &title() const { return title_; }
    const std::string &unit() const { return unit_; }
    int decimals() const { return decimals_; }
    std::uint64_t count() const { return count_; }
    std::uint64_t below() const { return below_; }
    std::uint64_t above() const { return above_; }
    double least() const { return least_; }
    double greatest() const { return greatest_; }
    double mean() const { return count_ ? sum_ / double(count_) : 0; }

private:
    std::string title_;
    std::string unit_;
    double low_;
    double width_;
    int decimals_;
    std::vector<std::uint64_t> counts_;
    std::uint64_t count_ = 0, below_ = 0, above_ = 0;
    double least_ = 0, greatest_ = 0, sum_ = 0;
};

struct FailedRow {
    std::string name;
    std::uint64_t line = 0;
    std::string message;
};

class TrayTally {
public:
    // The failed rows listed at most; the rest are counted.
    static constexpr std::size_t kListedFailures = 200;
    // The dots of the tray's diagram at most (a uniform sample beyond).
    static constexpr std::size_t kDiagramPoints = 5000;

    explicit TrayTally(const ReportContext &context);
    void Add(const batch::RatedRow &row, const batch::Layout &layout);
    void SetReading(const batch::Layout &layout) { summary_.SetReading(layout); }

    const ReportContext &context() const { return context_; }
    const batch::Summary &summary() const { return summary_; }
    enum Figure { Steps, Cct, Duv, Ra, R9, Rf, kFigures };
    const Histogram &histogram(Figure f) const { return histograms_[f]; }
    const diagram::PlotSample &points() const { return points_; }
    std::uint64_t rows() const { return summary_.rows(); }
    std::uint64_t spectral() const { return spectral_; }
    // Per quadrangle (AnsiQuadrangles() order), then the count in none.
    const std::vector<std::uint64_t> &ansiCounts() const { return ansi_; }
    std::uint64_t noAnsi() const { return noAnsi_; }
    // Per bin of context().bins, then the count in none.
    const std::vector<std::uint64_t> &binCounts() const { return bins_; }
    std::uint64_t noBin() const { return noBin_; }
    const std::vector<FailedRow> &failures() const { return failures_; }
    std::uint64_t failed() const { return summary_.failed(); }

private:
    ReportContext context_;
    batch::Summary summary_;
    std::vector<Histogram> histograms_;
    diagram::PlotSample points_{kDiagramPoints};
    std::uint64_t spectral_ = 0;
    std::vector<std::uint64_t> ansi_;
    std::uint64_t noAnsi_ = 0;
    std::vector<std::uint64_t> bins_;
    std::uint64_t noBin_ = 0;
    std::vector<FailedRow> failures_;
};

} // namespace report
