#include "platform/com/com_error.h"
#include "platform/outlook/civil_day.h"
#include "platform/outlook/outlook_objects.h"

namespace {

// What Outlook answers for the end of a series without end: 1 January 4501.
const int kNoEndDay = DayNumber(4501, 1, 1);

constexpr LONG kMaxInterval = 999;
constexpr LONG kMaxOccurrences = 999;

void Check(bool ok, const char16_t* what) {
    if (!ok) {
        ThrowInvalid(std::u16string(what) + u" is out of range.");
    }
}

bool KnownType(LONG type) {
    return type == olRecursDaily || type == olRecursWeekly || type == olRecursMonthly ||
           type == olRecursMonthNth || type == olRecursYearly || type == olRecursYearNth;
}

class ExceptionImpl : public Exception {
public:
    ExceptionImpl(CComPtr<AppointmentItemImpl> master, ExceptionRecord record)
        : master_(std::move(master)), record_(std::move(record)) {}

    DATE GetOriginalDate() override {
        const ::Occurrence planned =
            PlannedOccurrence(master_->Record(), master_->Zone(), record_.originalDay);
        return SecondsToDate(master_->System().ToLocal(planned.startUtc));
    }
    bool GetDeleted() override { return record_.deleted; }
    CComPtr<_AppointmentItem> GetAppointmentItem() override {
        if (record_.deleted) {
            throw _com_error(MAPI_E_NOT_FOUND, u"The occurrence has been deleted.");
        }
        return MakeOccurrence(master_, record_.originalDay);
    }

private:
    CComPtr<AppointmentItemImpl> master_;
    ExceptionRecord record_;
};

class ExceptionsImpl : public Exceptions {
public:
    explicit ExceptionsImpl(CComPtr<AppointmentItemImpl> master)
        : master_(std::move(master)), list_(*master_->WithExceptions().exceptions) {}

    LONG GetCount() override { return static_cast<LONG>(list_.size()); }
    CComPtr<Exception> Item(const _variant_t& index) override {
        const LONG i = index.ToLong();
        if (i < 1 || i > GetCount()) {
            throw _com_error(DISP_E_BADINDEX, u"There is no exception at this index.");
        }
        return MakeComObject<ExceptionImpl>(master_, list_[i - 1]);
    }

private:
    CComPtr<AppointmentItemImpl> master_;
    std::vector<ExceptionRecord> list_;
};

class RecurrencePatternImpl : public RecurrencePattern {
public:
    explicit RecurrencePatternImpl(CComPtr<AppointmentItemImpl> master)
        : master_(std::move(master)) {}

    CComPtr<_AppointmentItem> GetParent() override { return master_; }
    LONG GetRecurrenceType() override { return Rule().type; }
    void PutRecurrenceType(LONG value) override;
    LONG GetInterval() override { return Rule().interval; }
    void PutInterval(LONG value) override {
        Check(value >= 0 && value <= kMaxInterval, u"Interval");
        Change([&](RecurrenceRule& r) { r.interval = value; });
    }
    LONG GetDayOfWeekMask() override { return Rule().dayOfWeekMask; }
    void PutDayOfWeekMask(LONG value) override {
        Check(value >= 0 && value <= 127, u"DayOfWeekMask");
        Change([&](RecurrenceRule& r) { r.dayOfWeekMask = value; });
    }
    LONG GetDayOfMonth() override { return Rule().dayOfMonth; }
    void PutDayOfMonth(LONG value) override {
        Check(value >= 1 && value <= 31, u"DayOfMonth");
        Change([&](RecurrenceRule& r) { r.dayOfMonth = value; });
    }
    LONG GetMonthOfYear() override { return Rule().monthOfYear; }
    void PutMonthOfYear(LONG value) override {
        Check(value >= 1 && value <= 12, u"MonthOfYear");
        Change([&](RecurrenceRule& r) { r.monthOfYear = value; });
    }
    LONG GetInstance() override { return Rule().instance; }
    void PutInstance(LONG value) override {
        Check(value >= 1 && value <= 5, u"Instance");
        Change([&](RecurrenceRule& r) { r.instance = value; });
    }
    bool GetNoEndDate() override { return Rule().noEndDate; }
    void PutNoEndDate(bool value) override;
    LONG GetOccurrences() override;
    void PutOccurrences(LONG value) override;
    DATE GetPatternStartDate() override {
        return SecondsToDate(static_cast<StoreSeconds>(Series().patternStart) * kSecondsPerDay);
    }
    void PutPatternStartDate(DATE value) override;
    DATE GetPatternEndDate() override;
    void PutPatternEndDate(DATE value) override;
    DATE GetStartTime() override {
        return SecondsToDate(SeriesStartTime(master_->Record(), master_->Zone()));
    }
    void PutStartTime(DATE value) override;
    DATE GetEndTime() override {
        const StoreSeconds end =
            SeriesStartTime(master_->Record(), master_->Zone()) + master_->GetDuration() * 60LL;
        return SecondsToDate(TimeOfDay(end));
    }
    LONG GetDuration() override { return master_->GetDuration(); }
    void PutDuration(LONG minutes) override { master_->PutDuration(minutes); }
    CComPtr<Exceptions> GetExceptions() override { return MakeComObject<ExceptionsImpl>(master_); }
    CComPtr<_AppointmentItem> GetOccurrence(DATE start) override;

private:
    PatternRecord& Pattern() {
        if (!master_->Record().pattern) {
            throw _com_error(E_UNEXPECTED, u"The appointment is no longer recurring.");
        }
        return *master_->Record().pattern;
    }
    RecurrenceRule& Rule() { return Pattern().rule; }
    RecurrenceRule Series() { return SeriesRule(master_->Record(), master_->Zone()); }
    template <typename F>
    void Change(F apply) {
        apply(Rule());
        master_->RefreshPatternEnd();
        master_->MarkChanged(AppointmentItemImpl::Part::Fields);
    }
    // Moves the master's start to a day of the series' zone, keeping its time.
    void MoveStartToDay(int day);

    CComPtr<AppointmentItemImpl> master_;
};

void RecurrencePatternImpl::PutRecurrenceType(LONG value) {
    Check(KnownType(value), u"RecurrenceType");
    // The other fields follow the series' start, as Outlook fills them.
    const StoreZone zone = master_->Zone();
    const int startDay = DayOf(zone.ToLocal(master_->Record().startUtc));
    const CivilDate date = CivilFromDayNumber(startDay);
    Change([&](RecurrenceRule& r) {
        r.type = value;
        r.interval = 1;
        r.dayOfWeekMask = value == olRecursDaily ? 0 : 1 << Weekday(startDay);
        r.dayOfMonth = date.day;
        r.monthOfYear = date.month;
        r.instance = (date.day - 1) / 7 + 1;
    });
}

void RecurrencePatternImpl::PutNoEndDate(bool value) {
    Change([&](RecurrenceRule& r) {
        r.noEndDate = value;
        r.occurrences = value ? 0 : (r.occurrences > 0 ? r.occurrences : 10);
    });
    if (value) {
        Pattern().endUtc.reset();
    }
}

LONG RecurrencePatternImpl::GetOccurrences() {
    const RecurrenceRule rule = Series();
    if (rule.noEndDate) {
        return 0;
    }
    if (rule.occurrences > 0) {
        return rule.occurrences;
    }
    return rule.patternEnd ? CountOccurrencesThrough(rule, *rule.patternEnd) : 0;
}

void RecurrencePatternImpl::PutOccurrences(LONG value) {
    Check(value >= 1 && value <= kMaxOccurrences, u"Occurrences");
    Change([&](RecurrenceRule& r) {
        r.noEndDate = false;
        r.occurrences = value;
    });
}

DATE RecurrencePatternImpl::GetPatternEndDate() {
    const RecurrenceRule rule = Series();
    if (rule.noEndDate || !rule.patternEnd) {
        return SecondsToDate(static_cast<StoreSeconds>(kNoEndDay) * kSecondsPerDay);
    }
    return SecondsToDate(static_cast<StoreSeconds>(*rule.patternEnd) * kSecondsPerDay);
}

void RecurrencePatternImpl::PutPatternEndDate(DATE value) {
    const int day = DayOf(DateToSeconds(value));
    const StoreZone zone = master_->Zone();
    Check(day >= Series().patternStart, u"PatternEndDate");
    Rule().noEndDate = false;
    Rule().occurrences = 0;
    Pattern().endUtc = zone.ToUtc(static_cast<StoreSeconds>(day) * kSecondsPerDay);
    master_->MarkChanged(AppointmentItemImpl::Part::Fields);
}

void RecurrencePatternImpl::MoveStartToDay(int day) {
    const StoreZone zone = master_->Zone();
    AppointmentRecord& record = master_->Record();
    const StoreSeconds local =
        static_cast<StoreSeconds>(day) * kSecondsPerDay + SeriesStartTime(record, zone);
    master_->PutStart(SecondsToDate(master_->System().ToLocal(zone.ToUtc(local))));
}

void RecurrencePatternImpl::PutPatternStartDate(DATE value) {
    const int day = DayOf(DateToSeconds(value));
    MoveStartToDay(day);
    const StoreZone zone = master_->Zone();
    Pattern().startUtc = zone.ToUtc(static_cast<StoreSeconds>(day) * kSecondsPerDay);
    master_->RefreshPatternEnd();
}

void RecurrencePatternImpl::PutStartTime(DATE value) {
    const StoreZone zone = master_->Zone();
    const int day = DayOf(zone.ToLocal(master_->Record().startUtc));
    const StoreSeconds local =
        static_cast<StoreSeconds>(day) * kSecondsPerDay + TimeOfDay(DateToSeconds(value));
    master_->PutStart(SecondsToDate(master_->System().ToLocal(zone.ToUtc(local))));
}

CComPtr<_AppointmentItem> RecurrencePatternImpl::GetOccurrence(DATE start) {
    const AppointmentRecord& record = master_->WithExceptions();
    const StoreZone zone = master_->Zone();
    const StoreSeconds utc = master_->System().ToUtc(DateToSeconds(start));
    for (const ExceptionRecord& e : *record.exceptions) {
        if (!e.deleted && zone.ToUtc(e.startLocal) == utc) {
            return MakeOccurrence(master_, e.originalDay);
        }
    }
    const int day = DayOf(zone.ToLocal(utc));
    bool changed = false;
    for (const ExceptionRecord& e : *record.exceptions) {
        changed = changed || e.originalDay == day;
    }
    if (!changed && IsPatternDay(record, zone, day) &&
        PlannedOccurrence(record, zone, day).startUtc == utc) {
        return MakeOccurrence(master_, day);
    }
    throw _com_error(MAPI_E_NOT_FOUND, u"The series has no occurrence at that time.");
}

} // namespace

CComPtr<RecurrencePattern> MakePattern(const CComPtr<AppointmentItemImpl>& master) {
    return MakeComObject<RecurrencePatternImpl>(master);
}
