#include "engine/common/v_sync_char_converter.h"
#include "platform/win32/registry.h"
#include "tests/engine/common/catalogue_folder.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kCatalogue = "UTF-8|UTF-8|65001\r\n"
                                   "Western European (Windows)|windows-1252|1252\r\n"
                                   "Cyrillic (ISO)|iso-8859-5|28595\r\n"
                                   "Japanese (Shift-JIS)|Shift_JIS|932\r\n"
                                   "Chinese Simplified (GBK)|GBK|936\r\n"
                                   "Latin 1|latin1|1252\r\n"
                                   "Cyrillic (ISO)|koi8|20866\r\n"
                                   "Made up|x-made-up|4242\r\n";

// The machine's ANSI code page for one test.
class ScopedAcp {
public:
    explicit ScopedAcp(const char* value) {
        RegistryReset();
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", 0,
                        nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        RegSetValueExA(key, "ACP", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>(std::string(value).size() + 1));
        RegCloseKey(key);
    }
    ~ScopedAcp() { RegistryReset(); }
};

class ConverterTest : public testing::Test {
protected:
    CatalogueFolder folder_{std::string(kCatalogue)};
    vSyncCharConverter converter_;
};

TEST_F(ConverterTest, NameLookupsWithLaterEntriesWinning) {
    EXPECT_EQ(converter_.CodePageOfCharsetName("UTF-8"), 65001);
    EXPECT_EQ(converter_.CodePageOfCharsetName("utf-8"), kUnknownCodePage);
    EXPECT_EQ(converter_.CodePageOfCharsetName("GBK "), kUnknownCodePage);
    EXPECT_EQ(converter_.CodePageOfCharsetName(""), kAnsiCodePage);
    EXPECT_EQ(converter_.CodePageOfDisplayName("Japanese (Shift-JIS)"), 932);
    EXPECT_EQ(converter_.CodePageOfDisplayName("Cyrillic (ISO)"), 20866);
    EXPECT_EQ(converter_.CodePageOfDisplayName("cyrillic (iso)"), kUnknownCodePage);
    EXPECT_EQ(converter_.CodePageOfDisplayName(""), kAnsiCodePage);
    EXPECT_EQ(converter_.CharsetNameOf(1252), "latin1");
    EXPECT_EQ(converter_.CharsetNameOf(28595), "iso-8859-5");
    EXPECT_EQ(converter_.CharsetNameOf(28591), "");
    EXPECT_EQ(converter_.CharsetNameOf(kAnsiCodePage), "");
    EXPECT_EQ(converter_.CharsetNameOf(kUnknownCodePage), "");
    EXPECT_EQ(converter_.Encodings().Entries().size(), 8u);
}

TEST_F(ConverterTest, SelectionSetsTheCurrentCharset) {
    EXPECT_EQ(converter_.CurrentCodePage(), kAnsiCodePage);
    EXPECT_TRUE(converter_.IsEmptyName(converter_.CurrentCharsetName()));
    EXPECT_EQ(converter_.SelectByDisplayName("Western European (Windows)"), 1252);
    EXPECT_EQ(converter_.CurrentCharsetName(), "latin1");
    EXPECT_EQ(converter_.SelectByCharsetName("Shift_JIS"), 932);
    EXPECT_EQ(converter_.CurrentCharsetName(), "Shift_JIS");
    EXPECT_FALSE(converter_.IsEmptyName(converter_.CurrentCharsetName()));
    EXPECT_EQ(converter_.SelectByCharsetName("x-unheard-of"), kUnknownCodePage);
    EXPECT_EQ(converter_.CurrentCharsetName(), "");
    EXPECT_EQ(converter_.SelectByDisplayName(""), kAnsiCodePage);
    EXPECT_EQ(converter_.CurrentCodePage(), kAnsiCodePage);
}

struct ByName {
    const char* charset;
    std::u16string wide;
    std::string bytes;
};

TEST_F(ConverterTest, ConvertsByCharsetNameBothWays) {
    const ByName rows[] = {
        {"UTF-8", u"Caf\u00e9 \u20ac", "Caf\xC3\xA9 \xE2\x82\xAC"},
        {"latin1", u"Caf\u00e9 \u20ac", "Caf\xE9 \x80"},
        {"Shift_JIS", u"\u65e5\u672c", "\x93\xFA\x96\x7B"},
    };
    for (const ByName& row : rows) {
        std::string bytes;
        EXPECT_EQ(converter_.FromUnicodeByName(row.charset, row.wide, bytes),
                  static_cast<int>(row.bytes.size()))
            << row.charset;
        EXPECT_EQ(bytes, row.bytes) << row.charset;
        std::u16string wide;
        converter_.ToUnicodeByName(row.charset, row.bytes, wide);
        EXPECT_EQ(wide, row.wide) << row.charset;
    }
    std::string bytes;
    EXPECT_EQ(converter_.FromUnicodeByName("latin1", u"\u0416uk", bytes), 3);
    EXPECT_EQ(bytes, "?uk");
}

TEST_F(ConverterTest, ConvertingIntoAReusedBufferEmptiesItOnFailure) {
    std::string bytes = "an earlier text";
    EXPECT_TRUE(converter_.ConvertFromUnicode(65001, u"\u00e9", bytes));
    EXPECT_EQ(bytes, "\xC3\xA9");
    EXPECT_FALSE(converter_.ConvertFromUnicode(kUnknownCodePage, u"text", bytes));
    EXPECT_EQ(bytes, "");
    bytes = "again";
    EXPECT_FALSE(converter_.ConvertFromUnicode(65001, u"", bytes));
    EXPECT_EQ(bytes, "");
}

TEST_F(ConverterTest, FailuresLeaveTheOutputUntouched) {
    std::string bytes = "before";
    std::u16string wide = u"before";
    EXPECT_EQ(converter_.FromUnicodeByName("x-unheard-of", u"text", bytes), kUnknownCodePage);
    EXPECT_EQ(converter_.FromUnicode(kUnknownCodePage, u"text", bytes), kUnknownCodePage);
    EXPECT_EQ(converter_.FromUnicodeByName("x-made-up", u"text", bytes), kUnknownCodePage);
    EXPECT_EQ(converter_.FromUnicode(65001, u"", bytes), kUnknownCodePage);
    EXPECT_EQ(bytes, "before");
    converter_.ToUnicodeByName("x-unheard-of", "text", wide);
    converter_.ToUnicode(kUnknownCodePage, "text", wide);
    converter_.ToUnicodeByName("x-made-up", "text", wide);
    converter_.ToUnicode(65001, "", wide);
    EXPECT_EQ(wide, u"before");
}

TEST_F(ConverterTest, MinusOneMeansTheAnsiCodePage) {
    {
        ScopedAcp acp("1252");
        std::string bytes;
        EXPECT_EQ(converter_.FromUnicode(kAnsiCodePage, u"\u00e9\u0416", bytes), 2);
        EXPECT_EQ(bytes, "\xE9?");
        std::u16string wide;
        converter_.ToUnicodeByName("", "\xE9", wide);
        EXPECT_EQ(wide, u"\u00e9");
    }
    {
        ScopedAcp acp("65001");
        std::string bytes;
        EXPECT_EQ(converter_.FromUnicodeByName("", u"\u00e9\u0416", bytes), 4);
        EXPECT_EQ(bytes, "\xC3\xA9\xD0\x96");
        std::u16string wide;
        converter_.ToUnicode(kAnsiCodePage, "\xC3\xA9", wide);
        EXPECT_EQ(wide, u"\u00e9");
    }
}

} // namespace
