#pragma once
// The calendar header that opens every exported file:
//
//   BEGIN:VCALENDAR
//   PRODID:-//Orvane Corporation//Quillane 1.0//EN
//   VERSION:2.0
//   METHOD:PUBLISH          (iCalendar 2.0 only)

#include "engine/export/text_buffer.h"

// Appends the header of the format (10 or 20); -1 with nothing written for
// any other format, else 0.
int WriteCalendarHeader(int format, TextBuffer& header);
