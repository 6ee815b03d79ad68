// Recurrence rules in both grammars, one row per pattern; the week start the
// user chose in Outlook; and the EXDATE and RDATE lists.

#include "engine/export/exception_dates.h"
#include "engine/export/recurrence_rule_text.h"
#include "platform/win32/registry.h"

#include <gtest/gtest.h>

namespace {

struct RuleCase {
    const char* label;
    RecurrenceFields fields;
    const char* vcalendar;
    const char* icalendar;
};

// type, interval, mask, day of month, month, instance, no end, occurrences
const RuleCase kRuleCases[] = {
    {"every third day", {0, 3, 0, 0, 0, 0, false, 4}, "D3 #4", "FREQ=DAILY;COUNT=4;INTERVAL=3"},
    {"every weekday",
     {0, 0, 62, 0, 0, 0, false, 10},
     "W1 MO TU WE TH FR #10",
     "FREQ=DAILY;COUNT=10;INTERVAL=1;BYDAY=MO,TU,WE,TH,FR"},
    {"weekly on two days, no end",
     {1, 2, 65, 0, 0, 0, true, 0},
     "W2 SU SA #0",
     "FREQ=WEEKLY;INTERVAL=2;BYDAY=SU,SA"},
    {"weekly with interval 0",
     {1, 0, 4, 0, 0, 0, false, 3},
     "W1 TU #3",
     "FREQ=DAILY;COUNT=3;INTERVAL=1;BYDAY=TU"},
    {"monthly on the 31st",
     {2, 1, 0, 31, 0, 0, false, 12},
     "MD1 31 #12",
     "FREQ=MONTHLY;COUNT=12;INTERVAL=1;BYMONTHDAY=31"},
    {"last Friday",
     {3, 1, 32, 0, 0, 5, false, 6},
     "MP1 5+ FR #6",
     "FREQ=MONTHLY;COUNT=6;INTERVAL=1;BYDAY=FR;BYSETPOS=-1"},
    {"second weekday every other month",
     {3, 2, 62, 0, 0, 2, true, 0},
     "MP2 2+ MO TU WE TH FR #0",
     "FREQ=MONTHLY;INTERVAL=2;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=2"},
    {"yearly on 29 February",
     {5, 12, 0, 29, 2, 0, false, 3},
     "YM1 2 #3 MD1 29",
     "FREQ=YEARLY;COUNT=3;INTERVAL=1;BYMONTHDAY=29;BYMONTH=2"},
    {"first Monday of September",
     {6, 12, 2, 0, 9, 1, true, 0},
     "YM1 9 #0 MP1 1+ MO",
     "FREQ=YEARLY;INTERVAL=1;BYDAY=MO;BYMONTH=9;BYSETPOS=1"},
    {"a type Outlook does not have", {4, 1, 0, 0, 0, 0, false, 2}, " #2", ""},
};

TEST(RecurrenceRule, BothGrammars) {
    for (const RuleCase& c : kRuleCases) {
        EXPECT_EQ(VCalendarRule(c.fields), c.vcalendar) << c.label;
        EXPECT_EQ(ICalendarRule(c.fields), c.icalendar) << c.label;
    }
}

class WeekStartTest : public ::testing::Test {
protected:
    WeekStartTest() { RegistryReset(); }
    ~WeekStartTest() override { RegistryReset(); }

    void Store(DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER,
                                  "Software\\Microsoft\\Office\\12.0\\Outlook\\Options\\Calendar",
                                  0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "FirstDOW", 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
    void StoreDay(DWORD day) { Store(REG_DWORD, &day, sizeof day); }
};

TEST_F(WeekStartTest, TheUsersFirstDayOfTheWeekOfThatOutlookVersion) {
    StoreDay(1);
    EXPECT_EQ(WeekStartParameter(12), ";WKST=MO");
    EXPECT_EQ(WeekStartParameter(14), "");
    StoreDay(6);
    EXPECT_EQ(WeekStartParameter(12), ";WKST=SA");
}

TEST_F(WeekStartTest, NothingForAMissingOutOfRangeOrMistypedValue) {
    EXPECT_EQ(WeekStartParameter(12), "");
    StoreDay(7);
    EXPECT_EQ(WeekStartParameter(12), "");
    Store(REG_SZ, "1", 2);
    EXPECT_EQ(WeekStartParameter(12), "");
}

TEST(ExceptionDates, PlannedTimesOnceAndMovedTimesInOrder) {
    ExceptionDates dates(",");
    dates.AddPlanned("20070312T090000Z");
    dates.AddPlanned("20070312T090000Z");
    dates.AddPlanned("20070319T090000Z");
    dates.AddMoved("20070319T110000Z");
    dates.AddMoved("20070327T140000Z");

    EXPECT_EQ(dates.ExDates(), "20070312T090000Z,20070319T090000Z");
    EXPECT_EQ(dates.RDates(), "20070319T110000Z,20070327T140000Z");
}

TEST(ExceptionDates, AnEmptyListAndTheVCalendarSeparator) {
    ExceptionDates dates(";");
    EXPECT_EQ(dates.ExDates(), "");
    dates.AddPlanned("20070312T090000");
    EXPECT_EQ(dates.ExDates(), "20070312T090000");
    EXPECT_EQ(dates.RDates(), "");
}

} // namespace
