#include "support/support_init_record.h"

#include "platform/liborvane/lib_orvane_abi.h"
#include "support/support_callbacks.h"
#include "support/support_handles.h"

#include <cstring>
#include <initializer_list>

namespace {

constexpr char16_t kDefaultLanguage[] = u"EN";
constexpr char16_t kEmptyText[] = u"";

void PutU32(SupportInitRecord& record, std::size_t offset, DWORD value) {
    std::memcpy(record.bytes + offset, &value, sizeof value);
}

void PutHandle(SupportInitRecord& record, std::size_t offset, const void* pointer) {
    PutU32(record, offset, SupportHandleOf(pointer));
}

template <typename Fn>
void PutCallback(SupportInitRecord& record, std::size_t offset, Fn* function) {
    PutHandle(record, offset, reinterpret_cast<const void*>(function));
}

} // namespace

SupportInitRecord BuildSupportInitRecord(void* outlookApplication) {
    static_assert(sizeof(SupportInitRecord) == kSupportInitRecordSize);
    SupportInitRecord record{};
    PutU32(record, kSirSize, kSupportInitRecordSize);
    PutU32(record, kSirReserved, 0);
    PutHandle(record, kSirApplication, outlookApplication);
    PutU32(record, kSirInterfaceLevel, 14);
    record.bytes[kSirFlag28] = 1;
    PutU32(record, kSirFlag36, 1);
    PutCallback(record, kSirLanguageCallback, &SupportLanguage);
    PutCallback(record, kSirVersionTextsCallback, &FillVersionTexts);
    PutHandle(record, kSirDefaultLanguage, kDefaultLanguage);
    for (std::size_t offset : {kSirEmptyText152, kSirEmptyText156, kSirEmptyText160}) {
        PutHandle(record, offset, kEmptyText);
    }
    PutU32(record, kSirFlag172, 1);
    PutU32(record, kSirFlag176, 1);
    return record;
}
