#include "platform/outlook/outlook_objects.h"
#include "platform/outlook/tied_properties.h"

namespace {

PropValue DateValue(StoreSeconds utc) {
    PropValue value;
    value.type = PT_SYSTIME;
    value.number = utc;
    return value;
}

// A clean global object id is the global object id without its instance
// date (bytes 16 to 19).
std::vector<BYTE> CleanGlobalObjectId(std::vector<BYTE> id) {
    for (size_t i = 16; i < 20 && i < id.size(); ++i) {
        id[i] = 0;
    }
    return id;
}

} // namespace

std::optional<PropValue> AppointmentItemImpl::GetProperty(LONG propId) {
    AppointmentRecord& record = WithProps();
    switch (propId) {
    case kPropStartWhole:
        return DateValue(record.startUtc);
    case kPropEndWhole:
        return DateValue(record.endUtc);
    case kPropPatternStart:
        if (record.pattern) {
            return DateValue(record.pattern->startUtc);
        }
        break;
    case kPropPatternEnd:
        if (record.pattern) {
            return record.pattern->endUtc ? std::optional(DateValue(*record.pattern->endUtc))
                                          : std::nullopt;
        }
        break;
    case kPropCleanGlobalObjectId:
        if (!record.props->count(propId) && record.props->count(kPropGlobalObjectId)) {
            PropValue clean = record.props->at(kPropGlobalObjectId);
            clean.bytes = CleanGlobalObjectId(clean.bytes);
            return clean;
        }
        break;
    default:
        break;
    }
    auto found = record.props->find(propId);
    return found == record.props->end() ? std::nullopt : std::optional(found->second);
}

void AppointmentItemImpl::SetProperty(LONG propId, PropValue value) {
    AppointmentRecord& record = WithProps();
    const bool isDate = value.type == PT_SYSTIME;
    if (isDate && propId == kPropStartWhole) {
        record.startUtc = value.number;
    } else if (isDate && propId == kPropEndWhole) {
        record.endUtc = value.number;
    } else if (isDate && propId == kPropPatternStart && record.pattern) {
        record.pattern->startUtc = value.number;
    } else if (isDate && propId == kPropPatternEnd && record.pattern) {
        if (!record.pattern->rule.noEndDate) {
            record.pattern->endUtc = value.number;
        }
    } else {
        (*record.props)[propId] = std::move(value);
        MarkPropertyChanged(propId);
        return;
    }
    MarkChanged(Part::Fields);
}
