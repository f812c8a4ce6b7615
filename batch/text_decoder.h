#pragma once
// Measurement files come as UTF-8 (with or without a byte-order mark), as
// GB18030/GBK from Chinese Windows software, as UTF-16 from "Unicode
// text" exports, or as Mac Roman from spectrometer software of Mac origin. The decoder finds out which from the bytes themselves and
// hands on UTF-8, block by block.
//
// A byte-order mark settles the encoding. Without one, UTF-16 is told by its
// NUL bytes: at the start, NULs in at least a quarter of the byte pairs,
// nearly all on one side. Between UTF-8 and GB18030 the choice is made
// after the first byte outside ASCII (up to there both read the same), on
// the weight of the evidence that follows: well-formed multi-byte UTF-8
// sequences against bytes that are not UTF-8. GB18030 only when the errors
// outweigh the sequences; but Mac Roman when, besides, the text ends lines
// with a bare CR (a Mac's line end, also in the CR CR LF that such a line
// end becomes through a Windows text stream) and most of its bytes outside
// ASCII stand alone between ASCII ones, as single-byte letters and signs
// do and the byte pairs of Chinese text do not.
//
// Bytes that the chosen encoding cannot read become U+FFFD, and are counted.
// GB18030 and Mac Roman are decoded by tables made at build time from the C
// library's converters (tools/decoding_tables), UTF-16 by its rule: the same
// bytes give the same text on every platform.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace batch {

enum class Encoding { Undecided, Utf8, Gb18030, Utf16Le, Utf16Be, MacRoman };

// The name of an encoding as the user knows it ("UTF-8", "GB18030", …).
std::string_view EncodingName(Encoding encoding);

class TextDecoder {
public:
    TextDecoder() = default;
    TextDecoder(const TextDecoder &) = delete;
    TextDecoder &operator=(const TextDecoder &) = delete;

    // Decodes from the front of bytes and returns how many bytes it used;
    // text is the UTF-8 of those bytes, valid until the next call. Bytes not
    // used (a sequence cut short, or too little text yet to choose the
    // encoding) must come again at the front of the next call. With final
    // (no more bytes follow) every byte is used.
    std::size_t Decode(std::string_view bytes, bool final, std::string_view &text);

    Encoding encoding() const { return encoding_; }
    // Bytes that could not be decoded so far.
    std::uint64_t undecodable() const { return undecodable_; }
    // Where in the text of the last Decode the first undecodable byte of
    // the input stands (its U+FFFD); npos unless it came in that call.
    std::size_t firstUndecodable() const { return firstUndecodable_; }
    // The input starts with NUL bytes that are not UTF-16's pattern.
    bool nulsNotUtf16() const { return nulsNotUtf16_; }

private:
    std::size_t DecodeUtf8(std::string_view bytes, bool final, std::string_view &text);
    std::size_t DecodeOther(std::string_view bytes, bool final, std::string_view &text);
    void CountUndecodable(std::size_t bytes, std::size_t textOffset);

    Encoding encoding_ = Encoding::Undecided;
    bool started_ = false;
    std::string out_;
    std::uint64_t undecodable_ = 0;
    std::size_t firstUndecodable_ = std::string_view::npos;
    bool nulsNotUtf16_ = false;
};

// The UTF-8 text of bytes in a known encoding (not Undecided), every byte
// used; each byte that cannot be read becomes U+FFFD as in TextDecoder.
std::string DecodeAs(Encoding encoding, std::string_view bytes);

} // namespace batch
