#include "platform/win32/platform_warning.h"
#include "platform/win32/time_zone.h"
#include "tests/testkit/scoped_env.h"
#include "tests/testkit/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A transition date written as "month/weekday/week hh:mm:ss.ms".
std::string DateText(const SYSTEMTIME& st) {
    char text[64];
    std::snprintf(text, sizeof text, "%u/%u/%u %02u:%02u:%02u.%03u", st.wMonth, st.wDayOfWeek,
                  st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
    return text;
}

std::u16string Name(const char16_t (&name)[32]) {
    return std::u16string(name);
}

// One zone as a line: "Bias StandardBias DaylightBias | standard date |
// daylight date".
std::string ZoneText(const TIME_ZONE_INFORMATION& info) {
    return std::to_string(info.Bias) + " " + std::to_string(info.StandardBias) + " " +
           std::to_string(info.DaylightBias) + " | " + DateText(info.StandardDate) + " | " +
           DateText(info.DaylightDate);
}

std::string ZoneTextFor(const char* tz) {
    ScopedEnv env("TZ", tz);
    TIME_ZONE_INFORMATION info;
    EXPECT_NE(GetTimeZoneInformation(&info), TIME_ZONE_ID_INVALID) << tz;
    return ZoneText(info);
}

constexpr const char* kUtcText = "0 0 0 | 0/0/0 00:00:00.000 | 0/0/0 00:00:00.000";

bool HasZoneinfo(const char* name) {
    return std::filesystem::exists(std::string("/usr/share/zoneinfo/") + name);
}

#define SKIP_WITHOUT_ZONEINFO(name)                                                                \
    if (!HasZoneinfo(name)) {                                                                      \
        GTEST_SKIP() << "/usr/share/zoneinfo/" << (name) << " is missing (install tzdata)";        \
    }

std::vector<std::string> warnings;

void CollectWarning(const char* place, LONG code, const char* text) {
    warnings.push_back(std::string(place) + "\t" + std::to_string(code) + "\t" + text);
}

// Warnings are collected from the platform's warning sink.
class TimeZoneInformation : public testing::Test {
protected:
    void SetUp() override {
        warnings.clear();
        SetPlatformWarningSink(CollectWarning);
    }
    void TearDown() override { SetPlatformWarningSink(nullptr); }
};

TEST_F(TimeZoneInformation, PosixRules) {
    ScopedEnv dir("TZDIR", nullptr);
    EXPECT_EQ(ZoneTextFor("EST5EDT,M3.2.0,M11.1.0"),
              "300 0 -60 | 11/0/1 02:00:00.000 | 3/0/2 02:00:00.000");
    EXPECT_EQ(ZoneTextFor("CET-1CEST,M3.5.0,M10.5.0/3"),
              "-60 0 -60 | 10/0/5 03:00:00.000 | 3/0/5 02:00:00.000");
    EXPECT_EQ(ZoneTextFor("<+1030>-10:30<+11>,M10.1.0,M4.1.0"),
              "-630 0 -60 | 4/0/1 02:00:00.000 | 10/0/1 02:00:00.000");
    EXPECT_EQ(ZoneTextFor("<+1030>-10:30<+11>-11,M10.1.0,M4.1.0/+2:30"),
              "-630 0 -30 | 4/0/1 02:30:00.000 | 10/0/1 02:00:00.000");
    EXPECT_EQ(ZoneTextFor("<-0330>3:30"), "210 0 0 | 0/0/0 00:00:00.000 | 0/0/0 00:00:00.000");
    EXPECT_EQ(ZoneTextFor("UTC0"), kUtcText);
    EXPECT_EQ(ZoneTextFor("EST5EDT"), "300 0 -60 | 11/0/1 02:00:00.000 | 3/0/2 02:00:00.000");
}

TEST_F(TimeZoneInformation, Names) {
    ScopedEnv env("TZ", "<+1030>-10:30<+11>,M10.1.0,M4.1.0");
    TIME_ZONE_INFORMATION info;
    GetTimeZoneInformation(&info);
    EXPECT_EQ(Name(info.StandardName), u"+1030");
    EXPECT_EQ(Name(info.DaylightName), u"+11");
}

TEST_F(TimeZoneInformation, ChangeTimesOutsideTheDay) {
    // Israel: the Friday before the last Sunday of March, written as
    // Thursday of week 4 at 26:00.
    EXPECT_EQ(ZoneTextFor("IST-2IDT,M3.4.4/26,M10.5.0"),
              "-120 0 -60 | 10/0/5 02:00:00.000 | 3/5/4 02:00:00.000");
    // Greenland: 23:00 on the day before the last Sunday.
    EXPECT_EQ(ZoneTextFor("<-02>2<-01>,M3.5.0/-1,M10.5.0/0"),
              "120 0 -60 | 10/0/5 00:00:00.000 | 3/6/5 23:00:00.000");
    // Chile: midnight at the end of the first Saturday stays on that Saturday.
    EXPECT_EQ(ZoneTextFor("<-04>4<-03>,M9.1.6/24,M4.1.6/24"),
              "240 0 -60 | 4/6/1 23:59:59.999 | 9/6/1 23:59:59.999");
}

TEST_F(TimeZoneInformation, DaylightTimeInWinterIsTurnedRound) {
    // Dublin calls its summer time standard and its winter time daylight
    // time; Windows has daylight time as the later clock.
    EXPECT_EQ(ZoneTextFor("IST-1GMT0,M10.5.0,M3.5.0/1"),
              "0 0 -60 | 10/0/5 02:00:00.000 | 3/0/5 01:00:00.000");
    ScopedEnv env("TZ", "IST-1GMT0,M10.5.0,M3.5.0/1");
    TIME_ZONE_INFORMATION info;
    GetTimeZoneInformation(&info);
    EXPECT_EQ(Name(info.StandardName), u"GMT");
    EXPECT_EQ(Name(info.DaylightName), u"IST");
}

TEST_F(TimeZoneInformation, DayNumberDatesKeepOnlyStandardTime) {
    EXPECT_EQ(ZoneTextFor("<+0330>-3:30<+0430>,J79/24,J263/24"),
              "-210 0 0 | 0/0/0 00:00:00.000 | 0/0/0 00:00:00.000");
}

TEST_F(TimeZoneInformation, UnknownOrMalformedIsUtc) {
    ScopedEnv dir("TZDIR", nullptr);
    for (const char* tz : {"Nowhere/Atlantis", ":Nowhere/Atlantis", "ABC", "EST5EDT,M3.2.0",
                           "EST5EDT,M13.2.0,M11.1.0", "EST5EDT,M3.6.0,M11.1.0", "EST25",
                           "EST5EDT,M3.2.0/168,M11.1.0", "../../etc/passwd", "EST5 junk"}) {
        EXPECT_EQ(ZoneTextFor(tz), kUtcText) << tz;
    }
    EXPECT_EQ(ZoneTextFor(""), kUtcText);
}

TEST_F(TimeZoneInformation, UnusableValuesAreLoggedOncePerValue) {
    ScopedEnv dir("TZDIR", nullptr);
    ZoneTextFor("Nowhere/LoggedOnce");
    ZoneTextFor("Nowhere/LoggedOnce");
    ZoneTextFor("UTC0");
    ZoneTextFor("XYZ-3:30XYT,J80/24,J264/24");
    ZoneTextFor("Nowhere/LoggedOnce");
    EXPECT_EQ(warnings,
              (std::vector<std::string>{
                  "GetTimeZoneInformation\t0\tUnknown time zone "
                  "TZ=\"Nowhere/LoggedOnce\", using UTC",
                  "GetTimeZoneInformation\t0\tTime zone "
                  "\"XYZ-3:30XYT,J80/24,J264/24\" changes its clocks on day numbers, which are not "
                  "supported; its daylight time is ignored"}));
}

TEST_F(TimeZoneInformation, ZoneinfoNames) {
    SKIP_WITHOUT_ZONEINFO("Europe/Berlin");
    ScopedEnv dir("TZDIR", nullptr);
    const char* berlin = "-60 0 -60 | 10/0/5 03:00:00.000 | 3/0/5 02:00:00.000";
    EXPECT_EQ(ZoneTextFor("Europe/Berlin"), berlin);
    EXPECT_EQ(ZoneTextFor(":Europe/Berlin"), berlin);
    EXPECT_EQ(ZoneTextFor(":/usr/share/zoneinfo/Europe/Berlin"), berlin);
    EXPECT_EQ(ZoneTextFor("UTC"), kUtcText);
}

TEST_F(TimeZoneInformation, ZoneinfoNamesTurnedRound) {
    SKIP_WITHOUT_ZONEINFO("Europe/Dublin");
    EXPECT_EQ(ZoneTextFor("Europe/Dublin"), "0 0 -60 | 10/0/5 02:00:00.000 | 3/0/5 01:00:00.000");
}

// A TZif file with one of everything: one UT flag, one standard flag, one
// leap second, one transition, one local time type and its four-character
// name; then (from version 2) the same with 8-byte times and the closing rule.
std::string Tzif(char version, const std::string& rule) {
    std::string header = std::string("TZif") + version + std::string(15, '\0');
    header += std::string("\0\0\0\1\0\0\0\1\0\0\0\1\0\0\0\1\0\0\0\1\0\0\0\4", 24);
    auto data = [](std::size_t timeSize) {
        return std::string(timeSize + 1 + 6, '\0') + std::string("UTC\0", 4) +
               std::string(timeSize + 4 + 1 + 1, '\0');
    };
    if (version == '\0') {
        return header + data(4);
    }
    return header + data(4) + header + data(8) + "\n" + rule + "\n";
}

TEST_F(TimeZoneInformation, ZoneinfoFolderFromTzdir) {
    TempFolder folder;
    std::filesystem::create_directories(folder.File("Test"));
    folder.Write("Test/Two", Tzif('2', "CET-1CEST,M3.5.0,M10.5.0/3"));
    folder.Write("Test/Three", Tzif('3', "<+0545>-5:45"));
    folder.Write("Test/One", Tzif('\0', "CET-1CEST,M3.5.0,M10.5.0/3"));
    folder.Write("Test/NoRule", Tzif('2', ""));
    folder.Write("Test/Cut", Tzif('2', "CET-1CEST,M3.5.0,M10.5.0/3").substr(0, 60));
    folder.Write("Test/NotTzif", "CET-1CEST,M3.5.0,M10.5.0/3\n");
    ScopedEnv dir("TZDIR", folder.Path().c_str());
    EXPECT_EQ(ZoneTextFor("Test/Two"), "-60 0 -60 | 10/0/5 03:00:00.000 | 3/0/5 02:00:00.000");
    EXPECT_EQ(ZoneTextFor("Test/Three"), "-345 0 0 | 0/0/0 00:00:00.000 | 0/0/0 00:00:00.000");
    for (const char* broken : {"Test/One", "Test/NoRule", "Test/Cut", "Test/NotTzif"}) {
        EXPECT_EQ(ZoneTextFor(broken), kUtcText) << broken;
    }
}

TEST_F(TimeZoneInformation, EachCallSeesTzdirAsItIsThen) {
    TempFolder central, nepal;
    central.Write("Here", Tzif('2', "CET-1CEST,M3.5.0,M10.5.0/3"));
    nepal.Write("Here", Tzif('2', "<+0545>-5:45"));
    const std::string centralText = "-60 0 -60 | 10/0/5 03:00:00.000 | 3/0/5 02:00:00.000";
    const std::string nepalText = "-345 0 0 | 0/0/0 00:00:00.000 | 0/0/0 00:00:00.000";
    for (int round = 0; round < 2; ++round) {
        {
            // Names that only begin like TZ or TZDIR, set before them, are not read.
            ScopedEnv longer("TZDIRECTORY", nepal.Path().c_str());
            ScopedEnv other("TZONE", "<+0545>-5:45");
            ScopedEnv dir("TZDIR", central.Path().c_str());
            EXPECT_EQ(ZoneTextFor("Here"), centralText) << round;
        }
        ScopedEnv dir("TZDIR", nepal.Path().c_str());
        EXPECT_EQ(ZoneTextFor("Here"), nepalText) << round;
    }
}

TEST_F(TimeZoneInformation, ResultTellsTheCurrentPeriod) {
    TIME_ZONE_INFORMATION info;
    {
        ScopedEnv env("TZ", "UTC0");
        EXPECT_EQ(GetTimeZoneInformation(&info), TIME_ZONE_ID_UNKNOWN);
    }
    {
        // Daylight time from a week before each year to a week after it.
        ScopedEnv env("TZ", "AAA5BBB,M1.1.0/-167,M12.5.6/167");
        EXPECT_EQ(GetTimeZoneInformation(&info), TIME_ZONE_ID_DAYLIGHT);
    }
    {
        ScopedEnv env("TZ", "AAA5BBB,M12.5.6/167,M1.1.0/-167");
        EXPECT_EQ(GetTimeZoneInformation(&info), TIME_ZONE_ID_STANDARD);
    }
    SetLastError(0);
    EXPECT_EQ(GetTimeZoneInformation(nullptr), TIME_ZONE_ID_INVALID);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

} // namespace
