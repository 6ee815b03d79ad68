#include "platform/win32/module.h"
#include "platform/win32/registry.h"
#include "settings/lang.h"
#include "settings/lang_choice.h"
#include "settings/settings_key_path.h"
#include "tests/testkit/scoped_env.h"
#include "tests/testkit/temp_folder.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

std::string LanguageFile(const std::string& langid) {
    return "[version]\nsignature=Orvane.LangIniFile\nlang=Language " + langid +
           "\nlangid=" + langid + "\n[Quillane.dll]\nIDS_APP_TITLE=Title " + langid + "\n";
}

void SetText(HKEY root, const char* name, const std::string& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, kSettingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// The user's text value, or none when it is missing.
std::optional<std::string> UserText(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<char> data(512);
    DWORD size = static_cast<DWORD>(data.size());
    DWORD type = REG_NONE;
    LONG status =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) {
        return std::nullopt;
    }
    return std::string(data.data());
}

class ChooseLanguageFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegistryReset();
        module.Write("English.ini", LanguageFile("EN"));
        module.Write("Deutsch.INI", LanguageFile("DE"));
        module.Write("notes.txt", LanguageFile("FR"));
    }
    void TearDown() override { RegistryReset(); }

    bool Choose() { return ChooseLanguageFile(lang, module.Path()); }

    TempFolder module;
    CLang lang;
};

TEST_F(ChooseLanguageFileTest, WithoutSettingsTakesEnglishAndStoresTheChoice) {
    ASSERT_TRUE(Choose());
    EXPECT_EQ(lang.Path(), module.File("English.ini"));
    EXPECT_EQ(lang.DefaultSection(), "Quillane.dll");
    EXPECT_EQ(lang.text("IDS_APP_TITLE"), "Title EN");
    EXPECT_EQ(UserText("LANG"), "EN");
    EXPECT_EQ(UserText("LANG_"), "English.ini");
}

TEST_F(ChooseLanguageFileTest, ByDefaultChoosesAmongTheFilesOfTheModuleFolder) {
    ASSERT_TRUE(ChooseLanguageFile(lang));
    EXPECT_EQ(lang.Path(), ModuleFolder() + "/English.ini");
    EXPECT_EQ(UserText("LANG_"), "English.ini");
}

TEST_F(ChooseLanguageFileTest, StoresTheFileRelativeToAFolderEndingInASeparator) {
    ASSERT_TRUE(ChooseLanguageFile(lang, module.Path() + "/"));
    EXPECT_EQ(UserText("LANG_"), "English.ini");
}

TEST_F(ChooseLanguageFileTest, TakesTheMachineWideLanguageWhenTheUserHasNone) {
    SetText(HKEY_LOCAL_MACHINE, "LANG", "DE");
    SetText(HKEY_CURRENT_USER, "LANG_", "English.ini");
    ASSERT_TRUE(Choose());
    EXPECT_EQ(lang.Path(), module.File("Deutsch.INI"));
    EXPECT_EQ(UserText("LANG"), "DE");
    EXPECT_EQ(UserText("LANG_"), "Deutsch.INI");
}

TEST_F(ChooseLanguageFileTest, SearchesWithoutRegardToCaseAndStoresTheFilesId) {
    SetText(HKEY_CURRENT_USER, "LANG", "de");
    ASSERT_TRUE(Choose());
    EXPECT_STREQ(lang.LangId(), "DE");
    EXPECT_EQ(UserText("LANG"), "DE");
    EXPECT_EQ(UserText("LANG_"), "Deutsch.INI");
}

TEST_F(ChooseLanguageFileTest, LoadsTheStoredFileBeforeSearching) {
    module.Write("sub/Second English.ini", LanguageFile("en"));
    SetText(HKEY_CURRENT_USER, "LANG", "EN");
    SetText(HKEY_CURRENT_USER, "LANG_", "sub/Second English.ini");
    ASSERT_TRUE(Choose());
    EXPECT_EQ(lang.text("IDS_APP_TITLE"), "Title en");
    EXPECT_EQ(UserText("LANG"), "EN");
    EXPECT_EQ(UserText("LANG_"), "sub/Second English.ini");
}

TEST_F(ChooseLanguageFileTest, ReplacesAStoredFileThatIsGone) {
    SetText(HKEY_CURRENT_USER, "LANG", "DE");
    SetText(HKEY_CURRENT_USER, "LANG_", "Removed.ini");
    ASSERT_TRUE(Choose());
    EXPECT_EQ(lang.Path(), module.File("Deutsch.INI"));
    EXPECT_EQ(UserText("LANG_"), "Deutsch.INI");
}

TEST_F(ChooseLanguageFileTest, AnUnknownLanguageLeavesTheObjectEmptyAndIsLogged) {
    TempFolder state;
    ScopedEnv stateHome("XDG_STATE_HOME", state.Path().c_str());
    SetText(HKEY_CURRENT_USER, "LANG", "FR");
    SetText(HKEY_CURRENT_USER, "LANG_", "Deutsch.INI");
    EXPECT_FALSE(Choose());
    std::string log = state.Read("quillane/quillane.log");
    EXPECT_NE(log.find("\tERROR\tCConnect::OnConnection\t0x00000000\t"
                       "cant find lang file for lang=FR\n"),
              std::string::npos)
        << log;
    EXPECT_FALSE(lang.IsLoaded());
    EXPECT_EQ(lang.text("IDS_APP_TITLE"), "");
    EXPECT_EQ(UserText("LANG"), "FR");
    EXPECT_EQ(UserText("LANG_"), "");
}

} // namespace
