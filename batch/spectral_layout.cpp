#include "spectral_layout.h"

#include "columns.h"
#include "utf8.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>

namespace batch {

namespace {

// The cell as ASCII where it can be: full-width forms (what a Chinese input
// method types) and the blanks folded, letters lower-case.
std::u32string Folded(std::string_view cell)
{
    std::u32string out;
    for (std::size_t pos = 0; pos < cell.size();) {
        char32_t cp = AsciiForm(entry_rules::utf8::Next(cell, pos));
        if (cp == U'\u3000' || cp == U'\u00A0' || cp == U'\t')
            cp = U' ';
        else if (cp == U'【' || cp == U'〔')
            cp = U'[';
        else if (cp == U'】' || cp == U'〕')
            cp = U']';
        if (cp >= U'A' && cp <= U'Z')
            cp += U'a' - U'A';
        out += cp;
    }
    return out;
}

bool IsDigit(char32_t c)
{
    return c >= U'0' && c <= U'9';
}

// What may stand between a word and the number, or around a unit.
bool IsSeparator(char32_t c)
{
    switch (c) {
    case U' ': case U'_': case U'-': case U':': case U'=': case U'/': case U'@': case U'#':
    case U'(': case U')': case U'[': case U']': case U'{': case U'}': case U'<': case U'>':
    case U'.': case U',':
        return true;
    default:
        return false;
    }
}

// The text without its separators at all: "(nm)" -> "nm", "λ / nm" -> "λnm".
std::u32string Squeezed(std::u32string_view s)
{
    std::u32string out;
    for (const char32_t c : s) {
        if (!IsSeparator(c))
            out += c;
    }
    return out;
}

constexpr std::array<std::u32string_view, 2> kUnits{U"nm", U"纳米"};

// Words that say "wavelength" or "spectrum" before a number or alone,
// besides the abbreviations of "spectrum" and "spectral" (IsSpectrumWord).
constexpr std::array<std::u32string_view, 13> kWavelengthWords{
    U"λ", U"lambda", U"wl", U"wavelength", U"nm", U"spectraldata",
    U"sp", U"波长", U"光谱", U"光谱数据", U"相对光谱", U"辐射", U"spd"};

// "spectrum", "spectral", or either cut short to four letters or more, as
// colour tools' field names abbreviate them.
bool IsSpectrumWord(std::u32string_view word)
{
    return word.size() >= 4
           && (std::u32string_view(U"spectrum").starts_with(word)
               || std::u32string_view(U"spectral").starts_with(word));
}

template <std::size_t N>
bool OneOf(std::u32string_view word, const std::array<std::u32string_view, N> &words)
{
    for (const std::u32string_view w : words) {
        if (word == w)
            return true;
    }
    return false;
}

} // namespace

std::optional<double> WavelengthInHeaderCell(std::string_view cell)
{
    const std::u32string text = Folded(cell);
    // One number: digits, optionally a point and more digits.
    const std::size_t first = text.find_first_of(U"0123456789");
    if (first == std::u32string::npos)
        return std::nullopt;
    std::size_t end = first;
    while (end < text.size() && IsDigit(text[end]))
        ++end;
    if (end + 1 < text.size() && text[end] == U'.' && IsDigit(text[end + 1])) {
        ++end;
        while (end < text.size() && IsDigit(text[end]))
            ++end;
    }
    const std::u32string_view before(text.data(), first);
    const std::u32string_view after(text.data() + end, text.size() - end);
    for (const char32_t c : after) {
        if (IsDigit(c))
            return std::nullopt; // a second number: a range, a name with digits
    }
    const std::u32string unit = Squeezed(after);
    const bool hasUnit = OneOf(unit, kUnits);
    if (!unit.empty() && !hasUnit)
        return std::nullopt;
    const std::u32string word = Squeezed(before);
    const bool knownWord = OneOf(word, kWavelengthWords) || IsSpectrumWord(word);
    if (!word.empty() && !knownWord && !hasUnit)
        return std::nullopt;
    // An unknown word before a unit must not end in a Latin letter glued
    // to the number: "R380nm" is no wavelength header, "Irradiance 380nm" is.
    if (!knownWord && !before.empty() && before.back() >= U'a' && before.back() <= U'z')
        return std::nullopt;

    std::string digits;
    for (std::size_t i = first; i < end; ++i)
        digits += static_cast<char>(text[i]);
    double nm = 0;
    const auto [ptr, error] = std::from_chars(digits.data(), digits.data() + digits.size(), nm);
    if (error != std::errc() || ptr != digits.data() + digits.size())
        return std::nullopt;
    const bool decorated = hasUnit || knownWord;
    if (decorated ? (nm < 100 || nm > 2600) : (nm < 200 || nm > 1100))
        return std::nullopt;
    return nm;
}

bool NamesWavelengthColumn(std::string_view cell)
{
    const std::u32string text = Folded(cell);
    for (const char32_t c : text) {
        if (IsDigit(c))
            return false;
    }
    std::u32string word = Squeezed(text);
    for (const std::u32string_view unit : kUnits) {
        if (word.size() >= unit.size() && std::u32string_view(word).substr(word.size() - unit.size()) == unit) {
            word.resize(word.size() - unit.size());
            if (word.empty())
                return true; // "nm" alone
            break;
        }
    }
    constexpr std::array<std::u32string_view, 7> kNames{U"波长", U"wavelength", U"wavelengths", U"λ",
                                                        U"lambda", U"wl", U"wave"};
    return OneOf(word, kNames);
}

namespace {

bool IsWordCharacter(char32_t c)
{
    return (c >= U'a' && c <= U'z') || IsDigit(c);
}

// What may stand between the parts of a unit.
bool IsUnitSeparator(char32_t c)
{
    switch (c) {
    case U' ': case U'/': case U'(': case U')': case U'[': case U']': case U'{': case U'}':
    case U'·': case U'⋅': case U'*': case U'.': case U'^': case U'×': case U'_':
        return true;
    default:
        return false;
    }
}

enum class UnitPart { Area, Nm, Steradian };

struct UnitToken {
    std::u32string_view text;
    UnitPart part;
    double factor; // W per m² of one unit of area
};

// Longest first, where one begins another.
constexpr UnitToken kUnitTokens[] = {
    {U"sqcm", UnitPart::Area, 1e4}, {U"sqmm", UnitPart::Area, 1e6}, {U"sqm", UnitPart::Area, 1},
    {U"cm-2", UnitPart::Area, 1e4}, {U"mm-2", UnitPart::Area, 1e6}, {U"cm2", UnitPart::Area, 1e4},
    {U"mm2", UnitPart::Area, 1e6},  {U"m-2", UnitPart::Area, 1},    {U"m2", UnitPart::Area, 1},
    {U"nm-1", UnitPart::Nm, 1},     {U"nm", UnitPart::Nm, 1},       {U"sr-1", UnitPart::Steradian, 1},
    {U"sr", UnitPart::Steradian, 1},
};

} // namespace

std::optional<UnitInCell> RadiometricUnitIn(std::string_view cell)
{
    const std::u32string text = Folded(cell);
    for (std::size_t w = 0; w < text.size(); ++w) {
        if (text[w] != U'w')
            continue;
        // A prefix, and a word's start before it: "mW", not "Power".
        std::size_t start = w;
        double watts = 1;
        if (w > 0) {
            const char32_t p = text[w - 1];
            const double prefix = p == U'm' ? 1e-3 : p == U'µ' || p == U'μ' || p == U'u' ? 1e-6 : p == U'n' ? 1e-9 : 0;
            if (prefix > 0) {
                watts = prefix;
                start = w - 1;
            }
        }
        if (start > 0 && IsWordCharacter(text[start - 1]))
            continue;
        // The rest without separators, superscripts read as plain, and
        // where each character stood.
        std::u32string rest;
        std::vector<std::size_t> at;
        for (std::size_t i = w + 1; i < text.size(); ++i) {
            char32_t c = text[i];
            c = c == U'²' ? U'2' : c == U'¹' ? U'1' : c == U'⁻' || c == U'−' ? U'-' : c;
            if (IsUnitSeparator(c))
                continue;
            rest += c;
            at.push_back(i);
        }
        int areas = 0, nms = 0, steradians = 0;
        std::size_t pos = 0, end = w + 1;
        while (pos < rest.size()) {
            const UnitToken *found = nullptr;
            for (const UnitToken &t : kUnitTokens) {
                if (std::u32string_view(rest).substr(pos).starts_with(t.text)) {
                    found = &t;
                    break;
                }
            }
            if (!found)
                break;
            if (found->part == UnitPart::Area) {
                ++areas;
                watts *= found->factor;
            }
            nms += found->part == UnitPart::Nm;
            steradians += found->part == UnitPart::Steradian;
            pos += found->text.size();
            end = at[pos - 1] + 1;
        }
        if (nms != 1 || areas > 1 || steradians > 0)
            continue;
        UnitInCell u;
        u.unit = {areas ? colorimetry::RadiometricQuantity::Irradiance : colorimetry::RadiometricQuantity::Flux, watts};
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (i < start || i >= end)
                entry_rules::utf8::Append(u.rest, text[i]);
        }
        return u;
    }
    return std::nullopt;
}

colorimetry::RadiometricUnit CommonUnit(const std::vector<std::string> &cells, const std::vector<std::size_t> &columns)
{
    std::optional<colorimetry::RadiometricUnit> common;
    for (const std::size_t column : columns) {
        const std::optional<UnitInCell> u = column < cells.size() ? RadiometricUnitIn(cells[column]) : std::nullopt;
        if (!u || (common && *common != u->unit))
            return {};
        common = u->unit;
    }
    return common.value_or(colorimetry::RadiometricUnit{});
}

std::optional<WideSpectralLayout> RecogniseWideHeader(const std::vector<std::string> &header)
{
    if (header.empty() || NamesWavelengthColumn(header[0]))
        return std::nullopt;
    WideSpectralLayout layout;
    for (std::size_t i = 0; i < header.size(); ++i) {
        std::optional<double> nm = WavelengthInHeaderCell(header[i]);
        if (!nm) {
            if (const std::optional<UnitInCell> u = RadiometricUnitIn(header[i]))
                nm = WavelengthInHeaderCell(u->rest);
        }
        if (nm) {
            layout.columns.push_back(i);
            layout.nm.push_back(*nm);
        } else {
            layout.passThrough.push_back(i);
        }
    }
    if (layout.columns.size() < kLeastWavelengthColumns)
        return std::nullopt;
    layout.unit = CommonUnit(header, layout.columns);
    return layout;
}

std::string SpectralCellText(CellProblem problem, std::string_view column, std::string_view text,
                             std::optional<double> nm)
{
    std::string where = "“" + entry_rules::QuotableText(column) + "”列";
    if (nm)
        where += "（波长 " + colorimetry::WavelengthText(*nm) + " nm）";
    const std::string quoted = "“" + entry_rules::QuotableText(text) + "”";
    switch (problem) {
    case CellProblem::Empty:
        return where + "是空的：光谱在每个波长都要有一个值。";
    case CellProblem::NotANumber:
        return where + "的" + quoted + "不是一个数：光谱的值必须是十进制数（例如 0.0123）。";
    case CellProblem::TooLarge:
        return where + "的" + quoted + "这个数太大，超出了数值范围。";
    }
    return {};
}

std::optional<MetadataLine> ReadMetadataLine(std::string_view line)
{
    constexpr std::size_t kLongestKey = 80;
    std::size_t colon = line.find(':');
    std::size_t width = 1;
    const std::size_t wide = line.find("：");
    if (wide != std::string_view::npos && (colon == std::string_view::npos || wide < colon)) {
        colon = wide;
        width = std::string_view("：").size();
    }
    if (colon == std::string_view::npos)
        return std::nullopt;
    auto trim = [](std::string_view s) {
        const std::size_t b = s.find_first_not_of(" \t\r\"");
        if (b == std::string_view::npos)
            return std::string_view();
        return s.substr(b, s.find_last_not_of(" \t\r\"") - b + 1);
    };
    const std::string_view key = trim(line.substr(0, colon));
    if (key.empty() || key.size() > kLongestKey || (key[0] >= '0' && key[0] <= '9')
        || key.find_first_of("\t;,") != std::string_view::npos)
        return std::nullopt;
    return MetadataLine{key, trim(line.substr(colon + width))};
}

std::optional<LongSpectralLayout> RecogniseLongHeader(const std::vector<std::string> &header)
{
    if (header.size() < 2 || !NamesWavelengthColumn(header[0]))
        return std::nullopt;
    return RecogniseTwoLineHeader(header, header);
}

namespace {

bool BlankCell(std::string_view cell)
{
    return cell.find_first_not_of(" \t") == std::string_view::npos;
}

// A cell that begins as a number does: a digit, or a sign or point before one.
bool BeginsWithNumber(std::string_view cell)
{
    const std::u32string text = Folded(cell);
    std::size_t i = text.find_first_not_of(U' ');
    if (i == std::u32string::npos)
        return false;
    if (text[i] == U'+' || text[i] == U'-' || text[i] == U'−')
        ++i;
    if (i < text.size() && text[i] == U'.')
        ++i;
    return i < text.size() && IsDigit(text[i]);
}

} // namespace

bool IsUnitsLine(const std::vector<std::string> &names, const std::vector<std::string> &units)
{
    if (units.size() < 2 || !NamesWavelengthColumn(units[0]))
        return false;
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (BeginsWithNumber(units[i]) || (i >= names.size() && !BlankCell(units[i])))
            return false;
    }
    return true;
}

LongSpectralLayout RecogniseTwoLineHeader(const std::vector<std::string> &names, const std::vector<std::string> &units)
{
    LongSpectralLayout layout;
    layout.wavelengthName = NamesWavelengthColumn(names[0]) ? names[0] : units[0];
    for (std::size_t i = 1; i < names.size(); ++i) {
        layout.columns.push_back(i);
        layout.names.push_back(BlankCell(names[i]) ? "第 " + std::to_string(i + 1) + " 列" : names[i]);
    }
    layout.unit = CommonUnit(units, layout.columns);
    return layout;
}

bool RowFitsHeader(std::size_t cells, const std::vector<std::string> &header)
{
    std::size_t named = header.size();
    while (named > 0 && header[named - 1].find_first_not_of(" \t") == std::string::npos)
        --named;
    return cells <= header.size() && cells >= named;
}

std::string RowWidthText(std::uint64_t line, std::size_t cells, std::size_t headerCells)
{
    return "第 " + std::to_string(line) + " 行有 " + std::to_string(cells) + " 格，表头有 "
           + std::to_string(headerCells) + " 格：多出或缺少的格会让其后的值错到别的列上（例如没有加引号的小数逗号"
             " “0,35”），这一行没有读。请检查这一行。";
}

namespace {

constexpr std::array<double, 23> kPowersOfTen{1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
// A code: m in the upper 27 bits (signed), k in the lower 5; k = 31 marks
// the others, m then their place (or -1 for a blank).
constexpr std::uint32_t kOther = 31;
constexpr std::int32_t kLargestMantissa = (1 << 26) - 1;

std::uint32_t Code(std::int32_t m, std::uint32_t k)
{
    return (static_cast<std::uint32_t>(m) << 5) | k;
}

} // namespace

void CompactValues::Push(std::uint32_t code)
{
    if (size_ % kBlock == 0)
        blocks_.push_back(std::make_unique<std::uint32_t[]>(kBlock));
    blocks_.back()[size_ % kBlock] = code;
    ++size_;
}

void CompactValues::Add(double value)
{
    for (std::uint32_t k = 0; k < kPowersOfTen.size(); ++k) {
        const double scaled = std::nearbyint(value * kPowersOfTen[k]);
        if (!(std::fabs(scaled) <= kLargestMantissa))
            break;
        const std::int32_t m = static_cast<std::int32_t>(scaled);
        if (std::bit_cast<std::uint64_t>(double(m) / kPowersOfTen[k]) == std::bit_cast<std::uint64_t>(value)) {
            Push(Code(m, k));
            return;
        }
    }
    Push(Code(static_cast<std::int32_t>(other_.size()), kOther));
    other_.push_back(value);
}

void CompactValues::AddBlank()
{
    Push(Code(-1, kOther));
}

bool CompactValues::Get(std::size_t i, double &value) const
{
    const std::uint32_t code = blocks_[i / kBlock][i % kBlock];
    const std::int32_t m = static_cast<std::int32_t>(code) >> 5;
    const std::uint32_t k = code & 31;
    if (k != kOther)
        value = double(m) / kPowersOfTen[k];
    else if (m >= 0)
        value = other_[std::size_t(m)];
    return k != kOther || m >= 0;
}

std::size_t CompactValues::bytes() const
{
    return blocks_.size() * kBlock * sizeof(std::uint32_t) + other_.capacity() * sizeof(double);
}

LongSpectralTable::LongSpectralTable(LongSpectralLayout layout)
    : layout_(std::move(layout)), errors_(layout_.columns.size())
{
}

void LongSpectralTable::Fail(std::size_t led, std::string message)
{
    if (errors_[led].empty())
        ++failed_;
    errors_[led] = std::move(message);
}

void LongSpectralTable::FailAll(const std::string &message)
{
    for (std::size_t i = 0; i < errors_.size(); ++i) {
        if (errors_[i].empty())
            Fail(i, message);
    }
}

void LongSpectralTable::FailFrom(std::size_t column, const std::string &message)
{
    for (std::size_t i = 0; i < errors_.size(); ++i) {
        if (layout_.columns[i] >= column && errors_[i].empty())
            Fail(i, message);
    }
}

void LongSpectralTable::EndAt(std::uint64_t line, CellProblem problem, std::string_view text)
{
    if (!end_)
        end_ = End{line, problem, std::string(text), 0};
    ++end_->rows;
}

std::string LongSpectralTable::EndMessage() const
{
    return "第 " + std::to_string(end_->line) + " 行："
           + SpectralCellText(end_->problem, layout_.wavelengthName, end_->text);
}

std::string LongSpectralTable::Note() const
{
    if (!end_ || failed_ == ledCount())
        return {};
    return "第 " + std::to_string(end_->line) + " 行的波长格“" + entry_rules::QuotableText(end_->text)
           + "”不是数，当作表尾：光谱表到上一行为止，这一行及其后共 " + std::to_string(end_->rows)
           + " 行没有读。";
}

void LongSpectralTable::Spectrum(std::size_t led, colorimetry::Spectrum &out) const
{
    out.clear();
    if (!errors_[led].empty())
        return;
    const std::size_t leds = ledCount();
    for (std::size_t row = 0; row < nm_.size(); ++row) {
        double value;
        if (values_.Get(row * leds + led, value)) {
            out.nm.push_back(nm_[row]);
            out.value.push_back(value);
        }
    }
}

colorimetry::Spectrum LongSpectralTable::spectrum(std::size_t led) const
{
    colorimetry::Spectrum s;
    Spectrum(led, s);
    return s;
}

} // namespace batch
