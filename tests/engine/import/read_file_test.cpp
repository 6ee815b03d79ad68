// Reading calendar files: encodings, NUL characters and line ends.

#include "engine/import/read_file.h"
#include "tests/engine/import/parse_harness.h"
#include "tests/testkit/temp_folder.h"

#include <gtest/gtest.h>

namespace {

struct ReadResult {
    bool ok = false;
    std::string text;
    std::vector<std::string> log;
};

ReadResult ReadBytes(const std::string& bytes, const char* fileName = "cal.ics") {
    TempFolder folder;
    std::string path = folder.Write("cal.ics", bytes);
    ReadResult result;
    ImportLogSink sink = [&result](const std::string& text, LONG, const char* where, int level,
                                   int flag) {
        result.log.push_back(std::string(where) + " " + std::to_string(level) + "/" +
                             std::to_string(flag) + " " + text);
    };
    result.ok = _ReadFile(OpenForReading(path), result.text, fileName, sink);
    return result;
}

std::string Utf16(const std::u16string& text, bool bigEndian, bool mark) {
    std::string bytes;
    if (mark) {
        bytes += bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    }
    for (char16_t unit : text) {
        char low = static_cast<char>(unit & 0xFF);
        char high = static_cast<char>(unit >> 8);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

TEST(ReadFile, EightBitTextIsKeptAsItIs) {
    ReadResult result = ReadBytes("BEGIN:VCALENDAR\r\nSUMMARY:Caf\xE9\r\n");
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.text, "BEGIN:VCALENDAR\r\nSUMMARY:Caf\xE9\r\n");
    EXPECT_TRUE(result.log.empty());
}

TEST(ReadFile, Utf8MarkIsDropped) {
    ReadResult result = ReadBytes("\xEF\xBB\xBF"
                                  "BEGIN:VCALENDAR\r\nSUMMARY:Caf\xC3\xA9\r\n");
    EXPECT_EQ(result.text, "BEGIN:VCALENDAR\r\nSUMMARY:Caf\xC3\xA9\r\n");
}

TEST(ReadFile, Utf16InBothByteOrdersWithAndWithoutMark) {
    std::u16string text = u"BEGIN:VCALENDAR\r\nSUMMARY:Caf\u00e9 \u20ac\r\n";
    for (bool bigEndian : {false, true}) {
        for (bool mark : {false, true}) {
            SCOPED_TRACE(std::string(bigEndian ? "big" : "little") + (mark ? " with" : " without"));
            EXPECT_EQ(ReadBytes(Utf16(text, bigEndian, mark)).text,
                      "BEGIN:VCALENDAR\r\nSUMMARY:Caf\xC3\xA9 \xE2\x82\xAC\r\n");
        }
    }
}

TEST(ReadFile, FilesShorterThanFourBytesAreNotDetected) {
    EXPECT_EQ(ReadBytes(std::string("B\0E", 3)).text, std::string("B\0E", 3));
    EXPECT_EQ(ReadBytes("").text, "");
}

TEST(ReadFile, NulCharactersBecomeSpacesAndAreReportedWithTheName) {
    std::string bytes("BEGIN:VCALENDAR\r\nX:a\0b\0\r\n", 25);
    ReadResult named = ReadBytes(bytes, "dir/cal.ics");
    EXPECT_EQ(named.text, "BEGIN:VCALENDAR\r\nX:a b \r\n");
    EXPECT_EQ(named.log, (std::vector<std::string>{
                             "CvCalImport::_ReadFile 3/1 File(dir/cal.ics) contains unencoded "
                             "binary data(2 bad symbols)! It cannot be imported correctly."}));
    ReadResult unnamed = ReadBytes(bytes, nullptr);
    EXPECT_EQ(unnamed.text, named.text);
    EXPECT_TRUE(unnamed.log.empty());
}

TEST(ReadFile, NulUnitsInUtf16) {
    std::string bytes =
        Utf16(u"BEGIN:X", false, true) + std::string("\0\0", 2) + Utf16(u"Y\r\n", false, false);
    ReadResult result = ReadBytes(bytes);
    EXPECT_EQ(result.text, "BEGIN:X Y\r\n");
    EXPECT_EQ(result.log.size(), 1u);
}

TEST(ReadFile, LoneCarriageReturnsGetALineFeed) {
    EXPECT_EQ(ReadBytes("BEGIN:A\rX:1\r\nY:2\r").text, "BEGIN:A\r\nX:1\r\nY:2\r\n");
    EXPECT_EQ(ReadBytes("AB\r\r\n").text, "AB\r\n\r\n");
}

// Text without NUL bytes and lone CRs is recognised sixteen bytes at a time:
// a CR or NUL on either side of a block's end, or at the very end of the
// text, must still be seen.
TEST(ReadFile, LineEndsAndNulsAtEveryPlaceAroundBlocks) {
    for (size_t at = 0; at < 40; ++at) {
        std::string before = "BEGIN" + std::string(at, 'x');
        EXPECT_EQ(ReadBytes(before + "\rA:1\r\nB:2" + before).text,
                  before + "\r\nA:1\r\nB:2" + before)
            << at;
        EXPECT_EQ(ReadBytes(before + "\r\rY").text, before + "\r\n\r\nY") << at;
        EXPECT_EQ(ReadBytes(before + "\r").text, before + "\r\n") << at;
        EXPECT_EQ(ReadBytes(before + "\r\n").text, before + "\r\n") << at;
        EXPECT_EQ(ReadBytes(before + std::string("\0\r\nZ", 4)).text, before + " \r\nZ") << at;
        EXPECT_EQ(ReadBytes(before + std::string(1, '\0')).text, before + " ") << at;
    }
}

TEST(ReadFile, UnreadableFileFails) {
    std::string text;
    EXPECT_FALSE(_ReadFile(INVALID_HANDLE_VALUE, text, "x",
                           [](const std::string&, LONG, const char*, int, int) {}));
}

} // namespace
