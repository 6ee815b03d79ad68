#include "platform/com/com_error.h"
#include "platform/com/guid.h"

#include <gtest/gtest.h>
#include <set>
#include <unordered_set>

namespace {

constexpr GUID kAppointmentProps{0x00062002, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kMeetingProps{
    0x6ED8DA90, 0x450B, 0x101B, {0x98, 0xDA, 0x00, 0xAA, 0x00, 0x3F, 0x13, 0x05}};

TEST(GuidText, ParsesBracedAndBareForms) {
    EXPECT_EQ(ParseGuid("{00062002-0000-0000-C000-000000000046}"), kAppointmentProps);
    EXPECT_EQ(ParseGuid("00062002-0000-0000-C000-000000000046"), kAppointmentProps);
    EXPECT_EQ(ParseGuid("{6ed8da90-450b-101b-98da-00aa003f1305}"), kMeetingProps);
    EXPECT_EQ(ParseGuid(u"{6ED8DA90-450B-101B-98DA-00AA003F1305}"), kMeetingProps);
}

TEST(GuidText, RejectsMalformedText) {
    for (const char* text : {
             "",
             "{}",
             "{00062002-0000-0000-C000-000000000046",   // no closing brace
             "00062002-0000-0000-C000-000000000046}",   // no opening brace
             "{00062002-0000-0000-C000-00000000004}",   // one digit short
             "{00062002-0000-0000-C000-0000000000466}", // one digit too many
             "{00062002-0000-0000-C0000-00000000046}",  // dash one place late
             "{00062002+0000-0000-C000-000000000046}",  // not a dash
             "{0006200G-0000-0000-C000-000000000046}",  // not a hex digit
             "[00062002-0000-0000-C000-000000000046]",  // wrong brackets
             " 00062002-0000-0000-C000-000000000046 ",
         }) {
        EXPECT_FALSE(ParseGuid(text).has_value()) << text;
    }
}

TEST(GuidText, MalformedTextRaisesClassStringError) {
    try {
        GuidFromString("{not-a-guid}");
        FAIL() << "no exception";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), CO_E_CLASSSTRING);
        EXPECT_EQ(e.ErrorMessage(), "Not a GUID: \"{not-a-guid}\"");
    }
    EXPECT_EQ(GuidFromString("00062002-0000-0000-C000-000000000046"), kAppointmentProps);
}

TEST(GuidText, FormatsUpperCaseBraced) {
    EXPECT_EQ(GuidToString(kMeetingProps), "{6ED8DA90-450B-101B-98DA-00AA003F1305}");
    EXPECT_EQ(GuidToString(GUID_NULL), "{00000000-0000-0000-0000-000000000000}");
    EXPECT_EQ(GuidToWideString(kAppointmentProps), u"{00062002-0000-0000-C000-000000000046}");
    GUID all{0xFFFFFFFF, 0xFFFF, 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
    EXPECT_EQ(ParseGuid(GuidToString(all)), all);
}

TEST(GuidCompare, EveryFieldCounts) {
    GUID other = kAppointmentProps;
    EXPECT_EQ(other, kAppointmentProps);
    other.Data4[7] = 0x47;
    EXPECT_NE(other, kAppointmentProps);
    other = kAppointmentProps;
    other.Data3 = 1;
    EXPECT_NE(other, kAppointmentProps);
    std::set<GUID> ordered{kMeetingProps, kAppointmentProps, kMeetingProps};
    EXPECT_EQ(ordered.size(), 2u);
    EXPECT_EQ(*ordered.begin(), kAppointmentProps);
}

TEST(CoCreateGuid, VersionFourAndDistinct) {
    std::unordered_set<GUID> seen;
    for (int i = 0; i < 1000; ++i) {
        GUID guid;
        ASSERT_EQ(CoCreateGuid(&guid), S_OK);
        EXPECT_EQ(guid.Data3 >> 12, 4) << GuidToString(guid);
        EXPECT_EQ(guid.Data4[0] >> 6, 2) << GuidToString(guid);
        EXPECT_EQ(GuidToString(guid)[15], '4');
        seen.insert(guid);
    }
    EXPECT_EQ(seen.size(), 1000u);
    EXPECT_EQ(CoCreateGuid(nullptr), E_POINTER);
}

TEST(CoCreateGuid, BitsOtherThanTheMarkersVary) {
    // Or-ing and and-ing many GUIDs shows every free bit both set and clear.
    BYTE orBits[16] = {}, andBits[16];
    std::fill(std::begin(andBits), std::end(andBits), 0xFF);
    for (int i = 0; i < 200; ++i) {
        GUID guid;
        ASSERT_EQ(CoCreateGuid(&guid), S_OK);
        std::string text = GuidToString(guid);
        std::optional<GUID> back = ParseGuid(text);
        ASSERT_TRUE(back.has_value());
        const BYTE* bytes = reinterpret_cast<const BYTE*>(&*back);
        for (int b = 0; b < 16; ++b) {
            orBits[b] |= bytes[b];
            andBits[b] &= bytes[b];
        }
    }
    int setEverywhere = 0, clearEverywhere = 0;
    for (int b = 0; b < 16; ++b) {
        setEverywhere += __builtin_popcount(andBits[b]);
        clearEverywhere += 8 - __builtin_popcount(orBits[b]);
    }
    EXPECT_EQ(setEverywhere, 2);   // the version bit 0x4000 and the variant bit 0x80
    EXPECT_EQ(clearEverywhere, 4); // the three other version bits and variant bit 0x40
}

} // namespace
