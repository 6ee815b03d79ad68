#include "platform/outlook/prop_blob.h"

#include "engine/common/outlook_constants.h"

#include <algorithm>

namespace {

constexpr size_t kHeaderSize = 8;

bool IsText(LONG type) {
    return type == PT_STRING8 || type == PT_UNICODE;
}

// Writes the value's low bytes at out, least significant first; returns
// the position after them.
std::uint8_t* PutLittleEndian(std::uint8_t* out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        *out++ = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return out;
}

std::uint64_t GetLittleEndian(const std::uint8_t* in, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = (value << 8) | in[i];
    }
    return value;
}

size_t ValueSize(const PropValue& value) {
    if (value.type == PT_BINARY) {
        return value.bytes.size();
    }
    return IsText(value.type) ? value.text.size() * 2 : 8;
}

std::uint8_t* PutValue(std::uint8_t* out, const PropValue& value) {
    if (value.type == PT_BINARY) {
        return std::copy(value.bytes.begin(), value.bytes.end(), out);
    }
    if (IsText(value.type)) {
        for (char16_t unit : value.text) {
            out = PutLittleEndian(out, unit, 2);
        }
        return out;
    }
    return PutLittleEndian(out, static_cast<std::uint64_t>(value.number), 8);
}

bool GetValue(std::span<const std::uint8_t> bytes, PropValue& value) {
    if (value.type == PT_BINARY) {
        value.bytes.assign(bytes.begin(), bytes.end());
        return true;
    }
    if (IsText(value.type)) {
        if (bytes.size() % 2 != 0) {
            return false;
        }
        value.text.resize(bytes.size() / 2);
        for (size_t i = 0; i < value.text.size(); ++i) {
            value.text[i] = static_cast<char16_t>(GetLittleEndian(&bytes[2 * i], 2));
        }
        return true;
    }
    if (bytes.size() != 8) {
        return false;
    }
    value.number = static_cast<std::int64_t>(GetLittleEndian(bytes.data(), 8));
    return true;
}

} // namespace

void EncodeProps(const PropMap& props, std::vector<std::uint8_t>& bytes) {
    size_t size = 0;
    for (const auto& [id, value] : props) {
        size += kHeaderSize + ValueSize(value);
    }
    bytes.resize(size);
    std::uint8_t* out = bytes.data();
    for (const auto& [id, value] : props) {
        out = PutLittleEndian(out, static_cast<std::uint16_t>(id), 2);
        out = PutLittleEndian(out, static_cast<std::uint16_t>(value.type), 2);
        out = PutLittleEndian(out, ValueSize(value), 4);
        out = PutValue(out, value);
    }
}

bool DecodeProps(std::span<const std::uint8_t> bytes, PropMap& props) {
    props.clear();
    while (!bytes.empty()) {
        if (bytes.size() < kHeaderSize) {
            return false;
        }
        const auto id = static_cast<LONG>(GetLittleEndian(bytes.data(), 2));
        PropValue value;
        value.type = static_cast<LONG>(GetLittleEndian(bytes.data() + 2, 2));
        const std::uint64_t length = GetLittleEndian(bytes.data() + 4, 4);
        if (length > bytes.size() - kHeaderSize ||
            !GetValue(bytes.subspan(kHeaderSize, length), value)) {
            return false;
        }
        props.emplace_hint(props.end(), id, std::move(value));
        bytes = bytes.subspan(kHeaderSize + length);
    }
    return true;
}
