#include "engine/export/meeting_uid.h"

#include "engine/common/outlook_constants.h"
#include "engine/export/cv_cal_export.h"
#include "platform/com/com_error.h"
#include "platform/com/guid.h"
#include "platform/win32/code_page.h"
#include "support/lib_orvane.h"

#include <algorithm>
#include <cstring>

namespace {

// CR and LF become spaces; white space goes at the end, then at the start.
std::string TrimmedLine(std::string text) {
    // Ids hardly ever hold a line break: a search that the C library does a
    // block at a time comes first.
    if (std::memchr(text.data(), '\r', text.size()) != nullptr ||
        std::memchr(text.data(), '\n', text.size()) != nullptr) {
        std::replace(text.begin(), text.end(), '\r', ' ');
        std::replace(text.begin(), text.end(), '\n', ' ');
    }
    std::size_t end = text.find_last_not_of(" \t\v\f");
    text.erase(end == std::string::npos ? 0 : end + 1);
    text.erase(0, text.find_first_not_of(" \t\v\f"));
    return text;
}

} // namespace

std::string GenerateUid() {
    GUID guid{};
    CoCreateGuid(&guid);
    unsigned char bytes[sizeof guid];
    std::memcpy(bytes, &guid, sizeof guid);
    std::string uid = "040000008200E00074C5B7101A82E008"
                      "00000000000000000000000000000000"
                      "0000000010000000";
    static const char kHex[] = "0123456789ABCDEF";
    for (unsigned char byte : bytes) {
        uid += kHex[byte >> 4];
        uid += kHex[byte & 15];
    }
    return uid;
}

std::string CvCalExport::GetMeetingUID(bool useGlobal) {
    if (!mapiUtils_) {
        throw _com_error(E_POINTER, u"Redemption.MapiUtils is not available");
    }
    LONG tag =
        MappedTag(PSETID_Meeting, useGlobal ? dispidGlobalObjectId : dispidCleanGlobalObjectId);
    if (tag == 0) {
        LibOrvane().LogWarning("CvCalExport::GetMeetingUID", 0, "prUID == 0");
        return {};
    }
    if (static_cast<DWORD>(tag) < 0x80000000u) {
        LibOrvane().LogWarning("CvCalExport::GetMeetingUID", 0, "prUID < 0x80000000");
    }
    std::u16string hex;
    try {
        _variant_t id = ItemProperty(tag + PT_BINARY);
        if (id.Type() != (VT_ARRAY | VT_UI1)) {
            return {};
        }
        hex = mapiUtils_->HrArrayToString(id);
    } catch (const _com_error&) {
        return {};
    }
    return TrimmedLine(WideToAnsi(hex));
}
