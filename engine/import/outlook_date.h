#pragma once
// Date-times written the way Outlook's filters and the log texts want them:
// in the user's short date format, with a 12-hour clock for filters.

#include "platform/com/ole_date_time.h"

#include <string>

// Rounded to the minute, then "<short date> hh:mm AM|PM": "3/5/2007 09:05 AM"
// in a US locale.
std::string FormatOutlookDate(const COleDateTime& value);
// The same text appended to a longer one (a filter being built).
void AppendOutlookDate(std::string& text, const COleDateTime& value);
// The date part in the user's short date format.
std::string UserDateText(const COleDateTime& value);
// The date and time in the user's short date and time formats.
std::string UserDateTimeText(const COleDateTime& value);
