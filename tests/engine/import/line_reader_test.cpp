#include "engine/import/line_reader.h"

#include <gtest/gtest.h>

namespace {

// A reader over its own copy of the text.
class Reader : public CvCalLineReader {
public:
    explicit Reader(std::string text) : text_(std::move(text)) { Init(text_.data(), text_.size()); }

private:
    std::string text_;
};

std::vector<std::string> Names(Reader& reader) {
    std::vector<std::string> names;
    while (reader.NextProperty()) {
        names.push_back(reader.Name);
    }
    return names;
}

TEST(LineReader, UnfoldsOneLeadingSpace) {
    Reader reader("SUMMARY:abc\r\n def\r\n\tghi:x\r\n");
    ASSERT_TRUE(reader.NextProperty());
    ASSERT_TRUE(reader.ReadValue(kEncodingNone));
    EXPECT_EQ(reader.Value, "abcdef");
    EXPECT_EQ(reader.LineNumber, 2);
    ASSERT_TRUE(reader.NextProperty());
    EXPECT_EQ(reader.Name, "\tGHI"); // a TAB starts a new line
    EXPECT_EQ(reader.LineNumber, 3);
    EXPECT_FALSE(reader.NextProperty());
}

TEST(LineReader, ContinuationKeepsFurtherSpaces) {
    Reader reader("DESCRIPTION:a\n  b\n c");
    ASSERT_TRUE(reader.NextProperty());
    reader.ReadValue(kEncodingNone);
    EXPECT_EQ(reader.Value, "a bc");
}

TEST(LineReader, ReadLineReturnsEmptyLinesAndFailsAtTheEnd) {
    Reader reader("  A\n\n  B\n");
    ASSERT_TRUE(reader.ReadLine(true));
    EXPECT_EQ(reader.Line, "A");
    // The empty line continues on the next one, which starts with a space.
    ASSERT_TRUE(reader.ReadLine(false));
    EXPECT_EQ(reader.Line, " B");
    EXPECT_FALSE(reader.ReadLine(false));
    Reader plain("  A\n");
    ASSERT_TRUE(plain.ReadLine(false));
    EXPECT_EQ(plain.Line, "  A");
}

TEST(LineReader, NamesLoseGroupPrefixAndTrailingSpaceAndAreUpperCase) {
    Reader reader("item1.SUMMARY:x\nDtStart  ;TZID=a:1\na.b.c:1\n");
    EXPECT_EQ(Names(reader), (std::vector<std::string>{"SUMMARY", "DTSTART", "B.C"}));
}

TEST(LineReader, LinesWithoutColonOrSemicolonAreSkipped) {
    Reader reader("garbage line\n\nBEGIN:VEVENT\nmore garbage\nEND:VEVENT");
    EXPECT_EQ(Names(reader), (std::vector<std::string>{"BEGIN", "END"}));
    EXPECT_EQ(reader.LineNumber, 5);
}

TEST(LineReader, QuoteAwareParameterWalkKeepsQuotedValueWhole) {
    Reader reader("DTSTART;TZID=\"Zone;with:odd\";X=1:20070101T100000\n");
    ASSERT_TRUE(reader.NextProperty());
    ASSERT_TRUE(reader.NextParam(true));
    EXPECT_EQ(reader.ParamName, "TZID");
    EXPECT_EQ(reader.ParamValue, "\"Zone;with:odd\"");
    EXPECT_EQ(reader.ParamValueUnquoted(), "Zone;with:odd");
    ASSERT_TRUE(reader.NextParam(true));
    EXPECT_EQ(reader.ParamName, "X");
    EXPECT_FALSE(reader.NextParam(true));
    ASSERT_TRUE(reader.ReadValue(kEncodingNone));
    EXPECT_EQ(reader.Value, "20070101T100000");
}

TEST(LineReader, PlainParameterWalkSplitsAtQuotedSeparators) {
    Reader reader("DTSTART;TZID=\"Zone;with:odd\":20070101T100000\n");
    ASSERT_TRUE(reader.NextProperty());
    std::vector<std::pair<std::string, std::string>> params;
    while (reader.NextParam(false)) {
        params.emplace_back(reader.ParamName, reader.ParamValue);
    }
    EXPECT_EQ(params,
              (std::vector<std::pair<std::string, std::string>>{{"TZID", "\"Zone"}, {"", "with"}}));
    ASSERT_TRUE(reader.ReadValue(kEncodingNone));
    EXPECT_EQ(reader.Value, "odd\":20070101T100000");
}

TEST(LineReader, BareAndTrimmedParameters) {
    Reader reader("NOTE; quoted-printable ; charset = UTF-8 ;;x=:v\n");
    ASSERT_TRUE(reader.NextProperty());
    ASSERT_TRUE(reader.NextParam(false));
    EXPECT_EQ(reader.ParamName, "");
    EXPECT_EQ(reader.ParamValue, "quoted-printable");
    ASSERT_TRUE(reader.NextParam(false));
    EXPECT_EQ(reader.ParamName, "CHARSET");
    EXPECT_EQ(reader.ParamValue, "UTF-8");
    // An empty parameter ends the walk.
    EXPECT_FALSE(reader.NextParam(false));
}

TEST(LineReader, QuotedPrintableValuesContinueAfterSoftBreaks) {
    Reader reader("DESCRIPTION;ENCODING=QUOTED-PRINTABLE:line one=0D=0A=\n"
                  "line two=\n"
                  "end\n"
                  "SUMMARY:x=\n"
                  "UID:1\n");
    ASSERT_TRUE(reader.NextProperty());
    ASSERT_TRUE(reader.ReadValue(kEncodingQuotedPrintable));
    EXPECT_EQ(reader.Value, "line one=0D=0A=\r\nline two=\r\nend");
    ASSERT_TRUE(reader.NextProperty());
    ASSERT_TRUE(reader.ReadValue(kEncodingNone)); // not quoted-printable: no continuation
    EXPECT_EQ(reader.Value, "x=");
    ASSERT_TRUE(reader.NextProperty());
    EXPECT_EQ(reader.Name, "UID");
}

TEST(LineReader, QuotedPrintableContinuationStopsAtTheEnd) {
    Reader reader("DESCRIPTION;QUOTED-PRINTABLE:a=");
    ASSERT_TRUE(reader.NextProperty());
    ASSERT_TRUE(reader.ReadValue(kEncodingQuotedPrintable));
    EXPECT_EQ(reader.Value, "a=");
}

TEST(LineReader, ValueNeedsAColon) {
    Reader reader("SUMMARY;LANGUAGE=en\n");
    ASSERT_TRUE(reader.NextProperty());
    EXPECT_FALSE(reader.ReadValue(kEncodingNone));
}

TEST(LineReader, ValueHelpers) {
    Reader reader("X:  42 \nY:4x2\nZ:\nL:a;;b;c;\n");
    bool error = false;
    reader.NextProperty();
    reader.ReadValue(kEncodingNone);
    EXPECT_EQ(reader.ValueTrimmed(), "42");
    EXPECT_EQ(reader.ValueAsNumber(7, error), 42);
    EXPECT_FALSE(error);
    reader.NextProperty();
    reader.ReadValue(kEncodingNone);
    EXPECT_EQ(reader.ValueAsNumber(7, error), 7);
    EXPECT_TRUE(error);
    error = false;
    reader.NextProperty();
    reader.ReadValue(kEncodingNone);
    EXPECT_EQ(reader.ValueAsNumber(-1, error), -1);
    EXPECT_TRUE(error);
    reader.NextProperty();
    reader.ReadValue(kEncodingNone);
    std::vector<std::string> pieces;
    reader.SplitValue(";,", pieces);
    EXPECT_EQ(pieces, (std::vector<std::string>{"a", "b", "c"}));
}

TEST(LineReader, FindPropertyMatchesNameAndExactValue) {
    Reader reader("BEGIN:VTODO\nEND:vtodo\nEND: VTODO \nUID:after\n");
    ASSERT_TRUE(reader.NextProperty());
    ASSERT_TRUE(reader.FindProperty("END", "VTODO"));
    EXPECT_EQ(reader.LineNumber, 3);
    ASSERT_TRUE(reader.NextProperty());
    EXPECT_EQ(reader.Name, "UID");
    EXPECT_FALSE(reader.FindProperty("END", nullptr));
}

TEST(TextHelpers, NumbersSaturateInsteadOfOverflowing) {
    int number = 0;
    EXPECT_TRUE(ParseDigits("99999999999999999999", number));
    EXPECT_EQ(number, 2147483647);
    EXPECT_FALSE(ParseDigits("", number));
    EXPECT_FALSE(ParseDigits("-1", number));
    EXPECT_EQ(LeadingNumber("-99999999999999"), -2147483647);
    EXPECT_EQ(LeadingNumber(" 12abc"), 12);
    EXPECT_EQ(LeadingNumber("abc"), 0);
}

} // namespace
