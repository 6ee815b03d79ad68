#include "engine/import/date_values.h"

#include <gtest/gtest.h>

namespace {

TEST(IsValidDateText, AcceptsTheThreeForms) {
    EXPECT_TRUE(IsValidDateText("20070101"));
    EXPECT_TRUE(IsValidDateText("20070101T100000"));
    EXPECT_TRUE(IsValidDateText("20070101t100000"));
    EXPECT_TRUE(IsValidDateText("20070101T100000Z"));
    EXPECT_TRUE(IsValidDateText("20070101T100000z"));
    // Digits that form no date still pass the text check.
    EXPECT_TRUE(IsValidDateText("20071399T256161"));
}

TEST(IsValidDateText, RejectsEverythingElse) {
    for (const char* text : {"", "2007-01-01", "20070101T1000", "2007010", "200701010",
                             "20070101X100000", "20070101T10000A", "20070101T100000ZZ",
                             "20070101T100000+", "2007O101", " 20070101", "20070101T100000 "}) {
        EXPECT_FALSE(IsValidDateText(text)) << text;
    }
}

struct DurationCase {
    const char* text;
    bool valid;
    int minutes;
};

TEST(ParseDuration, Table) {
    const DurationCase cases[] = {
        {"PT90M", true, 90},    {"PT1H30M", true, 90},
        {"-P1D", true, -1440},  {"P1W", true, 10080},
        {"PT59S", true, 0},     {"P1DT1H", true, 1500},
        {"+PT15M", true, 15},   {"P", true, 0},
        {"pt2h", true, 120},    {"PT90S", true, 1},
        {"PT30S30S", true, 0},  {"P1DT", true, 1440},
        {"-PT0M", true, 0},     {"", false, 0},
        {"1D", false, 0},       {"PT", true, 0},
        {"P1", false, 0},       {"PT1X", false, 0},
        {"P 1D", false, 0},     {"PTH", false, 0},
        {"--P1D", false, 0},    {"P99999999999W", false, 0},
        {"P300000W", false, 0}, {"P1D ", false, 0},
    };
    for (const DurationCase& c : cases) {
        int minutes = -12345;
        EXPECT_EQ(ParseDuration(c.text, minutes), c.valid) << c.text;
        if (c.valid) {
            EXPECT_EQ(minutes, c.minutes) << c.text;
        } else {
            EXPECT_EQ(minutes, -12345) << c.text << " must leave the output alone";
        }
    }
}

TEST(ParsePeriodText, StartWithDuration) {
    PeriodText period;
    ASSERT_TRUE(ParsePeriodText("20070101T100000Z/PT1H", period));
    EXPECT_EQ(period.Start, "20070101T100000Z");
    EXPECT_EQ(period.End, "");
    EXPECT_EQ(period.Duration, "PT1H");
    ASSERT_TRUE(ParsePeriodText("20070101T100000/+P1D", period));
    EXPECT_EQ(period.Duration, "+P1D");
}

TEST(ParsePeriodText, StartWithEnd) {
    PeriodText period;
    ASSERT_TRUE(ParsePeriodText("20070101T100000Z/20070101T113000Z", period));
    EXPECT_EQ(period.Start, "20070101T100000Z");
    EXPECT_EQ(period.End, "20070101T113000Z");
    EXPECT_EQ(period.Duration, "");
}

TEST(ParsePeriodText, Invalid) {
    for (const char* text :
         {"20070101T100000Z/-PT1H", "20070101T100000Z", "20070101T100000Z/", "2007-01-01/PT1H",
          "20070101T100000Z/PTX", "20070101T100000Z/2007", "/PT1H"}) {
        PeriodText period;
        EXPECT_FALSE(ParsePeriodText(text, period)) << text;
    }
}

} // namespace
