#pragma once
// The recurrence writer: the "RRULE:" line of a recurring appointment in the
// event's grammar, then its changed occurrences as "EXDATE" (planned times)
// and "RDATE" (times moved to) lines.
//
//   RRULE:FREQ=WEEKLY;COUNT=10;INTERVAL=1;BYDAY=MO;WKST=MO
//   EXDATE;TZID="Eastern":20070312T090000,20070319T090000
//   RDATE;TZID="Eastern":20070312T110000

#include "engine/export/event_source.h"
#include "engine/export/text_buffer.h"

// zoned: the times are written in the item's zone (with its TZID in
// iCalendar 2.0) instead of UTC. Failing pattern calls raise _com_error.
void WriteRecurrence(const EventSource& source, bool zoned, TextBuffer& event);
