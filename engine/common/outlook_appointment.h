#pragma once
// Outlook's appointment item (_AppointmentItem) with its recipients. Start
// and End are local times of the system zone; a failing call raises
// _com_error.
//
//   CComPtr<_AppointmentItem> item = QueryInterface<_AppointmentItem>(items->Add());
//   item->PutStart(COleDateTime(2007, 3, 5, 9, 0, 0));
//   item->PutDuration(30);                 // End becomes 09:30
//   item->PutSubject(u"Review");
//   item->Save();

#include "platform/com/com_ptr.h"
#include "platform/com/ole_date_time.h"
#include "platform/com/variant.h"

#include <string>

class _Application;
class Recipient;
class Recipients;
class RecurrencePattern;

class _AppointmentItem : public virtual IUnknown {
public:
    // olAppointment.
    virtual LONG GetClass() = 0;
    virtual CComPtr<_Application> GetApplication() = 0;
    // The folder holding the item.
    virtual CComPtr<IUnknown> GetParent() = 0;
    // Empty until the item is saved; an occurrence answers its series'.
    virtual std::u16string GetEntryID() = 0;

    virtual std::u16string GetSubject() = 0;
    virtual void PutSubject(const std::u16string& value) = 0;
    virtual std::u16string GetLocation() = 0;
    virtual void PutLocation(const std::u16string& value) = 0;
    virtual std::u16string GetBody() = 0;
    virtual void PutBody(const std::u16string& value) = 0;
    // Category names joined by the locale's list separator.
    virtual std::u16string GetCategories() = 0;
    virtual void PutCategories(const std::u16string& value) = 0;
    virtual std::u16string GetResources() = 0;
    virtual void PutResources(const std::u16string& value) = 0;

    // Setting Start keeps the duration (End moves along); setting End keeps
    // Start (the duration changes); setting Duration moves End.
    virtual DATE GetStart() = 0;
    virtual void PutStart(DATE value) = 0;
    virtual DATE GetEnd() = 0;
    virtual void PutEnd(DATE value) = 0;
    // Minutes.
    virtual LONG GetDuration() = 0;
    virtual void PutDuration(LONG minutes) = 0;
    virtual bool GetAllDayEvent() = 0;
    virtual void PutAllDayEvent(bool value) = 0;

    virtual LONG GetSensitivity() = 0;
    virtual void PutSensitivity(LONG value) = 0;
    virtual LONG GetImportance() = 0;
    virtual void PutImportance(LONG value) = 0;
    virtual LONG GetBusyStatus() = 0;
    virtual void PutBusyStatus(LONG value) = 0;
    virtual bool GetReminderSet() = 0;
    virtual void PutReminderSet(bool value) = 0;
    virtual LONG GetReminderMinutesBeforeStart() = 0;
    virtual void PutReminderMinutesBeforeStart(LONG minutes) = 0;
    virtual LONG GetMeetingStatus() = 0;
    virtual void PutMeetingStatus(LONG value) = 0;

    virtual CComPtr<Recipients> GetRecipients() = 0;

    virtual bool GetIsRecurring() = 0;
    // olApptNotRecurring, olApptMaster, olApptOccurrence or olApptException.
    virtual LONG GetRecurrenceState() = 0;
    // The series' pattern; on a single appointment it makes the appointment
    // recurring (weekly on its start's weekday, no end).
    virtual CComPtr<RecurrencePattern> GetRecurrencePattern() = 0;
    // Makes a series a single appointment again, dropping its exceptions.
    virtual void ClearRecurrencePattern() = 0;

    // False while the item has changes that are not stored.
    virtual bool GetSaved() = 0;
    // Stores the item; on an occurrence, records it as a changed occurrence.
    virtual void Save() = 0;
    // Removes the item; on an occurrence, records it as a deleted occurrence.
    virtual void Delete() = 0;
    // Outlook's category picker over the item's Categories.
    virtual void ShowCategoriesDialog() = 0;
};

class Recipients : public virtual IUnknown {
public:
    virtual LONG GetCount() = 0;
    // By 1-based integer index; raises _com_error out of range.
    virtual CComPtr<Recipient> Item(const _variant_t& index) = 0;
    // A new required recipient whose name and address are the given text.
    virtual CComPtr<Recipient> Add(const std::u16string& address) = 0;
};

class Recipient : public virtual IUnknown {
public:
    virtual std::u16string GetName() = 0;
    virtual std::u16string GetAddress() = 0;
    // olOrganizer, olRequired, olOptional or olResource.
    virtual LONG GetType() = 0;
    virtual void PutType(LONG value) = 0;
};
