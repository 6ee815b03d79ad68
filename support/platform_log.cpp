#include "support/platform_log.h"

#include "platform/win32/platform_warning.h"
#include "support/lib_orvane.h"

namespace {

void LogWarning(const char* place, LONG code, const char* text) {
    LibOrvane().LogWarning(place, code, "%s", text);
}

} // namespace

void LogPlatformWarnings() {
    SetPlatformWarningSink(LogWarning);
}
