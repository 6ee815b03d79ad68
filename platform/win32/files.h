#pragma once
// Files through Win32 calls: CreateFileA with Windows' access, share and
// creation rules over POSIX files, ReadFile, WriteFile, GetFileSize,
// DeleteFileA, CreateDirectoryA and GetFileAttributesA, each failing with the
// Win32 error code Windows gives (GetLastError). Paths use "/".
//
// Share modes hold within this process: a file that is open without
// FILE_SHARE_WRITE cannot be opened again for writing (ERROR_SHARING_VIOLATION),
// nor deleted while open without FILE_SHARE_DELETE.

#include "platform/win32/handle.h"
#include "platform/win32/types.h"

// The longest path Windows callers size their buffers for, zero included.
inline constexpr DWORD MAX_PATH = 260;

inline constexpr DWORD GENERIC_READ = 0x80000000;
inline constexpr DWORD GENERIC_WRITE = 0x40000000;

inline constexpr DWORD FILE_SHARE_READ = 0x1;
inline constexpr DWORD FILE_SHARE_WRITE = 0x2;
inline constexpr DWORD FILE_SHARE_DELETE = 0x4;

inline constexpr DWORD CREATE_NEW = 1;        // fails with ERROR_FILE_EXISTS if present
inline constexpr DWORD CREATE_ALWAYS = 2;     // creates or truncates
inline constexpr DWORD OPEN_EXISTING = 3;     // fails with ERROR_FILE_NOT_FOUND if absent
inline constexpr DWORD OPEN_ALWAYS = 4;       // opens or creates
inline constexpr DWORD TRUNCATE_EXISTING = 5; // opens and truncates; needs GENERIC_WRITE

inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
inline constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFF;

// CREATE_ALWAYS and OPEN_ALWAYS succeed on an existing file with
// GetLastError() == ERROR_ALREADY_EXISTS, else 0. A folder cannot be opened
// (ERROR_ACCESS_DENIED). flags (FILE_ATTRIBUTE_NORMAL and others) are
// accepted and ignored.
HANDLE CreateFileA(const char* name, DWORD access, DWORD share, void* security, DWORD disposition,
                   DWORD flags, HANDLE templateFile);
// Reads up to size bytes; fewer only at the end of the file (0 there).
BOOL ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* read, void* overlapped);
// Writes all bytes or fails; a full disk gives ERROR_DISK_FULL (or
// ERROR_HANDLE_DISK_FULL past the largest file size) with written telling
// how many bytes got out.
BOOL WriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* written, void* overlapped);
// The low 32 bits of the size, the high ones in *high when given;
// INVALID_FILE_SIZE with an error code on failure.
DWORD GetFileSize(HANDLE file, DWORD* high);

BOOL DeleteFileA(const char* name);
// ERROR_ALREADY_EXISTS when the folder (or a file of that name) exists,
// ERROR_PATH_NOT_FOUND when its parent does not.
BOOL CreateDirectoryA(const char* name, void* security);
// FILE_ATTRIBUTE_DIRECTORY for folders; READONLY for files the owner cannot
// write, HIDDEN for names starting with "."; NORMAL when none applies.
DWORD GetFileAttributesA(const char* name);
