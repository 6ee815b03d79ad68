#include "host/import_request.h"

#include "host/store_json.h"
#include "platform/win32/code_page.h"
#include "platform/win32/locale.h"
#include "platform/win32/posix_time_zone.h"
#include "platform/win32/zoneinfo_file.h"

#include <cstdlib>
#include <optional>

namespace {

bool Conflict(const std::string& name, int32_t& resolution, std::string& error) {
    const std::pair<const char*, int32_t> names[] = {{"duplicate", kConflictDuplicate},
                                                     {"replace", kConflictReplace},
                                                     {"leave", kConflictLeave}};
    for (const auto& [text, value] : names) {
        if (name == text) {
            resolution = value;
            return true;
        }
    }
    error = "the conflict resolution is duplicate, replace or leave, not '" + name + "'";
    return false;
}

bool IsKnownZone(const std::string& zone) {
    if (ParsePosixTimeZone(zone)) {
        return true;
    }
    std::optional<std::string> path = ZoneinfoPath(zone);
    return path && ReadZoneinfoRule(*path);
}

// The rule of a zone named like TZ: the system zone read with TZ set to it.
TimeZoneRule RuleOfZone(const std::string& zone) {
    const char* saved = std::getenv("TZ");
    std::optional<std::string> previous = saved ? std::optional<std::string>(saved) : std::nullopt;
    setenv("TZ", zone.c_str(), 1);
    TimeZoneRule rule{};
    GetSystemTimeZone(rule);
    if (previous) {
        setenv("TZ", previous->c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    return rule;
}

bool DefaultZone(const std::string& zone, ImportOptions& options, std::string& error) {
    if (zone == "system") {
        if (!GetSystemTimeZone(options.DefaultTimeZone)) {
            error = "the system time zone cannot be read";
            return false;
        }
        return true;
    }
    if (!IsKnownZone(zone)) {
        error = "unknown time zone '" + zone +
                "' (a zoneinfo name such as Europe/Berlin, or a "
                "POSIX rule such as EST5EDT,M3.2.0,M11.1.0)";
        return false;
    }
    options.DefaultTimeZone = RuleOfZone(zone);
    options.DefaultTimeZoneName = zone;
    return true;
}

std::u16string JoinCategories(const std::vector<std::string>& names) {
    char separator[8] = {};
    int length = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SLIST, separator, sizeof separator);
    std::string joiner = length > 1 ? std::string(separator) : std::string(";");
    std::string joined;
    for (const std::string& name : names) {
        joined += (joined.empty() ? "" : joiner) + name;
    }
    return AnsiToWide(joined);
}

bool LabelMask(const std::vector<int>& labels, uint32_t& mask, std::string& error) {
    for (int label : labels) {
        if (label < 1 || label > 10) {
            error = "labels are numbered 1 to 10, not " + std::to_string(label);
            return false;
        }
        mask |= 1u << (label - 1);
    }
    return true;
}

bool DateBound(const std::string& text, COleDateTime& bound, std::string& error) {
    if (text.empty()) {
        return true;
    }
    DATE date = 0;
    if (!ParseLocalDateTime(text, date)) {
        error = "'" + text + "' is not a date (YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS)";
        return false;
    }
    bound = COleDateTime(date);
    return true;
}

bool BuildFilter(const ImportCommandOptions& flags, ImportFilter& filter, std::string& error) {
    filter.Flags |= flags.skipAllDay ? uint32_t{kSkipAllDay} : 0u;
    filter.Flags |= flags.skipPrivate ? uint32_t{kSkipPrivate} : 0u;
    if (!flags.excludeCategories.empty()) {
        filter.Flags |= kSkipListedCategories;
        filter.Categories = JoinCategories(flags.excludeCategories);
    } else if (!flags.onlyCategories.empty()) {
        filter.Flags |= kSkipUnlistedCategories;
        filter.Categories = JoinCategories(flags.onlyCategories);
    }
    if (!flags.excludeLabels.empty()) {
        filter.Flags |= kSkipLabelled;
        if (!LabelMask(flags.excludeLabels, filter.LabelMask, error)) {
            return false;
        }
    } else if (!flags.onlyLabels.empty()) {
        filter.Flags |= kSkipUnlabelled;
        if (!LabelMask(flags.onlyLabels, filter.LabelMask, error)) {
            return false;
        }
    }
    if (!flags.after.empty() || !flags.before.empty()) {
        filter.Flags |= kApplyDateRange;
    }
    return DateBound(flags.after, filter.DateFrom, error) &&
           DateBound(flags.before, filter.DateTo, error);
}

} // namespace

bool BuildImportRequest(const ImportCommandOptions& flags, ImportRequest& request,
                        std::string& error) {
    ImportOptions& options = request.options;
    options.Paths = flags.paths;
    if (!Conflict(flags.conflict, options.ConflictResolution, error) ||
        !DefaultZone(flags.timezone, options, error) ||
        !BuildFilter(flags, request.filter, error)) {
        return false;
    }
    options.UseFilter = request.filter.Flags != 0;
    return true;
}
