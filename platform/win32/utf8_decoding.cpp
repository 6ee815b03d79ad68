#include "platform/win32/utf8_decoding.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The code point of the multi-byte sequence at the front of the text and its
// length; length 0 when the sequence is ill-formed.
char32_t DecodeSequence(const unsigned char* text, size_t available, size_t& length) {
    unsigned char lead = text[0];
    length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    // Lowest code point of each length, so that overlong forms are refused.
    static constexpr char32_t kLowest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (lead < 0xC2 || lead > 0xF4 || available < length) {
        length = 0;
        return 0;
    }
    char32_t code = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if (!IsContinuation(text[i])) {
            length = 0;
            return 0;
        }
        code = (code << 6) | (text[i] & 0x3F);
    }
    bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (code < kLowest[length] || code > 0x10FFFF || surrogate) {
        length = 0;
    }
    return code;
}

// Writes the UTF-16 units of the code point; returns the position after them.
char16_t* PutCodePoint(char32_t code, char16_t* out) {
    if (code < 0x10000) {
        *out = static_cast<char16_t>(code);
        return out + 1;
    }
    code -= 0x10000;
    out[0] = static_cast<char16_t>(0xD800 + (code >> 10));
    out[1] = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    return out + 2;
}

// How many bytes at the front are ASCII, eight at a time while it can.
size_t AsciiPrefix(const unsigned char* text, size_t size) {
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text + i, 8);
        if ((word & 0x8080808080808080ULL) != 0) {
            break;
        }
    }
    while (i < size && text[i] < 0x80) {
        ++i;
    }
    return i;
}

} // namespace

bool AppendUtf8AsUtf16(std::string_view bytes, std::u16string& out) {
    const auto* text = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t size = bytes.size();
    size_t start = out.size();
    // Every character takes at least as many bytes as UTF-16 units.
    out.resize(start + size);
    char16_t* put = out.data() + start;
    for (size_t i = 0; i < size;) {
        size_t ascii = AsciiPrefix(text + i, size - i);
        put = std::copy(text + i, text + i + ascii, put);
        i += ascii;
        if (i == size) {
            break;
        }
        size_t length = 0;
        char32_t code = DecodeSequence(text + i, size - i, length);
        if (length == 0) {
            return false;
        }
        put = PutCodePoint(code, put);
        i += length;
    }
    out.resize(static_cast<size_t>(put - out.data()));
    return true;
}
