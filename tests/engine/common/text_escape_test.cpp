#include "engine/common/v_sync_char_converter.h"

#include <gtest/gtest.h>

namespace {

struct EscapeRow {
    const char* name;
    std::string plain;
    std::string escaped;
};

TEST(TextEscape, EscapesEachSpecialCharacter) {
    const EscapeRow rows[] = {
        {"plain text", "Room 4: lunch!", "Room 4: lunch!"},
        {"backslash, semicolon, comma", "a\\b;c,d", "a\\\\b\\;c\\,d"},
        {"backslash before n", "\\n", "\\\\n"},
        {"CR LF, LF and CR", "1\r\n2\n3\r4", "1\\n2\\n3\\n4"},
        {"CR CR LF and LF CR", "a\r\r\nb\n\rc", "a\\n\\nb\\n\\nc"},
        {"empty", "", ""},
    };
    for (const EscapeRow& row : rows) {
        EXPECT_EQ(vSyncCharConverter::Escape(row.plain), row.escaped) << row.name;
    }
}

TEST(TextEscape, FindsSpecialsAtEveryPlaceOfALongText) {
    // Long texts are searched in blocks: a special character before, on and
    // after each block boundary, alone and next to another.
    for (size_t at = 0; at < 40; ++at) {
        for (char special : {'\\', ';', ',', '\n'}) {
            std::string plain(40, 'x');
            plain[at] = special;
            std::string escaped = std::string(at, 'x') +
                                  (special == '\n' ? "\\n" : std::string{'\\', special}) +
                                  std::string(39 - at, 'x');
            EXPECT_EQ(vSyncCharConverter::Escape(plain), escaped) << "at " << at;
        }
    }
    EXPECT_EQ(vSyncCharConverter::Escape(std::string(31, 'y') + "\r\n" + std::string(20, 'z')),
              std::string(31, 'y') + "\\n" + std::string(20, 'z'));
}

TEST(TextEscape, AppendsToWhatTheBufferHolds) {
    std::string out = "DESCRIPTION:";
    vSyncCharConverter::Escape("a,b", out);
    EXPECT_EQ(out, "DESCRIPTION:a\\,b");
    out = "x";
    vSyncCharConverter::QPEncode("=", out);
    EXPECT_EQ(out, "x=3D");
}

TEST(TextEscape, UnescapesInOnePass) {
    const EscapeRow rows[] = {
        {"escaped backslash before n", "\\n", "\\\\n"},
        {"all four escapes", "a\\b;c,d\ne", "a\\\\b\\;c\\,d\\ne"},
        {"upper-case N stays", "\\N", "\\N"},
        {"unknown escape stays", "\\t\\x", "\\t\\x"},
        {"trailing backslash stays", "end\\", "end\\"},
        {"escaped backslash before semicolon", "\\;", "\\\\\\;"},
    };
    for (const EscapeRow& row : rows) {
        EXPECT_EQ(vSyncCharConverter::Unescape(row.escaped), row.plain) << row.name;
    }
}

TEST(TextEscape, UnescapeUndoesEscapeExceptForCarriageReturns) {
    std::string text;
    for (int c = 0; c < 256; ++c) {
        if (c != '\r') {
            text += static_cast<char>(c);
        }
    }
    text += "\\n\\\\;,";
    EXPECT_EQ(vSyncCharConverter::Unescape(vSyncCharConverter::Escape(text)), text);
    EXPECT_EQ(vSyncCharConverter::Unescape(vSyncCharConverter::Escape("a\r\nb\rc")), "a\nb\nc");
}

TEST(TextEscape, UnescapeIntoABufferReplacesWhatItHeld) {
    std::string out = "an earlier, longer value that must not survive";
    vSyncCharConverter::Unescape("a\\,b\\", out);
    EXPECT_EQ(out, "a,b\\");
    vSyncCharConverter::Unescape("", out);
    EXPECT_EQ(out, "");
}

TEST(CleanParameterValue, DropsControlsAndTurnsDoubleQuotes) {
    EXPECT_EQ(vSyncCharConverter::CleanParameterValue(u"Smith, \"Jo\"\r\n\x01\x1f\x7f\tX!#~"),
              u"Smith, 'Jo'\tX!#~");
    EXPECT_EQ(vSyncCharConverter::CleanParameterValue(u"M\u00fcller \u65e5\u0080\uffff"),
              u"M\u00fcller \u65e5\u0080\uffff");
    EXPECT_EQ(vSyncCharConverter::CleanParameterValue(u""), u"");
}

} // namespace
