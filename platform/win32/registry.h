#pragma once
// The Windows registry: HKEY_CURRENT_USER persisted to one file in the
// config folder, HKEY_LOCAL_MACHINE loaded from the machine data in
// resources/ (changes to it stay in memory). Calls return Win32 error codes.

#include "platform/win32/types.h"

#include <cstdint>
#include <string>

struct HKEY__;
using HKEY = HKEY__*;

#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM access, HKEY* result);
LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, char* className, DWORD options,
                     REGSAM access, void* security, HKEY* result, DWORD* disposition);
LONG RegCloseKey(HKEY key);
// Value names compare without regard to case. With data null only the type
// and size are returned; a buffer too small gives ERROR_MORE_DATA (234) and
// the needed size.
LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* dataSize);
LONG RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD dataSize);
LONG RegDeleteValueA(HKEY key, const char* valueName);
// Subkey names in order; ERROR_NO_MORE_ITEMS (259) past the last.
LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved,
                   char* className, DWORD* classSize, void* lastWriteTime);

// A change to HKEY_CURRENT_USER is written to its file before the call
// returns; when that fails the call returns the file's error (such as
// ERROR_DISK_FULL), the change stays in memory and the next change writes
// both. Names given to HKEY_CURRENT_USER must be UTF-8 to be kept in its file
// (ERROR_INVALID_PARAMETER otherwise).

// Where the registry lives: HKEY_CURRENT_USER is read from and written to
// "<configFolder>/registry.json"; HKEY_LOCAL_MACHINE starts from
// "<moduleFolder>/machine.json". Called once by the host (and by tests)
// before any other registry call; without it the registry is empty and
// lives in memory only.
void RegistryOpen(const std::string& configFolder, const std::string& machineDataFile);
// What the user should know (a damaged settings file set aside, a settings
// file that cannot be written) goes to ReportPlatformWarning, place
// "RegistryOpen".
// Forgets every key, value, open handle and file: the registry is empty and
// lives in memory until the next RegistryOpen (tests use it to start clean).
void RegistryReset();
// Grows with every change to the registry (values, keys, a new start), so
// that a reader can keep what it read until this moves.
std::uint64_t RegistryChangeCount();
