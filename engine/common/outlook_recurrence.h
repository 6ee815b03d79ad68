#pragma once
// Outlook's recurrence pattern of a series and its exceptions (deleted and
// moved occurrences).
//
//   CComPtr<RecurrencePattern> p = item->GetRecurrencePattern();
//   p->PutRecurrenceType(olRecursMonthNth);
//   p->PutInstance(5);                        // last ...
//   p->PutDayOfWeekMask(olFriday);            // ... Friday of the month
//   p->PutOccurrences(10);                    // PatternEndDate follows
//   item->Save();
//   p->GetOccurrence(COleDateTime(2007, 3, 30, 9, 0, 0))->Delete();

#include "platform/com/com_ptr.h"
#include "platform/com/ole_date_time.h"
#include "platform/com/variant.h"

class _AppointmentItem;
class Exception;
class Exceptions;

class RecurrencePattern : public virtual IUnknown {
public:
    // The series master.
    virtual CComPtr<_AppointmentItem> GetParent() = 0;

    // OlRecurrenceType; setting it fills the other fields from the series'
    // start (weekday, day of month, month).
    virtual LONG GetRecurrenceType() = 0;
    virtual void PutRecurrenceType(LONG value) = 0;
    virtual LONG GetInterval() = 0;
    virtual void PutInterval(LONG value) = 0;
    virtual LONG GetDayOfWeekMask() = 0;
    virtual void PutDayOfWeekMask(LONG value) = 0;
    virtual LONG GetDayOfMonth() = 0;
    virtual void PutDayOfMonth(LONG value) = 0;
    virtual LONG GetMonthOfYear() = 0;
    virtual void PutMonthOfYear(LONG value) = 0;
    // 1 to 4, 5 for the last.
    virtual LONG GetInstance() = 0;
    virtual void PutInstance(LONG value) = 0;

    // The range: setting one of NoEndDate, Occurrences and PatternEndDate
    // updates the others.
    virtual bool GetNoEndDate() = 0;
    virtual void PutNoEndDate(bool value) = 0;
    virtual LONG GetOccurrences() = 0;
    virtual void PutOccurrences(LONG value) = 0;
    virtual DATE GetPatternStartDate() = 0;
    virtual void PutPatternStartDate(DATE value) = 0;
    virtual DATE GetPatternEndDate() = 0;
    virtual void PutPatternEndDate(DATE value) = 0;

    // Time of day of every occurrence (the date part is 30 December 1899).
    virtual DATE GetStartTime() = 0;
    virtual void PutStartTime(DATE value) = 0;
    virtual DATE GetEndTime() = 0;
    // Minutes.
    virtual LONG GetDuration() = 0;
    virtual void PutDuration(LONG minutes) = 0;

    virtual CComPtr<Exceptions> GetExceptions() = 0;
    // The occurrence starting exactly at this local time; raises _com_error
    // when the series has none there.
    virtual CComPtr<_AppointmentItem> GetOccurrence(DATE start) = 0;
};

class Exceptions : public virtual IUnknown {
public:
    virtual LONG GetCount() = 0;
    // By 1-based integer index, in the order of the original dates.
    virtual CComPtr<Exception> Item(const _variant_t& index) = 0;
};

class Exception : public virtual IUnknown {
public:
    // The start the occurrence had in the pattern (local time).
    virtual DATE GetOriginalDate() = 0;
    virtual bool GetDeleted() = 0;
    // The changed occurrence; raises _com_error for a deleted one.
    virtual CComPtr<_AppointmentItem> GetAppointmentItem() = 0;
};
