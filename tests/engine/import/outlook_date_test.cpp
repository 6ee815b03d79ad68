#include "engine/import/outlook_date.h"
#include "platform/win32/registry.h"

#include <gtest/gtest.h>

namespace {

class OutlookDateTest : public testing::Test {
protected:
    void SetUp() override { RegistryReset(); }
    void TearDown() override { RegistryReset(); }

    static void SetShortDate(const std::string& picture) { SetPicture("sShortDate", picture); }
    static void SetTimeFormat(const std::string& picture) { SetPicture("sTimeFormat", picture); }

    static void SetPicture(const char* name, const std::string& picture) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\International", 0, nullptr, 0,
                                  KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(picture.c_str()),
                       static_cast<DWORD>(picture.size() + 1));
        RegCloseKey(key);
    }
};

struct FilterDateCase {
    const char* name;
    COleDateTime when;
    const char* text;
};

TEST_F(OutlookDateTest, FilterDatesAreRoundedToTheMinute) {
    const FilterDateCase cases[] = {
        {"morning", COleDateTime(2007, 3, 5, 9, 5, 0), "3/5/2007 09:05 AM"},
        {"29 seconds round down", COleDateTime(2007, 3, 5, 9, 5, 29), "3/5/2007 09:05 AM"},
        {"30 seconds round up", COleDateTime(2007, 3, 5, 9, 5, 30), "3/5/2007 09:06 AM"},
        {"rounding up crosses midnight", COleDateTime(2007, 12, 31, 23, 59, 45),
         "1/1/2008 12:00 AM"},
        {"noon", COleDateTime(2007, 3, 5, 12, 0, 0), "3/5/2007 12:00 PM"},
        {"afternoon", COleDateTime(2007, 11, 25, 17, 30, 0), "11/25/2007 05:30 PM"},
        {"the zero date", COleDateTime(0.0), "12/30/1899 12:00 AM"},
        {"one past midnight", COleDateTime(2007, 3, 5, 0, 1, 0), "3/5/2007 12:01 AM"},
        {"beyond the last date", COleDateTime(3e6), " "},
    };
    for (const FilterDateCase& c : cases) {
        EXPECT_EQ(FormatOutlookDate(c.when), c.text) << c.name;
    }
}

// A filter is built in one buffer: each date goes after the text before it.
TEST_F(OutlookDateTest, FilterDatesAppendToTheFilter) {
    std::string filter = "[Start] = '";
    AppendOutlookDate(filter, COleDateTime(2007, 3, 5, 9, 5, 40));
    filter += "' And [End] = '";
    AppendOutlookDate(filter, COleDateTime(3e6));
    filter += "' And [Start] <> '";
    SetShortDate("dd.MM.yyyy");
    AppendOutlookDate(filter, COleDateTime(2007, 11, 25, 17, 30, 0));
    EXPECT_EQ(filter, "[Start] = '3/5/2007 09:06 AM' And [End] = ' ' And [Start] <> '25.11.2007 "
                      "05:30 PM");
}

TEST_F(OutlookDateTest, TheUsersShortDateFormatIsUsed) {
    SetShortDate("dd.MM.yyyy");
    EXPECT_EQ(FormatOutlookDate(COleDateTime(2007, 3, 5, 14, 5, 0)), "05.03.2007 02:05 PM");
    EXPECT_EQ(UserDateText(COleDateTime(2007, 3, 5, 14, 5, 0)), "05.03.2007");
    SetShortDate("yyyy-MM-dd");
    EXPECT_EQ(FormatOutlookDate(COleDateTime(2007, 3, 5, 14, 5, 0)), "2007-03-05 02:05 PM");
}

// The texts of the log lines: the date and the time each in the user's own
// picture.
TEST_F(OutlookDateTest, DateTimeTextsFollowBothPictures) {
    const COleDateTime afternoon(2007, 3, 5, 14, 5, 9);
    EXPECT_EQ(UserDateTimeText(afternoon), "3/5/2007 2:05:09 PM");
    EXPECT_EQ(UserDateTimeText(COleDateTime(2007, 12, 31, 0, 0, 0)), "12/31/2007 12:00:00 AM");
    SetShortDate("dd.MM.yyyy");
    SetTimeFormat("HH:mm:ss");
    EXPECT_EQ(UserDateTimeText(afternoon), "05.03.2007 14:05:09");
    EXPECT_EQ(UserDateTimeText(COleDateTime(3e6)), " ");
}

} // namespace
