#pragma once
// Outlook's application object with its Explorer window and selection, as
// the host, the engines and the pages see them.

#include "platform/com/com_ptr.h"
#include "platform/com/variant.h"

#include <string>

class _Explorer;
class _NameSpace;
class MAPIFolder;
class Selection;

class _Application : public virtual IUnknown {
public:
    // Outlook's version text, such as "14.0.0.4760".
    virtual std::u16string GetVersion() = 0;
    // The Explorer window the user works in; raises _com_error when none.
    virtual CComPtr<_Explorer> ActiveExplorer() = 0;
    virtual CComPtr<_NameSpace> GetSession() = 0;
    // A new unsaved item: olMailItem (a _MailItem) or olAppointmentItem (an
    // _AppointmentItem in the default calendar).
    virtual CComPtr<IUnknown> CreateItem(LONG itemType) = 0;
};

class _Explorer : public virtual IUnknown {
public:
    // The folder shown in the window.
    virtual CComPtr<MAPIFolder> GetCurrentFolder() = 0;
    virtual void PutRefCurrentFolder(const CComPtr<MAPIFolder>& folder) = 0;
    // The items the user has selected in the current folder.
    virtual CComPtr<Selection> GetSelection() = 0;
    virtual void Activate() = 0;
};

class Selection : public virtual IUnknown {
public:
    virtual LONG GetCount() = 0;
    // By 1-based integer index; raises _com_error out of range.
    virtual CComPtr<IUnknown> Item(const _variant_t& index) = 0;
};
