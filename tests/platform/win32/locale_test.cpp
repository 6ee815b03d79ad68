#include "platform/win32/locale.h"
#include "platform/win32/registry.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

class LocaleTest : public testing::Test {
protected:
    void SetUp() override { RegistryReset(); }
    void TearDown() override { RegistryReset(); }

    static void SetUserValue(const char* name, DWORD type, const std::string& bytes) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\International", 0, nullptr, 0,
                                  KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size()));
        RegCloseKey(key);
    }
    static std::string Info(LCTYPE type, LCID locale = LOCALE_USER_DEFAULT) {
        char buffer[80];
        int written = GetLocaleInfoA(locale, type, buffer, sizeof buffer);
        EXPECT_EQ(written, written > 0 ? static_cast<int>(std::strlen(buffer)) + 1 : 0);
        return written > 0 ? buffer : "<failed>";
    }
};

TEST_F(LocaleTest, EnUsValuesWhenTheRegistryHasNone) {
    EXPECT_EQ(Info(LOCALE_SLIST), ",");
    EXPECT_EQ(Info(LOCALE_SSHORTDATE), "M/d/yyyy");
    EXPECT_EQ(Info(LOCALE_STIMEFORMAT), "h:mm:ss tt");
    EXPECT_EQ(Info(LOCALE_SSHORTDATE, LOCALE_SYSTEM_DEFAULT), "M/d/yyyy");
}

TEST_F(LocaleTest, UserValuesOverrideTheDefaults) {
    SetUserValue("SLIST", REG_SZ, std::string(";\0", 2));
    SetUserValue("sShortDate", REG_EXPAND_SZ, std::string("dd.MM.yyyy\0", 11));
    SetUserValue("sTimeFormat", REG_SZ, "HH:mm:ss"); // stored without its zero
    EXPECT_EQ(Info(LOCALE_SLIST), ";");
    EXPECT_EQ(Info(LOCALE_SSHORTDATE), "dd.MM.yyyy");
    EXPECT_EQ(Info(LOCALE_STIMEFORMAT), "HH:mm:ss");
    EXPECT_EQ(Info(LOCALE_SSHORTDATE | LOCALE_NOUSEROVERRIDE), "M/d/yyyy");
}

TEST_F(LocaleTest, AChangedUserValueCountsFromTheNextCall) {
    EXPECT_EQ(Info(LOCALE_SSHORTDATE), "M/d/yyyy");
    SetUserValue("sShortDate", REG_SZ, std::string("dd.MM.yyyy\0", 11));
    EXPECT_EQ(Info(LOCALE_SSHORTDATE), "dd.MM.yyyy");
    SetUserValue("sShortDate", REG_SZ, std::string("yyyy-MM-dd\0", 11));
    EXPECT_EQ(Info(LOCALE_SSHORTDATE), "yyyy-MM-dd");
    HKEY key = nullptr;
    ASSERT_EQ(
        RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\International", 0, KEY_SET_VALUE, &key),
        ERROR_SUCCESS);
    RegDeleteValueA(key, "sShortDate");
    RegCloseKey(key);
    EXPECT_EQ(Info(LOCALE_SSHORTDATE), "M/d/yyyy");
}

TEST_F(LocaleTest, ValueThatIsNotTextIsIgnored) {
    SetUserValue("sList", REG_DWORD, std::string("\x3b\0\0\0", 4));
    EXPECT_EQ(Info(LOCALE_SLIST), ",");
}

TEST_F(LocaleTest, SizesAndErrorsFollowWin32) {
    SetUserValue("sShortDate", REG_SZ, std::string("yyyy-MM-dd\0", 11));
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, nullptr, 0), 11);

    char exact[11];
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, exact, 11), 11);
    EXPECT_STREQ(exact, "yyyy-MM-dd");

    struct Failure {
        const char* name;
        LCID locale;
        LCTYPE type;
        int size;
        LONG error;
    };
    const Failure failures[] = {
        {"buffer one too small", LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, 10,
         ERROR_INSUFFICIENT_BUFFER},
        {"unknown item", LOCALE_USER_DEFAULT, 0x0002, 80, ERROR_INVALID_FLAGS},
        {"unknown locale", 0x0407, LOCALE_SLIST, 80, ERROR_INVALID_PARAMETER},
        {"negative size", LOCALE_USER_DEFAULT, LOCALE_SLIST, -1, ERROR_INVALID_PARAMETER},
    };
    for (const Failure& failure : failures) {
        char buffer[80];
        SetLastError(0);
        EXPECT_EQ(GetLocaleInfoA(failure.locale, failure.type, buffer, failure.size), 0)
            << failure.name;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(failure.error)) << failure.name;
    }
}

} // namespace
