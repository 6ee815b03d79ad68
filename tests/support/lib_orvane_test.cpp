#include "support/lib_orvane.h"
#include "tests/testkit/scoped_env.h"
#include "tests/testkit/temp_folder.h"

#include <gtest/gtest.h>
#include <latch>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

HINSTANCE const kModule = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x10000000u));

// The result of every wrapper that reaches the library, by export name.
std::map<std::string, int> CallEveryWrapper(CLibOrvane& library) {
    SupportInitRecord record{};
    int explorer = 0;
    return {
        {"LibOrvaneInitEx", library.InitEx(kModule, &record)},
        {"LibOrvaneInitComplete", library.InitComplete()},
        {"LibOrvaneLogMsg", library.LogMsg("text", 0, "Test", kLogTrace)},
        {"LibOrvaneShowAbout", library.ShowAbout()},
        {"LibOrvaneAddAboutMenu", library.AddAboutMenu(&explorer)},
        {"LibOrvaneShowContextHelp", library.ShowContextHelp("Features.htm")},
        {"LibOrvaneSetUiHook", library.SetUiHook(nullptr, nullptr)},
    };
}

void ExpectEveryWrapperAbsent(CLibOrvane& library) {
    EXPECT_FALSE(library.IsLoaded());
    for (const auto& [name, result] : CallEveryWrapper(library)) {
        EXPECT_EQ(result, kLibOrvaneAbsent) << name;
    }
    library.LogError("Test", 0, "%s", "nothing to log to");
    library.LogAssert(false, "Test", 1);
}

TEST(LibOrvaneAbsent, NoLibraryFileAnswersMinus200Everywhere) {
    CLibOrvane library("NoSuchLibrary.dll");
    ExpectEveryWrapperAbsent(library);
}

TEST(LibOrvaneAbsent, CompleteLibraryReachesEachExport) {
    CLibOrvane library("StubOrvaneWithoutNothing.dll");
    ASSERT_TRUE(library.IsLoaded());
    std::map<std::string, int> expected = {
        {"LibOrvaneInitEx", 101},       {"LibOrvaneInitComplete", 102},
        {"LibOrvaneLogMsg", 103},       {"LibOrvaneShowAbout", 104},
        {"LibOrvaneAddAboutMenu", 105}, {"LibOrvaneShowContextHelp", 106},
        {"LibOrvaneSetUiHook", 113},
    };
    EXPECT_EQ(CallEveryWrapper(library), expected);
}

class LibOrvaneMissingExport : public testing::TestWithParam<const char*> {};

TEST_P(LibOrvaneMissingExport, LibraryIsTreatedAsAbsent) {
    CLibOrvane library((std::string("StubOrvaneWithout") + GetParam() + ".dll").c_str());
    ExpectEveryWrapperAbsent(library);
}

INSTANTIATE_TEST_SUITE_P(EachExport, LibOrvaneMissingExport,
                         testing::Values("LibOrvaneInitEx", "LibOrvaneInitComplete",
                                         "LibOrvaneLogMsg", "LibOrvaneShowAbout",
                                         "LibOrvaneAddAboutMenu", "LibOrvaneShowContextHelp",
                                         "LibOrvaneInit", "LibOrvaneCreateLog", "LibOrvaneLogMsgEx",
                                         "LibOrvaneReportProblem", "LibOrvaneSetLanguage",
                                         "LibOrvaneSetHandleResolver", "LibOrvaneSetUiHook"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

// Logging through the real support library into a log file in a temporary
// state folder.
class LibOrvaneLogging : public testing::Test {
protected:
    std::vector<std::string> LogLines() const {
        std::istringstream content(state_.Read("quillane/quillane.log"));
        std::vector<std::string> lines;
        for (std::string line; std::getline(content, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    // The fields after the time stamp: level, place, code, text.
    static std::vector<std::string> SplitLine(const std::string& line) {
        static const std::regex stamp(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z\t)");
        std::smatch match;
        if (!std::regex_search(line, match, stamp)) {
            return {"bad time stamp: " + line};
        }
        std::vector<std::string> fields;
        std::istringstream rest(match.suffix().str());
        for (std::string field; fields.size() < 3 && std::getline(rest, field, '\t');) {
            fields.push_back(field);
        }
        std::string text;
        std::getline(rest, text);
        fields.push_back(text);
        return fields;
    }

    TempFolder state_;
    ScopedEnv stateHome_{"XDG_STATE_HOME", state_.Path().c_str()};
    CLibOrvane library_{"LibOrvane.dll"};
};

using Fields = std::vector<std::string>;

TEST_F(LibOrvaneLogging, EachLevelWritesLevelPlaceHexCodeAndText) {
    ASSERT_TRUE(library_.IsLoaded());
    library_.LogError("CvCalImport::Execute", static_cast<LONG>(0x80004005), "cant open %s (%d)",
                      "a.ics", 7);
    library_.LogWarning("ParseVEVENT", 234, "%s\tin line(%s)", "bad value", "DTSTART:x");
    library_.LogTrace("CvCalExport::ExportItem", 0, "exported");
    std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(SplitLine(lines[0]),
              (Fields{"ERROR", "CvCalImport::Execute", "0x80004005", "cant open a.ics (7)"}));
    EXPECT_EQ(SplitLine(lines[1]),
              (Fields{"WARNING", "ParseVEVENT", "0x000000EA", "bad value\tin line(DTSTART:x)"}));
    EXPECT_EQ(SplitLine(lines[2]),
              (Fields{"TRACE", "CvCalExport::ExportItem", "0x00000000", "exported"}));
}

TEST_F(LibOrvaneLogging, AssertLogsOnlyWhenTheConditionFails) {
    library_.LogAssert(true, "CLang::LocalizeDlgCtrl", 100);
    library_.LogAssert(false, "CLang::LocalizeDlgCtrl", 212);
    std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(SplitLine(lines[0]), (Fields{"ERROR", "CLang::LocalizeDlgCtrl", "0x00000000",
                                           "ASSERT failed in line 212"}));
}

TEST_F(LibOrvaneLogging, FormattedTextIsCutAt512Characters) {
    std::string longText(511, 'a');
    library_.LogTrace("Test", 0, "%s%s", longText.c_str(), "bcdef");
    library_.LogTrace("Test", 0, "%s", std::string(512, 'z').c_str());
    std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(SplitLine(lines[0]).back(), longText + "b");
    EXPECT_EQ(SplitLine(lines[1]).back(), std::string(512, 'z'));
}

TEST_F(LibOrvaneLogging, TwoThreadsLoggingAtOnceNeverTearALine) {
    constexpr int kLinesPerThread = 1000;
    std::latch start(2);
    auto writer = [this, &start](const char* where) {
        start.arrive_and_wait();
        for (int i = 0; i < kLinesPerThread; ++i) {
            library_.LogTrace(where, i, "line %d of %s %s", i, where,
                              std::string(200, '.').c_str());
            std::this_thread::yield(); // lets the other thread in between lines
        }
    };
    std::thread first(writer, "First");
    std::thread second(writer, "Second");
    first.join();
    second.join();
    std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 2u * kLinesPerThread);
    std::map<std::string, int> next = {{"First", 0}, {"Second", 0}};
    for (const std::string& line : lines) {
        Fields fields = SplitLine(line);
        ASSERT_EQ(fields.size(), 4u) << line;
        int& expected = next[fields[1]];
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", expected);
        ASSERT_EQ(fields, (Fields{"TRACE", fields[1], code,
                                  "line " + std::to_string(expected) + " of " + fields[1] + " " +
                                      std::string(200, '.')}));
        ++expected;
    }
    EXPECT_EQ(next, (std::map<std::string, int>{{"First", kLinesPerThread},
                                                {"Second", kLinesPerThread}}));
}

TEST(LibOrvaneProcessWide, OneObjectLoadedFromTheModuleFolder) {
    EXPECT_EQ(&LibOrvane(), &LibOrvane());
    EXPECT_TRUE(LibOrvane().IsLoaded());
}

} // namespace
