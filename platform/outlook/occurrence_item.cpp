#include "platform/com/com_error.h"
#include "platform/outlook/outlook_objects.h"

#include <typeinfo>

namespace {

[[noreturn]] void NotPerOccurrence(const char16_t* field) {
    throw _com_error(E_NOTIMPL, std::u16string(u"The ") + field +
                                    u" of a single occurrence cannot be changed; change the "
                                    u"series instead.");
}

// One occurrence of a series: the series' fields, with the occurrence's own
// times and any changed texts. Changes are kept until Save records them as
// an exception of the series.
//
// An occurrence found by a search starts from the series as the search read
// it, shared with the other occurrences the search hands out, and makes an
// object of the series of its own only when it needs one (to read its other
// fields, to change or save it): a walk that reads the start and the entry id
// of each occurrence copies nothing of the series.
class OccurrenceItemImpl : public _AppointmentItem {
public:
    OccurrenceItemImpl(CComPtr<AppointmentItemImpl> master, int originalDay)
        : app_(master->AppRef()), master_(std::move(master)), originalDay_(originalDay) {
        Load();
    }
    // The series read with its properties and changed occurrences.
    OccurrenceItemImpl(CComPtr<ApplicationImpl> app,
                       std::shared_ptr<const AppointmentRecord> series, int originalDay)
        : app_(std::move(app)), series_(std::move(series)), originalDay_(originalDay) {
        Load();
    }

    AppointmentItemImpl& Master() {
        if (!master_) {
            master_ = MakeComObject<AppointmentItemImpl>(app_, AppointmentRecord(*series_), true);
            series_.reset();
        }
        return *master_;
    }

    LONG GetClass() override { return olAppointment; }
    CComPtr<_Application> GetApplication() override { return Master().GetApplication(); }
    CComPtr<IUnknown> GetParent() override { return Master().GetParent(); }
    std::u16string GetEntryID() override {
        if (master_) {
            return master_->GetEntryID();
        }
        return series_->id == 0 ? std::u16string() : ItemEntryId(series_->id);
    }
    std::u16string GetSubject() override { return subject_; }
    void PutSubject(const std::u16string& value) override { Change(subject_, value); }
    std::u16string GetLocation() override { return location_; }
    void PutLocation(const std::u16string& value) override { Change(location_, value); }
    std::u16string GetBody() override { return body_; }
    void PutBody(const std::u16string& value) override { Change(body_, value); }
    std::u16string GetCategories() override { return Master().GetCategories(); }
    void PutCategories(const std::u16string&) override { NotPerOccurrence(u"Categories"); }
    std::u16string GetResources() override { return Master().GetResources(); }
    void PutResources(const std::u16string&) override { NotPerOccurrence(u"Resources"); }

    DATE GetStart() override { return SecondsToDate(System().ToLocal(startUtc_)); }
    void PutStart(DATE value) override {
        const StoreSeconds start = System().ToUtc(DateToSeconds(value));
        endUtc_ += start - startUtc_;
        startUtc_ = start;
        saved_ = false;
    }
    DATE GetEnd() override { return SecondsToDate(System().ToLocal(endUtc_)); }
    void PutEnd(DATE value) override {
        const StoreSeconds end = System().ToUtc(DateToSeconds(value));
        if (end < startUtc_) {
            ThrowInvalid(u"The end date you entered occurs before the start date.");
        }
        endUtc_ = end;
        saved_ = false;
    }
    LONG GetDuration() override { return static_cast<LONG>((endUtc_ - startUtc_) / 60); }
    void PutDuration(LONG minutes) override {
        if (minutes < 0) {
            ThrowInvalid(u"Duration is out of range.");
        }
        endUtc_ = startUtc_ + static_cast<StoreSeconds>(minutes) * 60;
        saved_ = false;
    }
    bool GetAllDayEvent() override { return Master().GetAllDayEvent(); }
    void PutAllDayEvent(bool) override { NotPerOccurrence(u"AllDayEvent"); }
    LONG GetSensitivity() override { return Master().GetSensitivity(); }
    void PutSensitivity(LONG) override { NotPerOccurrence(u"Sensitivity"); }
    LONG GetImportance() override { return Master().GetImportance(); }
    void PutImportance(LONG) override { NotPerOccurrence(u"Importance"); }
    LONG GetBusyStatus() override { return Master().GetBusyStatus(); }
    void PutBusyStatus(LONG) override { NotPerOccurrence(u"BusyStatus"); }
    bool GetReminderSet() override { return Master().GetReminderSet(); }
    void PutReminderSet(bool) override { NotPerOccurrence(u"ReminderSet"); }
    LONG GetReminderMinutesBeforeStart() override {
        return Master().GetReminderMinutesBeforeStart();
    }
    void PutReminderMinutesBeforeStart(LONG) override {
        NotPerOccurrence(u"ReminderMinutesBeforeStart");
    }
    LONG GetMeetingStatus() override { return Master().GetMeetingStatus(); }
    void PutMeetingStatus(LONG) override { NotPerOccurrence(u"MeetingStatus"); }
    CComPtr<Recipients> GetRecipients() override { return Master().GetRecipients(); }
    bool GetIsRecurring() override { return true; }
    LONG GetRecurrenceState() override {
        return FindException() ? olApptException : olApptOccurrence;
    }
    CComPtr<RecurrencePattern> GetRecurrencePattern() override {
        return Master().GetRecurrencePattern();
    }
    void ClearRecurrencePattern() override {
        throw _com_error(E_NOTIMPL, u"An occurrence has no pattern of its own.");
    }
    bool GetSaved() override { return saved_; }
    void Save() override;
    void Delete() override;
    void ShowCategoriesDialog() override { Master().ShowCategoriesDialog(); }

private:
    const StoreZone& System() { return app_->Store().SystemZone(); }
    // The series with its changed occurrences, and its zone: of the object
    // of the series once there is one.
    const AppointmentRecord& Series() { return master_ ? master_->WithExceptions() : *series_; }
    StoreZone Zone() { return master_ ? master_->Zone() : SeriesZone(*series_, System()); }
    const ExceptionRecord* FindException();
    void Load();
    void Change(std::u16string& field, const std::u16string& value) {
        field = value;
        saved_ = false;
    }

    CComPtr<ApplicationImpl> app_;
    CComPtr<AppointmentItemImpl> master_;
    std::shared_ptr<const AppointmentRecord> series_;
    int originalDay_;
    StoreSeconds startUtc_ = 0;
    StoreSeconds endUtc_ = 0;
    std::u16string subject_, location_, body_;
    bool saved_ = true;
};

const ExceptionRecord* OccurrenceItemImpl::FindException() {
    for (const ExceptionRecord& e : *Series().exceptions) {
        if (e.originalDay == originalDay_) {
            return &e;
        }
    }
    return nullptr;
}

void OccurrenceItemImpl::Load() {
    const AppointmentRecord& series = Series();
    subject_ = series.subject;
    location_ = series.location;
    body_ = series.body;
    const StoreZone zone = Zone();
    const ::Occurrence planned = PlannedOccurrence(series, zone, originalDay_);
    startUtc_ = planned.startUtc;
    endUtc_ = planned.endUtc;
    if (const ExceptionRecord* e = FindException()) {
        if (e->deleted) {
            throw _com_error(MAPI_E_NOT_FOUND, u"The occurrence has been deleted.");
        }
        startUtc_ = zone.ToUtc(e->startLocal);
        endUtc_ = zone.ToUtc(e->endLocal);
        subject_ = e->subject.value_or(subject_);
        location_ = e->location.value_or(location_);
        body_ = e->body.value_or(body_);
    }
}

void OccurrenceItemImpl::Save() {
    const AppointmentRecord& series = Master().Record();
    const StoreZone zone = Master().Zone();
    ExceptionRecord exception;
    exception.originalDay = originalDay_;
    exception.startLocal = zone.ToLocal(startUtc_);
    exception.endLocal = zone.ToLocal(endUtc_);
    if (subject_ != series.subject) {
        exception.subject = subject_;
    }
    if (location_ != series.location) {
        exception.location = location_;
    }
    if (body_ != series.body) {
        exception.body = body_;
    }
    Master().SaveException(exception);
    saved_ = true;
}

void OccurrenceItemImpl::Delete() {
    ExceptionRecord exception;
    exception.originalDay = originalDay_;
    exception.deleted = true;
    const ::Occurrence planned =
        PlannedOccurrence(Master().Record(), Master().Zone(), originalDay_);
    exception.startLocal = Master().Zone().ToLocal(planned.startUtc);
    exception.endLocal = Master().Zone().ToLocal(planned.endUtc);
    Master().SaveException(exception);
}

} // namespace

CComPtr<_AppointmentItem> MakeOccurrence(const CComPtr<AppointmentItemImpl>& master,
                                         int originalDay) {
    return MakeComObject<OccurrenceItemImpl>(master, originalDay);
}

CComPtr<_AppointmentItem> MakeOccurrence(const CComPtr<ApplicationImpl>& app,
                                         std::shared_ptr<const AppointmentRecord> series,
                                         int originalDay) {
    return MakeComObject<OccurrenceItemImpl>(app, std::move(series), originalDay);
}

AppointmentItemImpl& StoreItemOf(const CComPtr<IUnknown>& item) {
    // An appointment object is made as itself (MakeComObject): its type
    // tells it apart, and its whole object is the appointment, without the
    // search through the interfaces a cast down from IUnknown makes.
    IUnknown* object = item.get();
    if (object != nullptr && typeid(*object) == typeid(AppointmentItemImpl)) {
        return *static_cast<AppointmentItemImpl*>(dynamic_cast<void*>(object));
    }
    if (auto* appointment = dynamic_cast<AppointmentItemImpl*>(object)) {
        return *appointment;
    }
    if (auto* occurrence = dynamic_cast<OccurrenceItemImpl*>(object)) {
        return occurrence->Master();
    }
    throw _com_error(E_INVALIDARG, u"The object is not an item of the calendar store.");
}
