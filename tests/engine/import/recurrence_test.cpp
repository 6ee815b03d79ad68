#include "engine/common/redemption.h"
#include "tests/engine/import/berlin_zone.h"
#include "tests/engine/import/import_fixture.h"

#include <cstring>

namespace {

using RecurrenceTest = ImportTest;

struct RuleRow {
    const char* version;
    const char* rule;
    LONG type;
    LONG interval;
    LONG mask;
    LONG dayOfMonth;
    LONG month;
    LONG instance;
    // 0 no end; above 0 the occurrences; -1 an end date.
    LONG occurrences;
};

// Every series starts on Monday 5 March 2007 at 09:00.
TEST_F(RecurrenceTest, EachRuleTypeFromBothGrammars) {
    const RuleRow rows[] = {
        {"1.0", "D2 #5", olRecursDaily, 2, 0, 0, 0, 0, 5},
        {"1.0", "W1 MO WE #4", olRecursWeekly, 1, olMonday | olWednesday, 0, 0, 0, 4},
        {"1.0", "MD1 15 #3", olRecursMonthly, 1, 0, 15, 0, 0, 3},
        {"1.0", "MP1 1+ MO #3", olRecursMonthNth, 1, olMonday, 0, 0, 1, 3},
        {"1.0", "YM1 3 MD1 5 #2", olRecursYearly, 1, 0, 5, 3, 0, 2},
        {"1.0", "YM1 11 MP1 4+ TH #2", olRecursYearNth, 1, olThursday, 0, 11, 4, 2},
        {"1.0", "W1 MO", olRecursWeekly, 1, olMonday, 0, 0, 0, 2},
        {"1.0", "W1 MO #0", olRecursWeekly, 1, olMonday, 0, 0, 0, 0},
        {"1.0", "D1 20070310T000000", olRecursDaily, 1, 0, 0, 0, 0, -1},
        {"2.0", "FREQ=DAILY;INTERVAL=2;COUNT=5", olRecursDaily, 2, 0, 0, 0, 0, 5},
        {"2.0", "FREQ=WEEKLY;BYDAY=MO,WE;COUNT=4", olRecursWeekly, 1, olMonday | olWednesday, 0, 0,
         0, 4},
        {"2.0", "FREQ=MONTHLY;BYMONTHDAY=15;COUNT=3", olRecursMonthly, 1, 0, 15, 0, 0, 3},
        {"2.0", "FREQ=MONTHLY;BYDAY=-1FR;COUNT=3", olRecursMonthNth, 1, olFriday, 0, 0, 5, 3},
        {"2.0", "FREQ=YEARLY;COUNT=2", olRecursYearly, 1, 0, 5, 3, 0, 2},
        {"2.0", "FREQ=YEARLY;BYMONTH=11;BYDAY=4TH;COUNT=2", olRecursYearNth, 1, olThursday, 0, 11,
         4, 2},
        {"2.0", "FREQ=WEEKLY;BYDAY=MO", olRecursWeekly, 1, olMonday, 0, 0, 0, 0},
        {"2.0", "FREQ=DAILY;UNTIL=20070310T090000", olRecursDaily, 1, 0, 0, 0, 0, -1},
    };
    for (const RuleRow& row : rows) {
        SCOPED_TRACE(std::string(row.version) + " " + row.rule);
        bool vcal = row.version[0] == '1';
        ImportRun run = ImportText(
            vcal ? "rule.vcs" : "rule.ics",
            Calendar(row.version, Event({"DTSTART:20070305T090000", "DTEND:20070305T100000",
                                         "SUMMARY:Series", std::string("RRULE:") + row.rule})));
        ASSERT_EQ(run.Counters.Imported, 1);
        CComPtr<_AppointmentItem> item = Only();
        ASSERT_TRUE(item);
        ASSERT_TRUE(item->GetIsRecurring());
        CComPtr<RecurrencePattern> pattern = item->GetRecurrencePattern();
        EXPECT_EQ(pattern->GetRecurrenceType(), row.type);
        if (row.type <= olRecursMonthNth) {
            EXPECT_EQ(pattern->GetInterval(), row.interval);
        }
        if (row.mask) {
            EXPECT_EQ(pattern->GetDayOfWeekMask(), row.mask);
        }
        if (row.dayOfMonth) {
            EXPECT_EQ(pattern->GetDayOfMonth(), row.dayOfMonth);
        }
        if (row.month) {
            EXPECT_EQ(pattern->GetMonthOfYear(), row.month);
        }
        if (row.instance) {
            EXPECT_EQ(pattern->GetInstance(), row.instance);
        }
        if (row.occurrences == 0) {
            EXPECT_TRUE(pattern->GetNoEndDate());
        } else if (row.occurrences > 0) {
            EXPECT_FALSE(pattern->GetNoEndDate());
            EXPECT_EQ(pattern->GetOccurrences(), row.occurrences);
        } else {
            EXPECT_FALSE(pattern->GetNoEndDate());
            EXPECT_EQ(COleDateTime(pattern->GetPatternEndDate()).GetDay(), 10);
        }
        EXPECT_EQ(COleDateTime(item->GetStart()), COleDateTime(Local(2007, 3, 5, 9)));
        item->Delete();
    }
}

TEST_F(RecurrenceTest, AZonedSeriesKeepsItsWallClockTimesAndGetsItsZone) {
    std::vector<std::string> lines = kBerlinZone;
    std::vector<std::string> event =
        Event({"DTSTART;TZID=Berlin:20070305T100000", "DTEND;TZID=Berlin:20070305T110000",
               "SUMMARY:Berlin standup", "RRULE:FREQ=WEEKLY;COUNT=3"});
    lines.insert(lines.end(), event.begin(), event.end());
    ImportText("zoned.ics", Calendar("2.0", lines));
    CComPtr<_AppointmentItem> item = Only();
    ASSERT_TRUE(item);
    CComPtr<IMAPIUtils> utils;
    ASSERT_EQ(CreateRedemptionObject(kProgIdMapiUtils, utils), S_OK);
    CComPtr<IUnknown> object(item.get());
    LONG ruleTag = utils->GetIDsFromNames(object, PSETID_Appointment, dispidTimeZoneStruct, false);
    LONG nameTag = utils->GetIDsFromNames(object, PSETID_Appointment, dispidTimeZoneDesc, false);
    ASSERT_NE(ruleTag, 0);
    std::vector<BYTE> bytes = utils->HrGetOneProp(object, ruleTag | PT_BINARY).ToBytes();
    ASSERT_EQ(bytes.size(), sizeof(TimeZoneRule));
    TimeZoneRule rule;
    std::memcpy(&rule, bytes.data(), sizeof rule);
    EXPECT_EQ(rule.Bias, -60);
    EXPECT_EQ(utils->HrGetOneProp(object, nameTag | PT_STRING8).ToString(), u"Berlin");
    // 10:00 in Berlin is 04:00 in New York before either changes its clocks,
    // and 05:00 in the week New York is on daylight time and Berlin is not.
    EXPECT_EQ(COleDateTime(item->GetStart()), COleDateTime(Local(2007, 3, 5, 4)));
    EXPECT_EQ(item->GetDuration(), 60);
    CComPtr<_Items> items = CalendarFolder()->GetItems();
    items->Sort(u"[Start]");
    items->PutIncludeRecurrences(true);
    std::vector<COleDateTime> starts;
    for (CComPtr<IUnknown> each = items->GetFirst(); each; each = items->GetNext()) {
        starts.push_back(QueryInterface<_AppointmentItem>(each)->GetStart());
    }
    EXPECT_EQ(starts, (std::vector<COleDateTime>{Local(2007, 3, 5, 4), Local(2007, 3, 12, 5),
                                                 Local(2007, 3, 19, 5)}));
}

TEST_F(RecurrenceTest, ASeriesInTheSystemZoneGetsNoZoneWritten) {
    ImportText("plain.ics",
               Calendar("2.0", Event({"DTSTART:20070305T100000", "DTEND:20070305T110000",
                                      "SUMMARY:Local", "RRULE:FREQ=WEEKLY;COUNT=3"})));
    CComPtr<_AppointmentItem> item = Only();
    ASSERT_TRUE(item);
    CComPtr<IMAPIUtils> utils;
    ASSERT_EQ(CreateRedemptionObject(kProgIdMapiUtils, utils), S_OK);
    CComPtr<IUnknown> object(item.get());
    LONG nameTag = utils->GetIDsFromNames(object, PSETID_Appointment, dispidTimeZoneDesc, false);
    if (nameTag != 0) {
        EXPECT_THROW(utils->HrGetOneProp(object, nameTag | PT_STRING8), _com_error);
    }
    EXPECT_EQ(COleDateTime(item->GetStart()), COleDateTime(Local(2007, 3, 5, 10)));
}

} // namespace
