#pragma once
// TimeZoneRule: the 48-byte time zone record that Outlook keeps with
// recurring appointments, and the conversions between wall-clock time in a
// zone and UTC that every part of the system uses.
//
// Wall-clock readings (LocalTime) and instants written as UTC (UtcTime) are
// different types; only a rule converts one into the other.
//
// Clock changes: the comparisons below take a zone's transition dates as
// local clock readings, daylight time being in effect from the daylight
// start up to (not including) the standard start. So
//   - a reading in the hour that the spring change skips (02:30 in New York)
//     counts as daylight time and maps to the instant an hour before the
//     same reading in standard time would (02:30 -> 06:30 UTC, shown again
//     as 01:30);
//   - a reading in the hour that the autumn change repeats (01:30 in New
//     York) counts as daylight time, the earlier of the two instants.
// UTC to local time is always unambiguous.

#include "platform/com/ole_date_time.h"
#include "platform/win32/types.h"

#include <bit>
#include <cstddef>
#include <type_traits>

// Little-endian, in this exact layout, as stored by Outlook. A month of 0 in
// DaylightDate means the zone has no daylight time. Transition dates use the
// day-of-week form: wMonth, wDayOfWeek (0 Sunday .. 6 Saturday), wDay = week
// of the month (1..4, 5 = the last), and the local clock time of the change.
struct TimeZoneRule {
    LONG Bias;         // minutes; UTC = local time + Bias (+ the period's bias)
    LONG StandardBias; // added to Bias in standard time
    LONG DaylightBias; // added to Bias in daylight time
    WORD StandardYear; // 0 in every rule built here
    SYSTEMTIME StandardDate;
    WORD DaylightYear; // 0 in every rule built here
    SYSTEMTIME DaylightDate;
};

static_assert(std::endian::native == std::endian::little);
static_assert(std::is_trivially_copyable_v<TimeZoneRule>);
static_assert(sizeof(TimeZoneRule) == 48);
static_assert(offsetof(TimeZoneRule, Bias) == 0);
static_assert(offsetof(TimeZoneRule, StandardBias) == 4);
static_assert(offsetof(TimeZoneRule, DaylightBias) == 8);
static_assert(offsetof(TimeZoneRule, StandardYear) == 12);
static_assert(offsetof(TimeZoneRule, StandardDate) == 14);
static_assert(offsetof(TimeZoneRule, DaylightYear) == 30);
static_assert(offsetof(TimeZoneRule, DaylightDate) == 32);

// A wall-clock reading, in whatever zone the context says.
struct LocalTime {
    COleDateTime value;
};

// An instant, written as the reading of a UTC clock.
struct UtcTime {
    COleDateTime value;
};

// Fills rule from the system zone (both year words 0). False when the
// system zone cannot be read; rule is then all zero.
bool GetSystemTimeZone(TimeZoneRule& rule);

// Same offsets in standard and in daylight time and the same transition
// dates, byte for byte; the year words do not count.
bool IsSameTimeZone(const TimeZoneRule& a, const TimeZoneRule& b);

// IsSameTimeZone(rule, the system zone); false when that cannot be read.
bool IsSystemTimeZone(const TimeZoneRule& rule);

// The local date-time at which a transition date takes effect in year; an
// invalid value when the date is not in the day-of-week form (month 1..12,
// weekday 0..6, a valid clock time).
LocalTime TransitionTime(int year, const SYSTEMTIME& transition);

// Conversions with a rule. Invalid values stay invalid; a rule whose
// transition dates are unusable converts with its standard offset.
UtcTime LocalToUtc(const TimeZoneRule& rule, LocalTime local);
LocalTime UtcToLocal(const TimeZoneRule& rule, UtcTime utc);

// Conversions with the system zone; when it cannot be read, the reading is
// returned unchanged.
UtcTime SystemLocalToUtc(LocalTime local);
LocalTime SystemUtcToLocal(UtcTime utc);
