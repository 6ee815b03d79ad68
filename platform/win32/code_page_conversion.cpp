#include "platform/win32/code_page_conversion.h"

#include "platform/win32/iconv_pump.h"
#include "platform/win32/utf8_decoding.h"

namespace {

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

} // namespace

ConversionResult EncodeWide(const CodePageInfo& page, std::u16string_view wide,
                            const EncodeOptions& options, std::string& out, bool& usedDefault) {
    IconvPump pump(page, IconvDirection::kEncode, wide.size() * 3 + 8);
    if (!pump.IsOpen()) {
        return ConversionResult::kUnavailable;
    }
    usedDefault = false;
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
    if (page.codePage == 65001) {
        std::u16string wide;
        if (AppendUtf8AsUtf16(bytes, wide)) {
            out = std::move(wide);
            return ConversionResult::kDone;
        }
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
