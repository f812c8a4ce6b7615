#include "text_decoder.h"

#include <algorithm>
#include <cstring>

namespace batch {

namespace {

#include "decoding_tables.inc"

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// Enough evidence to choose between UTF-8 and GB18030: this many multi-byte
// sequences and errors, or this much text after the first byte outside
// ASCII.
constexpr std::size_t kEvidenceCount = 64;
constexpr std::size_t kEvidenceBytes = 1u << 20;
// What is looked at for UTF-16 without a byte-order mark.
constexpr std::size_t kStartBytes = 256;
constexpr std::size_t kUtf16Sample = 4096;

// The length of the well-formed UTF-8 sequence at bytes[pos]: 0 when it is
// not one, and -1 when it is cut short by the end of the bytes.
int SequenceLength(std::string_view bytes, std::size_t pos)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80)
        return 1;
    int length;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // overlong
        if (lead == 0xED)
            high = 0x9F; // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F; // above U+10FFFF
    } else {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if (pos + i >= bytes.size())
            return -1;
        const unsigned char b = byte(pos + i);
        if (b < (i == 1 ? low : 0x80) || b > (i == 1 ? high : 0xBF))
            return 0;
    }
    return length;
}

// Where the first byte outside ASCII stands, or size when there is none.
std::size_t FirstNonAscii(std::string_view bytes, std::size_t from = 0)
{
    std::size_t pos = from;
    for (; pos + 8 <= bytes.size(); pos += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + pos, 8);
        if (word & 0x8080808080808080ULL)
            break;
    }
    for (; pos < bytes.size(); ++pos) {
        if (static_cast<unsigned char>(bytes[pos]) >= 0x80)
            return pos;
    }
    return pos;
}

struct Evidence {
    std::size_t sequences = 0; // well-formed multi-byte UTF-8
    std::size_t errors = 0;    // bytes that start no well-formed sequence
};

// The evidence for UTF-8 in bytes, up to kEvidenceCount of it; a sequence
// cut short by the end is none, unless final.
Evidence WeighUtf8(std::string_view bytes, bool final)
{
    Evidence e;
    for (std::size_t pos = FirstNonAscii(bytes);
         pos < bytes.size() && e.sequences + e.errors < kEvidenceCount;) {
        const int length = SequenceLength(bytes, pos);
        if (length < 0) {
            e.errors += final;
            break;
        }
        (length == 0 ? e.errors : e.sequences) += 1;
        pos = FirstNonAscii(bytes, pos + (length == 0 ? 1 : length));
    }
    return e;
}

// UTF-16 without a byte-order mark, told by its NUL bytes: Utf16Le or
// Utf16Be when they stand in at least a quarter of the pairs, nearly all on
// one side (a few characters such as U+4E00 put theirs on the other), and
// no pair is two NULs; Undecided otherwise. nuls tells whether there were
// any.
Encoding Utf16ByNuls(std::string_view bytes, bool &nuls)
{
    const std::size_t n = std::min(bytes.size(), kUtf16Sample) & ~std::size_t(1);
    std::size_t even = 0, odd = 0, both = 0;
    for (std::size_t i = 0; i < n; i += 2) {
        even += bytes[i] == 0;
        odd += bytes[i + 1] == 0;
        both += bytes[i] == 0 && bytes[i + 1] == 0;
    }
    nuls = std::memchr(bytes.data(), 0, std::min(bytes.size(), kUtf16Sample)) != nullptr;
    if (both > 0)
        return Encoding::Undecided;
    if (odd >= n / 8 && odd > 0 && even <= odd / 4)
        return Encoding::Utf16Le;
    if (even >= n / 8 && even > 0 && odd <= even / 4)
        return Encoding::Utf16Be;
    return Encoding::Undecided;
}

// Mac Roman rather than GB18030 for text that is not UTF-8: a bare CR
// ends a line, and at least half of the bytes outside ASCII stand alone.
bool LooksMacRoman(std::string_view bytes)
{
    const auto high = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]) >= 0x80; };
    bool bareCr = false;
    std::size_t highs = 0, alone = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] != '\n')
            bareCr = true;
        if (!high(i))
            continue;
        ++highs;
        alone += (i == 0 || !high(i - 1)) && (i + 1 == bytes.size() || !high(i + 1));
    }
    return bareCr && highs > 0 && 2 * alone >= highs;
}

// The character at the front of bytes in one of the encodings other than
// UTF-8: its length in bytes (0: the bytes there are none; -1: cut short by
// the end of bytes) and its code point. The cases are those of the C
// library's converters, which made the tables.
struct Character {
    int length;
    char32_t c;
};

Character NextGb18030(std::string_view bytes)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return {1, lead};
    if (lead == 0x80 || lead == 0xFF)
        return {0, 0};
    if (bytes.size() < 2)
        return {-1, 0};
    const unsigned char second = byte(1);
    if (second >= 0x30 && second <= 0x39) {
        if (bytes.size() < 4)
            return {-1, 0};
        const unsigned char third = byte(2), fourth = byte(3);
        if (third < 0x81 || third > 0xFE || fourth < 0x30 || fourth > 0x39)
            return {0, 0};
        const std::uint32_t place = ((std::uint32_t(lead - 0x81) * 10 + (second - 0x30)) * 126 + (third - 0x81)) * 10
                                    + (fourth - 0x30);
        const auto run = std::upper_bound(std::begin(kGb18030Runs), std::end(kGb18030Runs), place,
                                          [](std::uint32_t p, const Gb18030Run &r) { return p < r.place; });
        if (run == std::begin(kGb18030Runs) || place - (run - 1)->place >= (run - 1)->count)
            return {0, 0};
        return {4, char32_t((run - 1)->first + (place - (run - 1)->place))};
    }
    if (second < 0x40 || second > 0xFE)
        return {0, 0};
    const char32_t c = kGb18030Pairs[(lead - 0x81) * 191 + (second - 0x40)];
    return {c ? 2 : 0, c};
}

Character NextUtf16(std::string_view bytes, bool bigEndian)
{
    const auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return char32_t(bigEndian ? a << 8 | b : b << 8 | a);
    };
    if (bytes.size() < 2)
        return {-1, 0};
    const char32_t first = unit(0);
    if (first >= 0xDC00 && first <= 0xDFFF)
        return {0, 0};
    if (first < 0xD800 || first > 0xDBFF)
        return {2, first};
    if (bytes.size() < 4)
        return {-1, 0};
    const char32_t second = unit(2);
    if (second < 0xDC00 || second > 0xDFFF)
        return {0, 0};
    return {4, 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00)};
}

Character NextCharacter(Encoding encoding, std::string_view bytes)
{
    switch (encoding) {
    case Encoding::Gb18030: return NextGb18030(bytes);
    case Encoding::Utf16Le: return NextUtf16(bytes, false);
    case Encoding::Utf16Be: return NextUtf16(bytes, true);
    case Encoding::MacRoman: {
        const auto b = static_cast<unsigned char>(bytes[0]);
        return {1, b < 0x80 ? char32_t(b) : kMacRomanHigh[b - 0x80]};
    }
    case Encoding::Utf8:
    case Encoding::Undecided: break;
    }
    return {0, 0};
}

void AppendUtf8(std::string &text, char32_t c)
{
    if (c < 0x80) {
        text += char(c);
    } else if (c < 0x800) {
        text += char(0xC0 | c >> 6);
        text += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += char(0xE0 | c >> 12);
        text += char(0x80 | (c >> 6 & 0x3F));
        text += char(0x80 | (c & 0x3F));
    } else {
        text += char(0xF0 | c >> 18);
        text += char(0x80 | (c >> 12 & 0x3F));
        text += char(0x80 | (c >> 6 & 0x3F));
        text += char(0x80 | (c & 0x3F));
    }
}

// Decodes bytes of an encoding other than UTF-8 into text, up to a
// character cut short by the end unless final; returns the bytes used. A
// byte (or for UTF-16 a unit) that starts no character becomes U+FFFD and
// is told to undecodable with the place of its U+FFFD in text.
template <class Undecodable>
std::size_t DecodeCharacters(Encoding encoding, std::string_view bytes, bool final, std::string &text,
                             Undecodable undecodable)
{
    const bool utf16 = encoding == Encoding::Utf16Le || encoding == Encoding::Utf16Be;
    const std::size_t unit = utf16 ? 2 : 1;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        if (!utf16) {
            const std::size_t ascii = FirstNonAscii(bytes, pos);
            text.append(bytes.substr(pos, ascii - pos));
            if ((pos = ascii) == bytes.size())
                break;
        }
        const Character next = NextCharacter(encoding, bytes.substr(pos));
        if (next.length > 0) {
            AppendUtf8(text, next.c);
            pos += std::size_t(next.length);
            continue;
        }
        if (next.length < 0 && !final)
            break; // cut short: comes again with the next block
        const std::size_t skip = std::min(unit, bytes.size() - pos);
        undecodable(skip, text.size());
        text.append(kReplacement);
        pos += skip;
    }
    return pos;
}

} // namespace

std::string DecodeAs(Encoding encoding, std::string_view bytes)
{
    std::string text;
    if (encoding == Encoding::Utf8 || encoding == Encoding::Undecided) {
        for (std::size_t pos = 0; pos < bytes.size();) {
            const int length = SequenceLength(bytes, pos);
            text.append(length > 0 ? bytes.substr(pos, std::size_t(length)) : kReplacement);
            pos += std::size_t(std::max(length, 1));
        }
        return text;
    }
    DecodeCharacters(encoding, bytes, true, text, [](std::size_t, std::size_t) {});
    return text;
}

std::string_view EncodingName(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8: return "UTF-8";
    case Encoding::Gb18030: return "GB18030";
    case Encoding::Utf16Le: return "UTF-16LE";
    case Encoding::Utf16Be: return "UTF-16BE";
    case Encoding::MacRoman: return "Mac Roman";
    case Encoding::Undecided: break;
    }
    return "ASCII";
}

void TextDecoder::CountUndecodable(std::size_t bytes, std::size_t textOffset)
{
    if (undecodable_ == 0)
        firstUndecodable_ = textOffset;
    undecodable_ += bytes;
}

std::size_t TextDecoder::Decode(std::string_view bytes, bool final, std::string_view &text)
{
    firstUndecodable_ = std::string_view::npos;
    std::size_t skipped = 0;
    if (!started_) {
        // A byte-order mark decides at once; it is not part of the text.
        // Without one, the NUL bytes of the start may show UTF-16.
        if (bytes.size() < kStartBytes && !final) {
            text = {};
            return 0;
        }
        started_ = true;
        if (bytes.starts_with(kUtf8Bom)) {
            encoding_ = Encoding::Utf8;
            skipped = kUtf8Bom.size();
        } else if (bytes.starts_with(kUtf16LeBom) || bytes.starts_with(kUtf16BeBom)) {
            encoding_ = bytes.starts_with(kUtf16LeBom) ? Encoding::Utf16Le : Encoding::Utf16Be;
            skipped = 2;
        } else {
            bool nuls = false;
            encoding_ = Utf16ByNuls(bytes, nuls);
            nulsNotUtf16_ = nuls && encoding_ == Encoding::Undecided;
        }
        bytes.remove_prefix(skipped);
    }
    if (encoding_ == Encoding::Undecided) {
        const std::size_t first = FirstNonAscii(bytes);
        if (first == bytes.size()) {
            text = bytes;
            return skipped + bytes.size();
        }
        const Evidence e = WeighUtf8(bytes.substr(first), final);
        if (!final && e.sequences + e.errors < kEvidenceCount
            && bytes.size() - first < kEvidenceBytes) {
            // Hand on the ASCII before it; decide when more text has come.
            text = bytes.substr(0, first);
            return skipped + first;
        }
        encoding_ = e.errors <= e.sequences ? Encoding::Utf8
                    : LooksMacRoman(bytes)     ? Encoding::MacRoman
                                               : Encoding::Gb18030;
    }
    return skipped + (encoding_ == Encoding::Utf8 || encoding_ == Encoding::Undecided
                          ? DecodeUtf8(bytes, final, text)
                          : DecodeOther(bytes, final, text));
}

std::size_t TextDecoder::DecodeUtf8(std::string_view bytes, bool final, std::string_view &text)
{
    // Well-formed text goes on as it is; otherwise a copy with U+FFFD for
    // each byte that starts no well-formed sequence.
    std::size_t pos = FirstNonAscii(bytes);
    std::size_t copiedUpTo = 0;
    bool copying = false;
    while (pos < bytes.size()) {
        const int length = SequenceLength(bytes, pos);
        if (length < 0 && !final)
            break; // cut short: comes again with the next block
        if (length <= 0) {
            if (!copying) {
                out_.clear();
                copying = true;
            }
            out_.append(bytes.substr(copiedUpTo, pos - copiedUpTo));
            CountUndecodable(1, out_.size());
            out_.append(kReplacement);
            copiedUpTo = pos + 1;
            pos = FirstNonAscii(bytes, pos + 1);
            continue;
        }
        pos = FirstNonAscii(bytes, pos + length);
    }
    const std::size_t used = std::min(pos, bytes.size());
    if (!copying) {
        text = bytes.substr(0, used);
    } else {
        out_.append(bytes.substr(copiedUpTo, used - copiedUpTo));
        text = out_;
    }
    return used;
}

std::size_t TextDecoder::DecodeOther(std::string_view bytes, bool final, std::string_view &text)
{
    out_.clear();
    const std::size_t used = DecodeCharacters(encoding_, bytes, final, out_, [this](std::size_t n, std::size_t at) {
        CountUndecodable(n, at);
    });
    text = out_;
    return used;
}

} // namespace batch
