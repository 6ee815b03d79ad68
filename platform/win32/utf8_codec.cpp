#include "platform/win32/utf8_codec.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Most text is ASCII: it is tested and copied sixteen bytes at a time where
// the processor offers it (SSE2 on every x86-64), else unit by unit.
#if defined(__SSE2__)

// Copies the leading ASCII units of wide into out as bytes; returns how many.
size_t NarrowAsciiPrefix(std::u16string_view wide, char* out) {
    size_t i = 0;
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
    for (; i + 8 <= wide.size(); i += 8) {
        __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(wide.data() + i));
        __m128i above = _mm_cmpeq_epi16(_mm_and_si128(units, high), _mm_setzero_si128());
        if (_mm_movemask_epi8(above) != 0xFFFF) {
            break;
        }
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(units, units));
    }
    for (; i < wide.size() && wide[i] < 0x80; ++i) {
        out[i] = static_cast<char>(wide[i]);
    }
    return i;
}

// Copies the leading ASCII bytes of bytes into out as units; returns how many.
size_t WidenAsciiPrefix(std::string_view bytes, char16_t* out) {
    size_t i = 0;
    for (; i + 16 <= bytes.size(); i += 16) {
        __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i));
        if (_mm_movemask_epi8(chunk) != 0) {
            break;
        }
        auto* put = reinterpret_cast<__m128i*>(out + i);
        _mm_storeu_si128(put, _mm_unpacklo_epi8(chunk, _mm_setzero_si128()));
        _mm_storeu_si128(put + 1, _mm_unpackhi_epi8(chunk, _mm_setzero_si128()));
    }
    for (; i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80; ++i) {
        out[i] = static_cast<unsigned char>(bytes[i]);
    }
    return i;
}

#else

size_t NarrowAsciiPrefix(std::u16string_view wide, char* out) {
    size_t i = 0;
    for (; i < wide.size() && wide[i] < 0x80; ++i) {
        out[i] = static_cast<char>(wide[i]);
    }
    return i;
}

size_t WidenAsciiPrefix(std::string_view bytes, char16_t* out) {
    size_t i = 0;
    for (; i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80; ++i) {
        out[i] = static_cast<unsigned char>(bytes[i]);
    }
    return i;
}

#endif

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

} // namespace

bool NarrowAscii(std::u16string_view wide, std::string& out) {
    out.resize(wide.size());
    return NarrowAsciiPrefix(wide, out.data()) == wide.size();
}

bool WidenAscii(std::string_view bytes, std::u16string& out) {
    out.resize(bytes.size());
    return WidenAsciiPrefix(bytes, out.data()) == bytes.size();
}

bool EncodeUtf8(std::u16string_view wide, bool failOnInvalid, std::string& out) {
    out.resize(wide.size());
    const size_t ascii = NarrowAsciiPrefix(wide, out.data());
    if (ascii == wide.size()) {
        return true;
    }
    out.resize(wide.size() * 3);
    char* put = out.data() + ascii;
    for (size_t i = ascii; i < wide.size(); ++i) {
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
        // ASCII runs, those between other characters too, go in bulk.
        const size_t ascii = WidenAsciiPrefix(bytes.substr(at), put);
        at += ascii;
        put += ascii;
        if (at == bytes.size()) {
            break;
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
