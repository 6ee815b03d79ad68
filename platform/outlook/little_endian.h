#pragma once
// Numbers and UTF-16 text as little-endian bytes, for the byte strings the
// calendar store keeps in an appointment's row.

#include <cstdint>
#include <span>
#include <string>

// Writes the value's low bytes at out, least significant first; returns
// the position after them.
inline std::uint8_t* PutLittleEndian(std::uint8_t* out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        *out++ = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return out;
}

inline std::uint64_t GetLittleEndian(const std::uint8_t* in, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = (value << 8) | in[i];
    }
    return value;
}

// Two bytes per code unit.
inline std::uint8_t* PutUtf16(std::uint8_t* out, const std::u16string& text) {
    for (char16_t unit : text) {
        out = PutLittleEndian(out, unit, 2);
    }
    return out;
}

// False when the bytes are not whole code units.
inline bool GetUtf16(std::span<const std::uint8_t> bytes, std::u16string& text) {
    if (bytes.size() % 2 != 0) {
        return false;
    }
    text.resize(bytes.size() / 2);
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(GetLittleEndian(&bytes[2 * i], 2));
    }
    return true;
}
