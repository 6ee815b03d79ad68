#pragma once
// Dates and times rendered with Windows date and time pictures, the way
// GetDateFormat and GetTimeFormat render them when handed a picture:
//
//   FormatDateWithPicture(st, "M/d/yyyy")          "3/5/2007"
//   FormatDateWithPicture(st, "dddd, MMMM dd")     "Monday, March 05"
//   FormatTimeWithPicture(st, "hh:mm tt")          "09:05 AM"
//   FormatTimeWithPicture(st, "h 'o''clock' tt")   "9 o'clock AM"
//
// Date pictures: d dd (day), ddd dddd (day name), M MM (month), MMM MMMM
// (month name), y (year in century, no leading zero), yy, yyyy (full year),
// g gg (era, "A.D."). Time pictures: h hh (12-hour clock), H HH (24-hour),
// m mm, s ss, t (first letter of AM/PM), tt. A single letter has no leading
// zero. Text in single quotes is copied as it is, '' stands for one quote,
// and every other character is copied. Names and markers are English.
//
// The result is empty (nullopt) when the date is not a valid calendar date
// (date pictures) or the clock fields are out of range (time pictures);
// date pictures ignore the clock fields, time pictures the date fields, and
// the day of the week is computed from the date, never taken from st.

#include "platform/com/ole_date_time.h"
#include "platform/win32/types.h"

#include <optional>
#include <string>
#include <string_view>

std::optional<std::string> FormatDateWithPicture(const SYSTEMTIME& st, std::string_view picture);
std::optional<std::string> FormatTimeWithPicture(const SYSTEMTIME& st, std::string_view picture);

// The date appended to out, for callers that build a longer text; false,
// with nothing appended, when the date is not a valid calendar date.
bool AppendDateWithPicture(std::string& out, const SYSTEMTIME& st, std::string_view picture);

// Wide pictures, for callers that hold wide text.
std::optional<std::u16string> FormatDateWithPicture(const SYSTEMTIME& st,
                                                    std::u16string_view picture);
std::optional<std::u16string> FormatTimeWithPicture(const SYSTEMTIME& st,
                                                    std::u16string_view picture);

// OLE dates, rounded to the second; nullopt outside 1 January 100 ..
// 31 December 9999.
std::optional<std::string> FormatDateWithPicture(DATE date, std::string_view picture);
std::optional<std::string> FormatTimeWithPicture(DATE date, std::string_view picture);
