#pragma once
// Where the import engine's log lines go: one call per line with the text, a
// numeric code, the place ("CvCalImport::Parse"), the level (1 trace,
// 2 warning, 3 error) and a flag. The engine logs through the support library;
// a tool or a test may put a sink of its own in front of it.

#include "platform/win32/types.h"

#include <functional>
#include <string>

using ImportLogSink =
    std::function<void(const std::string& text, LONG code, const char* where, int level, int flag)>;

// Forwards every line to the support library's LogMsg.
ImportLogSink SupportLibraryLogSink();
