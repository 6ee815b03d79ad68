#include "support/registry_log.h"

#include "platform/win32/registry.h"
#include "support/lib_orvane.h"

namespace {

void LogWarning(LONG code, const char* text) {
    LibOrvane().LogWarning("RegistryOpen", code, "%s", text);
}

} // namespace

void LogRegistryWarnings() {
    SetRegistryWarningSink(LogWarning);
}
