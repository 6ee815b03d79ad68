#include "host/command_line.h"

#include <gtest/gtest.h>
#include <sstream>
#include <vector>

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun Quillane(std::vector<const char*> args) {
    args.insert(args.begin(), "quillane");
    std::ostringstream out;
    std::ostringstream err;
    int status = RunCommandLine(static_cast<int>(args.size()), args.data(), out, err);
    return {status, out.str(), err.str()};
}

TEST(CommandLine, HelpListsEveryCommandAndGlobalOption) {
    CliRun run = Quillane({"--help"});
    EXPECT_EQ(run.status, kExitOk);
    for (const char* word : {"store", "export", "import", "inspect", "--store", "--config",
                             "--outlook-version", "--version"}) {
        EXPECT_NE(run.out.find(word), std::string::npos) << word;
    }
}

TEST(CommandLine, VersionPrintsTheProgramName) {
    CliRun run = Quillane({"--version"});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out.rfind("quillane ", 0), 0u);
}

TEST(CommandLine, UsageErrorsExitWithTwo) {
    EXPECT_EQ(Quillane({}).status, kExitUsage);
    EXPECT_EQ(Quillane({"frobnicate"}).status, kExitUsage);
    EXPECT_EQ(Quillane({"--outlook-version", "8", "store"}).status, kExitUsage);
}

} // namespace
