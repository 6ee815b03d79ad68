// Arbitrary text as an Outlook filter for Items.Restrict: it parses or
// raises _com_error, and dates in it are read with the en-US picture.

#include "platform/com/com_error.h"
#include "platform/outlook/outlook_filter.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string text;
    for (size_t i = 0; i < size; ++i) {
        text += static_cast<char16_t>(data[i]);
    }
    try {
        ParseOutlookFilter(text, "M/d/yyyy");
    } catch (const _com_error&) {
    }
    return 0;
}
