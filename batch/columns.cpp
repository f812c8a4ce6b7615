#include "columns.h"

#include "utf8.h"

#include <array>
#include <charconv>

namespace batch {

char DetectDelimiter(std::string_view rawLine)
{
    std::array<std::size_t, 3> counts{}; // tab, semicolon, comma
    bool quoted = false;
    for (const char c : rawLine) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == '\t')
            ++counts[0];
        else if (!quoted && c == ';')
            ++counts[1];
        else if (!quoted && c == ',')
            ++counts[2];
    }
    constexpr std::array<char, 3> kDelimiters{'\t', ';', ','};
    std::size_t best = 2;
    for (std::size_t i = 0; i < 3; ++i) {
        if (counts[i] > counts[best] || (counts[i] == counts[best] && counts[i] > 0 && i < best))
            best = i;
    }
    return kDelimiters[best];
}

namespace {

// The cell reduced to what names it: no blanks, brackets or punctuation,
// full-width letters and digits as ASCII, ASCII letters lower-case except
// a lone x or y, whose case is kept apart.
std::u32string Reduced(std::string_view cell)
{
    std::u32string out;
    for (std::size_t pos = 0; pos < cell.size();) {
        char32_t cp = AsciiForm(entry_rules::utf8::Next(cell, pos));
        switch (cp) {
        case U' ': case U'\t': case U'\u00A0': case U'\u3000': case U'_': case U'-':
        case U'.': case U':': case U'(': case U')': case U'[': case U']': case U'【':
        case U'】': case U'（': case U'）': case U'：': case U'/': case U'\'':
            continue;
        default:
            out += cp;
        }
    }
    return out;
}

std::u32string Lower(std::u32string text)
{
    for (char32_t &c : text) {
        if (c >= U'A' && c <= U'Z')
            c += U'a' - U'A';
    }
    return text;
}

// Words that may stand around the letter, longest first.
constexpr std::array<std::u32string_view, 12> kPrefixes{
    U"chromaticity", U"cie1931", U"色品坐标", U"色度坐标", U"色坐标", U"cie", U"坐标", U"色品",
    U"色度", U"色", U"1931", U"c"};
constexpr std::array<std::u32string_view, 8> kSuffixes{
    U"coordinate", U"cie1931", U"色坐标", U"坐标值", U"坐标", U"coord", U"cie", U"值"};

} // namespace

int CoordinateNameScore(std::string_view cell, char axis)
{
    const std::u32string reduced = Reduced(cell);
    const std::u32string lower = Lower(reduced);
    // Find the letter between known words.
    bool worded = false;
    std::size_t begin = 0, end = lower.size();
    for (bool again = true; again;) {
        again = false;
        for (const std::u32string_view word : kPrefixes) {
            if (std::u32string_view(lower).substr(begin, end - begin).starts_with(word)
                && end - begin > word.size()) {
                begin += word.size();
                worded = again = true;
                break;
            }
        }
        for (const std::u32string_view word : kSuffixes) {
            if (std::u32string_view(lower).substr(begin, end - begin).ends_with(word)
                && end - begin > word.size()) {
                end -= word.size();
                worded = again = true;
                break;
            }
        }
    }
    if (end - begin != 1 || lower[begin] != static_cast<char32_t>(axis))
        return 0;
    const bool lowerCase = reduced[begin] == static_cast<char32_t>(axis);
    return (lowerCase ? 2 : 1) + (worded ? 2 : 0);
}

std::optional<std::size_t> FindColumn(const std::vector<std::string> &header, char axis,
                                      std::string_view choice, std::optional<std::size_t> *other)
{
    if (other)
        other->reset();
    if (!choice.empty()) {
        for (std::size_t i = 0; i < header.size(); ++i) {
            if (header[i] == choice)
                return i;
        }
        std::size_t number = 0;
        const auto [end, error] = std::from_chars(choice.data(), choice.data() + choice.size(), number);
        if (error == std::errc() && end == choice.data() + choice.size() && number >= 1
            && number <= header.size())
            return number - 1;
        return std::nullopt;
    }
    std::optional<std::size_t> best, second;
    int bestScore = 0, secondScore = 0;
    for (std::size_t i = 0; i < header.size(); ++i) {
        const int score = CoordinateNameScore(header[i], axis);
        if (score > bestScore) {
            second = best;
            secondScore = bestScore;
            best = i;
            bestScore = score;
        } else if (score > secondScore) {
            second = i;
            secondScore = score;
        }
    }
    if (other)
        *other = second;
    return best;
}

} // namespace batch
