// Date-time texts read raw, into the system zone and into a target zone.

#include "engine/import/cvcal_parser.h"
#include "engine/import/item_dates.h"
#include "tests/testkit/scoped_env.h"

#include <gtest/gtest.h>

namespace {

class NoConsumer : public ParsedEventConsumer {
public:
    int AddEvent(CvCalParser&) override { return 0; }
    void EventFailed(CvCalParser&) override {}
    void CalendarEnded(CvCalParser&) override {}
    void ShowWarning(const std::string&, const std::string&) override {}
};

// One hour east of UTC, no daylight time.
TimeZoneRule EastOne() {
    TimeZoneRule zone{};
    zone.Bias = -60;
    return zone;
}

// New York: five hours west, daylight time from the second Sunday of March
// to the first Sunday of November.
TimeZoneRule NewYork() {
    TimeZoneRule zone{};
    zone.Bias = 300;
    zone.DaylightBias = -60;
    zone.StandardDate = {0, 11, 0, 1, 2, 0, 0, 0};
    zone.DaylightDate = {0, 3, 0, 2, 2, 0, 0, 0};
    return zone;
}

class ToDateTest : public ::testing::Test {
protected:
    ToDateTest()
        : parser_(consumer_,
                  [this](const std::string& text, LONG, const char* where, int level, int flag) {
                      log_.push_back(std::string(where) + " " + std::to_string(level) + "/" +
                                     std::to_string(flag) + " " + text);
                  }) {
        parser_.TimeZones["East"] = EastOne();
        parser_.TimeZones["NY"] = NewYork();
    }

    // The value as "YYYY-MM-DD HH:MM:SS"; "false" when ToDate refuses.
    std::string Read(const std::string& text, const std::string& key, int mode,
                     const std::string& target = "") {
        COleDateTime value;
        if (!parser_.ToDate(text, key, value, mode, target)) {
            return "false";
        }
        return Text(value);
    }

    static std::string Text(const COleDateTime& value) {
        if (value.GetStatus() != COleDateTime::valid) {
            return "invalid";
        }
        return value.Format("%Y-%m-%d %H:%M:%S");
    }

    // The event's start and end as ItemDates reads them; "false" when it refuses.
    static std::pair<std::string, std::string> ItemStartAndEnd(ItemDates& dates) {
        COleDateTime start;
        COleDateTime end;
        const bool hasStart = dates.LocalStart(start);
        const bool hasEnd = dates.LocalEnd(end);
        return {hasStart ? Text(start) : "false", hasEnd ? Text(end) : "false"};
    }

    NoConsumer consumer_;
    std::vector<std::string> log_;
    CvCalParser parser_;
};

TEST_F(ToDateTest, RawTakesTheDigitsAsWritten) {
    ScopedEnv tz("TZ", "EST5EDT,M3.2.0,M11.1.0");
    EXPECT_EQ(Read("20070101T100000Z", "East", kToDateRaw), "2007-01-01 10:00:00");
    EXPECT_EQ(Read("20070101", "", kToDateRaw), "2007-01-01 00:00:00");
    EXPECT_EQ(Read("20070101T1000", "", kToDateRaw), "false");
    EXPECT_EQ(Read("20071301T100000", "", kToDateRaw), "invalid");
    EXPECT_EQ(Read("20070230", "", kToDateLocal), "invalid");
    EXPECT_TRUE(log_.empty());
}

TEST_F(ToDateTest, ToLocalFromAZone) {
    ScopedEnv tz("TZ", "UTC0");
    EXPECT_EQ(Read("20070101T100000", "East", kToDateLocal), "2007-01-01 09:00:00");
    EXPECT_EQ(Read("20070701T100000", "NY", kToDateLocal), "2007-07-01 14:00:00");
    EXPECT_EQ(Read("20070101T100000", "NY", kToDateLocal), "2007-01-01 15:00:00");
}

TEST_F(ToDateTest, ToLocalIntoASystemZoneWithDaylightTime) {
    ScopedEnv tz("TZ", "EST5EDT,M3.2.0,M11.1.0");
    EXPECT_EQ(Read("20070101T100000Z", "East", kToDateLocal), "2007-01-01 05:00:00");
    EXPECT_EQ(Read("20070701T100000Z", "", kToDateLocal), "2007-07-01 06:00:00");
    EXPECT_EQ(Read("20070701T100000", "East", kToDateLocal), "2007-07-01 05:00:00");
    // Floating times stay as written.
    EXPECT_EQ(Read("20070701T100000", "", kToDateLocal), "2007-07-01 10:00:00");
}

TEST_F(ToDateTest, ToLocalWithAnUnknownZoneKeepsTheValueAndLogs) {
    ScopedEnv tz("TZ", "EST5EDT,M3.2.0,M11.1.0");
    EXPECT_EQ(Read("20070101T100000", "Mars", kToDateLocal), "2007-01-01 10:00:00");
    EXPECT_EQ(log_, (std::vector<std::string>{
                        "CvCalImport::ToDate 2/3 No(or bad) timezone with id = 'Mars'"}));
}

TEST_F(ToDateTest, ToTargetSameZoneKeepsTheWallClock) {
    ScopedEnv tz("TZ", "UTC0");
    EXPECT_EQ(Read("20070101T100000", "East", kToDateTarget, "East"), "2007-01-01 10:00:00");
    EXPECT_EQ(Read("20070701T100000", "NY", kToDateTarget, "NY"), "2007-07-01 10:00:00");
}

TEST_F(ToDateTest, ToTargetAcrossZones) {
    ScopedEnv tz("TZ", "UTC0");
    EXPECT_EQ(Read("20070101T100000", "East", kToDateTarget, "NY"), "2007-01-01 04:00:00");
    EXPECT_EQ(Read("20070701T100000", "East", kToDateTarget, "NY"), "2007-07-01 05:00:00");
    EXPECT_EQ(Read("20070701T100000Z", "East", kToDateTarget, "NY"), "2007-07-01 06:00:00");
    EXPECT_EQ(Read("20070701T100000Z", "NY", kToDateTarget, "NY"), "2007-07-01 06:00:00");
}

TEST_F(ToDateTest, ToTargetFallsBackToTheSystemZone) {
    ScopedEnv tz("TZ", "EST5EDT,M3.2.0,M11.1.0");
    // Empty key: the text is system time; empty target: into system time.
    EXPECT_EQ(Read("20070701T100000", "", kToDateTarget, "East"), "2007-07-01 15:00:00");
    EXPECT_EQ(Read("20070701T100000", "East", kToDateTarget, ""), "2007-07-01 05:00:00");
    EXPECT_TRUE(log_.empty());
    // Unknown keys are logged and read as the system zone.
    EXPECT_EQ(Read("20070701T100000", "Mars", kToDateTarget, "East"), "2007-07-01 15:00:00");
    EXPECT_EQ(Read("20070701T100000Z", "East", kToDateTarget, "Venus"), "2007-07-01 06:00:00");
    EXPECT_EQ(log_.size(), 2u);
}

// An item's start and end in local time, read as often as an appointment
// needs them: ToDate's values each time, until the next item's.
TEST_F(ToDateTest, ItemDatesReadTheEventsStartAndEndInLocalTime) {
    ScopedEnv tz("TZ", "UTC0");
    ItemDates dates(parser_);
    parser_.Event.Start = {"20070701T100000", "NY"};
    parser_.Event.End = {"20070701T110000Z", ""};
    for (int read = 0; read < 3; ++read) {
        EXPECT_EQ(ItemStartAndEnd(dates), std::make_pair(std::string("2007-07-01 14:00:00"),
                                                         std::string("2007-07-01 11:00:00")));
    }
    parser_.Event.Start = {"20070101T100000", "East"};
    parser_.Event.End = {"20071301T100000", ""};
    dates.Clear();
    for (int read = 0; read < 2; ++read) {
        EXPECT_EQ(ItemStartAndEnd(dates),
                  std::make_pair(std::string("2007-01-01 09:00:00"), std::string("invalid")));
    }
    parser_.Event.Start = {"2007", ""};
    parser_.Event.End = {};
    dates.Clear();
    for (int read = 0; read < 2; ++read) {
        EXPECT_EQ(ItemStartAndEnd(dates),
                  std::make_pair(std::string("false"), std::string("false")));
    }
    EXPECT_TRUE(log_.empty());
}

// A date in a zone the file does not define is logged at every read, as
// ToDate logs it at every conversion.
TEST_F(ToDateTest, ItemDatesLogAnUnknownZoneAtEveryRead) {
    ScopedEnv tz("TZ", "UTC0");
    ItemDates dates(parser_);
    parser_.Event.Start = {"20070101T100000", "Mars"};
    parser_.Event.End = {"20070101T110000", "East"};
    for (int read = 0; read < 3; ++read) {
        EXPECT_EQ(ItemStartAndEnd(dates), std::make_pair(std::string("2007-01-01 10:00:00"),
                                                         std::string("2007-01-01 10:00:00")));
    }
    EXPECT_EQ(log_, std::vector<std::string>(
                        3, "CvCalImport::ToDate 2/3 No(or bad) timezone with id = 'Mars'"));
}

} // namespace
