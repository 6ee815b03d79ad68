#include "platform/win32/code_page.h"
#include "platform/win32/registry.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kCodePageKey = "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage";

// Sets the machine's ANSI code page value for one test; null removes it.
class ScopedAcp {
public:
    explicit ScopedAcp(const char* value) {
        RegistryReset();
        if (value != nullptr) {
            HKEY key = nullptr;
            EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kCodePageKey, 0, nullptr, 0,
                                      KEY_ALL_ACCESS, nullptr, &key, nullptr),
                      ERROR_SUCCESS);
            EXPECT_EQ(RegSetValueExA(key, "ACP", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                     static_cast<DWORD>(std::string(value).size() + 1)),
                      ERROR_SUCCESS);
            RegCloseKey(key);
        }
    }
    ~ScopedAcp() { RegistryReset(); }
};

std::string Encode(UINT codePage, std::u16string_view wide) {
    return WideToMultiByte(codePage, wide).value_or("<failed>");
}

std::u16string Decode(UINT codePage, std::string_view bytes) {
    return MultiByteToWide(codePage, bytes).value_or(u"<failed>");
}

struct RoundTrip {
    const char* name;
    UINT codePage;
    std::u16string wide;
    std::string bytes;
};

const RoundTrip kRoundTrips[] = {
    {"UTF-8", 65001, u"Gr\u00fc\u00dfe \u20ac \U0001D11E",
     "Gr\xC3\xBC\xC3\x9F"
     "e \xE2\x82\xAC \xF0\x9D\x84\x9E"},
    {"windows-1252", 1252, u"caf\u00e9 \u20ac\u2019", "caf\xE9 \x80\x92"},
    {"ISO-8859-5", 28595, u"\u0416\u0443\u043a \u2116", "\xB6\xE3\xDA \xF0"},
    {"Shift_JIS", 932, u"\u65e5\u672c \u30a2\uff71", "\x93\xFA\x96\x7B \x83\x41\xB1"},
    {"GBK", 936, u"\u4e2d\u6587 \u20ac", "\xD6\xD0\xCE\xC4 \x80"},
    {"ISO-2022-JP", 50220, u"\u65e5\u672cx", "\x1B$BF|K\\\x1B(Bx"},
    {"UTF-16LE", 1200, u"A\u20ac", std::string("A\0\xAC\x20", 4)},
};

TEST(CodePageConversion, ExactBytesBothWays) {
    for (const RoundTrip& row : kRoundTrips) {
        EXPECT_EQ(Encode(row.codePage, row.wide), row.bytes) << row.name;
        EXPECT_EQ(Decode(row.codePage, row.bytes), row.wide) << row.name;
    }
}

TEST(CodePageConversion, MissingCharactersBecomeQuestionMarks) {
    EXPECT_EQ(Encode(1252, u"\u0416uk \u65e5"), "?uk ?");
    EXPECT_EQ(Encode(28595, u"\u00e9\u20ac\u0416"), "??\xB6");
    EXPECT_EQ(Encode(932, u"\u20ac\ud55c\u65e5"), "??\x93\xFA");
    EXPECT_EQ(Encode(936, u"\ud55c\u4e2d"), "?\xD6\xD0");
    EXPECT_EQ(Encode(1252, u"\U0001D11E!"), "?!"); // one character, two units
}

TEST(CodePageConversion, BrokenInputIsReplaced) {
    EXPECT_EQ(Decode(65001, "a\xFF"
                            "b"),
              u"a\ufffdb");
    EXPECT_EQ(Decode(65001, "a\xE2\x82"), u"a\ufffd");               // cut short: one stand-in
    EXPECT_EQ(Decode(65001, "\xC0\x80x"), u"\ufffd\ufffdx");         // overlong
    EXPECT_EQ(Decode(65001, "\xED\xA0\x80"), u"\ufffd\ufffd\ufffd"); // encoded surrogate
    EXPECT_EQ(Decode(932, "\x93\xFA\x93"), u"\u65e5\ufffd");
    EXPECT_EQ(Encode(65001, u"a\xd800"
                            "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(Encode(65001, u"\xdc00"), "\xEF\xBF\xBD");
    EXPECT_EQ(Encode(1252, u"a\xd800"), "a?");
}

TEST(CodePageConversion, LongTextWithFailuresInside) {
    std::u16string wide(5000, u'x');
    wide[10] = u'\u0416';
    wide[4999] = u'\u0416';
    std::string expected(5000, 'x');
    expected[10] = '?';
    expected[4999] = '?';
    EXPECT_EQ(Encode(1252, wide), expected);
    std::string bytes(6000, 'y');
    bytes[3000] = '\xFF';
    std::u16string decoded = Decode(65001, bytes);
    ASSERT_EQ(decoded.size(), 6000u);
    EXPECT_EQ(decoded[3000], u'\ufffd');
    EXPECT_EQ(decoded[5999], u'y');
}

TEST(CodePageConversion, UnknownCodePagesAndEmptyText) {
    EXPECT_FALSE(WideToMultiByte(12345, u"x").has_value());
    EXPECT_FALSE(MultiByteToWide(static_cast<UINT>(-2), "x").has_value());
    EXPECT_EQ(WideToMultiByte(1252, u"").value_or("<failed>"), "");
    EXPECT_EQ(MultiByteToWide(932, "").value_or(u"<failed>"), u"");
    EXPECT_TRUE(IsValidCodePage(28605));
    EXPECT_FALSE(IsValidCodePage(12345));
}

TEST(CodePageConversion, IntoAReusedBufferNothingOfTheLastTextStays) {
    // Each route: UTF-8, ASCII copied directly, and iconv.
    std::string out = "a much longer text converted before";
    ASSERT_TRUE(WideToMultiByte(65001, u"\u00e9t\u00e9", out));
    EXPECT_EQ(out, "\xC3\xA9t\xC3\xA9");
    ASSERT_TRUE(WideToMultiByte(1252, u"plain", out));
    EXPECT_EQ(out, "plain");
    ASSERT_TRUE(WideToMultiByte(1252, u"\u20ac\u0416", out));
    EXPECT_EQ(out, "\x80?");
    ASSERT_TRUE(WideToMultiByte(932, u"", out));
    EXPECT_EQ(out, "");
    EXPECT_FALSE(WideToMultiByte(12345, u"x", out));
}

TEST(WideCharToMultiByte, SizeQueryThenConversion) {
    const char16_t wide[] = u"\u00e9t\u00e9";
    EXPECT_EQ(WideCharToMultiByte(65001, 0, wide, 3, nullptr, 0, nullptr, nullptr), 5);
    char out[8] = "ZZZZZZZ";
    EXPECT_EQ(WideCharToMultiByte(65001, 0, wide, 3, out, 5, nullptr, nullptr), 5);
    EXPECT_EQ(std::string(out, 6), "\xC3\xA9t\xC3\xA9Z");
    // Length -1 includes the terminating null.
    EXPECT_EQ(WideCharToMultiByte(1252, 0, wide, -1, out, 8, nullptr, nullptr), 4);
    EXPECT_EQ(std::string(out, 4), std::string("\xE9t\xE9\0", 4));
}

TEST(WideCharToMultiByte, FailuresLeaveTheOutputAlone) {
    struct Case {
        const char* name;
        UINT codePage;
        DWORD flags;
        int length;
        int outSize;
        LONG error;
    } cases[] = {
        {"buffer too small", 1252, 0, 3, 2, ERROR_INSUFFICIENT_BUFFER},
        {"unknown code page", 4242, 0, 3, 8, ERROR_INVALID_PARAMETER},
        {"empty input", 1252, 0, 0, 8, ERROR_INVALID_PARAMETER},
        {"negative length", 1252, 0, -5, 8, ERROR_INVALID_PARAMETER},
        {"unknown flag", 1252, 0x10000, 3, 8, ERROR_INVALID_FLAGS},
        {"strict on a single-byte code page", 1252, WC_ERR_INVALID_CHARS, 3, 8,
         ERROR_INVALID_FLAGS},
    };
    for (const Case& c : cases) {
        char out[8] = "ZZZZZZZ";
        SetLastError(0);
        EXPECT_EQ(WideCharToMultiByte(c.codePage, c.flags, u"abc", c.length, out, c.outSize,
                                      nullptr, nullptr),
                  0)
            << c.name;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(c.error)) << c.name;
        EXPECT_EQ(std::string(out), "ZZZZZZZ") << c.name;
    }
}

TEST(WideCharToMultiByte, DefaultCharacterAndItsReport) {
    char out[8] = {};
    BOOL used = FALSE;
    EXPECT_EQ(WideCharToMultiByte(1252, 0, u"a\u0416", 2, out, 8, "#", &used), 2);
    EXPECT_EQ(std::string(out, 2), "a#");
    EXPECT_EQ(used, TRUE);
    EXPECT_EQ(WideCharToMultiByte(1252, 0, u"ab", 2, out, 8, nullptr, &used), 2);
    EXPECT_EQ(used, FALSE);
    // UTF-8 has no default character: asking for one is an error.
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(65001, 0, u"ab", 2, out, 8, nullptr, &used), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(WideCharToMultiByte, StrictUtf8RefusesUnpairedSurrogates) {
    char out[8] = {};
    SetLastError(0);
    EXPECT_EQ(
        WideCharToMultiByte(65001, WC_ERR_INVALID_CHARS, u"a\xdc00", 2, out, 8, nullptr, nullptr),
        0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(WideCharToMultiByte(65001, WC_ERR_INVALID_CHARS, u"\U0001F600", 2, out, 8, nullptr,
                                  nullptr),
              4);
}

TEST(MultiByteToWideChar, SizeQueryConversionAndFailures) {
    EXPECT_EQ(MultiByteToWideChar(932, 0, "\x93\xFA\x96\x7B", 4, nullptr, 0), 2);
    char16_t out[4] = {u'Z', u'Z', u'Z', u'Z'};
    EXPECT_EQ(MultiByteToWideChar(932, 0, "\x93\xFA\x96\x7B", 4, out, 4), 2);
    EXPECT_EQ(std::u16string(out, 3), u"\u65e5\u672cZ");

    char16_t untouched[2] = {u'Z', u'Z'};
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(65001, 0, "abc", 3, untouched, 2), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(MultiByteToWideChar(65001, MB_ERR_INVALID_CHARS, "a\xFF", 2, untouched, 2), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(MultiByteToWideChar(77777, 0, "a", 1, untouched, 2), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(std::u16string(untouched, 2), u"ZZ");
}

TEST(AnsiCodePage, ComesFromTheRegistry) {
    {
        ScopedAcp acp("1252");
        EXPECT_EQ(GetACP(), 1252u);
        EXPECT_EQ(WideToAnsi(u"\u00e9\u20ac\u0416"), "\xE9\x80?");
        EXPECT_EQ(AnsiToWide("\xE9"), u"\u00e9");
        char out[4] = {};
        EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u00e9", 1, out, 4, nullptr, nullptr), 1);
        EXPECT_EQ(out[0], '\xE9');
    }
    {
        ScopedAcp acp("65001");
        EXPECT_EQ(GetACP(), 65001u);
        EXPECT_EQ(WideToAnsi(u"\u00e9\u0416"), "\xC3\xA9\xD0\x96");
        EXPECT_EQ(AnsiToWide("\xC3\xA9"), u"\u00e9");
    }
}

TEST(AnsiCodePage, FollowsEveryChangeOfTheValue) {
    ScopedAcp acp("1252");
    EXPECT_EQ(GetACP(), 1252u);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCodePageKey, 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "ACP", 0, REG_SZ, reinterpret_cast<const BYTE*>("1251"), 5),
              ERROR_SUCCESS);
    EXPECT_EQ(GetACP(), 1251u);
    EXPECT_EQ(WideToAnsi(u"\u0416"), "\xC6");
    ASSERT_EQ(RegDeleteValueA(key, "ACP"), ERROR_SUCCESS);
    EXPECT_EQ(GetACP(), 65001u);
    RegCloseKey(key);
}

TEST(AnsiCodePage, Utf8WhenAbsentOrUnusable) {
    for (const char* value : {static_cast<const char*>(nullptr), "", "abc", "1252x", "4242"}) {
        ScopedAcp acp(value);
        EXPECT_EQ(GetACP(), 65001u) << (value != nullptr ? value : "absent");
    }
}

} // namespace
