// Property values decoded into UTF-16: escapes, quoted-printable and the
// character set of the property.

#include "engine/common/v_sync_char_converter.h"
#include "engine/import/cvcal_parser.h"
#include "platform/win32/code_page.h"
#include "support/language_text.h"

namespace {

void ReplaceAll(std::string& text, std::string_view from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// ASCII text reads the same in UTF-8 and UTF-16, so it needs no converter.
bool IsAscii(std::string_view bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

} // namespace

void CvCalParser::DecodeValue(std::string_view value, int encoding, const char* charset,
                              bool unescape, std::u16string& out) {
    bool escaped = unescape && value.find('\\') != std::string_view::npos;
    std::string bytes = escaped ? vSyncCharConverter::Unescape(value) : std::string(value);
    if ((encoding == kCurrentEncoding ? Encoding : encoding) == kEncodingQuotedPrintable) {
        std::string decoded;
        if (vSyncCharConverter::QPDecode(bytes, decoded, true)) {
            bytes.swap(decoded);
        } else {
            std::string text = LanguageText("IDS_ERR_INVALID_FORMAT_VCAL");
            ReplaceAll(text, "%1", FileName);
            ReplaceAll(text, "%2", Reader.Name);
            consumer_.ShowWarning(LanguageText("IDS_APP_TITLE"), text);
        }
    }
    std::u16string wide;
    if (g_charConverter == nullptr) {
        wide = AnsiToWide(bytes);
    } else {
        int codePage =
            g_charConverter->SelectByCharsetName(charset ? std::string(charset) : Charset);
        bool utf8 = codePage == static_cast<int>(CP_UTF8) ||
                    (codePage == kAnsiCodePage && ansiCodePage_ == CP_UTF8);
        if (utf8 && IsAscii(bytes)) {
            wide.assign(bytes.begin(), bytes.end());
        } else {
            g_charConverter->ToUnicodeByName(g_charConverter->CurrentCharsetName(), bytes, wide);
        }
    }
    out = std::move(wide);
}
