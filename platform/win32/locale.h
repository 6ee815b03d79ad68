#pragma once
// The user's locale: the list separator and the short date and time pictures
// from HKEY_CURRENT_USER\Control Panel\International (sList, sShortDate,
// sTimeFormat), with the en-US values ",", "M/d/yyyy" and "h:mm:ss tt" where
// the registry holds none. The one locale known is en-US with these
// overrides; LOCALE_USER_DEFAULT, LOCALE_SYSTEM_DEFAULT and 0x0409 name it.

#include "platform/win32/types.h"

using LCID = DWORD;
using LCTYPE = DWORD;

inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;

inline constexpr LCTYPE LOCALE_SLIST = 0x000C;
inline constexpr LCTYPE LOCALE_SSHORTDATE = 0x001F;
inline constexpr LCTYPE LOCALE_STIMEFORMAT = 0x1003;
// Added to an LCTYPE: the locale's own value, ignoring the user's overrides.
inline constexpr LCTYPE LOCALE_NOUSEROVERRIDE = 0x80000000;

// Copies the text with its terminating zero into data and returns the number
// of characters written, zero included. size 0 only returns the number
// needed. 0 means failure, with GetLastError: ERROR_INSUFFICIENT_BUFFER,
// ERROR_INVALID_FLAGS (an LCTYPE not listed above) or
// ERROR_INVALID_PARAMETER (another locale, a negative size, no buffer).
int GetLocaleInfoA(LCID locale, LCTYPE type, char* data, int size);
