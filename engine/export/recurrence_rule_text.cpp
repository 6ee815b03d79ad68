#include "engine/export/recurrence_rule_text.h"

#include "platform/win32/registry.h"

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

// A number as "%d" writes it. Rules are written once per recurring item:
// built by appending, without a format to parse each time.
std::string Number(LONG value) {
    return std::to_string(value);
}

LONG IntervalOrOne(const RecurrenceFields& f) {
    return f.interval > 0 ? f.interval : 1;
}

std::string VCalendarExtra(const RecurrenceFields& f, const std::string& days) {
    if (f.recurrenceType == 5) {
        return "MD1 " + Number(f.dayOfMonth);
    }
    if (f.recurrenceType == 6) {
        return "MP1 " + Number(f.instance) + "+" + days;
    }
    return {};
}

std::string VCalendarMain(const RecurrenceFields& f, const std::string& days) {
    switch (f.recurrenceType) {
    case 0:
        return f.interval != 0 ? "D" + Number(f.interval) : "W1" + days;
    case 1:
        return "W" + Number(IntervalOrOne(f)) + days;
    case 2:
        return "MD" + Number(IntervalOrOne(f)) + " " + Number(f.dayOfMonth);
    case 3:
        return "MP" + Number(IntervalOrOne(f)) + " " + Number(f.instance) + "+" + days;
    case 5:
    case 6:
        return "YM1 " + Number(f.monthOfYear);
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
    rule += f.noEndDate ? std::string(" #0") : " #" + Number(f.occurrences);
    std::string extra = VCalendarExtra(f, days);
    return extra.empty() ? rule : rule + " " + extra;
}

std::string ICalendarRule(const RecurrenceFields& f) {
    const std::string count = f.noEndDate ? std::string() : ";COUNT=" + Number(f.occurrences);
    const std::string countAndInterval = count + ";INTERVAL=" + Number(IntervalOrOne(f));
    const std::string days = ICalendarDays(f);
    const LONG pos = f.instance == 5 ? -1 : f.instance;
    switch (f.recurrenceType) {
    case 0:
        return "FREQ=DAILY" + countAndInterval + (f.interval != 0 ? "" : ";BYDAY=" + days);
    case 1:
        return (f.interval == 0 ? "FREQ=DAILY" : "FREQ=WEEKLY") + countAndInterval +
               ";BYDAY=" + days;
    case 2:
        return "FREQ=MONTHLY" + countAndInterval + ";BYMONTHDAY=" + Number(f.dayOfMonth);
    case 3:
        return "FREQ=MONTHLY" + countAndInterval + ";BYDAY=" + days + ";BYSETPOS=" + Number(pos);
    case 5:
        return "FREQ=YEARLY" + count + ";INTERVAL=1;BYMONTHDAY=" + Number(f.dayOfMonth) +
               ";BYMONTH=" + Number(f.monthOfYear);
    case 6:
        return "FREQ=YEARLY" + count + ";INTERVAL=1;BYDAY=" + days +
               ";BYMONTH=" + Number(f.monthOfYear) + ";BYSETPOS=" + Number(pos);
    default:
        return {};
    }
}

std::string WeekStartParameter(int outlookVersion) {
    const std::string path = "Software\\Microsoft\\Office\\" + std::to_string(outlookVersion) +
                             ".0\\Outlook\\Options\\Calendar";
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
