#include "platform/com/ole_date_time.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

COleDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return COleDateTime(y, mo, d, h, mi, s);
}

TEST(OleDate, KnownValues) {
    EXPECT_DOUBLE_EQ(At(1899, 12, 30).m_dt, 0.0);
    EXPECT_DOUBLE_EQ(At(1900, 1, 1, 6).m_dt, 2.25);
    EXPECT_DOUBLE_EQ(At(1899, 12, 29, 6).m_dt, -1.25);
    EXPECT_DOUBLE_EQ(At(2000, 1, 1).m_dt, 36526.0);
    EXPECT_DOUBLE_EQ(At(2024, 2, 29, 12).m_dt, 45351.5);
}

TEST(OleDate, SplitsBackIntoFields) {
    for (const COleDateTime& date :
         {At(1899, 12, 29, 6, 30, 15), At(100, 1, 1), At(9999, 12, 31, 23, 59, 59),
          At(2024, 2, 29, 23, 59, 59), At(1900, 3, 1, 0, 0, 1)}) {
        SYSTEMTIME st;
        ASSERT_TRUE(date.GetAsSystemTime(st));
        EXPECT_EQ(COleDateTime(st), date) << date.Format("%Y-%m-%d %H:%M:%S");
    }
}

TEST(OleDate, DayOfWeek) {
    EXPECT_EQ(At(1899, 12, 30).GetDayOfWeek(), 7); // Saturday
    EXPECT_EQ(At(2026, 12, 5).GetDayOfWeek(), 7);  // Saturday
    EXPECT_EQ(At(2026, 12, 6).GetDayOfWeek(), 1);  // Sunday
    EXPECT_EQ(At(1899, 12, 24).GetDayOfWeek(), 1); // Sunday before the epoch
    SYSTEMTIME st;
    ASSERT_TRUE(At(2026, 12, 7).GetAsSystemTime(st));
    EXPECT_EQ(st.wDayOfWeek, 1); // Monday
}

TEST(OleDate, RejectsImpossibleFields) {
    EXPECT_EQ(At(2023, 2, 29).GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(At(2024, 13, 1).GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(At(99, 12, 31).GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(At(2024, 1, 1, 24).GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(At(2024, 1, 1, 0, 60).GetStatus(), COleDateTime::invalid);
    SYSTEMTIME st;
    EXPECT_EQ(VariantTimeToSystemTime(3e6, &st), FALSE);
}

TEST(OleDate, RangeIsWhatSplitsIntoFields) {
    SYSTEMTIME st;
    for (DATE date : {At(100, 1, 1).m_dt, At(9999, 12, 31, 23, 59, 59).m_dt, 0.0, -1.25, -657434.5,
                      2958466.0, 3e6, std::nan("")}) {
        EXPECT_EQ(IsOleDateInRange(date), VariantTimeToSystemTime(date, &st) == TRUE) << date;
    }
    EXPECT_TRUE(IsOleDateInRange(At(100, 1, 1).m_dt));
    EXPECT_FALSE(IsOleDateInRange(2958466.0));
}

TEST(OleDate, RoundsToTheNearestSecond) {
    COleDateTime almost(At(2024, 5, 1, 10).m_dt + 0.6 / 86400.0);
    EXPECT_EQ(almost.GetSecond(), 1);
    COleDateTime beforeMidnight(At(2024, 5, 2).m_dt - 0.2 / 86400.0);
    EXPECT_EQ(beforeMidnight.Format("%Y%m%dT%H%M%S"), "20240502T000000");
}

TEST(OleDateFormat, FieldsAndInvalid) {
    EXPECT_EQ(At(2024, 3, 5, 14, 7, 9).Format("%Y%m%dT%H%M%SZ"), "20240305T140709Z");
    EXPECT_EQ(At(2024, 3, 5, 14, 7, 9).Format("%I %p %a %B %j %%"), "02 PM Tue March 065 %");
    // Leading zeros fill every field to its width, zero itself included.
    EXPECT_EQ(At(105, 1, 2, 0, 0, 0).Format("%Y %y %m/%d %H:%M:%S %I%p %j"),
              "0105 05 01/02 00:00:00 12AM 002");
    EXPECT_EQ(At(9999, 12, 31, 23, 59, 59).Format("%Y-%m-%d %I:%M %p %j"),
              "9999-12-31 11:59 PM 365");
    EXPECT_EQ(COleDateTime::Invalid().Format("%m%d"), "Invalid DateTime");
    EXPECT_EQ(COleDateTime::Invalid().GetYear(), -1);
}

TEST(OleDateArithmetic, SpansAcrossTheEpoch) {
    COleDateTime before = At(1899, 12, 29, 18);
    COleDateTime after = At(1899, 12, 30, 6);
    EXPECT_DOUBLE_EQ((after - before).GetTotalHours(), 12.0);
    EXPECT_EQ(before + COleDateTimeSpan(0, 12, 0, 0), after);
    EXPECT_TRUE(before < after);
    EXPECT_EQ(after - COleDateTimeSpan(1, 0, 0, 0), At(1899, 12, 29, 6));
}

TEST(OleDateArithmetic, SpanParts) {
    COleDateTimeSpan span = At(2024, 3, 2, 1, 2, 3) - At(2024, 3, 1);
    EXPECT_EQ(span.GetDays(), 1);
    EXPECT_EQ(span.GetHours(), 1);
    EXPECT_EQ(span.GetMinutes(), 2);
    EXPECT_EQ(span.GetSeconds(), 3);
    EXPECT_EQ((COleDateTime::Invalid() - At(2024, 1, 1)).GetStatus(), COleDateTimeSpan::invalid);
    EXPECT_EQ((At(9999, 12, 31) + COleDateTimeSpan(1.0)).GetStatus(), COleDateTime::invalid);
}

} // namespace
