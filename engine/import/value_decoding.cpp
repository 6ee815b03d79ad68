// Property values decoded into UTF-16: escapes, quoted-printable and the
// character set of the property.

#include "engine/common/v_sync_char_converter.h"
#include "engine/import/cvcal_parser.h"
#include "platform/win32/code_page.h"
#include "platform/win32/utf8_codec.h"
#include "support/language_text.h"

namespace {

void ReplaceAll(std::string& text, std::string_view from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

} // namespace

void ParsedEventConsumer::ValueNotDecoded(const std::string& fileName,
                                          const std::string& propertyName) {
    std::string text = LanguageText("IDS_ERR_INVALID_FORMAT_VCAL");
    ReplaceAll(text, "%1", fileName);
    ReplaceAll(text, "%2", propertyName);
    ShowWarning(LanguageText("IDS_APP_TITLE"), text);
}

void CvCalParser::DecodeValue(std::string_view value, int encoding, const char* charset,
                              bool unescape, std::u16string& out) {
    std::string_view bytes = value;
    if (unescape && value.find('\\') != std::string_view::npos) {
        vSyncCharConverter::Unescape(value, unescaped_);
        bytes = unescaped_;
    }
    if ((encoding == kCurrentEncoding ? Encoding : encoding) == kEncodingQuotedPrintable) {
        if (vSyncCharConverter::QPDecode(bytes, qpDecoded_, true)) {
            bytes = qpDecoded_;
        } else {
            consumer_.ValueNotDecoded(FileName, Reader.Name);
        }
    }
    ConvertValueBytes(bytes, charset, out);
}

int CvCalParser::SelectCharset(std::string_view name) {
    // Selecting the name the converter has just selected again would change
    // nothing; the catalogue does not change while a file is read.
    bool again = selectedCharset_.Converter == g_charConverter && selectedCharset_.Name == name &&
                 g_charConverter->CurrentCodePage() == selectedCharset_.CodePage;
    if (!again) {
        selectedCharset_.Name.assign(name);
        selectedCharset_.CodePage = g_charConverter->SelectByCharsetName(selectedCharset_.Name);
        selectedCharset_.Converter = g_charConverter;
    }
    return selectedCharset_.CodePage;
}

void CvCalParser::ConvertValueBytes(std::string_view bytes, const char* charset,
                                    std::u16string& out) {
    if (g_charConverter == nullptr) {
        out = AnsiToWide(bytes);
        return;
    }
    int codePage = SelectCharset(charset ? std::string_view(charset) : std::string_view(Charset));
    // A set the catalogue lacks converts from the ANSI code page, like an
    // empty one.
    bool ansi = codePage == kAnsiCodePage || codePage == kUnknownCodePage;
    bool utf8 = codePage == static_cast<int>(CP_UTF8) || (ansi && ansiCodePage_ == CP_UTF8);
    if (utf8 && DecodeWellFormedUtf8(bytes, out)) {
        return;
    }
    std::u16string wide;
    g_charConverter->ToUnicodeByName(g_charConverter->CurrentCharsetName(), std::string(bytes),
                                     wide);
    out = std::move(wide);
}
