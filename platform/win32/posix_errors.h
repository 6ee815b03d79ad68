#pragma once
// Win32 error codes for the C library's errno values, as the file functions
// report them.

#include "platform/win32/types.h"

#include <string>

// A missing file (ENOENT) is ERROR_FILE_NOT_FOUND when the folder that should
// hold it exists, else ERROR_PATH_NOT_FOUND.
LONG Win32ErrorForPath(int error, const std::string& path);

// errno → Win32 error and SetLastError; returns FALSE for the callers.
BOOL FailWithErrno(int error, const std::string& path);
BOOL FailWith(LONG error);
