// The converter's escaping of text values and cleaning of parameter values.

#include "engine/common/v_sync_char_converter.h"

#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

// The bytes Escape replaces, as a table: the test runs for every byte of
// every text value written.
constexpr std::array<bool, 256> kEscaped = [] {
    std::array<bool, 256> escaped{};
    for (unsigned char c : {'\\', ';', ',', '\r', '\n'}) {
        escaped[c] = true;
    }
    return escaped;
}();

bool IsEscaped(char c) {
    return kEscaped[static_cast<unsigned char>(c)];
}

// Characters below 128 that a parameter value keeps: TAB, space, "!" and
// "#" to "~" (double quotes are turned into single ones before this test).
bool IsKeptInParameter(char16_t c) {
    return c >= 128 || c == u'\t' || c == u' ' || c == u'!' || (c >= u'#' && c <= u'~');
}

// The position of the first byte from at on that Escape replaces, or the
// text's size. Text values are long runs without one: they are tested
// sixteen bytes at a time where the processor offers it (SSE2 on x86-64).
size_t NextEscaped(std::string_view text, size_t at) {
#if defined(__SSE2__)
    const __m128i backslash = _mm_set1_epi8('\\'), semicolon = _mm_set1_epi8(';'),
                  comma = _mm_set1_epi8(','), cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    for (; at + 16 <= text.size(); at += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
        const __m128i hits = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(chunk, backslash), _mm_cmpeq_epi8(chunk, semicolon)),
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, comma), _mm_cmpeq_epi8(chunk, cr)),
                         _mm_cmpeq_epi8(chunk, lf)));
        if (const int mask = _mm_movemask_epi8(hits); mask != 0) {
            return at + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
        }
    }
#endif
    while (at < text.size() && !IsEscaped(text[at])) {
        ++at;
    }
    return at;
}

} // namespace

std::string vSyncCharConverter::Escape(std::string_view text) {
    std::string escaped;
    Escape(text, escaped);
    return escaped;
}

void vSyncCharConverter::Escape(std::string_view text, std::string& out) {
    out.reserve(out.size() + text.size() + text.size() / 8);
    // Runs without a special character are copied whole.
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t special = NextEscaped(text, i);
        out.append(text.substr(i, special - i));
        if (special == text.size()) {
            break;
        }
        i = special;
        char c = text[i];
        if (!IsLineBreak(c)) {
            out += '\\';
            out += c;
        } else {
            bool pair = c == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
            i += pair ? 1 : 0;
            out += "\\n";
        }
    }
}

std::string vSyncCharConverter::Unescape(std::string_view text) {
    std::string plain;
    Unescape(text, plain);
    return plain;
}

void vSyncCharConverter::Unescape(std::string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        size_t backslash = text.find('\\', i);
        if (backslash == std::string_view::npos) {
            out.append(text.substr(i));
            return;
        }
        out.append(text.substr(i, backslash - i));
        i = backslash;
        char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (next == '\\' || next == ';' || next == ',' || next == 'n') {
            out += next == 'n' ? '\n' : next;
            ++i;
        } else {
            out += '\\';
        }
    }
}

std::u16string vSyncCharConverter::CleanParameterValue(std::u16string_view text) {
    std::u16string clean;
    clean.reserve(text.size());
    for (char16_t c : text) {
        char16_t kept = c == u'"' ? u'\'' : c;
        if (IsKeptInParameter(kept)) {
            clean += kept;
        }
    }
    return clean;
}
