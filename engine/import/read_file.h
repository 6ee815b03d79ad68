#pragma once
// Reading a calendar file whole into memory and settling its text: a
// byte-order mark or the look of the first two bytes tells UTF-8 and UTF-16
// (either byte order) from 8-bit text; NUL characters become spaces; UTF-8
// and UTF-16 text is converted to the ANSI code page; every line break ends
// in LF (a CR alone gets an LF after it).

#include "engine/import/import_log.h"
#include "platform/win32/handle.h"

#include <string>

// Opens a calendar file for reading, shared for reading, existing files only.
HANDLE OpenCalendarFile(const std::string& path);

// Reads the open file whole and closes its handle; false when it cannot be
// read. NUL characters are reported (once) only when a file name is given.
bool _ReadFile(HANDLE file, std::string& text, const char* fileName, const ImportLogSink& log);

// Steps after the read: encoding, NUL characters, conversion, line ends.
void NormalizeFileText(std::string& text, const char* fileName, const ImportLogSink& log);
