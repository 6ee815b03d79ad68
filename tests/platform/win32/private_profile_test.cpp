#include "platform/win32/private_profile.h"
#include "tests/testkit/temp_folder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

namespace {

constexpr const char* kSample = "; a comment line\n"
                                "orphan=before any section\n"
                                "[Version]\n"
                                "  Signature =  \"Orvane.LangIniFile\"  \n"
                                "lang = English\n"
                                "single='quoted'\n"
                                "mismatched=\"open\n"
                                "lone=\"\n"
                                "empty=\n"
                                "bare line\n"
                                ";lang=commented out\n"
                                "lang=second English\n"
                                "[ Texts ]\n"
                                "Key=a=b\n"
                                "[version]\n"
                                "langid=ignored: the first section of a name counts\n";

std::string Read(const std::string& file, const char* section, const char* key,
                 const char* defaultValue = "<default>") {
    char buffer[256];
    GetPrivateProfileStringA(section, key, defaultValue, buffer, sizeof buffer, file.c_str());
    return buffer;
}

// Turns a zero-separated list into "a|b|c".
std::string Joined(const char* list, DWORD length) {
    std::string text(list, length);
    for (char& c : text) {
        c = c == '\0' ? '|' : c;
    }
    return text;
}

TEST(GetPrivateProfileString, FindsValuesAsWindowsDoes) {
    TempFolder folder;
    std::string file = folder.Write("sample.ini", kSample);
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {"version", "signature", "Orvane.LangIniFile"}, // case, blanks and quotes
        {"VERSION", "LANG", "English"},                 // the first key of a name counts
        {"version", "single", "quoted"},
        {"version", "mismatched", "\"open"},
        {"version", "lone", "\""},
        {"version", "empty", ""},
        {"version", "bare line", "<default>"}, // a line without "=" has no value
        {"version", "langid", "<default>"},    // the second [version] is not read
        {"texts", "key", "a=b"},
        {"version", "orphan", "<default>"},
        {"missing", "lang", "<default>"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Read(file, c.section, c.key), c.expected) << c.section << "/" << c.key;
    }
}

TEST(GetPrivateProfileString, MissingFileGivesTheDefaultAndFileNotFound) {
    TempFolder folder;
    SetLastError(0);
    EXPECT_EQ(Read(folder.File("absent.ini"), "version", "lang", "fallback  "), "fallback");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Read(folder.Path(), "version", "lang", nullptr), "");
}

TEST(GetPrivateProfileString, TruncatesToTheBuffer) {
    TempFolder folder;
    std::string file = folder.Write("sample.ini", kSample);
    char buffer[8] = "xxxxxxx";
    EXPECT_EQ(GetPrivateProfileStringA("version", "signature", "", buffer, 5, file.c_str()), 4u);
    EXPECT_STREQ(buffer, "Orva");
    EXPECT_EQ(GetPrivateProfileStringA("version", "signature", "", buffer, 0, file.c_str()), 0u);
    EXPECT_EQ(GetPrivateProfileStringA("version", "missing", "defaults", buffer, 4, file.c_str()),
              3u);
    EXPECT_STREQ(buffer, "def");
}

TEST(GetPrivateProfileString, ListsSectionAndKeyNames) {
    TempFolder folder;
    std::string file = folder.Write("sample.ini", kSample);
    char buffer[256];
    DWORD length = GetPrivateProfileSectionNamesA(buffer, sizeof buffer, file.c_str());
    EXPECT_EQ(Joined(buffer, length + 1), "Version|Texts|version||");
    length = GetPrivateProfileStringA("texts", nullptr, "", buffer, sizeof buffer, file.c_str());
    EXPECT_EQ(Joined(buffer, length + 1), "Key||");
    length = GetPrivateProfileStringA(nullptr, nullptr, "", buffer, 11, file.c_str());
    EXPECT_EQ(length, 9u);
    EXPECT_EQ(Joined(buffer, 11), "Version|T||");
    length = GetPrivateProfileStringA("missing", nullptr, "", buffer, sizeof buffer, file.c_str());
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(buffer[0], '\0');
}

TEST(GetPrivateProfileString, ReadsCrLfFilesWithAByteOrderMark) {
    TempFolder folder;
    std::string file = folder.Write("bom.ini", "\xEF\xBB\xBF[version]\r\nlang=English\r\n");
    EXPECT_EQ(Read(file, "version", "lang"), "English");
}

TEST(GetPrivateProfileString, SeesAFileChangeOfTheSameSize) {
    TempFolder folder;
    std::string file = folder.Write("changing.ini", "[s]\nk=first\n");
    EXPECT_EQ(Read(file, "s", "k"), "first");
    folder.Write("changing.ini", "[s]\nk=later\n");
    timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    EXPECT_EQ(Read(file, "s", "k"), "later");
}

TEST(GetPrivateProfileInt, ReadsLeadingDecimalNumbers) {
    TempFolder folder;
    std::string file = folder.Write("numbers.ini", "[n]\nplain=42\nnegative=-5\nsigned=+7\n"
                                                   "trailing=12abc\nwords=abc\nempty=\n");
    auto read = [&](const char* key) { return GetPrivateProfileIntA("n", key, 99, file.c_str()); };
    EXPECT_EQ(read("plain"), 42u);
    EXPECT_EQ(read("negative"), static_cast<UINT>(-5));
    EXPECT_EQ(read("signed"), 7u);
    EXPECT_EQ(read("trailing"), 12u);
    EXPECT_EQ(read("words"), 0u);
    EXPECT_EQ(read("empty"), 99u);
    EXPECT_EQ(read("missing"), 99u);
}

} // namespace
