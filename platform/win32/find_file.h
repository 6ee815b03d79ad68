#pragma once
// Folder searches: FindFirstFileA over "folder/mask", then FindNextFileA
// until ERROR_NO_MORE_FILES, then FindClose. As on Windows the mask matches
// without regard to case, "*" stands for any run of characters and "?" for
// exactly one, and "*.*" matches every name; so "dir/*.?cs" finds "a.ics",
// "B.VCS" and "c.xcs" but not "d.cs". Names come in case-insensitive order,
// "." and ".." included when the mask matches them.

#include "platform/win32/files.h"
#include "platform/win32/handle.h"
#include "platform/win32/types.h"

#include <string_view>

// 100-nanosecond intervals since 1 January 1601 (UTC).
struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    char cFileName[MAX_PATH];
    char cAlternateFileName[14];
};

// The first match; INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND when
// nothing matches, ERROR_PATH_NOT_FOUND when the folder does not exist.
// A pattern without "/" searches the current folder.
HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data);
BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE search);

// Whether a file name matches a mask the way the search matches it.
bool MatchesFileMask(std::string_view name, std::string_view mask);
