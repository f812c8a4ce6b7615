#include "row_rating.h"

#include "cct_estimator.h"
#include "entry.h"
#include "failures.h"
#include "number_rules.h"

#include <charconv>
#include <cstring>

namespace batch {

namespace {

constexpr std::array<std::string_view, 5> kAmbrixNames{"steps", "sdcm", "cct", "duv", "error"};
constexpr std::array<std::string_view, 4> kCendrelNames{"cct", "cct_exact", "duv", "error"};

// A cell as its number text: with decimal commas, "0,3805" as "0.3805".
// A failure names the text as the cell holds it.
double ReadCell(std::string_view text, bool decimalComma, std::string &scratch)
{
    if (!decimalComma || text.find(',') == std::string_view::npos)
        return tolerance::ReadEntry(text);
    scratch.assign(text);
    for (char &c : scratch) {
        if (c == ',')
            c = '.';
    }
    try {
        return tolerance::ReadEntry(scratch);
    } catch (const tolerance::NotANumber &) {
        throw tolerance::NotANumber(text);
    } catch (const tolerance::Overflow &) {
        throw tolerance::Overflow(text);
    }
}

// What a calculator's "计 算" does with the two texts.
void RateForRow(const tolerance::ToleranceEllipse &row, double x, double y, Rating &rating)
{
    if (x == 0.0 || y == 0.0) {
        rating.error = tolerance::MissingInputMessage.text;
        return;
    }
    rating.steps = tolerance::ComputeTolerance(row, x, y);
    rating.sdcm = colorimetry::StandardSdcm(row, {x, y});
    rating.rated = true;
}

// What the converter's "计  算" does: the estimate is computed first, so a
// failure of it is shown even for a missing point.
void RateForCct(double x, double y, Rating &rating)
{
    rating.screenCct = cendrel::EstimateCct(x, y);
    if (x == 0.0 || y == 0.0) {
        rating.error = tolerance::MissingInputMessage.text;
        return;
    }
    rating.rated = true;
}

} // namespace

void RateRow(Row row, std::string_view xText, std::string_view yText, bool decimalComma,
             Rating &rating)
{
    rating.rated = false;
    rating.error.clear();
    rating.steps = 0;
    rating.sdcm = rating.screenCct = 0;
    rating.exact = {};
    thread_local std::string scratch;
    try {
        // Both texts are read, x first, as the screens read their entries.
        rating.x = ReadCell(xText, decimalComma, scratch);
        rating.y = ReadCell(yText, decimalComma, scratch);
        if (row)
            RateForRow(*row, rating.x, rating.y, rating);
        else
            RateForCct(rating.x, rating.y, rating);
    } catch (const tolerance::Failure &failure) {
        rating.rated = false;
        rating.error = failure.what();
        return;
    }
    if (rating.rated)
        rating.exact = colorimetry::ExactCct({rating.x, rating.y});
}

std::span<const std::string_view> OutputNames(Row row)
{
    if (row)
        return kAmbrixNames;
    return kCendrelNames;
}

std::string_view OutputCells::Number(double value, int decimals)
{
    char *first = buffer_.data() + used_;
    char *last = buffer_.data() + buffer_.size();
    const auto result = std::to_chars(first, last, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return {};
    std::string_view text(first, result.ptr - first);
    // A value that rounds to zero is written without a sign.
    if (text.starts_with('-') && text.find_first_not_of("-0.") == std::string_view::npos)
        text.remove_prefix(1);
    used_ += result.ptr - first;
    return text;
}

OutputCells::OutputCells(Row row, const Rating &rating)
{
    const auto &exact = rating.exact;
    const bool hasDuv = rating.rated && exact.state != colorimetry::CctState::NoChromaticity;
    const bool hasCct = rating.rated && exact.defined();
    if (row) {
        if (rating.rated) {
            char *first = buffer_.data() + used_;
            const auto result = std::to_chars(first, first + 16, rating.steps);
            cells_[0] = std::string_view(first, result.ptr - first);
            used_ += result.ptr - first;
            cells_[1] = Number(rating.sdcm, 4);
        }
        if (hasCct)
            cells_[2] = Number(exact.cct, 1);
        if (hasDuv)
            cells_[3] = Number(exact.duv, 5);
        cells_[4] = rating.error;
        count_ = 5;
    } else {
        if (rating.rated) {
            // As the screen writes it; never longer than 24 characters.
            const std::string text = tolerance::WholeNumberText(rating.screenCct);
            char *first = buffer_.data() + used_;
            std::memcpy(first, text.data(), text.size());
            cells_[0] = std::string_view(first, text.size());
            used_ += text.size();
        }
        if (hasCct)
            cells_[1] = Number(exact.cct, 1);
        if (hasDuv)
            cells_[2] = Number(exact.duv, 5);
        cells_[3] = rating.error;
        count_ = 4;
    }
}

} // namespace batch
