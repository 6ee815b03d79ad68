#pragma once
// The support library's log file: one line per message, appended to
// $XDG_STATE_HOME/quillane/quillane.log (else ~/.local/state/quillane/...).
//
// A line is tab-separated: UTC time with milliseconds, level word, place,
// code in hex, text; for example
//   2026-12-05T17:45:22.123Z	ERROR	CvCalImport::Execute	0x80004005	cant open file
// Line breaks inside the place or the text are written as \n and \r so that
// every message stays on one line.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

// The log file's path from the environment; empty when no folder is known.
std::string LogFilePath();

// Traces logged with flag 3 are debugging detail (the import's summary of
// each series' exceptions, one per recurring event): they are written only
// while this variable is set to 1. Warnings and errors are always written.
inline constexpr const char* kLogDebugVariable = "QUILLANE_LOG_DEBUG";
inline constexpr int kLogFlagDebug = 3;

// Whether a message of this level and flag goes to the log, given the
// debug variable's value (null when unset).
bool LogLineWanted(int level, int flag, const char* debugSetting);

// "TRACE", "WARNING", "ERROR", or "LEVEL<n>" for any other level.
std::string LogLevelWord(int level);

// One complete line, newline included. Null texts count as empty.
std::string FormatLogLine(const timespec& utcNow, int level, const char* where, std::int32_t code,
                          const char* text);

// The size at which the log file is moved aside to quillane.log.1, so that
// the log and its one older part together stay near twice this size.
inline constexpr size_t kLogRotateBytes = 16u << 20;

// Appends the line with a single write to the log file, creating its folder
// and the file as needed; safe when several threads or processes log at
// once. The file stays open between lines; a line that finds it moved,
// deleted or replaced goes to a freshly opened file at the log's path. The
// line that takes the file to kLogRotateBytes or beyond is its last.
// Returns 0 or a Win32 error code.
int AppendLogLine(const std::string& line);
