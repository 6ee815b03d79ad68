#pragma once
// Reading the closing POSIX rule of a compiled zoneinfo (TZif) file. Files of
// format version 2 and later end in "\n<rule>\n", the rule that holds after
// the file's last listed transition, e.g. "CET-1CEST,M3.5.0,M10.5.0/3" for
// Europe/Berlin.

#include <optional>
#include <string>

// The zoneinfo folder: $TZDIR when set and not empty, else /usr/share/zoneinfo.
std::string ZoneinfoFolder();

// The path of a zone named like "Europe/Berlin" (an absolute path stays as
// it is); nothing for names that could leave the folder ("../x").
std::optional<std::string> ZoneinfoPath(const std::string& name);

// The closing rule of the file, or nothing when the file is missing, is not
// TZif, is of version 1, is cut short, or has an empty closing rule.
std::optional<std::string> ReadZoneinfoRule(const std::string& path);
