// The character set of an export: which CHARSET parameter the text
// properties carry and the bytes their values are written in.

#include "engine/export/ical_date_time.h"
#include "tests/engine/export/export_fixture.h"

using nlohmann::json;

namespace {

const json kAccented = json::parse(R"([{"subject": "Café", "location": "Zürich",
  "start": "2007-03-05T09:00:00", "end": "2007-03-05T10:00:00"}])");

TEST_F(ExportTest, Utf8ICalendarHasNoCharsetParameter) {
    Add(kAccented);

    Run();

    std::string text = OnlyOutput();
    EXPECT_NE(text.find("\r\nSUMMARY:Caf\xC3\xA9\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("CHARSET"), std::string::npos);
}

TEST_F(ExportTest, Utf8VCalendarNamesItsCharsetAndQuotesTheBytes) {
    Add(kAccented);
    options_.format = kFormatVCalendar10;

    Run();

    std::string text = OnlyOutput();
    EXPECT_NE(text.find("\r\nSUMMARY;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Caf=C3=A9\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\r\nLOCATION;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Z=C3=BCrich\r\n"),
              std::string::npos);
}

TEST_F(ExportTest, ASingleByteCharsetIsNamedAndUsedInBothFormats) {
    Add(kAccented);
    options_.encoding = "Western European (Windows)";

    Run();

    std::string text = OnlyOutput();
    EXPECT_NE(text.find("\r\nSUMMARY;CHARSET=windows-1252:Caf\xE9\r\n"), std::string::npos) << text;
}

TEST_F(ExportTest, MeetingAddressesAndNamesAreUtf8InICalendar) {
    Add(json::parse(R"([{"subject": "M", "start": "2007-03-05T09:00:00", "meeting_status": 1,
      "organizer": {"address": "jos\u00e9@example.com", "name": "Jos\u00e9"},
      "recipients": [{"name": "Zo\u00eb", "address": "zoe@example.com", "type": 1}]}])"));
    options_.encoding = "Western European (Windows)";

    Run();

    std::string text = OnlyOutput();
    EXPECT_NE(text.find("ORGANIZER;CN=\"Jos\xC3\xA9\":MAILTO:jos\xC3\xA9@example.com\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("ATTENDEE;CN=\"Zo\xC3\xAB\";ROLE=REQ-PARTICIPANT:MAILTO:zoe@example.com"),
              std::string::npos);
}

TEST(FormatIcalDateTime, LocalUtcDateOnlyAndInvalid) {
    ScopedEnv tz("TZ", "EST5EDT,M3.2.0,M11.1.0");
    COleDateTime summer(2007, 7, 10, 12, 0, 5);
    EXPECT_EQ(FormatIcalDateTime(summer, false, false, true), "20070710T120005");
    EXPECT_EQ(FormatIcalDateTime(summer, false, true, true), "20070710T160005Z");
    EXPECT_EQ(FormatIcalDateTime(summer, true, true, true), "20070710T120005Z");
    EXPECT_EQ(FormatIcalDateTime(summer, false, false, false), "20070710");
    EXPECT_EQ(FormatIcalDateTime(COleDateTime::Invalid(), false, true, true),
              "-001Invalid DateTime");
}

} // namespace
