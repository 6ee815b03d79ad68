#include "platform/liborvane/lib_orvane_abi.h"
#include "platform/liborvane/log_file.h"
#include "platform/win32/module.h"
#include "tests/testkit/scoped_env.h"
#include "tests/testkit/temp_folder.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

HINSTANCE const kModule = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x10000000u));

template <typename Fn>
Fn Export(HMODULE library, const char* name) {
    return reinterpret_cast<Fn>(GetProcAddress(library, name));
}

// What the library handed to the user-interface hook.
struct HookCall {
    int request;
    std::string text;
    bool hasText;
    void* object;
};

void RecordHookCall(void* user, int request, const char* text, void* object) {
    static_cast<std::vector<HookCall>*>(user)->push_back(
        {request, text != nullptr ? text : "", text != nullptr, object});
}

// The add-in's side of the start-up record: its callbacks and a handle table.
const char16_t* GermanLanguage() {
    return u"DE";
}

SupportVersionTexts* FillVersionTexts(SupportVersionTexts* texts) {
    texts->fileDescription = u"Quillane calendar add-in";
    texts->comments = u"";
    texts->legalCopyright = u"\u00A9 Orvane";
    return texts;
}

void* ResolveTestHandle(std::uint32_t handle) {
    switch (handle) {
    case 1:
        return reinterpret_cast<void*>(&GermanLanguage);
    case 2:
        return reinterpret_cast<void*>(&FillVersionTexts);
    default:
        return nullptr;
    }
}

std::vector<unsigned char> Record(std::uint32_t size, std::uint32_t language = 1,
                                  std::uint32_t versionTexts = 2) {
    std::vector<unsigned char> record(180, 0);
    std::memcpy(&record[0], &size, 4);
    std::memcpy(&record[60], &language, 4);
    std::memcpy(&record[64], &versionTexts, 4);
    return record;
}

class LibOrvaneExports : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(library_, nullptr);
        ASSERT_EQ(setResolver_(kModule, ResolveTestHandle), 0);
        ASSERT_EQ(setUiHook_(kModule, RecordHookCall, &hookCalls_), 0);
    }
    void TearDown() override {
        setUiHook_(kModule, nullptr, nullptr);
        FreeLibrary(library_);
    }

    std::string Log() const { return state_.Read("quillane/quillane.log"); }

    TempFolder state_;
    ScopedEnv stateHome_{"XDG_STATE_HOME", state_.Path().c_str()};
    std::vector<HookCall> hookCalls_;
    HMODULE library_ = LoadLibraryA("LibOrvane.dll");
    LibOrvaneInitExFn initEx_ = Export<LibOrvaneInitExFn>(library_, "LibOrvaneInitEx");
    LibOrvaneLogMsgFn logMsg_ = Export<LibOrvaneLogMsgFn>(library_, "LibOrvaneLogMsg");
    LibOrvaneShowAboutFn showAbout_ = Export<LibOrvaneShowAboutFn>(library_, "LibOrvaneShowAbout");
    LibOrvaneShowContextHelpFn showHelp_ =
        Export<LibOrvaneShowContextHelpFn>(library_, "LibOrvaneShowContextHelp");
    LibOrvaneAddAboutMenuFn addAboutMenu_ =
        Export<LibOrvaneAddAboutMenuFn>(library_, "LibOrvaneAddAboutMenu");
    LibOrvaneSetHandleResolverFn setResolver_ =
        Export<LibOrvaneSetHandleResolverFn>(library_, "LibOrvaneSetHandleResolver");
    LibOrvaneSetUiHookFn setUiHook_ = Export<LibOrvaneSetUiHookFn>(library_, "LibOrvaneSetUiHook");
};

TEST_F(LibOrvaneExports, InitExRefusesRecordsOfAnotherSize) {
    for (std::uint32_t size : {0u, 176u, 179u, 181u, 360u}) {
        std::vector<unsigned char> record = Record(size);
        EXPECT_NE(initEx_(kModule, record.data()), 0) << size;
    }
    EXPECT_NE(initEx_(kModule, nullptr), 0);
    EXPECT_NE(Log().find("\tERROR\tLibOrvaneInitEx\t0x00000018\tstart-up record of 179 bytes"),
              std::string::npos)
        << Log();
}

TEST_F(LibOrvaneExports, InitExRefusesRecordsWhoseCallbacksCannotBeResolved) {
    std::vector<unsigned char> noLanguage = Record(180, 0, 2);
    std::vector<unsigned char> unknownHandle = Record(180, 1, 77);
    EXPECT_NE(initEx_(kModule, noLanguage.data()), 0);
    EXPECT_NE(initEx_(kModule, unknownHandle.data()), 0);
}

TEST_F(LibOrvaneExports, InitExCallsBothCallbacksAndAboutShowsTheVersionTexts) {
    std::vector<unsigned char> record = Record(180);
    ASSERT_EQ(initEx_(kModule, record.data()), 0);
    EXPECT_NE(Log().find("\tTRACE\tLibOrvaneInitEx\t0x00000000\tstarted: language=DE "
                         "description=Quillane calendar add-in\n"),
              std::string::npos)
        << Log();
    ASSERT_EQ(showAbout_(kModule), 0);
    ASSERT_EQ(hookCalls_.size(), 1u);
    EXPECT_EQ(hookCalls_[0].request, kLibOrvaneUiAbout);
    EXPECT_EQ(hookCalls_[0].text, "About Quillane\nQuillane calendar add-in\n\u00A9 Orvane");
}

TEST_F(LibOrvaneExports, HelpAndAboutMenuGoToTheHook) {
    int explorer = 0;
    EXPECT_EQ(showHelp_(kModule, "import_cal.htm"), 0);
    EXPECT_EQ(showHelp_(kModule, nullptr), 0);
    EXPECT_EQ(addAboutMenu_(kModule, &explorer), 0);
    EXPECT_NE(addAboutMenu_(kModule, nullptr), 0);
    ASSERT_EQ(hookCalls_.size(), 3u);
    EXPECT_EQ(hookCalls_[0].request, kLibOrvaneUiHelp);
    EXPECT_EQ(hookCalls_[0].text, "import_cal.htm");
    EXPECT_EQ(hookCalls_[1].request, kLibOrvaneUiHelp);
    EXPECT_FALSE(hookCalls_[1].hasText);
    EXPECT_EQ(hookCalls_[2].request, kLibOrvaneUiAboutMenu);
    EXPECT_EQ(hookCalls_[2].object, &explorer);
}

TEST_F(LibOrvaneExports, WithoutHookHelpAndAboutGoToStandardError) {
    ASSERT_EQ(setUiHook_(kModule, nullptr, nullptr), 0);
    testing::internal::CaptureStderr();
    showHelp_(kModule, "Features.htm");
    showHelp_(kModule, nullptr);
    showAbout_(kModule);
    std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed.rfind("Help: Features.htm\nHelp: start page\nAbout Quillane", 0), 0u)
        << printed;
    EXPECT_TRUE(hookCalls_.empty());
}

TEST_F(LibOrvaneExports, LogLinesStayOneLineWhateverTheText) {
    ASSERT_EQ(logMsg_(kModule, "first\nsecond\r\nthird", -1, "Place\nX", 7, 1), 0);
    ASSERT_EQ(logMsg_(kModule, nullptr, 0, nullptr, 1, 2), 0);
    std::string log = Log();
    EXPECT_NE(log.find("Z\tLEVEL7\tPlace\\nX\t0xFFFFFFFF\tfirst\\nsecond\\r\\nthird\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Z\tTRACE\t\t0x00000000\t\n"), std::string::npos) << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2);
}

TEST_F(LibOrvaneExports, DebugTracesAreWrittenOnlyWhenAskedFor) {
    for (const char* setting : {static_cast<const char*>(nullptr), "0", "yes"}) {
        ScopedEnv debug(kLogDebugVariable, setting);
        ASSERT_EQ(logMsg_(kModule, "debug detail", 0, "Import", 1, 3), 0);
    }
    ASSERT_EQ(logMsg_(kModule, "trace flag 2", 0, "Import", 1, 2), 0);
    ASSERT_EQ(logMsg_(kModule, "warning flag 3", 0, "Import", 2, 3), 0);
    {
        ScopedEnv debug(kLogDebugVariable, "1");
        ASSERT_EQ(logMsg_(kModule, "asked for", 0, "Import", 1, 3), 0);
    }
    const std::string log = Log();
    EXPECT_EQ(log.find("debug detail"), std::string::npos) << log;
    EXPECT_NE(log.find("\tTRACE\tImport\t0x00000000\ttrace flag 2\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\tWARNING\tImport\t0x00000000\twarning flag 3\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find("\tTRACE\tImport\t0x00000000\tasked for\n"), std::string::npos) << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3) << log;
}

TEST_F(LibOrvaneExports, LogFolderFromHomeWhenStateHomeIsUnsetOrRelative) {
    TempFolder home;
    ScopedEnv homeEnv("HOME", home.Path().c_str());
    for (const char* stateHome : {static_cast<const char*>(nullptr), "relative/state"}) {
        ScopedEnv unset("XDG_STATE_HOME", stateHome);
        EXPECT_EQ(logMsg_(kModule, "to home", 0, "Test", 1, 1), 0);
    }
    std::string log = home.Read(".local/state/quillane/quillane.log");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;
}

TEST_F(LibOrvaneExports, UnwritableLogFolderGivesAnError) {
    std::string notAFolder = state_.Write("file", "x");
    ScopedEnv stateHome("XDG_STATE_HOME", notAFolder.c_str());
    EXPECT_NE(logMsg_(kModule, "lost", 0, "Test", 3, 1), 0);
}

} // namespace
