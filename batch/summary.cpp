#include "summary.h"

#include "number_rules.h"

#include <cstdio>

namespace batch {

void Summary::Add(const Rating &rating)
{
    ++rows_;
    if (!rating.rated)
        return;
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
    readingNotes_ = ReadingNotes(layout);
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

} // namespace

std::string Summary::Text() const
{
    std::string text =
        Format("共 %llu 行：已计算 %llu 行，失败 %llu 行\n", U(rows_), U(rated_), U(failed()));
    if (rated_ == 0)
        return text + readingNotes_;
    if (!row_) {
        return text + "色温（屏幕的算法）：最低 " + entry_rules::WholeNumberText(lowestCct_)
               + " K，最高 " + entry_rules::WholeNumberText(highestCct_) + " K\n" + readingNotes_;
    }
    text += Format("色容差：最大 %d 步，平均 %.2f 步\n", largest_, stepSum_ / double(rated_));
    for (std::size_t i = 0; i < kWithin.size(); ++i) {
        text += Format("%s%d 步以内 %.1f%%", i == 0 ? "" : "，", kWithin[i],
                       100.0 * double(within_[i]) / double(rated_));
    }
    text += "\n";
    if (maxSteps_)
        text += Format("超过 %d 步：%llu 行\n", *maxSteps_, U(beyond_));
    return text + readingNotes_;
}

std::string Summary::Line() const
{
    std::string text = Text();
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
