// The log of a store written through a checkpointer: copied into the file
// behind the writer's commits, bounded however many commits follow each
// other, and nothing lost when the store is closed while a copy runs.

#include "platform/outlook/sqlite_database.h"
#include "platform/outlook/wal_checkpointer.h"
#include "tests/testkit/temp_folder.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <thread>

namespace {

// A frame of the log: its header and one 4 KiB page.
constexpr std::int64_t kFrameBytes = 24 + 4096;

std::int64_t FileSize(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_size) : -1;
}

class WalCheckpointerTest : public ::testing::Test {
protected:
    std::string Path() const { return folder_.File("log.db"); }
    std::string LogPath() const { return Path() + "-wal"; }

    std::unique_ptr<SqliteDatabase> OpenWriter() {
        auto db = std::make_unique<SqliteDatabase>(Path(), true);
        db->Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; "
                 "CREATE TABLE IF NOT EXISTS pages(id INTEGER PRIMARY KEY, data BLOB)");
        return db;
    }

    // One transaction of rows that take a page each.
    static void Commit(SqliteDatabase& db, int rows) {
        SqliteTransaction transaction(db);
        SqliteStatement insert(db.Handle(), "INSERT INTO pages(data) VALUES(randomblob(4000))");
        for (int i = 0; i < rows; ++i) {
            insert.Run();
        }
        transaction.Commit();
    }

    std::int64_t Rows() {
        SqliteDatabase reader(Path(), false);
        SqliteStatement count(reader.Handle(), "SELECT count(*) FROM pages");
        return count.Step() ? count.Int(0) : -1;
    }

    TempFolder folder_;
};

TEST_F(WalCheckpointerTest, ManyCommitsKeepTheLogWithinItsLimitAndTheFileWhole) {
    constexpr WalLimits kLimits{20, 100};
    constexpr int kCommits = 60, kRows = 10;
    // A thread that cannot open the file leaves the copies to the writer.
    for (bool threadOpens : {true, false}) {
        SCOPED_TRACE(threadOpens ? "copied by the thread" : "copied by the writer");
        std::unique_ptr<SqliteDatabase> writer = OpenWriter();
        auto checkpointer = std::make_unique<WalCheckpointer>(
            *writer, threadOpens ? Path() : folder_.File("missing/log.db"), kLimits);
        std::int64_t largest = 0;
        for (int i = 0; i < kCommits; ++i) {
            Commit(*writer, kRows);
            largest = std::max(largest, FileSize(LogPath()));
        }
        // Unbounded, the log would hold every commit: about 600 frames.
        EXPECT_LE(largest, (kLimits.waitFrames + 3 * (kRows + 2)) * kFrameBytes + 32);
        checkpointer.reset();
        writer.reset();
        EXPECT_EQ(FileSize(LogPath()), -1) << "the last connection leaves no log behind";
    }
    EXPECT_EQ(Rows(), 2 * kCommits * kRows);
}

TEST_F(WalCheckpointerTest, ACommitPastTheStartIsCopiedWhileTheWriterGoesOn) {
    std::unique_ptr<SqliteDatabase> writer = OpenWriter();
    WalCheckpointer checkpointer(*writer, Path(), WalLimits{50, 100000});
    const std::int64_t before = FileSize(Path());
    Commit(*writer, 49);
    Commit(*writer, 60);
    // Nothing more is asked of the writer: the thread copies the commits
    // into the file on its own.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (FileSize(Path()) < before + 100 * 4096 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GE(FileSize(Path()), before + 100 * 4096);
}

TEST_F(WalCheckpointerTest, ClosingWhileACopyRunsKeepsEveryCommit) {
    int committed = 0;
    for (int rows : {300, 1000, 3000}) {
        std::unique_ptr<SqliteDatabase> writer = OpenWriter();
        auto checkpointer =
            std::make_unique<WalCheckpointer>(*writer, Path(), WalLimits{1, 1 << 30});
        Commit(*writer, rows);
        Commit(*writer, 1);
        committed += rows + 1;
        checkpointer.reset();
        writer.reset();
        EXPECT_EQ(FileSize(LogPath()), -1) << rows;
        EXPECT_EQ(Rows(), committed) << rows;
    }
}

TEST_F(WalCheckpointerTest, TwoWritersOnOneFileEachWithACheckpointerLoseNothing) {
    std::unique_ptr<SqliteDatabase> first = OpenWriter();
    std::unique_ptr<SqliteDatabase> second = OpenWriter();
    auto firstCopies = std::make_unique<WalCheckpointer>(*first, Path(), WalLimits{5, 60});
    auto secondCopies = std::make_unique<WalCheckpointer>(*second, Path(), WalLimits{5, 60});
    std::int64_t largest = 0;
    for (int i = 0; i < 40; ++i) {
        Commit(i % 2 ? *second : *first, 8);
        largest = std::max(largest, FileSize(LogPath()));
    }
    EXPECT_LE(largest, (60 + 3 * 10) * kFrameBytes + 32);
    EXPECT_EQ(Rows(), 40 * 8);
    firstCopies.reset();
    first.reset();
    secondCopies.reset();
    second.reset();
    EXPECT_EQ(FileSize(LogPath()), -1);
    EXPECT_EQ(Rows(), 40 * 8);
}

} // namespace
