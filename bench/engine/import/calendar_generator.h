#pragma once
// A deterministic generator of large calendar files for benchmarks: events
// of the kinds real calendars hold (zoned and UTC times, all-day events,
// long folded descriptions, attendees, alarms, recurrence rules with
// exceptions), the same bytes on every run. About 750 bytes per event in
// iCalendar and 600 in vCalendar.

#include <string>

enum class CalendarFormat { ICalendar, VCalendar };

// Writes the calendar to path, streaming, so that the generator itself holds
// only one event in memory. Returns the size of the file.
size_t WriteGeneratedCalendar(const std::string& path, int events, CalendarFormat format);
