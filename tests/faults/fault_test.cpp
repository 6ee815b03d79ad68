// Faults met by the quillane binary, run as a child process: killed at
// random points of a load or an import, writing into a folder with a file
// size limit, and a store another process keeps locked.

#include "engine/common/outlook_items.h"
#include "platform/outlook/outlook_store.h"
#include "tests/faults/quillane_process.h"
#include "tests/testkit/scoped_env.h"
#include "tests/testkit/temp_folder.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using nlohmann::json;

namespace {

class FaultTest : public ::testing::Test {
protected:
    std::string Store() const { return folder_.File("calendar.db"); }

    ProcessRun Quillane(std::vector<std::string> args, int killAfterMs = -1,
                        const std::function<void()>& setup = {}) {
        args.insert(args.begin(), {"--store", Store()});
        return RunQuillane(args, killAfterMs, setup);
    }

    json Dump() {
        const ProcessRun run = Quillane({"store", "dump"});
        EXPECT_TRUE(run.exited && run.status == 0) << run.err;
        return json::parse(run.out);
    }

    // The summary: the last line of the output.
    static std::string Summary(const ProcessRun& run) {
        std::string text = run.out.substr(0, run.out.find_last_not_of('\n') + 1);
        return text.substr(text.find_last_of('\n') + 1);
    }

    TempFolder folder_;
    ScopedEnv tz_{"TZ", "EST5EDT,M3.2.0,M11.1.0"};
    ScopedEnv state_{"XDG_STATE_HOME", folder_.Path().c_str()};
    ScopedEnv config_{"XDG_CONFIG_HOME", folder_.Path().c_str()};
    // Kills come after a random delay whose upper bound halves each round,
    // so that a machine fast enough to finish a run early still sees one
    // killed within kMaxRounds.
    static constexpr int kMaxRounds = 8;
    int KillDelay(int round) {
        return std::uniform_int_distribution<int>(5, std::max(10, 320 >> round))(random_);
    }

    std::mt19937 random_{20261205};
};

std::string Calendar(int events) {
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Quillane//Faults//EN\r\n";
    for (int i = 0; i < events; ++i) {
        char start[32];
        std::snprintf(start, sizeof start, "2027%02d%02dT%02d0000Z", 1 + i % 12, 1 + i % 28,
                      8 + i % 9);
        text += "BEGIN:VEVENT\r\nUID:" + std::to_string(i) + "@faults.example\r\nDTSTART:" + start +
                "\r\nDURATION:PT1H\r\nSUMMARY:Event " + std::to_string(i) +
                "\r\nDESCRIPTION:" + std::string(300, 'd') + "\r\nEND:VEVENT\r\n";
    }
    return text + "END:VCALENDAR\r\n";
}

// Subjects "Event N" of the dump, each once; fails on any other subject or
// a repeated one.
std::set<std::string> Events(const json& dump) {
    std::set<std::string> subjects;
    for (const json& item : dump) {
        const std::string subject = item["subject"].get<std::string>();
        EXPECT_EQ(subject.rfind("Event ", 0), 0u) << subject;
        EXPECT_TRUE(subjects.insert(subject).second) << "twice: " << subject;
    }
    return subjects;
}

TEST_F(FaultTest, ImportsKilledAtRandomPointsLeaveAStoreThatLeaveCompletes) {
    constexpr int kEvents = 2000;
    const std::string file = folder_.Write("events.ics", Calendar(kEvents));
    ASSERT_EQ(Quillane({"store", "init"}).status, 0);
    int killed = 0;
    for (int round = 0; round < 3 || (killed == 0 && round < kMaxRounds); ++round) {
        const ProcessRun run = Quillane({"import", file, "--conflict", "leave"}, KillDelay(round));
        killed += run.exited ? 0 : 1;
        EXPECT_LE(Events(Dump()).size(), static_cast<size_t>(kEvents)) << "round " << round;
    }
    EXPECT_GT(killed, 0) << "every import ended before it was killed";

    const ProcessRun rerun = Quillane({"import", file, "--conflict", "leave"});
    EXPECT_TRUE(rerun.exited && rerun.status == 0) << rerun.err;
    EXPECT_EQ(Events(Dump()).size(), static_cast<size_t>(kEvents));
}

TEST_F(FaultTest, LoadsKilledAtRandomPointsLeaveOnlyWholeLoads) {
    constexpr size_t kItems = 2000;
    json items = json::array();
    for (size_t i = 0; i < kItems; ++i) {
        items.push_back({{"subject", "Event " + std::to_string(i)},
                         {"start", "2027-01-01T09:00:00"},
                         {"body", std::string(500, 'b')},
                         {"recipients", {{{"name", "A"}, {"address", "a@example.com"}}}}});
    }
    const std::string file = folder_.Write("items.json", items.dump());
    ASSERT_EQ(Quillane({"store", "init"}).status, 0);
    size_t before = 0;
    int killed = 0;
    for (int round = 0; round < 3 || (killed == 0 && round < kMaxRounds); ++round) {
        const ProcessRun run = Quillane({"store", "load", file}, KillDelay(round));
        killed += run.exited ? 0 : 1;
        const json dump = Dump();
        // A load killed after its commit is whole too.
        EXPECT_TRUE(dump.size() == before || dump.size() == before + kItems)
            << "round " << round << " left " << dump.size() - before << " items of a load";
        before = dump.size();
        for (const json& item : dump) {
            EXPECT_EQ(item["recipients"].size(), 1u);
        }
    }
    EXPECT_GT(killed, 0) << "every load ended before it was killed";
}

// A limit on the size of each file written: exported files, or the store's
// files, that would exceed it fail to grow.
void LimitFileSize() {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{256 * 1024, 256 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
}

// True when the file ends with the calendar's end line.
bool IsWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), {}};
    text = text.substr(0, text.find_last_not_of("\r\n") + 1);
    return text.ends_with("\r\nEND:VCALENDAR");
}

TEST_F(FaultTest, AnExportIntoAFullFolderFailsTheItemsThatDoNotFit) {
    json items = json::array();
    for (int i = 0; i < 12; ++i) {
        items.push_back({{"subject", "Event " + std::to_string(i)},
                         {"start", "2027-01-0" + std::to_string(1 + i % 9) + "T09:00:00"},
                         {"body", std::string(i % 3 == 0 ? 400000 : 100, 'b')}});
    }
    ASSERT_EQ(Quillane({"store", "init"}).status, 0);
    ASSERT_EQ(Quillane({"store", "load", folder_.Write("items.json", items.dump())}).status, 0);

    const std::string out = folder_.File("out");
    std::filesystem::create_directories(out);
    const ProcessRun run = Quillane({"export", "--to", out, "--format", "ics"}, -1, LimitFileSize);
    EXPECT_TRUE(run.exited) << run.status;
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(Summary(run), "exported=8 failed=4 skipped=0 total=12") << run.out << run.err;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
        EXPECT_TRUE(IsWhole(entry.path())) << entry.path();
        ++files;
    }
    EXPECT_EQ(files, 8);
}

TEST_F(FaultTest, AOneFileExportThatDoesNotFitLeavesNoDamagedFile) {
    json items = json::array();
    for (int i = 0; i < 30; ++i) {
        items.push_back({{"subject", "Event " + std::to_string(i)},
                         {"start", "2027-01-01T09:00:00"},
                         {"body", std::string(20000, 'b')}});
    }
    ASSERT_EQ(Quillane({"store", "init"}).status, 0);
    ASSERT_EQ(Quillane({"store", "load", folder_.Write("items.json", items.dump())}).status, 0);

    const std::string out = folder_.File("out");
    std::filesystem::create_directories(out);
    const ProcessRun run =
        Quillane({"export", "--to", out, "--format", "ics", "--one-file"}, -1, LimitFileSize);
    EXPECT_TRUE(run.exited && run.status == 1) << run.status << run.err;
    // The file could not be completed, so none of its events was exported.
    EXPECT_EQ(Summary(run), "exported=0 failed=30 skipped=0 total=30") << run.out << run.err;
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
        EXPECT_TRUE(IsWhole(entry.path())) << entry.path();
    }
}

TEST_F(FaultTest, AnImportIntoAStoreThatCannotGrowCountsOnlyWhatTheStoreKept) {
    constexpr int kEvents = 2000;
    const std::string file = folder_.Write("events.ics", Calendar(kEvents));
    ASSERT_EQ(Quillane({"store", "init"}).status, 0);
    const ProcessRun run = Quillane({"import", file}, -1, LimitFileSize);
    EXPECT_TRUE(run.exited && run.status == 1) << run.status << run.err;
    const int kept = static_cast<int>(Events(Dump()).size());
    EXPECT_LT(kept, kEvents) << "the store never reached the size limit";
    EXPECT_EQ(Summary(run), "files=1 events=2000 imported=" + std::to_string(kept) +
                                " failed=" + std::to_string(kEvents - kept) + " skipped=0")
        << run.out << run.err;
}

TEST_F(FaultTest, AStoreLockedByAnotherProcessMakesTheCommandWaitThenFail) {
    ASSERT_EQ(Quillane({"store", "init"}).status, 0);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        CComPtr<_Application> app = OpenOutlookStore(Store(), false, u"14.0", {});
        StoreTransaction transaction(app);
        CComPtr<_AppointmentItem> item = QueryInterface<_AppointmentItem>(
            app->GetSession()->GetDefaultFolder(olFolderCalendar)->GetItems()->Add());
        item->PutSubject(u"held");
        item->Save();
        (void)!write(ready[1], "x", 1);
        pause();
        _exit(0);
    }
    char signal = 0;
    ASSERT_EQ(read(ready[0], &signal, 1), 1);
    ScopedEnv wait{"QUILLANE_STORE_WAIT_MS", "800"};
    const std::string file = folder_.Write("one.json", R"([{"subject": "Event 1"}])");
    const auto begin = std::chrono::steady_clock::now();
    const ProcessRun run = Quillane({"store", "load", file});
    const auto waited = std::chrono::steady_clock::now() - begin;
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    close(ready[0]);
    close(ready[1]);

    EXPECT_GE(waited, std::chrono::milliseconds(800));
    EXPECT_TRUE(run.exited && run.status != 0) << run.status;
    EXPECT_NE(run.err.find("locked"), std::string::npos) << run.err;
    EXPECT_EQ(Dump().size(), 0u);
}

} // namespace
