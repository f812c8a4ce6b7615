#pragma once
// Decoding UTF-8 one code point at a time, strictly: overlong forms,
// surrogates and values above U+10FFFF are invalid, as is a sequence cut
// short. Never reads past the end of the text.

#include <cstddef>
#include <string>
#include <string_view>

namespace entry_rules::utf8 {

inline constexpr char32_t kInvalid = 0xFFFFFFFF;

// Decodes the code point that starts at text[pos] and moves pos past it.
// An invalid sequence yields kInvalid and moves pos past one byte.
char32_t Next(std::string_view text, std::size_t &pos);

// Appends the UTF-8 form of a valid code point.
void Append(std::string &out, char32_t cp);

} // namespace entry_rules::utf8
