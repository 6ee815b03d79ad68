// Setting a stored appointment's zone saves the rule, the name and the
// shifted UTC times together: a new reader of the store finds all of them.

#include "engine/import/appointment_zone.h"
#include "platform/outlook/outlook_store.h"
#include "tests/engine/import/import_fixture.h"

namespace {

using AppointmentZoneTest = ImportTest;

TEST_F(AppointmentZoneTest, AZoneSetOnAStoredSeriesIsFoundByANewReader) {
    CComPtr<_AppointmentItem> item =
        QueryInterface<_AppointmentItem>(CalendarFolder()->GetItems()->Add());
    item->PutStart(Local(2007, 3, 5, 9));
    item->PutDuration(60);
    item->GetRecurrencePattern()->PutOccurrences(3);
    item->Save();
    CComPtr<IMAPIUtils> utils;
    ASSERT_EQ(CreateRedemptionObject(kProgIdMapiUtils, utils), S_OK);
    // UTC+1 without daylight time: 09:00 there is 08:00 UTC, 03:00 in New York.
    TimeZoneRule zone{};
    zone.Bias = -60;

    ASSERT_EQ(SetAppointmentTimezone(item.get(), utils.get(), zone, "Lagos"), 0);
    EXPECT_TRUE(item->GetSaved());

    CComPtr<_Application> reader =
        OpenOutlookStore(folder_.File("calendar.db"), false, u"14.0", OutlookHooks{});
    CComPtr<_AppointmentItem> stored =
        QueryInterface<_AppointmentItem>(reader->GetSession()->GetItemFromID(item->GetEntryID()));
    EXPECT_EQ(stored->GetStart(), Local(2007, 3, 5, 3));
    const LONG nameTag =
        utils->GetIDsFromNames(stored, PSETID_Appointment, dispidTimeZoneDesc, false);
    EXPECT_EQ(utils->HrGetOneProp(stored, nameTag | PT_STRING8).ToString(), u"Lagos");
    EXPECT_EQ(stored->GetRecurrencePattern()->GetOccurrences(), 3);
}

} // namespace
