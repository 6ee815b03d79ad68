#pragma once
// A VTIMEZONE block for Central European time under the TZID "Berlin", as
// the lines of a file, for tests whose events are bound to a defined zone.

#include <string>
#include <vector>

inline const std::vector<std::string> kBerlinZone = {
    "BEGIN:VTIMEZONE",
    "TZID:Berlin",
    "BEGIN:STANDARD",
    "DTSTART:19701025T030000",
    "TZOFFSETFROM:+0200",
    "TZOFFSETTO:+0100",
    "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU",
    "END:STANDARD",
    "BEGIN:DAYLIGHT",
    "DTSTART:19700329T020000",
    "TZOFFSETFROM:+0100",
    "TZOFFSETTO:+0200",
    "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU",
    "END:DAYLIGHT",
    "END:VTIMEZONE",
};
