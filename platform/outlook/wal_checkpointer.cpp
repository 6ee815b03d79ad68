#include "platform/outlook/wal_checkpointer.h"

#include "platform/com/com_error.h"

#include <algorithm>
#include <memory>
#include <sqlite3.h>
#include <system_error>

namespace {

// Copies what no reader still needs, without waiting for anyone: a copy
// another connection is making meanwhile makes this one give way.
void CopyLog(sqlite3* db) {
    sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
}

// The thread's connection, or none when the file cannot be opened again.
std::unique_ptr<SqliteDatabase> OpenCopier(const std::string& path) {
    try {
        auto db = std::make_unique<SqliteDatabase>(path, false);
        // Copying needs none of the small allocations a connection keeps
        // ready for parsing and running statements.
        sqlite3_db_config(db->Handle(), SQLITE_DBCONFIG_LOOKASIDE, nullptr, 0, 0);
        // A connection learns that the file has a log by reading it; before
        // that it would find nothing to copy.
        db->Exec("PRAGMA application_id");
        return db;
    } catch (const _com_error&) {
        return nullptr;
    }
}

} // namespace

WalLimits WalLimitsForPages(std::int64_t pageBytes) {
    constexpr std::int64_t kStartBytes = 1000 * 4096;
    constexpr std::int64_t kWaitBytes = 10 * kStartBytes;
    const std::int64_t bytes = std::max<std::int64_t>(pageBytes, 512);
    return {static_cast<int>(kStartBytes / bytes), static_cast<int>(kWaitBytes / bytes)};
}

WalCheckpointer::WalCheckpointer(SqliteDatabase& writer, std::string path, WalLimits limits)
    : writer_(writer), path_(std::move(path)), limits_(limits) {
    sqlite3_wal_hook(writer_.Handle(), &WalCheckpointer::OnCommit, this);
}

WalCheckpointer::~WalCheckpointer() {
    sqlite3_wal_hook(writer_.Handle(), nullptr, nullptr);
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
}

int WalCheckpointer::OnCommit(void* self, sqlite3*, const char*, int frames) {
    static_cast<WalCheckpointer*>(self)->Committed(frames);
    return SQLITE_OK;
}

void WalCheckpointer::Committed(int frames) noexcept {
    if (frames < limits_.startFrames) {
        return;
    }
    std::unique_lock lock(mutex_);
    if (!unavailable_ && !thread_.joinable() && !StartThread()) {
        unavailable_ = true;
    }
    const std::uint64_t request = ++requested_;
    changed_.notify_all();
    if (frames < limits_.waitFrames) {
        return;
    }
    changed_.wait(lock, [&] { return finished_ >= request || unavailable_; });
    if (unavailable_) {
        lock.unlock();
        CopyLog(writer_.Handle());
    }
}

bool WalCheckpointer::StartThread() {
    try {
        thread_ = std::thread(&WalCheckpointer::Run, this);
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

void WalCheckpointer::Run() {
    std::unique_ptr<SqliteDatabase> db = OpenCopier(path_);
    std::unique_lock lock(mutex_);
    if (!db) {
        unavailable_ = true;
        changed_.notify_all();
        return;
    }
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || requested_ > finished_; });
        if (stopping_) {
            break;
        }
        const std::uint64_t request = requested_;
        lock.unlock();
        CopyLog(db->Handle());
        lock.lock();
        finished_ = request;
        changed_.notify_all();
    }
    lock.unlock();
    db.reset();
}
