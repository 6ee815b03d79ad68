#include "host/import_request.h"

#include "platform/win32/code_page.h"
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

bool BuildFilter(const FilterFlags& flags, ImportFilter& filter, std::string& error) {
    FilterChoice choice;
    if (!BuildFilterChoice(flags, choice, error)) {
        return false;
    }
    filter = ImportFilter{choice.Flags, AnsiToWide(choice.Categories), choice.LabelMask,
                          choice.DateFrom, choice.DateTo};
    return true;
}

} // namespace

bool BuildImportRequest(const ImportCommandOptions& flags, ImportRequest& request,
                        std::string& error) {
    ImportOptions& options = request.options;
    options.Paths = flags.paths;
    if (!Conflict(flags.conflict, options.ConflictResolution, error) ||
        !DefaultZone(flags.timezone, options, error) ||
        !BuildFilter(flags.filter, request.filter, error)) {
        return false;
    }
    options.UseFilter = request.filter.Flags != 0;
    return true;
}
