#pragma once
// Outlook's item collection of a folder (_Items): indexing, creation, Outlook
// filter texts, sorting and the expansion of recurring series.
//
//   CComPtr<_Items> all = folder->GetItems();
//   all->Sort(u"[Start]");
//   all->PutIncludeRecurrences(true);
//   CComPtr<_Items> day = all->Restrict(
//       u"[Start] >= '3/5/2007 12:00 AM' And [Start] < '3/6/2007 12:00 AM'");
//   for (CComPtr<IUnknown> i = day->GetFirst(); i; i = day->GetNext()) ...

#include "platform/com/com_ptr.h"
#include "platform/com/variant.h"

#include <string>

class _Items : public virtual IUnknown {
public:
    virtual LONG GetCount() = 0;
    // The item at a 1-based integer index; raises _com_error out of range.
    virtual CComPtr<IUnknown> Item(const _variant_t& index) = 0;
    // A new unsaved item of the folder (olAppointmentItem).
    virtual CComPtr<IUnknown> Add(const _variant_t& type = vtMissing) = 0;
    // The items matching an Outlook filter such as
    // "[Start] = '3/5/2007 09:05 AM' And [Subject] = 'Review'"; the result
    // keeps this collection's sort order and recurrence setting. A filter
    // that cannot be read raises _com_error.
    virtual CComPtr<_Items> Restrict(const std::u16string& filter) = 0;
    // Orders the collection by a property such as "[Start]".
    virtual void Sort(const std::u16string& property, bool descending = false) = 0;
    virtual bool GetIncludeRecurrences() = 0;
    // With true, a sorted-by-start collection lists every occurrence of a
    // recurring series instead of the series itself.
    virtual void PutIncludeRecurrences(bool include) = 0;
    // Walking the collection; empty after the last item.
    virtual CComPtr<IUnknown> GetFirst() = 0;
    virtual CComPtr<IUnknown> GetNext() = 0;
};
