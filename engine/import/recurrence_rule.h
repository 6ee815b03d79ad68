#pragma once
// Recurrence rules as an Outlook pattern can hold them, read from the two
// grammars of calendar files: vCalendar 1.0 ("W1 MO WE FR #10",
// "MP1 1- FR 20071231T000000") and iCalendar 2.0 ("FREQ=MONTHLY;BYDAY=-1SU").
// Both parsers keep only what a pattern can express, report what they drop,
// and leave RuleType -1 when no usable pattern remains.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Outlook's recurrence types (4 is never valid).
enum RecurrenceType : int32_t {
    kRuleNone = -1,
    kRuleDaily = 0,
    kRuleWeekly = 1,
    kRuleMonthly = 2,
    kRuleMonthNth = 3,
    kRuleYearly = 5,
    kRuleYearNth = 6,
};

// Weekday bits: Sunday 1, Monday 2, ... Saturday 64.
inline constexpr int32_t kAllWeekdays = 127;

struct RecurrenceFields {
    int32_t RuleType = kRuleNone;
    int32_t RuleInterval = 1;
    int32_t RuleCount = -1;   // -1 none given, 0 no end
    int32_t RuleInstance = 0; // week of the month 1..4, 5 the last
    std::string RuleUntil;
    int32_t RuleDayMask = 0;
    int32_t RuleDayOfMonth = 0;
    int32_t RuleMonth = 0;
};

// A line the parser reports, at level 1 (trace) or 2 (warning).
struct RuleMessage {
    std::string Text;
    int Level;
};
using RuleMessages = std::vector<RuleMessage>;

void ParseVCalRule(std::string_view value, RecurrenceFields& rule, RuleMessages& messages);
void ParseICalRule(std::string_view value, RecurrenceFields& rule, RuleMessages& messages);

// The bit of a two-letter weekday code ("SU" 1 .. "SA" 64); 0 for others.
int32_t WeekdayBit(std::string_view code);
