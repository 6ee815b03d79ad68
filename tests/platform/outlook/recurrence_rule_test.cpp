#include "platform/outlook/civil_day.h"
#include "platform/outlook/recurrence_rule.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

int Day(const std::string& text) {
    int y = 0, m = 0, d = 0;
    std::sscanf(text.c_str(), "%d-%d-%d", &y, &m, &d);
    return DayNumber(y, m, d);
}

std::string Text(int day) {
    const CivilDate date = CivilFromDayNumber(day);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", date.year, date.month, date.day);
    return buffer;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    const size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

RecurrenceRule ParseRule(const std::string& fields) {
    RecurrenceRule rule;
    std::istringstream in(fields);
    std::string field;
    while (in >> field) {
        const std::string key = field.substr(0, field.find('='));
        const std::string value = field.substr(field.find('=') + 1);
        if (key == "start") {
            rule.patternStart = Day(value);
        } else if (key == "end") {
            rule.noEndDate = false;
            rule.patternEnd = Day(value);
        } else if (key == "count") {
            rule.noEndDate = false;
            rule.occurrences = std::stoi(value);
        } else {
            int& target = key == "type"       ? rule.type
                          : key == "interval" ? rule.interval
                          : key == "mask"     ? rule.dayOfWeekMask
                          : key == "day"      ? rule.dayOfMonth
                          : key == "month"    ? rule.monthOfYear
                                              : rule.instance;
            target = std::stoi(value);
        }
    }
    return rule;
}

std::string Dates(RecurrenceRule rule) {
    OccurrenceDates dates(rule);
    std::string text;
    for (int guard = 0; guard < 50; ++guard) {
        std::optional<int> day = dates.Next();
        if (!day) {
            break;
        }
        text += (text.empty() ? "" : " ") + Text(*day);
    }
    return text;
}

TEST(OccurrenceDates, CasesWorkedOutByHand) {
    const std::string path =
        std::string(QUILLANE_TEST_DATA) + "/platform/outlook/recurrence_cases.txt";
    std::ifstream file(path);
    ASSERT_TRUE(file) << path;
    std::string line;
    int lineNumber = 0, cases = 0;
    while (std::getline(file, line)) {
        ++lineNumber;
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const size_t bar1 = line.find('|');
        const size_t bar2 = line.find('|', bar1 + 1);
        const std::string expected = Trim(line.substr(bar2 + 1));
        ++cases;
        EXPECT_EQ(Dates(ParseRule(line.substr(bar1 + 1, bar2 - bar1 - 1))), expected)
            << "recurrence_cases.txt:" << lineNumber << " (" << Trim(line.substr(0, bar1)) << ")";
    }
    EXPECT_GT(cases, 10);
}

TEST(OccurrenceDates, SkipToLandsOnTheFirstDateOnOrAfterTheDay) {
    RecurrenceRule rule = ParseRule("type=2 interval=1 day=31 start=2007-01-31");
    OccurrenceDates dates(rule);
    dates.SkipTo(Day("2009-02-10"));
    EXPECT_EQ(Text(*dates.Next()), "2009-02-28");
    EXPECT_EQ(Text(*dates.Next()), "2009-03-31");
}

TEST(OccurrenceDates, SkipToKeepsCountingSkippedOccurrences) {
    RecurrenceRule rule = ParseRule("type=0 interval=1 start=2007-03-01 count=10");
    OccurrenceDates dates(rule);
    dates.SkipTo(Day("2007-03-09"));
    EXPECT_EQ(Text(*dates.Next()), "2007-03-09");
    EXPECT_EQ(Text(*dates.Next()), "2007-03-10");
    EXPECT_FALSE(dates.Next());
}

TEST(OccurrenceRange, CountAndEndDateFollowEachOther) {
    RecurrenceRule rule =
        ParseRule("type=3 interval=1 mask=32 instance=5 start=2007-03-05 count=4");
    EXPECT_EQ(Text(*LastOccurrenceDate(rule)), "2007-06-29");
    EXPECT_EQ(CountOccurrencesThrough(rule, Day("2007-06-28")), 3);
    EXPECT_EQ(CountOccurrencesThrough(rule, Day("2007-06-29")), 4);
}

TEST(CivilDay, DayNumbersMatchOleDates) {
    EXPECT_EQ(DayNumber(1899, 12, 30), 0);
    EXPECT_EQ(DayNumber(2007, 3, 5), 39146);
    EXPECT_EQ(DayNumber(1899, 12, 29), -1);
    EXPECT_EQ(Text(DayNumber(2000, 2, 29)), "2000-02-29");
    EXPECT_EQ(Weekday(DayNumber(2007, 3, 5)), 1);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
}

} // namespace
