#pragma once
// Routes the Windows stand-ins' warnings (a damaged settings file kept
// aside, a settings file that cannot be written, an unknown TZ value) to the
// log through LibOrvane(), as warnings of the place they come from. The host
// calls it once at start, before opening the registry.

void LogPlatformWarnings();
