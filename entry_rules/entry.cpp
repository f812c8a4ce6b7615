#include "entry.h"

#include "number_rules.h"

namespace entry_rules {

EntryValue ReadEntry(std::string_view text)
{
    return text.empty() ? 0.0 : ParseNumber(text);
}

ChromaticityEntry ReadChromaticity(std::string_view xText, std::string_view yText)
{
    ChromaticityEntry entry;
    entry.xText = xText;
    entry.yText = yText;
    entry.x = ReadEntry(xText);
    entry.y = ReadEntry(yText);
    return entry;
}

bool IsMissing(const ChromaticityEntry &entry)
{
    return entry.x == 0.0 || entry.y == 0.0;
}

} // namespace entry_rules
