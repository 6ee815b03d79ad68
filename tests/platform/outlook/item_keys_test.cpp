// A search for an appointment by subject and start (an import's conflict
// search) answers "none" from the store's keys of its items without a query;
// it has to find every item all the same: saved since the keys were read,
// changed, saved by another writer, or held back in a save batch.

#include "engine/common/save_batch.h"
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
    keys.Drop();
    EXPECT_TRUE(keys.MayHold(1, u"Anything", 0));
}

} // namespace
