#include "engine/common/outlook_constants.h"
#include "platform/com/com_error.h"
#include "platform/outlook/outlook_objects.h"

namespace {

constexpr const char16_t* kItemPrefix = u"00000000514C4E0001";
constexpr const char16_t* kFolderPrefix = u"00000000514C4E0002";

// The prefix and the id in 16 upper-case hex digits, written in place: the
// search for a new series' occurrences asks each occurrence for its id.
std::u16string EntryId(const char16_t* prefix, std::int64_t id) {
    const size_t length = std::char_traits<char16_t>::length(prefix);
    std::u16string entryId(length + 16, u'0');
    std::char_traits<char16_t>::copy(entryId.data(), prefix, length);
    auto bits = static_cast<std::uint64_t>(id);
    for (size_t i = entryId.size(); i > length; --i, bits >>= 4) {
        entryId[i - 1] = u"0123456789ABCDEF"[bits & 0xF];
    }
    return entryId;
}

std::optional<std::int64_t> IdOf(const char16_t* prefix, const std::u16string& entryId) {
    const std::u16string head(prefix);
    if (entryId.size() != head.size() + 16 || entryId.compare(0, head.size(), head) != 0) {
        return std::nullopt;
    }
    std::int64_t id = 0;
    for (size_t i = head.size(); i < entryId.size(); ++i) {
        const char16_t c = entryId[i];
        const int digit = c >= u'0' && c <= u'9'   ? c - u'0'
                          : c >= u'A' && c <= u'F' ? c - u'A' + 10
                                                   : -1;
        if (digit < 0) {
            return std::nullopt;
        }
        id = id * 16 + digit;
    }
    return id;
}

class FoldersImpl : public _Folders {
public:
    FoldersImpl(CComPtr<ApplicationImpl> app, std::optional<std::int64_t> parentId)
        : app_(std::move(app)), parentId_(parentId) {}

    LONG GetCount() override { return static_cast<LONG>(Rows().size()); }
    CComPtr<MAPIFolder> Item(const _variant_t& index) override {
        const std::vector<FolderRow> rows = Rows();
        if (index.Type() == VT_BSTR) {
            for (const FolderRow& row : rows) {
                if (row.name == index.ToString()) {
                    return MakeFolder(app_, row);
                }
            }
            throw _com_error(MAPI_E_NOT_FOUND, u"There is no folder named " + index.ToString());
        }
        const LONG i = index.ToLong();
        if (i < 1 || i > static_cast<LONG>(rows.size())) {
            throw _com_error(DISP_E_BADINDEX, u"There is no folder at this index.");
        }
        return MakeFolder(app_, rows[i - 1]);
    }
    CComPtr<MAPIFolder> Add(const std::u16string& name, const _variant_t& type) override {
        if (!parentId_) {
            throw _com_error(E_NOTIMPL, u"New stores cannot be added.");
        }
        if (name.empty()) {
            ThrowInvalid(u"A folder needs a name.");
        }
        const LONG itemType =
            type.IsMissing() || type.IsEmpty() ? olAppointmentItem : type.ToLong();
        return MakeFolder(app_, app_->Store().AddFolder(*parentId_, name, itemType));
    }

private:
    std::vector<FolderRow> Rows() { return app_->Store().ChildFolders(parentId_); }

    CComPtr<ApplicationImpl> app_;
    std::optional<std::int64_t> parentId_;
};

class NameSpaceImpl : public _NameSpace {
public:
    explicit NameSpaceImpl(CComPtr<ApplicationImpl> app) : app_(std::move(app)) {}

    LONG GetClass() override { return olNamespace; }
    CComPtr<_Application> GetApplication() override { return app_; }
    CComPtr<MAPIFolder> GetDefaultFolder(LONG folderType) override {
        if (folderType != olFolderCalendar && folderType != olFolderInbox) {
            ThrowInvalid(u"There is no such default folder.");
        }
        std::optional<FolderRow> row = app_->Store().DefaultFolder(folderType);
        if (!row) {
            throw _com_error(MAPI_E_NOT_FOUND, u"The default folder is missing.");
        }
        return MakeFolder(app_, *row);
    }
    CComPtr<_Folders> GetFolders() override {
        return MakeComObject<FoldersImpl>(app_, std::nullopt);
    }
    CComPtr<MAPIFolder> PickFolder() override {
        const auto& pick = app_->Context().hooks.pickFolder;
        return pick ? pick(*this) : CComPtr<MAPIFolder>();
    }
    CComPtr<IUnknown> GetItemFromID(const std::u16string& entryId) override {
        CComPtr<IUnknown> item = FindItem(app_, {entryId, std::nullopt});
        if (!item) {
            throw _com_error(MAPI_E_NOT_FOUND, u"There is no item with this entry id.");
        }
        return item;
    }
    CComPtr<MAPIFolder> GetFolderFromID(const std::u16string& entryId) override {
        std::optional<std::int64_t> id = FolderIdOfEntryId(entryId);
        if (!id) {
            throw _com_error(MAPI_E_NOT_FOUND, u"There is no folder with this entry id.");
        }
        return FolderById(app_, *id);
    }

private:
    CComPtr<ApplicationImpl> app_;
};

class FolderImpl : public MAPIFolder {
public:
    FolderImpl(CComPtr<ApplicationImpl> app, FolderRow row)
        : app_(std::move(app)), row_(std::move(row)) {}

    LONG GetClass() override { return olFolder; }
    std::u16string GetName() override { return row_.name; }
    CComPtr<IUnknown> GetParent() override {
        if (!row_.parentId) {
            return MakeComObject<NameSpaceImpl>(app_);
        }
        return FolderById(app_, *row_.parentId);
    }
    LONG GetDefaultItemType() override { return row_.itemType; }
    std::u16string GetEntryID() override { return FolderEntryId(row_.id); }
    CComPtr<_Items> GetItems() override {
        if (row_.itemType != olAppointmentItem) {
            throw _com_error(E_NOTIMPL, u"Only calendar folders hold items in this store.");
        }
        return MakeItems(app_, row_.id);
    }
    CComPtr<_Folders> GetFolders() override { return MakeComObject<FoldersImpl>(app_, row_.id); }
    CComPtr<_Application> GetApplication() override { return app_; }

private:
    CComPtr<ApplicationImpl> app_;
    FolderRow row_;
};

class SelectionImpl : public Selection {
public:
    explicit SelectionImpl(CComPtr<ApplicationImpl> app) : app_(std::move(app)) {}

    LONG GetCount() override { return static_cast<LONG>(Entries().size()); }
    CComPtr<IUnknown> Item(const _variant_t& index) override {
        const LONG i = index.ToLong();
        if (i < 1 || i > GetCount()) {
            throw _com_error(DISP_E_BADINDEX, u"There is no selected item at this index.");
        }
        CComPtr<IUnknown> item = FindItem(app_, Entries()[i - 1]);
        if (!item) {
            throw _com_error(MAPI_E_NOT_FOUND, u"The selected item no longer exists.");
        }
        return item;
    }

private:
    const std::vector<SelectionEntry>& Entries() { return app_->Context().selection; }

    CComPtr<ApplicationImpl> app_;
};

class ExplorerImpl : public _Explorer {
public:
    explicit ExplorerImpl(CComPtr<ApplicationImpl> app) : app_(std::move(app)) {}

    CComPtr<MAPIFolder> GetCurrentFolder() override {
        return FolderById(app_, app_->Context().currentFolderId);
    }
    void PutRefCurrentFolder(const CComPtr<MAPIFolder>& folder) override {
        std::optional<std::int64_t> id =
            folder ? FolderIdOfEntryId(folder->GetEntryID()) : std::nullopt;
        if (!id) {
            ThrowInvalid(u"The folder does not belong to this store.");
        }
        if (*id != app_->Context().currentFolderId) {
            app_->Context().selection.clear();
        }
        app_->Context().currentFolderId = *id;
    }
    CComPtr<Selection> GetSelection() override { return MakeComObject<SelectionImpl>(app_); }
    // There is no window to bring forward: the Explorer is the host's terminal.
    void Activate() override {}

private:
    CComPtr<ApplicationImpl> app_;
};

} // namespace

std::u16string ItemEntryId(std::int64_t id) {
    return EntryId(kItemPrefix, id);
}

std::u16string FolderEntryId(std::int64_t id) {
    return EntryId(kFolderPrefix, id);
}

std::optional<std::int64_t> ItemIdOfEntryId(const std::u16string& entryId) {
    return IdOf(kItemPrefix, entryId);
}

std::optional<std::int64_t> FolderIdOfEntryId(const std::u16string& entryId) {
    return IdOf(kFolderPrefix, entryId);
}

CComPtr<MAPIFolder> MakeFolder(const CComPtr<ApplicationImpl>& app, const FolderRow& row) {
    return MakeComObject<FolderImpl>(app, row);
}

CComPtr<MAPIFolder> FolderById(const CComPtr<ApplicationImpl>& app, std::int64_t id) {
    std::optional<FolderRow> row = app->Store().FindFolder(id);
    if (!row) {
        throw _com_error(MAPI_E_NOT_FOUND, u"The folder no longer exists.");
    }
    return MakeFolder(app, *row);
}

CComPtr<IUnknown> FindItem(const CComPtr<ApplicationImpl>& app, const SelectionEntry& entry) {
    std::optional<std::int64_t> id = ItemIdOfEntryId(entry.entryId);
    std::optional<AppointmentRecord> record =
        id ? app->Store().LoadItem(*id) : std::optional<AppointmentRecord>();
    if (!record) {
        return nullptr;
    }
    CComPtr<AppointmentItemImpl> item =
        MakeComObject<AppointmentItemImpl>(app, std::move(*record), true);
    if (!entry.occurrenceStart) {
        return item;
    }
    return item->GetRecurrencePattern()->GetOccurrence(*entry.occurrenceStart);
}

CComPtr<_Explorer> ApplicationImpl::ActiveExplorer() {
    return MakeComObject<ExplorerImpl>(CComPtr<ApplicationImpl>(this));
}

CComPtr<_NameSpace> ApplicationImpl::GetSession() {
    return MakeComObject<NameSpaceImpl>(CComPtr<ApplicationImpl>(this));
}

CComPtr<_Application> OpenOutlookStore(const std::string& path, bool create,
                                       const std::u16string& version, OutlookHooks hooks) {
    auto context = std::make_shared<OutlookContext>();
    context->store = CalendarStore::Open(path, create);
    context->version = version;
    context->hooks = std::move(hooks);
    std::optional<FolderRow> calendar = context->store->DefaultFolder(kRoleCalendar);
    context->currentFolderId = calendar ? calendar->id : 0;
    return MakeComObject<ApplicationImpl>(std::move(context));
}

void ApplicationImpl::BeginSaveBatch() {
    if (!context_->saveBatch) {
        context_->saveBatch = Store().BeginSaveBatch();
    }
}

void ApplicationImpl::CommitSaveBatch() {
    // Taken first: a batch whose commit fails is rolled back as it goes.
    std::unique_ptr<StoreSaveBatch> batch = std::move(context_->saveBatch);
    if (batch) {
        batch->Commit();
        Store().ReleaseCleanPages();
    }
}

void SetExplorerSelection(const CComPtr<_Application>& application,
                          std::vector<SelectionEntry> entries) {
    auto* app = dynamic_cast<ApplicationImpl*>(application.get());
    if (!app) {
        ThrowInvalid(u"The application is not the calendar store's.");
    }
    app->Context().selection = std::move(entries);
}

StoreTransaction::StoreTransaction(const CComPtr<_Application>& application) {
    auto* app = dynamic_cast<ApplicationImpl*>(application.get());
    if (!app) {
        ThrowInvalid(u"The application is not the calendar store's.");
    }
    transaction_ = app->Store().BeginTransaction();
}

StoreTransaction::~StoreTransaction() = default;

void StoreTransaction::Commit() {
    transaction_->Commit();
}
