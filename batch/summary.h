#pragma once
// The summary of a batch: rows, rated, failed; for a row of the ellipse
// table also the largest and mean steps and the share within 1, 2, 3, 5 and
// 7 steps (and, with a limit, how many rows are beyond it). For spectra the
// colour rendering (Ra, R9), TM-30 (Rf, Rg) and the melanopic DER, rows
// short of --min-ra or --min-r9, and how far the file's own x and y lie
// from the spectrum's.
// The yield per ANSI quadrangle and per user bin, which bins overlap, and
// the metadata lines a file begins with. Text from the file (metadata, bin
// names) is quoted as messages quote it: control characters escaped.

#include "batch_reader.h"
#include "row_rating.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace batch {

// The least and the mean of a figure over the rows that have it.
struct FigureStats {
    std::uint64_t count = 0;
    double least = 0;
    double sum = 0;
    double mean() const { return count ? sum / double(count) : 0; }
    void Add(double value)
    {
        if (count == 0 || value < least)
            least = value;
        sum += value;
        ++count;
    }
};

inline constexpr std::size_t kAnsiQuadrangleCount = 8;

class Summary {
public:
    explicit Summary(Row row, std::optional<int> maxSteps = std::nullopt)
        : row_(row), maxSteps_(maxSteps)
    {
    }
    // Rows whose Ra (R9) is below the limit, or not defined, fall short.
    void SetColourLimits(std::optional<double> minRa, std::optional<double> minR9)
    {
        minRa_ = minRa;
        minR9_ = minR9;
    }
    // The bins the rows were sorted into; finds which overlap.
    void SetBins(std::shared_ptr<const colorimetry::BinSet> bins);
    // line: the row's line in the file, named by the largest x, y difference.
    void Add(const Rating &rating, std::uint64_t line = 0);
    // What the reading found beside the rows (undecodable bytes, a column
    // that names a coordinate as plainly as the one used, metadata), as it stands.
    void SetReading(const Layout &layout);

    std::uint64_t rows() const { return rows_; }
    std::uint64_t rated() const { return rated_; }
    std::uint64_t failed() const { return rows_ - rated_; }
    std::uint64_t beyond() const { return beyond_; }
    // Rated rows short of --min-ra or --min-r9 (each row once), and of each.
    std::uint64_t shortOfColour() const { return shortOfColour_; }
    std::uint64_t shortOfRa() const { return shortOfRa_; }
    std::uint64_t shortOfR9() const { return shortOfR9_; }
    // Every row rated, none beyond or short of a limit, every byte decoded,
    // nothing the file holds left unread.
    bool allGood() const
    {
        return failed() == 0 && beyond_ == 0 && shortOfColour_ == 0 && undecodable_ == 0 && !incomplete_;
    }

    // Spectral rows: Ra, R9 (rows whose colour rendering is defined), Rf, Rg.
    const FigureStats &ra() const { return ra_; }
    const FigureStats &r9() const { return r9_; }
    const FigureStats &rf() const { return rf_; }
    const FigureStats &rg() const { return rg_; }
    // Spectral rows: the melanopic DER (CIE S 026).
    const FigureStats &melanopicDer() const { return melanopicDer_; }
    std::uint64_t raAtLeast80() const { return raAtLeast80_; }
    std::uint64_t raAtLeast90() const { return raAtLeast90_; }
    std::uint64_t r9Positive() const { return r9Positive_; }

    // The largest distance in (x, y) between a spectrum's chromaticity and
    // the file's own x and y, and its row's line; nullopt where no row has both.
    std::optional<double> largestXyDifference() const { return largestXyDifference_; }
    std::uint64_t largestXyDifferenceLine() const { return largestXyDifferenceLine_; }

    // The yield: rated rows per ANSI quadrangle (2700 K up) and per bin in
    // the file's order; the rated rows in none. With failed() each sums to rows().
    const std::array<std::uint64_t, kAnsiQuadrangleCount> &ansiCounts() const { return ansiCounts_; }
    std::uint64_t inNoQuadrangle() const { return inNoQuadrangle_; }
    const colorimetry::BinSet *bins() const { return bins_.get(); }
    const std::vector<std::uint64_t> &binCounts() const { return binCounts_; }
    std::uint64_t inNoBin() const { return inNoBin_; }
    const colorimetry::BinOverlaps &overlaps() const { return overlaps_; }

    const std::vector<std::pair<std::string, std::string>> &metadata() const { return metadata_; }

    // Lines of text for people, each ending in a line feed.
    std::string Text() const;
    // The same on one line, for a window's status.
    std::string Line() const;

    static constexpr std::array<int, 5> kWithin{1, 2, 3, 5, 7};

private:
    std::string TextOf(bool binTable) const;
    std::string SpectralText() const;
    std::string YieldText(bool table) const;

    Row row_;
    std::optional<int> maxSteps_;
    std::optional<double> minRa_, minR9_;
    std::uint64_t rows_ = 0;
    std::uint64_t rated_ = 0;
    std::uint64_t beyond_ = 0;
    std::uint64_t shortOfColour_ = 0, shortOfRa_ = 0, shortOfR9_ = 0;
    std::int32_t largest_ = 0;
    double stepSum_ = 0;
    std::array<std::uint64_t, 5> within_{};
    double lowestCct_ = 0; // cendrel: the screens' numbers
    double highestCct_ = 0;
    std::uint64_t spectralRows_ = 0; // rated rows with a spectrum
    FigureStats ra_, r9_, rf_, rg_, melanopicDer_;
    std::uint64_t raAtLeast80_ = 0, raAtLeast90_ = 0, r9Positive_ = 0;
    std::optional<double> largestXyDifference_;
    std::uint64_t largestXyDifferenceLine_ = 0;
    std::array<std::uint64_t, kAnsiQuadrangleCount> ansiCounts_{};
    std::uint64_t inNoQuadrangle_ = 0;
    std::shared_ptr<const colorimetry::BinSet> bins_;
    std::vector<std::uint64_t> binCounts_;
    std::uint64_t inNoBin_ = 0;
    colorimetry::BinOverlaps overlaps_;
    std::uint64_t undecodable_ = 0;
    bool incomplete_ = false;
    std::string readingNotes_;
    std::vector<std::pair<std::string, std::string>> metadata_;
};

} // namespace batch
