#pragma once
// A thin owner of a SQLite connection and its prepared statements. Every
// failure raises _com_error with SQLite's message, so callers of the store
// see one kind of error.

#include "platform/com/hresult.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// The HRESULT a store failure is reported with: MAPI_E_CALL_FAILED, or
// E_ACCESSDENIED while another process holds the store beyond the busy wait.
HRESULT StoreErrorCode(int sqliteCode);

class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Binding is 1-based, as in SQLite.
    SqliteStatement& Bind(int index, std::int64_t value);
    SqliteStatement& Bind(int index, double value);
    SqliteStatement& Bind(int index, const std::u16string& value);
    SqliteStatement& Bind(int index, const std::string& value);
    SqliteStatement& Bind(int index, const std::vector<std::uint8_t>& value);
    // Binds the bytes that fill writes into a buffer of the parameter's
    // own (replacing what it held), which SQLite uses without a copy until
    // the binding changes.
    SqliteStatement& BindBytes(int index,
                               const std::function<void(std::vector<std::uint8_t>&)>& fill);
    SqliteStatement& BindNull(int index);

    // True while a row is available.
    bool Step();
    // Runs a statement that returns no rows.
    void Run();
    void Reset();

    bool IsNull(int column) const;
    std::int64_t Int(int column) const;
    double Real(int column) const;
    std::u16string Text16(int column) const;
    std::string Text(int column) const;
    std::vector<std::uint8_t> Blob(int column) const;
    // The bytes of a blob column, valid until the statement steps or resets.
    std::span<const std::uint8_t> BlobView(int column) const;
    std::optional<std::int64_t> OptionalInt(int column) const;

private:
    [[noreturn]] void Throw(int code) const;

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
    // The UTF-8 text bound to each parameter, by index (0 unused).
    std::vector<std::string> texts_;
    // The bytes bound by BindBytes, by index; sized on first use.
    std::vector<std::vector<std::uint8_t>> bytes_;
};

class SqliteDatabase {
public:
    // Opens (create: or creates) the file; raises _com_error when it cannot.
    SqliteDatabase(const std::string& path, bool create);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    void Exec(std::string_view sql);
    // A statement prepared once per connection and reset for each use.
    SqliteStatement& Cached(std::string_view sql);
    std::int64_t LastInsertRowId() const;
    // The most the connection keeps of the store's pages (PRAGMA
    // cache_size: pages, or kibibytes when negative); a smaller limit
    // gives back what is above it.
    std::int64_t CacheSize();
    void SetCacheSize(std::int64_t size) noexcept;
    // Holds the limit at 256 KiB for reads that go once through much of the
    // store; holds nest, and the last release sets the limit back. A walk
    // holding it over all its windows reuses the same few pages instead of
    // compiling two statements and allocating its pages anew per window.
    void HoldSmallCache();
    void ReleaseSmallCache() noexcept;
    sqlite3* Handle() const { return db_; }
    // How many transactions were rolled back: writes that are gone again.
    std::uint64_t Rollbacks() const { return rollbacks_; }
    // While a transaction is open (it holds the write lock): a number that
    // differs from that of every other transaction of the connection.
    std::optional<std::uint64_t> OpenTransaction() const;
    // Rolls back the open transaction with all its savepoints; the
    // SqliteTransaction objects still open then fail to commit.
    void RollBack() noexcept;

private:
    friend class SqliteTransaction;

    sqlite3* db_ = nullptr;
    std::uint64_t rollbacks_ = 0;
    std::uint64_t transactions_ = 0;
    // The limit as last set or read; asking SQLite prepares the query anew
    // each time, since a change of the limit expires it. Forgotten by Exec.
    std::optional<std::int64_t> cacheSize_;
    int smallCacheHolds_ = 0;
    std::int64_t heldCacheSize_ = 0;
    // Looked up by the text without copying it into a key first.
    struct TextHash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>()(text);
        }
    };
    std::unordered_map<std::string, std::unique_ptr<SqliteStatement>, TextHash, std::equal_to<>>
        cache_;
    // Statements of cache_ by the address of the text they were asked for
    // with last; the text in cache_ tells whether the address still holds it.
    struct RecentStatement {
        const char* address = nullptr;
        const std::string* text = nullptr;
        SqliteStatement* statement = nullptr;
    };
    std::array<RecentStatement, 32> recent_{};
};

// BEGIN IMMEDIATE ... COMMIT, rolled back when left without Commit; inside
// another transaction a savepoint, so that an outer transaction can bind
// several saves into one.
class SqliteTransaction {
public:
    explicit SqliteTransaction(SqliteDatabase& db);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;
    void Commit();

private:
    SqliteDatabase& db_;
    bool nested_;
    bool open_ = true;
};
