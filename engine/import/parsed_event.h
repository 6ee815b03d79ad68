#pragma once
// ParsedEvent: what the import read from one VEVENT, before anything is
// created from it. Texts for Outlook are UTF-16; date-times stay text, each
// with the key of the zone it was written in.

#include "engine/import/recurrence_rule.h"

#include <cstdint>
#include <string>
#include <vector>

// A date-time text and the zone key it is to be read in.
struct EventDate {
    std::string Date;
    std::string Tzid;
};

// One RDATE: a date-time, or a period with an end or a duration.
struct RDateEntry {
    std::string Date;
    std::string Tzid;
    std::string PeriodEnd;
    std::string PeriodDuration;
};

struct EventAttendee {
    std::u16string Address;
    std::u16string Name;
};

// Outlook's numbers for the three states.
enum EventSensitivity : int32_t {
    kSensitivityNormal = 0,
    kSensitivityPrivate = 2,
    kSensitivityConfidential = 3
};
enum EventImportance : int32_t { kImportanceLow = 0, kImportanceNormal = 1, kImportanceHigh = 2 };
enum EventBusyStatus : int32_t { kBusyFree = 0, kBusyBusy = 2 };

inline constexpr int32_t kNoAlarmMinutes = 1;
inline constexpr int32_t kNoDuration = -1;

struct ParsedEvent : RecurrenceFields {
    int32_t Sensitivity = kSensitivityNormal;
    int32_t Importance = kImportanceNormal;
    int32_t BusyStatus = kBusyBusy;
    std::u16string OrganizerAddress;
    std::u16string OrganizerName;
    std::vector<EventAttendee> Attendees;
    std::u16string Categories;
    std::u16string Description;
    std::u16string Subject;
    std::u16string Location;
    std::u16string Resources;
    std::string AlarmDate;
    int32_t AlarmMinutes = kNoAlarmMinutes;
    EventDate Start;
    EventDate End;
    int32_t DurationMinutes = kNoDuration;
    std::string Uid;
    std::vector<EventDate> ExDates;
    std::vector<RDateEntry> RDates;
};
