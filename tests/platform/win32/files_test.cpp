#include "platform/win32/file_faults.h"
#include "platform/win32/files.h"
#include "tests/testkit/temp_folder.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>

namespace {

HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

bool Write(HANDLE file, const std::string& bytes, DWORD* written = nullptr) {
    DWORD count = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &count, nullptr);
    if (written != nullptr) {
        *written = count;
    }
    return ok == TRUE;
}

TEST(CreateFile, DispositionsOnPresentAndAbsentFiles) {
    struct Case {
        const char* name;
        DWORD disposition;
        bool present;
        bool opens;
        DWORD lastError;
        const char* contentAfter; // null: no file
    };
    const Case cases[] = {
        {"create new, absent", CREATE_NEW, false, true, 0, ""},
        {"create new, present", CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
        {"create always, absent", CREATE_ALWAYS, false, true, 0, ""},
        {"create always, present", CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
        {"open existing, absent", OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {"open existing, present", OPEN_EXISTING, true, true, 0, "old"},
        {"open always, absent", OPEN_ALWAYS, false, true, 0, ""},
        {"open always, present", OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
        {"truncate existing, absent", TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND,
         nullptr},
        {"truncate existing, present", TRUNCATE_EXISTING, true, true, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        std::string path = c.present ? folder.Write("a.ics", "old") : folder.File("a.ics");
        SetLastError(12345);
        HANDLE file = Open(path, GENERIC_WRITE, FILE_SHARE_WRITE, c.disposition);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens);
        EXPECT_EQ(GetLastError(), c.lastError);
        if (file != INVALID_HANDLE_VALUE) {
            EXPECT_EQ(CloseHandle(file), TRUE);
        }
        EXPECT_EQ(std::filesystem::exists(path), c.contentAfter != nullptr);
        if (c.contentAfter != nullptr) {
            EXPECT_EQ(folder.Read("a.ics"), c.contentAfter);
        }
    }
}

TEST(CreateFile, PathErrors) {
    TempFolder folder;
    folder.Write("plain", "x");
    std::filesystem::create_directory(folder.File("sub"));
    struct Case {
        const char* name;
        std::string path;
        DWORD disposition;
        LONG error;
    };
    const Case cases[] = {
        {"folder missing", folder.File("none/a.ics"), CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {"file missing", folder.File("a.ics"), OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
        {"file in place of a folder", folder.File("plain/a.ics"), CREATE_ALWAYS,
         ERROR_PATH_NOT_FOUND},
        {"a folder", folder.File("sub"), OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {"a folder, created always", folder.File("sub"), CREATE_ALWAYS, ERROR_ACCESS_DENIED},
        {"no such disposition", folder.File("a.ics"), 9, ERROR_INVALID_PARAMETER},
        {"empty name", "", OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Open(c.path, GENERIC_WRITE, 0, c.disposition), INVALID_HANDLE_VALUE) << c.name;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(c.error)) << c.name;
    }
}

TEST(FileIo, WritesReadBackWithTheirSize) {
    TempFolder folder;
    std::string path = folder.File("a.vcs");
    HANDLE out = Open(path, GENERIC_WRITE, FILE_SHARE_WRITE, CREATE_ALWAYS);
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(Write(out, std::string("BEGIN:VCALENDAR\r\n\0x", 19), &written));
    EXPECT_EQ(written, 19u);
    char byte = 0;
    DWORD read = 7;
    EXPECT_EQ(ReadFile(out, &byte, 1, &read, nullptr), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(read, 0u);
    CloseHandle(out);

    HANDLE in = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    DWORD high = 99;
    EXPECT_EQ(GetFileSize(in, &high), 19u);
    EXPECT_EQ(high, 0u);
    char buffer[64];
    EXPECT_EQ(ReadFile(in, buffer, sizeof buffer, &read, nullptr), TRUE);
    EXPECT_EQ(std::string(buffer, read), std::string("BEGIN:VCALENDAR\r\n\0x", 19));
    EXPECT_EQ(ReadFile(in, buffer, sizeof buffer, &read, nullptr), TRUE);
    EXPECT_EQ(read, 0u);
    EXPECT_FALSE(Write(in, "x"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CloseHandle(in), TRUE);

    EXPECT_EQ(CloseHandle(in), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(Write(in, "x"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GetFileSize(in, nullptr), INVALID_FILE_SIZE);
}

TEST(FileSharing, SecondOpenNeedsTheFirstOnesShareMode) {
    const DWORD rw = FILE_SHARE_READ | FILE_SHARE_WRITE;
    struct Case {
        const char* name;
        DWORD firstAccess, firstShare, secondAccess, secondShare;
        bool allowed;
    };
    const Case cases[] = {
        {"writer shares nothing", GENERIC_WRITE, 0, GENERIC_READ, rw, false},
        {"two writers sharing writes", GENERIC_WRITE, FILE_SHARE_WRITE, GENERIC_WRITE,
         FILE_SHARE_WRITE, true},
        {"two readers sharing reads", GENERIC_READ, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ,
         true},
        {"reader shares no writes", GENERIC_READ, FILE_SHARE_READ, GENERIC_WRITE, rw, false},
        {"second refuses the first's writes", GENERIC_WRITE, rw, GENERIC_READ, FILE_SHARE_READ,
         false},
        {"second refuses the first's reads", GENERIC_READ, rw, GENERIC_WRITE, FILE_SHARE_WRITE,
         false},
        {"first queries only", 0, 0, GENERIC_READ, rw, true},
        {"second queries only", GENERIC_WRITE, 0, 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        std::string path = folder.Write("a.ics", "data");
        HANDLE first = Open(path, c.firstAccess, c.firstShare, OPEN_EXISTING);
        ASSERT_NE(first, INVALID_HANDLE_VALUE);
        HANDLE second = Open(path, c.secondAccess, c.secondShare, OPEN_EXISTING);
        EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.allowed);
        if (second != INVALID_HANDLE_VALUE) {
            CloseHandle(second);
        } else {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
            EXPECT_EQ(Open(path, c.secondAccess, c.secondShare, CREATE_ALWAYS),
                      INVALID_HANDLE_VALUE);
            EXPECT_EQ(folder.Read("a.ics"), "data");
        }
        CloseHandle(first);
        second = Open(path, c.secondAccess, c.secondShare, OPEN_EXISTING);
        EXPECT_NE(second, INVALID_HANDLE_VALUE);
        CloseHandle(second);
    }
}

TEST(FileSharing, OpenFileIsDeletedOnlyWhenItSharesDeletion) {
    TempFolder folder;
    std::string path = folder.Write("a.ics", "data");
    HANDLE held = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_EQ(DeleteFileA(path.c_str()), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    CloseHandle(held);
    held = Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
    EXPECT_EQ(DeleteFileA(path.c_str()), TRUE);
    EXPECT_FALSE(std::filesystem::exists(path));
    CloseHandle(held);
}

TEST(FileFaults, NthOpenFails) {
    ScopedFileFaults faults;
    TempFolder folder;
    FailNthOpen(1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(Open(folder.File("a.ics"), GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(std::filesystem::exists(folder.File("a.ics")));
    HANDLE file = Open(folder.File("a.ics"), GENERIC_WRITE, 0, CREATE_ALWAYS);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
}

TEST(FileFaults, FullDiskWritesWhatFitsThenFails) {
    ScopedFileFaults faults;
    TempFolder folder;
    HANDLE file = Open(folder.File("a.ics"), GENERIC_WRITE, 0, CREATE_ALWAYS);
    LimitDiskSpace(10);
    EXPECT_TRUE(Write(file, "123456"));
    DWORD written = 0;
    EXPECT_FALSE(Write(file, "abcdef", &written));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(written, 4u);
    EXPECT_FALSE(Write(file, "z", &written));
    EXPECT_EQ(written, 0u);
    CloseHandle(file);
    EXPECT_EQ(folder.Read("a.ics"), "123456abcd");
}

// The seam's intended use: fail each write in turn until the operation no
// longer reaches the fault, and check every failure is reported.
TEST(FileFaults, EveryWriteOfAnOperationCanBeMadeToFail) {
    auto writeThreeBlocks = [](const std::string& path) {
        HANDLE file = Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
        bool ok = file != INVALID_HANDLE_VALUE;
        for (const char* block : {"BEGIN\r\n", "EVENT\r\n", "END"}) {
            ok = ok && Write(file, block);
        }
        CloseHandle(file);
        return ok;
    };
    TempFolder folder;
    unsigned failures = 0;
    for (unsigned n = 1;; ++n) {
        ScopedFileFaults faults;
        FailNthWrite(n, ERROR_WRITE_FAULT);
        bool ok = writeThreeBlocks(folder.File("a.ics"));
        if (!FileFaultHappened()) {
            EXPECT_TRUE(ok);
            break;
        }
        EXPECT_FALSE(ok) << "write " << n;
        ++failures;
    }
    EXPECT_EQ(failures, 3u);
    EXPECT_EQ(folder.Read("a.ics"), "BEGIN\r\nEVENT\r\nEND");
}

TEST(FileFaults, RealFullDeviceReportsDiskFull) {
    HANDLE full =
        Open("/dev/full", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (full == INVALID_HANDLE_VALUE) {
        GTEST_SKIP() << "/dev/full is not available on this machine";
    }
    EXPECT_FALSE(Write(full, "BEGIN:VCALENDAR"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    CloseHandle(full);
}

TEST(FileFaults, FileSizeLimitReportsHandleDiskFull) {
    TempFolder folder;
    HANDLE file = Open(folder.File("big.ics"), GENERIC_WRITE, 0, CREATE_ALWAYS);
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = saved;
    limit.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &limit);
    DWORD written = 0;
    bool ok = Write(file, std::string(1500, 'x'), &written);
    DWORD error = GetLastError();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    CloseHandle(file);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_HANDLE_DISK_FULL));
    EXPECT_EQ(written, 1000u);
}

TEST(FileSystem, DeleteCreateFolderAndAttributes) {
    TempFolder folder;
    std::string file = folder.Write("a.ics", "x");
    std::string hidden = folder.Write(".hidden", "x");
    std::string sub = folder.File("sub");

    EXPECT_EQ(CreateDirectoryA(sub.c_str(), nullptr), TRUE);
    EXPECT_EQ(CreateDirectoryA(sub.c_str(), nullptr), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(CreateDirectoryA(folder.File("none/sub").c_str(), nullptr), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    EXPECT_EQ(GetFileAttributesA(sub.c_str()), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesA(file.c_str()), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(GetFileAttributesA(hidden.c_str()), FILE_ATTRIBUTE_HIDDEN);
    std::filesystem::permissions(file, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    EXPECT_EQ(GetFileAttributesA(file.c_str()), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(GetFileAttributesA(folder.File("b.ics").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesA(folder.File("none/b.ics").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    EXPECT_EQ(DeleteFileA(sub.c_str()), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(DeleteFileA(file.c_str()), TRUE);
    EXPECT_EQ(DeleteFileA(file.c_str()), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

} // namespace
