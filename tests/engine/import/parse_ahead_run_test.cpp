// An import run that parses its files ahead on a thread of its own ends with
// the same counters, log lines, message boxes, progress and appointments as
// one that parses each file as its events are imported.

#include "tests/engine/import/berlin_zone.h"
#include "tests/engine/import/import_fixture.h"

#include <cstdio>

namespace {

struct Outcome {
    std::vector<std::string> run;
    std::vector<std::string> log;
    std::vector<std::string> boxes;
    std::vector<std::string> appointments;
};

class ParseAheadRunTest : public ImportTest {
protected:
    // Imports the paths (after those of before, imported alone), takes down
    // what came of it, and empties the calendar again.
    Outcome Import(const std::vector<std::string>& paths, bool ahead,
                   const std::vector<std::string>& before) {
        if (!before.empty()) {
            ImportPaths(before);
        }
        log_.clear();
        boxes_.clear();
        int cancelAfter = progress_.cancelAfter;
        progress_ = RecordingProgress{};
        progress_.cancelAfter = cancelAfter;
        engine_->ParseFilesAhead = ahead;
        ImportRun run = ImportPaths(paths, kConflictLeave);
        Outcome outcome;
        outcome.run = {"end " + std::to_string(static_cast<int>(run.End)),
                       "files " + std::to_string(run.Files),
                       "events " + std::to_string(run.Events),
                       "imported " + std::to_string(run.Counters.Imported),
                       "skipped " + std::to_string(run.Counters.Skipped),
                       "failed " + std::to_string(run.Counters.Failed),
                       "range " + std::to_string(progress_.range),
                       "steps " + std::to_string(progress_.steps)};
        for (const LoggedLine& line : log_) {
            outcome.log.push_back(line.where + " " + std::to_string(line.level) + " " + line.text);
        }
        for (const ShownBox& box : boxes_) {
            outcome.boxes.push_back(box.caption + ": " + box.text);
        }
        for (const CComPtr<_AppointmentItem>& item : Appointments()) {
            outcome.appointments.push_back(Describe(item));
            item->Delete();
        }
        return outcome;
    }

    void ExpectAlike(const std::vector<std::string>& paths,
                     const std::vector<std::string>& before = {}) {
        Outcome here = Import(paths, false, before);
        Outcome ahead = Import(paths, true, before);
        EXPECT_EQ(ahead.run, here.run);
        EXPECT_EQ(ahead.log, here.log);
        EXPECT_EQ(ahead.boxes, here.boxes);
        EXPECT_EQ(ahead.appointments, here.appointments);
        EXPECT_FALSE(here.appointments.empty() && here.log.empty());
    }

    static std::string Describe(const CComPtr<_AppointmentItem>& item) {
        std::string text = COleDateTime(item->GetStart()).Format("%Y-%m-%d %H:%M") + " - " +
                           COleDateTime(item->GetEnd()).Format("%Y-%m-%d %H:%M");
        text += item->GetIsRecurring() ? " recurring" : "";
        text += item->GetAllDayEvent() ? " all day " : " ";
        for (char16_t c : item->GetSubject()) {
            text += static_cast<char>(c < 128 ? c : '?');
        }
        return text;
    }

    std::string Write(const std::string& name, const std::vector<std::string>& lines) {
        std::string text;
        for (const std::string& line : lines) {
            text += line + "\r\n";
        }
        return folder_.Write(name, text);
    }

    // Two calendars, a zone defined between events that name it, a failed
    // event, a series with an exception, logged properties.
    std::string ZonesMidFile() {
        std::vector<std::string> lines = {"BEGIN:VCALENDAR",
                                          "VERSION:2.0",
                                          "BEGIN:VEVENT",
                                          "DTSTART;TZID=Berlin:20070305T090000",
                                          "DTEND;TZID=Berlin:20070305T100000",
                                          "SUMMARY:before the zone",
                                          "FOO:bar",
                                          "END:VEVENT"};
        lines.insert(lines.end(), kBerlinZone.begin(), kBerlinZone.end());
        lines.insert(lines.end(),
                     {"BEGIN:VEVENT", "DTSTART;TZID=Berlin:20070305T090000",
                      "DTEND;TZID=Berlin:20070305T100000", "SUMMARY:after the zone",
                      "RRULE:FREQ=WEEKLY;COUNT=4",
                      "EXDATE;TZID=Berlin:20070312T090000,20070313T090000", "END:VEVENT",
                      "BEGIN:VEVENT", "SUMMARY:no dates", "END:VEVENT", "END:VCALENDAR",
                      "BEGIN:VCALENDAR", "VERSION:2.0", "BEGIN:VEVENT",
                      "DTSTART;TZID=Berlin:20070306T090000", "DTEND;TZID=Berlin:20070306T093000",
                      "SUMMARY:zone gone with its calendar", "END:VEVENT", "END:VCALENDAR"});
        return Write("zones.ics", lines);
    }

    std::string VCalendarZone() {
        return Write("zone.vcs",
                     {"BEGIN:VCALENDAR", "VERSION:1.0", "TZ:-08",
                      "DAYLIGHT:TRUE;-07;20070311T020000;20071104T020000;PDT;PST", "BEGIN:VEVENT",
                      "DTSTART:20070305T090000", "DTEND:20070305T100000", "SUMMARY:pacific",
                      "END:VEVENT", "BEGIN:VEVENT", "DTSTART:20070306T090000", "DTEND:2007030",
                      "SUMMARY:bad end", "END:VEVENT", "END:VCALENDAR"});
    }

    std::string Truncated() {
        return Write("cut.ics", {"BEGIN:VCALENDAR", "VERSION:2.0", "BEGIN:VEVENT",
                                 "DTSTART:20070307T090000", "SUMMARY:cut short"});
    }

    std::string Events(const std::string& name, int count, int firstDay) {
        std::vector<std::string> lines = {"BEGIN:VCALENDAR", "VERSION:2.0"};
        for (int i = 0; i < count; ++i) {
            char start[32];
            std::snprintf(start, sizeof start, "2007%02d%02dT090000", 3 + (firstDay + i) / 28,
                          1 + (firstDay + i) % 28);
            lines.insert(lines.end(), {"BEGIN:VEVENT", std::string("DTSTART:") + start,
                                       "SUMMARY:" + name + " " + std::to_string(i), "END:VEVENT"});
        }
        lines.push_back("END:VCALENDAR");
        return Write(name + ".ics", lines);
    }
};

TEST_F(ParseAheadRunTest, FilesOfEveryKindImportAlike) {
    ExpectAlike({ZonesMidFile(), VCalendarZone(), folder_.File("missing.ics"), Truncated()});
}

TEST_F(ParseAheadRunTest, ACancelOnTheProgressWindowEndsAlike) {
    progress_.cancelAfter = 3;
    ExpectAlike({Events("a", 2, 0), Events("b", 2, 2), Events("c", 2, 4), Events("d", 2, 6)});
    progress_.cancelAfter = 5;
    ExpectAlike({Events("big", 3000, 0), ZonesMidFile()});
}

TEST_F(ParseAheadRunTest, AFileThatCannotBeOpenedAsksAlike) {
    std::vector<std::string> paths = {Events("a", 2, 0), folder_.File("missing.ics"),
                                      ZonesMidFile()};
    ExpectAlike(paths);
    boxAnswer_ = IDCANCEL;
    ExpectAlike(paths);
}

TEST_F(ParseAheadRunTest, AnUnknownVersionInTheMiddleOfAFileEndsAlike) {
    std::string bad = Write("bad.ics", {"BEGIN:VCALENDAR", "VERSION:2.0", "BEGIN:VEVENT",
                                        "DTSTART:20070308T090000", "END:VEVENT", "END:VCALENDAR",
                                        "BEGIN:VCALENDAR", "VERSION:3.0", "BEGIN:VEVENT",
                                        "DTSTART:20070309T090000", "END:VEVENT", "END:VCALENDAR"});
    ExpectAlike({ZonesMidFile(), bad, Events("after", 3, 0)});
}

TEST_F(ParseAheadRunTest, ALeaveReimportSkipsAlike) {
    std::vector<std::string> paths = {ZonesMidFile(), VCalendarZone()};
    ExpectAlike(paths, paths);
}

} // namespace
