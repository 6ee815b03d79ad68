#include "engine/export/recurrence_writer.h"

#include "engine/common/outlook_recurrence.h"
#include "engine/export/exception_dates.h"
#include "engine/export/export_options.h"
#include "engine/export/ical_date_time.h"
#include "engine/export/recurrence_rule_text.h"

namespace {

RecurrenceFields ReadFields(RecurrencePattern& pattern) {
    RecurrenceFields f;
    f.recurrenceType = pattern.GetRecurrenceType();
    f.interval = pattern.GetInterval();
    f.dayOfWeekMask = pattern.GetDayOfWeekMask();
    f.dayOfMonth = pattern.GetDayOfMonth();
    f.monthOfYear = pattern.GetMonthOfYear();
    f.instance = pattern.GetInstance();
    f.noEndDate = pattern.GetNoEndDate();
    f.occurrences = pattern.GetOccurrences();
    return f;
}

// The calendar date of one value at the clock time (hour and minute) of
// another; invalid when either cannot be split.
COleDateTime DateAtTime(const COleDateTime& date, const COleDateTime& time) {
    COleDateTime result;
    result.SetDateTime(date.GetYear(), date.GetMonth(), date.GetDay(), time.GetHour(),
                       time.GetMinute(), 0);
    return result;
}

bool SameDay(const COleDateTime& a, const COleDateTime& b) {
    return a.GetDay() == b.GetDay() && a.GetMonth() == b.GetMonth() && a.GetYear() == b.GetYear();
}

class ExceptionLister {
public:
    ExceptionLister(const EventSource& source, bool zoned, const COleDateTime& startTime)
        : source_(source), zoned_(zoned), startTime_(startTime),
          dates_(source.format == kFormatVCalendar10 ? ";" : ",") {}

    void Add(Exception& exception) {
        COleDateTime original(exception.GetOriginalDate());
        bool deleted = exception.GetDeleted();
        COleDateTime planned = zoned_ && !deleted
                                   ? ToItemZone(source_.zoneRule, original, source_.systemZone)
                                   : DateAtTime(original, startTime_);
        dates_.AddPlanned(Text(planned));
        if (deleted) {
            return;
        }
        COleDateTime moved(exception.GetAppointmentItem()->GetStart());
        if (zoned_) {
            moved = ToItemZone(source_.zoneRule, moved, source_.systemZone);
        }
        dates_.AddMoved(Text(moved));
        if (!SameDay(moved, planned)) {
            dates_.AddPlanned(Text(DateAtTime(moved, planned)));
        }
    }

    const ExceptionDates& Dates() const { return dates_; }

private:
    std::string Text(const COleDateTime& value) const {
        return FormatIcalDateTime(value, false, !zoned_, true, source_.systemZone);
    }

    const EventSource& source_;
    bool zoned_;
    COleDateTime startTime_;
    ExceptionDates dates_;
};

void WriteExceptions(const EventSource& source, bool zoned, RecurrencePattern& pattern,
                     TextBuffer& event) {
    CComPtr<Exceptions> exceptions = pattern.GetExceptions();
    LONG count = exceptions->GetCount();
    if (count <= 0) {
        return;
    }
    ExceptionLister lister(source, zoned, COleDateTime(pattern.GetStartTime()));
    for (LONG i = 1; i <= count; ++i) {
        lister.Add(*exceptions->Item(_variant_t(i, VT_INT)));
    }
    std::string zone = source.format == kFormatICalendar20 && zoned
                           ? ";TZID=\"" + source.zoneName + "\""
                           : std::string();
    event.Append("EXDATE" + zone + ":" + lister.Dates().ExDates() + "\r\n");
    if (!lister.Dates().RDates().empty()) {
        event.Append("RDATE" + zone + ":" + lister.Dates().RDates() + "\r\n");
    }
}

} // namespace

void WriteRecurrence(const EventSource& source, bool zoned, TextBuffer& event) {
    CComPtr<RecurrencePattern> pattern = source.item->GetRecurrencePattern();
    RecurrenceFields fields = ReadFields(*pattern);
    if (source.format == kFormatVCalendar10) {
        event.Append("RRULE:" + VCalendarRule(fields) + "\r\n");
    } else {
        event.Append("RRULE:" + ICalendarRule(fields) + WeekStartParameter(source.outlookVersion) +
                     "\r\n");
    }
    WriteExceptions(source, zoned, *pattern, event);
}
