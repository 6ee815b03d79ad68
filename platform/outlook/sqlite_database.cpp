#include "platform/outlook/sqlite_database.h"

#include "platform/com/com_error.h"
#include "platform/win32/utf8_codec.h"

#include <algorithm>
#include <cstdlib>
#include <sqlite3.h>

namespace {

std::u16string Widen(const char* text) {
    std::u16string out;
    for (const char* p = text; p && *p; ++p) {
        out += static_cast<char16_t>(static_cast<unsigned char>(*p));
    }
    return out;
}

[[noreturn]] void ThrowSqlite(sqlite3* db, int code, const char* what) {
    std::u16string message = Widen(what);
    message += u": ";
    message += Widen(db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
    throw _com_error(StoreErrorCode(code), message);
}

// Milliseconds a statement waits for another process to finish writing;
// QUILLANE_STORE_WAIT_MS sets another wait (tests use a short one).
constexpr int kBusyTimeoutMs = 10000;

int BusyTimeoutMs() {
    const char* text = std::getenv("QUILLANE_STORE_WAIT_MS");
    char* end = nullptr;
    const long value = text ? std::strtol(text, &end, 10) : -1;
    return text && *end == '\0' && value >= 0 && value <= 600000 ? static_cast<int>(value)
                                                                 : kBusyTimeoutMs;
}

// SQLite's count of the memory it holds takes a global lock around every
// allocation; the store does not read it. The journal of a savepoint (each
// save within a batch has one) stays in memory instead of spilling to a
// temporary file once it has grown past 64 KiB: it holds the pages one save
// changes, and once spilled the file took a write for every page of every
// later save.
void ConfigureSqliteOnce() {
    static const bool configured = [] {
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        sqlite3_config(SQLITE_CONFIG_STMTJRNL_SPILL, -1);
        return true;
    }();
    (void)configured;
}

} // namespace

HRESULT StoreErrorCode(int sqliteCode) {
    const int primary = sqliteCode & 0xFF;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED ? E_ACCESSDENIED : MAPI_E_CALL_FAILED;
}

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql) : db_(db) {
    const int rc =
        sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        ThrowSqlite(db_, rc, "Cannot prepare a store query");
    }
    // Sized once: the buffers stay where they are while bound.
    texts_.resize(static_cast<size_t>(sqlite3_bind_parameter_count(stmt_)) + 1);
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(stmt_);
}

void SqliteStatement::Throw(int code) const {
    ThrowSqlite(db_, code, "Calendar store error");
}

SqliteStatement& SqliteStatement::Bind(int index, std::int64_t value) {
    if (int rc = sqlite3_bind_int64(stmt_, index, value); rc != SQLITE_OK) {
        Throw(rc);
    }
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, double value) {
    if (int rc = sqlite3_bind_double(stmt_, index, value); rc != SQLITE_OK) {
        Throw(rc);
    }
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, const std::u16string& value) {
    // The store's text is UTF-8: it is converted here into a buffer of the
    // parameter's own, which SQLite uses without a copy until the binding
    // changes. Text that is not well-formed UTF-16 is left to SQLite.
    if (index < 1 || index >= static_cast<int>(texts_.size())) {
        Throw(SQLITE_RANGE);
    }
    std::string& text = texts_[static_cast<size_t>(index)];
    const int rc = EncodeUtf8(value, true, text)
                       ? sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                                           SQLITE_STATIC)
                       : sqlite3_bind_text16(stmt_, index, value.data(),
                                             static_cast<int>(value.size() * 2), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) {
        Throw(rc);
    }
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, const std::string& value) {
    const int rc = sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()),
                                     SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) {
        Throw(rc);
    }
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, const std::vector<std::uint8_t>& value) {
    const int rc = sqlite3_bind_blob(stmt_, index, value.data(), static_cast<int>(value.size()),
                                     SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) {
        Throw(rc);
    }
    return *this;
}

SqliteStatement&
SqliteStatement::BindBytes(int index, const std::function<void(std::vector<std::uint8_t>&)>& fill) {
    if (index < 1 || index >= static_cast<int>(texts_.size())) {
        Throw(SQLITE_RANGE);
    }
    bytes_.resize(texts_.size());
    std::vector<std::uint8_t>& bytes = bytes_[static_cast<size_t>(index)];
    fill(bytes);
    // No bytes are an empty value, not null (which SQLite makes of a blob
    // without an address).
    const int rc = bytes.empty() ? sqlite3_bind_zeroblob(stmt_, index, 0)
                                 : sqlite3_bind_blob(stmt_, index, bytes.data(),
                                                     static_cast<int>(bytes.size()), SQLITE_STATIC);
    if (rc != SQLITE_OK) {
        Throw(rc);
    }
    return *this;
}

SqliteStatement& SqliteStatement::BindNull(int index) {
    if (int rc = sqlite3_bind_null(stmt_, index); rc != SQLITE_OK) {
        Throw(rc);
    }
    return *this;
}

bool SqliteStatement::Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    sqlite3_reset(stmt_);
    Throw(rc);
}

void SqliteStatement::Run() {
    while (Step()) {
    }
    // The bindings stay until the statement is bound or reset again.
    sqlite3_reset(stmt_);
}

void SqliteStatement::Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

bool SqliteStatement::IsNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::int64_t SqliteStatement::Int(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

double SqliteStatement::Real(int column) const {
    return sqlite3_column_double(stmt_, column);
}

std::u16string SqliteStatement::Text16(int column) const {
    // The store's text is UTF-8: widened here, without SQLite converting
    // (and allocating) a UTF-16 copy first; SQLite's conversion is left for
    // text that is not well-formed.
    const auto* narrow = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    const int length = sqlite3_column_bytes(stmt_, column);
    if (narrow == nullptr) {
        return std::u16string();
    }
    std::u16string wide;
    if (DecodeWellFormedUtf8(std::string_view(narrow, static_cast<size_t>(length)), wide)) {
        return wide;
    }
    const auto* text = static_cast<const char16_t*>(sqlite3_column_text16(stmt_, column));
    const int bytes = sqlite3_column_bytes16(stmt_, column);
    return text ? std::u16string(text, static_cast<size_t>(bytes) / 2) : std::u16string();
}

std::string SqliteStatement::Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    const int bytes = sqlite3_column_bytes(stmt_, column);
    return text ? std::string(text, static_cast<size_t>(bytes)) : std::string();
}

std::vector<std::uint8_t> SqliteStatement::Blob(int column) const {
    const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, column));
    const int bytes = sqlite3_column_bytes(stmt_, column);
    return data ? std::vector<std::uint8_t>(data, data + bytes) : std::vector<std::uint8_t>();
}

std::span<const std::uint8_t> SqliteStatement::BlobView(int column) const {
    const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, column));
    const int bytes = sqlite3_column_bytes(stmt_, column);
    return data ? std::span(data, static_cast<size_t>(bytes)) : std::span<const std::uint8_t>();
}

std::optional<std::int64_t> SqliteStatement::OptionalInt(int column) const {
    return IsNull(column) ? std::nullopt : std::optional<std::int64_t>(Int(column));
}

SqliteDatabase::SqliteDatabase(const std::string& path, bool create) {
    // A connection is used by one thread at a time, so SQLite's mutex around
    // every call is left out; locks on the file between processes stay.
    ConfigureSqliteOnce();
    const int flags =
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::u16string message = u"Cannot open the calendar store " + Widen(path.c_str()) + u": ";
        message += Widen(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
        sqlite3_close(db_);
        db_ = nullptr;
        throw _com_error(StoreErrorCode(rc), message);
    }
    sqlite3_busy_timeout(db_, BusyTimeoutMs());
    sqlite3_extended_result_codes(db_, 1);
}

SqliteDatabase::~SqliteDatabase() {
    cache_.clear();
    sqlite3_close(db_);
}

void SqliteDatabase::Exec(std::string_view sql) {
    cacheSize_.reset();
    char* error = nullptr;
    const int rc = sqlite3_exec(db_, std::string(sql).c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::u16string message = u"Calendar store error: " + Widen(error);
        sqlite3_free(error);
        throw _com_error(StoreErrorCode(rc), message);
    }
}

// Most statements are asked for with the same text at the same address
// again and again: a small table by address finds them without hashing the
// text, and the text is compared to be sure.
SqliteStatement& SqliteDatabase::Cached(std::string_view sql) {
    RecentStatement& recent =
        recent_[(reinterpret_cast<std::uintptr_t>(sql.data()) >> 4 ^ sql.size()) % recent_.size()];
    if (recent.address != sql.data() || *recent.text != sql) {
        auto found = cache_.find(sql);
        if (found == cache_.end()) {
            found =
                cache_.emplace(std::string(sql), std::make_unique<SqliteStatement>(db_, sql)).first;
        }
        recent = {sql.data(), &found->first, found->second.get()};
    }
    recent.statement->Reset();
    return *recent.statement;
}

std::int64_t SqliteDatabase::CacheSize() {
    if (!cacheSize_) {
        SqliteStatement& query = Cached("PRAGMA cache_size");
        cacheSize_ = query.Step() ? query.Int(0) : -2000;
        query.Reset();
    }
    return *cacheSize_;
}

void SqliteDatabase::SetCacheSize(std::int64_t size) noexcept {
    // Setting the limit cannot fail on an open connection.
    sqlite3_exec(db_, ("PRAGMA cache_size=" + std::to_string(size)).c_str(), nullptr, nullptr,
                 nullptr);
    cacheSize_ = size;
}

std::optional<std::uint64_t> SqliteDatabase::OpenTransaction() const {
    if (sqlite3_get_autocommit(db_) != 0) {
        return std::nullopt;
    }
    return transactions_;
}

void SqliteDatabase::RollBack() noexcept {
    if (sqlite3_get_autocommit(db_) == 0) {
        ++rollbacks_;
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void SqliteDatabase::HoldSmallCache() {
    if (smallCacheHolds_ == 0) {
        heldCacheSize_ = CacheSize();
        SetCacheSize(-256);
    }
    ++smallCacheHolds_;
}

void SqliteDatabase::ReleaseSmallCache() noexcept {
    if (--smallCacheHolds_ == 0) {
        SetCacheSize(heldCacheSize_);
    }
}

std::int64_t SqliteDatabase::LastInsertRowId() const {
    return sqlite3_last_insert_rowid(db_);
}

// Transactions are opened and closed once per save: their statements are
// prepared once.
SqliteTransaction::SqliteTransaction(SqliteDatabase& db)
    : db_(db), nested_(sqlite3_get_autocommit(db.Handle()) == 0) {
    db_.Cached(nested_ ? "SAVEPOINT save_item" : "BEGIN IMMEDIATE").Run();
    if (!nested_) {
        ++db_.transactions_;
    }
}

SqliteTransaction::~SqliteTransaction() {
    if (open_) {
        ++db_.rollbacks_;
        sqlite3_exec(db_.Handle(),
                     nested_ ? "ROLLBACK TO save_item; RELEASE save_item" : "ROLLBACK", nullptr,
                     nullptr, nullptr);
    }
}

void SqliteTransaction::Commit() {
    db_.Cached(nested_ ? "RELEASE save_item" : "COMMIT").Run();
    open_ = false;
}
