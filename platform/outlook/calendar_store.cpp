#include "platform/outlook/calendar_store.h"

#include "platform/com/com_error.h"
#include "platform/outlook/ascii_case.h"
#include "platform/outlook/prop_blob.h"
#include "platform/outlook/recipient_blob.h"
#include "platform/outlook/tied_properties.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <sqlite3.h>
#include <sys/stat.h>
#include <type_traits>
#include <utility>

namespace {

// "QULN": marks a SQLite file as a calendar store.
constexpr std::int64_t kApplicationId = 0x51554C4E;
// Version 1 kept the properties in a table of their own, a row each;
// version 2 had SQLite number the items (AUTOINCREMENT), indexed their ends
// and kept the recipients in a table of their own.
constexpr std::int64_t kSchemaVersion = 3;

constexpr const char* kSchema = R"sql(
CREATE TABLE folders(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    parent_id INTEGER REFERENCES folders(id),
    name TEXT NOT NULL COLLATE NOCASE,
    item_type INTEGER NOT NULL,
    role INTEGER NOT NULL DEFAULT 0,
    UNIQUE(parent_id, name));
CREATE TABLE exceptions(
    item_id INTEGER NOT NULL REFERENCES items(id) ON DELETE CASCADE,
    original_day INTEGER NOT NULL,
    deleted INTEGER NOT NULL,
    start_local INTEGER NOT NULL,
    end_local INTEGER NOT NULL,
    subject TEXT,
    location TEXT,
    body TEXT,
    PRIMARY KEY(item_id, original_day)) WITHOUT ROWID;
CREATE TABLE named_props(
    prop_id INTEGER PRIMARY KEY,
    set_guid TEXT NOT NULL COLLATE NOCASE,
    lid INTEGER NOT NULL,
    UNIQUE(set_guid, lid));
CREATE TABLE deleted_items(highest_id INTEGER NOT NULL);
INSERT INTO deleted_items VALUES(0);
)sql";

// The items table. Its ids are the store's entry ids and are never given
// again: a new item takes one above both the stored ones and the highest
// one deleted (deleted_items), which is what AUTOINCREMENT would keep, less
// its write per insert.
constexpr const char* kItemsTable = R"sql(
CREATE TABLE items(
    id INTEGER PRIMARY KEY,
    folder_id INTEGER NOT NULL REFERENCES folders(id),
    subject TEXT NOT NULL COLLATE NOCASE,
    location TEXT NOT NULL COLLATE NOCASE,
    body TEXT NOT NULL COLLATE NOCASE,
    categories TEXT NOT NULL COLLATE NOCASE,
    resources TEXT NOT NULL COLLATE NOCASE,
    start_utc INTEGER NOT NULL,
    end_utc INTEGER NOT NULL,
    all_day INTEGER NOT NULL,
    sensitivity INTEGER NOT NULL,
    importance INTEGER NOT NULL,
    busy_status INTEGER NOT NULL,
    reminder_set INTEGER NOT NULL,
    reminder_minutes INTEGER NOT NULL,
    meeting_status INTEGER NOT NULL,
    rec_type INTEGER,
    rec_interval INTEGER,
    rec_mask INTEGER,
    rec_day_of_month INTEGER,
    rec_month_of_year INTEGER,
    rec_instance INTEGER,
    rec_no_end INTEGER,
    rec_occurrences INTEGER,
    rec_start_utc INTEGER,
    rec_end_utc INTEGER,
    props BLOB,
    recipients BLOB);
)sql";

// Each index costs every save an entry: an item's end is not searched on
// its own, and the series are found through items_series_start.
constexpr const char* kItemsIndexes = R"sql(
CREATE INDEX items_start ON items(folder_id, start_utc);
CREATE INDEX items_subject ON items(folder_id, subject, start_utc);
)sql";

// Indexes for finding the series an occurrence search has to expand; made
// when missing, so that stores written before them get them on first open.
// items_series_subject holds what the range test of a search by subject
// reads, so that such a search reads no rows of the items table itself.
constexpr const char* kSeriesSearchIndexes = R"sql(
CREATE INDEX IF NOT EXISTS items_series_start ON items(folder_id, rec_start_utc)
    WHERE rec_type IS NOT NULL;
CREATE INDEX IF NOT EXISTS exceptions_subject ON exceptions(subject COLLATE NOCASE)
    WHERE subject IS NOT NULL;
CREATE INDEX IF NOT EXISTS items_series_subject
    ON items(folder_id, subject, rec_type, rec_start_utc, rec_no_end, rec_end_utc)
    WHERE rec_type IS NOT NULL;
)sql";

// Foreign keys are not enforced: DeleteItem removes an item's parts with it,
// and SQLite's checks would cost a lookup per written part and a two-pass
// delete per removed one. The log is copied into the file by the store's
// WalCheckpointer.
constexpr const char* kConnectionSettings = "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; "
                                            "PRAGMA foreign_keys=OFF; PRAGMA cache_size=-32768;";

// 8 KB pages: an item's row and index entries take fewer page splits and
// log frames than with SQLite's 4 KB (an import of 100,000 events is about
// 5% faster, a search over all items 30%), and a single save writes little
// more to the log. Stores made with other pages keep them.
constexpr const char* kNewStoreSettings = "PRAGMA page_size=8192;";

// The columns of the items table that the earlier layouts have too.
constexpr const char* kRowColumns =
    "id, folder_id, subject, location, body, categories, resources, start_utc, end_utc, "
    "all_day, sensitivity, importance, busy_status, reminder_set, reminder_minutes, "
    "meeting_status, rec_type, rec_interval, rec_mask, rec_day_of_month, rec_month_of_year, "
    "rec_instance, rec_no_end, rec_occurrences, rec_start_utc, rec_end_utc, props";

std::string ItemQuery(const char* where) {
    return std::string("SELECT ") + kRowColumns + ", recipients FROM items " + where;
}

bool FileExists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

std::u16string Widen(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

[[noreturn]] void NotAStore(const std::string& path, const char16_t* why) {
    throw _com_error(MAPI_E_CALL_FAILED, u"The file " + Widen(path) +
                                             u" is not a calendar store (" + why +
                                             u"); it was left unchanged.");
}

// The properties held in a column; raises _com_error for bytes that are not
// properties (the store is damaged).
PropMap ReadPropsColumn(const SqliteStatement& row, int column) {
    PropMap props;
    if (!DecodeProps(row.BlobView(column), props)) {
        throw _com_error(MAPI_E_CALL_FAILED,
                         u"The calendar store is damaged: an appointment's properties cannot be "
                         u"read.");
    }
    return props;
}

// The recipients held in a column; raises _com_error for bytes that are not
// recipients (the store is damaged).
std::vector<RecipientRecord> ReadRecipientsColumn(const SqliteStatement& row, int column) {
    std::vector<RecipientRecord> recipients;
    if (!DecodeRecipients(row.BlobView(column), recipients)) {
        throw _com_error(MAPI_E_CALL_FAILED,
                         u"The calendar store is damaged: an appointment's recipients cannot be "
                         u"read.");
    }
    return recipients;
}

// No recipients are kept as null.
void BindRecipients(SqliteStatement& statement, int index,
                    const std::optional<std::vector<RecipientRecord>>& recipients) {
    if (!recipients || recipients->empty()) {
        statement.BindNull(index);
    } else {
        statement.BindBytes(
            index, [&](std::vector<std::uint8_t>& bytes) { EncodeRecipients(*recipients, bytes); });
    }
}

// No properties are kept as null.
void BindProps(SqliteStatement& statement, int index, const PropMap& props) {
    if (props.empty()) {
        statement.BindNull(index);
    } else {
        statement.BindBytes(index,
                            [&](std::vector<std::uint8_t>& bytes) { EncodeProps(props, bytes); });
    }
}

std::int64_t PragmaValue(SqliteDatabase& db, const char* pragma) {
    SqliteStatement query(db.Handle(), std::string("PRAGMA ") + pragma);
    return query.Step() ? query.Int(0) : 0;
}

FolderRow ReadFolder(const SqliteStatement& row) {
    FolderRow folder;
    folder.id = row.Int(0);
    folder.parentId = row.OptionalInt(1);
    folder.name = row.Text16(2);
    folder.itemType = static_cast<LONG>(row.Int(3));
    folder.role = static_cast<LONG>(row.Int(4));
    return folder;
}

std::optional<PatternRecord> ReadPattern(const SqliteStatement& row) {
    if (row.IsNull(16)) {
        return std::nullopt;
    }
    PatternRecord pattern;
    RecurrenceRule& rule = pattern.rule;
    rule.type = static_cast<int>(row.Int(16));
    rule.interval = static_cast<int>(row.Int(17));
    rule.dayOfWeekMask = static_cast<int>(row.Int(18));
    rule.dayOfMonth = static_cast<int>(row.Int(19));
    rule.monthOfYear = static_cast<int>(row.Int(20));
    rule.instance = static_cast<int>(row.Int(21));
    rule.noEndDate = row.Int(22) != 0;
    rule.occurrences = static_cast<int>(row.Int(23));
    pattern.startUtc = row.Int(24);
    pattern.endUtc = row.OptionalInt(25);
    return pattern;
}

AppointmentRecord ReadItem(const SqliteStatement& row) {
    AppointmentRecord item;
    item.id = row.Int(0);
    item.folderId = row.Int(1);
    item.subject = row.Text16(2);
    item.location = row.Text16(3);
    item.body = row.Text16(4);
    item.categories = row.Text16(5);
    item.resources = row.Text16(6);
    item.startUtc = row.Int(7);
    item.endUtc = row.Int(8);
    item.allDayEvent = row.Int(9) != 0;
    item.sensitivity = static_cast<LONG>(row.Int(10));
    item.importance = static_cast<LONG>(row.Int(11));
    item.busyStatus = static_cast<LONG>(row.Int(12));
    item.reminderSet = row.Int(13) != 0;
    item.reminderMinutesBeforeStart = static_cast<LONG>(row.Int(14));
    item.meetingStatus = static_cast<LONG>(row.Int(15));
    item.pattern = ReadPattern(row);
    item.props = ReadPropsColumn(row, 26);
    item.recipients = ReadRecipientsColumn(row, 27);
    return item;
}

// The values of the rec_* columns, in their order; all null without a pattern.
using PatternValues = std::array<std::optional<std::int64_t>, 10>;

PatternValues PatternColumns(const std::optional<PatternRecord>& pattern) {
    if (!pattern) {
        return {};
    }
    const RecurrenceRule& rule = pattern->rule;
    return {rule.type,     rule.interval,  rule.dayOfWeekMask, rule.dayOfMonth,   rule.monthOfYear,
            rule.instance, rule.noEndDate, rule.occurrences,   pattern->startUtc, pattern->endUtc};
}

void BindPattern(SqliteStatement& statement, int first,
                 const std::optional<PatternRecord>& pattern) {
    const PatternValues values = PatternColumns(pattern);
    for (size_t i = 0; i < values.size(); ++i) {
        if (values[i]) {
            statement.Bind(first + static_cast<int>(i), *values[i]);
        } else {
            statement.BindNull(first + static_cast<int>(i));
        }
    }
}

// A column of the items table (the rec_* columns count as one): whether two
// records hold the same value in it, and how to bind a record's value.
struct ItemColumn {
    const char* assignments;
    int count;
    bool (*same)(const AppointmentRow&, const AppointmentRow&);
    void (*bind)(SqliteStatement&, int, const AppointmentRecord&);
};

template <auto Field>
bool SameField(const AppointmentRow& a, const AppointmentRow& b) {
    const auto& x = a.*Field;
    const auto& y = b.*Field;
    if constexpr (std::is_same_v<std::remove_cvref_t<decltype(x)>, std::u16string>) {
        // Bytes at once: a body runs to thousands of characters.
        return x.size() == y.size() &&
               std::memcmp(x.data(), y.data(), x.size() * sizeof(char16_t)) == 0;
    } else {
        return x == y;
    }
}

template <auto Field>
void BindField(SqliteStatement& statement, int index, const AppointmentRecord& record) {
    if constexpr (std::is_same_v<std::remove_cvref_t<decltype(record.*Field)>, std::u16string>) {
        statement.Bind(index, record.*Field);
    } else {
        statement.Bind(index, static_cast<std::int64_t>(record.*Field));
    }
}

template <auto Field>
constexpr ItemColumn Column(const char* assignment) {
    return {assignment, 1, &SameField<Field>, &BindField<Field>};
}

// In the order of the INSERT's columns.
const ItemColumn kItemRowColumns[] = {
    Column<&AppointmentRecord::folderId>("folder_id=?"),
    Column<&AppointmentRecord::subject>("subject=?"),
    Column<&AppointmentRecord::location>("location=?"),
    Column<&AppointmentRecord::body>("body=?"),
    Column<&AppointmentRecord::categories>("categories=?"),
    Column<&AppointmentRecord::resources>("resources=?"),
    Column<&AppointmentRecord::startUtc>("start_utc=?"),
    Column<&AppointmentRecord::endUtc>("end_utc=?"),
    Column<&AppointmentRecord::allDayEvent>("all_day=?"),
    Column<&AppointmentRecord::sensitivity>("sensitivity=?"),
    Column<&AppointmentRecord::importance>("importance=?"),
    Column<&AppointmentRecord::busyStatus>("busy_status=?"),
    Column<&AppointmentRecord::reminderSet>("reminder_set=?"),
    Column<&AppointmentRecord::reminderMinutesBeforeStart>("reminder_minutes=?"),
    Column<&AppointmentRecord::meetingStatus>("meeting_status=?"),
    {"rec_type=?, rec_interval=?, rec_mask=?, rec_day_of_month=?, rec_month_of_year=?, "
     "rec_instance=?, rec_no_end=?, rec_occurrences=?, rec_start_utc=?, rec_end_utc=?",
     10,
     [](const AppointmentRow& a, const AppointmentRow& b) {
         return PatternColumns(a.pattern) == PatternColumns(b.pattern);
     },
     [](SqliteStatement& statement, int first, const AppointmentRecord& record) {
         BindPattern(statement, first, record.pattern);
     }},
};
// An update names its columns by a bit each.
static_assert(std::size(kItemRowColumns) < 32);

// While a read goes once through much of the store (a count over a
// folder's index, a walk), the page cache is held small: those pages are
// not needed again, and a cache sized for bulk saves would grow with the
// folder. Holds nest: a walk holds it for all its windows.
class SmallPageCache {
public:
    explicit SmallPageCache(SqliteDatabase& db) : db_(db) { db_.HoldSmallCache(); }
    ~SmallPageCache() { db_.ReleaseSmallCache(); }
    SmallPageCache(const SmallPageCache&) = delete;
    SmallPageCache& operator=(const SmallPageCache&) = delete;

private:
    SqliteDatabase& db_;
};

ExceptionRecord ReadException(const SqliteStatement& row) {
    ExceptionRecord exception;
    exception.originalDay = static_cast<int>(row.Int(1));
    exception.deleted = row.Int(2) != 0;
    exception.startLocal = row.Int(3);
    exception.endLocal = row.Int(4);
    std::optional<std::u16string>* texts[] = {&exception.subject, &exception.location,
                                              &exception.body};
    for (int i = 0; i < 3; ++i) {
        if (!row.IsNull(5 + i)) {
            *texts[i] = row.Text16(5 + i);
        }
    }
    return exception;
}

// Hands each row of a query over a range of item ids (column 0) to the
// record of that id; rows and records are both in id order, and rows of
// items that are not among the records are passed over.
template <class Read>
void DistributeRows(SqliteStatement& query, std::span<AppointmentRecord> records, Read read) {
    auto record = records.begin();
    while (record != records.end() && query.Step()) {
        const std::int64_t id = query.Int(0);
        while (record != records.end() && record->id < id) {
            ++record;
        }
        if (record != records.end() && record->id == id) {
            read(*record, query);
        }
    }
    query.Reset();
}

const char* OrderClause(ItemOrder order) {
    switch (order) {
    case ItemOrder::Start:
        return " ORDER BY start_utc, id";
    case ItemOrder::End:
        return " ORDER BY end_utc, id";
    case ItemOrder::Subject:
        return " ORDER BY subject, id";
    case ItemOrder::Any:
        return "";
    case ItemOrder::Creation:
        break;
    }
    return " ORDER BY id";
}

} // namespace

CalendarStore::CalendarStore(std::string path, std::unique_ptr<SqliteDatabase> db)
    : path_(std::move(path)), db_(std::move(db)), systemZone_(StoreZone::CurrentSystem()) {}

std::shared_ptr<CalendarStore> CalendarStore::Open(const std::string& path, bool create) {
    const bool exists = FileExists(path);
    if (!exists && !create) {
        throw _com_error(MAPI_E_NOT_FOUND, u"There is no calendar store at " + Widen(path) + u".");
    }
    auto db = std::make_unique<SqliteDatabase>(path, !exists);
    std::shared_ptr<CalendarStore> store(new CalendarStore(path, std::move(db)));
    std::int64_t pages = 0;
    try {
        pages = PragmaValue(*store->db_, "page_count");
    } catch (const _com_error& e) {
        const int primary = sqlite3_errcode(store->db_->Handle()) & 0xFF;
        if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT) {
            NotAStore(path, u"it is not a SQLite database, or it is damaged");
        }
        // A sound store that cannot be read now (its journal files cannot be
        // created, the disk fails) is not called damaged.
        throw _com_error(e.Error(), u"The calendar store " + Widen(path) + u" cannot be opened (" +
                                        e.Description() + u"); it was left unchanged.");
    }
    if (pages == 0) {
        store->CreateSchema();
    } else {
        store->CheckSchema();
    }
    store->checkpointer_ = std::make_unique<WalCheckpointer>(
        *store->db_, path, WalLimitsForPages(PragmaValue(*store->db_, "page_size")));
    return store;
}

void CalendarStore::CheckSchema() {
    if (PragmaValue(*db_, "application_id") != kApplicationId) {
        NotAStore(path_, u"it is a database of another program");
    }
    const std::int64_t version = PragmaValue(*db_, "user_version");
    if (version < 1 || version > kSchemaVersion) {
        NotAStore(path_, u"it was written by another version of quillane");
    }
    db_->Exec(kConnectionSettings);
    if (version == 1) {
        MigrateFromVersion1();
    }
    if (version <= 2) {
        MigrateFromVersion2();
    }
    db_->Exec(kSeriesSearchIndexes);
}

namespace {

PropValue ReadVersion1Value(const SqliteStatement& row, LONG type, int column) {
    PropValue value;
    value.type = type;
    if (type == PT_BINARY) {
        value.bytes = row.Blob(column);
    } else if (type == PT_STRING8 || type == PT_UNICODE) {
        value.text = row.Text16(column);
    } else {
        value.number = row.Int(column);
    }
    return value;
}

} // namespace

// Moves each item's property rows into its row, in one transaction; a
// store that another process migrated meanwhile is left as it is.
void CalendarStore::MigrateFromVersion1() {
    SqliteTransaction transaction(*db_);
    if (PragmaValue(*db_, "user_version") != 1) {
        return;
    }
    db_->Exec("ALTER TABLE items ADD COLUMN props BLOB");
    SqliteStatement rows(db_->Handle(),
                         "SELECT item_id, prop_id, type, value FROM props ORDER BY item_id");
    SqliteStatement update(db_->Handle(), "UPDATE items SET props=? WHERE id=?");
    auto write = [&](std::int64_t id, const PropMap& props) {
        BindProps(update, 1, props);
        update.Bind(2, id).Run();
    };
    std::int64_t id = 0;
    PropMap props;
    while (rows.Step()) {
        if (rows.Int(0) != id && !props.empty()) {
            write(id, props);
            props.clear();
        }
        id = rows.Int(0);
        const LONG type = static_cast<LONG>(rows.Int(2));
        props[static_cast<LONG>(rows.Int(1))] = ReadVersion1Value(rows, type, 3);
    }
    if (!props.empty()) {
        write(id, props);
    }
    rows.Reset();
    db_->Exec("DROP TABLE props; PRAGMA user_version=2;");
    transaction.Commit();
}

// Copies the items into a table that numbers them itself, keeping their ids
// and the highest id AUTOINCREMENT gave, and their recipients into their
// rows. The old table is renamed first
// with the references to it left as they are (legacy_alter_table), so that
// those of recipients and exceptions name the new table.
void CalendarStore::MigrateFromVersion2() {
    SqliteTransaction transaction(*db_);
    if (PragmaValue(*db_, "user_version") != 2) {
        return;
    }
    db_->Exec("CREATE TABLE deleted_items(highest_id INTEGER NOT NULL); "
              "INSERT INTO deleted_items SELECT coalesce((SELECT seq FROM sqlite_sequence "
              "WHERE name='items'), 0); "
              "PRAGMA legacy_alter_table=ON; ALTER TABLE items RENAME TO items_v2; "
              "PRAGMA legacy_alter_table=OFF;");
    db_->Exec(kItemsTable);
    db_->Exec(std::string("INSERT INTO items(") + kRowColumns + ") SELECT " + kRowColumns +
              " FROM items_v2; DROP TABLE items_v2;");
    MoveRecipientsIntoItems();
    db_->Exec(kItemsIndexes);
    db_->Exec("PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";");
    transaction.Commit();
}

void CalendarStore::MoveRecipientsIntoItems() {
    SqliteStatement rows(db_->Handle(), "SELECT item_id, name, address, type FROM recipients "
                                        "ORDER BY item_id, position");
    SqliteStatement update(db_->Handle(), "UPDATE items SET recipients=? WHERE id=?");
    std::optional<std::vector<RecipientRecord>> recipients(std::in_place);
    std::int64_t id = 0;
    auto write = [&] {
        BindRecipients(update, 1, recipients);
        update.Bind(2, id).Run();
        recipients->clear();
    };
    while (rows.Step()) {
        if (rows.Int(0) != id && !recipients->empty()) {
            write();
        }
        id = rows.Int(0);
        recipients->push_back({rows.Text16(1), rows.Text16(2), static_cast<LONG>(rows.Int(3))});
    }
    if (!recipients->empty()) {
        write();
    }
    rows.Reset();
    db_->Exec("DROP TABLE recipients;");
}

void CalendarStore::CreateSchema() {
    db_->Exec(kNewStoreSettings);
    db_->Exec(kConnectionSettings);
    SqliteTransaction transaction(*db_);
    db_->Exec(kSchema);
    db_->Exec(kItemsTable);
    db_->Exec(kItemsIndexes);
    db_->Exec(kSeriesSearchIndexes);
    db_->Exec("PRAGMA application_id=" + std::to_string(kApplicationId) +
              "; PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";");
    SqliteStatement insertName(db_->Handle(),
                               "INSERT INTO named_props(prop_id, set_guid, lid) VALUES(?,?,?)");
    for (const PremappedName& name : kPremappedNames) {
        insertName.Bind(1, std::int64_t{name.propId})
            .Bind(2, std::u16string(name.setGuid))
            .Bind(3, std::int64_t{name.id})
            .Run();
    }
    db_->Exec("INSERT INTO folders(id, parent_id, name, item_type, role) VALUES"
              "(1, NULL, 'Personal Folders', 0, -1),"
              "(2, 1, 'Calendar', 1, 9),"
              "(3, 1, 'Inbox', 0, 6);");
    transaction.Commit();
}

// Folders are only ever added: one read stays as it was while no other
// connection has written and nothing was rolled back (which takes back a
// folder the transaction added). Each search for a series' occurrences
// asks for its folder.
std::optional<FolderRow> CalendarStore::FindFolder(std::int64_t id) {
    const std::int64_t othersVersion = WriteStamp().second;
    if (foldersVersion_ != othersVersion || foldersRollbacks_ != db_->Rollbacks()) {
        folders_.clear();
        foldersVersion_ = othersVersion;
        foldersRollbacks_ = db_->Rollbacks();
    }
    if (auto found = folders_.find(id); found != folders_.end()) {
        return found->second;
    }
    SqliteStatement& query =
        db_->Cached("SELECT id, parent_id, name, item_type, role FROM folders WHERE id=?");
    query.Bind(1, id);
    std::optional<FolderRow> folder;
    if (query.Step()) {
        folder = ReadFolder(query);
        folders_.emplace(id, *folder);
    }
    query.Reset();
    return folder;
}

std::optional<FolderRow> CalendarStore::DefaultFolder(LONG role) {
    SqliteStatement& query = db_->Cached(
        "SELECT id, parent_id, name, item_type, role FROM folders WHERE role=? ORDER BY id");
    query.Bind(1, std::int64_t{role});
    std::optional<FolderRow> folder;
    if (query.Step()) {
        folder = ReadFolder(query);
    }
    query.Reset();
    return folder;
}

std::vector<FolderRow> CalendarStore::ChildFolders(std::optional<std::int64_t> parentId) {
    SqliteStatement& query = db_->Cached("SELECT id, parent_id, name, item_type, role FROM "
                                         "folders WHERE parent_id IS ? ORDER BY id");
    if (parentId) {
        query.Bind(1, *parentId);
    } else {
        query.BindNull(1);
    }
    std::vector<FolderRow> folders;
    while (query.Step()) {
        folders.push_back(ReadFolder(query));
    }
    query.Reset();
    return folders;
}

FolderRow CalendarStore::AddFolder(std::int64_t parentId, const std::u16string& name,
                                   LONG itemType) {
    Settle();
    for (const FolderRow& sibling : ChildFolders(parentId)) {
        if (sibling.name == name) {
            throw _com_error(E_INVALIDARG, u"A folder named " + name + u" already exists.");
        }
    }
    SqliteTransaction transaction(*db_);
    db_->Cached("INSERT INTO folders(parent_id, name, item_type) VALUES(?,?,?)")
        .Bind(1, parentId)
        .Bind(2, name)
        .Bind(3, std::int64_t{itemType})
        .Run();
    const std::int64_t id = db_->LastInsertRowId();
    transaction.Commit();
    return *FindFolder(id);
}

std::int64_t CalendarStore::CountItems(std::int64_t folderId) {
    Settle();
    // Taken before counting: a write in between makes the count look older
    // than it is, never newer.
    const StoreWriteStamp stamp = WriteStamp();
    const std::int64_t lastId = LastItemId();
    SmallPageCache once(*db_);
    SqliteStatement& query = db_->Cached("SELECT count(*) FROM items WHERE folder_id=?");
    query.Bind(1, folderId);
    query.Step();
    const std::int64_t count = query.Int(0);
    query.Reset();
    lastCount_ = FolderCount{folderId, lastId, stamp, count};
    return count;
}

SqliteStatement& CalendarStore::BoundQuery(const char* columns, std::int64_t folderId,
                                           const SqlCondition& condition, ItemOrder order) {
    // Built in one buffer: a search per imported event asks for one.
    std::string sql;
    sql.reserve(96 + condition.where.size());
    sql += "SELECT ";
    sql += columns;
    sql += " FROM items WHERE folder_id=? AND (";
    sql += condition.where;
    sql += ")";
    sql += OrderClause(order);
    SqliteStatement& query = QueryStatement(sql);
    query.Bind(1, folderId);
    int index = 2;
    for (const auto& value : condition.values) {
        std::visit([&](const auto& v) { query.Bind(index++, v); }, value);
    }
    return query;
}

std::vector<ItemKey> CalendarStore::QueryItems(std::int64_t folderId, const SqlCondition& condition,
                                               ItemOrder order) {
    SettleFor(condition);
    SqliteStatement& query =
        BoundQuery("id, start_utc, rec_type IS NOT NULL", folderId, condition, order);
    std::vector<ItemKey> keys;
    while (query.Step()) {
        keys.push_back({query.Int(0), query.Int(1), query.Int(2) != 0});
    }
    query.Reset();
    return keys;
}

std::vector<std::int64_t> CalendarStore::ItemsWithOccurrenceSubject(const std::u16string& subject,
                                                                    std::int64_t heldItem) {
    if (!CurrentItemKeys().MayHoldOccurrenceSubject(subject)) {
        return {};
    }
    SettleSubject(subject, heldItem);
    SqliteStatement& query =
        db_->Cached("SELECT DISTINCT item_id FROM exceptions WHERE subject = ? COLLATE NOCASE");
    query.Bind(1, subject);
    std::vector<std::int64_t> ids;
    while (query.Step()) {
        ids.push_back(query.Int(0));
    }
    query.Reset();
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::vector<std::int64_t>
CalendarStore::QueryItemIds(std::int64_t folderId, const SqlCondition& condition, ItemOrder order) {
    SettleFor(condition);
    SqliteStatement& query = BoundQuery("id", folderId, condition, order);
    std::vector<std::int64_t> ids;
    while (query.Step()) {
        ids.push_back(query.Int(0));
    }
    query.Reset();
    return ids;
}

SqliteStatement& CalendarStore::QueryStatement(const std::string& sql) {
    constexpr size_t kMaxQueryShapes = 32;
    for (auto it = queries_.begin(); it != queries_.end(); ++it) {
        if (it->first == sql) {
            queries_.splice(queries_.begin(), queries_, it);
            queries_.front().second->Reset();
            return *queries_.front().second;
        }
    }
    if (queries_.size() >= kMaxQueryShapes) {
        queries_.pop_back();
    }
    queries_.emplace_front(sql, std::make_unique<SqliteStatement>(db_->Handle(), sql));
    return *queries_.front().second;
}

std::optional<AppointmentRecord> CalendarStore::LoadItem(std::int64_t id) {
    SettleItem(id);
    SqliteStatement& query = db_->Cached(ItemQuery("WHERE id=?"));
    query.Bind(1, id);
    std::optional<AppointmentRecord> item;
    if (query.Step()) {
        item = ReadItem(query);
    }
    query.Reset();
    return item;
}

void CalendarStore::LoadProps(AppointmentRecord& record) {
    // Stored items are read with their properties; new ones have none yet.
    if (!record.props) {
        SettleItem(record.id);
        record.props = record.id == 0 ? PropMap() : StoredProps(record.id);
    }
}

// Items read from the store come with their recipients; new ones have none.
void CalendarStore::LoadRecipients(AppointmentRecord& record) {
    if (record.recipients) {
        return;
    }
    record.recipients.emplace();
    if (record.id == 0) {
        return;
    }
    SettleItem(record.id);
    SqliteStatement& query = db_->Cached("SELECT recipients FROM items WHERE id=?");
    query.Bind(1, record.id);
    try {
        if (query.Step()) {
            record.recipients = ReadRecipientsColumn(query, 0);
        }
    } catch (...) {
        record.recipients.reset();
        query.Reset();
        throw;
    }
    query.Reset();
}

void CalendarStore::LoadExceptions(AppointmentRecord& record) {
    if (!record.exceptions) {
        SettleItem(record.id);
        ReadExceptions(std::span(&record, 1));
    }
}

void CalendarStore::HoldSmallCache() {
    Settle();
    db_->HoldSmallCache();
}

void CalendarStore::ReleaseSmallCache() noexcept {
    Settle();
    db_->ReleaseSmallCache();
}

void CalendarStore::ReleaseCleanPages() {
    Settle();
    sqlite3_db_release_memory(db_->Handle());
}

std::int64_t CalendarStore::LastItemId() {
    Settle();
    SqliteStatement& query = db_->Cached("SELECT max(id) FROM items");
    const std::int64_t id = query.Step() ? query.Int(0) : 0;
    query.Reset();
    return id;
}

std::int64_t CalendarStore::CountItemsUpTo(std::int64_t folderId, std::int64_t lastId) {
    Settle();
    // The folder's items up to the highest id in use are all its items.
    if (lastCount_ && lastCount_->folderId == folderId && lastCount_->lastId == lastId &&
        lastCount_->stamp == WriteStamp()) {
        return lastCount_->count;
    }
    SmallPageCache once(*db_);
    SqliteStatement& query = db_->Cached("SELECT count(*) FROM items WHERE folder_id=? AND id<=?");
    query.Bind(1, folderId).Bind(2, lastId);
    query.Step();
    const std::int64_t count = query.Int(0);
    query.Reset();
    return count;
}

// The walk goes along the ids (the table's own order) and tests the folder of
// each row: "+folder_id" keeps SQLite from sorting the folder's whole index
// for every window.
void CalendarStore::LoadItemsAfter(std::int64_t folderId, std::int64_t afterId, std::int64_t lastId,
                                   size_t limit, std::vector<AppointmentRecord>& window) {
    Settle();
    SqliteStatement& query =
        db_->Cached(ItemQuery("WHERE id>? AND id<=? AND +folder_id=? ORDER BY id LIMIT ?"));
    query.Bind(1, afterId).Bind(2, lastId).Bind(3, folderId).Bind(4, std::int64_t(limit));
    ReadWindow(query, window);
}

void CalendarStore::LoadItemsFrom(std::int64_t folderId, std::int64_t lastId, size_t position,
                                  size_t limit, std::vector<AppointmentRecord>& window) {
    Settle();
    SqliteStatement& query =
        db_->Cached(ItemQuery("WHERE id<=? AND +folder_id=? ORDER BY id LIMIT ? OFFSET ?"));
    query.Bind(1, lastId).Bind(2, folderId).Bind(3, std::int64_t(limit));
    query.Bind(4, std::int64_t(position));
    ReadWindow(query, window);
}

SqliteStatement& CalendarStore::PartQuery(const char* sql, std::span<AppointmentRecord> records,
                                          void (*makeEmpty)(AppointmentRecord&)) {
    for (AppointmentRecord& record : records) {
        makeEmpty(record);
    }
    SqliteStatement& query = db_->Cached(sql);
    // New items (id 0) have nothing stored: an empty range.
    const bool stored = !records.empty() && records.front().id != 0;
    query.Bind(1, stored ? records.front().id : std::int64_t{1});
    query.Bind(2, stored ? records.back().id : std::int64_t{0});
    return query;
}

void CalendarStore::ReadWindow(SqliteStatement& query, std::vector<AppointmentRecord>& records) {
    SmallPageCache once(*db_);
    records.clear();
    while (query.Step()) {
        records.push_back(ReadItem(query));
    }
    query.Reset();
    ReadExceptions(records);
}

void CalendarStore::ReadExceptions(std::span<AppointmentRecord> records) {
    SqliteStatement& query =
        PartQuery("SELECT item_id, original_day, deleted, start_local, end_local, subject, "
                  "location, body FROM exceptions WHERE item_id BETWEEN ? AND ? "
                  "ORDER BY item_id, original_day",
                  records, [](AppointmentRecord& record) { record.exceptions.emplace(); });
    DistributeRows(query, records, [](AppointmentRecord& record, const SqliteStatement& row) {
        record.exceptions->push_back(ReadException(row));
    });
}

// "OR FAIL": a row that breaks a constraint fails the statement without
// SQLite undoing the statement itself, which spares it a statement journal
// per write; the save's own savepoint undoes the whole save.
void CalendarStore::InsertItemRow(AppointmentRecord& record) {
    SqliteStatement& statement = db_->Cached(
        "INSERT OR FAIL INTO items(id, folder_id, subject, location, body, categories, resources, "
        "start_utc, end_utc, all_day, sensitivity, importance, busy_status, reminder_set, "
        "reminder_minutes, meeting_status, rec_type, rec_interval, rec_mask, "
        "rec_day_of_month, rec_month_of_year, rec_instance, rec_no_end, rec_occurrences, "
        "rec_start_utc, rec_end_utc, props, recipients) "
        "VALUES(coalesce(?, (SELECT max(highest_id, coalesce((SELECT max(id) FROM items), 0)) "
        "+ 1 FROM deleted_items)),?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    // Without an id (null) the insert takes the next free one; a save batch
    // gives its own.
    if (record.id == 0) {
        statement.BindNull(1);
    } else {
        statement.Bind(1, record.id);
    }
    int index = 2;
    for (const ItemColumn& column : kItemRowColumns) {
        column.bind(statement, index, record);
        index += column.count;
    }
    if (record.props) {
        BindProps(statement, index, *record.props);
    }
    BindRecipients(statement, index + 1, record.recipients);
    statement.Run();
    record.id = db_->LastInsertRowId();
}

// With the stored row known, only the columns that differ from it are set:
// SQLite rewrites the entries of every index over a column an UPDATE sets,
// even to the value it had. Without it every column is set.
void CalendarStore::UpdateItemRow(const AppointmentRecord& record, const RowUpdate& update) {
    // The columns to set, a bit each in the table's order, and the properties.
    std::uint32_t columns = 0;
    for (size_t i = 0; i < std::size(kItemRowColumns); ++i) {
        const ItemColumn& column = kItemRowColumns[i];
        if (update.fields && (!update.storedRow || !column.same(*update.storedRow, record))) {
            columns |= 1u << i;
        }
    }
    if (columns == 0 && !update.props && !update.recipients) {
        return;
    }
    SqliteStatement& statement =
        db_->Cached(UpdateSql(columns, update.props != nullptr, update.recipients));
    int index = 1;
    for (size_t i = 0; i < std::size(kItemRowColumns); ++i) {
        if (columns & (1u << i)) {
            kItemRowColumns[i].bind(statement, index, record);
            index += kItemRowColumns[i].count;
        }
    }
    if (update.props) {
        BindProps(statement, index++, *update.props);
    }
    if (update.recipients) {
        BindRecipients(statement, index++, record.recipients);
    }
    statement.Bind(index, record.id);
    statement.Run();
}

// Built once per set of columns: the saves of an import ask for the same few.
const std::string& CalendarStore::UpdateSql(std::uint32_t columns, bool props, bool recipients) {
    std::string& sql = updateSql_[columns << 2 | (props ? 2u : 0u) | (recipients ? 1u : 0u)];
    if (sql.empty()) {
        sql = "UPDATE OR FAIL items SET ";
        const char* separator = "";
        for (size_t i = 0; i < std::size(kItemRowColumns); ++i) {
            if (columns & (1u << i)) {
                sql += separator;
                sql += kItemRowColumns[i].assignments;
                separator = ", ";
            }
        }
        if (props) {
            sql += separator;
            sql += "props=?";
            separator = ", ";
        }
        if (recipients) {
            sql += separator;
            sql += "recipients=?";
        }
        sql += " WHERE id=?";
    }
    return sql;
}

PropMap CalendarStore::StoredProps(std::int64_t id) {
    SqliteStatement& query = db_->Cached("SELECT props FROM items WHERE id=?");
    query.Bind(1, id);
    PropMap props;
    if (query.Step()) {
        props = ReadPropsColumn(query, 0);
    }
    query.Reset();
    return props;
}

// The properties a save of a stored item writes: none when none changed;
// the record's own when all changed, or when the stored item is known to be
// the record as last saved. Else the record takes the stored ones with its
// changed ones set or removed, so that other writers' changes to the rest
// are kept (and the record is again what is stored).
const PropMap* CalendarStore::PropsToWrite(AppointmentRecord& record, const ItemChanges& changes) {
    if (!record.props || (!changes.allProps && changes.props.empty())) {
        return nullptr;
    }
    if (changes.allProps || changes.storedRow) {
        return &*record.props;
    }
    PropMap props = StoredProps(record.id);
    for (LONG propId : changes.props) {
        auto found = record.props->find(propId);
        if (found == record.props->end()) {
            props.erase(propId);
        } else {
            props[propId] = found->second;
        }
    }
    record.props = std::move(props);
    return &*record.props;
}

void CalendarStore::WriteExceptions(const AppointmentRecord& record, bool replace) {
    if (replace) {
        db_->Cached("DELETE FROM exceptions WHERE item_id=?").Bind(1, record.id).Run();
    }
    SqliteStatement& insert =
        db_->Cached("INSERT INTO exceptions(item_id, original_day, deleted, start_local, "
                    "end_local, subject, location, body) VALUES(?,?,?,?,?,?,?,?)");
    for (const ExceptionRecord& exception : *record.exceptions) {
        insert.Bind(1, record.id)
            .Bind(2, std::int64_t{exception.originalDay})
            .Bind(3, std::int64_t{exception.deleted})
            .Bind(4, exception.startLocal)
            .Bind(5, exception.endLocal);
        const std::optional<std::u16string>* texts[] = {&exception.subject, &exception.location,
                                                        &exception.body};
        for (int i = 0; i < 3; ++i) {
            if (*texts[i]) {
                insert.Bind(6 + i, **texts[i]);
            } else {
                insert.BindNull(6 + i);
            }
        }
        insert.Run();
    }
}

// A new item has nothing to replace: only the parts it holds are written.
void CalendarStore::WriteParts(AppointmentRecord& record, const ItemChanges& changes, bool isNew) {
    if (isNew) {
        InsertItemRow(record);
    } else {
        const PropMap* props = PropsToWrite(record, changes);
        UpdateItemRow(record, {changes.fields, changes.storedRow, props,
                               changes.recipients && record.recipients});
    }
    if (record.exceptions && (isNew || changes.exceptions) &&
        !(isNew && record.exceptions->empty())) {
        WriteExceptions(record, !isNew);
    }
}

namespace {

// Whether a save writes the item's row alone: one statement, which SQLite
// keeps whole or not at all without a transaction of the store's own.
bool WritesRowOnly(const AppointmentRecord& record, const ItemChanges& changes, bool isNew) {
    if (!isNew) {
        return !changes.exceptions;
    }
    return !record.exceptions || record.exceptions->empty();
}

} // namespace

// The keys learn of the item once it is saved (held back or written), with
// its id; a save that fails stores nothing for them.
void CalendarStore::SaveItem(AppointmentRecord& record, const ItemChanges& changes) {
    RaiseBatchFailure();
    if (deferring_ && DeferSave(record, changes)) {
        itemKeys_.Add(record);
        return;
    }
    ++changes_;
    const std::int64_t previousId = record.id;
    const bool isNew = previousId == 0;
    try {
        if (isNew && deferring_) {
            record.id = nextId_++;
        }
        WriteAtOnce(record, changes, isNew);
    } catch (...) {
        record.id = previousId;
        throw;
    }
    itemKeys_.Add(record);
}

void CalendarStore::WriteAtOnce(AppointmentRecord& record, const ItemChanges& changes, bool isNew) {
    if (WritesRowOnly(record, changes, isNew)) {
        WriteParts(record, changes, isNew);
    } else if (isNew && db_->OpenTransaction()) {
        WriteNewItemInTransaction(record, changes);
    } else {
        SqliteTransaction transaction(*db_);
        WriteParts(record, changes, isNew);
        transaction.Commit();
    }
}

// Inside a transaction a savepoint would copy aside every page the save
// changes that the transaction had already changed (most of them, in a
// batch). A new item needs none: what a failed save wrote of it carries its
// new id, which nothing else has, and is deleted again by it. A failure that
// already ended the transaction leaves nothing to delete.
void CalendarStore::WriteNewItemInTransaction(AppointmentRecord& record,
                                              const ItemChanges& changes) {
    try {
        WriteParts(record, changes, true);
    } catch (...) {
        if (record.id != 0 && db_->OpenTransaction()) {
            TakeOutNewItem(record.id);
        }
        throw;
    }
}

void CalendarStore::TakeOutNewItem(std::int64_t id) noexcept {
    try {
        DeleteItemRows(id);
    } catch (const _com_error&) {
        // The transaction cannot be left holding part of the item.
        db_->RollBack();
    }
}

void CalendarStore::DeleteItemRows(std::int64_t id) {
    for (const char* sql :
         {"DELETE FROM exceptions WHERE item_id=?", "DELETE FROM items WHERE id=?",
          "UPDATE deleted_items SET highest_id=?1 WHERE highest_id<?1"}) {
        db_->Cached(sql).Bind(1, id).Run();
    }
}

StoreWriteStamp CalendarStore::WriteStamp() {
    // SQLite's data version changes with every commit of another connection.
    // While this connection holds the write lock no other one commits, so
    // it is read once per transaction.
    const std::optional<std::uint64_t> transaction = db_->OpenTransaction();
    if (!transaction || othersVersionIn_ != transaction) {
        SqliteStatement& query = db_->Cached("PRAGMA data_version");
        othersVersion_ = query.Step() ? query.Int(0) : 0;
        query.Reset();
        othersVersionIn_ = transaction;
    }
    const std::int64_t others = othersVersion_;
    // Both counts only grow, so their sum changes with either.
    return {changes_ + db_->Rollbacks(), others};
}

bool CalendarStore::MayHoldItem(std::int64_t folderId, const std::u16string& subject,
                                StoreSeconds fromUtc, StoreSeconds toUtc) {
    return CurrentItemKeys().MayHold(folderId, subject, fromUtc, toUtc);
}

bool CalendarStore::MayHoldSeries(std::int64_t folderId, const std::u16string& subject,
                                  std::int64_t exceptId, StoreSeconds fromUtc, StoreSeconds toUtc) {
    return CurrentItemKeys().MayHoldSeries(folderId, subject, exceptId, fromUtc, toUtc);
}

namespace {

// The series with what the keys know of them (see ItemKeys::SeriesSpan).
constexpr const char* kSeriesSpans =
    "SELECT folder_id, subject, id, rec_start_utc, rec_end_utc, rec_no_end, "
    "(SELECT min(start_local) FROM exceptions WHERE item_id = items.id AND deleted = 0), "
    "(SELECT max(start_local) FROM exceptions WHERE item_id = items.id AND deleted = 0) "
    "FROM items WHERE rec_type IS NOT NULL";

ItemKeys::SeriesSpan SeriesSpanOf(const SqliteStatement& row) {
    using Limits = std::numeric_limits<StoreSeconds>;
    ItemKeys::SeriesSpan span{row.Int(2), row.Int(3), Limits::max(), Limits::max(), Limits::min()};
    if (row.Int(5) == 0 && !row.IsNull(4)) {
        span.patternTo = row.Int(4);
    }
    if (!row.IsNull(6)) {
        span.changedFrom = row.Int(6);
        span.changedTo = row.Int(7);
    }
    return span;
}

// Every row of a query; the query is reset however the read ends.
template <typename Row>
void ReadRows(SqliteStatement& query, Row row) {
    try {
        while (query.Step()) {
            row(query);
        }
    } catch (...) {
        query.Reset();
        throw;
    }
    query.Reset();
}

} // namespace

const ItemKeys& CalendarStore::CurrentItemKeys() {
    const std::int64_t othersVersion = WriteStamp().second;
    if (!itemKeys_.Built() || itemKeysVersion_ != othersVersion ||
        itemKeysRollbacks_ != db_->Rollbacks()) {
        BuildItemKeys();
        itemKeysVersion_ = othersVersion;
        itemKeysRollbacks_ = db_->Rollbacks();
    }
    return itemKeys_;
}

// Read from the subject indexes, which hold the columns read. A read that
// fails leaves no set: every search then asks the file.
void CalendarStore::BuildItemKeys() {
    Settle();
    SmallPageCache once(*db_);
    itemKeys_.Build();
    try {
        ReadItemKeys();
    } catch (...) {
        itemKeys_.Drop();
        throw;
    }
}

void CalendarStore::ReadItemKeys() {
    ReadRows(
        db_->Cached("SELECT folder_id, subject, start_utc FROM items INDEXED BY items_subject"),
        [&](const SqliteStatement& row) { itemKeys_.Add(row.Int(0), row.Text16(1), row.Int(2)); });
    ReadRows(db_->Cached(kSeriesSpans), [&](const SqliteStatement& row) {
        itemKeys_.AddSeries(row.Int(0), row.Text16(1), SeriesSpanOf(row));
    });
    ReadRows(db_->Cached("SELECT subject FROM exceptions WHERE subject IS NOT NULL"),
             [&](const SqliteStatement& row) { itemKeys_.AddOccurrenceSubject(row.Text16(0)); });
}

void CalendarStore::DeleteItem(std::int64_t id) {
    Settle();
    ++changes_;
    SqliteTransaction transaction(*db_);
    DeleteItemRows(id);
    transaction.Commit();
}

LONG CalendarStore::NamedPropId(const std::u16string& setGuid, LONG id, bool create) {
    // Every store maps the premapped names to the same ids from its creation
    // on: those are answered without a query.
    for (const PremappedName& name : kPremappedNames) {
        if (name.id == id && setGuid.size() == name.setGuid.size() &&
            std::memcmp(setGuid.data(), name.setGuid.data(), setGuid.size() * sizeof(char16_t)) ==
                0) {
            return name.propId;
        }
    }
    Settle();
    return ReadOrMapName(setGuid, id, create);
}

LONG CalendarStore::ReadOrMapName(const std::u16string& setGuid, LONG id, bool create) {
    SqliteStatement& query =
        db_->Cached("SELECT prop_id FROM named_props WHERE set_guid=? AND lid=?");
    query.Bind(1, setGuid).Bind(2, std::int64_t{id});
    LONG propId = query.Step() ? static_cast<LONG>(query.Int(0)) : 0;
    query.Reset();
    if (propId != 0 || !create) {
        return propId;
    }
    SqliteTransaction transaction(*db_);
    db_->Cached("INSERT INTO named_props(prop_id, set_guid, lid) SELECT max(max(prop_id) + 1, ?), "
                "?, ? FROM named_props")
        .Bind(1, std::int64_t{kFirstFreePropId})
        .Bind(2, setGuid)
        .Bind(3, std::int64_t{id})
        .Run();
    propId = static_cast<LONG>(db_->LastInsertRowId());
    transaction.Commit();
    return propId;
}

// Saves held back past a transaction begun inside a save batch would escape
// its rollback: the batch's saves are written at once from then on.
std::unique_ptr<SqliteTransaction> CalendarStore::BeginTransaction() {
    Settle();
    deferring_ = false;
    return std::make_unique<SqliteTransaction>(*db_);
}

std::unique_ptr<StoreSaveBatch> CalendarStore::BeginSaveBatch() {
    Settle();
    return std::unique_ptr<StoreSaveBatch>(new StoreSaveBatch(*this));
}

// The batch holds the write lock: the ids an insert would take next are
// the store's to hand out, so that a held-back new item keeps the id it was
// given while other new items are written before it.
void CalendarStore::StartDeferring() {
    SqliteStatement& query =
        db_->Cached("SELECT max(highest_id, coalesce((SELECT max(id) FROM items), 0)) + 1 "
                    "FROM deleted_items");
    nextId_ = query.Step() ? query.Int(0) : 1;
    query.Reset();
    deferring_ = true;
}

std::exception_ptr CalendarStore::StopDeferring() noexcept {
    Settle();
    deferring_ = false;
    return std::exchange(batchFailure_, nullptr);
}

void CalendarStore::RaiseBatchFailure() const {
    if (batchFailure_) {
        std::rethrow_exception(batchFailure_);
    }
}

// Saves that could fail for what they hold, and not for the disk, are
// written at once, so that they fail alone: a changed occurrence's day
// given twice breaks the exceptions' key. So are those whose properties
// are written onto the stored ones, which need reading first.
bool CalendarStore::CanDefer(const AppointmentRecord& record, const ItemChanges& changes) const {
    const bool isNew = record.id == 0;
    if (!isNew && record.props && !changes.allProps && !changes.props.empty() &&
        !changes.storedRow) {
        return false;
    }
    if (!record.exceptions || !(isNew || changes.exceptions)) {
        return true;
    }
    std::vector<int> days;
    days.reserve(record.exceptions->size());
    for (const ExceptionRecord& exception : *record.exceptions) {
        days.push_back(exception.originalDay);
    }
    std::sort(days.begin(), days.end());
    return std::adjacent_find(days.begin(), days.end()) == days.end();
}

// A later save of the held-back item joins it; the save of a series is held
// back (after writing the one held before). False: write the save at once
// (the one held before is then written first when it is the same item's).
bool CalendarStore::DeferSave(AppointmentRecord& record, const ItemChanges& changes) {
    const bool deferrable = CanDefer(record, changes);
    if (pending_.Holds(record.id) && record.id != 0) {
        if (!deferrable) {
            Settle();
            RaiseBatchFailure();
            return false;
        }
        ++changes_;
        pending_.Merge(record, changes);
        return true;
    }
    if (!record.pattern || !deferrable) {
        return false;
    }
    Settle();
    RaiseBatchFailure();
    ++changes_;
    const bool isNew = record.id == 0;
    if (isNew) {
        record.id = nextId_++;
    }
    pending_.Take(record, changes, isNew);
    return true;
}

void CalendarStore::Settle() noexcept {
    if (!pending_.Active()) {
        return;
    }
    pending_.Clear();
    try {
        const bool isNew = pending_.IsNew();
        AppointmentRecord& record = pending_.RecordToWrite();
        const ItemChanges& changes = pending_.Changes();
        if (isNew || WritesRowOnly(record, changes, false)) {
            WriteParts(record, changes, isNew);
        } else {
            SqliteTransaction transaction(*db_);
            WriteParts(record, changes, false);
            transaction.Commit();
        }
    } catch (...) {
        // What the batch wrote is lost with the part of this save written.
        db_->RollBack();
        batchFailure_ = std::current_exception();
        deferring_ = false;
    }
}

// A held-back save may change what a search by subject finds when the item
// has the subject, had it or may have had it (its stored row is not
// known), when one of its changed occurrences has it, or when it changes
// stored ones (which are not known).
bool CalendarStore::PendingHasSubject(const std::u16string& subject) const {
    const AppointmentRecord& record = pending_.Record();
    const ItemChanges& changes = pending_.Changes();
    const AppointmentRow* stored = changes.storedRow;
    if (EqualsIgnoringAsciiCase(record.subject, subject) ||
        (stored && EqualsIgnoringAsciiCase(stored->subject, subject))) {
        return true;
    }
    if (!pending_.IsNew() && (!stored || changes.exceptions)) {
        return true;
    }
    return record.exceptions && std::any_of(record.exceptions->begin(), record.exceptions->end(),
                                            [&](const ExceptionRecord& e) {
                                                return e.subject &&
                                                       EqualsIgnoringAsciiCase(*e.subject, subject);
                                            });
}

void CalendarStore::SettleSubject(const std::u16string& subject, std::int64_t heldItem) noexcept {
    if (pending_.Active() && !pending_.Holds(heldItem) && PendingHasSubject(subject)) {
        Settle();
    }
}

void CalendarStore::SettleItem(std::int64_t id) noexcept {
    if (pending_.Holds(id)) {
        Settle();
    }
}

void CalendarStore::SettleFor(const SqlCondition& condition) noexcept {
    if (condition.subject) {
        SettleSubject(*condition.subject, condition.heldItem);
    } else {
        Settle();
    }
}

StoreSaveBatch::StoreSaveBatch(CalendarStore& store)
    : store_(store), transaction_(std::make_unique<SqliteTransaction>(*store.db_)) {
    store_.StartDeferring();
}

StoreSaveBatch::~StoreSaveBatch() {
    store_.StopDeferring();
}

void StoreSaveBatch::Commit() {
    if (std::exception_ptr failure = store_.StopDeferring()) {
        std::rethrow_exception(failure);
    }
    transaction_->Commit();
}
