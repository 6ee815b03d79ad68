#pragma once
// The calendar store: one SQLite file holding folders, appointments with their
// properties, recipients and changed occurrences, and the store's named
// property mappings. WAL journal, copied into the file on a thread of the
// store's own (see WalCheckpointer); every save or delete is one transaction;
// other processes may use the same file (they wait for each other's writes).
//
// A new store holds the top folder "Personal Folders" with "Calendar"
// (appointments) and "Inbox" (mail). An existing file that is not a store, or
// is damaged, raises _com_error and is left as it is.

#include "platform/outlook/appointment_record.h"
#include "platform/outlook/item_keys.h"
#include "platform/outlook/pending_save.h"
#include "platform/outlook/sqlite_database.h"
#include "platform/outlook/store_time.h"
#include "platform/outlook/wal_checkpointer.h"

#include <cstdint>
#include <exception>
#include <list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

// What a folder is to the session: the top folder of the store, one of the
// default folders (by Outlook's default-folder number), or another folder.
enum StoreFolderRole : LONG { kRoleOther = 0, kRoleTop = -1, kRoleInbox = 6, kRoleCalendar = 9 };

struct FolderRow {
    std::int64_t id = 0;
    std::optional<std::int64_t> parentId;
    std::u16string name;
    LONG itemType = 1;
    LONG role = kRoleOther;
};

// A WHERE clause over the items table with its bound values.
struct SqlCondition {
    std::string where = "1";
    std::vector<std::variant<std::int64_t, std::u16string>> values;
    // The subject every row the condition matches has (compared without
    // regard to ASCII case), when there is one: a read inside a save batch
    // then writes a held-back save first only when it may have that subject.
    std::optional<std::u16string> subject;
    // An item the reader holds as it was saved last and adds to what it
    // finds itself (0: none): its held-back save is not written for the
    // read, which may or may not find it.
    std::int64_t heldItem = 0;
};

// What merging single items with occurrences needs of an item without
// loading it.
struct ItemKey {
    std::int64_t id = 0;
    StoreSeconds startUtc = 0;
    bool series = false;
};

using StoreWriteStamp = std::pair<std::uint64_t, std::int64_t>;

// Any: no order asked for, so that the fittest index can answer the query
// (the caller orders the results itself).
enum class ItemOrder { Creation, Start, End, Subject, Any };

class StoreSaveBatch;

class CalendarStore {
public:
    // Opens the store at path; when the file does not exist and create is
    // true, makes a new store there.
    static std::shared_ptr<CalendarStore> Open(const std::string& path, bool create);

    const std::string& Path() const { return path_; }
    // The system zone as it was when the store was opened.
    const StoreZone& SystemZone() const { return systemZone_; }

    std::optional<FolderRow> FindFolder(std::int64_t id);
    std::optional<FolderRow> DefaultFolder(LONG role);
    // Subfolders in creation order; the store's top folders for no parent.
    std::vector<FolderRow> ChildFolders(std::optional<std::int64_t> parentId);
    FolderRow AddFolder(std::int64_t parentId, const std::u16string& name, LONG itemType);

    std::int64_t CountItems(std::int64_t folderId);
    std::vector<ItemKey> QueryItems(std::int64_t folderId, const SqlCondition& condition,
                                    ItemOrder order);
    // The items (of any folder) with a changed occurrence whose own subject
    // equals this one, ignoring ASCII case; in id order.
    // heldItem as in SqlCondition.
    std::vector<std::int64_t> ItemsWithOccurrenceSubject(const std::u16string& subject,
                                                         std::int64_t heldItem = 0);
    // Whether an item of the folder with this subject (without regard to
    // ASCII case) and a start within [fromUtc, toUtc] may be stored; false:
    // none is (see ItemKeys).
    bool MayHoldItem(std::int64_t folderId, const std::u16string& subject, StoreSeconds fromUtc,
                     StoreSeconds toUtc);
    // Whether a series of the folder with this subject other than the item
    // exceptId may be stored whose pattern's range meets [fromUtc, toUtc]
    // or that has a changed occurrence starting (local time) within it;
    // false: none is (see ItemKeys).
    bool MayHoldSeries(std::int64_t folderId, const std::u16string& subject, std::int64_t exceptId,
                       StoreSeconds fromUtc, StoreSeconds toUtc);
    // The ids alone, in the order: what a walk over many items keeps.
    std::vector<std::int64_t> QueryItemIds(std::int64_t folderId, const SqlCondition& condition,
                                           ItemOrder order);
    // The item's fields (one query); properties, recipients and exceptions
    // are read on first use by the Load functions below.
    std::optional<AppointmentRecord> LoadItem(std::int64_t id);
    void LoadProps(AppointmentRecord& record);
    void LoadRecipients(AppointmentRecord& record);
    void LoadExceptions(AppointmentRecord& record);

    // A walk over a folder's items in creation order, a window at a time: up
    // to limit items, every part loaded, in a few queries for the whole
    // window. Items above lastId (added after the walk began) are left out.
    // The window replaces what the vector held; its room is kept from window
    // to window. The window after the item afterId:
    void LoadItemsAfter(std::int64_t folderId, std::int64_t afterId, std::int64_t lastId,
                        size_t limit, std::vector<AppointmentRecord>& window);
    // The window from a 0-based position of the walk:
    void LoadItemsFrom(std::int64_t folderId, std::int64_t lastId, size_t position, size_t limit,
                       std::vector<AppointmentRecord>& window);
    // Holds the page cache small while a walk goes through the store, so
    // that its windows reuse the same few pages (see SqliteDatabase).
    void HoldSmallCache();
    void ReleaseSmallCache() noexcept;
    // Frees the page cache's clean pages. After a batch is committed every
    // page is clean: a long import then holds no more than one batch's
    // pages at a time instead of growing the cache to its limit.
    void ReleaseCleanPages();
    // The highest item id in use (0 for none), and the folder's items up to it.
    std::int64_t LastItemId();
    std::int64_t CountItemsUpTo(std::int64_t folderId, std::int64_t lastId);
    // Grows with every save and delete through this store, so that a reader
    // holding items read ahead can tell that they may have changed.
    std::uint64_t ChangeCount() const { return changes_; }
    // What has been written to the file, through this store and through any
    // other connection (another store object or process): equal stamps mean
    // that nothing was written in between.
    StoreWriteStamp WriteStamp();
    // Writes the item in one transaction; gives a new item its id. Of a
    // stored item only the changed parts are written. Inside a save batch
    // the save of a series may be held back (see StoreSaveBatch).
    void SaveItem(AppointmentRecord& record, const ItemChanges& changes);
    void DeleteItem(std::int64_t id);

    // The property id (0x8000 and up) of a named property: the set GUID in
    // its braced text form and the numeric id. 0 when it has no mapping and
    // create is false.
    LONG NamedPropId(const std::u16string& setGuid, LONG id, bool create);

    // A transaction around several saves (see StoreTransaction).
    std::unique_ptr<SqliteTransaction> BeginTransaction();
    // A transaction around the many saves of an import (see StoreSaveBatch).
    std::unique_ptr<StoreSaveBatch> BeginSaveBatch();

private:
    friend class StoreSaveBatch;
    CalendarStore(std::string path, std::unique_ptr<SqliteDatabase> db);
    void CreateSchema();
    void CheckSchema();
    // What an update of an item's row sets: the fields (those that differ
    // from the stored row, when it is known), the properties, when given,
    // and the recipients.
    struct RowUpdate {
        bool fields = false;
        const AppointmentRow* storedRow = nullptr;
        const std::map<LONG, PropValue>* props = nullptr;
        bool recipients = false;
    };
    void MigrateFromVersion1();
    void MigrateFromVersion2();
    void MoveRecipientsIntoItems();
    // From StartDeferring to StopDeferring new items take their ids from
    // nextId_, and series' saves may be held back in pending_.
    void StartDeferring();
    std::exception_ptr StopDeferring() noexcept;
    bool CanDefer(const AppointmentRecord& record, const ItemChanges& changes) const;
    bool DeferSave(AppointmentRecord& record, const ItemChanges& changes);
    // Write the held-back save before the connection is used: always
    // (Settle), or when the read may find what it writes (by subject, by
    // item). A failed write rolls the batch back and is kept to be raised.
    void Settle() noexcept;
    void SettleSubject(const std::u16string& subject, std::int64_t heldItem) noexcept;
    void SettleItem(std::int64_t id) noexcept;
    void SettleFor(const SqlCondition& condition) noexcept;
    bool PendingHasSubject(const std::u16string& subject) const;
    void RaiseBatchFailure() const;
    // The keys, read again first when another connection has written or a
    // transaction was rolled back since they were read.
    const ItemKeys& CurrentItemKeys();
    void BuildItemKeys();
    void ReadItemKeys();
    void InsertItemRow(AppointmentRecord& record);
    void UpdateItemRow(const AppointmentRecord& record, const RowUpdate& update);
    // The UPDATE of an item's row setting these columns (a bit each, in the
    // row's order) and, when props, the properties.
    const std::string& UpdateSql(std::uint32_t columns, bool props, bool recipients);
    std::map<LONG, PropValue> StoredProps(std::int64_t id);
    const std::map<LONG, PropValue>* PropsToWrite(AppointmentRecord& record,
                                                  const ItemChanges& changes);
    void WriteParts(AppointmentRecord& record, const ItemChanges& changes, bool isNew);
    void WriteAtOnce(AppointmentRecord& record, const ItemChanges& changes, bool isNew);
    void WriteNewItemInTransaction(AppointmentRecord& record, const ItemChanges& changes);
    void TakeOutNewItem(std::int64_t id) noexcept;
    void DeleteItemRows(std::int64_t id);
    LONG ReadOrMapName(const std::u16string& setGuid, LONG id, bool create);
    void WriteExceptions(const AppointmentRecord& record, bool replace);
    // The parts of saved records in id order, each read for all of them in
    // one query over their id range.
    void ReadExceptions(std::span<AppointmentRecord> records);
    // A part's query bound to the records' id range, after giving each
    // record its empty part.
    SqliteStatement& PartQuery(const char* sql, std::span<AppointmentRecord> records,
                               void (*makeEmpty)(AppointmentRecord&));
    // The records of an item query, with their parts, in place of what the
    // vector held.
    void ReadWindow(SqliteStatement& query, std::vector<AppointmentRecord>& records);

    // The statement for a filter's shape, from a small cache of the shapes
    // used last (filters differ in shape only by the code that builds them).
    SqliteStatement& QueryStatement(const std::string& sql);
    // The statement selecting columns of the folder's items that meet the
    // condition in the order, with its values bound.
    SqliteStatement& BoundQuery(const char* columns, std::int64_t folderId,
                                const SqlCondition& condition, ItemOrder order);

    std::string path_;
    std::unique_ptr<SqliteDatabase> db_;
    // Copies the log into the file behind db_'s commits; it goes before db_.
    std::unique_ptr<WalCheckpointer> checkpointer_;
    StoreZone systemZone_;
    std::list<std::pair<std::string, std::unique_ptr<SqliteStatement>>> queries_;
    std::unordered_map<std::uint32_t, std::string> updateSql_;
    std::uint64_t changes_ = 0;
    // The other connections' data version, and the transaction it was read
    // in (none: read outside a transaction).
    std::int64_t othersVersion_ = 0;
    std::optional<std::uint64_t> othersVersionIn_;
    // The last count of a folder's items and the state it was taken in:
    // counting a large folder goes through its whole index, and a walk
    // counts again right after its collection was counted.
    struct FolderCount {
        std::int64_t folderId = 0;
        std::int64_t lastId = 0;
        StoreWriteStamp stamp;
        std::int64_t count = 0;
    };
    std::optional<FolderCount> lastCount_;
    // While a save batch is open: the id the next new item gets, the save
    // held back, and the failure of a held-back write, once known.
    bool deferring_ = false;
    std::int64_t nextId_ = 0;
    PendingSave pending_;
    std::exception_ptr batchFailure_;
    // The keys of the stored items, while no other connection has written
    // and nothing was rolled back since they were read (the others' data
    // version and the rollbacks then): a rollback can take an item back to
    // a state the keys never saw.
    ItemKeys itemKeys_;
    std::int64_t itemKeysVersion_ = 0;
    std::uint64_t itemKeysRollbacks_ = 0;
    // The folders read, while no other connection has written and nothing
    // was rolled back since (see FindFolder).
    std::unordered_map<std::int64_t, FolderRow> folders_;
    std::int64_t foldersVersion_ = 0;
    std::uint64_t foldersRollbacks_ = 0;
};

// A transaction around the many saves of an import. New items get their ids
// from the store, and the save of a series is held back while the saves
// that follow are of the same series: they join it, and the series is
// written once. A held-back save is written before any use of the store
// that may find what it writes, before a save of another series, and at
// the commit. A held-back write that fails (the disk, the memory: saves
// that could break one of the store's constraints, or that need the stored
// item, are written at once) loses the whole batch: the transaction is
// rolled back at once, later saves in the batch raise the failure, and so
// does Commit.
class StoreSaveBatch {
public:
    // Rolls back unless committed.
    ~StoreSaveBatch();
    StoreSaveBatch(const StoreSaveBatch&) = delete;
    StoreSaveBatch& operator=(const StoreSaveBatch&) = delete;
    void Commit();

private:
    friend class CalendarStore;
    explicit StoreSaveBatch(CalendarStore& store);

    CalendarStore& store_;
    std::unique_ptr<SqliteTransaction> transaction_;
};
