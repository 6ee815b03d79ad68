// ASCII text and UTF-8 skip iconv; these tests hold the direct conversions
// to what iconv itself makes of the same text in every code page.

#include "platform/win32/code_page.h"
#include "platform/win32/code_page_table.h"

#include <bit>
#include <cstring>
#include <gtest/gtest.h>
#include <iconv.h>
#include <optional>

namespace {

constexpr const char* kHostUtf16 =
    std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

const UINT kCodePages[] = {
    437,   737,   775,   850,   852,   855,   857,   860,   861,   862,   863,   864,   865,
    866,   869,   874,   932,   936,   949,   950,   1200,  1201,  1250,  1251,  1252,  1253,
    1254,  1255,  1256,  1257,  1258,  1361,  10000, 10007, 10029, 12000, 12001, 20127, 20866,
    20932, 20936, 21866, 28591, 28592, 28593, 28594, 28595, 28596, 28597, 28598, 28599, 28603,
    28605, 38598, 50220, 50225, 51932, 51936, 51949, 54936, 65000, 65001};

// The whole input through one iconv descriptor, ended in the initial shift
// state; nothing when iconv stops anywhere.
std::optional<std::string> ThroughIconv(const char* to, const char* from, std::string_view in) {
    iconv_t descriptor = iconv_open(to, from);
    if (descriptor == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string out(in.size() * 4 + 16, '\0');
    char* input = const_cast<char*>(in.data());
    size_t left = in.size();
    char* output = out.data();
    size_t room = out.size();
    bool whole = iconv(descriptor, &input, &left, &output, &room) != static_cast<size_t>(-1) &&
                 iconv(descriptor, nullptr, nullptr, &output, &room) != static_cast<size_t>(-1);
    iconv_close(descriptor);
    if (!whole || left != 0) {
        return std::nullopt;
    }
    out.resize(out.size() - room);
    return out;
}

std::string_view BytesOf(const std::u16string& wide) {
    return {reinterpret_cast<const char*>(wide.data()), wide.size() * 2};
}

std::u16string UnitsOf(const std::string& bytes) {
    std::u16string wide(bytes.size() / 2, u'\0');
    std::memcpy(wide.data(), bytes.data(), wide.size() * 2);
    return wide;
}

std::u16string AsciiWide() {
    std::u16string wide;
    for (char16_t c = 1; c < 128; ++c) {
        wide += c;
    }
    return wide + u"+-~\\%+A-";
}

TEST(DirectConversion, AsciiTextGivesIconvsBytesInEveryCodePage) {
    const std::u16string wide = AsciiWide();
    const std::string bytes(wide.begin(), wide.end());
    for (UINT codePage : kCodePages) {
        const CodePageInfo* page = FindCodePage(codePage);
        ASSERT_NE(page, nullptr) << codePage;
        std::optional<std::string> encoded =
            ThroughIconv(page->iconvName, kHostUtf16, BytesOf(wide));
        if (encoded) {
            EXPECT_EQ(WideToMultiByte(codePage, wide), encoded) << page->iconvName;
        }
        std::optional<std::string> decoded = ThroughIconv(kHostUtf16, page->iconvName, bytes);
        if (decoded) {
            EXPECT_EQ(MultiByteToWide(codePage, bytes), UnitsOf(*decoded)) << page->iconvName;
        }
    }
}

TEST(DirectConversion, CodePagesThatWriteAsciiDifferentlyStillDoSo) {
    EXPECT_EQ(WideToMultiByte(65000, u"a+b"), "a+-b"); // UTF-7
    EXPECT_EQ(WideToMultiByte(864, u"5%"), "5?");      // no plain percent sign
    EXPECT_EQ(MultiByteToWide(50220, "\x1B$BF|K\\\x1B(Bx"), u"\u65e5\u672cx"); // escapes
    EXPECT_EQ(WideToMultiByte(1200, u"A"), std::string("A\0", 2));
    EXPECT_EQ(MultiByteToWide(65000, "a+-b"), u"a+b");
}

// Every scalar value, in runs of 4,096 so that each text mixes one, two,
// three and four-byte sequences.
TEST(DirectConversion, Utf8OfEveryCharacterMatchesIconv) {
    for (char32_t first = 0; first < 0x110000; first += 0x1000) {
        std::u16string wide;
        for (char32_t c = first; c < first + 0x1000; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF) {
                continue;
            }
            if (c >= 0x10000) {
                wide += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
                wide += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                wide += static_cast<char16_t>(c == 0 ? u'x' : c);
            }
        }
        std::optional<std::string> expected = ThroughIconv("UTF-8", kHostUtf16, BytesOf(wide));
        ASSERT_TRUE(expected.has_value());
        ASSERT_EQ(WideToMultiByte(65001, wide), expected)
            << std::hex << static_cast<unsigned>(first);
        ASSERT_EQ(MultiByteToWide(65001, *expected), wide)
            << std::hex << static_cast<unsigned>(first);
    }
}

// ASCII is widened in groups of sixteen or eight: characters of several
// bytes and broken ones at every place around a group must read as alone.
TEST(DirectConversion, Utf8AroundAsciiGroupsOfEveryLength) {
    for (size_t length = 0; length <= 40; ++length) {
        const std::string ascii(length, 'a');
        const std::u16string wideAscii(length, u'a');
        EXPECT_EQ(MultiByteToWide(65001, ascii + "\xC3\xA9" + ascii + "\xF0\x9D\x84\x9E" + ascii),
                  wideAscii + u"\u00e9" + wideAscii + u"\U0001D11E" + wideAscii)
            << length;
        EXPECT_EQ(MultiByteToWide(65001, ascii + "\xC3" + ascii), wideAscii + u"\ufffd" + wideAscii)
            << length;
        EXPECT_EQ(MultiByteToWide(65001, ascii + "\xE2\x82"), wideAscii + u"\ufffd") << length;
    }
}

TEST(DirectConversion, BrokenUtf8StillGetsOneStandInPerBrokenStart) {
    struct Case {
        const char* name;
        std::string bytes;
        std::u16string wide;
    } cases[] = {
        {"cut short at the end", "ok\xF0\x9D\x84", u"ok\ufffd"},
        {"continuation byte alone", "\x80z", u"\ufffdz"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", u"\ufffd\ufffd\ufffd\ufffd"},
        {"lead byte F5", "\xF5!", u"\ufffd!"},
        {"valid after broken", "\xE2\x82\xAC\xE2\x82", u"\u20ac\ufffd"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MultiByteToWide(65001, c.bytes), c.wide) << c.name;
    }
    char out[8] = {};
    EXPECT_EQ(MultiByteToWideChar(65001, MB_ERR_INVALID_CHARS, "a\xC3", 2, nullptr, 0), 0);
    EXPECT_EQ(
        WideCharToMultiByte(65001, WC_ERR_INVALID_CHARS, u"a\xdbff", 2, out, 8, nullptr, nullptr),
        0);
    EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
}

} // namespace
