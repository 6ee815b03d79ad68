#pragma once
// The time zone writers: a TimeZoneRule as the vCalendar 1.0 "TZ:" and
// "DAYLIGHT:" lines or as an iCalendar 2.0 VTIMEZONE block. New York
// (Bias 300, DaylightBias -60, daylight from the second Sunday of March)
// gives
//
//   TZ:-05:00
//   DAYLIGHT:TRUE;-04:00;19800309T020000;19801102T020000;;
//
// Transition times are those of the year 1980, as local readings.

#include "engine/common/time_zone_rule.h"
#include "engine/export/text_buffer.h"

#include <string>

// A bias sum in minutes (UTC minus local) as an offset from UTC: "-05:00"
// (withColon) or "-0500"; zero is "+".
std::string FormatZoneOffset(LONG biasSum, bool withColon);

// "(GMT-05:00)": the name of a zone that has no description.
std::string ZoneNameFromOffset(const TimeZoneRule& rule);

// Both replace the buffer's content.
void WriteVCalendarZoneLines(const TimeZoneRule& rule, TextBuffer& zone);
void WriteVTimezoneBlock(const TimeZoneRule& rule, const std::string& name, TextBuffer& zone);
