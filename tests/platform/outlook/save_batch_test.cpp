// Inside a save batch the store holds back the saves of a series while the
// same series is saved again, and gives new items their ids itself: what is
// stored in the end, what reads inside the batch find, and what a failure
// loses.

#include "engine/common/save_batch.h"
#include "platform/outlook/calendar_store.h"
#include "platform/outlook/sqlite_database.h"
#include "tests/platform/outlook/store_fixture.h"

namespace {

class SaveBatchTest : public StoreTest {
protected:
    CComPtr<_AppointmentItem> NewWeekly(const std::u16string& subject) {
        CComPtr<_AppointmentItem> item =
            QueryInterface<_AppointmentItem>(Calendar()->GetItems()->Add());
        item->PutStart(Local(2007, 3, 5, 9));
        item->PutDuration(60);
        item->PutSubject(subject);
        CComPtr<RecurrencePattern> pattern = item->GetRecurrencePattern();
        pattern->PutRecurrenceType(olRecursWeekly);
        pattern->PutDayOfWeekMask(olMonday);
        pattern->PutOccurrences(4);
        item->Save();
        return item;
    }
    // The occurrences (and single items) with the subject in March and
    // April 2007, as the import's search for a series' occurrences asks.
    static LONG Occurrences(const CComPtr<_Application>& outlook, const std::u16string& subject) {
        CComPtr<_Items> items =
            outlook->GetSession()->GetDefaultFolder(olFolderCalendar)->GetItems();
        items->Sort(u"[Start]", false);
        items->PutIncludeRecurrences(true);
        CComPtr<_Items> found = items->Restrict(u"[Subject] = '" + subject +
                                                u"' And [Start] >= '3/1/2007' And "
                                                u"[Start] < '5/1/2007'");
        LONG count = 0;
        for (CComPtr<IUnknown> item = found->GetFirst(); item; item = found->GetNext()) {
            ++count;
        }
        return count;
    }
    static LONG CountWithSubject(const CComPtr<_Application>& outlook,
                                 const std::u16string& subject) {
        return outlook->GetSession()
            ->GetDefaultFolder(olFolderCalendar)
            ->GetItems()
            ->Restrict(u"[Subject] = '" + subject + u"'")
            ->GetCount();
    }
    SaveBatch::FailureSink NoFailure() {
        return [](const std::string& text, LONG, int) { ADD_FAILURE() << text; };
    }
};

// The saves an import makes of a new series (its first save, a deleted
// occurrence, a changed field, its last save) with another item saved in
// between: a reader of the committed store finds each of them.
TEST_F(SaveBatchTest, ASeriesSavedAgainAndAgainIsStoredAsLastSaved) {
    std::u16string seriesId, singleId;
    {
        SaveBatch batch(outlook_, NoFailure());
        CComPtr<_AppointmentItem> series = NewWeekly(u"Weekly");
        seriesId = series->GetEntryID();
        EXPECT_EQ(Occurrences(outlook_, u"Weekly"), 4);
        series->GetRecurrencePattern()->GetOccurrence(Local(2007, 3, 12, 9))->Delete();
        EXPECT_EQ(Occurrences(outlook_, u"Weekly"), 3);
        singleId = NewAppointment(Local(2007, 3, 6, 9), 30, u"Between")->GetEntryID();
        series->PutLocation(u"Room 4");
        series->Save();
        series->Save();
    }
    CComPtr<_Application> reader = Open();
    EXPECT_NE(seriesId, singleId);
    EXPECT_EQ(Occurrences(reader, u"Weekly"), 3);
    CComPtr<_AppointmentItem> series = Appointment(reader->GetSession()->GetItemFromID(seriesId));
    EXPECT_EQ(series->GetLocation(), u"Room 4");
    EXPECT_EQ(series->GetRecurrencePattern()->GetOccurrences(), 4);
    EXPECT_EQ(Appointment(reader->GetSession()->GetItemFromID(singleId))->GetSubject(), u"Between");
}

// A stored series changed in one save and changed otherwise in the next
// (the saves join while held back) keeps both changes, in either order.
TEST_F(SaveBatchTest, AStoredSeriesChangedTwiceKeepsBothChanges) {
    using Change = void (*)(CComPtr<_AppointmentItem>&);
    const Change newLocation = [](CComPtr<_AppointmentItem>& series) {
        series->PutLocation(u"Room 4");
        series->Save();
    };
    const Change deletedOccurrence = [](CComPtr<_AppointmentItem>& series) {
        series->GetRecurrencePattern()->GetOccurrence(Local(2007, 3, 19, 9))->Delete();
    };
    const std::pair<Change, Change> orders[] = {{newLocation, deletedOccurrence},
                                                {deletedOccurrence, newLocation}};
    for (const auto& [first, second] : orders) {
        const std::u16string id = NewWeekly(u"Stored")->GetEntryID();
        {
            SaveBatch batch(outlook_, NoFailure());
            CComPtr<_AppointmentItem> series =
                Appointment(outlook_->GetSession()->GetItemFromID(id));
            // Reads its changed occurrences before it is saved.
            series->GetRecurrencePattern()->GetOccurrence(Local(2007, 3, 26, 9));
            first(series);
            second(series);
        }
        CComPtr<_Application> reader = Open();
        EXPECT_EQ(Appointment(reader->GetSession()->GetItemFromID(id))->GetLocation(), u"Room 4");
        EXPECT_EQ(Occurrences(reader, u"Stored"), 3);
        Appointment(outlook_->GetSession()->GetItemFromID(id))->Delete();
    }
}

// Whatever a read inside the batch asks for finds the series saved last:
// a search by its subject, by other fields, its entry id, the count.
TEST_F(SaveBatchTest, ReadsInsideTheBatchFindTheSeriesSavedLast) {
    SaveBatch batch(outlook_, NoFailure());
    const LONG before = Calendar()->GetItems()->GetCount();
    CComPtr<_AppointmentItem> series = NewWeekly(u"Held");
    EXPECT_EQ(CountWithSubject(outlook_, u"held"), 1);
    series->PutSubject(u"Renamed");
    series->Save();
    EXPECT_EQ(CountWithSubject(outlook_, u"Held"), 0);
    EXPECT_EQ(CountWithSubject(outlook_, u"Renamed"), 1);
    EXPECT_EQ(Calendar()->GetItems()->Restrict(u"[Start] = '3/5/2007 9:00 AM'")->GetCount(), 1);
    EXPECT_EQ(Calendar()->GetItems()->GetCount(), before + 1);
    EXPECT_EQ(
        Appointment(outlook_->GetSession()->GetItemFromID(series->GetEntryID()))->GetSubject(),
        u"Renamed");
}

// A store used directly: the calendar folder and a record to save.
class StoreSaveBatchTest : public StoreTest {
protected:
    void SetUp() override {
        outlook_.Release();
        store_ = CalendarStore::Open(StorePath(), false);
        folderId_ = store_->DefaultFolder(kRoleCalendar)->id;
    }
    AppointmentRecord Record(const char16_t* subject, bool series) {
        AppointmentRecord record;
        record.folderId = folderId_;
        record.subject = subject;
        record.exceptions.emplace();
        if (series) {
            record.pattern.emplace();
        }
        return record;
    }
    std::int64_t CountStored() {
        SqliteDatabase reader(StorePath(), false);
        SqliteStatement count(reader.Handle(), "SELECT count(*) FROM items");
        return count.Step() ? count.Int(0) : -1;
    }
    // The subjects of the stored items, in id order.
    std::vector<std::u16string> StoredSubjects() {
        SqliteDatabase reader(StorePath(), false);
        SqliteStatement query(reader.Handle(), "SELECT subject FROM items ORDER BY id");
        std::vector<std::u16string> subjects;
        while (query.Step()) {
            subjects.push_back(query.Text16(0));
        }
        return subjects;
    }

    std::shared_ptr<CalendarStore> store_;
    std::int64_t folderId_ = 0;
};

// New items of a batch take ids after every id the store ever gave, in the
// order they were saved, whether held back or written at once.
TEST_F(StoreSaveBatchTest, NewItemsTakeFreshIdsInTheOrderSaved) {
    AppointmentRecord gone = Record(u"Gone", false);
    store_->SaveItem(gone, ItemChanges::Whole());
    store_->DeleteItem(gone.id);
    AppointmentRecord series = Record(u"Series", true);
    AppointmentRecord single = Record(u"Single", false);
    std::unique_ptr<StoreSaveBatch> batch = store_->BeginSaveBatch();
    store_->SaveItem(series, ItemChanges::Whole());
    store_->SaveItem(single, ItemChanges::Whole());
    batch->Commit();
    EXPECT_GT(series.id, gone.id);
    EXPECT_GT(single.id, series.id);
    EXPECT_EQ(store_->LoadItem(series.id)->subject, u"Series");
    EXPECT_EQ(store_->LoadItem(single.id)->subject, u"Single");
}

// A held-back save whose write fails (here a trigger stands for a full
// disk) loses the whole batch, and says so: later saves in the batch and
// its commit raise the failure. The next batch works again.
TEST_F(StoreSaveBatchTest, AHeldBackWriteThatFailsLosesTheBatchAndSaysSo) {
    {
        SqliteDatabase other(StorePath(), false);
        other.Exec("CREATE TRIGGER refuse BEFORE INSERT ON items WHEN NEW.subject = 'Boom' "
                   "BEGIN SELECT RAISE(FAIL, 'no room left'); END;");
    }
    store_ = CalendarStore::Open(StorePath(), false);
    AppointmentRecord before = Record(u"Before", false);
    AppointmentRecord boom = Record(u"Boom", true);
    AppointmentRecord after = Record(u"After", false);
    std::unique_ptr<StoreSaveBatch> batch = store_->BeginSaveBatch();
    store_->SaveItem(before, ItemChanges::Whole());
    store_->SaveItem(boom, ItemChanges::Whole());
    store_->CountItems(folderId_);
    EXPECT_THROW(store_->SaveItem(after, ItemChanges::Whole()), _com_error);
    try {
        batch->Commit();
        ADD_FAILURE() << "the commit of a lost batch succeeded";
    } catch (const _com_error& e) {
        EXPECT_NE(e.Description().find(u"no room left"), std::u16string::npos);
    }
    batch.reset();
    EXPECT_EQ(CountStored(), 0);

    AppointmentRecord next = Record(u"Next", true);
    batch = store_->BeginSaveBatch();
    store_->SaveItem(next, ItemChanges::Whole());
    batch->Commit();
    EXPECT_EQ(CountStored(), 1);
}

// A later save of a held-back series that breaks the store's constraints
// (a changed occurrence's day twice) fails alone: the series stays as it
// was saved before, and the batch goes on.
TEST_F(StoreSaveBatchTest, ASaveThatBreaksAConstraintFailsAlone) {
    AppointmentRecord series = Record(u"Series", true);
    std::unique_ptr<StoreSaveBatch> batch = store_->BeginSaveBatch();
    store_->SaveItem(series, ItemChanges::Whole());
    ExceptionRecord moved;
    moved.originalDay = 200;
    series.exceptions = {moved, moved};
    ItemChanges changes;
    changes.exceptions = true;
    EXPECT_THROW(store_->SaveItem(series, changes), _com_error);
    AppointmentRecord single = Record(u"Single", false);
    store_->SaveItem(single, ItemChanges::Whole());
    batch->Commit();
    std::optional<AppointmentRecord> stored = store_->LoadItem(series.id);
    ASSERT_TRUE(stored);
    store_->LoadExceptions(*stored);
    EXPECT_TRUE(stored->exceptions->empty());
    EXPECT_EQ(CountStored(), 2);
}

// A transaction begun inside a batch and left without commit takes back its
// own saves, and only those: none of them is held back past it.
TEST_F(StoreSaveBatchTest, ATransactionInsideTheBatchTakesBackItsOwnSavesOnly) {
    AppointmentRecord kept = Record(u"Kept", true);
    AppointmentRecord undone = Record(u"Undone", true);
    AppointmentRecord later = Record(u"Later", true);
    std::unique_ptr<StoreSaveBatch> batch = store_->BeginSaveBatch();
    store_->SaveItem(kept, ItemChanges::Whole());
    {
        std::unique_ptr<SqliteTransaction> inner = store_->BeginTransaction();
        store_->SaveItem(undone, ItemChanges::Whole());
    }
    store_->SaveItem(later, ItemChanges::Whole());
    batch->Commit();
    EXPECT_EQ(StoredSubjects(), (std::vector<std::u16string>{u"Kept", u"Later"}));
}

} // namespace
