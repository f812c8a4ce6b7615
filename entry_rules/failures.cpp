#include "failures.h"

#include "utf8.h"

#include <cstdio>

namespace entry_rules {

namespace {

// Characters that would not show, or would reorder the sentence around
// them: controls, zero-width and direction marks, and the like.
bool IsInvisible(char32_t cp)
{
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0xAD || cp == 0x061C
           || cp == 0x180E || (cp >= 0x200B && cp <= 0x200F)
           || (cp >= 0x2028 && cp <= 0x202E) || (cp >= 0x2060 && cp <= 0x206F)
           || cp == 0xFEFF || (cp >= 0xFFF9 && cp <= 0xFFFB)
           || (cp >= 0xE0000 && cp <= 0xE007F);
}

std::string Quoted(std::string_view text)
{
    return "\u201C" + QuotableText(text) + "\u201D";
}

} // namespace

std::string QuotableText(std::string_view text, std::size_t maxCharacters)
{
    std::string quoted;
    std::size_t pos = 0;
    for (std::size_t count = 0; pos < text.size(); ++count) {
        if (count == maxCharacters) {
            quoted += "\u2026"; // …
            break;
        }
        const char32_t cp = utf8::Next(text, pos);
        if (cp == utf8::kInvalid) {
            utf8::Append(quoted, U'\uFFFD');
        } else if (IsInvisible(cp)) {
            char name[16];
            std::snprintf(name, sizeof name, "[U+%04X]", static_cast<unsigned>(cp));
            quoted += name;
        } else {
            utf8::Append(quoted, cp);
        }
    }
    return quoted;
}

NotANumber::NotANumber(std::string_view offendingText)
    : Failure(Quoted(offendingText) + "不是一个数。请输入十进制数（例如 0.3127）后再计算。"),
      text_(offendingText)
{
}

Overflow::Overflow()
    : Failure("计算超出了数值范围：输入的色坐标离标准中心太远（或数太大）。"
              "请检查 x、y 的值（色坐标一般在 0 到 1 之间）后再计算。")
{
}

Overflow::Overflow(std::string_view offendingText)
    : Failure(Quoted(offendingText) + "这个数太大，超出了数值范围。"
              "请检查 x、y 的值（色坐标一般在 0 到 1 之间）后再计算。")
{
}

} // namespace entry_rules
