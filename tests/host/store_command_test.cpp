#include "host/command_line.h"
#include "platform/win32/registry.h"
#include "tests/testkit/scoped_env.h"
#include "tests/testkit/temp_folder.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <signal.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using nlohmann::json;

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

class StoreCommandTest : public ::testing::Test {
protected:
    StoreCommandTest() { RegistryReset(); }

    CliRun Quillane(std::vector<std::string> args) {
        args.insert(args.begin(), {"quillane", "--store", store_});
        std::vector<const char*> argv;
        for (const std::string& a : args) {
            argv.push_back(a.c_str());
        }
        std::ostringstream out, err;
        const int status = RunCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
        return {status, out.str(), err.str()};
    }

    json Dump(const std::string& folder = "") {
        CliRun run = folder.empty() ? Quillane({"store", "dump"})
                                    : Quillane({"store", "dump", "--folder", folder});
        EXPECT_EQ(run.status, kExitOk) << run.err;
        return json::parse(run.out);
    }

    static std::string Fixture(const std::string& name) {
        return std::string(QUILLANE_TEST_DATA) + "/host/store/" + name;
    }

    TempFolder folder_;
    ScopedEnv tz_{"TZ", "EST5EDT,M3.2.0,M11.1.0"};
    ScopedEnv state_{"XDG_STATE_HOME", folder_.Path().c_str()};
    ScopedEnv config_{"XDG_CONFIG_HOME", folder_.Path().c_str()};
    std::string store_ = folder_.File("data/calendar.db");
};

// Every key of given is in dumped with the same value (objects compared key
// by key, lists element by element).
void ExpectGivenBack(const json& given, const json& dumped, const std::string& path) {
    if (given.is_object()) {
        ASSERT_TRUE(dumped.is_object()) << path;
        for (const auto& [key, value] : given.items()) {
            ASSERT_TRUE(dumped.contains(key)) << path << "." << key;
            ExpectGivenBack(value, dumped[key], path + "." + key);
        }
    } else if (given.is_array()) {
        ASSERT_TRUE(dumped.is_array()) << path;
        ASSERT_EQ(given.size(), dumped.size()) << path;
        for (size_t i = 0; i < given.size(); ++i) {
            ExpectGivenBack(given[i], dumped[i], path + "[" + std::to_string(i) + "]");
        }
    } else {
        EXPECT_EQ(given, dumped) << path;
    }
}

TEST_F(StoreCommandTest, InitCreatesTheStoreWithItsFolders) {
    CliRun init = Quillane({"store", "init"});
    EXPECT_EQ(init.status, kExitOk) << init.err;
    EXPECT_EQ(init.out, "calendar store ready: " + store_ + " (Personal Folders)\n");
    CliRun folders = Quillane({"store", "folders"});
    EXPECT_EQ(folders.out, "\\\\Personal Folders\tmail\n"
                           "\\\\Personal Folders\\Calendar\tappointments\n"
                           "\\\\Personal Folders\\Inbox\tmail\n");
}

TEST_F(StoreCommandTest, LoadThenDumpGivesBackEveryKey) {
    CliRun load = Quillane({"store", "load", Fixture("full.json")});
    ASSERT_EQ(load.status, kExitOk) << load.err;
    EXPECT_EQ(load.out, "loaded=2\n");
    std::ifstream in(Fixture("full.json"));
    const json given = json::parse(in);
    const json work = Dump("\\\\Personal Folders\\Calendar\\Work");
    ASSERT_EQ(work.size(), 1u);
    ExpectGivenBack(given[0], work[0], "work");
    const json calendar = Dump();
    ASSERT_EQ(calendar.size(), 1u);
    ExpectGivenBack(given[1], calendar[0], "calendar");
    EXPECT_TRUE(calendar[0]["recurrence"].is_null());
    EXPECT_EQ(calendar[0]["entry_id"].get<std::string>().size(), 34u);
}

TEST_F(StoreCommandTest, DumpedStoreLoadsIntoAnotherStoreUnchanged) {
    ASSERT_EQ(Quillane({"store", "load", Fixture("full.json")}).status, kExitOk);
    json first = Dump("\\\\Personal Folders\\Calendar\\Work");
    const std::string file = folder_.Write("dump.json", first.dump());
    store_ = folder_.File("second.db");
    ASSERT_EQ(Quillane({"store", "load", file}).status, kExitOk);
    json second = Dump("\\\\Personal Folders\\Calendar\\Work");
    first[0].erase("entry_id");
    second[0].erase("entry_id");
    EXPECT_EQ(first, second);
}

TEST_F(StoreCommandTest, BadJsonNamesLineAndColumnAndLoadsNothing) {
    const std::string file = folder_.Write(
        "bad.json", "[\n  {\"subject\": \"one\", \"start\": \"2007-03-05T09:00:00\"},\n"
                    "  {\"subject\": \"two\",, }\n]");
    CliRun load = Quillane({"store", "load", file});
    EXPECT_EQ(load.status, kExitUsage);
    EXPECT_NE(load.err.find("bad.json:3:21: "), std::string::npos) << load.err;
    EXPECT_NE(load.err.find("nothing was loaded"), std::string::npos);
    EXPECT_EQ(Dump(), json::array());
}

TEST_F(StoreCommandTest, AValueOfTheWrongKindLoadsNothing) {
    const std::string file =
        folder_.Write("kinds.json", R"([{"subject": "fine", "start": "2007-03-05T09:00:00"},
                          {"subject": "bad", "recurrence": {"occurrences": "six"}}])");
    CliRun load = Quillane({"store", "load", file});
    EXPECT_EQ(load.status, kExitUsage);
    EXPECT_NE(load.err.find("appointment 2: \"recurrence.occurrences\": expected a whole number"),
              std::string::npos)
        << load.err;
    EXPECT_EQ(Dump(), json::array());
}

TEST_F(StoreCommandTest, AValueTheStoreRefusesLoadsNothing) {
    const std::string file =
        folder_.Write("refused.json", R"([{"subject": "fine", "start": "2007-03-05T09:00:00"},
                            {"subject": "bad", "sensitivity": 9}])");
    CliRun load = Quillane({"store", "load", file});
    EXPECT_EQ(load.status, kExitItemsFailed);
    EXPECT_NE(load.err.find("appointment 2: Sensitivity is out of range"), std::string::npos)
        << load.err;
    EXPECT_EQ(Dump(), json::array());
}

TEST_F(StoreCommandTest, ListShowsOccurrencesInStartOrder) {
    ASSERT_EQ(Quillane({"store", "load", Fixture("full.json")}).status, kExitOk);
    CliRun list = Quillane({"store", "list", "--folder", "\\\\Personal Folders\\Calendar\\Work",
                            "--from", "2007-03-01", "--to", "2007-06-04"});
    EXPECT_EQ(list.status, kExitOk) << list.err;
    EXPECT_EQ(list.out, "2007-03-05T09:00:00\t2007-03-05T10:30:00\tQuarterly review\n"
                        "2007-05-08T10:00:00\t2007-05-08T11:30:00\tReview moved\n"
                        "2007-06-04T09:00:00\t2007-06-04T10:30:00\tQuarterly review\n");
    CliRun late =
        Quillane({"store", "list", "--from", "2007-07-04T00:00:01", "--to", "2008-01-01"});
    EXPECT_EQ(late.out, "");
    EXPECT_EQ(Quillane({"store", "list", "--from", "July"}).status, kExitUsage);
}

TEST_F(StoreCommandTest, AFileThatIsNotAStoreIsRefused) {
    store_ = folder_.Write("notes.txt", std::string(2048, 'n'));
    CliRun run = Quillane({"store", "folders"});
    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_NE(run.err.find("is not a calendar store"), std::string::npos) << run.err;
}

off_t FileSize(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? info.st_size : 0;
}

TEST_F(StoreCommandTest, AProcessKilledDuringLoadLeavesAReadableStoreOfWholeAppointments) {
    json many = json::array();
    for (int i = 0; i < 10000; ++i) {
        many.push_back({{"subject", "Item " + std::to_string(i)},
                        {"start", "2008-01-01T09:00:00"},
                        {"body", std::string(1000, 'b')},
                        {"recipients", {{{"name", "A"}, {"address", "a@example.com"}}}},
                        {"recurrence", {{"recurrence_type", 0}, {"occurrences", 3}}}});
    }
    const std::string file = folder_.Write("many.json", many.dump());
    ASSERT_EQ(Quillane({"store", "init"}).status, kExitOk);
    const pid_t child = fork();
    if (child == 0) {
        Quillane({"store", "load", file});
        _exit(0);
    }
    // Kill the load once it has begun writing to the journal.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (FileSize(store_ + "-wal") < 64 * 1024 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the load ended before it could be killed";

    const json left = Dump();
    EXPECT_TRUE(left.size() == 0 || left.size() == 10000) << left.size();
    for (const json& item : left) {
        EXPECT_EQ(item["recipients"].size(), 1u);
        EXPECT_EQ(item["recurrence"]["occurrences"], 3);
    }
    EXPECT_EQ(Quillane({"store", "load", Fixture("full.json")}).status, kExitOk);
}

TEST_F(StoreCommandTest, LoadMakesTheFolderItIsToldToUse) {
    const std::string file =
        folder_.Write("one.json", R"([{"subject": "Trip", "start": "2007-06-01T08:00:00"}])");
    CliRun load = Quillane({"store", "load", file, "--folder", R"(\\Personal Folders\Travel)"});
    ASSERT_EQ(load.status, kExitOk) << load.err;
    EXPECT_NE(
        Quillane({"store", "folders"}).out.find("\\\\Personal Folders\\Travel\tappointments\n"),
        std::string::npos);
    EXPECT_EQ(Dump(R"(\\Personal Folders\Travel)")[0]["subject"], "Trip");
    EXPECT_EQ(Dump(), json::array());

    CliRun missing = Quillane({"store", "dump", "--folder", R"(\\Personal Folders\Nowhere)"});
    EXPECT_EQ(missing.status, kExitUsage);
    EXPECT_NE(missing.err.find("does not exist"), std::string::npos) << missing.err;
    CliRun malformed = Quillane({"store", "dump", "--folder", "Calendar"});
    EXPECT_EQ(malformed.status, kExitUsage);
    EXPECT_NE(malformed.err.find(R"(expected \\Store\Folder)"), std::string::npos) << malformed.err;
}

} // namespace
