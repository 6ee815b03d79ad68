#pragma once
// Reading INI files the way the Windows private-profile functions do, for
// example, with the file
//
//     [Version]
//     Signature = "Orvane.LangIniFile"
//
// GetPrivateProfileStringA("version", "SIGNATURE", "", buf, 64, path) gives
// Orvane.LangIniFile: section and key names compare without regard to case,
// names and values are trimmed of blanks, and one pair of matching quotes
// around a value is removed. Lines starting with ";" are comments. The first
// section of a name and the first key of a name within it count. Files are
// narrow text in the ANSI code page; a UTF-8 byte-order mark is skipped.
//
// Parsed files are cached and re-read when their size or modification time
// changes, so that repeated look-ups stay cheap.

#include "platform/win32/types.h"

// Copies the value of key in section, or the default (null: empty) when the
// file, the section or the key is missing, into returned, truncated to
// size - 1 characters and zero-terminated; returns the characters copied.
// A null section gives the section names, a null key the key names of the
// section, each zero-terminated with one more zero after the last; when that
// list does not fit, it is cut and size - 2 is returned. A missing file sets
// the last error to ERROR_FILE_NOT_FOUND.
DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                               char* returned, DWORD size, const char* fileName);

// The value as a decimal whole number (an optional sign, then digits up to
// the first other character; no digits give 0), or the default when the
// value is missing or empty.
UINT GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                           const char* fileName);

// The section names, as GetPrivateProfileStringA with a null section.
DWORD GetPrivateProfileSectionNamesA(char* returned, DWORD size, const char* fileName);
