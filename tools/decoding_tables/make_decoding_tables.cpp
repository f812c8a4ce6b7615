// Writes the tables of the byte encodings the batch reader decodes by
// itself (batch/text_decoder.cpp): GB18030 and Mac Roman, as the C library
// of the build machine (Debian's glibc, iconv's "GB18030" and "MACINTOSH")
// decodes them, every code asked for one at a time. The reader then decodes
// the same bytes to the same text on every platform, whatever converters
// the platform has (Windows' code pages 54936 and 10000 are not everywhere).
//
// Usage: make_decoding_tables OUT.inc   (run by the build; writes C++)
#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

iconv_t Open(const char *from)
{
    const iconv_t converter = iconv_open("UTF-32LE", from);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        std::fprintf(stderr, "make_decoding_tables: the C library has no converter for %s\n", from);
        std::exit(1);
    }
    return converter;
}

// The one character the bytes are, all of them used; 0 when they are none
// (not a character, or more or less than one).
char32_t Decode(iconv_t converter, const std::string &bytes)
{
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char *in = const_cast<char *>(bytes.data());
    std::size_t inLeft = bytes.size();
    unsigned char out[16];
    char *to = reinterpret_cast<char *>(out);
    std::size_t outLeft = sizeof out;
    if (iconv(converter, &in, &inLeft, &to, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0
        || sizeof out - outLeft != 4)
        return 0;
    return char32_t(out[0] | out[1] << 8 | out[2] << 16 | std::uint32_t(out[3]) << 24);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_decoding_tables OUT.inc\n");
        return 2;
    }
    std::string text =
        "// Made by tools/decoding_tables/make_decoding_tables.cpp from the C library's\n"
        "// iconv at build time; not to be edited.\n\n";
    char line[64];

    // GB18030, two bytes: lead 0x81-0xFE, trail 0x40-0xFE.
    const iconv_t gb = Open("GB18030");
    text += "inline constexpr char32_t kGb18030Pairs[126 * 191] = {\n";
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const char32_t c = Decode(gb, {char(lead), char(trail)});
            std::snprintf(line, sizeof line, "0x%X,%s", unsigned(c), trail % 16 == 15 ? "\n" : "");
            text += line;
        }
        text += "\n";
    }
    text += "};\n\n";
    // Two bytes outside those ranges must be none, or the reader's
    // structure (a trail of 0x30-0x39 starts four bytes) is not the library's.
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
        for (int trail = 0; trail <= 0xFF; ++trail) {
            const bool inTable = lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE;
            if (!inTable && Decode(gb, {char(lead), char(trail)}) != 0) {
                std::fprintf(stderr, "make_decoding_tables: GB18030 %02X %02X is a character\n", lead, trail);
                return 1;
            }
        }
    }

    // GB18030, four bytes, by their place in the order of all four-byte
    // codes (81 30 81 30 is 0): runs of consecutive characters.
    text += "struct Gb18030Run {\n    std::uint32_t place, first, count;\n};\n"
            "inline constexpr Gb18030Run kGb18030Runs[] = {\n";
    std::uint32_t runPlace = 0, runFirst = 0, runCount = 0;
    auto close = [&] {
        if (runCount == 0)
            return;
        std::snprintf(line, sizeof line, "{%u, 0x%X, %u},\n", runPlace, runFirst, runCount);
        text += line;
        runCount = 0;
    };
    std::uint32_t place = 0;
    for (int b1 = 0x81; b1 <= 0xFE; ++b1)
        for (int b2 = 0x30; b2 <= 0x39; ++b2)
            for (int b3 = 0x81; b3 <= 0xFE; ++b3)
                for (int b4 = 0x30; b4 <= 0x39; ++b4, ++place) {
                    const char32_t c = Decode(gb, {char(b1), char(b2), char(b3), char(b4)});
                    if (c == 0) {
                        close();
                        continue;
                    }
                    if (runCount > 0 && c == runFirst + runCount && place == runPlace + runCount) {
                        ++runCount;
                        continue;
                    }
                    close();
                    runPlace = place, runFirst = c, runCount = 1;
                }
    close();
    text += "};\n\n";
    for (int b = 0; b <= 0xFF; ++b) {
        const char32_t c = Decode(gb, {char(b)});
        if ((b < 0x80) != (c == char32_t(b))) {
            std::fprintf(stderr, "make_decoding_tables: GB18030 byte %02X alone is not as expected\n", b);
            return 1;
        }
    }
    iconv_close(gb);

    // Mac Roman, the bytes 0x80-0xFF (below them ASCII).
    const iconv_t mac = Open("MACINTOSH");
    text += "inline constexpr char32_t kMacRomanHigh[128] = {\n";
    for (int b = 0; b <= 0xFF; ++b) {
        const char32_t c = Decode(mac, {char(b)});
        if (b < 0x80) {
            if (c != char32_t(b)) {
                std::fprintf(stderr, "make_decoding_tables: Mac Roman byte %02X is not ASCII\n", b);
                return 1;
            }
            continue;
        }
        std::snprintf(line, sizeof line, "0x%X,%s", unsigned(c), b % 8 == 7 ? "\n" : "");
        text += line;
    }
    text += "};\n";
    iconv_close(mac);

    std::FILE *out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "make_decoding_tables: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
