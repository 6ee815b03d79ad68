#include "engine/common/time_zone_rule.h"

#include "platform/win32/time_zone.h"

#include <array>
#include <cmath>
#include <cstring>

namespace {

constexpr long long kSecondsPerDay = 86400;

// Date-times as whole seconds on a linear scale, so that comparisons at a
// transition and offsets in minutes are exact.
long long ToSeconds(const COleDateTime& date) {
    return std::llround(OleDateToLinear(date.m_dt) * kSecondsPerDay);
}

// Built the way COleDateTime builds a date from its fields, so that equal
// readings give equal values.
COleDateTime FromSeconds(long long seconds) {
    long long days = seconds >= 0 ? seconds / kSecondsPerDay
                                  : -((kSecondsPerDay - 1 - seconds) / kSecondsPerDay);
    long long rest = seconds - days * kSecondsPerDay;
    COleDateTime result(LinearToOleDate(static_cast<double>(days) + rest / 86400.0));
    if (!IsOleDateInRange(result.m_dt)) {
        result.SetStatus(COleDateTime::invalid);
    }
    return result;
}

COleDateTime AddMinutes(const COleDateTime& date, long minutes) {
    return FromSeconds(ToSeconds(date) + minutes * 60LL);
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool HasDaylightTime(const TimeZoneRule& rule) {
    return rule.DaylightDate.wMonth != 0;
}

bool HasStandardTransition(const TimeZoneRule& rule) {
    return rule.StandardDate.wMonth != 0;
}

// The yearly transitions of a rule with both dates, as local readings.
struct Transitions {
    COleDateTime standardStart;
    COleDateTime daylightStart;

    bool Usable() const {
        return standardStart.GetStatus() == COleDateTime::valid &&
               daylightStart.GetStatus() == COleDateTime::valid;
    }
};

// Every conversion asks for the transitions of its year, and a run converts
// many times in few zones and years: the last few answers are kept.
Transitions TransitionsOf(const TimeZoneRule& rule, int year) {
    struct Known {
        SYSTEMTIME standardDate, daylightDate;
        int year = 0;
        Transitions transitions;
    };
    constexpr size_t kKept = 4;
    thread_local std::array<Known, kKept> known{};
    thread_local size_t next = 0;
    for (const Known& k : known) {
        if (k.year == year &&
            std::memcmp(&k.standardDate, &rule.StandardDate, sizeof(SYSTEMTIME)) == 0 &&
            std::memcmp(&k.daylightDate, &rule.DaylightDate, sizeof(SYSTEMTIME)) == 0) {
            return k.transitions;
        }
    }
    Known& k = known[next++ % kKept];
    k = {rule.StandardDate,
         rule.DaylightDate,
         year,
         {TransitionTime(year, rule.StandardDate).value,
          TransitionTime(year, rule.DaylightDate).value}};
    return k.transitions;
}

// Standard time runs from the standard start up to the daylight start: in
// the northern pattern that interval wraps round the turn of the year.
bool InStandardTime(long long t, long long standardStart, long long daylightStart) {
    if (standardStart > daylightStart) {
        return t < daylightStart || t >= standardStart;
    }
    return standardStart <= t && t < daylightStart;
}

long StandardOffset(const TimeZoneRule& rule) {
    return rule.Bias + rule.StandardBias;
}

long DaylightOffset(const TimeZoneRule& rule) {
    return rule.Bias + rule.DaylightBias;
}

// Minutes to add to a local reading for UTC.
long OffsetAtLocal(const TimeZoneRule& rule, const COleDateTime& local) {
    if (!HasDaylightTime(rule)) {
        return StandardOffset(rule);
    }
    if (!HasStandardTransition(rule)) {
        return DaylightOffset(rule);
    }
    Transitions t = TransitionsOf(rule, local.GetYear());
    if (!t.Usable()) {
        return StandardOffset(rule);
    }
    bool standard =
        InStandardTime(ToSeconds(local), ToSeconds(t.standardStart), ToSeconds(t.daylightStart));
    return standard ? StandardOffset(rule) : DaylightOffset(rule);
}

// Minutes to subtract from a UTC reading for local time. The standard start
// is a daylight-time reading and the daylight start a standard-time one.
long OffsetAtUtc(const TimeZoneRule& rule, const COleDateTime& utc) {
    if (!HasDaylightTime(rule)) {
        return StandardOffset(rule);
    }
    if (!HasStandardTransition(rule)) {
        return DaylightOffset(rule);
    }
    Transitions t = TransitionsOf(rule, utc.GetYear());
    if (!t.Usable()) {
        return StandardOffset(rule);
    }
    long long standardStart = ToSeconds(t.standardStart) + DaylightOffset(rule) * 60LL;
    long long daylightStart = ToSeconds(t.daylightStart) + StandardOffset(rule) * 60LL;
    bool standard = InStandardTime(ToSeconds(utc), standardStart, daylightStart);
    return standard ? StandardOffset(rule) : DaylightOffset(rule);
}

} // namespace

bool GetSystemTimeZone(TimeZoneRule& rule) {
    rule = TimeZoneRule{};
    TIME_ZONE_INFORMATION info;
    if (GetTimeZoneInformation(&info) == TIME_ZONE_ID_INVALID) {
        return false;
    }
    rule.Bias = info.Bias;
    rule.StandardBias = info.StandardBias;
    rule.DaylightBias = info.DaylightBias;
    rule.StandardDate = info.StandardDate;
    rule.DaylightDate = info.DaylightDate;
    return true;
}

bool IsSameTimeZone(const TimeZoneRule& a, const TimeZoneRule& b) {
    return StandardOffset(a) == StandardOffset(b) && DaylightOffset(a) == DaylightOffset(b) &&
           std::memcmp(&a.StandardDate, &b.StandardDate, sizeof(SYSTEMTIME)) == 0 &&
           std::memcmp(&a.DaylightDate, &b.DaylightDate, sizeof(SYSTEMTIME)) == 0;
}

bool IsSystemTimeZone(const TimeZoneRule& rule) {
    TimeZoneRule system;
    return GetSystemTimeZone(system) && IsSameTimeZone(rule, system);
}

LocalTime TransitionTime(int year, const SYSTEMTIME& transition) {
    COleDateTime first(year, transition.wMonth, 1, 0, 0, 0);
    if (first.GetStatus() != COleDateTime::valid || transition.wDayOfWeek > 6) {
        return {COleDateTime::Invalid()};
    }
    int day = 1 + (transition.wDayOfWeek - (first.GetDayOfWeek() - 1) + 7) % 7;
    for (int step = 1; step < transition.wDay && day + 7 <= DaysInMonth(year, transition.wMonth);
         ++step) {
        day += 7;
    }
    return {COleDateTime(year, transition.wMonth, day, transition.wHour, transition.wMinute,
                         transition.wSecond)};
}

UtcTime LocalToUtc(const TimeZoneRule& rule, LocalTime local) {
    if (local.value.GetStatus() != COleDateTime::valid) {
        return {local.value};
    }
    return {AddMinutes(local.value, OffsetAtLocal(rule, local.value))};
}

LocalTime UtcToLocal(const TimeZoneRule& rule, UtcTime utc) {
    if (utc.value.GetStatus() != COleDateTime::valid) {
        return {utc.value};
    }
    return {AddMinutes(utc.value, -OffsetAtUtc(rule, utc.value))};
}

UtcTime SystemLocalToUtc(LocalTime local) {
    TimeZoneRule system;
    return GetSystemTimeZone(system) ? LocalToUtc(system, local) : UtcTime{local.value};
}

LocalTime SystemUtcToLocal(UtcTime utc) {
    TimeZoneRule system;
    return GetSystemTimeZone(system) ? UtcToLocal(system, utc) : LocalTime{utc.value};
}
