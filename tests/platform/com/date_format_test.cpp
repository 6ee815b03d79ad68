#include "platform/com/date_format.h"

#include <gtest/gtest.h>

namespace {

SYSTEMTIME At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return SYSTEMTIME{
        static_cast<WORD>(y),  static_cast<WORD>(mo), 0, static_cast<WORD>(d), static_cast<WORD>(h),
        static_cast<WORD>(mi), static_cast<WORD>(s),  0};
}

struct Case {
    const char* name;
    SYSTEMTIME when;
    const char* picture;
    const char* expected;
};

// Monday 5 March 2007, 09:05:07, unless a row says otherwise.
const SYSTEMTIME kMorning = At(2007, 3, 5, 9, 5, 7);

const Case kDateCases[] = {
    {"en-US short date", kMorning, "M/d/yyyy", "3/5/2007"},
    {"German short date", kMorning, "dd.MM.yyyy", "05.03.2007"},
    {"ISO short date", kMorning, "yyyy-MM-dd", "2007-03-05"},
    {"two-digit day and month", At(2024, 11, 28), "dd/MM", "28/11"},
    {"day without leading zero", kMorning, "d", "5"},
    {"month names", At(2024, 9, 1), "MMM MMMM", "Sep September"},
    {"day names", kMorning, "ddd dddd", "Mon Monday"},
    {"day name from the date, not the field", At(2026, 12, 5), "dddd", "Saturday"},
    {"long runs take the longest form", kMorning, "ddddd MMMMM yyyyy", "Monday March 2007"},
    {"year in century", At(2005, 1, 2), "y yy yyyy", "5 05 2005"},
    {"three-digit year padded", At(999, 1, 2), "yyyy yy", "0999 99"},
    {"era", kMorning, "d MMM yyyy gg", "5 Mar 2007 A.D."},
    {"quoted letters stay text", kMorning, "d 'de' MMMM", "5 de March"},
    {"doubled quote inside quotes", kMorning, "'d''s' d", "d's 5"},
    {"doubled quote outside quotes", kMorning, "yy''MM", "07'03"},
    {"unterminated quote runs to the end", kMorning, "d 'MM", "5 MM"},
    {"time letters are text in a date", kMorning, "d h:m", "5 h:m"},
    {"clock fields ignored", At(2007, 3, 5, 23, 59, 59), "M/d/yyyy", "3/5/2007"},
    {"empty picture", kMorning, "", ""},
};

const Case kTimeCases[] = {
    {"en-US long time", kMorning, "h:mm:ss tt", "9:05:07 AM"},
    {"24-hour clock", kMorning, "HH:mm", "09:05"},
    {"midnight on the 12-hour clock", At(2007, 3, 5, 0, 0, 0), "h:mm tt", "12:00 AM"},
    {"noon on the 12-hour clock", At(2007, 3, 5, 12, 30, 0), "hh:mm tt", "12:30 PM"},
    {"afternoon", At(2007, 3, 5, 13, 4, 9), "h hh H HH", "1 01 13 13"},
    {"midnight on the 24-hour clock", At(2007, 3, 5, 0, 7, 0), "H:mm", "0:07"},
    {"single letters without zeros", kMorning, "h:m:s", "9:5:7"},
    {"one-letter marker", At(2007, 3, 5, 18, 0, 0), "h t", "6 P"},
    {"long runs take two digits", kMorning, "hhh:mmm", "09:05"},
    {"quoted text", kMorning, "h 'o''clock' tt", "9 o'clock AM"},
    {"date letters are text in a time", kMorning, "HH:mm d", "09:05 d"},
    {"date fields ignored", At(2023, 2, 31, 9, 5, 7), "HH:mm:ss", "09:05:07"},
};

TEST(DatePicture, Table) {
    for (const Case& c : kDateCases) {
        EXPECT_EQ(FormatDateWithPicture(c.when, c.picture).value_or("<none>"), c.expected)
            << c.name;
    }
}

TEST(TimePicture, Table) {
    for (const Case& c : kTimeCases) {
        EXPECT_EQ(FormatTimeWithPicture(c.when, c.picture).value_or("<none>"), c.expected)
            << c.name;
    }
}

TEST(DatePicture, RejectsDatesThatDoNotExist) {
    EXPECT_FALSE(FormatDateWithPicture(At(2023, 2, 29), "d").has_value());
    EXPECT_FALSE(FormatDateWithPicture(At(2024, 13, 1), "d").has_value());
    EXPECT_FALSE(FormatDateWithPicture(At(2024, 4, 0), "d").has_value());
    EXPECT_EQ(FormatDateWithPicture(At(2024, 2, 29), "d").value_or(""), "29");
}

// Appended after a text already there; a date that does not exist appends
// nothing.
TEST(DatePicture, AppendsToAText) {
    std::string text = "from ";
    EXPECT_TRUE(AppendDateWithPicture(text, At(2024, 11, 28), "dd/MM/yyyy"));
    text += " to ";
    EXPECT_FALSE(AppendDateWithPicture(text, At(2023, 2, 29), "dd/MM/yyyy"));
    EXPECT_TRUE(AppendDateWithPicture(text, At(2024, 2, 29), "d MMM"));
    EXPECT_EQ(text, "from 28/11/2024 to 29 Feb");
}

TEST(TimePicture, RejectsClockFieldsOutOfRange) {
    EXPECT_FALSE(FormatTimeWithPicture(At(2024, 1, 1, 24, 0, 0), "H").has_value());
    EXPECT_FALSE(FormatTimeWithPicture(At(2024, 1, 1, 0, 60, 0), "H").has_value());
    EXPECT_FALSE(FormatTimeWithPicture(At(2024, 1, 1, 0, 0, 60), "H").has_value());
    SYSTEMTIME late = At(2024, 1, 1);
    late.wMilliseconds = 1000;
    EXPECT_FALSE(FormatTimeWithPicture(late, "H").has_value());
}

TEST(DatePicture, OleDates) {
    const DATE morning = 39146.0 + (9 * 3600 + 5 * 60 + 7) / 86400.0; // 5 March 2007 09:05:07
    EXPECT_EQ(FormatDateWithPicture(morning, "M/d/yyyy").value_or(""), "3/5/2007");
    EXPECT_EQ(FormatTimeWithPicture(morning, "hh:mm:ss tt").value_or(""), "09:05:07 AM");
    EXPECT_EQ(FormatDateWithPicture(-1.25, "yyyy-MM-dd").value_or(""), "1899-12-29");
    EXPECT_EQ(FormatTimeWithPicture(-1.25, "HH:mm").value_or(""), "06:00");
    // Half a second before midnight rounds into the next day.
    EXPECT_EQ(FormatDateWithPicture(39147.0 - 0.4 / 86400.0, "d").value_or(""), "6");
    EXPECT_FALSE(FormatDateWithPicture(3e6, "d").has_value());
    EXPECT_FALSE(FormatTimeWithPicture(-7e5, "H").has_value());
}

TEST(DatePicture, WidePictures) {
    EXPECT_EQ(FormatDateWithPicture(kMorning, u"d. MMMM yyyy 'г.'").value_or(u""),
              u"5. March 2007 г.");
    EXPECT_EQ(FormatTimeWithPicture(kMorning, u"H時mm分").value_or(u""), u"9時05分");
    EXPECT_FALSE(FormatDateWithPicture(At(2023, 2, 29), u"d").has_value());
}

} // namespace
