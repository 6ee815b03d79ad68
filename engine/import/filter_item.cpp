// The import filter: all-day and date range, private events, categories and
// colour labels named in the subject.

#include "engine/import/cv_cal_import.h"
#include "platform/win32/code_page.h"
#include "support/language_text.h"

#include <algorithm>
#include <cwctype>
#include <iterator>

namespace {

constexpr const char* kWhere = "CvCalExport::FilterItem";
// The language keys of colour labels 1 to 10.
constexpr const char* kLabelKeys[] = {
    "IDS_EVENT_LABEL1", "IDS_EVENT_LABEL2",  "IDS_EVENT_LABEL3", "IDS_EVENT_LABEL4",
    "IDS_EVENT_LABEL5", "IDS_EVENT_LABEL6",  "IDS_EVENT_LABEL7", "IDS_EVENT_LABEL8",
    "IDS_EVENT_LABEL9", "IDS_EVENT_LABEL10",
};

std::u16string TrimWide(std::u16string_view text) {
    size_t first = text.find_first_not_of(u" \t\r\n");
    if (first == std::u16string_view::npos) {
        return {};
    }
    size_t last = text.find_last_not_of(u" \t\r\n");
    return std::u16string(text.substr(first, last - first + 1));
}

std::u16string Lower(std::u16string text) {
    for (char16_t& c : text) {
        c = static_cast<char16_t>(std::towlower(static_cast<wint_t>(c)));
    }
    return text;
}

std::vector<std::u16string> SplitTrimmed(std::u16string_view text, std::u16string_view separator) {
    std::vector<std::u16string> parts;
    size_t from = 0;
    while (from <= text.size()) {
        size_t at = separator.empty() ? std::u16string_view::npos : text.find(separator, from);
        size_t to = at == std::u16string_view::npos ? text.size() : at;
        parts.push_back(TrimWide(text.substr(from, to - from)));
        if (at == std::u16string_view::npos) {
            break;
        }
        from = at + separator.size();
    }
    return parts;
}

} // namespace

bool CvCalImport::FilterItem() {
    uint32_t flags = Filter.Flags;
    if (flags == 0) {
        return true;
    }
    if ((flags & (kSkipAllDay | kApplyDateRange)) && !FilterDates()) {
        return false;
    }
    if ((flags & kSkipPrivate) && Parser.Event.Sensitivity != kSensitivityNormal) {
        return false;
    }
    if ((flags & (kSkipListedCategories | kSkipUnlistedCategories)) && !FilterCategories()) {
        return false;
    }
    if ((flags & (kSkipLabelled | kSkipUnlabelled)) && !FilterLabels()) {
        return false;
    }
    return true;
}

bool CvCalImport::FilterDates() {
    const ParsedEvent& event = Parser.Event;
    COleDateTime start;
    COleDateTime end;
    bool hasStart = !event.Start.Date.empty() && itemDates_.LocalStart(start);
    bool hasEnd = false;
    if (!event.End.Date.empty()) {
        hasEnd = itemDates_.LocalEnd(end);
    } else if (hasStart && event.DurationMinutes != kNoDuration) {
        end = start + COleDateTimeSpan(0, 0, event.DurationMinutes, 0);
        hasEnd = true;
    }
    if (Filter.Flags & kApplyDateRange) {
        bool toSet = Filter.DateTo.GetStatus() == COleDateTime::valid;
        bool fromSet = Filter.DateFrom.GetStatus() == COleDateTime::valid;
        if ((toSet && hasStart && start >= Filter.DateTo) ||
            (fromSet && hasEnd && end <= Filter.DateFrom)) {
            return false;
        }
    }
    if ((Filter.Flags & kSkipAllDay) && hasStart && hasEnd) {
        COleDateTimeSpan length = end - start;
        if (length.GetStatus() != COleDateTimeSpan::valid) {
            Log("cant calc date difference (" + event.End.Date + " - " + event.Start.Date + ")", 0,
                kWhere, 3);
        } else if (length.GetDays() >= 1 && length.GetHours() == 0 && length.GetMinutes() == 0 &&
                   length.GetSeconds() == 0) {
            return false;
        }
    }
    return true;
}

bool CvCalImport::FilterCategories() {
    const ParsedEvent& event = Parser.Event;
    bool skipListed = Filter.Flags & kSkipListedCategories;
    bool skipUnlisted = Filter.Flags & kSkipUnlistedCategories;
    if (Filter.Categories.empty()) {
        Log("filter.Categories empty", 0, kWhere, 2);
        return true;
    }
    if (event.Categories.empty()) {
        return !skipUnlisted;
    }
    const std::u16string& separator = Parser.ListSeparator;
    std::u16string listed = separator;
    for (const std::u16string& name : SplitTrimmed(Filter.Categories, separator)) {
        if (!name.empty()) {
            listed += Lower(name) + separator;
        }
    }
    for (const std::u16string& part : SplitTrimmed(event.Categories, u";")) {
        if (listed.find(separator + Lower(part) + separator) != std::u16string::npos) {
            return !skipListed;
        }
    }
    return !skipUnlisted;
}

bool CvCalImport::FilterLabels() {
    const std::u16string& subject = Parser.Event.Subject;
    bool skipLabelled = Filter.Flags & kSkipLabelled;
    bool skipUnlabelled = Filter.Flags & kSkipUnlabelled;
    if (Filter.LabelMask == 0) {
        Log("filter.LabelMask empty", 0, kWhere, 2);
        return true;
    }
    if (subject.empty()) {
        return !skipUnlabelled;
    }
    std::u16string lowered = Lower(subject);
    for (size_t n = 0; n < std::size(kLabelKeys); ++n) {
        if ((Filter.LabelMask & (1u << n)) == 0) {
            continue;
        }
        std::string label = LanguageText(kLabelKeys[n]);
        if (label.empty() || label == kLabelKeys[n]) {
            Log("Cant load label from resources", 0, kWhere, 2);
            continue;
        }
        if (lowered.find(Lower(AnsiToWide(label))) != std::u16string::npos) {
            return !skipLabelled;
        }
    }
    return !skipUnlabelled;
}
