#include "platform/win32/files.h"
#include "platform/win32/paths.h"
#include "tests/testkit/temp_folder.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(Paths, JoinAndSplit) {
    struct Join {
        const char* folder;
        const char* name;
        const char* joined;
    };
    const Join joins[] = {
        {"out", "a.ics", "out/a.ics"},
        {"out/", "a.ics", "out/a.ics"},
        {"", "a.ics", "a.ics"},
        {"out", "/tmp/a.ics", "/tmp/a.ics"},
        {"out", "", "out"},
        {"/", "a.ics", "/a.ics"},
    };
    for (const Join& j : joins) {
        EXPECT_EQ(JoinPath(j.folder, j.name), j.joined) << j.folder << " + " << j.name;
    }
    struct Split {
        const char* path;
        const char* folder;
        const char* name;
    };
    const Split splits[] = {
        {"out/cal/a.ics", "out/cal", "a.ics"},
        {"a.ics", "", "a.ics"},
        {"/a.ics", "/", "a.ics"},
        {"out/", "out", ""},
    };
    for (const Split& s : splits) {
        EXPECT_EQ(FolderOf(s.path), s.folder) << s.path;
        EXPECT_EQ(FileNameOf(s.path), s.name) << s.path;
    }
}

TEST(Paths, CombineRefusesWhatDoesNotFit) {
    char result[MAX_PATH];
    EXPECT_STREQ(PathCombineA(result, "out", "a.ics"), "out/a.ics");
    std::string longName(MAX_PATH - 4, 'n');
    EXPECT_EQ(PathCombineA(result, "out", longName.c_str()), nullptr);
    EXPECT_STREQ(result, "");
    std::string fits(MAX_PATH - 5, 'n');
    EXPECT_NE(PathCombineA(result, "out", fits.c_str()), nullptr);
}

TEST(Paths, ExistenceOfFilesAndFolders) {
    TempFolder folder;
    std::string file = folder.Write("a.ics", "");
    EXPECT_TRUE(PathFileExistsA(file.c_str()));
    EXPECT_TRUE(PathFileExistsA(folder.Path().c_str()));
    EXPECT_FALSE(PathFileExistsA(folder.File("b.ics").c_str()));
    EXPECT_FALSE(PathIsDirectoryA(file.c_str()));
    EXPECT_TRUE(PathIsDirectoryA(folder.Path().c_str()));
    EXPECT_TRUE(IsDirectory(folder.Path()));
    EXPECT_FALSE(PathExists(folder.File("b.ics")));
}

TEST(ReadWholeFile, ReadsEveryByte) {
    TempFolder folder;
    std::string content("\xFF\xFE"
                        "B\0E\0G\0",
                        8);
    content += std::string(200000, 'x');
    std::string bytes = "stale";
    ASSERT_TRUE(ReadWholeFile(folder.Write("u.ics", content), bytes));
    EXPECT_EQ(bytes, content);
    ASSERT_TRUE(ReadWholeFile(folder.Write("empty.ics", ""), bytes));
    EXPECT_EQ(bytes, "");
}

TEST(ReadWholeFile, ReportsWhyItCannot) {
    TempFolder folder;
    std::string bytes;
    EXPECT_FALSE(ReadWholeFile(folder.File("none.ics"), bytes));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    std::string path = folder.Write("held.ics", "x");
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(ReadWholeFile(path, bytes));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    CloseHandle(writer);
}

} // namespace
