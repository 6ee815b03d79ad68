#include "engine/export/event_source.h"

#include "platform/com/com_error.h"

ISafeAppointmentItem& EventSource::Safe() const {
    if (!safeItem) {
        throw _com_error(E_POINTER, u"Redemption.SafeAppointmentItem is not available");
    }
    return *safeItem;
}

std::string EventSource::InExportCharset(const std::u16string& text) const {
    std::string out;
    converter->FromUnicodeByName(converter->CurrentCharsetName(), text, out);
    return out;
}

std::string EventSource::InUtf8(const std::u16string& text) const {
    std::string out;
    converter->FromUnicodeByName("UTF-8", text, out);
    return out;
}

bool IsZoned(const EventSource& source) {
    return !source.zoneName.empty() && source.item->GetIsRecurring();
}
