#pragma once
// A calendar store in a temporary folder, opened the way the host opens it,
// with the system zone pinned to New York and the registry empty (en-US
// locale: short dates as M/d/yyyy).

#include "engine/common/outlook_appointment.h"
#include "engine/common/outlook_constants.h"
#include "engine/common/outlook_folder.h"
#include "engine/common/outlook_items.h"
#include "engine/common/outlook_recurrence.h"
#include "engine/common/redemption.h"
#include "platform/com/com_error.h"
#include "platform/outlook/outlook_store.h"
#include "platform/win32/registry.h"
#include "tests/platform/outlook/store_redemption.h"
#include "tests/testkit/scoped_env.h"
#include "tests/testkit/temp_folder.h"

#include <gtest/gtest.h>

inline DATE Local(int y, int mo, int d, int h = 0, int mi = 0) {
    return COleDateTime(y, mo, d, h, mi, 0);
}

class StoreTest : public ::testing::Test {
protected:
    StoreTest() {
        RegistryReset();
        outlook_ = Open();
    }

    std::string StorePath() const { return folder_.File("calendar.db"); }
    CComPtr<_Application> Open() {
        return OpenOutlookStore(StorePath(), true, u"14.0.0.4760", OutlookHooks{});
    }
    CComPtr<MAPIFolder> Calendar() {
        return outlook_->GetSession()->GetDefaultFolder(olFolderCalendar);
    }
    CComPtr<_AppointmentItem> NewAppointment(DATE start, LONG minutes,
                                             const std::u16string& subject) {
        CComPtr<_AppointmentItem> item =
            QueryInterface<_AppointmentItem>(Calendar()->GetItems()->Add());
        item->PutStart(start);
        item->PutDuration(minutes);
        item->PutSubject(subject);
        item->Save();
        return item;
    }
    static CComPtr<_AppointmentItem> Appointment(const CComPtr<IUnknown>& item) {
        return QueryInterface<_AppointmentItem>(item);
    }

    TempFolder folder_;
    ScopedEnv tz_{"TZ", "EST5EDT,M3.2.0,M11.1.0"};
    ScopedEnv state_{"XDG_STATE_HOME", folder_.Path().c_str()};
    CComPtr<_Application> outlook_;
};
