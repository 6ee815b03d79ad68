#pragma once
// The occurrences of a stored series: the pattern's dates in the series' own
// zone at the series' wall-clock start time, with deleted occurrences left
// out and moved ones at their new times, as UTC instants.
//
// The series' zone is the zone structure the series carries (its first 48
// bytes), else the system zone; so a series with a zone keeps its wall-clock
// time in that zone while the system zone changes to or from daylight time.

#include "platform/outlook/appointment_record.h"
#include "platform/outlook/store_time.h"

#include <optional>
#include <vector>

struct Occurrence {
    int originalDay = 0;
    StoreSeconds startUtc = 0;
    StoreSeconds endUtc = 0;
    // The change recorded for this occurrence, if any (never a deleted one).
    const ExceptionRecord* exception = nullptr;
};

// Occurrences expanded without an upper bound on their start stop after
// this many per series.
inline constexpr int kMaxUnboundedOccurrences = 10000;

StoreZone SeriesZone(const AppointmentRecord& record, const StoreZone& systemZone);
// The rule with its start and end days in the series' zone.
RecurrenceRule SeriesRule(const AppointmentRecord& record, const StoreZone& seriesZone);
// The wall-clock time of day of the series' start, in its zone.
StoreSeconds SeriesStartTime(const AppointmentRecord& record, const StoreZone& seriesZone);

// The planned occurrence on a day (before any change), in UTC.
Occurrence PlannedOccurrence(const AppointmentRecord& record, const StoreZone& seriesZone, int day);
// Whether a day is one of the pattern's dates.
bool IsPatternDay(const AppointmentRecord& record, const StoreZone& seriesZone, int day);

// Occurrences starting within [fromUtc, toUtc] (either bound may be open), in
// start order. Needs the record's exceptions loaded.
std::vector<Occurrence> ExpandSeries(const AppointmentRecord& record, const StoreZone& systemZone,
                                     std::optional<StoreSeconds> fromUtc,
                                     std::optional<StoreSeconds> toUtc);

// The time-zone structure stored with the record, when it has one.
std::optional<TimeZoneRule> StoredZoneRule(const AppointmentRecord& record);
