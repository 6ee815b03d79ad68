#include "engine/import/exception_plan.h"

#include "engine/import/outlook_date.h"

#include <algorithm>

namespace {

bool IsOccurrence(const COleDateTime& date, const std::vector<COleDateTime>& occurrences) {
    return std::any_of(occurrences.begin(), occurrences.end(),
                       [&](const COleDateTime& o) { return o == date; });
}

bool OccurrenceBetween(const COleDateTime& from, const COleDateTime& to,
                       const std::vector<COleDateTime>& occurrences) {
    return std::any_of(occurrences.begin(), occurrences.end(),
                       [&](const COleDateTime& o) { return from < o && o < to; });
}

// Drops the EXDATEs that hit no occurrence, with one log line naming them.
void DropWrongExDates(std::vector<ExceptionEntry>& entries,
                      const std::vector<COleDateTime>& occurrences, const std::string& itemText,
                      const ExceptionPlanLog& log) {
    std::string dropped;
    for (size_t i = entries.size(); i-- > 0;) {
        if (entries[i].Kind == kExceptionExDate && !IsOccurrence(entries[i].Date, occurrences)) {
            dropped += (dropped.empty() ? "" : ",") + UserDateText(entries[i].Date);
            entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    if (!dropped.empty()) {
        log("ignoring some wrong dates in EXDATE:" + dropped + " " + itemText, 1, 2);
    }
}

using Group = std::vector<ExceptionEntry*>;

std::vector<Group> SplitGroups(std::vector<ExceptionEntry>& entries,
                               const std::vector<COleDateTime>& occurrences) {
    std::vector<Group> groups;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i == 0 || OccurrenceBetween(entries[i - 1].Date, entries[i].Date, occurrences)) {
            groups.emplace_back();
        }
        groups.back().push_back(&entries[i]);
    }
    return groups;
}

int Balance(const Group& group) {
    int balance = 0;
    for (const ExceptionEntry* entry : group) {
        balance += entry->Kind == kExceptionExDate ? 1 : entry->Kind == kExceptionRDate ? -1 : 0;
    }
    return balance;
}

void Pair(ExceptionEntry& exDate, const ExceptionEntry& rDate, ExceptionPlan& plan) {
    plan.Moved.emplace_back(exDate.Date, rDate.Date);
    exDate.Kind = kExceptionPaired;
}

// An RDATE takes the next unpaired EXDATE after it.
void PairForward(Group& group, size_t at, ExceptionPlan& plan, const std::string& itemText,
                 const ExceptionPlanLog& log) {
    for (size_t j = at + 1; j < group.size(); ++j) {
        if (group[j]->Kind == kExceptionExDate) {
            Pair(*group[j], *group[at], plan);
            return;
        }
    }
    log("Error: cant find exdate for rdate " + UserDateTimeText(group[at]->Date) + " " + itemText,
        3, 1);
}

// An EXDATE opens a run that ends where its EXDATEs and RDATEs balance; the
// run's RDATEs take, from the right, the nearest unpaired EXDATE on their
// left. Returns the index after the run.
size_t PairRun(Group& group, size_t at, ExceptionPlan& plan) {
    size_t end = at;
    int exDates = 0;
    int rDates = 0;
    for (; end < group.size(); ++end) {
        exDates += group[end]->Kind == kExceptionExDate;
        rDates += group[end]->Kind == kExceptionRDate;
        if (exDates == rDates) {
            break;
        }
    }
    end = std::min(end, group.size() - 1);
    for (size_t r = end + 1; r-- > at;) {
        if (group[r]->Kind != kExceptionRDate) {
            continue;
        }
        for (size_t e = r; e-- > at;) {
            if (group[e]->Kind == kExceptionExDate) {
                Pair(*group[e], *group[r], plan);
                break;
            }
        }
    }
    return end + 1;
}

void PlanGroup(Group& group, ExceptionPlan& plan, const std::string& itemText,
               const ExceptionPlanLog& log) {
    if (Balance(group) < 0) {
        log("Error: missed one or more date in EXDATE beetween dates (" +
                UserDateTimeText(group.front()->Date) + ", " +
                UserDateTimeText(group.back()->Date) + "). Skipping this interval",
            3, 1);
        return;
    }
    for (size_t i = 0; i < group.size();) {
        if (group[i]->Kind == kExceptionRDate) {
            PairForward(group, i, plan, itemText, log);
            ++i;
        } else if (group[i]->Kind == kExceptionExDate) {
            i = PairRun(group, i, plan);
        } else {
            ++i;
        }
    }
    for (const ExceptionEntry* entry : group) {
        if (entry->Kind == kExceptionExDate) {
            plan.Deleted.push_back(entry->Date);
        }
    }
}

} // namespace

ExceptionPlan PlanExceptions(std::vector<ExceptionEntry> entries,
                             const std::vector<COleDateTime>& occurrences,
                             const std::string& itemText, const ExceptionPlanLog& log) {
    ExceptionPlan plan;
    DropWrongExDates(entries, occurrences, itemText, log);
    std::vector<Group> groups = SplitGroups(entries, occurrences);
    for (Group& group : groups) {
        PlanGroup(group, plan, itemText, log);
    }
    return plan;
}
