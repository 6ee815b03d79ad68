#include "engine/export/ical_date_time.h"

namespace {

char* PutDigits(char* out, int value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return out + width;
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
    return std::string(RenderIcalDateTime(date, alreadyUtc, toUtc, withTime, system).View());
}

IcalDateTimeText RenderIcalDateTime(const COleDateTime& date, bool alreadyUtc, bool toUtc,
                                    bool withTime, const SystemZone& system) {
    COleDateTime value = date;
    bool isUtc = alreadyUtc;
    if (toUtc && !alreadyUtc) {
        if (system.readable) {
            value = LocalToUtc(system.rule, LocalTime{date}).value;
        }
        isUtc = true;
    }
    IcalDateTimeText rendered;
    SYSTEMTIME st;
    if (value.GetStatus() != COleDateTime::valid || !value.GetAsSystemTime(st)) {
        constexpr std::string_view kInvalid = "-001Invalid DateTime";
        rendered.length = kInvalid.copy(rendered.text, kInvalid.size());
        return rendered;
    }
    char* out = PutDigits(rendered.text, st.wYear, 4);
    out = PutDigits(out, st.wMonth, 2);
    out = PutDigits(out, st.wDay, 2);
    if (withTime) {
        *out++ = 'T';
        out = PutDigits(out, st.wHour, 2);
        out = PutDigits(out, st.wMinute, 2);
        out = PutDigits(out, st.wSecond, 2);
        if (isUtc) {
            *out++ = 'Z';
        }
    }
    rendered.length = static_cast<std::size_t>(out - rendered.text);
    return rendered;
}

COleDateTime ToItemZone(const TimeZoneRule& itemZone, const COleDateTime& local,
                        const SystemZone& system) {
    if (!system.readable || IsSameTimeZone(system.rule, itemZone)) {
        return local;
    }
    return UtcToLocal(itemZone, LocalToUtc(system.rule, LocalTime{local})).value;
}
