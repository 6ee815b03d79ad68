#pragma once
// Date-times as the export writes them, and the move of a local Outlook time
// into the time zone of a recurring item.
//
//   FormatIcalDateTime(9:05 on 5 March 2007, false, false, true)  "20070305T090500"
//   FormatIcalDateTime(the same, false, true, true)   "20070305T140500Z" (New York)
//   FormatIcalDateTime(the same, false, false, false) "20070305"
//   FormatIcalDateTime(an invalid date, ...)          "-001Invalid DateTime"

#include "engine/common/time_zone_rule.h"
#include "platform/com/ole_date_time.h"

#include <string>
#include <string_view>

// The system zone as read once for a run, so that the many conversions of
// a run do not read it again; not readable when it could not be read (the
// conversions then leave times unchanged).
struct SystemZone {
    bool readable = false;
    TimeZoneRule rule{};

    static SystemZone Read();
};

// toUtc converts a local time of the system zone to UTC unless alreadyUtc
// says it is UTC already; a UTC value ends in "Z". withTime adds "T" and
// the clock time.
std::string FormatIcalDateTime(const COleDateTime& date, bool alreadyUtc, bool toUtc, bool withTime,
                               const SystemZone& system);
// The same text in a buffer of its own, without allocating: what the
// writers append for every event.
struct IcalDateTimeText {
    char text[24];
    std::size_t length = 0;
    std::string_view View() const { return {text, length}; }
};
IcalDateTimeText RenderIcalDateTime(const COleDateTime& date, bool alreadyUtc, bool toUtc,
                                    bool withTime, const SystemZone& system);
// As above, reading the system zone when the value needs it.
std::string FormatIcalDateTime(const COleDateTime& date, bool alreadyUtc, bool toUtc,
                               bool withTime);

// A local time of the system zone as a local time of the item's zone;
// unchanged when the system zone cannot be read or is the item's zone.
COleDateTime ToItemZone(const TimeZoneRule& itemZone, const COleDateTime& local,
                        const SystemZone& system);
