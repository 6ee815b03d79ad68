#include "engine/common/time_zone_rule.h"
#include "tests/testkit/scoped_env.h"
#include "tests/testkit/temp_folder.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {

// Readings are written "YYYY-MM-DD hh:mm" in the tests.
COleDateTime At(const char* text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    EXPECT_EQ(std::sscanf(text, "%d-%d-%d %d:%d", &y, &mo, &d, &h, &mi), 5) << text;
    return COleDateTime(y, mo, d, h, mi, 0);
}

std::string Text(const COleDateTime& date) {
    return date.Format("%Y-%m-%d %H:%M");
}

std::string ToUtc(const TimeZoneRule& rule, const char* local) {
    return Text(LocalToUtc(rule, LocalTime{At(local)}).value);
}

std::string ToLocal(const TimeZoneRule& rule, const char* utc) {
    return Text(UtcToLocal(rule, UtcTime{At(utc)}).value);
}

SYSTEMTIME RuleDate(int month, int weekday, int week, int hour) {
    return SYSTEMTIME{0,
                      static_cast<WORD>(month),
                      static_cast<WORD>(weekday),
                      static_cast<WORD>(week),
                      static_cast<WORD>(hour),
                      0,
                      0,
                      0};
}

TimeZoneRule Rule(LONG bias, LONG daylightBias, SYSTEMTIME standard, SYSTEMTIME daylight) {
    return TimeZoneRule{bias, 0, daylightBias, 0, standard, 0, daylight};
}

const TimeZoneRule kNewYork = Rule(300, -60, RuleDate(11, 0, 1, 2), RuleDate(3, 0, 2, 2));
const TimeZoneRule kSydney = Rule(-600, -60, RuleDate(4, 0, 1, 3), RuleDate(10, 0, 1, 2));
const TimeZoneRule kKolkata = Rule(-330, 0, SYSTEMTIME{}, SYSTEMTIME{});

std::string Hex(const TimeZoneRule& rule) {
    unsigned char bytes[sizeof rule];
    std::memcpy(bytes, &rule, sizeof rule);
    std::string out;
    for (unsigned char b : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", b);
        out += pair;
    }
    return out;
}

std::string SystemZoneHex(const char* tz) {
    ScopedEnv env("TZ", tz);
    TimeZoneRule rule;
    EXPECT_TRUE(GetSystemTimeZone(rule)) << tz;
    return Hex(rule);
}

#define SKIP_WITHOUT_ZONEINFO(name)                                                                \
    if (!std::filesystem::exists(std::string("/usr/share/zoneinfo/") + (name))) {                  \
        GTEST_SKIP() << "/usr/share/zoneinfo/" << (name) << " is missing (install tzdata)";        \
    }

// Bias, StandardBias, DaylightBias, then the year word and date of
// standard and of daylight time.
TEST(SystemTimeZone, BytesForPosixRule) {
    ScopedEnv dir("TZDIR", nullptr);
    EXPECT_EQ(SystemZoneHex("EST5EDT,M3.2.0,M11.1.0"), "2C010000"
                                                       "00000000"
                                                       "C4FFFFFF"
                                                       "0000"
                                                       "00000B00000001000200000000000000"
                                                       "0000"
                                                       "00000300000002000200000000000000");
}

TEST(SystemTimeZone, BytesForBerlin) {
    SKIP_WITHOUT_ZONEINFO("Europe/Berlin");
    ScopedEnv dir("TZDIR", nullptr);
    EXPECT_EQ(SystemZoneHex("Europe/Berlin"), "C4FFFFFF"
                                              "00000000"
                                              "C4FFFFFF"
                                              "0000"
                                              "00000A00000005000300000000000000"
                                              "0000"
                                              "00000300000005000200000000000000");
}

TEST(SystemTimeZone, BytesForSydney) {
    SKIP_WITHOUT_ZONEINFO("Australia/Sydney");
    ScopedEnv dir("TZDIR", nullptr);
    EXPECT_EQ(SystemZoneHex("Australia/Sydney"), "A8FDFFFF"
                                                 "00000000"
                                                 "C4FFFFFF"
                                                 "0000"
                                                 "00000400000001000300000000000000"
                                                 "0000"
                                                 "00000A00000001000200000000000000");
}

TEST(SystemTimeZone, UnknownZoneIsUtc) {
    TempFolder state; // for the warning
    ScopedEnv stateHome("XDG_STATE_HOME", state.Path().c_str());
    ScopedEnv dir("TZDIR", nullptr);
    EXPECT_EQ(SystemZoneHex("Nowhere/Atlantis"), std::string(96, '0'));
    ScopedEnv env("TZ", "Nowhere/Atlantis");
    EXPECT_EQ(Text(SystemLocalToUtc(LocalTime{At("2026-07-01 12:00")}).value), "2026-07-01 12:00");
}

TEST(SameTimeZone, YearWordsDoNotCount) {
    TimeZoneRule other = kNewYork;
    other.StandardYear = 2007;
    other.DaylightYear = 1987;
    EXPECT_TRUE(IsSameTimeZone(kNewYork, other));
}

TEST(SameTimeZone, OnlyTheSumsOfTheBiasesCount) {
    TimeZoneRule other = kNewYork;
    other.Bias = 360;
    other.StandardBias = -60;
    other.DaylightBias = -120;
    EXPECT_TRUE(IsSameTimeZone(kNewYork, other));
}

TEST(SameTimeZone, DifferentOffsetsOrDatesDiffer) {
    TimeZoneRule shorterDaylight = kNewYork;
    shorterDaylight.DaylightBias = -30;
    TimeZoneRule laterChange = kNewYork;
    laterChange.StandardDate.wHour = 3;
    TimeZoneRule withMilliseconds = kNewYork;
    withMilliseconds.DaylightDate.wMilliseconds = 1;
    EXPECT_FALSE(IsSameTimeZone(kNewYork, shorterDaylight));
    EXPECT_FALSE(IsSameTimeZone(kNewYork, laterChange));
    EXPECT_FALSE(IsSameTimeZone(kNewYork, withMilliseconds));
    EXPECT_FALSE(IsSameTimeZone(kNewYork, kSydney));
}

TEST(SameTimeZone, SystemZone) {
    ScopedEnv env("TZ", "EST5EDT,M3.2.0,M11.1.0");
    EXPECT_TRUE(IsSystemTimeZone(kNewYork));
    EXPECT_FALSE(IsSystemTimeZone(kSydney));
}

std::string Transition(int year, SYSTEMTIME date) {
    return Text(TransitionTime(year, date).value);
}

TEST(TransitionTime, WeekOfTheMonth) {
    EXPECT_EQ(Transition(2026, RuleDate(3, 0, 5, 2)), "2026-03-29 02:00");
    EXPECT_EQ(Transition(2026, RuleDate(3, 0, 2, 2)), "2026-03-08 02:00");
    EXPECT_EQ(Transition(2026, RuleDate(1, 4, 5, 0)), "2026-01-29 00:00"); // 5 Thursdays
    EXPECT_EQ(Transition(2026, RuleDate(5, 0, 5, 1)), "2026-05-31 01:00"); // the month's last day
    EXPECT_EQ(Transition(2024, RuleDate(2, 4, 5, 1)), "2024-02-29 01:00"); // leap day
    EXPECT_EQ(Transition(2023, RuleDate(2, 3, 5, 1)), "2023-02-22 01:00");
}

TEST(TransitionTime, UnusableDatesGiveAnInvalidValue) {
    EXPECT_EQ(TransitionTime(2026, RuleDate(13, 0, 1, 2)).value.GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(TransitionTime(2026, RuleDate(3, 7, 1, 2)).value.GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(TransitionTime(2026, RuleDate(3, 0, 1, 24)).value.GetStatus(), COleDateTime::invalid);
}

TEST(LocalToUtc, NorthernZone) {
    EXPECT_EQ(ToUtc(kNewYork, "2026-01-15 12:00"), "2026-01-15 17:00");
    EXPECT_EQ(ToUtc(kNewYork, "2026-03-08 01:59"), "2026-03-08 06:59");
    EXPECT_EQ(ToUtc(kNewYork, "2026-03-08 03:00"), "2026-03-08 07:00");
    EXPECT_EQ(ToUtc(kNewYork, "2026-07-04 12:00"), "2026-07-04 16:00");
    EXPECT_EQ(ToUtc(kNewYork, "2026-11-01 00:59"), "2026-11-01 04:59");
    EXPECT_EQ(ToUtc(kNewYork, "2026-11-01 02:00"), "2026-11-01 07:00");
    EXPECT_EQ(ToUtc(kNewYork, "2026-12-31 23:00"), "2027-01-01 04:00");
}

TEST(LocalToUtc, SouthernZone) {
    EXPECT_EQ(ToUtc(kSydney, "2026-01-15 12:00"), "2026-01-15 01:00"); // summer: daylight
    EXPECT_EQ(ToUtc(kSydney, "2026-04-05 01:59"), "2026-04-04 14:59");
    EXPECT_EQ(ToUtc(kSydney, "2026-04-05 03:00"), "2026-04-04 17:00");
    EXPECT_EQ(ToUtc(kSydney, "2026-07-01 12:00"), "2026-07-01 02:00");
    EXPECT_EQ(ToUtc(kSydney, "2026-10-04 01:59"), "2026-10-03 15:59");
    EXPECT_EQ(ToUtc(kSydney, "2026-10-04 03:00"), "2026-10-03 16:00");
    EXPECT_EQ(ToUtc(kSydney, "2026-01-01 00:30"), "2025-12-31 13:30");
}

// More zones and years in turn than the conversions keep transitions for,
// with zones that share their transition dates but not their offsets.
TEST(LocalToUtc, ZonesAndYearsInTurnKeepTheirOwnTransitions) {
    const TimeZoneRule chicago = Rule(360, -60, RuleDate(11, 0, 1, 2), RuleDate(3, 0, 2, 2));
    const TimeZoneRule berlin = Rule(-60, -60, RuleDate(10, 0, 5, 3), RuleDate(3, 0, 5, 2));
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(ToUtc(kNewYork, "2026-03-08 03:00"), "2026-03-08 07:00");
        EXPECT_EQ(ToUtc(kSydney, "2026-04-05 03:00"), "2026-04-04 17:00");
        EXPECT_EQ(ToUtc(chicago, "2026-03-08 03:00"), "2026-03-08 08:00");
        EXPECT_EQ(ToUtc(berlin, "2026-03-29 03:00"), "2026-03-29 01:00");
        EXPECT_EQ(ToUtc(kNewYork, "2007-03-11 03:00"), "2007-03-11 07:00");
        EXPECT_EQ(ToUtc(berlin, "2007-03-25 01:59"), "2007-03-25 00:59");
        EXPECT_EQ(ToLocal(kSydney, "2026-10-03 16:00"), "2026-10-04 03:00");
        EXPECT_EQ(ToLocal(kNewYork, "2027-03-14 07:00"), "2027-03-14 03:00");
    }
}

TEST(LocalToUtc, SkippedAndRepeatedHours) {
    // 02:30 does not exist on 8 March: read as daylight time.
    EXPECT_EQ(ToUtc(kNewYork, "2026-03-08 02:30"), "2026-03-08 06:30");
    // 01:30 happens twice on 1 November: the first, daylight, one.
    EXPECT_EQ(ToUtc(kNewYork, "2026-11-01 01:30"), "2026-11-01 05:30");
    // Sydney repeats 02:00-03:00 in April and skips it in October.
    EXPECT_EQ(ToUtc(kSydney, "2026-04-05 02:30"), "2026-04-04 15:30");
    EXPECT_EQ(ToUtc(kSydney, "2026-10-04 02:30"), "2026-10-03 15:30");
}

TEST(LocalToUtc, ZonesWithoutChanges) {
    EXPECT_EQ(ToUtc(kKolkata, "2026-01-15 12:00"), "2026-01-15 06:30");
    EXPECT_EQ(ToUtc(kKolkata, "2026-07-15 12:00"), "2026-07-15 06:30");
    TimeZoneRule withStandardBias = Rule(-300, 0, SYSTEMTIME{}, SYSTEMTIME{});
    withStandardBias.StandardBias = -30;
    EXPECT_EQ(ToUtc(withStandardBias, "2026-07-15 12:00"), "2026-07-15 06:30");
    TimeZoneRule alwaysDaylight = Rule(-300, -30, SYSTEMTIME{}, RuleDate(3, 0, 5, 2));
    EXPECT_EQ(ToUtc(alwaysDaylight, "2026-01-15 12:00"), "2026-01-15 06:30");
    EXPECT_EQ(ToUtc(alwaysDaylight, "2026-07-15 12:00"), "2026-07-15 06:30");
}

TEST(LocalToUtc, UnusableValuesAndRules) {
    EXPECT_EQ(LocalToUtc(kNewYork, LocalTime{COleDateTime::Invalid()}).value.GetStatus(),
              COleDateTime::invalid);
    TimeZoneRule broken = kNewYork;
    broken.DaylightDate.wMonth = 14;
    EXPECT_EQ(ToUtc(broken, "2026-07-04 12:00"), "2026-07-04 17:00");
    EXPECT_EQ(LocalToUtc(kSydney, LocalTime{At("9999-12-31 23:00")}).value.GetStatus(),
              COleDateTime::valid);
    EXPECT_EQ(LocalToUtc(kNewYork, LocalTime{At("9999-12-31 23:00")}).value.GetStatus(),
              COleDateTime::invalid);
}

TEST(UtcToLocal, NorthernZone) {
    EXPECT_EQ(ToLocal(kNewYork, "2026-01-15 17:00"), "2026-01-15 12:00");
    EXPECT_EQ(ToLocal(kNewYork, "2026-03-08 06:59"), "2026-03-08 01:59");
    EXPECT_EQ(ToLocal(kNewYork, "2026-03-08 07:00"), "2026-03-08 03:00");
    EXPECT_EQ(ToLocal(kNewYork, "2026-11-01 05:59"), "2026-11-01 01:59");
    EXPECT_EQ(ToLocal(kNewYork, "2026-11-01 06:00"), "2026-11-01 01:00");
    EXPECT_EQ(ToLocal(kNewYork, "2027-01-01 04:00"), "2026-12-31 23:00");
}

TEST(UtcToLocal, SouthernZone) {
    EXPECT_EQ(ToLocal(kSydney, "2026-01-15 01:00"), "2026-01-15 12:00");
    EXPECT_EQ(ToLocal(kSydney, "2026-04-04 15:59"), "2026-04-05 02:59");
    EXPECT_EQ(ToLocal(kSydney, "2026-04-04 16:00"), "2026-04-05 02:00");
    EXPECT_EQ(ToLocal(kSydney, "2026-10-03 15:59"), "2026-10-04 01:59");
    EXPECT_EQ(ToLocal(kSydney, "2026-10-03 16:00"), "2026-10-04 03:00");
    EXPECT_EQ(ToLocal(kSydney, "2026-07-01 02:00"), "2026-07-01 12:00");
}

TEST(SystemZoneConversion, FollowsTz) {
    LocalTime summer{At("2026-07-04 12:00")};
    {
        ScopedEnv env("TZ", "EST5EDT,M3.2.0,M11.1.0");
        EXPECT_EQ(Text(SystemLocalToUtc(summer).value), "2026-07-04 16:00");
        EXPECT_EQ(Text(SystemUtcToLocal(UtcTime{summer.value}).value), "2026-07-04 08:00");
    }
    {
        ScopedEnv env("TZ", "AEST-10AEDT,M10.1.0,M4.1.0/3");
        EXPECT_EQ(Text(SystemLocalToUtc(summer).value), "2026-07-04 02:00");
        EXPECT_EQ(Text(SystemUtcToLocal(UtcTime{summer.value}).value), "2026-07-04 22:00");
    }
}

// The C library's reading of the same rule, as "YYYY-MM-DD hh:mm".
std::string LibcLocal(std::time_t instant) {
    std::tm parts{};
    localtime_r(&instant, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &parts);
    return text;
}

// Every quarter of an hour from 2025 to 2027 reads the same as the C library.
TEST(SystemZoneConversion, AgreesWithTheCLibrary) {
    for (const char* tz : {"EST5EDT,M3.2.0,M11.1.0", "AEST-10AEDT,M10.1.0,M4.1.0/3", "<+0545>-5:45",
                           "<-0230>2:30<-0130>,M3.5.0/-1,M10.5.0/0"}) {
        ScopedEnv env("TZ", tz);
        tzset();
        const COleDateTime epoch(1970, 1, 1, 0, 0, 0);
        for (std::time_t t = 1735689600; t < 1798761600; t += 900) {
            COleDateTime utc = epoch + COleDateTimeSpan(static_cast<double>(t) / 86400.0);
            ASSERT_EQ(Text(SystemUtcToLocal(UtcTime{utc}).value), LibcLocal(t))
                << tz << " at " << Text(utc);
        }
    }
}

} // namespace
