#pragma once
// Outlook's folders and session as the engines and pages see them: the
// session (NameSpace) with its default folders, folder collections and the
// folder picker, and a folder (MAPIFolder) with its items.
//
//   CComPtr<MAPIFolder> calendar = session->GetDefaultFolder(olFolderCalendar);
//   CComPtr<_Items> items = calendar->GetItems();

#include "engine/common/outlook_constants.h"
#include "platform/com/com_ptr.h"
#include "platform/com/variant.h"

#include <string>

class _Application;
class _Folders;
class _Items;
class MAPIFolder;

class _NameSpace : public virtual IUnknown {
public:
    // olNamespace: not a folder, which is how a top folder is recognised.
    virtual LONG GetClass() = 0;
    virtual CComPtr<_Application> GetApplication() = 0;
    // olFolderCalendar or olFolderInbox of the default store; any other
    // number raises _com_error.
    virtual CComPtr<MAPIFolder> GetDefaultFolder(LONG folderType) = 0;
    // The top folders of the stores ("Personal Folders").
    virtual CComPtr<_Folders> GetFolders() = 0;
    // Lets the user choose a folder; empty when the user cancels.
    virtual CComPtr<MAPIFolder> PickFolder() = 0;
    // The folder or item with this entry id; raises _com_error when none.
    virtual CComPtr<IUnknown> GetItemFromID(const std::u16string& entryId) = 0;
    virtual CComPtr<MAPIFolder> GetFolderFromID(const std::u16string& entryId) = 0;
};

class _Folders : public virtual IUnknown {
public:
    virtual LONG GetCount() = 0;
    // By 1-based index (an integer variant) or by name (a text variant);
    // raises _com_error when there is no such folder.
    virtual CComPtr<MAPIFolder> Item(const _variant_t& index) = 0;
    // A new subfolder holding items of the given type (olAppointmentItem
    // when missing); raises _com_error when the name is taken.
    virtual CComPtr<MAPIFolder> Add(const std::u16string& name,
                                    const _variant_t& type = vtMissing) = 0;
};

class MAPIFolder : public virtual IUnknown {
public:
    // olFolder.
    virtual LONG GetClass() = 0;
    virtual std::u16string GetName() = 0;
    // The parent folder, or the session for the top folder of a store.
    virtual CComPtr<IUnknown> GetParent() = 0;
    virtual LONG GetDefaultItemType() = 0;
    virtual std::u16string GetEntryID() = 0;
    virtual CComPtr<_Items> GetItems() = 0;
    virtual CComPtr<_Folders> GetFolders() = 0;
    virtual CComPtr<_Application> GetApplication() = 0;
};
