#pragma once
// The value of an "RRULE:" line written from the fields of an Outlook
// recurrence pattern, in the vCalendar 1.0 grammar or as an iCalendar 2.0
// rule. The last Friday of every month, ten times:
//
//   vCalendar 1.0   MP1 5+ FR #10
//   iCalendar 2.0   FREQ=MONTHLY;COUNT=10;INTERVAL=1;BYDAY=FR;BYSETPOS=-1

#include "platform/win32/types.h"

#include <string>

struct RecurrenceFields {
    LONG recurrenceType = 0; // OlRecurrenceType
    LONG interval = 0;
    LONG dayOfWeekMask = 0; // 1 Sunday .. 64 Saturday
    LONG dayOfMonth = 0;
    LONG monthOfYear = 0;
    LONG instance = 0; // 1 to 4, 5 = last
    bool noEndDate = false;
    LONG occurrences = 0;
};

std::string VCalendarRule(const RecurrenceFields& fields);
std::string ICalendarRule(const RecurrenceFields& fields);

// ";WKST=MO" and the like from the week start the user chose in Outlook
// (FirstDOW under the calendar options of that Outlook version); empty when
// none is stored or it is out of range.
std::string WeekStartParameter(int outlookVersion);
