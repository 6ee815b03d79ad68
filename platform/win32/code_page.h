#pragma once
// Code pages: the system's ANSI code page and conversion between UTF-16 and
// the bytes of a Windows code page (WideCharToMultiByte, MultiByteToWideChar),
// with the Win32 rules callers rely on. Without flags a character the code
// page lacks becomes "?" and a byte that starts no valid character becomes
// U+FFFD; 0 is answered only on failure, with the reason in GetLastError().
//
//   WideCharToMultiByte(1252, 0, u"caf\u00e9 \u20ac \u0416", 8, out, 16, nullptr, &usedDefault)
//   gives the 8 bytes "caf\xe9 \x80 ?" and sets usedDefault (1252 has no Zhe).

#include "platform/win32/types.h"

#include <optional>
#include <string>
#include <string_view>

inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_UTF7 = 65000;
inline constexpr UINT CP_UTF8 = 65001;

inline constexpr DWORD MB_PRECOMPOSED = 0x00000001;
inline constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;
inline constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x00000400;
inline constexpr DWORD WC_ERR_INVALID_CHARS = 0x00000080;

// The ANSI code page: the registry value ACP (text such as "1252") under
// HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Nls\CodePage; 65001
// (UTF-8) when the value is absent or names a code page the system lacks.
UINT GetACP();
BOOL IsValidCodePage(UINT codePage);

// Length -1 converts up to and including the terminating null; outSize 0
// asks for the size needed. Errors: ERROR_INVALID_PARAMETER (unknown code
// page, length 0, bad pointers, a default character for a Unicode or
// escape-sequence code page), ERROR_INVALID_FLAGS, ERROR_INSUFFICIENT_BUFFER
// (nothing is written then) and ERROR_NO_UNICODE_TRANSLATION (broken input
// with WC_ERR_INVALID_CHARS or MB_ERR_INVALID_CHARS).
int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* wide, int wideLength, char* out,
                        int outSize, const char* defaultChar, BOOL* usedDefault);
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* bytes, int length, char16_t* out,
                        int outSize);

// Whole texts, with the rules of the calls above without flags; an empty
// text converts to an empty one. Nothing when the code page is unknown.
std::optional<std::string> WideToMultiByte(UINT codePage, std::u16string_view wide);
// The same into out, whose storage is reused from text to text; false when
// the code page is unknown (out is then unspecified).
bool WideToMultiByte(UINT codePage, std::u16string_view wide, std::string& out);
std::optional<std::u16string> MultiByteToWide(UINT codePage, std::string_view bytes);
// The same in the ANSI code page.
std::string WideToAnsi(std::u16string_view wide);
std::u16string AnsiToWide(std::string_view bytes);
