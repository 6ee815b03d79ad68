#pragma once
// GUID: a 128-bit globally unique identifier, written as text in the form
// "{00062002-0000-0000-C000-000000000046}" (Data1-Data2-Data3-Data4[0..1]-Data4[2..7]).

#include "platform/com/hresult.h"

#include <compare>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];

    friend bool operator==(const GUID&, const GUID&) = default;
    friend auto operator<=>(const GUID&, const GUID&) = default;
};
static_assert(sizeof(GUID) == 16);

using IID = GUID;
using CLSID = GUID;

inline constexpr GUID GUID_NULL{};

// The text with or without its braces; nullopt when it is anything else
// (wrong length, a misplaced dash, a character that is not a hex digit).
std::optional<GUID> ParseGuid(std::string_view text);
std::optional<GUID> ParseGuid(std::u16string_view text);

// As ParseGuid, but malformed text raises _com_error(CO_E_CLASSSTRING)
// whose description quotes the text.
GUID GuidFromString(std::string_view text);

// The upper-case braced form, 38 characters.
std::string GuidToString(const GUID& guid);
std::u16string GuidToWideString(const GUID& guid);

// A new random (version 4) GUID from the system's random source; E_POINTER
// for a null pointer, E_FAIL when the random source cannot be read.
HRESULT CoCreateGuid(GUID* out);

template <>
struct std::hash<GUID> {
    std::size_t operator()(const GUID& guid) const noexcept;
};
