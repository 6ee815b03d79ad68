#include "host/command_line.h"
#include "tests/testkit/scoped_env.h"
#include "tests/testkit/temp_folder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace {

using nlohmann::json;

struct InspectRun {
    int status;
    std::vector<json> files;
    std::string err;
};

class InspectTest : public ::testing::Test {
protected:
    InspectRun Inspect(std::vector<std::string> paths) {
        std::vector<const char*> args = {"quillane", "inspect"};
        for (const std::string& path : paths) {
            args.push_back(path.c_str());
        }
        std::ostringstream out;
        std::ostringstream err;
        int status = RunCommandLine(static_cast<int>(args.size()), args.data(), out, err);
        InspectRun run{status, {}, err.str()};
        std::istringstream in(out.str());
        while ((in >> std::ws) && !in.eof()) {
            json file;
            in >> file;
            run.files.push_back(file);
        }
        return run;
    }

    TempFolder folder_;
    ScopedEnv config_{"XDG_CONFIG_HOME", folder_.File("config").c_str()};
    ScopedEnv state_{"XDG_STATE_HOME", folder_.File("state").c_str()};
    ScopedEnv tz_{"TZ", "EST5EDT,M3.2.0,M11.1.0"};
};

const char* kCalendar = "BEGIN:VCALENDAR\r\n"
                        "VERSION:2.0\r\n"
                        "BEGIN:VTIMEZONE\r\n"
                        "TZID:Berlin\r\n"
                        "BEGIN:STANDARD\r\n"
                        "DTSTART:19701025T030000\r\n"
                        "TZOFFSETFROM:+0200\r\n"
                        "TZOFFSETTO:+0100\r\n"
                        "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\n"
                        "END:STANDARD\r\n"
                        "BEGIN:DAYLIGHT\r\n"
                        "DTSTART:19700329T020000\r\n"
                        "TZOFFSETFROM:+0100\r\n"
                        "TZOFFSETTO:+0200\r\n"
                        "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\n"
                        "END:DAYLIGHT\r\n"
                        "END:VTIMEZONE\r\n"
                        "BEGIN:VEVENT\r\n"
                        "DTSTART;TZID=Berlin:20070105T100000\r\n"
                        "DTEND;TZID=Berlin:20070105T110000\r\n"
                        "SUMMARY:Caf\xC3\xA9 meeting\r\n"
                        "CATEGORIES:Work,Home\r\n"
                        "ATTENDEE;CN=Ann:MAILTO:ann@example.com\r\n"
                        "RRULE:FREQ=MONTHLY;BYDAY=-1FR;COUNT=3\r\n"
                        "EXDATE;TZID=Berlin:20070126T100000\r\n"
                        "FOO:bar\r\n"
                        "END:VEVENT\r\n"
                        "BEGIN:VEVENT\r\n"
                        "SUMMARY:no dates\r\n"
                        "END:VEVENT\r\n"
                        "END:VCALENDAR\r\n";

TEST_F(InspectTest, EventsZonesAndLogOfAFile) {
    std::string path = folder_.Write("cal.ics", kCalendar);
    InspectRun run = Inspect({path});
    EXPECT_EQ(run.status, kExitOk) << run.err;
    ASSERT_EQ(run.files.size(), 1u);
    const json& file = run.files[0];
    EXPECT_EQ(file["file"], path);
    EXPECT_EQ(file["result"], 0);
    EXPECT_EQ(file["failed_events"], 1);
    ASSERT_EQ(file["events"].size(), 1u);
    const json& event = file["events"][0];
    EXPECT_EQ(event["subject"], "Caf\xC3\xA9 meeting");
    EXPECT_EQ(event["categories"], "Work,Home"); // en-US list separator
    EXPECT_EQ(event["start"], (json{{"date", "20070105T100000"}, {"tzid", "Berlin"}}));
    EXPECT_EQ(event["attendees"],
              (json::array({{{"address", "ann@example.com"}, {"name", "Ann"}}})));
    EXPECT_EQ(event["rule_type"], 3);
    EXPECT_EQ(event["rule_instance"], 5);
    EXPECT_EQ(event["rule_day_mask"], 32);
    EXPECT_EQ(event["rule_count"], 3);
    EXPECT_EQ(event["ex_dates"][0]["date"], "20070126T100000");
    EXPECT_EQ(event["version"], 20);

    ASSERT_EQ(file["calendars"].size(), 1u);
    const json& zones = file["calendars"][0]["time_zones"];
    ASSERT_EQ(zones.size(), 2u);
    json berlin = zones[0]["key"] == "Berlin" ? zones[0] : zones[1];
    json fallback = zones[0]["key"] == "Berlin" ? zones[1] : zones[0];
    EXPECT_EQ(berlin["rule"]["bias"], -60);
    EXPECT_EQ(berlin["rule"]["daylight_bias"], -60);
    EXPECT_EQ(berlin["rule"]["standard_date"]["month"], 10);
    EXPECT_EQ(berlin["rule"]["standard_date"]["day"], 5);
    EXPECT_EQ(berlin["rule"]["standard_date"]["hour"], 3);
    EXPECT_EQ(berlin["rule"]["daylight_date"]["month"], 3);
    // The default zone is the system zone.
    EXPECT_EQ(fallback["key"], "<default zone>");
    EXPECT_EQ(fallback["rule"]["bias"], 300);
    EXPECT_EQ(fallback["rule"]["daylight_date"]["month"], 3);

    std::vector<std::string> log;
    for (const json& line : file["log"]) {
        log.push_back(line["where"].get<std::string>() + " " + line["text"].get<std::string>());
    }
    EXPECT_EQ(log, (std::vector<std::string>{"CvCalImport Unknown VEVENT Prop\tin line(FOO:bar)",
                                             "ParseVEVENT No START and END - skipping event"}));
}

TEST_F(InspectTest, EveryFileGetsAnObjectAndMissingFilesFail) {
    std::string good = folder_.Write("a.vcs", "BEGIN:VCALENDAR\r\nVERSION:1.0\r\nBEGIN:VEVENT\r\n"
                                              "DTSTART:20070101T100000\r\nRRULE:W1 MO #4\r\n"
                                              "END:VEVENT\r\nEND:VCALENDAR\r\n");
    InspectRun run = Inspect({good, folder_.File("missing.ics")});
    EXPECT_EQ(run.status, kExitItemsFailed);
    ASSERT_EQ(run.files.size(), 2u);
    EXPECT_EQ(run.files[0]["events"][0]["rule_type"], 1);
    EXPECT_EQ(run.files[0]["events"][0]["start"]["tzid"], "<default zone>");
    EXPECT_TRUE(run.files[1].contains("error"));
    EXPECT_NE(run.err.find("missing.ics"), std::string::npos);
}

TEST_F(InspectTest, BinaryDataIsReported) {
    std::string path = folder_.Write("bin.ics", std::string("BEGIN:VCALENDAR\r\nX\0\0:1\r\n", 23));
    InspectRun run = Inspect({path});
    EXPECT_EQ(run.status, kExitOk);
    ASSERT_EQ(run.files.size(), 1u);
    ASSERT_FALSE(run.files[0]["log"].empty());
    EXPECT_EQ(run.files[0]["log"][0]["where"], "CvCalImport::_ReadFile");
}

TEST_F(InspectTest, NeedsAFile) {
    EXPECT_EQ(Inspect({}).status, kExitUsage);
}

} // namespace
