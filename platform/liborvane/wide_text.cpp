#include "platform/liborvane/wide_text.h"

#include <iconv.h>

namespace {

#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr const char* kUtf16 = "UTF-16LE";
#else
constexpr const char* kUtf16 = "UTF-16BE";
#endif

size_t WideLength(const char16_t* text) {
    size_t length = 0;
    while (text[length] != u'\0') {
        ++length;
    }
    return length;
}

// Converts as much as iconv accepts; each unit it refuses becomes "?".
void Convert(iconv_t converter, const char16_t* text, size_t length, std::string& out) {
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text));
    size_t inLeft = length * sizeof(char16_t);
    while (inLeft > 0) {
        char buffer[256];
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (result == static_cast<size_t>(-1) && outPtr == buffer) {
            out += '?';
            in += sizeof(char16_t);
            inLeft = inLeft >= sizeof(char16_t) ? inLeft - sizeof(char16_t) : 0;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
}

} // namespace

std::string Utf8FromWide(const char16_t* text) {
    if (text == nullptr) {
        return "";
    }
    iconv_t converter = iconv_open("UTF-8", kUtf16);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return "";
    }
    std::string out;
    Convert(converter, text, WideLength(text), out);
    iconv_close(converter);
    return out;
}
