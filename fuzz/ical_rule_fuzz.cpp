// Arbitrary text as an iCalendar 2.0 RRULE.

#include "engine/import/recurrence_rule.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RecurrenceFields rule;
    RuleMessages messages;
    ParseICalRule(std::string_view(reinterpret_cast<const char*>(data), size), rule, messages);
    return 0;
}
