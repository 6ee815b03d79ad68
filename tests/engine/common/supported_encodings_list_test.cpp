#include "engine/common/supported_encodings_list.h"
#include "platform/win32/code_page.h"
#include "tests/engine/common/catalogue_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

static void PrintTo(const EncodingEntry& entry, std::ostream* out) {
    *out << "{" << entry.DisplayName << "|" << entry.CharsetName << "|" << entry.CodePage << "}";
}

namespace {

using Entries = std::vector<EncodingEntry>;

const Entries kUtf8Only = {{"UTF-8", "UTF-8", 65001}};

struct GoodCase {
    const char* name;
    std::string file;
    Entries expected;
};

TEST(SupportedEncodingsList, ReadsGoodCatalogues) {
    const GoodCase cases[] = {
        {"one line",
         "Western European|iso-8859-1|28591",
         {{"Western European", "iso-8859-1", 28591}}},
        {"CR LF and file order",
         "UTF-8|UTF-8|65001\r\nCyrillic (KOI8-R)|KOI8-R|20866\r\n",
         {{"UTF-8", "UTF-8", 65001}, {"Cyrillic (KOI8-R)", "KOI8-R", 20866}}},
        {"runs of line breaks between lines",
         "A|a|1252\r\r\n\n\rB|b|932\n\n",
         {{"A", "a", 1252}, {"B", "b", 932}}},
        {"lone CR ends a line", "A|a|1252\rB|b|932", {{"A", "a", 1252}, {"B", "b", 932}}},
        {"runs of bars and leading bars", "||A|||a||1252", {{"A", "a", 1252}}},
        {"fields kept untrimmed", " A  | a |1252", {{" A  ", " a ", 1252}}},
        {"further fields ignored", "A|a|1252|whatever|more", {{"A", "a", 1252}}},
        {"number read as strtol does", "A|a| 28591 (Latin 1)", {{"A", "a", 28591}}},
        {"empty file", "", {}},
        {"leading line break yields nothing", "\r\nA|a|1252\r\n", {}},
        {"text ends at a NUL byte", std::string("A|a|1252\n\0B|b", 13), {{"A", "a", 1252}}},
    };
    for (const GoodCase& c : cases) {
        CatalogueFolder folder(c.file);
        SupportedEncodingsList list;
        EXPECT_EQ(list.Entries(), c.expected) << c.name;
        EXPECT_TRUE(folder.Boxes().empty()) << c.name;
    }
}

TEST(SupportedEncodingsList, OneBadLineFallsBackToUtf8WithOneWarning) {
    const char* badFiles[] = {
        "UTF-8||65001",
        "UTF-8|UTF-8|abc",
        "Western|windows-1252|1252\r\nUTF-8|UTF-8|abc\r\nGreek|iso-8859-7|28597",
        "A|a|0",
        "A|a",
        "just a name",
        "A|a|1252\r\n|||\r\n",
        "A|a|-",
    };
    for (const char* file : badFiles) {
        SetActiveWindow(reinterpret_cast<HWND>(std::uintptr_t{0x77}));
        CatalogueFolder folder((std::string(file)));
        SupportedEncodingsList list;
        SetActiveWindow(nullptr);
        EXPECT_EQ(list.Entries(), kUtf8Only) << file;
        ASSERT_EQ(folder.Boxes().size(), 1u) << file;
        const ShownBox& box = folder.Boxes()[0];
        EXPECT_EQ(box.text, "text of IDS_ERR_ENC_FILE_NOT_FOUND");
        EXPECT_EQ(box.caption, "text of IDS_APP_TITLE");
        EXPECT_EQ(box.type, MB_OK | MB_ICONWARNING);
        EXPECT_EQ(box.owner, reinterpret_cast<HWND>(std::uintptr_t{0x77}));
    }
}

TEST(SupportedEncodingsList, UnreadableCatalogueFallsBackToUtf8) {
    {
        CatalogueFolder folder(std::nullopt);
        SupportedEncodingsList list;
        EXPECT_EQ(list.Entries(), kUtf8Only);
        EXPECT_EQ(folder.Boxes().size(), 1u);
    }
    {
        CatalogueFolder folder(std::nullopt);
        std::filesystem::create_directory(folder.Folder().File("supportedEncodings.txt"));
        SupportedEncodingsList list;
        EXPECT_EQ(list.Entries(), kUtf8Only);
        EXPECT_EQ(folder.Boxes().size(), 1u);
    }
}

TEST(SupportedEncodingsList, ShippedCatalogueLoadsAndEveryCodePageConverts) {
    CatalogueFolder folder(std::nullopt);
    SetModuleFolder(""); // the build's own folder, where the resources are copied
    SupportedEncodingsList list;
    ASSERT_TRUE(folder.Boxes().empty());
    ASSERT_GT(list.Entries().size(), 20u);
    EXPECT_EQ(list.Entries()[0], kUtf8Only[0]);
    std::set<std::string> charsetNames;
    for (const EncodingEntry& entry : list.Entries()) {
        EXPECT_TRUE(charsetNames.insert(entry.CharsetName).second) << entry.CharsetName;
        auto codePage = static_cast<UINT>(entry.CodePage);
        EXPECT_EQ(WideToMultiByte(codePage, u"Plan 9, room B").value_or("<failed>"),
                  "Plan 9, room B")
            << entry.CharsetName;
        EXPECT_EQ(MultiByteToWide(codePage, "Plan 9").value_or(u"<failed>"), u"Plan 9")
            << entry.CharsetName;
    }
}

} // namespace
