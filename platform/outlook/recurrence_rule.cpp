#include "platform/outlook/recurrence_rule.h"

#include "platform/outlook/civil_day.h"

#include <vector>

namespace {

enum class PeriodKind { Day, Week, Month, Year };

// Periods searched for the first occurrence before a rule counts as empty:
// enough for any usable rule (a yearly date exists every year, a weekday in
// every week).
constexpr int kAnchorSearchPeriods = 8;

constexpr int kDaily = 0, kWeekly = 1, kMonthly = 2, kMonthNth = 3, kYearly = 5, kYearNth = 6;

PeriodKind KindOf(const RecurrenceRule& rule) {
    switch (rule.type) {
    case kDaily:
        return rule.interval > 0 ? PeriodKind::Day : PeriodKind::Week;
    case kWeekly:
        return PeriodKind::Week;
    case kMonthly:
    case kMonthNth:
        return PeriodKind::Month;
    default:
        return PeriodKind::Year;
    }
}

int Step(const RecurrenceRule& rule) {
    return rule.interval > 0 ? rule.interval : 1;
}

bool MaskHas(int mask, int day) {
    return (mask >> Weekday(day)) & 1;
}

int FloorDiv(std::int64_t a, int b) {
    return static_cast<int>(a >= 0 ? a / b : -((-a + b - 1) / b));
}

std::int64_t PeriodOf(PeriodKind kind, int day) {
    const CivilDate date = CivilFromDayNumber(day);
    switch (kind) {
    case PeriodKind::Day:
        return day;
    case PeriodKind::Week:
        // Day 1 (31 December 1899) is a Sunday: week n starts on day 7n + 1.
        return FloorDiv(day - Weekday(day) - 1, 7);
    case PeriodKind::Month:
        return MonthIndex(date.year, date.month);
    case PeriodKind::Year:
        return date.year;
    }
    return day;
}

// The n-th (5: last) day of the month matching the mask.
std::optional<int> NthMaskDay(int year, int month, int mask, int instance) {
    std::vector<int> days;
    const int first = DayNumber(year, month, 1);
    for (int d = 0; d < DaysInMonth(year, month); ++d) {
        if (MaskHas(mask, first + d)) {
            days.push_back(first + d);
        }
    }
    if (days.empty()) {
        return std::nullopt;
    }
    if (instance >= 5) {
        return days.back();
    }
    if (instance < 1 || static_cast<size_t>(instance) > days.size()) {
        return std::nullopt;
    }
    return days[instance - 1];
}

int ClampedDay(int year, int month, int dayOfMonth) {
    const int last = DaysInMonth(year, month);
    return DayNumber(year, month, dayOfMonth > last ? last : dayOfMonth);
}

// The one date of a month or year period, before the "after" test.
std::optional<int> SingleDate(const RecurrenceRule& rule, int year, int month) {
    if (rule.type == kMonthNth || rule.type == kYearNth) {
        return NthMaskDay(year, month, rule.dayOfWeekMask, rule.instance);
    }
    return ClampedDay(year, month, rule.dayOfMonth);
}

} // namespace

bool IsUsableRule(const RecurrenceRule& rule) {
    const bool needsMask = rule.type == kWeekly || rule.type == kMonthNth ||
                           rule.type == kYearNth || (rule.type == kDaily && rule.interval <= 0);
    const bool needsDay = rule.type == kMonthly || rule.type == kYearly;
    const bool needsMonth = rule.type == kYearly || rule.type == kYearNth;
    const bool knownType = rule.type == kDaily || rule.type == kWeekly || rule.type == kMonthly ||
                           rule.type == kMonthNth || rule.type == kYearly || rule.type == kYearNth;
    return knownType && (!needsMask || (rule.dayOfWeekMask & 0x7F) != 0) &&
           (!needsDay || (rule.dayOfMonth >= 1 && rule.dayOfMonth <= 31)) &&
           (!needsMonth || (rule.monthOfYear >= 1 && rule.monthOfYear <= 12)) &&
           ((rule.type != kMonthNth && rule.type != kYearNth) ||
            (rule.instance >= 1 && rule.instance <= 5));
}

OccurrenceDates::OccurrenceDates(const RecurrenceRule& rule)
    : rule_(rule), lastDay_(rule.patternStart - 1), done_(!IsUsableRule(rule)) {}

std::optional<int> OccurrenceDates::DateInPeriod(std::int64_t period, int afterDay) const {
    const PeriodKind kind = KindOf(rule_);
    std::optional<int> date;
    if (kind == PeriodKind::Day) {
        date = static_cast<int>(period);
    } else if (kind == PeriodKind::Week) {
        const int sunday = static_cast<int>(period * 7 + 1);
        for (int d = sunday; d < sunday + 7 && !date; ++d) {
            if (d > afterDay && MaskHas(rule_.dayOfWeekMask, d)) {
                date = d;
            }
        }
    } else if (kind == PeriodKind::Month) {
        const int index = static_cast<int>(period);
        date = SingleDate(rule_, FloorDiv(index, 12), index - FloorDiv(index, 12) * 12 + 1);
    } else {
        date = SingleDate(rule_, static_cast<int>(period), rule_.monthOfYear);
    }
    if (date && *date > afterDay) {
        return date;
    }
    return std::nullopt;
}

std::optional<int> OccurrenceDates::NextCandidate() {
    if (!period_) {
        const std::int64_t first = PeriodOf(KindOf(rule_), rule_.patternStart);
        for (int i = 0; i < kAnchorSearchPeriods && !period_; ++i) {
            if (DateInPeriod(first + i, rule_.patternStart - 1)) {
                period_ = first + i;
            }
        }
        if (!period_) {
            return std::nullopt;
        }
    }
    for (;;) {
        if (std::optional<int> date = DateInPeriod(*period_, lastDay_)) {
            return date;
        }
        *period_ += Step(rule_);
    }
}

bool OccurrenceDates::Ended(int day) const {
    if (rule_.noEndDate) {
        return false;
    }
    if (rule_.occurrences > 0) {
        return returned_ >= rule_.occurrences;
    }
    return rule_.patternEnd && day > *rule_.patternEnd;
}

std::optional<int> OccurrenceDates::Next() {
    if (done_) {
        return std::nullopt;
    }
    std::optional<int> date = NextCandidate();
    if (!date || Ended(*date)) {
        done_ = true;
        return std::nullopt;
    }
    lastDay_ = *date;
    ++returned_;
    return date;
}

void OccurrenceDates::SkipTo(int day) {
    if (day - 1 <= lastDay_ || done_) {
        return;
    }
    const bool countsOccurrences = !rule_.noEndDate && rule_.occurrences > 0;
    if (countsOccurrences || !NextCandidate()) {
        // The count of skipped occurrences matters: walk them.
        while (!done_ && lastDay_ < day - 1) {
            std::optional<int> date = NextCandidate();
            if (!date || *date >= day) {
                break;
            }
            if (!Next()) {
                break;
            }
        }
        return;
    }
    // Jump to the first period of the series at or before the day's period.
    const std::int64_t target = PeriodOf(KindOf(rule_), day);
    if (target > *period_) {
        *period_ += (target - *period_) / Step(rule_) * Step(rule_);
    }
    lastDay_ = day - 1;
}

std::optional<int> LastOccurrenceDate(RecurrenceRule rule) {
    rule.noEndDate = false;
    rule.patternEnd.reset();
    if (rule.occurrences <= 0) {
        return std::nullopt;
    }
    OccurrenceDates dates(rule);
    std::optional<int> last;
    while (std::optional<int> date = dates.Next()) {
        last = date;
    }
    return last;
}

int CountOccurrencesThrough(RecurrenceRule rule, int endDay) {
    rule.noEndDate = false;
    rule.occurrences = 0;
    rule.patternEnd = endDay;
    OccurrenceDates dates(rule);
    int count = 0;
    while (dates.Next()) {
        ++count;
    }
    return count;
}
