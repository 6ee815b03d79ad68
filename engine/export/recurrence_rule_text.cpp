#include "engine/export/recurrence_rule_text.h"

#include "platform/win32/registry.h"

#include <cstdio>
#include <string_view>

namespace {

constexpr std::string_view kDayNames[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

// The days of the mask, Sunday first, each after the separator.
std::string MaskDays(LONG mask, std::string_view separator) {
    std::string days;
    for (int day = 0; day < 7; ++day) {
        if ((mask & (1 << day)) != 0) {
            days += separator;
            days += kDayNames[day];
        }
    }
    return days;
}

std::string Printf(const char* format, auto... values) {
    char text[160];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

LONG IntervalOrOne(const RecurrenceFields& f) {
    return f.interval > 0 ? f.interval : 1;
}

std::string VCalendarExtra(const RecurrenceFields& f, const std::string& days) {
    if (f.recurrenceType == 5) {
        return Printf("MD1 %d", f.dayOfMonth);
    }
    if (f.recurrenceType == 6) {
        return Printf("MP1 %d+%s", f.instance, days.c_str());
    }
    return {};
}

std::string VCalendarMain(const RecurrenceFields& f, const std::string& days) {
    switch (f.recurrenceType) {
    case 0:
        return f.interval != 0 ? Printf("D%d", f.interval) : "W1" + days;
    case 1:
        return Printf("W%d%s", IntervalOrOne(f), days.c_str());
    case 2:
        return Printf("MD%d %d", IntervalOrOne(f), f.dayOfMonth);
    case 3:
        return Printf("MP%d %d+%s", IntervalOrOne(f), f.instance, days.c_str());
    case 5:
    case 6:
        return Printf("YM1 %d", f.monthOfYear);
    default:
        return {};
    }
}

std::string ICalendarDays(const RecurrenceFields& f) {
    return f.dayOfWeekMask > 0 ? MaskDays(f.dayOfWeekMask, ",").substr(1) : std::string();
}

} // namespace

std::string VCalendarRule(const RecurrenceFields& f) {
    std::string days = MaskDays(f.dayOfWeekMask, " ");
    std::string rule = VCalendarMain(f, days);
    rule += f.noEndDate ? std::string(" #0") : Printf(" #%d", f.occurrences);
    std::string extra = VCalendarExtra(f, days);
    return extra.empty() ? rule : rule + " " + extra;
}

std::string ICalendarRule(const RecurrenceFields& f) {
    std::string count = f.noEndDate ? std::string() : Printf(";COUNT=%d", f.occurrences);
    std::string interval = Printf(";INTERVAL=%d", IntervalOrOne(f));
    std::string days = ICalendarDays(f);
    int pos = f.instance == 5 ? -1 : f.instance;
    const char* c = count.c_str();
    switch (f.recurrenceType) {
    case 0:
        return f.interval != 0
                   ? Printf("FREQ=DAILY%s%s", c, interval.c_str())
                   : Printf("FREQ=DAILY%s%s;BYDAY=%s", c, interval.c_str(), days.c_str());
    case 1:
        return Printf("FREQ=%s%s%s;BYDAY=%s", f.interval == 0 ? "DAILY" : "WEEKLY", c,
                      interval.c_str(), days.c_str());
    case 2:
        return Printf("FREQ=MONTHLY%s%s;BYMONTHDAY=%d", c, interval.c_str(), f.dayOfMonth);
    case 3:
        return Printf("FREQ=MONTHLY%s%s;BYDAY=%s;BYSETPOS=%d", c, interval.c_str(), days.c_str(),
                      pos);
    case 5:
        return Printf("FREQ=YEARLY%s;INTERVAL=1;BYMONTHDAY=%d;BYMONTH=%d", c, f.dayOfMonth,
                      f.monthOfYear);
    case 6:
        return Printf("FREQ=YEARLY%s;INTERVAL=1;BYDAY=%s;BYMONTH=%d;BYSETPOS=%d", c, days.c_str(),
                      f.monthOfYear, pos);
    default:
        return {};
    }
}

std::string WeekStartParameter(int outlookVersion) {
    std::string path =
        Printf("Software\\Microsoft\\Office\\%d.0\\Outlook\\Options\\Calendar", outlookVersion);
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return {};
    }
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    LONG status =
        RegQueryValueExA(key, "FirstDOW", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != 4 || value > 6) {
        return {};
    }
    return ";WKST=" + std::string(kDayNames[value]);
}
