#pragma once
// What an import run is told and what it counts: the options of the folders
// page (paths, target folder, conflict resolution, default zone), the filter
// of the filter page, and the three counters of one run.

#include "engine/common/outlook_application.h"
#include "engine/common/outlook_folder.h"
#include "engine/common/time_zone_rule.h"
#include "platform/com/ole_date_time.h"

#include <cstdint>
#include <string>
#include <vector>

// Values of ImportOptions::ConflictResolution; any other value duplicates.
enum ConflictResolutionKind : int32_t {
    kConflictDuplicate = 0,
    kConflictReplace = 1,
    kConflictLeave = 2,
};

struct ImportOptions {
    CComPtr<_Application> Application;
    // Calendar files or folders, in the order they are imported.
    std::vector<std::string> Paths;
    CComPtr<MAPIFolder> TargetFolder;
    int32_t ConflictResolution = kConflictDuplicate;
    // The zone of every time that names no usable zone.
    TimeZoneRule DefaultTimeZone{};
    // Its display name (ANSI), written to appointments that use it.
    std::string DefaultTimeZoneName;
    bool UseFilter = false;
};

// Bits of ImportFilter::Flags.
enum ImportFilterFlag : uint32_t {
    kSkipAllDay = 0x01,
    kSkipPrivate = 0x02,
    kSkipListedCategories = 0x04,
    kSkipUnlistedCategories = 0x08,
    kSkipLabelled = 0x10,
    kSkipUnlabelled = 0x20,
    kApplyDateRange = 0x40,
};

struct ImportFilter {
    uint32_t Flags = 0;
    // Category names joined by the user's list separator.
    std::u16string Categories;
    // Bit n-1 for colour label n (1..10).
    uint32_t LabelMask = 0;
    // "Start time after" and "End time before", local wall-clock time.
    COleDateTime DateFrom = COleDateTime::Invalid();
    COleDateTime DateTo = COleDateTime::Invalid();
};

struct ImportCounters {
    int32_t Imported = 0;
    int32_t Skipped = 0;
    int32_t Failed = 0;
};
