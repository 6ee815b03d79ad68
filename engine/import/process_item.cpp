// Each parsed event on its way into the folder: RDATE lists split into
// single appointments, the filter, the conflict resolution, creation and
// saving, counting and the progress window.

#include "engine/common/outlook_items.h"
#include "engine/import/cv_cal_import.h"
#include "engine/import/date_values.h"
#include "engine/import/outlook_date.h"
#include "platform/com/com_error.h"
#include "platform/win32/code_page.h"
#include "support/lib_orvane.h"

namespace {

constexpr int32_t kSplitMinutes = 30;

} // namespace

int CvCalImport::AddEvent(CvCalParser&) {
    const ParsedEvent& event = Parser.Event;
    if (event.RuleType == kRuleNone && event.RDates.size() > 1) {
        return AddSplitEvents();
    }
    return AddItem();
}

// One appointment per RDATE of an event without a rule.
int CvCalImport::AddSplitEvents() {
    std::vector<RDateEntry> rDates = Parser.Event.RDates;
    progress_->ProgressExtendRange(static_cast<int>(rDates.size()) - 1);
    for (const RDateEntry& rDate : rDates) {
        ParsedEvent& event = Parser.Event;
        event.Start = {rDate.Date, rDate.Tzid};
        event.End = {};
        event.DurationMinutes = kNoDuration;
        int minutes = 0;
        if (!rDate.PeriodEnd.empty()) {
            event.End = {rDate.PeriodEnd, rDate.Tzid};
        } else if (!rDate.PeriodDuration.empty() && ParseDuration(rDate.PeriodDuration, minutes) &&
                   minutes >= 0) {
            event.DurationMinutes = minutes;
        } else {
            event.DurationMinutes = kSplitMinutes;
        }
        int result = AddItem();
        if (result < 0) {
            return result;
        }
    }
    return 0;
}

int CvCalImport::AddItem() {
    itemDates_.Clear();
    if (batch_) {
        batch_->NextItem();
    }
    try {
        if (!FilterItem()) {
            Counters.Skipped += 1;
            return 0;
        }
        return ProcessItem();
    } catch (const _com_error& e) {
        Log("_com_error(" + e.ErrorMessage() + "), file(" + Parser.FileName + ")", e.Error(),
            "CvCalImport::AddItem", 3);
    } catch (...) {
        Log("CATCHED EXCEPTION! file(" + Parser.FileName + ")", 0, "CvCalImport::AddItem", 3);
    }
    newItem_ = nullptr;
    conflict_ = nullptr;
    return 0;
}

int CvCalImport::ProcessItem() {
    int32_t resolution = Options.ConflictResolution;
    bool found = false;
    if (resolution == kConflictReplace || resolution == kConflictLeave) {
        found = FindConflict();
        if (found && resolution == kConflictLeave) {
            Counters.Skipped += 1;
            conflict_ = nullptr;
            return 0;
        }
    }
    if (!CreateItem()) {
        Counters.Failed += 1;
        conflict_ = nullptr;
        return 0;
    }
    newItem_->Save();
    Counters.Imported += 1;
    if (batch_) {
        batch_->ItemSaved();
    }
    newItem_ = nullptr;
    if (resolution == kConflictReplace && found) {
        conflict_->Delete();
    }
    conflict_ = nullptr;
    progress_->ProgressStep();
    if (progress_->ProgressCancelled()) {
        cancelled_ = true;
        return -1;
    }
    if (progress_->ProgressTakeHelpRequest()) {
        LibOrvane().ShowContextHelp("import_cal.htm");
    }
    return 0;
}

bool CvCalImport::FindConflict() {
    conflict_ = nullptr;
    const ParsedEvent& event = Parser.Event;
    COleDateTime start(0.0);
    COleDateTime end(0.0);
    if (!itemDates_.LocalStart(start) || start.GetStatus() != COleDateTime::valid) {
        start = COleDateTime(0.0);
    }
    if (!event.End.Date.empty()) {
        if (!itemDates_.LocalEnd(end) || end.GetStatus() != COleDateTime::valid) {
            end = COleDateTime(0.0);
        }
    } else if (event.DurationMinutes != kNoDuration && start.m_dt != 0.0) {
        // Without an end the appointment ends after its duration.
        end = start + COleDateTimeSpan(0, 0, event.DurationMinutes, 0);
    }
    // Built in place: a search per imported event.
    std::string filter;
    filter.reserve(96);
    filter += "[Start] = '";
    AppendOutlookDate(filter, start);
    filter += "' And [End] = '";
    AppendOutlookDate(filter, end);
    filter += '\'';
    std::u16string text = AnsiToWide(filter);
    if (!event.Subject.empty()) {
        text.reserve(text.size() + 20 + event.Subject.size());
        text += u" And [Subject] = '";
        text += event.Subject;
        text += u'\'';
    }
    CComPtr<_Items> matches;
    try {
        matches = Options.TargetFolder->GetItems()->Restrict(text);
    } catch (const _com_error&) {
        return false;
    }
    LONG count = matches->GetCount();
    for (LONG i = 1; i <= count && !conflict_; ++i) {
        conflict_ = QueryInterface<_AppointmentItem>(matches->Item(_variant_t(i)));
    }
    return static_cast<bool>(conflict_);
}
