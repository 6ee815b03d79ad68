#include "platform/win32/platform_warning.h"

#include <atomic>
#include <cstdio>

namespace {

void PrintWarning(const char* place, LONG code, const char* text) {
    std::fprintf(stderr, "quillane: %s: %s (error %d)\n", place, text, static_cast<int>(code));
}

std::atomic<PlatformWarningSink> warningSink{PrintWarning};

} // namespace

void SetPlatformWarningSink(PlatformWarningSink sink) {
    warningSink = sink != nullptr ? sink : PrintWarning;
}

void ReportPlatformWarning(const char* place, LONG code, const char* text) {
    warningSink.load()(place, code, text);
}
