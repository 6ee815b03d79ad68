#include "platform/outlook/store_time.h"

#include "platform/outlook/civil_day.h"

#include <cmath>

StoreSeconds DateToSeconds(DATE date) {
    return static_cast<StoreSeconds>(std::llround(OleDateToLinear(date) * kSecondsPerDay));
}

DATE SecondsToDate(StoreSeconds seconds) {
    return LinearToOleDate(static_cast<double>(seconds) / kSecondsPerDay);
}

int DayOf(StoreSeconds seconds) {
    StoreSeconds day = seconds / kSecondsPerDay;
    if (seconds % kSecondsPerDay < 0) {
        --day;
    }
    return static_cast<int>(day);
}

StoreSeconds TimeOfDay(StoreSeconds seconds) {
    return seconds - static_cast<StoreSeconds>(DayOf(seconds)) * kSecondsPerDay;
}

StoreZone StoreZone::CurrentSystem() {
    TimeZoneRule rule{};
    GetSystemTimeZone(rule);
    return StoreZone(rule);
}

StoreSeconds StoreZone::ToUtc(StoreSeconds local) const {
    return DateToSeconds(LocalToUtc(rule_, LocalTime{COleDateTime(SecondsToDate(local))}).value);
}

StoreSeconds StoreZone::ToLocal(StoreSeconds utc) const {
    return DateToSeconds(UtcToLocal(rule_, UtcTime{COleDateTime(SecondsToDate(utc))}).value);
}
