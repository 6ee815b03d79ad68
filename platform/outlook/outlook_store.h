#pragma once
// The Outlook stand-in over a calendar store file: what the host opens to
// play Outlook, and the hooks through which it plays the user where Outlook
// would show its own windows (folder picker, category picker, a new mail).
//
//   OutlookHooks hooks;
//   hooks.pickFolder = [](_NameSpace& session) { return session.GetDefaultFolder(9); };
//   CComPtr<_Application> outlook = OpenOutlookStore("calendar.db", true, u"14.0.0.0", hooks);
//   SetRedemptionFactory(CreateStoreRedemptionObject);

#include "engine/common/outlook_application.h"
#include "engine/common/outlook_appointment.h"
#include "engine/common/outlook_folder.h"
#include "engine/common/outlook_mail.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct OutlookHooks {
    // Outlook's folder picker; empty when the user cancels. Without a hook
    // the picker is cancelled.
    std::function<CComPtr<MAPIFolder>(_NameSpace& session)> pickFolder;
    // Outlook's category picker: shown the item's categories, changes them.
    std::function<void(std::u16string& categories)> showCategories;
    // A mail shown to the user.
    std::function<void(_MailItem& mail)> displayMail;
};

// Opens (create: or creates) the store and returns Outlook's application
// object over it; raises _com_error when the file cannot be used.
CComPtr<_Application> OpenOutlookStore(const std::string& path, bool create,
                                       const std::u16string& version, OutlookHooks hooks);

// What the user has selected in the Explorer: items by entry id, an
// occurrence by its series' entry id and its start (local time).
struct SelectionEntry {
    std::u16string entryId;
    std::optional<DATE> occurrenceStart;
};
void SetExplorerSelection(const CComPtr<_Application>& application,
                          std::vector<SelectionEntry> entries);

// Makes the Redemption objects that work with this store's items, for
// SetRedemptionFactory: empty for a ProgID it does not know.
CComPtr<IUnknown> CreateStoreRedemptionObject(std::u16string_view progId);

class SqliteTransaction;

// Binds every save and delete made through the application until Commit into
// one transaction of the store: all of them are kept, or (when the object
// goes without Commit, or the process dies) none.
class StoreTransaction {
public:
    explicit StoreTransaction(const CComPtr<_Application>& application);
    ~StoreTransaction();
    StoreTransaction(const StoreTransaction&) = delete;
    StoreTransaction& operator=(const StoreTransaction&) = delete;
    void Commit();

private:
    std::unique_ptr<SqliteTransaction> transaction_;
};

// Adds a recipient with a name of its own (Recipients.Add takes the address
// as the name too).
void AddRecipient(const CComPtr<_AppointmentItem>& item, const std::u16string& name,
                  const std::u16string& address, LONG type);
