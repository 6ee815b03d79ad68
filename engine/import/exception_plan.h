#pragma once
// The plan for a recurring appointment's changed occurrences: calendar files
// list deleted occurrences as EXDATEs and moved ones as an EXDATE (the old
// start) with an RDATE (the new start), without saying which belong
// together. The plan pairs them by where they lie among the series' real
// occurrences and leaves the unpaired EXDATEs as deletions.

#include "platform/com/ole_date_time.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

enum ExceptionKind { kExceptionPaired = 0, kExceptionExDate = 1, kExceptionRDate = 2 };

struct ExceptionEntry {
    COleDateTime Date;
    int Kind = kExceptionExDate;
};

struct ExceptionPlan {
    std::vector<COleDateTime> Deleted;
    // {old start, new start}.
    std::vector<std::pair<COleDateTime, COleDateTime>> Moved;
};

// A problem found while planning, logged by the caller: the text and its level.
using ExceptionPlanLog = std::function<void(const std::string& text, int level, int flag)>;

// Plans the exceptions of a series. entries are sorted by date; occurrences
// are the series' starts around them. itemText ends each error text.
ExceptionPlan PlanExceptions(std::vector<ExceptionEntry> entries,
                             const std::vector<COleDateTime>& occurrences,
                             const std::string& itemText, const ExceptionPlanLog& log);
