#include "platform/outlook/series_expansion.h"

#include "platform/outlook/civil_day.h"
#include "platform/outlook/tied_properties.h"

#include <algorithm>
#include <cstring>

namespace {

const ExceptionRecord* FindException(const AppointmentRecord& record, int day) {
    for (const ExceptionRecord& exception : *record.exceptions) {
        if (exception.originalDay == day) {
            return &exception;
        }
    }
    return nullptr;
}

bool InRange(StoreSeconds start, std::optional<StoreSeconds> from, std::optional<StoreSeconds> to) {
    return (!from || start >= *from) && (!to || start <= *to);
}

} // namespace

std::optional<TimeZoneRule> StoredZoneRule(const AppointmentRecord& record) {
    if (!record.props) {
        return std::nullopt;
    }
    auto found = record.props->find(kPropZoneStruct);
    if (found == record.props->end() || found->second.type != PT_BINARY ||
        found->second.bytes.size() < sizeof(TimeZoneRule)) {
        return std::nullopt;
    }
    TimeZoneRule rule;
    std::memcpy(&rule, found->second.bytes.data(), sizeof rule);
    return rule;
}

StoreZone SeriesZone(const AppointmentRecord& record, const StoreZone& systemZone) {
    std::optional<TimeZoneRule> rule = StoredZoneRule(record);
    return rule ? StoreZone(*rule) : systemZone;
}

RecurrenceRule SeriesRule(const AppointmentRecord& record, const StoreZone& seriesZone) {
    RecurrenceRule rule = record.pattern->rule;
    rule.patternStart = DayOf(seriesZone.ToLocal(record.pattern->startUtc));
    rule.patternEnd.reset();
    if (record.pattern->endUtc) {
        rule.patternEnd = DayOf(seriesZone.ToLocal(*record.pattern->endUtc));
    }
    return rule;
}

StoreSeconds SeriesStartTime(const AppointmentRecord& record, const StoreZone& seriesZone) {
    return TimeOfDay(seriesZone.ToLocal(record.startUtc));
}

namespace {

// The occurrence on a day, with the series' start time of day already known.
Occurrence PlannedAt(const AppointmentRecord& record, const StoreZone& seriesZone,
                     StoreSeconds startTime, int day) {
    const StoreSeconds start =
        seriesZone.ToUtc(static_cast<StoreSeconds>(day) * kSecondsPerDay + startTime);
    return {day, start, start + (record.endUtc - record.startUtc), nullptr};
}

} // namespace

Occurrence PlannedOccurrence(const AppointmentRecord& record, const StoreZone& seriesZone,
                             int day) {
    return PlannedAt(record, seriesZone, SeriesStartTime(record, seriesZone), day);
}

bool IsPatternDay(const AppointmentRecord& record, const StoreZone& seriesZone, int day) {
    OccurrenceDates dates(SeriesRule(record, seriesZone));
    dates.SkipTo(day);
    std::optional<int> next = dates.Next();
    return next && *next == day;
}

std::vector<Occurrence> ExpandSeries(const AppointmentRecord& record, const StoreZone& systemZone,
                                     std::optional<StoreSeconds> fromUtc,
                                     std::optional<StoreSeconds> toUtc) {
    const StoreZone zone = SeriesZone(record, systemZone);
    std::vector<Occurrence> found;
    OccurrenceDates dates(SeriesRule(record, zone));
    if (fromUtc) {
        // A day of slack on either side covers any zone offset.
        dates.SkipTo(DayOf(zone.ToLocal(*fromUtc)) - 1);
    }
    int produced = 0;
    const StoreSeconds startTime = SeriesStartTime(record, zone);
    while (std::optional<int> day = dates.Next()) {
        const Occurrence planned = PlannedAt(record, zone, startTime, *day);
        if ((toUtc && planned.startUtc > *toUtc + kSecondsPerDay) ||
            (!toUtc && ++produced > kMaxUnboundedOccurrences)) {
            break;
        }
        if (!FindException(record, *day) && InRange(planned.startUtc, fromUtc, toUtc)) {
            found.push_back(planned);
        }
    }
    for (const ExceptionRecord& exception : *record.exceptions) {
        const StoreSeconds start = zone.ToUtc(exception.startLocal);
        if (!exception.deleted && InRange(start, fromUtc, toUtc)) {
            found.push_back(
                {exception.originalDay, start, zone.ToUtc(exception.endLocal), &exception});
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const Occurrence& a, const Occurrence& b) {
        return a.startUtc < b.startUtc;
    });
    return found;
}
