#include "tests/platform/outlook/store_fixture.h"

namespace {

using FolderTest = StoreTest;

// The folder path as the pages render it: "\\" + store + "\" + folder ...
std::u16string PathOf(const CComPtr<MAPIFolder>& folder) {
    CComPtr<IUnknown> parent = folder->GetParent();
    CComPtr<MAPIFolder> parentFolder = QueryInterface<MAPIFolder>(parent);
    if (!parentFolder || parentFolder->GetClass() != olFolder) {
        return u"\\\\" + folder->GetName();
    }
    return PathOf(parentFolder) + u"\\" + folder->GetName();
}

TEST_F(FolderTest, NewStoreHoldsPersonalFoldersWithCalendarAndInbox) {
    CComPtr<_NameSpace> session = outlook_->GetSession();
    CComPtr<MAPIFolder> calendar = session->GetDefaultFolder(olFolderCalendar);
    CComPtr<MAPIFolder> inbox = session->GetDefaultFolder(olFolderInbox);
    EXPECT_EQ(PathOf(calendar), u"\\\\Personal Folders\\Calendar");
    EXPECT_EQ(PathOf(inbox), u"\\\\Personal Folders\\Inbox");
    EXPECT_EQ(calendar->GetDefaultItemType(), olAppointmentItem);
    EXPECT_EQ(inbox->GetDefaultItemType(), olMailItem);
    EXPECT_EQ(calendar->GetClass(), olFolder);
    EXPECT_NE(calendar->GetEntryID(), inbox->GetEntryID());
    EXPECT_THROW(session->GetDefaultFolder(3), _com_error);

    CComPtr<_Folders> stores = session->GetFolders();
    ASSERT_EQ(stores->GetCount(), 1);
    CComPtr<MAPIFolder> top = stores->Item(_variant_t(1, VT_INT));
    EXPECT_EQ(top->GetName(), u"Personal Folders");
    CComPtr<_NameSpace> parent = QueryInterface<_NameSpace>(top->GetParent());
    ASSERT_TRUE(parent);
    EXPECT_NE(parent->GetClass(), olFolder);
    EXPECT_EQ(top->GetFolders()->Item(_variant_t(u"Calendar"))->GetEntryID(),
              calendar->GetEntryID());
}

TEST_F(FolderTest, AddedFoldersPersistAndNamesAreUniqueAmongSiblings) {
    CComPtr<_Folders> below = Calendar()->GetFolders();
    CComPtr<MAPIFolder> work = below->Add(u"Work");
    EXPECT_EQ(PathOf(work), u"\\\\Personal Folders\\Calendar\\Work");
    EXPECT_THROW(below->Add(u"Work"), _com_error);

    CComPtr<_Application> again = Open();
    CComPtr<MAPIFolder> found = again->GetSession()->GetFolderFromID(work->GetEntryID());
    EXPECT_EQ(found->GetName(), u"Work");
    EXPECT_EQ(found->GetDefaultItemType(), olAppointmentItem);
}

// A folder that a transaction added and took back again is not found,
// though it was looked up before; one added afterwards is.
TEST_F(FolderTest, AFolderTakenBackWithItsTransactionIsNotFound) {
    std::u16string id;
    {
        StoreTransaction transaction(outlook_);
        CComPtr<MAPIFolder> work = Calendar()->GetFolders()->Add(u"Work");
        id = work->GetEntryID();
        EXPECT_EQ(outlook_->GetSession()->GetFolderFromID(id)->GetName(), u"Work");
    }
    EXPECT_THROW(outlook_->GetSession()->GetFolderFromID(id), _com_error);
    CComPtr<MAPIFolder> again = Calendar()->GetFolders()->Add(u"Work");
    EXPECT_EQ(outlook_->GetSession()->GetFolderFromID(again->GetEntryID())->GetName(), u"Work");
}

// Entry ids are a prefix per kind and the row id in 16 upper-case hex
// digits: fixed length, distinct, and resolved again by the session.
TEST_F(FolderTest, EntryIdsNameItemsAndFoldersApart) {
    CComPtr<_AppointmentItem> first =
        QueryInterface<_AppointmentItem>(Calendar()->GetItems()->Add());
    first->Save();
    CComPtr<_AppointmentItem> second =
        QueryInterface<_AppointmentItem>(Calendar()->GetItems()->Add());
    second->Save();
    const std::u16string folderId = Calendar()->GetEntryID();
    for (const std::u16string& id : {first->GetEntryID(), second->GetEntryID(), folderId}) {
        ASSERT_EQ(id.size(), 34u);
        EXPECT_EQ(id.find_first_not_of(u"0123456789ABCDEF"), std::u16string::npos);
    }
    EXPECT_NE(first->GetEntryID(), second->GetEntryID());
    EXPECT_EQ(first->GetEntryID().substr(0, 18), second->GetEntryID().substr(0, 18));
    EXPECT_NE(folderId.substr(0, 18), first->GetEntryID().substr(0, 18));
    CComPtr<_NameSpace> session = Open()->GetSession();
    EXPECT_EQ(QueryInterface<_AppointmentItem>(session->GetItemFromID(second->GetEntryID()))
                  ->GetEntryID(),
              second->GetEntryID());
    EXPECT_EQ(session->GetFolderFromID(folderId)->GetName(), u"Calendar");
    EXPECT_THROW(session->GetItemFromID(folderId), _com_error);
}

TEST_F(FolderTest, ExplorerShowsTheCalendarAndTakesAnotherFolder) {
    CComPtr<_Explorer> explorer = outlook_->ActiveExplorer();
    EXPECT_EQ(explorer->GetCurrentFolder()->GetEntryID(), Calendar()->GetEntryID());
    CComPtr<MAPIFolder> inbox = outlook_->GetSession()->GetDefaultFolder(olFolderInbox);
    explorer->PutRefCurrentFolder(inbox);
    EXPECT_EQ(outlook_->ActiveExplorer()->GetCurrentFolder()->GetName(), u"Inbox");
}

TEST_F(FolderTest, SelectionListsTheChosenItemsAndOccurrences) {
    CComPtr<_AppointmentItem> single = NewAppointment(Local(2007, 3, 5, 9), 30, u"One");
    CComPtr<_AppointmentItem> series = NewAppointment(Local(2007, 3, 6, 10), 60, u"Weekly");
    series->GetRecurrencePattern();
    series->Save();
    SetExplorerSelection(outlook_, {{single->GetEntryID(), std::nullopt},
                                    {series->GetEntryID(), Local(2007, 3, 13, 10)}});
    CComPtr<Selection> selection = outlook_->ActiveExplorer()->GetSelection();
    ASSERT_EQ(selection->GetCount(), 2);
    EXPECT_EQ(Appointment(selection->Item(_variant_t(1, VT_INT)))->GetSubject(), u"One");
    CComPtr<_AppointmentItem> occurrence = Appointment(selection->Item(_variant_t(2, VT_INT)));
    EXPECT_EQ(occurrence->GetRecurrenceState(), olApptOccurrence);
    EXPECT_EQ(occurrence->GetEntryID(), series->GetEntryID());
    EXPECT_EQ(occurrence->GetRecurrencePattern()->GetParent()->GetRecurrenceState(), olApptMaster);
}

TEST_F(FolderTest, PickFolderAsksTheHostAndIsCancelledWithoutIt) {
    EXPECT_FALSE(outlook_->GetSession()->PickFolder());
    OutlookHooks hooks;
    hooks.pickFolder = [](_NameSpace& session) { return session.GetDefaultFolder(olFolderInbox); };
    CComPtr<_Application> withPicker = OpenOutlookStore(StorePath(), false, u"14.0", hooks);
    EXPECT_EQ(withPicker->GetSession()->PickFolder()->GetName(), u"Inbox");
    EXPECT_EQ(withPicker->GetVersion(), u"14.0");
}

TEST_F(FolderTest, MailItemsCollectAttachmentsOfExistingFiles) {
    const std::string file = folder_.Write("a.ics", "BEGIN:VCALENDAR");
    CComPtr<_MailItem> mail = QueryInterface<_MailItem>(outlook_->CreateItem(olMailItem));
    ASSERT_TRUE(mail);
    mail->GetAttachments()->Add(_variant_t(std::u16string(file.begin(), file.end())));
    EXPECT_THROW(mail->GetAttachments()->Add(_variant_t(u"/no/such/file.ics")), _com_error);
    ASSERT_EQ(mail->GetAttachments()->GetCount(), 1);
    EXPECT_EQ(mail->GetAttachments()->Item(_variant_t(1, VT_INT))->GetFileName(), u"a.ics");
    EXPECT_EQ(mail->GetAttachments()->Item(_variant_t(1, VT_INT))->GetSize(), 15);
}

} // namespace
