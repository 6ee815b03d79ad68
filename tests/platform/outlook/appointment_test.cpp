#include "engine/common/redemption.h"
#include "engine/common/time_zone_rule.h"
#include "platform/outlook/outlook_objects.h"
#include "tests/platform/outlook/store_fixture.h"

#include <cstring>

namespace {

using AppointmentTest = StoreTest;

DATE Utc(int y, int mo, int d, int h = 0, int mi = 0) {
    return COleDateTime(y, mo, d, h, mi, 0);
}

TEST_F(AppointmentTest, StartEndAndDurationStayConsistent) {
    CComPtr<_AppointmentItem> item = Appointment(Calendar()->GetItems()->Add());
    EXPECT_FALSE(item->GetSaved());
    EXPECT_EQ(item->GetEntryID(), u"");
    item->PutStart(Local(2007, 3, 5, 9, 0));
    item->PutDuration(45);
    EXPECT_EQ(item->GetEnd(), Local(2007, 3, 5, 9, 45));
    item->PutStart(Local(2007, 3, 6, 8, 0)); // End moves along
    EXPECT_EQ(item->GetEnd(), Local(2007, 3, 6, 8, 45));
    item->PutEnd(Local(2007, 3, 6, 10, 0)); // Duration follows
    EXPECT_EQ(item->GetDuration(), 120);
    EXPECT_THROW(item->PutEnd(Local(2007, 3, 6, 7, 0)), _com_error);
    EXPECT_THROW(item->PutSensitivity(4), _com_error);
}

TEST_F(AppointmentTest, EveryFieldSurvivesSavingAndReopening) {
    CComPtr<_AppointmentItem> item = NewAppointment(Local(2007, 3, 5, 9), 30, u"Review");
    item->PutLocation(u"Room 1");
    item->PutBody(u"Line one\r\nLine two");
    item->PutCategories(u"Business, Private");
    item->PutResources(u"Projector");
    item->PutSensitivity(olPrivate);
    item->PutImportance(olImportanceHigh);
    item->PutBusyStatus(olFree);
    item->PutReminderSet(true);
    item->PutReminderMinutesBeforeStart(10);
    item->PutMeetingStatus(olMeeting);
    item->GetRecipients()->Add(u"ann@example.com");
    item->Save();
    EXPECT_TRUE(item->GetSaved());
    const std::u16string id = item->GetEntryID();

    CComPtr<_Application> reopened = Open();
    CComPtr<_AppointmentItem> back = Appointment(reopened->GetSession()->GetItemFromID(id));
    EXPECT_EQ(back->GetSubject(), u"Review");
    EXPECT_EQ(back->GetLocation(), u"Room 1");
    EXPECT_EQ(back->GetBody(), u"Line one\r\nLine two");
    EXPECT_EQ(back->GetCategories(), u"Business, Private");
    EXPECT_EQ(back->GetResources(), u"Projector");
    EXPECT_EQ(back->GetStart(), Local(2007, 3, 5, 9));
    EXPECT_EQ(back->GetEnd(), Local(2007, 3, 5, 9, 30));
    EXPECT_EQ(back->GetSensitivity(), olPrivate);
    EXPECT_EQ(back->GetImportance(), olImportanceHigh);
    EXPECT_EQ(back->GetBusyStatus(), olFree);
    EXPECT_TRUE(back->GetReminderSet());
    EXPECT_EQ(back->GetReminderMinutesBeforeStart(), 10);
    EXPECT_EQ(back->GetMeetingStatus(), olMeeting);
    EXPECT_EQ(back->GetEntryID(), id);
    ASSERT_EQ(back->GetRecipients()->GetCount(), 1);
    CComPtr<Recipient> recipient = back->GetRecipients()->Item(_variant_t(1, VT_INT));
    EXPECT_EQ(recipient->GetName(), u"ann@example.com");
    EXPECT_EQ(recipient->GetAddress(), u"ann@example.com");
    EXPECT_EQ(recipient->GetType(), olRequired);
}

TEST_F(AppointmentTest, AllDayEventRunsFromMidnightToMidnight) {
    CComPtr<_AppointmentItem> item = NewAppointment(Local(2007, 3, 5, 9), 30, u"Holiday");
    item->PutAllDayEvent(true);
    EXPECT_EQ(item->GetStart(), Local(2007, 3, 5));
    EXPECT_EQ(item->GetEnd(), Local(2007, 3, 6));
}

TEST_F(AppointmentTest, DeletedItemsLeaveTheFolder) {
    NewAppointment(Local(2007, 3, 5, 9), 30, u"Keep");
    CComPtr<_AppointmentItem> gone = NewAppointment(Local(2007, 3, 5, 10), 30, u"Gone");
    gone->Delete();
    CComPtr<_Items> items = Calendar()->GetItems();
    ASSERT_EQ(items->GetCount(), 1);
    EXPECT_EQ(Appointment(items->Item(_variant_t(1, VT_INT)))->GetSubject(), u"Keep");
    EXPECT_THROW(gone->Save(), _com_error);
}

// Entry ids are what a selection names items by: a prefix per kind and the
// row id in 16 upper-case hex digits.
TEST(EntryIds, AreThePrefixAndTheIdInHex) {
    EXPECT_EQ(ItemEntryId(0x1A2B), u"00000000514C4E00010000000000001A2B");
    EXPECT_EQ(FolderEntryId(0x7FEDCBA987654321), u"00000000514C4E00027FEDCBA987654321");
    EXPECT_EQ(ItemIdOfEntryId(ItemEntryId(0x1A2B)), 0x1A2B);
    EXPECT_EQ(ItemIdOfEntryId(FolderEntryId(0x1A2B)), std::nullopt);
}

class PropertyTest : public StoreTest {
protected:
    PropertyTest() { item_ = NewAppointment(Local(2007, 3, 5, 9), 60, u"Meeting"); }

    LONG Tag(const char16_t* set, LONG id, LONG type, bool create = false) {
        const LONG tag = utils_->GetIDsFromNames(item_, set, id, create);
        return tag == 0 ? 0 : (tag | type);
    }

    StoreRedemption redemption_;
    CComPtr<IMAPIUtils>& utils_ = redemption_.utils;
    CComPtr<_AppointmentItem> item_;
};

TEST_F(PropertyTest, RedemptionObjectsAreMissingWithoutAFactory) {
    SetRedemptionFactory(nullptr);
    CComPtr<ISafeAppointmentItem> safe;
    EXPECT_EQ(CreateRedemptionObject(kProgIdSafeAppointmentItem, safe), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(safe);
}

TEST_F(PropertyTest, StartAndEndInUtcAreTiedToStartAndEnd) {
    const LONG start = Tag(PSETID_Appointment, dispidApptStartWhole, PT_SYSTIME);
    const LONG end = Tag(PSETID_Appointment, dispidApptEndWhole, PT_SYSTIME);
    ASSERT_NE(start, 0);
    // 09:00 EST is 14:00 UTC.
    EXPECT_EQ(utils_->HrGetOneProp(item_, start).ToDate(), Utc(2007, 3, 5, 14));
    EXPECT_EQ(utils_->HrGetOneProp(item_, end).ToDate(), Utc(2007, 3, 5, 15));
    utils_->HrSetOneProp(item_, start, _variant_t(Utc(2007, 3, 5, 12), VT_DATE), true);
    EXPECT_EQ(item_->GetStart(), Local(2007, 3, 5, 7));
    EXPECT_EQ(item_->GetEnd(), Local(2007, 3, 5, 10));
    CComPtr<_AppointmentItem> stored =
        Appointment(Open()->GetSession()->GetItemFromID(item_->GetEntryID()));
    EXPECT_EQ(stored->GetStart(), Local(2007, 3, 5, 7));
}

TEST_F(PropertyTest, NamedPropertiesMapOnRequestOnly) {
    EXPECT_NE(utils_->GetIDsFromNames(item_, PSETID_Appointment, dispidTimeZoneStruct, false), 0);
    const char16_t* set = u"{11111111-2222-3333-4444-555555555555}";
    EXPECT_EQ(utils_->GetIDsFromNames(item_, set, 0x42, false), 0);
    const LONG created = utils_->GetIDsFromNames(item_, set, 0x42, true);
    EXPECT_NE(created, 0);
    EXPECT_EQ(PROP_TYPE(created), 0);
    EXPECT_EQ(
        utils_->GetIDsFromNames(item_, u"{11111111-2222-3333-4444-555555555555}", 0x42, false),
        created);
    EXPECT_THROW(utils_->GetIDsFromNames(item_, u"not a guid", 1, true), _com_error);
}

TEST_F(PropertyTest, SetGuidsMatchWithoutRegardToCase) {
    const char16_t* lower = u"{00062002-0000-0000-c000-000000000046}";
    EXPECT_EQ(utils_->GetIDsFromNames(item_, lower, dispidTimeZoneStruct, false),
              utils_->GetIDsFromNames(item_, PSETID_Appointment, dispidTimeZoneStruct, false));
    const LONG created =
        utils_->GetIDsFromNames(item_, u"{abcdef01-2222-3333-4444-555555555555}", 0x42, true);
    EXPECT_NE(created, 0);
    EXPECT_EQ(
        utils_->GetIDsFromNames(item_, u"{ABCDEF01-2222-3333-4444-555555555555}", 0x42, false),
        created);
}

TEST_F(PropertyTest, NewAppointmentHasNoGlobalObjectIdOrZone) {
    const LONG uid = Tag(PSETID_Meeting, dispidGlobalObjectId, PT_BINARY);
    const LONG zone = Tag(PSETID_Appointment, dispidTimeZoneStruct, PT_BINARY);
    EXPECT_THROW(utils_->HrGetOneProp(item_, uid), _com_error);
    EXPECT_THROW(utils_->HrGetOneProp(item_, zone), _com_error);
    CComPtr<ISafeAppointmentItem> safe;
    ASSERT_EQ(CreateRedemptionObject(kProgIdSafeAppointmentItem, safe), S_OK);
    safe->PutItem(item_);
    EXPECT_TRUE(safe->GetFields(PR_SENDER_EMAIL_ADDRESS).IsEmpty());
    EXPECT_TRUE(safe->GetFields(uid).IsEmpty());
}

TEST_F(PropertyTest, GlobalObjectIdKeepsItsBytesAndGivesTheCleanId) {
    const LONG uid = Tag(PSETID_Meeting, dispidGlobalObjectId, PT_BINARY);
    const LONG clean = Tag(PSETID_Meeting, dispidCleanGlobalObjectId, PT_BINARY);
    const std::u16string hex = u"040000008200E00074C5B7101A82E00807D70305000000000000000000000000";
    utils_->HrSetOneProp(item_, uid, utils_->HrStringToArray(hex), true);
    EXPECT_EQ(utils_->HrArrayToString(utils_->HrGetOneProp(item_, uid)), hex);
    EXPECT_EQ(utils_->HrArrayToString(utils_->HrGetOneProp(item_, clean)),
              u"040000008200E00074C5B7101A82E00800000000000000000000000000000000");
}

TEST_F(PropertyTest, StringToArrayTakesHexOrTheTextsOwnBytes) {
    EXPECT_EQ(utils_->HrStringToArray(u"0aFF").ToBytes(), (std::vector<BYTE>{0x0A, 0xFF}));
    EXPECT_EQ(utils_->HrStringToArray(u"uid-1").ToBytes(),
              (std::vector<BYTE>{'u', 'i', 'd', '-', '1'}));
    EXPECT_EQ(utils_->HrStringToArray(u"abc").ToBytes(), (std::vector<BYTE>{'a', 'b', 'c'}));
    // Hex up to its last pair is still text.
    EXPECT_EQ(utils_->HrStringToArray(u"0a1g").ToBytes(), (std::vector<BYTE>{'0', 'a', '1', 'g'}));
    // Other text is written as UTF-8: two, three and four bytes a character.
    EXPECT_EQ(utils_->HrStringToArray(u"\u00e9\u20ac\U0001F600").ToBytes(),
              (std::vector<BYTE>{0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80}));
    EXPECT_EQ(utils_->HrArrayToString(_variant_t(std::vector<BYTE>{0xAB, 0x01})), u"AB01");
}

// The utilities take an appointment, or an occurrence for its series, and
// refuse any other object.
TEST_F(PropertyTest, AnOccurrenceStandsForItsSeriesAndOtherObjectsAreRefused) {
    CComPtr<RecurrencePattern> pattern = item_->GetRecurrencePattern();
    pattern->PutRecurrenceType(olRecursDaily);
    pattern->PutOccurrences(3);
    item_->Save();
    CComPtr<_AppointmentItem> second = pattern->GetOccurrence(Local(2007, 3, 6, 9));
    utils_->HrSetOneProp(second, PR_SENDER_EMAIL_ADDRESS, _variant_t(u"boss@example.com"), false);
    EXPECT_EQ(utils_->HrGetOneProp(item_, PR_SENDER_EMAIL_ADDRESS).ToString(), u"boss@example.com");
    EXPECT_EQ(utils_->HrGetOneProp(second, PR_SENDER_EMAIL_ADDRESS).ToString(),
              u"boss@example.com");
    try {
        utils_->HrGetOneProp(Calendar(), PR_SENDER_EMAIL_ADDRESS);
        ADD_FAILURE() << "a folder was taken for an item";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), E_INVALIDARG);
    }
}

TEST_F(PropertyTest, LabelOrganizerAndZoneAreKeptAndReadBack) {
    CComPtr<ISafeAppointmentItem> safe;
    ASSERT_EQ(CreateRedemptionObject(kProgIdSafeAppointmentItem, safe), S_OK);
    safe->PutItem(item_);
    const LONG label = safe->GetIDsFromNames(PSETID_Appointment, dispidAppointmentColor) | PT_LONG;
    utils_->HrSetOneProp(item_, label, _variant_t(LONG{3}), true);
    utils_->HrSetOneProp(item_, PR_SENDER_EMAIL_ADDRESS, _variant_t(u"boss@example.com"), true);
    TimeZoneRule tokyo{};
    tokyo.Bias = -540;
    std::vector<BYTE> bytes(sizeof tokyo);
    std::memcpy(bytes.data(), &tokyo, sizeof tokyo);
    const LONG zone = Tag(PSETID_Appointment, dispidTimeZoneStruct, PT_BINARY);
    utils_->HrSetOneProp(item_, zone, _variant_t(bytes), true);

    CComPtr<_AppointmentItem> stored =
        Appointment(Open()->GetSession()->GetItemFromID(item_->GetEntryID()));
    safe->PutItem(stored);
    EXPECT_EQ(safe->GetFields(label).ToLong(), 3);
    EXPECT_EQ(safe->GetFields(PR_SENDER_EMAIL_ADDRESS).ToString(), u"boss@example.com");
    EXPECT_EQ(utils_->HrGetOneProp(stored, zone).ToBytes(), bytes);
    EXPECT_TRUE(safe->GetFields((label & ~0xFFFF) | PT_BINARY).IsEmpty());
}

TEST_F(PropertyTest, SavingKeepsTheCommonTimesInStepWithStartAndEnd) {
    const LONG commonStart = Tag(PSETID_Common, dispidCommonStart, PT_SYSTIME);
    const LONG commonEnd = Tag(PSETID_Common, dispidCommonEnd, PT_SYSTIME);
    EXPECT_EQ(utils_->HrGetOneProp(item_, commonStart).ToDate(), Utc(2007, 3, 5, 14));
    item_->PutStart(Local(2007, 3, 6, 9));
    item_->Save();
    EXPECT_EQ(utils_->HrGetOneProp(item_, commonEnd).ToDate(), Utc(2007, 3, 6, 15));
}

TEST_F(PropertyTest, ShiftingTheUtcTimesIntoANewZoneKeepsTheSeriesWallClock) {
    // A weekly series at 09:00 New York time, with the third occurrence moved to 11:00.
    CComPtr<RecurrencePattern> pattern = item_->GetRecurrencePattern();
    pattern->PutOccurrences(4);
    item_->Save();
    CComPtr<_AppointmentItem> moved = pattern->GetOccurrence(Local(2007, 3, 19, 9));
    moved->PutStart(Local(2007, 3, 19, 11));
    moved->Save();

    // The import gives it the Tokyo zone, then moves the stored UTC times so
    // that their wall-clock readings stay as they were.
    TimeZoneRule newYork{}, tokyo{};
    ASSERT_TRUE(GetSystemTimeZone(newYork));
    tokyo.Bias = -540;
    std::vector<BYTE> bytes(sizeof tokyo);
    std::memcpy(bytes.data(), &tokyo, sizeof tokyo);
    utils_->HrSetOneProp(item_, Tag(PSETID_Appointment, dispidTimeZoneStruct, PT_BINARY),
                         _variant_t(bytes), true);
    const std::pair<const char16_t*, LONG> shifted[] = {
        {PSETID_Appointment, dispidClipEnd},      {PSETID_Appointment, dispidClipStart},
        {PSETID_Appointment, dispidApptEndWhole}, {PSETID_Appointment, dispidApptStartWhole},
        {PSETID_Common, dispidCommonEnd},         {PSETID_Common, dispidCommonStart},
        {PSETID_Common, dispidReminderNextTime},  {PSETID_Common, dispidReminderTime}};
    for (const auto& [set, id] : shifted) {
        const LONG tag = Tag(set, id, PT_SYSTIME);
        try {
            const DATE utc = utils_->HrGetOneProp(item_, tag).ToDate();
            const LocalTime wall = UtcToLocal(newYork, UtcTime{COleDateTime(utc)});
            utils_->HrSetOneProp(item_, tag,
                                 _variant_t(DATE(LocalToUtc(tokyo, wall).value), VT_DATE), true);
        } catch (const _com_error&) {
            // Not every item has every one of them.
        }
    }

    // 09:00 in Tokyo is 19:00 (standard time) or 20:00 (daylight time) the day
    // before in New York; the moved occurrence keeps 11:00, now Tokyo time.
    CComPtr<_AppointmentItem> stored =
        Appointment(Open()->GetSession()->GetItemFromID(item_->GetEntryID()));
    CComPtr<RecurrencePattern> after = stored->GetRecurrencePattern();
    EXPECT_EQ(after->GetStartTime(), DATE(COleDateTime(1899, 12, 30, 9, 0, 0)));
    EXPECT_EQ(after->GetDayOfWeekMask(), olMonday);
    EXPECT_EQ(stored->GetStart(), Local(2007, 3, 4, 19));
    EXPECT_NO_THROW(after->GetOccurrence(Local(2007, 3, 11, 20)));
    EXPECT_NO_THROW(after->GetOccurrence(Local(2007, 3, 25, 20)));
    EXPECT_EQ(after->GetOccurrence(Local(2007, 3, 18, 22))->GetRecurrenceState(), olApptException);
    EXPECT_EQ(after->GetPatternEndDate(), Local(2007, 3, 26));
    EXPECT_EQ(after->GetOccurrences(), 4);
}

TEST_F(PropertyTest, PropertiesOfANewItemAreKeptUntilItIsSaved) {
    CComPtr<_AppointmentItem> fresh = Appointment(Calendar()->GetItems()->Add());
    fresh->PutStart(Local(2007, 3, 6, 9));
    const LONG uid = Tag(PSETID_Meeting, dispidGlobalObjectId, PT_BINARY);
    utils_->HrSetOneProp(fresh, uid, utils_->HrStringToArray(u"0A0B"), true);
    utils_->HrSetOneProp(fresh, PR_SENDER_EMAIL_ADDRESS, _variant_t(u"me@example.com"), true);
    EXPECT_EQ(fresh->GetEntryID(), u""); // nothing stored yet
    fresh->Save();
    CComPtr<_AppointmentItem> stored =
        Appointment(Open()->GetSession()->GetItemFromID(fresh->GetEntryID()));
    EXPECT_EQ(utils_->HrArrayToString(utils_->HrGetOneProp(stored, uid)), u"0A0B");
    EXPECT_EQ(utils_->HrGetOneProp(stored, PR_SENDER_EMAIL_ADDRESS).ToString(), u"me@example.com");
}

TEST_F(PropertyTest, SafeItemReadsBodyAndRecipientsOfTheItemItHolds) {
    CComPtr<ISafeAppointmentItem> safe;
    ASSERT_EQ(CreateRedemptionObject(kProgIdSafeAppointmentItem, safe), S_OK);
    EXPECT_THROW(safe->GetBody(), _com_error); // no item yet
    item_->PutBody(u"Notes");
    item_->GetRecipients()->Add(u"ann@example.com");
    AddRecipient(item_, u"Room", u"room@example.com", olResource);
    safe->PutItem(item_);
    EXPECT_EQ(safe->GetBody(), u"Notes");
    CComPtr<ISafeRecipients> recipients = safe->GetRecipients();
    ASSERT_EQ(recipients->GetCount(), 2);
    CComPtr<ISafeRecipient> room = recipients->Item(_variant_t(2, VT_INT));
    EXPECT_EQ(room->GetName(), u"Room");
    EXPECT_EQ(room->GetAddress(), u"room@example.com");
    EXPECT_EQ(room->GetType(), olResource);
}

} // namespace
