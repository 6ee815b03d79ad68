#include "platform/win32/registry_json.h"

#include "platform/win32/registry.h"

#include <array>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>

using nlohmann::json;

namespace {

constexpr std::array<const char*, 5> kTypeNames = {"REG_NONE", "REG_SZ", "REG_EXPAND_SZ",
                                                   "REG_BINARY", "REG_DWORD"};

// Bytes of one UTF-8 sequence led by that byte; 0 for a byte that cannot lead.
size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    return lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
}

bool ValidSequence(std::string_view bytes, size_t at, size_t length) {
    if (length == 0 || at + length > bytes.size()) {
        return false;
    }
    auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return false;
        }
    }
    // Overlong forms, surrogates and code points past U+10FFFF.
    if ((byte(0) == 0xE0 && byte(1) < 0xA0) || (byte(0) == 0xED && byte(1) >= 0xA0)) {
        return false;
    }
    return !((byte(0) == 0xF0 && byte(1) < 0x90) || (byte(0) == 0xF4 && byte(1) >= 0x90));
}

std::string Hex(const std::vector<BYTE>& data) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (BYTE byte : data) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

std::vector<BYTE> FromHex(const std::string& text) {
    if (text.size() % 2 != 0) {
        throw std::runtime_error("hex text of odd length");
    }
    std::vector<BYTE> data;
    for (size_t i = 0; i < text.size(); i += 2) {
        int high = HexDigit(text[i]);
        int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) {
            throw std::runtime_error("bad hex digit in \"" + text + "\"");
        }
        data.push_back(static_cast<BYTE>(high * 16 + low));
    }
    return data;
}

json TypeToJson(DWORD type) {
    return type < kTypeNames.size() ? json(kTypeNames[type]) : json(type);
}

DWORD TypeFromJson(const json& type) {
    if (type.is_number_unsigned()) {
        return type.get<DWORD>();
    }
    for (size_t i = 0; i < kTypeNames.size(); ++i) {
        if (type.is_string() && type.get<std::string>() == kTypeNames[i]) {
            return static_cast<DWORD>(i);
        }
    }
    throw std::runtime_error("unknown value type " + type.dump());
}

// The text a REG_SZ or REG_EXPAND_SZ value stands for, when "value" can hold it.
std::optional<std::string> TextForm(const RegValue& value) {
    const auto& data = value.data;
    if ((value.type != REG_SZ && value.type != REG_EXPAND_SZ) || data.empty() || data.back() != 0) {
        return std::nullopt;
    }
    std::string text(data.begin(), data.end() - 1);
    if (text.find('\0') != std::string::npos || !IsUtf8(text)) {
        return std::nullopt;
    }
    return text;
}

json ValueToJson(const RegValue& value) {
    json out = {{"type", TypeToJson(value.type)}};
    if (auto text = TextForm(value)) {
        out["value"] = *text;
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        const auto& d = value.data;
        out["value"] = DWORD(d[0]) | DWORD(d[1]) << 8 | DWORD(d[2]) << 16 | DWORD(d[3]) << 24;
    } else {
        out["hex"] = Hex(value.data);
    }
    return out;
}

std::vector<BYTE> DataFromJson(DWORD type, const json& value) {
    if (value.is_string() && (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::string text = value.get<std::string>();
        std::vector<BYTE> data(text.begin(), text.end());
        data.push_back(0);
        return data;
    }
    if (value.is_number_unsigned() && type == REG_DWORD &&
        value.get<std::uint64_t>() <= 0xFFFFFFFF) {
        DWORD number = value.get<DWORD>();
        return {BYTE(number), BYTE(number >> 8), BYTE(number >> 16), BYTE(number >> 24)};
    }
    throw std::runtime_error("value " + value.dump() + " does not fit its type");
}

RegValue ValueFromJson(const json& in) {
    if (!in.is_object() || !in.contains("type")) {
        throw std::runtime_error("a value must be an object with a \"type\"");
    }
    RegValue value;
    value.type = TypeFromJson(in["type"]);
    if (in.contains("hex") && in["hex"].is_string()) {
        value.data = FromHex(in["hex"].get<std::string>());
    } else if (in.contains("value")) {
        value.data = DataFromJson(value.type, in["value"]);
    } else {
        throw std::runtime_error("a value needs \"value\" or \"hex\"");
    }
    return value;
}

void KeyToJson(const RegNode& node, const std::string& path, json& out) {
    if (!path.empty() && (!node.values.empty() || node.subkeys.empty())) {
        json& values = out[path] = json::object();
        for (const auto& [name, value] : node.values) {
            values[name] = ValueToJson(value);
        }
    }
    for (const auto& [name, child] : node.subkeys) {
        KeyToJson(*child, path.empty() ? name : path + "\\" + name, out);
    }
}

void KeyFromJson(RegNode& root, const std::string& path, const json& values) {
    bool valid = false;
    std::vector<std::string> names = SplitKeyPath(path, valid);
    if (!valid || names.empty() || !values.is_object()) {
        throw std::runtime_error("bad key \"" + path + "\"");
    }
    RegNode* node = &root;
    bool created = false;
    for (const std::string& name : names) {
        node = node->ChildOrNew(name, created);
    }
    for (const auto& [name, value] : values.items()) {
        node->values[name] = ValueFromJson(value);
    }
}

} // namespace

bool IsUtf8(std::string_view bytes) {
    for (size_t at = 0; at < bytes.size();) {
        size_t length = SequenceLength(static_cast<unsigned char>(bytes[at]));
        if (!ValidSequence(bytes, at, length)) {
            return false;
        }
        at += length;
    }
    return true;
}

std::string RegistryToJson(const RegNode& root) {
    json out = json::object();
    KeyToJson(root, "", out);
    return out.dump(2) + "\n";
}

bool RegistryFromJson(const std::string& text, RegNode& root, std::string& error) {
    try {
        json in = json::parse(text);
        if (!in.is_object()) {
            throw std::runtime_error("the document is not a JSON object");
        }
        for (const auto& [path, values] : in.items()) {
            KeyFromJson(root, path, values);
        }
        return true;
    } catch (const std::exception& failure) {
        root = RegNode();
        error = failure.what();
        return false;
    }
}
