#pragma once
// Reading the chromaticity point typed into a screen's two entries: the x
// text first, then the y text. An empty entry reads as 0 and is no failure;
// the point then counts as missing and the screen answers with one message.

#include <string>
#include <string_view>

namespace entry_rules {

// The value of one entry text.
using EntryValue = double;

// What one press of a compute button reads.
struct ChromaticityEntry {
    std::string xText; // exactly as read
    std::string yText;
    EntryValue x = 0.0;
    EntryValue y = 0.0;
};

// The fixed message for missing input, the same in both programs.
struct InformationMessage {
    std::string_view text;
    std::string_view title;
    int buttons; // 64: information icon, a single OK button
};

inline constexpr InformationMessage MissingInputMessage{
    "请输入色坐标x,y值后再计算", "出错", 64};

// 0 for the empty text, otherwise ParseNumber of it (a text of blanks only
// is not empty, and not a number). Throws NotANumber or Overflow.
EntryValue ReadEntry(std::string_view text);

// Converts the x text, then the y text; both are always converted, so a
// bad y fails the reading even when x is empty.
ChromaticityEntry ReadChromaticity(std::string_view xText, std::string_view yText);

// True when x or y is zero (an empty entry, 0, -0, 0.0, 000).
bool IsMissing(const ChromaticityEntry &entry);

} // namespace entry_rules
