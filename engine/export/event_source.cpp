#include "engine/export/event_source.h"

#include "platform/com/com_error.h"

ISafeAppointmentItem& EventSource::Safe() const {
    if (!safeItem) {
        throw _com_error(E_POINTER, u"Redemption.SafeAppointmentItem is not available");
    }
    return *safeItem;
}

void EventSource::UseConverter(const vSyncCharConverter* charConverter) {
    converter = charConverter;
    exportCodePage = converter->CodePageOfCharsetName(converter->CurrentCharsetName());
    utf8CodePage = converter->CodePageOfCharsetName("UTF-8");
}

// Converting by the code page looked up for the charset name gives what
// converting by the name gives, without a lookup per text.
void EventSource::ToExportCharset(std::u16string_view text, std::string& out) const {
    converter->ConvertFromUnicode(exportCodePage, text, out);
}

void EventSource::ToUtf8(std::u16string_view text, std::string& out) const {
    converter->ConvertFromUnicode(utf8CodePage, text, out);
}

bool IsZoned(const EventSource& source) {
    return !source.zoneName.empty() && source.item->GetIsRecurring();
}
