// The current item's own time zone: read from its named properties, named
// after its description or offset, and kept apart from other zones of the
// same name already written into the file.

#include "engine/common/outlook_constants.h"
#include "engine/export/cv_cal_export.h"
#include "engine/export/zone_writer.h"
#include "platform/com/com_error.h"
#include "platform/win32/code_page.h"
#include "support/lib_orvane.h"

#include <cstring>

namespace {

std::string OneTrimmedLine(std::u16string text) {
    for (char16_t& c : text) {
        if (c == u'\r' || c == u'\n') {
            c = u' ';
        }
    }
    std::string narrow = WideToAnsi(text);
    std::size_t end = narrow.find_last_not_of(" \t\v\f");
    narrow.erase(end == std::string::npos ? 0 : end + 1);
    narrow.erase(0, narrow.find_first_not_of(" \t\v\f"));
    return narrow;
}

} // namespace

LONG CvCalExport::MappedTag(const char16_t* setGuid, LONG id) {
    LONG& tag = mappedTags_[{setGuid, id}];
    if (tag == 0) {
        tag = mapiUtils_->GetIDsFromNames(currentItem, setGuid, id, false);
    }
    return tag;
}

bool CvCalExport::ReadItemZone(TimeZoneRule& rule, std::string& description) {
    description.clear();
    try {
        LONG tag = mapiUtils_ ? MappedTag(PSETID_Appointment, dispidTimeZoneStruct) : 0;
        if (tag == 0) {
            return false;
        }
        _variant_t value = mapiUtils_->HrGetOneProp(currentItem, tag + PT_BINARY);
        if (value.Type() != (VT_ARRAY | VT_UI1) || value.ToBytes().size() < sizeof rule) {
            return false;
        }
        std::memcpy(&rule, value.ToBytes().data(), sizeof rule);
    } catch (const _com_error&) {
        return false;
    }
    try {
        LONG tag = MappedTag(PSETID_Appointment, dispidTimeZoneDesc);
        _variant_t text =
            tag != 0 ? mapiUtils_->HrGetOneProp(currentItem, tag + PT_STRING8) : _variant_t();
        if (text.Type() == VT_BSTR) {
            description = OneTrimmedLine(text.ToString());
        }
    } catch (const _com_error&) {
        description.clear();
    }
    return true;
}

std::string CvCalExport::UniqueZoneName(std::string name, const TimeZoneRule& rule) const {
    for (const auto& [emittedName, emittedRule] : emittedZones_) {
        if (IsSameTimeZone(emittedRule, rule)) {
            return emittedName;
        }
    }
    if (!emittedZones_.contains(name)) {
        return name;
    }
    for (int k = 2;; ++k) {
        std::string candidate = name + " (" + std::to_string(k) + ")";
        if (!emittedZones_.contains(candidate)) {
            return candidate;
        }
    }
}

bool CvCalExport::GenVTimezone() {
    zoneName_.clear();
    zoneRule_ = TimeZoneRule{};
    if (!currentItem->GetIsRecurring()) {
        return false;
    }
    TimeZoneRule rule{};
    std::string description;
    if (!ReadItemZone(rule, description) && !GetSystemTimeZone(rule)) {
        LibOrvane().LogError("CvCalExport::GenVTimezone", static_cast<LONG>(GetLastError()),
                             "Cant get System Timezone Information");
        return false;
    }
    zoneName_ = UniqueZoneName(description.empty() ? ZoneNameFromOffset(rule) : description, rule);
    zoneRule_ = rule;
    return true;
}
