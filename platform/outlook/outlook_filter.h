#pragma once
// Outlook filter texts as Items.Restrict takes them: comparisons of a field
// with a value, joined by And and Or (And binds closer), with Not and
// parentheses. Values are quoted with ' or " (a doubled quote stands for
// itself); numbers and True/False may go bare. Dates are written in the
// locale's short date format followed by an optional time, with or without
// AM/PM:
//
//   [Start] >= '3/5/2007 09:05 AM' And [Start] <= "3/5/2007 14:05 PM"
//   [Subject] = 'Review' Or [Sensitivity] <> 0
//
// A text that cannot be read (an unknown field, an unbalanced quote such as
// 'Bob's party', a date in another format, parentheses nested beyond 64)
// raises _com_error.

#include "platform/com/ole_date_time.h"

#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

enum class FilterField {
    Start,
    End,
    Subject,
    Location,
    Categories,
    Body,
    Resources,
    Duration,
    Sensitivity,
    Importance,
    BusyStatus,
    MeetingStatus,
    ReminderMinutesBeforeStart,
    AllDayEvent,
    ReminderSet,
    IsRecurring,
};

enum class FilterFieldKind { Date, Text, Number, Boolean };
FilterFieldKind KindOf(FilterField field);

enum class CompareOp { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };

struct FilterNode {
    enum class Kind { Compare, And, Or, Not };
    Kind kind = Kind::Compare;
    FilterField field = FilterField::Subject;
    CompareOp op = CompareOp::Equal;
    // Date fields: local time (DATE); text fields: the text; numbers and
    // booleans: the value (booleans 0 or 1).
    std::variant<DATE, std::u16string, long long> value;
    std::vector<FilterNode> children;
};

// Parses a filter; shortDateFormat is the locale's pattern ("M/d/yyyy",
// "dd.MM.yyyy", "yyyy-MM-dd", ...).
FilterNode ParseOutlookFilter(std::u16string_view text, std::string_view shortDateFormat);

// A date and optional time in the short date format; false when the text is
// not one.
bool ParseFilterDate(std::u16string_view text, std::string_view shortDateFormat, DATE& out);

// Whether a comparison holds: -1, 0 or 1 is the order of the field's value
// against the filter's value.
bool CompareHolds(CompareOp op, int order);
