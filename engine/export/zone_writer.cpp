#include "engine/export/zone_writer.h"

#include "engine/export/ical_date_time.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr char kDayLetters[] = "SUMOTUWETHFRSA";

std::string TransitionIn1980(const SYSTEMTIME& date) {
    return FormatIcalDateTime(TransitionTime(1980, date).value, false, false, true);
}

// "FREQ=YEARLY;INTERVAL=1;BYDAY=2SU;BYMONTH=3" for the second Sunday of March.
std::string YearlyRule(const SYSTEMTIME& date) {
    char text[80];
    int week = date.wDay == 5 ? -1 : date.wDay;
    int day = date.wDayOfWeek % 7;
    std::snprintf(text, sizeof text, "FREQ=YEARLY;INTERVAL=1;BYDAY=%d%c%c;BYMONTH=%d", week,
                  kDayLetters[2 * day], kDayLetters[2 * day + 1], date.wMonth);
    return text;
}

void Line(TextBuffer& zone, const std::string& text) {
    zone.Append(text);
    zone.Append("\r\n");
}

void WriteStandardPart(const TimeZoneRule& rule, TextBuffer& zone) {
    bool both = rule.StandardDate.wMonth != 0 && rule.DaylightDate.wMonth != 0;
    Line(zone, "BEGIN:STANDARD");
    Line(zone, "DTSTART:" + (rule.StandardDate.wMonth == 0 ? std::string("16010101T000000")
                                                           : TransitionIn1980(rule.StandardDate)));
    if (rule.StandardDate.wMonth != 0) {
        Line(zone, "RRULE:" + YearlyRule(rule.StandardDate));
    }
    LONG from = both ? rule.Bias + rule.DaylightBias : rule.Bias + rule.StandardBias;
    Line(zone, "TZOFFSETFROM:" + FormatZoneOffset(from, false));
    Line(zone, "TZOFFSETTO:" + FormatZoneOffset(rule.Bias + rule.StandardBias, false));
    Line(zone, "END:STANDARD");
}

void WriteDaylightPart(const TimeZoneRule& rule, TextBuffer& zone) {
    Line(zone, "BEGIN:DAYLIGHT");
    Line(zone, "DTSTART:" + TransitionIn1980(rule.DaylightDate));
    Line(zone, "RRULE:" + YearlyRule(rule.DaylightDate));
    Line(zone, "TZOFFSETFROM:" + FormatZoneOffset(rule.Bias + rule.StandardBias, false));
    Line(zone, "TZOFFSETTO:" + FormatZoneOffset(rule.Bias + rule.DaylightBias, false));
    Line(zone, "END:DAYLIGHT");
}

} // namespace

std::string FormatZoneOffset(LONG biasSum, bool withColon) {
    char text[16];
    long magnitude = std::labs(static_cast<long>(biasSum));
    std::snprintf(text, sizeof text, withColon ? "%c%02ld:%02ld" : "%c%02ld%02ld",
                  biasSum > 0 ? '-' : '+', magnitude / 60, magnitude % 60);
    return text;
}

std::string ZoneNameFromOffset(const TimeZoneRule& rule) {
    return "(GMT" + FormatZoneOffset(rule.Bias + rule.StandardBias, true) + ")";
}

void WriteVCalendarZoneLines(const TimeZoneRule& rule, TextBuffer& zone) {
    zone.Clear();
    Line(zone, "TZ:" + FormatZoneOffset(rule.Bias + rule.StandardBias, true));
    if (rule.DaylightDate.wMonth == 0) {
        Line(zone, "DAYLIGHT:FALSE");
        return;
    }
    Line(zone, "DAYLIGHT:TRUE;" + FormatZoneOffset(rule.Bias + rule.DaylightBias, true) + ";" +
                   TransitionIn1980(rule.DaylightDate) + ";" + TransitionIn1980(rule.StandardDate) +
                   ";;");
}

void WriteVTimezoneBlock(const TimeZoneRule& rule, const std::string& name, TextBuffer& zone) {
    zone.Clear();
    Line(zone, "BEGIN:VTIMEZONE");
    Line(zone, "TZID:" + name);
    WriteStandardPart(rule, zone);
    if (rule.DaylightDate.wMonth > 0) {
        WriteDaylightPart(rule, zone);
    }
    Line(zone, "END:VTIMEZONE");
}
