// `quillane export` end to end: a store loaded from JSON, exported with
// flags, the summary line and the exit status checked.

#include "host/command_line.h"
#include "host/terminal_progress.h"
#include "platform/win32/file_faults.h"
#include "platform/win32/registry.h"
#include "tests/testkit/scoped_env.h"
#include "tests/testkit/temp_folder.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;

    // The last line of the output.
    std::string Summary() const {
        std::string text = out.substr(0, out.find_last_not_of('\n') + 1);
        return text.substr(text.find_last_of('\n') + 1);
    }
};

class ExportCommandTest : public ::testing::Test {
protected:
    ExportCommandTest() {
        RegistryReset();
        std::filesystem::create_directory(out_);
        CliRun load =
            Quillane({"store", "load", std::string(QUILLANE_TEST_DATA) + "/host/export/week.json"});
        EXPECT_EQ(load.status, kExitOk) << load.err;
    }
    ~ExportCommandTest() override { RegistryReset(); }

    CliRun Quillane(std::vector<std::string> args) {
        args.insert(args.begin(), {"quillane", "--store", folder_.File("calendar.db")});
        std::vector<const char*> argv;
        for (const std::string& a : args) {
            argv.push_back(a.c_str());
        }
        std::ostringstream out, err;
        int status = RunCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
        return {status, out.str(), err.str()};
    }
    CliRun Export(std::vector<std::string> flags) {
        flags.insert(flags.begin(), {"export", "--to", out_});
        return Quillane(flags);
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(out_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder folder_;
    ScopedEnv tz_{"TZ", "EST5EDT,M3.2.0,M11.1.0"};
    ScopedEnv state_{"XDG_STATE_HOME", folder_.Path().c_str()};
    ScopedEnv config_{"XDG_CONFIG_HOME", folder_.Path().c_str()};
    std::string out_ = folder_.File("out");
};

TEST_F(ExportCommandTest, ExportsEveryAppointmentOfTheDefaultCalendar) {
    CliRun run = Export({});

    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.Summary(), "exported=4 failed=0 skipped=0 total=4");
    EXPECT_NE(run.out.find("Exported 4 of 4 appointments into 4 files"), std::string::npos);
    EXPECT_EQ(Files().size(), 4u);
}

TEST_F(ExportCommandTest, OneVCalendarFileNamedAfterTheFolder) {
    CliRun run =
        Export({"--one-file", "--format", "vcs", "--folder", "\\\\Personal Folders\\Calendar"});

    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(Files(), std::vector<std::string>{"Calendar.vcs"});
}

TEST_F(ExportCommandTest, FilterOptionsCountWhatTheyLeaveOut) {
    EXPECT_EQ(Export({"--skip-private", "--skip-all-day"}).Summary(),
              "exported=2 failed=0 skipped=2 total=4");
    EXPECT_EQ(Export({"--only-categories", "work", "--overwrite"}).Summary(),
              "exported=2 failed=0 skipped=2 total=4");
    EXPECT_EQ(Export({"--exclude-categories", "Travel,Holiday", "--overwrite"}).Summary(),
              "exported=2 failed=0 skipped=2 total=4");
    EXPECT_EQ(Export({"--only-labels", "2", "--overwrite"}).Summary(),
              "exported=1 failed=0 skipped=3 total=4");
    EXPECT_EQ(Export({"--after", "2007-03-06", "--before", "2007-03-09T11:00:00", "--overwrite"})
                  .Summary(),
              "exported=2 failed=0 skipped=2 total=4");
}

TEST_F(ExportCommandTest, SelectedEntriesOnly) {
    CliRun dump = Quillane({"store", "dump"});
    nlohmann::json items = nlohmann::json::parse(dump.out);
    std::string first = items[0]["entry_id"];
    std::string last = items[3]["entry_id"];

    CliRun run = Export({"--selected", first + "," + last});

    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.Summary(), "exported=2 failed=0 skipped=0 total=2");
    EXPECT_EQ(Files(), (std::vector<std::string>{"20070305090000_Standup.ics",
                                                 "20070309110000_Review.ics"}));
}

TEST_F(ExportCommandTest, ItemsThatCannotBeWrittenGiveStatus1) {
    ScopedFileFaults faults;
    LimitDiskSpace(0);

    CliRun run = Export({});

    EXPECT_EQ(run.status, kExitItemsFailed);
    EXPECT_EQ(run.Summary(), "exported=0 failed=4 skipped=0 total=4");
}

TEST_F(ExportCommandTest, UsageErrorsGiveStatus2AndWriteNothing) {
    const std::vector<std::vector<std::string>> bad = {
        {"--format", "ical"},
        {"--encoding", "Klingon"},
        {"--only-labels", "11"},
        {"--after", "5 March"},
        {"--folder", "\\\\Personal Folders\\Nowhere"},
        {"--only-categories", "a", "--exclude-categories", "b"},
    };
    for (const std::vector<std::string>& flags : bad) {
        CliRun run = Export(flags);
        EXPECT_EQ(run.status, kExitUsage) << flags[0];
        EXPECT_FALSE(run.err.empty()) << flags[0];
    }
    EXPECT_EQ(Quillane({"export", "--to", folder_.File("missing")}).status, kExitUsage);
    EXPECT_TRUE(Files().empty());
}

TEST(TerminalProgress, CtrlCPressesCancelOnlyWhileTheWindowIsOpen) {
    std::ostringstream bar;
    CTerminalProgress progress(bar, true);
    ASSERT_TRUE(progress.ProgressCreate(nullptr, 239));
    progress.ProgressSetText("Exporting events...");
    progress.ProgressSetRange(4);
    progress.ProgressStep();
    EXPECT_FALSE(progress.ProgressCancelled());

    std::raise(SIGINT);

    EXPECT_TRUE(progress.ProgressCancelled());
    progress.ProgressClose();
    EXPECT_NE(bar.str().find("[#######.......................] 1/4 Exporting events..."),
              std::string::npos)
        << bar.str();
    EXPECT_FALSE(progress.ProgressTakeHelpRequest());
}

TEST(TerminalProgress, DrawsNothingWhenNotATerminal) {
    std::ostringstream bar;
    CTerminalProgress progress(bar, false);
    ASSERT_TRUE(progress.ProgressCreate(nullptr, 239));
    progress.ProgressSetRange(2);
    progress.ProgressStep();
    progress.ProgressClose();

    EXPECT_TRUE(bar.str().empty());
}

} // namespace
