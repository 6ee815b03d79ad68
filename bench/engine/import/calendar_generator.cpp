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
    explicit Sequence(unsigned long long seed) : state_(seed) {}
    unsigned Next(unsigned bound) {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>(state_ >> 33) % bound;
    }

private:
    unsigned long long state_;
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

// The date-time of a day counted from 1 January 2027, in the calendar's
// own months, so that a day a week later is the same weekday.
std::string Stamp(int day, int hour, int minute) {
    static const int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int year = 2027;
    int month = 0;
    while (day >= kMonthDays[month] + (month == 1 && year % 4 == 0 ? 1 : 0)) {
        day -= kMonthDays[month] + (month == 1 && year % 4 == 0 ? 1 : 0);
        month = (month + 1) % 12;
        year += month == 0 ? 1 : 0;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d00", year, month + 1, day + 1, hour,
                  minute);
    return text;
}

// A series' first day: the day itself or the next Monday, Wednesday or
// Friday, the days its weekly rule names, so that the excluded and moved
// dates a week or two later are occurrences of it. 1 January 2027 is a
// Friday.
int SeriesStartDay(int day) {
    while ((day + 4) % 7 % 2 != 0 || (day + 4) % 7 > 4) {
        ++day;
    }
    return day;
}

// Summaries of every fifth event carry text beyond ASCII (UTF-8 here).
const char* const kNonAscii[] = {"Besprechung \xC3\xBC"
                                 "ber Gr\xC3\xB6\xC3\x9F"
                                 "e",
                                 "r\xC3\xA9union d'\xC3\xA9quipe",
                                 "\xE4\xBC\x9A\xE8\xAD\xB0\xE5\xAE\xA4",
                                 "\xCE\x88\xCE\xBB\xCE\xB5\xCE\xB3\xCF\x87\xCE\xBF\xCF\x82"};

std::string Summary(Sequence& s, int index) {
    std::string summary = Words(s, 3);
    return index % 5 == 0 ? summary + " " + kNonAscii[index / 5 % 4] : summary;
}

// How an event's times are written: a date, UTC, or local to a zone.
enum class TimeForm { Date, Utc, Berlin, NewYork };

TimeForm FormOf(int index) {
    if (index % 10 == 0) {
        return TimeForm::Date;
    }
    if (index % 3 == 0) {
        return TimeForm::Utc;
    }
    return index % 5 == 1 ? TimeForm::NewYork : TimeForm::Berlin;
}

// A property with a time value in the event's form.
std::string TimeProperty(const char* name, TimeForm form, int day, int hour, int minute) {
    const std::string stamp = Stamp(day, hour, minute);
    switch (form) {
    case TimeForm::Date:
        return std::string(name) + ";VALUE=DATE:" + stamp.substr(0, 8) + "\r\n";
    case TimeForm::Utc:
        return std::string(name) + ":" + stamp + "Z\r\n";
    case TimeForm::Berlin:
        return std::string(name) + ";TZID=Europe/Berlin:" + stamp + "\r\n";
    case TimeForm::NewYork:
        return std::string(name) + ";TZID=America/New_York:" + stamp + "\r\n";
    }
    return {};
}

// Every fourth event recurs; every eighth has one occurrence moved (the
// original excluded, the new time added) besides one excluded.
std::string ICalRecurrence(Sequence& s, int index, TimeForm form, int day, int hour) {
    if (index % 4 != 0) {
        return {};
    }
    std::string rule = "RRULE:FREQ=WEEKLY;BYDAY=MO,WE,FR;COUNT=" + std::to_string(5 + s.Next(20)) +
                       "\r\n" + TimeProperty("EXDATE", form, day + 7, hour, 30);
    if (index % 8 == 0) {
        rule += TimeProperty("EXDATE", form, day + 14, hour, 30) +
                TimeProperty("RDATE", form, day + 15, hour + 1, 0);
    }
    return rule;
}

std::string ICalEvent(Sequence& s, int index) {
    int day = static_cast<int>(s.Next(336));
    day = index % 4 == 0 ? SeriesStartDay(day) : day;
    int hour = 7 + static_cast<int>(s.Next(10));
    const TimeForm form = FormOf(index);
    std::string event = "BEGIN:VEVENT\r\nUID:" + std::to_string(index) +
                        "-generated@quillane.example\r\nDTSTAMP:20261201T120000Z\r\n" +
                        TimeProperty("DTSTART", form, day, hour, 30);
    event += form == TimeForm::Date ? std::string("DURATION:P1D\r\n")
                                    : TimeProperty("DTEND", form, day, hour + 1, 30);
    event += "SUMMARY:" + Summary(s, index) + "\r\nLOCATION:Room " + std::to_string(s.Next(500)) +
             "\\, building " + std::to_string(s.Next(9)) + "\r\n";
    event += Folded("DESCRIPTION:" + Words(s, 40) + "\\n" + Words(s, 10));
    event += "CATEGORIES:" + Words(s, 1) + "," + Words(s, 1) + "\r\n";
    if (index % 2 == 0) {
        event += "ORGANIZER;CN=Organizer " + std::to_string(index % 97) + ":MAILTO:org" +
                 std::to_string(index % 97) + "@example.com\r\n";
        event += Folded("ATTENDEE;CN=\"Person " + std::to_string(s.Next(1000)) +
                        "\";ROLE=REQ-PARTICIPANT;RSVP=TRUE:MAILTO:p" +
                        std::to_string(s.Next(1000)) + "@example.com");
    }
    event += "CLASS:" + std::string(index % 7 == 0 ? "PRIVATE" : "PUBLIC") +
             "\r\nPRIORITY:5\r\nTRANSP:OPAQUE\r\nSEQUENCE:0\r\n";
    event += ICalRecurrence(s, index, form, day, hour);
    event += "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Reminder\r\nTRIGGER:-PT15M\r\n"
             "END:VALARM\r\nEND:VEVENT\r\n";
    return event;
}

// Quoted-printable of UTF-8 text: bytes from 128 up and "=" as "=XX".
std::string QuotedPrintable(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char byte : text) {
        if (byte >= 128 || byte == '=') {
            out += {'=', kHex[byte >> 4], kHex[byte & 0x0F]};
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out;
}

std::string VCalRecurrence(Sequence& s, int index, int day, int hour) {
    if (index % 4 != 0) {
        return {};
    }
    std::string rule = "RRULE:W1 MO WE FR #" + std::to_string(5 + s.Next(20)) +
                       "\r\nEXDATE:" + Stamp(day + 7, hour, 0) + "Z";
    if (index % 8 == 0) {
        rule += ";" + Stamp(day + 14, hour, 0) + "Z\r\nRDATE:" + Stamp(day + 15, hour + 1, 0) + "Z";
    }
    return rule + "\r\n";
}

std::string VCalEvent(Sequence& s, int index) {
    int day = static_cast<int>(s.Next(336));
    day = index % 4 == 0 ? SeriesStartDay(day) : day;
    int hour = 7 + static_cast<int>(s.Next(10));
    std::string event = "BEGIN:VEVENT\r\nUID:" + std::to_string(index) +
                        "-generated@quillane.example\r\nDTSTART:" + Stamp(day, hour, 0) +
                        "Z\r\nDTEND:" + Stamp(day, hour + 1, 0) + "Z\r\n";
    event +=
        "SUMMARY;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:" + QuotedPrintable(Summary(s, index)) +
        " =C3=A9\r\n";
    event += "LOCATION:Room " + std::to_string(s.Next(500)) + "\r\n";
    event += "DESCRIPTION;ENCODING=QUOTED-PRINTABLE:" + Words(s, 8) + "=0D=0A=\r\n" + Words(s, 8) +
             "=\r\n" + Words(s, 8) + "\r\n";
    event += "CATEGORIES:" + Words(s, 1) + ";" + Words(s, 1) + "\r\n";
    if (index % 2 == 0) {
        event += "ATTENDEE;ROLE=ORGANIZER:org" + std::to_string(index % 97) +
                 "@example.com\r\nATTENDEE;ROLE=ATTENDEE:p" + std::to_string(s.Next(1000)) +
                 "@example.com\r\n";
    }
    event += "CLASS:" + std::string(index % 7 == 0 ? "PRIVATE" : "PUBLIC") +
             "\r\nPRIORITY:2\r\nTRANSP:0\r\nDALARM:" + Stamp(day, hour - 1, 45) + "Z\r\n";
    event += VCalRecurrence(s, index, day, hour);
    return event + "END:VEVENT\r\n";
}

const char* kBerlin = "BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\nBEGIN:DAYLIGHT\r\n"
                      "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nDTSTART:19700329T020000\r\n"
                      "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nEND:DAYLIGHT\r\n"
                      "BEGIN:STANDARD\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\n"
                      "DTSTART:19701025T030000\r\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\n"
                      "END:STANDARD\r\nEND:VTIMEZONE\r\n";

const char* kNewYork = "BEGIN:VTIMEZONE\r\nTZID:America/New_York\r\nBEGIN:DAYLIGHT\r\n"
                       "TZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nDTSTART:20070311T020000\r\n"
                       "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\nEND:DAYLIGHT\r\n"
                       "BEGIN:STANDARD\r\nTZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\n"
                       "DTSTART:20071104T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\n"
                       "END:STANDARD\r\nEND:VTIMEZONE\r\n";

} // namespace

size_t WriteGeneratedCalendar(const std::string& path, int events, CalendarFormat format,
                              unsigned long long seed) {
    bool ical = format == CalendarFormat::ICalendar;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "BEGIN:VCALENDAR\r\nPRODID:-//Quillane//Generator//EN\r\nVERSION:"
        << (ical ? "2.0\r\n" : "1.0\r\nTZ:+01\r\n");
    if (ical) {
        out << kBerlin << kNewYork;
    }
    Sequence sequence(seed);
    for (int i = 0; i < events; ++i) {
        out << (ical ? ICalEvent(sequence, i) : VCalEvent(sequence, i));
    }
    out << "END:VCALENDAR";
    return static_cast<size_t>(out.tellp());
}
