#pragma once
// A deterministic generator of large calendar files for benchmarks: events
// of the kinds real calendars hold (times bound to zones with their zone
// blocks, UTC times, all-day events, long folded descriptions, text beyond
// ASCII, quoted-printable values in vCalendar, meetings with attendees,
// alarms, categories, recurrence rules with excluded and moved
// occurrences), the same bytes for the same seed. About 750 bytes per event
// in iCalendar and 600 in vCalendar.

#include <string>

enum class CalendarFormat { ICalendar, VCalendar };

// Writes the calendar to path, streaming, so that the generator itself holds
// only one event in memory. Returns the size of the file.
size_t WriteGeneratedCalendar(const std::string& path, int events, CalendarFormat format,
                              unsigned long long seed = 42);
