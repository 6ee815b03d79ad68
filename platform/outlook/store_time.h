#pragma once
// Times as the calendar store keeps them: whole seconds on a linear scale
// starting at 30 December 1899 00:00 (OLE day 0), either as UTC instants or as
// wall-clock readings of some zone. Only a zone rule converts between the two.

#include "engine/common/time_zone_rule.h"
#include "platform/com/ole_date_time.h"

#include <cstdint>

using StoreSeconds = std::int64_t;

// An OLE date rounded to the nearest second, and back.
StoreSeconds DateToSeconds(DATE date);
DATE SecondsToDate(StoreSeconds seconds);
// The day number and the seconds into that day of a reading.
int DayOf(StoreSeconds seconds);
StoreSeconds TimeOfDay(StoreSeconds seconds);

// The zone of wall-clock readings: a series' own rule, or the system zone as
// it was when the store was opened (UTC when it cannot be read).
class StoreZone {
public:
    static StoreZone CurrentSystem();
    explicit StoreZone(const TimeZoneRule& rule) : rule_(rule) {}

    StoreSeconds ToUtc(StoreSeconds local) const;
    StoreSeconds ToLocal(StoreSeconds utc) const;
    const TimeZoneRule& Rule() const { return rule_; }

private:
    TimeZoneRule rule_;
};
