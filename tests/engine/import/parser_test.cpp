// The calendar level of the parser: calendars, versions, components it skips,
// events that fail, aborts and errors raised by the consumer.

#include "engine/common/v_sync_char_converter.h"
#include "platform/com/com_error.h"
#include "support/language_text.h"
#include "tests/engine/import/parse_harness.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

std::string Calendar(const std::string& body, const std::string& version = "2.0") {
    return "BEGIN:VCALENDAR\r\nVERSION:" + version + "\r\n" + body + "END:VCALENDAR\r\n";
}

const std::string kEvent = "BEGIN:VEVENT\r\nDTSTART:20070101T100000\r\nSUMMARY:one\r\n"
                           "END:VEVENT\r\n";

TEST(Parse, AFileMustStartWithBegin) {
    ParseRun run = ParseText("PRODID:x\r\n" + Calendar(kEvent));
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(run.events.empty());
    EXPECT_TRUE(run.calendars.empty());
}

TEST(Parse, OtherComponentsBeforeTheCalendarArePassedOver) {
    ParseRun run = ParseText("BEGIN:VCARD\r\nBEGIN:VCALENDAR\r\n" + kEvent + "END:VCALENDAR\r\n");
    EXPECT_EQ(run.events.size(), 1u);
}

TEST(Parse, EveryCalendarStartsAfresh) {
    std::string zone = "BEGIN:VTIMEZONE\r\nTZID:Z\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000"
                       "\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0100\r\nEND:STANDARD\r\n"
                       "END:VTIMEZONE\r\n";
    ParseRun run = ParseText(Calendar(zone + kEvent) + Calendar(kEvent, "1.0"));
    ASSERT_EQ(run.calendars.size(), 2u);
    EXPECT_TRUE(run.calendars[0].contains("Z"));
    EXPECT_FALSE(run.calendars[1].contains("Z"));
    EXPECT_TRUE(run.calendars[1].contains(DefaultZoneKey));
    EXPECT_EQ(run.eventVersions, (std::vector<int>{20, 10}));
}

// Nothing of an event carries over into the next one.
TEST(Parse, EveryEventStartsAfresh) {
    const std::string full =
        "BEGIN:VEVENT\r\nDTSTART;TZID=Z:20070101T100000\r\nDTEND:20070101T110000Z\r\n"
        "DURATION:PT1H\r\nSUMMARY:s\r\nDESCRIPTION:d\r\nLOCATION:l\r\nRESOURCES:r\r\n"
        "CATEGORIES:a,b\r\nCLASS:PRIVATE\r\nPRIORITY:1\r\nTRANSP:TRANSPARENT\r\nUID:u\r\n"
        "ORGANIZER;CN=O:MAILTO:o@example.com\r\nATTENDEE;CN=A:MAILTO:a@example.com\r\n"
        "RRULE:FREQ=WEEKLY;BYDAY=MO;UNTIL=20070301T000000Z\r\nEXDATE:20070108T100000\r\n"
        "RDATE:20070110T100000\r\nX-MICROSOFT-CDO-IMPORTANCE:0\r\nBEGIN:VALARM\r\n"
        "TRIGGER;VALUE=DATE-TIME:20070101T094500Z\r\nEND:VALARM\r\nEND:VEVENT\r\n";
    const std::string bare = "BEGIN:VEVENT\r\nDTSTART:20070102T100000\r\nEND:VEVENT\r\n";
    ParseRun alone = ParseText(Calendar(bare));
    ParseRun run = ParseText(Calendar(full + bare + full));
    ASSERT_EQ(alone.events.size(), 1u);
    ASSERT_EQ(run.events.size(), 3u);
    EXPECT_NE(EventFields(run.events[0]), EventFields(alone.events[0]));
    EXPECT_EQ(EventFields(run.events[1]), EventFields(alone.events[0]));
    EXPECT_EQ(EventFields(run.events[2]), EventFields(run.events[0]));
}

TEST(Parse, VersionComesFromTheFileNameUntilAVersionLine) {
    std::string body =
        "BEGIN:VCALENDAR\r\n" + kEvent + "VERSION:1.0\r\n" + kEvent + "END:VCALENDAR\r\n";
    ParseSetup ics;
    ics.fileName = "dir/X.ICS";
    EXPECT_EQ(ParseText(body, ics).eventVersions, (std::vector<int>{20, 10}));
    ParseSetup vcs;
    vcs.fileName = "x.vcs";
    EXPECT_EQ(ParseText(body, vcs).eventVersions, (std::vector<int>{10, 10}));
}

TEST(Parse, UnknownVersionAbortsTheRun) {
    ParseRun run = ParseText(Calendar(kEvent, "3.0") + Calendar(kEvent));
    EXPECT_EQ(run.result, -1);
    EXPECT_TRUE(run.events.empty());
    EXPECT_EQ(run.LogTexts(),
              (std::vector<std::string>{"2 Unknown version\tin line(VERSION:3.0)"}));
    EXPECT_EQ(run.log[0].where, "CvCalImport");
}

TEST(Parse, ConsumerAbortStopsTheFile) {
    ParseSetup setup;
    setup.abortAtEvent = 1;
    ParseRun run = ParseText(Calendar(kEvent + kEvent), setup);
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.events.size(), 1u);
}

TEST(Parse, CalendarLevelProperties) {
    ParseRun run = ParseText(Calendar("CALSCALE:GREGORIAN\r\nMETHOD:PUBLISH\r\nPRODID:-//x\r\n"
                                      "X-WR-CALNAME:cal\r\nEND:VEVENT\r\n" +
                                      kEvent));
    EXPECT_EQ(run.events.size(), 1u);
    EXPECT_EQ(run.LogTexts(),
              (std::vector<std::string>{"1 Unknown VCALENDAR prop\tin line(X-WR-CALNAME:cal)"}));
}

TEST(Parse, ComponentsThatAreSkipped) {
    std::string skipped = "BEGIN:VTODO\r\n" + kEvent + "END:VTODO\r\nBEGIN:VJOURNAL\r\n" + kEvent +
                          "END:VJOURNAL\r\nBEGIN:VFREEBUSY\r\nEND:VFREEBUSY\r\n" +
                          "BEGIN:VFOO\r\n" + kEvent + "END:VFOO\r\n";
    ParseRun ical = ParseText(Calendar(skipped + kEvent));
    EXPECT_EQ(ical.events.size(), 1u);
    EXPECT_EQ(ical.LogTexts(),
              (std::vector<std::string>{"1 skipping unknown grouping -VFOO\tin line(BEGIN:VFOO)"}));
    // vCalendar knows neither VJOURNAL, VFREEBUSY nor VTIMEZONE.
    ParseRun vcal = ParseText(Calendar(skipped + "BEGIN:VTIMEZONE\r\nEND:VTIMEZONE\r\n", "1.0"));
    EXPECT_TRUE(vcal.events.empty());
    EXPECT_EQ(vcal.log.size(), 4u);
}

TEST(Parse, EventWithoutStartAndEndFails) {
    ParseRun run = ParseText(Calendar("BEGIN:VEVENT\r\nSUMMARY:x\r\nEND:VEVENT\r\n" + kEvent));
    EXPECT_EQ(run.failed, 1);
    EXPECT_EQ(run.events.size(), 1u);
    ASSERT_EQ(run.log.size(), 1u);
    EXPECT_EQ(run.log[0].text, "No START and END - skipping event");
    EXPECT_EQ(run.log[0].where, "ParseVEVENT");
    EXPECT_EQ(run.log[0].level, 2);
}

TEST(Parse, EventWithOnlyAnEndStartsThere) {
    ParseRun run =
        ParseText(Calendar("BEGIN:VEVENT\r\nDTEND;TZID=Nowhere:20070101T110000\r\nEND:VEVENT\r\n"));
    ASSERT_EQ(run.events.size(), 1u);
    EXPECT_EQ(run.events[0].Start.Date, "20070101T110000");
    EXPECT_EQ(run.events[0].End.Date, "20070101T110000");
    EXPECT_EQ(run.events[0].Start.Tzid, DefaultZoneKey);
}

TEST(Parse, TruncatedFileStillHandsOutTheEvent) {
    ParseRun run = ParseText("BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:20070101T100000\r\nSUMM");
    ASSERT_EQ(run.events.size(), 1u);
    EXPECT_EQ(run.calendars.size(), 1u);
}

TEST(Parse, LineFeedOnlyText) {
    ParseRun run = ParseText("BEGIN:VCALENDAR\nVERSION:2.0\nBEGIN:VEVENT\nDTSTART:20070101\n"
                             "SUMMARY:a\n b\nEND:VEVENT\nEND:VCALENDAR");
    ASSERT_EQ(run.events.size(), 1u);
    EXPECT_EQ(Utf8(run.events[0].Subject), "ab");
}

class ThrowingConsumer : public ParsedEventConsumer {
public:
    explicit ThrowingConsumer(bool com) : com_(com) {}
    int AddEvent(CvCalParser&) override {
        if (com_) {
            throw _com_error(E_FAIL, u"store is gone");
        }
        throw std::runtime_error("boom");
    }
    void EventFailed(CvCalParser&) override {}
    void CalendarEnded(CvCalParser&) override {}
    void ShowWarning(const std::string&, const std::string&) override {}

private:
    bool com_;
};

std::vector<std::string> LogOfThrowingParse(bool com) {
    ThrowingConsumer consumer(com);
    std::vector<std::string> log;
    CvCalParser parser(
        consumer, [&log](const std::string& text, LONG, const char* where, int level, int) {
            log.push_back(std::string(where) + " " + std::to_string(level) + " " + text);
        });
    parser.FileName = "f.ics";
    EXPECT_EQ(parser.Parse(Calendar(kEvent + kEvent)), 0);
    return log;
}

TEST(Parse, ErrorsRaisedWhileParsingEndTheFile) {
    EXPECT_EQ(
        LogOfThrowingParse(true),
        (std::vector<std::string>{"CvCalImport::Parse 3 _com_error(store is gone), file(f.ics)"}));
    EXPECT_EQ(LogOfThrowingParse(false),
              (std::vector<std::string>{"CvCalImport::Parse 3 CATCHED EXCEPTION! file(f.ics)"}));
}

// vCalendar 1.0 zones.

TimeZoneRule VCalZone(const std::string& properties, ParseRun* runOut = nullptr) {
    ParseRun run = ParseText(Calendar(properties + kEvent, "1.0"));
    EXPECT_EQ(run.calendars.size(), 1u);
    if (runOut) {
        *runOut = run;
    }
    auto zone = run.calendars.at(0).find(kVCal10ZoneKey);
    return zone == run.calendars[0].end() ? TimeZoneRule{} : zone->second;
}

std::string DateText(const SYSTEMTIME& st) {
    return std::to_string(st.wMonth) + "/" + std::to_string(st.wDayOfWeek) + "/" +
           std::to_string(st.wDay) + " " + std::to_string(st.wHour) + ":" +
           std::to_string(st.wMinute);
}

TEST(VCalendarZone, TzThenDaylight) {
    ParseRun run;
    TimeZoneRule zone =
        VCalZone("TZ:-05\r\nDAYLIGHT:TRUE;-04;20070311T020000;20071104T020000;EST;EDT\r\n", &run);
    EXPECT_EQ(zone.Bias, 300);
    EXPECT_EQ(zone.StandardBias, 0);
    EXPECT_EQ(zone.DaylightBias, -60);
    EXPECT_EQ(DateText(zone.DaylightDate), "3/0/2 2:0");
    EXPECT_EQ(DateText(zone.StandardDate), "11/0/1 2:0");
    EXPECT_EQ(run.events.at(0).Start.Tzid, kVCal10ZoneKey);
}

TEST(VCalendarZone, DaylightThenTzGivesTheSameZone) {
    TimeZoneRule zone =
        VCalZone("DAYLIGHT:TRUE;-04;20070311T020000;20071104T020000;EST;EDT\r\nTZ:-05\r\n");
    EXPECT_EQ(zone.Bias, 300);
    EXPECT_EQ(zone.StandardBias, 0);
    EXPECT_EQ(zone.DaylightBias, -60);
}

TEST(VCalendarZone, LastWeekAndMinutesWithTheSignOfTheHours) {
    TimeZoneRule zone =
        VCalZone("TZ:-03:30\r\nDAYLIGHT:true;-02:30;20070325T020000;20071028T030000\r\n");
    EXPECT_EQ(zone.Bias, 210);
    EXPECT_EQ(zone.DaylightBias, -60);
    EXPECT_EQ(DateText(zone.DaylightDate), "3/0/5 2:0");
    EXPECT_EQ(DateText(zone.StandardDate), "10/0/5 3:0");
}

TEST(VCalendarZone, DaylightFalseAndUnreadableTzAreIgnoredQuietly) {
    ParseRun run;
    VCalZone("DAYLIGHT:FALSE\r\nTZ:abc\r\nDAYLIGHT:TRUE;-04\r\n", &run);
    EXPECT_FALSE(run.calendars[0].contains(kVCal10ZoneKey));
    EXPECT_TRUE(run.log.empty());
    EXPECT_EQ(run.events.at(0).Start.Tzid, DefaultZoneKey);
}

TEST(VCalendarZone, InvalidDaylightDatesAreLogged) {
    ParseRun run;
    VCalZone("TZ:+01\r\nDAYLIGHT:TRUE;+02;2007-03-25;20071028T030000\r\n", &run);
    EXPECT_EQ(run.calendars[0].at(kVCal10ZoneKey).DaylightBias, 0);
    ASSERT_EQ(run.log.size(), 1u);
    EXPECT_EQ(run.log[0].text, "Invalid Daylight Savings Rule:TRUE;+02;2007-03-25;20071028T030000");
    EXPECT_EQ(run.log[0].where, "ParseVCALENDAR");
    EXPECT_EQ(run.log[0].level, 3);
}

} // namespace

namespace {

TEST(DecodeValue, UndecodableQuotedPrintableWarnsAndKeepsTheRawValue) {
    SetLanguageTextSource([](const char* key) {
        return std::string(key) == "IDS_ERR_INVALID_FORMAT_VCAL"
                   ? std::string("Bad value in %1, property %2")
                   : std::string("Quillane");
    });
    ParseSetup setup;
    setup.fileName = "bad.vcs";
    ParseRun run = ParseText(Calendar("BEGIN:VEVENT\r\nDTSTART:20070101\r\nDESCRIPTION;"
                                      "QUOTED-PRINTABLE:a=\rb\r\nEND:VEVENT\r\n",
                                      "1.0"),
                             setup);
    SetLanguageTextSource({});
    EXPECT_EQ(run.warnings,
              (std::vector<std::string>{"Quillane: Bad value in bad.vcs, property DESCRIPTION"}));
    ASSERT_EQ(run.events.size(), 1u);
    EXPECT_EQ(Utf8(run.events[0].Description), "a=\rb");
}

class NoEvents : public ParsedEventConsumer {
public:
    int AddEvent(CvCalParser&) override { return 0; }
    void EventFailed(CvCalParser&) override {}
    void CalendarEnded(CvCalParser&) override {}
    void ShowWarning(const std::string&, const std::string&) override {}
};

// Each value leaves its character set selected in the converter, also when
// something else selected another one in between.
TEST(DecodeValue, LeavesTheValuesCharacterSetSelected) {
    NoEvents consumer;
    CvCalParser parser(consumer, [](const std::string&, LONG, const char*, int, int) {});
    std::u16string out;
    parser.Charset = "KOI8-R";
    parser.DecodeValue("\xEB", kEncodingNone, nullptr, false, out);
    EXPECT_EQ(out, u"\u041a");
    EXPECT_EQ(g_charConverter->CurrentCodePage(), 20866);
    parser.DecodeValue("\xC3\xA9", kEncodingNone, "UTF-8", false, out);
    EXPECT_EQ(out, u"\u00e9");
    EXPECT_EQ(g_charConverter->CurrentCodePage(), 65001);
    g_charConverter->SelectByCharsetName("windows-1252");
    parser.DecodeValue("\xC3\xA9", kEncodingNone, "UTF-8", false, out);
    EXPECT_EQ(out, u"\u00e9");
    EXPECT_EQ(g_charConverter->CurrentCodePage(), 65001);
    g_charConverter->SelectByCharsetName("windows-1252");
    parser.DecodeValue("\xEB", kEncodingNone, nullptr, false, out);
    EXPECT_EQ(out, u"\u041a");
    EXPECT_EQ(g_charConverter->CurrentCodePage(), 20866);
}

} // namespace
