// A search for appointments by subject and start (an import's conflict
// search, or the single items around a new series' occurrences) answers
// "none" from the store's keys of its items without a query; it has to find
// every item all the same: saved since the keys were read, changed, saved by
// another writer, held back in a save batch, or back as it was before a
// rollback.

#include "engine/common/save_batch.h"
#include "platform/outlook/calendar_store.h"
#include "platform/outlook/item_keys.h"
#include "tests/platform/outlook/store_fixture.h"

namespace {

class ConflictSearchTest : public StoreTest {
protected:
    static LONG Found(const CComPtr<_Application>& outlook, const std::u16string& subject,
                      const std::u16string& start) {
        return outlook->GetSession()
            ->GetDefaultFolder(olFolderCalendar)
            ->GetItems()
            ->Restrict(u"[Start] = '" + start + u"' And [Subject] = '" + subject + u"'")
            ->GetCount();
    }
};

TEST_F(ConflictSearchTest, FindsItemsSavedOrChangedSinceTheFirstSearch) {
    EXPECT_EQ(Found(outlook_, u"Review", u"3/5/2007 9:00 AM"), 0);
    CComPtr<_AppointmentItem> item = NewAppointment(Local(2007, 3, 5, 9), 60, u"Review");
    EXPECT_EQ(Found(outlook_, u"Review", u"3/5/2007 9:00 AM"), 1);
    EXPECT_EQ(Found(outlook_, u"REVIEW", u"3/5/2007 9:00 AM"), 1);
    EXPECT_EQ(Found(outlook_, u"Review", u"3/5/2007 10:00 AM"), 0);
    item->PutStart(Local(2007, 3, 5, 10));
    item->PutSubject(u"Retro");
    item->Save();
    EXPECT_EQ(Found(outlook_, u"Retro", u"3/5/2007 10:00 AM"), 1);
    EXPECT_EQ(Found(outlook_, u"Review", u"3/5/2007 9:00 AM"), 0);
}

TEST_F(ConflictSearchTest, FindsWhatAnotherWriterSavedAfterTheFirstSearch) {
    EXPECT_EQ(Found(outlook_, u"Review", u"3/5/2007 9:00 AM"), 0);
    CComPtr<_Application> other = Open();
    CComPtr<_AppointmentItem> item = QueryInterface<_AppointmentItem>(
        other->GetSession()->GetDefaultFolder(olFolderCalendar)->GetItems()->Add());
    item->PutStart(Local(2007, 3, 5, 9));
    item->PutSubject(u"Review");
    item->Save();
    EXPECT_EQ(Found(outlook_, u"Review", u"3/5/2007 9:00 AM"), 1);
}

TEST_F(ConflictSearchTest, FindsASeriesHeldBackInASaveBatch) {
    EXPECT_EQ(Found(outlook_, u"Weekly", u"3/5/2007 9:00 AM"), 0);
    SaveBatch batch(outlook_, [](const std::string& text, LONG, int) { ADD_FAILURE() << text; });
    CComPtr<_AppointmentItem> item =
        QueryInterface<_AppointmentItem>(Calendar()->GetItems()->Add());
    item->PutStart(Local(2007, 3, 5, 9));
    item->PutSubject(u"Weekly");
    item->GetRecurrencePattern()->PutRecurrenceType(olRecursWeekly);
    item->Save();
    EXPECT_EQ(Found(outlook_, u"Weekly", u"3/5/2007 9:00 AM"), 1);
}

// The search an import makes for a new series' occurrences: by subject and
// a range of starts, recurrences included.
TEST_F(ConflictSearchTest, AnOccurrenceSearchFindsSingleItemsSavedSinceTheFirstSearch) {
    auto found = [&] {
        CComPtr<_Items> items = Calendar()->GetItems();
        items->Sort(u"[Start]");
        items->PutIncludeRecurrences(true);
        return items
            ->Restrict(u"[Start] >= \"3/5/2007 09:00 AM\" And [Start] <= \"3/19/2007 09:00 AM\" "
                       u"And [Subject] = \"Review\"")
            ->GetCount();
    };
    EXPECT_EQ(found(), 0);
    NewAppointment(Local(2007, 3, 5, 9), 60, u"Review");
    NewAppointment(Local(2007, 3, 19, 9, 1), 60, u"Review");
    NewAppointment(Local(2007, 3, 12, 9), 60, u"Other");
    EXPECT_EQ(found(), 1);
    CComPtr<_AppointmentItem> item = QueryInterface<_AppointmentItem>(
        Open()->GetSession()->GetDefaultFolder(olFolderCalendar)->GetItems()->Add());
    item->PutStart(Local(2007, 3, 19, 9));
    item->PutSubject(u"REVIEW");
    item->Save();
    EXPECT_EQ(found(), 2);
}

// A changed occurrence is found by its own subject, also when its series
// was saved after the keys were read, or by another writer.
TEST_F(ConflictSearchTest, AnOccurrenceSearchFindsChangedOccurrencesByTheirSubject) {
    auto found = [&](const std::u16string& subject) {
        CComPtr<_Items> items = Calendar()->GetItems();
        items->Sort(u"[Start]");
        items->PutIncludeRecurrences(true);
        return items
            ->Restrict(u"[Start] >= '3/1/2007' And [Start] <= '3/31/2007' And [Subject] = '" +
                       subject + u"'")
            ->GetCount();
    };
    EXPECT_EQ(found(u"Moved"), 0);
    CComPtr<_AppointmentItem> series = NewAppointment(Local(2007, 3, 5, 9), 60, u"Weekly");
    series->GetRecurrencePattern()->PutOccurrences(4);
    series->Save();
    CComPtr<_AppointmentItem> moved =
        series->GetRecurrencePattern()->GetOccurrence(Local(2007, 3, 12, 9));
    moved->PutSubject(u"Moved");
    moved->Save();
    NewAppointment(Local(2007, 3, 6, 9), 60, u"Saved after the series");
    EXPECT_EQ(found(u"moved"), 1);
    CComPtr<_AppointmentItem> other =
        Appointment(Open()->GetSession()->GetItemFromID(series->GetEntryID()));
    CComPtr<_AppointmentItem> renamed =
        other->GetRecurrencePattern()->GetOccurrence(Local(2007, 3, 19, 9));
    renamed->PutSubject(u"Renamed");
    renamed->Save();
    EXPECT_EQ(found(u"Renamed"), 1);
    EXPECT_EQ(found(u"Weekly"), 2);
}

// Every series with the subject is found, the one saved last and the others,
// also one saved alike (same subject and start) and one of another writer.
TEST_F(ConflictSearchTest, AnOccurrenceSearchFindsEverySeriesWithTheSubject) {
    auto found = [&] {
        CComPtr<_Items> items = Calendar()->GetItems();
        items->Sort(u"[Start]");
        items->PutIncludeRecurrences(true);
        return items
            ->Restrict(u"[Start] >= '3/1/2007' And [Start] <= '3/31/2007' And [Subject] = 'Weekly'")
            ->GetCount();
    };
    // The search right after a save, as an import makes it, holds the saved
    // series' object.
    auto weekly = [&](const CComPtr<MAPIFolder>& folder) {
        CComPtr<_AppointmentItem> series = Appointment(folder->GetItems()->Add());
        series->PutStart(Local(2007, 3, 5, 9));
        series->PutSubject(u"Weekly");
        series->GetRecurrencePattern()->PutOccurrences(4);
        series->Save();
        return series;
    };
    EXPECT_EQ(found(), 0);
    CComPtr<_AppointmentItem> first = weekly(Calendar());
    EXPECT_EQ(found(), 4);
    CComPtr<_AppointmentItem> second = weekly(Calendar());
    EXPECT_EQ(found(), 8);
    NewAppointment(Local(2007, 3, 6, 9), 60, u"Saved last");
    EXPECT_EQ(found(), 8);
    CComPtr<_AppointmentItem> other =
        weekly(Open()->GetSession()->GetDefaultFolder(olFolderCalendar));
    EXPECT_EQ(found(), 12);
}

// A series whose pattern ends before the searched range is found all the
// same by an occurrence moved into it, saved after the keys were read.
TEST_F(ConflictSearchTest, AnOccurrenceSearchFindsASeriesByAnOccurrenceMovedIntoTheRange) {
    auto found = [&] {
        CComPtr<_Items> items = Calendar()->GetItems();
        items->Sort(u"[Start]");
        items->PutIncludeRecurrences(true);
        return items
            ->Restrict(u"[Start] >= '6/1/2007' And [Start] <= '6/30/2007' And [Subject] = 'Weekly'")
            ->GetCount();
    };
    EXPECT_EQ(found(), 0);
    CComPtr<_AppointmentItem> series = NewAppointment(Local(2007, 3, 5, 9), 60, u"Weekly");
    series->GetRecurrencePattern()->PutOccurrences(4);
    series->Save();
    EXPECT_EQ(found(), 0);
    CComPtr<_AppointmentItem> moved =
        series->GetRecurrencePattern()->GetOccurrence(Local(2007, 3, 19, 9));
    moved->PutStart(Local(2007, 6, 12, 9));
    moved->Save();
    NewAppointment(Local(2007, 6, 13, 9), 60, u"Saved last");
    EXPECT_EQ(found(), 1);
}

// Keys read inside a transaction see its changes; once it is rolled back
// the items are as they were before it, and are found so.
TEST_F(ConflictSearchTest, FindsAnItemAsItWasBeforeARollback) {
    outlook_.Release();
    std::shared_ptr<CalendarStore> store = CalendarStore::Open(StorePath(), false);
    const std::int64_t folderId = store->DefaultFolder(kRoleCalendar)->id;
    AppointmentRecord record;
    record.folderId = folderId;
    record.subject = u"Review";
    record.startUtc = 1000;
    record.endUtc = 2000;
    store->SaveItem(record, ItemChanges::Whole());
    {
        std::unique_ptr<SqliteTransaction> transaction = store->BeginTransaction();
        AppointmentRecord changed = record;
        changed.subject = u"Retro";
        store->SaveItem(changed, ItemChanges::Whole());
        EXPECT_FALSE(store->MayHoldItem(folderId, u"Review", 1000, 1000));
    }
    EXPECT_TRUE(store->MayHoldItem(folderId, u"Review", 1000, 1000));
}

TEST(ItemKeys, MayHoldWhatWasAddedAndAnythingBeforeItIsBuilt) {
    ItemKeys keys;
    EXPECT_TRUE(keys.MayHold(1, u"Review", 100));
    keys.Build();
    EXPECT_FALSE(keys.MayHold(1, u"Review", 100));
    keys.Add(1, u"Review", 100);
    EXPECT_TRUE(keys.MayHold(1, u"rEVIEW", 100));
    EXPECT_FALSE(keys.MayHold(2, u"Review", 100));
    EXPECT_FALSE(keys.MayHold(1, u"Review", 101));
    EXPECT_FALSE(keys.MayHold(1, u"Reviews", 100));
    keys.Add(1, u"Review", 300);
    EXPECT_TRUE(keys.MayHold(1, u"Review", 0, 100));
    EXPECT_TRUE(keys.MayHold(1, u"Review", 300, 400));
    EXPECT_TRUE(keys.MayHold(1, u"review", 150, 350));
    EXPECT_FALSE(keys.MayHold(1, u"Review", 101, 299));
    EXPECT_FALSE(keys.MayHold(1, u"Review", 301, 1000));
    keys.Drop();
    EXPECT_TRUE(keys.MayHold(1, u"Anything", 0));
}

TEST(ItemKeys, MayHoldTheSubjectsOfChangedOccurrences) {
    ItemKeys keys;
    EXPECT_TRUE(keys.MayHoldOccurrenceSubject(u"Moved"));
    keys.Build();
    AppointmentRecord series;
    series.subject = u"Weekly";
    ExceptionRecord moved;
    moved.subject = u"Moved";
    ExceptionRecord elsewhere;
    elsewhere.location = u"Elsewhere";
    series.exceptions = std::vector<ExceptionRecord>{moved, elsewhere};
    keys.Add(series);
    EXPECT_TRUE(keys.MayHoldOccurrenceSubject(u"MOVED"));
    EXPECT_FALSE(keys.MayHoldOccurrenceSubject(u"Weekly"));
    EXPECT_FALSE(keys.MayHoldOccurrenceSubject(u"Elsewhere"));
    keys.AddOccurrenceSubject(u"Renamed");
    EXPECT_TRUE(keys.MayHoldOccurrenceSubject(u"renamed"));
}

// A series may reach into a window by its pattern's range or by a changed
// occurrence; the series asking is left out.
TEST(ItemKeys, MayHoldSeriesThatReachIntoTheWindow) {
    ItemKeys keys;
    EXPECT_TRUE(keys.MayHoldSeries(1, u"Weekly", 0, 0, 100));
    keys.Build();
    EXPECT_FALSE(keys.MayHoldSeries(1, u"Weekly", 0, 0, 100));
    keys.AddSeries(
        1, u"Weekly",
        {.id = 7, .patternFrom = 1000, .patternTo = 2000, .changedFrom = 5000, .changedTo = 5000});
    EXPECT_TRUE(keys.MayHoldSeries(1, u"weekly", 0, 0, 1000));
    EXPECT_TRUE(keys.MayHoldSeries(1, u"Weekly", 0, 2000, 3000));
    EXPECT_TRUE(keys.MayHoldSeries(1, u"Weekly", 0, 4000, 6000));
    EXPECT_FALSE(keys.MayHoldSeries(1, u"Weekly", 0, 2001, 4999));
    EXPECT_FALSE(keys.MayHoldSeries(1, u"Weekly", 7, 0, 6000));
    EXPECT_FALSE(keys.MayHoldSeries(2, u"Weekly", 0, 0, 6000));
    // A later state of the same series widens what is known of it.
    keys.AddSeries(
        1, u"Weekly",
        {.id = 7, .patternFrom = 3000, .patternTo = 3500, .changedFrom = 1, .changedTo = 0});
    EXPECT_TRUE(keys.MayHoldSeries(1, u"Weekly", 0, 2500, 3000));
    EXPECT_TRUE(keys.MayHoldSeries(1, u"Weekly", 0, 1500, 1600));
    keys.AddSeries(
        1, u"Weekly",
        {.id = 8, .patternFrom = 9000, .patternTo = 9500, .changedFrom = 1, .changedTo = 0});
    EXPECT_TRUE(keys.MayHoldSeries(1, u"Weekly", 7, 9000, 9000));
    EXPECT_FALSE(keys.MayHoldSeries(1, u"Weekly", 7, 6000, 8000));
}

// The saves of one series add the same key again and again; a set built
// afresh in between holds it again all the same.
TEST(ItemKeys, AKeyAddedAgainAfterARebuildIsHeld) {
    ItemKeys keys;
    keys.Build();
    keys.Add(1, u"Weekly", 100);
    keys.Add(1, u"Weekly", 100);
    keys.Build();
    EXPECT_FALSE(keys.MayHold(1, u"Weekly", 100));
    keys.Add(1, u"Weekly", 100);
    EXPECT_TRUE(keys.MayHold(1, u"Weekly", 100));
    keys.Add(1, u"Weekly", 200);
    keys.Add(1, u"weekly", 100);
    EXPECT_TRUE(keys.MayHold(1, u"Weekly", 200));
}

} // namespace
