#include "platform/win32/time_zone.h"

#include "platform/win32/platform_warning.h"
#include "platform/win32/posix_time_zone.h"
#include "platform/win32/zoneinfo_file.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* kLocalTimeFile = "/etc/localtime";
constexpr std::size_t kMaxCachedZones = 64;

// The zone as handed out, plus whether its daylight time is what the C
// library calls standard time (a rule such as Dublin's "IST-1GMT0,...", whose
// winter time is the daylight time, is turned round so that daylight time is
// always the later clock).
struct SystemZone {
    TIME_ZONE_INFORMATION info{};
    bool hasDaylightTime = false;
    bool turnedRound = false;
};

void CopyName(const std::string& name, char16_t (&out)[32]) {
    std::size_t i = 0;
    for (; i < name.size() && i < 31; ++i) {
        out[i] = static_cast<unsigned char>(name[i]);
    }
    out[i] = u'\0';
}

LONG Minutes(int seconds) {
    return static_cast<LONG>(seconds >= 0 ? (seconds + 30) / 60 : -((30 - seconds) / 60));
}

WORD Word(long value) {
    return static_cast<WORD>(value);
}

// The clock time of a change may lie before midnight or beyond 24 hours: the
// weekday moves by the whole days and the week stays, which is exact unless
// the shifted day crosses into another week of the month. A change at 24:00
// becomes 23:59:59.999 of the same day: the right day in every year, one
// second early.
SYSTEMTIME TransitionDate(const PosixTransition& t) {
    long seconds = t.seconds;
    long weekday = t.weekday;
    if (seconds == 86400) {
        return SYSTEMTIME{0, Word(t.month), Word(weekday), Word(t.week), 23, 59, 59, 999};
    }
    long days = seconds >= 0 ? seconds / 86400 : -((86399 - seconds) / 86400);
    seconds -= days * 86400;
    weekday = ((weekday + days) % 7 + 7) % 7;
    return SYSTEMTIME{0,
                      Word(t.month),
                      Word(weekday),
                      Word(t.week),
                      Word(seconds / 3600),
                      Word(seconds / 60 % 60),
                      Word(seconds % 60),
                      0};
}

SystemZone StandardOnly(const PosixTimeZone& zone) {
    SystemZone result;
    result.info.Bias = Minutes(zone.standardOffset);
    CopyName(zone.standardName, result.info.StandardName);
    return result;
}

SystemZone WithDaylightTime(const PosixTimeZone& zone) {
    SystemZone result = StandardOnly(zone);
    TIME_ZONE_INFORMATION& info = result.info;
    info.DaylightBias = Minutes(zone.daylightOffset) - info.Bias;
    CopyName(zone.daylightName, info.DaylightName);
    info.DaylightDate = TransitionDate(zone.daylightStart);
    info.StandardDate = TransitionDate(zone.daylightEnd);
    result.hasDaylightTime = true;
    if (info.DaylightBias > 0) {
        std::swap(info.StandardName, info.DaylightName);
        std::swap(info.StandardDate, info.DaylightDate);
        info.Bias += info.DaylightBias;
        info.DaylightBias = -info.DaylightBias;
        result.turnedRound = true;
    }
    return result;
}

bool UsesDayNumbers(const PosixTimeZone& zone) {
    return zone.daylightStart.form != PosixTransition::kMonthWeekDay ||
           zone.daylightEnd.form != PosixTransition::kMonthWeekDay;
}

SystemZone Utc() {
    SystemZone result;
    CopyName("UTC", result.info.StandardName);
    return result;
}

std::optional<std::string> RuleFromFile(const std::optional<std::string>& path) {
    return path ? ReadZoneinfoRule(*path) : std::nullopt;
}

// The POSIX rule for a TZ value: empty is UTC; ":name" names a zoneinfo file;
// anything else is a POSIX rule or, failing that, a zoneinfo name.
std::optional<std::string> RuleOfTz(const std::string& tz) {
    if (tz.empty()) {
        return "UTC0";
    }
    if (tz.front() == ':') {
        return RuleFromFile(ZoneinfoPath(tz.substr(1)));
    }
    if (ParsePosixTimeZone(tz)) {
        return tz;
    }
    return RuleFromFile(ZoneinfoPath(tz));
}

// A zone and the warning its TZ value deserves (empty: none).
struct Resolution {
    SystemZone zone;
    std::string warning;
};

// Without TZ the machine's zone, silently UTC when it has none.
Resolution Resolve(const std::optional<std::string>& tz) {
    std::optional<std::string> rule = tz ? RuleOfTz(*tz) : ReadZoneinfoRule(kLocalTimeFile);
    std::optional<PosixTimeZone> zone = rule ? ParsePosixTimeZone(*rule) : std::nullopt;
    if (!zone) {
        return {Utc(), tz ? "Unknown time zone TZ=\"" + *tz + "\", using UTC" : ""};
    }
    if (zone->HasDaylightTime() && UsesDayNumbers(*zone)) {
        return {StandardOnly(*zone), "Time zone \"" + *rule +
                                         "\" changes its clocks on day numbers, which are not "
                                         "supported; its daylight time is ignored"};
    }
    return {zone->HasDaylightTime() ? WithDaylightTime(*zone) : StandardOnly(*zone), ""};
}

std::optional<std::string> Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

// Zones by the TZ and TZDIR texts they were read from. A warning is logged
// once per distinct text, outside the lock so that logging may read the zone.
SystemZone CachedSystemZone() {
    static std::mutex mutex;
    static std::map<std::string, SystemZone> cache;
    static std::set<std::string> warned;
    std::optional<std::string> tz = Environment("TZ");
    std::string key = (tz ? "TZ=" + *tz : "no TZ") + '\n' + ZoneinfoFolder();
    std::unique_lock lock(mutex);
    auto found = cache.find(key);
    if (found != cache.end()) {
        return found->second;
    }
    if (cache.size() >= kMaxCachedZones) {
        cache.clear();
    }
    Resolution resolved = Resolve(tz);
    cache[key] = resolved.zone;
    bool firstTime = !resolved.warning.empty() && warned.insert(resolved.warning).second;
    lock.unlock();
    if (firstTime) {
        ReportPlatformWarning("GetTimeZoneInformation", 0, resolved.warning.c_str());
    }
    return resolved.zone;
}

// Whether an environment value kept from an earlier call still reads the same.
bool SameValue(const std::optional<std::string>& kept, const char* now) {
    return kept ? now != nullptr && *kept == now : now == nullptr;
}

// TZ and TZDIR as the environment holds them now, null when unset; the
// first entry of each name counts, as with getenv.
struct ZoneVariables {
    const char* tz = nullptr;
    const char* tzdir = nullptr;
};

// Both found in one pass over the environment, passing over at its first two
// letters every entry whose name does not start with "TZ".
ZoneVariables CurrentZoneVariables() {
    ZoneVariables found;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const char* text = *entry;
        if (text[0] != 'T' || text[1] != 'Z') {
            continue;
        }
        if (text[2] == '=' && found.tz == nullptr) {
            found.tz = text + 3;
        } else if (std::strncmp(text + 2, "DIR=", 4) == 0 && found.tzdir == nullptr) {
            found.tzdir = text + 6;
        }
    }
    return found;
}

// The zone of this thread's last call while TZ and TZDIR read as they did
// then: the engines ask for the zone once per date they convert, and this
// answers them without building the cache's key.
SystemZone CurrentSystemZone() {
    struct LastZone {
        bool valid = false;
        std::optional<std::string> tz, tzdir;
        SystemZone zone;
    };
    thread_local LastZone last;
    const auto [tz, tzdir] = CurrentZoneVariables();
    if (!last.valid || !SameValue(last.tz, tz) || !SameValue(last.tzdir, tzdir)) {
        last.zone = CachedSystemZone();
        last.tz = Environment("TZ");
        last.tzdir = Environment("TZDIR");
        last.valid = true;
    }
    return last.zone;
}

bool DaylightTimeNow() {
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    tzset();
    return localtime_r(&now, &parts) != nullptr && parts.tm_isdst > 0;
}

} // namespace

DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* info) {
    if (info == nullptr) {
        SetLastError(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        return TIME_ZONE_ID_INVALID;
    }
    const SystemZone zone = CurrentSystemZone();
    *info = zone.info;
    if (!zone.hasDaylightTime) {
        return TIME_ZONE_ID_UNKNOWN;
    }
    return DaylightTimeNow() != zone.turnedRound ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}
