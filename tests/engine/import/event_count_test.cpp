#include "engine/import/event_count.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct CountCase {
    const char* name;
    const char* text;
    int events;
};

const CountCase kCases[] = {
    {"two events",
     "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nEND:VEVENT\r\n"
     "END:VCALENDAR\r\n",
     2},
    {"LF line ends, no final break",
     "BEGIN:VCALENDAR\nBEGIN:VEVENT\nSUMMARY:x\nEND:VEVENT\nEND:VCALENDAR", 1},
    {"names in any case, values as written",
     "begin:VCALENDAR\nBegin:VEVENT\nend:VEVENT\nBEGIN:vevent\nEND:vevent\nEND:VCALENDAR\n", 1},
    {"group prefixes, parameters and white space around the value",
     "x.BEGIN:VCALENDAR\nitem1.BEGIN;X=1: VEVENT \t\nBEGIN :VEVENT\nEND :VEVENT\nEND:VEVENT\n"
     "END:VCALENDAR\n",
     2},
    {"leading white space makes another name", "BEGIN:VCALENDAR\nBEGIN:VEVENT\n\tEND:VEVENT\n", 0},
    {"folded names and values",
     "BEGIN:VCALENDAR\nBEG\n IN:VEVENT\nEND:VEV\n ENT\nBEGIN:VEVENT\nEND\n "
     ":VEVENT\nEND:VCALENDAR\n",
     2},
    {"a fold keeps the spaces after the first", "BEGIN:VCALENDAR\nBEGIN:VEVENT\nEND:\n  VEVENT\n",
     1},
    {"an END:VEVENT needs an open event",
     "BEGIN:VCALENDAR\nEND:VEVENT\nBEGIN:VEVENT\nEND:VEVENT\nEND:VEVENT\nEND:VCALENDAR\n", 1},
    {"nested events count once each",
     "BEGIN:VCALENDAR\nBEGIN:VEVENT\nBEGIN:VEVENT\nEND:VEVENT\nEND:VEVENT\nEND:VCALENDAR\n", 2},
    {"an event left open is not counted",
     "BEGIN:VCALENDAR\nBEGIN:VEVENT\nEND:VCALENDAR\nEND:VEVENT\n", 0},
    {"events outside a calendar are not counted",
     "BEGIN:VEVENT\nEND:VEVENT\nBEGIN:VCALENDAR\nEND:VCALENDAR\nBEGIN:VEVENT\nEND:VEVENT\n", 0},
    {"every calendar of the text",
     "BEGIN:VCALENDAR\nBEGIN:VEVENT\nEND:VEVENT\nEND:VCALENDAR\nBEGIN:VCALENDAR\nBEGIN:VEVENT\n"
     "END:VEVENT\nEND:VCALENDAR\n",
     2},
    {"lines without a separator are passed over",
     "BEGIN:VCALENDAR\nBEGIN VEVENT\nBEGIN:VEVENT\nEND VEVENT\nEND:VEVENT\nEND:VCALENDAR\n", 1},
    {"the value follows the first colon after the parameters",
     "BEGIN:VCALENDAR\nBEGIN;A=B:VEVENT\nEND;A=\"x:y\":VEVENT\nEND:VCALENDAR\n", 0},
    {"a parameter without a value", "BEGIN:VCALENDAR\nBEGIN;VEVENT\nEND:VEVENT\n", 0},
    {"spaces before the first line", "  BEGIN:VCALENDAR\nBEGIN:VEVENT\nEND:VEVENT\n", 1},
    {"empty text", "", 0},
};

TEST(EventCount, Table) {
    for (const CountCase& c : kCases) {
        EXPECT_EQ(CountCalendarEvents(c.text), c.events) << c.name;
    }
}

// Lines of every length up to a few blocks of the scan, folded or not,
// with names that only start like BEGIN or END, and BEGIN and END in values
// and in folded pieces: each event is counted once.
TEST(EventCount, LongTextWithLinesOfEveryLength) {
    for (const char* lineEnd : {"\r\n", "\n"}) {
        std::string text = std::string("BEGIN:VCALENDAR") + lineEnd;
        const int events = 60;
        for (int i = 0; i < events; ++i) {
            const std::string filler(static_cast<size_t>(i), 'a' + static_cast<char>(i % 26));
            const std::string lines[] = {"BEGIN:VEVENT",
                                         "SUMMARY:" + filler,
                                         "ENDS:VEVENT",
                                         "BEGINS:VEVENT",
                                         "X-" + filler + ":END:VEVENT",
                                         "DESCRIPTION:" + filler,
                                         " END:VEVENT" + filler,
                                         "a.b.END:VEVENT",
                                         "LOCATION;X=" + filler + ":BEGIN",
                                         "END:VEVENT"};
            for (const std::string& line : lines) {
                text += line + lineEnd;
            }
        }
        text += "END:VCALENDAR";
        EXPECT_EQ(CountCalendarEvents(text), events) << (lineEnd[0] == '\r' ? "CRLF" : "LF");
    }
}

} // namespace
