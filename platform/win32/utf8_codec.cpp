#include "platform/win32/utf8_codec.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

char* PutUtf8(char32_t c, char* out) {
    if (c < 0x80) {
        *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// The bounds of the second byte after a lead byte (the later ones are always
// 0x80 to 0xBF), which rule out overlong forms, encoded surrogates and
// values above U+10FFFF; needed is 0 for a byte that cannot lead.
struct Utf8Lead {
    int needed;
    int low, high;
    char32_t bits;
};

Utf8Lead LeadOf(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        return {1, 0x80, 0xBF, lead & 0x1Fu};
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return {2, lead == 0xE0 ? 0xA0 : 0x80, lead == 0xED ? 0x9F : 0xBF, lead & 0x0Fu};
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return {3, lead == 0xF0 ? 0x90 : 0x80, lead == 0xF4 ? 0x8F : 0xBF, lead & 0x07u};
    }
    return {0, 0, 0, 0};
}

// Reads the sequence at bytes[at]; false when it is not well-formed.
bool ReadSequence(std::string_view bytes, size_t& at, char32_t& c) {
    Utf8Lead lead = LeadOf(static_cast<unsigned char>(bytes[at]));
    if (lead.needed == 0 || bytes.size() - at <= static_cast<size_t>(lead.needed)) {
        return false;
    }
    c = lead.bits;
    int low = lead.low, high = lead.high;
    for (int i = 1; i <= lead.needed; ++i) {
        int next = static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
        if (next < low || next > high) {
            return false;
        }
        c = (c << 6) | static_cast<char32_t>(next & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    at += static_cast<size_t>(lead.needed) + 1;
    return true;
}

// Widens the ASCII bytes at bytes[at] sixteen at a time (with SSE2) or eight
// at a time while a whole group is ASCII; the rest is left to the caller.
void WidenAsciiGroups(std::string_view bytes, size_t& at, char16_t*& put) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; bytes.size() - at >= 16; at += 16, put += 16) {
        __m128i group = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + at));
        if (_mm_movemask_epi8(group) != 0) {
            return;
        }
        // Interleaving with zero bytes gives the little-endian units.
        _mm_storeu_si128(reinterpret_cast<__m128i*>(put), _mm_unpacklo_epi8(group, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(put + 8), _mm_unpackhi_epi8(group, zero));
    }
#endif
    for (; bytes.size() - at >= 8; at += 8, put += 8) {
        std::uint64_t group = 0;
        std::memcpy(&group, bytes.data() + at, 8);
        if ((group & 0x8080808080808080ULL) != 0) {
            return;
        }
        for (size_t i = 0; i < 8; ++i) {
            put[i] = static_cast<unsigned char>(bytes[at + i]);
        }
    }
}

} // namespace

bool IsAsciiText(std::u16string_view wide) {
    char16_t any = 0;
    for (char16_t unit : wide) {
        any |= unit;
    }
    return any < 0x80;
}

bool IsAsciiText(std::string_view bytes) {
    unsigned char any = 0;
    for (char byte : bytes) {
        any |= static_cast<unsigned char>(byte);
    }
    return any < 0x80;
}

bool EncodeUtf8(std::u16string_view wide, bool failOnInvalid, std::string& out) {
    out.resize(wide.size() * 3);
    char* put = out.data();
    for (size_t i = 0; i < wide.size(); ++i) {
        char32_t c = wide[i];
        if (IsHighSurrogate(c) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00);
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            if (failOnInvalid) {
                return false;
            }
            c = 0xFFFD;
        }
        put = PutUtf8(c, put);
    }
    out.resize(static_cast<size_t>(put - out.data()));
    return true;
}

bool DecodeWellFormedUtf8(std::string_view bytes, std::u16string& out) {
    out.resize(bytes.size());
    char16_t* put = out.data();
    for (size_t at = 0; at < bytes.size();) {
        WidenAsciiGroups(bytes, at, put);
        if (at == bytes.size()) {
            break;
        }
        auto byte = static_cast<unsigned char>(bytes[at]);
        if (byte < 0x80) {
            *put++ = byte;
            ++at;
            continue;
        }
        char32_t c = 0;
        if (!ReadSequence(bytes, at, c)) {
            return false;
        }
        if (c >= 0x10000) {
            *put++ = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            c = 0xDC00 + ((c - 0x10000) & 0x3FF);
        }
        *put++ = static_cast<char16_t>(c);
    }
    out.resize(static_cast<size_t>(put - out.data()));
    return true;
}
