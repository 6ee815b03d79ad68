#pragma once
// The dates of a recurring series, by Outlook's rules, in calendar days of the
// series' own zone (see civil_day.h). Example: type olRecursMonthNth,
// interval 1, mask olFriday, instance 5, from Monday 5 March 2007 gives
// 30 March, 27 April, 25 May, ...
//
// Rules:
// - The first occurrence is the first matching date on or after the pattern
//   start; the interval counts periods from the period of that first date.
// - Periods: days (daily with an interval), weeks beginning on Sunday (weekly,
//   and daily with interval 0, which means every weekday of the mask), months
//   (monthly, month-nth) and years (yearly, year-nth).
// - A day of month beyond the month's length falls on the month's last day.
// - Month-nth and year-nth take the n-th (5: the last) day of the month that
//   matches any day of the mask.
// - The series ends after a number of occurrences, after an end date, or never.

#include <cstdint>
#include <optional>

struct RecurrenceRule {
    int type = 1;          // OlRecurrenceType
    int interval = 1;      // days, weeks, months or years between periods
    int dayOfWeekMask = 0; // olSunday .. olSaturday bits
    int dayOfMonth = 0;    // 1..31
    int monthOfYear = 0;   // 1..12
    int instance = 0;      // 1..4, 5 = last
    int patternStart = 0;  // day number
    bool noEndDate = true;
    int occurrences = 0;           // when not noEndDate and endByCount
    std::optional<int> patternEnd; // day number, when not noEndDate
};

// Walks the occurrence dates of a rule in order.
class OccurrenceDates {
public:
    explicit OccurrenceDates(const RecurrenceRule& rule);

    // The next occurrence date, or nothing after the last one.
    std::optional<int> Next();
    // Skips the occurrences before a day; the next one returned is on or
    // after it.
    void SkipTo(int day);

private:
    std::optional<int> NextCandidate();
    std::optional<int> DateInPeriod(std::int64_t period, int afterDay) const;
    bool Ended(int day) const;

    RecurrenceRule rule_;
    std::optional<std::int64_t> period_; // current period, once anchored
    int lastDay_;                        // last date returned (or the day before the start)
    int returned_ = 0;
    bool done_ = false;
};

// Whether the rule can produce any date at all (a mask where one is needed,
// days and months in range).
bool IsUsableRule(const RecurrenceRule& rule);
// The last occurrence date of a rule ending after rule.occurrences dates.
std::optional<int> LastOccurrenceDate(RecurrenceRule rule);
// How many occurrences fall on or before the end day.
int CountOccurrencesThrough(RecurrenceRule rule, int endDay);
