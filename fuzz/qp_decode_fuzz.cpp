// Arbitrary bytes as quoted-printable text, decoded strictly and with
// repair. A strict decoding that succeeds is checked against re-encoding:
// encoding then decoding gives back the decoded bytes.

#include "engine/common/v_sync_char_converter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string strict;
    std::string repaired;
    vSyncCharConverter::QPDecode(text, repaired, true);
    if (vSyncCharConverter::QPDecode(text, strict, false)) {
        std::string again;
        if (!vSyncCharConverter::QPDecode(vSyncCharConverter::QPEncode(strict), again, false) ||
            again != strict) {
            std::abort();
        }
    }
    return 0;
}
