// `quillane import` end to end: calendar files imported into a fresh store
// with flags, the summary line, the store's agenda and the exit status
// checked.

#include "host/command_line.h"
#include "platform/win32/registry.h"
#include "tests/testkit/scoped_env.h"
#include "tests/testkit/temp_folder.h"

#include <gtest/gtest.h>
#include <iostream>
#include <sstream>
#include <vector>

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;

    std::string Summary() const {
        std::string text = out.substr(0, out.find_last_not_of('\n') + 1);
        return text.substr(text.find_last_of('\n') + 1);
    }
};

const char* const kTwoEvents =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"
    "BEGIN:VEVENT\r\nDTSTART:20070305T100000\r\nDTEND:20070305T110000\r\n"
    "SUMMARY:Review\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nDTSTART:20070306T090000\r\nDURATION:PT30M\r\n"
    "SUMMARY:Standup\r\nEND:VEVENT\r\n"
    "END:VCALENDAR\r\n";

class ImportCommandTest : public ::testing::Test {
protected:
    ImportCommandTest() { RegistryReset(); }
    ~ImportCommandTest() override { RegistryReset(); }

    CliRun Quillane(std::vector<std::string> args) {
        args.insert(args.begin(), {"quillane", "--store", folder_.File("calendar.db")});
        std::vector<const char*> argv;
        for (const std::string& a : args) {
            argv.push_back(a.c_str());
        }
        std::ostringstream out, err;
        std::streambuf* saved = std::cerr.rdbuf(err.rdbuf());
        int status = RunCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
        std::cerr.rdbuf(saved);
        return {status, out.str(), err.str()};
    }
    std::string Agenda() {
        return Quillane({"store", "list", "--from", "2007-03-01", "--to", "2007-04-01"}).out;
    }

    TempFolder folder_;
    ScopedEnv tz_{"TZ", "EST5EDT,M3.2.0,M11.1.0"};
    ScopedEnv state_{"XDG_STATE_HOME", folder_.Path().c_str()};
    ScopedEnv config_{"XDG_CONFIG_HOME", folder_.Path().c_str()};
};

TEST_F(ImportCommandTest, ImportsAndReimportsWithEachResolution) {
    std::string file = folder_.Write("two.ics", kTwoEvents);
    CliRun first = Quillane({"import", file});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.Summary(), "files=1 events=2 imported=2 failed=0 skipped=0");
    const std::string agenda = "2007-03-05T10:00:00\t2007-03-05T11:00:00\tReview\n"
                               "2007-03-06T09:00:00\t2007-03-06T09:30:00\tStandup\n";
    EXPECT_EQ(Agenda(), agenda);
    CliRun leave = Quillane({"import", file, "--conflict", "leave"});
    EXPECT_EQ(leave.Summary(), "files=1 events=2 imported=0 failed=0 skipped=2");
    CliRun replace = Quillane({"import", file, "--conflict", "replace"});
    EXPECT_EQ(replace.Summary(), "files=1 events=2 imported=2 failed=0 skipped=0");
    EXPECT_EQ(Agenda(), agenda);
}

TEST_F(ImportCommandTest, FiltersAndZonesComeFromFlags) {
    std::string file = folder_.Write("two.ics", kTwoEvents);
    CliRun run = Quillane({"import", file, "--timezone", "Europe/Berlin", "--before", "2007-03-06",
                           "--only-labels", "2"});
    EXPECT_EQ(run.status, 0) << run.err;
    // "Standup" starts after the bound; "Review" does not name label 2
    // (Business) and is skipped too.
    EXPECT_EQ(run.Summary(), "files=1 events=2 imported=0 failed=0 skipped=2");
    run = Quillane({"import", file, "--timezone", "Europe/Berlin", "--before", "2007-03-06"});
    EXPECT_EQ(run.Summary(), "files=1 events=2 imported=1 failed=0 skipped=1");
    // Floating 10:00 in Berlin is 04:00 in New York.
    EXPECT_EQ(Agenda(), "2007-03-05T04:00:00\t2007-03-05T05:00:00\tReview\n");
}

TEST_F(ImportCommandTest, FailedEventsExitWithOne) {
    std::string file = folder_.Write(
        "bad.vcs", "BEGIN:VCALENDAR\r\nVERSION:1.0\r\nBEGIN:VEVENT\r\nSUMMARY:No times\r\n"
                   "END:VEVENT\r\nEND:VCALENDAR\r\n");
    CliRun run = Quillane({"import", file});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.Summary(), "files=1 events=1 imported=0 failed=1 skipped=0");
}

TEST_F(ImportCommandTest, UsageErrorsAndMissingFilesExitWithTwo) {
    std::string file = folder_.Write("two.ics", kTwoEvents);
    EXPECT_EQ(Quillane({"import"}).status, 2);
    EXPECT_EQ(Quillane({"import", file, "--conflict", "merge"}).status, 2);
    CliRun zone = Quillane({"import", file, "--timezone", "Mars/Olympus"});
    EXPECT_EQ(zone.status, 2);
    EXPECT_NE(zone.err.find("unknown time zone 'Mars/Olympus'"), std::string::npos);
    EXPECT_EQ(Quillane({"import", file, "--only-labels", "11"}).status, 2);
    EXPECT_EQ(Quillane({"import", file, "--folder", "\\\\Personal Folders\\Nowhere"}).status, 2);
    TempFolder empty;
    CliRun none = Quillane({"import", empty.Path()});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("No calendar files (*.vcs, *.ics) were found at the given paths."),
              std::string::npos)
        << none.err;
}

} // namespace
