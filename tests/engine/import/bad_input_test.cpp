// Malformed files are read to the end without a crash, with the log lines
// that tell what was wrong.

#include "engine/import/read_file.h"
#include "tests/engine/import/parse_harness.h"
#include "tests/testkit/temp_folder.h"

#include <gtest/gtest.h>

namespace {

// Reads the bytes as a file (name given, as when events are counted), then
// parses them; the reading's log lines come first.
ParseRun ReadAndParse(const std::string& bytes, const std::string& name = "bad.ics") {
    TempFolder folder;
    std::string path = folder.Write(name, bytes);
    std::vector<LoggedLine> readLog;
    std::string text;
    EXPECT_TRUE(_ReadFile(
        OpenForReading(path), text, name.c_str(),
        [&readLog](const std::string& line, LONG, const char* where, int level, int flag) {
            readLog.push_back({line, where, level, flag});
        }));
    ParseSetup setup;
    setup.fileName = name;
    ParseRun run = ParseText(text, setup);
    run.log.insert(run.log.begin(), readLog.begin(), readLog.end());
    return run;
}

TEST(BadInput, EmptyFile) {
    ParseRun run = ReadAndParse("");
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(run.events.empty());
    EXPECT_TRUE(run.log.empty());
}

TEST(BadInput, BinaryData) {
    std::string bytes = "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:20070101\r\n";
    for (int i = 0; i < 4096; ++i) {
        bytes += static_cast<char>((i * 131 + 7) % 256);
    }
    bytes += "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    ParseRun run = ReadAndParse(bytes);
    ASSERT_FALSE(run.log.empty());
    EXPECT_EQ(run.log[0].where, "CvCalImport::_ReadFile");
    EXPECT_EQ(run.log[0].text, "File(bad.ics) contains unencoded binary data(16 bad symbols)! It "
                               "cannot be imported correctly.");
    EXPECT_EQ(run.events.size(), 1u);
}

TEST(BadInput, BeginWithoutEnd) {
    ParseRun alarm = ReadAndParse("BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:20070101T100000\r\n"
                                  "BEGIN:VALARM\r\nTRIGGER:-PT5M\r\n");
    ASSERT_EQ(alarm.events.size(), 1u);
    EXPECT_EQ(alarm.events[0].AlarmMinutes, -5);
    ParseRun todo = ReadAndParse("BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\nBEGIN:VEVENT\r\n"
                                 "DTSTART:20070101T100000\r\nEND:VEVENT\r\n");
    EXPECT_TRUE(todo.events.empty());
    ParseRun zone = ReadAndParse("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTIMEZONE\r\nTZID:Z\r\n"
                                 "BEGIN:STANDARD\r\nDTSTART:19700101T000000\r\n");
    EXPECT_EQ(zone.LogTexts(),
              (std::vector<std::string>{"3 Skipping Invalid VTIMEZONE.COMPONENT",
                                        "3 Bad VTIMEZONE - no or invalid STANDARD component"}));
}

TEST(BadInput, TruncatedLines) {
    ParseRun run =
        ReadAndParse("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nDTSTART;TZID=\"Eu"
                     "\r\nDTSTART:2007\r\nSUMMARY;ENCODING=QUOTED-PRINTABLE:a=");
    EXPECT_EQ(run.failed, 1);
    EXPECT_EQ(run.LogTexts(),
              (std::vector<std::string>{"2 Invalid date \"2007\"\tin file(name='bad.ics',line~5)",
                                        "2 No START and END - skipping event"}));
}

TEST(BadInput, InvalidDatesAndAbsurdRules) {
    ParseRun run = ReadAndParse("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\n"
                                "DTSTART:20071340T256199\r\nDTEND:99999999T999999Z\r\n"
                                "RRULE:FREQ=DAILY;COUNT=99999999999999;INTERVAL=4294967297\r\n"
                                "END:VEVENT\r\nEND:VCALENDAR\r\n");
    ASSERT_EQ(run.events.size(), 1u);
    EXPECT_EQ(run.events[0].Start.Date, "20071340T256199");
    EXPECT_EQ(run.events[0].RuleCount, 2147483647);
    EXPECT_EQ(run.events[0].RuleInterval, 2147483647);
}

TEST(BadInput, ThousandsOfByDayItems) {
    std::string byDay = "RRULE:FREQ=MONTHLY;BYDAY=1MO";
    for (int i = 0; i < 20000; ++i) {
        byDay += ",2TU";
    }
    ParseRun run = ReadAndParse("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\n"
                                "DTSTART:20070101T100000\r\n" +
                                byDay + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    ASSERT_EQ(run.events.size(), 1u);
    EXPECT_EQ(run.events[0].RuleType, kRuleMonthNth);
    ASSERT_EQ(run.log.size(), 1u);
    EXPECT_EQ(run.log[0].text.substr(0, 35), "Was errors:Too many days in BYDAY;\n");
}

TEST(BadInput, HundredMegabyteLineIsQuotedShortInTheLog) {
    std::string bytes =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nDTSTART:20070101\r\nFOO:" +
        std::string(100 << 20, 'x') + "\r\nSUMMARY:after\r\nEND:VEVENT\r\n";
    ParseRun run = ReadAndParse(bytes);
    ASSERT_EQ(run.events.size(), 1u);
    EXPECT_EQ(Utf8(run.events[0].Subject), "after");
    ASSERT_EQ(run.log.size(), 1u);
    EXPECT_EQ(run.log[0].text, "Unknown VEVENT Prop\tin line(FOO:" + std::string(1020, 'x') + ")");
}

TEST(BadInput, LongFoldedValueIsDecodedWhole) {
    std::string description = "DESCRIPTION:";
    for (int i = 0; i < 200000; ++i) {
        description += "abcdefghij\\n\r\n ";
    }
    ParseRun run = ReadAndParse("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\n"
                                "DTSTART:20070101\r\n" +
                                description + "\r\nEND:VEVENT\r\n");
    ASSERT_EQ(run.events.size(), 1u);
    EXPECT_EQ(run.events[0].Description.size(), 200000u * 11);
}

} // namespace
