#include "row_rating.h"

#include "cct_estimator.h"
#include "entry.h"
#include "failures.h"
#include "number_rules.h"

#include "ansi_quadrangles.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace batch {

namespace {

constexpr std::array<std::string_view, 4> kAmbrixNames{"steps", "sdcm", "cct", "duv"};
constexpr std::array<std::string_view, 3> kCendrelNames{"cct", "cct_exact", "duv"};

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
    const char *p = text.data();
    const char *const end = p + text.size();
    const bool negative = *p == '-';
    p += negative;
    const char *const start = p;
    std::uint64_t digits = 0;
    auto digitsUpTo = [&] {
        for (unsigned d; p != end && (d = unsigned(*p) - '0') < 10; ++p)
            digits = digits * 10 + d;
    };
    digitsUpTo();
    std::size_t decimals = 0;
    std::size_t count = std::size_t(p - start);
    if (p != end) {
        if (*p != '.')
            return false;
        const char *const point = ++p;
        digitsUpTo();
        if (p != end)
            return false;
        decimals = std::size_t(p - point);
        count += decimals;
    }
    if (count == 0 || count > 15)
        return false;
    value = double(digits) / kPowers[decimals];
    if (negative)
        value = -value;
    return true;
}

// Any other cell as its number text: with decimal commas, "0,3805" as
// "0.3805".
// A failure names the text as the cell holds it.
double ReadOtherCell(std::string_view text, bool decimalComma, std::string &scratch)
{
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

double ReadNumberCell(std::string_view text, bool decimalComma)
{
    double value;
    if (ReadPlainDecimal(text, value))
        return value;
    thread_local std::string scratch;
    return ReadOtherCell(text, decimalComma, scratch);
}

void ClearRating(Rating &rating)
{
    rating.rated = false;
    rating.error.clear();
    rating.steps = 0;
    rating.sdcm = rating.screenCct = 0;
    rating.exact = {};
    rating.ansi = rating.bin = -1;
}

void RatePoint(Row row, double x, double y, Rating &rating)
{
    ClearRating(rating);
    rating.x = x;
    rating.y = y;
    try {
        if (row)
            RateForRow(*row, x, y, rating);
        else
            RateForCct(x, y, rating);
    } catch (const entry_rules::Failure &failure) {
        rating.rated = false;
        rating.error = failure.what();
        return;
    }
    if (rating.rated) {
        // Made in place: a copy would read back in one wide load what was
        // just written in narrow stores, and wait for them.
        ::new (&rating.exact) colorimetry::CctResult(colorimetry::ExactCct({x, y}));
    }
}

void RateRow(Row row, std::string_view xText, std::string_view yText, bool decimalComma,
             Rating &rating)
{
    double x = 0;
    double y = 0;
    try {
        // Both texts are read, x first, as the screens read their entries.
        x = ReadNumberCell(xText, decimalComma);
        y = ReadNumberCell(yText, decimalComma);
    } catch (const entry_rules::Failure &failure) {
        ClearRating(rating);
        rating.error = failure.what();
        return;
    }
    RatePoint(row, x, y, rating);
}

void RateSpectrum(Row row, const colorimetry::Spectrum &spectrum, bool pointRated,
                  colorimetry::Bands &bands, Rating &rating)
{
    SpectralRating &spectral = rating.spectral;
    spectral.present = true;
    spectral.figures = colorimetry::FiguresOf(spectrum, bands);
    spectral.tm30 = {};
    if (!spectral.figures.ok()) {
        if (!pointRated)
            ClearRating(rating);
        rating.rated = false;
        rating.error = colorimetry::SpectrumProblemText(spectral.figures.check);
        return;
    }
    // TM-30 from the bands as the figures see them, at the figures' CCT;
    // then the bands go back to the spectrum's own scale.
    const colorimetry::Tm30Result tm30 = colorimetry::ComputeTm30(bands, spectral.figures.cct);
    spectral.tm30.fidelityDefined = tm30.fidelityDefined;
    spectral.tm30.rf = tm30.rf;
    if (tm30.defined) {
        spectral.tm30.defined = true;
        spectral.tm30.rg = tm30.rg;
        for (std::size_t j = 0; j < colorimetry::kHueBinCount; ++j) {
            spectral.tm30.rfBin[j] = tm30.bins[j].rf;
            spectral.tm30.rcsBin[j] = tm30.bins[j].rcs;
        }
    }
    if (spectral.figures.scaleExponent != 0) {
        for (double &band : bands)
            band = std::ldexp(band, spectral.figures.scaleExponent);
    }
    if (!pointRated)
        RatePoint(row, spectral.figures.xy.x, spectral.figures.xy.y, rating);
}

namespace {

// Every set of names, made once: a key of the four choices.
struct NameSets {
    std::vector<std::string> storage; // r1 … r15, rf_h1 …, rcs_h1 …
    std::array<std::vector<std::string_view>, 128> sets;
    NameSets()
    {
        storage.reserve(15 + 2 * colorimetry::kHueBinCount + 2 * colorimetry::kAlphaOpicCount);
        auto name = [&](std::string text) -> std::string_view {
            storage.push_back(std::move(text));
            return storage.back();
        };
        std::array<std::string_view, 15> r;
        for (std::size_t i = 0; i < r.size(); ++i)
            r[i] = name("r" + std::to_string(i + 1));
        std::array<std::string_view, colorimetry::kHueBinCount> rf, rcs;
        for (std::size_t j = 0; j < rf.size(); ++j)
            rf[j] = name("rf_h" + std::to_string(j + 1));
        for (std::size_t j = 0; j < rcs.size(); ++j)
            rcs[j] = name("rcs_h" + std::to_string(j + 1));
        std::array<std::string_view, colorimetry::kAlphaOpicCount> der, elr;
        for (std::size_t k = 0; k < der.size(); ++k) {
            der[k] = name(std::string(colorimetry::AlphaOpicShortName(k)) + "_der");
            elr[k] = name(std::string(colorimetry::AlphaOpicShortName(k)) + "_elr");
        }
        for (int key = 0; key < 128; ++key) {
            const bool ambrix = key & 1, spectral = key & 2, hueBins = key & 4, bins = key & 8;
            const bool alphaOpic = key & 16, irradiance = key & 32, flux = key & 64;
            std::vector<std::string_view> &set = sets[std::size_t(key)];
            if (spectral)
                set.insert(set.end(), {"spectrum_x", "spectrum_y"});
            if (ambrix)
                set.insert(set.end(), kAmbrixNames.begin(), kAmbrixNames.end());
            else
                set.insert(set.end(), kCendrelNames.begin(), kCendrelNames.end());
            if (spectral) {
                set.push_back("ra");
                set.insert(set.end(), r.begin(), r.end());
                set.insert(set.end(), {"peak_nm", "fwhm_nm", "ler", "rf", "rg"});
                if (hueBins) {
                    set.insert(set.end(), rf.begin(), rf.end());
                    set.insert(set.end(), rcs.begin(), rcs.end());
                } else {
                    set.push_back(rcs[0]);
                }
                if (alphaOpic) {
                    set.insert(set.end(), der.begin(), der.end());
                    set.insert(set.end(), elr.begin(), elr.end());
                } else {
                    set.insert(set.end(), {der[colorimetry::Melanopic], elr[colorimetry::Melanopic]});
                }
                set.push_back("k_bv");
                if (irradiance)
                    set.insert(set.end(), {"ev_lx", "mel_edi_lx", "e_b"});
                if (flux)
                    set.push_back("phi_lm");
            }
            set.push_back("ansi");
            if (bins)
                set.push_back("bin");
            set.push_back("error");
        }
    }
};

int Key(const OutputColumns &c)
{
    using colorimetry::RadiometricQuantity;
    return (c.row ? 1 : 0) | (c.spectral ? 2 : 0) | (c.spectral && c.tm30Bins ? 4 : 0) | (c.bins ? 8 : 0)
           | (c.spectral && c.alphaOpic ? 16 : 0)
           | (c.spectral && c.unit.quantity == RadiometricQuantity::Irradiance ? 32 : 0)
           | (c.spectral && c.unit.quantity == RadiometricQuantity::Flux ? 64 : 0);
}

} // namespace

std::span<const std::string_view> OutputNames(const OutputColumns &columns)
{
    static const NameSets names;
    return names.sets[std::size_t(Key(columns))];
}

namespace {

// A whole number of units of the last decimal as the decimal it stands for
// ("12345", 4: "1.2345"), written backwards, two digits at a time, ending at
// end; returns where it begins.
template <int kDecimals>
char *WriteFixedBackwards(char *end, std::uint64_t whole)
{
    static constexpr std::array<char, 200> kPairs = [] {
        std::array<char, 200> pairs{};
        for (int i = 0; i < 100; ++i) {
            pairs[std::size_t(2 * i)] = char('0' + i / 10);
            pairs[std::size_t(2 * i + 1)] = char('0' + i % 10);
        }
        return pairs;
    }();
    char *p = end;
    auto pair = [&](std::uint64_t twoDigits) {
        p -= 2;
        std::memcpy(p, &kPairs[2 * std::size_t(twoDigits)], 2);
    };
    for (int left = kDecimals; left >= 2; left -= 2) {
        pair(whole % 100);
        whole /= 100;
    }
    if constexpr (kDecimals % 2 == 1) {
        *--p = char('0' + whole % 10);
        whole /= 10;
    }
    if constexpr (kDecimals > 0)
        *--p = '.';
    while (whole >= 100) {
        pair(whole % 100);
        whole /= 100;
    }
    if (whole >= 10)
        pair(whole);
    else
        *--p = char('0' + whole);
    return p;
}

// The value with that many decimals as std::to_chars writes it into
// [first, last), a value that rounds to zero without a sign; empty when it
// does not fit. Out of line: the quick path around it needs few registers.
[[gnu::noinline]] std::string_view FixedByToChars(char *first, char *last, double value, int decimals)
{
    const auto result = std::to_chars(first, last, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return std::string_view(first, 0);
    std::string_view text(first, std::size_t(result.ptr - first));
    if (text.starts_with('-') && text.find_first_not_of("-0.") == std::string_view::npos)
        text.remove_prefix(1);
    return text;
}

} // namespace

// The value with that many decimals, correctly rounded as std::to_chars
// writes it, a value that rounds to zero without a sign. Most values are
// scaled to a whole number and written as one: when the scaled value is far
// from a tie, rounding it gives the same digits (the scaling errs by less
// than 2⁻⁵³·10¹²); near a tie, and for large values, std::to_chars decides.
std::string_view OutputCells::Number(double value, int decimals)
{
    if (!std::isfinite(value))
        return {}; // no number: an empty cell (null in JSON), never "inf" or "nan"
    static constexpr std::array<double, 7> kScale{1, 10, 100, 1000, 10000, 100000, 1000000};
    const double scaled = std::fabs(value) * kScale[decimals];
    if (scaled < 1e12) {
        const std::int64_t truncated = static_cast<std::int64_t>(scaled);
        const double fraction = scaled - double(truncated); // exact
        if (std::fabs(fraction - 0.5) > 1e-3) {
            const std::uint64_t whole = std::uint64_t(truncated) + (fraction > 0.5);
            const bool negative = value < 0 && whole != 0;
            // Written backwards from the end of a room of its own: at most
            // 13 digits, a point and a sign.
            constexpr std::size_t kRoom = 16;
            char *const end = buffer_.data() + used_ + kRoom;
            char *p = end;
            switch (decimals) {
            case 0: p = WriteFixedBackwards<0>(end, whole); break;
            case 1: p = WriteFixedBackwards<1>(end, whole); break;
            case 2: p = WriteFixedBackwards<2>(end, whole); break;
            case 3: p = WriteFixedBackwards<3>(end, whole); break;
            case 4: p = WriteFixedBackwards<4>(end, whole); break;
            case 5: p = WriteFixedBackwards<5>(end, whole); break;
            default: p = WriteFixedBackwards<6>(end, whole); break;
            }
            p[-1] = '-'; // kept only for a negative number: no branch on the sign
            p -= negative;
            used_ += kRoom;
            return std::string_view(p, std::size_t(end - p));
        }
    }
    char *first = buffer_.data() + used_;
    const std::string_view text = FixedByToChars(first, buffer_.data() + buffer_.size(), value, decimals);
    used_ += std::size_t(text.data() + text.size() - first);
    return text;
}

std::string_view OutputCells::Whole(std::int64_t value)
{
    char *first = buffer_.data() + used_;
    const auto result = std::to_chars(first, first + 24, value);
    used_ += std::size_t(result.ptr - first);
    return std::string_view(first, std::size_t(result.ptr - first));
}

OutputCells::OutputCells(const OutputColumns &columns, const Rating &rating)
{
    const auto &exact = rating.exact;
    const bool hasDuv = rating.rated && exact.state != colorimetry::CctState::NoChromaticity;
    const bool hasCct = rating.rated && exact.defined();
    const SpectralRating &spectral = rating.spectral;
    const bool figures = rating.rated && spectral.present && spectral.figures.ok();
    auto number = [&](bool has, double value, int decimals) {
        Add(has ? Number(value, decimals) : std::string_view());
    };
    if (columns.spectral) {
        number(figures, spectral.figures.xy.x, 6);
        number(figures, spectral.figures.xy.y, 6);
    }
    if (columns.row) {
        Add(rating.rated ? Whole(rating.steps) : std::string_view());
        number(rating.rated, rating.sdcm, 4);
        number(hasCct, exact.cct, 1);
        number(hasDuv, exact.duv, 5);
    } else {
        if (rating.rated) {
            // As the screen writes it; never longer than 24 characters.
            const std::string text = entry_rules::WholeNumberText(rating.screenCct);
            char *first = buffer_.data() + used_;
            std::memcpy(first, text.data(), text.size());
            Add(std::string_view(first, text.size()));
            used_ += text.size();
        } else {
            Add({});
        }
        number(hasCct, exact.cct, 1);
        number(hasDuv, exact.duv, 5);
    }
    if (columns.spectral) {
        const colorimetry::SpectrumFigures &f = spectral.figures;
        const bool rendering = figures && f.rendering.defined;
        number(rendering, f.rendering.ra, 2);
        for (const double r : f.rendering.r)
            number(rendering, r, 2);
        number(figures && f.hasPeak(), f.peakNm, 1);
        number(figures && f.fwhmNm.has_value(), f.fwhmNm.value_or(0), 1);
        number(figures, f.ler, 1);
        const Tm30Figures &tm30 = spectral.tm30;
        const bool hasTm30 = figures && tm30.defined;
        number(figures && tm30.fidelityDefined, tm30.rf, 2);
        number(hasTm30, tm30.rg, 2);
        if (columns.tm30Bins) {
            for (const double rf : tm30.rfBin)
                number(hasTm30, rf, 2);
            for (const double rcs : tm30.rcsBin)
                number(hasTm30, rcs, 2);
        } else {
            number(hasTm30, tm30.rcsBin[0], 2);
        }
        const colorimetry::LightAndHealth &health = f.health;
        const bool hasHealth = figures && health.defined;
        const std::size_t firstAlpha = columns.alphaOpic ? 0 : std::size_t(colorimetry::Melanopic);
        for (std::size_t k = firstAlpha; k < colorimetry::kAlphaOpicCount; ++k)
            number(hasHealth, health.der[k], 4);
        for (std::size_t k = firstAlpha; k < colorimetry::kAlphaOpicCount; ++k)
            number(hasHealth, health.efficacy[k], 4);
        number(hasHealth, health.blueLightEfficacy, 4);
        const colorimetry::AbsoluteLight absolute = colorimetry::AbsoluteOf(health, columns.unit.watts);
        if (columns.unit.quantity == colorimetry::RadiometricQuantity::Irradiance) {
            number(hasHealth, absolute.illuminance, 3);
            number(hasHealth, absolute.melanopicEdi, 3);
            number(hasHealth, absolute.blueLight, 6);
        } else if (columns.unit.quantity == colorimetry::RadiometricQuantity::Flux) {
            number(hasHealth, absolute.illuminance, 3);
        }
    }
    const auto quadrangles = colorimetry::AnsiQuadrangles();
    Add(rating.rated && rating.ansi >= 0 && std::size_t(rating.ansi) < quadrangles.size()
            ? quadrangles[std::size_t(rating.ansi)].name
            : std::string_view());
    if (columns.bins) {
        Add(rating.rated && rating.bin >= 0 && std::size_t(rating.bin) < columns.bins->size()
                ? std::string_view((*columns.bins)[std::size_t(rating.bin)].name)
                : std::string_view());
    }
    Add(rating.error);
}

} // namespace batch
