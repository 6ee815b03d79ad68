#include "platform/liborvane/log_file.h"
#include "tests/testkit/scoped_env.h"
#include "tests/testkit/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

struct LineCase {
    const char* name;
    timespec when;
    int level;
    const char* where;
    std::int32_t code;
    const char* text;
    const char* line;
};

const LineCase kLines[] = {
    {"the epoch, padded fields",
     {0, 5'000'000},
     1,
     "Place",
     42,
     "text",
     "1970-01-01T00:00:00.005Z\tTRACE\tPlace\t0x0000002A\ttext\n"},
    {"two-digit fields and a failure code",
     {1796515141, 123'999'999},
     3,
     "CvCalImport::Execute",
     static_cast<std::int32_t>(0x80004005),
     "cant open file",
     "2026-12-05T23:59:01.123Z\tERROR\tCvCalImport::Execute\t0x80004005\tcant open file\n"},
    {"line breaks escaped, null texts empty",
     {951782400, 999'000'000},
     2,
     nullptr,
     -1,
     "a\nb\r\nc\r",
     "2000-02-29T00:00:00.999Z\tWARNING\t\t0xFFFFFFFF\ta\\nb\\r\\nc\\r\n"},
};

TEST(LogLine, Table) {
    for (const LineCase& c : kLines) {
        EXPECT_EQ(FormatLogLine(c.when, c.level, c.where, c.code, c.text), c.line) << c.name;
    }
}

// Lines appended around something done to the log file or its folder
// between them.
class LogFileBetweenLines : public testing::Test {
protected:
    std::string LogPath() const { return state_.File("quillane/quillane.log"); }
    std::string Read(const std::string& name) const { return state_.Read("quillane/" + name); }

    TempFolder state_;
    ScopedEnv stateHome_{"XDG_STATE_HOME", state_.Path().c_str()};
};

TEST_F(LogFileBetweenLines, EachLineIsInTheFileOnceAppended) {
    ASSERT_EQ(AppendLogLine("one\n"), 0);
    EXPECT_EQ(Read("quillane.log"), "one\n");
    ASSERT_EQ(AppendLogLine("two\n"), 0);
    EXPECT_EQ(Read("quillane.log"), "one\ntwo\n");
}

TEST_F(LogFileBetweenLines, AMovedFileKeepsItsLinesAndANewOneIsStarted) {
    ASSERT_EQ(AppendLogLine("before\n"), 0);
    std::filesystem::rename(LogPath(), state_.File("quillane/quillane.log.1"));
    ASSERT_EQ(AppendLogLine("after\n"), 0);
    EXPECT_EQ(Read("quillane.log.1"), "before\n");
    EXPECT_EQ(Read("quillane.log"), "after\n");
}

TEST_F(LogFileBetweenLines, ADeletedFileOrFolderIsMadeAgain) {
    ASSERT_EQ(AppendLogLine("first\n"), 0);
    std::filesystem::remove(LogPath());
    ASSERT_EQ(AppendLogLine("second\n"), 0);
    EXPECT_EQ(Read("quillane.log"), "second\n");
    std::filesystem::remove_all(state_.File("quillane"));
    ASSERT_EQ(AppendLogLine("third\n"), 0);
    EXPECT_EQ(Read("quillane.log"), "third\n");
}

TEST_F(LogFileBetweenLines, AReplacedFileGetsTheNextLines) {
    ASSERT_EQ(AppendLogLine("old\n"), 0);
    std::string replacement = state_.Write("replacement", "new file\n");
    std::filesystem::rename(replacement, LogPath());
    ASSERT_EQ(AppendLogLine("next\n"), 0);
    EXPECT_EQ(Read("quillane.log"), "new file\nnext\n");
}

TEST_F(LogFileBetweenLines, AnotherStateFolderGetsItsOwnFile) {
    ASSERT_EQ(AppendLogLine("here\n"), 0);
    TempFolder other;
    {
        ScopedEnv moved("XDG_STATE_HOME", other.Path().c_str());
        ASSERT_EQ(AppendLogLine("there\n"), 0);
    }
    ASSERT_EQ(AppendLogLine("back\n"), 0);
    EXPECT_EQ(other.Read("quillane/quillane.log"), "there\n");
    EXPECT_EQ(Read("quillane.log"), "here\nback\n");
}

TEST_F(LogFileBetweenLines, AFolderThatCannotBeMadeFailsUntilItCan) {
    ASSERT_EQ(AppendLogLine("kept\n"), 0);
    std::filesystem::remove_all(state_.File("quillane"));
    state_.Write("quillane", "a file where the folder was");
    EXPECT_NE(AppendLogLine("lost\n"), 0);
    std::filesystem::remove(state_.File("quillane"));
    ASSERT_EQ(AppendLogLine("found\n"), 0);
    EXPECT_EQ(Read("quillane.log"), "found\n");
}

TEST_F(LogFileBetweenLines, TheLineThatFillsTheLogIsItsLastAndReplacesTheOlderPart) {
    state_.Write("quillane/quillane.log.1", "an older part\n");
    ASSERT_EQ(AppendLogLine("first\n"), 0);
    const std::string filler(kLogRotateBytes - std::string("first\n").size(), 'x');
    ASSERT_EQ(AppendLogLine(filler), 0);
    EXPECT_FALSE(std::filesystem::exists(LogPath()));
    EXPECT_EQ(Read("quillane.log.1"), "first\n" + filler);
    ASSERT_EQ(AppendLogLine("next\n"), 0);
    EXPECT_EQ(Read("quillane.log"), "next\n");
}

TEST_F(LogFileBetweenLines, LinesOfOtherWritersCountTowardsTheLimit) {
    ASSERT_EQ(AppendLogLine("mine\n"), 0);
    const std::string theirs(kLogRotateBytes, 'y');
    {
        std::ofstream other(LogPath(), std::ios::app | std::ios::binary);
        other << theirs;
    }
    ASSERT_EQ(AppendLogLine("mine again\n"), 0);
    EXPECT_EQ(Read("quillane.log.1"), "mine\n" + theirs + "mine again\n");
    ASSERT_EQ(AppendLogLine("new\n"), 0);
    EXPECT_EQ(Read("quillane.log"), "new\n");
}

TEST_F(LogFileBetweenLines, ALogBelowTheLimitStaysWhereItIs) {
    const std::string almost(kLogRotateBytes - 2, 'z');
    ASSERT_EQ(AppendLogLine(almost), 0);
    ASSERT_EQ(AppendLogLine("\n"), 0);
    EXPECT_EQ(Read("quillane.log"), almost + "\n");
    EXPECT_FALSE(std::filesystem::exists(state_.File("quillane/quillane.log.1")));
}

} // namespace
