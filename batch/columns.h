#pragma once
// The header of a measurement file: which character separates its cells,
// and which columns hold the x and y chromaticity coordinates.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace batch {

// A full-width form (U+FF01–U+FF5E, what a Chinese input method types) as
// its ASCII character; any other code point as it is.
constexpr char32_t AsciiForm(char32_t cp)
{
    return cp >= U'！' && cp <= U'～' ? cp - U'！' + U'!' : cp;
}

// The delimiter of a file from its first line, quotes kept: the one of tab,
// semicolon and comma that occurs most often outside quotes (tab before
// semicolon before comma on a tie); comma when there is none.
char DetectDelimiter(std::string_view rawLine);

// How plainly a header cell names the coordinate (axis 'x' or 'y'): 0 not
// at all. Blanks, brackets and punctuation are ignored, and words like
// "CIE", "CIE1931", "色坐标", "色品坐标", "坐标" and "值" around the letter.
// The lower-case letter counts more than the upper-case one (instrument
// exports put the tristimulus X, Y, Z beside x, y), and a word around it
// more than none.
int CoordinateNameScore(std::string_view cell, char axis);

// The column of the coordinate: chosen by the user (a header name, else a
// 1-based number), or the best-named one, the first of equals; other, when
// given, gets the next best-named one, if any name matches at all. nullopt
// when there is none.
std::optional<std::size_t> FindColumn(const std::vector<std::string> &header, char axis,
                                      std::string_view choice = {},
                                      std::optional<std::size_t> *other = nullptr);

} // namespace batch
