#pragma once
// The event writer: one Outlook appointment as a vCalendar 1.0 or iCalendar
// 2.0 VEVENT, its properties in a fixed order (attendees, categories, class,
// description, alarm, end, stamp, start, location, priority, recurrence,
// summary, transparency, UID). Lines end with CR LF and are never folded.
//
//   BEGIN:VEVENT
//   DTEND:20070305T143000Z
//   DTSTAMP:20261205T181200Z
//   DTSTART:20070305T140500Z
//   PRIORITY:5
//   SUMMARY:Review
//   TRANSP:OPAQUE
//   UID:040000008200E00074C5B7101A82E008...
//   X-MICROSOFT-CDO-IMPORTANCE:1
//   END:VEVENT

#include "engine/export/event_source.h"
#include "engine/export/text_buffer.h"

#include <string>

// Appends the event; uid is left out when empty. A failing Outlook or
// Redemption call raises _com_error, leaving part of the event in the
// buffer (the caller drops it).
void WriteEvent(const EventSource& source, const std::string& uid, TextBuffer& event);
