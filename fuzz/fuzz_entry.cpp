// Arbitrary bytes as the two entry texts of a compute button (split at the
// first 0xFF byte, which no UTF-8 text contains), then every computation
// that reads them. Only the typed failures may stop a computation; any other
// exception, crash, sanitizer report or broken property is a finding.

#include "cct_estimator.h"
#include "ellipse.h"
#include "entry.h"
#include "failures.h"
#include "number_rules.h"
#include "utf8.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Require(bool property)
{
    if (!property)
        std::abort();
}

bool IsValidUtf8(std::string_view text)
{
    for (std::size_t pos = 0; pos < text.size();) {
        if (entry_rules::utf8::Next(text, pos) == entry_rules::utf8::kInvalid)
            return false;
    }
    return true;
}

// An accepted value is finite, and its shortest decimal form reads back as
// the same double bit for bit.
void CheckValue(double v)
{
    Require(std::isfinite(v));
    char text[64];
    const auto written = std::to_chars(std::begin(text), std::end(text), v);
    Require(written.ec == std::errc());
    const std::string_view shortest(text, written.ptr - text);
    Require(std::bit_cast<std::uint64_t>(entry_rules::ParseNumber(shortest))
            == std::bit_cast<std::uint64_t>(v));
}

void CheckMessage(const entry_rules::Failure &failure)
{
    const std::string message = failure.userMessage();
    Require(IsValidUtf8(message) && message.size() < 600);
}

void Compute(const entry_rules::ChromaticityEntry &entry)
{
    for (const tolerance::ToleranceEllipse &row : tolerance::EllipseTable) {
        try {
            const std::int32_t t = tolerance::ComputeTolerance(row, entry.x, entry.y);
            Require(t >= 0 && t <= 46341);
        } catch (const entry_rules::Overflow &failure) {
            CheckMessage(failure);
        }
    }
    try {
        const double cct = cct_estimator::EstimateCct(entry.x, entry.y);
        Require(std::isfinite(cct) && cct >= 1855 && entry_rules::RoundHalfEven(cct) == cct);
        Require(!entry_rules::WholeNumberText(cct).empty());
    } catch (const entry_rules::Overflow &failure) {
        CheckMessage(failure);
    } catch (const entry_rules::DivisionByZero &failure) {
        CheckMessage(failure);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::size_t split = input.find('\xFF');
    const std::string_view xText = input.substr(0, split);
    const std::string_view yText =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    Require(IsValidUtf8(entry_rules::QuotableText(input)));

    entry_rules::ChromaticityEntry entry;
    try {
        entry = entry_rules::ReadChromaticity(xText, yText);
    } catch (const entry_rules::NotANumber &failure) {
        CheckMessage(failure);
        return 0;
    } catch (const entry_rules::Overflow &failure) {
        CheckMessage(failure);
        return 0;
    }
    Require(entry.xText == xText && entry.yText == yText);
    CheckValue(entry.x);
    CheckValue(entry.y);
    Compute(entry);
    return 0;
}
