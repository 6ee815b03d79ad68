// VTIMEZONE components turned into zone rules.

#include "tests/engine/import/parse_harness.h"

#include <gtest/gtest.h>

namespace {

std::string Component(const std::string& kind, const std::string& start, const std::string& from,
                      const std::string& to, const std::string& extra = "") {
    return "BEGIN:" + kind + "\r\nDTSTART:" + start + "\r\nTZOFFSETFROM:" + from +
           "\r\nTZOFFSETTO:" + to + "\r\nTZNAME:x\r\n" + extra + "END:" + kind + "\r\n";
}

const std::string kNewYorkStandard = Component("STANDARD", "20071104T020000", "-0400", "-0500",
                                               "RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\n");
const std::string kNewYorkDaylight = Component("DAYLIGHT", "20070311T020000", "-0500", "-0400",
                                               "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\n");

struct ZoneRun {
    ParseRun run;
    std::optional<TimeZoneRule> zone;
    std::string eventZone;
};

ZoneRun ParseZone(const std::string& components, const std::string& tzid = "TZID:Zone A\r\n") {
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTIMEZONE\r\n" + tzid + components +
                       "END:VTIMEZONE\r\nBEGIN:VEVENT\r\nDTSTART;TZID=\"Zone A\":20070101T100000"
                       "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    ZoneRun result{ParseText(text), {}, {}};
    EXPECT_EQ(result.run.calendars.size(), 1u);
    EXPECT_EQ(result.run.events.size(), 1u);
    if (!result.run.calendars.empty() && result.run.calendars[0].contains("Zone A")) {
        result.zone = result.run.calendars[0].at("Zone A");
    }
    if (!result.run.events.empty()) {
        result.eventZone = result.run.events[0].Start.Tzid;
    }
    return result;
}

std::string DateText(const SYSTEMTIME& st) {
    return std::to_string(st.wYear) + " " + std::to_string(st.wMonth) + "/" +
           std::to_string(st.wDayOfWeek) + "/" + std::to_string(st.wDay) + " " +
           std::to_string(st.wHour) + ":" + std::to_string(st.wMinute) + ":" +
           std::to_string(st.wSecond);
}

TEST(VTimezone, StandardAndDaylightWithRules) {
    ZoneRun result = ParseZone(kNewYorkStandard + kNewYorkDaylight);
    ASSERT_TRUE(result.zone);
    EXPECT_EQ(result.zone->Bias, 300);
    EXPECT_EQ(result.zone->StandardBias, 0);
    EXPECT_EQ(result.zone->DaylightBias, -60);
    EXPECT_EQ(DateText(result.zone->StandardDate), "0 11/0/1 2:0:0");
    EXPECT_EQ(DateText(result.zone->DaylightDate), "0 3/0/2 2:0:0");
    EXPECT_EQ(result.eventZone, "Zone A");
    EXPECT_TRUE(result.run.log.empty());
}

TEST(VTimezone, OneStandardWithoutRule) {
    ZoneRun result = ParseZone(Component("STANDARD", "19700101T000000", "+0530", "+0530"));
    ASSERT_TRUE(result.zone);
    EXPECT_EQ(result.zone->Bias, -330);
    EXPECT_EQ(result.zone->DaylightBias, 0);
    EXPECT_EQ(result.zone->StandardDate.wMonth, 0);
    EXPECT_EQ(result.zone->DaylightDate.wMonth, 0);
}

TEST(VTimezone, TwoStandardComponentsUseTheLaterOneAndLogOnce) {
    std::string older = Component("STANDARD", "19671029T020000", "-0400", "-0500",
                                  "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU;UNTIL=20061029T060000Z"
                                  "\r\n");
    ZoneRun result = ParseZone(older + kNewYorkDaylight + kNewYorkStandard);
    ASSERT_TRUE(result.zone);
    EXPECT_EQ(DateText(result.zone->StandardDate), "0 11/0/1 2:0:0");
    EXPECT_EQ(result.run.LogTexts(),
              (std::vector<std::string>{"2 Outlook is not supported VTIMEZONE with more than one "
                                        "STANDARD or DAYLIGHT components"}));
    EXPECT_EQ(result.run.log[0].where, "ParseVTIMEZONE");
}

TEST(VTimezone, UntilOfTheChosenRuleIsReported) {
    std::string daylight =
        Component("DAYLIGHT", "20070311T020000", "-0500", "-0400",
                  "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU;UNTIL=20300310T070000Z\r\n");
    ZoneRun result = ParseZone(kNewYorkStandard + daylight);
    ASSERT_TRUE(result.zone);
    EXPECT_EQ(result.zone->DaylightDate.wMonth, 3);
    EXPECT_EQ(result.run.LogTexts(),
              (std::vector<std::string>{"2 Ignoring UNTIL in VTIMEZONE.DAYLIGHT.RRULE"}));
}

TEST(VTimezone, RulesBuiltFromRdates) {
    std::string standard =
        Component("STANDARD", "20071028T030000", "+0200", "+0100", "RDATE:20071028T030000\r\n");
    std::string daylight = Component("DAYLIGHT", "20070325T020000", "+0100", "+0200",
                                     "RDATE:20060326T020000\r\nRDATE:20070325T020000\r\n");
    ZoneRun result = ParseZone(standard + daylight);
    ASSERT_TRUE(result.zone);
    EXPECT_EQ(result.zone->Bias, -60);
    EXPECT_EQ(result.zone->DaylightBias, -60);
    EXPECT_EQ(DateText(result.zone->StandardDate), "0 10/0/5 3:0:0");
    EXPECT_EQ(DateText(result.zone->DaylightDate), "0 3/0/5 2:0:0");
}

TEST(VTimezone, DaylightDateNeedsBothRules) {
    std::string daylight = Component("DAYLIGHT", "20070311T020000", "-0500", "-0400");
    ZoneRun result = ParseZone(kNewYorkStandard + daylight);
    ASSERT_TRUE(result.zone);
    EXPECT_EQ(result.zone->DaylightBias, -60);
    EXPECT_EQ(result.zone->StandardDate.wMonth, 11);
    EXPECT_EQ(result.zone->DaylightDate.wMonth, 0);
}

TEST(VTimezone, BadOffsetsDropTheComponent) {
    for (const char* offset : {"+01", "+0160", "0100", "+01:00", "-05000", "+0A00"}) {
        SCOPED_TRACE(offset);
        ZoneRun result = ParseZone(Component("STANDARD", "19700101T000000", "+0100", offset));
        EXPECT_FALSE(result.zone);
        EXPECT_EQ(result.eventZone, DefaultZoneKey);
        EXPECT_EQ(result.run.LogTexts(),
                  (std::vector<std::string>{
                      std::string("3 Invalid VTIMEZONE.COMPONENT.TZOFFSET -") + offset,
                      "3 Skipping Invalid VTIMEZONE.COMPONENT",
                      "3 Bad VTIMEZONE - no or invalid STANDARD component"}));
    }
}

TEST(VTimezone, NegativeOffsetsWithMinutes) {
    ZoneRun result = ParseZone(Component("STANDARD", "19700101T000000", "-0330", "-0330"));
    ASSERT_TRUE(result.zone);
    EXPECT_EQ(result.zone->Bias, 210);
}

TEST(VTimezone, WithoutTzidNothingIsRegistered) {
    ZoneRun result = ParseZone(kNewYorkStandard, "");
    EXPECT_FALSE(result.zone);
    EXPECT_EQ(result.run.LogTexts(), (std::vector<std::string>{"3 Bad VTIMEZONE - no TZID"}));
}

TEST(VTimezone, RulesOutlookCannotHoldAreDropped) {
    std::string standard =
        Component("STANDARD", "20071104T020000", "-0400", "-0500",
                  "RRULE:FREQ=YEARLY;BYMONTH=11;BYMONTHDAY=1,2,3,4,5,6,7\r\nCOMMENT:x\r\n");
    ZoneRun result = ParseZone(standard);
    ASSERT_TRUE(result.zone);
    EXPECT_EQ(result.zone->StandardDate.wMonth, 0);
    EXPECT_EQ(
        result.run.LogTexts(),
        (std::vector<std::string>{"2 Not supported:Multi days in BYMONTHDAY;\tin "
                                  "line(RRULE:FREQ=YEARLY;BYMONTH=11;BYMONTHDAY=1,2,3,4,5,6,7)",
                                  "3 Invalid VTIMEZONE.COMPONENT.RRULE",
                                  "1 Unknown VTIMEZONE.COMPONENT prop\tin line(COMMENT:x)"}));
}

TEST(VTimezone, UnknownGroupingsAreSkippedAndALaterZoneReplaces) {
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"
                       "BEGIN:VTIMEZONE\r\nTZID:Z\r\nBEGIN:X-OTHER\r\nTZID:Y\r\nEND:X-OTHER\r\n" +
                       Component("STANDARD", "19700101T000000", "+0100", "+0100") +
                       "END:VTIMEZONE\r\nBEGIN:VTIMEZONE\r\nTZID:Z\r\n" +
                       Component("STANDARD", "19700101T000000", "+0200", "+0200") +
                       "END:VTIMEZONE\r\nEND:VCALENDAR\r\n";
    ParseRun run = ParseText(text);
    ASSERT_EQ(run.calendars.size(), 1u);
    EXPECT_EQ(run.calendars[0].at("Z").Bias, -120);
    EXPECT_FALSE(run.calendars[0].contains("Y"));
    EXPECT_EQ(run.LogTexts(), (std::vector<std::string>{
                                  "1 skipping unknown grouping -X-OTHER\tin line(BEGIN:X-OTHER)"}));
}

TEST(VTimezone, ComponentCutShortByTheZoneEnd) {
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTIMEZONE\r\nTZID:Z\r\n"
                       "BEGIN:STANDARD\r\nDTSTART:19700101T000000\r\nTZOFFSETFROM:+0100\r\n"
                       "TZOFFSETTO:+0100\r\nEND:VTIMEZONE\r\nBEGIN:VEVENT\r\n"
                       "DTSTART;TZID=Z:20070101T100000\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    ParseRun run = ParseText(text);
    ASSERT_EQ(run.events.size(), 1u);
    EXPECT_EQ(run.events[0].Start.Tzid, "Z");
    EXPECT_EQ(run.calendars.at(0).at("Z").Bias, -60);
}

} // namespace
