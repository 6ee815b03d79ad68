#include "platform/win32/registry.h"
#include "support/language_text.h"
#include "support/lib_orvane.h"
#include "support/support_callbacks.h"
#include "support/support_handles.h"
#include "support/support_init_record.h"
#include "tests/testkit/scoped_env.h"
#include "tests/testkit/temp_folder.h"

#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace {

HINSTANCE const kModule = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x10000000u));

DWORD U32At(const SupportInitRecord& record, std::size_t offset) {
    DWORD value;
    std::memcpy(&value, record.bytes + offset, sizeof value);
    return value;
}

void* PointerAt(const SupportInitRecord& record, std::size_t offset) {
    return ResolveSupportHandle(U32At(record, offset));
}

std::u16string WideAt(const SupportInitRecord& record, std::size_t offset) {
    const auto* text = static_cast<const char16_t*>(PointerAt(record, offset));
    return text != nullptr ? text : u"<null>";
}

TEST(SupportInitRecord, FixedFieldsAndZeroesEverywhereElse) {
    int application = 0;
    SupportInitRecord record = BuildSupportInitRecord(&application);
    const std::map<std::size_t, DWORD> words = {{0, 180}, {4, 0},   {12, 14},
                                                {36, 1},  {172, 1}, {176, 1}};
    for (const auto& [offset, value] : words) {
        EXPECT_EQ(U32At(record, offset), value) << "offset " << offset;
    }
    EXPECT_EQ(record.bytes[28], 1) << "offset 28";
    // Bytes of the fields above and of the pointer slots; all others are 0.
    std::vector<bool> field(sizeof record.bytes, false);
    for (std::size_t offset : {0, 4, 8, 12, 36, 60, 64, 72, 152, 156, 160, 172, 176}) {
        std::fill_n(field.begin() + static_cast<long>(offset), 4, true);
    }
    field[28] = true;
    for (std::size_t offset = 0; offset < sizeof record.bytes; ++offset) {
        if (!field[offset]) {
            EXPECT_EQ(record.bytes[offset], 0) << "offset " << offset;
        }
    }
}

TEST(SupportInitRecord, PointerFieldsResolveToWhatTheyStandFor) {
    int application = 0;
    SupportInitRecord record = BuildSupportInitRecord(&application);
    EXPECT_EQ(PointerAt(record, 8), &application);
    EXPECT_EQ(PointerAt(record, 60), reinterpret_cast<void*>(&SupportLanguage));
    EXPECT_EQ(PointerAt(record, 64), reinterpret_cast<void*>(&FillVersionTexts));
    EXPECT_EQ(WideAt(record, 72), u"EN");
    for (std::size_t offset : {152u, 156u, 160u}) {
        EXPECT_EQ(WideAt(record, offset), u"") << "offset " << offset;
    }
}

TEST(SupportInitRecord, NullApplicationAndRepeatedBuildsKeepTheirHandles) {
    int application = 0;
    SupportInitRecord first = BuildSupportInitRecord(&application);
    SupportInitRecord second = BuildSupportInitRecord(&application);
    EXPECT_EQ(std::memcmp(first.bytes, second.bytes, sizeof first.bytes), 0);
    SupportInitRecord noApplication = BuildSupportInitRecord(nullptr);
    EXPECT_EQ(U32At(noApplication, 8), 0u);
    EXPECT_EQ(ResolveSupportHandle(0), nullptr);
    EXPECT_EQ(ResolveSupportHandle(0xFFFFFFFFu), nullptr);
}

void SetText(HKEY root, const char* path, const char* name, const std::string& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// The language callback against a registry holding the LANG setting per
// user, machine-wide, both or neither.
class SupportLanguageCallback : public testing::Test {
protected:
    void SetUp() override { RegistryReset(); }
    void TearDown() override { RegistryReset(); }

    static void SetLang(HKEY root, const std::string& value) {
        SetText(root, "Software\\Orvane\\Quillane", "LANG", value);
    }
};

TEST_F(SupportLanguageCallback, PerUserSettingComesFirst) {
    SetLang(HKEY_LOCAL_MACHINE, "FR");
    SetLang(HKEY_CURRENT_USER, "DE");
    EXPECT_EQ(std::u16string(SupportLanguage()), u"DE");
}

TEST_F(SupportLanguageCallback, MachineSettingWhenThereIsNoOrAnEmptyUserSetting) {
    SetLang(HKEY_LOCAL_MACHINE, "FR");
    EXPECT_EQ(std::u16string(SupportLanguage()), u"FR");
    SetLang(HKEY_CURRENT_USER, "");
    EXPECT_EQ(std::u16string(SupportLanguage()), u"FR");
}

TEST_F(SupportLanguageCallback, EnglishWithoutAnySetting) {
    EXPECT_EQ(std::u16string(SupportLanguage()), u"EN");
}

TEST_F(SupportLanguageCallback, LongSettingIsCutTo255Characters) {
    SetLang(HKEY_CURRENT_USER, std::string(300, 'x'));
    EXPECT_EQ(std::u16string(SupportLanguage()), std::u16string(255, u'x'));
}

TEST(SupportVersionTextsCallback, FillsTheThreeLanguageTextsFromTheAnsiCodePage) {
    RegistryReset();
    SetText(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP", "1252");
    SetLanguageTextSource([](const char* key) {
        const std::map<std::string, std::string> texts = {
            {"IDS_VI_FILE_DESCRIPTION", "Quillane calendar add-in"},
            {"IDS_VI_COMMENTS", "Moves appointments"},
            {"IDS_VI_LEGAL_COPYRIGHT", "\xA9 Orvane"}};
        auto found = texts.find(key);
        return found != texts.end() ? found->second : std::string();
    });
    SupportVersionTexts texts{};
    EXPECT_EQ(FillVersionTexts(&texts), &texts);
    SetLanguageTextSource(nullptr);
    RegistryReset();
    EXPECT_EQ(std::u16string(texts.fileDescription), u"Quillane calendar add-in");
    EXPECT_EQ(std::u16string(texts.comments), u"Moves appointments");
    EXPECT_EQ(std::u16string(texts.legalCopyright), u"\u00A9 Orvane");
}

// The record handed through the wrapper to the real support library, which
// resolves the handles and calls both callbacks.
TEST(SupportInitRecordHandshake, LibraryResolvesTheBuiltRecordAndCallsBack) {
    RegistryReset();
    SetText(HKEY_CURRENT_USER, "Software\\Orvane\\Quillane", "LANG", "DE");
    TempFolder state;
    ScopedEnv stateHome("XDG_STATE_HOME", state.Path().c_str());
    CLibOrvane library("LibOrvane.dll");
    int application = 0;
    SupportInitRecord record = BuildSupportInitRecord(&application);
    ASSERT_EQ(library.InitEx(kModule, &record), 0) << state.Read("quillane/quillane.log");
    EXPECT_NE(state.Read("quillane/quillane.log").find("started: language=DE"), std::string::npos);
    EXPECT_EQ(library.InitComplete(), 0);
    RegistryReset();
}

} // namespace
