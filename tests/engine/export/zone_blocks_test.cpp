// Time zone lines and blocks per file: which file gets which zone, how zones
// are named, and how a rule is rendered in each format.

#include "engine/export/zone_writer.h"
#include "tests/engine/export/export_fixture.h"

using nlohmann::json;

namespace {

const json kPacificSeries = json::parse(R"({
  "subject": "Pacific", "start": "2007-03-05T12:00:00", "end": "2007-03-05T12:15:00",
  "time_zone": {"description": "Pacific",
                "rule": {"bias": 480, "daylight_bias": -60,
                         "standard_date": {"month": 11, "day": 1, "hour": 2},
                         "daylight_date": {"month": 3, "day": 2, "hour": 2}}},
  "recurrence": {"recurrence_type": 0, "interval": 1, "occurrences": 3}})");
const json kSingle = json::parse(
    R"({"subject": "Single", "start": "2007-03-06T12:00:00", "end": "2007-03-06T12:30:00"})");

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

TEST_F(ExportTest, PerItemVCalendarWritesARecurringItemsOwnZoneAndNoneForOthers) {
    Add(json::array({kPacificSeries, kSingle}));
    options_.format = kFormatVCalendar10;

    Run();

    std::string series = Output("20070305120000_Pacific.vcs");
    EXPECT_NE(series.find("VERSION:1.0\r\nTZ:-08:00\r\nDAYLIGHT:TRUE;-07:00;19800309T020000;"
                          "19801102T020000;;\r\nBEGIN:VEVENT"),
              std::string::npos)
        << series;
    EXPECT_NE(series.find("DTSTART:20070305T090000\r\n"), std::string::npos);
    std::string single = Output("20070306120000_Single.vcs");
    EXPECT_EQ(single.find("TZ:"), std::string::npos);
    EXPECT_NE(single.find("DTSTART:20070306T170000Z\r\n"), std::string::npos);
}

TEST_F(ExportTest, PerItemICalendarWritesTheZoneBlockInEveryFileThatNeedsIt) {
    json second = kPacificSeries;
    second["subject"] = "Pacific again";
    Add(json::array({kPacificSeries, second, kSingle}));

    Run();

    EXPECT_EQ(Count(Output("20070305120000_Pacific.ics"), "BEGIN:VTIMEZONE"), 1);
    EXPECT_EQ(Count(Output("20070305120000_Pacific again.ics"), "BEGIN:VTIMEZONE"), 1);
    EXPECT_EQ(Count(Output("20070306120000_Single.ics"), "BEGIN:VTIMEZONE"), 0);
}

TEST_F(ExportTest, OneFileVCalendarWritesOnlyTheSystemZoneOnce) {
    Add(json::array({kPacificSeries, kSingle}));
    options_.format = kFormatVCalendar10;
    options_.oneFile = true;

    Run();

    std::string text = Output("Calendar.vcs");
    EXPECT_EQ(Count(text, "TZ:"), 1);
    EXPECT_NE(text.find("VERSION:1.0\r\nTZ:-05:00\r\n"), std::string::npos);
}

TEST(ZoneWriter, OffsetsAndUnnamedZones) {
    EXPECT_EQ(FormatZoneOffset(300, true), "-05:00");
    EXPECT_EQ(FormatZoneOffset(-330, false), "+0530");
    EXPECT_EQ(FormatZoneOffset(0, true), "+00:00");
    TimeZoneRule utcPlusOne{};
    utcPlusOne.Bias = -60;
    EXPECT_EQ(ZoneNameFromOffset(utcPlusOne), "(GMT+01:00)");
    TimeZoneRule newfoundland{};
    newfoundland.Bias = 210;
    EXPECT_EQ(ZoneNameFromOffset(newfoundland), "(GMT-03:30)");
}

TEST(ZoneWriter, SouthernDaylightTimeInBothFormats) {
    TimeZoneRule sydney{};
    sydney.Bias = -600;
    sydney.DaylightBias = -60;
    sydney.StandardDate = {0, 4, 0, 1, 3, 0, 0, 0};  // first Sunday of April, 03:00
    sydney.DaylightDate = {0, 10, 0, 1, 2, 0, 0, 0}; // first Sunday of October, 02:00
    TextBuffer zone(16);

    WriteVCalendarZoneLines(sydney, zone);
    EXPECT_EQ(zone.View(),
              "TZ:+10:00\r\nDAYLIGHT:TRUE;+11:00;19801005T020000;19800406T030000;;\r\n");

    WriteVTimezoneBlock(sydney, "AUS Eastern", zone);
    EXPECT_EQ(zone.View(), "BEGIN:VTIMEZONE\r\nTZID:AUS Eastern\r\n"
                           "BEGIN:STANDARD\r\nDTSTART:19800406T030000\r\n"
                           "RRULE:FREQ=YEARLY;INTERVAL=1;BYDAY=1SU;BYMONTH=4\r\n"
                           "TZOFFSETFROM:+1100\r\nTZOFFSETTO:+1000\r\nEND:STANDARD\r\n"
                           "BEGIN:DAYLIGHT\r\nDTSTART:19801005T020000\r\n"
                           "RRULE:FREQ=YEARLY;INTERVAL=1;BYDAY=1SU;BYMONTH=10\r\n"
                           "TZOFFSETFROM:+1000\r\nTZOFFSETTO:+1100\r\nEND:DAYLIGHT\r\n"
                           "END:VTIMEZONE\r\n");
}

TEST(ZoneWriter, AZoneWithoutDaylightTime) {
    TimeZoneRule tokyo{};
    tokyo.Bias = -540;
    TextBuffer zone(16);

    WriteVCalendarZoneLines(tokyo, zone);
    EXPECT_EQ(zone.View(), "TZ:+09:00\r\nDAYLIGHT:FALSE\r\n");
}

} // namespace
