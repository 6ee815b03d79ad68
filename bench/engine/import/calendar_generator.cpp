#include "bench/engine/import/calendar_generator.h"

#include <cstdio>
#include <fstream>

namespace {

const char* const kWords[] = {"planning", "review",   "budget",  "team",    "project", "weekly",
                              "customer", "workshop", "release", "design",  "sprint",  "lunch",
                              "training", "quarter",  "report",  "roadmap", "support", "sync"};

// A small linear congruential generator: the same sequence everywhere.
class Sequence {
public:
    unsigned Next(unsigned bound) {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>(state_ >> 33) % bound;
    }

private:
    unsigned long long state_ = 42;
};

std::string Words(Sequence& sequence, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += (i ? " " : "") + std::string(kWords[sequence.Next(18)]);
    }
    return text;
}

// Content lines longer than 75 bytes continue on lines starting with a space.
std::string Folded(const std::string& line) {
    std::string out = line.substr(0, 75);
    for (size_t at = 75; at < line.size(); at += 74) {
        out += "\r\n " + line.substr(at, 74);
    }
    return out + "\r\n";
}

std::string Stamp(int day, int hour, int minute) {
    char text[32];
    std::snprintf(text, sizeof text, "2027%02d%02dT%02d%02d00", 1 + day / 28 % 12, 1 + day % 28,
                  hour, minute);
    return text;
}

std::string ICalEvent(Sequence& s, int index) {
    int day = static_cast<int>(s.Next(336));
    int hour = 7 + static_cast<int>(s.Next(10));
    std::string event = "BEGIN:VEVENT\r\nUID:" + std::to_string(index) +
                        "-generated@quillane.example\r\nDTSTAMP:20261201T120000Z\r\n";
    if (index % 10 == 0) {
        event += "DTSTART;VALUE=DATE:" + Stamp(day, 0, 0).substr(0, 8) + "\r\nDURATION:P1D\r\n";
    } else if (index % 3 == 0) {
        event +=
            "DTSTART:" + Stamp(day, hour, 0) + "Z\r\nDTEND:" + Stamp(day, hour + 1, 0) + "Z\r\n";
    } else {
        event += "DTSTART;TZID=Europe/Berlin:" + Stamp(day, hour, 30) +
                 "\r\nDTEND;TZID=Europe/Berlin:" + Stamp(day, hour + 1, 30) + "\r\n";
    }
    event += "SUMMARY:" + Words(s, 3) + "\r\nLOCATION:Room " + std::to_string(s.Next(500)) +
             "\\, building " + std::to_string(s.Next(9)) + "\r\n";
    event += Folded("DESCRIPTION:" + Words(s, 40) + "\\n" + Words(s, 10));
    event += "CATEGORIES:" + Words(s, 1) + "," + Words(s, 1) + "\r\n";
    event += "ORGANIZER;CN=Organizer " + std::to_string(index % 97) + ":MAILTO:org" +
             std::to_string(index % 97) + "@example.com\r\n";
    event += Folded("ATTENDEE;CN=\"Person " + std::to_string(s.Next(1000)) +
                    "\";ROLE=REQ-PARTICIPANT;RSVP=TRUE:MAILTO:p" + std::to_string(s.Next(1000)) +
                    "@example.com");
    event += "CLASS:" + std::string(index % 7 == 0 ? "PRIVATE" : "PUBLIC") +
             "\r\nPRIORITY:5\r\nTRANSP:OPAQUE\r\nSEQUENCE:0\r\n";
    if (index % 4 == 0) {
        event += "RRULE:FREQ=WEEKLY;BYDAY=MO,WE,FR;COUNT=" + std::to_string(5 + s.Next(20)) +
                 "\r\nEXDATE;TZID=Europe/Berlin:" + Stamp(day + 7, hour, 30) + "\r\n";
    }
    event += "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Reminder\r\nTRIGGER:-PT15M\r\n"
             "END:VALARM\r\nEND:VEVENT\r\n";
    return event;
}

std::string VCalEvent(Sequence& s, int index) {
    int day = static_cast<int>(s.Next(336));
    int hour = 7 + static_cast<int>(s.Next(10));
    std::string event = "BEGIN:VEVENT\r\nUID:" + std::to_string(index) +
                        "-generated@quillane.example\r\nDTSTART:" + Stamp(day, hour, 0) +
                        "Z\r\nDTEND:" + Stamp(day, hour + 1, 0) + "Z\r\n";
    event += "SUMMARY;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:" + Words(s, 3) + " =C3=A9\r\n";
    event += "LOCATION:Room " + std::to_string(s.Next(500)) + "\r\n";
    event += "DESCRIPTION;ENCODING=QUOTED-PRINTABLE:" + Words(s, 8) + "=0D=0A=\r\n" + Words(s, 8) +
             "=\r\n" + Words(s, 8) + "\r\n";
    event += "CATEGORIES:" + Words(s, 1) + ";" + Words(s, 1) + "\r\n";
    event += "ATTENDEE;ROLE=ORGANIZER:org" + std::to_string(index % 97) +
             "@example.com\r\nATTENDEE;ROLE=ATTENDEE:p" + std::to_string(s.Next(1000)) +
             "@example.com\r\n";
    event += "CLASS:" + std::string(index % 7 == 0 ? "PRIVATE" : "PUBLIC") +
             "\r\nPRIORITY:2\r\nTRANSP:0\r\nDALARM:" + Stamp(day, hour - 1, 45) + "Z\r\n";
    if (index % 4 == 0) {
        event += "RRULE:W1 MO WE FR #" + std::to_string(5 + s.Next(20)) +
                 "\r\nEXDATE:" + Stamp(day + 7, hour, 0) + "Z\r\n";
    }
    return event + "END:VEVENT\r\n";
}

const char* kBerlin = "BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\nBEGIN:DAYLIGHT\r\n"
                      "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nDTSTART:19700329T020000\r\n"
                      "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nEND:DAYLIGHT\r\n"
                      "BEGIN:STANDARD\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\n"
                      "DTSTART:19701025T030000\r\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\n"
                      "END:STANDARD\r\nEND:VTIMEZONE\r\n";

} // namespace

size_t WriteGeneratedCalendar(const std::string& path, int events, CalendarFormat format) {
    bool ical = format == CalendarFormat::ICalendar;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "BEGIN:VCALENDAR\r\nPRODID:-//Quillane//Generator//EN\r\nVERSION:"
        << (ical ? "2.0\r\n" : "1.0\r\nTZ:+01\r\n");
    if (ical) {
        out << kBerlin;
    }
    Sequence sequence;
    for (int i = 0; i < events; ++i) {
        out << (ical ? ICalEvent(sequence, i) : VCalEvent(sequence, i));
    }
    out << "END:VCALENDAR";
    return static_cast<size_t>(out.tellp());
}
