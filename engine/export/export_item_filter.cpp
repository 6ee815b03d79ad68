// The export filter applied to the current item: all-day and private
// events, categories, colour labels and the date range.

#include "engine/common/outlook_constants.h"
#include "engine/common/outlook_recurrence.h"
#include "engine/export/category_list.h"
#include "engine/export/cv_cal_export.h"
#include "platform/com/com_error.h"
#include "platform/win32/code_page.h"
#include "platform/win32/locale.h"
#include "support/lib_orvane.h"

#include <cmath>

namespace {

constexpr const char* kWhere = "CvCalExport::FilterItem";
constexpr LONG kBirthdayLabel = 8;

// Appointments that last whole days count as all-day events.
bool LastsWholeDays(_AppointmentItem& item) {
    long long seconds =
        std::llround((OleDateToLinear(item.GetEnd()) - OleDateToLinear(item.GetStart())) * 86400.0);
    return seconds >= 86400 && seconds % 86400 == 0;
}

std::string AnsiListSeparator() {
    char separator[8] = {};
    int length = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SLIST, separator, sizeof separator);
    return length > 1 ? std::string(separator) : std::string(";");
}

bool EndsWithNoCase(const std::u16string& text, std::u16string_view tail) {
    if (text.size() < tail.size()) {
        return false;
    }
    for (std::size_t i = 0; i < tail.size(); ++i) {
        char16_t a = text[text.size() - tail.size() + i];
        char16_t b = tail[i];
        auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; };
        if (lower(a) != lower(b)) {
            return false;
        }
    }
    return true;
}

// Birthdays and anniversaries that Outlook makes from contacts, which carry
// label 8 in spirit even when no label is set.
bool IsContactDate(_AppointmentItem& item) {
    if (!item.GetIsRecurring() ||
        item.GetRecurrencePattern()->GetRecurrenceType() != olRecursYearly ||
        item.GetDuration() != 1440) {
        return false;
    }
    std::u16string subject = item.GetSubject();
    return EndsWithNoCase(subject, u"'s Birthday") || EndsWithNoCase(subject, u"'s Anniversary");
}

} // namespace

LONG CvCalExport::GetAppointmentLabel() {
    constexpr const char* where = "CvCalExport::GetAppointmentLabel";
    if (labelTag_ == 0) {
        LONG tag = 0;
        HRESULT hr = S_OK;
        try {
            tag = safeItem_ ? safeItem_->GetIDsFromNames(PSETID_Appointment, dispidAppointmentColor)
                            : 0;
        } catch (const _com_error& e) {
            hr = e.Error();
        }
        if (tag == 0) {
            LibOrvane().LogWarning(where, safeItem_ ? hr : E_POINTER, "prTAG == 0");
            return 0;
        }
        labelTag_ = PROP_TAG(PT_LONG, PROP_ID(tag));
    }
    try {
        _variant_t value = safeItem_->GetFields(labelTag_);
        return value.IsEmpty() ? 0 : value.ToLong();
    } catch (const _com_error& e) {
        LibOrvane().LogWarning(where, e.Error(), "pSafeItem->get_Fields failed");
        return 0;
    }
}

bool CvCalExport::FilterCategories() {
    if (filter.Categories.empty()) {
        LibOrvane().LogWarning(kWhere, 0, "filter.Categories empty");
        return true;
    }
    bool found = HasListedCategory(WideToAnsi(currentItem->GetCategories()), filter.Categories,
                                   AnsiListSeparator());
    if (found && (filter.Flags & kFilterExcludeCategories) != 0) {
        return false;
    }
    return found || (filter.Flags & kFilterOnlyCategories) == 0;
}

bool CvCalExport::FilterLabels() {
    if (filter.LabelMask == 0) {
        LibOrvane().LogWarning(kWhere, 0, "filter.LabelMask = 0");
        return true;
    }
    LONG label = GetAppointmentLabel();
    bool matched = label >= 1 && label <= 32 && (filter.LabelMask & (1u << (label - 1))) != 0;
    if (!matched && (filter.LabelMask & (1u << (kBirthdayLabel - 1))) != 0) {
        matched = IsContactDate(*currentItem);
    }
    if (matched && (filter.Flags & kFilterExcludeLabels) != 0) {
        return false;
    }
    return matched || (filter.Flags & kFilterOnlyLabels) == 0;
}

bool CvCalExport::FilterDateRange() {
    if (filter.DateTo.GetStatus() == COleDateTime::valid &&
        COleDateTime(currentItem->GetStart()) >= filter.DateTo) {
        return false;
    }
    return filter.DateFrom.GetStatus() != COleDateTime::valid ||
           COleDateTime(currentItem->GetEnd()) > filter.DateFrom;
}

bool CvCalExport::FilterItem() {
    DWORD flags = filter.Flags;
    if (flags == 0) {
        return true;
    }
    if ((flags & kFilterSkipAllDay) != 0 &&
        (currentItem->GetAllDayEvent() || LastsWholeDays(*currentItem))) {
        return false;
    }
    if ((flags & kFilterSkipPrivate) != 0 && currentItem->GetSensitivity() != olNormal) {
        return false;
    }
    if ((flags & (kFilterExcludeCategories | kFilterOnlyCategories)) != 0 && !FilterCategories()) {
        return false;
    }
    if ((flags & (kFilterExcludeLabels | kFilterOnlyLabels)) != 0 && !FilterLabels()) {
        return false;
    }
    return (flags & kFilterDateRange) == 0 || FilterDateRange();
}
