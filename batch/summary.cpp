#include "summary.h"

#include "failures.h"
#include "number_rules.h"

#include "ansi_quadrangles.h"

#include <cmath>

#include <cstdio>

namespace batch {

void Summary::SetBins(std::shared_ptr<const colorimetry::BinSet> bins)
{
    bins_ = std::move(bins);
    binCounts_.assign(bins_ ? bins_->size() : 0, 0);
    overlaps_ = bins_ ? bins_->FindOverlaps() : colorimetry::BinOverlaps{};
}

void Summary::Add(const Rating &rating, std::uint64_t line)
{
    ++rows_;
    if (!rating.rated)
        return;
    if (rating.ansi >= 0 && std::size_t(rating.ansi) < ansiCounts_.size())
        ++ansiCounts_[std::size_t(rating.ansi)];
    else
        ++inNoQuadrangle_;
    if (bins_) {
        if (rating.bin >= 0 && std::size_t(rating.bin) < binCounts_.size())
            ++binCounts_[std::size_t(rating.bin)];
        else
            ++inNoBin_;
    }
    const SpectralRating &spectral = rating.spectral;
    const bool figures = spectral.present && spectral.figures.ok();
    if (figures) {
        ++spectralRows_;
        const colorimetry::ColourRendering &r = spectral.figures.rendering;
        if (r.defined && std::isfinite(r.ra) && std::isfinite(r.r[8])) {
            ra_.Add(r.ra);
            r9_.Add(r.r[8]);
            raAtLeast80_ += r.ra >= 80;
            raAtLeast90_ += r.ra >= 90;
            r9Positive_ += r.r[8] > 0;
        }
        if (spectral.tm30.fidelityDefined)
            rf_.Add(spectral.tm30.rf);
        if (spectral.tm30.defined)
            rg_.Add(spectral.tm30.rg);
        if (spectral.figures.health.defined)
            melanopicDer_.Add(spectral.figures.health.der[colorimetry::Melanopic]);
        if (spectral.fileXy) {
            const double d = std::hypot(spectral.figures.xy.x - spectral.fileX,
                                        spectral.figures.xy.y - spectral.fileY);
            if (std::isfinite(d) && (!largestXyDifference_ || d > *largestXyDifference_)) {
                largestXyDifference_ = d;
                largestXyDifferenceLine_ = line;
            }
        }
    }
    if (minRa_ || minR9_) {
        // A row without a defined index cannot show that it reaches the limit.
        const colorimetry::ColourRendering *r =
            figures && spectral.figures.rendering.defined ? &spectral.figures.rendering : nullptr;
        const bool raShort = minRa_ && !(r && r->ra >= *minRa_);
        const bool r9Short = minR9_ && !(r && r->r[8] >= *minR9_);
        shortOfRa_ += raShort;
        shortOfR9_ += r9Short;
        shortOfColour_ += raShort || r9Short;
    }
    if (row_) {
        if (rated_ == 0 || rating.steps > largest_)
            largest_ = rating.steps;
        stepSum_ += rating.steps;
        for (std::size_t i = 0; i < kWithin.size(); ++i)
            within_[i] += rating.steps <= kWithin[i];
        if (maxSteps_ && rating.steps > *maxSteps_)
            ++beyond_;
    } else {
        if (rated_ == 0 || rating.screenCct < lowestCct_)
            lowestCct_ = rating.screenCct;
        if (rated_ == 0 || rating.screenCct > highestCct_)
            highestCct_ = rating.screenCct;
    }
    ++rated_;
}

void Summary::SetReading(const Layout &layout)
{
    undecodable_ = layout.undecodableBytes;
    incomplete_ = layout.incomplete;
    readingNotes_ = ReadingNotes(layout);
    metadata_ = layout.metadata;
}

namespace {

std::string Format(const char *format, auto... values)
{
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

unsigned long long U(std::uint64_t n)
{
    return n;
}

// Text from the file as the summary shows it: escaped, at most a line's worth.
std::string FromFile(std::string_view text)
{
    return entry_rules::QuotableText(text, 200);
}

} // namespace

std::string Summary::SpectralText() const
{
    std::string text;
    if (spectralRows_ == 0 && !minRa_ && !minR9_)
        return text;
    auto share = [](std::uint64_t n, std::uint64_t of) { return of ? 100.0 * double(n) / double(of) : 0.0; };
    if (ra_.count > 0) {
        text += Format("Ra：最低 %.2f，平均 %.2f；Ra ≥ 80 占 %.1f%%，Ra ≥ 90 占 %.1f%%\n", ra_.least,
                       ra_.mean(), share(raAtLeast80_, ra_.count), share(raAtLeast90_, ra_.count));
        text += Format("R9：最低 %.2f，平均 %.2f；R9 > 0 占 %.1f%%\n", r9_.least, r9_.mean(),
                       share(r9Positive_, r9_.count));
    }
    if (rf_.count > 0)
        text += Format("Rf：最低 %.2f，平均 %.2f；Rg：最低 %.2f，平均 %.2f\n", rf_.least, rf_.mean(),
                       rg_.least, rg_.mean());
    if (melanopicDer_.count > 0)
        text += Format("视黑素 DER（melanopic DER，CIE S 026）：最低 %.4f，平均 %.4f\n", melanopicDer_.least,
                       melanopicDer_.mean());
    if (minRa_)
        text += Format("Ra 低于 %g 或没有 Ra：%llu 行\n", *minRa_, U(shortOfRa_));
    if (minR9_)
        text += Format("R9 低于 %g 或没有 R9：%llu 行\n", *minR9_, U(shortOfR9_));
    if (largestXyDifference_)
        text += Format("光谱算出的色坐标与文件的 x、y 最多相差 %.6f（第 %llu 行）\n",
                       *largestXyDifference_, U(largestXyDifferenceLine_));
    return text;
}

std::string Summary::YieldText(bool table) const
{
    std::string text;
    const double rows = double(rows_ ? rows_ : 1);
    auto entry = [&](std::string_view name, std::uint64_t n) {
        return std::string(name) + Format(" %llu 行（%.1f%%）", U(n), 100.0 * double(n) / rows);
    };
    text += "ANSI 四边形：";
    const auto quadrangles = colorimetry::AnsiQuadrangles();
    for (std::size_t i = 0; i < ansiCounts_.size(); ++i) {
        if (ansiCounts_[i] > 0)
            text += entry(quadrangles[i].name, ansiCounts_[i]) + "，";
    }
    text += entry("不在任何四边形", inNoQuadrangle_);
    if (failed() > 0)
        text += "，" + entry("失败", failed());
    text += "\n";
    if (!bins_)
        return text;
    // As a table, one line a bin: the name, the count and its share; on
    // one line for a window's status.
    const std::string before = table ? "  " : "", after = table ? "\n" : "，";
    text += table ? "分档产出：\n" : "分档产出：";
    for (std::size_t i = 0; i < binCounts_.size(); ++i)
        text += before + entry(FromFile((*bins_)[i].name), binCounts_[i]) + after;
    text += before + entry("不在任何分档", inNoBin_) + after;
    if (failed() > 0)
        text += before + entry("失败", failed()) + after;
    if (!table)
        text.replace(text.size() - after.size(), after.size(), "\n");
    if (!overlaps_.pairs.empty()) {
        text += "重叠的分档（点归文件中靠前的一个）：";
        constexpr std::size_t kNamed = 20;
        for (std::size_t i = 0; i < overlaps_.pairs.size() && i < kNamed; ++i) {
            const auto &[a, b] = overlaps_.pairs[i];
            text += std::string(i ? "，" : "") + "“" + FromFile((*bins_)[a].name) + "”与“" + FromFile((*bins_)[b].name) + "”";
        }
        if (overlaps_.pairs.size() > kNamed)
            text += Format("…（共 %llu 对）", U(overlaps_.pairs.size()));
        text += "\n";
    }
    if (!overlaps_.complete)
        text += "分档太多，没有查完哪些分档重叠。\n";
    return text;
}

std::string Summary::Text() const
{
    return TextOf(true);
}

std::string Summary::TextOf(bool table) const
{
    std::string text =
        Format("共 %llu 行：已计算 %llu 行，失败 %llu 行\n", U(rows_), U(rated_), U(failed()));
    std::string notes = readingNotes_;
    if (!metadata_.empty()) {
        notes += "文件开头的信息：";
        for (std::size_t i = 0; i < metadata_.size(); ++i)
            notes += (i ? "；" : "") + FromFile(metadata_[i].first) + "：" + FromFile(metadata_[i].second);
        notes += "\n";
    }
    if (rated_ == 0)
        return text + SpectralText() + notes;
    if (!row_) {
        text += "色温（屏幕的算法）：最低 " + entry_rules::WholeNumberText(lowestCct_) + " K，最高 "
                + entry_rules::WholeNumberText(highestCct_) + " K\n";
    } else {
        text += Format("色容差：最大 %d 步，平均 %.2f 步\n", largest_, stepSum_ / double(rated_));
        for (std::size_t i = 0; i < kWithin.size(); ++i) {
            text += Format("%s%d 步以内 %.1f%%", i == 0 ? "" : "，", kWithin[i],
                           100.0 * double(within_[i]) / double(rated_));
        }
        text += "\n";
        if (maxSteps_)
            text += Format("超过 %d 步：%llu 行\n", *maxSteps_, U(beyond_));
    }
    return text + SpectralText() + YieldText(table) + notes;
}

std::string Summary::Line() const
{
    std::string text = TextOf(false);
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    constexpr std::string_view kFullStop = "。";
    for (std::size_t pos; (pos = text.find('\n')) != std::string::npos;) {
        // A sentence's full stop gives way to the semicolon.
        const bool stop = std::string_view(text).substr(0, pos).ends_with(kFullStop);
        text.replace(stop ? pos - kFullStop.size() : pos, stop ? kFullStop.size() + 1 : 1, "；");
    }
    return text;
}

} // namespace batch
