#pragma once
// The zones one calendar knows, by key: the TZIDs of its VTIMEZONE
// components, the vCalendar 1.0 zone of its TZ and DAYLIGHT properties, and
// the import's default zone, which is always present.

#include "engine/common/time_zone_rule.h"

#include <map>
#include <string>

// The key of the default zone: 32 characters, two of them above 127, so that
// no calendar file plausibly uses it as a TZID.
inline constexpr const char* DefaultZoneKey = "\xA7\xA7Quillane import default zone\xA7\xA7";
// The key of the zone built from vCalendar 1.0 TZ and DAYLIGHT properties.
inline constexpr const char* kVCal10ZoneKey = "Timezone from vCal1.0";

using TimeZoneTable = std::map<std::string, TimeZoneRule>;
