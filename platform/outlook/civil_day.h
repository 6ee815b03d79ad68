#pragma once
// Calendar days as plain day numbers: the whole part of an OLE date, so day 0
// is 30 December 1899 (a Saturday) and day 39146 is 5 March 2007. The
// recurrence rules count in these days, never in time zones.

#include <cstdint>

struct CivilDate {
    int year;
    int month; // 1..12
    int day;   // 1..31
};

// Day number of a date of the proleptic Gregorian calendar.
int DayNumber(int year, int month, int day);
inline int DayNumber(const CivilDate& date) {
    return DayNumber(date.year, date.month, date.day);
}
CivilDate CivilFromDayNumber(int day);
// 0 Sunday .. 6 Saturday.
int Weekday(int day);
int DaysInMonth(int year, int month);
// Months since January of year 0, so that month arithmetic is plain addition.
inline int MonthIndex(int year, int month) {
    return year * 12 + month - 1;
}

// Seconds of a day.
inline constexpr std::int64_t kSecondsPerDay = 86400;
