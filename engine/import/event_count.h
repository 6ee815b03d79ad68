#pragma once
// The number of events in a calendar file's text, for the progress range of
// an import: for every BEGIN:VCALENDAR, each BEGIN:VEVENT that an END:VEVENT
// follows, until END:VCALENDAR. Lines are read as CvCalLineReader reads
// them (folded lines joined, names without a group and in any case, values
// trimmed), but only BEGIN and END lines are looked at closely: the count
// goes through a large file in a fraction of the time a parse takes.

#include <string_view>

int CountCalendarEvents(std::string_view text);
