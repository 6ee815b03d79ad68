// The export filter applied through a run: each test loads appointments
// whose subjects name what the filter should do with them, and checks the
// exported subjects.

#include "engine/export/category_list.h"
#include "tests/engine/export/export_fixture.h"

#include <algorithm>

using nlohmann::json;

namespace {

class FilterTest : public ExportTest {
protected:
    // The subjects of the exported appointments, in file name order.
    std::vector<std::string> ExportedWith(const ExportFilter& filter) {
        options_.useFilter = true;
        ExportRunResult result = Run(&filter);
        std::vector<std::string> subjects;
        for (const std::string& name : OutputFiles()) {
            subjects.push_back(name.substr(15, name.size() - 15 - 4));
        }
        EXPECT_EQ(result.exported + result.skipped, result.Total());
        return subjects;
    }
};

TEST_F(FilterTest, AllDayMeansTheFlagOrWholeDaysFromMidnight) {
    Add(json::parse(R"([
      {"subject": "flagged", "all_day_event": true, "start": "2007-03-05T00:00:00",
       "end": "2007-03-06T00:00:00"},
      {"subject": "midnight to midnight", "start": "2007-03-06T00:00:00",
       "end": "2007-03-07T00:00:00"},
      {"subject": "two whole days", "start": "2007-03-07T10:00:00", "end": "2007-03-09T10:00:00"},
      {"subject": "a day and a minute", "start": "2007-03-08T00:00:00",
       "end": "2007-03-09T00:01:00"}
    ])"));
    ExportFilter filter;
    filter.Flags = kFilterSkipAllDay;

    EXPECT_EQ(ExportedWith(filter), std::vector<std::string>{"a day and a minute"});
}

TEST_F(FilterTest, PrivateMeansAnySensitivityButNormal) {
    Add(json::parse(R"([
      {"subject": "normal", "start": "2007-03-05T09:00:00", "sensitivity": 0},
      {"subject": "personal", "start": "2007-03-06T09:00:00", "sensitivity": 1},
      {"subject": "private", "start": "2007-03-07T09:00:00", "sensitivity": 2},
      {"subject": "confidential", "start": "2007-03-08T09:00:00", "sensitivity": 3}
    ])"));
    ExportFilter filter;
    filter.Flags = kFilterSkipPrivate;

    EXPECT_EQ(ExportedWith(filter), std::vector<std::string>{"normal"});
}

const json kCategorised = json::parse(R"([
  {"subject": "private lower", "start": "2007-03-05T09:00:00", "categories": "private"},
  {"subject": "holiday and business", "start": "2007-03-06T09:00:00",
   "categories": "Holiday, Business"},
  {"subject": "other", "start": "2007-03-07T09:00:00", "categories": "Other"},
  {"subject": "none", "start": "2007-03-08T09:00:00"}
])");

TEST_F(FilterTest, KeepOnlyListedCategoriesWithoutRegardToCase) {
    Add(kCategorised);
    ExportFilter filter;
    filter.Flags = kFilterOnlyCategories;
    filter.Categories = "Business , Private";

    EXPECT_EQ(ExportedWith(filter),
              (std::vector<std::string>{"private lower", "holiday and business"}));
}

TEST_F(FilterTest, LeaveOutListedCategories) {
    Add(kCategorised);
    ExportFilter filter;
    filter.Flags = kFilterExcludeCategories;
    filter.Categories = "business,private";

    EXPECT_EQ(ExportedWith(filter), (std::vector<std::string>{"other", "none"}));
}

TEST_F(FilterTest, BothCategoryTestsTogetherLeaveNothing) {
    Add(kCategorised);
    ExportFilter filter;
    filter.Flags = kFilterOnlyCategories | kFilterExcludeCategories;
    filter.Categories = "Business";

    EXPECT_TRUE(ExportedWith(filter).empty());
}

TEST_F(FilterTest, AnEmptyCategoryListIsNoTest) {
    Add(kCategorised);
    ExportFilter filter;
    filter.Flags = kFilterOnlyCategories;

    EXPECT_EQ(ExportedWith(filter).size(), 4u);
}

TEST(HasListedCategory, WholeNamesOnlyAndTheListEndsAtAnEmptyName) {
    EXPECT_FALSE(HasListedCategory("Private", "Priv", ","));
    EXPECT_TRUE(HasListedCategory("  PRIVATE ", "business,private", ","));
    EXPECT_FALSE(HasListedCategory("Later", "First,,Later", ","));
    EXPECT_FALSE(HasListedCategory("", "First", ","));
    EXPECT_TRUE(HasListedCategory("a;b", "x;b", ";"));
}

const json kLabelled = json::parse(R"([
  {"subject": "label 2", "start": "2007-03-05T09:00:00", "label": 2},
  {"subject": "label 3", "start": "2007-03-06T09:00:00", "label": 3},
  {"subject": "no label", "start": "2007-03-07T09:00:00"},
  {"subject": "Ann's Birthday", "all_day_event": true, "start": "2007-03-08T00:00:00",
   "end": "2007-03-09T00:00:00",
   "recurrence": {"recurrence_type": 5, "interval": 12, "day_of_month": 8, "month_of_year": 3,
                  "no_end_date": true}},
  {"subject": "Bob's ANNIVERSARY", "start": "2007-03-09T10:00:00", "end": "2007-03-09T11:00:00",
   "recurrence": {"recurrence_type": 5, "interval": 12, "day_of_month": 9, "month_of_year": 3,
                  "no_end_date": true}}
])");

TEST_F(FilterTest, KeepOnlyLabelsWithBirthdaysCountingAsLabel8) {
    Add(kLabelled);
    ExportFilter filter;
    filter.Flags = kFilterOnlyLabels;
    filter.LabelMask = 0x02 | 0x80;

    EXPECT_EQ(ExportedWith(filter), (std::vector<std::string>{"label 2", "Ann's Birthday"}));
}

TEST_F(FilterTest, LeaveOutLabels) {
    Add(kLabelled);
    ExportFilter filter;
    filter.Flags = kFilterExcludeLabels;
    filter.LabelMask = 0x04;

    EXPECT_EQ(
        ExportedWith(filter),
        (std::vector<std::string>{"label 2", "no label", "Ann's Birthday", "Bob's ANNIVERSARY"}));
}

TEST_F(FilterTest, TheDateRangeKeepsOnlyOverlappingItems) {
    Add(json::parse(R"([
      {"subject": "ends at the start", "start": "2007-03-05T08:00:00", "end": "2007-03-05T09:00:00"},
      {"subject": "overlaps the start", "start": "2007-03-05T08:30:00", "end": "2007-03-05T09:30:00"},
      {"subject": "starts at the end", "start": "2007-03-06T09:00:00", "end": "2007-03-06T10:00:00"},
      {"subject": "inside", "start": "2007-03-05T12:00:00", "end": "2007-03-05T13:00:00"}
    ])"));
    ExportFilter filter;
    filter.Flags = kFilterDateRange;
    filter.DateFrom = COleDateTime(2007, 3, 5, 9, 0, 0);
    filter.DateTo = COleDateTime(2007, 3, 6, 9, 0, 0);

    EXPECT_EQ(ExportedWith(filter), (std::vector<std::string>{"overlaps the start", "inside"}));
}

TEST_F(FilterTest, AnInvalidBoundNeverRejects) {
    Add(json::parse(R"([{"subject": "any", "start": "1999-03-05T08:00:00"}])"));
    ExportFilter filter;
    filter.Flags = kFilterDateRange;
    filter.DateTo = COleDateTime(1990, 1, 1, 0, 0, 0);
    filter.DateFrom = COleDateTime::Invalid();
    filter.DateTo.SetStatus(COleDateTime::invalid);

    EXPECT_EQ(ExportedWith(filter), std::vector<std::string>{"any"});
}

} // namespace
