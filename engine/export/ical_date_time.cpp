#include "engine/export/ical_date_time.h"

namespace {

void AppendDigits(std::string& out, int value, int width) {
    char digits[8];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out.append(digits, static_cast<std::size_t>(width));
}

} // namespace

SystemZone SystemZone::Read() {
    SystemZone zone;
    zone.readable = GetSystemTimeZone(zone.rule);
    return zone;
}

std::string FormatIcalDateTime(const COleDateTime& date, bool alreadyUtc, bool toUtc,
                               bool withTime) {
    return FormatIcalDateTime(date, alreadyUtc, toUtc, withTime,
                              toUtc && !alreadyUtc ? SystemZone::Read() : SystemZone{});
}

std::string FormatIcalDateTime(const COleDateTime& date, bool alreadyUtc, bool toUtc, bool withTime,
                               const SystemZone& system) {
    COleDateTime value = date;
    bool isUtc = alreadyUtc;
    if (toUtc && !alreadyUtc) {
        if (system.readable) {
            value = LocalToUtc(system.rule, LocalTime{date}).value;
        }
        isUtc = true;
    }
    SYSTEMTIME st;
    if (value.GetStatus() != COleDateTime::valid || !value.GetAsSystemTime(st)) {
        return "-001Invalid DateTime";
    }
    std::string out;
    out.reserve(16);
    AppendDigits(out, st.wYear, 4);
    AppendDigits(out, st.wMonth, 2);
    AppendDigits(out, st.wDay, 2);
    if (withTime) {
        out += 'T';
        AppendDigits(out, st.wHour, 2);
        AppendDigits(out, st.wMinute, 2);
        AppendDigits(out, st.wSecond, 2);
        if (isUtc) {
            out += 'Z';
        }
    }
    return out;
}

COleDateTime ToItemZone(const TimeZoneRule& itemZone, const COleDateTime& local,
                        const SystemZone& system) {
    if (!system.readable || IsSameTimeZone(system.rule, itemZone)) {
        return local;
    }
    return UtcToLocal(itemZone, LocalToUtc(system.rule, LocalTime{local})).value;
}
