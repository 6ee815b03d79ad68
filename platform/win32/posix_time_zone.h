#pragma once
// PosixTimeZone: a POSIX TZ rule taken apart. TZ itself and the last line of
// a zoneinfo file describe a zone's offsets and yearly clock changes this way.
//
// "EST5EDT,M3.2.0,M11.1.0" reads, field by field:
//   EST      name of standard time: three or more letters, or any text in
//            angle brackets such as <+1030>
//   5        standard offset in hours WEST of UTC ([+|-]hh[:mm[:ss]]), so
//            UTC = local + 5h; "CET-1" is one hour east
//   EDT      name of daylight time; without it the zone has no daylight time.
//            An offset may follow it; without one it is the standard offset
//            less one hour (here 4)
//   ,M3.2.0  daylight time starts in month 3, week 2, on weekday 0 (Sunday),
//            at 02:00 local standard time; "/time" ([+|-]hh[:mm[:ss]], -167
//            to 167 hours, so it may fall on the day before or after) gives
//            another clock time, as in "M3.5.0/3"
//   ,M11.1.0 ... and ends in month 11, week 1, on Sunday, at 02:00 local
//            daylight time
// Week 5 means the last such weekday of the month. The day-number forms
// "Jn" (1 to 365, 29 February never counted) and "n" (0 to 365) are read too.
// A daylight name without dates means the United States dates above.

#include <optional>
#include <string>
#include <string_view>

struct PosixTransition {
    enum Form { kMonthWeekDay, kJulianWithoutLeapDay, kJulianFromZero };
    Form form = kMonthWeekDay;
    int month = 0;      // 1..12            (kMonthWeekDay)
    int week = 0;       // 1..5, 5 = last   (kMonthWeekDay)
    int weekday = 0;    // 0 Sunday .. 6    (kMonthWeekDay)
    int day = 0;        // the day number   (the Julian forms)
    int seconds = 7200; // local clock time of the change, seconds after midnight
};

struct PosixTimeZone {
    std::string standardName;
    int standardOffset = 0;   // seconds west of UTC
    std::string daylightName; // empty: no daylight time
    int daylightOffset = 0;
    PosixTransition daylightStart;
    PosixTransition daylightEnd;

    bool HasDaylightTime() const { return !daylightName.empty(); }
};

// The rule, or nothing when the text is not a complete, valid POSIX rule.
std::optional<PosixTimeZone> ParsePosixTimeZone(std::string_view text);
