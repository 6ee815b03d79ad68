#include "platform/win32/find_file.h"
#include "tests/testkit/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Found {
    std::string name;
    DWORD attributes;
    DWORD size;
};

// Every entry the search yields, and the error that ended it.
std::vector<Found> Search(const std::string& pattern, DWORD& endError) {
    std::vector<Found> found;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) {
        endError = GetLastError();
        return found;
    }
    do {
        found.push_back({data.cFileName, data.dwFileAttributes, data.nFileSizeLow});
    } while (FindNextFileA(search, &data));
    endError = GetLastError();
    EXPECT_EQ(FindClose(search), TRUE);
    return found;
}

std::vector<std::string> Names(const std::vector<Found>& found) {
    std::vector<std::string> names;
    for (const Found& entry : found) {
        names.push_back(entry.name);
    }
    return names;
}

TEST(FileMask, MatchesLikeWindows) {
    struct Case {
        const char* name;
        const char* mask;
        bool matches;
    };
    const Case cases[] = {
        {"a.ics", "*.?cs", true},
        {"B.VCS", "*.?cs", true},
        {"c.xcs", "*.?cs", true},
        {"d.cs", "*.?cs", false},
        {"e.icsx", "*.?cs", false},
        {"x.y.ics", "*.?cs", true},
        {".ics", "*.?cs", true},
        {"de.ini", "*.ini", true},
        {"DE.INI", "*.ini", true},
        {"de.ini.bak", "*.ini", false},
        {"ini", "*.ini", false},
        {"anything", "*", true},
        {"", "*", true},
        {"noext", "*.*", true},
        {"a.b", "*.*", true},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"abbc", "a*c", true},
        {"abcd", "a*c", false},
        {"aXbXc", "a*b*c", true},
        {"Name.ICS", "name.ics", true},
        {"name.ics", "name.vcs", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchesFileMask(c.name, c.mask), c.matches) << c.name << " ~ " << c.mask;
    }
}

TEST(FindFile, FindsMatchingNamesInCaseInsensitiveOrder) {
    TempFolder folder;
    for (const char* name : {"b.VCS", "a.ics", "C.ICS", "d.cs", "e.xcs", "f.ics.bak", "g.txt"}) {
        folder.Write(name, "12345");
    }
    std::filesystem::create_directory(folder.File("h.ics"));
    DWORD endError = 0;
    std::vector<Found> found = Search(folder.File("*.?cs"), endError);
    EXPECT_EQ(Names(found),
              (std::vector<std::string>{"a.ics", "b.VCS", "C.ICS", "e.xcs", "h.ics"}));
    EXPECT_EQ(endError, static_cast<DWORD>(ERROR_NO_MORE_FILES));
    ASSERT_EQ(found.size(), 5u);
    EXPECT_EQ(found[0].size, 5u);
    EXPECT_EQ(found[0].attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_NE(found[4].attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST(FindFile, StarListsEverythingWithDotEntries) {
    TempFolder folder;
    folder.Write("lang.ini", "");
    DWORD endError = 0;
    std::vector<Found> found = Search(folder.File("*"), endError);
    EXPECT_EQ(Names(found), (std::vector<std::string>{".", "..", "lang.ini"}));
    EXPECT_NE(found[0].attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST(FindFile, ReportsMissingMatchesAndFolders) {
    TempFolder folder;
    folder.Write("a.txt", "");
    DWORD endError = 0;
    EXPECT_TRUE(Search(folder.File("*.ini"), endError).empty());
    EXPECT_EQ(endError, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(Search(folder.File("none/*.ini"), endError).empty());
    EXPECT_EQ(endError, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(Search(folder.File("a.txt/*"), endError).empty());
    EXPECT_EQ(endError, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(FindFile, SearchHandlesCloseOnce) {
    TempFolder folder;
    folder.Write("a.ics", "");
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(folder.File("*.ics").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "a.ics");
    EXPECT_EQ(FindClose(search), TRUE);
    EXPECT_EQ(FindClose(search), FALSE);
    EXPECT_EQ(FindNextFileA(search, &data), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

} // namespace
