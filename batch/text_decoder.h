#pragma once
// Measurement files come as UTF-8 (with or without a byte-order mark), as
// GB18030/GBK from Chinese Windows software, or as UTF-16 with a byte-order
// mark from "Unicode text" exports. The decoder finds out which from the
// bytes themselves and hands on UTF-8, block by block.
//
// The choice between UTF-8 and GB18030 is made at the first byte outside
// ASCII, from the text that follows it: up to there both read the same.
// Bytes that the chosen encoding cannot read become U+FFFD.

#include <cstddef>
#include <string>
#include <string_view>

namespace batch {

enum class Encoding { Undecided, Utf8, Gb18030, Utf16Le, Utf16Be };

// The name of an encoding as the user knows it ("UTF-8", "GB18030", …).
std::string_view EncodingName(Encoding encoding);

// True when the bytes are well-formed UTF-8; a sequence cut short by the end
// counts as well-formed unless final.
bool IsUtf8(std::string_view bytes, bool final);

class TextDecoder {
public:
    TextDecoder();
    ~TextDecoder();
    TextDecoder(const TextDecoder &) = delete;
    TextDecoder &operator=(const TextDecoder &) = delete;

    // Decodes from the front of bytes and returns how many bytes it used;
    // text is the UTF-8 of those bytes, valid until the next call. Bytes not
    // used (a sequence cut short, or too little text yet to choose the
    // encoding) must come again at the front of the next call. With final
    // (no more bytes follow) every byte is used.
    std::size_t Decode(std::string_view bytes, bool final, std::string_view &text);

    Encoding encoding() const { return encoding_; }

private:
    std::size_t DecodeUtf8(std::string_view bytes, bool final, std::string_view &text);
    std::size_t DecodeWithIconv(std::string_view bytes, bool final, std::string_view &text);
    bool OpenConverter(); // for the encodings that iconv reads

    Encoding encoding_ = Encoding::Undecided;
    bool started_ = false;
    void *converter_ = nullptr; // iconv_t
    std::string out_;
};

} // namespace batch
