#include "platform/win32/code_page_conversion.h"

#include "platform/win32/iconv_pump.h"
#include "platform/win32/utf8_codec.h"

#include <cstdint>
#include <unordered_map>

namespace {

constexpr UINT kUtf8CodePage = 65001;

constexpr char16_t kReplacementCharacter = u'\uFFFD';

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The UTF-16 units of the character at the front of the text.
size_t WideCharacterLength(std::u16string_view wide) {
    return wide.size() >= 2 && IsHighSurrogate(wide[0]) && IsLowSurrogate(wide[1]) ? 2 : 1;
}

bool IsBrokenWide(std::u16string_view wide) {
    return WideCharacterLength(wide) == 1 && (IsHighSurrogate(wide[0]) || IsLowSurrogate(wide[0]));
}

// How many bytes at the front of a broken UTF-8 text one U+FFFD replaces:
// the longest start of a well-formed sequence, at least one byte.
size_t Utf8BrokenLength(std::string_view bytes) {
    auto lead = static_cast<unsigned char>(bytes[0]);
    int needed = lead >= 0xF0 && lead <= 0xF4   ? 3
                 : lead >= 0xE0 && lead <= 0xEF ? 2
                 : lead >= 0xC2 && lead <= 0xDF ? 1
                                                : 0;
    unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    size_t length = 1;
    for (; needed > 0 && length < bytes.size(); --needed, ++length) {
        auto next = static_cast<unsigned char>(bytes[length]);
        if (next < low || next > high) {
            break;
        }
        low = 0x80;
        high = 0xBF;
    }
    return length;
}

size_t NarrowBrokenLength(const CodePageInfo& page, std::string_view bytes) {
    return page.codePage == 65001 ? Utf8BrokenLength(bytes) : 1;
}

void PutDefaultCharacter(const CodePageInfo& page, std::u16string_view broken,
                         const EncodeOptions& options, IconvPump& pump, bool& usedDefault) {
    if (page.kind == CodePageKind::kUnicode && IsBrokenWide(broken)) {
        pump.ConvertAll(std::u16string_view(&kReplacementCharacter, 1));
        return;
    }
    usedDefault = true;
    if (options.defaultChar.empty()) {
        pump.ConvertAll(u"?");
    } else {
        pump.AppendRaw(options.defaultChar.data(), options.defaultChar.size());
    }
}

// What iconv makes of the 128 ASCII characters in one piece, compared with
// the characters themselves.
bool ProbeAscii(const CodePageInfo& page, IconvDirection direction) {
    std::string bytes(128, '\0');
    std::u16string wide(128, u'\0');
    for (int c = 0; c < 128; ++c) {
        bytes[c] = static_cast<char>(c);
        wide[c] = static_cast<char16_t>(c);
    }
    IconvPump pump(page, direction, 512);
    if (!pump.IsOpen()) {
        return false;
    }
    if (direction == IconvDirection::kDecode) {
        return pump.Convert(std::string_view(bytes)) == bytes.size() && pump.Units() == wide;
    }
    if (pump.Convert(std::u16string_view(wide)) != wide.size()) {
        return false;
    }
    pump.Finish();
    return pump.Bytes() == bytes;
}

// Whether the code page maps each ASCII character to the byte of the same
// value and back, as most do (not EBCDIC, UTF-7, UTF-16 or ISO-2022-KR), so
// that ASCII text can be copied. Asked of iconv once per code page. Bytes
// below 128 of a code page that switches modes may be a switch (ISO-2022
// escapes), so such text is always decoded by iconv.
bool KeepsAscii(const CodePageInfo& page, IconvDirection direction) {
    if (direction == IconvDirection::kDecode && page.kind == CodePageKind::kStateful) {
        return false;
    }
    thread_local std::unordered_map<std::uint64_t, bool> known;
    std::uint64_t key = std::uint64_t{page.codePage} << 1 | (direction == IconvDirection::kDecode);
    auto found = known.find(key);
    if (found == known.end()) {
        found = known.emplace(key, ProbeAscii(page, direction)).first;
    }
    return found->second;
}

// The conversions that need no iconv: ASCII text in a code page that keeps
// it, and UTF-8. False when the text must go through iconv.
bool EncodeDirectly(const CodePageInfo& page, std::u16string_view wide,
                    const EncodeOptions& options, std::string& out) {
    if (page.codePage == kUtf8CodePage) {
        return EncodeUtf8(wide, options.failOnInvalid, out);
    }
    return KeepsAscii(page, IconvDirection::kEncode) && NarrowAscii(wide, out);
}

bool DecodeDirectly(const CodePageInfo& page, std::string_view bytes, std::u16string& out) {
    if (page.codePage == kUtf8CodePage) {
        return DecodeWellFormedUtf8(bytes, out);
    }
    return KeepsAscii(page, IconvDirection::kDecode) && WidenAscii(bytes, out);
}

} // namespace

ConversionResult EncodeWide(const CodePageInfo& page, std::u16string_view wide,
                            const EncodeOptions& options, std::string& out, bool& usedDefault) {
    usedDefault = false;
    if (EncodeDirectly(page, wide, options, out)) {
        return ConversionResult::kDone;
    }
    if (page.codePage == kUtf8CodePage) {
        return ConversionResult::kInvalidInput;
    }
    IconvPump pump(page, IconvDirection::kEncode, wide.size() * 3 + 8);
    if (!pump.IsOpen()) {
        return ConversionResult::kUnavailable;
    }
    while (!wide.empty()) {
        wide.remove_prefix(pump.Convert(wide));
        if (wide.empty()) {
            break;
        }
        if (options.failOnInvalid) {
            return ConversionResult::kInvalidInput;
        }
        size_t length = WideCharacterLength(wide);
        PutDefaultCharacter(page, wide.substr(0, length), options, pump, usedDefault);
        wide.remove_prefix(length);
    }
    pump.Finish();
    out = pump.Bytes();
    return ConversionResult::kDone;
}

ConversionResult DecodeNarrow(const CodePageInfo& page, std::string_view bytes, bool failOnInvalid,
                              std::u16string& out) {
    if (DecodeDirectly(page, bytes, out)) {
        return ConversionResult::kDone;
    }
    IconvPump pump(page, IconvDirection::kDecode, bytes.size() * 2 + 4);
    if (!pump.IsOpen()) {
        return ConversionResult::kUnavailable;
    }
    while (!bytes.empty()) {
        bytes.remove_prefix(pump.Convert(bytes));
        if (bytes.empty()) {
            break;
        }
        if (failOnInvalid) {
            return ConversionResult::kInvalidInput;
        }
        pump.AppendRaw(&kReplacementCharacter, sizeof kReplacementCharacter);
        bytes.remove_prefix(NarrowBrokenLength(page, bytes));
    }
    out = pump.Units();
    return ConversionResult::kDone;
}
