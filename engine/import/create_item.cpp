// One appointment made from the current event: times, reminder, all-day
// state, texts, recurrence with its exceptions and zone, UID, organizer and
// attendees.

#include "engine/common/outlook_constants.h"
#include "engine/common/outlook_items.h"
#include "engine/common/outlook_recurrence.h"
#include "engine/import/appointment_zone.h"
#include "engine/import/cv_cal_import.h"
#include "platform/com/com_error.h"
#include "platform/win32/code_page.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* kWhere = "CvCalImport::CreateItem_";
constexpr int32_t kMinutesPerDay = 1440;

bool IsMidnight(const COleDateTime& value) {
    return value.GetHour() == 0 && value.GetMinute() == 0 && value.GetSecond() == 0;
}

// "(GMT-05:00)" for a bias of 300 minutes.
std::string BiasZoneName(LONG bias) {
    char text[32];
    std::snprintf(text, sizeof text, "(GMT%c%02ld:%02ld)", bias > 0 ? '-' : '+',
                  std::labs(bias) / 60, std::labs(bias) % 60);
    return text;
}

void SetPatternFields(RecurrencePattern& pattern, const RecurrenceFields& rule) {
    auto set = [&](int32_t value, void (RecurrencePattern::*put)(LONG)) {
        if (value > 0) {
            (pattern.*put)(value);
        }
    };
    bool interval = rule.RuleType <= kRuleMonthNth;
    bool dayMask = rule.RuleType == kRuleWeekly || rule.RuleType == kRuleMonthNth ||
                   rule.RuleType == kRuleYearNth;
    bool dayOfMonth = rule.RuleType == kRuleMonthly || rule.RuleType == kRuleYearly;
    bool instance = rule.RuleType == kRuleMonthNth || rule.RuleType == kRuleYearNth;
    bool month = rule.RuleType == kRuleYearly || rule.RuleType == kRuleYearNth;
    if (interval) {
        set(rule.RuleInterval, &RecurrencePattern::PutInterval);
    }
    if (instance) {
        set(rule.RuleInstance, &RecurrencePattern::PutInstance);
    }
    if (dayMask) {
        set(rule.RuleDayMask, &RecurrencePattern::PutDayOfWeekMask);
    }
    if (dayOfMonth) {
        set(rule.RuleDayOfMonth, &RecurrencePattern::PutDayOfMonth);
    }
    if (month) {
        set(rule.RuleMonth, &RecurrencePattern::PutMonthOfYear);
    }
}

} // namespace

bool CvCalImport::CreateItem() {
    try {
        return CreateItem_();
    } catch (const _com_error& e) {
        Log("_com_error(" + e.ErrorMessage() + "), file(" + Parser.FileName + ")", e.Error(),
            "CvCalImport::CreateItem", 3);
    } catch (...) {
        Log("CATCHED EXCEPTION! file(" + Parser.FileName + ")", 0, "CvCalImport::CreateItem", 3);
    }
    newItem_ = nullptr;
    return false;
}

bool CvCalImport::CreateItem_() {
    newItem_ = nullptr;
    try {
        newItem_ = QueryInterface<_AppointmentItem>(
            Options.TargetFolder->GetItems()->Add(_variant_t(LONG{olAppointmentItem})));
    } catch (const _com_error&) {
        return false;
    }
    if (!newItem_) {
        return false;
    }
    _AppointmentItem& item = *newItem_;
    const ParsedEvent& event = Parser.Event;
    bool recurring = event.RuleType >= kRuleDaily && event.RuleType <= kRuleYearNth;
    int mode = kToDateLocal;
    std::string target;
    if (recurring) {
        mode = kToDateTarget;
        bool known = !event.Start.Tzid.empty() && Parser.TimeZones.contains(event.Start.Tzid);
        target = known ? event.Start.Tzid : DefaultZoneKey;
    }
    COleDateTime start;
    bool startSet = false;
    SetStartAndReminder(item, mode, target, start, startSet);
    COleDateTime end;
    bool endSet = SetEnd(item, mode, target, end);
    SetAllDay(item, startSet, start, endSet, end);
    SetTexts(item);
    if (recurring) {
        SetRecurrence(item, mode, target);
    }
    if (!event.Uid.empty() && mapiUtils_) {
        SetMeetingUID(item, *mapiUtils_, event.Uid);
    }
    SetParticipants(item);
    return true;
}

void CvCalImport::SetStartAndReminder(_AppointmentItem& item, int mode, const std::string& target,
                                      COleDateTime& start, bool& startSet) {
    const ParsedEvent& event = Parser.Event;
    if (!event.Start.Date.empty() &&
        (mode == kToDateLocal
             ? itemDates_.LocalStart(start)
             : Parser.ToDate(event.Start.Date, event.Start.Tzid, start, mode, target)) &&
        start.GetStatus() == COleDateTime::valid) {
        item.PutStart(start);
        startSet = true;
    }
    bool alarm = false;
    LONG minutes = 0;
    COleDateTime alarmDate;
    if (event.AlarmMinutes < 0) {
        alarm = true;
        minutes = -event.AlarmMinutes;
    } else if (!event.AlarmDate.empty() &&
               Parser.ToDate(event.AlarmDate, event.Start.Tzid, alarmDate, mode, target) &&
               alarmDate.GetStatus() == COleDateTime::valid) {
        alarm = true;
        minutes = static_cast<LONG>((start - alarmDate).GetTotalMinutes());
    }
    COleDateTime localStart;
    bool past = !itemDates_.LocalStart(localStart) || localStart < LocalNow();
    if (!alarm || past) {
        item.PutReminderSet(false);
        return;
    }
    item.PutReminderSet(true);
    item.PutReminderMinutesBeforeStart(minutes);
}

bool CvCalImport::SetEnd(_AppointmentItem& item, int mode, const std::string& target,
                         COleDateTime& end) {
    const ParsedEvent& event = Parser.Event;
    if (!event.End.Date.empty() &&
        (mode == kToDateLocal ? itemDates_.LocalEnd(end)
                              : Parser.ToDate(event.End.Date, event.End.Tzid, end, mode, target)) &&
        end.GetStatus() == COleDateTime::valid) {
        item.PutEnd(end);
        return true;
    }
    if (event.DurationMinutes != kNoDuration) {
        item.PutDuration(event.DurationMinutes);
    }
    return false;
}

void CvCalImport::SetAllDay(_AppointmentItem& item, bool startSet, const COleDateTime& start,
                            bool endSet, const COleDateTime& end) {
    const ParsedEvent& event = Parser.Event;
    if (!startSet || event.Start.Date.size() != 8 || !IsMidnight(start)) {
        return;
    }
    bool dateEnd = endSet && event.End.Date.size() == 8 && IsMidnight(end);
    bool dayLong = !endSet && event.DurationMinutes == kMinutesPerDay;
    if (dateEnd || dayLong) {
        item.PutAllDayEvent(true);
    }
}

void CvCalImport::SetTexts(_AppointmentItem& item) {
    const ParsedEvent& event = Parser.Event;
    item.PutSensitivity(event.Sensitivity);
    item.PutImportance(event.Importance);
    item.PutBusyStatus(event.BusyStatus);
    const std::pair<const std::u16string*, void (_AppointmentItem::*)(const std::u16string&)>
        texts[] = {
            {&event.Categories, &_AppointmentItem::PutCategories},
            {&event.Description, &_AppointmentItem::PutBody},
            {&event.Subject, &_AppointmentItem::PutSubject},
            {&event.Location, &_AppointmentItem::PutLocation},
            {&event.Resources, &_AppointmentItem::PutResources},
        };
    for (const auto& [text, put] : texts) {
        if (!text->empty()) {
            (item.*put)(*text);
        }
    }
}

void CvCalImport::SetRecurrence(_AppointmentItem& item, int mode, const std::string& target) {
    const ParsedEvent& event = Parser.Event;
    CComPtr<RecurrencePattern> pattern = item.GetRecurrencePattern();
    pattern->PutRecurrenceType(event.RuleType);
    SetPatternFields(*pattern, event);
    COleDateTime until;
    if (event.RuleCount == 0) {
        pattern->PutNoEndDate(true);
    } else if (event.RuleCount > 0) {
        pattern->PutOccurrences(event.RuleCount);
    } else if (!event.RuleUntil.empty()) {
        if (Parser.ToDate(event.RuleUntil, target, until, mode, target) &&
            until.GetStatus() == COleDateTime::valid) {
            pattern->PutPatternEndDate(until);
        }
    } else if (Parser.Version == kVersionVCal10) {
        pattern->PutOccurrences(2);
    } else {
        pattern->PutNoEndDate(true);
    }
    try {
        CreateExceptions();
    } catch (...) {
        Log("CreateExceptions raise exception", 0, kWhere, 3);
    }
    SetSeriesZone(item, target);
}

void CvCalImport::SetSeriesZone(_AppointmentItem& item, const std::string& target) {
    auto zone = Parser.TimeZones.find(target);
    if (zone == Parser.TimeZones.end() || IsSystemTimeZone(zone->second) || !mapiUtils_) {
        return;
    }
    std::string name = target == DefaultZoneKey           ? Options.DefaultTimeZoneName
                       : Parser.Version == kVersionVCal10 ? BiasZoneName(zone->second.Bias)
                                                          : target;
    try {
        if (!item.GetSaved()) {
            item.Save();
        }
        int result = SetAppointmentTimezone(&item, mapiUtils_.get(), zone->second, name);
        if (result < 0) {
            Log("SetAppointmentTimezone failed", result, kWhere, 3);
        }
    } catch (...) {
        Log("SetAppointmentTimezone raise exception", 0, kWhere, 3);
    }
}

void CvCalImport::SetParticipants(_AppointmentItem& item) {
    const ParsedEvent& event = Parser.Event;
    if (!event.OrganizerAddress.empty() && mapiUtils_) {
        mapiUtils_->HrSetOneProp(CComPtr<IUnknown>(&item), PR_SENDER_EMAIL_ADDRESS,
                                 _variant_t(event.OrganizerAddress), false);
    }
    if (event.Attendees.empty()) {
        return;
    }
    CComPtr<Recipients> recipients = item.GetRecipients();
    for (const EventAttendee& attendee : event.Attendees) {
        recipients->Add(attendee.Address);
    }
    item.PutMeetingStatus(olMeeting);
}
