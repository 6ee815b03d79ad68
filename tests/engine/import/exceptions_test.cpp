#include "engine/import/exception_plan.h"
#include "tests/engine/import/import_fixture.h"

namespace {

// Plans over a weekly series on Tuesdays 09:00 from 6 March 2007.
class ExceptionPlanTest : public ::testing::Test {
protected:
    static COleDateTime Day(int day, int hour = 9) {
        return COleDateTime(2007, 3, day, hour, 0, 0);
    }
    ExceptionPlan Plan(std::vector<ExceptionEntry> entries) {
        std::vector<COleDateTime> occurrences{Day(6), Day(13), Day(20), Day(27)};
        return PlanExceptions(entries, occurrences, "Item{} ",
                              [this](const std::string& text, int level, int) {
                                  log_.push_back(std::to_string(level) + " " + text);
                              });
    }
    using Moves = std::vector<std::pair<COleDateTime, COleDateTime>>;
    std::vector<std::string> log_;
    ScopedEnv tz_{"TZ", "EST5EDT,M3.2.0,M11.1.0"};
};

TEST_F(ExceptionPlanTest, AnExDateAloneIsADeletion) {
    ExceptionPlan plan = Plan({{Day(13), kExceptionExDate}});
    EXPECT_EQ(plan.Deleted, std::vector<COleDateTime>{Day(13)});
    EXPECT_TRUE(plan.Moved.empty());
}

TEST_F(ExceptionPlanTest, AnRDateAfterItsExDateMovesTheOccurrenceForward) {
    ExceptionPlan plan = Plan({{Day(13), kExceptionExDate}, {Day(14), kExceptionRDate}});
    EXPECT_TRUE(plan.Deleted.empty());
    EXPECT_EQ(plan.Moved, (Moves{{Day(13), Day(14)}}));
}

TEST_F(ExceptionPlanTest, AnRDateBeforeItsExDateMovesTheOccurrenceBack) {
    ExceptionPlan plan = Plan({{Day(12), kExceptionRDate}, {Day(13), kExceptionExDate}});
    EXPECT_EQ(plan.Moved, (Moves{{Day(13), Day(12)}}));
}

TEST_F(ExceptionPlanTest, TwoExDatesThenTwoRDatesPairInOrder) {
    ExceptionPlan plan = Plan({{Day(13), kExceptionExDate},
                               {Day(20), kExceptionExDate},
                               {Day(21), kExceptionRDate},
                               {Day(22), kExceptionRDate}});
    EXPECT_EQ(plan.Moved, (Moves{{Day(20), Day(22)}, {Day(13), Day(21)}}));
    EXPECT_TRUE(plan.Deleted.empty());
}

TEST_F(ExceptionPlanTest, GroupsEndAtOccurrencesBetweenThem) {
    // The 13th is deleted; the 20th moves to the 21st; the 27th is deleted.
    ExceptionPlan plan = Plan({{Day(13), kExceptionExDate},
                               {Day(20), kExceptionExDate},
                               {Day(21), kExceptionRDate},
                               {Day(27), kExceptionExDate}});
    EXPECT_EQ(plan.Deleted, (std::vector<COleDateTime>{Day(13), Day(27)}));
    EXPECT_EQ(plan.Moved, (Moves{{Day(20), Day(21)}}));
}

TEST_F(ExceptionPlanTest, AnExDateOffTheSeriesIsDroppedWithOneLine) {
    ExceptionPlan plan = Plan({{Day(13), kExceptionExDate}, {Day(14), kExceptionExDate}});
    EXPECT_EQ(plan.Deleted, std::vector<COleDateTime>{Day(13)});
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_EQ(log_[0], "1 ignoring some wrong dates in EXDATE:3/14/2007 Item{} ");
}

TEST_F(ExceptionPlanTest, AGroupWithMoreRDatesIsLeftAlone) {
    // The 14th has no occurrence between it and the 15th: one group, two
    // RDATEs, one EXDATE once the 16th (not an occurrence) is dropped.
    ExceptionPlan plan = Plan({{Day(13), kExceptionExDate},
                               {Day(14), kExceptionRDate},
                               {Day(15), kExceptionRDate},
                               {Day(16), kExceptionExDate},
                               {Day(27), kExceptionExDate}});
    EXPECT_EQ(plan.Deleted, std::vector<COleDateTime>{Day(27)});
    EXPECT_TRUE(plan.Moved.empty());
    ASSERT_EQ(log_.size(), 2u);
    EXPECT_EQ(log_[1], "3 Error: missed one or more date in EXDATE beetween dates (3/13/2007 "
                       "9:00:00 AM, 3/15/2007 9:00:00 AM). Skipping this interval");
}

using ExceptionImportTest = ImportTest;

std::string WeeklySeries(const std::vector<std::string>& extra) {
    std::vector<std::string> lines{"DTSTART:20070306T090000", "DTEND:20070306T100000",
                                   "SUMMARY:Weekly", "RRULE:FREQ=WEEKLY;COUNT=4"};
    lines.insert(lines.end(), extra.begin(), extra.end());
    return Calendar("2.0", Event(lines));
}

std::vector<COleDateTime> OccurrenceStarts(const CComPtr<MAPIFolder>& folder) {
    CComPtr<_Items> items = folder->GetItems();
    items->Sort(u"[Start]");
    items->PutIncludeRecurrences(true);
    std::vector<COleDateTime> starts;
    for (CComPtr<IUnknown> each = items->GetFirst(); each; each = items->GetNext()) {
        starts.push_back(QueryInterface<_AppointmentItem>(each)->GetStart());
    }
    return starts;
}

TEST_F(ExceptionImportTest, DeletedAndMovedOccurrencesReachTheSeries) {
    ImportRun run =
        ImportText("weekly.ics", WeeklySeries({"EXDATE:20070313T090000", "EXDATE:20070320T090000",
                                               "RDATE:20070321T090000"}));
    EXPECT_EQ(run.Counters.Imported, 1);
    EXPECT_EQ(OccurrenceStarts(CalendarFolder()),
              (std::vector<COleDateTime>{Local(2007, 3, 6, 9), Local(2007, 3, 21, 9),
                                         Local(2007, 3, 27, 9)}));
    EXPECT_TRUE(Logged("DELETED EXCEPTION(out):3/13/2007 9:00:00 AM\nMOVED EXCEPTION(out):"
                       "3/20/2007 9:00:00 AM->3/21/2007 9:00:00 AM\n} DEBUG DUBM ----"));
    EXPECT_TRUE(Logged("EXDATE(in):TZID="));
}

TEST_F(ExceptionImportTest, MoreRDatesThanExDatesAreAllIgnored) {
    ImportText("weekly.ics", WeeklySeries({"EXDATE:20070313T090000", "RDATE:20070314T090000",
                                           "RDATE:20070315T090000"}));
    EXPECT_EQ(OccurrenceStarts(CalendarFolder()).size(), 4u);
    EXPECT_TRUE(Logged("error in vcal file: EXDATE.Count < RDATE.Count. Ignoring exceptions."
                       "Item{Subject=Weekly, Start=3/6/2007} "));
}

TEST_F(ExceptionImportTest, AWrongExDateHasNoEffect) {
    ImportText("weekly.ics", WeeklySeries({"EXDATE:20070314T090000"}));
    EXPECT_EQ(OccurrenceStarts(CalendarFolder()).size(), 4u);
    EXPECT_TRUE(Logged("ignoring some wrong dates in EXDATE:3/14/2007 Item{Subject=Weekly"));
    EXPECT_TRUE(Logged("DELETED EXCEPTION(out):<none>"));
}

} // namespace
