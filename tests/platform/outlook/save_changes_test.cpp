// Saving a stored appointment writes what changed and keeps what other
// writers changed meanwhile; batches of saves are kept whole or not at all.

#include "engine/common/redemption.h"
#include "engine/common/save_batch.h"
#include "platform/outlook/calendar_store.h"
#include "platform/outlook/sqlite_database.h"
#include "tests/platform/outlook/store_fixture.h"

#include <chrono>
#include <functional>
#include <sys/stat.h>
#include <thread>

namespace {

std::int64_t FileSize(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_size) : -1;
}

DATE Utc(int y, int mo, int d, int h = 0, int mi = 0) {
    return COleDateTime(y, mo, d, h, mi, 0);
}

class SaveChangesTest : public StoreTest {
protected:
    SaveChangesTest() { id_ = NewAppointment(Local(2007, 3, 5, 9), 60, u"Planning")->GetEntryID(); }

    // The appointment as a new reader of the store sees it.
    CComPtr<_AppointmentItem> Stored() {
        return Appointment(Open()->GetSession()->GetItemFromID(id_));
    }
    LONG Tag(const char16_t* set, LONG id, LONG type) {
        return utils_->GetIDsFromNames(Stored(), set, id, true) | type;
    }
    bool Has(const CComPtr<_AppointmentItem>& item, LONG tag) {
        try {
            utils_->HrGetOneProp(item, tag);
            return true;
        } catch (const _com_error&) {
            return false;
        }
    }
    LONG CountIn(const CComPtr<_Application>& outlook) {
        return outlook->GetSession()->GetDefaultFolder(olFolderCalendar)->GetItems()->GetCount();
    }

    StoreRedemption redemption_;
    CComPtr<IMAPIUtils>& utils_ = redemption_.utils;
    std::u16string id_;
};

// Each change to a stored appointment, made on a fresh copy and saved,
// is what a later reader finds. The changes build on each other: the start
// moves to 07:00 before the reminder and the series are set.
TEST_F(SaveChangesTest, EachKindOfChangeSurvivesReopening) {
    const LONG sender = PR_SENDER_EMAIL_ADDRESS;
    const LONG startUtc = Tag(PSETID_Appointment, dispidApptStartWhole, PT_SYSTIME);
    const LONG nextReminder = Tag(PSETID_Common, dispidReminderNextTime, PT_SYSTIME);
    struct Case {
        const char* name;
        std::function<void(CComPtr<_AppointmentItem>&)> change;
        std::function<void(const CComPtr<_AppointmentItem>&)> check;
    };
    const Case cases[] = {
        {"subject", [](auto& item) { item->PutSubject(u"Review"); },
         [](const auto& item) { EXPECT_EQ(item->GetSubject(), u"Review"); }},
        {"property",
         [&](auto& item) { utils_->HrSetOneProp(item, sender, _variant_t(u"a@x.org"), false); },
         [&](const auto& item) {
             EXPECT_EQ(utils_->HrGetOneProp(item, sender).ToString(), u"a@x.org");
         }},
        {"property tied to the start",
         [&](auto& item) {
             utils_->HrSetOneProp(item, startUtc, _variant_t(Utc(2007, 3, 5, 12), VT_DATE), false);
         },
         [](const auto& item) { EXPECT_EQ(item->GetStart(), Local(2007, 3, 5, 7)); }},
        {"recipient added", [](auto& item) { item->GetRecipients()->Add(u"ann@x.org"); },
         [](const auto& item) { EXPECT_EQ(item->GetRecipients()->GetCount(), 1); }},
        {"recipient type",
         [](auto& item) {
             item->GetRecipients()->Item(_variant_t(1, VT_INT))->PutType(olOptional);
         },
         [](const auto& item) {
             EXPECT_EQ(item->GetRecipients()->Item(_variant_t(1, VT_INT))->GetType(), olOptional);
         }},
        {"reminder set",
         [](auto& item) {
             item->PutReminderSet(true);
             item->PutReminderMinutesBeforeStart(30);
         },
         [&](const auto& item) {
             EXPECT_EQ(utils_->HrGetOneProp(item, nextReminder).ToDate(), Utc(2007, 3, 5, 11, 30));
         }},
        {"reminder cleared", [](auto& item) { item->PutReminderSet(false); },
         [&](const auto& item) { EXPECT_FALSE(Has(item, nextReminder)); }},
        {"series", [](auto& item) { item->GetRecurrencePattern()->PutOccurrences(3); },
         [](const auto& item) { EXPECT_EQ(item->GetRecurrencePattern()->GetOccurrences(), 3); }},
        {"occurrence deleted",
         [](auto& item) {
             item->GetRecurrencePattern()->GetOccurrence(Local(2007, 3, 12, 7))->Delete();
         },
         [](const auto& item) {
             EXPECT_THROW(item->GetRecurrencePattern()->GetOccurrence(Local(2007, 3, 12, 7)),
                          _com_error);
             EXPECT_NO_THROW(item->GetRecurrencePattern()->GetOccurrence(Local(2007, 3, 19, 7)));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CComPtr<_AppointmentItem> item = Stored();
        c.change(item);
        item->Save();
        EXPECT_TRUE(item->GetSaved());
        c.check(Stored());
    }
}

TEST_F(SaveChangesTest, EveryPropertyOfANewItemIsKept) {
    // More properties than one statement writes, including the store's own.
    std::vector<LONG> tags;
    for (LONG id = 1; id <= 19; ++id) {
        tags.push_back(utils_->GetIDsFromNames(Stored(), PSETID_Common, 0x9000 + id, true) |
                       PT_LONG);
    }
    CComPtr<_AppointmentItem> item = Appointment(Calendar()->GetItems()->Add());
    item->PutStart(Local(2007, 3, 8, 9));
    for (size_t i = 0; i < tags.size(); ++i) {
        utils_->HrSetOneProp(item, tags[i], _variant_t(static_cast<LONG>(i * 7)), false);
    }
    item->Save();

    CComPtr<_AppointmentItem> stored =
        Appointment(Open()->GetSession()->GetItemFromID(item->GetEntryID()));
    for (size_t i = 0; i < tags.size(); ++i) {
        EXPECT_EQ(utils_->HrGetOneProp(stored, tags[i]).ToLong(), static_cast<LONG>(i * 7)) << i;
    }
    const LONG commonStart = Tag(PSETID_Common, dispidCommonStart, PT_SYSTIME);
    EXPECT_EQ(utils_->HrGetOneProp(stored, commonStart).ToDate(), Utc(2007, 3, 8, 14));
}

TEST_F(SaveChangesTest, SettingAPropertyKeepsWhatAnotherWriterSavedMeanwhile) {
    CComPtr<_AppointmentItem> mine = Stored();
    CComPtr<_AppointmentItem> theirs = Stored();
    theirs->PutSubject(u"Renamed elsewhere");
    theirs->GetRecipients()->Add(u"bob@x.org");
    theirs->Save();

    utils_->HrSetOneProp(mine, PR_SENDER_EMAIL_ADDRESS, _variant_t(u"me@x.org"), true);
    EXPECT_TRUE(mine->GetSaved());
    CComPtr<_AppointmentItem> after = Stored();
    EXPECT_EQ(after->GetSubject(), u"Renamed elsewhere");
    EXPECT_EQ(after->GetRecipients()->GetCount(), 1);
    EXPECT_EQ(utils_->HrGetOneProp(after, PR_SENDER_EMAIL_ADDRESS).ToString(), u"me@x.org");
}

// A plain Save (no change recorded) puts the item back as this object holds
// it, over what another object or another store object saved meanwhile.
TEST_F(SaveChangesTest, APlainSaveWritesBackOverWhatOthersSavedMeanwhile) {
    CComPtr<_AppointmentItem> mine = NewAppointment(Local(2007, 3, 6, 9), 30, u"Review");
    CComPtr<_AppointmentItem> sameStore =
        Appointment(outlook_->GetSession()->GetItemFromID(mine->GetEntryID()));
    sameStore->PutSubject(u"Renamed here");
    sameStore->Save();
    mine->Save();
    EXPECT_EQ(Appointment(Open()->GetSession()->GetItemFromID(mine->GetEntryID()))->GetSubject(),
              u"Review");

    CComPtr<_AppointmentItem> otherStore =
        Appointment(Open()->GetSession()->GetItemFromID(mine->GetEntryID()));
    otherStore->PutLocation(u"Elsewhere");
    otherStore->Save();
    mine->Save();
    EXPECT_TRUE(mine->GetSaved());
    EXPECT_EQ(Appointment(Open()->GetSession()->GetItemFromID(mine->GetEntryID()))->GetLocation(),
              u"");
}

// Saving a changed field writes the item's other fields too when another
// writer changed them since this object's last save; otherwise the fields
// saved before stay as they were.
TEST_F(SaveChangesTest, AChangedFieldIsSavedWithTheItemsOtherFields) {
    CComPtr<_AppointmentItem> mine = NewAppointment(Local(2007, 3, 6, 9), 30, u"Review");
    mine->PutLocation(u"Room 1");
    mine->Save();
    mine->PutBusyStatus(olOutOfOffice);
    mine->Save();
    CComPtr<_AppointmentItem> stored =
        Appointment(Open()->GetSession()->GetItemFromID(mine->GetEntryID()));
    EXPECT_EQ(stored->GetSubject(), u"Review");
    EXPECT_EQ(stored->GetLocation(), u"Room 1");
    EXPECT_EQ(stored->GetBusyStatus(), olOutOfOffice);
    EXPECT_EQ(stored->GetStart(), Local(2007, 3, 6, 9));

    stored->PutLocation(u"Elsewhere");
    stored->PutStart(Local(2007, 3, 7, 10));
    stored->Save();
    mine->PutSubject(u"Review 2");
    mine->Save();
    CComPtr<_AppointmentItem> after =
        Appointment(Open()->GetSession()->GetItemFromID(mine->GetEntryID()));
    EXPECT_EQ(after->GetSubject(), u"Review 2");
    EXPECT_EQ(after->GetLocation(), u"Room 1");
    EXPECT_EQ(after->GetStart(), Local(2007, 3, 6, 9));
}

// One object saving different fields in turn, and texts changed to others
// of the same length: each save writes exactly what changed.
TEST_F(SaveChangesTest, SavesOfDifferentFieldsInTurnAreEachKept) {
    CComPtr<_AppointmentItem> mine = NewAppointment(Local(2007, 3, 6, 9), 30, u"Review");
    mine->PutBody(u"agenda: one");
    mine->Save();
    const std::function<void()> steps[] = {
        [&] { mine->PutBody(u"agenda: two"); },
        [&] { mine->PutSubject(u"Weview"); },
        [&] {
            mine->PutLocation(u"Room 2");
            mine->PutBusyStatus(olFree);
        },
        [&] { mine->PutBody(u"agenda: six"); },
        [&] { mine->PutSubject(u"Reviex"); },
    };
    for (const auto& step : steps) {
        step();
        mine->Save();
    }
    CComPtr<_AppointmentItem> stored =
        Appointment(Open()->GetSession()->GetItemFromID(mine->GetEntryID()));
    EXPECT_EQ(stored->GetBody(), u"agenda: six");
    EXPECT_EQ(stored->GetSubject(), u"Reviex");
    EXPECT_EQ(stored->GetLocation(), u"Room 2");
    EXPECT_EQ(stored->GetBusyStatus(), olFree);
    EXPECT_EQ(stored->GetStart(), Local(2007, 3, 6, 9));
}

TEST_F(SaveChangesTest, ADeletedItemLeavesNoPartsBehind) {
    CComPtr<_AppointmentItem> item = Stored();
    utils_->HrSetOneProp(item, PR_SENDER_EMAIL_ADDRESS, _variant_t(u"me@x.org"), false);
    item->GetRecipients()->Add(u"ann@x.org");
    item->GetRecurrencePattern()->PutOccurrences(3);
    item->Save();
    item->GetRecurrencePattern()->GetOccurrence(Local(2007, 3, 12, 9))->Delete();
    item->Delete();

    SqliteDatabase db(StorePath(), false);
    for (const char* table : {"items", "exceptions"}) {
        SqliteStatement count(db.Handle(), std::string("SELECT count(*) FROM ") + table);
        ASSERT_TRUE(count.Step());
        EXPECT_EQ(count.Int(0), 0) << table;
    }
}

TEST_F(SaveChangesTest, ABatchIsSeenByItsOwnSessionAndByOthersOnlyOnceCommitted) {
    CComPtr<_Application> other = Open();
    {
        SaveBatch batch(outlook_,
                        [](const std::string& text, LONG, int) { ADD_FAILURE() << text; });
        NewAppointment(Local(2007, 3, 6, 9), 60, u"Batched one");
        NewAppointment(Local(2007, 3, 7, 9), 60, u"Batched two");
        CComPtr<_Items> found = Calendar()->GetItems()->Restrict(u"[Subject] = 'Batched two'");
        EXPECT_EQ(found->GetCount(), 1);
        EXPECT_EQ(CountIn(other), 1);
    }
    EXPECT_EQ(CountIn(other), 3);
}

TEST_F(SaveChangesTest, ABatchLeftWithoutCommitLeavesNoneOfItsItems) {
    CComPtr<ISaveBatching> batching = QueryInterface<ISaveBatching>(outlook_);
    ASSERT_TRUE(batching);
    batching->BeginSaveBatch();
    NewAppointment(Local(2007, 3, 6, 9), 60, u"Kept");
    batching->CommitSaveBatch();
    batching->BeginSaveBatch();
    NewAppointment(Local(2007, 3, 7, 9), 60, u"Dropped");
    Appointment(outlook_->GetSession()->GetItemFromID(id_))->Delete();
    batching.Release();
    outlook_.Release();

    CComPtr<_Application> reopened = Open();
    EXPECT_EQ(CountIn(reopened), 2);
    CComPtr<_Items> kept = reopened->GetSession()
                               ->GetDefaultFolder(olFolderCalendar)
                               ->GetItems()
                               ->Restrict(u"[Subject] = 'Kept'");
    EXPECT_EQ(kept->GetCount(), 1);
    EXPECT_TRUE(Stored());
}

TEST_F(SaveChangesTest, AFullBatchIsCommittedByTheNextItem) {
    CComPtr<_Application> other = Open();
    SaveBatch batch(outlook_, [](const std::string& text, LONG, int) { ADD_FAILURE() << text; });
    for (int i = 0; i < SaveBatch::kMaxItems; ++i) {
        batch.NextItem();
        NewAppointment(Local(2007, 4, 1 + i % 28, 9), 30, u"Item");
    }
    EXPECT_LT(CountIn(other), SaveBatch::kMaxItems + 1);
    batch.NextItem();
    EXPECT_EQ(CountIn(other), SaveBatch::kMaxItems + 1);
}

// The log of a large batch is copied into the store's file while the store
// stays open and does nothing more; closing the store leaves no log behind.
TEST_F(SaveChangesTest, ALargeBatchReachesTheStoreFileWhileTheStoreStaysOpen) {
    constexpr int kItems = 1500;
    const std::int64_t before = FileSize(StorePath());
    {
        SaveBatch batch(outlook_,
                        [](const std::string& text, LONG, int) { ADD_FAILURE() << text; });
        for (int i = 0; i < kItems; ++i) {
            batch.NextItem();
            CComPtr<_AppointmentItem> item =
                QueryInterface<_AppointmentItem>(Calendar()->GetItems()->Add());
            item->PutStart(Local(2008, 1 + i % 12, 1 + i % 28, 9));
            item->PutSubject(u"Item");
            item->PutBody(std::u16string(3000, u'b'));
            item->Save();
        }
    }
    const std::int64_t written = before + kItems * 3000;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (FileSize(StorePath()) < written && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GE(FileSize(StorePath()), written);
    outlook_.Release();
    EXPECT_EQ(FileSize(StorePath() + "-wal"), -1);
    EXPECT_EQ(CountIn(Open()), kItems + 1);
}

// A new item whose save fails inside a batch after part of it was written
// (its second changed occurrence repeats the first one's day) leaves nothing
// of it, and the batch keeps the items saved before and after it.
TEST_F(SaveChangesTest, ANewItemWhoseSaveFailsInABatchLeavesNothingOfIt) {
    std::shared_ptr<CalendarStore> store = CalendarStore::Open(StorePath(), false);
    auto record = [&](const char16_t* subject) {
        AppointmentRecord item;
        item.folderId = store->DefaultFolder(kRoleCalendar)->id;
        item.subject = subject;
        item.recipients = {{u"Ann", u"ann@example.com", 1}};
        item.exceptions.emplace();
        return item;
    };
    AppointmentRecord before = record(u"Before");
    AppointmentRecord failing = record(u"Failing");
    ExceptionRecord moved;
    moved.originalDay = 200;
    failing.exceptions = {moved, moved};
    AppointmentRecord after = record(u"After");
    std::unique_ptr<SqliteTransaction> batch = store->BeginTransaction();
    store->SaveItem(before, ItemChanges::Whole());
    EXPECT_THROW(store->SaveItem(failing, ItemChanges::Whole()), _com_error);
    EXPECT_EQ(failing.id, 0);
    store->SaveItem(after, ItemChanges::Whole());
    batch->Commit();

    CComPtr<_Items> items = Open()->GetSession()->GetDefaultFolder(olFolderCalendar)->GetItems();
    EXPECT_EQ(items->GetCount(), 3);
    EXPECT_EQ(items->Restrict(u"[Subject] = 'Failing'")->GetCount(), 0);
    SqliteDatabase reader(StorePath(), false);
    const std::pair<const char*, int> parts[] = {
        {"SELECT count(*) FROM items WHERE recipients IS NOT NULL", 2},
        {"SELECT count(*) FROM exceptions", 0}};
    for (const auto& [sql, expected] : parts) {
        SqliteStatement count(reader.Handle(), sql);
        ASSERT_TRUE(count.Step());
        EXPECT_EQ(count.Int(0), expected) << sql;
    }
}

} // namespace
