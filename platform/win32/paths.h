#pragma once
// Paths, which use "/" throughout: joining a folder and a name, the file
// name and folder of a path, whether something exists there, and reading a
// whole file. PathFileExistsA, PathIsDirectoryA and PathCombineA keep the
// Windows shell's signatures for code written against them.
//
//   JoinPath("out", "a.ics")        "out/a.ics"
//   JoinPath("out/", "a.ics")       "out/a.ics"
//   JoinPath("out", "/tmp/a.ics")   "/tmp/a.ics"  (a full path stays as it is)
//   FileNameOf("out/cal/a.ics")     "a.ics"
//   FolderOf("out/cal/a.ics")       "out/cal"     (FolderOf("a.ics") is "")

#include "platform/win32/types.h"

#include <string>

std::string JoinPath(const std::string& folder, const std::string& name);
std::string FileNameOf(const std::string& path);
std::string FolderOf(const std::string& path);

bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);

BOOL PathFileExistsA(const char* path);
BOOL PathIsDirectoryA(const char* path);
// Joins into result (MAX_PATH bytes) and returns it; null, with result
// empty, when the joined path does not fit or an argument is missing.
char* PathCombineA(char* result, const char* folder, const char* name);

// The whole file as bytes, read through CreateFileA and ReadFile (shared for
// reading); false with GetLastError() on failure.
bool ReadWholeFile(const std::string& path, std::string& bytes);
