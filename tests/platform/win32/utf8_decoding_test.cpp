#include "platform/win32/code_page.h"
#include "platform/win32/code_page_table.h"
#include "platform/win32/iconv_pump.h"
#include "platform/win32/utf8_decoding.h"

#include <gtest/gtest.h>

namespace {

// What iconv alone makes of UTF-8 bytes: the reference the direct decoding
// must match unit for unit.
std::u16string IconvUnits(std::string_view bytes) {
    IconvPump pump(*FindCodePage(CP_UTF8), IconvDirection::kDecode, bytes.size() * 2 + 4);
    EXPECT_EQ(pump.Convert(bytes), bytes.size());
    return pump.Units();
}

std::string Utf8Of(char32_t code) {
    std::string bytes;
    if (code < 0x80) {
        bytes += static_cast<char>(code);
    } else if (code < 0x800) {
        bytes += {static_cast<char>(0xC0 | code >> 6), static_cast<char>(0x80 | (code & 0x3F))};
    } else if (code < 0x10000) {
        bytes +=
            {static_cast<char>(0xE0 | code >> 12), static_cast<char>(0x80 | (code >> 6 & 0x3F)),
             static_cast<char>(0x80 | (code & 0x3F))};
    } else {
        bytes +=
            {static_cast<char>(0xF0 | code >> 18), static_cast<char>(0x80 | (code >> 12 & 0x3F)),
             static_cast<char>(0x80 | (code >> 6 & 0x3F)), static_cast<char>(0x80 | (code & 0x3F))};
    }
    return bytes;
}

TEST(Utf8Decoding, EveryCodePointMatchesIconv) {
    std::string bytes;
    for (char32_t code = 1; code <= 0x10FFFF; ++code) {
        if (code < 0xD800 || code > 0xDFFF) {
            bytes += Utf8Of(code);
        }
    }
    std::u16string direct;
    ASSERT_TRUE(AppendUtf8AsUtf16(bytes, direct));
    EXPECT_TRUE(direct == IconvUnits(bytes));
}

TEST(Utf8Decoding, MixedTextMatchesIconvAtEveryLength) {
    // Multi-byte characters at every offset around the eight-byte ASCII steps.
    const std::string text = "Besprechung \xC3\xBC"
                             "ber Gr\xC3\xB6\xC3\x9F"
                             "e \xE4\xBC\x9A\xE8\xAD\xB0 \xF0\x9D\x84\x9E!";
    for (size_t length = 0; length <= text.size(); ++length) {
        std::string_view piece(text.data(), length);
        std::u16string direct;
        if (AppendUtf8AsUtf16(piece, direct)) {
            EXPECT_TRUE(direct == IconvUnits(piece)) << "length " << length;
        }
    }
    std::u16string whole = u"kept ";
    ASSERT_TRUE(AppendUtf8AsUtf16(text, whole));
    EXPECT_EQ(whole, u"kept " + IconvUnits(text));
}

TEST(Utf8Decoding, RefusesIllFormedSequences) {
    const char* const kBroken[] = {
        "\x80",             // stray continuation byte
        "a\xC3",            // truncated two-byte sequence
        "\xE2\x82",         // truncated three-byte sequence
        "\xC0\xAF",         // overlong "/"
        "\xE0\x80\xAF",     // overlong "/" in three bytes
        "\xF0\x80\x80\xAF", // overlong "/" in four bytes
        "\xED\xA0\x80",     // high surrogate
        "\xED\xBF\xBF",     // low surrogate
        "\xF4\x90\x80\x80", // beyond U+10FFFF
        "\xF5\x80\x80\x80", // lead byte that starts nothing
        "\xFF",             // not UTF-8 at all
        "abc\xC3(",         // continuation byte missing
    };
    for (const char* bytes : kBroken) {
        std::u16string out;
        EXPECT_FALSE(AppendUtf8AsUtf16(bytes, out)) << bytes;
    }
}

TEST(Utf8Decoding, ConversionOfIllFormedTextStillReplacesWhatIsBroken) {
    // The direct decoding refuses these; the conversion then goes through
    // iconv and puts U+FFFD in place of each broken piece.
    EXPECT_EQ(MultiByteToWide(CP_UTF8, "a\xC3(b").value(), u"a\uFFFD(b");
    EXPECT_EQ(MultiByteToWide(CP_UTF8, "\xED\xA0\x80x").value(), u"\uFFFD\uFFFD\uFFFDx");
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\x80", 2, nullptr, 0), 0);
    EXPECT_EQ(MultiByteToWide(CP_UTF8, "ok \xC3\xA9").value(), u"ok \u00e9");
}

} // namespace
