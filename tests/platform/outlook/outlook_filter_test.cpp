#include "platform/com/com_error.h"
#include "platform/outlook/outlook_filter.h"

#include <gtest/gtest.h>

namespace {

DATE Date(int y, int mo, int d, int h, int mi) {
    return COleDateTime(y, mo, d, h, mi, 0);
}

DATE FilterDate(const char16_t* text, const char* format = "M/d/yyyy") {
    DATE date = -1;
    EXPECT_TRUE(ParseFilterDate(text, format, date)) << format;
    return date;
}

TEST(ParseFilterDate, TwelveHourAndTwentyFourHourTimesWithAMPM) {
    EXPECT_EQ(FilterDate(u"3/5/2007 09:05 AM"), Date(2007, 3, 5, 9, 5));
    EXPECT_EQ(FilterDate(u"3/5/2007 09:05 PM"), Date(2007, 3, 5, 21, 5));
    EXPECT_EQ(FilterDate(u"3/5/2007 14:05 PM"), Date(2007, 3, 5, 14, 5));
    EXPECT_EQ(FilterDate(u"3/5/2007 12:00 AM"), Date(2007, 3, 5, 0, 0));
    EXPECT_EQ(FilterDate(u"3/5/2007 12:30 PM"), Date(2007, 3, 5, 12, 30));
    EXPECT_EQ(FilterDate(u"3/5/2007 00:30 AM"), Date(2007, 3, 5, 0, 30));
    EXPECT_EQ(FilterDate(u"03/05/2007 7:45"), Date(2007, 3, 5, 7, 45));
    EXPECT_EQ(FilterDate(u"3/5/2007"), Date(2007, 3, 5, 0, 0));
}

TEST(ParseFilterDate, FollowsTheLocaleShortDatePicture) {
    EXPECT_EQ(FilterDate(u"05.03.2007 09:05", "dd.MM.yyyy"), Date(2007, 3, 5, 9, 5));
    EXPECT_EQ(FilterDate(u"2007-03-05 14:05 PM", "yyyy-MM-dd"), Date(2007, 3, 5, 14, 5));
    EXPECT_EQ(FilterDate(u"5/3/07", "d/M/yy"), Date(2007, 3, 5, 0, 0));
}

TEST(ParseFilterDate, RejectsWhatIsNotADate) {
    DATE date = 0;
    EXPECT_FALSE(ParseFilterDate(u"2007-03-05", "M/d/yyyy", date));
    EXPECT_FALSE(ParseFilterDate(u"2/30/2007 09:00 AM", "M/d/yyyy", date));
    EXPECT_FALSE(ParseFilterDate(u"3/5/2007 14:05 AM", "M/d/yyyy", date));
    EXPECT_FALSE(ParseFilterDate(u"3/5/2007 9", "M/d/yyyy", date));
}

TEST(ParseOutlookFilter, ConflictFilterOfTheImport) {
    const FilterNode node = ParseOutlookFilter(
        u"[Start] = '3/5/2007 09:05 AM' And [End] = '3/5/2007 10:05 AM' And [Subject] = 'Review'",
        "M/d/yyyy");
    ASSERT_EQ(node.kind, FilterNode::Kind::And);
    ASSERT_EQ(node.children.size(), 3u);
    EXPECT_EQ(node.children[0].field, FilterField::Start);
    EXPECT_EQ(std::get<DATE>(node.children[1].value), Date(2007, 3, 5, 10, 5));
    EXPECT_EQ(std::get<std::u16string>(node.children[2].value), u"Review");
}

TEST(ParseOutlookFilter, DoubleQuotesAndDoubledQuotes) {
    const FilterNode node = ParseOutlookFilter(
        u"[Start] >= \"3/5/2007 14:05 PM\" And [Subject] = 'Bob''s party'", "M/d/yyyy");
    EXPECT_EQ(node.children[0].op, CompareOp::GreaterEqual);
    EXPECT_EQ(std::get<DATE>(node.children[0].value), Date(2007, 3, 5, 14, 5));
    EXPECT_EQ(std::get<std::u16string>(node.children[1].value), u"Bob's party");

    const std::pair<std::u16string, std::u16string> quoted[] = {
        {u"''''", u"'"},
        {u"'''a'' ''b'''", u"'a' 'b'"},
        {u"\"say \"\"hi\"\"\"", u"say \"hi\""},
        {u"'\"'", u"\""},
        {u"''", u""},
    };
    for (const auto& [text, value] : quoted) {
        const FilterNode one = ParseOutlookFilter(u"[Subject] = " + text, "M/d/yyyy");
        EXPECT_EQ(std::get<std::u16string>(one.value), value);
    }
    EXPECT_THROW(ParseOutlookFilter(u"[Subject] = 'a''", "M/d/yyyy"), _com_error);
}

TEST(ParseOutlookFilter, AndBindsCloserThanOr) {
    const FilterNode node = ParseOutlookFilter(
        u"[Subject] = 'a' Or [Subject] = 'b' And [Sensitivity] <> 2", "M/d/yyyy");
    ASSERT_EQ(node.kind, FilterNode::Kind::Or);
    EXPECT_EQ(node.children[1].kind, FilterNode::Kind::And);
    EXPECT_EQ(std::get<long long>(node.children[1].children[1].value), 2);
}

TEST(ParseOutlookFilter, UnreadableFiltersThrow) {
    const char16_t* bad[] = {
        u"[Subject] = 'Bob's party'",    // a quote inside single quotes
        u"[Start] = '3/5/2007 09:05 AM", // unterminated
        u"[Colour] = 'red'",             // unknown field
        u"[Start] = '2007-03-05 09:05'", // not the locale's date
        u"[Subject] 'x'",                // no operator
        u"[Subject] = 'x' And",          // nothing after And
        u"([Subject] = 'x'",             // unbalanced parenthesis
    };
    for (const char16_t* filter : bad) {
        EXPECT_THROW(ParseOutlookFilter(filter, "M/d/yyyy"), _com_error)
            << std::string(filter, filter + std::char_traits<char16_t>::length(filter));
    }
}

// The error names the text from the first place that could not be read,
// however deep in the filter that place is.
TEST(ParseOutlookFilter, ErrorPointsAtTheFirstUnreadablePlace) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"[Subject] = 'Bob's party'", u"s party'"},
        {u"[Start] = '3/5/2007 09:05 AM", u"'3/5/2007 09:05 AM"},
        {u"[Colour] = 'red' And [Subject] = 'x'", u"[Colour] = 'red' And [Subject] = 'x'"},
        {u"[Subject] = 'x' And ([End] = '2007-03-05' Or [Subject] = 'y')",
         u"'2007-03-05' Or [Subject] = 'y')"},
        {u"Not ([Subject] = 'x' Or [Sensitivity] = high)", u"high)"},
        {u"[Subject] = 'x' And ([Subject] = 'y'", u""},
        {u"[Subject] = 'x' [Subject] = 'y'", u"[Subject] = 'y'"},
        {u"[Subject] <= 'x' And [Subject == 'y'", u"[Subject == 'y'"},
        {u"[Subject] = 'x' Or [Start] 'y'", u"'y'"},
    };
    for (const auto& [filter, rest] : cases) {
        try {
            ParseOutlookFilter(filter, "M/d/yyyy");
            ADD_FAILURE() << "no error for " << std::string(filter.begin(), filter.end());
        } catch (const _com_error& e) {
            EXPECT_EQ(e.Error(), E_INVALIDARG);
            EXPECT_EQ(e.Description(), u"Cannot parse condition. Error at \"" + rest + u"\".")
                << std::string(filter.begin(), filter.end());
        }
    }
}

TEST(ParseOutlookFilter, NestingIsBounded) {
    const std::u16string deep =
        std::u16string(64, u'(') + u"[Subject] = 'x'" + std::u16string(64, u')');
    EXPECT_NO_THROW(ParseOutlookFilter(deep, "M/d/yyyy"));
    const std::u16string hostile(100000, u'(');
    EXPECT_THROW(ParseOutlookFilter(hostile, "M/d/yyyy"), _com_error);
}

} // namespace
