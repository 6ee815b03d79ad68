#pragma once
// Runs the calendar parser over a text and records everything it hands out:
// events, failed events, each calendar's zone table, warnings and log lines.

#include "engine/import/cvcal_parser.h"
#include "platform/win32/handle.h"

#include <map>
#include <string>
#include <vector>

struct LoggedLine {
    std::string text;
    std::string where;
    int level;
    int flag;
};

struct ParseRun {
    int result = 0;
    std::vector<ParsedEvent> events;
    std::vector<int> eventVersions;
    int failed = 0;
    std::vector<TimeZoneTable> calendars;
    std::vector<std::string> warnings;
    std::vector<LoggedLine> log;

    // The log as "LEVEL TEXT" lines.
    std::vector<std::string> LogTexts() const;
};

struct ParseSetup {
    std::string fileName = "test.ics";
    TimeZoneRule defaultZone{};
    std::u16string listSeparator = u";";
    // Stop the run (AddEvent returns -1) at this event, counted from 1.
    int abortAtEvent = 0;
};

ParseRun ParseText(const std::string& text, const ParseSetup& setup = {});

std::string Utf8(const std::u16string& text);

// Opens an existing file for reading, shared for reading, as the import does.
HANDLE OpenForReading(const std::string& path);

// Every field of an event as text, by field name; the default zone key
// reads "<default>".
std::map<std::string, std::string> EventFields(const ParsedEvent& event);
