#pragma once
// The text forms of calendar dates, durations and periods, checked and parsed
// without any zone: YYYYMMDD, YYYYMMDDTHHMMSS (floating or bound to a zone by
// the caller) and YYYYMMDDTHHMMSSZ (UTC); durations such as -P1DT2H30M in
// signed whole minutes; periods such as 20070101T100000Z/PT1H.

#include <string>
#include <string_view>

// True for the three date-time forms above ("T" and "Z" in either case).
bool IsValidDateText(std::string_view text);
// True when the text is UTC: longer than 15 characters ending in "Z" or "z".
bool IsUtcDateText(std::string_view text);

// Signed whole minutes; seconds are dropped per component (PT59S is 0).
// False for anything but [+|-]P followed by number-unit pairs, or a total
// beyond 32 bits.
bool ParseDuration(std::string_view text, int& minutes);

// A period: a start date-time, "/", then an end date-time or a duration.
struct PeriodText {
    std::string Start;
    std::string End;      // empty when the period has a duration
    std::string Duration; // empty when the period has an end
};
bool ParsePeriodText(std::string_view text, PeriodText& period);
