#include "platform/com/guid.h"

#include "platform/com/com_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/random.h>

namespace {

// Offsets of the hex digit pairs of the unbraced text, byte by byte in
// reading order: Data1 (4 bytes), Data2 (2), Data3 (2), Data4 (8).
constexpr std::size_t kPairOffsets[16] = {0,  2,  4,  6,  9,  11, 14, 16,
                                          19, 21, 24, 26, 28, 30, 32, 34};
constexpr std::size_t kDashOffsets[4] = {8, 13, 18, 23};
constexpr std::size_t kUnbracedLength = 36;

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

template <typename Char>
std::basic_string_view<Char> Unbraced(std::basic_string_view<Char> text) {
    if (text.size() == kUnbracedLength + 2 && text.front() == Char('{') &&
        text.back() == Char('}')) {
        return text.substr(1, kUnbracedLength);
    }
    return text;
}

template <typename Char>
bool ReadBytes(std::basic_string_view<Char> text, BYTE (&bytes)[16]) {
    for (std::size_t i = 0; i < 16; ++i) {
        int high = HexValue(text[kPairOffsets[i]]);
        int low = HexValue(text[kPairOffsets[i] + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes[i] = static_cast<BYTE>(high << 4 | low);
    }
    return true;
}

GUID FromReadingOrder(const BYTE (&b)[16]) {
    GUID guid{};
    guid.Data1 = DWORD{b[0]} << 24 | DWORD{b[1]} << 16 | DWORD{b[2]} << 8 | b[3];
    guid.Data2 = static_cast<WORD>(b[4] << 8 | b[5]);
    guid.Data3 = static_cast<WORD>(b[6] << 8 | b[7]);
    std::memcpy(guid.Data4, b + 8, 8);
    return guid;
}

template <typename Char>
std::optional<GUID> Parse(std::basic_string_view<Char> text) {
    text = Unbraced(text);
    if (text.size() != kUnbracedLength) {
        return std::nullopt;
    }
    for (std::size_t dash : kDashOffsets) {
        if (text[dash] != Char('-')) {
            return std::nullopt;
        }
    }
    BYTE bytes[16];
    if (!ReadBytes(text, bytes)) {
        return std::nullopt;
    }
    return FromReadingOrder(bytes);
}

} // namespace

std::optional<GUID> ParseGuid(std::string_view text) {
    return Parse(text);
}

std::optional<GUID> ParseGuid(std::u16string_view text) {
    return Parse(text);
}

GUID GuidFromString(std::string_view text) {
    if (std::optional<GUID> guid = ParseGuid(text)) {
        return *guid;
    }
    std::u16string description = u"Not a GUID: \"";
    for (char c : text) {
        description += static_cast<char16_t>(static_cast<unsigned char>(c));
    }
    description += u'"';
    throw _com_error(CO_E_CLASSSTRING, std::move(description));
}

std::string GuidToString(const GUID& guid) {
    char buffer[39];
    std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  guid.Data1, guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2],
                  guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return buffer;
}

std::u16string GuidToWideString(const GUID& guid) {
    std::string narrow = GuidToString(guid);
    return std::u16string(narrow.begin(), narrow.end());
}

HRESULT CoCreateGuid(GUID* out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    BYTE bytes[16];
    ssize_t got;
    do {
        got = getrandom(bytes, sizeof bytes, 0);
    } while (got < 0 && errno == EINTR);
    if (got != static_cast<ssize_t>(sizeof bytes)) {
        return E_FAIL;
    }
    bytes[6] = static_cast<BYTE>((bytes[6] & 0x0F) | 0x40); // version 4: random
    bytes[8] = static_cast<BYTE>((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    *out = FromReadingOrder(bytes);
    return S_OK;
}

std::size_t std::hash<GUID>::operator()(const GUID& guid) const noexcept {
    std::uint64_t halves[2];
    std::memcpy(halves, &guid, sizeof halves);
    return std::hash<std::uint64_t>{}(halves[0] ^ (halves[1] * 0x9E3779B97F4A7C15ull));
}
