#include "row_rating.h"

#include "cct_estimator.h"
#include "entry.h"
#include "failures.h"
#include "number_rules.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace batch {

namespace {

constexpr std::array<std::string_view, 5> kAmbrixNames{"steps", "sdcm", "cct", "duv", "error"};
constexpr std::array<std::string_view, 4> kCendrelNames{"cct", "cct_exact", "duv", "error"};

// The common case of a cell: plain ASCII digits with at most one point and
// an optional minus, at most 15 digits. Its value is a whole number below
// 2^53 divided by a power of ten up to 10^22, both exact doubles, so the
// one rounding of the division gives the double nearest the decimal: the
// very double that ReadEntry gives, without its walk through every
// character form a screen accepts.
bool ReadPlainDecimal(std::string_view text, double &value)
{
    static constexpr std::array<double, 23> kPowers{
        1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (text.empty() || text.size() > 17)
        return false;
    const bool negative = text[0] == '-';
    std::uint64_t digits = 0;
    int count = 0;
    int decimals = -1; // none until the point
    for (std::size_t i = negative ? 1 : 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = digits * 10 + std::uint64_t(c - '0');
            ++count;
            if (decimals >= 0)
                ++decimals;
        } else if (c == '.' && decimals < 0) {
            decimals = 0;
        } else {
            return false;
        }
    }
    if (count == 0 || count > 15)
        return false;
    value = double(digits) / kPowers[decimals < 0 ? 0 : decimals];
    if (negative)
        value = -value;
    return true;
}

// A cell as its number text: with decimal commas, "0,3805" as "0.3805".
// A failure names the text as the cell holds it.
double ReadCell(std::string_view text, bool decimalComma, std::string &scratch)
{
    double value;
    if (ReadPlainDecimal(text, value))
        return value;
    if (!decimalComma || text.find(',') == std::string_view::npos)
        return entry_rules::ReadEntry(text);
    scratch.assign(text);
    for (char &c : scratch) {
        if (c == ',')
            c = '.';
    }
    try {
        return entry_rules::ReadEntry(scratch);
    } catch (const entry_rules::NotANumber &) {
        throw entry_rules::NotANumber(text);
    } catch (const entry_rules::Overflow &) {
        throw entry_rules::Overflow(text);
    }
}

// What a calculator's "计 算" does with the two texts.
void RateForRow(const tolerance::ToleranceEllipse &row, double x, double y, Rating &rating)
{
    if (x == 0.0 || y == 0.0) {
        rating.error = entry_rules::MissingInputMessage.text;
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
    rating.screenCct = cct_estimator::EstimateCct(x, y);
    if (x == 0.0 || y == 0.0) {
        rating.error = entry_rules::MissingInputMessage.text;
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
    } catch (const entry_rules::Failure &failure) {
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

// The value with that many decimals, correctly rounded as std::to_chars
// writes it. Most values are scaled to a whole number and written as one:
// when the scaled value is far from a tie, rounding it gives the same
// digits; near a tie, and for large values, std::to_chars decides.
std::string_view OutputCells::Number(double value, int decimals)
{
    if (!std::isfinite(value))
        return {}; // no number: an empty cell (null in JSON), never "inf" or "nan"
    static constexpr std::array<double, 6> kScale{1, 10, 100, 1000, 10000, 100000};
    char *first = buffer_.data() + used_;
    char *last = buffer_.data() + buffer_.size();
    std::to_chars_result result{};
    const double scaled = value * kScale[decimals];
    const double whole = std::nearbyint(scaled);
    if (std::fabs(scaled) < 1e12 && std::fabs(std::fabs(scaled - whole) - 0.5) > 1e-3) {
        long long digits = static_cast<long long>(whole);
        char *p = first;
        if (digits < 0 || (digits == 0 && std::signbit(value))) {
            *p++ = '-';
            digits = -digits;
        }
        char text[24];
        const auto end = std::to_chars(text, text + sizeof text, digits).ptr;
        std::size_t length = end - text;
        const std::size_t wholeDigits = length > std::size_t(decimals) ? length - decimals : 0;
        if (wholeDigits == 0) {
            *p++ = '0';
        } else {
            std::memcpy(p, text, wholeDigits);
            p += wholeDigits;
        }
        if (decimals > 0) {
            *p++ = '.';
            for (std::size_t i = wholeDigits + decimals; i > length; --i)
                *p++ = '0';
            std::memcpy(p, text + wholeDigits, length - wholeDigits);
            p += length - wholeDigits;
        }
        result.ptr = p;
    } else {
        result = std::to_chars(first, last, value, std::chars_format::fixed, decimals);
        if (result.ec != std::errc())
            return {};
    }
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
            const std::string text = entry_rules::WholeNumberText(rating.screenCct);
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
