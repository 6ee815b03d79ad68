#include "tests/engine/export/appointment_json.h"

#include "engine/common/outlook_appointment.h"
#include "engine/common/outlook_constants.h"
#include "engine/common/outlook_items.h"
#include "engine/common/outlook_recurrence.h"
#include "engine/common/time_zone_rule.h"
#include "platform/com/com_error.h"
#include "platform/win32/code_page.h"

#include <cstdio>
#include <cstring>

using nlohmann::json;

namespace {

std::u16string Wide(const json& value) {
    return MultiByteToWide(65001, value.get<std::string>()).value_or(u"");
}

SYSTEMTIME TransitionDate(const json& date) {
    SYSTEMTIME st{};
    st.wMonth = date.value("month", 0);
    st.wDayOfWeek = date.value("day_of_week", 0);
    st.wDay = date.value("day", 0);
    st.wHour = date.value("hour", 0);
    st.wMinute = date.value("minute", 0);
    return st;
}

void SetNamed(IMAPIUtils& utils, const CComPtr<_AppointmentItem>& item, const char16_t* set,
              LONG id, LONG type, const _variant_t& value) {
    LONG tag = utils.GetIDsFromNames(item, set, id, true);
    utils.HrSetOneProp(item, tag | type, value, false);
}

void SetTimeZone(IMAPIUtils& utils, const CComPtr<_AppointmentItem>& item, const json& zone) {
    const json& r = zone.at("rule");
    TimeZoneRule rule{};
    rule.Bias = r.value("bias", 0);
    rule.StandardBias = r.value("standard_bias", 0);
    rule.DaylightBias = r.value("daylight_bias", 0);
    rule.StandardDate = TransitionDate(r.value("standard_date", json::object()));
    rule.DaylightDate = TransitionDate(r.value("daylight_date", json::object()));
    std::vector<BYTE> bytes(sizeof rule);
    std::memcpy(bytes.data(), &rule, sizeof rule);
    SetNamed(utils, item, PSETID_Appointment, dispidTimeZoneStruct, PT_BINARY, _variant_t(bytes));
    if (zone.contains("description")) {
        SetNamed(utils, item, PSETID_Appointment, dispidTimeZoneDesc, PT_STRING8,
                 _variant_t(Wide(zone["description"])));
    }
}

void SetFields(const CComPtr<_AppointmentItem>& item, const json& a) {
    if (a.contains("all_day_event"))
        item->PutAllDayEvent(a["all_day_event"].get<bool>());
    if (a.contains("start"))
        item->PutStart(JsonDate(a["start"]));
    if (a.contains("end"))
        item->PutEnd(JsonDate(a["end"]));
    if (a.contains("duration"))
        item->PutDuration(a["duration"].get<LONG>());
    if (a.contains("subject"))
        item->PutSubject(Wide(a["subject"]));
    if (a.contains("location"))
        item->PutLocation(Wide(a["location"]));
    if (a.contains("body"))
        item->PutBody(Wide(a["body"]));
    if (a.contains("categories"))
        item->PutCategories(Wide(a["categories"]));
    if (a.contains("sensitivity"))
        item->PutSensitivity(a["sensitivity"].get<LONG>());
    if (a.contains("importance"))
        item->PutImportance(a["importance"].get<LONG>());
    if (a.contains("busy_status"))
        item->PutBusyStatus(a["busy_status"].get<LONG>());
    if (a.contains("reminder_set"))
        item->PutReminderSet(a["reminder_set"].get<bool>());
    if (a.contains("reminder_minutes_before_start")) {
        item->PutReminderMinutesBeforeStart(a["reminder_minutes_before_start"].get<LONG>());
    }
    if (a.contains("meeting_status"))
        item->PutMeetingStatus(a["meeting_status"].get<LONG>());
}

void SetRecipients(const CComPtr<_AppointmentItem>& item, const json& recipients) {
    for (const json& r : recipients) {
        item->GetRecipients()->Add(Wide(r.at("address")))->PutType(r.value("type", 1));
    }
}

void SetProperties(IMAPIUtils& utils, const CComPtr<_AppointmentItem>& item, const json& a) {
    if (a.contains("organizer")) {
        const json& o = a["organizer"];
        utils.HrSetOneProp(item, PR_SENDER_EMAIL_ADDRESS, _variant_t(Wide(o.at("address"))), false);
        utils.HrSetOneProp(item, PR_SENDER_NAME, _variant_t(Wide(o.value("name", json("")))),
                           false);
    }
    if (a.contains("label")) {
        SetNamed(utils, item, PSETID_Appointment, dispidAppointmentColor, PT_LONG,
                 _variant_t(a["label"].get<LONG>()));
    }
    if (a.contains("global_object_id")) {
        SetNamed(utils, item, PSETID_Meeting, dispidGlobalObjectId, PT_BINARY,
                 utils.HrStringToArray(Wide(a["global_object_id"])));
    }
    if (a.contains("time_zone")) {
        SetTimeZone(utils, item, a["time_zone"]);
    }
}

void SetPattern(RecurrencePattern& p, const json& r) {
    p.PutRecurrenceType(r.at("recurrence_type").get<LONG>());
    if (r.contains("interval"))
        p.PutInterval(r["interval"].get<LONG>());
    if (r.contains("day_of_week_mask"))
        p.PutDayOfWeekMask(r["day_of_week_mask"].get<LONG>());
    if (r.contains("day_of_month"))
        p.PutDayOfMonth(r["day_of_month"].get<LONG>());
    if (r.contains("month_of_year"))
        p.PutMonthOfYear(r["month_of_year"].get<LONG>());
    if (r.contains("instance"))
        p.PutInstance(r["instance"].get<LONG>());
    if (r.value("no_end_date", false)) {
        p.PutNoEndDate(true);
    } else if (r.contains("occurrences")) {
        p.PutOccurrences(r["occurrences"].get<LONG>());
    }
}

void SetExceptions(RecurrencePattern& p, const json& exceptions) {
    for (const json& e : exceptions) {
        CComPtr<_AppointmentItem> occurrence = p.GetOccurrence(JsonDate(e.at("original_date")));
        if (e.value("deleted", false)) {
            occurrence->Delete();
            continue;
        }
        if (e.contains("start"))
            occurrence->PutStart(JsonDate(e["start"]));
        if (e.contains("end"))
            occurrence->PutEnd(JsonDate(e["end"]));
        if (e.contains("subject"))
            occurrence->PutSubject(Wide(e["subject"]));
        occurrence->Save();
    }
}

void AddAppointment(const CComPtr<MAPIFolder>& folder, IMAPIUtils& utils, const json& a) {
    CComPtr<_AppointmentItem> item = QueryInterface<_AppointmentItem>(folder->GetItems()->Add());
    SetFields(item, a);
    if (a.contains("recipients")) {
        SetRecipients(item, a["recipients"]);
    }
    item->Save();
    SetProperties(utils, item, a);
    if (a.contains("recurrence")) {
        SetPattern(*item->GetRecurrencePattern(), a["recurrence"]);
    }
    item->Save();
    if (a.contains("recurrence") && a["recurrence"].contains("exceptions")) {
        SetExceptions(*item->GetRecurrencePattern(), a["recurrence"]["exceptions"]);
    }
}

} // namespace

DATE JsonDate(const std::string& text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d", &y, &mo, &d, &h, &mi, &s) < 3) {
        throw _com_error(E_INVALIDARG, u"not a date");
    }
    return COleDateTime(y, mo, d, h, mi, s);
}

void AddAppointments(const CComPtr<MAPIFolder>& folder, IMAPIUtils& utils,
                     const json& appointments) {
    for (const json& a : appointments) {
        AddAppointment(folder, utils, a);
    }
}
