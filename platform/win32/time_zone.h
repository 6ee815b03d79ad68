#pragma once
// The system time zone as Windows reports it (GetTimeZoneInformation), read
// from the TZ environment variable on every call.
//
// TZ may hold a POSIX rule ("EST5EDT,M3.2.0,M11.1.0") or the name of a
// zoneinfo file (":Europe/Berlin" or "Europe/Berlin", looked up under $TZDIR
// or /usr/share/zoneinfo), whose closing POSIX rule describes the zone's
// current and future years. Without TZ the rule closing /etc/localtime is
// used, and without that UTC. A TZ value that cannot be understood gives UTC
// and one warning in the log per distinct value.
//
// Windows' sign convention: UTC = local time + Bias (+ StandardBias or
// DaylightBias), all in minutes; New York has Bias 300 and DaylightBias -60.

#include "platform/win32/types.h"

struct TIME_ZONE_INFORMATION {
    LONG Bias;
    char16_t StandardName[32];
    SYSTEMTIME StandardDate;
    LONG StandardBias;
    char16_t DaylightName[32];
    SYSTEMTIME DaylightDate;
    LONG DaylightBias;
};

inline constexpr DWORD TIME_ZONE_ID_UNKNOWN = 0;
inline constexpr DWORD TIME_ZONE_ID_STANDARD = 1;
inline constexpr DWORD TIME_ZONE_ID_DAYLIGHT = 2;
inline constexpr DWORD TIME_ZONE_ID_INVALID = 0xFFFFFFFF;

// Fills *info with the system zone. Returns TIME_ZONE_ID_UNKNOWN for a zone
// without daylight time, else whether standard or daylight time is in effect
// now; TIME_ZONE_ID_INVALID (last error ERROR_INVALID_PARAMETER) for a null
// pointer. Transition dates use the day-of-week form of SYSTEMTIME: wYear 0,
// wDay the week of the month (5 = last), the local clock time of the change.
DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* info);
