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

// Filters that differ only in their quoted values are read from the tree of
// the first one; each must still come out as if read on its own.
void ExpectSameTree(const FilterNode& a, const FilterNode& b, const std::u16string& filter) {
    const std::string name(filter.begin(), filter.end());
    ASSERT_EQ(a.kind, b.kind) << name;
    EXPECT_EQ(a.field, b.field) << name;
    EXPECT_EQ(a.op, b.op) << name;
    EXPECT_EQ(a.value, b.value) << name;
    ASSERT_EQ(a.children.size(), b.children.size()) << name;
    for (size_t i = 0; i < a.children.size(); ++i) {
        ExpectSameTree(a.children[i], b.children[i], filter);
    }
}

FilterNode Compare(FilterField field, CompareOp op,
                   std::variant<DATE, std::u16string, long long> value) {
    FilterNode node;
    node.field = field;
    node.op = op;
    node.value = std::move(value);
    return node;
}

FilterNode Join(FilterNode::Kind kind, std::vector<FilterNode> children) {
    FilterNode node;
    node.kind = kind;
    node.children = std::move(children);
    return node;
}

TEST(ParseOutlookFilter, FiltersOfOneShapeKeepTheirOwnValues) {
    const auto conflict = [](const std::u16string& start, const std::u16string& end,
                             const std::u16string& subject) {
        return u"[Start] = '" + start + u"' And [End] = '" + end + u"' And [Subject] = '" +
               subject + u"'";
    };
    const auto tree = [](DATE start, DATE end, const std::u16string& subject) {
        return Join(FilterNode::Kind::And,
                    {Compare(FilterField::Start, CompareOp::Equal, start),
                     Compare(FilterField::End, CompareOp::Equal, end),
                     Compare(FilterField::Subject, CompareOp::Equal, subject)});
    };
    const struct {
        std::u16string filter;
        FilterNode expected;
    } cases[] = {
        {conflict(u"3/5/2007 09:05 AM", u"3/5/2007 10:05 AM", u"Review"),
         tree(Date(2007, 3, 5, 9, 5), Date(2007, 3, 5, 10, 5), u"Review")},
        {conflict(u"6/1/2008 08:00 AM", u"6/1/2008 09:00 AM", u"Bob''s party"),
         tree(Date(2008, 6, 1, 8, 0), Date(2008, 6, 1, 9, 0), u"Bob's party")},
        {conflict(u"6/1/2008 08:00 AM", u"6/1/2008 09:00 AM", u""),
         tree(Date(2008, 6, 1, 8, 0), Date(2008, 6, 1, 9, 0), u"")},
        {conflict(u"6/1/2008 08:00 AM", u"6/1/2008 09:00 AM", u"say \"hi\""),
         tree(Date(2008, 6, 1, 8, 0), Date(2008, 6, 1, 9, 0), u"say \"hi\"")},
        {u"[Start] >= \"3/5/2007 14:05 PM\" And [Start] <= \"3/6/2007 14:05 PM\" And "
         u"[Subject] = \"it's \"\"here\"\"\"",
         Join(FilterNode::Kind::And,
              {Compare(FilterField::Start, CompareOp::GreaterEqual, Date(2007, 3, 5, 14, 5)),
               Compare(FilterField::Start, CompareOp::LessEqual, Date(2007, 3, 6, 14, 5)),
               Compare(FilterField::Subject, CompareOp::Equal, u"it's \"here\"")})},
        {u"[Subject] <= 'm'", Compare(FilterField::Subject, CompareOp::LessEqual, u"m")},
        {u"[Subject] >= 'm'", Compare(FilterField::Subject, CompareOp::GreaterEqual, u"m")},
        {u"[Sensitivity] = '2' Or [Sensitivity] = 3",
         Join(FilterNode::Kind::Or, {Compare(FilterField::Sensitivity, CompareOp::Equal, 2LL),
                                     Compare(FilterField::Sensitivity, CompareOp::Equal, 3LL)})},
        {u"[Sensitivity] = '0' Or [Sensitivity] = 2",
         Join(FilterNode::Kind::Or, {Compare(FilterField::Sensitivity, CompareOp::Equal, 0LL),
                                     Compare(FilterField::Sensitivity, CompareOp::Equal, 2LL)})},
    };
    // Each read after the others, twice round.
    for (int round = 0; round < 2; ++round) {
        for (const auto& c : cases) {
            ExpectSameTree(ParseOutlookFilter(c.filter, "M/d/yyyy"), c.expected, c.filter);
        }
    }
}

// A filter of a known shape whose value does not fit its field, or whose
// quotes do not close where the shape's did, fails as it would on its own.
TEST(ParseOutlookFilter, FiltersOfAKnownShapeFailAsOnTheirOwn) {
    ParseOutlookFilter(u"[Start] = '3/5/2007 09:05 AM' And [Subject] = 'x'", "M/d/yyyy");
    ParseOutlookFilter(u"[Sensitivity] = '2'", "M/d/yyyy");
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"[Start] = '2007-03-05 09:05' And [Subject] = 'x'",
         u"'2007-03-05 09:05' And [Subject] = 'x'"},
        {u"[Start] = '3/5/2007 09:05 AM' And [Subject] = 'Bob's party'", u"s party'"},
        {u"[Start] = '3/5/2007 09:05 AM' And [Subject] = 'x", u"'x"},
        {u"[Sensitivity] = 'high'", u"'high'"},
    };
    for (const auto& [filter, rest] : cases) {
        try {
            ParseOutlookFilter(filter, "M/d/yyyy");
            ADD_FAILURE() << "no error for " << std::string(filter.begin(), filter.end());
        } catch (const _com_error& e) {
            EXPECT_EQ(e.Description(), u"Cannot parse condition. Error at \"" + rest + u"\".")
                << std::string(filter.begin(), filter.end());
        }
    }
}

// The dates of one text follow the picture each call is given, quoted or
// not.
TEST(ParseOutlookFilter, ShapesAreKeptPerDatePicture) {
    const std::u16string filter = u"[Start] = '5/3/2007 09:05 AM' Or [End] >= 5/4/2007";
    const auto dates = [&](const char* picture) {
        const FilterNode node = ParseOutlookFilter(filter, picture);
        return std::make_pair(std::get<DATE>(node.children[0].value),
                              std::get<DATE>(node.children[1].value));
    };
    const auto us = std::make_pair(Date(2007, 5, 3, 9, 5), Date(2007, 5, 4, 0, 0));
    const auto uk = std::make_pair(Date(2007, 3, 5, 9, 5), Date(2007, 4, 5, 0, 0));
    EXPECT_EQ(dates("M/d/yyyy"), us);
    EXPECT_EQ(dates("d/M/yyyy"), uk);
    EXPECT_EQ(dates("M/d/yyyy"), us);
    EXPECT_THROW(ParseOutlookFilter(filter, "yyyy-MM-dd"), _com_error);
}

// More shapes than are kept, each read again after the others.
TEST(ParseOutlookFilter, ManyShapesInTurn) {
    std::vector<std::u16string> filters;
    for (int n = 0; n < 20; ++n) {
        filters.push_back(u"[Subject] = 'a'" + std::u16string(n, u' ') + u" Or [Location] = 'b" +
                          std::u16string(1, static_cast<char16_t>(u'a' + n)) + u"'");
    }
    for (int round = 0; round < 3; ++round) {
        for (size_t n = 0; n < filters.size(); ++n) {
            const FilterNode node = ParseOutlookFilter(filters[n], "M/d/yyyy");
            ASSERT_EQ(node.children.size(), 2u);
            EXPECT_EQ(std::get<std::u16string>(node.children[1].value),
                      u"b" + std::u16string(1, static_cast<char16_t>(u'a' + n)));
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
