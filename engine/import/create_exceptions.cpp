// The changed occurrences of a new recurring appointment: the event's
// EXDATEs and RDATEs found among the series' occurrences, planned into
// deletions and moves, logged in one summary and applied.

#include "engine/common/outlook_constants.h"
#include "engine/common/outlook_items.h"
#include "engine/common/outlook_recurrence.h"
#include "engine/import/cv_cal_import.h"
#include "engine/import/exception_plan.h"
#include "engine/import/outlook_date.h"
#include "platform/com/com_error.h"
#include "platform/win32/code_page.h"

#include <algorithm>

namespace {

constexpr const char* kWhere = "CreateExceptions";

std::string ItemText(_AppointmentItem& item) {
    return "Item{Subject=" + WideToAnsi(item.GetSubject()) +
           ", Start=" + UserDateText(COleDateTime(item.GetStart())) + "} ";
}

// The dates as they stood in the file, with the first one's zone.
template <typename Dates>
void AppendFileDates(std::string& text, const Dates& dates) {
    if (dates.empty()) {
        text += "<none>";
        return;
    }
    const std::string& zone = dates.front().Tzid;
    if (!zone.empty()) {
        text += "TZID=";
        text += zone;
        text += ';';
    }
    for (size_t i = 0; i < dates.size(); ++i) {
        text += i ? ", " : "";
        text += dates[i].Date;
    }
}

void AppendDeleted(std::string& text, const ExceptionPlan& plan) {
    if (plan.Deleted.empty()) {
        text += "<none>";
        return;
    }
    for (size_t i = 0; i < plan.Deleted.size(); ++i) {
        text += i ? ", " : "";
        text += UserDateTimeText(plan.Deleted[i]);
    }
}

void AppendMoved(std::string& text, const ExceptionPlan& plan) {
    if (plan.Moved.empty()) {
        text += "<none>";
        return;
    }
    for (size_t i = 0; i < plan.Moved.size(); ++i) {
        text += i ? ", " : "";
        text += UserDateTimeText(plan.Moved[i].first);
        text += "->";
        text += UserDateTimeText(plan.Moved[i].second);
    }
}

// The summary of a series' exceptions: what the file listed and what was
// planned, built in one buffer.
std::string SummaryText(const std::string& itemText, const ParsedEvent& event,
                        const ExceptionPlan& plan) {
    std::string text;
    text.reserve(256 + itemText.size());
    text += "\n{ DEBUG DUBM ----\n";
    text += itemText;
    text += "\nEXDATE(in):";
    AppendFileDates(text, event.ExDates);
    text += "\nRDATE(in):";
    AppendFileDates(text, event.RDates);
    text += "\nDELETED EXCEPTION(out):";
    AppendDeleted(text, plan);
    text += "\nMOVED EXCEPTION(out):";
    AppendMoved(text, plan);
    text += "\n} DEBUG DUBM ----";
    return text;
}

std::string RestrictDateText(const COleDateTime& value) {
    return UserDateText(value) + " " + value.Format("%H:%M %p");
}

} // namespace

void CvCalImport::CreateExceptions() {
    const ParsedEvent& event = Parser.Event;
    if (event.ExDates.empty() && event.RDates.empty()) {
        return;
    }
    _AppointmentItem& item = *newItem_;
    std::string itemText = ItemText(item);
    if (event.ExDates.size() < event.RDates.size()) {
        Log("error in vcal file: EXDATE.Count < RDATE.Count. Ignoring exceptions." + itemText, 0,
            kWhere, 3);
        return;
    }
    int mode = kToDateLocal;
    std::string target;
    if (Parser.TimeZones.contains(event.Start.Tzid)) {
        mode = kToDateTarget;
        target = event.Start.Tzid;
    }
    std::vector<ExceptionEntry> entries;
    auto add = [&](const std::string& text, const std::string& zone, int kind) {
        COleDateTime date;
        if (Parser.ToDate(text, zone, date, mode, target) &&
            date.GetStatus() == COleDateTime::valid) {
            entries.push_back({date, kind});
        }
    };
    for (const EventDate& date : event.ExDates) {
        add(date.Date, date.Tzid, kExceptionExDate);
    }
    for (const RDateEntry& date : event.RDates) {
        add(date.Date, date.Tzid, kExceptionRDate);
    }
    std::stable_sort(
        entries.begin(), entries.end(),
        [](const ExceptionEntry& a, const ExceptionEntry& b) { return a.Date < b.Date; });
    if (!item.GetSaved()) {
        item.Save();
    }
    std::vector<COleDateTime> occurrences;
    if (entries.empty() ||
        !RenderRecurrenceItem(item, entries.front().Date, entries.back().Date, occurrences)) {
        return;
    }
    ExceptionPlan plan = PlanExceptions(entries, occurrences, itemText,
                                        [this](const std::string& text, int level, int flag) {
                                            Log(text, 0, kWhere, level, flag);
                                        });
    Log(SummaryText(itemText, event, plan), 0, kWhere, 1, 3);
    CComPtr<RecurrencePattern> pattern = item.GetRecurrencePattern();
    for (const COleDateTime& date : plan.Deleted) {
        CComPtr<_AppointmentItem> occurrence;
        try {
            occurrence = pattern->GetOccurrence(date);
        } catch (const _com_error& e) {
            Log("Cant get occurence at " + UserDateTimeText(date) + ", err=" + e.ErrorMessage(),
                e.Error(), kWhere, 3);
            continue;
        }
        try {
            occurrence->Delete();
        } catch (const _com_error& e) {
            Log("Cant delete occurence, err=" + e.ErrorMessage(), e.Error(), kWhere, 3);
        }
    }
    for (const auto& [from, to] : plan.Moved) {
        CComPtr<_AppointmentItem> occurrence;
        try {
            occurrence = pattern->GetOccurrence(from);
        } catch (const _com_error& e) {
            Log("Cant get occurence at " + UserDateTimeText(from) + ", err=" + e.ErrorMessage(),
                e.Error(), kWhere, 3);
            continue;
        }
        try {
            occurrence->PutStart(to);
            occurrence->Save();
        } catch (const _com_error& e) {
            Log("Cant move occurence, err=" + e.ErrorMessage(), e.Error(), kWhere, 3);
        }
    }
}

bool CvCalImport::RenderRecurrenceItem(_AppointmentItem& item, const COleDateTime& from,
                                       const COleDateTime& to,
                                       std::vector<COleDateTime>& occurrences) {
    CComPtr<MAPIFolder> folder = QueryInterface<MAPIFolder>(item.GetParent());
    if (!folder) {
        return false;
    }
    CComPtr<_Items> items = folder->GetItems();
    items->Sort(u"[Start]");
    items->PutIncludeRecurrences(true);
    // Built in place: a search per imported series with exceptions.
    std::string dates;
    dates.reserve(80);
    dates += "[Start] >= \"";
    dates += RestrictDateText(from);
    dates += "\" And [Start] <= \"";
    dates += RestrictDateText(to);
    dates += "\" And [Subject] = \"";
    std::u16string filter = AnsiToWide(dates);
    filter += item.GetSubject();
    filter += u'"';
    CComPtr<_Items> found = items->Restrict(filter);
    found->Sort(u"[Start]");
    found->PutIncludeRecurrences(true);
    std::u16string entryId = item.GetEntryID();
    for (CComPtr<IUnknown> element = found->GetFirst(); element; element = found->GetNext()) {
        CComPtr<_AppointmentItem> occurrence = QueryInterface<_AppointmentItem>(element);
        if (occurrence && occurrence->GetEntryID() == entryId) {
            occurrences.push_back(COleDateTime(occurrence->GetStart()));
        }
    }
    return true;
}
