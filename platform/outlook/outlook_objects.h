#pragma once
// The objects of the Outlook stand-in and what they share: the application
// holds the context (the store, the host's hooks, the Explorer's state); every
// other object holds the application, so that nothing refers back in a cycle.

#include "engine/common/outlook_application.h"
#include "engine/common/outlook_appointment.h"
#include "engine/common/outlook_folder.h"
#include "engine/common/outlook_items.h"
#include "engine/common/outlook_recurrence.h"
#include "engine/common/save_batch.h"
#include "platform/outlook/calendar_store.h"
#include "platform/outlook/outlook_store.h"
#include "platform/outlook/series_expansion.h"

#include <memory>

class AppointmentItemImpl;

struct OutlookContext {
    std::shared_ptr<CalendarStore> store;
    std::u16string version;
    OutlookHooks hooks;
    std::int64_t currentFolderId = 0;
    std::vector<SelectionEntry> selection;
    // The batch of saves an engine has opened (see ISaveBatching).
    std::unique_ptr<StoreSaveBatch> saveBatch;
    // The item object that saved last, while it lives: a search right after
    // a save (the occurrences of a new series) takes the item from it
    // instead of reading it back (see AppointmentItemImpl::StoredRecord).
    AppointmentItemImpl* lastSaved = nullptr;
};

class ApplicationImpl : public _Application, public ISaveBatching {
public:
    explicit ApplicationImpl(std::shared_ptr<OutlookContext> context)
        : context_(std::move(context)) {}

    OutlookContext& Context() { return *context_; }
    CalendarStore& Store() { return *context_->store; }

    std::u16string GetVersion() override { return context_->version; }
    CComPtr<_Explorer> ActiveExplorer() override;
    CComPtr<_NameSpace> GetSession() override;
    CComPtr<IUnknown> CreateItem(LONG itemType) override;
    void BeginSaveBatch() override;
    void CommitSaveBatch() override;

private:
    std::shared_ptr<OutlookContext> context_;
};

CComPtr<MAPIFolder> MakeFolder(const CComPtr<ApplicationImpl>& app, const FolderRow& row);
// The folder with this id; raises _com_error when it is gone.
CComPtr<MAPIFolder> FolderById(const CComPtr<ApplicationImpl>& app, std::int64_t id);
CComPtr<_Items> MakeItems(const CComPtr<ApplicationImpl>& app, std::int64_t folderId);
// The item with this entry id, or an occurrence of it; empty when none.
CComPtr<IUnknown> FindItem(const CComPtr<ApplicationImpl>& app, const SelectionEntry& entry);

// Entry ids: a fixed prefix per kind and the row id in hex.
std::u16string ItemEntryId(std::int64_t id);
std::u16string FolderEntryId(std::int64_t id);
std::optional<std::int64_t> ItemIdOfEntryId(const std::u16string& entryId);
std::optional<std::int64_t> FolderIdOfEntryId(const std::u16string& entryId);

// A stored or new appointment (a single one or a series master).
class AppointmentItemImpl : public _AppointmentItem {
public:
    AppointmentItemImpl(CComPtr<ApplicationImpl> app, AppointmentRecord record, bool saved);
    ~AppointmentItemImpl() override;

    ApplicationImpl& App() { return *app_; }
    const CComPtr<ApplicationImpl>& AppRef() { return app_; }
    CalendarStore& Store() { return app_->Store(); }
    // The record with the given parts loaded.
    AppointmentRecord& Record() { return record_; }
    AppointmentRecord& WithProps();
    AppointmentRecord& WithRecipients();
    AppointmentRecord& WithExceptions();
    // The record while it is exactly what the store holds for the item: it
    // has been saved, nothing of it has changed since, and nothing has been
    // written to the store after that save. Null otherwise.
    const AppointmentRecord* StoredRecord();
    // The zone the series' wall-clock times are in.
    StoreZone Zone();
    const StoreZone& System() { return Store().SystemZone(); }
    // Records a change, so that the next save writes what changed: one part
    // of the item, or one property.
    enum class Part { Fields, Recipients, Exceptions };
    void MarkChanged(Part part);
    void MarkPropertyChanged(LONG propId);
    // A MAPI property by id, with the ties to the appointment's fields.
    std::optional<PropValue> GetProperty(LONG propId);
    void SetProperty(LONG propId, PropValue value);
    // Records a changed or deleted occurrence and saves the series.
    void SaveException(const ExceptionRecord& exception);
    CComPtr<_AppointmentItem> Occurrence(int originalDay);
    // Keeps the pattern's end in step with its count after a change.
    void RefreshPatternEnd();

    LONG GetClass() override;
    CComPtr<_Application> GetApplication() override;
    CComPtr<IUnknown> GetParent() override;
    std::u16string GetEntryID() override;
    std::u16string GetSubject() override { return record_.subject; }
    void PutSubject(const std::u16string& value) override { SetText(record_.subject, value); }
    std::u16string GetLocation() override { return record_.location; }
    void PutLocation(const std::u16string& value) override { SetText(record_.location, value); }
    std::u16string GetBody() override { return record_.body; }
    void PutBody(const std::u16string& value) override { SetText(record_.body, value); }
    std::u16string GetCategories() override { return record_.categories; }
    void PutCategories(const std::u16string& value) override { SetText(record_.categories, value); }
    std::u16string GetResources() override { return record_.resources; }
    void PutResources(const std::u16string& value) override { SetText(record_.resources, value); }
    DATE GetStart() override;
    void PutStart(DATE value) override;
    DATE GetEnd() override;
    void PutEnd(DATE value) override;
    LONG GetDuration() override;
    void PutDuration(LONG minutes) override;
    bool GetAllDayEvent() override { return record_.allDayEvent; }
    void PutAllDayEvent(bool value) override;
    LONG GetSensitivity() override { return record_.sensitivity; }
    void PutSensitivity(LONG value) override;
    LONG GetImportance() override { return record_.importance; }
    void PutImportance(LONG value) override;
    LONG GetBusyStatus() override { return record_.busyStatus; }
    void PutBusyStatus(LONG value) override;
    bool GetReminderSet() override { return record_.reminderSet; }
    void PutReminderSet(bool value) override;
    LONG GetReminderMinutesBeforeStart() override { return record_.reminderMinutesBeforeStart; }
    void PutReminderMinutesBeforeStart(LONG minutes) override;
    LONG GetMeetingStatus() override { return record_.meetingStatus; }
    void PutMeetingStatus(LONG value) override;
    CComPtr<Recipients> GetRecipients() override;
    bool GetIsRecurring() override { return record_.pattern.has_value(); }
    LONG GetRecurrenceState() override;
    CComPtr<RecurrencePattern> GetRecurrencePattern() override;
    void ClearRecurrencePattern() override;
    bool GetSaved() override { return saved_; }
    void Save() override;
    void Delete() override;
    void ShowCategoriesDialog() override;

private:
    void SetText(std::u16string& field, const std::u16string& value);
    void SetTimes(StoreSeconds startUtc, StoreSeconds endUtc);
    void RefreshDerivedTimes();
    void CheckNotDeleted();

    CComPtr<ApplicationImpl> app_;
    AppointmentRecord record_;
    bool saved_;
    ItemChanges changes_;
    bool deleted_ = false;
    bool timesChanged_ = false;
    // The store's write stamp right after this object's last save: while it
    // holds, the stored item is exactly this record.
    std::optional<StoreWriteStamp> savedAt_;
    // The fields as that save stored them.
    std::optional<AppointmentRow> savedRow_;
};

// One occurrence of a series, planned or changed: of a series object, or of
// a series read from the store with its properties and changed occurrences
// (the occurrence makes an object of it when it needs one).
CComPtr<_AppointmentItem> MakeOccurrence(const CComPtr<AppointmentItemImpl>& master,
                                         int originalDay);
CComPtr<_AppointmentItem> MakeOccurrence(const CComPtr<ApplicationImpl>& app,
                                         std::shared_ptr<const AppointmentRecord> series,
                                         int originalDay);
CComPtr<RecurrencePattern> MakePattern(const CComPtr<AppointmentItemImpl>& master);
CComPtr<Recipients> MakeRecipients(const CComPtr<AppointmentItemImpl>& item);

// The store item behind an object handed to Redemption; raises _com_error
// (E_INVALIDARG) for anything else.
AppointmentItemImpl& StoreItemOf(const CComPtr<IUnknown>& item);

[[noreturn]] void ThrowInvalid(const std::u16string& what);
