#include "platform/outlook/prop_blob.h"

#include "engine/common/outlook_constants.h"
#include "platform/outlook/little_endian.h"

#include <algorithm>

namespace {

constexpr size_t kHeaderSize = 8;

bool IsText(LONG type) {
    return type == PT_STRING8 || type == PT_UNICODE;
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
        return PutUtf16(out, value.text);
    }
    return PutLittleEndian(out, static_cast<std::uint64_t>(value.number), 8);
}

bool GetValue(std::span<const std::uint8_t> bytes, PropValue& value) {
    if (value.type == PT_BINARY) {
        value.bytes.assign(bytes.begin(), bytes.end());
        return true;
    }
    if (IsText(value.type)) {
        return GetUtf16(bytes, value.text);
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
