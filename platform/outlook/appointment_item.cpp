#include "engine/common/outlook_constants.h"
#include "platform/com/com_error.h"
#include "platform/outlook/civil_day.h"
#include "platform/outlook/outlook_objects.h"
#include "platform/outlook/tied_properties.h"

#include <algorithm>

namespace {

void CheckRange(LONG value, LONG low, LONG high, const char16_t* what) {
    if (value < low || value > high) {
        ThrowInvalid(std::u16string(what) + u" is out of range.");
    }
}

PropValue DateProp(StoreSeconds utc) {
    PropValue value;
    value.type = PT_SYSTIME;
    value.number = utc;
    return value;
}

StoreSeconds StartOfDay(StoreSeconds local) {
    return static_cast<StoreSeconds>(DayOf(local)) * kSecondsPerDay;
}

} // namespace

void ThrowInvalid(const std::u16string& what) {
    throw _com_error(E_INVALIDARG, what);
}

AppointmentItemImpl::AppointmentItemImpl(CComPtr<ApplicationImpl> app, AppointmentRecord record,
                                         bool saved)
    : app_(std::move(app)), record_(std::move(record)), saved_(saved) {}

AppointmentItemImpl::~AppointmentItemImpl() {
    if (app_->Context().lastSaved == this) {
        app_->Context().lastSaved = nullptr;
    }
}

AppointmentRecord& AppointmentItemImpl::WithProps() {
    Store().LoadProps(record_);
    return record_;
}

AppointmentRecord& AppointmentItemImpl::WithRecipients() {
    Store().LoadRecipients(record_);
    return record_;
}

AppointmentRecord& AppointmentItemImpl::WithExceptions() {
    Store().LoadExceptions(record_);
    return record_;
}

const AppointmentRecord* AppointmentItemImpl::StoredRecord() {
    if (deleted_ || changes_.Any() || !savedAt_ || *savedAt_ != Store().WriteStamp()) {
        return nullptr;
    }
    return &record_;
}

StoreZone AppointmentItemImpl::Zone() {
    return SeriesZone(WithProps(), System());
}

void AppointmentItemImpl::MarkChanged(Part part) {
    saved_ = false;
    (part == Part::Fields       ? changes_.fields
     : part == Part::Recipients ? changes_.recipients
                                : changes_.exceptions) = true;
}

void AppointmentItemImpl::MarkPropertyChanged(LONG propId) {
    saved_ = false;
    changes_.AddProp(propId);
}

void AppointmentItemImpl::CheckNotDeleted() {
    if (deleted_) {
        throw _com_error(MAPI_E_NOT_FOUND, u"The item has been deleted.");
    }
}

LONG AppointmentItemImpl::GetClass() {
    return olAppointment;
}

CComPtr<_Application> AppointmentItemImpl::GetApplication() {
    return app_;
}

CComPtr<IUnknown> AppointmentItemImpl::GetParent() {
    return FolderById(app_, record_.folderId);
}

std::u16string AppointmentItemImpl::GetEntryID() {
    return record_.id == 0 ? std::u16string() : ItemEntryId(record_.id);
}

void AppointmentItemImpl::SetText(std::u16string& field, const std::u16string& value) {
    field = value;
    MarkChanged(Part::Fields);
}

void AppointmentItemImpl::SetTimes(StoreSeconds startUtc, StoreSeconds endUtc) {
    const StoreSeconds oldStart = record_.startUtc;
    record_.startUtc = startUtc;
    record_.endUtc = endUtc;
    if (record_.pattern && DayOf(Zone().ToLocal(startUtc)) != DayOf(Zone().ToLocal(oldStart))) {
        // A series starts its pattern on the day of its first occurrence.
        const StoreZone zone = Zone();
        record_.pattern->startUtc = zone.ToUtc(StartOfDay(zone.ToLocal(startUtc)));
        RefreshPatternEnd();
    }
    timesChanged_ = true;
    MarkChanged(Part::Fields);
}

DATE AppointmentItemImpl::GetStart() {
    return SecondsToDate(System().ToLocal(record_.startUtc));
}

void AppointmentItemImpl::PutStart(DATE value) {
    const StoreSeconds start = System().ToUtc(DateToSeconds(value));
    SetTimes(start, start + (record_.endUtc - record_.startUtc));
}

DATE AppointmentItemImpl::GetEnd() {
    return SecondsToDate(System().ToLocal(record_.endUtc));
}

void AppointmentItemImpl::PutEnd(DATE value) {
    const StoreSeconds end = System().ToUtc(DateToSeconds(value));
    if (end < record_.startUtc) {
        ThrowInvalid(u"The end date you entered occurs before the start date.");
    }
    SetTimes(record_.startUtc, end);
}

LONG AppointmentItemImpl::GetDuration() {
    return static_cast<LONG>((record_.endUtc - record_.startUtc) / 60);
}

void AppointmentItemImpl::PutDuration(LONG minutes) {
    CheckRange(minutes, 0, 0x7FFFFFFF, u"Duration");
    SetTimes(record_.startUtc, record_.startUtc + static_cast<StoreSeconds>(minutes) * 60);
}

void AppointmentItemImpl::PutAllDayEvent(bool value) {
    record_.allDayEvent = value;
    MarkChanged(Part::Fields);
    if (!value) {
        return;
    }
    // An all-day event runs from midnight to midnight, at least one day.
    const StoreSeconds startLocal = StartOfDay(System().ToLocal(record_.startUtc));
    StoreSeconds endLocal = System().ToLocal(record_.endUtc);
    if (TimeOfDay(endLocal) != 0) {
        endLocal = StartOfDay(endLocal) + kSecondsPerDay;
    }
    endLocal = std::max(endLocal, startLocal + kSecondsPerDay);
    SetTimes(System().ToUtc(startLocal), System().ToUtc(endLocal));
}

void AppointmentItemImpl::PutSensitivity(LONG value) {
    CheckRange(value, olNormal, olConfidential, u"Sensitivity");
    record_.sensitivity = value;
    MarkChanged(Part::Fields);
}

void AppointmentItemImpl::PutImportance(LONG value) {
    CheckRange(value, olImportanceLow, olImportanceHigh, u"Importance");
    record_.importance = value;
    MarkChanged(Part::Fields);
}

void AppointmentItemImpl::PutBusyStatus(LONG value) {
    CheckRange(value, olFree, olOutOfOffice, u"BusyStatus");
    record_.busyStatus = value;
    MarkChanged(Part::Fields);
}

void AppointmentItemImpl::PutReminderSet(bool value) {
    record_.reminderSet = value;
    timesChanged_ = true;
    MarkChanged(Part::Fields);
}

void AppointmentItemImpl::PutReminderMinutesBeforeStart(LONG minutes) {
    CheckRange(minutes, 0, 0x7FFFFFFF, u"ReminderMinutesBeforeStart");
    record_.reminderMinutesBeforeStart = minutes;
    timesChanged_ = true;
    MarkChanged(Part::Fields);
}

void AppointmentItemImpl::PutMeetingStatus(LONG value) {
    CheckRange(value, 0, 7, u"MeetingStatus");
    record_.meetingStatus = value;
    MarkChanged(Part::Fields);
}

CComPtr<Recipients> AppointmentItemImpl::GetRecipients() {
    return MakeRecipients(this);
}

LONG AppointmentItemImpl::GetRecurrenceState() {
    return record_.pattern ? olApptMaster : olApptNotRecurring;
}

CComPtr<RecurrencePattern> AppointmentItemImpl::GetRecurrencePattern() {
    CheckNotDeleted();
    if (!record_.pattern) {
        // Weekly on the start's weekday, without end, from the start's day.
        const StoreZone zone = Zone();
        const StoreSeconds startLocal = zone.ToLocal(record_.startUtc);
        PatternRecord pattern;
        pattern.rule.type = olRecursWeekly;
        pattern.rule.dayOfWeekMask = 1 << Weekday(DayOf(startLocal));
        pattern.startUtc = zone.ToUtc(StartOfDay(startLocal));
        record_.pattern = pattern;
        WithExceptions();
        MarkChanged(Part::Fields);
    }
    return MakePattern(this);
}

void AppointmentItemImpl::ClearRecurrencePattern() {
    record_.pattern.reset();
    record_.exceptions = std::vector<ExceptionRecord>();
    MarkChanged(Part::Fields);
    MarkChanged(Part::Exceptions);
}

void AppointmentItemImpl::RefreshPatternEnd() {
    if (!record_.pattern || record_.pattern->rule.noEndDate ||
        record_.pattern->rule.occurrences <= 0) {
        return;
    }
    const StoreZone zone = Zone();
    std::optional<int> last = LastOccurrenceDate(SeriesRule(record_, zone));
    if (last) {
        record_.pattern->endUtc = zone.ToUtc(static_cast<StoreSeconds>(*last) * kSecondsPerDay);
    }
}

void AppointmentItemImpl::RefreshDerivedTimes() {
    // Outlook keeps these in step with the fields whenever it saves them.
    WithProps();
    for (LONG propId :
         {kPropCommonStart, kPropCommonEnd, kPropReminderTime, kPropReminderNextTime}) {
        MarkPropertyChanged(propId);
    }
    (*record_.props)[kPropCommonStart] = DateProp(record_.startUtc);
    (*record_.props)[kPropCommonEnd] = DateProp(record_.endUtc);
    (*record_.props)[kPropReminderTime] = DateProp(record_.startUtc);
    if (record_.reminderSet) {
        (*record_.props)[kPropReminderNextTime] =
            DateProp(record_.startUtc - record_.reminderMinutesBeforeStart * 60LL);
    } else {
        record_.props->erase(kPropReminderNextTime);
    }
}

void AppointmentItemImpl::Save() {
    CheckNotDeleted();
    if (timesChanged_) {
        RefreshDerivedTimes();
    }
    // Without a recorded change (a plain Save) the item is written whole,
    // unless nothing has been written to the store since this object saved
    // it: then the stored item already is this record.
    const bool unchangedSinceSaved = savedAt_ && *savedAt_ == Store().WriteStamp();
    if (changes_.Any() || !unchangedSinceSaved) {
        // The recorded changes are handed over as they are, not copied; they
        // stay recorded until the save has succeeded.
        ItemChanges whole;
        if (!changes_.Any()) {
            whole = ItemChanges::Whole();
        }
        ItemChanges& changes = changes_.Any() ? changes_ : whole;
        changes.storedRow = unchangedSinceSaved ? &*savedRow_ : nullptr;
        Store().SaveItem(record_, changes);
        savedAt_ = Store().WriteStamp();
        savedRow_ = static_cast<const AppointmentRow&>(record_);
        app_->Context().lastSaved = this;
    }
    changes_.Clear();
    timesChanged_ = false;
    saved_ = true;
}

void AppointmentItemImpl::Delete() {
    CheckNotDeleted();
    if (record_.id != 0) {
        Store().DeleteItem(record_.id);
    }
    deleted_ = true;
}

void AppointmentItemImpl::ShowCategoriesDialog() {
    if (!app_->Context().hooks.showCategories) {
        throw _com_error(E_NOTIMPL, u"No category picker is available.");
    }
    std::u16string categories = record_.categories;
    app_->Context().hooks.showCategories(categories);
    PutCategories(categories);
}

void AppointmentItemImpl::SaveException(const ExceptionRecord& exception) {
    std::vector<ExceptionRecord>& exceptions = *WithExceptions().exceptions;
    auto same = std::find_if(exceptions.begin(), exceptions.end(), [&](const ExceptionRecord& e) {
        return e.originalDay == exception.originalDay;
    });
    if (same != exceptions.end()) {
        *same = exception;
    } else {
        exceptions.insert(std::upper_bound(exceptions.begin(), exceptions.end(), exception,
                                           [](const ExceptionRecord& a, const ExceptionRecord& b) {
                                               return a.originalDay < b.originalDay;
                                           }),
                          exception);
    }
    MarkChanged(Part::Exceptions);
    Save();
}

CComPtr<_AppointmentItem> AppointmentItemImpl::Occurrence(int originalDay) {
    return MakeOccurrence(this, originalDay);
}
