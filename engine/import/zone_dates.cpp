// Date-time texts turned into values in the zone a caller needs.

#include "engine/import/cvcal_parser.h"

namespace {

int Digits(std::string_view text, size_t from, size_t count) {
    int number = 0;
    for (size_t i = from; i < from + count; ++i) {
        number = number * 10 + (text[i] - '0');
    }
    return number;
}

COleDateTime BuildDate(std::string_view text) {
    bool hasTime = text.size() > 8;
    COleDateTime value;
    value.SetDateTime(Digits(text, 0, 4), Digits(text, 4, 2), Digits(text, 6, 2),
                      hasTime ? Digits(text, 9, 2) : 0, hasTime ? Digits(text, 11, 2) : 0,
                      hasTime ? Digits(text, 13, 2) : 0);
    return value;
}

} // namespace

const TimeZoneRule* CvCalParser::FindZone(const std::string& key) {
    auto found = TimeZones.find(key);
    if (found != TimeZones.end()) {
        return &found->second;
    }
    log_("No(or bad) timezone with id = '" + key + "'", 0, "CvCalImport::ToDate", 2, 3);
    return nullptr;
}

bool CvCalParser::ToDate(std::string_view text, const std::string& zoneKey, COleDateTime& out,
                         int mode, const std::string& targetKey) {
    if (!IsValidDateText(text)) {
        return false;
    }
    bool utc = IsUtcDateText(text);
    out = BuildDate(text);
    if (out.GetStatus() != COleDateTime::valid) {
        return true;
    }
    if (mode == kToDateLocal) {
        out = ToLocal(out, utc, zoneKey);
    } else if (mode == kToDateTarget) {
        out = ToTarget(out, utc, zoneKey, targetKey);
    }
    return true;
}

COleDateTime CvCalParser::ToLocal(const COleDateTime& value, bool utc, const std::string& key) {
    if (utc) {
        return SystemUtcToLocal(UtcTime{value}).value;
    }
    if (key.empty()) {
        return value;
    }
    const TimeZoneRule* zone = FindZone(key);
    if (zone == nullptr) {
        return value;
    }
    return SystemUtcToLocal(LocalToUtc(*zone, LocalTime{value})).value;
}

COleDateTime CvCalParser::ToTarget(const COleDateTime& value, bool utc, const std::string& key,
                                   const std::string& targetKey) {
    UtcTime instant{value};
    if (!utc) {
        if (!key.empty() && key == targetKey) {
            return value;
        }
        const TimeZoneRule* zone = key.empty() ? nullptr : FindZone(key);
        instant = zone ? LocalToUtc(*zone, LocalTime{value}) : SystemLocalToUtc(LocalTime{value});
    }
    const TimeZoneRule* target = targetKey.empty() ? nullptr : FindZone(targetKey);
    return target ? UtcToLocal(*target, instant).value : SystemUtcToLocal(instant).value;
}
