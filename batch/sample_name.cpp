#include "sample_name.h"

#include "spectral_layout.h"

#include <algorithm>
#include <cctype>

namespace batch {

namespace {

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool SameLetters(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char p, char q) {
               return std::tolower(static_cast<unsigned char>(p)) == std::tolower(static_cast<unsigned char>(q));
           });
}

// The column that names the samples: the first whose header is a name's
// (the reader's "样品" for a long or CGATS file, SAMPLE_ID, an ID column),
// in this order; else the first column unless it holds a coordinate that
// is read or a wavelength.
std::optional<std::size_t> NameColumn(const Layout &layout)
{
    constexpr std::string_view kNames[] = {"样品", "SAMPLE_ID", "SAMPLE_NAME", "ID", "编号", "样品编号",
                                           "名称", "Sample", "Name"};
    for (const std::string_view name : kNames) {
        for (std::size_t i = 0; i < layout.header.size(); ++i) {
            if (SameLetters(Trimmed(layout.header[i]), name))
                return i;
        }
    }
    const bool coordinates = layout.spectral == SpectralKind::None || layout.fileXy;
    if (coordinates && (layout.xColumn == 0 || layout.yColumn == 0))
        return std::nullopt;
    if (!layout.header.empty() && WavelengthInHeaderCell(layout.header[0]))
        return std::nullopt;
    return 0;
}

} // namespace

std::string SampleName(const RatedRow &row, const Layout &layout)
{
    const bool hasCells = row.cellCount() > 0;
    const std::optional<std::size_t> column = hasCells ? NameColumn(layout) : std::nullopt;
    std::string_view name = column ? Trimmed(row.cell(*column)) : std::string_view();
    // A name is a label, not a paragraph.
    constexpr std::size_t kLongestName = 120;
    if (name.size() > kLongestName) {
        std::size_t cut = kLongestName;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        return std::string(name.substr(0, cut)) + "…";
    }
    return std::string(name);
}

} // namespace batch
