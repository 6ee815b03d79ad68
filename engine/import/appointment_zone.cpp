#include "engine/import/appointment_zone.h"

#include "engine/common/outlook_constants.h"
#include "platform/com/com_error.h"
#include "platform/win32/code_page.h"

#include <cstring>
#include <vector>

namespace {

struct StoredTime {
    const char16_t* set;
    LONG id;
};

// The UTC times Outlook keeps of an appointment, shifted when its zone changes.
const StoredTime kStoredTimes[] = {
    {PSETID_Appointment, dispidClipEnd},      {PSETID_Appointment, dispidClipStart},
    {PSETID_Appointment, dispidApptEndWhole}, {PSETID_Appointment, dispidApptStartWhole},
    {PSETID_Common, dispidCommonEnd},         {PSETID_Common, dispidCommonStart},
    {PSETID_Common, dispidReminderNextTime},  {PSETID_Common, dispidReminderTime},
};

bool ReadStoredZone(const CComPtr<IUnknown>& item, IMAPIUtils& utils, TimeZoneRule& rule) {
    LONG tag = utils.GetIDsFromNames(item, PSETID_Appointment, dispidTimeZoneStruct, false);
    if (tag != 0) {
        try {
            _variant_t value = utils.HrGetOneProp(item, tag | PT_BINARY);
            if (value.Type() == (VT_ARRAY | VT_UI1) && value.ToBytes().size() == sizeof rule) {
                std::memcpy(&rule, value.ToBytes().data(), sizeof rule);
                return true;
            }
        } catch (const _com_error&) {
        }
    }
    return GetSystemTimeZone(rule);
}

void ShiftStoredTime(const CComPtr<IUnknown>& item, IMAPIUtils& utils, const StoredTime& time,
                     const TimeZoneRule& previous, const TimeZoneRule& next) {
    LONG tag = utils.GetIDsFromNames(item, time.set, time.id, false);
    if (tag == 0) {
        return;
    }
    _variant_t value;
    try {
        value = utils.HrGetOneProp(item, tag | PT_SYSTIME);
    } catch (const _com_error&) {
        return;
    }
    if (value.Type() != VT_DATE) {
        return;
    }
    LocalTime wallClock = UtcToLocal(previous, UtcTime{COleDateTime(value.ToDate())});
    UtcTime shifted = LocalToUtc(next, wallClock);
    utils.HrSetOneProp(item, tag | PT_SYSTIME, _variant_t(shifted.value.m_dt, VT_DATE), false);
}

} // namespace

int SetAppointmentTimezone(_AppointmentItem* item, IMAPIUtils* utils, const TimeZoneRule& rule,
                           const std::string& name) {
    if (item == nullptr || utils == nullptr) {
        return -1;
    }
    CComPtr<IUnknown> object(item);
    TimeZoneRule previous{};
    if (!ReadStoredZone(object, *utils, previous)) {
        return -2;
    }
    LONG ruleTag = utils->GetIDsFromNames(object, PSETID_Appointment, dispidTimeZoneStruct, false);
    if (ruleTag == 0) {
        return -3;
    }
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&rule);
    // The rule, the name and the shifted times are saved together, in one
    // save of the item: no reader finds the times shifted without the zone.
    utils->HrSetOneProp(object, ruleTag | PT_BINARY,
                        _variant_t(std::vector<BYTE>(bytes, bytes + sizeof rule)), false);
    LONG nameTag = utils->GetIDsFromNames(object, PSETID_Appointment, dispidTimeZoneDesc, false);
    if (nameTag != 0) {
        utils->HrSetOneProp(object, nameTag | PT_STRING8, _variant_t(AnsiToWide(name)), false);
    }
    if (!IsSameTimeZone(previous, rule)) {
        for (const StoredTime& time : kStoredTimes) {
            ShiftStoredTime(object, *utils, time, previous, rule);
        }
    }
    item->Save();
    return 0;
}

void SetMeetingUID(_AppointmentItem& item, IMAPIUtils& utils, const std::string& uid) {
    CComPtr<IUnknown> object(&item);
    LONG tag = utils.GetIDsFromNames(object, PSETID_Meeting, dispidGlobalObjectId, true);
    if (tag == 0) {
        return;
    }
    _variant_t bytes = utils.HrStringToArray(AnsiToWide(uid));
    utils.HrSetOneProp(object, tag | PT_BINARY, bytes);
}
