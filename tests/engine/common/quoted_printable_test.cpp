#include "engine/common/v_sync_char_converter.h"

#include <gtest/gtest.h>

namespace {

std::string Encode(std::string_view text) {
    return vSyncCharConverter::QPEncode(text);
}

// The decoded text, or "<failed>" (the output is then checked untouched).
std::string Decode(std::string_view text, bool repair) {
    std::string out = "<failed>";
    bool ok = vSyncCharConverter::QPDecode(text, out, repair);
    EXPECT_EQ(ok, out != "<failed>") << text;
    return out;
}

std::string Repeat(char c, size_t count) {
    return std::string(count, c);
}

TEST(QPEncode, CopiesPrintablesAndCodesTheRest) {
    EXPECT_EQ(Encode("Team lunch: 12:30!"), "Team lunch: 12:30!");
    EXPECT_EQ(Encode("a=b"), "a=3Db");
    EXPECT_EQ(Encode("x\r\ny\tz"), "x=0D=0Ay\tz");
    EXPECT_EQ(Encode("caf\xE9\x7F\x01"), "caf=E9=7F=01");
    EXPECT_EQ(Encode(std::string("\0~", 2)), "=00~");
    EXPECT_EQ(Encode(".dot"), ".dot");
    EXPECT_EQ(Encode(""), "");
}

TEST(QPEncode, SoftBreakOnceALineReaches65) {
    EXPECT_EQ(Encode(Repeat('a', 65)), Repeat('a', 65));
    EXPECT_EQ(Encode(Repeat('a', 66)), Repeat('a', 65) + "=\r\na");
    EXPECT_EQ(Encode(Repeat('a', 140)),
              Repeat('a', 65) + "=\r\n" + Repeat('a', 65) + "=\r\n" + Repeat('a', 10));
    // A triplet is never split: the line may pass 65 by up to two.
    EXPECT_EQ(Encode(Repeat('a', 63) + "\xE9z"), Repeat('a', 63) + "=E9=\r\nz");
    EXPECT_EQ(Encode(Repeat('a', 64) + "\xE9z"), Repeat('a', 64) + "=E9=\r\nz");
}

TEST(QPEncode, BlanksAreCodedFromColumn64) {
    EXPECT_EQ(Encode(Repeat('a', 63) + " b"), Repeat('a', 63) + " b");
    EXPECT_EQ(Encode(Repeat('a', 63) + " bc"), Repeat('a', 63) + " b=\r\nc");
    EXPECT_EQ(Encode(Repeat('a', 64) + " b"), Repeat('a', 64) + "=20=\r\nb");
    EXPECT_EQ(Encode(Repeat('a', 64) + "\tb"), Repeat('a', 64) + "=09=\r\nb");
    // After a soft break the count starts again.
    EXPECT_EQ(Encode(Repeat('a', 65) + " x"), Repeat('a', 65) + "=\r\n x");
}

TEST(QPDecode, DecodesCodesAndSoftBreaks) {
    for (bool repair : {false, true}) {
        EXPECT_EQ(Decode("=41", repair), "A");
        EXPECT_EQ(Decode("caf=E9 caf=e9", repair), "caf\xE9 caf\xE9");
        EXPECT_EQ(Decode("line one=0D=0Aline two", repair), "line one\r\nline two");
        EXPECT_EQ(Decode("soft=\r\nbreak=\r\n", repair), "softbreak");
        EXPECT_EQ(Decode("bare\r\nbreaks\rgo\n", repair), "barebreaksgo");
        EXPECT_EQ(Decode("x=G1y", repair), std::string("x\0y", 3));
        EXPECT_EQ(Decode("x=4Gy", repair), "x\x04y");
        EXPECT_EQ(Decode("", repair), "");
    }
}

TEST(QPDecode, StrayEqualsSignsFailWithoutRepair) {
    for (const char* text : {"a=b", "a=", "=", "a= b", "x=\r\ny=", "a=\nb", "a=\rbc", "a=%41"}) {
        EXPECT_EQ(Decode(text, false), "<failed>") << text;
    }
}

TEST(QPDecode, RepairKeepsStrayEqualsSigns) {
    EXPECT_EQ(Decode("a=b", true), "a=b");
    EXPECT_EQ(Decode("a=", true), "a=");
    EXPECT_EQ(Decode("1+1= 2", true), "1+1= 2");
    EXPECT_EQ(Decode("x=\r\ny=", true), "xy=");
    EXPECT_EQ(Decode("a=%41 =42", true), "a=%41 B");
    EXPECT_EQ(Decode("a=\nb", true), "a=b");
    // "=" before a lone CR is not repaired, so the second pass fails too.
    EXPECT_EQ(Decode("a=\rbc", true), "<failed>");
}

TEST(QuotedPrintable, DecodeUndoesEncode) {
    std::string bytes;
    for (int round = 0; round < 3; ++round) {
        for (int c = 0; c < 256; ++c) {
            bytes += static_cast<char>(c);
        }
        bytes += Repeat(' ', 70) + "=\r\n";
    }
    for (bool repair : {false, true}) {
        std::string plain = Decode(Encode(bytes), repair);
        EXPECT_EQ(plain, bytes);
    }
}

} // namespace
