"""Reads iCalendar files with the independent python3-icalendar parser.

Usage: accept_ics.py FILE...  Prints one line per file: the file name and the
number of events read, after decoding every event's start, end, rule and
exception dates. Exits with 1 (and the parser's message) when a file is refused.
"""
import sys

import icalendar


def check(path):
    with open(path, "rb") as f:
        calendar = icalendar.Calendar.from_ical(f.read())
    events = 0
    for event in calendar.walk("VEVENT"):
        for name in ("DTSTART", "DTEND", "DTSTAMP"):
            if name in event:
                event.decoded(name)
        for name in ("RRULE", "EXDATE", "RDATE"):
            if name in event:
                event.decoded(name)
        events += 1
    return events


def main():
    for path in sys.argv[1:]:
        try:
            print(path, check(path))
        except Exception as error:  # the parser's own exception types vary
            print(path, "refused:", error)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
