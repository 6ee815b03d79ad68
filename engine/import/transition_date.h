#pragma once
// The yearly transition date of a zone rule (month, weekday, week of the
// month, clock time) taken from one date on which the transition happens.
// Example: Sunday 25 October 2026 03:00 gives October, Sunday, week 5 (the
// last, since a week later is November), 03:00.

#include "platform/com/ole_date_time.h"
#include "platform/win32/types.h"

SYSTEMTIME TransitionDateOf(const COleDateTime& date);
