#include "platform/win32/code_page.h"
#include "platform/win32/code_page_table.h"
#include "platform/win32/registry.h"

#include <charconv>

namespace {

constexpr const char* kCodePageKey = "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage";

// The text of the ACP value, empty when it is absent or not text.
std::string ReadAcpValue() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCodePageKey, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return {};
    }
    char text[32] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof text - 1;
    LONG status =
        RegQueryValueExA(key, "ACP", nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ ? std::string(text) : std::string();
}

UINT ReadAcp() {
    std::string text = ReadAcpValue();
    UINT codePage = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), codePage);
    bool whole = error == std::errc() && end == text.data() + text.size();
    return whole && FindCodePage(codePage) != nullptr ? codePage : CP_UTF8;
}

} // namespace

// Every conversion to or from the ANSI code page asks for it: the value is
// read again only after the registry changed.
UINT GetACP() {
    thread_local std::uint64_t readAt = 0;
    thread_local UINT codePage = 0;
    const std::uint64_t changes = RegistryChangeCount() + 1;
    if (readAt != changes) {
        codePage = ReadAcp();
        readAt = changes;
    }
    return codePage;
}
