#pragma once
// Warnings from the Windows stand-ins that the user should know of (a
// damaged settings file set aside, an unknown TZ value) go to one sink with
// the place, a Win32 error code and a text. The host points the sink at the
// log; without one, warnings go to standard error.

#include "platform/win32/types.h"

using PlatformWarningSink = void (*)(const char* place, LONG code, const char* text);

// A null sink restores the default (standard error).
void SetPlatformWarningSink(PlatformWarningSink sink);
void ReportPlatformWarning(const char* place, LONG code, const char* text);
