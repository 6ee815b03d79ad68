#pragma once
// Copies a store's write-ahead log into its database file on a thread of its
// own, so that a writer does not wait for the copy and for its flushes to
// disk after its commits.
//
// The checkpointer takes over from SQLite's automatic checkpoint of the
// writer connection: a commit that leaves the log at startFrames or more
// hands a copy to the thread and goes on at once. The log can only start
// afresh at its beginning when a transaction begins with all of it copied,
// which a writer committing again and again never finds while the thread
// copies behind it: so a commit that leaves waitFrames or more waits until
// the thread has copied all of it. The log then holds at most about
// waitFrames frames plus one transaction's.
//
// Who owns what: the writer connection and every call of this object belong
// to the writer's thread; the thread owns a connection of its own to the
// same file, opened and closed there. They share only the counters below,
// under the mutex. The thread starts at the first commit that needs it.

#include "platform/outlook/sqlite_database.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

struct WalLimits {
    int startFrames = 1000;
    int waitFrames = 10000;
};

// The limits for a store's page size: the copy starts at about 4 MB of log
// and the writer waits at about 40 MB, whatever the frames' size.
WalLimits WalLimitsForPages(std::int64_t pageBytes);

class WalCheckpointer {
public:
    // Installs itself as the writer's commit hook; the writer stays open
    // for the checkpointer's lifetime.
    WalCheckpointer(SqliteDatabase& writer, std::string path, WalLimits limits = {});
    // Lets a running copy finish, stops the thread and closes its
    // connection; the writer, closed after it, copies what is left (as the
    // last connection it copies all and removes the log).
    ~WalCheckpointer();
    WalCheckpointer(const WalCheckpointer&) = delete;
    WalCheckpointer& operator=(const WalCheckpointer&) = delete;

private:
    static int OnCommit(void* self, sqlite3* db, const char* name, int frames);
    // Called by SQLite, which no exception may pass through.
    void Committed(int frames) noexcept;
    // Starts the thread; false when it cannot be had.
    bool StartThread();
    void Run();

    SqliteDatabase& writer_;
    const std::string path_;
    const WalLimits limits_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    // Under mutex_: the last request, the last request whose copy is done,
    // whether the thread is told to end, and whether it could not open its
    // connection (the writer then copies the log itself).
    std::uint64_t requested_ = 0;
    std::uint64_t finished_ = 0;
    bool stopping_ = false;
    bool unavailable_ = false;
};
